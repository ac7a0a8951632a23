#include "assetspage/JudgementWords.h"

#include "analysis/AnalysisWords.h"

#include <QLocale>

#include <cmath>

QString JudgementWords::mark(ReadingMark mark)
{
    return markWords(mark);
}

QString JudgementWords::markWithDecision(ReadingMark mark, MarkDecision decision)
{
    switch (decision) {
    case MarkDecision::None:
        return JudgementWords::mark(mark);
    case MarkDecision::Include:
        return mark == ReadingMark::None ? tr("Accepted") : tr("%1, accepted").arg(JudgementWords::mark(mark));
    case MarkDecision::Exclude:
        return mark == ReadingMark::None ? tr("Left out") : tr("%1, left out").arg(JudgementWords::mark(mark));
    }
    return QString();
}

QString JudgementWords::decision(MarkDecision decision)
{
    return decisionWords(decision);
}

QString JudgementWords::rateRule(RateRule rule)
{
    return rateRuleWords(rule);
}

QString JudgementWords::intervalRule(IntervalRule rule)
{
    return intervalRuleWords(rule);
}

QString JudgementWords::formula(DesignFormula formula)
{
    return formula == DesignFormula::None ? tr("None (the structural minimum only)") : formulaWords(formula);
}

QString JudgementWords::governs(CmlFigures::Governs governs)
{
    return governsWords(governs);
}

QString JudgementWords::material(MaterialGroup group)
{
    return materialGroupWords(group);
}

QString JudgementWords::pressureUnit(PressureUnit unit)
{
    return pressureUnitWords(unit);
}

QString JudgementWords::lengthUnit(LengthUnit unit)
{
    return lengthUnitWords(unit);
}

QString JudgementWords::temperatureUnit(TemperatureUnit unit)
{
    return temperatureUnitWords(unit);
}

QString JudgementWords::years(double years)
{
    if (std::isnan(years))
        return QString();
    if (std::isinf(years))
        return tr("never");
    return tr("%1 years").arg(QLocale().toString(years, 'f', 1));
}
