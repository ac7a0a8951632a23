#pragma once

#include "analysis/Limits.h"

#include <QString>

#include <optional>

// Where the limits of each gauge are kept, by the gauge's serial number.
class LimitsStore
{
public:
    virtual ~LimitsStore() = default;
    // The limits last saved for the gauge, if any.
    virtual std::optional<Limits> load(const QString &serial) = 0;
    // Saves the gauge's limits; none removes them. False when they could not be written.
    virtual bool save(const QString &serial, const std::optional<Limits> &limits) = 0;
};

// The limits in an INI file, one group per serial.
class SettingsLimitsStore : public LimitsStore
{
public:
    explicit SettingsLimitsStore(const QString &iniPath);
    std::optional<Limits> load(const QString &serial) override;
    bool save(const QString &serial, const std::optional<Limits> &limits) override;
    QString path() const { return m_path; }

private:
    QString m_path;
};
