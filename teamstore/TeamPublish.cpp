#include "teamstore/TeamPublish.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamParams.h"
#include "teamstore/TeamConflicts.h"
#include "teamstore/TeamCopy.h"
#include "teamstore/TeamFields.h"
#include "teamstore/TeamReadingBatches.h"
#include "teamstore/TeamSchema.h"

#include <QHash>
#include <QSet>

#include <cmath>
#include <vector>

namespace {

using Params = std::vector<QByteArray>;

QByteArray uuidParam(const QHash<qint64, QString> &uuids, qint64 id)
{
    const auto it = uuids.constFind(id);
    return it == uuids.constEnd() ? QByteArray() : it->toLatin1();
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

const char *const StagingTable =
    "CREATE TEMP TABLE IF NOT EXISTS team_readings_in (LIKE palvarin.readings INCLUDING DEFAULTS)"
    " ON COMMIT DELETE ROWS";
const char *const CopyDirect =
    "COPY palvarin.readings(uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml, comment)"
    " FROM STDIN";
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
                               QByteArray::number(int(a.kind)), a.tag.toUtf8(), TeamParams::text(a.description)}))
            return serverFailed();
    }
    for (const Cml &c : local.cmls) {
        if (!m_connection.run("INSERT INTO palvarin.cmls(uuid, asset, tag, description, nominal, minimum, allowance,"
                              " material, notes, design) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)"
                              " ON CONFLICT (uuid) DO NOTHING",
                              {uuidParam(local.cmlUuid, c.id), uuidParam(local.assetUuid, c.asset), c.tag.toUtf8(),
                               TeamParams::text(c.description), TeamParams::real(c.nominal), TeamParams::real(c.minimum),
                               TeamParams::real(c.allowance), TeamParams::text(c.material), TeamParams::text(c.notes),
                               TeamParams::text(TeamFields::designText(local.designs.value(c.id)))}))
            return serverFailed();
    }
    for (const Route &r : local.routes) {
        const QByteArray route = uuidParam(local.routeUuid, r.id);
        if (!m_connection.run("INSERT INTO palvarin.routes(uuid, name, notes) VALUES($1, $2, $3)"
                              " ON CONFLICT (uuid) DO NOTHING",
                              {route, r.name.toUtf8(), TeamParams::text(r.notes)}))
            return serverFailed();
        for (int pos = 0; pos < r.cmls.size(); ++pos) {
            if (!m_connection.run("INSERT INTO palvarin.route_stops(route, pos, cml) VALUES($1, $2, $3)"
                                  " ON CONFLICT DO NOTHING",
                                  {route, QByteArray::number(pos), uuidParam(local.cmlUuid, r.cmls[pos])}))
                return serverFailed();
        }
    }
    for (const SurveyFacts &s : local.surveys) {
        if (!TeamRegister::insertSurvey(m_connection, s, local.sessions.value(s.id), uuidParam(local.assetUuid, s.asset),
                                        uuidParam(local.routeUuid, s.route)))
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

    // What the server holds of each survey, by UUID: publishing again sends only the rest.
    std::vector<ReadingBatches::Survey> surveys;
    qint64 expected = 0;
    const QHash<QByteArray, qint64> counts = places.surveyReadingCounts();
    for (const SurveyFacts &s : local.surveys) {
        ReadingBatches::Survey survey{s.id, Uuid::text(s.uuid), {}};
        PgResult there = m_connection.exec("SELECT uuid FROM palvarin.readings WHERE survey = $1",
                                           {survey.uuid.toLatin1()}, PGRES_TUPLES_OK);
        if (!there)
            return serverFailed();
        for (int row = 0, n = PQntuples(there.get()); row < n; ++row)
            survey.known.insert(QString::fromLatin1(PQgetvalue(there.get(), row, 0)));
        expected += std::max<qint64>(0, counts.value(s.uuid) - qint64(survey.known.size()));
        surveys.push_back(std::move(survey));
    }
    QHash<qint64, QString> cmlUuid = local.cmlUuid;
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
    // The file is read and the rows formatted on a thread of their own while the server takes
    // the batch before: neither waits for the other.
    ReadingBatches batches(store, std::move(surveys), std::move(cmlUuid), m_batchRows, cancel);
    out.readingsMissing = expected;
    while (std::unique_ptr<CopyRows> rows = batches.next()) {
        if (cancelled()) {
            out.problem = Problem::Cancelled;
            break;
        }
        qint64 stored = 0;
        if (!sendBatch(*rows, &stored))
            return batches.stop(), serverFailed();
        out.readingsSent += rows->rows();
        out.readingsStored += stored;
        if (progress)
            progress(out.readingsSent, std::max(expected, out.readingsSent));
    }
    batches.stop();
    if (out.problem == Problem::None && cancelled())
        out.problem = Problem::Cancelled;
    if (out.problem == Problem::None)
        out.readingsMissing = batches.found(); // exact once the file was read whole
    return out;
}

bool TeamPublish::sendBatch(const CopyRows &rows, qint64 *stored)
{
    // Straight into the table; a key taken meanwhile (another laptop publishing the same
    // survey) refuses the whole batch, which then goes the slower way that skips what is there.
    if (!m_connection.run("BEGIN"))
        return false;
    if (rows.send(m_connection, CopyDirect) && m_connection.run("COMMIT")) {
        *stored = rows.rows();
        return true;
    }
    if (m_connection.sqlState() != "23505")
        return false;
    m_connection.rollback();
    m_connection.clearProblem();
    if (!m_connection.run(StagingTable) || !m_connection.run("BEGIN") || !rows.send(m_connection, CopyIn))
        return false;
    PgResult moved = m_connection.exec(MoveIn);
    if (!moved || !m_connection.run("COMMIT"))
        return false;
    *stored = atoll(PQcmdTuples(moved.get()));
    return true;
}
