// What judging CMLs keeps in the survey file (design inputs, policies, decisions on marks),
// a file of the previous schema brought up to it, and the judged book kept equal to a fresh
// load while readings move and marks are decided.
#include "session/JudgementBook.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sqlite3.h>

#include <cmath>

namespace {

// One text per row of a query, read through a connection of its own.
QStringList rowsOf(const QString &path, const char *sql)
{
    QStringList out;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList columns;
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    columns << (sqlite3_column_type(st, c) == SQLITE_NULL
                                    ? QStringLiteral("NULL")
                                    : sqlite3_column_type(st, c) == SQLITE_BLOB
                                    ? QString::fromLatin1(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, c)),
                                                                     sqlite3_column_bytes(st, c))
                                                              .toHex())
                                    : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))));
                out << columns.join(QLatin1Char('|'));
            }
        } else {
            out << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

bool execute(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

qint64 at(int year, int month = 6)
{
    return QDateTime(QDate(year, month, 1), QTime(9, 0), QTimeZone::utc()).toMSecsSinceEpoch();
}

// One reading of a CML in a survey of its own, taken at `ms`; its row key.
qint64 reading(SurveyStore &store, Places &places, qint64 cml, qint64 ms, float thickness,
               const QString &unit = QStringLiteral("mm"), bool outOfRange = false)
{
    SurveyInfo info;
    info.serial = QStringLiteral("777");
    info.layout = 1;
    info.unitNumbers = {2, unit == QLatin1String("inch") ? 1 : 0};
    info.unitNames = {unit, QStringLiteral("m/s")};
    info.decimals = {2, 0};
    store.beginSession(info, ms);
    const float values[] = {thickness, 5900};
    const quint8 flags[] = {quint8(outOfRange ? 1 : 0)};
    const std::vector<qint64> keys = store.addRows(1, 2, values, flags, nullptr, RecordOrigin::Memory, ms);
    // Saved and gone from the table, as a finished survey's readings are.
    store.exported(QStringLiteral("/tmp/survey.csv"), QStringLiteral("csv"), keys, true, true);
    store.endSession(ms + 1000);
    if (keys.size() != 1 || !keys[0] || !places.moveReading(keys[0], cml).id)
        return 0;
    return keys[0];
}

qint64 addCml(Places &places, qint64 asset, const char *tag, double minimum = NotGiven)
{
    Cml c;
    c.asset = asset;
    c.tag = QLatin1String(tag);
    c.minimum = minimum;
    return places.addCml(c);
}

const char *const keptTables[] = {"sessions", "records", "events", "exports", "gauge_settings", "assets", "cmls",
                                  "routes", "route_stops", "surveys", "survey_marks", "assignments", "assignment_moves"};

QStringList tableRows(const QString &path, const char *table)
{
    return rowsOf(path, QByteArray("SELECT * FROM ").append(table).append(" ORDER BY 1, 2").constData());
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The book as a fresh load of the same file gives it: same CMLs in the same order, same figures.
void compareWithFreshLoad(const JudgementBook &book, Places &places)
{
    JudgementBook fresh(places);
    QVERIFY(fresh.load(book.asset()));
    QCOMPARE(book.items().size(), fresh.items().size());
    for (int i = 0; i < fresh.items().size(); ++i) {
        const CmlJudgement &a = book.items()[i];
        const CmlJudgement &b = fresh.items()[i];
        QCOMPARE(a.cml.id, b.cml.id);
        QCOMPARE(book.indexOf(b.cml.id), i);
        QCOMPARE(a.assetPath, b.assetPath);
        QCOMPARE(a.circuit, b.circuit);
        QCOMPARE(a.unit, b.unit);
        QVERIFY(same(a.requirement.required, b.requirement.required));
        QCOMPARE(a.series.readings.size(), b.series.readings.size());
        for (int r = 0; r < a.series.readings.size(); ++r) {
            QCOMPARE(a.series.readings[r].key, b.series.readings[r].key);
            QCOMPARE(a.series.readings[r].dateMs, b.series.readings[r].dateMs);
            QVERIFY(same(a.series.readings[r].thickness, b.series.readings[r].thickness));
            QCOMPARE(a.series.readings[r].decision, b.series.readings[r].decision);
        }
        QCOMPARE(a.figures.marks, b.figures.marks);
        QCOMPARE(a.figures.counted, b.figures.counted);
        QVERIFY(same(a.figures.governing, b.figures.governing));
        QVERIFY(same(a.figures.remainingYears, b.figures.remainingYears));
        QCOMPARE(a.figures.nextMs, b.figures.nextMs);
    }
}

QVector<qint64> order(const JudgementBook &book)
{
    QVector<qint64> ids;
    for (const CmlJudgement &item : book.items())
        ids << item.cml.id;
    return ids;
}

} // namespace

class JudgementStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("surveys.sqlite")); }

private slots:
    void init()
    {
        for (const QString &file : {path(), dir.filePath(QStringLiteral("fresh.sqlite"))})
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(file + QLatin1String(suffix));
    }

    // A file of the previous schema (places, readings, a route, an assignment) is read as it
    // is by a read-only opening, then brought up with every row kept, to the same schema a
    // new file gets.
    void aFileOfThePreviousSchemaIsBroughtUp()
    {
        qint64 cml = 0;
        {
            SurveyStore store;
            QVERIFY(store.open(path()));
            Places places(store);
            const qint64 line = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
            cml = addCml(places, line, "A", 6.0);
            QVERIFY(cml && addCml(places, line, "B"));
            QVERIFY(places.addRoute(QStringLiteral("walk"), {cml}));
            QVERIFY(reading(store, places, cml, at(2020), 9.5f));
            QVERIFY(reading(store, places, cml, at(2022), 0.37f, QStringLiteral("inch")));
            QVERIFY(reading(store, places, cml, at(2024), 0.0f, QStringLiteral("mm"), true));
        }
        // Schema 3 is the newest without the judgement's tables, the walk log, the grids and what was agreed.
        QVERIFY(execute(path(), "DROP TABLE cml_designs; DROP TABLE asset_policies; DROP TABLE mark_decisions;"
                                "DROP TABLE walk_steps; DROP TABLE cml_grids; DROP TABLE grid_cells; DROP TABLE cml_agreed;"
                                "PRAGMA user_version=3; PRAGMA wal_checkpoint(TRUNCATE)"));
        QList<QStringList> before;
        for (const char *table : keptTables)
            before << tableRows(path(), table);
        QCOMPARE(before[1].size(), 3);

        {
            SurveyStore old;
            QVERIFY(old.openReadOnly(path()));
            Places places(old);
            const QVector<ThicknessRow> rows = places.thicknessRows(0);
            QCOMPARE(rows.size(), 3);
            QCOMPARE(rows[1].unit, QStringLiteral("inch"));
            QCOMPARE(rows[1].thickness, double(0.37f));
            QVERIFY(std::isnan(rows[2].thickness)); // out of range
            QCOMPARE(rows[0].decision, MarkDecision::None);
            QCOMPARE(places.design(cml), DesignInputs());
            QVERIFY(places.policy(places.cml(cml).asset) == JudgementPolicy());
            QVERIFY(!places.decide(rows[0].key, ReadingMark::Verify, MarkDecision::Include, QStringLiteral("ann")));
        }
        QCOMPARE(rowsOf(path(), "PRAGMA user_version"), QStringList{"3"});

        SurveyStore store;
        QVERIFY2(store.open(path()), qPrintable(store.errorText()));
        store.close();
        QCOMPARE(rowsOf(path(), "PRAGMA user_version"), QStringList{QString::number(SurveyStore::SchemaVersion)});
        for (int i = 0; i < int(std::size(keptTables)); ++i)
            QCOMPARE(tableRows(path(), keptTables[i]), before[i]);
        const QString fresh = dir.filePath(QStringLiteral("fresh.sqlite"));
        {
            SurveyStore made;
            QVERIFY(made.open(fresh));
        }
        const char *schema = "SELECT type, name, sql FROM sqlite_master ORDER BY name";
        QCOMPARE(rowsOf(path(), schema), rowsOf(fresh, schema));

        QVERIFY(store.open(path()));
        Places places(store);
        const qint64 key = places.thicknessRowsOf(cml).first().key;
        QVERIFY(places.decide(key, ReadingMark::Verify, MarkDecision::Include, QStringLiteral("ann")));
        QCOMPARE(places.thicknessRowsOf(cml).first().decision, MarkDecision::Include);
    }

    // Design inputs come back as set (a number not given stays not given), policies are
    // inherited from the nearest asset above that has one, and the newest decision on a
    // reading counts, logged with who and when, until withdrawn.
    void designsPoliciesAndDecisionsAreKept()
    {
        SurveyStore store;
        QVERIFY(store.open(path()));
        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
        const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
        const qint64 pump = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("P-101"));
        const qint64 other = places.addAsset(0, AssetKind::Site, QStringLiteral("Yard"));
        const qint64 a = addCml(places, pump, "A");
        const qint64 b = addCml(places, other, "B");
        QVERIFY(site && unit && pump && other && a && b);

        DesignInputs pipe;
        pipe.formula = DesignFormula::PipeB31_3;
        pipe.pressureUnit = PressureUnit::Psi;
        pipe.lengthUnit = LengthUnit::Inch;
        pipe.temperatureUnit = TemperatureUnit::Fahrenheit;
        pipe.pressure = 300;
        pipe.diameter = 6.625;
        pipe.stress = 20000;
        pipe.joint = 0.85;
        pipe.weld = NotGiven;
        pipe.temperature = 950;
        pipe.material = MaterialGroup::Austenitic;
        pipe.allowance = 0.05; // Y, G, H, R not given
        QVERIFY(places.setDesign(a, pipe));
        QVERIFY(!places.setDesign(b + 100, pipe));
        QCOMPARE(places.problem(), Places::Problem::NotFound);
        QCOMPARE(places.design(a), pipe);
        QVERIFY(std::isnan(places.design(a).coefficientY) && std::isnan(places.design(a).weld));
        QCOMPARE(places.design(b), DesignInputs());
        QCOMPARE(places.designs().size(), 1);
        QCOMPARE(places.designs().value(a), pipe);
        QCOMPARE(rowsOf(path(), "SELECT coefficient_y, weld, radius FROM cml_designs"), QStringList{"NULL|NULL|NULL"});
        QVERIFY(places.setDesign(a, DesignInputs()));
        QVERIFY(places.designs().isEmpty());

        // Own, inherited from the site past a unit without one, and the default elsewhere.
        const JudgementPolicy siteRule{RateRule::Regression, IntervalRule::Api510, 5.0};
        const JudgementPolicy pumpRule{RateRule::ShortTerm, IntervalRule::Years, 2.5};
        QVERIFY(places.setPolicy(site, siteRule));
        QVERIFY(places.setPolicy(pump, pumpRule));
        QVERIFY(!places.setPolicy(unit, JudgementPolicy{RateRule::LongTerm, IntervalRule::Years, 0.0}));
        QCOMPARE(places.problem(), Places::Problem::BadInput);
        QVERIFY(places.policy(pump) == pumpRule);
        QVERIFY(places.policy(unit) == siteRule);
        QVERIFY(!places.ownPolicy(unit));
        QVERIFY(places.policy(other) == JudgementPolicy());
        QVERIFY(places.setPolicy(pump, std::nullopt));
        QVERIFY(!places.ownPolicy(pump));
        QVERIFY(places.policy(pump) == siteRule);
        QVERIFY(places.setPolicy(unit, pumpRule));
        const QHash<qint64, JudgementPolicy> all = places.policies();
        QCOMPARE(all.size(), 4);
        for (qint64 asset : {site, unit, pump, other})
            QVERIFY(all.value(asset) == places.policy(asset));
        QVERIFY(all.value(pump) == pumpRule);

        // The newest decision counts; None withdraws; the log keeps all three.
        const qint64 first = reading(store, places, a, at(2020), 9.0f);
        const qint64 second = reading(store, places, a, at(2022), 9.6f);
        QVERIFY(first && second);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(places.decide(second, ReadingMark::Verify, MarkDecision::Include, QStringLiteral("ann"), QStringLiteral("re-measured")));
        QVERIFY(places.decide(second, ReadingMark::Verify, MarkDecision::Exclude, QStringLiteral("bob")));
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(places.thicknessRowsOf(a)[1].decision, MarkDecision::Exclude);
        QCOMPARE(places.thicknessRowsOf(a)[0].decision, MarkDecision::None);
        QVERIFY(places.decide(second, ReadingMark::Verify, MarkDecision::None, QStringLiteral("cy")));
        QCOMPARE(places.thicknessRowsOf(a)[1].decision, MarkDecision::None);
        const QVector<MarkDecisionEntry> log = places.decisions(a);
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0].who, QStringLiteral("ann"));
        QCOMPARE(log[0].note, QStringLiteral("re-measured"));
        QCOMPARE(log[0].decision, MarkDecision::Include);
        QCOMPARE(log[1].who, QStringLiteral("bob"));
        QCOMPARE(log[2].decision, MarkDecision::None);
        QVERIFY(log[0].atMs >= before && log[1].atMs <= after);
        QCOMPARE(log[0].key, second);
        QCOMPARE(log[0].readingUuid, places.history(a)[1].uuid);
        QVERIFY(places.decisions(b).isEmpty());

        // Readings of one CML taken at the same time come in table order, whatever their values.
        {
            SurveyInfo info;
            info.serial = QStringLiteral("777");
            info.layout = 1;
            info.unitNumbers = {2, 0};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
            info.decimals = {2, 0};
            store.beginSession(info, at(2023));
            const float values[] = {9.4f, 5900, 8.9f, 5900, 9.1f, 5900};
            const quint8 flags[3] = {};
            const std::vector<qint64> keys = store.addRows(3, 2, values, flags, nullptr, RecordOrigin::Memory, at(2023));
            store.exported(QStringLiteral("/tmp/survey.csv"), QStringLiteral("csv"), keys, true, true);
            store.endSession(at(2023) + 1000);
            QVERIFY(places.moveReadings(keys, b).id);
            const QVector<ThicknessRow> rows = places.thicknessRowsOf(b);
            QCOMPARE(rows.size(), 3);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(rows[i].key, keys[size_t(i)]);
                QCOMPARE(rows[i].thickness, double(values[2 * i]));
            }
        }

        // A reading moved keeps its decisions; a deleted survey takes them along.
        QVERIFY(places.moveReading(second, b).id);
        QCOMPARE(places.decisions(b).size(), 3);
        QVERIFY(places.decisions(a).isEmpty());
        QVERIFY(store.deleteSession(second >> 32));
        QCOMPARE(rowsOf(path(), "SELECT count(*) FROM mark_decisions"), QStringList{"0"});
    }

    // After a reading moves to another CML or a mark is decided, refreshing the CMLs touched
    // leaves the book as a fresh load of the file gives it, in the same order.
    void gridsAndTheirCellsAreKept()
    {
        SurveyStore store;
        QVERIFY(store.open(path()));
        Places places(store);
        const qint64 tank = places.addAsset(0, AssetKind::Equipment, QStringLiteral("T-1"));
        const qint64 cml = addCml(places, tank, "Shell-1");
        const qint64 plain = addCml(places, tank, "Nozzle");
        GridDefinition grid;
        QVERIFY(grid.layout.setSize(999, 52));
        grid.layout.setPitchMm(25.0);
        grid.layout.setMasked({1, 0}, true);
        grid.layout.setMasked({999, 51}, true); // the highest row and column: the numbering holds them apart
        grid.layout.setMasked({12, 27}, true);
        grid.walk = {WalkCorner::BottomRight, WalkAxis::AlongColumns, WalkStyle::Snaking};
        QVERIFY(places.setGrid(cml, grid));
        QVERIFY(!places.setGrid(cml + 100, grid));
        QCOMPARE(places.problem(), Places::Problem::NotFound);

        const qint64 a = reading(store, places, cml, at(2024), 9.5f);
        const qint64 b = reading(store, places, cml, at(2025), 9.25f, QStringLiteral("mm"), true);
        QVERIFY(places.setCells({{a, {12, 26}}, {b, {999, 50}}}));
        // All or none: an unknown reading leaves the cells as they were.
        QVERIFY(!places.setCells({{a, {1, 1}}, {b + 99, {1, 2}}}));
        QCOMPARE(places.cell(a), (GridCell{12, 26}));

        store.close();
        QVERIFY(store.open(path()));
        const std::optional<GridDefinition> kept = places.grid(cml);
        QVERIFY(kept && kept->layout == grid.layout && kept->walk == grid.walk);
        QVERIFY(!places.grid(plain));
        QCOMPARE(places.gridCmls(), QVector<qint64>{cml});
        const QVector<GridReading> readings = places.gridReadings(cml);
        QCOMPARE(readings.size(), 2);
        QCOMPARE(readings[0].cell, (GridCell{12, 26}));
        QCOMPARE(readings[0].thickness, double(9.5f));
        QCOMPARE(readings[1].cell, (GridCell{999, 50}));
        QVERIFY(std::isnan(readings[1].thickness)); // out of range
        QCOMPARE(places.gridReadings(cml, b >> 32).size(), 1);

        // Off the grid's cell; the CML no longer a grid, its readings keep their cells.
        QVERIFY(places.setCell(b, GridCell()));
        QVERIFY(!places.cell(b).isValid());
        QVERIFY(places.setGrid(cml, GridDefinition()));
        QVERIFY(!places.grid(cml));
        QCOMPARE(places.cell(a), (GridCell{12, 26}));
    }

    void theBookAfterARefreshEqualsAFreshLoad()
    {
        SurveyStore store;
        QVERIFY(store.open(path()));
        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
        const qint64 pump = places.addAsset(site, AssetKind::Equipment, QStringLiteral("P-101"));
        const qint64 loop = places.addAsset(pump, AssetKind::Circuit, QStringLiteral("LOOP-1"));
        const qint64 pipe = places.addAsset(loop, AssetKind::Other, QStringLiteral("Line 4"));
        const qint64 a = addCml(places, loop, "A", 6.0);
        const qint64 b = addCml(places, pipe, "B", 6.0);
        const qint64 c = addCml(places, pump, "C", 6.0);
        const qint64 d = addCml(places, pump, "D", 6.0);
        const qint64 e = addCml(places, pump, "E"); // never read
        QVERIFY(a && b && c && d && e);
        const struct
        {
            qint64 cml;
            int year;
            float t;
        } readings[] = {{a, 2016, 10.0f}, {a, 2018, 9.5f}, {a, 2020, 9.0f}, {a, 2022, 8.6f},
                        {b, 2016, 12.0f}, {b, 2018, 11.9f}, {b, 2020, 11.8f},
                        {c, 2016, 8.0f},  {c, 2018, 7.0f},  {c, 2022, 6.5f},
                        {d, 2016, 10.0f}, {d, 2018, 11.5f}, {d, 2022, 9.8f}};
        QHash<QPair<qint64, int>, qint64> keys;
        for (const auto &r : readings) {
            const qint64 key = reading(store, places, r.cml, at(r.year), r.t);
            QVERIFY(key);
            keys.insert({r.cml, r.year}, key);
        }

        JudgementBook book(places);
        QVERIFY(book.load(site));
        QCOMPARE(book.items().size(), 5);
        compareWithFreshLoad(book, places);
        QCOMPARE(book.items().first().cml.id, c); // the shortest life
        QCOMPARE(book.items().last().cml.id, e);  // no life at all
        QCOMPARE(book.items()[book.indexOf(b)].circuit, loop);
        QCOMPARE(book.items()[book.indexOf(a)].circuit, loop);
        QCOMPARE(book.items()[book.indexOf(c)].circuit, 0);
        QCOMPARE(book.items()[book.indexOf(b)].assetPath, QStringLiteral("Plant/P-101/LOOP-1/Line 4"));

        // C's newest reading goes to B: B is now the worst, C lives longer.
        const QVector<qint64> orderBefore = order(book);
        QVERIFY(places.moveReading(keys.value({c, 2022}), b).id);
        QVERIFY(book.refresh(c));
        QVERIFY(book.refresh(b));
        compareWithFreshLoad(book, places);
        QVERIFY(order(book) != orderBefore);
        QCOMPARE(book.items().first().cml.id, b);

        // D's thicker reading, left out by its mark, counted once accepted.
        const int dAt = book.indexOf(d);
        QCOMPARE(book.items()[dAt].figures.marks.value(1), ReadingMark::Excluded);
        QVERIFY(!book.items()[dAt].figures.counted.value(1));
        QVERIFY(places.decide(keys.value({d, 2018}), ReadingMark::Excluded, MarkDecision::Include, QStringLiteral("ann")));
        QVERIFY(book.refresh(d));
        compareWithFreshLoad(book, places);
        QVERIFY(book.items()[book.indexOf(d)].figures.counted.value(1));

        // A CML no longer under the loaded asset leaves the book.
        const qint64 elsewhere = places.addAsset(0, AssetKind::Site, QStringLiteral("Yard"));
        Cml moved = places.cml(a);
        moved.asset = elsewhere;
        QVERIFY(places.updateCml(moved));
        QVERIFY(book.refresh(a));
        QCOMPARE(book.indexOf(a), -1);
        compareWithFreshLoad(book, places);
    }
};

QTEST_GUILESS_MAIN(JudgementStoreTest)
#include "tst_judgement_store.moc"
