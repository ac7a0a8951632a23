#pragma once

#include "session/GridFill.h"

#include <QString>

// Why filling a grid could not start or a placing was refused, in the language wanted (empty:
// the current one).
QString gridFillProblemText(GridFill::Problem problem, const QString &language = QString());
