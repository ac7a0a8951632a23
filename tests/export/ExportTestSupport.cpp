#include "ExportTestSupport.h"

#ifdef PALVARIN_CALC_AVAILABLE
#include "export/OfficeProcess.h"
#endif

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <unistd.h>

namespace ExportTestSupport {

namespace {

QJsonObject sheetAt(const QJsonObject &workbook, int sheet)
{
    const QJsonArray sheets = workbook.value(QStringLiteral("sheets")).toArray();
    return sheet >= 1 && sheet <= sheets.size() ? sheets[sheet - 1].toObject() : QJsonObject();
}

} // namespace

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QJsonObject readWorkbook(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(PALVARIN_READ_XLS), path});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        qWarning("xlrd reader failed: %s", reader.readAllStandardError().constData());
        reader.kill();
        reader.waitForFinished(3000);
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

int sheetCount(const QJsonObject &workbook)
{
    return int(workbook.value(QStringLiteral("sheets")).toArray().size());
}

QJsonObject cellAt(const QJsonObject &workbook, int sheet, int row, int column)
{
    for (const QJsonValue &v : sheetAt(workbook, sheet).value(QStringLiteral("cells")).toArray()) {
        const QJsonObject cell = v.toObject();
        if (cell.value(QStringLiteral("row")).toInt() == row && cell.value(QStringLiteral("column")).toInt() == column)
            return cell;
    }
    return {};
}

QString show(const QJsonObject &workbook, int sheet, int row, int column)
{
    const QJsonObject c = cellAt(workbook, sheet, row, column);
    const QString type = c.value(QStringLiteral("type")).toString();
    if (type != QLatin1String("number"))
        return type + QLatin1Char(' ') + c.value(QStringLiteral("value")).toString();
    return QStringLiteral("number ") + QString::number(c.value(QStringLiteral("value")).toDouble(), 'g', 15)
        + QLatin1Char(' ') + c.value(QStringLiteral("format")).toString();
}

int rowHeight(const QJsonObject &workbook, int sheet, int row)
{
    return sheetAt(workbook, sheet).value(QStringLiteral("heights")).toObject().value(QString::number(row)).toInt(-1);
}

int cellCount(const QJsonObject &workbook, int sheet)
{
    const QJsonObject s = sheetAt(workbook, sheet);
    return s.isEmpty() ? -1 : int(s.value(QStringLiteral("cells")).toArray().size());
}

int officeProcessesLeft()
{
    return int(officeProcessIds().size());
}

QList<qint64> officeProcessIds()
{
    QList<qint64> ids;
#ifdef PALVARIN_CALC_AVAILABLE
    const QByteArray tag = OfficeProcess::processTag().toUtf8();
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(tag)) {
            QFile status(QStringLiteral("/proc/%1/status").arg(pid));
            // A zombie has ended; only its parent has not looked yet.
            if (status.open(QIODevice::ReadOnly) && status.readAll().contains("State:\tZ"))
                continue;
            ids << pid.toLongLong();
        }
    }
#endif
    return ids;
}

QStringList officeLeftovers()
{
    QStringList left;
#ifdef PALVARIN_CALC_AVAILABLE
    const QString tag = OfficeProcess::processTag();
    left << QDir(QDir::tempPath()).entryList({tag + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot);
    left << QDir(QStringLiteral("/tmp")).entryList({QStringLiteral("OSL_PIPE_*_") + tag + QLatin1Char('*')},
                                                  QDir::Files | QDir::System | QDir::Hidden);
#endif
    return left;
}

QStringList officeSockets()
{
    QStringList sockets;
    const QString folder = QStringLiteral("/tmp/OSL_PIPE_%1_").arg(::getuid());
    for (qint64 pid : officeProcessIds()) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &arg : cmdline.readAll().split('\0')) {
            const QString text = QString::fromUtf8(arg);
            if (text.startsWith(QLatin1String("--accept=pipe,name=")))
                sockets << folder + text.mid(19).section(QLatin1Char(';'), 0, 0);
            if (text.startsWith(QLatin1String("-env:UserInstallation="))) {
                const QString url = text.mid(22);
                const QByteArray md5 = QCryptographicHash::hash(
                    QByteArray(reinterpret_cast<const char *>(url.utf16()), url.size() * 2), QCryptographicHash::Md5);
                QString name = QStringLiteral("SingleOfficeIPC_");
                for (char byte : md5)
                    name += QString::number(quint8(byte), 16);
                sockets << folder + name;
            }
        }
    }
    sockets.removeDuplicates();
    return sockets;
}

QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList stray;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!expected.contains(name))
            stray << name;
    return stray;
}

} // namespace ExportTestSupport
