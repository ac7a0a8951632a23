#include "link/FramedLink.h"

#include "link/CLinker.h"

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
    CLinker *link = held.load();
    return link && link->isOpen();
}

int FramedLink::sendFrame(QByteArray &frame, int timeoutMs)
{
    CLinker *link = held.load();
    if (!link || !link->isOpen())
        return -1;
    if (flushWithPoll.load()) {
        QByteArray scratch;
        link->read(scratch, 0, 0);
    } else {
        link->discardPending();
    }
    const quint16 crc = crc16(frame, int(frame.size()));
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return link->write(frame, timeoutMs);
}

int FramedLink::receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc)
{
    CLinker *link = held.load();
    if (!link)
        return -1;
    const int r = link->read(buffer, timeoutMs, expectedLength);
    if (r <= 0 || !checkCrc)
        return r;
    if (expectedLength < 2 || buffer.size() < expectedLength)
        return -1;
    const quint16 stored = quint16(quint8(buffer.at(expectedLength - 2)) | (quint8(buffer.at(expectedLength - 1)) << 8));
    if (stored != crc16(buffer, expectedLength - 2))
        return -1;
    return int(buffer.size());
}
