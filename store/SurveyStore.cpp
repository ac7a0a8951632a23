#include "store/SurveyStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <qplatformdefs.h>

#include <sqlite3.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace {

// Row states: a row is never erased from a session, only marked.
enum RowState { Shown = 0, Deleted = 1, Exported = 2, Cleared = 3, NotRestored = 4 };
// The readings of a session (records aliased r): neither deleted nor cleared without being
// saved. The history's count, an export of the session and a comparison all take these.
#define READINGS "r.state NOT IN (1, 3)"

// The longest a check of an existing file may hold the start; a larger file is checked
// that far and its remaining pages trusted (a damage found later is caught on the write).
constexpr int QuickCheckMs = 2000;

constexpr int BusyTimeoutMs = 1000; // bounded wait for a lock another process holds
// Marking more rows than this goes to the store's thread: about 5 ms of work here.
constexpr size_t DeferredRows = 5000;

qint64 keyOf(qint64 session, qint64 seq)
{
    return session << 32 | seq;
}
qint64 sessionOf(qint64 key)
{
    return key >> 32;
}
qint64 seqOf(qint64 key)
{
    return key & 0xffffffffLL;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString joinInts(const QList<int> &list)
{
    QStringList parts;
    for (int v : list)
        parts << QString::number(v);
    return parts.join(QLatin1Char(','));
}

QList<int> splitInts(const QString &text)
{
    QList<int> out;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out << part.toInt();
    return out;
}

QString columnText(sqlite3_stmt *st, int column)
{
    const void *text = sqlite3_column_text16(st, column);
    if (!text)
        return QString();
    return QString(reinterpret_cast<const QChar *>(text), sqlite3_column_bytes16(st, column) / 2);
}

void bindText(sqlite3_stmt *st, int index, const QString &text)
{
    sqlite3_bind_text16(st, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

// Finalises a statement when it goes out of scope.
struct Statement
{
    sqlite3_stmt *st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
    operator sqlite3_stmt *() const { return st; }
    explicit operator bool() const { return st != nullptr; }
};

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

QString exportedRowsText(const SurveySummary &s, bool chinese)
{
    // Rows go out in exports, not sessions: a session may be partly exported.
    if (s.exportedRows <= 0)
        return chinese ? QStringLiteral("否") : QStringLiteral("no");
    if (s.exportedRows >= s.rows)
        return chinese ? QStringLiteral("全部") : QStringLiteral("all");
    return (chinese ? QStringLiteral("%1 / %2") : QStringLiteral("%1 of %2")).arg(s.exportedRows).arg(s.rows);
}

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

QString SurveyStore::problemText(Problem problem, bool chinese)
{
    QString why;
    switch (problem) {
    case Problem::None:
        return QString();
    case Problem::CannotOpen:
        why = chinese ? QStringLiteral("无法打开或创建数据文件。") : QStringLiteral("the survey file cannot be opened or created.");
        break;
    case Problem::Corrupt:
        why = chinese ? QStringLiteral("数据文件已损坏。") : QStringLiteral("the survey file is damaged.");
        break;
    case Problem::Locked:
        why = chinese ? QStringLiteral("数据文件被另一个程序锁定。") : QStringLiteral("another program holds the survey file locked.");
        break;
    case Problem::ReadOnly:
        why = chinese ? QStringLiteral("数据文件或其文件夹为只读。") : QStringLiteral("the survey file or its folder is read-only.");
        break;
    case Problem::Full:
        why = chinese ? QStringLiteral("磁盘已满。") : QStringLiteral("the disk is full.");
        break;
    case Problem::NewerSchema:
        why = chinese ? QStringLiteral("数据文件来自更新版本的程序，只能查看其历史。")
                      : QStringLiteral("the survey file was written by a newer version of the program; its history "
                                       "can only be viewed.");
        break;
    case Problem::Failed:
        why = chinese ? QStringLiteral("写入数据文件失败。") : QStringLiteral("writing the survey file failed.");
        break;
    case Problem::NotAFile:
        why = chinese ? QStringLiteral("数据文件的路径不是普通文件（例如是文件夹）。")
                      : QStringLiteral("the survey file's path is not a plain file (a folder, for instance).");
        break;
    }
    return chinese ? QStringLiteral("测量数据不再保存到磁盘，仅保留在表格中：") + why
                   : QStringLiteral("Readings are not being kept on disk, only in the table: ") + why;
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
    Lock lock(m_lock);
    m_settled.wait(lock, [this] { return m_jobs.empty(); });
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
    if (!exec("PRAGMA synchronous=FULL; PRAGMA cache_size=-16384; PRAGMA mmap_size=268435456") || !migrate())
        return false;
    m_insert = prepare("INSERT INTO records(session, seq, origin, arrived, flags, name, v0, v1, v2, v3, v4, v5, recno) "
                       "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
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

// ---- writing ---------------------------------------------------------------------------------

bool SurveyStore::begin()
{
    return writable() && exec("BEGIN IMMEDIATE");
}

bool SurveyStore::commit()
{
    return exec("COMMIT");
}

void SurveyStore::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

qint64 SurveyStore::beginSession(const SurveyInfo &info, qint64 startedMs)
{
    const Lock lock = take();
    if (!begin())
        return 0;
    Statement st{prepare("INSERT INTO sessions(started, serial, firmware, meter_type, layout, unit_numbers, "
                         "unit_names, decimals) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")};
    if (!st)
        return 0;
    sqlite3_bind_int64(st, 1, startedMs);
    bindText(st, 2, info.serial);
    bindText(st, 3, info.firmware);
    sqlite3_bind_int64(st, 4, info.meterType);
    sqlite3_bind_int(st, 5, info.layout);
    bindText(st, 6, joinInts(info.unitNumbers));
    bindText(st, 7, info.unitNames.join(QLatin1Char('\n')));
    bindText(st, 8, joinInts(info.decimals));
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return fail(rc, "adding a session");
    const qint64 id = sqlite3_last_insert_rowid(m_db);
    if (!commit())
        return 0;
    m_session = id;
    m_nextSeq = 0;
    return id;
}

void SurveyStore::endSession(qint64 endedMs)
{
    const Lock lock = take();
    // Rows come again only with the next identified gauge, in a new session.
    const qint64 session = std::exchange(m_session, 0);
    if (!session || !writable())
        return;
    Statement st{prepare("UPDATE sessions SET ended = ? WHERE id = ?")};
    if (!st)
        return;
    sqlite3_bind_int64(st, 1, endedMs);
    sqlite3_bind_int64(st, 2, session);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        fail(rc, "ending a session");
}

namespace {

// A stored read row, to tell whether a record read again is the same reading.
struct StoredReading
{
    qint64 seq = -1;
    quint8 flags = 0;
    QString name;
    float values[GaugeRecord::MaxValues] = {};
};

bool sameReading(const StoredReading &stored, const float *values, int stride, quint8 flags, const QString *name)
{
    return stored.seq >= 0 && stored.flags == flags && (!name || stored.name == *name)
        && std::memcmp(stored.values, values, sizeof(float) * size_t(stride)) == 0;
}

} // namespace

std::vector<qint64> SurveyStore::addRows(int n, int stride, const float *values, const quint8 *flags,
                                         const QString *names, RecordOrigin origin, qint64 arrivedMs,
                                         const std::vector<qint64> &shownKeys)
{
    if (n <= 0)
        return {};
    const Lock lock = take();
    // Key 0: a row the table shows but the file does not hold.
    std::vector<qint64> none(static_cast<size_t>(n), 0);
    if (!m_session || !begin())
        return none;
    auto failed = [&](int rc, const char *what) {
        fail(rc, what);
        return none;
    };
    const bool read = origin == RecordOrigin::Memory;

    // The session's earlier reads of the same memory: a record unchanged since is the same
    // reading, shown again under its stored key (the newest copy), not kept twice.
    std::vector<StoredReading> earlier;
    if (read && m_nextSeq > 0) {
        Statement st{prepare("SELECT recno, seq, flags, name, v0, v1, v2, v3, v4, v5 FROM records "
                             "WHERE session = ? AND origin = 0 AND recno BETWEEN 1 AND ? ORDER BY seq")};
        if (!st)
            return failed(SQLITE_ERROR, "reading earlier reads");
        sqlite3_bind_int64(st, 1, m_session);
        sqlite3_bind_int(st, 2, n);
        earlier.resize(size_t(n));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            StoredReading &e = earlier[size_t(sqlite3_column_int(st, 0) - 1)];
            e.seq = sqlite3_column_int64(st, 1);
            e.flags = quint8(sqlite3_column_int(st, 2));
            e.name = sqlite3_column_type(st, 3) == SQLITE_NULL ? QString() : columnText(st, 3);
            for (int v = 0; v < GaugeRecord::MaxValues; ++v)
                e.values[v] = float(sqlite3_column_double(st, 4 + v));
        }
        if (rc != SQLITE_DONE)
            return failed(rc, "reading earlier reads");
        // A row the table shows already keeps its own key (an undone clear in front).
        const std::unordered_set<qint64> shown(shownKeys.begin(), shownKeys.end());
        for (StoredReading &e : earlier)
            if (e.seq >= 0 && shown.count(keyOf(m_session, e.seq)))
                e.seq = -1;
    }
    Statement reshown{read && !earlier.empty() ? prepare("UPDATE records SET state = CASE state WHEN 2 THEN 2 ELSE 0 END "
                                                       "WHERE session = ? AND seq = ?")
                                               : nullptr};

    sqlite3_stmt *st = m_insert;
    sqlite3_clear_bindings(st);
    sqlite3_bind_int64(st, 1, m_session);
    sqlite3_bind_int(st, 3, int(origin));
    sqlite3_bind_int64(st, 4, arrivedMs);
    std::vector<qint64> keys(static_cast<size_t>(n));
    qint64 seq = m_nextSeq;
    qint64 again = 0;
    for (int i = 0; i < n; ++i) {
        const float *row = values + qsizetype(i) * stride;
        if (reshown && sameReading(earlier[size_t(i)], row, stride, flags[i], names ? &names[i] : nullptr)) {
            sqlite3_bind_int64(reshown, 1, m_session);
            sqlite3_bind_int64(reshown, 2, earlier[size_t(i)].seq);
            const int rc = sqlite3_step(reshown);
            sqlite3_reset(reshown);
            if (rc != SQLITE_DONE)
                return failed(rc, "showing a record again");
            keys[size_t(i)] = keyOf(m_session, earlier[size_t(i)].seq);
            ++again;
            continue;
        }
        sqlite3_bind_int64(st, 2, seq);
        sqlite3_bind_int(st, 5, flags[i]);
        if (names)
            sqlite3_bind_text16(st, 6, names[i].utf16(), int(names[i].size() * 2), SQLITE_STATIC);
        for (int v = 0; v < stride; ++v)
            sqlite3_bind_double(st, 7 + v, double(row[v]));
        if (read)
            sqlite3_bind_int(st, 13, i + 1);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            return failed(rc, "adding rows");
        keys[size_t(i)] = keyOf(m_session, seq++);
    }
    Statement count{prepare("UPDATE sessions SET rows = rows + ?, live = 1 WHERE id = ?")};
    if (!count)
        return failed(SQLITE_ERROR, "counting rows");
    sqlite3_bind_int64(count, 1, seq - m_nextSeq);
    sqlite3_bind_int64(count, 2, m_session);
    int rc = sqlite3_step(count);
    if (rc == SQLITE_DONE && again) {
        Statement log{prepare("INSERT INTO events(session, at, kind, rows) VALUES(?, ?, 'read again', ?)")};
        if (!log)
            return failed(SQLITE_ERROR, "logging a read");
        sqlite3_bind_int64(log, 1, m_session);
        sqlite3_bind_int64(log, 2, arrivedMs);
        sqlite3_bind_int64(log, 3, again);
        rc = sqlite3_step(log);
    }
    if (rc != SQLITE_DONE)
        return failed(rc, "counting rows");
    if (!commit())
        return none;
    m_nextSeq = seq;
    return keys;
}

std::vector<qint64> SurveyStore::addRecords(const QVector<GaugeRecord> &records, int stride, RecordOrigin origin, qint64 arrivedMs)
{
    const int n = int(records.size());
    std::vector<float> values(size_t(n) * size_t(stride));
    std::vector<quint8> flags(static_cast<size_t>(n));
    QVector<QString> names(n);
    for (int i = 0; i < n; ++i) {
        std::copy_n(records[i].values.begin(), stride, values.begin() + qsizetype(i) * stride);
        flags[size_t(i)] = records[i].outOfRange;
        names[i] = records[i].name;
    }
    return addRows(n, stride, values.data(), flags.data(), stride == GaugeRecord::MaxValues ? names.constData() : nullptr,
                   origin, arrivedMs);
}

bool SurveyStore::markRows(const std::vector<qint64> &keys, int state, bool emptied)
{
    // The keys of a table run in order: one range update per run of consecutive rows. Rows
    // that went out in an export stay exported when the table lets them go (they were saved).
    Statement st{prepare(state == Cleared || state == NotRestored
                             ? "UPDATE records SET state = CASE state WHEN 2 THEN 2 ELSE ?1 END "
                               "WHERE session = ?2 AND seq BETWEEN ?3 AND ?4"
                             : "UPDATE records SET state = ?1 WHERE session = ?2 AND seq BETWEEN ?3 AND ?4")};
    if (!st)
        return false;
    size_t i = 0;
    while (i < keys.size()) {
        size_t j = i + 1;
        while (j < keys.size() && keys[j] == keys[j - 1] + 1 && sessionOf(keys[j]) == sessionOf(keys[i]))
            ++j;
        if (keys[i] == 0) { // rows the file never held
            i = j;
            continue;
        }
        sqlite3_bind_int(st, 1, state);
        sqlite3_bind_int64(st, 2, sessionOf(keys[i]));
        sqlite3_bind_int64(st, 3, seqOf(keys[i]));
        sqlite3_bind_int64(st, 4, seqOf(keys[j - 1]));
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            return fail(rc, "marking rows");
        i = j;
    }
    // An empty table leaves nothing to offer after a crash.
    if (emptied && !exec("UPDATE sessions SET live = 0 WHERE live = 1"))
        return false;
    return true;
}

bool SurveyStore::logRows(const std::vector<qint64> &keys, const char *kind, qint64 at)
{
    Statement st{prepare("INSERT INTO events(session, seq, at, kind, rows) VALUES(?, ?, ?, ?, 1)")};
    if (!st)
        return false;
    for (qint64 key : keys) {
        if (!key)
            continue;
        sqlite3_bind_int64(st, 1, sessionOf(key));
        sqlite3_bind_int64(st, 2, seqOf(key));
        sqlite3_bind_int64(st, 3, at);
        sqlite3_bind_text(st, 4, kind, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            return fail(rc, "logging rows");
    }
    return true;
}

void SurveyStore::rowsDeleted(const std::vector<qint64> &keys, bool emptied)
{
    const Lock lock = take();
    if (keys.empty())
        return;
    defer(keys.size(), [this, keys, emptied, at = nowMs()] {
        if (begin() && logRows(keys, "delete", at) && markRows(keys, Deleted, emptied))
            commit();
    });
}

void SurveyStore::rowRenamed(qint64 key, const QString &name)
{
    const Lock lock = take();
    if (!key || !begin())
        return;
    Statement update{prepare("UPDATE records SET name = ? WHERE session = ? AND seq = ?")};
    Statement log{prepare("INSERT INTO events(session, seq, at, kind, rows, text) VALUES(?, ?, ?, 'rename', 1, ?)")};
    if (!update || !log)
        return;
    bindText(update, 1, name);
    sqlite3_bind_int64(update, 2, sessionOf(key));
    sqlite3_bind_int64(update, 3, seqOf(key));
    int rc = sqlite3_step(update);
    if (rc != SQLITE_DONE) {
        fail(rc, "renaming");
        return;
    }
    sqlite3_bind_int64(log, 1, sessionOf(key));
    sqlite3_bind_int64(log, 2, seqOf(key));
    sqlite3_bind_int64(log, 3, nowMs());
    bindText(log, 4, name);
    rc = sqlite3_step(log);
    if (rc != SQLITE_DONE) {
        fail(rc, "logging a rename");
        return;
    }
    commit();
}

void SurveyStore::tableCleared(const std::vector<qint64> &cleared)
{
    const Lock lock = take();
    clearLocked(cleared);
}

void SurveyStore::clearLocked(std::vector<qint64> keys)
{
    if (keys.empty())
        return;
    // Rows taken from the file stay readings of their session when the table lets them go;
    // the ones read or pushed since were never saved and are discarded.
    std::vector<qint64> kept;
    if (!m_fromFile.empty()) {
        std::vector<qint64> discarded;
        for (qint64 key : keys)
            (std::binary_search(m_fromFile.begin(), m_fromFile.end(), key) ? kept : discarded).push_back(key);
        discarded.swap(keys);
        m_fromFile.clear();
    }
    const size_t rows = keys.size() + kept.size();
    defer(rows, [this, keys = std::move(keys), kept = std::move(kept), at = nowMs()] {
        if (!begin())
            return;
        Statement log{prepare("INSERT INTO events(session, at, kind, rows) VALUES(?, ?, 'clear', ?)")};
        if (!log)
            return;
        sqlite3_bind_int64(log, 1, sessionOf(keys.empty() ? kept.back() : keys.back()));
        sqlite3_bind_int64(log, 2, at);
        sqlite3_bind_int64(log, 3, qint64(keys.size() + kept.size()));
        const int rc = sqlite3_step(log);
        if (rc != SQLITE_DONE) {
            fail(rc, "logging a clear");
            return;
        }
        if (markRows(kept, NotRestored, false) && markRows(keys, Cleared, true))
            commit();
    });
}

void SurveyStore::exported(const QString &path, const QString &format, const std::vector<qint64> &keys,
                           bool leftTable, bool emptied)
{
    const Lock lock = take();
    // The export is noted for every session whose rows went out (a table may hold several).
    QList<qint64> sessions;
    for (qint64 key : keys) {
        const qint64 session = sessionOf(key);
        if (session && !sessions.contains(session))
            sessions.append(session);
    }
    if (sessions.isEmpty() && m_session)
        sessions.append(m_session);
    if (sessions.isEmpty())
        return;
    defer(keys.size(), [this, path, format, keys, sessions, leftTable, emptied, at = nowMs()] {
        if (!begin())
            return;
        Statement st{prepare("INSERT INTO exports(session, at, path, format, rows) VALUES(?, ?, ?, ?, ?)")};
        if (!st)
            return;
        for (qint64 session : sessions) {
            sqlite3_bind_int64(st, 1, session);
            sqlite3_bind_int64(st, 2, at);
            bindText(st, 3, path);
            bindText(st, 4, format);
            sqlite3_bind_int64(st, 5, qint64(keys.size()));
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            if (rc != SQLITE_DONE) {
                fail(rc, "logging an export");
                return;
            }
        }
        if (!leftTable || markRows(keys, Exported, emptied))
            commit();
    });
}

void SurveyStore::tableReplaced(const std::vector<qint64> &keys)
{
    const Lock lock = take();
    m_fromFile = keys;
    std::sort(m_fromFile.begin(), m_fromFile.end());
    reshow(keys, "reopen");
}

void SurveyStore::rowsRestored(const std::vector<qint64> &keys)
{
    const Lock lock = take();
    reshow(keys, "undo");
}

void SurveyStore::reshow(const std::vector<qint64> &keys, const char *kind)
{
    if (keys.empty())
        return;
    defer(keys.size(), [this, keys, kind, at = nowMs()] { reshowNow(keys, kind, at); });
}

void SurveyStore::reshowNow(const std::vector<qint64> &keys, const char *kind, qint64 at)
{
    if (!begin())
        return;
    // Shown again: a crash now offers them back.
    Statement st{prepare("UPDATE records SET state = CASE state WHEN 2 THEN 2 ELSE 0 END "
                         "WHERE session = ?1 AND seq BETWEEN ?2 AND ?3")};
    Statement live{prepare("UPDATE sessions SET live = 1 WHERE id = ?")};
    Statement log{prepare("INSERT INTO events(session, at, kind, rows) VALUES(?, ?, ?, ?)")};
    if (!st || !live || !log)
        return;
    size_t i = 0;
    while (i < keys.size()) {
        size_t j = i + 1;
        while (j < keys.size() && keys[j] == keys[j - 1] + 1 && sessionOf(keys[j]) == sessionOf(keys[i]))
            ++j;
        if (keys[i] == 0) { // rows the file never held
            i = j;
            continue;
        }
        sqlite3_bind_int64(st, 1, sessionOf(keys[i]));
        sqlite3_bind_int64(st, 2, seqOf(keys[i]));
        sqlite3_bind_int64(st, 3, seqOf(keys[j - 1]));
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        sqlite3_bind_int64(live, 1, sessionOf(keys[i]));
        if (rc == SQLITE_DONE)
            rc = sqlite3_step(live);
        sqlite3_reset(live);
        if (rc != SQLITE_DONE) {
            fail(rc, "showing rows again");
            return;
        }
        i = j;
    }
    sqlite3_bind_int64(log, 1, sessionOf(keys.back()));
    sqlite3_bind_int64(log, 2, at);
    sqlite3_bind_text(log, 3, kind, -1, SQLITE_STATIC);
    sqlite3_bind_int64(log, 4, qint64(keys.size()));
    const int rc = sqlite3_step(log);
    if (rc != SQLITE_DONE) {
        fail(rc, "logging rows shown again");
        return;
    }
    commit();
}

// ---- reading back ------------------------------------------------------------------------------

SurveyInfo SurveyStore::readInfo(sqlite3_stmt *st, int c) const
{
    SurveyInfo info;
    info.serial = columnText(st, c);
    info.firmware = columnText(st, c + 1);
    info.meterType = sqlite3_column_int64(st, c + 2);
    info.layout = sqlite3_column_int(st, c + 3);
    info.unitNumbers = splitInts(columnText(st, c + 4));
    info.unitNames = columnText(st, c + 5).split(QLatin1Char('\n'));
    info.decimals = splitInts(columnText(st, c + 6));
    return info;
}

bool SurveyStore::loadRows(const char *where, qint64 arg, StoredTable &out)
{
    out = StoredTable();
    if (!m_db)
        return false;
    // A file of schema 1 (opened only to read it) has no record numbers: found as its
    // migration finds them.
    QByteArray sql = "SELECT r.session, r.seq, r.origin, r.arrived, r.flags, r.name, r.v0, r.v1, r.v2, r.v3, r.v4, "
                     "r.v5, r.recno FROM ";
    sql += m_version >= 2 ? "records r" : "(SELECT *, CASE WHEN origin = 0 THEN seq - min(seq) OVER (PARTITION BY "
                                          "session, origin, arrived) + 1 END AS recno FROM records) r";
    sql += " WHERE ";
    sql += where;
    sql += " ORDER BY r.session, r.seq";
    Statement st{prepare(sql.constData())};
    if (!st)
        return false;
    if (arg) {
        sqlite3_bind_int64(st, 1, arg);
        // A session's row count: the records are reserved at once instead of grown.
        Statement count{prepare("SELECT rows FROM sessions WHERE id = ?")};
        if (count) {
            sqlite3_bind_int64(count, 1, arg);
            if (sqlite3_step(count) == SQLITE_ROW) {
                const qint64 rows = std::clamp<qint64>(sqlite3_column_int64(count, 0), 0, 10000000);
                out.records.reserve(rows);
                out.keys.reserve(size_t(rows));
            }
        }
    }
    qint64 lastSession = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Record r;
        const qint64 session = sqlite3_column_int64(st, 0);
        lastSession = session;
        out.keys.push_back(keyOf(session, sqlite3_column_int64(st, 1)));
        r.origin = RecordOrigin(sqlite3_column_int(st, 2));
        r.arrivedMs = sqlite3_column_int64(st, 3);
        r.outOfRange = quint8(sqlite3_column_int(st, 4));
        if (sqlite3_column_type(st, 5) != SQLITE_NULL)
            r.name = columnText(st, 5);
        for (int v = 0; v < GaugeRecord::MaxValues; ++v)
            r.values[size_t(v)] = float(sqlite3_column_double(st, 6 + v));
        r.number = quint32(qMax<qint64>(0, sqlite3_column_int64(st, 12)));
        out.records.append(std::move(r));
    }
    if (rc != SQLITE_DONE)
        return false;
    if (!lastSession)
        return true;
    Statement info{prepare("SELECT started, serial, firmware, meter_type, layout, unit_numbers, unit_names, decimals "
                           "FROM sessions WHERE id = ?")};
    if (!info)
        return false;
    sqlite3_bind_int64(info, 1, lastSession);
    if (sqlite3_step(info) != SQLITE_ROW)
        return false;
    out.info = readInfo(info, 1);
    // The date of the oldest row's session.
    Statement first{prepare("SELECT started FROM sessions WHERE id = ?")};
    if (!first)
        return false;
    sqlite3_bind_int64(first, 1, sessionOf(out.keys.front()));
    out.startedMs = sqlite3_step(first) == SQLITE_ROW ? sqlite3_column_int64(first, 0) : 0;
    return true;
}

SurveyStore::Leftover SurveyStore::leftover()
{
    const Lock lock = take();
    Leftover left;
    if (!m_db)
        return left;
    Statement st{prepare("SELECT count(*), min(s.started), max(s.id) FROM sessions s JOIN records r ON r.session = s.id "
                         "WHERE s.live = 1 AND r.state = 0")};
    if (!st || sqlite3_step(st) != SQLITE_ROW)
        return left;
    left.rows = sqlite3_column_int64(st, 0);
    left.startedMs = sqlite3_column_int64(st, 1);
    const qint64 newest = sqlite3_column_int64(st, 2);
    Statement serial{prepare("SELECT serial FROM sessions WHERE id = ?")};
    if (serial) {
        sqlite3_bind_int64(serial, 1, newest);
        if (sqlite3_step(serial) == SQLITE_ROW)
            left.serial = columnText(serial, 0);
    }
    return left;
}

bool SurveyStore::loadLeftover(StoredTable &out)
{
    const Lock lock = take();
    return loadRows("r.session IN (SELECT id FROM sessions WHERE live = 1) AND r.state = 0", 0, out);
}

void SurveyStore::dismissLeftover()
{
    const Lock lock = take();
    // As many rows as the last run left: marked on the store's thread, the window goes on.
    defer(DeferredRows, [this] {
        if (!begin())
            return;
        if (exec("UPDATE records SET state = 4 WHERE session IN (SELECT id FROM sessions WHERE live = 1) AND state = 0")
            && exec("UPDATE sessions SET live = 0 WHERE live = 1"))
            commit();
    });
}

QVector<SurveySummary> SurveyStore::history()
{
    const Lock lock = take();
    QVector<SurveySummary> out;
    if (!m_db)
        return out;
    Statement st{prepare("SELECT s.id, s.started, s.ended, s.serial, s.firmware, s.meter_type, s.layout, s.unit_numbers,"
                         " s.unit_names, s.decimals,"
                         // What opening it shows, and how much of it went out in an export.
                         " (SELECT count(*) FROM records r WHERE r.session = s.id AND " READINGS "), s.live,"
                         " (SELECT count(*) FROM records r WHERE r.session = s.id AND r.state = 2)"
                         " FROM sessions s WHERE s.rows > 0 ORDER BY s.started DESC, s.id DESC")};
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        SurveySummary s;
        s.id = sqlite3_column_int64(st, 0);
        s.startedMs = sqlite3_column_int64(st, 1);
        s.endedMs = sqlite3_column_int64(st, 2);
        s.info = readInfo(st, 3);
        s.rows = sqlite3_column_int64(st, 10);
        s.live = sqlite3_column_int(st, 11) != 0;
        s.exportedRows = sqlite3_column_int64(st, 12);
        s.exported = s.exportedRows > 0;
        out.append(s);
    }
    return out;
}

bool SurveyStore::loadSession(qint64 id, StoredTable &out)
{
    const Lock lock = take();
    return loadRows("r.session = ?1 AND " READINGS, id, out);
}

bool SurveyStore::deleteSession(qint64 id)
{
    const Lock lock = take();
    if (id == m_session)
        return false;
    for (qint64 key : m_fromFile)
        if (sessionOf(key) == id)
            return false;
    {
        // Rows in state Shown are in the table, or were left there by the last run.
        Statement shown{prepare("SELECT 1 FROM records WHERE session = ? AND state = 0 LIMIT 1")};
        if (!shown)
            return false;
        sqlite3_bind_int64(shown, 1, id);
        if (sqlite3_step(shown) != SQLITE_DONE)
            return false;
    }
    if (!begin())
        return false;
    for (const char *sql : {"DELETE FROM records WHERE session = ?", "DELETE FROM events WHERE session = ?",
                            "DELETE FROM exports WHERE session = ?", "DELETE FROM sessions WHERE id = ?"}) {
        Statement st{prepare(sql)};
        if (!st)
            return false;
        sqlite3_bind_int64(st, 1, id);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            return fail(rc, sql);
    }
    return commit();
}

// ---- per-gauge settings ------------------------------------------------------------------------

QByteArray SurveyStore::loadLimits(const QString &serial)
{
    const Lock lock = take();
    if (!m_db)
        return {};
    Statement st{prepare("SELECT value FROM gauge_settings WHERE serial = ? AND key = 'limits'")};
    if (!st)
        return {};
    bindText(st, 1, serial);
    if (sqlite3_step(st) != SQLITE_ROW)
        return {};
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
}

bool SurveyStore::saveLimits(const QString &serial, const QByteArray &data)
{
    const Lock lock = take();
    if (!writable())
        return false;
    Statement st{prepare("INSERT OR REPLACE INTO gauge_settings(serial, key, value) VALUES(?, 'limits', ?)")};
    if (!st)
        return false;
    bindText(st, 1, serial);
    sqlite3_bind_blob(st, 2, data.constData(), int(data.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE || fail(rc, "saving limits");
}
