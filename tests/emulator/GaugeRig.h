#pragma once

// The whole instrument stack against one emulated gauge: backend, USB link, framing and
// command set, wired as the main window wires them.
#include "emulator/EmulatorBackend.h"
#include "link/HidLink.h"
#include "link/FramedLink.h"
#include "protocol/InstrumentCommands.h"

struct GaugeRig
{
    EmulatorBackend backend;
    std::shared_ptr<EmulatedInstrument> gauge;
    HidLink link;
    FramedLink framed;
    InstrumentCommands commands{&framed};
    bool opened = false;

    explicit GaugeRig(quint32 meterType = 2, int intervalUs = 0)
    {
        gauge = backend.plug(QStringLiteral("12345"), meterType, meterType == 1 ? 110 : 125);
        gauge->setReportIntervalUs(intervalUs);
        opened = link.open(EmulatorBackend::VendorId, EmulatorBackend::ProductId, &backend) == 0;
        framed.setLink(&link);
    }
    ~GaugeRig()
    {
        link.close();
    }

    static QByteArray withCrc(QByteArray frame)
    {
        const quint16 crc = FramedLink::crc16(frame, int(frame.size()));
        frame.append(char(crc & 0xFF));
        frame.append(char(crc >> 8));
        return frame;
    }
};
