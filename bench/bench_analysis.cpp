// Measures the judgement of a large table: the statistics of every value column (with the
// band counts of the thickness column), the run chart and histogram built and painted, and
// one pushed reading added to the full table with statistics, panel and both charts
// updated and painted. A plain two-pass mean and deviation over a float array of the same
// length is measured in the same run as the floor to compare with.
#include "analysis/ReadingsAnalysis.h"
#include "interaction/Language.h"
#include "protocol/FieldDecoder.h"
#include "protocol/GaugeRecord.h"
#include "records/RecordsModel.h"
#include "recordspage/ChartsPanel.h"
#include "recordspage/StatisticsPanel.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Velocity then thickness, as the gauge stores a single-layer record; every 50th thickness
// out of range.
QByteArray memoryImage(int count)
{
    QByteArray image(qsizetype(count) * FieldDecoder::SingleRecordSize, '\0');
    quint32 state = 12345;
    for (int k = 0; k < count; ++k) {
        state = state * 1664525u + 1013904223u;
        char *rec = image.data() + qsizetype(k) * FieldDecoder::SingleRecordSize;
        qToLittleEndian(5900.0f + float(state % 100), rec);
        const float thickness = k % 50 == 7 ? 9999.0f : 4.0f + float(state >> 8 & 0xFFFF) / 8192.0f;
        qToLittleEndian(thickness, rec + 4);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (rows < 1) {
        std::fprintf(stderr, "usage: %s [rows >= 1]\n", argv[0]);
        return 2;
    }

    RecordsModel model;
    Language::instance().set(QStringLiteral("en"));
    model.setColumns(1, {1, 0}, {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}});
    if (model.appendSingleLayerImage(memoryImage(rows), rows, RecordOrigin::Memory, 0) != rows) {
        std::fprintf(stderr, "table not filled\n");
        return 1;
    }

    // Floor: two passes over a plain float array.
    std::vector<float> plain(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        plain[size_t(r)] = model.value(r, 0);
    std::vector<double> floorMs;
    double sink = 0;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        double sum = 0;
        for (float v : plain)
            sum += v;
        const double mean = sum / rows;
        double m2 = 0;
        for (float v : plain)
            m2 += (v - mean) * (v - mean);
        sink += std::sqrt(m2 / (rows - 1));
        floorMs.push_back(msSince(t));
    }

    // Statistics of both value columns, bands of the thickness column.
    const Limits limits{8.0, 5.0, 0.5, 11.0, QStringLiteral("mm")};
    const BandJudge judge(limits, model.decimals(0));
    std::vector<double> statsMs;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        const QVector<ColumnStatistics> both = computeStatistics(model, {0, 1}, allRows(model), {&judge, nullptr});
        statsMs.push_back(msSince(t));
        sink += both[0].standardDeviation() + both[1].mean;
    }

    // The thickness column alone: the million readings the limits judge.
    std::vector<double> thicknessMs;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        sink += computeStatistics(model, 0, allRows(model), &judge).mean;
        thicknessMs.push_back(msSince(t));
    }

    // The page's parts over the full table: analysis, statistics panel, charts.
    ReadingsAnalysis analysis(model);
    analysis.setLimits(limits);
    QWidget page;
    auto *layout = new QVBoxLayout(&page);
    auto *charts = new ChartsPanel(analysis, nullptr, &page);
    auto *statistics = new StatisticsPanel(analysis, &page);
    layout->addWidget(charts, 1);
    layout->addWidget(statistics);
    page.resize(1300, 850);
    page.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    auto paintCharts = [&] {
        charts->runView()->viewport()->repaint();
        charts->histogramView()->viewport()->repaint();
    };

    // Both charts rebuilt from every row and painted (a new chart width forces the rebuild).
    std::vector<double> chartMs;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        analysis.setChartWidth(900 + 100 * (round % 2));
        paintCharts();
        chartMs.push_back(msSince(t));
    }
    const int drawnPoints = int(charts->runSeries()->points().size());

    // One pushed reading on the full table: statistics, panel, charts, painted.
    std::vector<double> pushMs;
    for (int round = 0; round < 11; ++round) {
        GaugeRecord r;
        r.setValue(0, 3.0f + float(round) * 0.01f, false);
        r.setValue(1, 5920.0f, false);
        QElapsedTimer t;
        t.start();
        model.append(QVector<GaugeRecord>{r}, RecordOrigin::Pushed, 0);
        const double updateMs = msSince(t);
        paintCharts();
        const double chartsPaintMs = msSince(t) - updateMs;
        statistics->repaint();
        pushMs.push_back(msSince(t));
        if (qEnvironmentVariableIsSet("BENCH_ANALYSIS_DETAIL"))
            std::printf("  push: update %.2f ms, charts painted %.2f ms, panel painted %.2f ms\n", updateMs,
                        chartsPaintMs, pushMs.back() - updateMs - chartsPaintMs);
    }
    if (analysis.tableStatistics(0).count + analysis.tableStatistics(0).outOfRange != qint64(rows) + 11
        || charts->runSeries()->points().isEmpty()) {
        std::fprintf(stderr, "pushed readings not counted\n");
        return 1;
    }

    std::printf("floor two-pass float array rows=%d ms=%.2f (checksum %.3g)\n", rows, median(floorMs), sink);
    std::printf("stats thickness with bands rows=%d ms=%.2f\n", rows, median(thicknessMs));
    std::printf("stats thickness+velocity with bands rows=%d ms=%.2f max_ms=%.2f\n", rows, median(statsMs),
                *std::max_element(statsMs.begin(), statsMs.end()));
    std::printf("charts rebuilt and painted rows=%d points=%d ms=%.2f max_ms=%.2f\n", rows, drawnPoints,
                median(chartMs), *std::max_element(chartMs.begin(), chartMs.end()));
    std::printf("push one reading rows=%d ms=%.2f max_ms=%.2f\n", rows, median(pushMs),
                *std::max_element(pushMs.begin(), pushMs.end()));
    std::printf("analysis rows=%d stats_ms=%.1f chart_ms=%.1f push_update_ms=%.1f\n", rows, median(statsMs),
                median(chartMs), median(pushMs));
    return 0;
}
