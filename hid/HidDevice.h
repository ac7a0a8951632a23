#pragma once

#include "hid/GaugeError.h"
#include "hid/HidDeviceState.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <atomic>
#include <memory>

class HidBackend;

// The instrument's HID interface as a byte stream: finds it by vendor, product and
// serial number among the enumerated interfaces, opens it, and carries bytes in 0x3F
// reports. Used by one thread at a time (the link's callers serialise).
//
// Results at this layer: read() returns the bytes moved (fewer than asked when the wait
// ended after some came), 0 when none came; write() returns len or 0; open() 0 or -1. The
// back end below returns -1 for an error or removal (HidConnection). lastError() says why
// the last open, read or write fell short: open NotFound, Busy or OpenFailed; read NotOpen,
// Removed, ReadFailed or NoReply (nothing came in time; a read that got some bytes is a
// success); write NotOpen, Removed or WriteFailed. None after a success. Safe to read from
// any thread.
class HidDevice
{
public:
    static constexpr int MaxInterfaces = 128; // every scan stops at interface number 127
    static constexpr int MaxSerials = 6;

    HidDevice();
    virtual ~HidDevice();

    HidDevice(const HidDevice &) = delete;
    HidDevice &operator=(const HidDevice &) = delete;

    virtual void close();
    // Up to len stream bytes; 0 when not open (see hidReadStream for the rest).
    virtual int read(quint8 *destination, int len, int timeoutMs);
    // Bounds how long each later read keeps collecting once it holds bytes (0: no bound).
    void setReadBudgetMs(int ms);
    // len when all went out, 0 when not open or on a failure/time-out.
    virtual int write(const quint8 *source, int len, int timeoutMs);
    // True once the opened device stops answering (and when nothing is open).
    virtual bool isRemoved();

    // 0 on success, -1 on failure. Uses the platform's back end unless one is given.
    int open(quint16 vendorId, quint16 productId, HidBackend *backend = nullptr);
    bool isOpen() const { return openFlag; }
    // Drops what has already arrived (carry-over included) without waiting.
    int discardPending();
    // The same, appending the dropped bytes to dropped.
    int discardPending(QByteArray *dropped);
    QString openedSerial() const { return serial; }
    GaugeError lastError() const { return error.load(); }
    const HidDeviceState *deviceState() const { return state.get(); }

    // Selection steps, exposed for inspection. listSerials returns the entry count n and
    // fills serials with up to 6 entries; countInterfaces the interfaces per device.
    static int listSerials(HidBackend &backend, quint16 vendorId, quint16 productId, QStringList *serials);
    // A busy interface counts unless it enumerates with a serial that is not listed.
    static int countInterfaces(HidBackend &backend, quint16 vendorId, quint16 productId,
                               const QStringList &listedSerials);

private:
    // listSerials, telling whether an interface refused to open because it was busy.
    static int listSerials(HidBackend &backend, quint16 vendorId, quint16 productId, QStringList *serials,
                           bool *sawBusy);
    int failOpen(GaugeError cause);
    // How a stream transfer ended, as a cause: timedOut or failed when it did so, unless the
    // failure was the device going.
    GaugeError causeOf(HidStreamStatus status, GaugeError timedOut, GaugeError failed);

    bool openFlag = false;
    std::unique_ptr<HidDeviceState> state;
    QString serial;
    std::atomic<GaugeError> error{GaugeError::None};
};
