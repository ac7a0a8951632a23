// The real HID path against the emulated gauge as a hidraw node (umockdev): hidapi's
// enumeration and open, 64-byte reports with their id, reads with time-outs, and the udev
// monitor's add and remove, through the link, framing and commands the program uses.
#include "HidrawRig.h"

#include "hid/HidapiBackend.h"
#include "link/CLinkerUSB.h"
#include "link/FramedLink.h"
#include "mainwindow/UdevDeviceMonitor.h"
#include "protocol/InstrumentCommands.h"

#include <QtTest>

class TestHidraw : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void enumerationOpenAndIdentification();

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
    QCOMPARE(node, QStringLiteral("/dev/hidraw0"));
    QTRY_COMPARE_WITH_TIMEOUT(notices, QList<int>{DeviceEvent::Arrival}, 2000);

    const QList<HidDeviceInfo> found = backend.enumerate(HidrawRig::VendorId, HidrawRig::ProductId);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].path, node);
    QCOMPARE(found[0].serialNumber, QStringLiteral("12345"));
    QCOMPARE(found[0].interfaceNumber, 0);

    CLinkerUSB link;
    QCOMPARE(link.open(HidrawRig::VendorId, HidrawRig::ProductId, &backend), 0);
    QCOMPARE(link.device().openedSerial(), QStringLiteral("12345"));
    FramedLink framed;
    framed.setLink(&link);
    InstrumentCommands commands(&framed);
    KeyInfo info;
    QCOMPARE(commands.readKeyInfo(info), 1);
    QCOMPARE(info.serialNo, 12345u);
    QCOMPARE(info.firmwareVersion, quint16(125));
    QCOMPARE(rig.refusedWrites(), 0);

    QVERIFY(rig.unplug(QStringLiteral("12345")));
    QTRY_COMPARE_WITH_TIMEOUT(notices, (QList<int>{DeviceEvent::Arrival, DeviceEvent::RemoveComplete}), 2000);
    QVERIFY(link.isRemoved());
    link.close();
}

QTEST_MAIN(TestHidraw)
#include "tst_hidraw.moc"
