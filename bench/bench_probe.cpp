// Measures the verdict at the probe while walking a route: a survey file with 10,000 CMLs of
// 20 readings each, a route over 200 of them, a gauge session on the emulated single-layer
// gauge and the walk view shown at 1920x1080 offscreen. For each of 200 pushes: the time from
// the pushed bytes reaching the connection (on the GUI thread) to the end of the view's paint
// with that reading's verdict; the stop is accepted after each. p99 must stay within a frame.
#include "bench/BenchSession.h"
#include "emulator/EmulatorBackend.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"
#include "session/RouteWalk.h"
#include "store/Places.h"
#include "store/SurveyStore.h"
#include "walkpage/WalkView.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace Bench;

constexpr int cmlCount = 10000;
constexpr int surveyCount = 20;
constexpr int routeStops = 200;
constexpr double boundMs = 16;
constexpr qint64 dayMs = 24 * 3600 * 1000LL;

// CML i thins at its own rate from 12.5 mm; the newest reading a month ago.
bool fill(Places &places)
{
    QVector<CmlEntry> cmls;
    cmls.reserve(cmlCount);
    for (int i = 0; i < cmlCount; ++i) {
        CmlEntry e;
        e.assetPath = QStringLiteral("Plant/EQ-%1").arg(i % 100, 3, 10, QLatin1Char('0'));
        e.cml.tag = QStringLiteral("CML-%1").arg(i, 5, 10, QLatin1Char('0'));
        e.cml.nominal = 12.7;
        e.cml.minimum = 6.0 + (i % 7) * 0.1;
        cmls << e;
    }
    if (!places.importCmls(cmls))
        return false;
    const qint64 newest = QDateTime::currentMSecsSinceEpoch() - 30 * dayMs;
    QVector<ReadingEntry> readings;
    readings.reserve(cmlCount * surveyCount);
    for (int s = 0; s < surveyCount; ++s) {
        const qint64 when = newest - qint64(surveyCount - 1 - s) * 182 * dayMs;
        for (int i = 0; i < cmlCount; ++i) {
            ReadingEntry r;
            r.assetPath = cmls[i].assetPath;
            r.tag = cmls[i].cml.tag;
            r.dateMs = when;
            r.values[0] = float(12.5 - (0.02 + (i % 37) * 0.01) * s + 0.01 * ((i * 131 + s * 7) % 5));
            r.values[1] = 5900.0f;
            r.thicknessUnit = QStringLiteral("mm");
            readings << r;
        }
    }
    return places.importReadings(readings).size() == surveyCount;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(folder + QStringLiteral("/bench_probe-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_probe: cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }

    EmulatorBackend backend;
    QuietInteraction dialogs;
    NoWorkbook workbook;
    RecordsModel records;
    GaugeSession session(backend, dialogs, workbook, records,
                         GaugeConfig::load(QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config")));
    // Filled, then closed and opened again as a file is in the field: the fill's log is
    // folded into the file on closing, not by the first reading's commit.
    const QString path = dir.filePath(QStringLiteral("probe.sqlite"));
    QElapsedTimer t;
    t.start();
    {
        SurveyStore filling;
        Places places(filling);
        if (!filling.open(path) || !fill(places)) {
            std::fprintf(stderr, "bench_probe: the survey file was not filled\n");
            return 1;
        }
    }
    const double fillMs = double(t.elapsed());
    SurveyStore store;
    if (!session.openStore(store, path))
        return 1;
    Places places(store);
    QVector<qint64> stops;
    for (const Cml &c : places.cmls(0)) {
        stops << c.id;
        if (stops.size() == routeStops)
            break;
    }
    const qint64 route = places.addRoute(QStringLiteral("bench"), stops);
    if (!route)
        return 1;

    const auto gauge = plugSingleLayerGauge(backend, session);
    if (!gauge) {
        std::fprintf(stderr, "bench_probe: the gauge was not identified\n");
        return 1;
    }
    QElapsedTimer wait;

    ArrivalClock arrival;
    arrival.clock.start();
    session.connection().installEventFilter(&arrival);
    std::vector<double> verdicts, paints; // arrival to painted; the paint alone
    qint64 judgedKey = 0;
    qint64 judgedNs = 0;

    // Slots run in the order connected: judged, then the view paints, then painted.
    RouteWalk walk(session);
    QObject::connect(&walk, &RouteWalk::stopChanged, [&] { judgedNs = arrival.clock.nsecsElapsed(); });
    WalkView view;
    view.setWalk(&walk);
    view.resize(1920, 1080);
    view.show();
    if (!walk.startRoute(route, QStringLiteral("bench"))) {
        std::fprintf(stderr, "bench_probe: the walk did not start (%d)\n", int(walk.problem()));
        return 1;
    }
    QObject::connect(&walk, &RouteWalk::stopChanged, &view, [&](int index) {
        const WalkStop &stop = walk.stops().at(index);
        if (stop.state != WalkStop::State::Measured || stop.key == judgedKey)
            return;
        const qint64 paintedNs = arrival.clock.nsecsElapsed();
        verdicts.push_back(double(paintedNs - arrival.arrivedNs) / 1e6);
        paints.push_back(double(paintedNs - judgedNs) / 1e6);
        judgedKey = stop.key;
    });

    for (int i = 0; i < routeStops; ++i) {
        const size_t before = verdicts.size();
        // Near what the CML's history predicts, and no two alike: a real reading's large figure
        // is new to the view each time.
        const double expected = 12.5 - (0.02 + (i % 37) * 0.01) * surveyCount + 0.01 * (i / 37);
        gauge->pushSingleLayer(5900.0f, float(expected));
        wait.restart();
        while (verdicts.size() == before && wait.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (verdicts.size() == before || !walk.accept()) {
            std::fprintf(stderr, "bench_probe: push %d was not judged at its stop\n", i + 1);
            return 1;
        }
    }
    if (!walk.finished()) {
        std::fprintf(stderr, "bench_probe: the route was not done after %d pushes\n", routeStops);
        return 1;
    }
    if (qEnvironmentVariableIsSet("BENCH_PROBE_ALL")) // each slow push, to tell a paint from a disk stall
        for (size_t i = 0; i < verdicts.size(); ++i)
            if (verdicts[i] > 8)
                std::fprintf(stderr, "push %zu: %.2f ms (paint %.2f)\n", i + 1, verdicts[i], paints[i]);
    const double p50 = percentile(verdicts, 0.5);
    const double p99 = percentile(verdicts, 0.99);
    std::printf("file filled in %.0f ms; %zu pushes; verdict on screen p50 %.2f ms, p99 %.2f ms (bound %.0f); "
                "the paint alone p50 %.2f ms, p99 %.2f ms\n",
                fillMs, verdicts.size(), p50, p99, boundMs, percentile(paints, 0.5), percentile(paints, 0.99));
    std::vector<double> judging(verdicts.size());
    for (size_t i = 0; i < verdicts.size(); ++i)
        judging[i] = verdicts[i] - paints[i];
    std::printf("arrival to verdict (the row committed, the stop judged) p50 %.2f ms, p99 %.2f ms\n",
                percentile(judging, 0.5), percentile(judging, 0.99));
    std::printf("probe cmls=%d verdict_ms=%.2f verdict_p99_ms=%.2f\n", cmlCount, p50, p99);
    return p99 < boundMs ? 0 : 1;
}
