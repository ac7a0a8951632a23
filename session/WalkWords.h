#pragma once

#include "session/RouteWalk.h"

#include <QString>

// The walk's words, in the language wanted (empty: the current one).
// "no access", "insulated", "obstructed", "too hot", "unsafe", "other".
QString skipReasonWords(SkipReason reason, const QString &language = QString());
// Why a walk could not start or a key was refused.
QString walkProblemText(RouteWalk::Problem problem, const QString &language = QString());
