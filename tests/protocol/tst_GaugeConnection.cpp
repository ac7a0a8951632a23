// What the gauge pushes leaves the connection through one signal, in arrival order, whether
// it came while the link was idle, ahead of an awaited reply, or among flushed stale bytes.
#include "emulator/EmulatorBackend.h"
#include "link/PollWorker.h"
#include "protocol/GaugeConnection.h"
#include "protocol/GaugeRecord.h"

#include <QtTest>

class TestGaugeConnection : public QObject
{
    Q_OBJECT

private slots:
    void everyPushLeavesThroughOneSignalInOrder()
    {
        EmulatorBackend backend;
        auto gauge = backend.plug(QStringLiteral("12345"), 1, 110);
        gauge->setReportIntervalUs(0);
        GaugeConnection connection(backend);
        QVERIFY(connection.open(EmulatorBackend::VendorId, EmulatorBackend::ProductId));
        connection.setLayout(1);
        QList<float> thickness;
        int signals_ = 0;
        connect(&connection, &GaugeConnection::pushesArrived, this, [&](const QVector<PushedFrame> &frames) {
            QVERIFY(!frames.isEmpty());
            ++signals_;
            for (const PushedFrame &frame : frames)
                thickness << GaugeRecords::fromPushed(frame, QString()).values[0];
        });

        // Stale bytes flushed before a request, and a push just ahead of the awaited reply.
        gauge->pushSingleLayer(5900.f, 1.25f);
        KeyInfo info;
        QCOMPARE(connection.commands().readKeyInfo(info), 1);
        ReplyFault pushFirst;
        pushFirst.junkBefore = EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(5920.f), EmulatedInstrument::field(2.5f)});
        gauge->injectFault(pushFirst);
        int count = 0;
        QCOMPARE(connection.commands().readRecordCount(count), 1);
        QVERIFY(thickness.isEmpty()); // held until the commands' owner lets them in
        connection.deliverSetAside();
        QCOMPARE(thickness, (QList<float>{1.25f, 2.5f}));
        QCOMPARE(signals_, 1);

        // Idle: the worker's poll.
        connection.startWorker();
        gauge->pushSingleLayer(5940.f, 3.75f);
        QTRY_COMPARE_WITH_TIMEOUT(thickness.size(), 3, 5000);

        // A push met by a request under the worker's lock, then one the last poll holds: both
        // are told before stopWorker() returns, in that order.
        {
            QMutexLocker lock(&connection.worker()->mutex);
            gauge->pushSingleLayer(5960.f, 5.f);
            QCOMPARE(connection.commands().readRecordCount(count), 1);
        }
        gauge->pushSingleLayer(5980.f, 6.25f);
        QTest::qWait(300); // a poll ends after 50 ms of silence
        QVERIFY(connection.stopWorker());
        QCOMPARE(thickness, (QList<float>{1.25f, 2.5f, 3.75f, 5.f, 6.25f}));

        // After close nothing of the old connection is told.
        gauge->pushSingleLayer(6000.f, 7.5f);
        connection.close(false);
        connection.takePushedBytes(EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(6000.f), EmulatedInstrument::field(8.f)}));
        QCOMPARE(thickness.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestGaugeConnection)
#include "tst_GaugeConnection.moc"
