#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

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

    // A value field is the out-of-range marker 48 B8 5B 6E or a little-endian binary32; the
    // settings-changed marker is an ordinary number in a stored record.
    static bool isOutOfRangeMarker(const char *fourBytes);
    static bool isSettingsChangedMarker(const char *fourBytes);

    // The first 13 bytes of a name slot up to the first zero byte. Valid UTF-8 is read as
    // UTF-8, anything else as GB18030 (the instrument's Chinese firmware stores GBK).
    static QString decodeRecordName(const QByteArray &slot16);
};
