// The framed receive path: input reports through carry-over, reassembly, pushes set
// aside, CRC, and the command replies. The HID back end is fed from the fuzz input; it
// answers at once and reports the device gone when it has nothing more to give before the
// next request, so no wait ever runs out a time-out.
//
// Input: a control byte choosing the commands, then report records. A record's first byte
// is 0xF0..0xFF for "the reports after this come only once a request was written", else
// bits 0-5 the report's length byte (up to 63, one above the largest payload), bit 6 a
// short report (only the bytes given), bit 7 a foreign report id; the payload bytes follow.
#include "FuzzInput.h"
#include "hid/HidBackend.h"
#include "link/HidLink.h"
#include "link/FramedLink.h"
#include "protocol/InstrumentCommands.h"
#include "protocol/PushFrameParser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace {

constexpr quint16 Vendor = 0x2047;
constexpr quint16 Product = 0x0301;

struct Script
{
    std::deque<QByteArray> reports; // an empty entry waits for a written request
    qsizetype delivered = 0;        // payload bytes the host could have read
};

class ScriptedConnection : public HidConnection
{
public:
    explicit ScriptedConnection(Script &script) : script(script) {}
    int readReport(quint8 *buffer, int capacity, int) override
    {
        if (!isPresent())
            return -1;
        const QByteArray report = script.reports.front();
        script.reports.pop_front();
        const int n = qMin(int(report.size()), capacity);
        std::memcpy(buffer, report.constData(), size_t(n));
        script.delivered += n;
        return n;
    }
    int writeReport(const quint8 *, int length, int) override
    {
        if (!script.reports.empty() && script.reports.front().isEmpty())
            script.reports.pop_front();
        return length;
    }
    bool isPresent() override { return !script.reports.empty() && !script.reports.front().isEmpty(); }
    int inputReportLength() const override { return 64; }
    int outputReportLength() const override { return 64; }
    QString serialNumber() override { return QStringLiteral("F1"); }

private:
    Script &script;
};

class ScriptedBackend : public HidBackend
{
public:
    Script script;
    QList<HidDeviceInfo> enumerate(quint16, quint16) override
    {
        HidDeviceInfo info;
        info.path = QStringLiteral("fuzz");
        info.serialNumber = QStringLiteral("F1");
        info.interfaceNumber = 0;
        info.vendorId = Vendor;
        info.productId = Product;
        return {info};
    }
    std::unique_ptr<HidConnection> open(const QString &, bool, HidOpenResult *result) override
    {
        if (result)
            *result = HidOpenResult::Ok;
        return std::make_unique<ScriptedConnection>(script);
    }
};

struct Rig
{
    ScriptedBackend backend;
    HidLink link;
    FramedLink framed;
    InstrumentCommands commands{&framed};
    Rig()
    {
        if (link.open(Vendor, Product, &backend) != 0)
            abort();
        framed.setLink(&link);
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Rig rig;
    Script &script = rig.backend.script;
    script.delivered = 0;
    rig.link.discardPending(); // no carry-over from the previous input

    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    while (!in.atEnd()) {
        const uint8_t head = in.byte();
        if (head >= 0xF0) {
            script.reports.push_back(QByteArray());
            continue;
        }
        QByteArray report(2, '\0');
        report[0] = char((head & 0x80) ? 0x01 : 0x3F);
        report[1] = char(head & 0x3F);
        report += in.bytes(head & 0x3F);
        if (!(head & 0x40))
            report = report.leftJustified(64, '\0');
        script.reports.push_back(report);
    }

    // Four commands chosen by the control byte, then a poll as the worker makes it.
    for (int step = 0; step < 4; ++step) {
        switch ((control >> (2 * step)) & 3) {
        case 0: {
            KeyInfo info;
            const int r = rig.commands.readKeyInfo(info);
            FUZZ_CHECK(r == 1 || r == -1 || r == -2 || r == -3 || r == -5);
            break;
        }
        case 1: {
            int count = -7;
            const int r = rig.commands.readRecordCount(count);
            FUZZ_CHECK(r == 1 || count == -7);
            break;
        }
        case 2: {
            QList<int> units;
            const int r = rig.commands.readUnitNumbers(units);
            FUZZ_CHECK(units.size() == (r == 1 ? 60 : 0));
            break;
        }
        default: {
            QByteArray out("x");
            const quint16 length = quint16(1 + (control >> 4) * 17);
            const int r = (control & 0x40) ? rig.commands.readMemory(0x80000000u, out, length)
                                           : rig.commands.readMemoryChecked(0xC0000000u, out, length, 0x41);
            FUZZ_CHECK(out.size() == (r == 1 ? 1 + length : 1));
            break;
        }
        }
    }
    QByteArray polled;
    rig.framed.receiveFrame(polled, 0, 0, false);
    PushFrameParser parser;
    parser.feed(polled, 1 + (control & 1));

    // What was set aside are pushed frames, no more bytes than ever arrived.
    const QByteArray aside = rig.framed.takeSetAsidePushes();
    FUZZ_CHECK(aside.isEmpty() || aside.startsWith(PushFrameParser::header()));
    FUZZ_CHECK(aside.size() <= script.delivered);
    parser.feed(aside, 2);
    FUZZ_CHECK(parser.pendingBytes() <= PushFrameParser::MaxPendingBytes);

    // Nothing allocated here may outlive the input: libFuzzer would take it for a leak
    // and scan the heap after every run.
    std::deque<QByteArray>().swap(script.reports);
    return 0;
}
