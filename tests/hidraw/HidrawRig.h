#pragma once

#include "emulator/EmulatedInstrument.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <mutex>
#include <vector>

// Puts EmulatedInstruments behind umockdev hidraw nodes, so the real hidapi back end and the
// real libudev (enumeration, open by path, reads with time-outs, the udev monitor) talk to
// them as to a gauge on USB. Each plugged gauge gets the sysfs tree hidapi walks (USB device,
// interface, HID device with its report descriptor, hidrawN), a PTY standing in for the
// node, an ioctl handler for the hidraw requests hidapi makes, and a pump thread that hands
// the program's output reports to the instrument and writes its input reports back.
// The program's reads and writes on a node go straight to its PTY (NodeIo.h); its ioctls
// go to the handler.
//
// The process must run under umockdev's preload (umockdev-wrapper, or LD_PRELOAD with
// libumockdev-preload.so.0); the rig must exist before anything asks udev or hidapi. Child
// processes inherit the mock environment (UMOCKDEV_DIR), so an unmodified program started
// from here sees the same devices and events.
//
// The descriptor declares report id 0x3F with 63 data bytes each way, so a node carries
// 64-byte reports with the id first, as the gauge's interrupt endpoints do. A write of any
// other form is refused (EINVAL-like: it never reaches the instrument) and counted.
class HidrawRig
{
public:
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;
    static constexpr int ReportLength = 64;

    HidrawRig();
    ~HidrawRig();
    HidrawRig(const HidrawRig &) = delete;
    HidrawRig &operator=(const HidrawRig &) = delete;

    // True when the preload is active and the test bed could be made.
    bool isReady() const { return testbed != nullptr; }
    static bool underPreload();
    // Runs this program again under the preload the build found (and, in a sanitizer build,
    // the sanitizer's run-time ahead of it) unless it already is; returns only on failure.
    static bool reexecUnderPreload(char **argv);

    // Plugs the instrument in (sysfs tree, node, "add" uevents) and returns its node path,
    // empty on failure. The instrument's USB serial becomes HID_UNIQ and the USB serial.
    QString plug(std::shared_ptr<EmulatedInstrument> instrument, quint16 productId = ProductId);
    // Pulls the node of that serial out: "remove" uevent, sysfs gone, node hung up. Also
    // happens by itself when the instrument pulls itself out (an injected fault).
    bool unplug(const QString &usbSerial);
    // Waits up to timeoutMs until the node of that serial is gone (after a fault's pull).
    bool waitGone(const QString &usbSerial, int timeoutMs);
    QString nodeOf(const QString &usbSerial) const;

    int refusedWrites() const;

    struct Node;

private:
    void removeNodeLocked(Node &node);
    void pump(Node *node);

    struct _UMockdevTestbed *testbed = nullptr;
    mutable std::recursive_mutex lock;
    std::vector<std::unique_ptr<Node>> nodes;
    int usbNumber = 0;
    int nodeNumber = 0;
};
