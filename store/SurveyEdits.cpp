#include "store/SurveyStore.h"

#include "store/SurveySql.h"

#include <algorithm>
#include <utility>

using namespace SurveySql;

// ---- what happens to rows after they were added: deletions, moves, renames, clears,
// exports and restores, each logged with its time ------------------------------------------

namespace {

// The keys of a table run in order: `run(session, firstSeq, lastSeq)` once per run of
// consecutive rows of one session, skipping rows the file never held (key 0); stops at the
// first run that returns false, and returns false then.
template <typename Run>
bool forEachRun(const std::vector<qint64> &keys, Run run)
{
    size_t i = 0;
    while (i < keys.size()) {
        size_t j = i + 1;
        while (j < keys.size() && keys[j] == keys[j - 1] + 1 && sessionOf(keys[j]) == sessionOf(keys[i]))
            ++j;
        if (keys[i] != 0 && !run(sessionOf(keys[i]), seqOf(keys[i]), seqOf(keys[j - 1])))
            return false;
        i = j;
    }
    return true;
}

} // namespace

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
    const bool marked = forEachRun(keys, [&](qint64 session, qint64 first, qint64 last) {
        sqlite3_bind_int(st, 1, state);
        sqlite3_bind_int64(st, 2, session);
        sqlite3_bind_int64(st, 3, first);
        sqlite3_bind_int64(st, 4, last);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        return rc == SQLITE_DONE || fail(rc, "marking rows");
    });
    if (!marked)
        return false;
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
    retire(keys, "delete", emptied);
}

void SurveyStore::rowsMoved(const std::vector<qint64> &keys)
{
    retire(keys, "moved", false);
}

void SurveyStore::retire(const std::vector<qint64> &keys, const char *kind, bool emptied)
{
    const Lock lock = take();
    if (keys.empty())
        return;
    defer(keys.size(), [this, keys, kind, emptied, at = nowMs()] {
        if (begin() && logRows(keys, kind, at) && markRows(keys, Deleted, emptied))
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
    const bool shown = forEachRun(keys, [&](qint64 session, qint64 first, qint64 last) {
        sqlite3_bind_int64(st, 1, session);
        sqlite3_bind_int64(st, 2, first);
        sqlite3_bind_int64(st, 3, last);
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        sqlite3_bind_int64(live, 1, session);
        if (rc == SQLITE_DONE)
            rc = sqlite3_step(live);
        sqlite3_reset(live);
        return rc == SQLITE_DONE || fail(rc, "showing rows again");
    });
    if (!shown)
        return;
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
