#include "walkpage/WalkStopText.h"

#include "analysis/AnalysisWords.h"
#include "session/WalkWords.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

QString WalkStopText::thickness(double value, const QString &unit)
{
    if (std::isnan(value))
        return QString();
    const int decimals = unit.compare(QLatin1String("inch"), Qt::CaseInsensitive) == 0 ? 3 : 2;
    return QLocale().toString(value, 'f', decimals);
}

QColor WalkStopText::verdictColour(ProbeVerdict verdict)
{
    switch (verdict) {
    case ProbeVerdict::Ok:
        return QColor(0x2e, 0x7d, 0x32);
    case ProbeVerdict::UnderMinimum:
        return QColor(0xc6, 0x28, 0x28);
    case ProbeVerdict::ThickerThanBefore:
        return QColor(0xff, 0xb3, 0x00);
    case ProbeVerdict::UnexpectedLoss:
        return QColor(0xef, 0x6c, 0x00);
    case ProbeVerdict::NoValue:
        break;
    }
    return QColor(0x9e, 0x9e, 0x9e);
}

QColor WalkStopText::idleColour()
{
    return QColor(0xe0, 0xe0, 0xe0);
}

QString WalkStopText::stateWords(const WalkStop &stop)
{
    switch (stop.state) {
    case WalkStop::State::Waiting:
        return stop.remeasureAsked ? tr("measure again") : tr("waiting");
    case WalkStop::State::Measured:
        return tr("measured");
    case WalkStop::State::Accepted:
        return tr("accepted");
    case WalkStop::State::Skipped:
        return tr("skipped: %1").arg(skipReasonWords(stop.reason));
    }
    return QString();
}

StopShown WalkStopText::describe(const QVector<WalkStop> &stops, int index)
{
    StopShown out;
    if (index < 0 || index >= stops.size())
        return out;
    const WalkStop &stop = stops.at(index);
    const ProbeExpectation &e = stop.expectation;
    auto withUnit = [&stop](double value) {
        const QString number = thickness(value, stop.unit);
        return number.isEmpty() ? tr("—") : tr("%1 %2").arg(number, stop.unit);
    };
    out.tag = stop.cml.tag;
    out.description = stop.cml.description;
    out.assetPath = stop.assetPath;
    out.position = tr("stop %1 of %2").arg(index + 1).arg(stops.size());
    out.last = e.hasHistory()
        ? tr("Last: %1 on %2")
              .arg(withUnit(e.lastCounted),
                   // one form in every language, as the records show dates
                   QDateTime::fromMSecsSinceEpoch(e.lastMs).date().toString(Qt::ISODate))
        : tr("Last: none");
    out.expected = tr("Expected today: %1").arg(withUnit(e.expected));
    out.band = std::isnan(e.low) || std::isnan(e.high)
        ? tr("Band: —")
        : tr("Band: %1 – %2 %3").arg(thickness(e.low, stop.unit), thickness(e.high, stop.unit), stop.unit);
    out.required = tr("Required: %1").arg(withUnit(e.required));

    const bool judged = stop.key != 0 && !stop.remeasureAsked
        && (stop.state == WalkStop::State::Measured || stop.state == WalkStop::State::Accepted);
    if (judged) {
        out.reading = stop.verdict == ProbeVerdict::NoValue ? tr("—") : withUnit(stop.thickness);
        out.verdict = verdictWords(stop.verdict);
        out.panel = verdictColour(stop.verdict);
        out.verdictColour = out.panel;
        if (stop.state == WalkStop::State::Accepted)
            out.verdict = tr("%1 (accepted)").arg(out.verdict);
    } else {
        out.reading = tr("—");
        out.verdict = stateWords(stop);
        out.panel = idleColour();
        out.verdictColour = QColor(0x42, 0x42, 0x42);
    }
    return out;
}
