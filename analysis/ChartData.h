#pragma once

#include <QList>
#include <QPointF>
#include <QVector>

#include <vector>

class RecordsModel;
struct ColumnStatistics;

// A run chart reduced to what a screen can show: rows are grouped into at most maxBuckets
// buckets of equal row count (a power of two), and each bucket keeps its lowest and highest
// reading with their rows, so no thin spot disappears however many rows there are. Rows are
// added at the end; when the buckets run out, neighbours merge pairwise (exact: the minimum
// of a merged bucket is the smaller of the two minima).
class RunSeries
{
public:
    struct Bucket
    {
        float minimum = 0.0f;
        float maximum = 0.0f;
        int minimumRow = -1; // -1: no reading in range in this bucket
        int maximumRow = -1;
    };

    explicit RunSeries(int maxBuckets = 1000);
    void setMaxBuckets(int maxBuckets); // clears
    int maxBuckets() const { return m_maxBuckets; }
    void clear();
    // Row `rows()` (the next row): a reading in range, or an out-of-range one (skipped).
    void append(float value, bool inRange);
    // Rows first..last of the model's value column, appended.
    void appendRows(const RecordsModel &model, int valueIndex, int first, int last);
    void rebuild(const RecordsModel &model, int valueIndex);

    int rows() const { return m_rows; }
    int rowsPerBucket() const { return m_perBucket; }
    const std::vector<Bucket> &buckets() const { return m_buckets; }
    // The chart's points, x the reading number (row + 1): each bucket's minimum and maximum
    // in row order; `rowsOut` (optional) gets each point's row.
    QList<QPointF> points(QVector<int> *rowsOut = nullptr) const;

private:
    void mergePairs();

    int m_maxBuckets;
    int m_perBucket = 1;
    int m_rows = 0;
    std::vector<Bucket> m_buckets;
};

// Readings counted in bins of equal width: bin i holds start + i*width <= v < start + (i+1)*width.
struct Histogram
{
    double start = 0.0;
    double width = 0.0;
    QVector<qint64> counts;

    bool isEmpty() const { return counts.isEmpty(); }
    double end() const { return start + width * counts.size(); }
    // False when the value lies outside the bins (the bins must then be recomputed).
    bool add(double value);

    // Bin width for n readings of standard deviation sd between lo and hi: Scott's rule
    // (at least Sturges' number of bins), rounded down to 1, 2 or 5 times a power of ten,
    // never finer than what the column shows (10^-decimals) and coarse enough for at most
    // maxBins bins.
    static double binWidth(qint64 n, double sd, double lo, double hi, int decimals, int maxBins = 60);
    // The histogram of the model's value column (rows in range) with the figures already
    // computed for it; empty without readings.
    static Histogram compute(const RecordsModel &model, int valueIndex, const ColumnStatistics &stats,
                             int decimals, int maxBins = 60);
};
