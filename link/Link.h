#pragma once

#include "hid/GaugeError.h"

#include <QByteArray>
#include <QObject>

// The program's notion of a connection to the instrument.
//
// Results at this layer: read() returns the bytes appended (> 0), or 0 or a negative value
// when none came (the buffer is then unchanged or holds a partial frame); write() returns
// the bytes written or -1; discardPending() the bytes dropped. HidLink::open() keeps its
// 0 / 0xFF. lastError() says why the last open, read or write fell short (None after a
// success, and from a link that cannot tell). Framing on top (FramedLink) returns > 0 on
// success and <= 0 on failure.
class Link : public QObject
{
    Q_OBJECT
public:
    Link() : QObject(nullptr) {}
    ~Link() override = default;

    // Safe to call from any thread.
    virtual GaugeError lastError() const { return GaugeError::None; }

public slots:
    virtual void close() {}
    // Appends received bytes to buffer; see HidLink for the reassembly rules.
    virtual int read(QByteArray &buffer, int timeoutMs, int expectedLength)
    {
        Q_UNUSED(buffer) Q_UNUSED(timeoutMs) Q_UNUSED(expectedLength)
        return 0;
    }
    virtual int write(QByteArray &data, int timeoutMs)
    {
        Q_UNUSED(data) Q_UNUSED(timeoutMs)
        return 0;
    }
    virtual bool isOpen() { return false; }
    virtual bool isRemoved() { return true; }
    // Drops input that has already arrived, without waiting; a request's reply must not
    // be confused with stale bytes. Returns the bytes dropped.
    virtual int discardPending() { return 0; }
    // As discardPending, and appends the dropped bytes to dropped (pushed frames may be
    // among them). A link that cannot tell which bytes it dropped only drops them.
    virtual int discardPendingInto(QByteArray &dropped)
    {
        Q_UNUSED(dropped)
        return discardPending();
    }
};
