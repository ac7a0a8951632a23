#include "teamstore/TeamPush.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"

#include <QDateTime>

#include <cmath>

namespace {

QByteArray timeParam(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1();
}

QByteArray textParam(const QString &text)
{
    return text.isNull() ? QByteArray() : text.toUtf8();
}

QByteArray realParam(double value)
{
    return std::isnan(value) ? QByteArray() : QByteArray::number(value, 'g', 17);
}

QByteArray listParam(const QList<int> &values)
{
    QByteArray out;
    for (int v : values)
        out += (out.isEmpty() ? "" : ",") + QByteArray::number(v);
    return out;
}

} // namespace

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
    const auto uuidOf = [&](const char *table, qint64 key) -> QByteArray {
        if (!key)
            return QByteArray();
        if (qstrcmp(table, "assets") == 0) {
            for (const Asset &a : places.assets())
                if (a.id == key)
                    return Uuid::text(a.uuid).toLatin1();
        } else {
            const Route r = places.route(key);
            return r.id ? Uuid::text(r.uuid).toLatin1() : QByteArray();
        }
        return QByteArray();
    };
    const bool sent = m_connection.run(
        "INSERT INTO palvarin.surveys(uuid, date, asset, route, inspector, velocity, notes, serial, layout, started,"
        " ended, firmware, meter_type, unit_numbers, unit_names, decimals) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9,"
        " $10, NULL, $11, $12, $13, $14, $15) ON CONFLICT (uuid) DO NOTHING",
        {uuid.toLatin1(), timeParam(s.dateMs ? s.dateMs : session.startedMs), uuidOf("assets", s.asset),
         uuidOf("routes", s.route), textParam(s.inspector), realParam(s.velocity), textParam(s.notes),
         textParam(session.info.serial), QByteArray::number(session.info.layout == 2 ? 2 : 1),
         timeParam(session.startedMs), textParam(session.info.firmware), QByteArray::number(session.info.meterType),
         listParam(session.info.unitNumbers), session.info.unitNames.join(QLatin1Char('\n')).toUtf8(),
         listParam(session.info.decimals)});
    if (sent)
        m_surveys.insert(id, uuid);
    return sent;
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
                                       r.number ? QByteArray::number(r.number) : QByteArray(), timeParam(r.dateMs),
                                       textParam(r.name)};
        for (int v = 0; v < 6; ++v)
            params.push_back(v < values ? QByteArray::number(r.values[v], 'g', 9) : QByteArray());
        params.push_back(QByteArray::number(r.flags));
        params.push_back(cml);
        params.push_back(textParam(r.comment));
        if (!m_connection.execPrepared("palvarin_push_reading",
                                       "INSERT INTO palvarin.readings(uuid, survey, seq, number, taken, name, v0, v1,"
                                       " v2, v3, v4, v5, flags, cml, comment) VALUES($1, $2, $3, $4, $5, $6, $7, $8,"
                                       " $9, $10, $11, $12, $13, $14, $15) ON CONFLICT DO NOTHING",
                                       params))
            return false;
    }
    return true;
}
