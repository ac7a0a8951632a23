#include "store/Uuid.h"

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
    out[6] = uint8_t((out[6] & 0x0f) | 0x40); // version 4 (RFC 4122 §4.4)
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
