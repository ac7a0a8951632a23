// The pushed-frame parser: no crash, bounded memory, and the same frames whatever the
// batch cuts.
#include "FuzzInput.h"
#include "protocol/GaugeRecord.h"
#include "protocol/PushFrameParser.h"

#include <QtAlgorithms>

#include <cstdio>
#include <cstdlib>

namespace {

QList<QByteArray> framesOf(const QByteArray &stream, const QList<qsizetype> &cuts, int layout)
{
    PushFrameParser parser;
    QList<QByteArray> found;
    qsizetype from = 0;
    QList<qsizetype> ends = cuts;
    ends.append(stream.size());
    for (qsizetype end : ends) {
        for (const PushedFrame &f : parser.feed(stream.mid(from, end - from), layout)) {
            FUZZ_CHECK(f.fieldCount() == PushFrameParser::valueBytes(layout) / 4);
            // Decoded as the session does: a flag for each out-of-range marker, no more.
            const GaugeRecord record = GaugeRecords::fromPushed(f, QString());
            int markers = 0;
            for (int i = 0; i < f.fieldCount(); ++i)
                markers += FieldDecoder::isOutOfRangeMarker(f.fieldBytes.constData() + i * FieldDecoder::FieldSize);
            FUZZ_CHECK(int(qPopulationCount(record.outOfRange)) == markers);
            FUZZ_CHECK((record.outOfRange >> f.fieldCount()) == 0);
            const bool changed = f.kind == PushedFrame::Kind::SettingsChanged;
            found.append((changed ? "C" : "M") + f.fieldBytes);
        }
        FUZZ_CHECK(parser.pendingBytes() <= PushFrameParser::MaxPendingBytes);
        from = end;
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    uint32_t seed = in.u32() | 1u;
    const QByteArray stream = in.rest();
    const int layout = 1 + (control & 1);

    const QList<QByteArray> whole = framesOf(stream, {}, layout);
    // One cut anywhere, then cuts every few bytes, then every byte its own batch.
    FUZZ_CHECK(framesOf(stream, {qsizetype(seed % (uint32_t(stream.size()) + 1))}, layout) == whole);
    QList<qsizetype> cuts;
    for (qsizetype at = 0; at < stream.size();) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        at += 1 + qsizetype(seed % (1u + (control >> 1)));
        if (at < stream.size())
            cuts.append(at);
    }
    FUZZ_CHECK(framesOf(stream, cuts, layout) == whole);
    if (stream.size() <= 256) {
        cuts.clear();
        for (qsizetype at = 1; at < stream.size(); ++at)
            cuts.append(at);
        FUZZ_CHECK(framesOf(stream, cuts, layout) == whole);
    }
    // An unknown layout finds nothing.
    PushFrameParser other;
    FUZZ_CHECK(other.feed(stream, 3 + (control >> 7)).isEmpty() && other.pendingBytes() == 0);
    return 0;
}
