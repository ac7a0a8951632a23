#include "protocol/FieldDecoder.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <cstring>

namespace {

const unsigned char kOutOfRange[4] = {0x48, 0xB8, 0x5B, 0x6E};
const unsigned char kSettingsChanged[4] = {0x1D, 0xF2, 0x34, 0x6E};

} // namespace

QString FieldDecoder::outOfRangeWord()
{
    return QCoreApplication::translate("FieldDecoder", "Outrange");
}

bool FieldDecoder::isOutOfRangeMarker(const char *fourBytes)
{
    return std::memcmp(fourBytes, kOutOfRange, 4) == 0;
}

bool FieldDecoder::isSettingsChangedMarker(const char *fourBytes)
{
    return std::memcmp(fourBytes, kSettingsChanged, 4) == 0;
}

namespace {

// Bytes of a multi-byte UTF-8 character left unfinished at the end (0 when it is whole).
int unfinishedUtf8Tail(const QByteArray &raw)
{
    for (int back = 1; back <= 3 && back <= raw.size(); ++back) {
        const quint8 b = quint8(raw.at(raw.size() - back));
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: the lead byte is further back
        const int length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

QString FieldDecoder::decodeRecordName(const QByteArray &slot16)
{
    QByteArray raw = slot16.left(NameMaxLength);
    const qsizetype zero = raw.indexOf('\0');
    if (zero >= 0)
        raw.truncate(zero);
    if (raw.isEmpty())
        return QString();

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(raw);
    if (!utf8.hasError())
        return asUtf8;
    // A UTF-8 name cut by the 13-byte limit in the middle of a character is still UTF-8:
    // only the cut character goes.
    if (const int tail = unfinishedUtf8Tail(raw)) {
        QStringDecoder whole(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString shortened = whole.decode(raw.chopped(tail));
        if (!whole.hasError())
            return shortened;
    }

    // A character cut by the 13-byte limit only costs that character (a replacement mark),
    // not the whole name.
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (gbk.isValid())
        return gbk.decode(raw);
    // No GB18030 in this Qt: Latin-1 keeps one character per byte, so nothing is silently
    // dropped and names can still be told apart.
    return QString::fromLatin1(raw);
}
