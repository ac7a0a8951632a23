#pragma once

#include "analysis/ChartData.h"
#include "analysis/ColumnStatistics.h"
#include "analysis/Limits.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class LimitsStore;
class RecordsModel;

// The judgement of the records table, kept current as the table changes: statistics of
// every value column (over the table, or over the selected rows when rows are selected), the
// thickness limits and the band of each reading, and the data of the run chart and the
// histogram of one thickness column. Rows appended at the end are added incrementally;
// removals and resets recompute.
//
// The limits are one set per layer (layer 1 in the single-layer layout), each judging only its
// own layer's thickness column; a layer without limits is not judged. They are entered in the
// unit of the layer's column; a column in another unit is judged after conversion (mm and
// inch), or not at all when the units do not convert. They are kept per gauge serial in the
// store.
//
// This object owns the current limits: an exporter reads limits() and tableStatistics()
// (whose bands are the counts of the whole table).
class ReadingsAnalysis : public QObject
{
    Q_OBJECT
public:
    // The model must outlive this object.
    explicit ReadingsAnalysis(RecordsModel &model, QObject *parent = nullptr);

    RecordsModel &model() const { return m_model; }

    // ---- statistics ----
    // The value columns of the current layout, in column order.
    QList<int> valueColumns() const { return m_valueColumns; }
    // Thickness columns (layout 1: the first; layout 2: the three layer thicknesses).
    QList<int> thicknessColumns() const;
    bool isThicknessColumn(int column) const;
    // Over the selection when there is one, else over the table.
    const ColumnStatistics &statistics(int column) const;
    // Always over the whole table.
    const ColumnStatistics &tableStatistics(int column) const;
    // Rows the user selected; empty: none (the figures cover the table).
    void setSelection(const RowRanges &rows);
    bool hasSelection() const { return !m_selection.isEmpty(); }
    qint64 selectedRows() const;

    // ---- limits ----
    // The limits of a layer (0: layer 1).
    const std::optional<Limits> &limits(int layer = 0) const;
    const LayerLimits &layerLimits() const { return m_limits; }
    // Sets (or with none, removes) a layer's limits and saves them for the current serial.
    // Limits that fail limitsProblem() are refused (false).
    bool setLimits(const std::optional<Limits> &limits, int layer = 0);
    // Layers the table's layout has (1 or 3).
    int layerCount() const;
    // The layer a thickness column shows (0: layer 1); -1 for other columns.
    int layerOf(int column) const;
    // The thickness column of a layer; -1 when the layout has none.
    int columnOfLayer(int layer) const;
    // Whether any layer has limits.
    bool hasLimits() const;
    // The limits that judge a column, in the column's unit; none when it is not judged.
    std::optional<Limits> columnLimits(int column) const;
    // Whether the column's readings are judged (its layer has limits, its unit converts).
    bool isJudged(int column) const;
    // The band of one cell; none for unjudged columns and out-of-range readings.
    std::optional<Band> band(int row, int column) const;
    // The unit a layer's limits are entered in: that of its thickness column.
    QString limitsUnit(int layer = 0) const;
    int limitsDecimals(int layer = 0) const;

    // Where limits are kept; null keeps them only in memory. Not owned.
    void setStore(LimitsStore *store);
    LimitsStore *store() const { return m_store; }
    // The gauge the table belongs to: its saved limits replace the current ones (an empty
    // serial keeps the current limits).
    void setSerial(const QString &serial);
    QString serial() const { return m_serial; }

    // ---- charts ----
    // The thickness column charted (-1 without one); a non-thickness column is ignored.
    void setChartColumn(int column);
    int chartColumn() const { return m_chartColumn; }
    // Pixel columns available to the run chart. It keeps up to twice as many buckets: with
    // buckets of a power-of-two row count that makes every bucket at most one pixel column
    // wide, so each pixel column's lowest and highest reading are drawn.
    void setChartWidth(int pixels);
    const RunSeries &runSeries() const { return m_run; }
    const Histogram &histogram() const { return m_histogram; }

signals:
    void statisticsChanged();
    void limitsChanged();
    // The chart data changed; appendedOnly: only rows at the end were added.
    void chartChanged(bool appendedOnly);

private:
    QHash<int, ColumnStatistics> compute(const RowRanges &rows) const;
    void recomputeAll();
    void recomputeSelection();
    void rebuildChart();
    void rowsAppended(int first, int last);
    void syncColumns();
    const BandJudge *judge(int column) const;
    void rebuildJudges();

    RecordsModel &m_model;
    LimitsStore *m_store = nullptr;
    QString m_serial;
    LayerLimits m_limits;
    QList<int> m_valueColumns;
    QHash<int, ColumnStatistics> m_table;
    QHash<int, ColumnStatistics> m_selected;
    QHash<int, BandJudge> m_judges;
    RowRanges m_selection;
    int m_seenRows = 0;
    int m_chartColumn = -1;
    RunSeries m_run{2000};
    Histogram m_histogram;
    ColumnStatistics m_empty;
};
