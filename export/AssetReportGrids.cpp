#include "export/AssetReportGrids.h"

#include "analysis/AnalysisWords.h"
#include "analysis/GridMap.h"
#include "export/AssetReport.h"
#include "export/AssetReportColumns.h"
#include "export/ReportPage.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QSizeF>

#include <algorithm>
#include <cmath>

namespace AssetReportGrids {

namespace {

QString say(const char *source)
{
    return QCoreApplication::translate("AssetReport", source);
}

QString pathOf(const AssetReportGrid &g)
{
    return g.group.isEmpty() ? g.tag : g.group + QLatin1Char('/') + g.tag;
}

QString thickness(const AssetReportGrid &g, double value)
{
    return QStringLiteral("%1 %2").arg(AssetReportColumns::numberText(value, g.decimals), g.unit);
}

QString area(const AssetReportGrid &g, double value)
{
    return g.areasInCells ? say(QT_TRANSLATE_NOOP("AssetReport", "%1 cells")).arg(QString::number(value, 'g', 6))
                          : say(QT_TRANSLATE_NOOP("AssetReport", "%1 m²")).arg(QString::number(value, 'g', 4));
}

// Text wrapped at words across the page, under `y`.
double textBlock(ReportPage &page, bool paint, double y, const QString &text)
{
    const QRectF room(page.margin, y, page.contentWidth, page.footerTop - y);
    const QRectF needed = QFontMetricsF(page.body, page.p.device()).boundingRect(room, Qt::TextWordWrap, text);
    if (paint)
        page.p.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    return y + needed.height() + page.line * 0.3;
}

// What the section says under the map.
QStringList lines(const AssetReportGrid &g)
{
    QStringList out;
    const int cells = g.layout.cellCount() - g.layout.maskedCount();
    if (!g.hasReadings()) {
        out << say(QT_TRANSLATE_NOOP("AssetReport", "No readings on this grid yet: none of its %1 cells is measured."))
                   .arg(cells);
        return out;
    }
    const GridExtreme &worst = g.summary.worst;
    if (worst.isValid())
        out << say(QT_TRANSLATE_NOOP("AssetReport", "Thinnest cell: %1, %2 (%3 of %4 cells measured)."))
                   .arg(GridLayout::cellName(worst.cell), thickness(g, worst.value))
                   .arg(g.summary.measured)
                   .arg(cells);
    else
        out << say(QT_TRANSLATE_NOOP("AssetReport", "No cell measured in this survey (%1 cells)."))
                   .arg(cells);

    const ThinnestWallEstimate &e = g.estimate;
    if (e.ok())
        out << say(QT_TRANSLATE_NOOP("AssetReport", "Thinnest wall expected over the area: %1 (95 % interval %2 to %3)."))
                   .arg(thickness(g, e.thinnest), thickness(g, e.lower), thickness(g, e.upper));
    else
        out << findingText(e.loss.refusal);
    const QString reference = g.referenceIsNominal
                                  ? say(QT_TRANSLATE_NOOP("AssetReport", "the nominal thickness, %1"))
                                  : say(QT_TRANSLATE_NOOP("AssetReport", "the thickest reading, %1"));
    out << say(QT_TRANSLATE_NOOP("AssetReport", "Assumed: %1 blocks of whole rows of %2 cells (%3 each) over %4; "
                                                "losses counted from %5."))
               .arg(g.blocks)
               .arg(g.cellsPerBlock)
               .arg(area(g, g.blockArea), area(g, g.totalArea), reference.arg(thickness(g, e.reference)));
    return out;
}

// The map's size in screen pixels: square cells, as large as the page's width allows but no
// larger than reads well, and never taller than most of a page.
QSizeF mapSize(const ReportPage &page, const AssetReportGrid &g, double scale)
{
    constexpr double Beside = 220; // the row labels, each row's worst value and the legend
    constexpr double Around = 100; // the column labels and each column's worst value
    constexpr double Largest = 60;  // a cell
    constexpr double Lowest = 260;  // the legend's height
    const double width = page.contentWidth / scale;
    const double most = std::min(width * 0.8, (page.bottom() - page.margin - page.rowHeight - page.line * 6) / scale);
    const double cell = std::min({Largest, (width - Beside) / g.layout.columns(), (most - Around) / g.layout.rows()});
    return QSizeF(std::min(width, g.layout.columns() * cell + Beside),
                  std::clamp(g.layout.rows() * cell + Around, std::min(Lowest, most), most));
}

} // namespace

double section(ReportPage &page, bool paint, double y, const AssetReportGrid &g, const Room &room)
{
    const QString heading = g.hasReadings()
                                ? say(QT_TRANSLATE_NOOP("AssetReport", "Grid %1, survey of %2"))
                                      .arg(pathOf(g), AssetReportColumns::dateText(g.surveyDate.toMSecsSinceEpoch()))
                                : say(QT_TRANSLATE_NOOP("AssetReport", "Grid %1, no readings")).arg(pathOf(g));
    // The map is drawn at screen scale, as its text and lines are sized for a screen, and scaled
    // up to the page's pixels.
    const double scale = std::max(1.0, page.p.device()->logicalDpiX() / 96.0);
    const QSizeF size = g.layout.isValid() ? mapSize(page, g, scale) : QSizeF();
    const double height = size.height() * scale;
    y = room(y, page.rowHeight + height + page.line * 3);
    y = page.heading(paint, y, heading);
    if (height > 0) {
        if (paint) {
            GridMapInput in;
            in.layout = &g.layout;
            in.values = g.values;
            in.unit = g.unit;
            in.decimals = g.decimals;
            in.limits = g.limits;
            page.p.save();
            page.p.translate(page.margin, y);
            page.p.scale(scale, scale);
            GridMap(in).draw(page.p, QRectF(QPointF(0, 0), size));
            page.p.restore();
            page.setFont(page.body);
        }
        y += height + page.line * 0.3;
    }
    for (const QString &text : lines(g)) {
        y = room(y, textBlock(page, false, y, text) - y);
        y = textBlock(page, paint, y, text);
    }
    return y + page.line * 0.5;
}

QVector<QPair<QString, QString>> appendix(const QVector<AssetReportGrid> &grids)
{
    QVector<QPair<QString, QString>> out;
    for (const AssetReportGrid &g : grids) {
        const ThinnestWallEstimate &t = g.estimate;
        if (!g.hasReadings() || !t.ok())
            continue;
        const ExtremeEstimate &e = t.loss;
        const auto n = [](double v) { return readableNumber(v, 4); };
        const QString label = say(QT_TRANSLATE_NOOP("AssetReport", "%1: thinnest wall over the area"))
                                  .arg(pathOf(g));
        const QString method = say(QT_TRANSLATE_NOOP("AssetReport", "Gumbel extreme values, by the method of moments "
                                                                    "(HSE Research Report 016):"));
        const QString formulas = QString::fromUtf8("x = t_ref − t_block;  T = A/a;  y_T = −ln(−ln(1 − 1/T));  "
                                                   "α = √6·s/π;  λ = x̄ − 0.5772·α;  x_T = λ + α·y_T;  "
                                                   "t_min = t_ref − x_T");
        const QString inputs =
            say(QT_TRANSLATE_NOOP("AssetReport", "n = %1 blocks, a = %2, A = %3, t_ref = %4 %5 (%6); "
                                                 "of the blocks' losses x̄ = %7 %5, s = %8 %5"))
                .arg(e.blocks)
                .arg(area(g, e.blockArea), area(g, e.totalArea), n(t.reference), g.unit,
                     g.referenceIsNominal ? say(QT_TRANSLATE_NOOP("AssetReport", "nominal"))
                                          : say(QT_TRANSLATE_NOOP("AssetReport", "thickest reading")),
                     n(e.mean), n(e.stdDev));
        const QString results =
            say(QT_TRANSLATE_NOOP("AssetReport", "T = %1, y_T = %2, α = %3 %4, λ = %5 %4, x_T = %6 %4 "
                                                 "(95 % interval %7 to %8 %4, r = %9); t_min = %10."))
                .arg(n(e.returnPeriod), n(e.reducedVariate), n(e.alpha), g.unit, n(e.lambda), n(e.estimate),
                     n(e.lower), n(e.upper), QString::number(e.correlation, 'f', 3))
                .arg(thickness(g, t.thinnest));
        out.append({label, method + QLatin1Char('\n') + formulas + QLatin1Char('\n') + inputs + QLatin1Char('\n') + results});
    }
    return out;
}

} // namespace AssetReportGrids
