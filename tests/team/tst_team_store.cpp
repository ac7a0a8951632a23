#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamSchema.h"
#include "TeamFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace TeamFixture;

namespace {

// Every reading as one line of text, sorted: the same for the file and the server when every
// field arrived exactly.
QString line(const QString &uuid, qint64 seq, const QString &number, const QString &name, const QList<double> &values,
             int flags, const QString &cml, const QString &comment)
{
    QStringList v;
    for (double d : values)
        v << (std::isnan(d) ? QStringLiteral("-") : QString::number(d, 'g', 17));
    return QStringList{uuid, QString::number(seq), number, name, v.join(QLatin1Char(',')), QString::number(flags), cml,
                       comment}
        .join(QLatin1Char('|'));
}

QStringList localReadings(const QString &path)
{
    SurveyStore store;
    if (!store.openReadOnly(path))
        return {};
    Places places(store);
    QHash<qint64, QString> cmls;
    for (const Cml &c : places.cmls(0))
        cmls.insert(c.id, Uuid::text(c.uuid));
    QStringList out;
    for (const SurveyFacts &s : places.surveys()) {
        for (const PlaceReading &r : places.surveyReadings(s.id)) {
            QList<double> values;
            for (int v = 0; v < 6; ++v)
                values << (v < (r.layout == 2 ? 6 : 2) ? double(r.values[v]) : qQNaN());
            out << line(Uuid::text(r.uuid), r.key & 0xffffffff, r.number ? QString::number(r.number) : QString(),
                        r.name, values, r.flags, cmls.value(r.cml), r.comment);
        }
    }
    out.sort();
    return out;
}


QStringList serverReadings(TeamConnection &c)
{
    PgResult r = query(c, "SELECT uuid, seq, number, name, v0, v1, v2, v3, v4, v5, flags, cml, comment"
                          " FROM palvarin.readings");
    QStringList out;
    if (!r)
        return out;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
        const auto text = [&](int col) { return QString::fromUtf8(PQgetvalue(r.get(), row, col)); };
        QList<double> values;
        for (int v = 0; v < 6; ++v)
            values << (PQgetisnull(r.get(), row, 4 + v) ? qQNaN() : double(text(4 + v).toFloat()));
        out << line(text(0), text(1).toLongLong(), text(2), text(3), values, text(10).toInt(), text(11), text(12));
    }
    out.sort();
    return out;
}


} // namespace

class TeamStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TeamConnection m_admin; // the test's own look at the server

private slots:
    void initTestCase()
    {
        QVERIFY2(!conninfo().isEmpty(), "no cluster: run through ctest (tools/pg-cluster.sh start)");
        QVERIFY2(m_admin.open(conninfo()), qPrintable(m_admin.serverMessage()));
    }

    // Each case starts from a server without the team's schema.
    void init()
    {
        QVERIFY2(m_admin.script("DROP SCHEMA IF EXISTS palvarin CASCADE"), qPrintable(m_admin.serverMessage()));
    }

    void connectionProblems()
    {
        TeamConnection none;
        QVERIFY(!none.open(QStringLiteral("host=%1/absent dbname=palvarin_test").arg(m_dir.path())));
        QCOMPARE(none.problem(), TeamConnection::Problem::Unreachable);
        QVERIFY(!none.serverMessage().isEmpty());

        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        QVERIFY(!c.exec("SELECT * FROM no_such_table", {}, PGRES_TUPLES_OK));
        QCOMPARE(c.problem(), TeamConnection::Problem::Failed);
        QVERIFY(c.serverMessage().contains(QLatin1String("no_such_table")));
    }

    void schemaMadeOnce()
    {
        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        QCOMPARE(TeamSchema::serverVersion(c), 0);
        QCOMPARE(TeamSchema::ensure(c), TeamSchema::Outcome::Ready);
        QCOMPARE(TeamSchema::ensure(c), TeamSchema::Outcome::Ready);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.schema_version"), TeamSchema::Version);
        QCOMPARE(TeamSchema::serverVersion(c), TeamSchema::Version);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM pg_tables WHERE schemaname = 'palvarin'"), 8);
        // A server a newer program set up is left as it is.
        QVERIFY(m_admin.script("INSERT INTO palvarin.schema_version(version) VALUES(99)"));
        QCOMPARE(TeamSchema::ensure(c), TeamSchema::Outcome::Newer);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.schema_version"), TeamSchema::Version + 1);
    }

    // Two laptops holding the same survey (one file copied from the other) both publish it.
    void sameSurveyFromTwoFilesStoredOnce()
    {
        const QString first = m_dir.filePath(QStringLiteral("first.sqlite"));
        const QString second = m_dir.filePath(QStringLiteral("second.sqlite"));
        {
            SurveyStore store;
            QVERIFY(store.open(first));
            Places places(store);
            addSingleLayerSurvey(store, places, 1201, 1700000000000);
            addMultiLayerSurvey(store, 1700000100000);
        }
        QVERIFY(QFile::copy(first, second));
        {
            SurveyStore store;
            QVERIFY(store.open(second));
            addMultiLayerSurvey(store, 1700000200000); // only the second laptop has this one
        }

        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        TeamPublish publish(c);
        publish.setBatchRows(500);
        TeamPublish::Outcome out = publish.publish(first);
        QVERIFY2(out.problem == TeamPublish::Problem::None, qPrintable(c.serverMessage()));
        QCOMPARE(out.readingsMissing, 1202); // 1200 single layer (one deleted) and 2 multi layer
        QCOMPARE(out.readingsStored, 1202);
        QCOMPARE(serverReadings(m_admin), localReadings(first));

        out = publish.publish(second);
        QVERIFY2(out.problem == TeamPublish::Problem::None, qPrintable(c.serverMessage()));
        QCOMPARE(out.readingsMissing, 2); // only the survey the first file lacks
        QCOMPARE(out.readingsStored, 2);
        QCOMPARE(serverReadings(m_admin), localReadings(second));
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings"), 1204);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.surveys"), 3);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.assets"), 2);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.route_stops"), 1);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.cmls WHERE nominal = 12.5"), 1);
        // Who published is the server's word: the role connected.
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings WHERE published_by <> current_user"), 0);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.surveys"
                                " WHERE date = to_timestamp(1700000000) AND layout = 1"), 1);
    }

    // Another laptop stores one of the readings between two batches: the batch that holds it
    // still goes in, without it, and the reading is there once.
    void readingStoredMeanwhileKeptOnce()
    {
        const QString path = m_dir.filePath(QStringLiteral("meanwhile.sqlite"));
        QByteArray taken, survey;
        {
            SurveyStore store;
            QVERIFY(store.open(path));
            Places places(store);
            const qint64 id = addSingleLayerSurvey(store, places, 1201, 1705000000000);
            const QVector<PlaceReading> readings = places.surveyReadings(id);
            taken = Uuid::text(readings[700].uuid).toLatin1(); // in the second batch of 500
            survey = Uuid::text(places.survey(id).uuid).toLatin1();
        }
        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        TeamPublish publish(c);
        publish.setBatchRows(500);
        const TeamPublish::Outcome out = publish.publish(path, [&](qint64 done, qint64) {
            if (done == 500)
                QVERIFY(m_admin.run("INSERT INTO palvarin.readings(uuid, survey, seq, taken, flags)"
                                    " VALUES($1, $2, 9999, now(), 0)",
                                    {taken, survey}));
        });
        QCOMPARE(out.problem, TeamPublish::Problem::None);
        QCOMPARE(out.readingsSent, 1200);
        QCOMPARE(out.readingsStored, 1199);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings"), 1200);
    }

    // A publish stopped after its first batch (a cancel), then cut off after the next (the
    // server stops), then resumed once the server is back: nothing lost, nothing doubled.
    void cutOffPublishResumed()
    {
        const QString path = m_dir.filePath(QStringLiteral("long.sqlite"));
        {
            SurveyStore store;
            QVERIFY(store.open(path));
            Places places(store);
            addSingleLayerSurvey(store, places, 2301, 1710000000000);
        }
        std::atomic<bool> cancel{false};
        {
            TeamConnection c;
            QVERIFY(c.open(conninfo()));
            TeamPublish publish(c);
            publish.setBatchRows(500);
            const TeamPublish::Outcome out =
                publish.publish(path, [&](qint64, qint64) { cancel = true; }, &cancel);
            QCOMPARE(out.problem, TeamPublish::Problem::Cancelled);
            QCOMPARE(out.readingsSent, 500);
            QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings"), 500);
        }
        {
            TeamConnection c;
            QVERIFY(c.open(conninfo()));
            TeamPublish publish(c);
            publish.setBatchRows(500);
            int batches = 0;
            bool halted = false;
            const TeamPublish::Outcome out = publish.publish(path, [&](qint64 done, qint64 total) {
                ++batches;
                QCOMPARE(total, 1800);
                QCOMPARE(done, 500);
                halted = server("halt");
            });
            QVERIFY(halted);
            QCOMPARE(batches, 1);
            QCOMPARE(out.problem, TeamPublish::Problem::Server);
            QCOMPARE(c.problem(), TeamConnection::Problem::Unreachable);
            // While it is away, a new connection is told so.
            TeamConnection none;
            QVERIFY(!none.open(conninfo()));
            QCOMPARE(none.problem(), TeamConnection::Problem::Unreachable);
        }
        QVERIFY(server("resume"));
        QVERIFY(m_admin.open(conninfo()));
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings"), 1000);
        TeamConnection c;
        QVERIFY(c.open(conninfo()));
        TeamPublish publish(c);
        const TeamPublish::Outcome out = publish.publish(path);
        QCOMPARE(out.problem, TeamPublish::Problem::None);
        QCOMPARE(out.readingsMissing, 1300);
        QCOMPARE(out.readingsStored, 1300);
        const QStringList local = localReadings(path);
        QCOMPARE(local.size(), 2300);
        QCOMPARE(serverReadings(m_admin), local);
    }
};

QTEST_GUILESS_MAIN(TeamStoreTest)
#include "tst_team_store.moc"
