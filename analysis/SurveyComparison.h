#pragma once

#include "analysis/Limits.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>
#include <optional>

// Repeat surveys of the same locations, compared: wall loss, corrosion rates, remaining life
// and the next inspection date per location. Pure arithmetic on plain data; the store and the
// pages turn their sessions into ComparedSurvey.

// One survey as the comparison sees it: the thickness readings of one session, by location.
struct ComparedSurvey
{
    qint64 id = 0;        // the session in the survey file
    QString serial;       // the gauge
    qint64 dateMs = 0;    // when the survey was taken (UTC milliseconds since the epoch)
    QString unit;         // the thickness unit, as the table's header showed it ("mm", "inch", ...)
    int decimals = -1;    // the decimals its column showed; -1 when not known
    // Location of each reading: the record's name in the multi-layer layout, its record
    // number ("1", "2", ...: its place in the gauge's memory) in the single-layer layout.
    QStringList locations;
    // The thickness shown for each reading; NaN where the gauge gave none (out of range).
    QVector<double> thickness;
    // Single-layer measurements the gauge pushed: they have no place in its memory, so no
    // location, and are left out (a note says how many).
    int unplaced = 0;
};

// The furthest ahead a next inspection is planned, in years after the reading it counts from.
constexpr double MaxPlanYears = 100.0;

struct ComparisonSettings
{
    // Required minimum thickness, in `unit` (or the newest survey's unit when `unit` is empty).
    // Without it there is no remaining life and no next date.
    std::optional<double> minimum;
    QString unit;
    // The longest time between inspections, in years (> 0; more than MaxPlanYears is taken
    // as MaxPlanYears, with a note).
    double intervalYears = 5.0;
};

// One location across the surveys.
struct LocationComparison
{
    QString location;
    // One per survey, in the comparison's survey order (oldest first), in the comparison's
    // unit; NaN where the survey has no reading there.
    QVector<double> thickness;
    bool duplicate = false;  // the location occurs more than once in some survey (first one used)
    bool missing = false;    // absent from at least one survey
    // First reading to newest reading; NaN without two readings on different days.
    double wallLoss = std::numeric_limits<double>::quiet_NaN();
    // Per year; NaN when there is no rate (fewer than two readings, or same-day surveys).
    double longTermRate = std::numeric_limits<double>::quiet_NaN();
    double shortTermRate = std::numeric_limits<double>::quiet_NaN();
    double governingRate = std::numeric_limits<double>::quiet_NaN();
    // A rate came out negative (the wall "grew": measurement scatter) and is shown as zero.
    bool thickened = false;
    // Years until the newest reading wears down to the minimum; +inf at a zero rate; 0 when
    // already under it; NaN without a minimum or a rate.
    double remainingYears = std::numeric_limits<double>::quiet_NaN();
    // Date of the newest reading plus half the remaining life, at most the interval (and never
    // more than MaxPlanYears after the reading); 0 when
    // unknown. The newest reading is the newest survey's unless the location was not read
    // there (then the note says from which date life and next date count).
    qint64 nextInspectionMs = 0;
    bool underMinimum = false;    // the newest reading is under the minimum
    bool dueWithinInterval = false; // less than the interval of life left
    // Why a figure is missing or marked (empty when nothing to say).
    Findings note;
};

struct SurveyComparison
{
    // Set when the surveys cannot be compared at all (fewer than two, units that do not
    // convert); then `rows` is empty.
    Finding error;
    QVector<ComparedSurvey> surveys; // oldest first, thickness converted to `unit`
    QString unit;
    ComparisonSettings settings;     // minimum in `unit`
    // Sorted by remaining life, shortest first; locations without a remaining life last.
    QVector<LocationComparison> rows;
    // Things that hold for the whole comparison (e.g. two surveys taken on the same day).
    Findings notes;
    // The gauges the surveys come from (serial numbers, oldest survey's first, each once).
    QStringList gauges;
};

// The gauges of surveys (serial numbers in the order given, each once).
QStringList surveyGauges(const QVector<ComparedSurvey> &surveys);

// A survey's day or a next inspection date as every comparison output writes it (local time).
QString comparisonDate(qint64 ms);

// Compares two or more surveys (any order; sorted by date inside).
SurveyComparison compareSurveys(QVector<ComparedSurvey> surveys, const ComparisonSettings &settings);
