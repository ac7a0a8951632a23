#include "analysis/AnalysisWords.h"

#include "analysis/Limits.h"
#include "analysis/SurveyComparison.h"
#include "interaction/Language.h"

#include <QCoreApplication>

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
