#include "export/AssetReport.h"

#include "analysis/AnalysisWords.h"
#include "analysis/Limits.h"
#include "analysis/TrendPlot.h"
#include "export/AssetReportColumns.h"
#include "export/AssetReportGrids.h"
#include "export/ReportPage.h"
#include "export/ReportTable.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

using namespace AssetReportColumns;

namespace {

QString say(const char *source)
{
    return QCoreApplication::translate("AssetReport", source);
}

constexpr int thumbnailCount = 10;
constexpr int thumbnailColumns = 3;

// One circuit: its name and its CMLs, worst first.
struct Group
{
    QString name;
    QVector<const AssetReportCml *> cmls;
    WorkbookTable table;
    QString unit; // of every CML of it; empty when they differ
    bool mixedUnits = false;
};

// The circuits in the order of their worst CML (the input is worst first).
QVector<Group> groupsOf(const AssetReportInput &input)
{
    QVector<Group> groups;
    for (const AssetReportCml &c : input.cmls) {
        auto it = std::find_if(groups.begin(), groups.end(), [&](const Group &g) { return g.name == c.group; });
        if (it == groups.end()) {
            groups.append(Group{c.group, {}, {}, {}, false});
            it = groups.end() - 1;
        }
        it->cmls << &c;
    }
    for (Group &g : groups) {
        // One unit for the circuit goes in its title; only a mix needs a column of its own.
        for (const AssetReportCml *c : std::as_const(g.cmls))
            g.mixedUnits = g.mixedUnits || c->unit != g.cmls.first()->unit;
        if (!g.mixedUnits)
            g.unit = g.cmls.first()->unit;
        QVector<Column> columns{Column::Tag, Column::Description};
        if (g.mixedUnits)
            columns << Column::Unit;
        columns << Column::Newest << Column::NewestDate << Column::Required << Column::LongTerm << Column::ShortTerm
                << Column::Regression << Column::RegressionInterval << Column::Governing << Column::Remaining
                << Column::Next << Column::Marks;
        g.table = table(g.cmls, columns, true);
    }
    return groups;
}

QString inputText(const QString &symbol, double value, const QString &unit = QString())
{
    if (!std::isfinite(value))
        return say(QT_TRANSLATE_NOOP("AssetReport", "%1 not given")).arg(symbol);
    const QString number = readableNumber(value, 4);
    return unit.isEmpty() ? QStringLiteral("%1 = %2").arg(symbol, number)
                          : QStringLiteral("%1 = %2 %3").arg(symbol, number, unit);
}

// The inputs a formula reads, each with its unit.
QString designInputsText(const AssetReportCml &c)
{
    const DesignInputs &d = c.design;
    const QString p = pressureUnitWords(d.pressureUnit);
    const QString l = lengthUnitWords(d.lengthUnit);
    QStringList parts;
    switch (d.formula) {
    case DesignFormula::PipeB31_3:
        parts << inputText(QStringLiteral("P"), d.pressure, p) << inputText(QStringLiteral("D"), d.diameter, l)
              << inputText(QStringLiteral("S"), d.stress, p) << inputText(QStringLiteral("E"), d.joint)
              << inputText(QStringLiteral("W"), d.weld);
        if (std::isfinite(d.coefficientY))
            parts << inputText(QStringLiteral("Y"), d.coefficientY);
        else
            parts << inputText(say(QT_TRANSLATE_NOOP("AssetReport", "design temperature")), d.temperature,
                               temperatureUnitWords(d.temperatureUnit))
                  << inputText(QStringLiteral("Y"), c.requirement.coefficientY);
        parts << inputText(QStringLiteral("c"), d.allowance, l);
        break;
    case DesignFormula::ShellUG27:
        parts << inputText(QStringLiteral("P"), d.pressure, p) << inputText(QStringLiteral("R"), d.radius, l)
              << inputText(QStringLiteral("S"), d.stress, p) << inputText(QStringLiteral("E"), d.joint);
        if (std::isfinite(d.jointCircumferential))
            parts << inputText(say(QT_TRANSLATE_NOOP("AssetReport", "E (longitudinal stress)")), d.jointCircumferential);
        parts << inputText(QStringLiteral("c"), d.allowance, l);
        break;
    case DesignFormula::TankApi653:
        parts << inputText(QStringLiteral("H"), d.height, l) << inputText(QStringLiteral("D"), d.diameter, l)
              << inputText(QStringLiteral("G"), d.gravity) << inputText(QStringLiteral("S"), d.stress, p)
              << inputText(QStringLiteral("E"), d.joint);
        if (d.allowance > 0)
            parts << inputText(QStringLiteral("c"), d.allowance, l);
        break;
    case DesignFormula::None:
        break;
    }
    // The list's and the sentence's punctuation belong to the language.
    return parts.join(say(QT_TRANSLATE_NOOP("AssetReport", ", ")));
}

// What the formula gave and what is required, in the CML's unit.
QString designResultText(const AssetReportCml &c)
{
    const ThicknessRequirement &r = c.requirement;
    const QString unit = r.unit.isEmpty() ? c.unit : r.unit;
    auto value = [&](double v, int more) { return numberText(v, c.decimals + more); };
    if (!r.refusal.isEmpty()) {
        QString text = say(QT_TRANSLATE_NOOP("AssetReport", "Refused: %1")).arg(findingText(r.refusal));
        if (std::isfinite(r.required))
            text += QLatin1Char(' ')
                + say(QT_TRANSLATE_NOOP("AssetReport", "Required: %1 %2 (the structural minimum).")).arg(value(r.required, 0), unit);
        return text;
    }
    QStringList parts;
    if (c.design.formula == DesignFormula::ShellUG27)
        parts << say(QT_TRANSLATE_NOOP("AssetReport", "t = %1 %2 (circumferential stress %3, longitudinal %4)"))
                     .arg(value(r.pressureThickness, 1), unit, value(r.circumferential, 1), value(r.longitudinal, 1));
    else
        parts << say(QT_TRANSLATE_NOOP("AssetReport", "t = %1 %2")).arg(value(r.pressureThickness, 1), unit);
    parts << say(QT_TRANSLATE_NOOP("AssetReport", "pressure requirement %1 %2")).arg(value(r.pressureRequired, 0), unit);
    if (std::isfinite(r.structural))
        parts << say(QT_TRANSLATE_NOOP("AssetReport", "structural minimum %1 %2")).arg(value(r.structural, 0), unit);
    QString text = parts.join(say(QT_TRANSLATE_NOOP("AssetReport", "; ")));
    text += say(QT_TRANSLATE_NOOP("AssetReport", ". "))
        + (r.governs == ThicknessRequirement::Governs::Structural
               ? say(QT_TRANSLATE_NOOP("AssetReport", "Required: %1 %2 (the structural minimum governs)."))
               : say(QT_TRANSLATE_NOOP("AssetReport", "Required: %1 %2 (the pressure design governs).")))
              .arg(value(r.required, 0), unit);
    if (!r.notes.isEmpty())
        text += QLatin1Char(' ') + findingsText(r.notes);
    return text;
}

// The report's parts on its pages.
class Layout : public ReportPage
{
public:
    Layout(const AssetReportInput &input, QPainter &painter, int dpi) : ReportPage(painter, dpi), in(input) {}

    // The title, the header fields, what was reported, and the colours' legend.
    double head(bool paint)
    {
        double y = titleBlock(paint, say(QT_TRANSLATE_NOOP("AssetReport", "Asset thickness report")), in.logo);
        int under = 0;
        int lessLife = 0;
        for (const AssetReportCml &c : in.cmls) {
            under += c.figures.underMinimum;
            lessLife += !c.figures.underMinimum && c.figures.lessLifeThanInterval;
        }
        QList<QPair<QString, QString>> facts = reportFieldFacts(in.fields);
        facts << qMakePair(say(QT_TRANSLATE_NOOP("AssetReport", "Asset")),
                           in.assetPath.isEmpty() ? say(QT_TRANSLATE_NOOP("AssetReport", "every asset")) : in.assetPath)
              << qMakePair(say(QT_TRANSLATE_NOOP("AssetReport", "Date")),
                           (in.date.isValid() ? in.date : QDateTime::currentDateTime()).toString(QStringLiteral("yyyy-MM-dd hh:mm")))
              << qMakePair(say(QT_TRANSLATE_NOOP("AssetReport", "CMLs")), QString::number(in.cmls.size()))
              << qMakePair(say(QT_TRANSLATE_NOOP("AssetReport", "Under the minimum")), QString::number(under))
              << qMakePair(say(QT_TRANSLATE_NOOP("AssetReport", "Less life than the interval")), QString::number(lessLife));
        y = factPairs(paint, y, facts);
        if (!in.fields.notes.isEmpty())
            y = paragraph(paint, y, say(QT_TRANSLATE_NOOP("AssetReport", "Notes")), in.fields.notes);
        return legend(paint, y) + line * 0.5;
    }

    // A thumbnail of a CML's trend in one cell of the grid.
    void thumbnail(const AssetReportCml &c, const QRectF &cell)
    {
        TrendInput trend;
        trend.series = &c.series;
        trend.figures = &c.figures;
        trend.unit = c.unit;
        trend.decimals = c.decimals;
        trend.title = c.group.isEmpty() ? c.tag : c.group + QLatin1Char('/') + c.tag;
        trend.compact = true;
        // The drawing sizes its text and lines in device pixels, as on a screen; the page has
        // many more pixels per inch, so it is drawn at screen scale and scaled up.
        const double scale = std::max(1.0, p.device()->logicalDpiX() / 96.0);
        const QRectF area = cell.adjusted(line * 0.3, line * 0.3, -line * 0.3, -line * 0.3);
        p.save();
        p.translate(area.topLeft());
        p.scale(scale, scale);
        TrendPlot(trend).draw(p, QRectF(0, 0, area.width() / scale, area.height() / scale));
        p.restore();
        setFont(body);
    }

    const AssetReportInput &in;

private:
    double legend(bool paint, double y)
    {
        return bandLegend(paint, y, say(QT_TRANSLATE_NOOP("AssetReport", "Row colours:")),
                          {{Band::Red, say(QT_TRANSLATE_NOOP("AssetReport", "under the minimum, due now"))},
                           {Band::Amber, say(QT_TRANSLATE_NOOP("AssetReport", "less life left than the longest interval"))}});
    }
};

// The policies in use, each with the circuits it applies to.
QVector<QPair<JudgementPolicy, QStringList>> policiesOf(const AssetReportInput &input)
{
    QVector<QPair<JudgementPolicy, QStringList>> out;
    for (const AssetReportCml &c : input.cmls) {
        auto it = std::find_if(out.begin(), out.end(), [&](const auto &p) { return p.first == c.policy; });
        if (it == out.end()) {
            out.append({c.policy, {}});
            it = out.end() - 1;
        }
        if (!it->second.contains(c.group))
            it->second << c.group;
    }
    return out;
}

} // namespace

int writeAssetReportPdf(const AssetReportInput &input, const QString &path, ProgressHandle *progress)
{
    constexpr int dpi = 300;
    return writePdfFile(path, say(QT_TRANSLATE_NOOP("AssetReport", "Asset report")), dpi,
                        [&](QPdfWriter &writer, QPainter &painter) {
        Layout layout(input, painter, dpi);
        QVector<Group> groups = groupsOf(input);
        std::vector<std::unique_ptr<ReportTable>> tables;
        for (Group &g : groups)
            tables.push_back(std::make_unique<ReportTable>(layout, g.table, true));
        QVector<const AssetReportCml *> worst;
        for (const AssetReportCml &c : input.cmls)
            if (worst.size() < thumbnailCount && !c.series.readings.isEmpty())
                worst << &c;
        QVector<const AssetReportCml *> designed;
        for (const AssetReportCml &c : input.cmls)
            if (c.design.formula != DesignFormula::None)
                designed << &c;
        const QVector<QPair<JudgementPolicy, QStringList>> policies = policiesOf(input);
        const QVector<QPair<QString, QString>> gridFormulas = AssetReportGrids::appendix(input.grids);
        const QString footerText = input.fields.company.isEmpty() ? input.assetPath : input.fields.company;

        // Laid out twice: first to count the pages, then painted, so that every page can say
        // how many there are.
        int pages = 0;
        for (const bool paint : {false, true}) {
            int page = 1;
            auto nextPage = [&] {
                if (paint) {
                    layout.footer(footerText, page, pages);
                    writer.newPage();
                }
                ++page;
                return layout.margin;
            };
            // Starts a new page unless `height` fits below `y`.
            auto room = [&](double y, double height) {
                return y + height > layout.bottom() && y > layout.margin ? nextPage() : y;
            };
            double y = layout.head(paint);
            int done = 0;
            for (int g = 0; g < groups.size(); ++g) {
                // Named by its path: a CML of no circuit is listed under its own asset.
                const QString title =
                    groups[g].unit.isEmpty()
                        ? say(QT_TRANSLATE_NOOP("AssetReport", "%1: thickness in the unit of each CML, rates per year"))
                              .arg(groups[g].name)
                        : say(QT_TRANSLATE_NOOP("AssetReport", "%1: thickness in %2, rates in %2 per year"))
                              .arg(groups[g].name, groups[g].unit);
                // The title, the header row and the first rows stay together.
                y = room(y, layout.rowHeight + tables[g]->leadHeight(3));
                y = layout.heading(paint, y, title);
                y = tables[g]->flow(paint, y, nextPage) + layout.line;
                done += int(groups[g].cmls.size());
                if (paint && progress) {
                    progress->setValue(done);
                    if (progress->wasCanceled())
                        return ECANCELED;
                }
            }

            if (!worst.isEmpty()) {
                const double w = layout.contentWidth / thumbnailColumns;
                const double h = w * 0.75;
                y = room(y, layout.rowHeight + h);
                y = layout.heading(paint, y, say(QT_TRANSLATE_NOOP("AssetReport", "Trends of the worst CMLs")));
                for (int i = 0; i < worst.size(); i += thumbnailColumns) {
                    y = room(y, h);
                    for (int k = i; k < qMin(int(worst.size()), i + thumbnailColumns); ++k)
                        if (paint)
                            layout.thumbnail(*worst[k], QRectF(layout.margin + (k - i) * w, y, w, h));
                    y += h;
                }
                y += layout.line;
            }

            for (const AssetReportGrid &grid : input.grids)
                y = AssetReportGrids::section(layout, paint, y, grid, room);

            y = room(y, layout.rowHeight * 4);
            y = layout.heading(paint, y, say(QT_TRANSLATE_NOOP("AssetReport", "Appendix: required thickness and policy")));
            for (const AssetReportCml *c : designed) {
                const QString label =
                    c->group.isEmpty()
                        ? say(QT_TRANSLATE_NOOP("AssetReport", "%1: %2")).arg(c->tag, formulaWords(c->design.formula))
                        : say(QT_TRANSLATE_NOOP("AssetReport", "%1 (%2): %3"))
                              .arg(c->tag, c->group, formulaWords(c->design.formula));
                const QString text = formulaExpression(c->design.formula) + QLatin1Char('\n') + designInputsText(*c)
                                     + QLatin1Char('\n') + designResultText(*c);
                y = room(y, layout.paragraph(false, y, label, text) - y);
                y = layout.paragraph(paint, y, label, text);
            }
            if (designed.isEmpty())
                y = layout.paragraph(paint, y, say(QT_TRANSLATE_NOOP("AssetReport", "Design inputs")),
                                     say(QT_TRANSLATE_NOOP("AssetReport", "No CML has design inputs: each required "
                                                                          "thickness is its structural minimum.")));
            for (const auto &[label, text] : gridFormulas) {
                y = room(y, layout.paragraph(false, y, label, text) - y);
                y = layout.paragraph(paint, y, label, text);
            }
            for (const auto &[policy, circuits] : policies) {
                // The circuits may be many: they go in the text, which wraps.
                const QString label = say(QT_TRANSLATE_NOOP("AssetReport", "Policy"));
                const QString text = say(QT_TRANSLATE_NOOP("AssetReport", "For %1. Governing rate: %2. Longest "
                                                                          "interval: %3. Next inspection: the newest "
                                                                          "reading's date plus half the remaining "
                                                                          "life, at most the longest interval."))
                                         .arg(circuits.join(QStringLiteral(", ")), rateRuleWords(policy.rate),
                                              intervalWords(policy));
                y = room(y, layout.paragraph(false, y, label, text) - y);
                y = layout.paragraph(paint, y, label, text);
            }
            if (!paint) {
                pages = page;
                continue;
            }
            layout.footer(footerText, page, pages);
            if (progress && progress->wasCanceled())
                return ECANCELED;
        }
        return 0;
    });
}
