#include "teamstore/TeamPush.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamParams.h"
#include "teamstore/TeamRegister.h"


#include <cmath>

TeamPush::TeamPush(TeamConnection &connection)
    : m_connection(connection)
{
}

bool TeamPush::sendSurvey(SurveyStore &store, qint64 id, const QString &uuid)
{
    Places places(store);
    const SurveyFacts s = places.survey(id);
    SurveySummary session;
    for (const SurveySummary &h : store.history()) {
        if (h.id == id)
            session = h;
    }
    QByteArray asset, route;
    for (const Asset &a : places.assets()) {
        if (s.asset && a.id == s.asset)
            asset = Uuid::text(a.uuid).toLatin1();
    }
    if (s.route)
        route = Uuid::text(places.route(s.route).uuid).toLatin1();
    if (!TeamRegister::insertSurvey(m_connection, s, session, asset, route))
        return false;
    m_surveys.insert(id, uuid);
    return true;
}

bool TeamPush::push(SurveyStore &store, const std::vector<qint64> &keys)
{
    m_connection.clearProblem();
    Places places(store);
    for (qint64 key : keys) {
        const PlaceReading r = places.reading(key);
        if (!r.key || r.uuid.size() != 16)
            continue; // deleted meanwhile, or from a file older than UUIDs
        const qint64 surveyId = r.key >> 32;
        QString survey = m_surveys.value(surveyId);
        if (survey.isEmpty()) {
            survey = Uuid::text(places.survey(surveyId).uuid);
            if (survey.isEmpty())
                continue;
            if (!sendSurvey(store, surveyId, survey))
                return false;
        }
        QByteArray cml;
        if (r.cml) {
            const Cml c = places.cml(r.cml);
            cml = Uuid::text(c.uuid).toLatin1();
        }
        const int values = r.layout == 2 ? 6 : 2;
        std::vector<QByteArray> params{Uuid::text(r.uuid).toLatin1(), survey.toLatin1(),
                                       QByteArray::number(r.key & 0xffffffff),
                                       r.number ? QByteArray::number(r.number) : QByteArray(), TeamParams::time(r.dateMs),
                                       TeamParams::text(r.name)};
        for (int v = 0; v < 6; ++v)
            params.push_back(v < values ? QByteArray::number(r.values[v], 'g', 9) : QByteArray());
        params.push_back(QByteArray::number(r.flags));
        params.push_back(cml);
        params.push_back(TeamParams::text(r.comment));
        if (!m_connection.execPrepared("palvarin_push_reading",
                                       "INSERT INTO palvarin.readings(uuid, survey, seq, number, taken, name, v0, v1,"
                                       " v2, v3, v4, v5, flags, cml, comment) VALUES($1, $2, $3, $4, $5, $6, $7, $8,"
                                       " $9, $10, $11, $12, $13, $14, $15) ON CONFLICT DO NOTHING",
                                       params))
            return false;
    }
    return true;
}
