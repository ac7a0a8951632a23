#include "analysis/ReadingsAnalysis.h"

#include "analysis/LimitsStore.h"
#include "records/RecordsModel.h"

ReadingsAnalysis::ReadingsAnalysis(RecordsModel &model, QObject *parent) : QObject(parent), m_model(model)
{
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        syncColumns();
        recomputeAll();
    });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (first == m_seenRows)
            rowsAppended(first, last);
        else
            recomputeAll();
    });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &ReadingsAnalysis::recomputeAll);
    syncColumns();
    recomputeAll();
}

// ---- columns ----

void ReadingsAnalysis::syncColumns()
{
    m_valueColumns.clear();
    for (int c = 0; c < m_model.columnCount(); ++c)
        if (m_model.valueIndex(c) >= 0)
            m_valueColumns.append(c);
    const QList<int> thickness = thicknessColumns();
    if (!thickness.contains(m_chartColumn))
        m_chartColumn = thickness.value(0, -1);
    rebuildJudges();
}

bool ReadingsAnalysis::isThicknessColumn(int column) const
{
    const int value = m_model.valueIndex(column);
    if (value < 0)
        return false;
    // Layout 1 holds {thickness, velocity}; layout 2 three thicknesses, then three velocities.
    return m_model.layout() == 1 ? value == 0 : value < 3;
}

QList<int> ReadingsAnalysis::thicknessColumns() const
{
    QList<int> out;
    for (int c : m_valueColumns)
        if (isThicknessColumn(c))
            out.append(c);
    return out;
}

// ---- statistics ----

const ColumnStatistics &ReadingsAnalysis::statistics(int column) const
{
    const auto &source = hasSelection() ? m_selected : m_table;
    auto it = source.constFind(column);
    return it == source.constEnd() ? m_empty : *it;
}

const ColumnStatistics &ReadingsAnalysis::tableStatistics(int column) const
{
    auto it = m_table.constFind(column);
    return it == m_table.constEnd() ? m_empty : *it;
}

qint64 ReadingsAnalysis::selectedRows() const
{
    qint64 n = 0;
    for (const RowRange &r : m_selection)
        n += std::max(0, std::min(r.last, m_model.rowCount() - 1) - std::max(r.first, 0) + 1);
    return n;
}

void ReadingsAnalysis::setSelection(const RowRanges &rows)
{
    RowRanges cleaned;
    for (const RowRange &r : rows)
        if (r.first <= r.last)
            cleaned.append(r);
    if (cleaned.isEmpty() && m_selection.isEmpty())
        return;
    m_selection = cleaned;
    recomputeSelection();
    emit statisticsChanged();
}

const BandJudge *ReadingsAnalysis::judge(int column) const
{
    auto it = m_judges.constFind(column);
    return it == m_judges.constEnd() ? nullptr : &*it;
}

QHash<int, ColumnStatistics> ReadingsAnalysis::compute(const RowRanges &rows) const
{
    QVector<int> values;
    QVector<const BandJudge *> judges;
    for (int c : m_valueColumns) {
        values.append(m_model.valueIndex(c));
        judges.append(judge(c));
    }
    const QVector<ColumnStatistics> figures = computeStatistics(m_model, values, rows, judges);
    QHash<int, ColumnStatistics> out;
    for (qsizetype k = 0; k < m_valueColumns.size(); ++k)
        out.insert(m_valueColumns[k], figures[k]);
    return out;
}

void ReadingsAnalysis::recomputeSelection()
{
    m_selected.clear();
    if (!m_selection.isEmpty())
        m_selected = compute(m_selection);
}

void ReadingsAnalysis::recomputeAll()
{
    m_table = compute(allRows(m_model));
    m_seenRows = m_model.rowCount();
    recomputeSelection();
    emit statisticsChanged();
    rebuildChart();
}

void ReadingsAnalysis::rowsAppended(int first, int last)
{
    for (int c : m_valueColumns)
        appendStatistics(m_table[c], m_model, m_model.valueIndex(c), first, last, judge(c));
    m_seenRows = m_model.rowCount();
    emit statisticsChanged();

    if (m_chartColumn < 0)
        return;
    const int value = m_model.valueIndex(m_chartColumn);
    m_run.appendRows(m_model, value, first, last);
    bool fits = true;
    for (int row = first; row <= last && fits; ++row)
        if (!m_model.isOutOfRange(row, value))
            fits = m_histogram.add(double(m_model.value(row, value)));
    // The bins are redrawn when a reading falls outside them, or when the readings so far
    // call for another bin width (early readings would otherwise fix a coarse width).
    const ColumnStatistics &stats = m_table[m_chartColumn];
    const int decimals = m_model.decimals(m_chartColumn);
    if (fits && Histogram::binWidth(stats.count, stats.standardDeviation(), stats.minimum, stats.maximum, decimals)
                    != m_histogram.width)
        fits = false;
    if (!fits)
        m_histogram = Histogram::compute(m_model, value, stats, decimals);
    emit chartChanged(fits);
}

// ---- limits ----

int ReadingsAnalysis::layerCount() const
{
    return m_model.layout() == 2 ? LayerCount : 1;
}

int ReadingsAnalysis::layerOf(int column) const
{
    return isThicknessColumn(column) ? m_model.valueIndex(column) : -1;
}

int ReadingsAnalysis::columnOfLayer(int layer) const
{
    for (int c = 0; c < m_model.columnCount(); ++c)
        if (isThicknessColumn(c) && m_model.valueIndex(c) == layer)
            return c;
    return -1;
}

const std::optional<Limits> &ReadingsAnalysis::limits(int layer) const
{
    static const std::optional<Limits> none;
    return layer >= 0 && layer < LayerCount ? m_limits[size_t(layer)] : none;
}

bool ReadingsAnalysis::hasLimits() const
{
    for (int layer = 0; layer < layerCount(); ++layer)
        if (m_limits[size_t(layer)])
            return true;
    return false;
}

QString ReadingsAnalysis::limitsUnit(int layer) const
{
    const int c = columnOfLayer(layer);
    return c < 0 ? QString() : m_model.unitName(c);
}

int ReadingsAnalysis::limitsDecimals(int layer) const
{
    const int c = columnOfLayer(layer);
    return c < 0 ? 2 : m_model.decimals(c);
}

std::optional<Limits> ReadingsAnalysis::columnLimits(int column) const
{
    const std::optional<Limits> &own = limits(layerOf(column));
    if (!own)
        return std::nullopt;
    // Limits saved before the table had a unit take the table's.
    return own->unit.isEmpty() ? own : own->inUnit(m_model.unitName(column));
}

void ReadingsAnalysis::rebuildJudges()
{
    m_judges.clear();
    for (int c : thicknessColumns())
        if (const std::optional<Limits> converted = columnLimits(c))
            m_judges.insert(c, BandJudge(*converted, m_model.decimals(c)));
}

bool ReadingsAnalysis::isJudged(int column) const
{
    return m_judges.contains(column);
}

std::optional<Band> ReadingsAnalysis::band(int row, int column) const
{
    const BandJudge *j = judge(column);
    const int value = m_model.valueIndex(column);
    if (!j || value < 0 || row < 0 || row >= m_model.rowCount() || m_model.isOutOfRange(row, value))
        return std::nullopt;
    return j->band(double(m_model.value(row, value)));
}

bool ReadingsAnalysis::setLimits(const std::optional<Limits> &limits, int layer)
{
    if (layer < 0 || layer >= LayerCount || (limits && !limitsProblem(*limits).isEmpty()))
        return false;
    std::optional<Limits> &slot = m_limits[size_t(layer)];
    const bool changed = limits.has_value() != slot.has_value() || (limits && *limits != *slot);
    slot = limits;
    if (m_store && !m_serial.isEmpty())
        m_store->saveLayers(m_serial, m_limits);
    if (!changed)
        return true;
    rebuildJudges();
    emit limitsChanged();
    recomputeAll();
    return true;
}

void ReadingsAnalysis::setStore(LimitsStore *store)
{
    m_store = store;
    if (m_store && !m_serial.isEmpty()) {
        const QString serial = m_serial;
        m_serial.clear();
        setSerial(serial);
    }
}

void ReadingsAnalysis::setSerial(const QString &serial)
{
    if (serial == m_serial)
        return;
    m_serial = serial;
    if (serial.isEmpty() || !m_store)
        return;
    const LayerLimits saved = m_store->loadLayers(serial);
    if (saved == m_limits)
        return;
    m_limits = saved;
    rebuildJudges();
    emit limitsChanged();
    recomputeAll();
}

// ---- charts ----

void ReadingsAnalysis::setChartColumn(int column)
{
    if (column == m_chartColumn || !isThicknessColumn(column))
        return;
    m_chartColumn = column;
    rebuildChart();
}

void ReadingsAnalysis::setChartWidth(int pixels)
{
    const int buckets = 2 * std::max(50, pixels);
    if (buckets == m_run.maxBuckets())
        return;
    m_run.setMaxBuckets(buckets);
    rebuildChart();
}

void ReadingsAnalysis::rebuildChart()
{
    m_run.clear();
    m_histogram = Histogram();
    if (m_chartColumn >= 0) {
        const int value = m_model.valueIndex(m_chartColumn);
        m_run.rebuild(m_model, value);
        m_histogram = Histogram::compute(m_model, value, m_table.value(m_chartColumn), m_model.decimals(m_chartColumn));
    }
    emit chartChanged(false);
}
