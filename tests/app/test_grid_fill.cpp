// Grid surveys in the session: the grid's book over several surveys (values, loss, a cell's
// history, the unseen minimum's blocks and areas) and filling a grid from the readings.
#include "GaugeFixture.h"
#include "session/GridBook.h"
#include "session/GridFill.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>

using namespace GaugeFixture;

namespace {

qint64 utc(int year)
{
    return QDateTime(QDate(year, 6, 1), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
}

GridCell at(const QString &name)
{
    return GridLayout::parseCellName(name);
}

int indexOf(const GridLayout &layout, GridCell cell)
{
    return (cell.row - 1) * layout.columns() + cell.column;
}

// One survey of the CML: the readings in order, each put in its cell ("" for none). Its id.
qint64 addSurvey(Places &places, int year, const QString &unit, const QVector<QPair<QString, double>> &cells)
{
    QVector<ReadingEntry> entries;
    for (int i = 0; i < cells.size(); ++i) {
        ReadingEntry e;
        e.assetPath = QStringLiteral("Plant/T-1");
        e.tag = QStringLiteral("Floor");
        e.dateMs = utc(year) + i * 1000;
        e.values[0] = float(cells[i].second);
        e.values[1] = 5920.0f;
        e.thicknessUnit = unit;
        entries << e;
    }
    const QVector<qint64> made = places.importReadings(entries);
    if (made.size() != 1)
        return 0;
    const QVector<PlaceReading> readings = places.surveyReadings(made[0]);
    QVector<QPair<qint64, GridCell>> placed;
    for (int i = 0; i < readings.size(); ++i)
        if (!cells[i].first.isEmpty())
            placed.append({readings[i].key, at(cells[i].first)});
    return places.setCells(placed) ? made[0] : 0;
}

// A 4 × 5 grid CML (rows 1–4, A–E), C4 and D3 masked, walked snaking along rows from the bottom
// left: A4 B4 [C4] D4 E4, E3 [D3] C3 B3 A3, A2 … E2, E1 … A1.
qint64 addGridCml(Places &places)
{
    const qint64 asset = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
    Cml c;
    c.asset = asset;
    c.tag = QStringLiteral("Shell");
    const qint64 cml = places.addCml(c);
    GridDefinition grid;
    if (!cml || !grid.layout.setSize(4, 5))
        return 0;
    grid.layout.setMasked(at("C4"), true);
    grid.layout.setMasked(at("D3"), true);
    grid.walk = {WalkCorner::BottomLeft, WalkAxis::AlongRows, WalkStyle::Snaking};
    return places.setGrid(cml, grid) ? cml : 0;
}

// The grid's readings as "key:cell" ("key:-" without a cell), in the file's order.
QStringList cellsInFile(Places &places, qint64 cml)
{
    QStringList out;
    for (const GridReading &r : places.gridReadings(cml))
        out << QStringLiteral("%1:%2").arg(r.key).arg(r.cell.isValid() ? GridLayout::cellName(r.cell) : QStringLiteral("-"));
    return out;
}

} // namespace

class GridFillTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void pushesFillTheWalk()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        GridFill fill(rig.session);
        QVERIFY(!fill.start(1));
        QCOMPARE(fill.problem(), GridFill::Problem::NoStore);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("live.sqlite"))));
        Places places(store);
        const qint64 cml = addGridCml(places);
        QVERIFY(cml);
        QVERIFY(!fill.start(cml + 1));
        QCOMPARE(fill.problem(), GridFill::Problem::NotAGrid);

        auto gauge = singleLayerGauge();
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("777"));
        QVERIFY(fill.start(cml));
        QCOMPARE(fill.next(), at("A4"));
        QSignalSpy placed(&fill, &GridFill::placed);

        // The key of the reading pushed, once it has come.
        auto push = [&](float thickness) {
            const int before = rig.model.rowCount();
            gauge->pushSingleLayer(5920.0f, thickness);
            if (!QTest::qWaitFor([&] { return rig.model.rowCount() == before + 1; }, 5000))
                return qint64(-1);
            return rig.model.keys(before, 1).front();
        };
        QVector<qint64> keys;
        for (int i = 0; i < 6; ++i)
            keys << push(6.0f + 0.1f * i);
        QCOMPARE(placed.size(), 6);
        QCOMPARE(fill.next(), at("B3"));

        QVERIFY(!fill.setNext(at("C4")));
        QCOMPARE(fill.problem(), GridFill::Problem::OutOfGrid);
        QVERIFY(!fill.setNext(at("F1")));
        QVERIFY(fill.setNext(at("B1")));
        keys << push(7.0f) << push(7.1f); // B1, A1: the walk is over
        QVERIFY(!fill.next().isValid());
        const qint64 past = push(7.2f);
        QCOMPARE(placed.size(), 8);
        QCOMPARE(places.reading(past).cml, qint64(0));

        QVERIFY(fill.moveReading(keys[0], at("C2")));
        QCOMPARE(placed.last().value(2).value<GridCell>(), at("A4"));
        QVERIFY(!fill.moveReading(keys[1], at("D3")));
        QVERIFY(!fill.moveReading(past, at("D2")));
        QCOMPARE(fill.problem(), GridFill::Problem::NotOnGrid);
        QVERIFY(fill.moveReading(keys[2], GridCell()));

        const QStringList cells = {"C2", "B4", "-", "E4", "E3", "C3", "B1", "A1"};
        QStringList expected;
        for (int i = 0; i < keys.size(); ++i)
            expected << QStringLiteral("%1:%2").arg(keys[i]).arg(cells[i]);
        QCOMPARE(cellsInFile(places, cml), expected);
        fill.stop();
        QVERIFY(!fill.running());
        push(7.3f);
        QCOMPARE(placed.size(), 10);
    }

    void namedAndStoredReadings()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("named.sqlite"))));
        Places places(store);
        const qint64 cml = addGridCml(places);
        QVERIFY(cml);
        auto gauge = multiLayerGauge();
        const QStringList names = {"B2", "3c", "ZZ9", "P-7", " a1 ", "E5"};
        for (int i = 0; i < names.size(); ++i)
            gauge->addMultiLayerRecord(names[i].toLatin1(), {5.0f + i, 2.0f, 1.0f}, {5920.0f, 5920.0f, 5920.0f});
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("12345"));
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), names.size());
        const std::vector<qint64> k = rig.model.keys(0, names.size());
        const qint64 survey = k.front() >> 32;

        // Arriving live: a name that is a cell lands there and the walk goes on from it; another
        // name goes to the walk's next cell.
        GridFill fill(rig.session);
        QVERIFY(fill.start(cml, at("C4"))); // masked: the walk's first cell instead
        QCOMPARE(fill.next(), at("A4"));
        fill.readingArrived(k[1]);
        QCOMPARE(fill.next(), at("B3"));
        fill.readingArrived(k[3]);
        QCOMPARE(fill.next(), at("A3"));
        QCOMPARE(places.cell(k[1]), at("C3"));
        QCOMPARE(places.cell(k[3]), at("B3"));
        fill.stop();

        // Afterwards by name: B2, C3 again, A1; ZZ9 lies outside, P-7 is no cell, E5 outside too.
        QCOMPARE(GridFill::placeByName(places, cml, survey), 3);
        QCOMPARE(places.cell(k[0]), at("B2"));
        QCOMPARE(places.cell(k[4]), at("A1"));
        QCOMPARE(places.reading(k[2]).cml, qint64(0));
        QCOMPARE(places.cell(k[3]), at("B3")); // left where the walk put it

        // In the walk: from E3 the masked D3 is passed over; from B1 only A1 is left.
        QCOMPARE(GridFill::placeInWalk(places, cml, {k[2], k[5]}, at("E3")), 2);
        QCOMPARE(places.cell(k[2]), at("E3"));
        QCOMPARE(places.cell(k[5]), at("C3"));
        QCOMPARE(GridFill::placeInWalk(places, cml, {k[0], k[3], k[2]}, at("B1")), 2);
        QCOMPARE(places.cell(k[0]), at("B1"));
        QCOMPARE(places.cell(k[3]), at("A1"));
        QCOMPARE(places.cell(k[2]), at("E3"));
        QCOMPARE(GridFill::placeInWalk(places, cml + 1, {k[0]}), -1);
        QCOMPARE(places.gridReadings(cml).size(), names.size());
    }

    void bookOverSurveys()
    {
        SurveyStore store;
        QVERIFY(store.open(dir.filePath(QStringLiteral("book.sqlite"))));
        Places places(store);
        CmlEntry floor;
        floor.assetPath = QStringLiteral("Plant/T-1");
        floor.cml.tag = QStringLiteral("Floor");
        floor.cml.nominal = 10.0;
        QVERIFY(places.importCmls({floor}));
        const qint64 cml = places.cmlByTag(places.assetByPath(floor.assetPath), floor.cml.tag);

        // 6 rows × 4 columns, 10 mm apart, D6 masked.
        GridDefinition grid;
        QVERIFY(grid.layout.setSize(6, 4));
        grid.layout.setPitchMm(10.0);
        grid.layout.setMasked(at("D6"), true);
        QVERIFY(places.setGrid(cml, grid));

        // Imported newest first, so the surveys' keys run against their dates.
        // 2024: 9.6 everywhere but one thin cell per 2 × 2 tile; A6 not read; B2 read twice (the
        // newer 9.1 counts, not 7.0); a 5.0 on the masked D6 that must not count; one reading
        // without a cell.
        QVector<QPair<QString, double>> newest;
        const QHash<QString, double> thin = {{"B2", 9.1}, {"D1", 8.7}, {"A3", 9.4},
                                             {"C4", 8.2}, {"A5", 9.0}, {"C6", 8.9}};
        for (int row = 1; row <= 6; ++row) {
            for (int column = 0; column < 4; ++column) {
                const QString name = GridLayout::cellName({row, column});
                if (name == QLatin1String("A6") || name == QLatin1String("D6"))
                    continue;
                if (name == QLatin1String("B2"))
                    newest.append({name, 7.0});
                newest.append({name, thin.value(name, 9.6)});
            }
        }
        newest.append({"D6", 5.0});
        newest.append({"", 9.9});
        const qint64 s2024 = addSurvey(places, 2024, QStringLiteral("mm"), newest);
        const qint64 s2022 = addSurvey(places, 2022, QStringLiteral("mm"), {{"B2", 10.0}, {"C4", 9.9}, {"A6", 10.0}});
        const qint64 s2020 = addSurvey(places, 2020, QStringLiteral("inch"), {{"A1", 0.4}});
        QVERIFY(s2024 && s2022 && s2020);

        GridBook book(places);
        QVERIFY(!book.load(cml + 1000));
        QVERIFY(book.load(cml));
        QCOMPARE(book.unit(), QStringLiteral("mm"));
        QCOMPARE(book.surveys(), (QVector<qint64>{s2020, s2022, s2024}));

        const GridLayout &layout = book.grid().layout;
        const GridSurveyValues v = book.values();
        QCOMPARE(v.survey, s2024);
        QCOMPARE(v.values.size(), 24);
        QCOMPARE(v.readings, 24); // 22 cells, B2 again, the masked D6 (still a cell of the grid)
        QCOMPARE(v.withoutCell, 1);
        QCOMPARE(v.values[indexOf(layout, at("B2"))], double(9.1f));
        QVERIFY(std::isnan(v.values[indexOf(layout, at("A6"))]));
        const QVector<PlaceReading> taken = places.surveyReadings(s2024);
        QCOMPARE(v.keys[indexOf(layout, at("B2"))], taken[6].key); // row 1, A2, the first B2, then the newer

        // An inch survey in the mm book.
        QCOMPARE(book.values(s2020).values[0], double(0.4f) * 25.4);
        const QVector<GridReading> b2 = book.cellHistory(at("B2"));
        QCOMPARE(b2.size(), 3);
        QCOMPARE(b2[0].survey, s2022);
        QCOMPARE(b2[1].thickness, 7.0);
        QCOMPARE(book.cellHistory(at("A1"))[0].unit, QStringLiteral("mm"));

        // Loss from 2022 to now where both read.
        const QVector<double> loss = book.loss(s2022);
        QCOMPARE(loss[indexOf(layout, at("C4"))], double(9.9f) - double(8.2f));
        QCOMPARE(loss[indexOf(layout, at("B2"))], 10.0 - double(9.1f));
        QVERIFY(std::isnan(loss[indexOf(layout, at("A6"))])); // not read now
        QVERIFY(std::isnan(loss[indexOf(layout, at("A1"))])); // not read then
        QCOMPARE(book.summary().worst.cell, at("C4"));

        // 2 × 2 tiles: six blocks, each holding one thin cell; losses from the nominal 10.
        UnseenOptions options;
        options.blockRows = 2;
        options.blockColumns = 2;
        const UnseenMinimum u = book.unseenMinimum(0, options);
        QCOMPARE(u.blocks, 6);
        QCOMPARE(u.cellsPerBlock, 4);
        QVERIFY(!u.areasInCells);
        QVERIFY(qFuzzyCompare(u.blockArea, 4e-4));   // 4 cells of 10 mm × 10 mm
        QVERIFY(qFuzzyCompare(u.totalArea, 24e-4));  // every cell of the grid, masked or not
        QVERIFY(u.referenceIsNominal);
        QCOMPARE(u.measuredCells, 22);
        QCOMPARE(u.thinnestCell, at("C4"));
        double lossSum = 0;
        QVector<double> minima;
        for (const char *name : {"B2", "D1", "A3", "C4", "A5", "C6"}) {
            minima << double(float(thin.value(QString::fromLatin1(name))));
            lossSum += 10.0 - minima.last();
        }
        QVERIFY(qFuzzyCompare(u.estimate.loss.mean, lossSum / 6)); // 6.7 / 6
        QCOMPARE(u.estimate.loss.blocks, 6);
        const ThinnestWallEstimate expected = estimateThinnestWall(minima, 10.0, 4e-4, 24e-4);
        QCOMPARE(u.estimate.loss.refusal.code, expected.loss.refusal.code);
        QVERIFY(qFuzzyCompare(u.estimate.loss.stdDev, expected.loss.stdDev));
        QVERIFY(u.estimate.ok());
        QVERIFY(qFuzzyCompare(u.estimate.thinnest, expected.thinnest));

        // Whole rows, three at a time: two blocks are too few. Chosen cells only, the masked one not.
        options.blockRows = 3;
        options.blockColumns = 0;
        options.cells = {at("A3"), at("C6"), at("D6")};
        const UnseenMinimum few = book.unseenMinimum(0, options);
        QCOMPARE(few.blocks, 2);
        QCOMPARE(few.cellsPerBlock, 12);
        QCOMPARE(few.measuredCells, 2);
        QCOMPARE(few.thinnestCell, at("C6"));
        QCOMPARE(few.estimate.loss.refusal.code, Finding::ExtremeTooFewBlocks);
        QCOMPARE(few.estimate.loss.refusal.args.value(0).toInt(), 2);

        // No nominal: the thickest reading of the survey is the reference. No pitch: areas in
        // cells, and a total in m² refused.
        Cml c = places.cml(cml);
        c.nominal = NotGiven;
        QVERIFY(places.updateCml(c));
        grid.layout.setPitchMm(UnseenOptions::NaN);
        QVERIFY(places.setGrid(cml, grid));
        QVERIFY(book.load(cml));
        options = UnseenOptions();
        options.blockRows = 2;
        options.blockColumns = 2;
        const UnseenMinimum cells = book.unseenMinimum(0, options);
        QVERIFY(!cells.referenceIsNominal);
        QCOMPARE(cells.estimate.reference, double(9.6f));
        QVERIFY(cells.areasInCells);
        QCOMPARE(cells.blockArea, 4.0);
        QCOMPARE(cells.totalArea, 24.0);
        options.totalAreaM2 = 1.0;
        QCOMPARE(book.unseenMinimum(0, options).estimate.loss.refusal.code, Finding::ExtremeNeedsPitch);
    }
};

QTEST_MAIN(GridFillTest)
#include "test_grid_fill.moc"
