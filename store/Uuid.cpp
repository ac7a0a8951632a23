#include "store/Uuid.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QUuid>

#include <cstring>

namespace Uuid {

void fill(uint8_t out[16])
{
    thread_local QRandomGenerator64 generator = QRandomGenerator64::securelySeeded();
    const quint64 high = generator.generate64();
    const quint64 low = generator.generate64();
    std::memcpy(out, &high, 8);
    std::memcpy(out + 8, &low, 8);
    // Version 7 (RFC 9562 §5.7): the first 48 bits are the time in ms, big-endian, so keys made
    // one after the other sort one after the other and an index takes them at its end.
    const quint64 ms = quint64(QDateTime::currentMSecsSinceEpoch());
    for (int i = 0; i < 6; ++i)
        out[i] = uint8_t(ms >> (40 - 8 * i));
    out[6] = uint8_t((out[6] & 0x0f) | 0x70); // version 7
    out[8] = uint8_t((out[8] & 0x3f) | 0x80); // variant 10
}

QByteArray make()
{
    QByteArray bytes(16, Qt::Uninitialized);
    fill(reinterpret_cast<uint8_t *>(bytes.data()));
    return bytes;
}

QString text(const QByteArray &uuid)
{
    if (uuid.size() != 16)
        return QString();
    return QUuid::fromRfc4122(uuid).toString(QUuid::WithoutBraces);
}

} // namespace Uuid
