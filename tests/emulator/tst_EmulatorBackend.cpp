// The emulated gauge as the rest of the program sees it: notices on the right thread,
// report timing, pushed frames, and the demo set-up.
#include "GaugeRig.h"

#include <QtTest>

#include <QTemporaryDir>
#include <QThread>

class TestEmulatorBackend : public QObject
{
    Q_OBJECT

private slots:
    void noticesArriveOnTheMonitorsThread()
    {
        EmulatorBackend backend;
        QList<QPair<int, QThread *>> seen;
        connect(backend.monitor(), &DeviceMonitor::deviceChange, this,
                [&seen](int code) { seen.append({code, QThread::currentThread()}); });

        backend.plug(QStringLiteral("1"));
        QCOMPARE(seen.size(), 1); // same thread: at once
        QCOMPARE(seen[0].first, DeviceEvent::Arrival);

        QThread *other = QThread::create([&backend] {
            backend.plug(QStringLiteral("2"));
            backend.unplug(QStringLiteral("1"));
        });
        other->start();
        QVERIFY(other->wait(2000));
        delete other;
        QTRY_COMPARE(seen.size(), 3);
        QCOMPARE(seen[1].first, DeviceEvent::Arrival);
        QCOMPARE(seen[2].first, DeviceEvent::RemoveComplete);
        for (const auto &notice : seen)
            QCOMPARE(notice.second, QThread::currentThread());
        QVERIFY(!backend.unplug(QStringLiteral("1")));
        QCOMPARE(backend.enumerate(0x2047, 0x0301).size(), 1);
        QCOMPARE(backend.enumerate(0x2047, 0x0301).first().path, QStringLiteral("emulator:2"));
    }

    void replugGivesAFreshConnection()
    {
        GaugeRig rig;
        rig.backend.unplug(QStringLiteral("12345"));
        rig.backend.plug(rig.gauge);
        // The old connection stays dead; a new link finds the instrument again.
        QVERIFY(rig.link.isRemoved());
        HidLink fresh;
        QCOMPARE(fresh.open(0x2047, 0x0301, &rig.backend), 0);
        FramedLink framed;
        framed.setLink(&fresh);
        InstrumentCommands commands(&framed);
        int count = -1;
        QCOMPARE(commands.readRecordCount(count), 1);
        QCOMPARE(count, 0);
    }

    void fullSpeedTiming()
    {
        GaugeRig rig(1, 1000);
        for (int i = 0; i < 30; ++i)
            rig.gauge->addSingleLayerRecord(5900.0f, float(i));
        // 1 request report + 5 reply reports (266 bytes), one per millisecond.
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        for (int block = 0; block < 5; ++block)
            QCOMPARE(rig.commands.readMemory(0x80000000u, out, 256), 1);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 30, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 30 * 5, qPrintable(QString::number(elapsed))); // a 50 ms flush would need > 250

        // A slow gauge answers late but within the time-out.
        rig.gauge->setReplyDelayMs(200);
        int count = 0;
        clock.restart();
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(count, 30);
        QVERIFY(clock.elapsed() >= 200);
        rig.gauge->setReportedCount(10001);
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(count, 10001);
    }

    void pushedFrames()
    {
        const QByteArray header("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8);
        const QByteArray multi = EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(1.5f), EmulatedInstrument::outOfRangeField()});
        QCOMPARE(multi.left(8), header);
        QCOMPARE(multi.mid(8, 8), EmulatedInstrument::field(1.5f) + QByteArray("\x48\xB8\x5B\x6E", 4));
        QCOMPARE(multi.mid(16, 16), QByteArray(16, '\0'));
        QCOMPARE(FramedLink::crc16(multi, int(multi.size()) - 2),
                 quint16(quint8(multi.at(multi.size() - 2)) | quint8(multi.at(multi.size() - 1)) << 8));

        GaugeRig rig(2);
        rig.gauge->pushMultiLayer({1, 2, 3}, {4, 5, 6});
        rig.gauge->pushRaw(QByteArray(70, '\x22'));
        QByteArray polled;
        QCOMPARE(rig.link.read(polled, 0, 0), 34 + 70);
        QCOMPARE(polled.mid(8, 24), EmulatedInstrument::field(1) + EmulatedInstrument::field(2) +
                                        EmulatedInstrument::field(3) + EmulatedInstrument::field(4) +
                                        EmulatedInstrument::field(5) + EmulatedInstrument::field(6));
        QCOMPARE(polled.mid(34), QByteArray(70, '\x22'));

        // Auto-push in demo mode: rows keep coming while someone watches.
        rig.gauge->setAutoPush(20);
        QByteArray more;
        for (int i = 0; i < 20 && more.size() < 34 * 2; ++i)
            rig.link.read(more, 0, 0);
        QVERIFY(more.size() >= 34 * 2);
        QCOMPARE(more.left(8), header);
    }

    void pushesFromAnotherThreadWhileReading()
    {
        GaugeRig rig(1);
        constexpr int Frames = 300;
        QThread *pusher = QThread::create([&rig] {
            for (int i = 0; i < Frames; ++i)
                rig.gauge->pushSingleLayer(5900.0f, float(i));
        });
        pusher->start();
        QByteArray stream;
        QElapsedTimer clock;
        clock.start();
        while (stream.size() < Frames * 34 && clock.elapsed() < 5000)
            rig.link.read(stream, 0, 0);
        QVERIFY(pusher->wait(2000));
        delete pusher;
        QCOMPARE(stream.size(), Frames * 34);
        for (int i = 0; i < Frames; ++i) {
            const QByteArray frame = stream.mid(i * 34, 34);
            QCOMPARE(frame.mid(12, 4), EmulatedInstrument::field(float(i)));
            QCOMPARE(FramedLink::crc16(frame, 32), quint16(quint8(frame.at(32)) | quint8(frame.at(33)) << 8));
        }
    }

    void demoDefaults()
    {
        auto backend = EmulatorBackend::createDemo(QString());
        const auto gauges = backend->instruments();
        QCOMPARE(gauges.size(), 1);
        const auto gauge = gauges.first();
        gauge->setAutoPush(0);
        gauge->setReportIntervalUs(0);
        QCOMPARE(gauge->usbSerial(), QStringLiteral("12345"));
        QVERIFY(gauge->isMultiLayer());
        QCOMPARE(gauge->storedRecordCount(), 40);
        QCOMPARE(gauge->unitNumbers().mid(0, 6), (QList<int>{0, 0, 0, 2, 2, 2}));

        HidLink link;
        QCOMPARE(link.open(0x2047, 0x0301, backend.get()), 0);
        FramedLink framed;
        framed.setLink(&link);
        InstrumentCommands commands(&framed);
        KeyInfo info;
        QCOMPARE(commands.readKeyInfo(info), 1);
        QCOMPARE(info.serialNo, quint32(12345));
        QCOMPARE(info.meterType, quint32(2));
        QCOMPARE(info.firmwareVersion, quint16(125));

        QByteArray values;
        QByteArray names;
        for (int offset = 0; offset < 28 * 40; offset += 256)
            QCOMPARE(commands.readMemory(0x80000000u + offset, values, quint16(qMin(256, 28 * 40 - offset))), 1);
        for (int offset = 0; offset < 16 * 40; offset += 256)
            QCOMPARE(commands.readMemoryChecked(0xC0000000u + offset, names, quint16(qMin(256, 16 * 40 - offset)), 0x41), 1);
        QCOMPARE(values.count(EmulatedInstrument::outOfRangeField()), 3);
        QCOMPARE(names.left(16), QByteArray("\xB9\xDC\xB5\xC0" "A1", 6) + QByteArray(10, '\0')); // 管道A1
        QCOMPARE(names.mid(16, 6), QByteArray("\xCD\xE4\xCD\xB7" "1", 6)); // 弯头1, zero-terminated
        link.close();
    }

    void demoFromIni()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("demo.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Emulator]\nreportIntervalUs=0\nautoPushMeanMs=0\ninstruments=2\n"
                   "[Instrument1]\nserial=111\nmeterType=1\nrecords=7\noutOfRange=0\n"
                   "[Instrument2]\nserial=222\nrecords=2\nreportedCount=5\n");
        file.close();
        auto backend = EmulatorBackend::createDemo(path);
        QCOMPARE(backend->instruments().size(), 2);
        const auto single = backend->instrument(QStringLiteral("111"));
        QVERIFY(single && !single->isMultiLayer());
        QCOMPARE(single->unitNumbers().mid(0, 2), (QList<int>{2, 0}));
        QCOMPARE(single->storedRecordCount(), 7);
        QCOMPARE(single->memory(0x80000000u, 12 * 7).count(EmulatedInstrument::outOfRangeField()), 0);

        // Two attached: the one enumerated last is opened, and it reports its override.
        HidLink link;
        QCOMPARE(link.open(0x2047, 0x0301, backend.get()), 0);
        FramedLink framed;
        framed.setLink(&link);
        KeyInfo info;
        int count = 0;
        InstrumentCommands commands(&framed);
        QCOMPARE(commands.readKeyInfo(info), 1);
        QCOMPARE(info.serialNo, quint32(222));
        QCOMPARE(commands.readRecordCount(count), 1);
        QCOMPARE(count, 5);
        link.close();
    }
};

QTEST_MAIN(TestEmulatorBackend)
#include "tst_EmulatorBackend.moc"
