#include "teamstore/TeamPublish.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamConflicts.h"
#include "teamstore/TeamCopy.h"
#include "teamstore/TeamFields.h"
#include "teamstore/TeamSchema.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <cmath>
#include <vector>

namespace {

using Params = std::vector<QByteArray>;

QByteArray textParam(const QString &value)
{
    return value.isNull() ? QByteArray() : value.toUtf8();
}

QByteArray realParam(double value)
{
    return std::isnan(value) ? QByteArray() : QByteArray::number(value, 'g', 17);
}

QByteArray uuidParam(const QHash<qint64, QString> &uuids, qint64 id)
{
    const auto it = uuids.constFind(id);
    return it == uuids.constEnd() ? QByteArray() : it->toLatin1();
}

QString timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

// What the file holds, read once, with every local key's UUID.
struct LocalFile
{
    QVector<Asset> assets;
    QVector<Cml> cmls;
    QVector<Route> routes;
    QVector<SurveyFacts> surveys;
    QHash<qint64, DesignInputs> designs;
    QHash<qint64, SurveySummary> sessions;
    QHash<qint64, QString> assetUuid, cmlUuid, routeUuid;
    // CMLs changed here since last agreed with the server: the revision agreed and the fields.
    struct Edit
    {
        qint64 cml = 0;
        qint64 revision = 0;
        MergeCml fields;
    };
    QVector<Edit> edits;
};

QByteArray listParam(const QList<int> &values)
{
    QByteArray out;
    for (int v : values)
        out += (out.isEmpty() ? "" : ",") + QByteArray::number(v);
    return out;
}

const char *const StagingTable =
    "CREATE TEMP TABLE IF NOT EXISTS team_readings_in (LIKE palvarin.readings INCLUDING DEFAULTS)"
    " ON COMMIT DELETE ROWS";
const char *const CopyIn =
    "COPY team_readings_in(uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml, comment)"
    " FROM STDIN";
const char *const MoveIn =
    "INSERT INTO palvarin.readings(uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml,"
    " comment, published_by) SELECT uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml,"
    " comment, published_by FROM team_readings_in ON CONFLICT DO NOTHING";

// The CMLs changed here only since the server and the file last agreed. Read from the server's
// register as it is now; a CML the server changed too is left for the next sync's conflicts.
bool findEdits(TeamConnection &connection, Places &places, LocalFile *local)
{
    const QHash<qint64, AgreedCml> agreed = places.agreedCmls();
    if (agreed.isEmpty())
        return true; // never synced: nothing agreed, nothing to send as an edit
    ServerRegister server;
    if (!TeamRegister::read(connection, &server))
        return false;
    for (const auto &mine : TeamConflicts::review(places, server).mineOnly)
        local->edits.append({mine.first, agreed.value(mine.first).revision, mine.second});
    return true;
}

} // namespace

TeamPublish::TeamPublish(TeamConnection &connection)
    : m_connection(connection)
{
}

TeamPublish::Outcome TeamPublish::publish(const QString &surveyFile, const Progress &progress,
                                          const std::atomic<bool> *cancel)
{
    Outcome out;
    m_localMessage.clear();
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    const auto serverFailed = [&] {
        m_connection.rollback();
        out.problem = Problem::Server;
        return out;
    };
    if (cancelled()) {
        out.problem = Problem::Cancelled;
        return out;
    }

    SurveyStore store;
    if (!store.openReadOnly(surveyFile)) {
        m_localMessage = store.errorText();
        out.problem = Problem::LocalFile;
        return out;
    }
    Places places(store);
    LocalFile local;
    local.assets = places.assets();
    local.cmls = places.cmls(0);
    local.routes = places.routes();
    local.surveys = places.surveys();
    local.designs = places.designs();
    for (const SurveySummary &session : store.history())
        local.sessions.insert(session.id, session);
    for (const Asset &a : local.assets)
        local.assetUuid.insert(a.id, Uuid::text(a.uuid));
    for (const Cml &c : local.cmls)
        local.cmlUuid.insert(c.id, Uuid::text(c.uuid));
    for (const Route &r : local.routes)
        local.routeUuid.insert(r.id, Uuid::text(r.uuid));

    m_connection.clearProblem();
    switch (TeamSchema::ensure(m_connection)) {
    case TeamSchema::Outcome::Ready: break;
    case TeamSchema::Outcome::Newer: out.problem = Problem::NewerSchema; return out;
    case TeamSchema::Outcome::Failed: return serverFailed();
    }
    if (!findEdits(m_connection, places, &local))
        return serverFailed();
    QVector<QPair<qint64, AgreedCml>> agreed;

    // The register: small, and every reading refers to it, so it goes first, whole or not at all.
    if (!m_connection.run("BEGIN"))
        return serverFailed();
    for (const Asset &a : local.assets) {
        if (!m_connection.run("INSERT INTO palvarin.assets(uuid, parent, kind, tag, description)"
                              " VALUES($1, $2, $3, $4, $5) ON CONFLICT (uuid) DO NOTHING",
                              {uuidParam(local.assetUuid, a.id), uuidParam(local.assetUuid, a.parent),
                               QByteArray::number(int(a.kind)), a.tag.toUtf8(), textParam(a.description)}))
            return serverFailed();
    }
    for (const Cml &c : local.cmls) {
        if (!m_connection.run("INSERT INTO palvarin.cmls(uuid, asset, tag, description, nominal, minimum, allowance,"
                              " material, notes, design) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)"
                              " ON CONFLICT (uuid) DO NOTHING",
                              {uuidParam(local.cmlUuid, c.id), uuidParam(local.assetUuid, c.asset), c.tag.toUtf8(),
                               textParam(c.description), realParam(c.nominal), realParam(c.minimum),
                               realParam(c.allowance), textParam(c.material), textParam(c.notes),
                               textParam(TeamFields::designText(local.designs.value(c.id)))}))
            return serverFailed();
    }
    for (const Route &r : local.routes) {
        const QByteArray route = uuidParam(local.routeUuid, r.id);
        if (!m_connection.run("INSERT INTO palvarin.routes(uuid, name, notes) VALUES($1, $2, $3)"
                              " ON CONFLICT (uuid) DO NOTHING",
                              {route, r.name.toUtf8(), textParam(r.notes)}))
            return serverFailed();
        for (int pos = 0; pos < r.cmls.size(); ++pos) {
            if (!m_connection.run("INSERT INTO palvarin.route_stops(route, pos, cml) VALUES($1, $2, $3)"
                                  " ON CONFLICT DO NOTHING",
                                  {route, QByteArray::number(pos), uuidParam(local.cmlUuid, r.cmls[pos])}))
                return serverFailed();
        }
    }
    for (const SurveyFacts &s : local.surveys) {
        const SurveySummary session = local.sessions.value(s.id);
        const SurveyInfo &info = session.info;
        if (!m_connection.run("INSERT INTO palvarin.surveys(uuid, date, asset, route, inspector, velocity, notes,"
                              " serial, layout, started, ended, firmware, meter_type, unit_numbers, unit_names,"
                              " decimals) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16)"
                              " ON CONFLICT (uuid) DO NOTHING",
                              {Uuid::text(s.uuid).toLatin1(), timeText(s.dateMs).toLatin1(),
                               uuidParam(local.assetUuid, s.asset), uuidParam(local.routeUuid, s.route),
                               textParam(s.inspector), realParam(s.velocity), textParam(s.notes),
                               textParam(s.serial), QByteArray::number(s.layout),
                               session.startedMs ? timeText(session.startedMs).toLatin1() : QByteArray(),
                               session.endedMs ? timeText(session.endedMs).toLatin1() : QByteArray(),
                               textParam(info.firmware), QByteArray::number(info.meterType),
                               listParam(info.unitNumbers), info.unitNames.join(QLatin1Char('\n')).toUtf8(),
                               listParam(info.decimals)}))
            return serverFailed();
    }
    // CMLs changed here since they were last agreed, to the server unless it changed them too
    // (then the next sync lists a conflict). An inspector's edits wait for an engineer.
    if (!local.edits.isEmpty()) {
        PgResult may = m_connection.exec("SELECT has_table_privilege('palvarin.cmls', 'UPDATE')", {}, PGRES_TUPLES_OK);
        if (!may)
            return serverFailed();
        const bool allowed = *PQgetvalue(may.get(), 0, 0) == 't';
        for (const LocalFile::Edit &edit : local.edits) {
            if (!allowed) {
                out.cmlEditsRefused << edit.fields.tag;
                continue;
            }
            const qint64 revision = TeamRegister::updateServerCml(m_connection, edit.fields, edit.revision);
            if (revision < 0)
                return serverFailed();
            if (revision > 0) {
                ++out.cmlsUpdated;
                agreed.append({edit.cml, AgreedCml{revision, TeamFields::cmlFields(edit.fields)}});
            }
        }
    }
    if (!m_connection.run("COMMIT"))
        return serverFailed();

    // The readings the server lacks, survey by survey.
    std::vector<PlaceReading> missing;
    std::vector<QString> missingSurvey;
    for (const SurveyFacts &s : local.surveys) {
        const QString survey = Uuid::text(s.uuid);
        PgResult there = m_connection.exec("SELECT uuid FROM palvarin.readings WHERE survey = $1",
                                           {survey.toLatin1()}, PGRES_TUPLES_OK);
        if (!there)
            return serverFailed();
        QSet<QString> known;
        for (int row = 0, n = PQntuples(there.get()); row < n; ++row)
            known.insert(QString::fromLatin1(PQgetvalue(there.get(), row, 0)));
        for (const PlaceReading &r : places.surveyReadings(s.id)) {
            if (r.uuid.size() == 16 && !known.contains(Uuid::text(r.uuid))) {
                missing.push_back(r);
                missingSurvey.push_back(survey);
            }
        }
    }
    store.close();
    // The file now agrees with the server on the CMLs it sent, so that a next edit here is not
    // taken for one made on both sides. Not kept (the file busy), the next sync agrees them.
    if (!agreed.isEmpty()) {
        SurveyStore writable;
        Places marks(writable);
        if (writable.open(surveyFile)) {
            for (const auto &a : agreed)
                marks.setAgreed(a.first, a.second);
        }
    }
    out.readingsMissing = qint64(missing.size());
    if (missing.empty())
        return out;

    if (!m_connection.run(StagingTable))
        return serverFailed();
    CopyRows rows;
    for (size_t first = 0; first < missing.size(); first += size_t(m_batchRows)) {
        if (cancelled()) {
            out.problem = Problem::Cancelled;
            return out;
        }
        const size_t end = std::min(missing.size(), first + size_t(m_batchRows));
        rows.clear();
        for (size_t i = first; i < end; ++i) {
            const PlaceReading &r = missing[i];
            rows.text(Uuid::text(r.uuid));
            rows.text(missingSurvey[i]);
            rows.number(r.key & 0xffffffff);
            if (r.number > 0)
                rows.number(r.number);
            else
                rows.null();
            rows.text(timeText(r.dateMs));
            rows.text(r.name);
            const int values = r.layout == 2 ? 6 : 2;
            for (int v = 0; v < 6; ++v) {
                if (v < values)
                    rows.real(r.values[v]);
                else
                    rows.null();
            }
            rows.number(r.flags);
            rows.text(r.cml ? local.cmlUuid.value(r.cml) : QString());
            rows.text(r.comment);
            rows.endRow();
        }
        if (!m_connection.run("BEGIN") || !rows.send(m_connection, CopyIn))
            return serverFailed();
        PgResult moved = m_connection.exec(MoveIn);
        if (!moved || !m_connection.run("COMMIT"))
            return serverFailed();
        out.readingsSent += qint64(end - first);
        out.readingsStored += atoll(PQcmdTuples(moved.get()));
        if (progress)
            progress(out.readingsSent, out.readingsMissing);
    }
    return out;
}
