// The real HID path against the emulated gauge as a hidraw node (umockdev): hidapi's
// enumeration and open, 64-byte reports with their id, reads with time-outs, and the udev
// monitor's add and remove, through the link, framing and commands the program uses.
#include "HidrawRig.h"

#include "bench/UsbBound.h"
#include "emulator/EmulatorBackend.h"
#include "hid/HidapiBackend.h"
#include "hid/TracingBackend.h"
#include "link/HidLink.h"
#include "link/FramedLink.h"
#include "mainwindow/UdevDeviceMonitor.h"
#include "protocol/InstrumentCommands.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

constexpr int BlockSize = 256;

std::shared_ptr<EmulatedInstrument> singleLayerGauge(const QString &serial, int records, int intervalUs)
{
    auto gauge = std::make_shared<EmulatedInstrument>(serial, 1, 110);
    gauge->setReportIntervalUs(intervalUs);
    for (int i = 0; i < records; ++i)
        gauge->addSingleLayerRecord(5900.0f + float(i % 50), 1.0f + float(i % 300) / 10.0f);
    return gauge;
}

// The link stack the session builds, over any back end.
struct Stack
{
    HidLink link;
    FramedLink framed;
    InstrumentCommands commands{&framed};
    bool open(HidBackend &backend)
    {
        framed.setLink(&link);
        return link.open(HidrawRig::VendorId, HidrawRig::ProductId, &backend) == 0;
    }
    ~Stack() { link.close(); }
};

// The values memory of `records` single-layer records, block by block as the read plan asks.
QByteArray readValues(InstrumentCommands &commands, int records, int *failedAt = nullptr)
{
    QByteArray image;
    const int total = records * EmulatedInstrument::SingleRecordSize;
    for (int offset = 0; offset < total; offset += BlockSize) {
        const quint16 length = quint16(qMin(BlockSize, total - offset));
        if (commands.readMemory(EmulatedInstrument::ValuesAddress + quint32(offset), image, length) != 1) {
            if (failedAt)
                *failedAt = offset;
            return image;
        }
    }
    return image;
}

// Direction and bytes of every traced report, without the times.
QList<QByteArray> wireOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> wire;
    for (const QByteArray &line : file.readAll().split('\n')) {
        TracingBackend::Line parsed;
        if (TracingBackend::parseLine(line, &parsed))
            wire.append((parsed.direction == TracingBackend::Direction::Out ? "out " : "in ") + parsed.report.toHex());
    }
    return wire;
}

} // namespace

class TestHidraw : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void enumerationOpenAndIdentification();
    void tenThousandRecordsWithTheEmulatorsWire();
    void pushesWhileIdleAndDuringARead();
    void pullMidReadAndReplug();
    void twoGaugesByTheirSerialsAndAnotherProductIgnored();

private:
    HidapiBackend backend;
};

void TestHidraw::initTestCase()
{
    if (!HidrawRig::underPreload())
        QFAIL("run under umockdev's preload (ctest sets LD_PRELOAD)");
}

void TestHidraw::enumerationOpenAndIdentification()
{
    HidrawRig rig;
    QVERIFY(rig.isReady());
    UdevDeviceMonitor monitor;
    QVERIFY(monitor.start());
    QList<int> notices;
    connect(&monitor, &DeviceMonitor::deviceChange, this, [&](int code) { notices.append(code); });

    auto gauge = std::make_shared<EmulatedInstrument>(QStringLiteral("12345"), 2, 125);
    gauge->setReportIntervalUs(0);
    const QString node = rig.plug(gauge);
    QVERIFY(!node.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(notices, QList<int>{DeviceEvent::Arrival}, 2000);

    const QList<HidDeviceInfo> found = backend.enumerate(HidrawRig::VendorId, HidrawRig::ProductId);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].path, node);
    QCOMPARE(found[0].serialNumber, QStringLiteral("12345"));
    QCOMPARE(found[0].interfaceNumber, 0);

    Stack stack;
    QVERIFY(stack.open(backend));
    QCOMPARE(stack.link.device().openedSerial(), QStringLiteral("12345"));
    // Nothing queued: a read waits its time-out and brings nothing.
    QByteArray idle;
    QCOMPARE(stack.link.read(idle, 0, 0), 0);
    KeyInfo info;
    QCOMPARE(stack.commands.readKeyInfo(info), 1);
    QCOMPARE(info.serialNo, 12345u);
    QCOMPARE(info.meterType, 2u);
    QCOMPARE(info.firmwareVersion, quint16(125));
    // Every output report reached the node as the descriptor declares it: id 0x3F, 64 bytes.
    QCOMPARE(rig.refusedWrites(), 0);
    QVERIFY(!stack.link.isRemoved());

    QVERIFY(rig.unplug(QStringLiteral("12345")));
    QTRY_COMPARE_WITH_TIMEOUT(notices, (QList<int>{DeviceEvent::Arrival, DeviceEvent::RemoveComplete}), 2000);
    QVERIFY(stack.link.isRemoved());
    QVERIFY(backend.enumerate(HidrawRig::VendorId, HidrawRig::ProductId).isEmpty());
}

void TestHidraw::tenThousandRecordsWithTheEmulatorsWire()
{
    constexpr int Records = 10000;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // At full-speed timing through the node.
    QByteArray image;
    qint64 elapsedMs = 0;
    qint64 boundMs = 0;
    auto gauge = singleLayerGauge(QStringLiteral("12345"), Records, 1000);
    {
        HidrawRig rig;
        QVERIFY(!rig.plug(gauge).isEmpty());
        TracingBackend tracer(backend);
        QString error;
        QVERIFY2(tracer.open(dir.filePath(QStringLiteral("hidraw.trace")), &error), qPrintable(error));
        Stack stack;
        QVERIFY(stack.open(tracer));
        int count = 0;
        QCOMPARE(stack.commands.readRecordCount(count), 1);
        QCOMPARE(count, Records);
        gauge->clearRequestLog();
        QElapsedTimer clock;
        clock.start();
        image = readValues(stack.commands, Records);
        elapsedMs = clock.elapsed();
        boundMs = UsbBound::of(gauge->requestLog());
        QCOMPARE(rig.refusedWrites(), 0);
    }
    QCOMPARE(image, gauge->memory(EmulatedInstrument::ValuesAddress, Records * EmulatedInstrument::SingleRecordSize));
    const double ratio = double(elapsedMs) / double(boundMs);
    qInfo("hidraw read of %d records: %lld ms, report-time bound %lld ms, ratio %.2f", Records,
          static_cast<long long>(elapsedMs), static_cast<long long>(boundMs), ratio);
    // Loose enough for a loaded machine (two cores at load 10 gave 2.0); a report time-out
    // waited out per block (50 ms) costs nine times the bound.
    QVERIFY2(ratio < 3.0, qPrintable(QString::number(ratio)));

    // The same read through the emulator's back end puts the same reports on the wire.
    {
        EmulatorBackend emulator;
        auto twin = singleLayerGauge(QStringLiteral("12345"), Records, 0);
        emulator.plug(twin);
        TracingBackend tracer(emulator);
        QString error;
        QVERIFY2(tracer.open(dir.filePath(QStringLiteral("emulator.trace")), &error), qPrintable(error));
        Stack stack;
        QVERIFY(stack.open(tracer));
        int count = 0;
        QCOMPARE(stack.commands.readRecordCount(count), 1);
        QCOMPARE(readValues(stack.commands, Records), image);
    }
    const QList<QByteArray> real = wireOf(dir.filePath(QStringLiteral("hidraw.trace")));
    const QList<QByteArray> emulated = wireOf(dir.filePath(QStringLiteral("emulator.trace")));
    QVERIFY(real.size() > 2 * (Records * EmulatedInstrument::SingleRecordSize / BlockSize));
    QCOMPARE(real.size(), emulated.size());
    for (int i = 0; i < real.size(); ++i)
        QVERIFY2(real[i] == emulated[i], qPrintable(QStringLiteral("line %1: %2 / %3").arg(i)
                                                        .arg(QString::fromLatin1(real[i]), QString::fromLatin1(emulated[i]))));
}

void TestHidraw::pushesWhileIdleAndDuringARead()
{
    constexpr int Records = 2000;
    HidrawRig rig;
    auto gauge = singleLayerGauge(QStringLiteral("12345"), Records, 1000);
    QVERIFY(!rig.plug(gauge).isEmpty());
    Stack stack;
    QVERIFY(stack.open(backend));

    // Idle: the pushed frame is there for the next poll.
    gauge->pushSingleLayer(5920.0f, 4.25f);
    const QByteArray frame = EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(5920.0f), EmulatedInstrument::field(4.25f)});
    QByteArray polled;
    QTRY_VERIFY_WITH_TIMEOUT((stack.link.read(polled, 0, 0), polled.contains(frame)), 2000);

    // During a read: every pushed frame is set aside whole, the records are intact.
    std::atomic<bool> reading{true};
    std::atomic<int> pushed{0};
    std::thread pusher([&] {
        while (reading) {
            std::this_thread::sleep_for(std::chrono::milliseconds(37));
            gauge->pushSingleLayer(6000.0f + float(pushed), 2.5f);
            ++pushed;
        }
    });
    const QByteArray image = readValues(stack.commands, Records);
    reading = false;
    pusher.join();
    QCOMPARE(image, gauge->memory(EmulatedInstrument::ValuesAddress, Records * EmulatedInstrument::SingleRecordSize));
    QVERIFY(pushed >= 5);

    QByteArray all = stack.framed.takeSetAsidePushes();
    QElapsedTimer clock;
    clock.start();
    auto framesIn = [](const QByteArray &bytes) {
        int n = 0;
        for (qsizetype at = bytes.indexOf("\xAB\x44\x00\x00\x00\x00\xF0\x00"); at >= 0;
             at = bytes.indexOf(QByteArray("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8), at + 1))
            ++n;
        return n;
    };
    while (framesIn(all) < pushed && clock.elapsed() < 2000)
        stack.link.read(all, 0, 0);
    QCOMPARE(framesIn(all), int(pushed));
    for (int i = 0; i < pushed; ++i)
        QVERIFY(all.contains(EmulatedInstrument::measurementFrame(
                {EmulatedInstrument::field(6000.0f + float(i)), EmulatedInstrument::field(2.5f)})));
    QCOMPARE(rig.refusedWrites(), 0);
}

void TestHidraw::pullMidReadAndReplug()
{
    constexpr int Records = 200;
    HidrawRig rig;
    UdevDeviceMonitor monitor;
    QVERIFY(monitor.start());
    QList<int> notices;
    connect(&monitor, &DeviceMonitor::deviceChange, this, [&](int code) { notices.append(code); });
    auto gauge = singleLayerGauge(QStringLiteral("12345"), Records, 1000);
    QVERIFY(!rig.plug(gauge).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, 2000);

    {
        Stack stack;
        QVERIFY(stack.open(backend));
        // The gauge goes after the host has read two reports of the third block's reply.
        QByteArray head;
        QCOMPARE(stack.commands.readMemory(EmulatedInstrument::ValuesAddress, head, BlockSize), 1);
        QCOMPARE(stack.commands.readMemory(EmulatedInstrument::ValuesAddress + BlockSize, head, BlockSize), 1);
        ReplyFault pull;
        pull.unplugAfterReports = 2;
        gauge->injectFault(pull);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(stack.commands.readMemory(EmulatedInstrument::ValuesAddress + 2 * BlockSize, head, BlockSize) < 0);
        QVERIFY(rig.waitGone(QStringLiteral("12345"), 2000));
        // The node hung up: the link knows at once, not after a run of time-outs.
        QVERIFY(stack.link.isRemoved());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(notices, (QList<int>{DeviceEvent::Arrival, DeviceEvent::RemoveComplete}), 2000);
        QVERIFY(backend.enumerate(HidrawRig::VendorId, HidrawRig::ProductId).isEmpty());
    }

    // Plugged back in: a new node, found, opened and read whole.
    const QString node = rig.plug(gauge);
    QVERIFY(!node.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(notices, (QList<int>{DeviceEvent::Arrival, DeviceEvent::RemoveComplete,
                                                   DeviceEvent::Arrival}), 2000);
    Stack again;
    QVERIFY(again.open(backend));
    QCOMPARE(readValues(again.commands, Records),
             gauge->memory(EmulatedInstrument::ValuesAddress, Records * EmulatedInstrument::SingleRecordSize));
}

void TestHidraw::twoGaugesByTheirSerialsAndAnotherProductIgnored()
{
    HidrawRig rig;
    auto first = std::make_shared<EmulatedInstrument>(QStringLiteral("11111"), 2, 125);
    auto second = std::make_shared<EmulatedInstrument>(QStringLiteral("22222"), 1, 110);
    auto other = std::make_shared<EmulatedInstrument>(QStringLiteral("33333"), 2, 125);
    for (const auto &gauge : {first, second, other})
        gauge->setReportIntervalUs(0);
    const QString firstNode = rig.plug(first);
    const QString otherNode = rig.plug(other, 0x0302);
    const QString secondNode = rig.plug(second);
    QVERIFY(!firstNode.isEmpty() && !otherNode.isEmpty() && !secondNode.isEmpty());

    const QList<HidDeviceInfo> found = backend.enumerate(HidrawRig::VendorId, HidrawRig::ProductId);
    QCOMPARE(found.size(), 2);
    QMap<QString, QString> serialByPath;
    for (const HidDeviceInfo &info : found)
        serialByPath.insert(info.path, info.serialNumber);
    QCOMPARE(serialByPath.value(firstNode), QStringLiteral("11111"));
    QCOMPARE(serialByPath.value(secondNode), QStringLiteral("22222"));

    // Each opened node tells its own serial (hidapi asks udev by the handle's device number),
    // and answers as its own gauge.
    for (const auto &[node, gauge] : {std::pair{firstNode, first}, std::pair{secondNode, second}}) {
        HidOpenResult result = HidOpenResult::Failed;
        std::unique_ptr<HidConnection> connection = backend.open(node, true, &result);
        QVERIFY(connection);
        QCOMPARE(connection->serialNumber(), gauge->usbSerial());
    }

    // The link takes the gauge it lists last and checks the serial of what it opened.
    Stack stack;
    QVERIFY(stack.open(backend));
    const QString chosen = stack.link.device().openedSerial();
    QVERIFY(chosen == QStringLiteral("11111") || chosen == QStringLiteral("22222"));
    KeyInfo info;
    QCOMPARE(stack.commands.readKeyInfo(info), 1);
    QCOMPARE(info.serialNo, chosen.toUInt());
    QCOMPARE(info.meterType, chosen == QStringLiteral("11111") ? 2u : 1u);
    QVERIFY(first->requestLog().isEmpty() != second->requestLog().isEmpty());
    QVERIFY(other->requestLog().isEmpty());

    // With the chosen one pulled out, the link finds the other.
    stack.link.close();
    QVERIFY(rig.unplug(chosen));
    Stack remaining;
    QVERIFY(remaining.open(backend));
    const QString left = chosen == QStringLiteral("11111") ? QStringLiteral("22222") : QStringLiteral("11111");
    QCOMPARE(remaining.link.device().openedSerial(), left);
    QCOMPARE(remaining.commands.readKeyInfo(info), 1);
    QCOMPARE(info.serialNo, left.toUInt());
}

QTEST_MAIN(TestHidraw)
#include "tst_hidraw.moc"
