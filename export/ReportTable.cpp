#include "export/ReportTable.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace {

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

QStringList rowTexts(const WorkbookTable &table, int r)
{
    QStringList out;
    for (const WorkbookCell &cell : table.rows[r])
        out << cellText(cell);
    return out;
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

} // namespace

// Column widths and header height from the texts. Readings keep one line per row (names
// cut with an ellipsis); a wrapping table, in the smaller font, keeps its numbers and
// dates whole and lets its sentences (notes) take more lines instead.
ReportTable::ReportTable(ReportPage &page, const WorkbookTable &table, bool wrap) : page(page)
{
    block.table = &table;
    block.wrap = wrap;
    block.headerFont = wrap ? page.smallBold : page.bold;
    block.font = wrap ? page.small : page.body;
    QVector<QStringList> sample;
    const int rows = int(table.rows.size());
    // Widths from the header and a spread of rows: measuring every row of a long table
    // costs more than the layout gains.
    const int step = wrap ? 1 : qMax(1, rows / 400);
    for (int r = 0; r < rows; r += step)
        sample << rowTexts(table, r);
    block.widths = wrap ? wrappingWidths(sample) : page.columnWidths(table.headers, sample);
    // A wrapping table with many columns: smaller header letters before words are broken.
    if (wrap) {
        const double smallest = block.headerFont.pointSizeF() * 0.65;
        while (!headerWordsFit() && block.headerFont.pointSizeF() * 0.9 >= smallest) {
            block.headerFont.setPointSizeF(block.headerFont.pointSizeF() * 0.9);
            block.widths = wrappingWidths(sample);
        }
        if (!headerWordsFit())
            block.widths = wrappingWidths(sample, true);
    }
    // Headers wrap at their spaces to fit the columns; inside a word only when a word is
    // still wider than its column.
    const QFontMetricsF metrics(block.headerFont, page.p.device());
    block.headerHeight = 0;
    block.headerFlags.clear();
    for (int c = 0; c < table.headers.size(); ++c) {
        const double room = block.widths[c] - 2 * page.pad();
        int flags = Qt::AlignCenter | Qt::TextWordWrap;
        for (const QString &word : unbreakable(table.headers[c]))
            if (wrap && metrics.horizontalAdvance(word) > room)
                flags = Qt::AlignCenter | Qt::TextWrapAnywhere;
        block.headerFlags << flags;
        block.headerHeight =
            qMax(block.headerHeight, metrics.boundingRect(QRectF(0, 0, room, 1e6), flags, table.headers[c]).height());
    }
    block.headerHeight += page.line * 0.4;
    block.heights.clear();
    if (!wrap)
        return;
    const QFontMetricsF cellMetrics(block.font, page.p.device());
    for (int r = 0; r < rows; ++r) {
        double h = page.rowHeight;
        const QVector<WorkbookCell> &row = table.rows[r];
        for (int c = 0; c < block.widths.size() && c < row.size(); ++c)
            if (row[c].kind == WorkbookCell::Kind::Text)
                h = qMax(h, cellMetrics.boundingRect(QRectF(0, 0, block.widths[c] - 2 * page.pad(), 1e6),
                                                     Qt::TextWordWrap, row[c].text)
                                    .height()
                                + page.line * 0.35);
        block.heights << h;
    }
}

double ReportTable::rowHeight(int r) const
{
    return block.wrap ? block.heights[r] : page.rowHeight;
}

int ReportTable::rowsFrom(double top) const
{
    return qMax(0, int((page.bottom() - top - block.headerHeight) / page.rowHeight));
}

double ReportTable::leadHeight(int n) const
{
    double h = block.headerHeight;
    for (int i = 0; i < qMin(n, int(block.table->rows.size())); ++i)
        h += rowHeight(i);
    return h;
}

double ReportTable::flow(bool paint, double y, const std::function<double()> &nextPage)
{
    const int rows = int(block.table->rows.size());
    int r = 0;
    while (r < rows) {
        y = paint ? paintHeader(y) : y + block.headerHeight;
        for (int onPage = 0; r < rows && (onPage == 0 || y + rowHeight(r) <= page.bottom()); ++r, ++onPage)
            y = paint ? paintRow(r, y) : y + rowHeight(r);
        if (r < rows)
            y = nextPage();
    }
    return y;
}

bool ReportTable::headerWordsFit() const
{
    const QFontMetricsF metrics(block.headerFont, page.p.device());
    for (int c = 0; c < block.table->headers.size(); ++c)
        for (const QString &word : unbreakable(block.table->headers[c]))
            if (metrics.horizontalAdvance(word) > block.widths[c] - 2 * page.pad())
                return false;
    return true;
}

// Each column as wide as its widest cell and its header's longest word; columns of
// sentences (notes) share what is left, at least a seventh of the line. When that does not
// fit, every column keeps room for its cells and the headers wrap inside words.
QVector<double> ReportTable::wrappingWidths(const QVector<QStringList> &rows, bool wrapWords) const
{
    const QStringList &header = block.table->headers;
    const QFontMetricsF headerMetrics(block.headerFont, page.p.device());
    const QFontMetricsF cellMetrics(block.font, page.p.device());
    const int n = int(header.size());
    QVector<double> least(n, 0.0);   // the cells
    QVector<double> natural(n, 0.0); // and the header's words
    QVector<double> firm(n, 0.0);    // the widest word of each cell and of the header: no word broken
    QVector<bool> sentences(n, false);
    const QChar space(QLatin1Char(' '));
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size() && c < n; ++c) {
            least[c] = qMax(least[c], cellMetrics.horizontalAdvance(row[c]));
            sentences[c] = sentences[c] || (row[c].contains(space) && row[c].size() > 16);
            // Words may go on lines of their own; figures (a range "0.12 – 0.34") stay whole.
            const bool words = std::any_of(row[c].cbegin(), row[c].cend(), [](QChar ch) { return ch.isLetter(); });
            if (!words)
                firm[c] = qMax(firm[c], cellMetrics.horizontalAdvance(row[c]));
            else
                for (const QString &word : row[c].split(space, Qt::SkipEmptyParts))
                    firm[c] = qMax(firm[c], cellMetrics.horizontalAdvance(word));
        }
    const double minSentence = page.contentWidth / 7;
    double leastSum = 0;
    double naturalSum = 0;
    double firmSum = 0;
    for (int c = 0; c < n; ++c) {
        natural[c] = least[c];
        for (const QString &word : unbreakable(header[c]))
            natural[c] = qMax(natural[c], headerMetrics.horizontalAdvance(word));
        least[c] += 2.2 * page.pad();
        natural[c] += 2.2 * page.pad();
        if (sentences[c])
            least[c] = natural[c] = qMin(natural[c], minSentence);
        for (const QString &word : unbreakable(header[c]))
            firm[c] = qMax(firm[c], headerMetrics.horizontalAdvance(word));
        firm[c] = qMin(firm[c] + 2.2 * page.pad(), natural[c]);
        leastSum += least[c];
        naturalSum += natural[c];
        firmSum += firm[c];
    }
    QVector<double> w = natural;
    if (naturalSum <= page.contentWidth) {
        // Sentences take what is left (or, without any, every column a share of it).
        const double rest = page.contentWidth - naturalSum;
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
    if (wrapWords && firmSum <= page.contentWidth) {
        // Too narrow for every cell on one line, wide enough for every word: cells of several
        // words wrap (their rows grow) rather than a header's word being broken.
        const double want = naturalSum - firmSum;
        for (int c = 0; c < n; ++c)
            w[c] = firm[c] + (natural[c] - firm[c]) * (page.contentWidth - firmSum) / qMax(1e-9, want);
        return w;
    }
    if (leastSum <= page.contentWidth) {
        // Room for every cell; the headers' long words get what is left, in proportion.
        const double want = naturalSum - leastSum;
        for (int c = 0; c < n; ++c)
            w[c] = least[c] + (natural[c] - least[c]) * (page.contentWidth - leastSum) / qMax(1e-9, want);
        return w;
    }
    for (int c = 0; c < n; ++c)
        w[c] = least[c] * page.contentWidth / leastSum;
    return w;
}

double ReportTable::paintHeader(double y)
{
    page.p.fillRect(QRectF(page.margin, y, page.contentWidth, block.headerHeight), QColor(0xE8, 0xEC, 0xF0));
    page.setFont(block.headerFont);
    double x = page.margin;
    const QStringList &headers = block.table->headers;
    for (int c = 0; c < headers.size() && c < block.widths.size(); ++c) {
        page.p.drawText(QRectF(x + page.pad(), y, block.widths[c] - 2 * page.pad(), block.headerHeight), block.headerFlags[c],
                   headers[c]);
        x += block.widths[c];
    }
    page.setFont(page.body);
    return y + block.headerHeight;
}

double ReportTable::paintRow(int r, double y)
{
    const WorkbookTable &table = *block.table;
    const QVector<WorkbookCell> &row = table.rows[r];
    const double height = rowHeight(r);
    const std::optional<Band> rowBand = table.rowBands.value(r, std::nullopt);
    if (rowBand && *rowBand != Band::Normal)
        page.p.fillRect(QRectF(page.margin, y, page.contentWidth, height), bandFill(*rowBand));
    else if (r % 2)
        page.p.fillRect(QRectF(page.margin, y, page.contentWidth, height), QColor(0xF6, 0xF7, 0xF9));
    if (block.wrap)
        page.setFont(block.font);
    double x = page.margin;
    for (int c = 0; c < block.widths.size() && c < row.size(); ++c) {
        const WorkbookCell &cell = row[c];
        // A reading judged by the limits, in its band's colour as the window paints it.
        if (cell.kind == WorkbookCell::Kind::Number && table.limits.appliesTo(c)) {
            const Band band = table.limits.band(c, cell.number, cell.decimals);
            if (band != Band::Normal)
                page.p.fillRect(QRectF(x, y, block.widths[c], height), bandFill(band));
        }
        const Qt::Alignment align =
            (cell.kind == WorkbookCell::Kind::Number || cell.outOfRange ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        const QString text = cellText(cell);
        const double room = block.widths[c] - 2 * page.pad();
        if (block.wrap)
            page.p.drawText(QRectF(x + page.pad(), y, room, height),
                       cell.kind == WorkbookCell::Kind::Text ? align | Qt::TextWordWrap : align, text);
        else // names may be long: cut with an ellipsis rather than run into the next column
            page.p.drawText(QRectF(x + page.pad(), y, room, height), align,
                       cell.kind == WorkbookCell::Kind::Text && text.size() > 8 ? page.elided(text, room) : text);
        x += block.widths[c];
    }
    if (block.wrap)
        page.setFont(page.body);
    return y + height;
}
