#include "export/PdfReport.h"

#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>

namespace {

// The report speaks the language in use.
QString say(const char *source)
{
    return QCoreApplication::translate("PdfReport", source);
}

QString cellText(const WorkbookCell &cell)
{
    switch (cell.kind) {
    case WorkbookCell::Kind::Number:
        return QString::number(cell.number, 'f', cell.decimals);
    case WorkbookCell::Kind::Text:
        return cell.text;
    case WorkbookCell::Kind::Empty:
        break;
    }
    return QString();
}

// The parts of a header a line may not break inside: its words, and the halves of a
// hyphenated word ("Long-" "term"; dates stay whole).
QStringList unbreakable(const QString &header)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression afterHyphen(QStringLiteral("(?<=[A-Za-z]-)(?=[A-Za-z])"));
    QStringList parts;
    for (const QString &word : header.split(space, Qt::SkipEmptyParts))
        parts += word.split(afterHyphen);
    return parts;
}

// Light fills of the bands for print, as the .xlsx has them; normal readings stay plain.
QColor bandFill(Band band)
{
    switch (band) {
    case Band::Red:
        return QColor(0xF4, 0xB6, 0xB6);
    case Band::Amber:
        return QColor(0xFF, 0xE6, 0x99);
    case Band::Blue:
        return QColor(0xBD, 0xD7, 0xEE);
    case Band::Normal:
        break;
    }
    return QColor();
}

// Lays the report out on a painter whose device is an A4 page at `dpi`.
class Layout
{
public:
    Layout(const ReportInput &input, QPainter &painter, int dpi) : in(input), p(painter), dpi(dpi)
    {
        const double mm = dpi / 25.4;
        margin = 15 * mm;
        pageWidth = 210 * mm;
        pageHeight = 297 * mm;
        contentWidth = pageWidth - 2 * margin;
        footerTop = pageHeight - margin;

        body = QFont(QStringLiteral("DejaVu Sans"));
        body.setPointSizeF(9);
        small = body;
        small.setPointSizeF(8);
        smallBold = small;
        smallBold.setBold(true);
        bold = body;
        bold.setBold(true);
        title = body;
        title.setPointSizeF(16);
        title.setBold(true);
        p.setFont(body);
        line = QFontMetricsF(body, p.device()).height();
        rowHeight = line * 1.35;
    }

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
            y = tableRow(paint, y, header, widths, true);
            for (const QStringList &row : rows)
                y = tableRow(paint, y, row, widths, false);
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

    // A table laid out over pages: column widths, header height and, for tables whose texts
    // wrap, the height of each row.
    struct Block
    {
        const WorkbookTable *table = nullptr;
        QFont headerFont;
        QFont font;
        QVector<double> widths;
        QVector<int> headerFlags; // how each header wraps
        double headerHeight = 0;
        bool wrap = false;
        QVector<double> heights;
    };

    // Column widths and header height from the texts. Readings keep one line per row (names
    // cut with an ellipsis); a wrapping table, in the smaller font, keeps its numbers and
    // dates whole and lets its sentences (notes) take more lines instead.
    void prepareTable(Block &block, const WorkbookTable &table, bool wrap)
    {
        block.table = &table;
        block.wrap = wrap;
        block.headerFont = wrap ? smallBold : bold;
        block.font = wrap ? small : body;
        QVector<QStringList> sample;
        const int rows = int(table.rows.size());
        // Widths from the header and a spread of rows: measuring every row of a long table
        // costs more than the layout gains.
        const int step = wrap ? 1 : qMax(1, rows / 400);
        for (int r = 0; r < rows; r += step)
            sample << rowTexts(table, r);
        block.widths = wrap ? wrappingWidths(block, sample) : columnWidths(table.headers, sample);
        // A wrapping table with many columns: smaller header letters before words are broken.
        if (wrap) {
            const double smallest = block.headerFont.pointSizeF() * 0.65;
            while (!headerWordsFit(block) && block.headerFont.pointSizeF() * 0.9 >= smallest) {
                block.headerFont.setPointSizeF(block.headerFont.pointSizeF() * 0.9);
                block.widths = wrappingWidths(block, sample);
            }
        }
        // Headers wrap at their spaces to fit the columns; inside a word only when a word is
        // still wider than its column.
        const QFontMetricsF metrics(block.headerFont, p.device());
        block.headerHeight = 0;
        block.headerFlags.clear();
        for (int c = 0; c < table.headers.size(); ++c) {
            const double room = block.widths[c] - 2 * pad();
            int flags = Qt::AlignCenter | Qt::TextWordWrap;
            for (const QString &word : unbreakable(table.headers[c]))
                if (wrap && metrics.horizontalAdvance(word) > room)
                    flags = Qt::AlignCenter | Qt::TextWrapAnywhere;
            block.headerFlags << flags;
            block.headerHeight =
                qMax(block.headerHeight, metrics.boundingRect(QRectF(0, 0, room, 1e6), flags, table.headers[c]).height());
        }
        block.headerHeight += line * 0.4;
        block.heights.clear();
        if (!wrap)
            return;
        const QFontMetricsF cellMetrics(block.font, p.device());
        for (int r = 0; r < rows; ++r) {
            double h = rowHeight;
            const QVector<WorkbookCell> &row = table.rows[r];
            for (int c = 0; c < block.widths.size() && c < row.size(); ++c)
                if (row[c].kind == WorkbookCell::Kind::Text)
                    h = qMax(h, cellMetrics.boundingRect(QRectF(0, 0, block.widths[c] - 2 * pad(), 1e6),
                                                         Qt::TextWordWrap, row[c].text)
                                        .height()
                                    + line * 0.35);
            block.heights << h;
        }
    }

    bool headerWordsFit(const Block &block) const
    {
        const QFontMetricsF metrics(block.headerFont, p.device());
        for (int c = 0; c < block.table->headers.size(); ++c)
            for (const QString &word : unbreakable(block.table->headers[c]))
                if (metrics.horizontalAdvance(word) > block.widths[c] - 2 * pad())
                    return false;
        return true;
    }

    // Each column as wide as its widest cell and its header's longest word; columns of
    // sentences (notes) share what is left, at least a seventh of the line. When that does not
    // fit, every column keeps room for its cells and the headers wrap inside words.
    QVector<double> wrappingWidths(const Block &block, const QVector<QStringList> &rows) const
    {
        const QStringList &header = block.table->headers;
        const QFontMetricsF headerMetrics(block.headerFont, p.device());
        const QFontMetricsF cellMetrics(block.font, p.device());
        const int n = int(header.size());
        QVector<double> least(n, 0.0);   // the cells
        QVector<double> natural(n, 0.0); // and the header's words
        QVector<bool> sentences(n, false);
        for (const QStringList &row : rows)
            for (int c = 0; c < row.size() && c < n; ++c) {
                least[c] = qMax(least[c], cellMetrics.horizontalAdvance(row[c]));
                sentences[c] = sentences[c] || (row[c].contains(QLatin1Char(' ')) && row[c].size() > 16);
            }
        const double minSentence = contentWidth / 7;
        double leastSum = 0;
        double naturalSum = 0;
        for (int c = 0; c < n; ++c) {
            natural[c] = least[c];
            for (const QString &word : unbreakable(header[c]))
                natural[c] = qMax(natural[c], headerMetrics.horizontalAdvance(word));
            least[c] += 2.2 * pad();
            natural[c] += 2.2 * pad();
            if (sentences[c])
                least[c] = natural[c] = qMin(natural[c], minSentence);
            leastSum += least[c];
            naturalSum += natural[c];
        }
        QVector<double> w = natural;
        if (naturalSum <= contentWidth) {
            // Sentences take what is left (or, without any, every column a share of it).
            const double rest = contentWidth - naturalSum;
            int sentenceColumns = 0;
            for (int c = 0; c < n; ++c)
                sentenceColumns += sentences[c];
            for (int c = 0; c < n; ++c)
                if (!sentenceColumns)
                    w[c] += rest * natural[c] / qMax(1.0, naturalSum);
                else if (sentences[c])
                    w[c] += rest / sentenceColumns;
            return w;
        }
        if (leastSum <= contentWidth) {
            // Room for every cell; the headers' long words get what is left, in proportion.
            const double want = naturalSum - leastSum;
            for (int c = 0; c < n; ++c)
                w[c] = least[c] + (natural[c] - least[c]) * (contentWidth - leastSum) / qMax(1e-9, want);
            return w;
        }
        for (int c = 0; c < n; ++c)
            w[c] = least[c] * contentWidth / leastSum;
        return w;
    }

    double rowHeightOf(const Block &block, int r) const { return block.wrap ? block.heights[r] : rowHeight; }
    // Where rows must end to leave room for the footer.
    double bottom() const { return footerTop - line * 1.5; }
    // How many rows of one line fit from `top` down to the footer, below a header row.
    int rowsFrom(const Block &block, double top) const
    {
        return qMax(0, int((bottom() - top - block.headerHeight) / rowHeight));
    }

    double tableHeader(const Block &block, double y)
    {
        p.fillRect(QRectF(margin, y, contentWidth, block.headerHeight), QColor(0xE8, 0xEC, 0xF0));
        setFont(block.headerFont);
        double x = margin;
        const QStringList &headers = block.table->headers;
        for (int c = 0; c < headers.size() && c < block.widths.size(); ++c) {
            p.drawText(QRectF(x + pad(), y, block.widths[c] - 2 * pad(), block.headerHeight), block.headerFlags[c],
                       headers[c]);
            x += block.widths[c];
        }
        setFont(body);
        return y + block.headerHeight;
    }

    double tableRow(const Block &block, int r, double y)
    {
        const WorkbookTable &table = *block.table;
        const QVector<WorkbookCell> &row = table.rows[r];
        const double height = rowHeightOf(block, r);
        const std::optional<Band> rowBand = table.rowBands.value(r, std::nullopt);
        if (rowBand && *rowBand != Band::Normal)
            p.fillRect(QRectF(margin, y, contentWidth, height), bandFill(*rowBand));
        else if (r % 2)
            p.fillRect(QRectF(margin, y, contentWidth, height), QColor(0xF6, 0xF7, 0xF9));
        if (block.wrap)
            setFont(block.font);
        double x = margin;
        for (int c = 0; c < block.widths.size() && c < row.size(); ++c) {
            const WorkbookCell &cell = row[c];
            // A reading judged by the limits, in its band's colour as the window paints it.
            if (cell.kind == WorkbookCell::Kind::Number && table.limits.appliesTo(c)) {
                const Band band = table.limits.band(c, cell.number, cell.decimals);
                if (band != Band::Normal)
                    p.fillRect(QRectF(x, y, block.widths[c], height), bandFill(band));
            }
            const Qt::Alignment align =
                (cell.kind == WorkbookCell::Kind::Number || cell.outOfRange ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            const QString text = cellText(cell);
            const double room = block.widths[c] - 2 * pad();
            if (block.wrap)
                p.drawText(QRectF(x + pad(), y, room, height),
                           cell.kind == WorkbookCell::Kind::Text ? align | Qt::TextWordWrap : align, text);
            else // names may be long: cut with an ellipsis rather than run into the next column
                p.drawText(QRectF(x + pad(), y, room, height), align,
                           cell.kind == WorkbookCell::Kind::Text && text.size() > 8 ? elided(text, room) : text);
            x += block.widths[c];
        }
        if (block.wrap)
            setFont(body);
        return y + height;
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

    double margin = 0;
    double contentWidth = 0;

private:
    double pad() const { return line * 0.3; }
    void setFont(const QFont &font) { p.setFont(font); }

    static QStringList rowTexts(const WorkbookTable &table, int r)
    {
        QStringList out;
        for (const WorkbookCell &cell : table.rows[r])
            out << cellText(cell);
        return out;
    }

    QString elided(const QString &text, double width) const
    {
        return QFontMetricsF(p.font(), p.device()).elidedText(text, Qt::ElideRight, width);
    }

    // Widths in proportion to each column's widest text, filling the content width.
    QVector<double> columnWidths(const QStringList &header, const QVector<QStringList> &rows) const
    {
        const QFontMetricsF boldMetrics(bold, p.device());
        const QFontMetricsF bodyMetrics(body, p.device());
        QVector<double> w(header.size());
        // A header needs room for its longest word: it wraps at the others.
        static const QRegularExpression space(QStringLiteral("\\s+"));
        for (int c = 0; c < header.size(); ++c)
            for (const QString &word : header[c].split(space))
                w[c] = qMax(w[c], boldMetrics.horizontalAdvance(word));
        for (const QStringList &row : rows)
            for (int c = 0; c < row.size() && c < w.size(); ++c)
                w[c] = qMax(w[c], bodyMetrics.horizontalAdvance(row[c]));
        double total = 0;
        for (double &x : w) {
            x += 4 * pad();
            total += x;
        }
        for (double &x : w)
            x *= contentWidth / qMax(1.0, total);
        return w;
    }

    double tableRow(bool paint, double y, const QStringList &cells, const QVector<double> &w, bool isHeader)
    {
        double height = rowHeight;
        // Headers wrap at their spaces into as many lines as the narrowest column needs.
        const int wrapFlag = isHeader ? int(Qt::TextWordWrap) : 0;
        if (isHeader) {
            const QFontMetricsF metrics(bold, p.device());
            double tallest = line;
            for (int c = 0; c < cells.size() && c < w.size(); ++c)
                tallest = qMax(tallest, metrics.boundingRect(QRectF(0, 0, w[c] - 2 * pad(), 1e6),
                                                             Qt::AlignHCenter | Qt::TextWordWrap, cells[c])
                                            .height());
            height = tallest + line * 0.4;
        }
        if (paint) {
            if (isHeader)
                p.fillRect(QRectF(margin, y, contentWidth, height), QColor(0xE8, 0xEC, 0xF0));
            setFont(isHeader ? bold : body);
            double x = margin;
            for (int c = 0; c < cells.size() && c < w.size(); ++c) {
                p.drawText(QRectF(x + pad(), y, w[c] - 2 * pad(), height),
                           (c == 0 ? Qt::AlignLeft : (isHeader ? Qt::AlignHCenter : Qt::AlignRight)) | Qt::AlignVCenter
                               | wrapFlag,
                           cells[c]);
                x += w[c];
            }
            setFont(body);
        }
        return y + height;
    }

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

    double heading(bool paint, double y, const QString &text)
    {
        if (paint) {
            setFont(bold);
            p.drawText(QRectF(margin, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
            setFont(body);
        }
        return y + rowHeight;
    }

    double paragraph(bool paint, double y, const QString &label, const QString &text)
    {
        y = heading(paint, y, label);
        const QRectF room(margin, y, contentWidth, footerTop - y);
        const QRectF needed = QFontMetricsF(body, p.device()).boundingRect(room, Qt::TextWordWrap, text);
        if (paint)
            p.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        return y + needed.height() + line * 0.5;
    }

    const ReportInput &in;
    QPainter &p;
    int dpi;
    double pageWidth = 0;
    double pageHeight = 0;
    double footerTop = 0;
    double line = 0;
    double rowHeight = 0;
    double headerHeight = 0;
    QFont body, small, smallBold, bold, title;
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

    Layout layout(input, painter, dpi);
    Layout::Block readings;
    layout.prepareTable(readings, input.table, false);
    Layout::Block comparison;
    layout.prepareTable(comparison, input.comparison, true);
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
        if (rows > 0 && layout.rowsFrom(readings, y) < qMin(rows, 5)) {
            nextPage();
            y = layout.margin;
        }
        int r = 0;
        while (r < rows) {
            const int end = qMin(rows, r + qMax(1, layout.rowsFrom(readings, y)));
            if (paint) {
                y = layout.tableHeader(readings, y);
                for (; r < end; ++r)
                    y = layout.tableRow(readings, r, y);
                if (progress) {
                    progress->setValue(r);
                    if (progress->wasCanceled()) {
                        painter.end();
                        file.cancelWriting();
                        return ECANCELED;
                    }
                }
            } else {
                y += readings.headerHeight + (end - r) * layout.rowHeightOf(readings, r);
                r = end;
            }
            if (r < rows) {
                nextPage();
                y = layout.margin;
            }
        }

        if (compared > 0) {
            if (rows > 0)
                y += layout.rowHeightOf(readings, 0);
            // The title, the notes, the header row and the first rows stay together.
            double together = layout.comparisonHead(false, y) + comparison.headerHeight;
            for (int i = 0; i < qMin(compared, 3); ++i)
                together += layout.rowHeightOf(comparison, i);
            if (together > layout.bottom() && y > layout.margin) {
                nextPage();
                y = layout.margin;
            }
            y = layout.comparisonHead(paint, y);
            int c = 0;
            while (c < compared) {
                y = paint ? layout.tableHeader(comparison, y) : y + comparison.headerHeight;
                // At least one row per page, however tall.
                for (int onPage = 0; c < compared
                     && (onPage == 0 || y + layout.rowHeightOf(comparison, c) <= layout.bottom());
                     ++c, ++onPage)
                    y = paint ? layout.tableRow(comparison, c, y) : y + layout.rowHeightOf(comparison, c);
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
