#include "protocol/InstrumentCommands.h"

#include "protocol/PushFrameParser.h"

#include "link/FramedLink.h"


namespace {

constexpr int WriteTimeoutMs = 1000;
constexpr int KeyInfoTimeoutMs = 1000;
constexpr int ReplyTimeoutMs = 6000;

quint16 le16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | (quint8(b.at(at + 1)) << 8));
}

quint32 le32(const QByteArray &b, int at)
{
    return quint32(le16(b, at)) | (quint32(le16(b, at + 2)) << 16);
}

QByteArray itemRequest(quint16 item, quint16 length)
{
    QByteArray request;
    request.append(char(0xAB));
    request.append(char(0x20));
    request.append(char(item & 0xFF));
    request.append(char(item >> 8));
    request.append(char(length & 0xFF));
    request.append(char(length >> 8));
    return request;
}

QByteArray memoryRequest(quint8 command, quint32 address, quint16 length)
{
    QByteArray request;
    request.append(char(0xAB));
    request.append(char(command));
    for (int shift = 0; shift < 32; shift += 8)
        request.append(char((address >> shift) & 0xFF));
    request.append(char(length & 0xFF));
    request.append(char(length >> 8));
    return request;
}

} // namespace

void InstrumentCommands::setLink(FramedLink *link)
{
    framed = link;
    if (framed)
        framed->setUnaskedFrames(PushFrameParser::unaskedFrames());
}

int InstrumentCommands::settle(int result)
{
    GaugeError cause = GaugeError::None;
    if (result == -3) {
        cause = GaugeError::UnexpectedReply;
    } else if (result == -5) {
        cause = GaugeError::ErrorReply;
    } else if (result < 0) {
        cause = framed ? framed->lastError() : GaugeError::NotOpen;
        // The framed link took the bytes it was given; too few of them is this layer's call.
        if (cause == GaugeError::None)
            cause = result == -1 ? GaugeError::WriteFailed : GaugeError::NoReply;
    }
    error.store(cause);
    return result;
}

int InstrumentCommands::exchangeItem(quint16 item, quint16 length, int sendMinimum, int timeoutMs,
                                     int markerOffset, quint8 markerValue, QByteArray &reply)
{
    if (!framed)
        return -1;
    QByteArray request = itemRequest(item, length);
    if (framed->sendFrame(request, WriteTimeoutMs) < sendMinimum)
        return -1;
    if (framed->receiveFrame(reply, timeoutMs, 8 + length, true) <= 0)
        return -2;
    if (quint8(reply.at(2)) != quint8(item & 0xFF) && quint8(reply.at(markerOffset)) != markerValue)
        return -3;
    return 1;
}

int InstrumentCommands::readKeyInfo(KeyInfo &info)
{
    QByteArray reply;
    const int r = exchangeItem(0x0005, 0x0012, 8, KeyInfoTimeoutMs, 6, 0xA5, reply);
    // The instrument's error reply is recognised only once a receive has failed.
    if (r == -2 && reply.size() >= 3 && quint8(reply.at(1)) == 0xA0 && quint8(reply.at(2)) == 0x04)
        return settle(-5);
    if (r < 0)
        return settle(r);
    KeyInfo decoded;
    decoded.flagByte = quint8(reply.at(6));
    decoded.date = QDate(le16(reply, 8), quint8(reply.at(10)), quint8(reply.at(11)));
    decoded.serialNo = le32(reply, 12);
    decoded.meterType = le32(reply, 16);
    decoded.auxWord = le16(reply, 20);
    decoded.firmwareVersion = le16(reply, 22);
    info = decoded;
    return settle(1);
}

int InstrumentCommands::readRecordCount(int &count)
{
    QByteArray reply;
    const int r = exchangeItem(0x000F, 0x0004, 6, ReplyTimeoutMs, 4, 0x04, reply);
    if (r < 0)
        return settle(r);
    count = int(le32(reply, 6));
    return settle(1);
}

int InstrumentCommands::readUnitNumbers(QList<int> &unitNumbers)
{
    QByteArray reply;
    const int r = exchangeItem(0x0061, 0x0078, 6, ReplyTimeoutMs, 4, 0x78, reply);
    if (r < 0)
        return settle(r);
    for (int i = 0; i < 60; ++i)
        unitNumbers.append(int(le16(reply, 6 + 2 * i)));
    return settle(1);
}

int InstrumentCommands::readMemory(quint32 address, QByteArray &out, quint16 length)
{
    return readMemoryChecked(address, out, length, 0x40, false);
}

int InstrumentCommands::readMemoryChecked(quint32 address, QByteArray &out, quint16 length, quint8 command)
{
    return readMemoryChecked(address, out, length, command, true);
}

int InstrumentCommands::readMemoryChecked(quint32 address, QByteArray &out, quint16 length, quint8 command,
                                          bool checkCrc)
{
    if (!framed)
        return settle(-1);
    QByteArray request = memoryRequest(command, address, length);
    if (framed->sendFrame(request, WriteTimeoutMs) < 8)
        return settle(-1);
    const int expected = int(length) + 10;
    QByteArray reply;
    const int r = framed->receiveFrame(reply, ReplyTimeoutMs, expected, checkCrc);
    if (r < expected || reply.size() < expected)
        return settle(-2);
    out.append(reply.constData() + 8, length);
    return settle(1);
}
