#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// The meter table ("meterno": which layout and lowest firmware each meter type needs) and
// the unit table ("unitno": unit names and decimals), INI files read from one folder.
struct GaugeConfig
{
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
