#pragma once

#include "protocol/GaugeRecord.h"
#include "records/Record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// What identifies the rows of one connection: the gauge and the table's columns.
struct SurveyInfo
{
    QString serial;
    QString firmware;
    qint64 meterType = -1;
    int layout = 0; // 1 single layer, 2 multi layer
    QList<int> unitNumbers; // as the gauge reported them
    // The value columns in table order: their unit names and decimals.
    QStringList unitNames;
    QList<int> decimals;
};

// One past session, as the history lists it.
struct SurveySummary
{
    qint64 id = 0;
    qint64 startedMs = 0;
    qint64 endedMs = 0;
    SurveyInfo info;
    // The readings of the session: what opening it shows. Rows deleted, or cleared without
    // being saved, are not counted; a record read again unchanged is counted once.
    qint64 rows = 0;
    qint64 exportedRows = 0; // of those, the ones that went out in an export
    bool exported = false;   // some of them went out (exportedRows > 0)
    bool live = false;  // has rows in the current table (or left there by the last run)
};


// Rows loaded back from the file, with the columns they were shown in.
struct StoredTable
{
    SurveyInfo info;        // of the newest session the rows belong to
    qint64 startedMs = 0;   // of the oldest one
    QVector<Record> records;
    std::vector<qint64> keys; // one per record, see SurveyStore
};


// The survey store: every reading the table receives, kept in one SQLite file, written
// through the sqlite3 C API (one prepared statement per kind of write, one transaction per
// batch, WAL with synchronous=FULL so a committed batch survives a kill or a power cut).
//
// The store is called with keys: committing rows returns one key per row (key = session << 32
// | sequence number), and whoever shows the rows passes those keys back when rows are
// deleted, renamed, cleared, exported or put back. It keeps no copy of the table. A deleted
// row is marked, never erased.
//
// A store that cannot be used (corrupt, locked, read-only, full, newer than this program)
// never touches its file again: every call becomes a no-op and problem() says why.
//
// Threads: one thread owns the store and calls it. Marking many rows (a clear, a deletion
// or an export of a large table, showing a stored table again) would hold that thread for a
// second at a million rows, so those writes run on the store's own thread; every later call
// waits until the writes before it are in the file. A call may also be made from another
// thread while the owner waits for it (a read's rows committed while the window keeps
// painting).
//
// Its work is split by job: the file, its schema and its problems (SurveyFile.cpp), the log of
// rows (SurveyRows.cpp) and what happened to them (SurveyEdits.cpp), and reading it back (SurveyHistory.cpp).
class SurveyStore
{
public:
    // 2: each record keeps its place in the gauge's memory (recno).
    // 3: places (assets, CMLs, routes, surveys) and each row's UUID, CML and comment (Places).
    // 4: judging CMLs: their design inputs, assets' policies, decisions on readings' marks.
    // 5: the log of walking routes with the gauge (walk_steps).
    // 6: grid CMLs (cml_grids) and the cell of each of their readings (grid_cells).
    // 7: each CML's metadata as last agreed with a shared store (cml_agreed).
    static constexpr int SchemaVersion = 7;
    enum class Problem { None, CannotOpen, Corrupt, Locked, ReadOnly, Full, NewerSchema, Failed, NotAFile };

    SurveyStore();
    ~SurveyStore();
    SurveyStore(const SurveyStore &) = delete;
    SurveyStore &operator=(const SurveyStore &) = delete;

    // The default file: surveys.sqlite in the user's data folder.
    static QString defaultPath();

    // Opens or creates the file; false when it cannot be written (problem() says why).
    // A file of a newer schema stays open read-only: history() and loads still work.
    bool open(const QString &path);
    // Opens an existing file only to read it (history, loads), as the command-line tool does:
    // nothing is created, migrated or written, not even the WAL switch. False when the file is
    // missing or is no survey file that can be read (problem() and errorText() say why). On
    // success problem() is ReadOnly (NewerSchema for a newer program's file, read as far as
    // it can be), so every write is a no-op.
    bool openReadOnly(const QString &path);
    void close();
    QString path() const { return m_path; }
    bool isOpen() const { return m_db != nullptr; }
    bool writable() const { return m_db && m_problem == Problem::None; }
    Problem problem() const { return m_problem; }
    QString errorText() const;
    // Returns once every write made so far is in the file.
    void settle() const;
    // After a failed open of a corrupt or newer file: renames it (and its -wal/-shm) to
    // "<path>.<yyyyMMdd-HHmmss>" beside it, so that open() can start a new one. Nothing is
    // deleted or overwritten; false if it could not be moved.
    bool moveAside(QString *movedTo = nullptr);

    // ---- the current session and the rows shown ----
    // A gauge was identified: a new session, which takes the rows from now on.
    qint64 beginSession(const SurveyInfo &info, qint64 startedMs);
    // A session for rows the table does not show yet (measurements behind a settings notice,
    // in the units read then): rows go to it only when named (addRows' `into`), until it is
    // adopted, in the columns known by then, as the session that takes the rows.
    qint64 openSession(const SurveyInfo &info, qint64 startedMs);
    void adoptSession(qint64 id, const SurveyInfo &info, qint64 atMs);
    qint64 currentSession() const { return m_session; }
    // Commits n rows of the current session in one transaction and returns the key of each
    // (0 for every row when nothing was kept: no session, or a failure), into the current
    // session or the one opened aside named `into`. values: `stride`
    // floats per row (2 or 6), flags: out-of-range bits, names: null or n names.
    // Rows of origin Memory are a read of the gauge's memory: row i is record number i + 1.
    // A record the session already holds with the same number and the same numbers (the
    // same memory read again) gets its stored key back instead of being kept twice, unless
    // that key is among `shownKeys` (a row the table shows already keeps its own).
    std::vector<qint64> addRows(int n, int stride, const float *values, const quint8 *flags, const QString *names,
                                RecordOrigin origin, qint64 arrivedMs, const std::vector<qint64> &shownKeys = {},
                                qint64 into = 0);
    std::vector<qint64> addRecords(const QVector<GaugeRecord> &records, int stride, RecordOrigin origin,
                                   qint64 arrivedMs, qint64 into = 0);
    // Rows the user deleted. `emptied`: the table is empty now, so nothing is offered after a crash.
    void rowsDeleted(const std::vector<qint64> &keys, bool emptied);
    // Rows committed once more behind others (measurements pushed during a read, behind its
    // rows): their first copies are no readings of their own any more.
    void rowsMoved(const std::vector<qint64> &keys);
    void rowRenamed(qint64 key, const QString &name);
    // The table was emptied (clear, or a question that announced it) of these rows.
    void tableCleared(const std::vector<qint64> &keys);
    // An export wrote these rows to `path`; `leftTable`: they left the table with it (else the
    // table changed meanwhile and shows them still).
    void exported(const QString &path, const QString &format, const std::vector<qint64> &keys, bool leftTable,
                  bool emptied);
    // The empty table now shows exactly these stored rows (a restore or a history session).
    void tableReplaced(const std::vector<qint64> &keys);
    // Rows taken out earlier (deleted, cleared) are back in the table (an undo).
    void rowsRestored(const std::vector<qint64> &keys);
    // Marks the end time of the current session (a pulled gauge, the program's end); rows
    // are then kept again from the next beginSession().
    // With `id`, ends that session instead (one opened aside).
    void endSession(qint64 endedMs, qint64 id = 0);

    // ---- what a last run left ----
    struct Leftover
    {
        qint64 rows = 0;
        qint64 startedMs = 0;
        QString serial;
    };
    // Rows the last run showed that were neither exported nor cleared; rows == 0 if none.
    Leftover leftover();
    bool loadLeftover(StoredTable &out);
    // The user did not want them back: they stay in the history, no longer offered.
    void dismissLeftover();

    // ---- history ----
    QVector<SurveySummary> history();
    bool loadSession(qint64 id, StoredTable &out);
    // Deletes a past session and its rows; refused for the current session and for one whose
    // rows the table shows (or the last run left there).
    bool deleteSession(qint64 id);

    // ---- per-gauge settings (e.g. measurement limits) ----
    QByteArray loadLimits(const QString &serial);
    bool saveLimits(const QString &serial, const QByteArray &data);

    // Bytes of the file (and its WAL), for the benchmark.
    qint64 fileBytes() const;

private:
    friend class Places; // shares the connection, its lock and its problems
    using Lock = std::unique_lock<std::mutex>;
    // The store for one call, once the writes deferred before it are done.
    Lock take() const;
    // Runs a write now, or on the store's thread when it marks so many rows that it would
    // hold up the caller for more than a few milliseconds. Called with the store taken.
    void defer(size_t rows, std::function<void()> write);
    void workerLoop();
    void stopWorker();
    void closeLocked();
    void clearLocked(std::vector<qint64> keys);
    bool exec(const char *sql);
    // The file's schema version (PRAGMA user_version); false (fail() called) when unreadable.
    bool readVersion(int *version);
    // PRAGMA quick_check, bounded in time; false (Corrupt) when it finds damage.
    bool quickCheck();
    sqlite3_stmt *prepare(const char *sql);
    bool fail(int rc, const char *what);
    bool migrate();
    bool begin();
    bool commit();
    void rollback();
    // `emptied`: the table was left empty, so nothing is offered after a crash.
    qint64 insertSession(const SurveyInfo &info, qint64 startedMs);
    void endLocked(qint64 session, qint64 endedMs);
    bool markRows(const std::vector<qint64> &keys, int state, bool emptied);
    bool logRows(const std::vector<qint64> &keys, const char *kind, qint64 at);
    void retire(const std::vector<qint64> &keys, const char *kind, bool emptied);
    // Marks rows shown again and logs it as `kind`.
    void reshow(const std::vector<qint64> &keys, const char *kind);
    void reshowNow(const std::vector<qint64> &keys, const char *kind, qint64 at);
    bool loadRows(const char *where, qint64 arg, StoredTable &out);
    SurveyInfo readInfo(sqlite3_stmt *st, int firstColumn) const;

    sqlite3 *m_db = nullptr;
    QString m_path;
    std::atomic<Problem> m_problem{Problem::None};
    QString m_error;
    qint64 m_session = 0;
    qint64 m_nextSeq = 0;
    // Keys of the rows the table took from the file (a restore, a session from the history),
    // sorted: clearing them from the table does not discard them.
    std::vector<qint64> m_fromFile;
    int m_version = 0; // of the open file
    sqlite3_stmt *m_insert = nullptr;
    sqlite3_stmt *m_readOne = nullptr; // Places::reading(key), asked once per pushed reading

    // Deferred writes, run in order by m_worker with m_lock held.
    mutable std::mutex m_lock;
    mutable std::atomic<int> m_waiters{0}; // threads waiting in take()
    mutable std::condition_variable m_settled;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::thread m_worker;
    bool m_stop = false;
};
