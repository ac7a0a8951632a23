// Frames the gauge pushes while commands run: none is lost and none breaks a command.
// The pushes the gauge sent are counted where reports leave the HID layer, apart from the
// framing, and compared with those the poll and the framed link's set-aside hand over.
#include "../emulator/GaugeRig.h"
#include "link/PollWorker.h"
#include "protocol/PushFrameParser.h"
#include "protocol/ReadPlan.h"

#include <QMutex>
#include <QThread>
#include <QtTest>

#include <algorithm>

namespace {

const QByteArray PushHeader("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8);

// Every report handed to the host that starts a pushed frame, as the frame's value bytes.
struct PushLog
{
    QMutex mutex;
    QList<QByteArray> values;
};

class CountingConnection : public HidConnection
{
public:
    CountingConnection(std::unique_ptr<HidConnection> inner, PushLog &log) : inner(std::move(inner)), log(log) {}
    int readReport(quint8 *buffer, int capacity, int timeoutMs) override
    {
        const int n = inner->readReport(buffer, capacity, timeoutMs);
        const QByteArray payload(reinterpret_cast<const char *>(buffer) + 2, n >= 2 ? std::min<int>(buffer[1], n - 2) : 0);
        if (n >= 2 && buffer[0] == 0x3F && payload.startsWith(PushHeader)) {
            QMutexLocker lock(&log.mutex);
            log.values.append(payload.mid(8, 24));
        }
        return n;
    }
    int writeReport(const quint8 *report, int length, int timeoutMs) override
    {
        return inner->writeReport(report, length, timeoutMs);
    }
    bool isPresent() override { return inner->isPresent(); }
    int inputReportLength() const override { return inner->inputReportLength(); }
    int outputReportLength() const override { return inner->outputReportLength(); }
    QString serialNumber() override { return inner->serialNumber(); }

private:
    std::unique_ptr<HidConnection> inner;
    PushLog &log;
};

class CountingBackend : public HidBackend
{
public:
    explicit CountingBackend(HidBackend &inner) : inner(inner) {}
    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        return inner.enumerate(vendorId, productId);
    }
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) override
    {
        std::unique_ptr<HidConnection> c = inner.open(path, exclusive, result);
        return c ? std::make_unique<CountingConnection>(std::move(c), log) : nullptr;
    }
    PushLog log;

private:
    HidBackend &inner;
};

// The value bytes of every frame a parser finds in bytes, in order.
QList<QByteArray> framesIn(const QByteArray &bytes)
{
    PushFrameParser parser;
    QList<QByteArray> values;
    for (const PushedFrame &f : parser.feed(bytes, 2))
        values.append(f.fieldBytes);
    return values;
}

} // namespace

class TestFramedLinkPushes : public QObject
{
    Q_OBJECT

private slots:
    void pushAheadOfAReplyIsSetAside()
    {
        GaugeRig rig;
        rig.gauge->pushSingleLayer(5900.0f, 3.0f);      // flushed before the request
        ReplyFault late;
        late.junkBefore = EmulatedInstrument::measurementFrame({EmulatedInstrument::field(1.0f)})
                        + EmulatedInstrument::measurementFrame({EmulatedInstrument::field(2.0f)});
        late.payloadPerReport = 7;                        // the pushes and the reply in pieces
        rig.gauge->injectFault(late);
        int count = 0;
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        const QByteArray aside = rig.framed.takeSetAsidePushes();
        QCOMPARE(aside.size(), 3 * PushFrameParser::FrameSize);
        const QList<QByteArray> frames = framesIn(aside);
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].left(8), EmulatedInstrument::field(5900.0f) + EmulatedInstrument::field(3.0f));
        QCOMPARE(frames[1].left(4), EmulatedInstrument::field(1.0f));
        QCOMPARE(frames[2].left(4), EmulatedInstrument::field(2.0f));
        QVERIFY(rig.framed.takeSetAsidePushes().isEmpty());

        // A push of the short form (two value slots and its CRC) right before the reply,
        // and a push cut short by another: the reply is still found, the whole frames kept.
        ReplyFault shortForm;
        shortForm.junkBefore = GaugeRig::withCrc(PushHeader + EmulatedInstrument::field(7.0f) + EmulatedInstrument::field(8.0f))
                             + PushHeader + QByteArray(5, '\x01')
                             + EmulatedInstrument::measurementFrame({EmulatedInstrument::field(9.0f)});
        rig.gauge->injectFault(shortForm);
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        const QByteArray second = rig.framed.takeSetAsidePushes();
        QCOMPARE(second.size(), PushFrameParser::ShortFrameSize + PushFrameParser::FrameSize);
        QCOMPARE(second.mid(8, 8), EmulatedInstrument::field(7.0f) + EmulatedInstrument::field(8.0f));
        QCOMPARE(second.mid(PushFrameParser::ShortFrameSize + 8, 4), EmulatedInstrument::field(9.0f));

        // A push whose end never comes leaves the wait failing within its time-out.
        ReplyFault cut;
        cut.replyOverride = PushHeader + QByteArray(10, '\x02');
        rig.gauge->injectFault(cut);
        QByteArray request("\xAB\x20\x0F\x00\x04\x00", 6);
        QCOMPARE(rig.framed.sendFrame(request, 1000), 8);
        QElapsedTimer clock;
        clock.start();
        QByteArray reply;
        QVERIFY(rig.framed.receiveFrame(reply, 300, 12, false) <= 0);
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(clock.elapsed() < 300 + 200);
        QVERIFY(rig.framed.takeSetAsidePushes().isEmpty());
    }

    void tenThousandRecordsUnderAPushEvery20ms()
    {
        EmulatorBackend emulator;
        CountingBackend counting(emulator);
        auto gauge = emulator.plug(QStringLiteral("12345"), 1, 110);
        EmulatorBackend::fillDemoRecords(*gauge, 10000, 25);
        HidLink link;
        QCOMPARE(link.open(EmulatorBackend::VendorId, EmulatorBackend::ProductId, &counting), 0);
        FramedLink framed;
        framed.setLink(&link);
        InstrumentCommands commands(&framed);

        // The poll worker runs as in the program; the commands take its mutex per sequence.
        PollWorker worker(&framed);
        QMutex polledLock;
        QByteArray polled;
        connect(&worker, &PollWorker::polled, &worker, [&](const QByteArray &batch) {
            QMutexLocker lock(&polledLock);
            polled += batch;
        }, Qt::DirectConnection);
        QThread thread;
        worker.moveToThread(&thread);
        connect(&thread, &QThread::started, &worker, &PollWorker::run);
        thread.start();
        gauge->setAutoPush(20);

        int count = 0;
        worker.mutex.lock();
        QCOMPARE(commands.readRecordCount(count), 1);
        worker.mutex.unlock();
        QCOMPARE(count, 10000);
        const QVector<ReadBlock> blocks = ReadPlan::valueBlocks(1, count);
        QCOMPARE(blocks.size(), 469);
        QByteArray image;
        for (int i = 0; i < blocks.size(); i += 16) {
            worker.mutex.lock();
            for (int j = i; j < std::min(i + 16, int(blocks.size())); ++j) {
                const int r = commands.readMemoryChecked(blocks[j].address, image, quint16(blocks[j].length), 0x40);
                if (r != 1) {
                    worker.mutex.unlock();
                    QFAIL(qPrintable(QStringLiteral("block %1: %2").arg(j).arg(r)));
                }
            }
            worker.mutex.unlock();
        }
        QCOMPARE(image, gauge->memory(EmulatedInstrument::ValuesAddress, 10000 * 12));

        // Stop pushing, let the poll take what is left, then stop the worker.
        gauge->setAutoPush(0);
        QTest::qWait(3 * PollWorker::pollPauseMs + 100);
        worker.requestStop();
        thread.quit();
        QVERIFY(thread.wait(5000));
        QByteArray last;
        framed.receiveFrame(last, 0, 0, false);

        QList<QByteArray> sent;
        {
            QMutexLocker lock(&counting.log.mutex);
            sent = counting.log.values;
        }
        // The poll hands over what the commands set aside ahead of its own bytes.
        QList<QByteArray> recovered = framesIn(framed.takeSetAsidePushes());
        const int setAside = framed.framesSetAside();
        {
            QMutexLocker lock(&polledLock);
            recovered += framesIn(polled + last);
        }
        qInfo("pushes sent %d, recovered %d (%d set aside by the commands)", int(sent.size()),
              int(recovered.size()), setAside);
        QVERIFY(sent.size() > 100);
        QVERIFY(setAside > 0);
        std::sort(sent.begin(), sent.end());
        std::sort(recovered.begin(), recovered.end());
        QCOMPARE(recovered, sent);
        link.close();
    }
};

QTEST_GUILESS_MAIN(TestFramedLinkPushes)
#include "tst_FramedLinkPushes.moc"
