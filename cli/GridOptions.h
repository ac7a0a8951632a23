#pragma once

#include "analysis/GridLayout.h"

#include <QString>
#include <QVector>

#include <optional>

// How the tool names a grid's walks and cells on the command line.
namespace Cli {

// "top-left-rows", "bottom-right-columns-snake": CORNER-AXIS[-snake|-straight], case-insensitive;
// nullopt for anything else. All 16 patterns have a name.
std::optional<WalkPattern> walkPatternNamed(const QString &given);
// The name walkPatternNamed reads back ("-straight" left out).
QString walkPatternName(WalkPattern pattern);
// "A1,B2:C4": cells and ranges (the rectangle between two corners) of `layout`, in the order
// given. False with the part that is no cell of the layout in *bad.
bool cellsNamed(const QString &given, const GridLayout &layout, QVector<GridCell> *cells, QString *bad);

} // namespace Cli
