#include "cli/CliOutput.h"

#include "export/AtomicFile.h"
#include "export/ExportFlow.h"
#include "records/RecordsModel.h"
#include "session/ExportTable.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace CliOutput {

namespace {

QString text(bool chinese, const QString &english, const QString &chineseText)
{
    return chinese ? chineseText : english;
}

void appendJsonString(QByteArray &out, const QString &value)
{
    out += '"';
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (quint8(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(quint8(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Why a write failed, with what to do, as the export of the window says it.
QString reasonFor(int errorNumber, const QString &target)
{
    const QString reason = ExportFlow::failureReason(errorNumber, target);
    if (!reason.isEmpty())
        return reason;
    return errorNumber > 0 ? QString::fromLocal8Bit(std::strerror(errorNumber)) : QString();
}

} // namespace

std::optional<Format> formatNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("csv"))
        return Format::Csv;
    if (n == QLatin1String("xlsx"))
        return Format::Xlsx;
    if (n == QLatin1String("xls"))
        return Format::Xls;
    if (n == QLatin1String("json") || n == QLatin1String("jsonl"))
        return Format::Json;
    return std::nullopt;
}

std::optional<Format> formatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? std::nullopt : formatNamed(suffix);
}

QString suffixOf(Format format)
{
    switch (format) {
    case Format::Csv: return QStringLiteral("csv");
    case Format::Xlsx: return QStringLiteral("xlsx");
    case Format::Xls: return QStringLiteral("xls");
    case Format::Json: return QStringLiteral("json");
    }
    return QString();
}

WorkbookTable tableOf(const RecordsModel &model, int first, int count)
{
    return exportTable(model, first, count);
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
    QList<QString> keys;
    QByteArray units = "{";
    for (int c : columns) {
        keys << jsonKey(model, c);
        if (model.valueIndex(c) < 0)
            continue;
        if (units.size() > 1)
            units += ',';
        appendJsonString(units, keys.last());
        units += ':';
        appendJsonString(units, model.unitName(c));
    }
    units += '}';

    QByteArray out;
    const int end = qMin(model.rowCount(), first + count);
    for (int r = first; r < end; ++r) {
        const Record record = model.record(r);
        out += "{\"record\":" + QByteArray::number(numberBase + (r - first) + 1);
        out += ",\"time\":";
        appendJsonString(out, QDateTime::fromMSecsSinceEpoch(record.arrivedMs, Qt::UTC)
                                  .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")));
        out += ",\"origin\":";
        out += record.origin == RecordOrigin::Pushed ? "\"pushed\"" : "\"memory\"";
        QByteArray flagged;
        for (int i = 0; i < columns.size(); ++i) {
            const int c = columns[i];
            out += ',';
            appendJsonString(out, keys[i]);
            out += ':';
            const int value = model.valueIndex(c);
            if (value < 0) {
                if (model.layout() != 1)
                    appendJsonString(out, model.name(r));
                else if (record.number) // its place in the gauge's memory; a pushed one has none
                    out += QByteArray::number(record.number);
                else
                    out += "null";
                continue;
            }
            const double number = double(model.value(r, value));
            if (model.isOutOfRange(r, value)) {
                out += "null";
                if (!flagged.isEmpty())
                    flagged += ',';
                appendJsonString(flagged, keys[i]);
            } else if (!std::isfinite(number)) {
                out += "null"; // JSON has no NaN or infinity
            } else {
                out += RecordsModel::formatValue(number, model.decimals(c)).toLatin1();
            }
        }
        out += ",\"units\":" + units;
        out += ",\"outOfRange\":[" + flagged + "]}\n";
    }
    return out;
}

bool writeAtomically(const QString &chosen, const QString &suffix,
                     const std::function<bool(const QString &, int *)> &produce, bool chinese, QString *reason)
{
    const AtomicWrite result = ::writeAtomically(chosen, suffix, [&](const QString &temporary) {
        int errorNumber = 0;
        return produce(temporary, &errorNumber) ? 0 : (errorNumber ? errorNumber : -1);
    });
    if (result.ok())
        return true;
    const QString why = reasonFor(result.error, chosen);
    const QString folder = QFileInfo(chosen).absolutePath();
    QString said;
    switch (result.step) {
    case AtomicWrite::Step::Done:
        break;
    case AtomicWrite::Step::Target:
        said = result.error == EISDIR ? text(chinese, QStringLiteral("%1 is a folder; give a file name.").arg(chosen),
                                             QStringLiteral("%1 是一个文件夹；请给出文件名。").arg(chosen))
             : result.error == ENOENT ? text(chinese, QStringLiteral("the folder %1 does not exist.").arg(folder),
                                             QStringLiteral("文件夹 %1 不存在。").arg(folder))
                                      : text(chinese, QStringLiteral("%1 is not a file that can be replaced.").arg(chosen),
                                             QStringLiteral("%1 不是可替换的文件。").arg(chosen));
        break;
    case AtomicWrite::Step::Reserve:
        said = why.isEmpty() ? text(chinese, QStringLiteral("cannot write into the folder %1.").arg(folder),
                                    QStringLiteral("无法写入文件夹 %1。").arg(folder))
                             : why;
        break;
    case AtomicWrite::Step::Produce:
        said = text(chinese, QStringLiteral("writing %1 failed; the old file, if any, is unchanged.").arg(chosen),
                    QStringLiteral("写入 %1 失败；原有文件保持不变。").arg(chosen))
               + (why.isEmpty() ? QString() : QLatin1Char(' ') + why);
        break;
    case AtomicWrite::Step::Rename:
        said = text(chinese, QStringLiteral("cannot put %1 in place; the old file, if any, is unchanged.").arg(chosen),
                    QStringLiteral("无法写入 %1；原有文件保持不变。").arg(chosen))
               + (why.isEmpty() ? QString() : QLatin1Char(' ') + why);
        break;
    }
    if (reason)
        *reason = said;
    return false;
}

} // namespace CliOutput
