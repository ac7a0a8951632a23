#pragma once

#include "store/Places.h"

#include <QString>
#include <QVector>

// CMLs and readings as CSV, so a spreadsheet or an inspection database can feed and take them.
// UTF-8, comma separated, RFC 4180 quoting, a header line first; columns by their header name
// in any order (the columns below; others are refused), numbers with a '.' decimal point,
// empty for "not given".
//
//   CMLs:     asset_path, tag, description, nominal, minimum, corrosion_allowance, material, notes
//   Readings: asset_path, tag, date, unit, thickness_1, velocity_1, thickness_2, velocity_2,
//             thickness_3, velocity_3, flags, comment
//
// asset_path is the tags from the top down joined by '/'; date is ISO 8601 in UTC
// (2026-03-01T09:30:00Z); unit is the thickness unit as the gauge names it ("mm" or "inch"); thickness_2 and 3 (with
// their velocities) are empty for a single-layer reading; flags are the out-of-range bits of
// the six values (bit 0 thickness_1, bit 1 thickness_2, bit 2 thickness_3, bit 3 velocity_1,
// bit 4 velocity_2, bit 5 velocity_3 for three layers; bit 0 thickness, bit 1 velocity for one).
// Written files read back to the same entries.
namespace PlacesCsv {

// Why a line was refused.
enum class Fault {
    None,
    Empty,          // no header line
    UnknownColumn,  // a header name not listed above (detail: the name)
    MissingColumn,  // a required column absent (detail: the name)
    FieldCount,     // a line with more or fewer fields than the header
    Unterminated,   // a quoted field not closed before the end of the file
    EmptyValue,     // asset_path, tag, date or thickness_1 empty (detail: the column)
    BadNumber,      // detail: the column
    BadDate,
    BadUnit,
    BadPath,        // an empty tag inside a path
    RepeatedTag,    // the same asset path and tag twice in one file
};

struct Refusal
{
    Fault fault = Fault::None;
    int line = 0; // 1-based line of the file where the refused record starts
    QString detail;
};

// All or nothing: entries only when every line is good; otherwise the first bad line.
bool readCmls(const QByteArray &csv, QVector<CmlEntry> *entries, Refusal *refusal);
bool readReadings(const QByteArray &csv, QVector<ReadingEntry> *entries, Refusal *refusal);

QByteArray writeCmls(const QVector<CmlEntry> &entries);
// A number as the lists write it: empty for NaN; a float with the fewest digits that read
// back to the same float, a double with the fewest that read back to the same double.
QString numberText(double value);
QString numberText(float value);
QByteArray writeReadings(const QVector<ReadingEntry> &entries);

} // namespace PlacesCsv
