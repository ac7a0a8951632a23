#include "session/GridBook.h"

#include "analysis/Limits.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

constexpr double SquareMillimetresPerM2 = 1e6;

struct SurveyOrder
{
    qint64 survey = 0;
    qint64 dateMs = 0;
};

// Surveys by when they were read, not by their key: a survey imported later may be older.
QVector<SurveyOrder> surveyOrder(const QVector<GridReading> &readings)
{
    QHash<qint64, qint64> newest;
    for (const GridReading &r : readings)
        newest[r.survey] = std::max(newest.value(r.survey, r.dateMs), r.dateMs);
    QVector<SurveyOrder> order;
    for (auto it = newest.cbegin(); it != newest.cend(); ++it)
        order.append({it.key(), it.value()});
    std::sort(order.begin(), order.end(), [](const SurveyOrder &a, const SurveyOrder &b) {
        return a.dateMs != b.dateMs ? a.dateMs < b.dateMs : a.survey < b.survey;
    });
    return order;
}

} // namespace

GridBook::GridBook(Places &places)
    : m_places(places)
{
}

bool GridBook::load(qint64 cml)
{
    m_loaded = false;
    m_readings.clear();
    m_unit = QStringLiteral("mm");
    const std::optional<GridDefinition> grid = m_places.grid(cml);
    if (!grid)
        return false;
    const Cml c = m_places.cml(cml);
    if (!c.id)
        return false;
    QVector<GridReading> readings = m_places.gridReadings(cml);
    if (m_places.problem() != Places::Problem::None)
        return false;
    m_cml = c;
    m_grid = *grid;

    const QVector<SurveyOrder> order = surveyOrder(readings);
    QHash<qint64, int> rank;
    for (int i = 0; i < order.size(); ++i)
        rank.insert(order[i].survey, i);
    std::stable_sort(readings.begin(), readings.end(), [&rank](const GridReading &a, const GridReading &b) {
        return rank.value(a.survey) < rank.value(b.survey);
    });
    if (!readings.isEmpty() && !readings.last().unit.isEmpty())
        m_unit = readings.last().unit;
    for (GridReading &r : readings) {
        r.thickness = thicknessIn(r.thickness, r.unit, m_unit);
        r.unit = m_unit;
    }
    m_readings = readings;
    m_loaded = true;
    return true;
}

int GridBook::decimals() const
{
    return m_unit == QLatin1String("inch") ? 3 : 2;
}

QVector<qint64> GridBook::surveys() const
{
    // m_readings is already in survey order.
    QVector<qint64> out;
    for (const GridReading &r : m_readings)
        if (out.isEmpty() || out.last() != r.survey)
            out.append(r.survey);
    return out;
}

GridSurveyValues GridBook::values(qint64 survey) const
{
    GridSurveyValues out;
    if (survey == 0) {
        if (m_readings.isEmpty())
            return out;
        survey = m_readings.last().survey;
    }
    out.survey = survey;
    const GridLayout &layout = m_grid.layout;
    bool any = false;
    for (const GridReading &r : m_readings) {
        if (r.survey != survey)
            continue;
        if (!any) {
            out.values.fill(UnseenOptions::NaN, layout.cellCount());
            out.keys.fill(0, layout.cellCount());
            any = true;
        }
        out.dateMs = std::max(out.dateMs, r.dateMs);
        if (!layout.contains(r.cell)) {
            ++out.withoutCell; // none, or a cell the grid no longer has
            continue;
        }
        ++out.readings;
        // In the order taken: a later reading of the cell replaces the earlier one, flagged or not.
        const int index = (r.cell.row - 1) * layout.columns() + r.cell.column;
        out.values[index] = r.thickness;
        out.keys[index] = r.key;
    }
    return out;
}

QVector<double> GridBook::loss(qint64 from, qint64 to) const
{
    const GridSurveyValues a = values(from);
    const GridSurveyValues b = values(to);
    if (a.values.isEmpty() || b.values.isEmpty())
        return {};
    QVector<double> out(a.values.size(), UnseenOptions::NaN);
    for (int i = 0; i < out.size(); ++i)
        if (std::isfinite(a.values[i]) && std::isfinite(b.values[i]))
            out[i] = a.values[i] - b.values[i];
    return out;
}

GridSummary GridBook::summary(qint64 survey) const
{
    return summarizeGrid(m_grid.layout, values(survey).values, GridQuantity::Thickness);
}

QVector<GridReading> GridBook::cellHistory(GridCell cell) const
{
    QVector<GridReading> out;
    for (const GridReading &r : m_readings)
        if (r.cell == cell)
            out.append(r);
    return out;
}

UnseenMinimum GridBook::unseenMinimum(qint64 survey, const UnseenOptions &options) const
{
    UnseenMinimum out;
    const GridLayout &layout = m_grid.layout;
    const GridSurveyValues v = values(survey);
    if (!layout.isValid()) {
        out.estimate.loss.refusal.code = Finding::ExtremeTooFewBlocks;
        out.estimate.loss.refusal.args = {0, GumbelFewestBlocks};
        return out;
    }

    // The cells that count: chosen ones inside the grid and not masked, else every unmasked cell.
    std::vector<bool> counts(size_t(layout.cellCount()), options.cells.isEmpty());
    for (const GridCell &c : options.cells)
        if (layout.contains(c))
            counts[size_t((c.row - 1) * layout.columns() + c.column)] = true;
    auto value = [&](int row, int column) {
        const int index = (row - 1) * layout.columns() + column;
        if (v.values.isEmpty() || !counts[size_t(index)] || layout.isMasked(GridCell{row, column}))
            return UnseenOptions::NaN;
        const double x = v.values[index];
        return std::isfinite(x) ? x : UnseenOptions::NaN;
    };

    const int blockRows = std::clamp(options.blockRows, 1, layout.rows());
    const int blockColumns = options.blockColumns <= 0 ? layout.columns() : std::min(options.blockColumns, layout.columns());
    out.cellsPerBlock = blockRows * blockColumns;

    QVector<double> minima;
    for (int top = 1; top <= layout.rows(); top += blockRows) {
        for (int left = 0; left < layout.columns(); left += blockColumns) {
            double least = UnseenOptions::NaN;
            for (int row = top; row < top + blockRows && row <= layout.rows(); ++row) {
                for (int column = left; column < left + blockColumns && column < layout.columns(); ++column) {
                    const double x = value(row, column);
                    if (std::isnan(x))
                        continue;
                    ++out.measuredCells;
                    if (std::isnan(least) || x < least)
                        least = x;
                    // Row by row, the first of equal values wins, as the summary does.
                    const GridCell cell{row, column};
                    if (std::isnan(out.thinnestMeasured) || x < out.thinnestMeasured
                        || (x == out.thinnestMeasured
                            && (row < out.thinnestCell.row
                                || (row == out.thinnestCell.row && column < out.thinnestCell.column)))) {
                        out.thinnestMeasured = x;
                        out.thinnestCell = cell;
                    }
                }
            }
            if (!std::isnan(least))
                minima.append(least);
        }
    }
    out.blocks = minima.size();

    double reference = options.reference;
    if (!std::isfinite(reference) && std::isfinite(m_cml.nominal) && m_cml.nominal > 0) {
        reference = m_cml.nominal;
        out.referenceIsNominal = true;
    }
    if (!std::isfinite(reference)) {
        // The thickest of the whole survey, chosen cells or not: the wall least touched.
        for (int i = 0; i < v.values.size(); ++i) {
            const double x = v.values[i];
            if (std::isfinite(x) && !layout.isMasked(GridCell{i / layout.columns() + 1, i % layout.columns()})
                && (!std::isfinite(reference) || x > reference))
                reference = x;
        }
    }

    const double pitch = layout.pitchMm();
    out.areasInCells = !(std::isfinite(pitch) && pitch > 0);
    if (out.areasInCells) {
        out.blockArea = out.cellsPerBlock;
        out.totalArea = layout.cellCount();
    } else {
        const double cellArea = pitch * pitch / SquareMillimetresPerM2;
        out.blockArea = out.cellsPerBlock * cellArea;
        out.totalArea = std::isfinite(options.totalAreaM2) ? options.totalAreaM2 : layout.cellCount() * cellArea;
    }

    auto refuse = [&](Finding::Code code, QVariantList args = {}) {
        out.estimate.reference = reference;
        out.estimate.loss.blocks = out.blocks;
        out.estimate.loss.blockArea = out.blockArea;
        out.estimate.loss.totalArea = out.totalArea;
        out.estimate.loss.refusal.code = code;
        out.estimate.loss.refusal.args = args;
        return out;
    };
    // Cells and square metres do not mix: the return period would mean nothing.
    if (out.areasInCells && std::isfinite(options.totalAreaM2))
        return refuse(Finding::ExtremeNeedsPitch);
    // Nothing measured leaves no reference either; the missing blocks are the reason to give.
    if (minima.isEmpty())
        return refuse(Finding::ExtremeTooFewBlocks, {0, GumbelFewestBlocks});
    out.estimate = estimateThinnestWall(minima, reference, out.blockArea, out.totalArea);
    return out;
}
