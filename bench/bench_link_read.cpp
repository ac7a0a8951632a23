// Reads 10,000 single-layer records (469 blocks of up to 256 bytes) from the emulated
// gauge at full-speed timing through the real layers, and compares the time with what
// the USB reports alone need at one report per millisecond. A second run flushes with
// the old 50 ms poll before every request, as the baseline.
#include "emulator/EmulatorBackend.h"
#include "link/HidLink.h"
#include "link/FramedLink.h"
#include "protocol/InstrumentCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

namespace {

constexpr int Records = 10000;
constexpr int RecordSize = 12;
constexpr int BlockSize = 256;
constexpr int ReportPayload = 62;

struct RunResult
{
    int blocks = 0;
    qint64 elapsedMs = 0;
    double boundMs = 0;
    bool ok = false;
};

int reportsFor(int bytes)
{
    return (bytes + ReportPayload - 1) / ReportPayload;
}

RunResult readAll(InstrumentCommands &commands, const QByteArray &expected, int intervalUs)
{
    RunResult result;
    const int total = int(expected.size());
    QByteArray image;
    QElapsedTimer clock;
    clock.start();
    for (int offset = 0; offset < total; offset += BlockSize) {
        const quint16 length = quint16(qMin(BlockSize, total - offset));
        if (commands.readMemory(EmulatedInstrument::ValuesAddress + quint32(offset), image, length) != 1) {
            std::fprintf(stderr, "block %d failed\n", result.blocks);
            return result;
        }
        ++result.blocks;
        result.boundMs += (reportsFor(10) + reportsFor(length + 10)) * intervalUs / 1000.0;
    }
    result.elapsedMs = clock.elapsed();
    result.ok = image == expected;
    if (!result.ok)
        std::fprintf(stderr, "read image differs from the instrument's memory\n");
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool skipBaseline = argc > 1 && std::strcmp(argv[1], "--no-baseline") == 0;
    const int intervalUs = 1000;

    EmulatorBackend backend;
    auto gauge = backend.plug(QStringLiteral("12345"), 1, 110);
    gauge->setReportIntervalUs(intervalUs);
    for (int i = 0; i < Records; ++i)
        gauge->addSingleLayerRecord(5900.0f + float(i % 50), 1.0f + float(i % 300) / 10.0f);
    const QByteArray expected = gauge->memory(EmulatedInstrument::ValuesAddress, Records * RecordSize);

    HidLink link;
    if (link.open(EmulatorBackend::VendorId, EmulatorBackend::ProductId, &backend) != 0) {
        std::fprintf(stderr, "cannot open the emulated gauge\n");
        return 1;
    }
    FramedLink framed;
    framed.setLink(&link);
    InstrumentCommands commands(&framed);

    const RunResult fast = readAll(commands, expected, intervalUs);
    if (!fast.ok)
        return 1;
    RunResult baseline;
    if (!skipBaseline) {
        framed.setFlushWithPoll(true);
        baseline = readAll(commands, expected, intervalUs);
        if (!baseline.ok)
            return 1;
        std::printf("baseline (50 ms flush poll before each request) blocks=%d elapsed_ms=%lld bound_ms=%.0f ratio=%.2f\n",
                    baseline.blocks, static_cast<long long>(baseline.elapsedMs), baseline.boundMs,
                    baseline.elapsedMs / baseline.boundMs);
        std::printf("speed-up over baseline: %.1fx\n", double(baseline.elapsedMs) / double(qMax<qint64>(1, fast.elapsedMs)));
    }
    link.close();
    std::printf("link_read blocks=%d elapsed_ms=%lld bound_ms=%.0f ratio=%.2f\n", fast.blocks,
                static_cast<long long>(fast.elapsedMs), fast.boundMs, fast.elapsedMs / fast.boundMs);
    return 0;
}
