#include "analysis/ChartData.h"

#include "analysis/ColumnStatistics.h"
#include "records/RecordsModel.h"

#include <algorithm>
#include <cmath>

RunSeries::RunSeries(int maxBuckets) : m_maxBuckets(std::max(2, maxBuckets)) {}

void RunSeries::setMaxBuckets(int maxBuckets)
{
    m_maxBuckets = std::max(2, maxBuckets);
    clear();
}

void RunSeries::clear()
{
    m_perBucket = 1;
    m_rows = 0;
    m_buckets.clear();
}

void RunSeries::mergePairs()
{
    std::vector<Bucket> merged((m_buckets.size() + 1) / 2);
    for (size_t i = 0; i < m_buckets.size(); ++i) {
        const Bucket &b = m_buckets[i];
        Bucket &m = merged[i / 2];
        if (b.minimumRow < 0)
            continue;
        if (m.minimumRow < 0 || b.minimum < m.minimum) {
            m.minimum = b.minimum;
            m.minimumRow = b.minimumRow;
        }
        if (m.maximumRow < 0 || b.maximum > m.maximum) {
            m.maximum = b.maximum;
            m.maximumRow = b.maximumRow;
        }
    }
    m_buckets.swap(merged);
    m_perBucket *= 2;
}

void RunSeries::append(float value, bool inRange)
{
    const int row = m_rows++;
    size_t index = size_t(row / m_perBucket);
    if (index >= m_buckets.size()) {
        if (int(m_buckets.size()) >= m_maxBuckets) {
            mergePairs();
            index = size_t(row / m_perBucket);
        }
        if (index >= m_buckets.size())
            m_buckets.resize(index + 1);
    }
    if (!inRange)
        return;
    Bucket &b = m_buckets[index];
    if (b.minimumRow < 0) {
        b.minimum = b.maximum = value;
        b.minimumRow = b.maximumRow = row;
        return;
    }
    if (value < b.minimum) {
        b.minimum = value;
        b.minimumRow = row;
    }
    if (value > b.maximum) {
        b.maximum = value;
        b.maximumRow = row;
    }
}

void RunSeries::appendRows(const RecordsModel &model, int valueIndex, int first, int last)
{
    for (int row = first; row <= last; ++row)
        append(model.value(row, valueIndex), !model.isOutOfRange(row, valueIndex));
}

void RunSeries::rebuild(const RecordsModel &model, int valueIndex)
{
    clear();
    const int rows = model.rowCount();
    // Bucket size chosen up front, so the rows are walked once without merges.
    while (qint64(m_perBucket) * m_maxBuckets < rows)
        m_perBucket *= 2;
    m_buckets.assign(size_t((rows + m_perBucket - 1) / m_perBucket), Bucket{});
    for (size_t k = 0; k < m_buckets.size(); ++k) {
        Bucket &b = m_buckets[k];
        const int first = int(k) * m_perBucket;
        const int last = std::min(rows, first + m_perBucket) - 1;
        float lo = 0.0f;
        float hi = 0.0f;
        int loRow = -1;
        int hiRow = -1;
        for (int row = first; row <= last; ++row) {
            if (model.isOutOfRange(row, valueIndex))
                continue;
            const float v = model.value(row, valueIndex);
            if (loRow < 0 || v < lo) {
                lo = v;
                loRow = row;
            }
            if (hiRow < 0 || v > hi) {
                hi = v;
                hiRow = row;
            }
        }
        b = Bucket{lo, hi, loRow, hiRow};
    }
    m_rows = rows;
}

QList<QPointF> RunSeries::points(QVector<int> *rowsOut) const
{
    QList<QPointF> out;
    out.reserve(qsizetype(m_buckets.size()) * 2);
    if (rowsOut) {
        rowsOut->clear();
        rowsOut->reserve(qsizetype(m_buckets.size()) * 2);
    }
    auto put = [&](int row, float v) {
        out.append(QPointF(row + 1, double(v)));
        if (rowsOut)
            rowsOut->append(row);
    };
    for (const Bucket &b : m_buckets) {
        if (b.minimumRow < 0)
            continue;
        if (b.minimumRow == b.maximumRow) {
            put(b.minimumRow, b.minimum);
        } else if (b.minimumRow < b.maximumRow) {
            put(b.minimumRow, b.minimum);
            put(b.maximumRow, b.maximum);
        } else {
            put(b.maximumRow, b.maximum);
            put(b.minimumRow, b.minimum);
        }
    }
    return out;
}

bool Histogram::add(double value)
{
    if (counts.isEmpty() || !(value >= start) || !(value < end()))
        return false;
    const qsizetype bin = std::min<qsizetype>(qsizetype((value - start) / width), counts.size() - 1);
    ++counts[bin];
    return true;
}

namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least x (x > 0).
double niceCeil(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= x * (1 - 1e-12))
            return m * p;
    return 10.0 * p;
}

// The largest of 1, 2, 5 times a power of ten that is at most x (x > 0).
double niceFloor(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= x * (1 + 1e-12))
            return m * p;
    return p;
}

} // namespace

double Histogram::binWidth(qint64 n, double sd, double lo, double hi, int decimals, int maxBins)
{
    const double resolution = std::pow(10.0, -std::max(0, decimals));
    maxBins = std::max(1, maxBins);
    const double span = std::isfinite(hi - lo) ? hi - lo : 0.0;
    double width = resolution;
    if (n >= 2 && std::isfinite(sd) && sd > 0) {
        // Scott's rule, but never fewer bins than Sturges' log2(n) + 1: for a few dozen
        // readings Scott alone gives two or three bins. Rounded down to a round width.
        double raw = 3.49 * sd / std::cbrt(double(n));
        if (span > 0)
            raw = std::min(raw, span / (std::log2(double(n)) + 1.0));
        width = std::max(resolution, niceFloor(raw));
    }
    while (span / width >= maxBins)
        width = niceCeil(width * 1.5);
    return width;
}

Histogram Histogram::compute(const RecordsModel &model, int valueIndex, const ColumnStatistics &stats, int decimals,
                             int maxBins)
{
    Histogram h;
    if (stats.count == 0)
        return h;
    h.width = binWidth(stats.count, stats.standardDeviation(), stats.minimum, stats.maximum, decimals, maxBins);
    h.start = std::floor(stats.minimum / h.width) * h.width;
    const int bins = std::max(1, int(std::floor((stats.maximum - h.start) / h.width)) + 1);
    h.counts.fill(0, bins);
    const double inverse = 1.0 / h.width;
    const int rows = model.rowCount();
    qint64 *counts = h.counts.data();
    for (int row = 0; row < rows; ++row) {
        if (model.isOutOfRange(row, valueIndex))
            continue;
        const int bin = int((double(model.value(row, valueIndex)) - h.start) * inverse);
        ++counts[std::clamp(bin, 0, bins - 1)];
    }
    return h;
}
