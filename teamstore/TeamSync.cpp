#include "teamstore/TeamSync.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamSchema.h"

#include <QHash>

#include <cstdlib>

using TeamRegister::real;
using TeamRegister::text;
using TeamRegister::uuidBytes;

namespace {

const char *const SurveysSql =
    "SELECT s.uuid, s.asset, s.route, (extract(epoch FROM s.date) * 1000)::bigint,"
    " (extract(epoch FROM s.started) * 1000)::bigint, (extract(epoch FROM s.ended) * 1000)::bigint,"
    " s.inspector, s.velocity, s.notes, s.serial, s.firmware, s.meter_type, s.layout, s.unit_numbers,"
    " s.unit_names, s.decimals, coalesce(c.n, 0)"
    " FROM palvarin.surveys s LEFT JOIN (SELECT survey, count(*) AS n FROM palvarin.readings GROUP BY survey) c"
    " ON c.survey = s.uuid ORDER BY s.date";

const char *const ReadingsSql =
    "SELECT uuid, seq, number, (extract(epoch FROM taken) * 1000)::bigint, name, v0, v1, v2, v3, v4, v5, flags,"
    " cml, comment FROM palvarin.readings WHERE survey = $1 ORDER BY seq";

qint64 msOrZero(const PGresult *r, int row, int column)
{
    return PQgetisnull(r, row, column) ? 0 : atoll(PQgetvalue(r, row, column));
}

MergeSurvey surveyAt(const PGresult *r, int row)
{
    MergeSurvey s;
    s.uuid = uuidBytes(r, row, 0);
    s.asset = uuidBytes(r, row, 1);
    s.route = uuidBytes(r, row, 2);
    s.dateMs = msOrZero(r, row, 3);
    s.startedMs = msOrZero(r, row, 4);
    s.endedMs = msOrZero(r, row, 5);
    s.inspector = text(r, row, 6);
    s.velocity = real(r, row, 7);
    s.notes = text(r, row, 8);
    s.serial = text(r, row, 9);
    s.firmware = text(r, row, 10);
    s.meterType = PQgetisnull(r, row, 11) ? -1 : atoll(PQgetvalue(r, row, 11));
    s.layout = atoi(PQgetvalue(r, row, 12));
    s.unitNumbers = text(r, row, 13);
    s.unitNames = text(r, row, 14);
    s.decimals = text(r, row, 15);
    return s;
}

QVector<MergeReading> readingsOf(const PGresult *r)
{
    QVector<MergeReading> out;
    const int n = PQntuples(r);
    out.reserve(n);
    for (int row = 0; row < n; ++row) {
        MergeReading m;
        m.uuid = uuidBytes(r, row, 0);
        m.seq = atoll(PQgetvalue(r, row, 1));
        m.number = PQgetisnull(r, row, 2) ? 0 : quint32(strtoul(PQgetvalue(r, row, 2), nullptr, 10));
        m.dateMs = msOrZero(r, row, 3);
        m.name = text(r, row, 4);
        for (int v = 0; v < 6; ++v)
            m.values[v] = PQgetisnull(r, row, 5 + v) ? 0.0f : strtof(PQgetvalue(r, row, 5 + v), nullptr);
        m.flags = quint8(atoi(PQgetvalue(r, row, 11)));
        m.cml = uuidBytes(r, row, 12);
        m.comment = text(r, row, 13);
        out.append(m);
    }
    return out;
}

} // namespace

TeamSync::TeamSync(TeamConnection &connection)
    : m_connection(connection)
{
}

TeamSync::Outcome TeamSync::localFailed(Places &places, SurveyStore &store, Outcome &out)
{
    const Places::Problem problem = places.problem();
    m_localMessage = problem == Places::Problem::Duplicate || problem == Places::Problem::NotFound
        ? places.problemSubject()
        : store.errorText();
    out.problem = problem == Places::Problem::Duplicate ? Problem::Duplicate : Problem::LocalFile;
    return out;
}

TeamSync::Outcome TeamSync::sync(const QString &surveyFile, const Progress &progress, const std::atomic<bool> *cancel)
{
    m_localMessage.clear();
    if (cancel && cancel->load()) {
        Outcome out;
        out.problem = Problem::Cancelled;
        return out;
    }
    SurveyStore store;
    if (!store.open(surveyFile) || !store.writable()) {
        Outcome out;
        m_localMessage = store.errorText();
        out.problem = Problem::LocalFile;
        return out;
    }
    return sync(store, progress, cancel);
}

TeamSync::Outcome TeamSync::sync(SurveyStore &store, const Progress &progress, const std::atomic<bool> *cancel)
{
    Outcome out;
    m_localMessage.clear();
    m_connection.clearProblem();
    const auto serverFailed = [&] {
        m_connection.rollback();
        out.problem = Problem::Server;
        return out;
    };
    Places places(store);
    const int version = TeamSchema::serverVersion(m_connection);
    if (version < 0)
        return serverFailed();
    if (version > TeamSchema::Version) {
        out.problem = Problem::NewerSchema;
        return out;
    }
    if (version < TeamSchema::Version) {
        // Nothing to fetch from an empty server; an older one is brought up if this role may.
        switch (TeamSchema::ensure(m_connection)) {
        case TeamSchema::Outcome::Ready: break;
        case TeamSchema::Outcome::Newer: out.problem = Problem::NewerSchema; return out;
        case TeamSchema::Outcome::Failed:
            if (m_connection.problem() == TeamConnection::Problem::Refused && version > 0) {
                out.problem = Problem::OlderSchema;
                return out;
            }
            return serverFailed();
        }
    }

    // The register and the surveys as one snapshot, so nothing is read without what it refers to.
    ServerRegister server;
    if (!m_connection.run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
        || !TeamRegister::read(m_connection, &server))
        return serverFailed();
    PgResult surveys = m_connection.exec(SurveysSql, {}, PGRES_TUPLES_OK);
    if (!surveys || !m_connection.run("COMMIT"))
        return serverFailed();
    if (!mergeRegister(places, server, out))
        return localFailed(places, store, out);

    // The surveys the file lacks whole or in part.
    const QHash<QByteArray, qint64> have = places.surveyReadingCounts();
    QVector<int> wanted;
    for (int row = 0, n = PQntuples(surveys.get()); row < n; ++row) {
        const auto here = have.constFind(uuidBytes(surveys.get(), row, 0));
        if (here == have.constEnd() || *here != atoll(PQgetvalue(surveys.get(), row, 16)))
            wanted.append(row);
    }
    if (!mergeSurveys(places, surveys.get(), wanted, out, progress, cancel) && out.problem == Problem::None)
        return localFailed(places, store, out);
    return out;
}

TeamSync::Outcome TeamSync::syncNamed(SurveyStore &store, bool registerChanged, const QSet<QByteArray> &named)
{
    Outcome out;
    m_localMessage.clear();
    m_connection.clearProblem();
    Places places(store);
    QByteArray list;
    for (const QByteArray &uuid : named)
        list += (list.isEmpty() ? "{" : ",") + Uuid::text(uuid).toLatin1();
    list += '}';
    for (int attempt = 0; attempt < 2; ++attempt) {
        ServerRegister server;
        if (!m_connection.run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
            || (registerChanged && !TeamRegister::read(m_connection, &server))) {
            m_connection.rollback();
            out.problem = Problem::Server;
            return out;
        }
        PgResult surveys;
        if (!named.isEmpty()) {
            const QByteArray sql = QByteArray(SurveysSql).replace(" ORDER BY", " WHERE s.uuid = ANY($1::uuid[]) ORDER BY");
            surveys = m_connection.exec(sql.constData(), {list}, PGRES_TUPLES_OK);
        }
        if ((!named.isEmpty() && !surveys) || !m_connection.run("COMMIT")) {
            m_connection.rollback();
            out.problem = Problem::Server;
            return out;
        }
        if (registerChanged && !mergeRegister(places, server, out))
            return localFailed(places, store, out);
        QVector<int> rows;
        for (int row = 0, n = surveys ? PQntuples(surveys.get()) : 0; row < n; ++row)
            rows.append(row);
        if (mergeSurveys(places, surveys.get(), rows, out, {}, nullptr))
            return out;
        if (out.problem != Problem::None)
            return out;
        // A reading on a CML the file does not know yet: its register notice is behind it.
        if (registerChanged || places.problem() != Places::Problem::NotFound)
            return localFailed(places, store, out);
        registerChanged = true;
    }
    return out;
}

bool TeamSync::mergeRegister(Places &places, const ServerRegister &server, Outcome &out)
{
    QVector<MergeCml> cmls;
    cmls.reserve(server.cmls.size());
    for (const ServerCml &c : server.cmls)
        cmls.append(c.cml);
    MergeCounts added;
    if (!places.mergeRegister(server.assets, cmls, server.routes, &added))
        return false;
    out.added.assets += added.assets;
    out.added.cmls += added.cmls;
    out.added.routes += added.routes;
    const CmlReview review = TeamConflicts::review(places, server);
    for (auto it = review.agreedNow.constBegin(); it != review.agreedNow.constEnd(); ++it) {
        if (!places.setAgreed(it.key(), it.value()))
            return false;
    }
    for (const auto &theirs : review.theirsOnly) {
        if (!TeamConflicts::takeTheirs(places, theirs.first, theirs.second))
            return false;
        ++out.cmlsUpdated;
    }
    out.conflicts = review.conflicts;
    return true;
}

bool TeamSync::mergeSurveys(Places &places, const PGresult *surveys, const QVector<int> &rows, Outcome &out,
                            const Progress &progress, const std::atomic<bool> *cancel)
{
    const QHash<QByteArray, qint64> have = rows.isEmpty() ? QHash<QByteArray, qint64>() : places.surveyReadingCounts();
    for (int i = 0; i < rows.size(); ++i) {
        if (cancel && cancel->load()) {
            out.problem = Problem::Cancelled;
            return false;
        }
        const MergeSurvey survey = surveyAt(surveys, rows[i]);
        PgResult readings = m_connection.exec(ReadingsSql, {Uuid::text(survey.uuid).toLatin1()}, PGRES_TUPLES_OK);
        if (!readings) {
            out.problem = Problem::Server;
            return false;
        }
        const qint64 added = places.mergeSurvey(survey, readingsOf(readings.get()));
        if (added < 0)
            return false;
        out.readingsAdded += added;
        out.surveysAdded += have.contains(survey.uuid) ? 0 : 1;
        if (progress)
            progress(i + 1, rows.size());
    }
    return true;
}
