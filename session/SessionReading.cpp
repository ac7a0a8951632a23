// GaugeSession: reading the gauge's memory, and the measurements it pushes meanwhile.
#include "session/GaugeSession.h"

#include "interaction/UserInteraction.h"
#include "protocol/ReadPlan.h"
#include "session/CommandSequence.h"
#include "store/SurveyStore.h"

#include <QDateTime>

#include <algorithm>

namespace {

constexpr quint8 checkedReadCommand = 0x41;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void GaugeSession::readRecords()
{
    m_countRefused = false;
    m_lastGaugeError = GaugeError::None;
    if (!isLinkOpen()) {
        inform(tr("No gauge is connected. Connect the gauge with its USB cable and switch it on; on "
            "Linux a normal user also needs the program's udev rule (see the README)."));
        return;
    }
    if (!offerSaveThenClear(tr("Importing data will first clear the list. Do you want to save the data?"), false))
        return;

    CommandSequence sequence(*this);
    m_unitNumbers.clear();
    if (!sequence.locked() || commands().readUnitNumbers(m_unitNumbers) < 0) {
        noteGaugeError(sequence.locked());
        inform(tr("Failed to read unit no!"));
        return;
    }
    buildHeaders();
    if ((tableLayout() == 1 || tableLayout() == 2) && !m_model.hasColumns()) {
        // Without the unit table's words there are no columns to read into.
        inform(tr("The unit table 'unitno' is missing, cannot be used (too large, binary or damaged) or "
            "does not know this gauge's units: its records cannot be shown. Put a good copy beside "
            "the program or in ~/.config/Palvarin/."));
        return;
    }

    int count = 0;
    // A count with the top bit set is no count at all: it could not be read.
    if (commands().readRecordCount(count) < 0 || count < 0) {
        noteGaugeError(true); // None for a count that came but is no count
        inform(tr("Failed to Read Record Number！"));
        return;
    }
    if (count < 1)
        return;
    if (tableLayout() != 1 && tableLayout() != 2)
        return;
    if (!ReadPlan::countFits(tableLayout(), count)) {
        m_countRefused = true;
        inform(tr("The instrument reports %1 records, more than this program can read (at most %2).")
                   .arg(count)
                   .arg(ReadPlan::MaxRecordCount));
        return;
    }
    // From here on measurements pushed during the read are committed as they come and
    // shown after the read's rows.
    m_readHolding = true;
    m_readRows = count;
    readMemoryImage(sequence, count);
    // A read that failed, was cancelled or lost its gauge adds no rows: the measurements
    // held meanwhile follow the rows already there.
    showHeldReadPushes();
}

bool GaugeSession::readBlocks(CommandSequence &sequence, ProgressHandle &progress, const QVector<ReadBlock> &blocks,
                              QByteArray &out, int firstStep, const QString &failure)
{
    // Single-layer values go out with the plain memory request; multi-layer values and names
    // with the checked one, their replies carrying a CRC.
    const bool checked = tableLayout() == 2;
    for (int i = 0; i < blocks.size(); ++i) {
        const quint16 length = quint16(blocks[i].length);
        if (!sequence.stillCurrent()
            || (checked ? commands().readMemoryChecked(blocks[i].address, out, length, checkedReadCommand)
                        : commands().readMemory(blocks[i].address, out, length))
                < 0) {
            progress.hide();
            noteGaugeError(sequence.stillCurrent());
            if (gaugeStayed(sequence))
                inform(failure);
            else
                tellDisconnectedDuringRead();
            return false;
        }
        progress.setValue(firstStep + i);
        holdPushesSetAside();
        if (progress.wasCanceled()) {
            progress.hide();
            return false; // nothing is added: the table stays as it was
        }
    }
    return true;
}

void GaugeSession::readMemoryImage(CommandSequence &sequence, int count)
{
    const int layout = tableLayout();
    const QVector<ReadBlock> valueBlocks = ReadPlan::valueBlocks(layout, count);
    const QVector<ReadBlock> nameBlocks = layout == 2 ? ReadPlan::nameBlocks(2, count) : QVector<ReadBlock>();
    auto progress = m_ui.createProgress(m_dialogParent, tr("Reading record, please wait..."), tr("Cancel"), 0,
                                        int(valueBlocks.size() + nameBlocks.size()));
    QByteArray values;
    QByteArray names;
    values.reserve(qsizetype(count) * (layout == 2 ? FieldDecoder::MultiRecordSize : FieldDecoder::SingleRecordSize));
    if (layout == 2)
        names.reserve(qsizetype(count) * FieldDecoder::NameSlotSize);
    if (!readBlocks(sequence, *progress, valueBlocks, values, 0, tr("Failed to Read Record Data！")))
        return;
    if (!readBlocks(sequence, *progress, nameBlocks, names, int(valueBlocks.size()), tr("Failed to Read Record Name")))
        return;
    // A removal notice may have arrived inside the progress dialog after the last block.
    if (!sequence.stillCurrent()) {
        tellDisconnectedDuringRead();
        return;
    }
    // Committed while the sequence still holds the link, so no poll or settings change
    // comes between the file and the table.
    holdPushesSetAside();
    const qint64 arrived = nowMs();
    const std::vector<qint64> keys =
        storeImage(values, layout == 2 ? &names : nullptr, count, RecordOrigin::Memory, arrived);
    moveHeldBehindReadRows();
    sequence.release();
    const int first = m_model.rowCount();
    const int added = layout == 2 ? m_model.appendMultiLayerImage(values, names, count, RecordOrigin::Memory, arrived)
                                  : m_model.appendSingleLayerImage(values, count, RecordOrigin::Memory, arrived);
    setKeys(first, added, keys);
    showHeldReadPushes();
    emit recordsRead(added);
}

bool GaugeSession::gaugeStayed(const CommandSequence &sequence) const
{
    // A gauge pulled out inside a reply, or during the wait for one, fails the request before
    // its removal notice comes: the link already knows its device is gone.
    return sequence.stillCurrent() && !linkRemoved();
}

void GaugeSession::tellDisconnectedDuringRead()
{
    // The rows read so far belong to a gone connection.
    inform(tr("The gauge was disconnected during the read; no record was added. Plug it in again and "
            "read once more."));
}

// ---- measurements pushed during a read ---------------------------------------------------

int GaugeSession::heldDuringRead() const
{
    int n = 0;
    for (const HeldBatch &batch : m_readHeld)
        n += int(batch.records.size());
    return n;
}

void GaugeSession::holdPushesSetAside()
{
    // Taken between blocks, after the events handled there: a batch the worker polled before
    // the read began has been delivered by then, ahead of these.
    m_connection.deliverSetAside();
}

void GaugeSession::moveHeldBehindReadRows()
{
    // The file lists a session's rows in the order they were committed, and the held
    // measurements were committed before the read's rows: they are committed once more behind
    // them, and then their first copies are marked deleted (in that order, so a crash in
    // between leaves a row twice rather than not at all). The table and a restore then agree.
    if (!m_store)
        return;
    for (HeldBatch &batch : m_readHeld) {
        if (std::none_of(batch.keys.begin(), batch.keys.end(), [](qint64 key) { return key != 0; }))
            continue;
        const std::vector<qint64> firstCopies = std::exchange(batch.keys, storeRecords(batch.records, RecordOrigin::Pushed, batch.arrivedMs));
        m_store->rowsMoved(firstCopies);
    }
    tellStoreProblem();
}

void GaugeSession::showHeldReadPushes()
{
    // Already in the file, behind the read's rows: the table takes them without another commit.
    m_readHolding = false;
    m_readRows = 0;
    const QVector<HeldBatch> held = std::exchange(m_readHeld, QVector<HeldBatch>());
    for (const HeldBatch &batch : held) {
        const int first = m_model.rowCount();
        const int added = m_model.append(batch.records, RecordOrigin::Pushed, batch.arrivedMs);
        setKeys(first, added, batch.keys);
        for (int i = 0; i < added; ++i)
            emit measurement(first + i);
    }
}
