#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// A decoded 4-byte value field: the number, or 0.0 with the word to show instead.
struct DecodedField
{
    float value = 0.0f;
    QString overrideText;
};

// Turns the instrument's stored bytes into values, texts and names. No widgets, no device.
class FieldDecoder
{
public:
    static constexpr int FieldSize = 4;
    static constexpr int NameSlotSize = 16;
    static constexpr int NameMaxLength = 13;
    static constexpr int SingleRecordSize = 12;
    static constexpr int MultiRecordSize = 28;

    // The word shown for the out-of-range marker, in the language in use.
    static QString outOfRangeWord();

    static bool isOutOfRangeMarker(const char *fourBytes);
    static bool isSettingsChangedMarker(const char *fourBytes);

    // Out-of-range marker 48 B8 5B 6E -> (0.0, the word); anything else -> little-endian binary32.
    // The settings-changed marker is an ordinary number here.
    static DecodedField decodeField(const char *fourBytes);

    // The first 13 bytes of a name slot up to the first zero byte. Valid UTF-8 is read as
    // UTF-8, anything else as GB18030 (the instrument's Chinese firmware stores GBK).
    static QString decodeRecordName(const QByteArray &slot16);
};
