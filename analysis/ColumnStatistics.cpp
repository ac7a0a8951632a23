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

int valueDecimals(const RecordsModel &model, int valueIndex)
{
    for (int c = 0; c < model.columnCount(); ++c)
        if (model.valueIndex(c) == valueIndex)
            return std::clamp(model.decimals(c), 0, 9);
    return 2;
}

RowRanges allRows(const RecordsModel &model)
{
    return {RowRange{0, model.rowCount() - 1}};
}

ColumnStatistics computeStatistics(const RecordsModel &model, int valueIndex, const RowRanges &ranges,
                                   const BandJudge *judge)
{
    return computeStatistics(model, QVector<int>{valueIndex}, ranges, QVector<const BandJudge *>{judge}).value(0);
}

namespace {

// One column's running figures during the two passes, in whole display steps: the sum is
// exact, and the extremes are the shown numbers.
struct Running
{
    int valueIndex = 0;
    const BandJudge *judge = nullptr;
    double scale = 100.0;
    qint64 sum = 0;
    qint64 lo = std::numeric_limits<qint64>::max();
    qint64 hi = std::numeric_limits<qint64>::min();
    int loRow = -1;
    int hiRow = -1;
    qint64 count = 0;
    qint64 outOfRange = 0;
    double mean = 0.0;
    double m2 = 0.0;
    double correction = 0.0;
    qint64 tally[3] = {};
};

} // namespace

QVector<ColumnStatistics> computeStatistics(const RecordsModel &model, const QVector<int> &valueIndexes,
                                            const RowRanges &ranges, const QVector<const BandJudge *> &judges)
{
    const int rows = model.rowCount();
    RowRanges clipped;
    for (const RowRange &r : ranges) {
        const RowRange c{std::max(r.first, 0), std::min(r.last, rows - 1)};
        if (c.first <= c.last)
            clipped.append(c);
    }
    // The columns of a row lie side by side: one walk over the rows serves them all.
    std::vector<Running> columns(size_t(valueIndexes.size()));
    for (qsizetype k = 0; k < valueIndexes.size(); ++k) {
        columns[size_t(k)].valueIndex = valueIndexes[k];
        columns[size_t(k)].judge = judges.value(k, nullptr);
        columns[size_t(k)].scale = std::pow(10.0, valueDecimals(model, valueIndexes[k]));
    }
    // First pass: count, sum, extremes.
    for (const RowRange &r : clipped) {
        for (int row = r.first; row <= r.last; ++row) {
            for (Running &c : columns) {
                if (model.isOutOfRange(row, c.valueIndex)) {
                    ++c.outOfRange;
                    continue;
                }
                const qint64 v = displaySteps(double(model.value(row, c.valueIndex)), c.scale);
                c.sum += v;
                ++c.count;
                if (v < c.lo) {
                    c.lo = v;
                    c.loRow = row;
                }
                if (v > c.hi) {
                    c.hi = v;
                    c.hiRow = row;
                }
            }
        }
    }
    for (Running &c : columns)
        c.mean = c.count ? double(c.sum) / double(c.count) : 0.0;
    // Second pass: deviations from the mean (no cancellation as in a sum of squares), and
    // the bands on the way rather than in a third walk over the rows.
    for (const RowRange &r : clipped) {
        for (int row = r.first; row <= r.last; ++row) {
            for (Running &c : columns) {
                if (model.isOutOfRange(row, c.valueIndex))
                    continue;
                const double raw = double(model.value(row, c.valueIndex));
                const double d = double(displaySteps(raw, c.scale)) - c.mean;
                c.m2 += d * d;
                c.correction += d;
                if (c.judge)
                    c.judge->tally(raw, c.tally);
            }
        }
    }
    QVector<ColumnStatistics> out(valueIndexes.size());
    for (qsizetype k = 0; k < valueIndexes.size(); ++k) {
        const Running &c = columns[size_t(k)];
        ColumnStatistics &s = out[k];
        s.count = c.count;
        s.outOfRange = c.outOfRange;
        if (c.count == 0)
            continue;
        s.minimum = double(c.lo) / c.scale;
        s.maximum = double(c.hi) / c.scale;
        s.minimumRow = c.loRow;
        s.maximumRow = c.hiRow;
        s.mean = c.mean / c.scale;
        // The mean's own rounding error, removed (the corrected two-pass formula).
        s.m2 = std::max(0.0, c.m2 - c.correction * c.correction / double(c.count)) / (c.scale * c.scale);
        if (c.judge)
            s.bands = BandJudge::bandCounts(c.tally, c.count);
    }
    return out;
}

void appendStatistics(ColumnStatistics &stats, const RecordsModel &model, int valueIndex, int first, int last,
                      const BandJudge *judge)
{
    last = std::min(last, model.rowCount() - 1);
    const double scale = std::pow(10.0, valueDecimals(model, valueIndex));
    for (int row = std::max(first, 0); row <= last; ++row) {
        if (model.isOutOfRange(row, valueIndex)) {
            ++stats.outOfRange;
            continue;
        }
        const double v = double(model.value(row, valueIndex));
        stats.add(double(displaySteps(v, scale)) / scale, row);
        if (judge)
            ++stats.bands[int(judge->band(v))];
    }
}
