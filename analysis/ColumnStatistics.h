#pragma once

#include "analysis/Limits.h"

#include <QVector>

#include <limits>

class RecordsModel;

// Rows first..last (both included).
struct RowRange
{
    int first = 0;
    int last = -1;
};
using RowRanges = QVector<RowRange>;

// The figures of one value column over a set of rows, every one computed from the readings as
// the table shows them (rounded to the column's decimals), so that the shown minimum, maximum
// and range agree digit for digit. Out-of-range readings are counted and left out of every
// other figure. The minimum and maximum name the first row that holds them.
struct ColumnStatistics
{
    qint64 count = 0;      // readings in range
    qint64 outOfRange = 0; // readings the gauge flagged out of range
    double minimum = std::numeric_limits<double>::quiet_NaN();
    double maximum = std::numeric_limits<double>::quiet_NaN();
    int minimumRow = -1;
    int maximumRow = -1;
    double mean = std::numeric_limits<double>::quiet_NaN();
    double m2 = 0.0; // sum of squared deviations from the mean
    // Per Band, when the column is judged against limits; zeros otherwise.
    BandCounts bands{};

    double range() const { return count > 0 ? maximum - minimum : std::numeric_limits<double>::quiet_NaN(); }
    // Sample standard deviation; NaN under two readings.
    double standardDeviation() const;

    // One more reading (as shown), after every row already counted (Welford's update).
    void add(double value, int row);
};

// Two passes over the rows (sum, minimum, maximum; then the squared deviations and, with a
// judge, the bands). Ranges outside the table are clipped.
ColumnStatistics computeStatistics(const RecordsModel &model, int valueIndex, const RowRanges &rows,
                                   const BandJudge *judge = nullptr);
// The same for several value columns in one walk over the rows (judges[k] for
// valueIndexes[k], null or missing: no bands).
QVector<ColumnStatistics> computeStatistics(const RecordsModel &model, const QVector<int> &valueIndexes,
                                            const RowRanges &rows, const QVector<const BandJudge *> &judges);
// Every row of the table.
RowRanges allRows(const RecordsModel &model);
// The decimals the table shows a value column with (2 when no column holds it).
int valueDecimals(const RecordsModel &model, int valueIndex);
// Adds rows first..last, which come after every row the figures hold.
void appendStatistics(ColumnStatistics &stats, const RecordsModel &model, int valueIndex, int first, int last,
                      const BandJudge *judge = nullptr);
