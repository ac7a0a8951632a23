#include "analysis/GridSummary.h"

#include <cmath>

GridSummary summarizeGrid(const GridLayout &layout, const QVector<double> &values, GridQuantity quantity)
{
    GridSummary s;
    if (!layout.isValid() || values.size() != layout.cellCount())
        return s;
    const int rows = layout.rows(), columns = layout.columns();
    s.rows.resize(rows);
    s.columns.resize(columns);
    const bool anyMasked = layout.maskedCount() > 0;
    // A NaN comparison is always false, so an empty line's NaN is replaced by its first value.
    const auto take = [quantity](GridExtreme &e, GridCell cell, double v) {
        if (!e.isValid() || gridWorse(v, e.value, quantity)) {
            e.cell = cell;
            e.value = v;
        }
    };
    for (int r = 0; r < rows; ++r) {
        const double *line = values.constData() + qsizetype(r) * columns;
        for (int c = 0; c < columns; ++c) {
            const double v = line[c];
            if (!std::isfinite(v))
                continue;
            const GridCell cell{r + 1, c};
            if (anyMasked && layout.isMasked(cell))
                continue;
            ++s.measured;
            take(s.rows[r], cell, v);
            take(s.columns[c], cell, v);
            if (!s.worst.isValid() || gridWorse(v, s.worst.value, quantity)) {
                s.worst = GridExtreme{cell, v};
                s.worstRow = r;
                s.worstColumn = c;
            }
        }
    }
    return s;
}
