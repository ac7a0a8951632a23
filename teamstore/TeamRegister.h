#pragma once

#include "store/PlacesMerge.h"

#include <QString>
#include <QVector>

#include <libpq-fe.h>

class TeamConnection;

// A CML as the server holds it: its fields, the revision they are at and who made it.
struct ServerCml
{
    MergeCml cml;
    qint64 revision = 1;
    QString changedBy; // empty: never changed since it was published
    qint64 changedAtMs = 0;
};

// The team's register as the server holds it: assets, CMLs and routes.
struct ServerRegister
{
    QVector<MergeAsset> assets;
    QVector<ServerCml> cmls;
    QVector<MergeRoute> routes;
};

struct SurveyFacts;
struct SurveySummary;

namespace TeamRegister {

// Adds a survey unless the server has it: its facts and what its session needs to be shown
// again; the UUIDs of its asset and route (empty: none). Runs in the caller's transaction.
bool insertSurvey(TeamConnection &connection, const SurveyFacts &facts, const SurveySummary &session,
                  const QByteArray &assetUuid, const QByteArray &routeUuid);

// False with the connection's problem() set when the server could not be read.
bool read(TeamConnection &connection, ServerRegister *out);

// Changes the server's CML to `fields` (not its asset or tag) if it is still at `revision`:
// the new revision; 0 when another changed it meanwhile; -1 with the connection's problem()
// set when the server refused or failed. Runs in the caller's transaction, if any.
qint64 updateServerCml(TeamConnection &connection, const MergeCml &fields, qint64 revision);

// A UUID's 16 bytes from the server's text; empty for none.
QByteArray uuidBytes(const PGresult *result, int row, int column);
// A value of a result as text, null when SQL NULL.
QString text(const PGresult *result, int row, int column);
// A double precision or real value; NaN for NULL.
double real(const PGresult *result, int row, int column);

} // namespace TeamRegister
