// Measures places in a survey file (in the folder given as first argument, default the current
// folder): 10,000 CMLs under 200 assets imported from a CSV list, 20 surveys of all of them
// walked by route (200,000 readings); then the Assets view opened on its largest asset and
// painted, one CML's history, and a file of the last schema with 1,000,000 rows brought in,
// beside a bare INSERT ... SELECT of the same rows in the same run.
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlSummaryModel.h"
#include "interaction/SilentProgress.h"
#include "interaction/UserInteraction.h"
#include "store/Places.h"
#include "store/PlacesCsv.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The view asks nothing while it opens; a question would be answered No.
class NoOne : public UserInteraction
{
public:
    void information(QWidget *, const QString &, const QString &) override {}
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override
    {
        return QString();
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *, const QString &, const QString &, int, int maximum) override
    {
        return std::make_unique<SilentProgress>(maximum);
    }
};

constexpr int assetCount = 200; // 1 site, 9 units, 190 pieces of equipment
constexpr int cmlCount = 10000;
constexpr int surveyCount = 20;
constexpr qint64 migratedRows = 1000000;

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The equipment a CML belongs to: the first piece holds 200 (the largest asset), the others
// share the rest.
int equipmentOf(int cml)
{
    return cml < 200 ? 0 : 1 + (cml - 200) % (assetCount - 11);
}

QString equipmentPath(int e)
{
    return QStringLiteral("Plant/Unit %1/EQ-%2").arg(e % 9 + 1).arg(e, 3, 10, QLatin1Char('0'));
}

QByteArray cmlList()
{
    QVector<CmlEntry> entries;
    entries.reserve(cmlCount);
    for (int i = 0; i < cmlCount; ++i) {
        CmlEntry e;
        e.assetPath = equipmentPath(equipmentOf(i));
        e.cml.tag = QStringLiteral("CML-%1").arg(i, 5, 10, QLatin1Char('0'));
        e.cml.description = QStringLiteral("elbow, 12 o'clock");
        e.cml.nominal = 12.7;
        e.cml.minimum = 6.0;
        e.cml.allowance = 3.0;
        e.cml.material = QStringLiteral("A106-B");
        entries.append(e);
    }
    return PlacesCsv::writeCmls(entries);
}

bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "bench_places: %s: %s\n", sql, error ? error : "?");
    sqlite3_free(error);
    return false;
}

// A file as the last schema wrote it: one session of a million read rows.
bool writeLastSchemaFile(const QString &path)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; BEGIN;"
                    "CREATE TABLE sessions(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, ended INTEGER,"
                    " serial TEXT NOT NULL, firmware TEXT, meter_type INTEGER, layout INTEGER NOT NULL,"
                    " unit_numbers TEXT, unit_names TEXT, decimals TEXT,"
                    " rows INTEGER NOT NULL DEFAULT 0, live INTEGER NOT NULL DEFAULT 0);"
                    "CREATE TABLE records(session INTEGER NOT NULL, seq INTEGER NOT NULL, origin INTEGER NOT NULL,"
                    " arrived INTEGER NOT NULL, flags INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0, name TEXT,"
                    " v0 REAL, v1 REAL, v2 REAL, v3 REAL, v4 REAL, v5 REAL, recno INTEGER,"
                    " PRIMARY KEY(session, seq)) WITHOUT ROWID;"
                    "CREATE TABLE events(id INTEGER PRIMARY KEY, session INTEGER, seq INTEGER, at INTEGER NOT NULL,"
                    " kind TEXT NOT NULL, rows INTEGER, text TEXT);"
                    "CREATE TABLE exports(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, at INTEGER NOT NULL,"
                    " path TEXT NOT NULL, format TEXT, rows INTEGER NOT NULL);"
                    "CREATE INDEX exports_session ON exports(session);"
                    "CREATE TABLE gauge_settings(serial TEXT NOT NULL, key TEXT NOT NULL, value BLOB,"
                    " PRIMARY KEY(serial, key)) WITHOUT ROWID;"
                    "INSERT INTO sessions VALUES(1, 1000, 2000, '777', '1.0', 1, 1, '2,0', 'mm\nm/s', '2,0', 1000000, 0);");
    sqlite3_stmt *st = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db, "INSERT INTO records(session, seq, origin, arrived, flags, v0, v1, recno) "
                                  "VALUES(1, ?, 0, 100, 0, ?, 5900, ?)",
                              -1, &st, nullptr)
            == SQLITE_OK;
    for (qint64 i = 0; ok && i < migratedRows; ++i) {
        sqlite3_bind_int64(st, 1, i);
        sqlite3_bind_double(st, 2, 5.0 + double(i % 1000) / 100.0);
        sqlite3_bind_int64(st, 3, i + 1);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && exec(db, "COMMIT; PRAGMA user_version=2; PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
    return ok;
}

// The baseline: the same rows copied by one bare INSERT ... SELECT, as durably.
double bareCopyMs(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return -1;
    exec(db, "PRAGMA synchronous=FULL; CREATE TABLE copy(session INTEGER NOT NULL, seq INTEGER NOT NULL,"
             " origin INTEGER NOT NULL, arrived INTEGER NOT NULL, flags INTEGER NOT NULL, state INTEGER NOT NULL,"
             " name TEXT, v0 REAL, v1 REAL, v2 REAL, v3 REAL, v4 REAL, v5 REAL, recno INTEGER,"
             " PRIMARY KEY(session, seq)) WITHOUT ROWID");
    QElapsedTimer t;
    t.start();
    const bool ok = exec(db, "BEGIN; INSERT INTO copy SELECT * FROM records; COMMIT");
    const double ms = msSince(t);
    sqlite3_close(db);
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(folder + QStringLiteral("/bench_places-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_places: cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }

    SurveyStore store;
    if (!store.open(dir.filePath(QStringLiteral("places.sqlite")))) {
        std::fprintf(stderr, "bench_places: %s\n", qPrintable(store.errorText()));
        return 1;
    }
    Places places(store);

    // The CML list read and imported, as `cml import` does it.
    const QByteArray csv = cmlList();
    QElapsedTimer t;
    t.start();
    QVector<CmlEntry> entries;
    PlacesCsv::Refusal refusal;
    int added = 0;
    if (!PlacesCsv::readCmls(csv, &entries, &refusal) || !places.importCmls(entries, &added) || added != cmlCount) {
        std::fprintf(stderr, "bench_places: the CML list was not imported (line %d)\n", refusal.line);
        return 1;
    }
    const double importMs = msSince(t);
    if (places.assets().size() != assetCount) {
        std::fprintf(stderr, "bench_places: %lld assets, not %d\n", qlonglong(places.assets().size()), assetCount);
        return 1;
    }

    // Twenty surveys of every CML, each walked by one route through all of them.
    QVector<qint64> walk;
    for (const CmlEntry &e : places.cmlEntries(0))
        walk.append(e.cml.id);
    const qint64 route = places.addRoute(QStringLiteral("everything"), walk);
    SurveyInfo info;
    info.serial = QStringLiteral("777");
    info.layout = 1;
    info.unitNumbers = {2, 0};
    info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
    info.decimals = {2, 0};
    std::vector<float> values(size_t(cmlCount) * 2);
    std::vector<quint8> flags(size_t(cmlCount), 0);
    qint64 readings = 0;
    for (int s = 0; s < surveyCount; ++s) {
        const qint64 when = 1600000000000LL + qint64(s) * 180LL * 86400000LL;
        for (int i = 0; i < cmlCount; ++i) {
            values[size_t(i) * 2] = 12.7f - 0.05f * float(s) - float(i % 7) / 100.0f;
            values[size_t(i) * 2 + 1] = 5900.0f;
        }
        const qint64 survey = store.beginSession(info, when);
        store.addRows(cmlCount, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory, when);
        store.endSession(when + 3600000);
        readings += places.assignByRoute(survey, route).assigned;
    }
    if (readings != qint64(surveyCount) * cmlCount) {
        std::fprintf(stderr, "bench_places: %lld readings assigned\n", qlonglong(readings));
        return 1;
    }

    // The Assets view opened on the largest asset and painted: the first opening (statements
    // prepared, pages read for the first time) is the one reported; the median of ten more
    // beside it.
    const qint64 largest = places.assetByPath(equipmentPath(0));
    NoOne ui;
    {
        // In the program the window is up when the view is opened: Qt's fonts and style are
        // loaded by then. Here a table and a tree painted once load them.
        QWidget warm;
        QTableView table(&warm);
        QTreeView tree(&warm);
        warm.show();
        QApplication::processEvents();
    }
    const QList<QVariantList> units{{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("inch"), 3}};
    std::vector<double> opens;
    for (int i = 0; i < 11; ++i) {
        t.restart();
        AssetsDialog view(&store, units, ui, nullptr, largest);
        view.resize(1200, 800);
        view.show();
        QApplication::processEvents();
        opens.push_back(msSince(t));
        if (view.cmlModel()->rowCount() != 200) {
            std::fprintf(stderr, "bench_places: the view showed %d CMLs, not 200\n", view.cmlModel()->rowCount());
            return 1;
        }
    }
    const double firstOpenMs = opens.front();
    t.restart();
    const int summaries = int(places.cmlSummaries(largest).size());
    std::printf("of which the query of the %d CMLs with their newest readings: %.1f ms\n", summaries, msSince(t));
    opens.erase(opens.begin());

    // One CML's history: 100 different CMLs, the median.
    std::vector<double> histories;
    for (int i = 0; i < 100; ++i) {
        t.restart();
        const QVector<PlaceReading> h = places.history(walk[(i * 97) % walk.size()]);
        histories.push_back(msSince(t));
        if (h.size() != surveyCount) {
            std::fprintf(stderr, "bench_places: a history of %lld readings\n", qlonglong(h.size()));
            return 1;
        }
    }
    store.close();

    // A file of the last schema with a million rows, brought in; the bare copy beside it.
    const QString old = dir.filePath(QStringLiteral("old.sqlite"));
    const QString baseline = dir.filePath(QStringLiteral("baseline.sqlite"));
    if (!writeLastSchemaFile(old) || !QFile::copy(old, baseline)) {
        std::fprintf(stderr, "bench_places: cannot write the old file\n");
        return 1;
    }
    const double bareMs = bareCopyMs(baseline);
    t.restart();
    SurveyStore migrated;
    if (!migrated.open(old)) {
        std::fprintf(stderr, "bench_places: migration failed: %s\n", qPrintable(migrated.errorText()));
        return 1;
    }
    const double migrateMs = msSince(t);
    if (migrated.history().value(0).rows != migratedRows) {
        std::fprintf(stderr, "bench_places: the migrated file lost rows\n");
        return 1;
    }
    migrated.close();

    std::printf("goals: open < 100 ms, history < 5 ms, import < 500 ms, migrate < 5000 ms\n");
    std::printf("Assets view on the largest asset (200 CMLs): first opening %.1f ms, later ones %.1f ms (median)\n",
                firstOpenMs, median(opens));
    std::printf("baseline bare INSERT ... SELECT of the 1000000 rows: %.0f ms (migration %.2fx)\n", bareMs,
                bareMs > 0 ? migrateMs / bareMs : 0.0);
    std::printf("places cmls=%d readings=%lld open_ms=%.1f history_ms=%.2f import_ms=%.0f migrate_1m_ms=%.0f\n", cmlCount,
                qlonglong(readings), firstOpenMs, median(histories), importMs, migrateMs);
    return 0;
}
