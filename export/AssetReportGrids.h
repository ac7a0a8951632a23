#pragma once

#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class ReportPage;
struct AssetReportGrid;

// The asset report's grid sections and their part of the appendix (the writer's own parts).
namespace AssetReportGrids {

// Starts a new page unless `height` fits below `y`; returns where to go on.
using Room = std::function<double(double y, double height)>;

// One grid: a heading (its path, tag and survey date), its map across the page, then its
// thinnest cell, the cells measured, and the thinnest wall expected over the area with the
// estimate's assumptions (or why there is none). Returns where the next part may start.
double section(ReportPage &page, bool paint, double y, const AssetReportGrid &grid, const Room &room);

// The extreme-value formulas with each estimating grid's inputs and results, as labelled
// paragraphs; empty when no grid has an estimate.
QVector<QPair<QString, QString>> appendix(const QVector<AssetReportGrid> &grids);

} // namespace AssetReportGrids
