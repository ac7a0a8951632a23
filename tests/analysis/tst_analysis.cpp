// Statistics, limits and bands, and the chart data of the records table, checked against
// hand-worked sets and against independent computations over the same readings.
#include "analysis/AnalysisWords.h"
#include "analysis/ChartData.h"
#include "analysis/ColumnStatistics.h"
#include "analysis/Limits.h"
#include "analysis/LimitsStore.h"
#include "analysis/ReadingsAnalysis.h"
#include "analysis/SurveyComparison.h"
#include "records/RecordsModel.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QList<QVariantList> unitTable()
{
    return {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("inch"), 3}, {2, QStringLiteral("m/s"), 0}};
}

// Layout 1, thickness in mm (2 decimals), velocity in m/s.
void singleLayer(RecordsModel &model)
{
    model.setColumns(1, {2, 0}, unitTable());
}

// A reading; NaN stands for one the gauge flagged out of range (its raw number is 0.5).
void add(RecordsModel &model, double thickness, float velocity = 5920.0f)
{
    GaugeRecord r;
    const bool out = std::isnan(thickness);
    r.setValue(0, out ? 0.5f : float(thickness), out);
    r.setValue(1, velocity, false);
    model.append(QVector<GaugeRecord>{r}, RecordOrigin::Pushed, 0);
}

// Independent figures: long double, textbook formulas, rows given explicitly.
struct Reference
{
    qint64 count = 0, outOfRange = 0;
    long double mean = 0, sd = 0, lo = 0, hi = 0;
    int loRow = -1, hiRow = -1;
};

Reference reference(const RecordsModel &model, int valueIndex, const QList<int> &rows)
{
    Reference ref;
    long double sum = 0;
    for (int row : rows) {
        if (model.isOutOfRange(row, valueIndex)) {
            ++ref.outOfRange;
            continue;
        }
        // The figures are those of the readings as shown (the column's decimals).
        const long double v = RecordsModel::shownValue(model.value(row, valueIndex), valueDecimals(model, valueIndex));
        if (ref.count == 0 || v < ref.lo)
            ref.lo = v, ref.loRow = row;
        if (ref.count == 0 || v > ref.hi)
            ref.hi = v, ref.hiRow = row;
        sum += v;
        ++ref.count;
    }
    ref.mean = sum / ref.count;
    long double ss = 0;
    for (int row : rows)
        if (!model.isOutOfRange(row, valueIndex)) {
            const long double v =
                RecordsModel::shownValue(model.value(row, valueIndex), valueDecimals(model, valueIndex));
            ss += (v - ref.mean) * (v - ref.mean);
        }
    ref.sd = ref.count > 1 ? std::sqrt(ss / (ref.count - 1)) : NAN;
    return ref;
}

void compare(const ColumnStatistics &s, const Reference &ref)
{
    QCOMPARE(s.count, ref.count);
    QCOMPARE(s.outOfRange, ref.outOfRange);
    QCOMPARE(s.minimum, double(ref.lo));
    QCOMPARE(s.maximum, double(ref.hi));
    QCOMPARE(s.minimumRow, ref.loRow);
    QCOMPARE(s.maximumRow, ref.hiRow);
    QVERIFY2(std::abs(s.mean - double(ref.mean)) <= 1e-9 * std::max(1.0, std::abs(double(ref.mean))),
             qPrintable(QString::number(s.mean, 'g', 17)));
    QVERIFY2(std::abs(s.standardDeviation() - double(ref.sd)) <= 1e-9 * std::max(1.0, double(ref.sd)),
             qPrintable(QString::number(s.standardDeviation(), 'g', 17)));
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    // Hand-worked: {2,4,4,4,5,5,7,9} has mean 5, range 7 and sample deviation sqrt(32/7);
    // out-of-range readings (raw number 0.5, under every real one) are counted apart and never
    // become the minimum. A single reading, equal readings and a selection.
    void statisticsOfHandWorkedSets()
    {
        RecordsModel model;
        singleLayer(model);
        const double values[] = {2, NAN, 4, 4, 4, NAN, 5, 5, 7, 9};
        for (double v : values)
            add(model, v);
        ReadingsAnalysis analysis(model);
        const ColumnStatistics &s = analysis.statistics(1);
        QCOMPARE(s.count, 8);
        QCOMPARE(s.outOfRange, 2);
        QCOMPARE(s.minimum, 2.0);
        QCOMPARE(s.minimumRow, 0);
        QCOMPARE(s.maximum, 9.0);
        QCOMPARE(s.maximumRow, 9);
        QCOMPARE(s.range(), 7.0);
        QCOMPARE(s.mean, 5.0);
        QCOMPARE(s.standardDeviation(), std::sqrt(32.0 / 7.0));
        // The velocity column has its own figures: all ten in range, all equal.
        QCOMPARE(analysis.statistics(2).count, 10);
        QCOMPARE(analysis.statistics(2).range(), 0.0);
        QCOMPARE(analysis.statistics(2).standardDeviation(), 0.0);

        // Selection rows 2-4 and 8-9: {4,4,4,7,9}: mean 5.6, deviation sqrt(21.2/4).
        analysis.setSelection({RowRange{8, 9}, RowRange{2, 4}});
        QVERIFY(analysis.hasSelection());
        QCOMPARE(analysis.selectedRows(), 5);
        const ColumnStatistics &sel = analysis.statistics(1);
        QCOMPARE(sel.count, 5);
        QCOMPARE(sel.minimumRow, 2); // the first of the equal minima
        QCOMPARE(sel.maximumRow, 9);
        QVERIFY(std::abs(sel.mean - 5.6) < 1e-12);
        QVERIFY(std::abs(sel.standardDeviation() - std::sqrt(21.2 / 4)) < 1e-12);
        QCOMPARE(analysis.tableStatistics(1).count, 8); // the table's figures stay
        // A selection of one out-of-range row: no reading, no division by zero.
        analysis.setSelection({RowRange{5, 5}});
        QCOMPARE(analysis.statistics(1).count, 0);
        QCOMPARE(analysis.statistics(1).outOfRange, 1);
        QVERIFY(std::isnan(analysis.statistics(1).mean));
        QVERIFY(std::isnan(analysis.statistics(1).standardDeviation()));
        // A single reading: range 0, no deviation.
        analysis.setSelection({RowRange{9, 9}});
        QCOMPARE(analysis.statistics(1).count, 1);
        QCOMPARE(analysis.statistics(1).range(), 0.0);
        QCOMPARE(analysis.statistics(1).minimumRow, 9);
        QVERIFY(std::isnan(analysis.statistics(1).standardDeviation()));
        analysis.setSelection({});
        QCOMPARE(analysis.statistics(1).count, 8);

        // Every figure from the readings as shown: 15.196 and 3.384 show as 15.20 and 3.38, so
        // the range shows 11.82 (not 11.81 from the stored numbers) and the extremes are the
        // shown numbers themselves.
        RecordsModel shown;
        singleLayer(shown);
        add(shown, 15.196);
        add(shown, 3.384);
        ReadingsAnalysis shownAnalysis(shown);
        const ColumnStatistics &f = shownAnalysis.statistics(1);
        QCOMPARE(RecordsModel::formatValue(f.range(), 2), QStringLiteral("11.82"));
        QCOMPARE(f.minimum, 3.38);
        QCOMPARE(f.maximum, 15.2);
        QCOMPARE(f.mean, 9.29);
        QVERIFY(std::abs(f.standardDeviation() - 11.82 / std::sqrt(2.0)) < 1e-12);
        add(shown, 15.204); // pushed: added incrementally, by the same rule
        QCOMPARE(shownAnalysis.statistics(1).maximum, 15.2);
        QCOMPARE(shownAnalysis.statistics(1).maximumRow, 0);
        QVERIFY(std::abs(shownAnalysis.statistics(1).mean - (15.2 * 2 + 3.38) / 3) < 1e-12);

        // Many equal readings that are not exact binary fractions: deviation 0, never NaN.
        RecordsModel same;
        singleLayer(same);
        for (int i = 0; i < 1000; ++i)
            add(same, 3.3);
        ReadingsAnalysis sameAnalysis(same);
        QVERIFY(sameAnalysis.statistics(1).standardDeviation() >= 0.0);
        QVERIFY(sameAnalysis.statistics(1).standardDeviation() < 1e-12);
    }

    // Random readings with out-of-range ones, added one by one (as pushes) and in batches:
    // the incremental figures and bands agree with a full recount and with the reference,
    // also after a deletion and over a selection of scattered ranges.
    void incrementalFiguresMatchIndependentOnes()
    {
        RecordsModel model;
        singleLayer(model);
        ReadingsAnalysis analysis(model);
        QVERIFY(analysis.setLimits(Limits{10.0, 6.0, 1.0, 14.0, QStringLiteral("mm")}));
        QRandomGenerator random(12);
        QList<int> all;
        for (int i = 0; i < 3000; ++i) {
            add(model, random.bounded(8) == 0 ? NAN : 4.0 + random.bounded(12.0));
            all.append(i);
        }
        compare(analysis.statistics(1), reference(model, 0, all));
        const BandJudge judge(*analysis.limits(), 2);
        BandCounts counted{};
        for (int row : all)
            if (!model.isOutOfRange(row, 0))
                ++counted[int(judge.band(model.value(row, 0)))];
        QCOMPARE(analysis.statistics(1).bands, counted);
        QCOMPARE(computeStatistics(model, 0, allRows(model), &judge).bands, counted);

        // The run chart and histogram built as rows came equal the ones built at once.
        RunSeries atOnce(analysis.runSeries().maxBuckets());
        atOnce.rebuild(model, 0);
        QCOMPARE(analysis.runSeries().points(), atOnce.points());
        const Histogram h = Histogram::compute(model, 0, analysis.tableStatistics(1), 2);
        QCOMPARE(analysis.histogram().width, h.width);
        QCOMPARE(analysis.histogram().start, h.start);
        QCOMPARE(analysis.histogram().counts, h.counts);

        model.removeRows(100, 50);
        all.erase(all.end() - 50, all.end());
        compare(analysis.statistics(1), reference(model, 0, all));

        analysis.setSelection({RowRange{10, 20}, RowRange{500, 900}, RowRange{2940, 5000}});
        QList<int> selected;
        for (int r = 10; r <= 20; ++r)
            selected << r;
        for (int r = 500; r <= 900; ++r)
            selected << r;
        for (int r = 2940; r < model.rowCount(); ++r)
            selected << r;
        compare(analysis.statistics(1), reference(model, 0, selected));
    }

    // The band of readings at and around each limit, judged on the shown number, and
    // limits in mm applied to a column in inch.
    void bandsAtExactlyEachLimit()
    {
        const Limits limits{10.0, 8.0, 1.0, 12.0, QStringLiteral("mm")};
        const BandJudge judge(limits, 2);
        QCOMPARE(judge.band(7.99), Band::Red);
        QCOMPARE(judge.band(8.00), Band::Amber);         // at the minimum: not under it
        QCOMPARE(judge.band(double(7.9999f)), Band::Amber); // shows 8.00
        QCOMPARE(judge.band(double(7.994f)), Band::Red);    // shows 7.99
        QCOMPARE(judge.band(8.99), Band::Amber);
        QCOMPARE(judge.band(9.00), Band::Normal);        // at nominal - tolerance
        QCOMPARE(judge.band(double(8.9951f)), Band::Normal); // shows 9.00
        QCOMPARE(judge.band(10.0), Band::Normal);
        QCOMPARE(judge.band(12.00), Band::Normal);       // at the maximum: not above it
        QCOMPARE(judge.band(double(12.004f)), Band::Normal);
        QCOMPARE(judge.band(12.01), Band::Blue);
        // Without tolerance nominal itself is the amber line; without a maximum nothing is blue.
        const BandJudge plain(Limits{10.0, 8.0, 0.0, std::nullopt, QStringLiteral("mm")}, 2);
        QCOMPARE(plain.band(9.99), Band::Amber);
        QCOMPARE(plain.band(10.00), Band::Normal);
        QCOMPARE(plain.band(1e6), Band::Normal);
        // Minimum equal to nominal: nothing amber.
        const BandJudge tight(Limits{8.0, 8.0, 0.0, std::nullopt, QString()}, 2);
        QCOMPARE(tight.band(8.0), Band::Normal);
        QCOMPARE(tight.band(7.99), Band::Red);

        // 25.4 mm is 1 inch: a column in inch (3 decimals) is judged in inch.
        const std::optional<Limits> inch = Limits{25.4, 12.7, 0.0, 50.8, QStringLiteral("mm")}.inUnit("inch");
        QVERIFY(inch);
        const BandJudge inchJudge(*inch, 3);
        QCOMPARE(inchJudge.band(0.500), Band::Amber);
        QCOMPARE(inchJudge.band(0.499), Band::Red);
        QCOMPARE(inchJudge.band(2.000), Band::Normal);
        QCOMPARE(inchJudge.band(2.001), Band::Blue);
        const Limits mm{1, 1, 0, std::nullopt, QStringLiteral("mm")};
        QVERIFY(!mm.inUnit(QStringLiteral("m/s")));
    }

    // One rule for a reading at a limit, in the digits the cell shows, wherever it is judged:
    // the table and its statistics (BandJudge), the .xlsx and report (Limits::band) and the
    // comparison's "under the minimum". A reading showing the limit's digits is at it.
    void oneRuleAtTheLimitEverywhere_data()
    {
        QTest::addColumn<double>("reading");
        QTest::addColumn<double>("limit");
        QTest::addColumn<int>("decimals");
        // 4.35 * 100 is 434.99999999999994 and the gauge's float 4.35 is 4.3499999...
        QTest::newRow("4.35 as a float") << double(4.35f) << 4.35 << 2;
        QTest::newRow("4.35") << 4.35 << 4.35 << 2;
        QTest::newRow("1.15 as a float") << double(1.15f) << 1.15 << 2;
        // A limit finer than the column: both show 5.00.
        QTest::newRow("finer limit") << 5.0 << 5.004 << 2;
        // 5 mm in inch is 0.19685...; a reading of 0.197 inch shows the same digits.
        QTest::newRow("converted limit") << double(0.197f) << 5.0 / 25.4 << 3;
    }
    void oneRuleAtTheLimitEverywhere()
    {
        QFETCH(double, reading);
        QFETCH(double, limit);
        QFETCH(int, decimals);
        const double step = std::pow(10.0, -decimals);
        const Limits atLimit{limit, limit, 0.0, limit, QStringLiteral("mm")};
        const BandJudge judge(atLimit, decimals);
        for (const double v : {reading, reading - step, reading + step}) {
            const Band expected = v < reading ? Band::Red : v > reading ? Band::Blue : Band::Normal;
            QCOMPARE(judge.band(v), expected);
            QCOMPARE(atLimit.band(v, decimals), expected);
            // The statistics count it in the same band.
            qint64 tally[3] = {};
            judge.tally(v, tally);
            QCOMPARE(BandJudge::bandCounts(tally, 1)[size_t(expected)], 1);

            // The comparison: the newest reading against the same minimum.
            ComparedSurvey older;
            older.id = 1;
            older.unit = QStringLiteral("mm");
            older.decimals = decimals;
            older.locations = {QStringLiteral("A")};
            older.thickness = {v + 100 * step};
            ComparedSurvey newer = older;
            newer.id = 2;
            newer.dateMs = qint64(2 * 365.25 * 86400000.0);
            newer.thickness = {v};
            ComparisonSettings settings;
            settings.minimum = limit;
            const SurveyComparison c = compareSurveys({older, newer}, settings);
            QVERIFY(c.error.isEmpty());
            QCOMPARE(c.rows.first().underMinimum, expected == Band::Red);
            // At the minimum no life is left, but none is negative either.
            QVERIFY(c.rows.first().remainingYears >= 0);
        }
    }

    void invalidLimitsAreRefusedWithAReason_data()
    {
        QTest::addColumn<QStringList>("texts"); // nominal, minimum, maximum, tolerance
        QTest::addColumn<bool>("accepted");
        QTest::newRow("minimum above nominal") << QStringList{"5", "6", "", ""} << false;
        QTest::newRow("negative minimum") << QStringList{"5", "-1", "", ""} << false;
        QTest::newRow("negative tolerance") << QStringList{"5", "4", "", "-0.1"} << false;
        QTest::newRow("not a number") << QStringList{"5", "abc", "", ""} << false;
        QTest::newRow("infinite") << QStringList{"inf", "4", "", ""} << false;
        QTest::newRow("no nominal") << QStringList{"", "4", "", ""} << false;
        QTest::newRow("maximum below nominal") << QStringList{"5", "4", "4.5", ""} << false;
        QTest::newRow("tolerance up to zero") << QStringList{"5", "4", "", "5"} << false;
        QTest::newRow("zero nominal") << QStringList{"0", "0", "", ""} << false;
        QTest::newRow("valid, no maximum") << QStringList{"5", "4", "", ""} << true;
        QTest::newRow("valid, all") << QStringList{" 5.00 ", "4", "6", "0.5"} << true;
        QTest::newRow("minimum equal to nominal") << QStringList{"5", "5", "5", ""} << true;
    }
    void invalidLimitsAreRefusedWithAReason()
    {
        QFETCH(QStringList, texts);
        QFETCH(bool, accepted);
        const LimitsCheck check =
            checkLimits(LimitsInput{texts[0], texts[1], texts[2], texts[3]}, QStringLiteral("mm"), QLocale::c());
        QCOMPARE(check.limits.has_value(), accepted);
        QCOMPARE(check.error.isEmpty(), accepted);
        if (!accepted) {
            // Said in Chinese too: the catalogue has it, not the English again.
            const QString english = findingText(check.error, QStringLiteral("en"));
            QVERIFY(!english.isEmpty() && findingText(check.error, QStringLiteral("zh")) != english);
            // Refused limits never reach the analysis either.
            RecordsModel model;
            ReadingsAnalysis analysis(model);
            Limits bad{5, 6, 0, std::nullopt, QString()};
            QVERIFY(!analysis.setLimits(bad));
            QVERIFY(!analysis.limits());
        } else {
            QCOMPARE(check.limits->unit, QStringLiteral("mm"));
            QCOMPARE(check.limits->maximum.has_value(), !texts[2].isEmpty());
        }
    }

    // A million-row run chart: the global minimum and maximum (value and row) are among the
    // drawn points whatever the bucket size, out-of-range readings are not drawn however low
    // their raw number, and no more than two points per bucket are drawn.
    void downsamplingKeepsTheExtremes()
    {
        RecordsModel model;
        singleLayer(model);
        const int rows = 1000000;
        QByteArray unused;
        QVector<GaugeRecord> records(rows);
        QRandomGenerator random(7);
        for (GaugeRecord &r : records) {
            r.setValue(0, float(9.0 + random.bounded(1.0)), false);
            r.setValue(1, 5920.0f, false);
        }
        const int thin = 612345;
        records[thin].setValue(0, 3.21f, false);
        records[thin + 1].setValue(0, 0.01f, true); // flagged: not a reading
        records[77].setValue(0, 15.5f, false);
        model.append(records, RecordOrigin::Memory, 0);

        for (int buckets : {640, 1000}) {
            RunSeries series(buckets);
            series.rebuild(model, 0);
            QVector<int> pointRows;
            const QList<QPointF> points = series.points(&pointRows);
            QVERIFY(points.size() <= 2 * buckets);
            QVERIFY(pointRows.contains(thin));
            QCOMPARE(points[pointRows.indexOf(thin)], QPointF(thin + 1, double(3.21f)));
            QVERIFY(pointRows.contains(77));
            QVERIFY(!pointRows.contains(thin + 1));
            const auto lowest = std::min_element(points.begin(), points.end(),
                                                 [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); });
            QCOMPARE(lowest->y(), double(3.21f));
            // Every 100th row as a push: merges on the way keep the same extremes.
            RunSeries pushed(buckets);
            for (int row = 0; row < rows; ++row)
                pushed.append(model.value(row, 0), !model.isOutOfRange(row, 0));
            QCOMPARE(pushed.points(), points);
        }
    }

    // Bins of a sensible width: every reading counted once in the bin that holds it, no bin
    // finer than the column's resolution, a single bin for equal readings, none without
    // readings.
    void histogramBins()
    {
        RecordsModel model;
        singleLayer(model);
        ReadingsAnalysis analysis(model);
        QVERIFY(analysis.histogram().isEmpty());
        add(model, NAN);
        QVERIFY(analysis.histogram().isEmpty());
        QRandomGenerator random(3);
        for (int i = 0; i < 5000; ++i)
            add(model, 5.0 + random.bounded(1.0) + random.bounded(1.0));
        const Histogram &h = analysis.histogram();
        QVERIFY(h.counts.size() >= 10 && h.counts.size() <= 61);
        QVERIFY(h.width >= 0.01);
        QVector<qint64> counted(h.counts.size(), 0);
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.isOutOfRange(row, 0))
                continue;
            const double v = model.value(row, 0);
            const int bin = int(std::floor((v - h.start) / h.width));
            QVERIFY(bin >= 0 && bin < h.counts.size());
            ++counted[bin];
        }
        QCOMPARE(h.counts, counted);

        RecordsModel same;
        singleLayer(same);
        for (int i = 0; i < 50; ++i)
            add(same, 4.2);
        const Histogram one = Histogram::compute(same, 0, computeStatistics(same, 0, allRows(same)), 2);
        QCOMPARE(one.counts, QVector<qint64>{50});
        QCOMPARE(one.width, 0.01);
    }

    // Each layer judged by its own limits: layer 1's limits leave layers 2 and 3 unjudged (a
    // thin layer 2 is not red against layer 1's minimum); each layer's set is kept per serial
    // beside the others, and limits kept before there were layers load as layer 1's.
    void limitsPerLayer()
    {
        RecordsModel model;
        QVERIFY(model.setColumns(2, {0, 0, 0, 2, 2, 2}, unitTable()));
        GaugeRecord r;
        const float values[] = {5.0f, 3.0f, 9.0f, 5920.0f, 5920.0f, 5920.0f};
        for (int i = 0; i < 6; ++i)
            r.setValue(i, values[i], false);
        model.append(QVector<GaugeRecord>{r}, RecordOrigin::Pushed, 0);
        ReadingsAnalysis analysis(model);
        QCOMPARE(analysis.layerCount(), 3);
        const int layer1 = analysis.columnOfLayer(0);
        const int layer2 = analysis.columnOfLayer(1);
        const int layer3 = analysis.columnOfLayer(2);
        QVERIFY(layer1 >= 0 && layer2 >= 0 && layer3 >= 0);
        QCOMPARE(analysis.layerOf(layer2), 1);

        const Limits first{6.0, 5.5, 0.0, std::nullopt, QStringLiteral("mm")};
        QVERIFY(analysis.setLimits(first, 0));
        QCOMPARE(analysis.band(0, layer1), std::optional<Band>(Band::Red));
        QCOMPARE(analysis.band(0, layer2), std::nullopt);
        QCOMPARE(analysis.band(0, layer3), std::nullopt);
        QVERIFY(!analysis.isJudged(layer2) && !analysis.isJudged(layer3));
        QCOMPARE(analysis.tableStatistics(layer2).bands, BandCounts{});

        const Limits second{3.0, 2.5, 0.0, 3.2, QStringLiteral("mm")};
        QVERIFY(analysis.setLimits(second, 1));
        QCOMPARE(analysis.band(0, layer2), std::optional<Band>(Band::Normal));
        QCOMPARE(analysis.band(0, layer1), std::optional<Band>(Band::Red));
        QCOMPARE(analysis.band(0, layer3), std::nullopt);
        QCOMPARE(analysis.tableStatistics(layer2).bands[size_t(Band::Normal)], 1);
        QCOMPARE(analysis.tableStatistics(layer1).bands[size_t(Band::Red)], 1);

        // Kept per layer, in the INI file and as the survey file's JSON.
        QTemporaryDir dir;
        SettingsLimitsStore ini(dir.filePath(QStringLiteral("limits.ini")));
        QVERIFY(ini.saveLayers(QStringLiteral("7"), analysis.layerLimits()));
        QCOMPARE(ini.loadLayers(QStringLiteral("7")), analysis.layerLimits());
        QCOMPARE(decodeLayerLimits(encodeLayerLimits(analysis.layerLimits())), analysis.layerLimits());
        QCOMPARE(ini.load(QStringLiteral("7")), std::optional<Limits>(first));
        // Kept before there were layers: layer 1's.
        const LayerLimits old =
            decodeLayerLimits(QByteArrayLiteral("{\"nominal\":6,\"minimum\":5.5,\"tolerance\":0,\"unit\":\"mm\"}"));
        QCOMPARE(old[0], std::optional<Limits>(first));
        QVERIFY(!old[1] && !old[2]);
        {
            QSettings raw(ini.path(), QSettings::IniFormat);
            raw.setValue(QStringLiteral("gauge_38/nominal"), 6.0); // serial "8", as written before
            raw.setValue(QStringLiteral("gauge_38/minimum"), 5.5);
            raw.setValue(QStringLiteral("gauge_38/unit"), QStringLiteral("mm"));
        }
        const LayerLimits oldIni = ini.loadLayers(QStringLiteral("8"));
        QCOMPARE(oldIni[0], std::optional<Limits>(first));
        QVERIFY(!oldIni[1] && !oldIni[2]);

        // A gauge's every layer comes back with its serial.
        ReadingsAnalysis again(model);
        again.setStore(&ini);
        again.setSerial(QStringLiteral("7"));
        QCOMPARE(again.layerLimits(), analysis.layerLimits());
        QCOMPARE(again.band(0, layer2), std::optional<Band>(Band::Normal));
    }

    // Limits kept per serial; removing them removes them; a damaged entry gives none; the
    // analysis loads a gauge's limits when it is identified and saves what is set.
    void limitsRememberedPerSerial()
    {
        QTemporaryDir dir;
        SettingsLimitsStore store(dir.filePath(QStringLiteral("limits.ini")));
        const Limits a{6.0, 5.0, 0.25, 7.0, QStringLiteral("mm")};
        const Limits b{0.25, 0.2, 0.0, std::nullopt, QStringLiteral("inch")};
        QVERIFY(store.save(QStringLiteral("111"), a));
        QVERIFY(store.save(QStringLiteral("x/=2"), b));
        QCOMPARE(*store.load(QStringLiteral("111")), a);
        QCOMPARE(*store.load(QStringLiteral("x/=2")), b);
        QVERIFY(!store.load(QStringLiteral("222")));
        QVERIFY(store.save(QStringLiteral("111"), std::nullopt));
        QVERIFY(!store.load(QStringLiteral("111")));
        {
            QSettings raw(store.path(), QSettings::IniFormat);
            raw.setValue(QStringLiteral("gauge_333333/nominal"), 4.0);
            raw.setValue(QStringLiteral("gauge_333333/minimum"), 9.0);
        }
        QVERIFY(!store.load(QStringLiteral("333")));

        RecordsModel model;
        singleLayer(model);
        add(model, 5.1);
        ReadingsAnalysis analysis(model);
        analysis.setStore(&store);
        QSignalSpy limitsSpy(&analysis, &ReadingsAnalysis::limitsChanged);
        analysis.setSerial(QStringLiteral("x/=2"));
        QCOMPARE(limitsSpy.count(), 1);
        QCOMPARE(*analysis.limits(), b);
        // Limits in inch judge the mm column after conversion: 5.10 mm is between 0.2 inch
        // (5.08 mm) and 0.25 inch (6.35 mm).
        QCOMPARE(analysis.band(0, 1), std::optional<Band>(Band::Amber));
        QCOMPARE(analysis.tableStatistics(1).bands[int(Band::Amber)], 1);
        QVERIFY(analysis.setLimits(a));
        QCOMPARE(*store.load(QStringLiteral("x/=2")), a);
        analysis.setSerial(QStringLiteral("222"));
        QVERIFY(!analysis.limits());
        QCOMPARE(analysis.band(0, 1), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
