#include "protocol/GaugeRecord.h"

#include "protocol/FieldDecoder.h"
#include "protocol/PushFrameParser.h"

#include <QtGlobal>

namespace {

void setField(GaugeRecord &record, int i, const char *fourBytes)
{
    // The display language is of no concern here: only the number and the flag are kept.
    const DecodedField f = FieldDecoder::decodeField(fourBytes, false);
    record.setValue(i, f.value, FieldDecoder::isOutOfRangeMarker(fourBytes));
}

} // namespace

namespace GaugeRecords {

GaugeRecord singleLayer(const char *eightBytes)
{
    GaugeRecord record;
    setField(record, 1, eightBytes);
    setField(record, 0, eightBytes + FieldDecoder::FieldSize);
    return record;
}

GaugeRecord multiLayer(const QString &name, const char *twentyFourBytes)
{
    GaugeRecord record;
    record.name = name;
    for (int i = 0; i < 6; ++i)
        setField(record, i, twentyFourBytes + i * FieldDecoder::FieldSize);
    return record;
}

QVector<GaugeRecord> singleLayerImage(const QByteArray &values, qint64 count)
{
    QVector<GaugeRecord> records;
    const qint64 n = qBound<qint64>(0, count, values.size() / FieldDecoder::SingleRecordSize);
    records.reserve(n);
    for (qint64 k = 0; k < n; ++k)
        records.append(singleLayer(values.constData() + k * FieldDecoder::SingleRecordSize));
    return records;
}

QVector<GaugeRecord> multiLayerImage(const QByteArray &values, const QByteArray &names, qint64 count)
{
    QVector<GaugeRecord> records;
    const qint64 n = qMin(qBound<qint64>(0, count, values.size() / FieldDecoder::MultiRecordSize),
                          names.size() / FieldDecoder::NameSlotSize);
    records.reserve(n);
    for (qint64 k = 0; k < n; ++k) {
        const QString name = FieldDecoder::decodeRecordName(
            names.mid(k * FieldDecoder::NameSlotSize, FieldDecoder::NameSlotSize));
        records.append(multiLayer(name, values.constData() + k * FieldDecoder::MultiRecordSize));
    }
    return records;
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
