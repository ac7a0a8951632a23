// Walking a route from the records page's Walk button with the emulated gauge: each pushed
// reading shown with its verdict on the stop's panel, and the inspector's keys on the window.
#include "GaugeFixture.h"
#include "analysis/AnalysisWords.h"
#include "session/WalkWords.h"
#include "interaction/Language.h"
#include "store/Places.h"
#include "store/SurveyStore.h"
#include "walkpage/WalkChooser.h"
#include "walkpage/WalkView.h"
#include "walkpage/WalkWindow.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace GaugeFixture;

namespace {

constexpr qint64 dayMs = 24 * 3600 * 1000LL;

// The colour painted inside the reading's panel, away from its text.
QColor panelPixel(WalkView *view)
{
    const QRect panel = view->panelRect();
    return view->grab().toImage().pixelColor(panel.topLeft() + QPoint(4, 4));
}

} // namespace

class WalkWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void keysAndVerdictsAlongARoute()
    {
        EmulatorBackend backend;
        SurveyStore store;
        WindowRig rig(backend);
        Language::instance().set(QStringLiteral("en")); // the window starts in Chinese
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("walk.sqlite"))));

        // Four CMLs read twice before, two years apart, 8.9 then 8.8 mm; 6 mm required.
        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("North"));
        const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
        const qint64 pipe = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("P-101"));
        QVERIFY(site && unit && pipe);
        QVector<qint64> cmls;
        QVector<ReadingEntry> history;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const char *tag : {"A", "B", "C", "D"}) {
            Cml c;
            c.asset = pipe;
            c.tag = QString::fromLatin1(tag);
            c.description = QStringLiteral("elbow %1").arg(c.tag);
            c.nominal = 10.0;
            c.minimum = 6.0;
            cmls << places.addCml(c);
            QVERIFY(cmls.last() != 0);
            for (int age : {2, 1}) {
                ReadingEntry e;
                e.assetPath = QStringLiteral("North/U1/P-101");
                e.tag = c.tag;
                e.dateMs = now - age * 730 * dayMs / 2;
                e.values[0] = age == 2 ? 8.9f : 8.8f;
                e.values[1] = 5900.0f;
                e.thicknessUnit = QStringLiteral("mm");
                history << e;
            }
        }
        QCOMPARE(places.importReadings(history).size(), 2);
        const qint64 route = places.addRoute(QStringLiteral("North loop"), cmls);
        QVERIFY(route != 0);

        auto gauge = singleLayerGauge();
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("777"));

        // The records page opens one walk window, not modal, however often it is asked.
        rig.window->show();
        rig.page()->pushButton_walk->click();
        rig.page()->pushButton_walk->click();
        const QList<WalkWindow *> windows = rig.window->findChildren<WalkWindow *>();
        QCOMPARE(windows.size(), 1);
        WalkWindow *w = windows.first();
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        WalkView *view = w->view();
        RouteWalk &walk = w->walk();

        QVERIFY(w->chooser()->chooseRoute(route));
        w->chooser()->setInspector(QStringLiteral("Ana"));
        w->findChild<QDoubleSpinBox *>(QStringLiteral("doubleSpinBox_tolerance"))->setValue(0.3);
        w->chooser()->startButton()->click();
        QVERIFY2(walk.running(), qPrintable(w->chooser()->findChild<QLabel *>()->text()));
        QCOMPARE(view->shown().tag, QStringLiteral("A"));
        QCOMPARE(view->shown().position, QStringLiteral("stop 1 of 4"));
        QCOMPARE(view->shown().verdict, QStringLiteral("waiting"));

        auto push = [&](float thickness) {
            const qint64 before = walk.stops().at(walk.current()).key;
            gauge->pushSingleLayer(5900.0f, thickness);
            QTRY_VERIFY(walk.stops().at(walk.current()).key != before);
        };

        // As expected: green, the reading with the unit's two decimals.
        push(8.75f);
        QCOMPARE(view->shown().verdict, verdictWords(ProbeVerdict::Ok));
        QCOMPARE(view->shown().reading, QStringLiteral("8.75 mm"));
        QCOMPARE(panelPixel(view), WalkStopText::verdictColour(ProbeVerdict::Ok));

        // Enter accepts and moves on; under the minimum shows red.
        QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(walk.current(), 1);
        QCOMPARE(walk.stops().at(0).state, WalkStop::State::Accepted);
        QCOMPARE(view->shown().tag, QStringLiteral("B"));
        push(5.1f);
        QCOMPARE(view->shown().verdict, verdictWords(ProbeVerdict::UnderMinimum));
        QCOMPARE(panelPixel(view), WalkStopText::verdictColour(ProbeVerdict::UnderMinimum));
        QVERIFY(panelPixel(view) != WalkStopText::verdictColour(ProbeVerdict::Ok));

        // R: the next reading replaces the doubtful one at the same stop.
        const qint64 doubtful = walk.stops().at(1).key;
        QTest::keyClick(w, Qt::Key_R);
        QCOMPARE(walk.current(), 1);
        QCOMPARE(view->shown().verdict, QStringLiteral("measure again"));
        QCOMPARE(panelPixel(view), WalkStopText::idleColour());
        push(8.7f);
        QCOMPARE(walk.current(), 1);
        QVERIFY(walk.stops().at(1).replaced.contains(doubtful));
        QCOMPARE(view->shown().verdict, verdictWords(ProbeVerdict::Ok));

        // Space accepts too; U takes the accept back to the same stop, still judged.
        QTest::keyClick(w, Qt::Key_Space);
        QCOMPARE(walk.current(), 2);
        QTest::keyClick(w, Qt::Key_U);
        QCOMPARE(walk.current(), 1);
        QCOMPARE(walk.stops().at(1).state, WalkStop::State::Measured);
        QCOMPARE(view->shown().reading, QStringLiteral("8.70 mm"));
        QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(walk.current(), 2);

        // Accept with no reading is refused, and the status line says why.
        QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(walk.current(), 2);
        QCOMPARE(w->statusLine()->text(), walkProblemText(RouteWalk::Problem::NotNow));

        // S then the reason's digit skips; Ctrl+Z takes that back, B goes back a stop.
        QTest::keyClick(w, Qt::Key_S);
        QTest::keyClick(w, Qt::Key_2);
        QCOMPARE(walk.stops().at(2).state, WalkStop::State::Skipped);
        QCOMPARE(walk.stops().at(2).reason, SkipReason::Insulated);
        QCOMPARE(walk.current(), 3);
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(walk.current(), 2);
        QCOMPARE(walk.stops().at(2).state, WalkStop::State::Waiting);
        QTest::keyClick(w, Qt::Key_B);
        QCOMPARE(walk.current(), 1);
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClick(w, Qt::Key_S);
        QTest::keyClick(w, Qt::Key_1);
        QCOMPARE(walk.stops().at(2).reason, SkipReason::NoAccess);

        // The last stop accepted: the route is done, and the window offers Close.
        QCOMPARE(view->shown().tag, QStringLiteral("D"));
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("pushButton_close"))->isVisible());
        push(8.8f);
        QTest::keyClick(w, Qt::Key_Enter);
        QVERIFY(walk.finished());
        QVERIFY(w->statusLine()->text().contains(QStringLiteral("Route done")));
        QVERIFY(w->findChild<QPushButton *>(QStringLiteral("pushButton_close"))->isVisible());
    }
};

QTEST_MAIN(WalkWindowTest)
#include "test_walk_window.moc"
