// Places: the log of walking a route with the gauge.
#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

using namespace PlacesSql;

bool Places::walkTables() const
{
    return m_store.m_version >= 5;
}

qint64 Places::logWalkStep(const WalkStep &step)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return 0;
    if (!walkTables()) {
        refuse(Problem::StoreRefused);
        return 0;
    }
    Statement st{m_store.prepare("INSERT INTO walk_steps(session, route, stop, cml, action, reading_session, reading_seq,"
                                 " verdict, reason, note, who, at, undoes) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return 0;
    }
    sqlite3_bind_int64(st, 1, step.survey);
    bindId(st, 2, step.route);
    sqlite3_bind_int(st, 3, step.stop);
    sqlite3_bind_int64(st, 4, step.cml);
    sqlite3_bind_int(st, 5, int(step.action));
    if (step.key) {
        sqlite3_bind_int64(st, 6, sessionOf(step.key));
        sqlite3_bind_int64(st, 7, seqOf(step.key));
    } else {
        sqlite3_bind_null(st, 6);
        sqlite3_bind_null(st, 7);
    }
    if (step.action == WalkAction::Reading)
        sqlite3_bind_int(st, 8, step.verdict);
    else
        sqlite3_bind_null(st, 8);
    if (step.action == WalkAction::Skip)
        sqlite3_bind_int(st, 9, int(step.reason));
    else
        sqlite3_bind_null(st, 9);
    bindText(st, 10, step.note);
    bindText(st, 11, step.who);
    sqlite3_bind_int64(st, 12, step.atMs ? step.atMs : nowMs());
    bindId(st, 13, step.undoes);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        stepFailed(rc, "logging a walk step");
        return 0;
    }
    const qint64 id = sqlite3_last_insert_rowid(m_store.m_db);
    return commitChange() ? id : 0;
}

QVector<WalkStep> Places::walkSteps(qint64 survey)
{
    const auto lock = m_store.take();
    QVector<WalkStep> out;
    if (!readable() || !walkTables())
        return out;
    Statement st{m_store.prepare("SELECT id, session, ifnull(route, 0), stop, cml, action, reading_session, reading_seq,"
                                 " ifnull(verdict, 0), ifnull(reason, 0), note, who, at, ifnull(undoes, 0)"
                                 " FROM walk_steps WHERE session = ? ORDER BY id")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return out;
    }
    sqlite3_bind_int64(st, 1, survey);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        WalkStep s;
        s.id = sqlite3_column_int64(st, 0);
        s.survey = sqlite3_column_int64(st, 1);
        s.route = sqlite3_column_int64(st, 2);
        s.stop = sqlite3_column_int(st, 3);
        s.cml = sqlite3_column_int64(st, 4);
        s.action = WalkAction(sqlite3_column_int(st, 5));
        if (sqlite3_column_type(st, 6) != SQLITE_NULL)
            s.key = keyOf(sqlite3_column_int64(st, 6), sqlite3_column_int64(st, 7));
        s.verdict = quint8(sqlite3_column_int(st, 8));
        s.reason = SkipReason(sqlite3_column_int(st, 9));
        s.note = columnText(st, 10);
        s.who = columnText(st, 11);
        s.atMs = sqlite3_column_int64(st, 12);
        s.undoes = sqlite3_column_int64(st, 13);
        out.append(s);
    }
    if (rc != SQLITE_DONE)
        refuse(Problem::StoreRefused);
    return out;
}
