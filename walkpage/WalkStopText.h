#pragma once

#include "session/RouteWalk.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

// What the walk view shows of one stop, as words and colours in the current language: the
// view only lays these out, so what it says can be checked without reading pixels.
struct StopShown
{
    QString tag;
    QString description;
    QString assetPath;
    QString position;    // "stop 3 of 12"
    QString last;        // the last counted reading and its date
    QString expected;    // today's expected value
    QString band;        // its band, low – high
    QString required;    // the required thickness
    QString reading;     // the reading judged, large ("—" without one)
    QString verdict;     // the verdict, or what the stop waits for
    QColor panel;        // the reading's panel
    QColor verdictColour; // the verdict's text
};

class WalkStopText
{
    Q_DECLARE_TR_FUNCTIONS(WalkStopText)
public:
    // A thickness in its unit: mm with 2 decimals, inch with 3; empty for NaN.
    static QString thickness(double value, const QString &unit);
    // The panel's colour for a judged reading: green OK, red under minimum, amber and orange
    // for the two re-measure verdicts, grey for no value.
    static QColor verdictColour(ProbeVerdict verdict);
    // The colour of a stop that has no reading being judged.
    static QColor idleColour();
    // What the strip says of a stop: waiting, measured, accepted, or skipped and why.
    static QString stateWords(const WalkStop &stop);
    // Everything the big view shows of stops()[index] (index within the walk).
    static StopShown describe(const QVector<WalkStop> &stops, int index);
};
