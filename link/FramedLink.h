#pragma once

#include "hid/GaugeError.h"

#include <QByteArray>
#include <QMutex>
#include <atomic>

class Link;

// Framed request/reply operations on top of the one held link: CRC-16 appended on
// send, reassembled and checked on receive. The held link may be swapped by the GUI
// thread while the worker thread reads it, hence the atomic slot.
//
// The instrument sends frames unasked (pushed measurements) whenever it likes, also between a
// request and its reply. Their form is the protocol's to know: it is given with
// setUnaskedFrames(). Such a frame met where a reply is awaited, or among the stale bytes
// flushed before a request, is set aside whole and the wait for the reply goes on;
// takeSetAsidePushes() hands those frames over. Without the form nothing is set aside.
//
// Results at this layer: sendFrame() returns the bytes written or -1; receiveFrame() > 0 on
// success and <= 0 on a failure or a time-out, except that without the CRC check a reply cut
// short by the time-out may return > 0 (check the buffer's length). lastError() says why the
// last send or receive fell short: the link's cause (NotOpen also without a link), NoReply
// when a reply did not come whole in time, BadCrc; None after a success. Safe to read from
// any thread.
class FramedLink
{
public:
    // The form of the frames the instrument sends unasked.
    struct UnaskedFrames
    {
        // For bytes at `from`: the length of the frame starting there (for a frame cut short
        // by the next one, the length up to it); 0 when none starts there; -1 when more
        // bytes are needed to tell.
        int (*length)(const QByteArray &bytes, qsizetype from) = nullptr;
        // A frame of that length at `from` was cut short by the next one (not kept).
        bool (*cutShort)(const QByteArray &bytes, qsizetype from, int length) = nullptr;
        // The bytes every such frame starts with, and the longest such frame.
        QByteArray start;
        int maxLength = 0;
    };
    // Set-aside frames kept for a caller that never takes them; beyond it the oldest go.
    static constexpr int MaxSetAsideBytes = 256 * 1024;

    // CRC-16/MODBUS of the first length bytes of data (0xFFFF for length <= 0).
    static quint16 crc16(const QByteArray &data, int length);
    // Set before the link is used from more than one thread.
    void setUnaskedFrames(const UnaskedFrames &frames) { unasked = frames; }

    bool isLinkOpen() const;
    // Appends the CRC (low byte first) to frame and writes it. Bytes written, or -1.
    int sendFrame(QByteArray &frame, int timeoutMs);
    // Appends received bytes to buffer. > 0 on success, <= 0 on failure. With a time-out,
    // pushed frames ahead of the reply are set aside; timeoutMs bounds the whole wait.
    int receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc);
    GaugeError lastError() const { return error.load(); }

    // The raw bytes of every whole pushed frame set aside so far, in arrival order, ready
    // for PushFrameParser::feed; clears them. Safe from any thread.
    QByteArray takeSetAsidePushes();
    // How many frames have been set aside since the link was made (taken or not).
    int framesSetAside() const { return setAsideCount.load(); }

    Link *link() const { return held.load(); }
    void setLink(Link *link) { held.store(link); }

    // Before each request stale input is flushed. By default only what has already
    // arrived is dropped; with this set, a 0-time-out read is made instead, which waits
    // out one report time-out (50 ms) per request. Kept to measure the difference.
    void setFlushWithPoll(bool on) { flushWithPoll.store(on); }

private:
    int unaskedLength(const QByteArray &bytes, qsizetype from) const
    {
        return unasked.length ? unasked.length(bytes, from) : 0;
    }
    // receiveFrame's work; sets cause when it fails a reply the link handed over.
    int receive(Link *link, QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc,
                GaugeError &cause);
    void setAside(const QByteArray &frame);
    // Sets aside every whole pushed frame found in flushed bytes.
    void setAsideFlushed(const QByteArray &flushed);

    std::atomic<Link *> held{nullptr};
    std::atomic<bool> flushWithPoll{false};
    // Written by whichever thread holds the link (the poll worker or a command sequence).
    std::atomic<GaugeError> error{GaugeError::None};
    UnaskedFrames unasked;
    QMutex asideLock;
    QByteArray asideFrames;   // guarded by asideLock
    std::atomic<int> setAsideCount{0};
};
