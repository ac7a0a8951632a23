#include "store/SurveyStore.h"

#include "store/SurveySql.h"

using namespace SurveySql;

// The rows a last run left in the table: of the sessions it showed (live), those in the
// columns of the oldest one that still has such rows. Measurements committed behind a
// settings notice, in other units, were never shown: they stay in the history.
#define LEFTOVER_SESSIONS                                                                                    \
    "s.live = 1 AND s.layout || '|' || s.unit_numbers = (SELECT o.layout || '|' || o.unit_numbers FROM " \
    "sessions o WHERE o.live = 1 AND EXISTS (SELECT 1 FROM records x WHERE x.session = o.id AND "       \
    "x.state = 0) ORDER BY o.id LIMIT 1)"

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
                         "WHERE " LEFTOVER_SESSIONS " AND r.state = 0")};
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
    return loadRows("r.session IN (SELECT s.id FROM sessions s WHERE " LEFTOVER_SESSIONS ") AND r.state = 0", 0, out);
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
    for (const char *sql :
         {"DELETE FROM records WHERE session = ?", "DELETE FROM events WHERE session = ?",
          "DELETE FROM exports WHERE session = ?", "DELETE FROM surveys WHERE session = ?",
          "DELETE FROM survey_marks WHERE session = ?", "DELETE FROM mark_decisions WHERE session = ?",
          "DELETE FROM walk_steps WHERE session = ?", "DELETE FROM grid_cells WHERE session = ?",
          "DELETE FROM assignment_moves WHERE assignment IN (SELECT id FROM assignments WHERE session = ?)",
          "DELETE FROM assignments WHERE session = ?", "DELETE FROM sessions WHERE id = ?"}) {
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
