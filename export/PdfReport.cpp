#include "export/PdfReport.h"

#include "export/ReportPage.h"
#include "export/ReportTable.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include <cerrno>

namespace {

// The report speaks the language in use.
QString say(const char *source)
{
    return QCoreApplication::translate("PdfReport", source);
}

// The report's parts on its pages: the first page's head (title, facts, limits, statistics,
// band counts, legend, chart), the comparison's title and notes, and each page's footer.
class Sections : public ReportPage
{
public:
    Sections(const ReportInput &input, QPainter &painter, int dpi) : ReportPage(painter, dpi), in(input) {}

    // Paints the first page's head; returns where the table may start.
    double head(bool paint)
    {
        double y = titleBlock(paint, say(QT_TRANSLATE_NOOP("PdfReport", "Ultrasonic thickness inspection report")), in.logo);
        const ReportFields &f = in.fields;
        const QString date = (in.date.isValid() ? in.date : QDateTime::currentDateTime())
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        QList<QPair<QString, QString>> facts = reportFieldFacts(f);
        facts << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Gauge serial number")), in.serial)
              << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Firmware")), in.firmware)
              << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Meter type")), in.meterType)
              << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Date")), date)
              << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Units")), in.units)
              << qMakePair(say(QT_TRANSLATE_NOOP("PdfReport", "Readings")),
                           in.table.rows.isEmpty() && !in.comparison.rows.isEmpty() ? QString()
                                                                                    : QString::number(in.table.rows.size()));
        y = factPairs(paint, y, facts);
        if (!f.notes.isEmpty())
            y = paragraph(paint, y, say(QT_TRANSLATE_NOOP("PdfReport", "Notes")), f.notes);
        if (!in.limitsText.isEmpty())
            y = paragraph(paint, y, say(QT_TRANSLATE_NOOP("PdfReport", "Limits")), in.limitsText);
        if (!in.statistics.isEmpty()) {
            y = heading(paint, y, say(QT_TRANSLATE_NOOP("PdfReport", "Statistics")));
            QStringList header{QString()};
            header += in.statisticsColumns;
            QVector<QStringList> rows;
            for (const ReportStatisticsRow &row : in.statistics)
                rows << (QStringList{row.label} + row.values);
            const QVector<double> widths = columnWidths(header, rows);
            y = gridRow(paint, y, header, widths, true);
            for (const QStringList &row : rows)
                y = gridRow(paint, y, row, widths, false);
            if (!in.statisticsNote.isEmpty()) {
                const QRectF room(margin, y, contentWidth, footerTop - y);
                setFont(small);
                const QRectF needed = QFontMetricsF(small, p.device()).boundingRect(room, Qt::TextWordWrap, in.statisticsNote);
                if (paint)
                    p.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, in.statisticsNote);
                setFont(body);
                y += needed.height();
            }
            y += line * 0.5;
        }
        if (!in.bandCounts.isEmpty()) {
            QStringList parts;
            for (const auto &band : in.bandCounts)
                parts << band.first + QStringLiteral(": ") + QString::number(band.second);
            y = paragraph(paint, y, say(QT_TRANSLATE_NOOP("PdfReport", "Readings per band")), parts.join(QStringLiteral("    ")));
        }
        if (in.table.limits.isSet() && !in.table.rows.isEmpty())
            y = legend(paint, y);
        if (!in.chart.isNull()) {
            const double w = contentWidth;
            const double h = qMin(w * in.chart.height() / qMax(1, in.chart.width()), 80 * dpi / 25.4);
            const double drawnW = qMin(w, h * in.chart.width() / qMax(1, in.chart.height()));
            if (paint)
                p.drawImage(QRectF(margin, y, drawnW, h), in.chart);
            y += h + line;
        }
        return y + line * 0.5;
    }

    // The comparison's title and notes; returns where its table may start.
    double comparisonHead(bool paint, double y)
    {
        y = heading(paint, y, in.comparisonTitle.isEmpty()
                                  ? say(QT_TRANSLATE_NOOP("PdfReport", "Comparison of surveys"))
                                  : in.comparisonTitle);
        for (const QString &note : in.comparisonNotes) {
            const QRectF room(margin, y, contentWidth, footerTop - y);
            const QRectF needed = QFontMetricsF(body, p.device()).boundingRect(room, Qt::TextWordWrap, note);
            if (paint)
                p.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, note);
            y += needed.height();
        }
        return y + line * 0.5;
    }

    void footer(int page, int pages)
    {
        ReportPage::footer(in.fields.company.isEmpty() ? in.serial : in.fields.company, page, pages);
    }

private:
    // The cell colours of the readings, each with its name.
    double legend(bool paint, double y)
    {
        QVector<QPair<Band, QString>> bands;
        for (Band b : {Band::Red, Band::Amber, Band::Blue})
            bands.append({b, bandName(b)});
        return bandLegend(paint, y, say(QT_TRANSLATE_NOOP("PdfReport", "Cell colours of the readings:")), bands) + line * 0.5;
    }

    const ReportInput &in;
};

} // namespace

int PdfReport::write(const ReportInput &input, const QString &path, ProgressHandle *progress)
{
    constexpr int dpi = 300;
    return writePdfFile(path, say(QT_TRANSLATE_NOOP("PdfReport", "Inspection report")), dpi,
                        [&](QPdfWriter &writer, QPainter &painter) {
        Sections layout(input, painter, dpi);
        ReportTable readings(layout, input.table, false);
        ReportTable comparison(layout, input.comparison, true);
        const int rows = int(input.table.rows.size());
        const int compared = int(input.comparison.rows.size());

        // Laid out twice: first to count the pages, then painted, so that every page can say
        // how many there are.
        int pages = 0;
        for (const bool paint : {false, true}) {
            int page = 1;
            auto nextPage = [&] {
                if (paint) {
                    layout.footer(page, pages);
                    writer.newPage();
                }
                ++page;
                return layout.margin;
            };
            double y = layout.head(paint);
            // The readings start on the first page only if a few of them fit there.
            if (rows > 0 && readings.rowsFrom(y) < qMin(rows, 5))
                y = nextPage();
            int r = 0;
            while (r < rows) {
                const int end = qMin(rows, r + qMax(1, readings.rowsFrom(y)));
                if (paint) {
                    y = readings.paintHeader(y);
                    for (; r < end; ++r)
                        y = readings.paintRow(r, y);
                    if (progress) {
                        progress->setValue(r);
                        if (progress->wasCanceled())
                            return ECANCELED;
                    }
                } else {
                    y += readings.headerHeight() + (end - r) * readings.rowHeight(r);
                    r = end;
                }
                if (r < rows)
                    y = nextPage();
            }

            if (compared > 0) {
                if (rows > 0)
                    y += readings.rowHeight(0);
                // The title, the notes, the header row and the first rows stay together.
                if (layout.comparisonHead(false, y) + comparison.leadHeight(3) > layout.bottom() && y > layout.margin)
                    y = nextPage();
                y = layout.comparisonHead(paint, y);
                y = comparison.flow(paint, y, nextPage);
            }
            if (!paint) {
                pages = page;
                continue;
            }
            layout.footer(page, pages);
            if (progress && progress->wasCanceled())
                return ECANCELED;
        }
        return 0;
    });
}
