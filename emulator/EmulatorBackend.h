#pragma once

#include "emulator/EmulatedInstrument.h"
#include "hid/DeviceMonitor.h"
#include "hid/HidBackend.h"

#include <QMutex>
#include <QString>

#include <memory>
#include <vector>

// A HidBackend whose devices are EmulatedInstruments. Each plugged instrument is
// enumerated as vendor 0x2047, product 0x0301, interface 0, path "emulator:<serial>".
//
// Typical use (tests):
//   EmulatorBackend backend;
//   auto gauge = backend.plug("12345", 2, 125);   // or plug(std::make_shared<...>(...))
//   HidLink link; link.open(0x2047, 0x0301, &backend);   // talk to it
//   backend.unplug("12345");                      // connections fail from now on
//
// Demo (palvarin --demo): keep the backend for the life of the program,
//   auto demo = EmulatorBackend::createDemo(iniPathOrEmpty);
//   GaugeSession session(*demo, ...);             // the session opens its link on it
//   connect(demo->monitor(), &DeviceMonitor::deviceChange, window, <notice handler>);
// then open the link as for a real gauge (the demo gauge is plugged in already).
//
// Thread-safe: plug/unplug and the connections may be used from any thread.
class EmulatorBackend : public HidBackend
{
public:
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;

    EmulatorBackend();
    ~EmulatorBackend() override;

    // Plugs an instrument in (or back in). Emits deviceChange(DeviceEvent::Arrival) on the
    // monitor's thread. A second instrument with the same serial replaces the first.
    std::shared_ptr<EmulatedInstrument> plug(std::shared_ptr<EmulatedInstrument> instrument);
    std::shared_ptr<EmulatedInstrument> plug(const QString &usbSerial, quint32 meterType = 2,
                                             quint16 firmwareVersion = 125);
    // Pulls an instrument out: its connections fail their reads and writes and report not
    // present, even mid-transfer. Emits deviceChange(DeviceEvent::RemoveComplete). Returns
    // false when no instrument with that serial is plugged in.
    bool unplug(const QString &usbSerial);
    std::shared_ptr<EmulatedInstrument> instrument(const QString &usbSerial) const;
    QList<std::shared_ptr<EmulatedInstrument>> instruments() const; // plugged, in plug order

    // Arrival/removal notices, emitted on the thread that created the backend.
    DeviceMonitor *monitor() const;

    // Demo set-up. With an empty path, or for keys the INI file does not set: one
    // multi-layer instrument, serial "12345", meter type 2, firmware 125, 40 named records
    // (some Chinese names in GBK), a few out-of-range values, units 0,0,0,2,2,2, a
    // measurement pushed every 5 s on average, full-speed timing. INI keys:
    //   [Emulator]  reportIntervalUs=1000  autoPushMeanMs=5000  instruments=1
    //               countingPushes=false (true: the n-th push has the thickness n)
    //               pushValues=5.10,5.02,... (the pushes' thicknesses in this order, one
    //               every autoPushMeanMs exactly, every layer alike; none after the last)
    //   [Instrument1] (Instrument2, ...) serial=12345 meterType=2 firmware=125
    //               records=40  outOfRange=3  reportedCount=-1  replyDelayMs=0
    //               date=2022-12-31
    // meterType 1 builds a single-layer gauge (default firmware 110, units 2,0).
    static std::unique_ptr<EmulatorBackend> createDemo(const QString &iniPathOrEmpty);
    // Fills an instrument with `count` plausible records for its layout.
    static void fillDemoRecords(EmulatedInstrument &instrument, int count, int outOfRange);

    // HidBackend
    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive,
                                        HidOpenResult *result) override;

    // Bookkeeping of one plugged instrument (defined in the .cpp; not for callers).
    struct Slot;

private:
    void notify(int eventCode);
    // Removes and returns the slot of that serial (none: nullptr); the mutex is held.
    std::shared_ptr<Slot> takeSlotLocked(const QString &usbSerial);

    mutable QMutex mutex;
    std::vector<std::shared_ptr<Slot>> slots_;
    std::unique_ptr<DeviceMonitor> deviceMonitor;
};
