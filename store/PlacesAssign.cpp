#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

#include <QSet>

using namespace PlacesSql;

// ---- routes, assignment, and the lists in and out ----------------------------------------------

namespace {

QString folded(const QString &tag)
{
    return tag.trimmed().toCaseFolded();
}

} // namespace

// ---- routes ------------------------------------------------------------------------------------

qint64 Places::addRoute(const QString &name, const QVector<qint64> &cmls, const QString &notes)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return 0;
    if (name.trimmed().isEmpty())
        return refuse(Problem::BadInput, name), 0;
    Statement known{m_store.prepare("SELECT 1 FROM cmls WHERE id = ?")};
    Statement st{m_store.prepare("INSERT INTO routes(uuid, name, notes) VALUES(?, ?, ?)")};
    Statement stop{m_store.prepare("INSERT INTO route_stops(route, pos, cml) VALUES(?, ?, ?)")};
    if (!known || !st || !stop)
        return refuse(Problem::StoreRefused), 0;
    for (qint64 cml : cmls) {
        sqlite3_reset(known);
        sqlite3_bind_int64(known, 1, cml);
        if (sqlite3_step(known) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(cml)), 0;
    }
    const QByteArray uuid = Uuid::make();
    sqlite3_bind_blob(st, 1, uuid.constData(), 16, SQLITE_TRANSIENT);
    bindText(st, 2, name.trimmed());
    bindText(st, 3, notes);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "adding a route", name.trimmed()), 0;
    const qint64 id = sqlite3_last_insert_rowid(m_store.m_db);
    for (int pos = 0; pos < cmls.size(); ++pos) {
        sqlite3_reset(stop);
        sqlite3_bind_int64(stop, 1, id);
        sqlite3_bind_int(stop, 2, pos);
        sqlite3_bind_int64(stop, 3, cmls[pos]);
        rc = sqlite3_step(stop);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "adding a route"), 0;
    }
    return commitChange() ? id : 0;
}

QVector<Route> Places::routes()
{
    const auto lock = m_store.take();
    QVector<Route> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare("SELECT id, uuid, name, notes FROM routes ORDER BY name COLLATE NOCASE")};
    Statement stops{m_store.prepare("SELECT cml FROM route_stops WHERE route = ? ORDER BY pos")};
    if (!st || !stops)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        Route r;
        r.id = sqlite3_column_int64(st, 0);
        r.uuid = QByteArray(static_cast<const char *>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1));
        r.name = columnText(st, 2);
        r.notes = columnText(st, 3);
        sqlite3_reset(stops);
        sqlite3_bind_int64(stops, 1, r.id);
        while (sqlite3_step(stops) == SQLITE_ROW)
            r.cmls.append(sqlite3_column_int64(stops, 0));
        out.append(r);
    }
    return out;
}

Route Places::route(qint64 id)
{
    for (const Route &r : routes())
        if (r.id == id)
            return r;
    m_problem = Problem::NotFound;
    m_subject = QString::number(id);
    return Route();
}

qint64 Places::routeByName(const QString &name)
{
    for (const Route &r : routes())
        if (folded(r.name) == folded(name))
            return r.id;
    m_problem = Problem::NotFound;
    m_subject = name;
    return 0;
}

// ---- assignment ----------------------------------------------------------------------------------

Assignment Places::apply(qint64 survey, const char *how, const QVector<QPair<qint64, qint64>> &moves)
{
    Assignment done;
    Statement current{m_store.prepare("SELECT ifnull(cml, 0) FROM records WHERE session = ? AND seq = ?")};
    Statement set{m_store.prepare("UPDATE records SET cml = ? WHERE session = ? AND seq = ?")};
    Statement log{m_store.prepare("INSERT INTO assignments(session, at, how, rows) VALUES(?, ?, ?, 0)")};
    Statement move{m_store.prepare("INSERT INTO assignment_moves(assignment, seq, from_cml, to_cml) VALUES(?, ?, ?, ?)")};
    Statement count{m_store.prepare("UPDATE assignments SET rows = ? WHERE id = ?")};
    if (!current || !set || !log || !move || !count)
        return refuse(Problem::StoreRefused), done;
    qint64 id = 0;
    int changed = 0;
    for (const auto &m : moves) {
        if (m.second)
            ++done.assigned;
        sqlite3_reset(current);
        sqlite3_bind_int64(current, 1, sessionOf(m.first));
        sqlite3_bind_int64(current, 2, seqOf(m.first));
        if (sqlite3_step(current) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(m.first)), Assignment();
        const qint64 from = sqlite3_column_int64(current, 0);
        if (from == m.second)
            continue;
        if (!id) {
            sqlite3_bind_int64(log, 1, survey);
            sqlite3_bind_int64(log, 2, nowMs());
            sqlite3_bind_text(log, 3, how, -1, SQLITE_STATIC);
            const int rc = sqlite3_step(log);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "logging an assignment"), Assignment();
            id = sqlite3_last_insert_rowid(m_store.m_db);
        }
        sqlite3_reset(set);
        if (m.second)
            sqlite3_bind_int64(set, 1, m.second);
        else
            sqlite3_bind_null(set, 1);
        sqlite3_bind_int64(set, 2, sessionOf(m.first));
        sqlite3_bind_int64(set, 3, seqOf(m.first));
        sqlite3_reset(move);
        sqlite3_bind_int64(move, 1, id);
        sqlite3_bind_int64(move, 2, seqOf(m.first));
        if (from)
            sqlite3_bind_int64(move, 3, from);
        else
            sqlite3_bind_null(move, 3);
        if (m.second)
            sqlite3_bind_int64(move, 4, m.second);
        else
            sqlite3_bind_null(move, 4);
        int rc = sqlite3_step(set);
        if (rc == SQLITE_DONE)
            rc = sqlite3_step(move);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "assigning a reading"), Assignment();
        ++changed;
    }
    if (id) {
        sqlite3_bind_int(count, 1, changed);
        sqlite3_bind_int64(count, 2, id);
        const int rc = sqlite3_step(count);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "logging an assignment"), Assignment();
    }
    Statement left{m_store.prepare("SELECT count(*) FROM records r WHERE r.session = ? AND r.cml IS NULL AND " READINGS)};
    if (!left)
        return refuse(Problem::StoreRefused), Assignment();
    sqlite3_bind_int64(left, 1, survey);
    done.unassigned = sqlite3_step(left) == SQLITE_ROW ? sqlite3_column_int(left, 0) : 0;
    done.id = id;
    return done;
}

Assignment Places::assignByName(qint64 survey)
{
    const auto lock = m_store.take();
    Assignment done;
    if (!beginChange())
        return done;
    Statement facts{m_store.prepare("SELECT ifnull(asset, 0) FROM surveys WHERE session = ?")};
    if (!facts)
        return refuse(Problem::StoreRefused), done;
    sqlite3_bind_int64(facts, 1, survey);
    if (sqlite3_step(facts) != SQLITE_ROW)
        return refuse(Problem::NotFound, QString::number(survey)), done;
    const qint64 asset = sqlite3_column_int64(facts, 0);

    // The tags a name may match, with every CML that has it.
    QHash<QString, QVector<qint64>> byTag;
    {
        Statement st{m_store.prepare(asset ? "SELECT c.id, c.tag FROM cmls c WHERE c.asset IN (WITH RECURSIVE "
                                             "t(id) AS (SELECT ?1 UNION SELECT a.id FROM assets a JOIN t ON "
                                             "a.parent = t.id) SELECT id FROM t)"
                                           : "SELECT c.id, c.tag FROM cmls c")};
        if (!st)
            return refuse(Problem::StoreRefused), done;
        if (asset)
            sqlite3_bind_int64(st, 1, asset);
        while (sqlite3_step(st) == SQLITE_ROW)
            byTag[folded(columnText(st, 1))].append(sqlite3_column_int64(st, 0));
    }
    Statement rows{m_store.prepare("SELECT r.seq, r.name FROM records r WHERE r.session = ? AND " READINGS
                                   " ORDER BY r.seq")};
    if (!rows)
        return refuse(Problem::StoreRefused), done;
    sqlite3_bind_int64(rows, 1, survey);
    QVector<QPair<qint64, qint64>> moves;
    QSet<QString> told;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const QString name = columnText(rows, 1).trimmed();
        if (name.isEmpty())
            continue;
        const QVector<qint64> found = byTag.value(name.toCaseFolded());
        if (found.size() == 1) {
            moves.append({keyOf(survey, sqlite3_column_int64(rows, 0)), found.front()});
        } else if (!told.contains(name.toCaseFolded())) {
            told.insert(name.toCaseFolded());
            (found.isEmpty() ? done.unmatched : done.ambiguous).append(name);
        }
    }
    Assignment applied = apply(survey, "name", moves);
    if (m_problem != Problem::None)
        return done;
    applied.unmatched = done.unmatched;
    applied.ambiguous = done.ambiguous;
    return commitChange() ? applied : Assignment();
}

Assignment Places::assignByRoute(qint64 survey, qint64 route)
{
    const auto lock = m_store.take();
    Assignment done;
    if (!beginChange())
        return done;
    Statement st{m_store.prepare("SELECT s.cml FROM route_stops s LEFT JOIN survey_marks m ON m.cml = s.cml AND "
                                 "m.session = ?2 WHERE s.route = ?1 AND m.mark IS NULL ORDER BY s.pos")};
    Statement known{m_store.prepare("SELECT 1 FROM routes WHERE id = ?")};
    Statement walked{m_store.prepare("UPDATE surveys SET route = ? WHERE session = ?")};
    Statement rows{m_store.prepare("SELECT r.seq FROM records r WHERE r.session = ? AND " READINGS " ORDER BY r.seq")};
    if (!st || !known || !walked || !rows)
        return refuse(Problem::StoreRefused), done;
    sqlite3_bind_int64(known, 1, route);
    if (sqlite3_step(known) != SQLITE_ROW)
        return refuse(Problem::NotFound, QString::number(route)), done;
    sqlite3_bind_int64(walked, 1, route);
    sqlite3_bind_int64(walked, 2, survey);
    int rc = sqlite3_step(walked);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "walking a route"), done;
    if (sqlite3_changes(m_store.m_db) == 0)
        return refuse(Problem::NotFound, QString::number(survey)), done;
    // The CMLs to walk: those the inspector marked as not reached are passed over, the order kept.
    QVector<qint64> stops;
    sqlite3_bind_int64(st, 1, route);
    sqlite3_bind_int64(st, 2, survey);
    while (sqlite3_step(st) == SQLITE_ROW)
        stops.append(sqlite3_column_int64(st, 0));
    // Readings past the route's end belong to no CML of it: they are left without one.
    QVector<QPair<qint64, qint64>> moves;
    sqlite3_bind_int64(rows, 1, survey);
    while (sqlite3_step(rows) == SQLITE_ROW)
        moves.append({keyOf(survey, sqlite3_column_int64(rows, 0)), stops.value(moves.size(), 0)});
    done = apply(survey, "route", moves);
    if (m_problem != Problem::None)
        return Assignment();
    return commitChange() ? done : Assignment();
}

Assignment Places::moveReading(qint64 key, qint64 cml)
{
    return moveReadings({key}, cml);
}

Assignment Places::moveReadings(const std::vector<qint64> &keys, qint64 cml, QVector<qint64> *changed)
{
    const auto lock = m_store.take();
    if (changed)
        changed->clear();
    if (!beginChange())
        return Assignment();
    if (cml) {
        Statement known{m_store.prepare("SELECT 1 FROM cmls WHERE id = ?")};
        if (!known)
            return refuse(Problem::StoreRefused), Assignment();
        sqlite3_bind_int64(known, 1, cml);
        if (sqlite3_step(known) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(cml)), Assignment();
    }
    // Survey by survey, in the order the keys first name them.
    QVector<qint64> surveys;
    QHash<qint64, QVector<QPair<qint64, qint64>>> moves;
    for (qint64 key : keys) {
        if (!moves.contains(sessionOf(key)))
            surveys.append(sessionOf(key));
        moves[sessionOf(key)].append({key, cml});
    }
    Assignment total;
    QVector<qint64> moved;
    for (qint64 survey : surveys) {
        const Assignment done = apply(survey, "hand", moves.value(survey));
        if (m_problem != Problem::None)
            return Assignment();
        total.assigned += done.assigned;
        total.unassigned += done.unassigned;
        if (done.id) {
            total.id = done.id;
            moved.append(survey);
        }
    }
    if (!commitChange())
        return Assignment();
    if (changed)
        *changed = moved;
    return total;
}

qint64 Places::undoAssignment(qint64 survey)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return 0;
    Statement last{m_store.prepare("SELECT max(id) FROM assignments WHERE session = ? AND undone IS NULL")};
    Statement moves{m_store.prepare("SELECT seq, from_cml FROM assignment_moves WHERE assignment = ? ORDER BY seq DESC")};
    Statement set{m_store.prepare("UPDATE records SET cml = ? WHERE session = ? AND seq = ?")};
    Statement undone{m_store.prepare("UPDATE assignments SET undone = ? WHERE id = ?")};
    if (!last || !moves || !set || !undone)
        return refuse(Problem::StoreRefused), 0;
    sqlite3_bind_int64(last, 1, survey);
    if (sqlite3_step(last) != SQLITE_ROW || sqlite3_column_type(last, 0) == SQLITE_NULL) {
        m_store.rollback();
        return 0; // nothing to take back: no problem
    }
    const qint64 id = sqlite3_column_int64(last, 0);
    sqlite3_bind_int64(moves, 1, id);
    while (sqlite3_step(moves) == SQLITE_ROW) {
        sqlite3_reset(set);
        if (sqlite3_column_type(moves, 1) == SQLITE_NULL)
            sqlite3_bind_null(set, 1);
        else
            sqlite3_bind_int64(set, 1, sqlite3_column_int64(moves, 1));
        sqlite3_bind_int64(set, 2, survey);
        sqlite3_bind_int64(set, 3, sqlite3_column_int64(moves, 0));
        const int rc = sqlite3_step(set);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "taking an assignment back"), 0;
    }
    sqlite3_bind_int64(undone, 1, nowMs());
    sqlite3_bind_int64(undone, 2, id);
    const int rc = sqlite3_step(undone);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "taking an assignment back"), 0;
    return commitChange() ? id : 0;
}
