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

} // namespace Cli
