#pragma once
// What the benchmarks that drive a gauge session share: a dialog seam that says an unexpected
// message instead of showing it, no workbook writer, the clock of a push's arrival, percentiles,
// an emulated gauge plugged in and identified.
#include "emulator/EmulatorBackend.h"
#include "export/WorkbookTable.h"
#include "interaction/SilentProgress.h"
#include "interaction/UserInteraction.h"
#include "session/GaugeSession.h"

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

class QuietInteraction : public UserInteraction
{
public:
    void information(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "bench: unexpected message: %s\n", qPrintable(text));
    }
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override
    {
        return {};
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *, const QString &, const QString &, int, int maximum) override
    {
        return std::make_unique<SilentProgress>(maximum);
    }
};

class NoWorkbook : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &, const QString &, ProgressHandle *) override { return false; }
};

// Notes when the worker's polled bytes reach the connection: the queued call is the first
// thing on the GUI thread that knows of a push, before the connection signals it.
class ArrivalClock : public QObject
{
public:
    QElapsedTimer clock;
    qint64 arrivedNs = -1;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall)
            arrivedNs = clock.nsecsElapsed();
        return false;
    }
};

inline double percentile(std::vector<double> v, double share)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(share * double(v.size())))];
}

// Plugs an emulated single-layer gauge (serial 777, pushes at once) into `backend` and waits,
// at most 10 s, until `session` has identified it; null when it was not.
inline std::shared_ptr<EmulatedInstrument> plugSingleLayerGauge(EmulatorBackend &backend, GaugeSession &session)
{
    auto gauge = std::make_shared<EmulatedInstrument>(QStringLiteral("777"), 1, 110);
    gauge->setUnitNumbers({2, 0});
    gauge->setReportIntervalUs(0);
    backend.plug(gauge);
    session.connectGauge();
    QElapsedTimer wait;
    wait.start();
    while (session.gaugeSerial().isEmpty() && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return session.gaugeSerial().isEmpty() ? nullptr : gauge;
}

} // namespace Bench
