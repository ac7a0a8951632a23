#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <array>

struct PushedFrame;

// One record as the gauge holds it: numbers, with a flag for each value that held the
// out-of-range marker instead of a number.
//   layout 1 (single layer): values[0] thickness, values[1] sound velocity;
//   layout 2 (multi layer):  values[0..2] thickness of layers 1-3, values[3..5] their
//                            sound velocity; `name` is the record's name.
struct GaugeRecord
{
    static constexpr int MaxValues = 6;

    QString name;
    std::array<float, MaxValues> values{};
    quint8 outOfRange = 0; // bit i: values[i] is out of range (its number is 0)

    bool isOutOfRange(int i) const { return (outOfRange >> i) & 1u; }
    void setValue(int i, float value, bool outOfRangeFlag)
    {
        values[size_t(i)] = value;
        if (outOfRangeFlag)
            outOfRange = quint8(outOfRange | (1u << i));
        else
            outOfRange = quint8(outOfRange & ~(1u << i));
    }
};

// The gauge's bytes to records. Only complete records present in the buffers are decoded,
// so a short buffer never leads to reading past its end.
namespace GaugeRecords {

// A stored single-layer record or a pushed single-layer frame: velocity field, then thickness.
GaugeRecord singleLayer(const char *eightBytes);
// Six fields: thickness 1-3, then velocity 1-3.
GaugeRecord multiLayer(const QString &name, const char *twentyFourBytes);


// The values and flags of n stored records, decoded into columns: `values` takes 2 (single
// layer) or 6 (multi layer) floats per record in GaugeRecord's order, `flags` one byte of
// out-of-range bits per record. For filling a large table without a record per row.
void decodeSingleLayerInto(const char *records, qint64 n, float *values, quint8 *flags);
void decodeMultiLayerInto(const char *records, qint64 n, float *values, quint8 *flags);

// A pushed measurement in its layout (1 or 2); a frame with too few fields gives zeros.
GaugeRecord fromPushed(const PushedFrame &frame, const QString &name);

} // namespace GaugeRecords
