#include "assetspage/JudgementWords.h"

#include <QLocale>

#include <cmath>

QString JudgementWords::mark(ReadingMark mark)
{
    switch (mark) {
    case ReadingMark::None:
        return QString();
    case ReadingMark::Verify:
        return tr("Verify");
    case ReadingMark::Excluded:
        return tr("Excluded");
    case ReadingMark::Outlier:
        return tr("Outlier");
    }
    return QString();
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
    switch (decision) {
    case MarkDecision::None:
        return tr("No decision");
    case MarkDecision::Include:
        return tr("Accepted");
    case MarkDecision::Exclude:
        return tr("Left out");
    }
    return QString();
}

QString JudgementWords::rateRule(RateRule rule)
{
    switch (rule) {
    case RateRule::LongShortMax:
        return tr("The larger of long-term and short-term");
    case RateRule::LongTerm:
        return tr("Long-term");
    case RateRule::ShortTerm:
        return tr("Short-term");
    case RateRule::Regression:
        return tr("Regression");
    case RateRule::RegressionUpper:
        return tr("Regression, upper bound of its 95 % interval");
    case RateRule::Largest:
        return tr("The largest of the three");
    }
    return QString();
}

QString JudgementWords::intervalRule(IntervalRule rule)
{
    switch (rule) {
    case IntervalRule::Api570Class1:
        return tr("API 570 class 1 (5 years)");
    case IntervalRule::Api570Class2:
        return tr("API 570 class 2 (10 years)");
    case IntervalRule::Api570Class3:
        return tr("API 570 class 3 (10 years)");
    case IntervalRule::Api510:
        return tr("API 510 (10 years)");
    case IntervalRule::Years:
        return tr("A number of years");
    }
    return QString();
}

QString JudgementWords::formula(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::None:
        return tr("None (the structural minimum only)");
    case DesignFormula::PipeB31_3:
        return tr("ASME B31.3 pipe");
    case DesignFormula::ShellUG27:
        return tr("ASME VIII UG-27 shell");
    case DesignFormula::TankApi653:
        return tr("API 653 tank shell");
    }
    return QString();
}

QString JudgementWords::governs(CmlFigures::Governs governs)
{
    switch (governs) {
    case CmlFigures::Governs::Nothing:
        return QString();
    case CmlFigures::Governs::LongTerm:
        return tr("long-term");
    case CmlFigures::Governs::ShortTerm:
        return tr("short-term");
    case CmlFigures::Governs::Regression:
        return tr("regression");
    case CmlFigures::Governs::RegressionUpper:
        return tr("regression, upper bound");
    }
    return QString();
}

QString JudgementWords::material(MaterialGroup group)
{
    switch (group) {
    case MaterialGroup::Ferritic:
        return tr("Ferritic steels");
    case MaterialGroup::Austenitic:
        return tr("Austenitic steels");
    case MaterialGroup::OtherDuctile:
        return tr("Other ductile metals");
    case MaterialGroup::CastIron:
        return tr("Cast iron");
    }
    return QString();
}

QString JudgementWords::pressureUnit(PressureUnit unit)
{
    switch (unit) {
    case PressureUnit::MPa:
        return QStringLiteral("MPa");
    case PressureUnit::Psi:
        return QStringLiteral("psi");
    case PressureUnit::Bar:
        return QStringLiteral("bar");
    }
    return QString();
}

QString JudgementWords::lengthUnit(LengthUnit unit)
{
    switch (unit) {
    case LengthUnit::Millimetre:
        return QStringLiteral("mm");
    case LengthUnit::Inch:
        return QStringLiteral("inch");
    case LengthUnit::Metre:
        return QStringLiteral("m");
    case LengthUnit::Foot:
        return QStringLiteral("ft");
    }
    return QString();
}

QString JudgementWords::temperatureUnit(TemperatureUnit unit)
{
    return unit == TemperatureUnit::Fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

QString JudgementWords::years(double years)
{
    if (std::isnan(years))
        return QString();
    if (std::isinf(years))
        return tr("never");
    return tr("%1 years").arg(QLocale().toString(years, 'f', 1));
}
