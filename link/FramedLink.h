#pragma once

#include <QByteArray>
#include <QMutex>
#include <atomic>

class CLinker;

// Framed request/reply operations on top of the one held link: CRC-16 appended on
// send, reassembled and checked on receive. The held link may be swapped by the GUI
// thread while the worker thread reads it, hence the atomic slot.
//
// The instrument pushes measurement frames (header AB 44 00 00 00 00 F0 00) whenever it
// likes, also between a request and its reply. A pushed frame met where a reply is
// awaited, or among the stale bytes flushed before a request, is set aside whole and the
// wait for the reply goes on; takeSetAsidePushes() hands those frames to the push parser.
class FramedLink
{
public:
    // A pushed frame as the instrument sends it: header, six value slots, CRC. A frame
    // whose CRC closes after two value slots is taken as the short form.
    static constexpr int PushFrameSize = 34;
    static constexpr int ShortPushFrameSize = 18;
    // Set-aside frames kept for a caller that never takes them; beyond it the oldest go.
    static constexpr int MaxSetAsideBytes = 256 * 1024;

    // CRC-16/MODBUS of the first length bytes of data (0xFFFF for length <= 0).
    static quint16 crc16(const QByteArray &data, int length);
    // For bytes starting at a push header: the frame's length (for a frame cut short by
    // the next pushed frame, the length up to it); 0 when they start with no push header;
    // -1 when more bytes are needed to tell.
    static int pushFrameLength(const QByteArray &bytes, qsizetype from = 0);

    bool isLinkOpen() const;
    // Appends the CRC (low byte first) to frame and writes it. Bytes written, or -1.
    int sendFrame(QByteArray &frame, int timeoutMs);
    // Appends received bytes to buffer. > 0 on success, <= 0 on failure. With a time-out,
    // pushed frames ahead of the reply are set aside; timeoutMs bounds the whole wait.
    int receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc);

    // The raw bytes of every whole pushed frame set aside so far, in arrival order, ready
    // for PushFrameParser::feed; clears them. Safe from any thread.
    QByteArray takeSetAsidePushes();

    CLinker *link() const { return held.load(); }
    void setLink(CLinker *link) { held.store(link); }

    // Before each request stale input is flushed. By default only what has already
    // arrived is dropped; with this set, a 0-time-out read is made instead, which waits
    // out one report time-out (50 ms) per request. Kept to measure the difference.
    void setFlushWithPoll(bool on) { flushWithPoll.store(on); }

private:
    static bool isCutShortPush(const QByteArray &bytes, qsizetype from, int length);
    void setAside(const QByteArray &frame);
    // Sets aside every whole pushed frame found in flushed bytes.
    void setAsideFlushed(const QByteArray &flushed);

    std::atomic<CLinker *> held{nullptr};
    std::atomic<bool> flushWithPoll{false};
    QMutex asideLock;
    QByteArray asideFrames;   // guarded by asideLock
};
