#include "records/GaugeConfig.h"

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
    return readNumberedGroups(path, QStringLiteral("Device"),
                              {QStringLiteral("MeterNo"), QStringLiteral("UIIndex"), QStringLiteral("Version")});
}

QList<QVariantList> GaugeConfig::loadUnitTable(const QString &path)
{
    return readNumberedGroups(path, QStringLiteral("Unit"),
                              {QStringLiteral("UnitNo"), QStringLiteral("UnitName"), QStringLiteral("DecimalNumber")});
}
