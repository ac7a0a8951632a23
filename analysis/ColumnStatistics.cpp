#include "analysis/ColumnStatistics.h"

#include "records/RecordsModel.h"

#include <algorithm>
#include <cmath>

double ColumnStatistics::standardDeviation() const
{
    return count >= 2 ? std::sqrt(m2 / double(count - 1)) : std::numeric_limits<double>::quiet_NaN();
}

void ColumnStatistics::add(double value, int row)
{
    ++count;
    if (count == 1) {
        minimum = maximum = mean = value;
        minimumRow = maximumRow = row;
        m2 = 0.0;
        return;
    }
    if (value < minimum) {
        minimum = value;
        minimumRow = row;
    }
    if (value > maximum) {
        maximum = value;
        maximumRow = row;
    }
    const double delta = value - mean;
    mean += delta / double(count);
    m2 += delta * (value - mean);
}

RowRanges allRows(const RecordsModel &model)
{
    return {RowRange{0, model.rowCount() - 1}};
}

ColumnStatistics computeStatistics(const RecordsModel &model, int valueIndex, const RowRanges &ranges,
                                   const BandJudge *judge)
{
    ColumnStatistics s;
    const int rows = model.rowCount();
    RowRanges clipped;
    for (const RowRange &r : ranges) {
        const RowRange c{std::max(r.first, 0), std::min(r.last, rows - 1)};
        if (c.first <= c.last)
            clipped.append(c);
    }
    // First pass: count, sum, extremes. Plain locals so the loop stays in registers.
    double sum = 0.0;
    float lo = std::numeric_limits<float>::infinity();
    float hi = -std::numeric_limits<float>::infinity();
    int loRow = -1;
    int hiRow = -1;
    qint64 count = 0;
    qint64 outOfRange = 0;
    for (const RowRange &r : clipped) {
        for (int row = r.first; row <= r.last; ++row) {
            if (model.isOutOfRange(row, valueIndex)) {
                ++outOfRange;
                continue;
            }
            const float v = model.value(row, valueIndex);
            sum += double(v);
            ++count;
            if (v < lo) {
                lo = v;
                loRow = row;
            }
            if (v > hi) {
                hi = v;
                hiRow = row;
            }
        }
    }
    s.count = count;
    s.outOfRange = outOfRange;
    if (count == 0)
        return s;
    s.minimum = double(lo);
    s.maximum = double(hi);
    s.minimumRow = loRow;
    s.maximumRow = hiRow;
    s.mean = sum / double(count);
    // Second pass: deviations from the mean (no cancellation as in a sum of squares), and
    // the bands on the way rather than in a third walk over the rows.
    double m2 = 0.0;
    double correction = 0.0;
    const double mean = s.mean;
    qint64 tally[3] = {};
    for (const RowRange &r : clipped) {
        for (int row = r.first; row <= r.last; ++row) {
            if (model.isOutOfRange(row, valueIndex))
                continue;
            const double v = double(model.value(row, valueIndex));
            const double d = v - mean;
            m2 += d * d;
            correction += d;
            if (judge)
                judge->tally(v, tally);
        }
    }
    // The mean's own rounding error, removed (the corrected two-pass formula).
    s.m2 = std::max(0.0, m2 - correction * correction / double(count));
    if (judge)
        s.bands = BandJudge::bandCounts(tally, count);
    return s;
}

void appendStatistics(ColumnStatistics &stats, const RecordsModel &model, int valueIndex, int first, int last,
                      const BandJudge *judge)
{
    last = std::min(last, model.rowCount() - 1);
    for (int row = std::max(first, 0); row <= last; ++row) {
        if (model.isOutOfRange(row, valueIndex)) {
            ++stats.outOfRange;
            continue;
        }
        const double v = double(model.value(row, valueIndex));
        stats.add(v, row);
        if (judge)
            ++stats.bands[int(judge->band(v))];
    }
}
