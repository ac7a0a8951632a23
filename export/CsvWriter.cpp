#include "export/CsvWriter.h"

#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Progress is reported in steps: a dialog update per row would cost more than the row.
constexpr int ProgressStep = 512;
// Written to the file in blocks of about this size.
constexpr int FlushBytes = 1 << 20;

bool needsQuotes(const QByteArray &field)
{
    for (char c : field)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

void appendField(QByteArray &out, const QString &text)
{
    // Plain ASCII (most names) goes straight in, without an encoded copy.
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == ',' || u == '"' || u == '\r' || u == '\n') {
            plain = false;
            break;
        }
    }
    if (plain) {
        for (const QChar c : text)
            out += char(c.unicode());
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    if (!needsQuotes(utf8)) {
        out += utf8;
        return;
    }
    out += '"';
    for (char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendNumber(QByteArray &out, double value, int decimals)
{
    // The cell holds the number the table's text reads as, so formatting it with the same
    // decimals gives that text back (no half left to round differently).
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, qBound(0, decimals, 17));
    if (result.ec == std::errc())
        out.append(buffer, int(result.ptr - buffer));
}

// "Thickness\n(mm)" -> "Thickness (mm)": one header line is what scripts expect.
QString oneLine(const QString &header)
{
    QString line = header;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QString headerWord(const QString &header)
{
    return header.section(QLatin1Char('\n'), 0, 0).trimmed();
}

bool writeAll(int fd, const QByteArray &data, int &error)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Appends rows [from, to) of the table.
void appendRows(QByteArray &out, const WorkbookTable &table, int from, int to)
{
    for (int r = from; r < to; ++r) {
        const QVector<WorkbookCell> &row = table.rows[r];
        QString flagged;
        for (int c = 0; c < row.size(); ++c) {
            const WorkbookCell &cell = row[c];
            if (c > 0)
                out += ',';
            if (cell.outOfRange) {
                if (!flagged.isEmpty())
                    flagged += QLatin1String("; ");
                flagged += headerWord(table.headers.value(c));
            } else if (cell.kind == WorkbookCell::Kind::Number) {
                appendNumber(out, cell.number, cell.decimals);
            } else if (cell.kind == WorkbookCell::Kind::Text) {
                appendField(out, cell.text);
            }
        }
        if (table.outOfRangeColumn) {
            out += ',';
            if (!flagged.isEmpty())
                appendField(out, flagged);
        }
        out += "\r\n";
    }
}

void appendHeader(QByteArray &out, const WorkbookTable &table)
{
    for (int c = 0; c < table.headers.size(); ++c) {
        if (c > 0)
            out += ',';
        appendField(out, oneLine(table.headers[c]));
    }
    if (table.outOfRangeColumn) {
        out += ',';
        appendField(out, CsvWriter::flagHeader());
    }
    out += "\r\n";
}

} // namespace

QString CsvWriter::flagHeader()
{
    return QCoreApplication::translate("CsvWriter", "Out of range");
}

bool CsvWriter::appendTo(QByteArray &out, const WorkbookTable &table, ProgressHandle *progress)
{
    appendHeader(out, table);
    const int rows = int(table.rows.size());
    for (int r = 0; r < rows; r += ProgressStep) {
        const int end = qMin(rows, r + ProgressStep);
        appendRows(out, table, r, end);
        if (progress) {
            progress->setValue(end);
            if (progress->wasCanceled())
                return false;
        }
    }
    return true;
}

bool CsvWriter::write(const WorkbookTable &table, const QString &path, ProgressHandle *progress)
{
    m_errno = 0;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        m_errno = errno;
        return false;
    }
    QByteArray buffer;
    buffer.reserve(FlushBytes + (64 << 10));
    appendHeader(buffer, table);
    const int rows = int(table.rows.size());
    bool ok = true;
    for (int r = 0; ok && r < rows; r += ProgressStep) {
        const int end = qMin(rows, r + ProgressStep);
        appendRows(buffer, table, r, end);
        if (buffer.size() >= FlushBytes) {
            ok = writeAll(fd, buffer, m_errno);
            buffer.clear();
        }
        if (progress) {
            progress->setValue(end);
            ok = ok && !progress->wasCanceled();
        }
    }
    ok = ok && writeAll(fd, buffer, m_errno);
    if (::close(fd) != 0 && ok) {
        m_errno = errno;
        ok = false;
    }
    return ok;
}
