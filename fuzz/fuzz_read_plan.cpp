// The read plan and its count checks: a count either fits and its blocks tile exactly
// the bytes of its records from the area's base, or it is refused with a reason.
#include "FuzzInput.h"
#include "protocol/ReadPlan.h"

#include <cstdio>
#include <cstdlib>

namespace {

void checkTiling(const QVector<ReadBlock> &blocks, quint32 base, qint64 bytes)
{
    qint64 covered = 0;
    for (const ReadBlock &b : blocks) {
        FUZZ_CHECK(b.length > 0 && b.length <= ReadPlan::BlockSize);
        FUZZ_CHECK(b.address == quint32(base + quint64(covered)));
        FUZZ_CHECK(covered % ReadPlan::BlockSize == 0);
        covered += b.length;
    }
    FUZZ_CHECK(covered == qMax<qint64>(bytes, 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const int layout = int(int8_t(in.byte()));
    qint64 count = qint64(in.u32()) | (qint64(in.u32()) << 32);
    // Plausible counts, counts around the limit, and the whole 64-bit range.
    if (control & 1)
        count %= 50000;
    else if (control & 2)
        count = ReadPlan::MaxRecordCount - 2 + count % 4;

    QString why;
    const bool fits = ReadPlan::countFits(layout, count, &why);
    FUZZ_CHECK(fits == why.isEmpty());
    if (fits)
        FUZZ_CHECK(count >= 0 && count <= ReadPlan::MaxRecordCount);
    // The plans themselves only below 50,000 records: a plan near the limit holds 100,000
    // blocks, and building it for every input would slow the run a hundredfold.
    if (count < 50000) {
        const QVector<ReadBlock> values = ReadPlan::valueBlocks(layout, count);
        const QVector<ReadBlock> names = ReadPlan::nameBlocks(layout, count);
        if (!fits) {
            FUZZ_CHECK(values.isEmpty() && names.isEmpty());
        } else {
            checkTiling(values, ReadPlan::ValueBase, count * ReadPlan::valueRecordSize(layout));
            checkTiling(names, ReadPlan::NameBase, count * ReadPlan::nameRecordSize(layout));
        }
    }

    const quint32 base = in.u32();
    const qint64 total = qint64(int32_t(in.u32())) % (1 << 16);
    checkTiling(ReadPlan::blocks(base, total), base, total);
    return 0;
}
