// The USB link and the framing over the emulated gauge: reassembly, polls, removal,
// the CRC rules of the framed receive, and the flush before each request.
#include "../emulator/GaugeRig.h"

#include <QtTest>

namespace {

// A link that hands out fixed bytes, to put the framing in situations the USB link
// does not produce (several frames in one read).
class CannedLink : public Link
{
public:
    QByteArray bytes;
    int result = 0;
    int read(QByteArray &buffer, int, int) override
    {
        buffer.append(bytes);
        return result;
    }
    bool isOpen() override { return true; }
};

const QByteArray KeyRequest = GaugeRig::withCrc(QByteArray("\xAB\x20\x05\x00\x12\x00", 6));
}

class TestHidLink : public QObject
{
    Q_OBJECT

private slots:
    void crcVectors()
    {
        QCOMPARE(FramedLink::crc16(QByteArray(), 0), quint16(0xFFFF));
        QCOMPARE(FramedLink::crc16(QByteArray("123456789"), 9), quint16(0x4B37));
        QCOMPARE(FramedLink::crc16(QByteArray("123456789xyz"), 9), quint16(0x4B37));
        QCOMPARE(FramedLink::crc16(QByteArray("12"), 5), FramedLink::crc16(QByteArray("12"), 2));
        QCOMPARE(FramedLink::crc16(QByteArray("123"), -1), quint16(0xFFFF));
    }

    void baseDefaults()
    {
        Link plain;
        QByteArray b;
        QCOMPARE(plain.read(b, 100, 10), 0);
        QCOMPARE(plain.write(b, 100), 0);
        QVERIFY(!plain.isOpen());
        QVERIFY(plain.isRemoved());
    }

    void openReportsTheOutcome()
    {
        EmulatorBackend backend;
        {
            HidLink link;
            QTest::ignoreMessage(QtDebugMsg, "hidDevice Open error!\n");
            QCOMPARE(link.open(0x2047, 0x0301, &backend), 0xFF);
            QVERIFY(!link.isOpen());
        }
        backend.plug(QStringLiteral("12345"));
        HidLink link;
        QTest::ignoreMessage(QtDebugMsg, "hidDevice Open success!\n");
        QCOMPARE(link.open(0x2047, 0x0301, &backend), 0);
        QVERIFY(link.isOpen());
        QVERIFY(!link.isRemoved());
    }

    void reassemblesAcrossReportsAfterJunk()
    {
        GaugeRig rig;
        QVERIFY(rig.opened);
        ReplyFault fault;
        fault.junkBefore = QByteArray("\x01\x02\x03", 3);
        fault.payloadPerReport = 4;
        rig.gauge->injectFault(fault);

        QByteArray request = KeyRequest;
        QCOMPARE(rig.link.write(request, 1000), 8);
        QByteArray buffer;
        QCOMPARE(rig.link.read(buffer, 1000, 26), 26);
        QCOMPARE(quint8(buffer.at(0)), quint8(0xAB));
        QCOMPARE(FramedLink::crc16(buffer, 24), quint16(quint8(buffer.at(24)) | quint8(buffer.at(25)) << 8));
    }

    void readWithoutStartByteTimesOut()
    {
        GaugeRig rig;
        rig.gauge->pushRaw(QByteArray(100, '\x11'));
        QByteArray buffer;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.link.read(buffer, 200, 26) <= 0);
        QVERIFY(buffer.isEmpty());
        QVERIFY(clock.elapsed() >= 200);
        QVERIFY(clock.elapsed() < 600);
    }

    void pollReturnsWhatArrived()
    {
        GaugeRig rig;
        QByteArray buffer("kept");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.link.read(buffer, 0, 0), 0);
        QVERIFY(clock.elapsed() >= 45);
        QCOMPARE(buffer, QByteArray("kept"));

        rig.gauge->pushSingleLayer(5900.0f, 12.5f);
        rig.gauge->pushSettingsChanged();
        buffer.clear();
        QCOMPARE(rig.link.read(buffer, 0, 0), 68);
        QCOMPARE(buffer.left(8), QByteArray("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8));
        QCOMPARE(buffer.mid(8, 8), EmulatedInstrument::field(5900.0f) + EmulatedInstrument::field(12.5f));
        QCOMPARE(buffer.mid(34 + 8, 4), EmulatedInstrument::settingsChangedField());
    }

    void removalMidTransferEndsTheReadAtOnce()
    {
        GaugeRig rig(2);
        QSignalSpy removed(rig.backend.monitor(), &DeviceMonitor::deviceChange);
        ReplyFault fault;
        fault.payloadPerReport = 10;
        fault.unplugAfterReports = 2;
        rig.gauge->injectFault(fault);

        QByteArray request = KeyRequest;
        QCOMPARE(rig.link.write(request, 1000), 8);
        QByteArray buffer;
        QElapsedTimer clock;
        clock.start();
        const int r = rig.link.read(buffer, 1000, 26);
        QVERIFY(r <= 0 || buffer.size() < 26);
        QVERIFY(buffer.size() <= 20);
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(rig.link.isRemoved());
        QVERIFY(rig.link.isOpen()); // open until the window closes it
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.first().first().toInt(), DeviceEvent::RemoveComplete);

        request = KeyRequest;
        QTest::ignoreMessage(QtDebugMsg, "hidDevice WriteMessage error! ret = 0\n");
        QCOMPARE(rig.link.write(request, 1000), -1);
        rig.link.close();
        rig.link.close();
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.link.read(buffer, 0, 0), 0);
    }

    void framedSendAndReceive()
    {
        FramedLink unbound;
        QByteArray frame("\xAB\x20\x05\x00\x12\x00", 6);
        QVERIFY(!unbound.isLinkOpen());
        QCOMPARE(unbound.sendFrame(frame, 1000), -1);
        QCOMPARE(frame.size(), 6);
        QByteArray buffer;
        QCOMPARE(unbound.receiveFrame(buffer, 100, 26, true), -1);

        GaugeRig rig;
        QVERIFY(rig.framed.isLinkOpen());
        QCOMPARE(rig.framed.sendFrame(frame, 1000), 8);
        QCOMPARE(frame, QByteArray("\xAB\x20\x05\x00\x12\x00\x94\x6B", 8));
        QCOMPARE(rig.gauge->requestLog(), QList<QByteArray>{frame});

        // Bytes after a valid frame do not spoil it; the whole size is returned. The CRC
        // is taken where the expected length puts it, not at the end of the buffer.
        CannedLink canned;
        FramedLink cannedFraming;
        cannedFraming.setLink(&canned);
        canned.bytes = GaugeRig::withCrc(QByteArray("\xAB\x20\x0F\x00\x04\x00\x07\x00\x00\x00", 10)) + "\x55\x66";
        canned.result = 14;
        buffer.clear();
        QCOMPARE(cannedFraming.receiveFrame(buffer, 1000, 12, true), 14);
        canned.bytes.chop(3);
        canned.result = 11;
        buffer.clear();
        QCOMPARE(cannedFraming.receiveFrame(buffer, 1000, 12, false), 11);
        buffer.clear();
        QCOMPARE(cannedFraming.receiveFrame(buffer, 1000, 12, true), -1);
        QCOMPARE(buffer.size(), 11);
        canned.result = -7;
        QCOMPARE(cannedFraming.receiveFrame(buffer, 1000, 12, true), -7);

        // Corrupted CRC: refused with the bytes kept; without the check, passed through.
        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        rig.gauge->injectFault(corrupt, 2);
        for (bool check : {true, false}) {
            frame = QByteArray("\xAB\x20\x0F\x00\x04\x00", 6);
            QCOMPARE(rig.framed.sendFrame(frame, 1000), 8);
            buffer.clear();
            QCOMPARE(rig.framed.receiveFrame(buffer, 1000, 12, check), check ? -1 : 12);
            QCOMPARE(buffer.size(), 12);
        }

        // A short reply without the check: the link's result, whatever the length.
        ReplyFault shortReply;
        shortReply.truncateTo = 5;
        rig.gauge->injectFault(shortReply);
        frame = QByteArray("\xAB\x20\x0F\x00\x04\x00", 6);
        rig.framed.sendFrame(frame, 1000);
        buffer.clear();
        QCOMPARE(rig.framed.receiveFrame(buffer, 100, 12, false), 0);
        QCOMPARE(buffer.size(), 5);
    }

    void staleInputIsFlushedBeforeARequest()
    {
        GaugeRig rig;
        // A pushed frame and a late surplus sit unread when the next request goes out.
        rig.gauge->pushSingleLayer(5900.0f, 3.0f);
        ReplyFault trailing;
        trailing.junkAfter = QByteArray(20, '\xAB');
        rig.gauge->injectFault(trailing);
        QByteArray frame("\xAB\x20\x0F\x00\x04\x00", 6);
        QCOMPARE(rig.framed.sendFrame(frame, 1000), 8);
        QByteArray buffer;
        QVERIFY(rig.framed.receiveFrame(buffer, 1000, 12, true) > 0); // surplus stays carried
        QVERIFY(rig.link.device().deviceState()->carryOver > 0 || rig.gauge->pendingInputReports() > 0);

        QElapsedTimer clock;
        clock.start();
        frame = QByteArray("\xAB\x20\x0F\x00\x04\x00", 6);
        QCOMPARE(rig.framed.sendFrame(frame, 1000), 8);
        QVERIFY(clock.elapsed() < 45); // no waiting out a 50 ms report time-out
        buffer.clear();
        QCOMPARE(rig.framed.receiveFrame(buffer, 1000, 12, true), 12);
    }
};

QTEST_GUILESS_MAIN(TestHidLink)
#include "tst_HidLink.moc"
