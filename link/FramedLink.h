#pragma once

#include <QByteArray>
#include <atomic>

class CLinker;

// Framed request/reply operations on top of the one held link: CRC-16 appended on
// send, reassembled and checked on receive. The held link may be swapped by the GUI
// thread while the worker thread reads it, hence the atomic slot.
class FramedLink
{
public:
    // CRC-16/MODBUS of the first length bytes of data (0xFFFF for length <= 0).
    static quint16 crc16(const QByteArray &data, int length);

    bool isLinkOpen() const;
    // Appends the CRC (low byte first) to frame and writes it. Bytes written, or -1.
    int sendFrame(QByteArray &frame, int timeoutMs);
    // Appends received bytes to buffer. > 0 on success, <= 0 on failure.
    int receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc);

    CLinker *link() const { return held.load(); }
    void setLink(CLinker *link) { held.store(link); }

    // Before each request stale input is flushed. By default only what has already
    // arrived is dropped; with this set, a 0-time-out read is made instead, which waits
    // out one report time-out (50 ms) per request. Kept to measure the difference.
    void setFlushWithPoll(bool on) { flushWithPoll.store(on); }

private:
    std::atomic<CLinker *> held{nullptr};
    std::atomic<bool> flushWithPoll{false};
};
