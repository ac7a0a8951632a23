#include "analysis/LimitsStore.h"

#include <QSettings>

namespace {

// Serials are digits in practice; anything else is escaped so it cannot reach other keys.
QString groupOf(const QString &serial)
{
    return QStringLiteral("gauge_") + QString::fromLatin1(serial.toUtf8().toHex());
}

} // namespace

SettingsLimitsStore::SettingsLimitsStore(const QString &iniPath) : m_path(iniPath) {}

std::optional<Limits> SettingsLimitsStore::load(const QString &serial)
{
    if (serial.isEmpty())
        return std::nullopt;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(groupOf(serial));
    if (!settings.contains(QStringLiteral("nominal")))
        return std::nullopt;
    Limits limits;
    bool ok[3] = {};
    limits.nominal = settings.value(QStringLiteral("nominal")).toDouble(&ok[0]);
    limits.minimum = settings.value(QStringLiteral("minimum")).toDouble(&ok[1]);
    limits.tolerance = settings.value(QStringLiteral("tolerance"), 0.0).toDouble(&ok[2]);
    if (settings.contains(QStringLiteral("maximum"))) {
        bool maxOk = false;
        limits.maximum = settings.value(QStringLiteral("maximum")).toDouble(&maxOk);
        if (!maxOk)
            return std::nullopt;
    }
    limits.unit = settings.value(QStringLiteral("unit")).toString();
    // A hand-edited or damaged file gives no limits rather than nonsense ones.
    if (!ok[0] || !ok[1] || !ok[2] || !limitsProblem(limits).isEmpty())
        return std::nullopt;
    return limits;
}

bool SettingsLimitsStore::save(const QString &serial, const std::optional<Limits> &limits)
{
    if (serial.isEmpty())
        return false;
    // QSettings writes an INI file through a temporary file and a rename.
    QSettings settings(m_path, QSettings::IniFormat);
    settings.remove(groupOf(serial));
    if (limits) {
        settings.beginGroup(groupOf(serial));
        settings.setValue(QStringLiteral("serial"), serial);
        settings.setValue(QStringLiteral("nominal"), limits->nominal);
        settings.setValue(QStringLiteral("minimum"), limits->minimum);
        settings.setValue(QStringLiteral("tolerance"), limits->tolerance);
        if (limits->maximum)
            settings.setValue(QStringLiteral("maximum"), *limits->maximum);
        settings.setValue(QStringLiteral("unit"), limits->unit);
        settings.endGroup();
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}
