#include "analysis/ProbeVerdict.h"

#include <algorithm>
#include <cmath>

ProbeExpectation expectAt(const CmlSeries &series, const CmlFigures &figures, qint64 atMs,
                          const ProbeTolerance &tolerance)
{
    ProbeExpectation e;
    e.required = series.required;
    if (figures.actual < 0 || figures.actual >= series.readings.size())
        return e;
    const SeriesReading &last = series.readings[figures.actual];
    e.lastCounted = last.thickness;
    e.lastMs = last.dateMs;
    // The band is never narrower than what the gauge can tell apart, nor than what the user allows.
    const double floor = std::max({tolerance.resolution, tolerance.user, 0.0});
    if (figures.fit.valid() && std::isfinite(figures.fit.residualSd)) {
        e.fromFit = true;
        e.expected = figures.fit.at(atMs);
        const double half = std::max(figures.fit.predictionHalfWidth(atMs), floor);
        e.low = e.expected - half;
        e.high = e.expected + half;
    } else {
        e.expected = last.thickness;
        e.low = e.expected - floor;
        e.high = e.expected + floor;
    }
    return e;
}

ProbeVerdict judgeProbe(const ProbeExpectation &e, double thickness)
{
    if (!std::isfinite(thickness))
        return ProbeVerdict::NoValue;
    if (std::isfinite(e.required) && thickness < e.required)
        return ProbeVerdict::UnderMinimum;
    if (std::isfinite(e.lastCounted) && thickness > e.lastCounted * (1.0 + ThickerShare))
        return ProbeVerdict::ThickerThanBefore;
    if (std::isfinite(e.low) && thickness < e.low)
        return ProbeVerdict::UnexpectedLoss;
    return ProbeVerdict::Ok;
}
