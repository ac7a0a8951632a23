#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConflicts.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamFields.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamSchema.h"
#include "teamstore/TeamSync.h"
#include "TeamFixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace TeamFixture;

namespace {

QString number(double v)
{
    return std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'g', 17);
}

// Everything a survey file holds of places, keyed by UUIDs, as sorted lines: two files that
// describe the same give the same lines whatever their local keys.
QStringList describe(const QString &path)
{
    SurveyStore store;
    if (!store.openReadOnly(path))
        return {QStringLiteral("unreadable")};
    Places places(store);
    QHash<qint64, QString> asset, cml, route;
    for (const Asset &a : places.assets())
        asset.insert(a.id, Uuid::text(a.uuid));
    for (const Cml &c : places.cmls(0))
        cml.insert(c.id, Uuid::text(c.uuid));
    for (const Route &r : places.routes())
        route.insert(r.id, Uuid::text(r.uuid));
    QHash<qint64, SurveySummary> sessions;
    for (const SurveySummary &s : store.history())
        sessions.insert(s.id, s);
    QStringList out;
    for (const Asset &a : places.assets())
        out << QStringList{"asset", asset[a.id], asset.value(a.parent), QString::number(int(a.kind)), a.tag,
                           a.description}.join('|');
    for (const Cml &c : places.cmls(0))
        out << QStringList{"cml", cml[c.id], asset[c.asset], c.tag, c.description, number(c.nominal),
                           number(c.minimum), number(c.allowance), c.material, c.notes,
                           TeamFields::designText(places.design(c.id))}.join('|');
    for (const Route &r : places.routes()) {
        QStringList stops;
        for (qint64 c : r.cmls)
            stops << cml[c];
        out << QStringList{"route", route[r.id], r.name, r.notes, stops.join(',')}.join('|');
    }
    for (const SurveyFacts &s : places.surveys()) {
        const SurveySummary &session = sessions[s.id];
        QStringList units;
        for (int u : session.info.unitNumbers)
            units << QString::number(u);
        QStringList decimals;
        for (int d : session.info.decimals)
            decimals << QString::number(d);
        out << QStringList{"survey", Uuid::text(s.uuid), QString::number(s.dateMs), asset.value(s.asset),
                           route.value(s.route), s.inspector, number(s.velocity), s.notes, s.serial,
                           QString::number(s.layout), QString::number(s.readings), QString::number(session.startedMs),
                           QString::number(session.endedMs), session.info.firmware,
                           QString::number(session.info.meterType), units.join(','),
                           session.info.unitNames.join(','), decimals.join(',')}
                   .join('|');
        for (const PlaceReading &r : places.surveyReadings(s.id)) {
            QStringList values;
            for (int v = 0; v < (r.layout == 2 ? 6 : 2); ++v)
                values << number(r.values[v]);
            out << QStringList{"reading", Uuid::text(r.uuid), Uuid::text(s.uuid), QString::number(r.key & 0xffffffff),
                               QString::number(r.number), QString::number(r.dateMs), r.name, values.join(','),
                               QString::number(r.flags), cml.value(r.cml), r.comment}
                       .join('|');
        }
    }
    out.sort();
    return out;
}

// A file with a register three assets deep, two CMLs (one with design inputs), a route over
// them and two surveys, one of them described and assigned.
void fillFile(const QString &path)
{
    SurveyStore store;
    QVERIFY(store.open(path));
    Places places(store);
    const qint64 survey = addSingleLayerSurvey(store, places, 40, 1720000000000);
    addMultiLayerSurvey(store, 1720000100000);
    const qint64 unit = places.assetByPath(QStringLiteral("Site 1720000000000/U1"));
    QVERIFY(unit);
    const qint64 drum = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("V-101"), QStringLiteral("drum"));
    Cml shell;
    shell.asset = drum;
    shell.tag = QStringLiteral("S-1");
    shell.description = QStringLiteral("shell, north");
    shell.nominal = 12.7;
    shell.minimum = 6.35;
    shell.allowance = 3.0;
    shell.material = QStringLiteral("SA-516-70");
    shell.notes = QStringLiteral("under insulation");
    const qint64 s1 = places.addCml(shell);
    DesignInputs pipe;
    pipe.formula = DesignFormula::PipeB31_3;
    pipe.pressure = 2.1;
    pipe.diameter = 168.3;
    pipe.stress = 138;
    pipe.joint = 1;
    pipe.temperature = 200;
    QVERIFY(places.setDesign(s1, pipe));
    SurveyFacts facts = places.survey(survey);
    facts.asset = drum;
    facts.inspector = QStringLiteral("Anna");
    facts.velocity = 5920;
    facts.notes = QStringLiteral("after shutdown");
    QVERIFY(places.setSurvey(facts));
    const QVector<PlaceReading> readings = places.surveyReadings(survey);
    QVERIFY(places.moveReading(readings[5].key, s1).id);
}

void createRole(TeamConnection &admin, const char *name, const char *group)
{
    const QByteArray sql = QByteArray("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '") + name
        + "') THEN CREATE ROLE " + name + " LOGIN; END IF; END $$; GRANT " + group + " TO " + name;
    QVERIFY2(admin.script(sql.constData()), qPrintable(admin.serverMessage()));
}

Cml cmlByTag(const QString &path, const QString &tag)
{
    SurveyStore store;
    if (!store.openReadOnly(path))
        return Cml();
    Places places(store);
    for (const Cml &c : places.cmls(0)) {
        if (c.tag == tag)
            return c;
    }
    return Cml();
}

void editCml(const QString &path, const QString &tag, const std::function<void(Cml &)> &edit)
{
    SurveyStore store;
    QVERIFY(store.open(path));
    Places places(store);
    Cml c = cmlByTag(path, tag);
    QVERIFY(c.id);
    edit(c);
    QVERIFY(places.updateCml(c));
}

} // namespace

class TeamSyncTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TeamConnection m_admin;

    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY2(!conninfo().isEmpty(), "no cluster: run through ctest (tools/pg-cluster.sh start)");
        QVERIFY2(m_admin.open(conninfo()), qPrintable(m_admin.serverMessage()));
    }

    void init()
    {
        QVERIFY2(m_admin.script("DROP SCHEMA IF EXISTS palvarin CASCADE"), qPrintable(m_admin.serverMessage()));
        QCOMPARE(TeamSchema::ensure(m_admin), TeamSchema::Outcome::Ready);
    }

    // A laptop that never held any of it syncs and then holds exactly what the other published;
    // syncing again brings nothing twice, and readings published later follow.
    void syncIntoEmptyFileReproducesTheOther()
    {
        const QString first = file("first.sqlite");
        const QString empty = file("empty.sqlite");
        fillFile(first);
        TeamPublish publish(m_admin);
        QCOMPARE(publish.publish(first).problem, TeamPublish::Problem::None);

        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        TeamSync sync(c);
        TeamSync::Outcome out = sync.sync(empty);
        QVERIFY2(out.problem == TeamSync::Problem::None, qPrintable(c.serverMessage() + sync.localMessage()));
        QCOMPARE(out.added.assets, 3);
        QCOMPARE(out.added.cmls, 2);
        QCOMPARE(out.added.routes, 1);
        QCOMPARE(out.surveysAdded, 2);
        QCOMPARE(out.readingsAdded, 41); // 39 single layer (one deleted), 2 multi layer
        QVERIFY(out.conflicts.isEmpty());
        const QStringList expected = describe(first);
        QCOMPARE(expected.filter(QStringLiteral("reading|")).size(), 41);
        QCOMPARE(describe(empty), expected);

        out = sync.sync(empty);
        QCOMPARE(out.problem, TeamSync::Problem::None);
        QCOMPARE(out.surveysAdded + out.readingsAdded + out.added.assets + out.added.cmls, 0);

        {
            SurveyStore store;
            QVERIFY(store.open(first));
            addMultiLayerSurvey(store, 1720000900000);
        }
        QCOMPARE(publish.publish(first).readingsStored, 2);
        out = sync.sync(empty);
        QCOMPARE(out.surveysAdded, 1);
        QCOMPARE(out.readingsAdded, 2);
        QCOMPARE(describe(empty), describe(first));
    }

    // An engineer and an inspector both change a CML between syncs: the inspector's sync lists
    // both versions and changes nothing; the inspector may not make theirs the team's; taking
    // the engineer's is logged with who chose. A change made on one side only just flows.
    void conflictListedThenChosen()
    {
        createRole(m_admin, "eng_one", TeamSchema::EngineerRole);
        createRole(m_admin, "insp_one", TeamSchema::InspectorRole);
        const QString engineerFile = file("engineer.sqlite");
        const QString inspectorFile = file("inspector.sqlite");
        fillFile(engineerFile);
        TeamConnection engineer, inspector;
        QVERIFY(engineer.open(conninfo() + QStringLiteral(" user=eng_one")));
        QVERIFY(inspector.open(conninfo() + QStringLiteral(" user=insp_one")));
        QCOMPARE(TeamPublish(engineer).publish(engineerFile).problem, TeamPublish::Problem::None);
        QCOMPARE(TeamSync(engineer).sync(engineerFile).problem, TeamSync::Problem::None);
        QCOMPARE(TeamSync(inspector).sync(inspectorFile).problem, TeamSync::Problem::None);

        editCml(inspectorFile, QStringLiteral("S-1"), [](Cml &c) {
            c.minimum = 5.5;
            c.description = QStringLiteral("shell, north, by the manway");
        });
        // The inspector's publish does not carry the edit: only engineers change CMLs.
        TeamPublish::Outcome sent = TeamPublish(inspector).publish(inspectorFile);
        QCOMPARE(sent.problem, TeamPublish::Problem::None);
        QCOMPARE(sent.cmlEditsRefused, QStringList{QStringLiteral("S-1")});
        editCml(engineerFile, QStringLiteral("S-1"), [](Cml &c) { c.minimum = 7.0; });
        sent = TeamPublish(engineer).publish(engineerFile);
        QCOMPARE(sent.problem, TeamPublish::Problem::None);
        QCOMPARE(sent.cmlsUpdated, 1);

        TeamSync sync(inspector);
        TeamSync::Outcome out = sync.sync(inspectorFile);
        QCOMPARE(out.problem, TeamSync::Problem::None);
        QCOMPARE(out.conflicts.size(), 1);
        const CmlConflict conflict = out.conflicts.first();
        QCOMPARE(conflict.mine.minimum, 5.5);
        QCOMPARE(conflict.mine.description, QStringLiteral("shell, north, by the manway"));
        QCOMPARE(conflict.theirs.cml.minimum, 7.0);
        QCOMPARE(conflict.theirs.cml.description, QStringLiteral("shell, north"));
        QCOMPARE(conflict.theirs.changedBy, QStringLiteral("eng_one"));
        QCOMPARE(conflict.theirs.revision, 2);
        QCOMPARE(conflict.assetPath, QStringLiteral("Site 1720000000000/U1/V-101"));
        QCOMPARE(cmlByTag(inspectorFile, QStringLiteral("S-1")).minimum, 5.5); // not overwritten

        {
            SurveyStore store;
            QVERIFY(store.open(inspectorFile));
            Places places(store);
            QCOMPARE(TeamConflicts::choose(inspector, places, conflict, TeamConflicts::Keep::Mine),
                     TeamConflicts::Result::Server);
            QCOMPARE(inspector.problem(), TeamConnection::Problem::Refused);
            QCOMPARE(TeamConflicts::choose(inspector, places, conflict, TeamConflicts::Keep::Theirs),
                     TeamConflicts::Result::Done);
        }
        const Cml taken = cmlByTag(inspectorFile, QStringLiteral("S-1"));
        QCOMPARE(taken.minimum, 7.0);
        QCOMPARE(taken.description, QStringLiteral("shell, north"));
        PgResult log = m_admin.exec("SELECT who, kept, mine, theirs, at > now() - interval '1 minute'"
                                    " FROM palvarin.cml_choices", {}, PGRES_TUPLES_OK);
        QVERIFY(log);
        QCOMPARE(PQntuples(log.get()), 1);
        QCOMPARE(QByteArray(PQgetvalue(log.get(), 0, 0)), QByteArray("insp_one"));
        QCOMPARE(QByteArray(PQgetvalue(log.get(), 0, 1)), QByteArray("theirs"));
        QVERIFY(QByteArray(PQgetvalue(log.get(), 0, 2)).contains("manway"));
        QCOMPARE(QByteArray(PQgetvalue(log.get(), 0, 4)), QByteArray("t"));
        QVERIFY(sync.sync(inspectorFile).conflicts.isEmpty());

        // One side only: the engineer's next change reaches the inspector's file by itself.
        editCml(engineerFile, QStringLiteral("S-1"), [](Cml &c) { c.notes = QStringLiteral("re-insulated"); });
        QCOMPARE(TeamPublish(engineer).publish(engineerFile).cmlsUpdated, 1);
        out = sync.sync(inspectorFile);
        QVERIFY(out.conflicts.isEmpty());
        QCOMPARE(out.cmlsUpdated, 1);
        QCOMPARE(cmlByTag(inspectorFile, QStringLiteral("S-1")).notes, QStringLiteral("re-insulated"));
        QCOMPARE(cmlByTag(inspectorFile, QStringLiteral("S-1")).minimum, 7.0);
    }

    // The server, not the program, keeps an inspector to adding: readings cannot be changed,
    // removed or passed off as another's.
    void inspectorRefusedByTheServer()
    {
        createRole(m_admin, "insp_two", TeamSchema::InspectorRole);
        const QString path = file("mine.sqlite");
        fillFile(path);
        TeamPublish(m_admin).publish(path);
        TeamConnection inspector;
        QVERIFY(inspector.open(conninfo() + QStringLiteral(" user=insp_two")));
        QVERIFY(!inspector.run("DELETE FROM palvarin.readings"));
        QCOMPARE(inspector.problem(), TeamConnection::Problem::Refused);
        inspector.clearProblem();
        QVERIFY(!inspector.run("UPDATE palvarin.cmls SET minimum = 1"));
        QCOMPARE(inspector.problem(), TeamConnection::Problem::Refused);
        inspector.clearProblem();
        QVERIFY(!inspector.run("INSERT INTO palvarin.readings(uuid, survey, seq, taken, flags, published_by)"
                               " SELECT gen_random_uuid(), uuid, 999, now(), 0, 'someone else'"
                               " FROM palvarin.surveys LIMIT 1"));
        QCOMPARE(inspector.problem(), TeamConnection::Problem::Refused);
        inspector.clearProblem();
        // Another's survey is not there to change.
        PgResult changed = inspector.exec("UPDATE palvarin.surveys SET notes = 'x' RETURNING uuid", {}, PGRES_TUPLES_OK);
        QVERIFY(changed);
        QCOMPARE(PQntuples(changed.get()), 0);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.surveys WHERE notes = 'x'"), 0);
    }
};

QTEST_GUILESS_MAIN(TeamSyncTest)
#include "tst_team_sync.moc"
