#pragma once

// Bytes as the emulated gauge puts them on the wire: little-endian words, the CRC, its error
// reply. Shared by the gauge's memory side and its host side.
#include "link/FramedLink.h"

#include <QByteArray>

namespace EmulatorWire {


constexpr quint8 StartByte = 0xAB;
constexpr int ReportLength = 64;
constexpr int MaxPayload = 62;
constexpr int FieldSlots = 6;
// Raw writes far beyond any record memory are refused rather than allocated.
constexpr quint32 MaxImageSize = 16u << 20;

inline void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

inline void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

inline quint16 get16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | (quint8(b.at(at + 1)) << 8));
}

inline quint32 get32(const QByteArray &b, int at)
{
    return quint32(get16(b, at)) | (quint32(get16(b, at + 2)) << 16);
}

inline void appendCrc(QByteArray &frame)
{
    put16(frame, FramedLink::crc16(frame, int(frame.size())));
}

inline QByteArray errorReply()
{
    QByteArray reply;
    reply.append(char(StartByte));
    reply.append(char(0xA0));
    reply.append(char(0x04));
    reply.append(3, '\0');
    appendCrc(reply);
    return reply;
}

inline QByteArray fourBytes(const QByteArray &fieldBytes)
{
    QByteArray f = fieldBytes.left(4);
    f.append(4 - f.size(), '\0');
    return f;
}


} // namespace EmulatorWire
