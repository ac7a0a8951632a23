// Places in the survey file: a file of the last schema brought in whole, and readings reaching
// their locations by route, by name and by hand, each step undoable.
#include "store/Places.h"
#include "store/PlacesCsv.h"
#include "store/SurveyStore.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

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

SurveyInfo singleLayer()
{
    SurveyInfo info;
    info.serial = QStringLiteral("777");
    info.layout = 1;
    info.unitNumbers = {2, 0};
    info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
    info.decimals = {2, 0};
    return info;
}

SurveyInfo multiLayer()
{
    SurveyInfo info = singleLayer();
    info.serial = QStringLiteral("12345");
    info.layout = 2;
    info.unitNumbers = {0, 0, 0, 2, 2, 2};
    info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("m/s"),
                      QStringLiteral("m/s"), QStringLiteral("m/s")};
    info.decimals = {2, 2, 2, 0, 0, 0};
    return info;
}

// The first-layer thickness of each reading of a CML, oldest first.
QList<float> thicknessAt(Places &places, qint64 cml)
{
    QList<float> out;
    for (const PlaceReading &r : places.history(cml))
        out << r.values[0];
    return out;
}

} // namespace

class PlacesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("surveys.sqlite")); }

private slots:
    void init()
    {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(path() + QLatin1String(suffix));
    }

    // A file the previous program wrote (reads, pushes, a clear, a rename, a deletion and an
    // export) keeps every row, event, export and setting; each session becomes a survey of
    // its date, every reading gets a UUID of its own, and the file reads back as before.
    void aFileOfTheLastSchemaComesIntoPlaces()
    {
        QVERIFY(QFile::copy(QStringLiteral(PALVARIN_SOURCE_DIR "/tests/store/fixtures/schema2.sqlite"), path()));
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        const char *rows = "SELECT session, seq, origin, arrived, flags, state, name, v0, v1, v2, v3, v4, v5, recno "
                           "FROM records ORDER BY session, seq";
        const char *others[] = {"SELECT * FROM sessions ORDER BY id", "SELECT * FROM events ORDER BY id",
                                "SELECT * FROM exports ORDER BY id", "SELECT * FROM gauge_settings"};
        const QStringList rowsBefore = rowsOf(path(), rows);
        QCOMPARE(rowsOf(path(), "PRAGMA user_version"), QStringList{"2"});
        QVERIFY(rowsBefore.size() > 25);
        QList<QStringList> othersBefore;
        for (const char *sql : others)
            othersBefore << rowsOf(path(), sql);
        QVERIFY(!othersBefore[1].isEmpty() && !othersBefore[2].isEmpty());
        QVector<SurveySummary> historyBefore;
        QList<int> loadedBefore;
        {
            SurveyStore old;
            QVERIFY(old.openReadOnly(path()));
            historyBefore = old.history();
            for (const SurveySummary &s : historyBefore) {
                StoredTable t;
                QVERIFY(old.loadSession(s.id, t));
                loadedBefore << int(t.records.size());
            }
        }

        SurveyStore store;
        QVERIFY2(store.open(path()), qPrintable(store.errorText()));
        store.close();
        QCOMPARE(rowsOf(path(), "PRAGMA user_version"), QStringList{QString::number(SurveyStore::SchemaVersion)});
        QCOMPARE(rowsOf(path(), rows), rowsBefore);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rowsOf(path(), others[i]), othersBefore[i]);
        QCOMPARE(rowsOf(path(), "SELECT count(DISTINCT uuid), min(length(uuid)), max(length(uuid)) FROM records"),
                 QStringList{QStringLiteral("%1|16|16").arg(rowsBefore.size())});
        QCOMPARE(rowsOf(path(), "SELECT group_concat(v.date = s.started) FROM sessions s JOIN surveys v ON v.session = s.id"),
                 rowsOf(path(), "SELECT group_concat(1) FROM sessions"));

        QVERIFY(store.open(path()));
        const QVector<SurveySummary> historyAfter = store.history();
        QCOMPARE(historyAfter.size(), historyBefore.size());
        for (int i = 0; i < historyAfter.size(); ++i) {
            QCOMPARE(historyAfter[i].rows, historyBefore[i].rows);
            QCOMPARE(historyAfter[i].exportedRows, historyBefore[i].exportedRows);
            StoredTable t;
            QVERIFY(store.loadSession(historyAfter[i].id, t));
            QCOMPARE(int(t.records.size()), loadedBefore[i]);
        }
        Places places(store);
        QCOMPARE(places.surveys().size(), historyBefore.size());
        for (const SurveyFacts &f : places.surveys())
            QCOMPARE(f.assigned, 0);
    }

    // Single layer by route: a CML marked skipped keeps the order, a deleted row takes no
    // place, readings past the route's end stay unassigned; a reading moved by hand, and each
    // step taken back in turn. Multi layer by name: trimmed and case-insensitive, names
    // without a CML told once, a name two assets share left alone until the survey names
    // its asset.
    void readingsReachTheirCmls()
    {
        SurveyStore store;
        QVERIFY(store.open(path()));
        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
        const qint64 line = places.addAsset(site, AssetKind::Equipment, QStringLiteral("Line 7"));
        QVERIFY(site && line);
        QCOMPARE(places.addAsset(site, AssetKind::Unit, QStringLiteral("line 7")), 0);
        QCOMPARE(places.problem(), Places::Problem::Duplicate);
        QCOMPARE(places.assetByPath(QStringLiteral(" plant / LINE 7 ")), line);
        QVector<qint64> cml;
        for (const char *tag : {"A", "B", "C", "D", "E"}) {
            Cml c;
            c.asset = line;
            c.tag = QLatin1String(tag);
            c.nominal = 10.0;
            cml << places.addCml(c);
            QVERIFY(cml.last());
        }
        const qint64 route = places.addRoute(QStringLiteral("Line 7 walk"), cml);
        QVERIFY(route);
        QCOMPARE(places.routeByName(QStringLiteral("line 7 WALK")), route);

        // Six readings; the second deleted; C not reached today.
        const qint64 survey = store.beginSession(singleLayer(), 1000);
        const float values[] = {9.1f, 5900, 9.2f, 5900, 9.3f, 5900, 9.4f, 5900, 9.5f, 5900, 9.6f, 5900};
        const quint8 flags[6] = {};
        const std::vector<qint64> keys = store.addRows(6, 2, values, flags, nullptr, RecordOrigin::Memory, 1000);
        QCOMPARE(int(keys.size()), 6);
        store.rowsDeleted({keys[1]}, false);
        QVERIFY(places.setMark(survey, cml[2], StopMark::Skipped));

        const Assignment walked = places.assignByRoute(survey, route);
        QVERIFY(walked.id);
        QCOMPARE(walked.assigned, 4);
        QCOMPARE(walked.unassigned, 1);
        const QList<QList<float>> afterRoute{{9.1f}, {9.3f}, {}, {9.4f}, {9.5f}};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(thicknessAt(places, cml[i]), afterRoute[i]);
        QCOMPARE(places.survey(survey).route, route);

        const Assignment moved = places.moveReading(keys[5], cml[2]);
        QVERIFY(moved.id > walked.id);
        QCOMPARE(moved.unassigned, 0);
        QCOMPARE(thicknessAt(places, cml[2]), QList<float>{9.6f});
        const QVector<CmlSummary> summary = places.cmlSummaries(line);
        QCOMPARE(summary.size(), 5);
        QCOMPARE(summary[2].readings, 1);
        QCOMPARE(float(summary[2].lastValue), 9.6f);
        QCOMPARE(places.moveReading(keys[5], 999999).id, 0);
        QCOMPARE(places.problem(), Places::Problem::NotFound);

        QCOMPARE(places.undoAssignment(survey), moved.id);
        QVERIFY(thicknessAt(places, cml[2]).isEmpty());
        QCOMPARE(thicknessAt(places, cml[0]), QList<float>{9.1f});
        QCOMPARE(places.undoAssignment(survey), walked.id);
        for (qint64 c : cml)
            QVERIFY(places.history(c).isEmpty());
        QCOMPARE(places.undoAssignment(survey), 0);
        // Walked again, a reading past the route's end loses the CML it had.
        QVERIFY(places.moveReading(keys[5], cml[0]).id);
        QCOMPARE(places.assignByRoute(survey, route).unassigned, 1);
        QCOMPARE(thicknessAt(places, cml[0]), QList<float>{9.1f});
        QVERIFY(places.undoAssignment(survey) && places.undoAssignment(survey));
        QCOMPARE(rowsOf(path(), "SELECT how, rows, undone IS NOT NULL FROM assignments ORDER BY id"),
                 (QStringList{"route|4|1", "hand|1|1", "hand|1|1", "route|5|1"}));

        // Multi layer by name, in another asset that has an "A" too.
        const qint64 tank = places.addAsset(site, AssetKind::Equipment, QStringLiteral("Tank 2"));
        Cml a2;
        a2.asset = tank;
        a2.tag = QStringLiteral("a");
        const qint64 tankA = places.addCml(a2);
        QVERIFY(tankA);
        store.endSession(2000);
        const qint64 named = store.beginSession(multiLayer(), 3000);
        QVector<GaugeRecord> records(5);
        const char *names[] = {" b ", "A", "zzz", "ZZZ", "d"};
        for (int i = 0; i < 5; ++i) {
            records[i].name = QLatin1String(names[i]);
            records[i].values = {float(i + 1), 2, 3, 5900, 5900, 5900};
        }
        const std::vector<qint64> named_keys = store.addRecords(records, 6, RecordOrigin::Memory, 3000);
        QCOMPARE(int(named_keys.size()), 5);
        Assignment byName = places.assignByName(named);
        QCOMPARE(byName.assigned, 2);
        QCOMPARE(byName.unmatched, QStringList{"zzz"});
        QCOMPARE(byName.ambiguous, QStringList{"A"});
        QCOMPARE(thicknessAt(places, cml[1]), (QList<float>{1.0f}));
        QCOMPARE(thicknessAt(places, cml[3]), QList<float>{5.0f});
        SurveyFacts facts = places.survey(named);
        facts.asset = line;
        facts.inspector = QStringLiteral("J. Doe");
        QVERIFY(places.setSurvey(facts));
        byName = places.assignByName(named);
        QCOMPARE(byName.assigned, 3);
        QVERIFY(byName.ambiguous.isEmpty());
        QCOMPARE(thicknessAt(places, cml[0]), QList<float>{2.0f});
        QVERIFY(places.history(tankA).isEmpty());
        QCOMPARE(places.history(cml[0]).front().inspector, QStringLiteral("J. Doe"));
        QCOMPARE(places.history(cml[0]).front().serial, QStringLiteral("12345"));

        // The tree: each parent before its children, siblings by tag whatever their age.
        QVERIFY(places.addAsset(site, AssetKind::Circuit, QStringLiteral("Aux")));
        QStringList tree;
        for (const Asset &a : places.assets())
            tree << a.tag;
        QCOMPARE(tree, (QStringList{"Plant", "Aux", "Line 7", "Tank 2"}));
    }

    // What one file lists out, another takes in and lists out the same, byte for byte: CMLs
    // with numbers not given, readings of one and three layers with flags and comments. A
    // list naming a CML the file lacks is refused whole.
    void listsGoOutAndComeBackWhole()
    {
        SurveyStore from;
        QVERIFY(from.open(path()));
        Places places(from);
        QVector<CmlEntry> cmls(3);
        const char *tags[] = {"N-1", "N-2", "名称3"};
        for (int i = 0; i < 3; ++i) {
            cmls[i].assetPath = i < 2 ? QStringLiteral("Site/Unit/Pipe") : QStringLiteral("Site/Tank");
            cmls[i].cml.tag = QString::fromUtf8(tags[i]);
            cmls[i].cml.nominal = i == 1 ? NotGiven : 8.18;
            cmls[i].cml.description = QStringLiteral("elbow, \"12 o'clock\"");
        }
        int added = 0;
        QVERIFY(places.importCmls(cmls, &added));
        QCOMPARE(added, 3);
        const qint64 single = from.beginSession(singleLayer(), 86400000);
        const float values[] = {7.91f, 5920, 0, 5920};
        const quint8 flags[] = {0, 1};
        const std::vector<qint64> keys = from.addRows(2, 2, values, flags, nullptr, RecordOrigin::Memory, 86400000);
        const QVector<Cml> pipe = places.cmls(places.assetByPath(QStringLiteral("Site/Unit/Pipe")));
        QVERIFY(places.assignByRoute(single, places.addRoute(QStringLiteral("r"), {pipe[1].id, pipe[0].id})).id);
        QVERIFY(places.setComment(keys[1], QStringLiteral("no echo,\nrecheck")));
        from.endSession(90000000);
        const qint64 multi = from.beginSession(multiLayer(), 2 * 86400000);
        GaugeRecord r;
        r.name = QString::fromUtf8("名称3");
        r.values = {3.5f, 4.25f, 0.1f, 5900, 5910, 5920};
        r.outOfRange = 0x20;
        from.addRecords({r}, 6, RecordOrigin::Memory, 2 * 86400000);
        QCOMPARE(places.assignByName(multi).assigned, 1);
        const QByteArray cmlList = PlacesCsv::writeCmls(places.cmlEntries(0));
        const QByteArray readingList = PlacesCsv::writeReadings(places.readingEntries(0));
        QCOMPARE(places.readingEntries(0).size(), 3);

        SurveyStore to;
        QVERIFY(to.open(dir.filePath(QStringLiteral("other.sqlite"))));
        Places other(to);
        QVector<CmlEntry> cmlsIn;
        QVector<ReadingEntry> readingsIn;
        PlacesCsv::Refusal refusal;
        QVERIFY(PlacesCsv::readCmls(cmlList, &cmlsIn, &refusal));
        QVERIFY(other.importCmls(cmlsIn));
        QVERIFY(PlacesCsv::readReadings(readingList, &readingsIn, &refusal));
        QCOMPARE(other.importReadings(readingsIn).size(), 2); // one survey a day
        QCOMPARE(PlacesCsv::writeCmls(other.cmlEntries(0)), cmlList);
        QCOMPARE(PlacesCsv::writeReadings(other.readingEntries(0)), readingList);
        QCOMPARE(other.history(other.cmlByTag(other.assetByPath(QStringLiteral("Site/Unit/Pipe")), QStringLiteral("n-1")))
                     .value(0).comment,
                 QStringLiteral("no echo,\nrecheck"));

        readingsIn.append(readingsIn.front());
        readingsIn.last().tag = QStringLiteral("N-9");
        QVERIFY(other.importReadings(readingsIn).isEmpty());
        QCOMPARE(other.problem(), Places::Problem::NotFound);
        QCOMPARE(other.readingEntries(0).size(), 3);
        QCOMPARE(other.surveys().size(), 2);
    }
};

QTEST_GUILESS_MAIN(PlacesTest)
#include "tst_places.moc"
