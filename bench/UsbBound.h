#pragma once

#include <QByteArray>
#include <QList>

// The report-time bound of a read: the milliseconds the USB reports of every request and its
// reply take at one 64-byte report (62 bytes of payload) per millisecond, full speed.
namespace UsbBound {

constexpr int payloadPerReport = 62;

inline int reports(int bytes)
{
    return (bytes + payloadPerReport - 1) / payloadPerReport;
}

// Over the gauge's request log: key information and unit reads (0x20), memory reads (0x40, 0x41).
inline qint64 of(const QList<QByteArray> &requests)
{
    qint64 total = 0;
    for (const QByteArray &r : requests) {
        if (r.size() < 8)
            continue;
        const quint8 command = quint8(r[1]);
        int reply = 0;
        if (command == 0x20)
            reply = 6 + (quint8(r[4]) | quint8(r[5]) << 8) + 2;
        else if ((command == 0x40 || command == 0x41) && r.size() >= 10)
            reply = 10 + (quint8(r[6]) | quint8(r[7]) << 8);
        total += reports(int(r.size())) + reports(reply);
    }
    return total;
}

} // namespace UsbBound
