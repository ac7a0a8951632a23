#pragma once

#include "analysis/Limits.h"

#include <QString>

#include <optional>

// Where the limits of each gauge are kept, by the gauge's serial number: one set per layer.
// Limits kept before there were sets per layer are layer 1's.
class LimitsStore
{
public:
    virtual ~LimitsStore() = default;
    // The limits last saved for the gauge's layers (all empty: none).
    virtual LayerLimits loadLayers(const QString &serial) = 0;
    // Saves the gauge's limits; all empty removes them. False when they could not be written.
    virtual bool saveLayers(const QString &serial, const LayerLimits &limits) = 0;

    // Layer 1's limits (the only layer of a single-layer gauge).
    std::optional<Limits> load(const QString &serial) { return loadLayers(serial)[0]; }
    // Sets layer 1's limits, keeping the other layers'.
    bool save(const QString &serial, const std::optional<Limits> &limits)
    {
        LayerLimits all = loadLayers(serial);
        all[0] = limits;
        return saveLayers(serial, all);
    }
};

// Limits as JSON, as the survey file keeps them: layer 1's at the top level of the object (as
// before there were layers), the other layers' under "layer2" and "layer3"; "{}" for none.
QByteArray encodeLayerLimits(const LayerLimits &limits);
// Each layer none for empty, damaged or senseless data.
LayerLimits decodeLayerLimits(const QByteArray &data);

// The limits in an INI file, one group per serial (layer 1's keys in the group itself, the
// other layers' under "layer2/", "layer3/").
class SettingsLimitsStore : public LimitsStore
{
public:
    explicit SettingsLimitsStore(const QString &iniPath);
    LayerLimits loadLayers(const QString &serial) override;
    bool saveLayers(const QString &serial, const LayerLimits &limits) override;
    QString path() const { return m_path; }

private:
    QString m_path;
};
