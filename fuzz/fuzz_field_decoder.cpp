// The stored-field decoder: values, markers, names and whole record images.
#include "FuzzInput.h"
#include "protocol/FieldDecoder.h"
#include "protocol/GaugeRecord.h"

#include <vector>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const qint64 count = qint64(int32_t(in.u32())) >> (control >> 3);
    const QByteArray field = in.bytes(4).leftJustified(4, '\0');
    // The field as both values of a stored record: flagged with a zero for the marker, else its bits.
    const GaugeRecord decoded = GaugeRecords::singleLayer((field + field).constData());
    if (FieldDecoder::isOutOfRangeMarker(field.constData()))
        FUZZ_CHECK(decoded.outOfRange == 0b11 && decoded.values[0] == 0.0f && decoded.values[1] == 0.0f);
    else
        FUZZ_CHECK(decoded.outOfRange == 0 && std::memcmp(&decoded.values[0], field.constData(), 4) == 0
                   && std::memcmp(&decoded.values[1], field.constData(), 4) == 0);

    const QByteArray slot = in.bytes(16);
    const QString name = FieldDecoder::decodeRecordName(slot);
    FUZZ_CHECK(name.size() <= FieldDecoder::NameMaxLength);

    const QByteArray rest = in.rest();
    const qsizetype split = rest.isEmpty() ? 0 : qsizetype(control) % rest.size();
    const QByteArray values = rest.left(split);
    const QByteArray names = rest.mid(split);
    // The column decoder that fills big tables agrees with the per-record one.
    const qint64 n = qBound<qint64>(0, count, values.size() / FieldDecoder::SingleRecordSize);
    std::vector<float> columns(size_t(n) * 2 + 1);
    std::vector<quint8> flags(size_t(n) + 1);
    GaugeRecords::decodeSingleLayerInto(values.constData(), n, columns.data(), flags.data());
    for (qint64 i = 0; i < n; ++i) {
        const GaugeRecord single = GaugeRecords::singleLayer(values.constData() + i * FieldDecoder::SingleRecordSize);
        FUZZ_CHECK(flags[size_t(i)] == single.outOfRange
                   && std::memcmp(&columns[size_t(i) * 2], single.values.data(), 2 * sizeof(float)) == 0);
    }
    const qint64 m = qMin<qint64>(qBound<qint64>(0, count, values.size() / FieldDecoder::MultiRecordSize),
                                  names.size() / FieldDecoder::NameSlotSize);
    for (qint64 i = 0; i < m; ++i)
        FUZZ_CHECK(FieldDecoder::decodeRecordName(names.mid(i * FieldDecoder::NameSlotSize, FieldDecoder::NameSlotSize))
                       .size()
                   <= FieldDecoder::NameMaxLength);
    return 0;
}
