#pragma once

#include "hid/HidDeviceState.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>

class HidBackend;

// The instrument's HID interface as a byte stream: finds it by vendor, product and
// serial number among the enumerated interfaces, opens it, and carries bytes in 0x3F
// reports. Used by one thread at a time (the link's callers serialise).
//
// Results at this layer: transfers return the number of bytes moved, 0 when none moved
// (not open, time-out, failure; isRemoved() tells a gone device apart); open() returns 0 or
// -1. The back end below returns -1 for an error or removal (HidConnection).
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
    const HidDeviceState *deviceState() const { return state.get(); }

    // Selection steps, exposed for inspection. listSerials returns the entry count n and
    // fills serials with up to 6 entries; countInterfaces the interfaces per device.
    static int listSerials(HidBackend &backend, quint16 vendorId, quint16 productId, QStringList *serials);
    // A busy interface counts unless it enumerates with a serial that is not listed.
    static int countInterfaces(HidBackend &backend, quint16 vendorId, quint16 productId,
                               const QStringList &listedSerials);

private:
    bool openFlag = false;
    std::unique_ptr<HidDeviceState> state;
    QString serial;
};
