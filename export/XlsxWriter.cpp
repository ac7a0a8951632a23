#include "export/XlsxWriter.h"

#include "interaction/UserInteraction.h"
#include "records/BandWords.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QHash>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>

namespace {

constexpr int ProgressStep = 512;
// Fills of the limit bands, as the table colours them: under the minimum red, under nominal
// minus tolerance amber, within green, above the maximum blue.
constexpr lxw_color_t BelowFill = 0xF4B6B6;
constexpr lxw_color_t UnderNominalFill = 0xFFE699;
constexpr lxw_color_t WithinFill = 0xC6EFCE;
constexpr lxw_color_t AboveFill = 0xBDD7EE;

// The workbook speaks the language in use.
QString say(const char *source)
{
    return QCoreApplication::translate("XlsxWriter", source);
}

// Width of a text in character cells: wide (CJK) characters take two.
int textWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

int headerWidth(const QString &header)
{
    int width = 0;
    for (const QString &line : header.split(QLatin1Char('\n')))
        width = qMax(width, textWidth(line));
    return width;
}

// Per value column: what the summary shows.
struct ColumnStats
{
    bool hasValues = false;
    qint64 count = 0;
    qint64 outOfRange = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    double m2 = 0; // Welford's running sum of squared differences
    int decimals = 0;
    BandCounts bands{};

    void add(double v)
    {
        if (count == 0)
            minimum = maximum = v;
        minimum = qMin(minimum, v);
        maximum = qMax(maximum, v);
        ++count;
        const double delta = v - mean;
        mean += delta / double(count);
        m2 += delta * (v - mean);
    }
    double sd() const { return count > 1 ? std::sqrt(m2 / double(count - 1)) : 0.0; }
};

class Workbook
{
public:
    explicit Workbook(lxw_workbook *book) : book(book) {}
    ~Workbook()
    {
        if (book)
            workbook_close(book);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;
    lxw_error close()
    {
        lxw_workbook *b = book;
        book = nullptr;
        return workbook_close(b);
    }
    lxw_workbook *book;
};

class Formats
{
public:
    explicit Formats(lxw_workbook *book) : book(book) {}
    // The number format of `decimals` decimals, with a band's fill (-1: none).
    lxw_format *number(int decimals, int band)
    {
        const int key = decimals * (BandCount + 1) + band + 1;
        if (lxw_format *f = cache.value(key))
            return f;
        lxw_format *f = workbook_add_format(book);
        const QByteArray pattern = decimals > 0 ? "0." + QByteArray(decimals, '0') : QByteArray("0");
        format_set_num_format(f, pattern.constData());
        if (band >= 0) {
            lxw_color_t fill = WithinFill;
            switch (Band(band)) {
            case Band::Red:
                fill = BelowFill;
                break;
            case Band::Amber:
                fill = UnderNominalFill;
                break;
            case Band::Blue:
                fill = AboveFill;
                break;
            case Band::Normal:
                break;
            }
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, fill);
        }
        cache.insert(key, f);
        return f;
    }

private:
    lxw_workbook *book;
    QHash<int, lxw_format *> cache;
};

} // namespace

bool XlsxWriter::write(const WorkbookTable &table, const QString &path, ProgressHandle *progress)
{
    m_errno = 0;
    const int rows = int(table.rows.size());
    if (rows > MaxRows) {
        m_errno = EFBIG;
        return false;
    }
    const int columns = int(table.headers.size());

    // One pass ahead of writing: widths that fit, and the summary's numbers.
    QVector<int> widths(columns);
    QVector<ColumnStats> stats(columns);
    for (int c = 0; c < columns; ++c)
        widths[c] = headerWidth(table.headers[c]);
    for (const QVector<WorkbookCell> &row : table.rows) {
        for (int c = 0; c < columns && c < row.size(); ++c) {
            const WorkbookCell &cell = row[c];
            ColumnStats &s = stats[c];
            if (cell.outOfRange) {
                s.hasValues = true;
                ++s.outOfRange;
            }
            if (cell.kind == WorkbookCell::Kind::Number) {
                s.hasValues = true;
                s.decimals = cell.decimals;
                s.add(cell.number);
                if (table.limits.appliesTo(c))
                    ++s.bands[size_t(table.limits.band(c, cell.number, cell.decimals))];
            } else if (cell.kind == WorkbookCell::Kind::Text) {
                widths[c] = qMax(widths[c], textWidth(cell.text));
            }
        }
    }
    for (int c = 0; c < columns; ++c) {
        const ColumnStats &s = stats[c];
        if (s.count > 0) {
            const double biggest = qMax(std::fabs(s.minimum), std::fabs(s.maximum));
            const int digits = biggest >= 1 ? int(std::floor(std::log10(biggest))) + 1 : 1;
            widths[c] = qMax(widths[c], digits + (s.decimals > 0 ? s.decimals + 1 : 0) + 1);
        }
    }

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    errno = 0;
    Workbook book(workbook_new_opt(QFile::encodeName(path).constData(), &options));
    if (!book.book) {
        m_errno = errno ? errno : EIO;
        return false;
    }
    lxw_worksheet *sheet =
        workbook_add_worksheet(book.book, QCoreApplication::translate("XlsxWriter", "Records", "the sheet of the rows")
                                              .toUtf8()
                                              .constData());
    lxw_worksheet *summary =
        workbook_add_worksheet(book.book, say(QT_TRANSLATE_NOOP("XlsxWriter", "Summary")).toUtf8().constData());
    if (!sheet || !summary) {
        m_errno = EIO;
        return false;
    }
    Formats formats(book.book);
    lxw_format *headerFormat = workbook_add_format(book.book);
    format_set_bold(headerFormat);
    format_set_text_wrap(headerFormat);
    format_set_align(headerFormat, LXW_ALIGN_CENTER);
    format_set_align(headerFormat, LXW_ALIGN_VERTICAL_CENTER);
    lxw_format *boldFormat = workbook_add_format(book.book);
    format_set_bold(boldFormat);
    lxw_format *dateFormat = workbook_add_format(book.book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");

    bool twoLines = false;
    for (int c = 0; c < columns; ++c) {
        twoLines = twoLines || table.headers[c].contains(QLatin1Char('\n'));
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c] + 2, nullptr);
    }
    worksheet_set_row(sheet, 0, twoLines ? 30 : LXW_DEF_ROW_HEIGHT, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    if (columns > 0)
        worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows), lxw_col_t(columns - 1));
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), table.headers[c].toUtf8().constData(), headerFormat);

    bool cancelled = false;
    for (int r = 0; r < rows && !cancelled; ++r) {
        const QVector<WorkbookCell> &row = table.rows[r];
        const lxw_row_t sheetRow = lxw_row_t(r + 1);
        for (int c = 0; c < columns && c < row.size(); ++c) {
            const WorkbookCell &cell = row[c];
            if (cell.kind == WorkbookCell::Kind::Number) {
                const int band = table.limits.appliesTo(c) ? int(table.limits.band(c, cell.number, cell.decimals)) : -1;
                worksheet_write_number(sheet, sheetRow, lxw_col_t(c), cell.number, formats.number(cell.decimals, band));
            } else if (cell.kind == WorkbookCell::Kind::Text && !cell.text.isEmpty()) {
                const QDate day = table.dateColumns.value(c, false)
                                      ? QDate::fromString(cell.text, QStringLiteral("yyyy-MM-dd"))
                                      : QDate();
                if (day.isValid()) {
                    // A real date: it sorts, filters and computes as one.
                    lxw_datetime when{day.year(), day.month(), day.day(), 0, 0, 0.0};
                    worksheet_write_datetime(sheet, sheetRow, lxw_col_t(c), &when, dateFormat);
                } else {
                    worksheet_write_string(sheet, sheetRow, lxw_col_t(c), cell.text.toUtf8().constData(), nullptr);
                }
            }
        }
        if (progress && ((r + 1) % ProgressStep == 0 || r + 1 == rows)) {
            progress->setValue(r + 1);
            cancelled = progress->wasCanceled();
        }
    }

    // The summary: facts, then one column per value column.
    auto label = [&](lxw_row_t r, const QString &text) {
        worksheet_write_string(summary, r, 0, text.toUtf8().constData(), boldFormat);
    };
    lxw_row_t r = 0;
    const WorkbookFacts &facts = table.facts;
    const QString date = facts.date.isEmpty()
                             ? QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                             : facts.date;
    const QList<QPair<QString, QString>> factRows{
        {say(QT_TRANSLATE_NOOP("XlsxWriter", "Serial number")), facts.serial},
        {say(QT_TRANSLATE_NOOP("XlsxWriter", "Firmware")), facts.firmware},
        {say(QT_TRANSLATE_NOOP("XlsxWriter", "Meter type")), facts.meterType},
        {say(QT_TRANSLATE_NOOP("XlsxWriter", "Date")), date},
        {QCoreApplication::translate("XlsxWriter", "Records", "how many rows"), QString::number(rows)}};
    int labelWidth = 0;
    for (const auto &fact : factRows) {
        if (fact.second.isEmpty())
            continue;
        label(r, fact.first);
        worksheet_write_string(summary, r++, 1, fact.second.toUtf8().constData(), nullptr);
        labelWidth = qMax(labelWidth, textWidth(fact.first));
    }
    for (const auto &fact : facts.more) {
        label(r, fact.first);
        if (fact.second.kind == WorkbookCell::Kind::Number)
            worksheet_write_number(summary, r++, 1, fact.second.number, formats.number(fact.second.decimals, -1));
        else
            worksheet_write_string(summary, r++, 1, fact.second.text.toUtf8().constData(), nullptr);
        labelWidth = qMax(labelWidth, textWidth(fact.first));
    }
    ++r;
    QVector<int> valueColumns;
    for (int c = 0; c < columns; ++c)
        if (stats[c].hasValues)
            valueColumns << c;
    if (!valueColumns.isEmpty()) {
        const lxw_row_t head = r++;
        worksheet_set_row(summary, head, twoLines ? 30 : LXW_DEF_ROW_HEIGHT, nullptr);
        for (int i = 0; i < valueColumns.size(); ++i)
            worksheet_write_string(summary, head, lxw_col_t(i + 1), table.headers[valueColumns[i]].toUtf8().constData(),
                                   headerFormat);
        const bool limited = table.limits.isSet();
        const QStringList labels{say(QT_TRANSLATE_NOOP("XlsxWriter", "Count")),
                                 say(QT_TRANSLATE_NOOP("XlsxWriter", "Out of range")),
                                 say(QT_TRANSLATE_NOOP("XlsxWriter", "Minimum")),
                                 say(QT_TRANSLATE_NOOP("XlsxWriter", "Maximum")),
                                 say(QT_TRANSLATE_NOOP("XlsxWriter", "Mean")),
                                 say(QT_TRANSLATE_NOOP("XlsxWriter", "Standard deviation")),
                                 bandWord(BandWord::UnderMinimum),
                                 bandWord(BandWord::UnderNominal),
                                 bandWord(BandWord::Within),
                                 bandWord(BandWord::AboveMaximum)};
        const int labelCount = limited ? 10 : 6;
        // Row by row: the constant-memory mode writes a row out once a later one is begun.
        for (int k = 0; k < labelCount; ++k, ++r) {
            label(r, labels[k]);
            labelWidth = qMax(labelWidth, textWidth(labels[k]));
            for (int i = 0; i < valueColumns.size(); ++i) {
                const ColumnStats &s = stats[valueColumns[i]];
                const lxw_col_t col = lxw_col_t(i + 1);
                // Mean and deviation get one more decimal than the readings: they are finer.
                const double values[10] = {double(s.count), double(s.outOfRange), s.minimum,           s.maximum,
                                           s.mean,          s.sd(),
                                           double(s.bands[size_t(Band::Red)]), double(s.bands[size_t(Band::Amber)]),
                                           double(s.bands[size_t(Band::Normal)]), double(s.bands[size_t(Band::Blue)])};
                const int decimals[10] = {0, 0, s.decimals, s.decimals, s.decimals + 1, s.decimals + 1, 0, 0, 0, 0};
                if (k >= 2 && k < 6 && s.count == 0)
                    continue;
                if (k >= 6 && !table.limits.appliesTo(valueColumns[i]))
                    continue;
                worksheet_write_number(summary, r, col, values[k], formats.number(decimals[k], -1));
            }
        }
        // Said once, under the figures.
        worksheet_write_string(summary, ++r, 0,
                               say(QT_TRANSLATE_NOOP("XlsxWriter", "Every figure is computed from the readings as "
                                                                   "the table shows them."))
                                   .toUtf8()
                                   .constData(),
                               nullptr);
        for (int i = 0; i < valueColumns.size(); ++i)
            worksheet_set_column(summary, lxw_col_t(i + 1), lxw_col_t(i + 1), qMax(12, widths[valueColumns[i]] + 2),
                                 nullptr);
    }
    worksheet_set_column(summary, 0, 0, labelWidth + 2, nullptr);

    errno = 0;
    const lxw_error closed = book.close();
    if (closed != LXW_NO_ERROR) {
        m_errno = errno ? errno : EIO;
        return false;
    }
    return !cancelled;
}
