#pragma once

#include "store/SurveyStore.h"

#include <QString>

// The survey store's facts in words. `language` empty: the language in use; else that
// language's catalogue (messages shown in both languages at once).

// Why readings are not kept, for the user ("" for Problem::None).
QString storeProblemText(SurveyStore::Problem problem, const QString &language = QString());
// How much of a session went out in exports: "no", "all" or "41 of 81".
QString exportedRowsText(const SurveySummary &summary, const QString &language = QString());
