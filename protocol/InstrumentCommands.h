#pragma once

#include "hid/GaugeError.h"
#include "protocol/KeyInfo.h"

#include <QByteArray>
#include <QList>

#include <atomic>

class FramedLink;

// The instrument's request/reply commands. Stateless apart from the framed link it
// talks through and the cause of the last failure. Results at this layer: 1 success; -1 send
// failed; -2 no good reply; -3 reply markers wrong; -5 instrument error reply (readKeyInfo
// only). Callers test the sign. lastError() says why the last command failed: the framed
// link's cause for -1 and -2 (NotOpen also without a link), UnexpectedReply for -3,
// ErrorReply for -5; None after a success. Above it (the session) results are bools and
// signals, and failures are told to the user once.
class InstrumentCommands
{
public:
    // The link is told the form of the frames the instrument pushes, so that it sets them
    // aside while it waits for a reply.
    explicit InstrumentCommands(FramedLink *link = nullptr) { setLink(link); }

    void setLink(FramedLink *link);
    FramedLink *link() const { return framed; }
    GaugeError lastError() const { return error.load(); }

    int readKeyInfo(KeyInfo &info);
    int readRecordCount(int &count);
    int readUnitNumbers(QList<int> &unitNumbers);
    int readMemory(quint32 address, QByteArray &out, quint16 length);
    int readMemoryChecked(quint32 address, QByteArray &out, quint16 length, quint8 command);

private:
    // Keeps the cause of result (a result of this layer) and returns result.
    int settle(int result);
    int readMemoryChecked(quint32 address, QByteArray &out, quint16 length, quint8 command, bool checkCrc);
    // One item-family exchange: the request, its reply of 8 + length bytes into reply, and
    // the acceptance test (byte 2 echoes the item, or byte markerOffset holds markerValue).
    int exchangeItem(quint16 item, quint16 length, int sendMinimum, int timeoutMs, int markerOffset,
                     quint8 markerValue, QByteArray &reply);

    FramedLink *framed;
    std::atomic<GaugeError> error{GaugeError::None};
};
