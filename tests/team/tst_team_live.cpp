// The window's link to the team server: jobs off the caller's thread, and while live, readings
// another laptop publishes in this laptop's survey file within a second.
#include "session/TeamLink.h"
#include "teamstore/TeamSchema.h"
#include "TeamFixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace TeamFixture;

namespace {

qint64 readingsIn(const QString &path)
{
    SurveyStore store;
    if (!store.openReadOnly(path))
        return -1;
    Places places(store);
    qint64 n = 0;
    for (const SurveyFacts &s : places.surveys())
        n += s.readings;
    return n;
}

} // namespace

class TeamLiveTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TeamConnection m_admin;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<TeamLink::Report>();
        QVERIFY2(m_admin.open(conninfo()), "no cluster: run through ctest");
        QVERIFY(m_admin.script("DROP SCHEMA IF EXISTS palvarin CASCADE"));
        QCOMPARE(TeamSchema::ensure(m_admin), TeamSchema::Outcome::Ready);
    }

    void readingsPublishedElsewhereArriveWhileLive()
    {
        const QString other = m_dir.filePath(QStringLiteral("other.sqlite"));
        const QString mine = m_dir.filePath(QStringLiteral("mine.sqlite"));
        {
            SurveyStore store;
            QVERIFY(store.open(other));
            Places places(store);
            addSingleLayerSurvey(store, places, 11, 1740000000000);
        }
        TeamLink link(mine);
        QSignalSpy live(&link, &TeamLink::liveChanged);
        QSignalSpy changed(&link, &TeamLink::fileChanged);
        QVERIFY(!link.publish()); // no server named yet: nothing starts
        link.setConnection(conninfo());
        link.setLive(true);
        QVERIFY(live.wait(10000));
        QCOMPARE(live.first().at(0).toBool(), true);
        QVERIFY(link.live());

        // Another laptop publishes: each of its readings is here within a second of the commit.
        TeamPublish publish(m_admin);
        QElapsedTimer sinceCommit;
        QCOMPARE(publish.publish(other).readingsStored, 10);
        sinceCommit.start();
        QVERIFY(changed.wait(1000));
        const qint64 arrivedMs = sinceCommit.elapsed();
        QVERIFY2(arrivedMs < 1000, qPrintable(QString::number(arrivedMs)));
        QTRY_COMPARE_WITH_TIMEOUT(readingsIn(mine), 10, 1000);

        // A reading this laptop's gauge pushes goes out at once and lands in a third laptop
        // that is live too.
        const QString third = m_dir.filePath(QStringLiteral("third.sqlite"));
        TeamLink thirdLink(third);
        QSignalSpy thirdLive(&thirdLink, &TeamLink::liveChanged);
        QSignalSpy thirdChanged(&thirdLink, &TeamLink::fileChanged);
        thirdLink.setConnection(conninfo());
        thirdLink.setLive(true);
        QVERIFY(thirdLive.wait(10000));
        QTRY_COMPARE_WITH_TIMEOUT(readingsIn(third), 10, 5000); // caught up on start
        std::vector<qint64> pushed;
        {
            SurveyStore store;
            QVERIFY(store.open(mine));
            SurveyInfo info = surveyInfo(1);
            store.beginSession(info, 1740000500000);
            const float values[] = {7.25f, 5920};
            const quint8 flags[] = {0};
            pushed = store.addRows(1, 2, values, flags, nullptr, RecordOrigin::Pushed, 1740000500100);
            store.endSession(1740000600000);
        }
        thirdChanged.clear();
        QElapsedTimer sincePush;
        sincePush.start();
        link.push(pushed);
        QVERIFY(thirdChanged.wait(1000));
        QVERIFY2(sincePush.elapsed() < 1000, qPrintable(QString::number(sincePush.elapsed())));
        QCOMPARE(readingsIn(third), 11);
        QCOMPARE(count(m_admin, "SELECT count(*) FROM palvarin.readings WHERE v0 = 7.25"), 1);

        // A job runs beside the listening and says what it did.
        QSignalSpy synced(&link, &TeamLink::synced);
        QVERIFY(link.sync());
        QVERIFY(!link.sync()); // one job at a time
        QVERIFY(synced.wait(10000));
        const auto out = synced.first().at(0).value<TeamSync::Outcome>();
        QCOMPARE(out.problem, TeamSync::Problem::None);
        QCOMPARE(out.readingsAdded, 0); // live had brought them all, and the pushed one is its own
        QVERIFY(!link.busy());

        // The server goes away: live ends and says why, without hanging the caller.
        changed.clear();
        live.clear();
        QVERIFY(server("halt"));
        QVERIFY(live.wait(10000));
        QCOMPARE(live.first().at(0).toBool(), false);
        QCOMPARE(live.first().at(1).value<TeamLink::Report>().server, TeamConnection::Problem::Unreachable);
        QVERIFY(!link.live());
        QVERIFY(server("resume"));
        QVERIFY(m_admin.open(conninfo()));
    }
};

QTEST_GUILESS_MAIN(TeamLiveTest)
#include "tst_team_live.moc"
