// The survey store through the real session and model against the emulated gauge, with a
// real SQLite file in a temporary folder, checked by reading the file directly.
#include "GaugeFixture.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/SurveyLimitsStore.h"
#include "analysis/AnalysisWords.h"
#include "protocol/ReadPlan.h"
#include "records/RecordEdits.h"
#include "session/ComparisonTable.h"
#include "session/StoreWords.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;

namespace {

// Rows of a query on the file, each a list of its columns; read through a connection of
// its own, as another program would see the file.
QList<QVariantList> query(const QString &path, const char *sql)
{
    QList<QVariantList> rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER: row << sqlite3_column_int64(st, c); break;
                case SQLITE_FLOAT: row << sqlite3_column_double(st, c); break;
                case SQLITE_NULL: row << QVariant(); break;
                default: row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
                }
            }
            rows << row;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Runs SQL on the file through a connection of its own; true when it all ran.
bool execute(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The readings the killed child produces, so that the parent can tell every row apart.
float readVelocity(int i) { return 5900.0f + float(i); }
float readThickness(int i) { return 1.0f + float(i) / 100.0f; }
float pushedVelocity(int k) { return 6000.0f + float(k); }
float pushedThickness(int k) { return 20.0f + float(k) / 100.0f; }
constexpr int childReadRows = 40;

// The child: reads 40 records, then takes a measurement every few ms, printing the table's
// row count each time rows are shown, until it is killed.
int runFillingChild(const QString &storePath)
{
    EmulatorBackend backend;
    SurveyStore store; // outlives the session that writes to it
    SessionRig rig(backend);
    ScriptedInteraction dialogs;
    if (!rig.session.openStore(store, storePath))
        return 3;
    auto gauge = singleLayerGauge();
    for (int i = 0; i < childReadRows; ++i)
        gauge->addSingleLayerRecord(readVelocity(i), readThickness(i));
    QObject::connect(&rig.model, &QAbstractItemModel::rowsInserted, [&] {
        std::printf("%d\n", rig.model.rowCount());
        std::fflush(stdout);
    });
    backend.plug(gauge);
    if (!QTest::qWaitFor([&] { return !rig.serialNo.isEmpty(); }, 10000))
        return 4;
    rig.session.readRecords();
    int k = 0;
    QTimer pushes;
    QObject::connect(&pushes, &QTimer::timeout, [&] {
        gauge->pushSingleLayer(pushedVelocity(k), pushedThickness(k));
        ++k;
    });
    pushes.start(3);
    return QCoreApplication::exec();
}

} // namespace

class SurveyStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("surveys.sqlite")); }

private slots:
    void init() { QFile::remove(path()); }

    // Reads, pushes, a gauge with other units, rename, delete and export, all in the file.
    // Measurements behind a settings notice are in the file the moment they arrive, in the
    // units the gauge reports then: during a read (the question waits for its end) and in the
    // last batch before the program ends (no question at all).
    void measurementsBehindASettingsNoticeAreKeptAtOnce()
    {
        EmulatorBackend backend;
        SurveyStore store;
        auto rig = std::make_unique<SessionRig>(backend);
        QVERIFY(rig->session.openStore(store, path()));
        ScriptedInteraction dialogs;
        auto gauge = multiLayerGauge();
        for (int i = 0; i < 30; ++i)
            gauge->addMultiLayerRecord("r", {1, 2, 3}, {5900, 5901, 5902});
        replug(backend, *rig, gauge);
        auto frame = [](float first) {
            return EmulatedInstrument::measurementFrame(
                {EmulatedInstrument::field(first), EmulatedInstrument::field(2.5f), EmulatedInstrument::field(3.75f),
                 EmulatedInstrument::field(5900.0f), EmulatedInstrument::field(5910.0f),
                 EmulatedInstrument::field(5920.0f)});
        };
        QList<QByteArray> noticeFields;
        for (int i = 0; i < 6; ++i)
            noticeFields << EmulatedInstrument::settingsChangedField();
        const QByteArray notice = EmulatedInstrument::measurementFrame(noticeFields);
        const char *pushed = "SELECT substr(s.unit_numbers, 1, 11), r.v0, r.name FROM records r JOIN sessions s "
                             "ON s.id = r.session WHERE r.origin = 1 ORDER BY r.session, r.seq";

        QList<QVariantList> duringRead;
        dialogs.onProgressValue = [&](int value) {
            if (value != 1)
                return;
            gauge->setUnitNumbers({1, 1, 1, 3, 3, 3});
            rig->session.connection().takePushedBytes(notice + frame(7.5f) + frame(8.125f));
            duringRead = query(path(), pushed);
        };
        dialogs.answerQuestions({false});
        rig->session.readRecords();
        dialogs.onProgressValue = nullptr;
        QCOMPARE(duringRead, (QList<QVariantList>{{"1,1,1,3,3,3", 7.5, "Name1"}, {"1,1,1,3,3,3", 8.125, "Name2"}}));
        // After the read the question came, No cleared the read rows, and the two are shown
        // in the new units under the keys they were committed with.
        QTRY_COMPARE(rig->model.rowCount(), 2);
        QCOMPARE(rig->header(1), QStringLiteral("第1层厚度\n(inch)"));
        QCOMPARE(rig->row(1).mid(0, 2), (QStringList{"Name2", "8.125"}));
        QCOMPARE(query(path(), pushed), duringRead);
        QCOMPARE(query(path(), "SELECT count(*) FROM records WHERE state = 3"), (QList<QVariantList>{{30}}));
        QCOMPARE(query(path(), "SELECT unit_names FROM sessions ORDER BY id DESC LIMIT 1"),
                 (QList<QVariantList>{{QStringLiteral("inch\ninch\ninch\nin/µs\nin/µs\nin/µs")}}));

        // The end comes while the worker's last batch, a notice and a measurement in the
        // units set just before it, still waits to be taken.
        gauge->setUnitNumbers({0, 0, 0, 1, 1, 1});
        gauge->pushRaw(notice + frame(9.25f));
        for (int i = 0; i < 400 && gauge->pendingInputReports() > 0; ++i)
            QThread::msleep(5); // polled by the worker; its batch is delivered only at the end
        QCOMPARE(gauge->pendingInputReports(), 0);
        rig.reset();
        QCOMPARE(dialogs.unexpected, 0);
        QCOMPARE(query(path(), pushed).last(), (QList<QVariant>{"0,0,0,1,1,1", 9.25, "Name3"}));
    }

    void everyRowAndEditIsInTheFile()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;

        auto single = singleLayerGauge();
        for (int i = 0; i < 25; ++i) // two read blocks
            single->addSingleLayerRecord(readVelocity(i), readThickness(i));
        replug(backend, rig, single);
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), 25);
        single->pushSingleLayer(6001.0f, 3.25f);
        QTRY_COMPARE(rig.model.rowCount(), 26);
        single->pushMeasurement({EmulatedInstrument::field(6002.0f), EmulatedInstrument::outOfRangeField()});
        QTRY_COMPARE(rig.model.rowCount(), 27);

        const auto rows = query(path(), "SELECT origin, flags, v0, v1, state FROM records ORDER BY session, seq");
        QCOMPARE(rows.size(), 27);
        for (int r = 0; r < 27; ++r) {
            QCOMPARE(rows[r][0].toInt(), r < 25 ? 0 : 1);
            QCOMPARE(rows[r][1].toInt(), int(rig.model.record(r).outOfRange));
            QCOMPARE(float(rows[r][2].toDouble()), rig.model.value(r, 0));
            QCOMPARE(float(rows[r][3].toDouble()), rig.model.value(r, 1));
            QCOMPARE(rows[r][4].toInt(), 0);
        }
        QCOMPARE(rows[26][1].toInt(), 1); // the thickness was out of range
        QCOMPARE(query(path(), "SELECT serial, layout, substr(unit_numbers, 1, 4), unit_names, decimals FROM sessions"),
                 (QList<QVariantList>{{"777", 1, "2,0,", "mm\nm/s", "2,0"}}));

        // Another gauge: the save question, answered No, empties the table; the rows are
        // marked cleared, not erased.
        dialogs.answerQuestions({false});
        auto multi = multiLayerGauge();
        multi->addMultiLayerRecord("first", {1, 2, 3}, {5900, 5901, 5902});
        multi->addMultiLayerRecord("second", {4, 5, 6}, {5903, 5904, 5905});
        multi->addMultiLayerRecord("third", {7, 8, 9}, {5906, 5907, 5908});
        replug(backend, rig, multi);
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
        QCOMPARE(rig.model.rowCount(), 0);
        QCOMPARE(query(path(), "SELECT count(*) FROM records WHERE state = 3"), (QList<QVariantList>{{27}}));
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), 3);

        QVERIFY(rig.model.setData(rig.model.index(0, 0), QStringLiteral("renamed")));
        QVERIFY(rig.session.edits().deleteRows(1, 1));
        dialogs.answerFileDialogs({dir.filePath(QStringLiteral("out.xls"))});
        QVERIFY(rig.session.exportRecords());
        QCOMPARE(rig.model.rowCount(), 0);

        QCOMPARE(query(path(), "SELECT r.name, r.state, r.v5 FROM records r JOIN sessions s ON s.id = r.session "
                               "WHERE s.layout = 2 ORDER BY r.seq"),
                 (QList<QVariantList>{{"renamed", 2, 5902.0}, {"second", 1, 5905.0}, {"third", 2, 5908.0}}));
        QCOMPARE(query(path(), "SELECT kind, seq, text FROM events ORDER BY id"),
                 (QList<QVariantList>{{"clear", QVariant(), QVariant()}, {"rename", 0, "renamed"}, {"delete", 1, QVariant()}}));
        QCOMPARE(query(path(), "SELECT path, format, rows FROM exports"),
                 (QList<QVariantList>{{dir.filePath(QStringLiteral("out.xls")), "xls", 2}}));
        // Per-gauge settings kept beside the readings, one value per serial.
        QVERIFY(store.saveLimits(QStringLiteral("777"), QByteArray("low=1.0")));
        QVERIFY(store.saveLimits(QStringLiteral("777"), QByteArray("low=2.0")));
        QCOMPARE(store.loadLimits(QStringLiteral("777")), QByteArray("low=2.0"));
        QVERIFY(store.loadLimits(QStringLiteral("12345")).isEmpty());
        // Nothing is left to offer after an export emptied the table.
        QCOMPARE(store.leftover().rows, 0);
        const QVector<SurveySummary> history = store.history();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history[0].info.serial, QStringLiteral("12345"));
        QVERIFY(history[0].exported);
        QVERIFY(!history[1].exported);
        QCOMPARE(dialogs.unexpected, 0);
    }

    // Undone deletions and clears show their rows again in the file, and later edits still
    // reach the right rows.
    void undoneEditsAreShownAgainInTheFile()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;
        auto gauge = singleLayerGauge();
        for (int i = 0; i < 5; ++i)
            gauge->addSingleLayerRecord(readVelocity(i), readThickness(i));
        replug(backend, rig, gauge);
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), 5);
        const char *states = "SELECT seq, state FROM records ORDER BY seq";
        auto stateList = [](std::initializer_list<int> s) {
            QList<QVariantList> out;
            int seq = 0;
            for (int v : s)
                out.append({seq++, v});
            return out;
        };

        RecordEdits &edits = rig.session.edits();
        QVERIFY(edits.deleteRows(1));
        QCOMPARE(query(path(), states), stateList({0, 1, 0, 0, 0}));
        edits.undo();
        QCOMPARE(query(path(), states), stateList({0, 0, 0, 0, 0}));
        QVERIFY(edits.deleteRows(3)); // the fourth read record, not a neighbour
        QCOMPARE(query(path(), states), stateList({0, 0, 0, 1, 0}));
        dialogs.answerQuestions({true});
        QVERIFY(rig.session.clearRecords());
        QCOMPARE(query(path(), states), stateList({3, 3, 3, 1, 3}));
        QCOMPARE(store.leftover().rows, 0);
        edits.undo();
        QCOMPARE(rig.model.rowCount(), 4);
        QCOMPARE(query(path(), states), stateList({0, 0, 0, 1, 0}));
        QCOMPARE(store.leftover().rows, 4); // a crash now would offer them again
        QVERIFY(edits.deleteRows(3)); // the last read record
        QCOMPARE(query(path(), states), stateList({0, 0, 0, 1, 1}));
        QCOMPARE(query(path(), "SELECT kind FROM events WHERE kind IN ('undo', 'clear') ORDER BY id"),
                 (QList<QVariantList>{{"undo"}, {"clear"}, {"undo"}}));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // A single-layer location is the record's place in the gauge's memory: a deleted row
    // shifts no other, reading unchanged memory again is one reading (rows cleared unsaved are
    // none), and a pushed measurement has no location. The history, the session's rows and
    // the comparison of two surveys of an unchanged gauge agree: no wear anywhere.
    void locationsSurviveRereadsAndDeletions()
    {
        constexpr int records = 12;
        auto fill = [](EmulatedInstrument &gauge) {
            for (int i = 0; i < records; ++i)
                gauge.addSingleLayerRecord(readVelocity(i), readThickness(i));
        };
        qint64 first = 0;
        {
            // The first survey: read, read again answering No to saving, and again after
            // saving; then the program is closed.
            EmulatorBackend backend;
            SurveyStore store;
            SessionRig rig(backend);
            QVERIFY(rig.session.openStore(store, path()));
            ScriptedInteraction dialogs;
            auto gauge = singleLayerGauge();
            fill(*gauge);
            replug(backend, rig, gauge);
            rig.session.readRecords();
            dialogs.answerQuestions({false});
            rig.session.readRecords();
            dialogs.answerQuestions({true});
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("first.xls"))});
            rig.session.readRecords();
            QCOMPARE(rig.model.rowCount(), records);
            QCOMPARE(dialogs.unexpected, 0);
            first = store.currentSession();
        }
        // A year later.
        QVERIFY(execute(path(), qPrintable(QStringLiteral("UPDATE sessions SET started = started - 31557600000 WHERE id = %1")
                                               .arg(first))));

        // The second survey of the unchanged gauge: record 3 deleted, a measurement pushed.
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;
        auto gauge = singleLayerGauge();
        fill(*gauge);
        replug(backend, rig, gauge);
        rig.session.readRecords();
        QVERIFY(rig.session.edits().deleteRows(2, 1));
        gauge->pushSingleLayer(6001.0f, 3.25f);
        QTRY_COMPARE(rig.model.rowCount(), records);
        QCOMPARE(rig.header(0), QStringLiteral("编号"));
        QCOMPARE(rig.row(2), (QStringList{"4", "1.03", "5903", ""}));
        QCOMPARE(rig.model.text(records - 1, 0), QString()); // pushed: no place in the memory
        const qint64 second = store.currentSession();

        const QVector<SurveySummary> history = store.history();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history[1].id, first);
        QCOMPARE(history[1].rows, records); // one reading per record, not one per read
        QCOMPARE(history[1].exportedRows, records);
        QCOMPARE(exportedRowsText(history[1], QStringLiteral("en")), QStringLiteral("all"));
        QCOMPARE(history[0].rows, records); // 11 read, 1 pushed
        QCOMPARE(exportedRowsText(history[0], QStringLiteral("en")), QStringLiteral("no"));
        StoredTable stored;
        QVERIFY(store.loadSession(first, stored));
        QCOMPARE(stored.records.size(), records);
        for (int r = 0; r < records; ++r)
            QCOMPARE(stored.records[r].number, quint32(r + 1));

        QString error;
        const QVector<ComparedSurvey> surveys = loadSurveys(store, {first, second}, 0, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        ComparisonSettings settings;
        settings.minimum = 0.5;
        const SurveyComparison comparison = compareSurveys(surveys, settings);
        QVERIFY(comparison.error.isEmpty());
        QCOMPARE(comparison.rows.size(), records);
        for (const LocationComparison &c : comparison.rows) {
            if (c.location == QLatin1String("3")) {
                QVERIFY(c.missing);
                const QString note = findingsText(c.note, QStringLiteral("en"));
                QVERIFY2(note.contains(QStringLiteral("Read in 1 of the surveys only")), qPrintable(note));
                continue;
            }
            QVERIFY2(c.governingRate == 0.0 && !c.thickened && !c.missing && std::isinf(c.remainingYears),
                     qPrintable(c.location + QLatin1Char(' ') + findingsText(c.note, QStringLiteral("en"))));
        }
        bool toldPushed = false;
        for (const Finding &note : comparison.notes)
            toldPushed = toldPushed || findingText(note, QStringLiteral("en")).startsWith(QStringLiteral("1 measurements the gauge sent by itself"));
        QVERIFY(toldPushed);
        QCOMPARE(dialogs.unexpected, 0);
    }

    // A file of the first schema is brought up to date without losing a row; its read rows
    // get their record numbers back (pushed ones none), and the tool's read-only look at an
    // old file finds the same numbers.
    void oldFilesGetTheirRecordNumbers()
    {
        QVERIFY(execute(path(),
                        "CREATE TABLE sessions(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, ended INTEGER,"
                        " serial TEXT NOT NULL, firmware TEXT, meter_type INTEGER, layout INTEGER NOT NULL,"
                        " unit_numbers TEXT, unit_names TEXT, decimals TEXT,"
                        " rows INTEGER NOT NULL DEFAULT 0, live INTEGER NOT NULL DEFAULT 0);"
                        "CREATE TABLE records(session INTEGER NOT NULL, seq INTEGER NOT NULL, origin INTEGER NOT NULL,"
                        " arrived INTEGER NOT NULL, flags INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0, name TEXT,"
                        " v0 REAL, v1 REAL, v2 REAL, v3 REAL, v4 REAL, v5 REAL, PRIMARY KEY(session, seq)) WITHOUT ROWID;"
                        "CREATE TABLE events(id INTEGER PRIMARY KEY, session INTEGER, seq INTEGER, at INTEGER NOT NULL,"
                        " kind TEXT NOT NULL, rows INTEGER, text TEXT);"
                        "CREATE TABLE exports(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, at INTEGER NOT NULL,"
                        " path TEXT NOT NULL, format TEXT, rows INTEGER NOT NULL);"
                        "CREATE INDEX exports_session ON exports(session);"
                        "CREATE TABLE gauge_settings(serial TEXT NOT NULL, key TEXT NOT NULL, value BLOB,"
                        " PRIMARY KEY(serial, key)) WITHOUT ROWID;"
                        "INSERT INTO sessions VALUES(1, 1000, 2000, '777', '1.0', 1, 1, '2,0', 'mm\nm/s', '2,0', 9, 0);"
                        // A read of five (the second deleted), a push, a read of three.
                        "INSERT INTO records(session, seq, origin, arrived, flags, state, v0, v1) VALUES"
                        " (1, 0, 0, 100, 0, 0, 1.0, 5900), (1, 1, 0, 100, 0, 1, 1.1, 5900), (1, 2, 0, 100, 0, 0, 1.2, 5900),"
                        " (1, 3, 0, 100, 0, 0, 1.3, 5900), (1, 4, 0, 100, 0, 0, 1.4, 5900), (1, 5, 1, 150, 0, 0, 9.9, 5900),"
                        " (1, 6, 0, 200, 0, 0, 2.0, 5900), (1, 7, 0, 200, 0, 0, 2.1, 5900), (1, 8, 0, 200, 0, 0, 2.2, 5900);"
                        "PRAGMA user_version=1;"));
        auto numbers = [](SurveyStore &store) {
            StoredTable stored;
            QList<quint32> out;
            if (store.loadSession(1, stored))
                for (const Record &r : stored.records)
                    out << r.number;
            return out;
        };
        const QList<quint32> expected{1, 3, 4, 5, 0, 1, 2, 3};
        {
            SurveyStore tool;
            QVERIFY(tool.openReadOnly(path()));
            QCOMPARE(numbers(tool), expected);
        }
        SurveyStore store;
        QVERIFY2(store.open(path()), qPrintable(store.errorText()));
        QCOMPARE(numbers(store), expected);
        store.close();
        QCOMPARE(query(path(), "PRAGMA user_version"), (QList<QVariantList>{{SurveyStore::SchemaVersion}}));
        QCOMPARE(query(path(), "SELECT group_concat(seq || ':' || ifnull(recno, '-') || ':' || state, ' ') FROM "
                               "(SELECT * FROM records ORDER BY seq)"),
                 (QList<QVariantList>{{"0:1:0 1:2:1 2:3:0 3:4:0 4:5:0 5:-:0 6:1:0 7:2:0 8:3:0"}}));
    }

    // Limits go into the survey file beside the readings; a file that cannot take them
    // leaves them to the fallback, and what the file holds wins over it.
    void limitsAreKeptInTheFile()
    {
        SurveyStore store;
        QVERIFY(store.open(path()));
        SettingsLimitsStore ini(dir.filePath(QStringLiteral("limits.ini")));
        SurveyLimitsStore limits(store, ini);
        Limits l;
        l.nominal = 10.0;
        l.minimum = 8.5;
        l.tolerance = 0.5;
        l.maximum = 12.0;
        l.unit = QStringLiteral("mm");
        QVERIFY(limits.save(QStringLiteral("777"), l));
        QCOMPARE(limits.load(QStringLiteral("777")), std::optional<Limits>(l));
        QVERIFY(!ini.load(QStringLiteral("777"))); // in the file only
        QVERIFY(!SurveyLimitsStore::decode(QByteArrayLiteral("{\"nominal\":1,\"minimum\":5}"))); // senseless
        QVERIFY(limits.save(QStringLiteral("777"), std::nullopt));
        QVERIFY(!limits.load(QStringLiteral("777")));
        store.close();

        // A read-only file: the INI keeps them, and they load from there.
        QFile::setPermissions(path(), QFile::ReadOwner);
        SurveyStore readOnly;
        readOnly.open(path());
        QVERIFY(!readOnly.writable());
        SurveyLimitsStore fallback(readOnly, ini);
        QVERIFY(fallback.save(QStringLiteral("12345"), l));
        QCOMPARE(ini.load(QStringLiteral("12345")), std::optional<Limits>(l));
        QCOMPARE(fallback.load(QStringLiteral("12345")), std::optional<Limits>(l));
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // A large read is committed while the event loop keeps turning, and a measurement that
    // arrives meanwhile is in the file at once and comes after the read's rows, in the table
    // and among the file's shown rows. Large
    // deletions and clears are written later, on the store's thread, yet in the order made.
    void largeReadsAndEditsKeepTheirOrder()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;
        constexpr int n = 20000;
        auto gauge = singleLayerGauge();
        for (int i = 0; i < n; ++i)
            gauge->addSingleLayerRecord(readVelocity(i % 100), readThickness(i % 100));
        replug(backend, rig, gauge);

        // Once the last block has come in, the rows are being committed: a tick then hands
        // the session a polled measurement. (The progress turns no events here, so no tick
        // comes between the blocks.)
        const int lastStep = int(ReadPlan::valueBlocks(1, n).size()) - 1;
        int step = -1;
        dialogs.progressProcessesEvents = false;
        dialogs.onProgressValue = [&](int value) { step = value; };
        bool delivered = false;
        QList<QVariantList> pushedWhileCommitting;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (delivered || step != lastStep || rig.model.rowCount() != 0)
                return;
            delivered = true;
            rig.session.connection().takePushedBytes(EmulatedInstrument::measurementFrame(
                {EmulatedInstrument::field(6100.0f), EmulatedInstrument::field(7.5f)}));
            pushedWhileCommitting = query(path(), "SELECT v0 FROM records WHERE origin = 1");
        });
        tick.start(0);
        rig.session.readRecords();
        tick.stop();
        QVERIFY(delivered);
        QCOMPARE(rig.model.rowCount(), n + 1);
        QCOMPARE(rig.model.value(n - 1, 0), readThickness(99));
        QCOMPARE(rig.model.value(n, 0), 7.5f);
        QCOMPARE(pushedWhileCommitting, (QList<QVariantList>{{7.5}}));
        QCOMPARE(query(path(), "SELECT origin, v0 FROM records WHERE state = 0 ORDER BY seq DESC LIMIT 2"),
                 (QList<QVariantList>{{1, 7.5}, {0, double(readThickness(99))}}));
        QCOMPARE(query(path(), "SELECT count(*) FROM records WHERE state = 0"), (QList<QVariantList>{{n + 1}}));

        // Deleted, then a push, then cleared: each waits for the write before it.
        QVERIFY(rig.session.edits().deleteRows(0, 12000));
        rig.session.connection().takePushedBytes(EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(6200.0f), EmulatedInstrument::field(8.5f)}));
        QCOMPARE(rig.model.rowCount(), n + 1 - 12000 + 1);
        dialogs.answerQuestions({true});
        QVERIFY(rig.session.clearRecords());
        store.settle();
        QVERIFY(store.writable());
        // The measurement's first copy, committed among the read's rows, is marked as moved.
        QCOMPARE(query(path(), "SELECT state, count(*), min(seq), max(seq) FROM records GROUP BY state ORDER BY state"),
                 (QList<QVariantList>{{1, 12001, 0, 12000}, {3, n + 2 - 12000, 12001, n + 2}}));
        QCOMPARE(query(path(), "SELECT kind, count(*) FROM events GROUP BY kind ORDER BY min(id)"),
                 (QList<QVariantList>{{"moved", 1}, {"delete", 12000}, {"clear", 1}}));
        QCOMPARE(store.leftover().rows, 0);
        QCOMPARE(dialogs.unexpected, 0);
    }

    // A program killed while it fills the table loses no row it had shown, and the next
    // start offers exactly the rows the file holds for it.
    void aKilledProgramLosesNoShownRow()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fill-child"), path()});
        QVERIFY(child.waitForStarted());
        int shown = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                while (child.canReadLine())
                    shown = child.readLine().trimmed().toInt();
                return shown >= childReadRows + 30 || child.state() != QProcess::Running;
            },
            30000));
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished(5000));
        while (child.canReadLine())
            shown = child.readLine().trimmed().toInt();
        QVERIFY2(shown >= childReadRows + 30, child.readAllStandardError().constData());

        // The next start: the rows come back, all of them and nothing else.
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        ScriptedInteraction dialogs;
        dialogs.answerQuestions({true});
        QVERIFY(rig.session.openStore(store, path()));
        QVERIFY(rig.session.offerLeftover());
        const int kept = rig.model.rowCount();
        QVERIFY2(kept >= shown, qPrintable(QStringLiteral("%1 shown, %2 kept").arg(shown).arg(kept)));
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
        QVERIFY(dialogs.texts(Kind::Question)[0].startsWith(QStringLiteral("Restore the %1 readings from ").arg(kept)));
        QVERIFY(dialogs.texts(Kind::Question)[0].contains(QStringLiteral(", gauge 777?\n是否恢复")));
        for (int r = 0; r < kept; ++r) {
            const bool read = r < childReadRows;
            const int k = r - childReadRows;
            QCOMPARE(rig.model.value(r, 0), read ? readThickness(r) : pushedThickness(k));
            QCOMPARE(rig.model.value(r, 1), read ? readVelocity(r) : pushedVelocity(k));
            QCOMPARE(rig.model.record(r).origin, read ? RecordOrigin::Memory : RecordOrigin::Pushed);
        }
        QCOMPARE(rig.header(1), QStringLiteral("厚度\n(mm)"));

        // The same gauge plugged in carries on below them; the restored rows are offered once
        // more only while they are in the table.
        auto gauge = singleLayerGauge();
        replug(backend, rig, gauge);
        gauge->pushSingleLayer(6100.0f, 9.5f);
        QTRY_COMPARE(rig.model.rowCount(), kept + 1);
        QCOMPARE(store.leftover().rows, kept + 1);
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1);

        // Declined at the start after: not offered again.
        SurveyStore again;
        SessionRig later(backend);
        ScriptedInteraction laterDialogs;
        laterDialogs.answerQuestions({false});
        store.close();
        QVERIFY(later.session.openStore(again, path()));
        QVERIFY(!later.session.offerLeftover());
        QCOMPARE(laterDialogs.texts(Kind::Question).size(), 1);
        QVERIFY(!later.session.offerLeftover());
        QCOMPARE(laterDialogs.texts(Kind::Question).size(), 1);
    }

    // A pulled cable keeps the table; the same gauge carries on, another gauge or other
    // units ask first.
    void pullAndReplugKeepTheRows()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;
        auto gauge = singleLayerGauge();
        replug(backend, rig, gauge);
        gauge->pushSingleLayer(5900.0f, 1.5f);
        gauge->pushSingleLayer(5901.0f, 2.5f);
        QTRY_COMPARE(rig.model.rowCount(), 2);

        QVERIFY(backend.unplug(gauge->usbSerial()));
        QTRY_VERIFY(!rig.session.hasLink());
        QVERIFY(rig.serialNo.isEmpty());
        QCOMPARE(rig.model.rowCount(), 2);
        backend.plug(gauge);
        QTRY_COMPARE(rig.serialNo, QStringLiteral("777"));
        gauge->pushSingleLayer(5902.0f, 3.5f);
        QTRY_COMPARE(rig.model.rowCount(), 3);
        QCOMPARE(dialogs.shown.size(), 0);
        // One session per identified connection; the table spans both.
        QCOMPARE(query(path(), "SELECT count(*), sum(rows) FROM sessions"), (QList<QVariantList>{{2, 3}}));

        // The same gauge in other units asks; Yes saves the table first.
        gauge->setUnitNumbers({3, 1});
        dialogs.answerQuestions({true});
        dialogs.answerFileDialogs({dir.filePath(QStringLiteral("kept.xls"))});
        replug(backend, rig, gauge);
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
        QCOMPARE(rig.writer.tables.size(), 1);
        QCOMPARE(rig.writer.tables[0].rows.size(), 3);
        QCOMPARE(rig.model.rowCount(), 0);
        QCOMPARE(rig.header(1), QStringLiteral("厚度\n(inch)"));
        gauge->pushSingleLayer(5903.0f, 0.25f);
        QTRY_COMPARE(rig.model.rowCount(), 1);

        // Another gauge in the same units asks too; No empties the table. What it measures
        // while the question is open comes after the answer, into the emptied table.
        dialogs.answerQuestions({false});
        auto other = singleLayerGauge(QStringLiteral("888"));
        other->setUnitNumbers({3, 1});
        int rowsWhileAsked = -1;
        dialogs.whileShown = [&](const ScriptedInteraction::Shown &shown) {
            if (shown.kind != Kind::Question)
                return;
            other->pushSingleLayer(5990.0f, 0.75f);
            QTest::qWait(300); // delivered while the question is open
            rowsWhileAsked = rig.model.rowCount();
        };
        replug(backend, rig, other, false);
        QTRY_COMPARE(dialogs.texts(Kind::Question).size(), 2);
        QVERIFY(dialogs.texts(Kind::Question)[1].startsWith(QStringLiteral("列表中的数据来自其他仪器")));
        QCOMPARE(rowsWhileAsked, 1); // the old row only
        QTRY_COMPARE(rig.model.rowCount(), 1);
        QCOMPARE(rig.model.value(0, 0), 0.75f);
        QCOMPARE(query(path(), "SELECT state, count(*) FROM records GROUP BY state ORDER BY state"),
                 (QList<QVariantList>{{0, 1}, {2, 3}, {3, 1}}));
        QCOMPARE(query(path(), "SELECT s.serial FROM records r JOIN sessions s ON s.id = r.session WHERE r.state = 0"),
                 (QList<QVariantList>{{"888"}}));

        // A gauge the meter table does not know leaves the columns as they are; what it
        // pushes is shown there, and kept.
        auto unknown = std::make_shared<EmulatedInstrument>(QStringLiteral("999"), 77, 110);
        unknown->setReportIntervalUs(0);
        replug(backend, rig, unknown, false);
        QTRY_VERIFY(dialogs.texts(Kind::Information).contains(QStringLiteral("仪器与软件不匹配!")));
        unknown->pushSingleLayer(5995.0f, 0.5f);
        QTRY_COMPARE(rig.model.rowCount(), 2);
        QCOMPARE(query(path(), "SELECT s.serial, s.unit_names, r.v0 FROM records r JOIN sessions s ON s.id = r.session "
                               "WHERE r.state = 0 ORDER BY r.session"),
                 (QList<QVariantList>{{"888", "inch\nin/µs", 0.75}, {"999", "inch\nin/µs", 0.5}}));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // The history lists past sessions with a filter, opens one read-only beside a connected
    // gauge or as the table without one, and deletes only what is confirmed and not shown.
    void historyOpensAndDeletesSessions()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, path()));
        ScriptedInteraction dialogs;
        auto first = singleLayerGauge();
        replug(backend, rig, first);
        first->pushSingleLayer(5900.0f, 1.25f);
        first->pushSingleLayer(5901.0f, 2.25f);
        QTRY_COMPARE(rig.model.rowCount(), 2);
        dialogs.answerFileDialogs({dir.filePath(QStringLiteral("first.xls"))});
        QVERIFY(rig.session.exportRecords());
        auto second = multiLayerGauge(QStringLiteral("888"));
        replug(backend, rig, second);
        second->pushMultiLayer({1, 2, 3}, {5900, 5910, 5920});
        QTRY_COMPARE(rig.model.rowCount(), 1);

        HistoryDialog history(rig.session);
        const QVector<qint64> both = history.visibleSessions();
        QCOMPARE(both.size(), 2); // newest first
        history.filter->setText(QStringLiteral("888"));
        QCOMPARE(history.visibleSessions(), QVector<qint64>{both[0]});
        history.filter->clear();

        // A gauge is connected: shown in the window only, the table stays the gauge's.
        history.selectSession(both[1]);
        QVERIFY(history.openSelected());
        QCOMPARE(history.preview().rowCount(), 2);
        QCOMPARE(history.preview().text(1, 1), QStringLiteral("2.25"));
        QCOMPARE(rig.model.rowCount(), 1);
        QCOMPARE(rig.model.layout(), 2);

        // Rows in the table are not deleted; a deletion not confirmed is not done.
        dialogs.answerQuestions({true, false});
        history.selectSession(both[0]);
        QVERIFY(!history.deleteSelected());
        history.selectSession(both[1]);
        QVERIFY(!history.deleteSelected());
        QCOMPARE(store.history().size(), 2);

        // No gauge: opened as the table (after the save question), in its own columns.
        QVERIFY(backend.unplug(QStringLiteral("888")));
        QTRY_VERIFY(!rig.session.hasLink());
        dialogs.answerQuestions({false});
        history.selectSession(both[1]);
        QVERIFY(history.openSelected());
        QCOMPARE(rig.model.rowCount(), 2);
        QCOMPARE(rig.header(1), QStringLiteral("厚度\n(mm)"));
        QCOMPARE(rig.model.text(0, 1), QStringLiteral("1.25"));
        // Shown again, still exported (they are in first.xls): a crash now does not offer them,
        // and the history still counts them exported.
        QCOMPARE(store.leftover().rows, 0);
        QCOMPARE(store.history().last().exportedRows, 2);

        dialogs.answerQuestions({true});
        history.selectSession(both[0]);
        QVERIFY(history.deleteSelected());
        QCOMPARE(history.visibleSessions(), QVector<qint64>{both[1]});
        QCOMPARE(query(path(), "SELECT count(*) FROM records"), (QList<QVariantList>{{2}}));
        QCOMPARE(dialogs.texts(Kind::Question).size(), 4);
        // The export's report, then the refusal to delete rows the table shows.
        QCOMPARE(dialogs.texts(Kind::Information).size(), 2);
        QVERIFY(dialogs.texts(Kind::Information)[1].startsWith(QStringLiteral("该记录正显示在表格中")));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // Damaged, read-only or locked files: told once, the table works alone, the file is not
    // touched. A damaged file is moved aside only when a new one is wanted.
    void badFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("startAnew");
        QTest::newRow("corrupt") << "corrupt" << false;
        QTest::newRow("corrupt, start a new one") << "corrupt" << true;
        QTest::newRow("read-only") << "readonly" << false;
        QTest::newRow("locked") << "locked" << false;
        QTest::newRow("newer program's file") << "newer" << false;
        QTest::newRow("damaged past the first page") << "deep" << false;
        QTest::newRow("a folder") << "folder" << false;
    }

    void badFilesAreLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(bool, startAnew);
        sqlite3 *holder = nullptr;
        if (kind == QLatin1String("corrupt")) {
            // A real file whose pages were overwritten in the middle and at the header.
            {
                SurveyStore good;
                QVERIFY(good.open(path()));
                good.beginSession(SurveyInfo{QStringLiteral("1"), {}, 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}}, 1);
            }
            QByteArray bytes = fileBytes(path());
            bytes.replace(0, 16, "not a database!!");
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else if (kind == QLatin1String("deep")) {
            // A real file whose records page (past the header and the sessions) is overwritten:
            // it opens, and only a write would meet the damage.
            int page = 0;
            {
                SurveyStore good;
                QVERIFY(good.open(path()));
                good.beginSession(SurveyInfo{QStringLiteral("1"), {}, 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}}, 1);
                float row[2] = {1.0f, 5900.0f};
                quint8 flag = 0;
                QVERIFY(good.addRows(1, 2, row, &flag, nullptr, RecordOrigin::Pushed, 1).front() != 0);
                // Asked while the store is open: its close takes the WAL the look leaves.
                page = query(path(), "SELECT rootpage FROM sqlite_master WHERE name = 'records'").value(0).value(0).toInt();
            }
            QVERIFY(page > 2);
            QByteArray bytes = fileBytes(path());
            QVERIFY(bytes.size() >= page * 4096);
            bytes.replace((page - 1) * 4096, 4096, QByteArray(4096, 'x'));
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path()));
        } else if (kind == QLatin1String("readonly")) {
            {
                SurveyStore good;
                QVERIFY(good.open(path()));
                good.beginSession(SurveyInfo{QStringLiteral("1"), {}, 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}}, 1);
            }
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (kind == QLatin1String("newer")) {
            {
                SurveyStore good;
                QVERIFY(good.open(path()));
                good.beginSession(SurveyInfo{QStringLiteral("1"), {}, 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}}, 1);
                float row[2] = {1.0f, 5900.0f};
                quint8 flag = 0;
                QVERIFY(good.addRows(1, 2, row, &flag, nullptr, RecordOrigin::Pushed, 1).front() != 0);
            }
            QVERIFY(sqlite3_open(QFile::encodeName(path()).constData(), &holder) == SQLITE_OK);
            QVERIFY(sqlite3_exec(holder, "PRAGMA user_version=99; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr,
                                 nullptr) == SQLITE_OK);
            sqlite3_close(holder);
            holder = nullptr;
        } else {
            // Another program holds an exclusive lock on a file of the old journal kind.
            QVERIFY(sqlite3_open(QFile::encodeName(path()).constData(), &holder) == SQLITE_OK);
            QVERIFY(sqlite3_exec(holder, "CREATE TABLE t(x); PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                         "INSERT INTO t VALUES(1);",
                                 nullptr, nullptr, nullptr) == SQLITE_OK);
        }
        const QByteArray before = fileBytes(path());

        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        ScriptedInteraction dialogs;
        if (startAnew)
            dialogs.answerQuestions({true});
        const bool kept = rig.session.openStore(store, path());
        QCOMPARE(kept, startAnew);
        if (kind == QLatin1String("corrupt") || kind == QLatin1String("deep"))
            QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
        else
            QCOMPARE(dialogs.texts(Kind::Information).size(), 1);
        const QString told = dialogs.shown.value(0).text;
        QVERIFY(told.startsWith(QStringLiteral("Readings are not being kept on disk")));
        QVERIFY(told.contains(QStringLiteral("测量数据不再保存到磁盘")));
        if (kind == QLatin1String("folder"))
            QVERIFY2(told.contains(QStringLiteral("not a plain file")), qPrintable(told));

        // The table works on, and nothing more is said.
        auto gauge = singleLayerGauge();
        replug(backend, rig, gauge);
        gauge->pushSingleLayer(5900.0f, 1.5f);
        QTRY_COMPARE(rig.model.rowCount(), 1);
        QVERIFY(rig.session.edits().deleteRows(0, 1));
        const int shownSoFar = int(dialogs.shown.size());
        QCOMPARE(shownSoFar, startAnew ? 2 : 1); // a new file: where the old one went
        QVERIFY(!rig.session.offerLeftover());
        // A newer program's file still shows its history.
        QCOMPARE(store.history().size(), kind == QLatin1String("newer") || startAnew ? 1 : 0);

        if (startAnew) {
            const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("surveys.sqlite.2*")}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QCOMPARE(fileBytes(dir.filePath(aside[0])), before);
            QVERIFY(dialogs.shown[1].text.contains(aside[0]));
            QCOMPARE(query(path(), "SELECT state FROM records"), (QList<QVariantList>{{1}}));
            QFile::remove(dir.filePath(aside[0]));
        } else {
            QCOMPARE(fileBytes(path()), before);
            // Not even a WAL or its index beside a file the program did not write.
            for (const char *companion : {"-wal", "-shm"})
                QVERIFY2(!QFileInfo::exists(path() + QLatin1String(companion)), companion);
        }
        if (holder)
            sqlite3_close(holder);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(path()).removeRecursively());
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--fill-child") == 0) {
        QCoreApplication app(argc, argv);
        return runFillingChild(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    SurveyStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_survey_store.moc"
