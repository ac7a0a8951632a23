// Walking a route with the emulated gauge: each pushed reading judged at its stop against the
// CML's history, the inspector's keys and their undo, and what the survey file holds after.
#include "GaugeFixture.h"
#include "analysis/ProbeVerdict.h"
#include "session/RouteWalk.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace GaugeFixture;
using State = WalkStop::State;

class WalkRouteTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static qint64 utc(int year)
    {
        return QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    }

private slots:
    void fiveStopsWithEveryKey()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("walk.sqlite"))));
        Places places(store);

        // Five CMLs: A–D read 8.00 three times over four years (a flat, exact line), E once at
        // 6.00. Required thickness 3.00, E's 5.00.
        QVector<CmlEntry> cmls;
        QVector<ReadingEntry> history;
        for (const char *tag : {"A", "B", "C", "D", "E"}) {
            CmlEntry c;
            c.assetPath = QStringLiteral("Plant/U1/P-1");
            c.cml.tag = QString::fromLatin1(tag);
            c.cml.minimum = c.cml.tag == QLatin1String("E") ? 5.0 : 3.0;
            cmls << c;
            for (int year : {2020, 2022, 2024}) {
                if (c.cml.tag == QLatin1String("E") && year != 2024)
                    continue;
                ReadingEntry r;
                r.assetPath = c.assetPath;
                r.tag = c.cml.tag;
                r.dateMs = utc(year);
                r.values[0] = c.cml.tag == QLatin1String("E") ? 6.0f : 8.0f;
                r.values[1] = 5920.0f;
                r.thicknessUnit = QStringLiteral("mm");
                history << r;
            }
        }
        QVERIFY(places.importCmls(cmls));
        QCOMPARE(places.importReadings(history).size(), 3);
        const qint64 pipe = places.assetByPath(QStringLiteral("Plant/U1/P-1"));
        QVector<qint64> ids;
        for (const CmlEntry &c : cmls)
            ids << places.cmlByTag(pipe, c.cml.tag);
        const qint64 route = places.addRoute(QStringLiteral("Morning"), ids);
        QVERIFY(route);

        auto gauge = singleLayerGauge();
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("777"));

        RouteWalk walk(rig.session);
        walk.setToleranceMm(0.2);
        QVERIFY(!walk.startRoute(route + 100, QStringLiteral("Ann")));
        QCOMPARE(walk.problem(), RouteWalk::Problem::NotFound);
        QVERIFY(walk.startRoute(route, QStringLiteral("Ann")));
        QCOMPARE(walk.stops().size(), 5);
        QSignalSpy finished(&walk, &RouteWalk::walkFinished);

        // Before any reading: A expects 8.00 from its line, the band widened to the tolerance.
        const ProbeExpectation a = walk.stops()[0].expectation;
        QVERIFY(a.fromFit);
        QCOMPARE(a.expected, 8.0);
        QCOMPARE(a.low, 7.8);
        QCOMPARE(a.high, 8.2);
        QCOMPARE(a.required, 3.0);
        QVERIFY(!walk.stops()[4].expectation.fromFit); // one reading: the last one expected
        QCOMPARE(walk.stops()[4].expectation.expected, 6.0);
        QVERIFY(!walk.accept()); // nothing measured yet
        QCOMPARE(walk.problem(), RouteWalk::Problem::NotNow);

        // Pushed through the gauge; the verdict at `stop`, or 0xFF when the reading did not land there.
        const auto notThere = ProbeVerdict(0xFF);
        auto push = [&](float thickness, int stop) {
            const int before = rig.model.rowCount();
            gauge->pushSingleLayer(5920.0f, thickness);
            if (!QTest::qWaitFor([&] { return rig.model.rowCount() == before + 1; }, 5000))
                return notThere;
            const WalkStop &at = walk.stops()[stop];
            if (walk.current() != stop || at.state != State::Measured || at.thickness != double(thickness))
                return notThere;
            return at.verdict;
        };

        QCOMPARE(push(7.95f, 0), ProbeVerdict::Ok);
        const qint64 aKey = walk.stops()[0].key;
        QVERIFY(walk.accept());
        QCOMPARE(walk.current(), 1);

        // B: more than 10 % thicker than before; measured again, the first one replaced.
        QCOMPARE(push(8.95f, 1), ProbeVerdict::ThickerThanBefore);
        const qint64 doubtful = walk.stops()[1].key;
        QVERIFY(walk.remeasure());
        QCOMPARE(walk.stops()[1].state, State::Waiting);
        QVERIFY(!walk.accept());
        QCOMPARE(push(8.02f, 1), ProbeVerdict::Ok);
        QCOMPARE(walk.stops()[1].replaced, QVector<qint64>{doubtful});
        QVERIFY(walk.accept());

        // C: thinner than the band; accepted as it is. D passed over, insulated.
        QCOMPARE(push(7.5f, 2), ProbeVerdict::UnexpectedLoss);
        QVERIFY(walk.accept());
        QVERIFY(walk.skip(SkipReason::Insulated));
        QCOMPARE(walk.current(), 4);
        QVERIFY(walk.back());
        QCOMPARE(walk.current(), 3);
        QVERIFY(walk.undo()); // the back
        QCOMPARE(walk.current(), 4);

        // E: under its minimum, taken back (the reading leaves the CML), then read again.
        QCOMPARE(push(4.9f, 4), ProbeVerdict::UnderMinimum);
        const qint64 underKey = walk.stops()[4].key;
        QVERIFY(walk.undo());
        QCOMPARE(walk.stops()[4].state, State::Waiting);
        QCOMPARE(walk.stops()[4].key, qint64(0));
        QCOMPARE(push(5.9f, 4), ProbeVerdict::Ok);
        QVERIFY(walk.accept());
        QVERIFY(walk.finished());
        QCOMPARE(finished.size(), 1);
        QVERIFY(!walk.running());

        // The file: every reading kept; the new ones at their CMLs, the doubtful one left out of
        // B's rates, the one taken back at none; D marked; the survey walked the route.
        const qint64 survey = walk.survey();
        QCOMPARE(survey, aKey >> 32);
        QCOMPARE(places.survey(survey).route, route);
        QCOMPARE(places.survey(survey).inspector, QStringLiteral("Ann"));
        QCOMPARE(places.surveyReadings(survey).size(), 6);
        auto newest = [&](int stop) { return places.history(ids[stop]).last().values[0]; };
        QCOMPARE(newest(0), 7.95f);
        QCOMPARE(places.history(ids[1]).size(), 5);
        QCOMPARE(newest(2), 7.5f);
        QCOMPARE(places.history(ids[3]).size(), 3);
        QCOMPARE(newest(4), 5.9f);
        QCOMPARE(places.reading(underKey).cml, qint64(0));
        QCOMPARE(places.marks(survey).value(ids[3]), StopMark::Skipped);
        const QVector<MarkDecisionEntry> decided = places.decisions(ids[1]);
        QCOMPARE(decided.size(), 1);
        QCOMPARE(decided[0].key, doubtful);
        QCOMPARE(decided[0].decision, MarkDecision::Exclude);

        QStringList steps;
        for (const WalkStep &s : places.walkSteps(survey))
            steps << QStringLiteral("%1:%2%3").arg(s.stop).arg(int(s.action)).arg(s.action == WalkAction::Reading
                                                                                     ? QStringLiteral("/%1").arg(s.verdict)
                                                                                     : QString());
        using A = WalkAction;
        auto step = [](int stop, A action, ProbeVerdict v = ProbeVerdict::Ok) {
            return QStringLiteral("%1:%2%3").arg(stop).arg(int(action)).arg(
                action == A::Reading ? QStringLiteral("/%1").arg(int(v)) : QString());
        };
        QCOMPARE(steps, (QStringList{step(0, A::Reading), step(0, A::Accept),
                                     step(1, A::Reading, ProbeVerdict::ThickerThanBefore), step(1, A::Remeasure),
                                     step(1, A::Reading), step(1, A::Accept),
                                     step(2, A::Reading, ProbeVerdict::UnexpectedLoss), step(2, A::Accept),
                                     step(3, A::Skip), step(3, A::Back), step(3, A::Undo),
                                     step(4, A::Reading, ProbeVerdict::UnderMinimum), step(4, A::Undo),
                                     step(4, A::Reading), step(4, A::Accept)}));
        const QVector<WalkStep> logged = places.walkSteps(survey);
        QCOMPARE(logged[8].reason, SkipReason::Insulated);
        QCOMPARE(logged[10].undoes, logged[9].id);
        QCOMPARE(logged[12].undoes, logged[11].id);
        QCOMPARE(logged[11].key, underKey);

        // Undone past the end: the walk is open again at E, its accepted reading back to judge.
        QVERIFY(walk.undo());
        QVERIFY(walk.running());
        QCOMPARE(walk.current(), 4);
        QCOMPARE(walk.stops()[4].state, State::Measured);
    }
};

QTEST_MAIN(WalkRouteTest)
#include "test_walk_route.moc"
