#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamSchema.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

namespace {

QString conninfo()
{
    QFile file(qEnvironmentVariable("PALVARIN_TEAM_CLUSTER") + QStringLiteral("/conninfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

SurveyInfo surveyInfo(int layout)
{
    SurveyInfo info;
    info.serial = layout == 1 ? QStringLiteral("777") : QStringLiteral("12345");
    info.layout = layout;
    info.unitNumbers = layout == 1 ? QList<int>{2, 0} : QList<int>{0, 0, 0, 2, 2, 2};
    for (int v = 0; v < (layout == 1 ? 2 : 6); ++v) {
        const bool thickness = layout == 1 ? v == 0 : v < 3;
        info.unitNames << (thickness ? QStringLiteral("mm") : QStringLiteral("m/s"));
        info.decimals << (thickness ? 2 : 0);
    }
    return info;
}

// A single-layer survey of n readings (the second one deleted, so it is no reading), the third
// on a CML with a comment that COPY must escape; n counted readings less one.
qint64 addSingleLayerSurvey(SurveyStore &store, Places &places, int n, qint64 startedMs)
{
    const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Site %1").arg(startedMs));
    const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
    Cml c;
    c.asset = unit;
    c.tag = QStringLiteral("TML-1");
    c.nominal = 12.5;
    const qint64 cml = places.addCml(c);
    places.addRoute(QStringLiteral("Walk %1").arg(startedMs), {cml});
    const qint64 survey = store.beginSession(surveyInfo(1), startedMs);
    std::vector<float> values;
    std::vector<quint8> flags;
    for (int i = 0; i < n; ++i) {
        values.push_back(3.0f + float(i) / 7.0f); // not exact in decimal: the float must come back whole
        values.push_back(5920.0f);
        flags.push_back(quint8(i % 3 == 0 ? 1 : 0));
    }
    const std::vector<qint64> keys =
        store.addRows(n, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory, startedMs + 5);
    store.rowsDeleted({keys[1]}, false);
    places.moveReading(keys[2], cml);
    places.setComment(keys[2], QStringLiteral("pitted\tunder\nthe clamp \\ 腐蚀"));
    store.endSession(startedMs + 60000);
    return survey;
}

void addMultiLayerSurvey(SurveyStore &store, qint64 startedMs)
{
    store.beginSession(surveyInfo(2), startedMs);
    const float values[] = {1.5f, 2.25f, 3.125f, 5900, 5800, 5700, 4.5f, 0, 0, 5900, 0, 0};
    const quint8 flags[] = {0, 2};
    const QString names[] = {QStringLiteral("A-01"), QStringLiteral("B-02")};
    store.addRows(2, 6, values, flags, names, RecordOrigin::Pushed, startedMs + 5);
    store.endSession(startedMs + 60000);
}

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

PgResult query(TeamConnection &c, const char *sql)
{
    return c.exec(sql, {}, PGRES_TUPLES_OK);
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

qint64 count(TeamConnection &c, const char *sql)
{
    PgResult r = query(c, sql);
    return r && PQntuples(r.get()) == 1 ? QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong() : -1;
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
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.schema_version"), 1);
        QCOMPARE(TeamSchema::serverVersion(c), TeamSchema::Version);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM pg_tables WHERE schemaname = 'palvarin'"), 7);
        // A server a newer program set up is left as it is.
        QVERIFY(m_admin.script("INSERT INTO palvarin.schema_version(version) VALUES(99)"));
        QCOMPARE(TeamSchema::ensure(c), TeamSchema::Outcome::Newer);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.schema_version"), 2);
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
        publish.setPublisher(QStringLiteral("inspector one"));
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
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings WHERE published_by <> 'inspector one'"), 0);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.surveys"
                                " WHERE date = to_timestamp(1700000000) AND layout = 1"), 1);
    }

    // A publish stopped after its first batch (a cancel), then cut off after the next (the
    // server drops the connection), then resumed: nothing lost, nothing doubled.
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
            const QByteArray pid = QByteArray::number(PQbackendPID(c.handle()));
            TeamPublish publish(c);
            publish.setBatchRows(500);
            int batches = 0;
            const TeamPublish::Outcome out = publish.publish(path, [&](qint64 done, qint64 total) {
                ++batches;
                QCOMPARE(total, 1800);
                QCOMPARE(done, 500);
                m_admin.exec("SELECT pg_terminate_backend($1)", {pid}, PGRES_TUPLES_OK);
            });
            QCOMPARE(batches, 1);
            QCOMPARE(out.problem, TeamPublish::Problem::Server);
            QCOMPARE(c.problem(), TeamConnection::Problem::Unreachable);
            QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings"), 1000);
        }
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
