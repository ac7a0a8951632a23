#include "analysis/AnalysisWords.h"

#include "analysis/Limits.h"
#include "analysis/SurveyComparison.h"
#include "interaction/Language.h"

#include <QCoreApplication>

#include <cmath>

namespace {

const char *const context = "AnalysisWords";

QString say(const char *source, const QString &language)
{
    return language.isEmpty() ? QCoreApplication::translate(context, source)
                              : Language::instance().translate(language, context, source);
}

QString date(const QVariant &ms)
{
    return comparisonDate(ms.toLongLong());
}

QString number(const QVariant &value)
{
    return readableNumber(value.toDouble());
}

// Chinese lists run without spaces and with full-width marks: the joins are words too.
QString joined(const QStringList &parts, const char *pair, const QString &language)
{
    QString out = parts.value(0);
    for (int i = 1; i < parts.size(); ++i)
        out = say(pair, language).arg(out, parts[i]);
    return out;
}

QString gauges(const QVariantList &args, const QString &language)
{
    const QStringList serials = args.value(0).toStringList();
    const QVariantList datesPerGauge = args.value(1).toList();
    QStringList named;
    for (int g = 0; g < serials.size(); ++g) {
        QStringList dates;
        for (const QVariant &ms : datesPerGauge.value(g).toList())
            dates << date(ms);
        named << say(QT_TRANSLATE_NOOP("AnalysisWords", "gauge %1 (%2)"), language)
                     .arg(serials[g], joined(dates, QT_TRANSLATE_NOOP("AnalysisWords", "%1, %2"), language));
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "The surveys come from %1 gauges: %2. A difference between gauges "
                                                  "reads as wear."),
               language)
        .arg(serials.size())
        .arg(joined(named, QT_TRANSLATE_NOOP("AnalysisWords", "%1; %2"), language));
}

// The rates a RatesNegative finding names, from its bits.
QString negativeRates(int bits, const QString &language)
{
    QStringList names;
    if (bits & 1)
        names << governsWords(CmlFigures::Governs::LongTerm, language);
    if (bits & 2)
        names << governsWords(CmlFigures::Governs::ShortTerm, language);
    if (bits & 4)
        names << governsWords(CmlFigures::Governs::Regression, language);
    return joined(names, QT_TRANSLATE_NOOP("AnalysisWords", "%1, %2"), language);
}

} // namespace

QString findingText(const Finding &f, const QString &language)
{
    const QVariantList &a = f.args;
    auto plain = [&language](const char *source) { return say(source, language); };
    switch (f.code) {
    case Finding::None:
        return QString();
    case Finding::LimitsNotNumbers:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Limits must be numbers."));
    case Finding::LimitsNotTypedNumbers:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Limits must be numbers, for example 5.00."));
    case Finding::LimitsMissing:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Enter the nominal and the minimum thickness."));
    case Finding::LimitsNegative:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Limits cannot be negative."));
    case Finding::LimitsTooLarge:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Limits cannot exceed %1.")).arg(number(a.value(0)));
    case Finding::NominalNotPositive:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The nominal thickness must be above zero."));
    case Finding::MinimumAboveNominal:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The minimum thickness is above the nominal thickness."));
    case Finding::MaximumBelowNominal:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The maximum thickness is below the nominal thickness."));
    case Finding::ToleranceNotBelowNominal:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The tolerance must be smaller than the nominal thickness."));
    case Finding::TooFewSurveys:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Choose at least two surveys to compare."));
    case Finding::IntervalNotPositive:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords",
                                       "The longest inspection interval must be a number of years above zero."));
    case Finding::MinimumOutOfRange:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The minimum thickness must be a number from 0 to %1."))
            .arg(number(a.value(0)));
    case Finding::SurveyUnitsDiffer:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The survey of %1 is in %2 and the one of %3 in %4: these "
                                                        "units cannot be compared."))
            .arg(date(a.value(0)), a.value(1).toString(), date(a.value(2)), a.value(3).toString());
    case Finding::MinimumUnitDiffers:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The minimum thickness is in %1, the surveys in %2: these "
                                                        "units cannot be compared."))
            .arg(a.value(0).toString(), a.value(1).toString());
    case Finding::IntervalCapped:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The longest interval is taken as %1 years: no inspection is "
                                                        "planned further ahead."))
            .arg(number(a.value(0)));
    case Finding::SeveralGauges:
        return gauges(a, language);
    case Finding::UnplacedReadings:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "%1 measurements the gauge sent by itself in the survey of %2 "
                                                        "have no record number (no place in its memory) and are not "
                                                        "compared."))
            .arg(a.value(0).toInt())
            .arg(date(a.value(1)));
    case Finding::SurveyConverted:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The survey of %1 was converted from %2 to %3."))
            .arg(date(a.value(0)), a.value(1).toString(), a.value(2).toString());
    case Finding::SameDaySurveys:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The surveys of %1 and %2 were taken less than a day apart: "
                                                        "no rate is computed between them."))
            .arg(date(a.value(0)), date(a.value(1)));
    case Finding::DuplicateLocation:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Occurs more than once in the survey of %1; its first reading "
                                                        "is used."))
            .arg(date(a.value(0)));
    case Finding::NoReadingAnywhere:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No reading in any survey."));
    case Finding::ReadInFewSurveys:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Read in %1 of the surveys only: no rate."))
            .arg(a.value(0).toInt());
    case Finding::NotReadInSome:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No reading in %1 of the surveys.")).arg(a.value(0).toInt());
    case Finding::NotReadInNewest:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Not read in the newest survey: remaining life and next date "
                                                        "count from %1."))
            .arg(date(a.value(0)));
    case Finding::SameDayReadings:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Its readings were taken less than a day apart: no rate."));
    case Finding::SameDayLastReadings:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords",
                                       "The last two readings were taken less than a day apart: no short-term rate."));
    case Finding::Thickened:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords",
                                       "Thicker than before (measurement scatter?): that rate is shown as zero."));
    case Finding::UnderMinimum:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Under the minimum thickness."));
    case Finding::LessLifeThanInterval:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Less life left than the longest interval."));
    case Finding::DesignMissing:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The design input %1 is missing.")).arg(a.value(0).toString());
    case Finding::DesignNegative:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The design input %1 cannot be negative."))
            .arg(a.value(0).toString());
    case Finding::DesignOutOfRange:
        if (!std::isfinite(a.value(2).toDouble()))
            return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The design input %1 must be a number above %2."))
                .arg(a.value(0).toString(), number(a.value(1)));
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The design input %1 must lie between %2 and %3."))
            .arg(a.value(0).toString(), number(a.value(1)), number(a.value(2)));
    case Finding::DesignThickWall:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The pressure design thickness %1 %3 is not below D/6 = %2 "
                                                        "%3: the straight pipe formula does not hold for so thick a "
                                                        "wall."))
            .arg(number(a.value(0)), number(a.value(1)), a.value(2).toString());
    case Finding::DesignHighPressure:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "P/(S·E) is %1, above %2: the formula does not hold at so "
                                                        "high a pressure."))
            .arg(number(a.value(0)), number(a.value(1)));
    case Finding::DesignThickShell:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The shell thickness %1 %3 is above R/2 = %2 %3: the "
                                                        "formula does not hold for so thick a shell."))
            .arg(number(a.value(0)), number(a.value(1)), a.value(2).toString());
    case Finding::DesignUnitUnknown:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The readings are in %1: a required thickness is computed "
                                                        "in mm or inch only."))
            .arg(a.value(0).toString());
    case Finding::CoefficientFromTable:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Y = %1, from ASME B31.3 Table 304.1.1 at %2 °C."))
            .arg(number(a.value(0)), number(a.value(1)));
    case Finding::TankFloorApplied:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The least shell thickness API 653 allows, %1 %2, governs."))
            .arg(number(a.value(0)), a.value(1).toString());
    case Finding::NoCountedReadings:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No reading counts: no rate."));
    case Finding::OneCountedReading:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Only one reading counts: no rate."));
    case Finding::ShortTermTooClose:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The last two readings counted are %1 years apart, less "
                                                        "than half a year: no short-term rate."))
            .arg(number(a.value(0)));
    case Finding::NoRegressionFewReadings:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "%1 readings count: a fitted rate needs three or more on "
                                                        "different dates."))
            .arg(a.value(0).toInt());
    case Finding::RatesNegative:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Thicker than before (measurement scatter?): the %1 rate is "
                                                        "taken as zero."))
            .arg(negativeRates(a.value(0).toInt(), language));
    case Finding::RateGoverns:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "The %1 rate governs (rule: %2)."))
            .arg(governsWords(CmlFigures::Governs(a.value(0).toInt()), language),
                 rateRuleWords(RateRule(a.value(1).toInt()), language));
    case Finding::NoRequiredThickness:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No required thickness: no remaining life and no next date."));
    case Finding::ReadingsMarked:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Readings marked and not yet decided: %1."))
            .arg(a.value(0).toInt());
    case Finding::ReadingsLeftOut:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "Readings left out of the rates: %1.")).arg(a.value(0).toInt());
    case Finding::ExtremeNotFinite:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: a value or an area is not "
                                                        "a number."));
    case Finding::ExtremeTooFewBlocks:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: %1 sample blocks, at "
                                                        "least %2 are needed."))
            .arg(a.value(0).toInt())
            .arg(a.value(1).toInt());
    case Finding::ExtremeBlockAreaNotPositive:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: the sample block area "
                                                        "must be above zero."));
    case Finding::ExtremeAreaNotLarger:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: the total area %2 is not "
                                                        "larger than one sample block's, %1."))
            .arg(number(a.value(0)), number(a.value(1)));
    case Finding::ExtremeAllEqual:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: every sample block has the "
                                                        "same deepest loss, so there is no spread to fit."));
    case Finding::ExtremePoorFit:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: the deepest losses do not "
                                                        "follow an extreme-value law (r = %1, below %2)."))
            .arg(number(a.value(0)), number(a.value(1)));
    case Finding::ExtremeNeedsPitch:
        return plain(QT_TRANSLATE_NOOP("AnalysisWords", "No estimate of the thinnest spot: a total area in square "
                                                        "metres needs the grid's cell pitch."));
    }
    return QString();
}

QString findingsText(const Findings &findings, const QString &language)
{
    QStringList texts;
    for (const Finding &f : findings)
        if (!f.isEmpty())
            texts << findingText(f, language);
    // Sentences one after the other: a space between them in English, none in Chinese.
    return joined(texts, QT_TRANSLATE_NOOP("AnalysisWords", "%1 %2"), language);
}

QString markWords(ReadingMark mark, const QString &language)
{
    switch (mark) {
    case ReadingMark::None:
        break;
    case ReadingMark::Verify:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Verify"), language);
    case ReadingMark::Excluded:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Excluded"), language);
    case ReadingMark::Outlier:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Outlier"), language);
    }
    return QString();
}

QString verdictWords(ProbeVerdict verdict, const QString &language)
{
    switch (verdict) {
    case ProbeVerdict::Ok:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "OK"), language);
    case ProbeVerdict::UnderMinimum:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "under minimum"), language);
    case ProbeVerdict::ThickerThanBefore:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "re-measure: thicker than before"), language);
    case ProbeVerdict::UnexpectedLoss:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "re-measure: unexpected loss"), language);
    case ProbeVerdict::NoValue:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "no value: out of range"), language);
    }
    return QString();
}

QString decisionWords(MarkDecision decision, const QString &language)
{
    switch (decision) {
    case MarkDecision::None:
        break;
    case MarkDecision::Include:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Counted"), language);
    case MarkDecision::Exclude:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Left out"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "As marked"), language);
}

QString rateRuleWords(RateRule rule, const QString &language)
{
    switch (rule) {
    case RateRule::LongShortMax:
        break;
    case RateRule::LongTerm:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Long-term rate"), language);
    case RateRule::ShortTerm:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Short-term rate"), language);
    case RateRule::Regression:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Fitted rate"), language);
    case RateRule::RegressionUpper:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Fitted rate, upper 95 % bound"), language);
    case RateRule::Largest:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Largest of long-term, short-term and fitted"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "Larger of long-term and short-term"), language);
}

QString intervalRuleWords(IntervalRule rule, const QString &language)
{
    switch (rule) {
    case IntervalRule::Api570Class1:
        break;
    case IntervalRule::Api570Class2:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "API 570 class 2 (10 years)"), language);
    case IntervalRule::Api570Class3:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "API 570 class 3 (10 years)"), language);
    case IntervalRule::Api510:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "API 510 (10 years)"), language);
    case IntervalRule::Years:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "A number of years"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "API 570 class 1 (5 years)"), language);
}

QString governsWords(CmlFigures::Governs governs, const QString &language)
{
    switch (governs) {
    case CmlFigures::Governs::Nothing:
        break;
    case CmlFigures::Governs::LongTerm:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "long-term"), language);
    case CmlFigures::Governs::ShortTerm:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "short-term"), language);
    case CmlFigures::Governs::Regression:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "fitted"), language);
    case CmlFigures::Governs::RegressionUpper:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "fitted (upper 95 % bound)"), language);
    }
    return QString();
}

QString requirementGovernsWords(ThicknessRequirement::Governs governs, const QString &language)
{
    switch (governs) {
    case ThicknessRequirement::Governs::Nothing:
        break;
    case ThicknessRequirement::Governs::Pressure:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "pressure design"), language);
    case ThicknessRequirement::Governs::Structural:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "structural minimum"), language);
    }
    return QString();
}

QString formulaWords(DesignFormula formula, const QString &language)
{
    switch (formula) {
    case DesignFormula::None:
        break;
    case DesignFormula::PipeB31_3:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Straight pipe, %1"), language).arg(formulaStandard(formula));
    case DesignFormula::ShellUG27:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Cylindrical shell, %1"), language).arg(formulaStandard(formula));
    case DesignFormula::TankApi653:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Tank shell course, %1"), language).arg(formulaStandard(formula));
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "No pressure design (structural minimum only)"), language);
}

QString pressureUnitWords(PressureUnit unit, const QString &language)
{
    switch (unit) {
    case PressureUnit::MPa:
        break;
    case PressureUnit::Psi:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "psi"), language);
    case PressureUnit::Bar:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "bar"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "MPa"), language);
}

QString lengthUnitWords(LengthUnit unit, const QString &language)
{
    switch (unit) {
    case LengthUnit::Millimetre:
        break;
    case LengthUnit::Inch:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "inch"), language);
    case LengthUnit::Metre:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "m"), language);
    case LengthUnit::Foot:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "ft"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "mm"), language);
}

QString temperatureUnitWords(TemperatureUnit unit, const QString &language)
{
    if (unit == TemperatureUnit::Fahrenheit)
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "°F"), language);
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "°C"), language);
}

QString materialGroupWords(MaterialGroup group, const QString &language)
{
    switch (group) {
    case MaterialGroup::Ferritic:
        break;
    case MaterialGroup::Austenitic:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Austenitic steels"), language);
    case MaterialGroup::OtherDuctile:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Other ductile metals"), language);
    case MaterialGroup::CastIron:
        return say(QT_TRANSLATE_NOOP("AnalysisWords", "Cast iron"), language);
    }
    return say(QT_TRANSLATE_NOOP("AnalysisWords", "Ferritic steels"), language);
}
