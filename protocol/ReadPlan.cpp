#include "protocol/ReadPlan.h"

namespace {
// Each area ends where the next begins; the name area runs to the top of the address space.
constexpr qint64 kValueAreaSize = qint64(ReadPlan::NameBase) - qint64(ReadPlan::ValueBase);
constexpr qint64 kNameAreaSize = 0x100000000LL - qint64(ReadPlan::NameBase);
} // namespace

int ReadPlan::valueRecordSize(int layout)
{
    return layout == 1 ? 12 : layout == 2 ? 28 : 0;
}

int ReadPlan::nameRecordSize(int layout)
{
    return layout == 2 ? 16 : 0;
}

QVector<ReadBlock> ReadPlan::blocks(quint32 base, qint64 totalBytes)
{
    QVector<ReadBlock> out;
    if (totalBytes <= 0)
        return out;
    const qint64 count = (totalBytes + BlockSize - 1) / BlockSize;
    out.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        ReadBlock b;
        b.address = base + quint32(i * BlockSize);
        b.length = int(qMin<qint64>(BlockSize, totalBytes - i * BlockSize));
        out.append(b);
    }
    return out;
}

QVector<ReadBlock> ReadPlan::valueBlocks(int layout, qint64 count)
{
    if (!countFits(layout, count))
        return {};
    return blocks(ValueBase, count * valueRecordSize(layout));
}

QVector<ReadBlock> ReadPlan::nameBlocks(int layout, qint64 count)
{
    if (!countFits(layout, count))
        return {};
    return blocks(NameBase, count * nameRecordSize(layout));
}

bool ReadPlan::countFits(int layout, qint64 count, QString *why)
{
    auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    const int valueSize = valueRecordSize(layout);
    if (valueSize == 0)
        return refuse(QStringLiteral("unknown table layout %1").arg(layout));
    if (count < 0)
        return refuse(QStringLiteral("negative record count %1").arg(count));
    // Compare by division so that no product can overflow.
    if (count > kValueAreaSize / valueSize)
        return refuse(QStringLiteral("%1 records do not fit the value memory").arg(count));
    const int nameSize = nameRecordSize(layout);
    if (nameSize > 0 && count > kNameAreaSize / nameSize)
        return refuse(QStringLiteral("%1 records do not fit the name memory").arg(count));
    if (count > MaxRecordCount)
        return refuse(QStringLiteral("%1 records exceed the limit of %2").arg(count).arg(MaxRecordCount));
    if (why)
        why->clear();
    return true;
}
