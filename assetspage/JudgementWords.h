#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/RequiredThickness.h"

#include <QCoreApplication>
#include <QString>

// The window's words for judging CMLs, in the language in use: the analysis' names of marks,
// decisions, rules, formulas and units, and what only the window says (a mark with its
// decision, a number of years).
class JudgementWords
{
    Q_DECLARE_TR_FUNCTIONS(JudgementWords)
public:
    static QString mark(ReadingMark mark);
    // The mark with the user's decision on it, as the history's Mark column says it.
    static QString markWithDecision(ReadingMark mark, MarkDecision decision);
    static QString decision(MarkDecision decision);
    static QString rateRule(RateRule rule);
    static QString intervalRule(IntervalRule rule);
    static QString formula(DesignFormula formula);
    static QString governs(CmlFigures::Governs governs);
    static QString material(MaterialGroup group);
    static QString pressureUnit(PressureUnit unit);
    static QString lengthUnit(LengthUnit unit);
    static QString temperatureUnit(TemperatureUnit unit);
    // A number of years ("12.3 years"), "never" for infinity, empty for NaN.
    static QString years(double years);
};
