#include "store/PlacesCsv.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QTimeZone>

#include <cmath>
#include <iterator>
#include <limits>

namespace PlacesCsv {

namespace {

const char *const cmlColumns[] = {"asset_path", "tag", "description", "nominal", "minimum", "corrosion_allowance",
                                  "material", "notes"};
const char *const readingColumns[] = {"asset_path", "tag",         "date",        "unit",        "thickness_1",
                                      "velocity_1", "thickness_2", "velocity_2", "thickness_3", "velocity_3",
                                      "flags",      "comment"};

// One record of the file: its fields and the line it starts on.
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

bool refuse(Refusal *refusal, Fault fault, int line, const QString &detail = QString())
{
    if (refusal)
        *refusal = Refusal{fault, line, detail};
    return false;
}

// RFC 4180, read leniently where it costs nothing: LF or CR alone end a line as CRLF does,
// a quote inside an unquoted field is kept, text after a closing quote is kept, blank lines
// are passed over and a UTF-8 byte order mark (spreadsheets write one) is dropped.
bool splitRecords(const QByteArray &csv, QVector<CsvRecord> *records, Refusal *refusal)
{
    const QString text = QString::fromUtf8(csv.startsWith("\xEF\xBB\xBF") ? csv.mid(3) : csv);
    int line = 1;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        CsvRecord record;
        record.line = line;
        QString field;
        bool quoted = false; // inside quotes
        bool ended = false;
        while (i < n && !ended) {
            const QChar c = text[i];
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        field += c;
                        i += 2;
                        continue;
                    }
                    quoted = false;
                    ++i;
                    continue;
                }
                if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !(i + 1 < n && text[i + 1] == QLatin1Char('\n'))))
                    ++line;
                field += c;
                ++i;
                continue;
            }
            if (c == QLatin1Char('"') && field.isEmpty()) {
                quoted = true;
                ++i;
            } else if (c == QLatin1Char(',')) {
                record.fields << field;
                field.clear();
                ++i;
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                i += (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ? 2 : 1;
                ++line;
                ended = true;
            } else {
                field += c;
                ++i;
            }
        }
        if (quoted)
            return refuse(refusal, Fault::Unterminated, record.line);
        record.fields << field;
        if (record.fields.size() == 1 && record.fields.first().isEmpty())
            continue; // a blank line
        records->append(record);
    }
    return true;
}

// The header's columns, each to its index in `known`; -1 where a known one is absent.
bool readHeader(const CsvRecord &header, const char *const *known, int knownCount, QVector<int> *columnOf,
                Refusal *refusal)
{
    columnOf->fill(-1, knownCount);
    for (int f = 0; f < header.fields.size(); ++f) {
        const QString name = header.fields[f].trimmed();
        int k = 0;
        while (k < knownCount && name.compare(QLatin1String(known[k]), Qt::CaseInsensitive) != 0)
            ++k;
        // A column named twice would leave one of its values unread.
        if (k == knownCount || (*columnOf)[k] >= 0)
            return refuse(refusal, Fault::UnknownColumn, header.line, name);
        (*columnOf)[k] = f;
    }
    return true;
}

bool requireColumns(const CsvRecord &header, const QVector<int> &columnOf, const char *const *known,
                    std::initializer_list<int> required, Refusal *refusal)
{
    for (int k : required)
        if (columnOf[k] < 0)
            return refuse(refusal, Fault::MissingColumn, header.line, QLatin1String(known[k]));
    return true;
}

// The tags of a path, trimmed, joined again by '/'; empty when a tag is empty.
QString normalPath(const QString &path)
{
    QStringList tags = path.split(QLatin1Char('/'));
    for (QString &tag : tags) {
        tag = tag.trimmed();
        if (tag.isEmpty())
            return QString();
    }
    return tags.join(QLatin1Char('/'));
}

// A number with '.' as its decimal point; empty is NaN (not given).
bool readNumber(const QString &field, double *value)
{
    const QString text = field.trimmed();
    if (text.isEmpty()) {
        *value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    bool ok = false;
    *value = text.toDouble(&ok); // the C locale: no group separators, so "6,300" is no number
    return ok && std::isfinite(*value);
}

QByteArray field(const QString &value)
{
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"'))
        || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote)
        return value.toUtf8();
    return '"' + QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8() + '"';
}

void appendLine(QByteArray &out, const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        out += field(values[i]);
    }
    out += "\r\n";
}

QStringList headerOf(const char *const *columns, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QLatin1String(columns[i]);
    return names;
}

// The header and the records after it, or the reason there are none. Each record's own
// faults are told by its reader, line by line, so the first bad line is the one told.
bool readTable(const QByteArray &csv, const char *const *known, int knownCount, std::initializer_list<int> required,
               QVector<CsvRecord> *records, QVector<int> *columnOf, Refusal *refusal)
{
    if (!splitRecords(csv, records, refusal))
        return false;
    if (records->isEmpty())
        return refuse(refusal, Fault::Empty, 1);
    const CsvRecord &header = records->first();
    return readHeader(header, known, knownCount, columnOf, refusal)
        && requireColumns(header, *columnOf, known, required, refusal);
}

bool fieldCountFits(const CsvRecord &record, const QVector<CsvRecord> &records, Refusal *refusal)
{
    return record.fields.size() == records.first().fields.size()
        || refuse(refusal, Fault::FieldCount, record.line);
}

enum CmlColumn { CmlPath, CmlTag, CmlDescription, CmlNominal, CmlMinimum, CmlAllowance, CmlMaterial, CmlNotes };
enum ReadingColumn {
    RPath, RTag, RDate, RUnit, RThickness1, RVelocity1, RThickness2, RVelocity2, RThickness3, RVelocity3, RFlags,
    RComment
};

// The path and tag of a record: both given, no empty tag in the path, no '/' in the tag.
bool readPlace(const CsvRecord &record, const QVector<int> &columnOf, QString *path, QString *tag, Refusal *refusal)
{
    const QString givenPath = record.fields[columnOf[0]];
    *tag = record.fields[columnOf[1]].trimmed();
    if (givenPath.trimmed().isEmpty())
        return refuse(refusal, Fault::EmptyValue, record.line, QStringLiteral("asset_path"));
    if (tag->isEmpty())
        return refuse(refusal, Fault::EmptyValue, record.line, QStringLiteral("tag"));
    *path = normalPath(givenPath);
    if (path->isEmpty())
        return refuse(refusal, Fault::BadPath, record.line, QStringLiteral("asset_path"));
    if (tag->contains(QLatin1Char('/')))
        return refuse(refusal, Fault::BadPath, record.line, QStringLiteral("tag"));
    return true;
}

} // namespace

bool readCmls(const QByteArray &csv, QVector<CmlEntry> *entries, Refusal *refusal)
{
    constexpr int count = int(std::size(cmlColumns));
    QVector<CsvRecord> records;
    QVector<int> columnOf;
    if (!readTable(csv, cmlColumns, count, {CmlPath, CmlTag}, &records, &columnOf, refusal))
        return false;
    QVector<CmlEntry> read;
    QSet<QString> seen; // path and tag, folded: tags are unique case-insensitively
    for (int r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records[r];
        if (!fieldCountFits(record, records, refusal))
            return false;
        auto text = [&](int column) { return columnOf[column] < 0 ? QString() : record.fields[columnOf[column]]; };
        CmlEntry entry;
        if (!readPlace(record, columnOf, &entry.assetPath, &entry.cml.tag, refusal))
            return false;
        const QString key = (entry.assetPath + QLatin1Char('/') + entry.cml.tag).toCaseFolded();
        if (seen.contains(key))
            return refuse(refusal, Fault::RepeatedTag, record.line, entry.assetPath + QLatin1Char('/') + entry.cml.tag);
        seen.insert(key);
        entry.cml.description = text(CmlDescription);
        const std::pair<int, double *> numbers[] = {
            {CmlNominal, &entry.cml.nominal}, {CmlMinimum, &entry.cml.minimum}, {CmlAllowance, &entry.cml.allowance}};
        for (const auto &[column, value] : numbers)
            if (!readNumber(text(column), value) || *value < 0)
                return refuse(refusal, Fault::BadNumber, record.line, QLatin1String(cmlColumns[column]));
        entry.cml.material = text(CmlMaterial);
        entry.cml.notes = text(CmlNotes);
        read.append(entry);
    }
    if (entries)
        *entries = read;
    if (refusal)
        *refusal = Refusal{};
    return true;
}

bool readReadings(const QByteArray &csv, QVector<ReadingEntry> *entries, Refusal *refusal)
{
    constexpr int count = int(std::size(readingColumns));
    QVector<CsvRecord> records;
    QVector<int> columnOf;
    if (!readTable(csv, readingColumns, count, {RPath, RTag, RDate, RUnit, RThickness1}, &records, &columnOf,
                   refusal))
        return false;
    QVector<ReadingEntry> read;
    for (int r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records[r];
        if (!fieldCountFits(record, records, refusal))
            return false;
        auto text = [&](int column) { return columnOf[column] < 0 ? QString() : record.fields[columnOf[column]]; };
        ReadingEntry entry;
        if (!readPlace(record, columnOf, &entry.assetPath, &entry.tag, refusal))
            return false;

        const QString date = text(RDate).trimmed();
        if (date.isEmpty())
            return refuse(refusal, Fault::EmptyValue, record.line, QStringLiteral("date"));
        QDateTime when = QDateTime::fromString(date, Qt::ISODateWithMs);
        if (!when.isValid())
            return refuse(refusal, Fault::BadDate, record.line, QStringLiteral("date"));
        if (when.timeSpec() == Qt::LocalTime) // no zone given: the file's dates are UTC
            when.setTimeZone(QTimeZone::utc());
        entry.dateMs = when.toMSecsSinceEpoch();

        // As the gauge names its units; "in", as people write it, is the same inch.
        QString unit = text(RUnit).trimmed().toLower();
        if (unit == QLatin1String("in"))
            unit = QStringLiteral("inch");
        if (unit != QLatin1String("mm") && unit != QLatin1String("inch"))
            return refuse(refusal, Fault::BadUnit, record.line, QStringLiteral("unit"));
        entry.thicknessUnit = unit;

        if (text(RThickness1).trimmed().isEmpty())
            return refuse(refusal, Fault::EmptyValue, record.line, QStringLiteral("thickness_1"));
        // Layer columns beyond the first hold something only for a three-layer reading.
        bool threeLayers = false;
        for (int column : {RThickness2, RVelocity2, RThickness3, RVelocity3})
            threeLayers = threeLayers || !text(column).trimmed().isEmpty();
        entry.layers = threeLayers ? 3 : 1;
        // Where each column's value goes in the record's order.
        const std::pair<int, int> single[] = {{RThickness1, 0}, {RVelocity1, 1}};
        const std::pair<int, int> multi[] = {{RThickness1, 0}, {RThickness2, 1}, {RThickness3, 2},
                                             {RVelocity1, 3},  {RVelocity2, 4},  {RVelocity3, 5}};
        const auto place = [&](int column, int index) {
            double value = 0;
            if (!readNumber(text(column), &value) || std::abs(value) > std::numeric_limits<float>::max())
                return refuse(refusal, Fault::BadNumber, record.line, QLatin1String(readingColumns[column]));
            entry.values[index] = float(value);
            return true;
        };
        if (threeLayers) {
            for (const auto &[column, index] : multi)
                if (!place(column, index))
                    return false;
        } else {
            for (const auto &[column, index] : single)
                if (!place(column, index))
                    return false;
        }

        const QString flags = text(RFlags).trimmed();
        if (!flags.isEmpty()) {
            bool ok = false;
            const uint bits = flags.toUInt(&ok);
            if (!ok || bits >= (threeLayers ? 64u : 4u))
                return refuse(refusal, Fault::BadNumber, record.line, QStringLiteral("flags"));
            entry.flags = quint8(bits);
        }
        entry.comment = text(RComment);
        read.append(entry);
    }
    if (entries)
        *entries = read;
    if (refusal)
        *refusal = Refusal{};
    return true;
}

QString numberText(double value)
{
    return std::isnan(value) ? QString() : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The fewest digits that read back to the same float: 0.1f is "0.1", not "0.100000001".
QString numberText(float value)
{
    if (std::isnan(value))
        return QString();
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(double(value), 'g', digits);
        if (float(text.toDouble()) == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

QByteArray writeCmls(const QVector<CmlEntry> &entries)
{
    QByteArray out;
    appendLine(out, headerOf(cmlColumns, int(std::size(cmlColumns))));
    for (const CmlEntry &e : entries)
        appendLine(out, {e.assetPath, e.cml.tag, e.cml.description, numberText(e.cml.nominal),
                         numberText(e.cml.minimum), numberText(e.cml.allowance), e.cml.material, e.cml.notes});
    return out;
}

QByteArray writeReadings(const QVector<ReadingEntry> &entries)
{
    QByteArray out;
    appendLine(out, headerOf(readingColumns, int(std::size(readingColumns))));
    for (const ReadingEntry &e : entries) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(e.dateMs, QTimeZone::utc());
        // Milliseconds only where there are some: the usual date stays as people write it.
        const QString date = when.toString(e.dateMs % 1000 ? QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'")
                                                           : QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
        const bool three = e.layers == 3;
        const float *v = e.values;
        appendLine(out, {e.assetPath, e.tag, date, e.thicknessUnit, numberText(v[0]), numberText(three ? v[3] : v[1]),
                         three ? numberText(v[1]) : QString(), three ? numberText(v[4]) : QString(),
                         three ? numberText(v[2]) : QString(), three ? numberText(v[5]) : QString(),
                         QString::number(e.flags), e.comment});
    }
    return out;
}

} // namespace PlacesCsv
