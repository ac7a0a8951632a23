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
    const QVector<GaugeRecord> single = GaugeRecords::singleLayerImage(values, count);
    FUZZ_CHECK(single.size() == qBound<qint64>(0, count, values.size() / FieldDecoder::SingleRecordSize));
    // The column decoder that fills big tables agrees with the per-record one.
    std::vector<float> columns(size_t(single.size()) * 2 + 1);
    std::vector<quint8> flags(size_t(single.size()) + 1);
    GaugeRecords::decodeSingleLayerInto(values.constData(), single.size(), columns.data(), flags.data());
    for (qsizetype i = 0; i < single.size(); ++i)
        FUZZ_CHECK(flags[size_t(i)] == single[i].outOfRange
                   && std::memcmp(&columns[size_t(i) * 2], single[i].values.data(), 2 * sizeof(float)) == 0);
    const QVector<GaugeRecord> multi = GaugeRecords::multiLayerImage(values, names, count);
    FUZZ_CHECK(multi.size() <= values.size() / FieldDecoder::MultiRecordSize
               && multi.size() <= names.size() / FieldDecoder::NameSlotSize && multi.size() <= qMax<qint64>(count, 0));
    for (const GaugeRecord &row : multi)
        FUZZ_CHECK(row.name.size() <= FieldDecoder::NameMaxLength);
    return 0;
}
