#include "cli/CliOutput.h"

#include "cli/Invocation.h"
#include "export/AtomicFile.h"
#include "export/ExportFlow.h"
#include "records/RecordsModel.h"
#include "session/ExportTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace CliOutput {


namespace {

// Why a write failed, with what to do, as the export of the window says it.
QString reasonFor(int errorNumber, const QString &target)
{
    const QString reason = ExportFlow::failureReason(errorNumber, target);
    if (!reason.isEmpty())
        return reason;
    return errorNumber > 0 ? QString::fromLocal8Bit(std::strerror(errorNumber)) : QString();
}

// Columns on a terminal: Chinese characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115f) || (u >= 0x2e80 && u <= 0xa4cf) || (u >= 0xac00 && u <= 0xd7a3)
            || (u >= 0xf900 && u <= 0xfaff) || (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60)
            || (u >= 0xffe0 && u <= 0xffe6);
        width += wide ? 2 : 1;
    }
    return width;
}

} // namespace

std::optional<Format> formatNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("json") || n == QLatin1String("jsonl"))
        return Format{};
    if (const std::optional<ExportFormat> table = ::formatNamed(n))
        return Format{table};
    return std::nullopt;
}

std::optional<Format> formatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? std::nullopt : CliOutput::formatNamed(suffix);
}

QString suffixOf(const Format &format)
{
    return format.table ? formatSuffix(*format.table) : QStringLiteral("json");
}

WorkbookTable tableOf(const RecordsModel &model, int first, int count)
{
    return exportTable(model, first, count);
}

QByteArray JsonLine::string(const QString &value)
{
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

JsonLine &JsonLine::key(const char *key)
{
    if (m_body.size() > 1)
        m_body += ',';
    m_body += string(QString::fromLatin1(key)) + ':';
    return *this;
}

JsonLine &JsonLine::text(const char *name, const QString &value)
{
    key(name).m_body += string(value);
    return *this;
}

JsonLine &JsonLine::number(const char *name, qint64 value)
{
    key(name).m_body += QByteArray::number(value);
    return *this;
}

JsonLine &JsonLine::digits(const char *name, const QByteArray &digits)
{
    key(name).m_body += digits;
    return *this;
}

JsonLine &JsonLine::flag(const char *name, bool value)
{
    key(name).m_body += value ? "true" : "false";
    return *this;
}

JsonLine &JsonLine::null(const char *name)
{
    key(name).m_body += "null";
    return *this;
}

JsonLine &JsonLine::raw(const char *name, const QByteArray &json)
{
    key(name).m_body += json;
    return *this;
}

QString jsonKey(const RecordsModel &model, int column)
{
    const int value = model.valueIndex(column);
    if (value < 0)
        return model.layout() == 1 ? QStringLiteral("number") : QStringLiteral("name");
    if (model.layout() == 1)
        return value == 0 ? QStringLiteral("thickness") : QStringLiteral("velocity");
    // Multi layer: values 0-2 are the thicknesses of layers 1-3, 3-5 their velocities.
    return (value < 3 ? QStringLiteral("thickness%1") : QStringLiteral("velocity%1")).arg(value % 3 + 1);
}

QByteArray jsonLines(const RecordsModel &model, int first, int count, qint64 numberBase)
{
    const QList<int> columns = model.exportedColumns();
    QList<QByteArray> keys;
    JsonLine units;
    for (int c : columns) {
        keys << jsonKey(model, c).toLatin1();
        if (model.valueIndex(c) >= 0)
            units.text(keys.last().constData(), model.unitName(c));
    }

    QByteArray out;
    const int end = qMin(model.rowCount(), first + count);
    for (int r = first; r < end; ++r) {
        const Record record = model.record(r);
        JsonLine line;
        line.number("record", numberBase + (r - first) + 1)
            .text("time", QDateTime::fromMSecsSinceEpoch(record.arrivedMs, Qt::UTC)
                              .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")))
            .text("origin", record.origin == RecordOrigin::Pushed     ? QStringLiteral("pushed")
                            : record.origin == RecordOrigin::Imported ? QStringLiteral("imported")
                                                                      : QStringLiteral("memory"));
        QByteArrayList flagged;
        for (int i = 0; i < columns.size(); ++i) {
            const int c = columns[i];
            const char *key = keys[i].constData();
            const int value = model.valueIndex(c);
            if (value < 0) {
                if (model.layout() != 1)
                    line.text(key, model.name(r));
                else if (record.number) // its place in the gauge's memory; a pushed one has none
                    line.number(key, record.number);
                else
                    line.null(key);
                continue;
            }
            const double number = double(model.value(r, value));
            if (model.isOutOfRange(r, value)) {
                line.null(key);
                flagged << JsonLine::string(QString::fromLatin1(key));
            } else if (!std::isfinite(number)) {
                line.null(key); // JSON has no NaN or infinity
            } else {
                line.digits(key, RecordsModel::formatValue(number, model.decimals(c)).toLatin1());
            }
        }
        out += line.raw("units", units.object()).raw("outOfRange", JsonLine::array(flagged)).line();
    }
    return out;
}

QByteArray alignedText(const QList<QStringList> &lines, const QVector<bool> &right)
{
    QList<int> widths;
    for (const QStringList &line : lines)
        for (int c = 0; c < line.size(); ++c) {
            if (c == widths.size())
                widths << 0;
            widths[c] = qMax(widths[c], displayWidth(line[c]));
        }
    QByteArray out;
    for (const QStringList &line : lines) {
        QString text;
        for (int c = 0; c < line.size(); ++c) {
            const QString padding(widths[c] - displayWidth(line[c]), QLatin1Char(' '));
            const QString cell = right.value(c) ? padding + line[c] : c + 1 < line.size() ? line[c] + padding : line[c];
            text += (c ? QStringLiteral("  ") : QString()) + cell;
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text.toUtf8() + '\n';
    }
    return out;
}

bool writeAtomically(const QString &chosen, const QString &suffix,
                     const std::function<bool(const QString &, int *)> &produce, QString *reason)
{
    const AtomicWrite result = ::writeAtomically(chosen, suffix, [&](const QString &temporary) {
        int errorNumber = 0;
        return produce(temporary, &errorNumber) ? 0 : (errorNumber ? errorNumber : -1);
    });
    if (result.ok())
        return true;
    const QString why = reasonFor(result.error, chosen);
    const QString folder = QFileInfo(chosen).absolutePath();
    const QString because = why.isEmpty() ? QString() : QLatin1Char(' ') + why;
    QString said;
    switch (result.step) {
    case AtomicWrite::Step::Done:
        break;
    case AtomicWrite::Step::Target:
        said = result.error == EISDIR ? CliWords::tr("%1 is a folder; give a file name.").arg(chosen)
             : result.error == ENOENT ? CliWords::tr("the folder %1 does not exist.").arg(folder)
                                      : CliWords::tr("%1 is not a file that can be replaced.").arg(chosen);
        break;
    case AtomicWrite::Step::Reserve:
        said = why.isEmpty() ? CliWords::tr("cannot write into the folder %1.").arg(folder) : why;
        break;
    case AtomicWrite::Step::Produce:
        said = CliWords::tr("writing %1 failed; the old file, if any, is unchanged.").arg(chosen) + because;
        break;
    case AtomicWrite::Step::Rename:
        said = CliWords::tr("cannot put %1 in place; the old file, if any, is unchanged.").arg(chosen) + because;
        break;
    }
    if (reason)
        *reason = said;
    return false;
}

} // namespace CliOutput
