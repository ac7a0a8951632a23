#include "teamstore/TeamRegister.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamParams.h"
#include "teamstore/TeamFields.h"

#include <QHash>

#include <cmath>
#include <cstdlib>

namespace TeamRegister {

QByteArray uuidBytes(const PGresult *result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return QByteArray();
    QByteArray hex(PQgetvalue(result, row, column));
    hex.replace('-', QByteArray());
    const QByteArray bytes = QByteArray::fromHex(hex);
    return bytes.size() == 16 ? bytes : QByteArray();
}

QString text(const PGresult *result, int row, int column)
{
    return PQgetisnull(result, row, column) ? QString() : QString::fromUtf8(PQgetvalue(result, row, column));
}

double real(const PGresult *result, int row, int column)
{
    return PQgetisnull(result, row, column) ? std::nan("") : strtod(PQgetvalue(result, row, column), nullptr);
}

bool read(TeamConnection &connection, ServerRegister *out)
{
    *out = ServerRegister();
    PgResult assets = connection.exec("SELECT uuid, parent, kind, tag, description FROM palvarin.assets", {},
                                      PGRES_TUPLES_OK);
    if (!assets)
        return false;
    for (int row = 0, n = PQntuples(assets.get()); row < n; ++row) {
        MergeAsset a;
        a.uuid = uuidBytes(assets.get(), row, 0);
        a.parent = uuidBytes(assets.get(), row, 1);
        a.kind = atoi(PQgetvalue(assets.get(), row, 2));
        a.tag = text(assets.get(), row, 3);
        a.description = text(assets.get(), row, 4);
        out->assets.append(a);
    }
    PgResult cmls = connection.exec("SELECT uuid, asset, tag, description, nominal, minimum, allowance, material, notes,"
                                    " design, revision, changed_by,"
                                    " (extract(epoch FROM changed_at) * 1000)::bigint FROM palvarin.cmls",
                                    {}, PGRES_TUPLES_OK);
    if (!cmls)
        return false;
    for (int row = 0, n = PQntuples(cmls.get()); row < n; ++row) {
        const PGresult *r = cmls.get();
        ServerCml s;
        s.cml.uuid = uuidBytes(r, row, 0);
        s.cml.asset = uuidBytes(r, row, 1);
        s.cml.tag = text(r, row, 2);
        s.cml.description = text(r, row, 3);
        s.cml.nominal = real(r, row, 4);
        s.cml.minimum = real(r, row, 5);
        s.cml.allowance = real(r, row, 6);
        s.cml.material = text(r, row, 7);
        s.cml.notes = text(r, row, 8);
        // A design this program cannot read is left out rather than guessed.
        TeamFields::designFromText(text(r, row, 9), &s.cml.design);
        s.revision = atoll(PQgetvalue(r, row, 10));
        s.changedBy = text(r, row, 11);
        s.changedAtMs = PQgetisnull(r, row, 12) ? 0 : atoll(PQgetvalue(r, row, 12));
        out->cmls.append(s);
    }
    PgResult routes = connection.exec("SELECT r.uuid, r.name, r.notes, s.cml FROM palvarin.routes r"
                                      " LEFT JOIN palvarin.route_stops s ON s.route = r.uuid ORDER BY r.uuid, s.pos",
                                      {}, PGRES_TUPLES_OK);
    if (!routes)
        return false;
    for (int row = 0, n = PQntuples(routes.get()); row < n; ++row) {
        const QByteArray uuid = uuidBytes(routes.get(), row, 0);
        if (out->routes.isEmpty() || out->routes.last().uuid != uuid) {
            MergeRoute route;
            route.uuid = uuid;
            route.name = text(routes.get(), row, 1);
            route.notes = text(routes.get(), row, 2);
            out->routes.append(route);
        }
        if (!PQgetisnull(routes.get(), row, 3))
            out->routes.last().cmls.append(uuidBytes(routes.get(), row, 3));
    }
    return true;
}

bool insertSurvey(TeamConnection &connection, const SurveyFacts &s, const SurveySummary &session,
                  const QByteArray &assetUuid, const QByteArray &routeUuid)
{
    const SurveyInfo &info = session.info;
    return connection.run(
        "INSERT INTO palvarin.surveys(uuid, date, asset, route, inspector, velocity, notes, serial, layout, started,"
        " ended, firmware, meter_type, unit_numbers, unit_names, decimals) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9,"
        " $10, $11, $12, $13, $14, $15, $16) ON CONFLICT (uuid) DO NOTHING",
        {Uuid::text(s.uuid).toLatin1(), TeamParams::time(s.dateMs ? s.dateMs : session.startedMs), assetUuid, routeUuid,
         TeamParams::text(s.inspector), TeamParams::real(s.velocity), TeamParams::text(s.notes), TeamParams::text(s.serial),
         QByteArray::number(s.layout == 2 ? 2 : 1), TeamParams::time(session.startedMs), TeamParams::time(session.endedMs),
         TeamParams::text(info.firmware), QByteArray::number(info.meterType), TeamParams::list(info.unitNumbers),
         info.unitNames.join(QLatin1Char('\n')).toUtf8(), TeamParams::list(info.decimals)});
}

qint64 updateServerCml(TeamConnection &connection, const MergeCml &fields, qint64 revision)
{
    const QString design = TeamFields::designText(fields.design);
    PgResult done = connection.exec(
        "UPDATE palvarin.cmls SET description = $2, nominal = $3, minimum = $4, allowance = $5, material = $6,"
        " notes = $7, design = $8, revision = revision + 1, changed_by = current_user, changed_at = now()"
        " WHERE uuid = $1 AND revision = $9 RETURNING revision",
        {Uuid::text(fields.uuid).toLatin1(), TeamParams::text(fields.description), TeamParams::real(fields.nominal),
         TeamParams::real(fields.minimum), TeamParams::real(fields.allowance), TeamParams::text(fields.material), TeamParams::text(fields.notes),
         TeamParams::text(design), QByteArray::number(revision)},
        PGRES_TUPLES_OK);
    if (!done)
        return -1;
    return PQntuples(done.get()) == 1 ? atoll(PQgetvalue(done.get(), 0, 0)) : 0;
}

} // namespace TeamRegister
