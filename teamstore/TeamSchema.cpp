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

// What a file needs to show another's survey as its own; a CML's design inputs and the
// revision its metadata is at (for conflicts); who chose what in a conflict; readings announced
// to every listener as they arrive; and who may do what.
const char *const Step2 =
    "ALTER TABLE palvarin.surveys ADD COLUMN started timestamptz, ADD COLUMN ended timestamptz,"
    " ADD COLUMN firmware text, ADD COLUMN meter_type bigint, ADD COLUMN unit_numbers text,"
    " ADD COLUMN unit_names text, ADD COLUMN decimals text;"
    "ALTER TABLE palvarin.cmls ADD COLUMN design text, ADD COLUMN revision integer NOT NULL DEFAULT 1,"
    " ADD COLUMN changed_by text, ADD COLUMN changed_at timestamptz;"
    // Who published a row is the server's to say, not the program's.
    "ALTER TABLE palvarin.assets ALTER COLUMN published_by SET DEFAULT current_user;"
    "ALTER TABLE palvarin.cmls ALTER COLUMN published_by SET DEFAULT current_user;"
    "ALTER TABLE palvarin.routes ALTER COLUMN published_by SET DEFAULT current_user;"
    "ALTER TABLE palvarin.surveys ALTER COLUMN published_by SET DEFAULT current_user;"
    "ALTER TABLE palvarin.readings ALTER COLUMN published_by SET DEFAULT current_user;"
    // Readings come by the million: keyed by survey and UUID, one index serves publishing's
    // and syncing's lookups by survey as well as the key. The program sends a survey before its
    // readings; per-row foreign key checks would cost more than the rows themselves.
    "ALTER TABLE palvarin.readings DROP CONSTRAINT readings_survey_fkey, DROP CONSTRAINT readings_cml_fkey,"
    " DROP CONSTRAINT readings_pkey, ADD PRIMARY KEY (survey, uuid);"
    "DROP INDEX palvarin.readings_survey;"
    // kept: 'mine' (the chooser's laptop's fields went to the server) or 'theirs'.
    "CREATE TABLE palvarin.cml_choices(id bigserial PRIMARY KEY, cml uuid NOT NULL REFERENCES palvarin.cmls,"
    " kept text NOT NULL CHECK (kept IN ('mine', 'theirs')), mine text, theirs text,"
    " who text NOT NULL DEFAULT current_user, at timestamptz NOT NULL DEFAULT now());"
    // One notice per survey and statement: a batch of thousands is one notice, not thousands.
    "CREATE FUNCTION palvarin.readings_added() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " PERFORM pg_notify('palvarin_readings', s.survey::text) FROM (SELECT DISTINCT survey FROM added) s;"
    " RETURN NULL; END $$;"
    "CREATE TRIGGER readings_added AFTER INSERT ON palvarin.readings REFERENCING NEW TABLE AS added"
    " FOR EACH STATEMENT EXECUTE FUNCTION palvarin.readings_added();"
    "CREATE FUNCTION palvarin.register_changed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " PERFORM pg_notify('palvarin_register', TG_TABLE_NAME); RETURN NULL; END $$;"
    "CREATE TRIGGER cmls_changed AFTER INSERT OR UPDATE ON palvarin.cmls"
    " FOR EACH STATEMENT EXECUTE FUNCTION palvarin.register_changed();"
    "CREATE TRIGGER assets_changed AFTER INSERT OR UPDATE ON palvarin.assets"
    " FOR EACH STATEMENT EXECUTE FUNCTION palvarin.register_changed();"
    "CREATE TRIGGER routes_changed AFTER INSERT OR UPDATE ON palvarin.routes"
    " FOR EACH STATEMENT EXECUTE FUNCTION palvarin.register_changed();"
    // Roles are the cluster's, shared by every database on it: made once, kept. Each inspector
    // logs in as a role of their own that is a member of one of these.
    "DO $$ BEGIN"
    " IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'palvarin_inspector') THEN"
    " CREATE ROLE palvarin_inspector NOLOGIN; END IF;"
    " IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'palvarin_engineer') THEN"
    " CREATE ROLE palvarin_engineer NOLOGIN IN ROLE palvarin_inspector; END IF; END $$;"
    // Inspectors see everything and add: surveys, readings, and the locations they find in the
    // field. Only engineers change the register (a CML's minimum, its design, its description).
    "GRANT USAGE ON SCHEMA palvarin TO palvarin_inspector;"
    "GRANT SELECT ON ALL TABLES IN SCHEMA palvarin TO palvarin_inspector;"
    "GRANT INSERT ON palvarin.assets, palvarin.cmls, palvarin.routes, palvarin.route_stops, palvarin.surveys,"
    " palvarin.cml_choices TO palvarin_inspector;"
    // Who published a reading is the server's default, never the sender's word: the column is
    // not theirs to fill. (Row-level security would forbid COPY, by which readings come.)
    "GRANT INSERT (uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml, comment)"
    " ON palvarin.readings TO palvarin_inspector;"
    "GRANT USAGE ON SEQUENCE palvarin.cml_choices_id_seq TO palvarin_inspector;"
    "GRANT UPDATE (asset, route, inspector, velocity, notes, ended) ON palvarin.surveys TO palvarin_inspector;"
    "GRANT UPDATE, DELETE ON palvarin.assets, palvarin.cmls, palvarin.routes, palvarin.route_stops"
    " TO palvarin_engineer;"
    // Rows say who added them, and an inspector changes only their own surveys. Readings are
    // facts: nobody but the tables' owner changes or removes one (no grant does).
    "ALTER TABLE palvarin.surveys ENABLE ROW LEVEL SECURITY;"
    "ALTER TABLE palvarin.cml_choices ENABLE ROW LEVEL SECURITY;"
    "CREATE POLICY everyone_reads ON palvarin.surveys FOR SELECT USING (true);"
    "CREATE POLICY adds_own ON palvarin.surveys FOR INSERT WITH CHECK (published_by = current_user);"
    "CREATE POLICY changes_own ON palvarin.surveys FOR UPDATE USING (published_by = current_user)"
    " WITH CHECK (published_by = current_user);"
    "CREATE POLICY everyone_reads ON palvarin.cml_choices FOR SELECT USING (true);"
    "CREATE POLICY adds_own ON palvarin.cml_choices FOR INSERT WITH CHECK (who = current_user);"
    "INSERT INTO palvarin.schema_version(version) VALUES(2);";

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
    if (version < 2 && !connection.script(Step2))
        return failed();
    if (!connection.run("COMMIT"))
        return failed();
    return Outcome::Ready;
}

} // namespace TeamSchema
