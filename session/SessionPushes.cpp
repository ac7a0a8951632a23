// GaugeSession: the one entry for what the gauge pushes, and the measurements that wait for
// columns the table does not show yet.
#include "session/GaugeSession.h"

#include "session/CommandSequence.h"
#include "store/SurveyStore.h"

#include <QDateTime>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void GaugeSession::addPushes(const QVector<PushedFrame> &frames)
{
    if (m_waiting.active)
        addWaiting(frames, 0); // a further notice is covered by the units read after the question
    else
        addPushedFrames(frames);
}

QVector<GaugeRecord> GaugeSession::measurementsOf(const QVector<PushedFrame> &frames, qsizetype from, qsizetype to,
                                                  qint64 rowsAhead)
{
    QVector<GaugeRecord> measurements;
    for (qsizetype i = from; i < to; ++i) {
        const PushedFrame &frame = frames[i];
        if (frame.kind != PushedFrame::Kind::Measurement || (frame.layout != 1 && frame.layout != 2))
            continue;
        QString name;
        if (frame.layout == 2) {
            // A running number that never goes back, so names stay unique after deletions;
            // it starts after the rows the table will hold ahead of this one.
            m_nextPushNumber = qMax<qint64>(m_nextPushNumber, rowsAhead + measurements.size() + 1);
            name = QStringLiteral("Name%1").arg(m_nextPushNumber++);
        }
        measurements.append(GaugeRecords::fromPushed(frame, name));
    }
    return measurements;
}

void GaugeSession::addPushedFrames(const QVector<PushedFrame> &frames)
{
    qsizetype notice = 0;
    while (notice < frames.size() && frames[notice].kind != PushedFrame::Kind::SettingsChanged)
        ++notice;
    // Before a settings notice: rows after those in the table (and those a running read adds).
    const QVector<GaugeRecord> measurements =
        measurementsOf(frames, 0, notice, m_model.rowCount() + m_readRows + heldDuringRead());
    const qint64 arrived = nowMs();
    if (m_readHolding) {
        // A read is running and its rows come first in the table. The measurements are
        // committed now, so that a crash or a kill during a long read loses none of them,
        // and shown once the read ends.
        if (!measurements.isEmpty())
            m_readHeld.append({measurements, arrived, storeRecords(measurements, RecordOrigin::Pushed, arrived)});
    } else if (!measurements.isEmpty()) {
        const std::vector<qint64> keys = storeRecords(measurements, RecordOrigin::Pushed, arrived);
        const int first = m_model.rowCount();
        const int added = m_model.append(measurements, RecordOrigin::Pushed, arrived);
        setKeys(first, added, keys);
        for (int i = 0; i < added; ++i)
            emit measurement(first + i);
    }
    if (notice == frames.size())
        return;
    // Behind the notice: measurements in the new units, which wait for the question about the
    // table's rows and for those units.
    m_waiting.active = true;
    m_waiting.unitsUnknown = true;
    addWaiting(frames, notice + 1);
    requestSettingsChange();
}

void GaugeSession::addWaiting(const QVector<PushedFrame> &frames, qsizetype from)
{
    // The question empties the table before they are shown: numbered as its first rows.
    qint64 waiting = 0;
    for (const HeldBatch &batch : std::as_const(m_waiting.batches))
        waiting += batch.records.size();
    const QVector<GaugeRecord> measurements = measurementsOf(frames, from, frames.size(), waiting);
    if (measurements.isEmpty())
        return;
    const qint64 arrived = nowMs();
    std::vector<qint64> keys;
    if (m_store && m_store->writable() && m_model.hasColumns()) {
        if (!m_waiting.session)
            openWaitingSession();
        if (m_waiting.session) {
            keys = m_store->addRecords(measurements, tableLayout() == 2 ? GaugeRecord::MaxValues : 2,
                                       RecordOrigin::Pushed, arrived, m_waiting.session);
            tellStoreProblem();
        }
    }
    m_waiting.batches.append({measurements, arrived, keys});
}

void GaugeSession::openWaitingSession()
{
    // The units the gauge reports now are those of the measurements behind its notice; a
    // gauge just identified has reported them already. Read within the command sequence
    // that runs on this thread, if any, else in one of their own.
    QList<int> units = m_unitNumbers;
    if (m_waiting.unitsUnknown) {
        QList<int> read;
        int result = -1;
        if (m_sequenceDepth > 0) {
            result = commands().readUnitNumbers(read);
        } else {
            CommandSequence sequence(*this);
            if (sequence.locked())
                result = commands().readUnitNumbers(read);
        }
        if (result >= 0)
            units = read;
    }
        RecordsModel columns;
    if (!columns.setColumns(tableLayout(), units, m_config.unitTable))
        columns.setColumns(m_model.layout(), m_tableUnits, m_config.unitTable);
    SurveyInfo info = surveyInfo(columns, units);
    m_waiting.session = m_store->openSession(info, nowMs());
    tellStoreProblem();
}

void GaugeSession::showWaiting()
{
    // Called with the table's columns rebuilt for them; their session, if any, was adopted.
    const QVector<HeldBatch> batches = std::exchange(m_waiting.batches, QVector<HeldBatch>());
    m_waiting = Waiting();
    for (const HeldBatch &batch : batches) {
        const int first = m_model.rowCount();
        const int added = m_model.append(batch.records, RecordOrigin::Pushed, batch.arrivedMs);
        setKeys(first, added, batch.keys);
        for (int i = 0; i < added; ++i)
            emit measurement(first + i);
    }
}

void GaugeSession::dropWaiting()
{
    // The connection ends before the question could be answered: the measurements stay in
    // the file, in a session of their own, and the next connection starts afresh.
    if (m_waiting.session && m_store)
        m_store->endSession(nowMs(), m_waiting.session);
    m_waiting = Waiting();
}
