#include "export/PdfReport.h"

#include "export/ReportPage.h"
#include "export/ReportTable.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

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
        double y = margin;
        double logoWidth = 0;
        double logoBottom = y;
        if (!in.logo.isNull()) {
            // Kept to its own corner: the facts start under it, the title beside it.
            const double h = 18 * dpi / 25.4;
            const double w = qMin(h * in.logo.width() / qMax(1, in.logo.height()), contentWidth / 3);
            const double drawnH = w * in.logo.height() / qMax(1, in.logo.width());
            if (paint)
                p.drawImage(QRectF(margin + contentWidth - w, y, w, drawnH), in.logo);
            logoWidth = w + line;
            logoBottom = y + drawnH + line * 0.5;
        }
        setFont(title);
        const double titleHeight = QFontMetricsF(title, p.device()).height();
        if (paint)
            p.drawText(QRectF(margin, y, contentWidth - logoWidth, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       elided(say(QT_TRANSLATE_NOOP("PdfReport", "Ultrasonic thickness inspection report")),
                              contentWidth - logoWidth));
        y = qMax(y + titleHeight * 1.6, logoBottom);

        const ReportFields &f = in.fields;
        const QString date = (in.date.isValid() ? in.date : QDateTime::currentDateTime())
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        const QList<QPair<QString, QString>> facts{
            {say(QT_TRANSLATE_NOOP("PdfReport", "Company")), f.company},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Inspector")), f.inspector},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Qualification")), f.qualification},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Location / asset")), f.location},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Procedure")), f.procedure},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Probe")), f.probe},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Calibration block")), f.calibrationBlock},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Gauge serial number")), in.serial},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Firmware")), in.firmware},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Meter type")), in.meterType},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Date")), date},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Units")), in.units},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Readings")),
             in.table.rows.isEmpty() && !in.comparison.rows.isEmpty() ? QString()
                                                                      : QString::number(in.table.rows.size())}};
        // Two columns of "label: value" pairs.
        const double half = contentWidth / 2;
        double labelWidth = 0;
        for (const auto &fact : facts)
            labelWidth = qMax(labelWidth, QFontMetricsF(bold, p.device()).horizontalAdvance(fact.first));
        labelWidth = qMin(labelWidth + line, half * 0.6);
        int shown = 0;
        for (const auto &fact : facts) {
            if (fact.second.isEmpty())
                continue;
            const double x = margin + (shown % 2) * half;
            const double rowY = y + (shown / 2) * rowHeight;
            if (paint) {
                setFont(bold);
                p.drawText(QRectF(x, rowY, labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, fact.first);
                setFont(body);
                p.drawText(QRectF(x + labelWidth, rowY, half - labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           elided(fact.second, half - labelWidth));
            }
            ++shown;
        }
        y += ((shown + 1) / 2) * rowHeight + line * 0.5;
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
        setFont(small);
        const double y = footerTop;
        p.drawLine(QPointF(margin, y), QPointF(margin + contentWidth, y));
        const QString left = in.fields.company.isEmpty() ? in.serial : in.fields.company;
        p.drawText(QRectF(margin, y, contentWidth, line * 1.4), Qt::AlignLeft | Qt::AlignVCenter, left);
        p.drawText(QRectF(margin, y, contentWidth, line * 1.4), Qt::AlignRight | Qt::AlignVCenter,
                   say(QT_TRANSLATE_NOOP("PdfReport", "Page %1 of %2")).arg(page).arg(pages));
        setFont(body);
    }

private:
    // The cell colours of the readings, each with its name.
    double legend(bool paint, double y)
    {
        const QString title = say(QT_TRANSLATE_NOOP("PdfReport", "Cell colours of the readings:"));
        const QFontMetricsF metrics(body, p.device());
        double x = margin;
        if (paint)
            p.drawText(QRectF(x, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
        x += metrics.horizontalAdvance(title) + line;
        for (Band b : {Band::Red, Band::Amber, Band::Blue}) {
            const QString name = bandName(b);
            const double box = line * 0.9;
            if (x + box + line * 0.4 + metrics.horizontalAdvance(name) > margin + contentWidth) {
                x = margin;
                y += rowHeight;
            }
            if (paint) {
                const QRectF swatch(x, y + (rowHeight - box) / 2, box, box);
                p.fillRect(swatch, bandFill(b));
                p.drawRect(swatch);
                p.drawText(QRectF(x + box + line * 0.4, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, name);
            }
            x += box + line * 0.4 + metrics.horizontalAdvance(name) + line * 1.5;
        }
        return y + rowHeight + line * 0.5;
    }

    const ReportInput &in;
};

} // namespace

int PdfReport::write(const ReportInput &input, const QString &path, ProgressHandle *progress)
{
    const QFileInfo info(path);
    if (info.isDir())
        return EISDIR;
    if (!QFileInfo(info.absolutePath()).isDir())
        return ENOENT;
    // Written beside the target and renamed into place on commit; a link is written through.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return errno ? errno : -1;

    constexpr int dpi = 300;
    QPdfWriter writer(&file);
    writer.setResolution(dpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(say(QT_TRANSLATE_NOOP("PdfReport", "Inspection report")));
    writer.setCreator(QStringLiteral("Palvarin"));
    QPainter painter;
    if (!painter.begin(&writer))
        return -1;

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
        };
        double y = layout.head(paint);
        // The readings start on the first page only if a few of them fit there.
        if (rows > 0 && readings.rowsFrom(y) < qMin(rows, 5)) {
            nextPage();
            y = layout.margin;
        }
        int r = 0;
        while (r < rows) {
            const int end = qMin(rows, r + qMax(1, readings.rowsFrom(y)));
            if (paint) {
                y = readings.paintHeader(y);
                for (; r < end; ++r)
                    y = readings.paintRow(r, y);
                if (progress) {
                    progress->setValue(r);
                    if (progress->wasCanceled()) {
                        painter.end();
                        file.cancelWriting();
                        return ECANCELED;
                    }
                }
            } else {
                y += readings.headerHeight() + (end - r) * readings.rowHeight(r);
                r = end;
            }
            if (r < rows) {
                nextPage();
                y = layout.margin;
            }
        }

        if (compared > 0) {
            if (rows > 0)
                y += readings.rowHeight(0);
            // The title, the notes, the header row and the first rows stay together.
            double together = layout.comparisonHead(false, y) + comparison.headerHeight();
            for (int i = 0; i < qMin(compared, 3); ++i)
                together += comparison.rowHeight(i);
            if (together > layout.bottom() && y > layout.margin) {
                nextPage();
                y = layout.margin;
            }
            y = layout.comparisonHead(paint, y);
            int c = 0;
            while (c < compared) {
                y = paint ? comparison.paintHeader(y) : y + comparison.headerHeight();
                // At least one row per page, however tall.
                for (int onPage = 0; c < compared
                     && (onPage == 0 || y + comparison.rowHeight(c) <= layout.bottom());
                     ++c, ++onPage)
                    y = paint ? comparison.paintRow(c, y) : y + comparison.rowHeight(c);
                if (c < compared) {
                    nextPage();
                    y = layout.margin;
                }
            }
        }
        if (!paint) {
            pages = page;
            continue;
        }
        layout.footer(page, pages);
        if (progress && progress->wasCanceled()) {
            painter.end();
            file.cancelWriting();
            return ECANCELED;
        }
    }
    painter.end();
    errno = 0;
    if (!file.commit())
        return errno ? errno : -1;
    return 0;
}
