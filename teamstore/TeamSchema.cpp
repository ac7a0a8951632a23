#include "teamstore/TeamSchema.h"

#include "teamstore/TeamConnection.h"

#include <cstdlib>

namespace {

// Any number, the same in every copy of the program: the transaction-scoped lock under which
// the schema is read and changed.
const char *const LockSchema = "SELECT pg_advisory_xact_lock(7311984225)";

const char *const Step1 =
    "CREATE TABLE palvarin.assets(uuid uuid PRIMARY KEY, parent uuid REFERENCES palvarin.assets,"
    " kind smallint NOT NULL, tag text NOT NULL, description text,"
    " published_by text NOT NULL, published_at timestamptz NOT NULL DEFAULT now());"
    "CREATE TABLE palvarin.cmls(uuid uuid PRIMARY KEY, asset uuid NOT NULL REFERENCES palvarin.assets,"
    " tag text NOT NULL, description text, nominal double precision, minimum double precision,"
    " allowance double precision, material text, notes text,"
    " published_by text NOT NULL, published_at timestamptz NOT NULL DEFAULT now());"
    "CREATE INDEX cmls_asset ON palvarin.cmls(asset);"
    "CREATE TABLE palvarin.routes(uuid uuid PRIMARY KEY, name text NOT NULL, notes text,"
    " published_by text NOT NULL, published_at timestamptz NOT NULL DEFAULT now());"
    "CREATE TABLE palvarin.route_stops(route uuid NOT NULL REFERENCES palvarin.routes, pos integer NOT NULL,"
    " cml uuid NOT NULL REFERENCES palvarin.cmls, PRIMARY KEY(route, pos));"
    "CREATE TABLE palvarin.surveys(uuid uuid PRIMARY KEY, date timestamptz NOT NULL,"
    " asset uuid REFERENCES palvarin.assets, route uuid REFERENCES palvarin.routes, inspector text,"
    " velocity double precision, notes text, serial text, layout smallint NOT NULL,"
    " published_by text NOT NULL, published_at timestamptz NOT NULL DEFAULT now());"
    // values: thickness then velocity, as the survey's layout has them (2 single, 6 multi
    // layer; the rest NULL). number: place in the gauge's memory, NULL for a pushed one.
    "CREATE TABLE palvarin.readings(uuid uuid PRIMARY KEY, survey uuid NOT NULL REFERENCES palvarin.surveys,"
    " seq integer NOT NULL, number integer, taken timestamptz NOT NULL, name text,"
    " v0 real, v1 real, v2 real, v3 real, v4 real, v5 real, flags smallint NOT NULL,"
    " cml uuid REFERENCES palvarin.cmls, comment text,"
    " published_by text NOT NULL, published_at timestamptz NOT NULL DEFAULT now());"
    "CREATE INDEX readings_survey ON palvarin.readings(survey, seq);"
    "CREATE INDEX readings_cml ON palvarin.readings(cml, taken) WHERE cml IS NOT NULL;"
    "INSERT INTO palvarin.schema_version(version) VALUES(1);";

} // namespace

namespace TeamSchema {

int serverVersion(TeamConnection &connection)
{
    PgResult exists = connection.exec("SELECT to_regclass('palvarin.schema_version') IS NOT NULL", {}, PGRES_TUPLES_OK);
    if (!exists || PQntuples(exists.get()) != 1)
        return -1;
    if (*PQgetvalue(exists.get(), 0, 0) != 't')
        return 0;
    PgResult result = connection.exec("SELECT coalesce(max(version), 0) FROM palvarin.schema_version", {},
                                      PGRES_TUPLES_OK);
    if (!result || PQntuples(result.get()) != 1)
        return -1;
    return atoi(PQgetvalue(result.get(), 0, 0));
}

Outcome ensure(TeamConnection &connection)
{
    const auto failed = [&] {
        connection.rollback();
        return Outcome::Failed;
    };
    if (!connection.run("BEGIN") || !connection.exec(LockSchema, {}, PGRES_TUPLES_OK))
        return failed();
    const int version = serverVersion(connection);
    if (version < 0)
        return failed();
    if (version > Version) {
        connection.rollback();
        return Outcome::Newer;
    }
    // Nothing is created, not even IF NOT EXISTS, when the schema is there: a user who may
    // publish but not create gets no refusal.
    if (version == 0
        && !connection.script("CREATE SCHEMA IF NOT EXISTS palvarin;"
                              "CREATE TABLE palvarin.schema_version(version integer PRIMARY KEY,"
                              " applied timestamptz NOT NULL DEFAULT now());"))
        return failed();
    // Each step takes the schema from n to n + 1 and records n + 1.
    if (version < 1 && !connection.script(Step1))
        return failed();
    if (!connection.run("COMMIT"))
        return failed();
    return Outcome::Ready;
}

} // namespace TeamSchema
