#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// One block request of a record read.
struct ReadBlock
{
    quint32 address = 0;
    int length = 0;
    bool operator==(const ReadBlock &o) const { return address == o.address && length == o.length; }
};

// How the record memory is read: blocks of at most 256 bytes, 256 apart, from the base of
// the value area (0x80000000) or the name area (0xC0000000).
class ReadPlan
{
public:
    static constexpr quint32 ValueBase = 0x80000000u;
    static constexpr quint32 NameBase = 0xC0000000u;
    static constexpr int BlockSize = 256;
    // Largest record count this program reads. A count this size is far beyond what the
    // gauge stores; it keeps the buffers (28 MB + 16 MB), the table's int row numbers and the
    // rows' memory (well under 1 GB) within sound limits on an ordinary desktop.
    static constexpr qint64 MaxRecordCount = 1000000;

    // Bytes per record: values 12 (layout 1) or 28 (layout 2); names 16 (layout 2 only).
    static int valueRecordSize(int layout);
    static int nameRecordSize(int layout);

    static QVector<ReadBlock> blocks(quint32 base, qint64 totalBytes);
    static QVector<ReadBlock> valueBlocks(int layout, qint64 count);
    static QVector<ReadBlock> nameBlocks(int layout, qint64 count);

    // False (with a reason) for an unknown layout, a negative count, a count whose value or
    // name area would run past its memory region, or one above MaxRecordCount.
    static bool countFits(int layout, qint64 count, QString *why = nullptr);
};
