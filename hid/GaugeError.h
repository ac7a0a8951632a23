#pragma once

#include <QString>

// Why an operation on the gauge failed, shared by the device, link and command layers. Each
// layer keeps the cause of its last operation (lastError(): None after a success) and passes
// on the one below it unless it knows better.
enum class GaugeError {
    None,
    NotFound,        // open: no gauge is attached
    Busy,            // open: another program holds it
    OpenFailed,      // open: attached, but the system refused it (permissions, mostly)
    NotOpen,         // nothing is open to read or write
    Removed,         // the gauge went away (pulled out, switched off)
    ReadFailed,      // a read failed while the gauge still seemed present
    WriteFailed,     // a request did not go out whole in time
    NoReply,         // nothing, or only part of a reply, came in time
    BadCrc,          // a reply arrived whole, its checksum wrong
    UnexpectedReply, // a whole, checked reply without the markers of the request's answer
    ErrorReply,      // the gauge answered with its error frame
};

// The cause in words, in the language in use.
QString gaugeErrorText(GaugeError error);
