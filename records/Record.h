#pragma once

#include "protocol/GaugeRecord.h"

// Where a record came from.
// Imported: from a list of readings (a CSV file), not from a gauge.
enum class RecordOrigin : quint8 { Memory, Pushed, Imported };

// A record in the table: the gauge's numbers and flags, where it came from and when it
// arrived (UTC, ms since the epoch).
struct Record : GaugeRecord
{
    RecordOrigin origin = RecordOrigin::Memory;
    qint64 arrivedMs = 0;
    // The record's place in the gauge's memory (1-based), the single-layer layout's location;
    // 0 for a measurement the gauge pushed, which has no place there.
    quint32 number = 0;
};
