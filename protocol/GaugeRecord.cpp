#include "protocol/GaugeRecord.h"

#include "protocol/FieldDecoder.h"
#include "protocol/PushFrameParser.h"

#include <QtEndian>
#include <QtGlobal>

namespace GaugeRecords {

// One record through the column decoders, so the field order is written down once.
GaugeRecord singleLayer(const char *eightBytes)
{
    GaugeRecord record;
    decodeSingleLayerInto(eightBytes, 1, record.values.data(), &record.outOfRange);
    return record;
}

GaugeRecord multiLayer(const QString &name, const char *twentyFourBytes)
{
    GaugeRecord record;
    record.name = name;
    decodeMultiLayerInto(twentyFourBytes, 1, record.values.data(), &record.outOfRange);
    return record;
}

namespace {

inline float fieldValue(const char *fourBytes, bool *outOfRange)
{
    *outOfRange = FieldDecoder::isOutOfRangeMarker(fourBytes);
    if (*outOfRange)
        return 0.0f;
    return qFromLittleEndian<float>(fourBytes);
}

} // namespace

void decodeSingleLayerInto(const char *records, qint64 n, float *values, quint8 *flags)
{
    for (qint64 k = 0; k < n; ++k) {
        const char *record = records + k * FieldDecoder::SingleRecordSize;
        bool velocityOut = false;
        bool thicknessOut = false;
        // Stored velocity first, shown thickness first.
        values[2 * k + 1] = fieldValue(record, &velocityOut);
        values[2 * k] = fieldValue(record + FieldDecoder::FieldSize, &thicknessOut);
        flags[k] = quint8((thicknessOut ? 1u : 0u) | (velocityOut ? 2u : 0u));
    }
}

void decodeMultiLayerInto(const char *records, qint64 n, float *values, quint8 *flags)
{
    for (qint64 k = 0; k < n; ++k) {
        const char *record = records + k * FieldDecoder::MultiRecordSize;
        quint8 bits = 0;
        for (int i = 0; i < 6; ++i) {
            bool out = false;
            values[6 * k + i] = fieldValue(record + i * FieldDecoder::FieldSize, &out);
            bits = quint8(bits | (out ? 1u << i : 0u));
        }
        flags[k] = bits;
    }
}

GaugeRecord fromPushed(const PushedFrame &frame, const QString &name)
{
    if (frame.layout == 1 && frame.fieldCount() >= 2)
        return singleLayer(frame.fieldBytes.constData());
    if (frame.layout == 2 && frame.fieldCount() >= 6)
        return multiLayer(name, frame.fieldBytes.constData());
    GaugeRecord record;
    record.name = name;
    return record;
}

} // namespace GaugeRecords
