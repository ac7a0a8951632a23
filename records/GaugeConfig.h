#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// The meter table ("meterno": which layout and lowest firmware each meter type needs) and
// the unit table ("unitno": unit names and decimals), INI files read from one folder.
struct GaugeConfig
{
    // A file above this size, or one holding a NUL byte, is ignored (an empty table).
    static constexpr qint64 MaxFileBytes = 1 << 20;
    // DecimalNumber is clamped to this range when the unit table is loaded.
    static constexpr int MinDecimals = 0;
    static constexpr int MaxDecimals = 6;

    // Each entry {MeterNo, UIIndex, Version}.
    QList<QVariantList> meterTable;
    // Each entry {UnitNo, UnitName, DecimalNumber}; the gauge's unit numbers are 0-based
    // positions in this list.
    QList<QVariantList> unitTable;

    // Reads both files from `directory`; a missing file gives an empty table.
    static GaugeConfig load(const QString &directory);
    static QList<QVariantList> loadMeterTable(const QString &path);
    static QList<QVariantList> loadUnitTable(const QString &path);
};
