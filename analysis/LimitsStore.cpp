#include "analysis/LimitsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace {

QString layerKey(int layer)
{
    return QStringLiteral("layer%1").arg(layer + 1);
}

void put(QJsonObject &o, const Limits &limits)
{
    o.insert(QStringLiteral("nominal"), limits.nominal);
    o.insert(QStringLiteral("minimum"), limits.minimum);
    o.insert(QStringLiteral("tolerance"), limits.tolerance);
    o.insert(QStringLiteral("unit"), limits.unit);
    if (limits.maximum)
        o.insert(QStringLiteral("maximum"), *limits.maximum);
}

std::optional<Limits> take(const QJsonObject &o)
{
    if (!o.value(QStringLiteral("nominal")).isDouble() || !o.value(QStringLiteral("minimum")).isDouble())
        return std::nullopt;
    Limits limits;
    limits.nominal = o.value(QStringLiteral("nominal")).toDouble();
    limits.minimum = o.value(QStringLiteral("minimum")).toDouble();
    limits.tolerance = o.value(QStringLiteral("tolerance")).toDouble();
    if (o.value(QStringLiteral("maximum")).isDouble())
        limits.maximum = o.value(QStringLiteral("maximum")).toDouble();
    limits.unit = o.value(QStringLiteral("unit")).toString();
    if (!limitsProblem(limits).isEmpty())
        return std::nullopt;
    return limits;
}

// Serials are digits in practice; anything else is escaped so it cannot reach other keys.
QString groupOf(const QString &serial)
{
    return QStringLiteral("gauge_") + QString::fromLatin1(serial.toUtf8().toHex());
}

// Layer 1's keys sit in the gauge's group itself, as before there were layers.
QString prefixOf(int layer)
{
    return layer == 0 ? QString() : QStringLiteral("layer%1/").arg(layer + 1);
}

std::optional<Limits> loadLayer(QSettings &settings, const QString &prefix)
{
    auto key = [&prefix](const char *name) { return prefix + QLatin1String(name); };
    if (!settings.contains(key("nominal")))
        return std::nullopt;
    Limits limits;
    bool ok[3] = {};
    limits.nominal = settings.value(key("nominal")).toDouble(&ok[0]);
    limits.minimum = settings.value(key("minimum")).toDouble(&ok[1]);
    limits.tolerance = settings.value(key("tolerance"), 0.0).toDouble(&ok[2]);
    if (settings.contains(key("maximum"))) {
        bool maxOk = false;
        limits.maximum = settings.value(key("maximum")).toDouble(&maxOk);
        if (!maxOk)
            return std::nullopt;
    }
    limits.unit = settings.value(key("unit")).toString();
    // A hand-edited or damaged file gives no limits rather than nonsense ones.
    if (!ok[0] || !ok[1] || !ok[2] || !limitsProblem(limits).isEmpty())
        return std::nullopt;
    return limits;
}

} // namespace

SettingsLimitsStore::SettingsLimitsStore(const QString &iniPath) : m_path(iniPath) {}

LayerLimits SettingsLimitsStore::loadLayers(const QString &serial)
{
    LayerLimits out;
    if (serial.isEmpty())
        return out;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(groupOf(serial));
    for (int layer = 0; layer < LayerCount; ++layer)
        out[size_t(layer)] = loadLayer(settings, prefixOf(layer));
    return out;
}
bool SettingsLimitsStore::saveLayers(const QString &serial, const LayerLimits &limits)
{
    if (serial.isEmpty())
        return false;
    // QSettings writes an INI file through a temporary file and a rename.
    QSettings settings(m_path, QSettings::IniFormat);
    settings.remove(groupOf(serial));
    bool any = false;
    for (const std::optional<Limits> &l : limits)
        any = any || l.has_value();
    if (any) {
        settings.beginGroup(groupOf(serial));
        settings.setValue(QStringLiteral("serial"), serial);
        for (int layer = 0; layer < LayerCount; ++layer) {
            const std::optional<Limits> &l = limits[size_t(layer)];
            if (!l)
                continue;
            const QString prefix = prefixOf(layer);
            settings.setValue(prefix + QStringLiteral("nominal"), l->nominal);
            settings.setValue(prefix + QStringLiteral("minimum"), l->minimum);
            settings.setValue(prefix + QStringLiteral("tolerance"), l->tolerance);
            if (l->maximum)
                settings.setValue(prefix + QStringLiteral("maximum"), *l->maximum);
            settings.setValue(prefix + QStringLiteral("unit"), l->unit);
        }
        settings.endGroup();
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QByteArray encodeLayerLimits(const LayerLimits &limits)
{
    // All empty: "{}", removed, nothing to fall back on either.
    QJsonObject o;
    if (limits[0])
        put(o, *limits[0]);
    for (int layer = 1; layer < LayerCount; ++layer) {
        if (!limits[size_t(layer)])
            continue;
        QJsonObject sub;
        put(sub, *limits[size_t(layer)]);
        o.insert(layerKey(layer), sub);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

LayerLimits decodeLayerLimits(const QByteArray &data)
{
    const QJsonObject o = QJsonDocument::fromJson(data).object();
    LayerLimits out;
    out[0] = take(o);
    for (int layer = 1; layer < LayerCount; ++layer)
        out[size_t(layer)] = take(o.value(layerKey(layer)).toObject());
    return out;
}
