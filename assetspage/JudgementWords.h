#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/RequiredThickness.h"

#include <QCoreApplication>
#include <QString>

// What only the window says about judging CMLs, in the language in use: a mark with its
// decision, the formula chooser's "none", a number of years. The analysis' own names of marks,
// rules, formulas and units come from analysis/AnalysisWords.h.
class JudgementWords
{
    Q_DECLARE_TR_FUNCTIONS(JudgementWords)
public:
    // The mark with the user's decision on it, as the history's Mark column says it.
    static QString markWithDecision(ReadingMark mark, MarkDecision decision);
    static QString formula(DesignFormula formula);
    // A number of years ("12.3 years"), "never" for infinity, empty for NaN.
    static QString years(double years);
};
