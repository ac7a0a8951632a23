#include "link/HidLink.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {
constexpr quint8 StartByte = 0xAB;
// Bounds the scratch area when a caller asks for an absurd frame length.
constexpr int MaxFrameLength = 1 << 20;
}

HidLink::HidLink() = default;

HidLink::~HidLink()
{
    hid.close();
}

int HidLink::open(quint16 vendorId, quint16 productId, HidBackend *backend)
{
    if (hid.open(vendorId, productId, backend) == 0) {
        qDebug("hidDevice Open success!\n");
        return 0;
    }
    qDebug("hidDevice Open error!\n");
    return 0xFF;
}

void HidLink::close()
{
    hid.close();
}

int HidLink::read(QByteArray &buffer, int timeoutMs, int expectedLength)
{
    if (timeoutMs <= 0) {
        QByteArray scratch(PollBytes, '\0');
        hid.setReadBudgetMs(PollBudgetMs);
        const int n = hid.read(reinterpret_cast<quint8 *>(scratch.data()), PollBytes, ReportWaitMs);
        hid.setReadBudgetMs(0);
        if (n <= 0)
            return n;
        buffer.append(scratch.constData(), n);
        return buffer.size();
    }
    if (expectedLength <= 0)
        return 0;
    expectedLength = std::min(expectedLength, MaxFrameLength);

    QElapsedTimer clock;
    clock.start();
    QByteArray scratch(expectedLength, '\0');
    int last = 0;
    for (;;) {
        // Only what the frame still lacks is asked for: asking for the whole length again
        // would make a read that got part of a frame wait out a report time-out at its end.
        const int missing = (!buffer.isEmpty() && quint8(buffer.at(0)) == StartByte)
                ? std::max(1, expectedLength - int(buffer.size()))
                : expectedLength;
        scratch.fill('\0');
        const qint64 before = clock.elapsed();
        last = hid.read(reinterpret_cast<quint8 *>(scratch.data()), missing, ReportWaitMs);
        if (last > 0) {
            buffer.append(scratch.constData(), last);
            const int start = int(buffer.indexOf(char(StartByte)));
            buffer.remove(0, start < 0 ? buffer.size() : start);
            if (buffer.size() >= expectedLength && quint8(buffer.at(0)) == StartByte)
                return int(buffer.size());
        } else {
            qDebug("hidDevice ReadMessage error!\n");
            // A closed or vanished device will not answer; waiting out the time-out would
            // only block the caller.
            if (!hid.isOpen() || hid.isRemoved())
                return last;
            if (clock.elapsed() == before)
                QThread::msleep(1);
        }
        if (clock.elapsed() > timeoutMs)
            return last;
    }
}

int HidLink::write(QByteArray &data, int timeoutMs)
{
    const int ret = hid.write(reinterpret_cast<const quint8 *>(data.constData()), int(data.size()), timeoutMs);
    if (ret == data.size())
        return ret;
    qDebug("hidDevice WriteMessage error! ret = %d\n", ret);
    return -1;
}

bool HidLink::isOpen()
{
    return hid.isOpen();
}

bool HidLink::isRemoved()
{
    return hid.isRemoved();
}

int HidLink::discardPending()
{
    return hid.discardPending();
}

int HidLink::discardPendingInto(QByteArray &dropped)
{
    return hid.discardPending(&dropped);
}
