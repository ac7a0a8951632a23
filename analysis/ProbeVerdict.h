#pragma once

#include "analysis/CmlJudgement.h"

#include <limits>

// A reading judged the moment it arrives, against its CML's own history, while the inspector
// still stands at the spot: is it under the required thickness, thicker than before (a
// doubtful reading: coupling, a lamination, the wrong spot), thinner than the trend lets one
// expect, or as expected. Pure arithmetic on plain data.

enum class ProbeVerdict : quint8 {
    Ok = 0,
    UnderMinimum = 1,      // under the required thickness
    ThickerThanBefore = 2, // thicker than the last counted reading by more than 10 %
    UnexpectedLoss = 3,    // below the expected band
    NoValue = 4,           // the gauge flagged the reading out of range: nothing to judge
};

// What the history lets one expect at a date. Every thickness in the series' unit.
struct ProbeExpectation
{
    static constexpr double None = std::numeric_limits<double>::quiet_NaN();

    double expected = None;     // the fit's prediction; with fewer than 3 counted readings the newest counted one
    double low = None;          // the band around it; NaN without a history
    double high = None;
    bool fromFit = false;       // `expected` is the regression's prediction
    double lastCounted = None;  // the newest counted reading, and its date (0: none)
    qint64 lastMs = 0;
    double required = None;     // the series' required thickness (NaN: not known)

    bool hasHistory() const { return lastMs != 0; }
};

// How wide the band is at least: half-widths in the series' unit.
struct ProbeTolerance
{
    double resolution = 0; // the gauge's: 0.01 mm, 0.001 inch
    double user = 0;       // the user's own tolerance, >= 0
};

// Readings thicker than the last counted one by more than this share are doubtful.
inline constexpr double ThickerShare = 0.10;

// The expectation at `atMs` of a series already judged (figures = judgeCml(series, policy)).
// With a valid fit: the prediction at atMs ± max(the 95 % prediction half-width, the
// tolerance's resolution, its user value). With 1 or 2 counted readings: the newest counted ±
// max(resolution, user). Without a counted reading: no expected value, no band.
ProbeExpectation expectAt(const CmlSeries &series, const CmlFigures &figures, qint64 atMs,
                          const ProbeTolerance &tolerance);

// The verdict on one reading (NaN: out of range). First that holds: NoValue, UnderMinimum
// (thickness < required), ThickerThanBefore (thickness > lastCounted · (1 + ThickerShare)),
// UnexpectedLoss (thickness < low), else Ok.
ProbeVerdict judgeProbe(const ProbeExpectation &expectation, double thickness);
