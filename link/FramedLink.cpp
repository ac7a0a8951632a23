#include "link/FramedLink.h"

#include "link/Link.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

constexpr char StartByte = char(0xAB);
// Drops bytes ahead of the next start byte, as the link does before a frame.
void skipToStartByte(QByteArray &buffer)
{
    const qsizetype start = buffer.indexOf(StartByte);
    buffer.remove(0, start < 0 ? buffer.size() : start);
}

} // namespace

quint16 FramedLink::crc16(const QByteArray &data, int length)
{
    quint16 crc = 0xFFFF;
    const int n = qMin(length, int(data.size()));
    for (int i = 0; i < n; ++i) {
        crc ^= quint8(data.at(i));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

bool FramedLink::isLinkOpen() const
{
    Link *link = held.load();
    return link && link->isOpen();
}

int FramedLink::sendFrame(QByteArray &frame, int timeoutMs)
{
    Link *link = held.load();
    if (!link || !link->isOpen()) {
        error.store(GaugeError::NotOpen);
        return -1;
    }
    QByteArray flushed;
    if (flushWithPoll.load())
        link->read(flushed, 0, 0);
    else
        link->discardPendingInto(flushed);
    setAsideFlushed(flushed);
    const quint16 crc = crc16(frame, int(frame.size()));
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    const int written = link->write(frame, timeoutMs);
    GaugeError cause = GaugeError::None;
    if (written < frame.size()) {
        cause = link->lastError();
        if (cause == GaugeError::None)
            cause = GaugeError::WriteFailed;
    }
    error.store(cause);
    return written;
}

int FramedLink::receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc)
{
    Link *link = held.load();
    if (!link) {
        error.store(GaugeError::NotOpen);
        return -1;
    }
    GaugeError cause = GaugeError::None;
    const int r = receive(link, buffer, timeoutMs, expectedLength, checkCrc, cause);
    if (cause == GaugeError::None && r <= 0) {
        // A link that waited in vain says why, or says nothing.
        cause = link->lastError();
        if (cause == GaugeError::None)
            cause = GaugeError::NoReply;
    } else if (cause == GaugeError::None && timeoutMs > 0 && expectedLength > 0 && buffer.size() < expectedLength) {
        cause = GaugeError::NoReply; // a part of the reply came in time, not the whole
    }
    error.store(cause);
    return r;
}

int FramedLink::receive(Link *link, QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc,
                        GaugeError &cause)
{
    QElapsedTimer clock;
    clock.start();
    int r = link->read(buffer, timeoutMs, expectedLength);
    // Only a wait for a reply meets pushes ahead of it; a poll hands everything over.
    if (timeoutMs > 0 && expectedLength > 0) {
        for (;;) {
            int length = unaskedLength(buffer, 0);
            if (length == 0)
                break;
            const qint64 left = timeoutMs - clock.elapsed();
            if (length < 0) {
                if (left <= 0 || r <= 0) {
                    r = 0; // a push cut off by a time-out or a removal: no reply either
                    break;
                }
                r = link->read(buffer, int(left), unasked.maxLength);
                length = unaskedLength(buffer, 0);
                if (length < 0)
                    continue; // the loop ends on the time-out above
            }
            if (!unasked.cutShort(buffer, 0, length))
                setAside(buffer.left(length));
            buffer.remove(0, length);
            skipToStartByte(buffer);
            if (buffer.size() >= expectedLength) {
                r = int(buffer.size());
                continue; // the next frame may be another push
            }
            if (left <= 0) {
                r = 0;
                break;
            }
            r = link->read(buffer, int(left), expectedLength);
        }
    }
    if (r <= 0 || !checkCrc)
        return r;
    if (expectedLength < 2 || buffer.size() < expectedLength) {
        cause = GaugeError::NoReply;
        return -1;
    }
    const quint16 stored = quint16(quint8(buffer.at(expectedLength - 2)) | (quint8(buffer.at(expectedLength - 1)) << 8));
    if (stored != crc16(buffer, expectedLength - 2)) {
        cause = GaugeError::BadCrc;
        return -1;
    }
    return int(buffer.size());
}

QByteArray FramedLink::takeSetAsidePushes()
{
    QMutexLocker lock(&asideLock);
    QByteArray out;
    out.swap(asideFrames);
    return out;
}

void FramedLink::setAside(const QByteArray &frame)
{
    QMutexLocker lock(&asideLock);
    asideFrames.append(frame);
    ++setAsideCount;
    if (asideFrames.size() > MaxSetAsideBytes) {
        // Nobody takes them: keep the newest, dropping whole frames from the front.
        qsizetype cut = asideFrames.size() - MaxSetAsideBytes;
        const qsizetype next = asideFrames.indexOf(unasked.start, cut);
        cut = next < 0 ? asideFrames.size() : next;
        qDebug("FramedLink: %lld bytes of set-aside pushes dropped, nobody takes them", qlonglong(cut));
        asideFrames.remove(0, cut);
    }
}

void FramedLink::setAsideFlushed(const QByteArray &flushed)
{
    if (!unasked.length)
        return;
    const QByteArray &head = unasked.start;
    qsizetype at = flushed.indexOf(head);
    while (at >= 0) {
        const int length = unaskedLength(flushed, at);
        if (length < 0)
            break; // its rest is still on the way: dropped with the stale bytes
        if (!unasked.cutShort(flushed, at, length))
            setAside(flushed.mid(at, length));
        at = flushed.indexOf(head, at + length);
    }
}
