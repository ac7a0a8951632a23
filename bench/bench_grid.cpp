// Measures the largest grid (999 rows x 52 columns, a masked nozzle, a few cells unmeasured):
//  - map: its corrosion map drawn into a 1600x1000 image, as the window and the report draw it;
//  - push: one reading pushed by the emulated gauge while the grid is being filled, from its
//    bytes reaching the connection (GUI thread) to the reading kept in its cell and the fill
//    window's map painted again;
//  - eva: the estimate of the thinnest spot from the survey's 51,948 cells (whole-row blocks).
// Medians (the pushes also at p99), against their bounds.
#include "analysis/GridMap.h"
#include "bench/BenchSession.h"
#include "assetspage/GridFillWindow.h"
#include "assetspage/GridMapView.h"
#include "emulator/EmulatorBackend.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"
#include "session/GridBook.h"
#include "session/GridFill.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

using namespace Bench;

constexpr double mapBoundMs = 30;
constexpr double pushBoundMs = 16;
constexpr double evaBoundMs = 10;
constexpr int pushes = 101; // the first opens the survey on the map and is not counted
const QString assetPath = QStringLiteral("Plant/T-1");
const QString tag = QStringLiteral("Shell-2");

GridLayout largestGrid()
{
    GridLayout layout(GridLayout::MaxRows, GridLayout::MaxColumns);
    for (int row = 400; row < 420; ++row) // a nozzle: not measured
        for (int column = 20; column < 26; ++column)
            layout.setMasked({row, column}, true);
    layout.setPitchMm(25);
    return layout;
}

// General pitting: each cell's loss from 12.6 mm drawn from an exponential distribution (a
// fixed sequence), so that row minima follow the extreme-value law the estimate assumes;
// every 997th cell unmeasured.
QVector<double> surveyValues(const GridLayout &layout)
{
    QVector<double> values(layout.cellCount());
    quint64 state = 0x9e3779b97f4a7c15ULL;
    for (int i = 0; i < layout.cellCount(); ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double u = (double(state >> 11) + 0.5) / 9007199254740992.0; // (0, 1)
        const int row = i / layout.columns() + 1, column = i % layout.columns();
        values[i] = i % 997 == 0 || layout.isMasked({row, column}) ? std::numeric_limits<double>::quiet_NaN()
                                                                   : 12.6 + 0.3 * std::log(u);
    }
    return values;
}

double mapMs(const GridLayout &layout, const QVector<double> &values)
{
    GridMapInput in;
    in.layout = &layout;
    in.values = values;
    in.unit = QStringLiteral("mm");
    in.title = QStringLiteral("Shell course 2");
    in.limits = Limits{12.7, 9.0, 0.5, std::nullopt, QStringLiteral("mm")};
    QImage image(1600, 1000, QImage::Format_RGB32);
    std::vector<double> runs;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer t;
        t.start();
        image.fill(Qt::white);
        QPainter painter(&image);
        GridMap map(in);
        map.draw(painter, QRectF(0, 0, 1600, 1000));
        painter.end();
        runs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return percentile(runs, 0.5);
}

// The grid CML with one survey of every measured cell, placed; false when the file refused.
bool fill(Places &places, const GridLayout &layout, const QVector<double> &values, qint64 *cml)
{
    CmlEntry c;
    c.assetPath = assetPath;
    c.cml.tag = tag;
    c.cml.nominal = 12.7;
    c.cml.minimum = 9.0;
    if (!places.importCmls({c}))
        return false;
    *cml = places.cmlByTag(places.assetByPath(assetPath), tag);
    GridDefinition grid;
    grid.layout = layout;
    grid.walk = WalkPattern{WalkCorner::TopLeft, WalkAxis::AlongRows, WalkStyle::Snaking};
    if (!*cml || !places.setGrid(*cml, grid))
        return false;
    QVector<ReadingEntry> entries;
    QVector<GridCell> cells;
    const qint64 when = QDateTime::currentMSecsSinceEpoch() - 400LL * 24 * 3600 * 1000;
    for (int i = 0; i < values.size(); ++i) {
        if (std::isnan(values[i]))
            continue;
        ReadingEntry r;
        r.assetPath = assetPath;
        r.tag = tag;
        r.dateMs = when;
        r.values[0] = float(values[i]);
        r.values[1] = 5920.0f;
        r.thicknessUnit = QStringLiteral("mm");
        entries << r;
        cells << GridCell{i / layout.columns() + 1, i % layout.columns()};
    }
    if (places.importReadings(entries).size() != 1)
        return false;
    const QVector<GridReading> readings = places.gridReadings(*cml);
    if (readings.size() != cells.size())
        return false;
    QVector<QPair<qint64, GridCell>> placed;
    placed.reserve(cells.size());
    for (int i = 0; i < readings.size(); ++i)
        placed << qMakePair(readings.at(i).key, cells.at(i));
    return places.setCells(placed);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(folder + QStringLiteral("/bench_grid-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_grid: cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }
    const GridLayout layout = largestGrid();
    const QVector<double> values = surveyValues(layout);

    const double map = mapMs(layout, values);

    // Filled, then closed and opened again as a file is in the field.
    const QString path = dir.filePath(QStringLiteral("grid.sqlite"));
    qint64 cml = 0;
    {
        SurveyStore filling;
        Places places(filling);
        if (!filling.open(path) || !fill(places, layout, values, &cml)) {
            std::fprintf(stderr, "bench_grid: the survey file was not filled\n");
            return 1;
        }
    }

    EmulatorBackend backend;
    QuietInteraction dialogs;
    NoWorkbook workbook;
    RecordsModel records;
    GaugeSession session(backend, dialogs, workbook, records,
                         GaugeConfig::load(QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config")));
    SurveyStore store;
    if (!session.openStore(store, path))
        return 1;

    // The estimate from the survey in the file.
    std::vector<double> evaRuns;
    UnseenMinimum unseen;
    {
        Places places(store);
        GridBook book(places);
        if (!book.load(cml)) {
            std::fprintf(stderr, "bench_grid: the grid was not read back\n");
            return 1;
        }
        for (int run = 0; run < 15; ++run) {
            QElapsedTimer t;
            t.start();
            unseen = book.unseenMinimum(0, UnseenOptions());
            evaRuns.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    const double eva = percentile(evaRuns, 0.5);
    if (!unseen.estimate.ok() || unseen.blocks != layout.rows()) {
        std::fprintf(stderr, "bench_grid: no estimate from %d blocks (refusal %d)\n", unseen.blocks,
                     int(unseen.estimate.loss.refusal.code));
        return 1;
    }

    const auto gauge = plugSingleLayerGauge(backend, session);
    if (!gauge) {
        std::fprintf(stderr, "bench_grid: the gauge was not identified\n");
        return 1;
    }
    QElapsedTimer wait;

    GridFillWindow window(session, cml);
    if (!window.start()) {
        std::fprintf(stderr, "bench_grid: filling did not start: %s\n", qPrintable(window.problemText()));
        return 1;
    }
    window.resize(1600, 1000);
    window.show();
    QApplication::processEvents();

    ArrivalClock arrival;
    arrival.clock.start();
    session.connection().installEventFilter(&arrival);
    std::vector<double> pushMs;
    int handled = 0;
    // Connected after the window's own slots: the cell is kept and its patch drawn into the
    // map's picture; the map is then painted on screen before the time is taken.
    QObject::connect(window.fill(), &GridFill::nextChanged, &window, [&] {
        window.map()->repaint();
        if (++handled > 1)
            pushMs.push_back(double(arrival.clock.nsecsElapsed() - arrival.arrivedNs) / 1e6);
    });
    for (int i = 0; i < pushes; ++i) {
        const int before = handled;
        gauge->pushSingleLayer(5920.0f, float(11.0 + 0.01 * (i % 150)));
        wait.restart();
        while (handled == before && wait.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (handled == before) {
            std::fprintf(stderr, "bench_grid: push %d was not placed\n", i + 1);
            return 1;
        }
    }
    // The walk snakes from A1: the last reading is in row 2, counted from the right.
    GridCell last;
    for (int i = 0; i < pushes; ++i)
        last = layout.nextCell(WalkPattern{WalkCorner::TopLeft, WalkAxis::AlongRows, WalkStyle::Snaking}, last);
    if (std::abs(window.map()->value(last) - (11.0 + 0.01 * ((pushes - 1) % 150))) > 0.001) {
        std::fprintf(stderr, "bench_grid: the last reading is not in %s\n", qPrintable(GridLayout::cellName(last)));
        return 1;
    }

    const double push = percentile(pushMs, 0.5);
    const double pushP99 = percentile(pushMs, 0.99);
    std::printf("map drawn in %.2f ms (bound %.0f); %zu pushes placed and painted p50 %.2f ms, p99 %.2f ms (bound %.0f); "
                "estimate from %d row blocks in %.2f ms (bound %.0f): thinnest %.2f mm (95 %%: %.2f to %.2f)\n",
                map, mapBoundMs, pushMs.size(), push, pushP99, pushBoundMs, unseen.blocks, eva, evaBoundMs,
                unseen.estimate.thinnest, unseen.estimate.lower, unseen.estimate.upper);
    std::printf("grid cells=%d map_ms=%.2f push_ms=%.2f eva_ms=%.2f\n", layout.cellCount(), map, push, eva);
    return map < mapBoundMs && pushP99 < pushBoundMs && eva < evaBoundMs ? 0 : 1;
}
