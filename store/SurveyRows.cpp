#include "store/SurveyStore.h"

#include "store/SurveySql.h"
#include "store/Uuid.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <unordered_set>
#include <utility>

using namespace SurveySql;

// ---- writing: transactions, sessions and the rows they add ---------------------------------

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
    const qint64 id = insertSession(info, startedMs);
    if (id) {
        m_session = id;
        m_nextSeq = 0;
    }
    return id;
}

qint64 SurveyStore::openSession(const SurveyInfo &info, qint64 startedMs)
{
    const Lock lock = take();
    return insertSession(info, startedMs);
}

void SurveyStore::adoptSession(qint64 id, const SurveyInfo &info, qint64 atMs)
{
    const Lock lock = take();
    if (!id || !writable())
        return;
    if (m_session && m_session != id)
        endLocked(m_session, atMs);
    // The columns it is shown in now: read after the question, they may differ from those
    // read when it was opened.
    Statement st{prepare("UPDATE sessions SET layout = ?, unit_numbers = ?, unit_names = ?, decimals = ? WHERE id = ?")};
    Statement next{prepare("SELECT coalesce(max(seq) + 1, 0) FROM records WHERE session = ?")};
    if (!st || !next)
        return;
    sqlite3_bind_int(st, 1, info.layout);
    bindText(st, 2, joinInts(info.unitNumbers));
    bindText(st, 3, info.unitNames.join(QLatin1Char('\n')));
    bindText(st, 4, joinInts(info.decimals));
    sqlite3_bind_int64(st, 5, id);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        fail(rc, "taking a session over");
        return;
    }
    sqlite3_bind_int64(next, 1, id);
    rc = sqlite3_step(next);
    if (rc != SQLITE_ROW) {
        fail(rc, "taking a session over");
        return;
    }
    m_session = id;
    m_nextSeq = sqlite3_column_int64(next, 0);
}

qint64 SurveyStore::insertSession(const SurveyInfo &info, qint64 startedMs)
{
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
    // Its survey: what was inspected and by whom is said later, if at all.
    Statement survey{prepare("INSERT INTO surveys(session, uuid, date) VALUES(?, ?, ?)")};
    if (!survey)
        return 0;
    uint8_t uuid[16];
    Uuid::fill(uuid);
    sqlite3_bind_int64(survey, 1, id);
    sqlite3_bind_blob(survey, 2, uuid, 16, SQLITE_TRANSIENT);
    sqlite3_bind_int64(survey, 3, startedMs);
    const int surveyRc = sqlite3_step(survey);
    if (surveyRc != SQLITE_DONE)
        return fail(surveyRc, "adding a survey");
    return commit() ? id : 0;
}

void SurveyStore::endSession(qint64 endedMs, qint64 id)
{
    const Lock lock = take();
    // Rows come again only with the next identified gauge, in a new session.
    if (!id || id == m_session)
        id = std::exchange(m_session, 0);
    endLocked(id, endedMs);
}

void SurveyStore::endLocked(qint64 session, qint64 endedMs)
{
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
                                         const std::vector<qint64> &shownKeys, qint64 into)
{
    if (n <= 0)
        return {};
    Lock lock = take();
    // Key 0: a row the table shows but the file does not hold.
    std::vector<qint64> none(static_cast<size_t>(n), 0);
    const qint64 session = into ? into : m_session;
    if (!session || !begin())
        return none;
    qint64 firstSeq = m_nextSeq;
    if (session != m_session) {
        Statement next{prepare("SELECT coalesce(max(seq) + 1, 0) FROM records WHERE session = ?")};
        if (!next)
            return none;
        sqlite3_bind_int64(next, 1, session);
        if (sqlite3_step(next) != SQLITE_ROW)
            return none;
        firstSeq = sqlite3_column_int64(next, 0);
    }
    auto failed = [&](int rc, const char *what) {
        fail(rc, what);
        return none;
    };
    const bool read = origin == RecordOrigin::Memory;

    // The session's earlier reads of the same memory: a record unchanged since is the same
    // reading, shown again under its stored key (the newest copy), not kept twice.
    std::vector<StoredReading> earlier;
    if (read && firstSeq > 0) {
        Statement st{prepare("SELECT recno, seq, flags, name, v0, v1, v2, v3, v4, v5 FROM records "
                             "WHERE session = ? AND origin = 0 AND recno BETWEEN 1 AND ? ORDER BY seq")};
        if (!st)
            return failed(SQLITE_ERROR, "reading earlier reads");
        sqlite3_bind_int64(st, 1, session);
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
            if (e.seq >= 0 && shown.count(keyOf(session, e.seq)))
                e.seq = -1;
    }
    Statement reshown{read && !earlier.empty() ? prepare("UPDATE records SET state = CASE state WHEN 2 THEN 2 ELSE 0 END "
                                                       "WHERE session = ? AND seq = ?")
                                               : nullptr};

    std::vector<qint64> keys(static_cast<size_t>(n), 0);
    qint64 seq = firstSeq;
    qint64 countedFrom = seq; // rows of this transaction not yet counted in the session
    qint64 again = 0;
    sqlite3_stmt *st = m_insert;
    auto bindBatch = [&] {
        sqlite3_clear_bindings(st);
        sqlite3_bind_int64(st, 1, session);
        sqlite3_bind_int(st, 3, int(origin));
        sqlite3_bind_int64(st, 4, arrivedMs);
    };
    // Counts the rows of the transaction in the session, logs the records read again with
    // the last one, and commits.
    auto finish = [&](bool last) {
        Statement count{prepare("UPDATE sessions SET rows = rows + ?, live = 1 WHERE id = ?")};
        if (!count)
            return false;
        sqlite3_bind_int64(count, 1, seq - countedFrom);
        sqlite3_bind_int64(count, 2, session);
        int rc = sqlite3_step(count);
        if (rc == SQLITE_DONE && last && again) {
            Statement log{prepare("INSERT INTO events(session, at, kind, rows) VALUES(?, ?, 'read again', ?)")};
            if (!log)
                return false;
            sqlite3_bind_int64(log, 1, session);
            sqlite3_bind_int64(log, 2, arrivedMs);
            sqlite3_bind_int64(log, 3, again);
            rc = sqlite3_step(log);
        }
        if (rc != SQLITE_DONE)
            return fail(rc, "counting rows");
        if (!commit())
            return false;
        countedFrom = seq;
        if (session == m_session)
            m_nextSeq = seq;
        return true;
    };
    bindBatch();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && i % YieldRows == 0 && m_waiters.load() > 0) {
            // Another thread waits for the store (the window committing a pushed measurement
            // while these rows are written on a thread of their own): what is written so far
            // is committed, and its row goes in now rather than after the whole batch.
            std::vector<qint64> partial = keys;
            if (!finish(false))
                return partial;
            lock.unlock();
            while (m_waiters.load() > 0)
                std::this_thread::yield();
            lock.lock();
            if (session == m_session)
                seq = countedFrom = m_nextSeq;
            if (!writable() || !begin())
                return keys;
            bindBatch();
        }
        const float *row = values + qsizetype(i) * stride;
        if (reshown && sameReading(earlier[size_t(i)], row, stride, flags[i], names ? &names[i] : nullptr)) {
            sqlite3_bind_int64(reshown, 1, session);
            sqlite3_bind_int64(reshown, 2, earlier[size_t(i)].seq);
            const int rc = sqlite3_step(reshown);
            sqlite3_reset(reshown);
            if (rc != SQLITE_DONE)
                return failed(rc, "showing a record again");
            keys[size_t(i)] = keyOf(session, earlier[size_t(i)].seq);
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
        uint8_t uuid[16];
        Uuid::fill(uuid);
        sqlite3_bind_blob(st, 14, uuid, 16, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            return failed(rc, "adding rows");
        keys[size_t(i)] = keyOf(session, seq++);
    }
    if (!finish(true))
        return none;
    return keys;
}

std::vector<qint64> SurveyStore::addRecords(const QVector<GaugeRecord> &records, int stride, RecordOrigin origin,
                                            qint64 arrivedMs, qint64 into)
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
                   origin, arrivedMs, {}, into);
}
