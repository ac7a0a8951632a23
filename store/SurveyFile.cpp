#include "store/SurveyStore.h"

#include "store/SurveySql.h"
#include "store/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <qplatformdefs.h>

#include <cerrno>
#include <chrono>

using namespace SurveySql;

namespace {

// A path that exists and is no plain file (a folder, a FIFO, a device) is no survey file.
bool existsAsOther(const QString &path)
{
    QT_STATBUF st;
    return QT_STAT(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Opens an existing file only to read it. Without a -wal (or a rollback journal) beside it no
// writer has the file open and every commit is in the file itself: it is read as immutable,
// which leaves no -shm or -wal behind. With one, the writer's locks and WAL index are shared
// the usual way.
int openForReading(const QString &path, sqlite3 **db)
{
    const bool writerPresent = QFileInfo::exists(path + QStringLiteral("-wal"))
        || QFileInfo::exists(path + QStringLiteral("-journal"));
    QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    uri += writerPresent ? "?mode=ro" : "?mode=ro&immutable=1";
    return sqlite3_open_v2(uri.constData(), db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
}

// new_uuid() in SQL: a fresh random UUID for each row a migration gives one.
void newUuid(sqlite3_context *context, int, sqlite3_value **)
{
    uint8_t bytes[16];
    Uuid::fill(bytes);
    sqlite3_result_blob(context, bytes, 16, SQLITE_TRANSIENT);
}

SurveyStore::Problem problemOf(int rc, int systemErrno)
{
    // The system's reason says more than SQLite's generic "unable to open" or "disk I/O error"
    // (and only there: after any other failure the errno may be an older call's).
    const int primary = rc & 0xff;
    switch (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN ? systemErrno : 0) {
    case ENOSPC:
    case EDQUOT:
        return SurveyStore::Problem::Full;
    case EROFS:
    case EACCES:
    case EPERM:
        return SurveyStore::Problem::ReadOnly;
    case EISDIR:
        return SurveyStore::Problem::NotAFile;
    default:
        break;
    }
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return SurveyStore::Problem::Corrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return SurveyStore::Problem::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return SurveyStore::Problem::ReadOnly;
    case SQLITE_FULL:
        return SurveyStore::Problem::Full;
    case SQLITE_CANTOPEN:
        return SurveyStore::Problem::CannotOpen;
    default:
        return SurveyStore::Problem::Failed;
    }
}

} // namespace

SurveyStore::SurveyStore() = default;

SurveyStore::~SurveyStore()
{
    close();
}

QString SurveyStore::defaultPath()
{
    // ~/.local/share/Palvarin, whatever the organisation name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Palvarin/surveys.sqlite");
}

bool SurveyStore::fail(int rc, const char *what)
{
    if (m_problem == Problem::None) {
        m_problem = problemOf(rc, m_db ? sqlite3_system_errno(m_db) : 0);
        m_error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                               m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                                    : QString::fromUtf8(sqlite3_errstr(rc)));
        qWarning("survey store: %s", qPrintable(m_error));
        // What this connection wrote stays in the WAL: a damaged file gets no page of it.
        if (m_db && m_problem == Problem::Corrupt)
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    }
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool SurveyStore::readVersion(int *version)
{
    Statement st{prepare("PRAGMA user_version")};
    if (!st)
        return false;
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW)
        return fail(rc, "reading the schema version");
    *version = sqlite3_column_int(st, 0);
    return true;
}

bool SurveyStore::quickCheck()
{
    // A damage past the first page would only show on the first write, after the session's row
    // had gone into the WAL: found here, before anything is written.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(QuickCheckMs);
    sqlite3_progress_handler(
        m_db, 1000, [](void *end) { return Clock::now() > *static_cast<Clock::time_point *>(end) ? 1 : 0; },
        const_cast<Clock::time_point *>(&deadline));
    Statement st{prepare("PRAGMA quick_check(1)")};
    int rc = st ? sqlite3_step(st) : SQLITE_ERROR;
    QString verdict;
    if (rc == SQLITE_ROW)
        verdict = columnText(st, 0);
    sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    if (!st)
        return false;
    if (rc == SQLITE_INTERRUPT)
        return true; // too big to check in time: the rest is trusted
    if (rc != SQLITE_ROW)
        return fail(rc, "checking the file");
    if (verdict != QLatin1String("ok")) {
        m_problem = Problem::Corrupt;
        m_error = QStringLiteral("checking the file: ") + verdict;
        qWarning("survey store: %s", qPrintable(m_error));
        return false;
    }
    return true;
}

bool SurveyStore::exec(const char *sql)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || fail(rc, sql);
}

sqlite3_stmt *SurveyStore::prepare(const char *sql)
{
    sqlite3_stmt *st = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
        return nullptr;
    }
    return st;
}

// ---- the store's thread -------------------------------------------------------------------

SurveyStore::Lock SurveyStore::take() const
{
    // Counted while waiting: a long batch written on another thread lets a waiter in.
    ++m_waiters;
    Lock lock(m_lock);
    m_settled.wait(lock, [this] { return m_jobs.empty(); });
    --m_waiters;
    return lock;
}

void SurveyStore::settle() const
{
    (void)take();
}

void SurveyStore::defer(size_t rows, std::function<void()> write)
{
    // Small writes run at once, unless an earlier one still waits: the order is the calls'.
    if (rows < DeferredRows && m_jobs.empty()) {
        write();
        return;
    }
    if (!m_worker.joinable()) {
        m_stop = false;
        m_worker = std::thread([this] { workerLoop(); });
    }
    m_jobs.push_back(std::move(write));
    m_wake.notify_one();
}

void SurveyStore::workerLoop()
{
    Lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopped, and every write is done
        // Run with the lock held: nothing else uses the connection meanwhile. The job stays
        // queued until it is done, so take() waits for it.
        m_jobs.front()();
        m_jobs.pop_front();
        m_settled.notify_all();
    }
}

void SurveyStore::stopWorker()
{
    if (!m_worker.joinable())
        return;
    {
        const Lock lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

QString SurveyStore::errorText() const
{
    const Lock lock = take();
    return m_error;
}

bool SurveyStore::open(const QString &path)
{
    close();
    const Lock lock = take();
    m_path = path;
    m_problem = Problem::None;
    m_error.clear();
    if (existsAsOther(path)) {
        m_problem = Problem::NotAFile;
        m_error = QStringLiteral("not a plain file");
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    const QByteArray file = QFile::encodeName(path);

    // An existing file is read first through a read-only connection: a damaged file or one of
    // a newer program must not get a single byte written (not even the WAL switch).
    const QFileInfo info(path);
    int version = 0;
    if (info.exists() && info.size() > 0) {
        int rc = openForReading(path, &m_db);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(m_db, BusyTimeoutMs);
            if (!readVersion(&version) || !quickCheck())
                return false; // fail() kept the reason; close() below on the next open
        } else {
            return fail(rc, "opening the file");
        }
        m_version = version;
        if (version > SchemaVersion) {
            m_problem = Problem::NewerSchema;
            m_error = QStringLiteral("schema %1, this program knows %2").arg(version).arg(SchemaVersion);
            return false; // stays open read-only for the history
        }
        // A file without its owner's write bit counts as read-only even for root, who could write it.
        if (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))
            return fail(SQLITE_READONLY, "the file is read-only"); // stays open read-only for the history
        sqlite3_close(m_db);
        m_db = nullptr;
    } else if (!info.exists() && !QFileInfo(folder).isWritable()) {
        // SQLite would only say it cannot open the file.
        return fail(SQLITE_READONLY, "the folder is read-only");
    }

    int rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, "opening the file");
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    if (sqlite3_db_readonly(m_db, "main") == 1)
        return fail(SQLITE_READONLY, "the file is read-only");
    {
        Statement st{prepare("PRAGMA journal_mode=WAL")};
        if (!st)
            return false;
        rc = sqlite3_step(st);
        if (rc != SQLITE_ROW)
            return fail(rc, "switching to WAL");
        if (columnText(st, 0).compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return fail(SQLITE_READONLY, "switching to WAL");
    }
    // A commit returns only once the WAL is on the disk.
    // A larger page cache for reading a session back; mapped reads spare a copy per page.
    sqlite3_create_function(m_db, "new_uuid", 0, SQLITE_UTF8, nullptr, newUuid, nullptr, nullptr);
    if (!exec("PRAGMA synchronous=FULL; PRAGMA cache_size=-16384; PRAGMA mmap_size=268435456") || !migrate())
        return false;
    m_insert = prepare("INSERT INTO records(session, seq, origin, arrived, flags, name, v0, v1, v2, v3, v4, v5, recno, "
                       "uuid) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    return m_insert != nullptr;
}

bool SurveyStore::openReadOnly(const QString &path)
{
    close();
    const Lock lock = take();
    m_path = path;
    m_problem = Problem::None;
    m_error.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return fail(SQLITE_CANTOPEN, "the file does not exist");
    if (existsAsOther(path)) {
        m_problem = Problem::NotAFile;
        m_error = QStringLiteral("not a plain file");
        return false;
    }
    const int rc = openForReading(path, &m_db);
    if (rc != SQLITE_OK) {
        fail(rc, "opening the file");
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    int version = 0;
    if (!readVersion(&version))
        return false;
    m_version = version;
    // Another SQLite file, or one the program never finished setting up, is no survey file.
    if (version < 1) {
        m_problem = Problem::Corrupt;
        m_error = QStringLiteral("the file holds no surveys");
        return false;
    }
    {
        Statement st{prepare("SELECT count(*) FROM sessions")};
        if (!st)
            return false;
        const int step = sqlite3_step(st);
        if (step != SQLITE_ROW)
            return fail(step, "reading the sessions");
    }
    // A newer program's file may keep its readings where this program does not look: refused,
    // as the window refuses to write it (problem() says why).
    if (version > SchemaVersion) {
        m_problem = Problem::NewerSchema;
        m_error = QStringLiteral("schema %1, this program knows %2").arg(version).arg(SchemaVersion);
        closeLocked();
        return false;
    } else {
        m_problem = Problem::ReadOnly;
        m_error = QStringLiteral("opened read-only");
    }
    return true;
}

bool SurveyStore::migrate()
{
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    int version = 0;
    if (!readVersion(&version))
        return false;
    if (version > SchemaVersion) { // written by a newer program since the first look
        rollback();
        m_problem = Problem::NewerSchema;
        return false;
    }
    // Each step takes the schema from version n to n + 1; a file is brought up step by step.
    if (version < 1) {
        const char *schema =
            "CREATE TABLE sessions(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, ended INTEGER,"
            " serial TEXT NOT NULL, firmware TEXT, meter_type INTEGER, layout INTEGER NOT NULL,"
            " unit_numbers TEXT, unit_names TEXT, decimals TEXT,"
            " rows INTEGER NOT NULL DEFAULT 0, live INTEGER NOT NULL DEFAULT 0);"
            // state: 0 shown, 1 deleted, 2 exported, 3 cleared, 4 not restored after a crash
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
            "PRAGMA user_version=1;";
        if (!exec(schema))
            return false;
    }
    if (version < 2) {
        // Every record keeps its place in the gauge's memory. Older rows get it back exactly:
        // a read is committed as one batch (one arrival time) in memory order and no row is
        // ever erased, so a read row's number is its distance from its batch's first row.
        // Pushed rows have none (NULL).
        const char *step =
            "ALTER TABLE records ADD COLUMN recno INTEGER;"
            "UPDATE records SET recno = b.n FROM (SELECT session, seq, seq - min(seq) OVER "
            "(PARTITION BY session, arrived) + 1 AS n FROM records WHERE origin = 0) AS b "
            "WHERE records.session = b.session AND records.seq = b.seq;"
            "PRAGMA user_version=2;";
        if (!exec(step))
            return false;
    }
    if (version < 3) {
        // Places. A survey is a session: every session, old ones too, gets its survey row. A
        // reading is a session's row: it gets a UUID, and a CML and a comment when given.
        // The records table is rebuilt rather than updated in place: copying a million rows in
        // key order into a new tree is about twice as fast as rewriting each where it lies.
        const char *step =
            "CREATE TABLE assets(id INTEGER PRIMARY KEY, uuid BLOB NOT NULL UNIQUE, parent INTEGER,"
            " kind INTEGER NOT NULL, tag TEXT NOT NULL, description TEXT);"
            "CREATE UNIQUE INDEX assets_tag ON assets(ifnull(parent, 0), tag COLLATE NOCASE);"
            "CREATE TABLE cmls(id INTEGER PRIMARY KEY, uuid BLOB NOT NULL UNIQUE, asset INTEGER NOT NULL,"
            " tag TEXT NOT NULL, description TEXT, nominal REAL, minimum REAL, allowance REAL, material TEXT,"
            " notes TEXT);"
            "CREATE UNIQUE INDEX cmls_tag ON cmls(asset, tag COLLATE NOCASE);"
            "CREATE TABLE routes(id INTEGER PRIMARY KEY, uuid BLOB NOT NULL UNIQUE, name TEXT NOT NULL, notes TEXT);"
            "CREATE UNIQUE INDEX routes_name ON routes(name COLLATE NOCASE);"
            "CREATE TABLE route_stops(route INTEGER NOT NULL, pos INTEGER NOT NULL, cml INTEGER NOT NULL,"
            " PRIMARY KEY(route, pos)) WITHOUT ROWID;"
            "CREATE TABLE surveys(session INTEGER PRIMARY KEY, uuid BLOB NOT NULL UNIQUE, date INTEGER NOT NULL,"
            " asset INTEGER, route INTEGER, inspector TEXT, velocity REAL, notes TEXT);"
            // mark: 1 no access, 2 skipped
            "CREATE TABLE survey_marks(session INTEGER NOT NULL, cml INTEGER NOT NULL, mark INTEGER NOT NULL,"
            " PRIMARY KEY(session, cml)) WITHOUT ROWID;"
            // how: name, route, hand; undone: when it was taken back
            "CREATE TABLE assignments(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, at INTEGER NOT NULL,"
            " how TEXT NOT NULL, rows INTEGER NOT NULL, undone INTEGER);"
            "CREATE TABLE assignment_moves(assignment INTEGER NOT NULL, seq INTEGER NOT NULL, from_cml INTEGER,"
            " to_cml INTEGER, PRIMARY KEY(assignment, seq)) WITHOUT ROWID;"
            "CREATE TABLE records_3(session INTEGER NOT NULL, seq INTEGER NOT NULL, origin INTEGER NOT NULL,"
            " arrived INTEGER NOT NULL, flags INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0, name TEXT,"
            " v0 REAL, v1 REAL, v2 REAL, v3 REAL, v4 REAL, v5 REAL, recno INTEGER, uuid BLOB, cml INTEGER,"
            " comment TEXT, PRIMARY KEY(session, seq)) WITHOUT ROWID;"
            "INSERT INTO records_3 SELECT session, seq, origin, arrived, flags, state, name, v0, v1, v2, v3, v4, v5,"
            " recno, new_uuid(), NULL, NULL FROM records ORDER BY session, seq;"
            "DROP TABLE records;"
            "ALTER TABLE records_3 RENAME TO records;"
            // A CML's readings in date order; with state, first thickness and flags in the index,
            // an asset's CMLs are listed with their newest readings without reading the rows.
            "CREATE INDEX records_cml ON records(cml, arrived, state, v0, flags) WHERE cml IS NOT NULL;"
            "INSERT INTO surveys(session, uuid, date) SELECT id, new_uuid(), started FROM sessions;"
            "PRAGMA user_version=3;";
        if (!exec(step))
            return false;
    }
    if (version < 4) {
        // Judging CMLs over time. A CML's design inputs: one row per CML that has a formula,
        // a number not given is NULL. An asset's own policy (none: its parent's). Decisions on
        // readings' quality marks are a log, never rewritten: the newest one on a row counts.
        // A decision names its row by key (for the joins) and by UUID (for a merge of files).
        const char *step =
            "CREATE TABLE cml_designs(cml INTEGER PRIMARY KEY, formula INTEGER NOT NULL,"
            " pressure_unit INTEGER NOT NULL, length_unit INTEGER NOT NULL, temperature_unit INTEGER NOT NULL,"
            " pressure REAL, diameter REAL, radius REAL, stress REAL, joint REAL, joint_circumferential REAL,"
            " weld REAL, coefficient_y REAL, temperature REAL, material INTEGER NOT NULL, allowance REAL,"
            " gravity REAL, height REAL);"
            "CREATE TABLE asset_policies(asset INTEGER PRIMARY KEY, rate_rule INTEGER NOT NULL,"
            " interval_rule INTEGER NOT NULL, years REAL NOT NULL);"
            "CREATE TABLE mark_decisions(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, seq INTEGER NOT NULL,"
            " reading_uuid BLOB NOT NULL, mark INTEGER NOT NULL, decision INTEGER NOT NULL, who TEXT,"
            " at INTEGER NOT NULL, note TEXT);"
            "CREATE INDEX mark_decisions_row ON mark_decisions(session, seq, id);"
            "PRAGMA user_version=4;";
        if (!exec(step))
            return false;
    }
    if (version < 5) {
        // Walking a route with the gauge: every reading judged at its stop, and every key the
        // inspector pressed, as a log that is only ever appended to. A step names its reading
        // by key; an undo names the step it takes back.
        const char *step =
            "CREATE TABLE walk_steps(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, route INTEGER,"
            " stop INTEGER NOT NULL, cml INTEGER NOT NULL, action INTEGER NOT NULL, reading_session INTEGER,"
            " reading_seq INTEGER, verdict INTEGER, reason INTEGER, note TEXT, who TEXT, at INTEGER NOT NULL,"
            " undoes INTEGER);"
            "CREATE INDEX walk_steps_session ON walk_steps(session, id);"
            "PRAGMA user_version=5;";
        if (!exec(step))
            return false;
    }
    if (version < 6) {
        // Grid CMLs. A grid's masked cells are a list of cell numbers (row·64 + column) as text;
        // its walk the pattern's three choices as one number (corner·4 + axis·2 + style). A
        // reading's cell lives beside the records rather than in them, so the records and their
        // index stay as they are for the many readings that are not on a grid.
        const char *step =
            "CREATE TABLE cml_grids(cml INTEGER PRIMARY KEY, rows INTEGER NOT NULL, columns INTEGER NOT NULL,"
            " pitch REAL, masked TEXT, walk INTEGER NOT NULL DEFAULT 0);"
            "CREATE TABLE grid_cells(session INTEGER NOT NULL, seq INTEGER NOT NULL, cell INTEGER NOT NULL,"
            " PRIMARY KEY(session, seq)) WITHOUT ROWID;"
            "PRAGMA user_version=6;";
        if (!exec(step))
            return false;
    }
    if (version < 7) {
        // A CML's metadata as last agreed with a shared store: what tells an edit made here
        // from one made there since.
        const char *step = "CREATE TABLE cml_agreed(cml INTEGER PRIMARY KEY, revision INTEGER NOT NULL,"
                           " fields TEXT NOT NULL);"
                           "PRAGMA user_version=7;";
        if (!exec(step))
            return false;
    }
    m_version = SchemaVersion;
    return commit();
}

void SurveyStore::close()
{
    stopWorker(); // after the writes still queued
    const Lock lock = take();
    closeLocked();
}

void SurveyStore::closeLocked()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    sqlite3_finalize(m_readOne);
    m_readOne = nullptr;
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
    m_session = 0;
    m_nextSeq = 0;
    m_fromFile.clear();
    m_version = 0;
}

bool SurveyStore::moveAside(QString *movedTo)
{
    close();
    const QString suffix = QStringLiteral(".") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString target = m_path + suffix;
    if (QFileInfo::exists(target) || !QFile::rename(m_path, target))
        return false;
    for (const char *companion : {"-wal", "-shm"}) {
        const QString from = m_path + QLatin1String(companion);
        if (QFileInfo::exists(from))
            QFile::rename(from, target + QLatin1String(companion));
    }
    if (movedTo)
        *movedTo = target;
    return true;
}

qint64 SurveyStore::fileBytes() const
{
    const Lock lock = take();
    return QFileInfo(m_path).size() + QFileInfo(m_path + QStringLiteral("-wal")).size();
}
