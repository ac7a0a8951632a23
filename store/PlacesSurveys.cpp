#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

using namespace PlacesSql;

// ---- surveys -----------------------------------------------------------------------------------

QVector<SurveyFacts> Places::surveys()
{
    const auto lock = m_store.take();
    QVector<SurveyFacts> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare(
        "SELECT v.session, v.uuid, v.date, ifnull(v.asset, 0), ifnull(v.route, 0), v.inspector, v.velocity, v.notes, "
        "s.serial, s.layout, (SELECT count(*) FROM records r WHERE r.session = s.id AND " READINGS "), "
        "(SELECT count(*) FROM records r WHERE r.session = s.id AND r.cml IS NOT NULL AND " READINGS ") "
        "FROM surveys v JOIN sessions s ON s.id = v.session WHERE s.rows > 0 ORDER BY v.date DESC, v.session DESC")};
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        SurveyFacts f;
        f.id = sqlite3_column_int64(st, 0);
        f.uuid = columnBlob(st, 1);
        f.dateMs = sqlite3_column_int64(st, 2);
        f.asset = sqlite3_column_int64(st, 3);
        f.route = sqlite3_column_int64(st, 4);
        f.inspector = columnText(st, 5);
        f.velocity = columnReal(st, 6);
        f.notes = columnText(st, 7);
        f.serial = columnText(st, 8);
        f.layout = sqlite3_column_int(st, 9);
        f.readings = sqlite3_column_int64(st, 10);
        f.assigned = sqlite3_column_int64(st, 11);
        out.append(f);
    }
    return out;
}

SurveyFacts Places::survey(qint64 id)
{
    const QVector<SurveyFacts> all = surveys();
    for (const SurveyFacts &f : all)
        if (f.id == id)
            return f;
    m_problem = Problem::NotFound;
    m_subject = QString::number(id);
    return SurveyFacts();
}

bool Places::setSurvey(const SurveyFacts &facts)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (facts.asset && pathOf(facts.asset).isEmpty())
        return refuse(Problem::NotFound, QString::number(facts.asset));
    Statement st{m_store.prepare("UPDATE surveys SET date = ?, asset = ?, route = ?, inspector = ?, velocity = ?, "
                                 "notes = ? WHERE session = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, facts.dateMs);
    bindId(st, 2, facts.asset);
    bindId(st, 3, facts.route);
    bindText(st, 4, facts.inspector);
    bindReal(st, 5, facts.velocity);
    bindText(st, 6, facts.notes);
    sqlite3_bind_int64(st, 7, facts.id);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "changing a survey");
    if (sqlite3_changes(m_store.m_db) == 0)
        return refuse(Problem::NotFound, QString::number(facts.id));
    return commitChange();
}

QVector<PlaceReading> Places::surveyReadings(qint64 survey)
{
    const auto lock = m_store.take();
    if (!readable())
        return {};
    return readingsWhere("r.session = ?1", survey, "r.seq");
}

bool Places::setMark(qint64 survey, qint64 cml, StopMark mark)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    Statement st{m_store.prepare(mark == StopMark::None
                                     ? "DELETE FROM survey_marks WHERE session = ?1 AND cml = ?2"
                                     : "INSERT OR REPLACE INTO survey_marks(session, cml, mark) VALUES(?1, ?2, ?3)")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, survey);
    sqlite3_bind_int64(st, 2, cml);
    if (mark != StopMark::None)
        sqlite3_bind_int(st, 3, int(mark));
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE ? commitChange() : stepFailed(rc, "marking a CML");
}

QHash<qint64, StopMark> Places::marks(qint64 survey)
{
    const auto lock = m_store.take();
    QHash<qint64, StopMark> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare("SELECT cml, mark FROM survey_marks WHERE session = ?")};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, survey);
    while (sqlite3_step(st) == SQLITE_ROW)
        out.insert(sqlite3_column_int64(st, 0), StopMark(sqlite3_column_int(st, 1)));
    return out;
}

bool Places::setComment(qint64 key, const QString &comment)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    Statement st{m_store.prepare("UPDATE records SET comment = ? WHERE session = ? AND seq = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    if (comment.isEmpty())
        sqlite3_bind_null(st, 1);
    else
        bindText(st, 1, comment);
    sqlite3_bind_int64(st, 2, sessionOf(key));
    sqlite3_bind_int64(st, 3, seqOf(key));
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "commenting a reading");
    if (sqlite3_changes(m_store.m_db) == 0)
        return refuse(Problem::NotFound, QString::number(key));
    return commitChange();
}
