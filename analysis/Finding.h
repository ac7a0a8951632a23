#pragma once

#include <QVariantList>
#include <QVector>

// Something the analysis tells the user (why limits or a comparison were refused, what a
// comparison noticed): what it is, and the figures it names, kept as data. AnalysisWords
// turns it into words in the language wanted.
struct Finding
{
    enum Code : quint8 {
        None,
        // Limits refused
        LimitsNotNumbers,     // a limit is not a finite number
        LimitsNotTypedNumbers, // a limit typed is not a number
        LimitsMissing,        // nominal or minimum not typed
        LimitsNegative,
        LimitsTooLarge,       // args: the largest limit (double)
        NominalNotPositive,
        MinimumAboveNominal,
        MaximumBelowNominal,
        ToleranceNotBelowNominal,
        // Comparison refused
        TooFewSurveys,
        IntervalNotPositive,
        MinimumOutOfRange,    // args: the largest minimum (double)
        SurveyUnitsDiffer,    // args: survey date (ms), its unit, newest date (ms), its unit
        MinimumUnitDiffers,   // args: the minimum's unit, the surveys' unit
        // Notes on a whole comparison
        IntervalCapped,       // args: the longest interval taken (double, years)
        SeveralGauges,        // args: serials (QStringList), per serial the dates of its surveys (a list of lists of ms)
        UnplacedReadings,     // args: count (int), survey date (ms)
        SurveyConverted,      // args: survey date (ms), from unit, to unit
        SameDaySurveys,       // args: earlier date (ms), later date (ms)
        // Notes on one location
        DuplicateLocation,    // args: survey date (ms)
        NoReadingAnywhere,
        ReadInFewSurveys,     // args: surveys that read it (int)
        NotReadInSome,        // args: surveys that did not (int)
        NotReadInNewest,      // args: date life counts from (ms)
        SameDayReadings,
        SameDayLastReadings,
        Thickened,
        UnderMinimum,
        LessLifeThanInterval,
        // Design inputs refused (args name the input by its symbol: "P", "D", "R", "S", "E", "W", "Y", "c", "G", "H")
        DesignMissing,        // args: symbol
        DesignNegative,       // args: symbol
        DesignOutOfRange,     // args: symbol, lowest (double), highest (double)
        DesignThickWall,      // B31.3: t >= D/6; args: t (double), D/6 (double), unit
        DesignHighPressure,   // P/(S·E) above its limit; args: the ratio (double), the limit (double)
        DesignThickShell,     // UG-27: t > R/2; args: t (double), R/2 (double), unit
        DesignUnitUnknown,    // the readings' thickness unit is not mm or inch; args: unit
        // Notes on a required thickness
        CoefficientFromTable, // args: Y (double), temperature (double, °C)
        TankFloorApplied,     // API 653's 0.100 in floor governs; args: floor in the result's unit (double), unit
        // Notes on a location judged over time
        NoCountedReadings,
        OneCountedReading,
        ShortTermTooClose,    // args: years between the previous and the newest reading (double)
        NoRegressionFewReadings, // args: counted readings (int)
        RatesNegative,        // args: bits (int): 1 long-term, 2 short-term, 4 regression
        RateGoverns,          // args: CmlFigures::Governs (int), RateRule (int)
        NoRequiredThickness,
        ReadingsMarked,       // args: readings with an undecided mark (int)
        ReadingsLeftOut,      // args: readings left out of the rates (int)
        // Extreme-value estimate of the deepest loss refused
        ExtremeNotFinite,     // a loss, thickness or area is not a finite number
        ExtremeTooFewBlocks,  // args: sample blocks (int), fewest allowed (int)
        ExtremeBlockAreaNotPositive,
        ExtremeAreaNotLarger, // args: block area (double), total area (double)
        ExtremeAllEqual,      // every block has the same deepest loss: no spread to fit
        ExtremePoorFit,       // args: r (double), the least r accepted (double)
        ExtremeNeedsPitch,    // a total area in m² given for a grid whose cell pitch is not known
    };

    Code code = None;
    QVariantList args; // in the order listed by the code: numbers as numbers, dates as ms since the epoch

    bool isEmpty() const { return code == None; }
};

// The findings about one thing, in the order found (empty: nothing to say).
using Findings = QVector<Finding>;
