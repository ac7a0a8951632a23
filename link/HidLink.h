#pragma once

#include "hid/HidDevice.h"
#include "link/Link.h"

// The link over the instrument's HID interface. lastError() is its device's: the cause of
// the last low-level open, read or write (a frame read that timed out after a part of the
// frame came says None: check the buffer's length).
class HidLink : public Link
{
    Q_OBJECT
public:
    static constexpr int PollBytes = 12800;      // bounds one 0-time-out poll
    // ... and so does this: a poll hands over what it holds after it, so pushed measurements
    // show promptly and a stop request is seen even while the gauge pushes without a pause.
    static constexpr int PollBudgetMs = 100;
    static constexpr int ReportWaitMs = 50;      // per-report wait of every low-level read

    HidLink();
    ~HidLink() override;

    // 0 on success, 0xFF on failure (the caller then deletes the link). The back end is the
    // platform's own (hidapi) unless given.
    int open(quint16 vendorId, quint16 productId, HidBackend *backend = nullptr);
    HidDevice &device() { return hid; }
    GaugeError lastError() const override { return hid.lastError(); }

public slots:
    void close() override;
    // timeoutMs 0: one poll (returns when the instrument has been silent for 50 ms, or after
    // PollBudgetMs with bytes in hand).
    // timeoutMs > 0: reassembles one frame of expectedLength bytes from its start byte
    // 0xAB; on time-out returns the last low-level result, so check the buffer's length.
    int read(QByteArray &buffer, int timeoutMs, int expectedLength) override;
    // data.size() when everything went out, -1 otherwise.
    int write(QByteArray &data, int timeoutMs) override;
    bool isOpen() override;
    bool isRemoved() override;
    int discardPending() override;
    int discardPendingInto(QByteArray &dropped) override;

private:
    HidDevice hid;
};
