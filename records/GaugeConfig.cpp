#include "records/GaugeConfig.h"

#include <QDebug>
#include <QFile>
#include <QSettings>

namespace {

// Reads groups <prefix>1, <prefix>2, ... strictly in sequence; the first group whose first
// key is missing or empty ends the list. Each entry holds the keys' values in keys order.
QList<QVariantList> readNumberedGroups(const QString &path, const QString &prefix, const QStringList &keys)
{
    // INI files are read as UTF-8, so names may hold any characters.
    QSettings settings(path, QSettings::IniFormat);
    QList<QVariantList> entries;
    for (int k = 1;; ++k) {
        const QString group = prefix + QString::number(k) + QLatin1Char('/');
        if (settings.value(group + keys.first()).toString().isEmpty())
            break;
        QVariantList entry;
        for (const QString &key : keys)
            entry.append(settings.value(group + key));
        entries.append(entry);
    }
    return entries;
}

// The file's bytes, or nothing with a debug line when it is no plausible table: too big to
// be one (a huge file would hold the program at start-up) or binary.
QByteArray readBoundedText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QByteArray();
    // Read in pieces: asking for the whole limit at once would allocate it for every file.
    QByteArray bytes;
    char piece[16384];
    qint64 n = 0;
    while (bytes.size() <= GaugeConfig::MaxFileBytes && (n = file.read(piece, sizeof piece)) > 0)
        bytes.append(piece, n);
    if (bytes.size() > GaugeConfig::MaxFileBytes) {
        qDebug() << "GaugeConfig: ignoring" << path << "(larger than" << GaugeConfig::MaxFileBytes << "bytes)";
        return QByteArray();
    }
    if (bytes.contains('\0')) {
        qDebug() << "GaugeConfig: ignoring" << path << "(binary content)";
        return QByteArray();
    }
    return bytes;
}

QList<QVariantList> loadTable(const QString &path, const QString &prefix, const QStringList &keys)
{
    if (readBoundedText(path).isEmpty())
        return {};
    return readNumberedGroups(path, prefix, keys);
}

} // namespace

GaugeConfig GaugeConfig::load(const QString &directory)
{
    GaugeConfig config;
    config.meterTable = loadMeterTable(directory + QStringLiteral("/meterno"));
    config.unitTable = loadUnitTable(directory + QStringLiteral("/unitno"));
    return config;
}

QList<QVariantList> GaugeConfig::loadMeterTable(const QString &path)
{
    return loadTable(path, QStringLiteral("Device"),
                     {QStringLiteral("MeterNo"), QStringLiteral("UIIndex"), QStringLiteral("Version")});
}

QList<QVariantList> GaugeConfig::loadUnitTable(const QString &path)
{
    QList<QVariantList> table = loadTable(path, QStringLiteral("Unit"),
                                          {QStringLiteral("UnitNo"), QStringLiteral("UnitName"),
                                           QStringLiteral("DecimalNumber")});
    // Every cell is formatted with this many decimals: an absurd count would cost seconds
    // and hundreds of megabytes per cell.
    for (int i = 0; i < table.size(); ++i) {
        QVariant &decimals = table[i][2];
        bool numeric = false;
        const double d = decimals.toDouble(&numeric);
        if (!numeric || (d >= MinDecimals && d <= MaxDecimals))
            continue;
        const int bounded = d < MinDecimals ? MinDecimals : MaxDecimals;
        qDebug() << "GaugeConfig: unit" << (i + 1) << "DecimalNumber" << decimals.toString() << "clamped to"
                 << bounded;
        decimals = bounded;
    }
    return table;
}
