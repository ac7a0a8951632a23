// Reads 10,000 single-layer records (469 blocks of up to 256 bytes) at full-speed timing
// through the real HID path: hidapi's hidraw back end on a umockdev node with the emulated
// gauge behind it (tests/hidraw's rig), then the link, framing and commands. Compared with
// what the USB reports alone need at one report per millisecond; the same read through the
// emulator's own back end in the same run is the baseline (what the rig adds on top).
// Re-runs itself under umockdev's preload.
#include "HidrawRig.h"
#include "UsbBound.h"

#include "emulator/EmulatorBackend.h"
#include "hid/HidapiBackend.h"
#include "link/HidLink.h"
#include "link/FramedLink.h"
#include "protocol/InstrumentCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int Records = 10000;
constexpr int BlockSize = 256;

std::shared_ptr<EmulatedInstrument> gauge()
{
    auto instrument = std::make_shared<EmulatedInstrument>(QStringLiteral("12345"), 1, 110);
    instrument->setReportIntervalUs(1000);
    for (int i = 0; i < Records; ++i)
        instrument->addSingleLayerRecord(5900.0f + float(i % 50), 1.0f + float(i % 300) / 10.0f);
    return instrument;
}

// The read's time over its report-time bound; negative when the read failed.
double readRatio(HidBackend &backend, EmulatedInstrument &instrument, qint64 *elapsedMs, qint64 *boundMs)
{
    HidLink link;
    if (link.open(HidrawRig::VendorId, HidrawRig::ProductId, &backend) != 0) {
        std::fprintf(stderr, "cannot open the gauge\n");
        return -1;
    }
    FramedLink framed;
    framed.setLink(&link);
    InstrumentCommands commands(&framed);
    const int total = Records * EmulatedInstrument::SingleRecordSize;
    instrument.clearRequestLog();
    QByteArray image;
    QElapsedTimer clock;
    clock.start();
    for (int offset = 0; offset < total; offset += BlockSize) {
        const quint16 length = quint16(qMin(BlockSize, total - offset));
        if (commands.readMemory(EmulatedInstrument::ValuesAddress + quint32(offset), image, length) != 1) {
            std::fprintf(stderr, "block at %d failed\n", offset);
            return -1;
        }
    }
    *elapsedMs = clock.elapsed();
    link.close();
    if (image != instrument.memory(EmulatedInstrument::ValuesAddress, total)) {
        std::fprintf(stderr, "read image differs from the instrument's memory\n");
        return -1;
    }
    *boundMs = UsbBound::of(instrument.requestLog());
    return double(*elapsedMs) / double(*boundMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (!HidrawRig::reexecUnderPreload(argv)) {
        std::fprintf(stderr, "cannot run under umockdev's preload\n");
        return 1;
    }
    QCoreApplication app(argc, argv);

    qint64 elapsedMs = 0, boundMs = 0;
    EmulatorBackend emulator;
    auto twin = emulator.plug(gauge());
    const double baseline = readRatio(emulator, *twin, &elapsedMs, &boundMs);
    if (baseline < 0)
        return 1;
    std::printf("baseline (emulator back end) records=%d elapsed_ms=%lld bound_ms=%lld ratio=%.2f\n", Records,
                static_cast<long long>(elapsedMs), static_cast<long long>(boundMs), baseline);

    HidrawRig rig;
    auto instrument = gauge();
    if (!rig.isReady() || rig.plug(instrument).isEmpty()) {
        std::fprintf(stderr, "cannot make the hidraw node\n");
        return 1;
    }
    HidapiBackend hidapi;
    const double ratio = readRatio(hidapi, *instrument, &elapsedMs, &boundMs);
    if (ratio < 0)
        return 1;
    std::printf("hidraw read elapsed_ms=%lld bound_ms=%lld\n", static_cast<long long>(elapsedMs),
                static_cast<long long>(boundMs));
    std::printf("hidraw_read records=%d ratio=%.2f\n", Records, ratio);
    return 0;
}
