#include "session/AssetReportData.h"

#include "session/GridBook.h"
#include "session/JudgementBook.h"

#include <QHash>
#include <QSet>

#include <cmath>

namespace {

// The grid's newest survey, or its empty map when it has none.
AssetReportGrid reportGrid(const GridBook &grid, const QString &assetPath)
{
    AssetReportGrid g;
    g.group = assetPath;
    g.tag = grid.cml().tag;
    g.layout = grid.grid().layout;
    g.unit = grid.unit();
    g.decimals = grid.decimals();
    const Cml &cml = grid.cml();
    if (std::isfinite(cml.nominal) && std::isfinite(cml.minimum) && cml.minimum <= cml.nominal)
        g.limits = Limits{cml.nominal, cml.minimum, 0.0, std::nullopt, g.unit};
    const GridSurveyValues newest = grid.surveys().isEmpty() ? GridSurveyValues() : grid.values();
    if (newest.values.size() == g.layout.cellCount()) {
        g.values = newest.values;
        g.surveyDate = QDateTime::fromMSecsSinceEpoch(newest.dateMs);
    } else {
        g.values = QVector<double>(g.layout.cellCount(), AssetReportGrid::NaN);
    }
    g.summary = summarizeGrid(g.layout, g.values, GridQuantity::Thickness);
    if (!g.hasReadings())
        return g;
    const UnseenMinimum u = grid.unseenMinimum(newest.survey, UnseenOptions());
    g.estimate = u.estimate;
    g.blocks = u.blocks;
    g.cellsPerBlock = u.cellsPerBlock;
    g.blockArea = u.blockArea;
    g.totalArea = u.totalArea;
    g.areasInCells = u.areasInCells;
    g.referenceIsNominal = u.referenceIsNominal;
    return g;
}

} // namespace

AssetReportInput assetReportInput(const JudgementBook &book, const QString &assetPath, const ReportFields &fields,
                                  const QImage &logo)
{
    AssetReportInput input;
    input.fields = fields;
    input.logo = logo;
    input.assetPath = assetPath;
    input.date = QDateTime::currentDateTime();
    QHash<qint64, QString> circuitPaths;
    input.cmls.reserve(book.items().size());
    for (const CmlJudgement &item : book.items()) {
        AssetReportCml c;
        // Listed under its circuit; a CML of no circuit under its own asset.
        if (!item.circuit) {
            c.group = item.assetPath;
        } else if (item.circuit == item.cml.asset) {
            c.group = item.assetPath;
        } else {
            auto known = circuitPaths.constFind(item.circuit);
            if (known == circuitPaths.constEnd())
                known = circuitPaths.insert(item.circuit, book.places().assetPath(item.circuit));
            c.group = *known;
        }
        c.tag = item.cml.tag;
        c.description = item.cml.description;
        c.unit = item.unit.isEmpty() ? item.requirement.unit : item.unit;
        c.decimals = c.unit == QLatin1String("inch") ? 3 : 2;
        c.nominal = item.cml.nominal;
        c.design = item.design;
        c.requirement = item.requirement;
        c.policy = item.policy;
        c.series = item.series;
        c.figures = item.figures;
        input.cmls.append(c);
    }

    // The grids among the CMLs reported, in the report's order. One that cannot be read is left
    // out of the grid sections; its figures are still in the tables.
    const QVector<qint64> gridCmls = book.places().gridCmls();
    const QSet<qint64> grids(gridCmls.cbegin(), gridCmls.cend());
    for (const CmlJudgement &item : book.items()) {
        if (!grids.contains(item.cml.id))
            continue;
        GridBook grid(book.places());
        if (grid.load(item.cml.id))
            input.grids.append(reportGrid(grid, item.assetPath));
    }
    return input;
}
