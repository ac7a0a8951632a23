#pragma once

#include "hid/HidBackend.h"

#include <QByteArray>
#include <QtGlobal>
#include <memory>

// The per-device record under HidDevice, and the plain stream functions that work on
// it: byte streams in and out as 0x3F reports with a length byte.
struct HidDeviceState
{
    static constexpr quint8 ReportId = 0x3F;
    static constexpr int MaxPayload = 62;     // per output report
    static constexpr int BufferSize = 8192;   // one input report, or the carried bytes
    static constexpr int DefaultTimeoutMs = 50;

    std::unique_ptr<HidConnection> handle;    // null while not open
    int open = 0;
    int readTimeoutMs = DefaultTimeoutMs;
    // The longest one stream read keeps collecting once it holds bytes (0: no bound). A
    // gauge that pushes every few milliseconds is never silent for a report wait.
    int readBudgetMs = 0;
    int writeTimeoutMs = DefaultTimeoutMs;
    quint16 inputReportLength = 0;            // 0 until known
    quint16 outputReportLength = 0;
    quint8 reportBuffer[BufferSize] = {};
    quint16 carryOver = 0;                    // payload bytes waiting at reportBuffer[0]
};

// Ends a stream transfer early; never outlives the call.
enum class HidStreamStatus { None, NotOpen, TimedOut, Failed };

// Writes len bytes as consecutive reports of at most 62 payload bytes. Returns len when
// every report went out, 0 on any status (and 0 for len 0).
int hidWriteStream(HidDeviceState &state, const quint8 *source, int len,
                   HidStreamStatus *status = nullptr);
// Reads up to len bytes of report payload, carried-over bytes first. Returns len, the
// partial count when a report wait timed out after some bytes were handed out, or 0.
int hidReadStream(HidDeviceState &state, quint8 *destination, int len,
                  HidStreamStatus *status = nullptr);
// Drops the carried-over bytes and every report that has already arrived, without
// waiting. Returns the payload bytes dropped; appends them to dropped when given.
int hidDiscardInput(HidDeviceState &state, QByteArray *dropped = nullptr);
// Closes the handle; reads and writes then return 0. Safe on a closed record.
void hidCloseState(HidDeviceState &state);
