#include "session/GaugeSession.h"

#include "export/WorkbookTable.h"
#include "interaction/Language.h"
#include "interaction/UserInteraction.h"
#include "link/CLinkerUSB.h"
#include "link/MyThread.h"
#include "protocol/GaugeRecord.h"
#include "protocol/ReadPlan.h"
#include "records/RecordsModel.h"
#include "session/CommandSequence.h"
#include "session/ExportTable.h"
#include "session/StoredRows.h"
#include "session/StoreWords.h"
#include "store/OffThread.h"
#include "store/SurveyStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

constexpr quint8 checkedReadCommand = 0x41;

// Rows of a read committed on a thread of their own from this many on (about 3 ms of work).
constexpr qint64 OffThreadRows = 2000;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// ---- command sequences -------------------------------------------------------------------

CommandSequence::CommandSequence(GaugeSession &session)
    : m_session(&session), m_worker(session.m_worker), m_connection(session.m_connection)
{
    ++session.m_sequenceDepth;
    m_counted = true;
    // With no worker running there is no poll loop to keep away from the link.
    m_held = m_worker ? m_worker->mutex.tryLock(GaugeSession::LockWaitMs) : true;
}

CommandSequence::~CommandSequence()
{
    release();
}

bool CommandSequence::stillCurrent() const
{
    return m_session && m_session->m_link && m_session->m_connection == m_connection
        && m_session->m_worker == m_worker;
}

void CommandSequence::release()
{
    if (m_held && m_worker)
        m_worker->mutex.unlock();
    m_held = false;
    if (m_counted && m_session) {
        m_counted = false;
        if (--m_session->m_sequenceDepth == 0)
            m_session->sequenceEnded();
    }
}

// ---- the session -------------------------------------------------------------------------

GaugeSession::GaugeSession(HidBackend &hid, UserInteraction &ui, WorkbookWriter &writer, RecordsModel &model,
                           GaugeConfig config, QObject *parent)
    : QObject(parent)
    , m_hid(hid)
    , m_ui(ui)
    , m_model(model)
    , m_config(std::move(config))
    , m_export(ui, writer)
    , m_commands(&m_framed)
{
    // The user's edits reach the survey file by the rows' keys.
    connect(&m_edits, &RecordEdits::deleted, this, [this](const std::vector<qint64> &keys, bool emptied) {
        if (m_store)
            m_store->rowsDeleted(keys, emptied);
        tellStoreProblem();
    });
    connect(&m_edits, &RecordEdits::cleared, this, [this](const std::vector<qint64> &keys) {
        if (m_store)
            m_store->tableCleared(keys);
        tellStoreProblem();
    });
    connect(&m_edits, &RecordEdits::restored, this, [this](const std::vector<qint64> &keys) {
        if (m_store)
            m_store->rowsRestored(keys);
        tellStoreProblem();
    });
    connect(&m_edits, &RecordEdits::nameChanged, this, [this](qint64 key, const QString &name) {
        if (m_store)
            m_store->rowRenamed(key, name);
        tellStoreProblem();
    });
}

GaugeSession::~GaugeSession()
{
    // Measurements the worker and the last commands received are still added and committed
    // (stopWorker), with no question asked any more, before the session and the link end.
    m_closing = true;
    CLinker *link = m_link.get();
    const bool workerEnded = stopWorker();
    m_framed.setLink(nullptr);
    dropWaiting();
    if (m_store)
        m_store->endSession(nowMs());
    // A worker that did not end may still be reading: leave its link alone.
    if (link && workerEnded)
        link->close();
    else
        (void)m_link.release();
}

void GaugeSession::setDialogParent(QWidget *parent)
{
    m_dialogParent = parent;
}

QString GaugeSession::title() const
{
    return tr("Tip");
}

QString GaugeSession::inBothLanguages(const char *source)
{
    return QString::fromUtf8(source) + QLatin1Char('\n') + Language::instance().translate(QStringLiteral("zh"), "GaugeSession", source);
}

void GaugeSession::inform(const QString &text)
{
    m_ui.information(m_dialogParent, title(), text);
    emit failed(text);
}

bool GaugeSession::ask(const QString &text)
{
    return m_ui.question(m_dialogParent, title(), text);
}

// ---- connection --------------------------------------------------------------------------

bool GaugeSession::openLink()
{
    if (m_link)
        return false;
    auto link = std::make_unique<CLinkerUSB>();
    if (link->open(VendorId, ProductId, &m_hid) != 0)
        return false;
    m_link = std::move(link);
    ++m_connection;
    m_gaugeSerial.clear();
    m_nextPushNumber = 1;
    m_framed.setLink(m_link.get());
    emit linkOpened();
    return true;
}

bool GaugeSession::connectGauge()
{
    if (!openLink())
        return false;
    startWorker();
    identify();
    return true;
}

bool GaugeSession::linkRemoved() const
{
    return m_link && m_link->isRemoved();
}

void GaugeSession::closeLink()
{
    if (!m_link)
        return;
    // Forget the link before the worker is stopped, and close it only once the worker has
    // ended: a read still running on the worker thread must not meet a closed device.
    m_framed.setLink(nullptr);
    std::unique_ptr<CLinker> link = std::move(m_link);
    emit linkClosed();
    if (!stopWorker()) {
        qWarning("worker thread did not end; its link is left to it");
        (void)link.release();
    } else if (m_sequenceDepth > 0) {
        // A command sequence below us on this thread (a removal notice delivered inside its
        // progress dialog) is still using the link: it goes when the sequence ends, and the
        // sequence ends at once, the device being gone.
        m_retiredLink = std::move(link);
    } else {
        link->close();
    }
    clearConnectionState();
}

void GaugeSession::clearConnectionState()
{
    // The rows stay: a loose cable must not cost a reading. The gauge that comes next is
    // compared with them when it is identified.
    if (m_store)
        m_store->endSession(nowMs());
    // Bytes and notices of the old connection mean nothing for the next one.
    m_pushParser.reset();
    dropWaiting();
    m_framed.takeSetAsidePushes();
    m_settingsChangePending = false;
}

void GaugeSession::startWorker()
{
    qDebug("openThreadSlot");
    if (m_workerThread)
        stopWorker();
    auto *thread = new QThread;
    m_worker = QSharedPointer<MyThread>(new MyThread(&m_framed));
    connect(m_worker.data(), &MyThread::senddata, this, &GaugeSession::handlePushedBytes);
    m_worker->moveToThread(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::started, m_worker.data(), &MyThread::startThreadSlot);
    m_workerThread = thread;
    thread->start();
    qDebug() << "mainWidget QThread::currentThreadId()==" << QThread::currentThreadId();
}

bool GaugeSession::stopWorker()
{
    qDebug("closeThreadSlot");
    bool ended = true;
    if (m_workerThread && m_workerThread->isRunning()) {
        m_worker->requestStop();
        m_workerThread->quit();
        ended = m_workerThread->wait(WorkerEndWaitMs);
    }
    if (!ended) {
        // Its thread still runs: the object must outlive it.
        m_abandonedWorkers.append(m_worker);
    }
    m_worker.reset();
    m_workerThread = nullptr;
    if (ended && isLinkOpen())
        addLastPushes();
    return ended;
}

void GaugeSession::addLastPushes()
{
    // The worker's last poll ends only after the gauge has been silent for a moment: what it
    // read meanwhile is queued to this thread, and measurements set aside by the last
    // commands wait in the link. Both are kept, in that order, before the caller goes on.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    const QByteArray aside = m_framed.takeSetAsidePushes();
    if (!aside.isEmpty())
        handlePushedBytes(aside);
}

void GaugeSession::sequenceEnded()
{
    if (m_retiredLink) {
        m_retiredLink->close();
        m_retiredLink.reset();
    }
    // Measurements the gauge pushed while the sequence waited for its replies: added once the
    // sequence's own work (a read's rows) is done, like the pushes the worker polls.
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QByteArray pushes = m_framed.takeSetAsidePushes();
            if (!pushes.isEmpty())
                handlePushedBytes(pushes);
        },
        Qt::QueuedConnection);
    runDeferredWork();
}

// ---- identification --------------------------------------------------------------------

void GaugeSession::identify()
{
    if (!isLinkOpen())
        return;
    CommandSequence sequence(*this);
    KeyInfo key;
    if (!sequence.locked() || m_commands.readKeyInfo(key) < 0) {
        inform(tr("Failed to read key infomation!"));
        return;
    }
    m_gaugeSerial = QStringLiteral("%1").arg(key.serialNo);
    m_gaugeFirmware = QString::number(key.firmwareVersion / 100.0, 'f', 2);
    m_gaugeMeterType = qint64(key.meterType);
    emit identified(m_gaugeSerial, m_gaugeFirmware);

    if (!m_config.meterTable.isEmpty()) {
        const QVariantList *match = nullptr;
        for (const QVariantList &entry : m_config.meterTable) {
            if (qint64(entry.value(0).toInt()) == qint64(key.meterType)) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            inform(tr("The Instrument and the Software do Not Match!"));
            return;
        }
        m_tableLayout = match->value(1).toInt();
        if (m_tableLayout != 1 && m_tableLayout != 2 && !m_reportedLayouts.contains(m_tableLayout)) {
            // Told once: the table stays without columns, and reading does nothing.
            m_reportedLayouts.insert(m_tableLayout);
            qWarning("meter table: unknown UIIndex %d for meter type %u", m_tableLayout, unsigned(key.meterType));
            inform(tr("The meter table gives this instrument the layout %1, which this program does not "
            "know: its records cannot be shown.")
                       .arg(match->value(1).toString()));
        }
        if (int(key.firmwareVersion) < match->value(2).toInt()) {
            inform(tr("The instrument version is too low!"));
            return;
        }
    }

    m_unitNumbers.clear();
    if (m_commands.readUnitNumbers(m_unitNumbers) < 0) {
        inform(tr("Failed to read unit no!"));
        return;
    }
    sequence.release();
    // Rows of the same gauge in the same units carry on; any others are offered for saving
    // first, as a read does.
    if (tableIsOtherGauge()) {
        // Measurements of the new gauge taken while the question is open wait for its columns.
        m_waiting.active = true;
        offerSaveThenClear(tr("The list holds readings of another gauge or in other units and will be "
                           "cleared first. Do You Want to Save the Data?"), true);
    }
    m_storeSessionUnits.clear(); // every identified connection is a session of its own
    buildHeaders();
    showWaiting();
}

bool GaugeSession::tableIsOtherGauge() const
{
    return m_model.rowCount() > 0
        && (m_tableSerial != m_gaugeSerial || m_tableRowsLayout != m_tableLayout || m_tableUnits != m_unitNumbers);
}

void GaugeSession::buildHeaders()
{
    if (m_tableLayout != 1 && m_tableLayout != 2)
        return;
    m_model.setColumns(m_tableLayout, m_unitNumbers, m_config.unitTable);
    // From here on the table's rows are this gauge's, in these units.
    m_tableSerial = m_gaugeSerial;
    m_tableRowsLayout = m_tableLayout;
    m_tableUnits = m_unitNumbers;
    if (m_store && !m_gaugeSerial.isEmpty() && (m_storeSessionUnits.isEmpty() || m_storeSessionUnits != m_unitNumbers))
        beginStoreSession();
    emit layoutChanged(m_tableLayout);
}

// ---- record reading --------------------------------------------------------------------

bool GaugeSession::offerSaveThenClear(const QString &question, bool mustClear)
{
    for (;;) {
        if (m_model.rowCount() == 0)
            return true;
        if (!ask(question)) {
            clearTable();
            return true;
        }
        if (exportRecords())
            return true;
        // Yes, and then nothing was saved: the file dialog was closed or the write failed.
        // The rows stay and the action that asked does not go on; one that cannot wait
        // (the gauge's units changed under the rows) asks again.
        if (!mustClear)
            return false;
    }
}

void GaugeSession::readRecords()
{
    m_countRefused = false;
    if (!isLinkOpen()) {
        inform(tr("No gauge is connected. Connect the gauge with its USB cable and switch it on; on "
            "Linux a normal user also needs the program's udev rule (see the README)."));
        return;
    }
    if (!offerSaveThenClear(tr("Importing data will first clear the list. Do you want to save the data?"), false))
        return;

    CommandSequence sequence(*this);
    m_unitNumbers.clear();
    if (!sequence.locked() || m_commands.readUnitNumbers(m_unitNumbers) < 0) {
        inform(tr("Failed to read unit no!"));
        return;
    }
    buildHeaders();
    if ((m_tableLayout == 1 || m_tableLayout == 2) && !m_model.hasColumns()) {
        // Without the unit table's words there are no columns to read into.
        inform(tr("The unit table 'unitno' is missing, cannot be used (too large, binary or damaged) or "
            "does not know this gauge's units: its records cannot be shown. Put a good copy beside "
            "the program or in ~/.config/Palvarin/."));
        return;
    }

    int count = 0;
    // A count with the top bit set is no count at all: it could not be read.
    if (m_commands.readRecordCount(count) < 0 || count < 0) {
        inform(tr("Failed to Read Record Number！"));
        return;
    }
    if (count < 1)
        return;
    if (m_tableLayout != 1 && m_tableLayout != 2)
        return;
    if (!ReadPlan::countFits(m_tableLayout, count)) {
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
    if (m_tableLayout == 1)
        readSingleLayer(sequence, count);
    else
        readMultiLayer(sequence, count);
    // A read that failed, was cancelled or lost its gauge adds no rows: the measurements
    // held meanwhile follow the rows already there.
    showHeldReadPushes();
}

void GaugeSession::readSingleLayer(CommandSequence &sequence, int count)
{
    const QVector<ReadBlock> blocks = ReadPlan::valueBlocks(1, count);
    auto progress = m_ui.createProgress(
        m_dialogParent, tr("Reading record, please wait..."), tr("Cancel"), 0, int(blocks.size()));
    QByteArray values;
    values.reserve(qsizetype(count) * FieldDecoder::SingleRecordSize);
    for (int i = 0; i < blocks.size(); ++i) {
        if (!sequence.stillCurrent() || m_commands.readMemory(blocks[i].address, values, quint16(blocks[i].length)) < 0) {
            progress->hide();
            if (gaugeStayed(sequence))
                inform(tr("Failed to Read Record Data！"));
            else
                tellDisconnectedDuringRead();
            return;
        }
        progress->setValue(i);
        holdPushesSetAside();
        if (progress->wasCanceled()) {
            progress->hide();
            return; // nothing is added: the table stays as it was
        }
    }
    // A removal notice may have arrived inside the progress dialog after the last block.
    if (!sequence.stillCurrent()) {
        tellDisconnectedDuringRead();
        return;
    }
    // Committed while the sequence still holds the link, so no poll or settings change
    // comes between the file and the table.
    holdPushesSetAside();
    const qint64 arrived = nowMs();
    const std::vector<qint64> keys = storeImage(values, nullptr, count, RecordOrigin::Memory, arrived);
    moveHeldBehindReadRows();
    sequence.release();
    const int first = m_model.rowCount();
    const int added = m_model.appendSingleLayerImage(values, count, RecordOrigin::Memory, arrived);
    setKeys(first, added, keys);
    showHeldReadPushes();
    emit recordsRead(added);
}

void GaugeSession::readMultiLayer(CommandSequence &sequence, int count)
{
    const QVector<ReadBlock> valueBlocks = ReadPlan::valueBlocks(2, count);
    const QVector<ReadBlock> nameBlocks = ReadPlan::nameBlocks(2, count);
    auto progress = m_ui.createProgress(
        m_dialogParent, tr("Reading record, please wait..."), tr("Cancel"), 0,
        int(valueBlocks.size() + nameBlocks.size()));

    auto readArea = [&](const QVector<ReadBlock> &blocks, QByteArray &out, int firstStep, const QString &failure) {
        for (int i = 0; i < blocks.size(); ++i) {
            if (!sequence.stillCurrent()
                || m_commands.readMemoryChecked(blocks[i].address, out, quint16(blocks[i].length), checkedReadCommand)
                       < 0) {
                progress->hide();
                if (gaugeStayed(sequence))
                    inform(failure);
                else
                    tellDisconnectedDuringRead();
                return false;
            }
            progress->setValue(firstStep + i);
            holdPushesSetAside();
            if (progress->wasCanceled()) {
                progress->hide();
                return false;
            }
        }
        return true;
    };

    QByteArray values;
    QByteArray names;
    values.reserve(qsizetype(count) * FieldDecoder::MultiRecordSize);
    names.reserve(qsizetype(count) * FieldDecoder::NameSlotSize);
    if (!readArea(valueBlocks, values, 0, tr("Failed to Read Record Data！")))
        return;
    if (!readArea(nameBlocks, names, int(valueBlocks.size()), tr("Failed to Read Record Name")))
        return;
    if (!sequence.stillCurrent()) {
        tellDisconnectedDuringRead();
        return;
    }
    holdPushesSetAside();
    const qint64 arrived = nowMs();
    const std::vector<qint64> keys = storeImage(values, &names, count, RecordOrigin::Memory, arrived);
    moveHeldBehindReadRows();
    sequence.release();
    const int first = m_model.rowCount();
    const int added = m_model.appendMultiLayerImage(values, names, count, RecordOrigin::Memory, arrived);
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

// ---- pushed measurements ---------------------------------------------------------------------

void GaugeSession::handlePushedBytes(const QByteArray &bytes)
{
    // A batch still queued when the gauge was pulled out belongs to a closed connection.
    if (!isLinkOpen())
        return;
    const QVector<PushedFrame> frames = m_pushParser.feed(bytes, m_tableLayout);
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
            keys = m_store->addRecords(measurements, m_tableLayout == 2 ? GaugeRecord::MaxValues : 2,
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
            result = m_commands.readUnitNumbers(read);
        } else {
            CommandSequence sequence(*this);
            if (sequence.locked())
                result = m_commands.readUnitNumbers(read);
        }
        if (result >= 0)
            units = read;
    }
        RecordsModel columns;
    if (!columns.setColumns(m_tableLayout, units, m_config.unitTable))
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
    const QByteArray aside = m_framed.takeSetAsidePushes();
    if (!aside.isEmpty())
        handlePushedBytes(aside);
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

void GaugeSession::setKeys(int first, int added, const std::vector<qint64> &keys)
{
    if (added > 0 && keys.size() == size_t(added))
        m_model.setKeys(first, keys);
}

void GaugeSession::clearTable()
{
    const std::vector<qint64> keys = m_model.keys(0, m_model.rowCount());
    m_model.clear();
    if (m_store)
        m_store->tableCleared(keys);
    tellStoreProblem();
}

bool GaugeSession::canHandleSettingsChangeNow() const
{
    // The worker's mutex is not recursive, and a second export must not start.
    return m_sequenceDepth == 0 && !m_export.isRunning() && !m_settingsChanging;
}

void GaugeSession::requestSettingsChange()
{
    if (m_closing)
        return; // nobody is left to answer; the measurements behind the notice wait in vain
    if (canHandleSettingsChangeNow()) {
        onSettingsChanged();
        return;
    }
    m_settingsChangePending = true;
}

void GaugeSession::runDeferredWork()
{
    if (!m_settingsChangePending)
        return;
    // Let the operation that deferred it unwind completely first.
    QTimer::singleShot(0, this, [this] {
        if (m_settingsChangePending && !m_closing && canHandleSettingsChangeNow()) {
            m_settingsChangePending = false;
            onSettingsChanged();
        }
    });
}

void GaugeSession::onSettingsChanged()
{
    m_settingsChanging = true;
    if (!m_waiting.active) {
        // Called without a notice among the pushes: what comes meanwhile waits all the same,
        // in units still to be read.
        m_waiting.active = true;
        m_waiting.unitsUnknown = true;
    }
    offerSaveThenClear(tr("The Instrument Settings Have Changed and Will Soon Clear the List. Do You "
                           "Want to Save the Data?"), true);
    {
        CommandSequence sequence(*this);
        m_unitNumbers.clear();
        if (!sequence.locked() || m_commands.readUnitNumbers(m_unitNumbers) < 0)
            inform(tr("Failed to read unit no!"));
    }
    // The measurements that waited get the columns of the units just read.
    if (m_waiting.session)
        m_storeSessionUnits.clear();
    buildHeaders();
    m_settingsChanging = false;
    emit settingsChanged();
    // Measurements behind the notice and those taken while the question was open, in that
    // order, now in the new units.
    showWaiting();
}

// ---- table actions ---------------------------------------------------------------------------

bool GaugeSession::clearRecords()
{
    if (m_model.rowCount() > 0
        && !ask(tr("Clear data will clear all records. Are you sure you want to clear it?")))
        return false;
    m_edits.clearAll();
    return true;
}

bool GaugeSession::exportRecords()
{
    if (m_export.isRunning())
        return false;
    if (m_model.rowCount() == 0) {
        inform(tr("There is nothing to export: the table is empty."));
        return false;
    }
    const bool chinese = m_model.chinese();
    const QList<int> columns = m_model.exportedColumns();
    WorkbookTable table = exportTable(m_model);
    // The facts of the gauge whose rows these are, and what the page adds (the limits).
    table.facts.serial = m_tableSerial;
    if (m_tableSerial == m_gaugeSerial)
        table.facts.firmware = m_gaugeFirmware;
    if (m_tableRowsLayout == 1 || m_tableRowsLayout == 2)
        table.facts.meterType = m_tableRowsLayout == 1 ? (chinese ? QStringLiteral("单层") : QStringLiteral("single layer"))
                                                      : (chinese ? QStringLiteral("多层") : QStringLiteral("multi layer"));
    if (m_exportDecorator)
        m_exportDecorator(table, columns);

    const quint64 generation = m_model.generation();
    const std::vector<qint64> keys = m_model.keys(0, m_model.rowCount());
    const int exported = m_export.run(m_dialogParent, table, chinese);
    const bool sameRows = generation == m_model.generation();
    // Only the rows that went out: a measurement pushed while the progress dialog was open
    // came after them. A table emptied or replaced meanwhile has none of them left.
    if (exported > 0 && sameRows)
        m_model.removeRows(0, qMin(exported, m_model.rowCount()));
    if (exported > 0 && m_store) {
        // The rows that left the table are marked saved; rows still shown (the table changed
        // meanwhile) stay offered after a crash, as the table shows them.
        const QString path = m_export.lastTarget();
        const std::vector<qint64> out(keys.begin(), keys.begin() + qMin<qsizetype>(exported, qsizetype(keys.size())));
        m_store->exported(path, QFileInfo(path).suffix().toLower(), out, sameRows, m_model.rowCount() == 0);
        tellStoreProblem();
    }
    runDeferredWork();
    return exported > 0;
}

// ---- the survey store ------------------------------------------------------------------------

void GaugeSession::setStore(SurveyStore *store)
{
    m_store = store;
    // A store that could not be opened was told about where it was opened.
    m_storeProblemTold = store && !store->writable();
}

void GaugeSession::tellStoreProblem()
{
    if (!m_store || m_storeProblemTold || m_store->writable())
        return;
    m_storeProblemTold = true;
    inform(storeProblemText(m_store->problem()));
}

SurveyInfo GaugeSession::surveyInfo(const RecordsModel &columns, const QList<int> &units) const
{
    SurveyInfo info;
    info.serial = m_gaugeSerial;
    info.firmware = m_gaugeFirmware;
    info.meterType = m_gaugeMeterType;
    info.layout = columns.layout();
    info.unitNumbers = units;
    for (int c = 0; c < columns.columnCount(); ++c) {
        if (columns.valueIndex(c) >= 0) {
            info.unitNames << columns.unitName(c);
            info.decimals << columns.decimals(c);
        }
    }
    return info;
}

void GaugeSession::beginStoreSession()
{
    const SurveyInfo info = surveyInfo(m_model, m_tableUnits);
    m_storeSessionUnits = m_tableUnits;
    // Measurements that waited for these columns are in a session of their own already: it
    // takes the rows from now on.
    if (const qint64 waiting = std::exchange(m_waiting.session, 0))
        m_store->adoptSession(waiting, info, nowMs());
    else
        m_store->beginSession(info, nowMs());
    tellStoreProblem();
}

void GaugeSession::ensureStoreSession()
{
    // A gauge whose identification stopped short (a meter the table does not know, a failed
    // unit read) still adds rows to the columns shown: they are kept like any others.
    if (m_store->currentSession() == 0 && m_store->writable())
        beginStoreSession();
}

std::vector<qint64> GaugeSession::storeRecords(const QVector<GaugeRecord> &records, RecordOrigin origin,
                                               qint64 arrivedMs)
{
    if (!m_store || records.isEmpty() || !m_model.hasColumns())
        return {};
    ensureStoreSession();
    std::vector<qint64> keys =
        m_store->addRecords(records, m_model.layout() == 2 ? GaugeRecord::MaxValues : 2, origin, arrivedMs);
    tellStoreProblem();
    return keys;
}

std::vector<qint64> GaugeSession::storeImage(const QByteArray &values, const QByteArray *names, int count,
                                             RecordOrigin origin, qint64 arrivedMs)
{
    if (!m_store || !m_model.hasColumns())
        return {};
    // Decoded as the model decodes it, so the file holds exactly the numbers the table shows.
    const bool multi = names != nullptr;
    if (m_model.layout() != (multi ? 2 : 1))
        return {};
    const int recordSize = multi ? FieldDecoder::MultiRecordSize : FieldDecoder::SingleRecordSize;
    qint64 n = qBound<qint64>(0, qint64(count), qint64(values.size() / recordSize));
    if (multi)
        n = qMin<qint64>(n, names->size() / FieldDecoder::NameSlotSize);
    if (n == 0)
        return {};
    ensureStoreSession();
    const int stride = multi ? GaugeRecord::MaxValues : 2;
    std::vector<float> numbers(size_t(n) * size_t(stride));
    std::vector<quint8> flags(static_cast<size_t>(n));
    QVector<QString> decodedNames;
    if (multi) {
        GaugeRecords::decodeMultiLayerInto(values.constData(), n, numbers.data(), flags.data());
        decodedNames.resize(n);
        for (qint64 i = 0; i < n; ++i)
            decodedNames[i] = FieldDecoder::decodeRecordName(
                names->mid(qsizetype(i) * FieldDecoder::NameSlotSize, FieldDecoder::NameSlotSize));
    } else {
        GaugeRecords::decodeSingleLayerInto(values.constData(), n, numbers.data(), flags.data());
    }
    // A few thousand rows commit in a few milliseconds; more go to a thread of their own.
    // Rows shown already keep their keys if the same memory is read again.
    const std::vector<qint64> shown = m_model.keys(0, m_model.rowCount());
    std::vector<qint64> keys;
    const auto commit = [&] {
        keys = m_store->addRows(int(n), stride, numbers.data(), flags.data(),
                                multi ? decodedNames.constData() : nullptr, origin, arrivedMs, shown);
    };
    if (n < OffThreadRows)
        commit();
    else
        commitWhilePainting(commit);
    tellStoreProblem();
    return keys;
}

void GaugeSession::commitWhilePainting(const std::function<void()> &commit)
{
    // Measurements pushed meanwhile are committed between its transactions and held, as
    // during the read, to be committed again behind its rows.
    runOffThread(commit);
}

bool GaugeSession::openStore(SurveyStore &store, const QString &path)
{
    if (!store.open(path)) {
        const SurveyStore::Problem problem = store.problem();
        const QString text = storeProblemText(problem, QStringLiteral("en")) + QLatin1Char('\n')
                             + storeProblemText(problem, QStringLiteral("zh")) + QLatin1Char('\n') + path;
        if (problem != SurveyStore::Problem::Corrupt) {
            m_ui.information(m_dialogParent, title(), text);
        } else if (m_ui.question(m_dialogParent, title(),
                                 text + QStringLiteral("\n\n")
                                     + inBothLanguages(QT_TR_NOOP("Start a new survey file? The damaged one is kept "
                                                                  "beside it, renamed with today's date.")))) {
            QString movedTo;
            if (store.moveAside(&movedTo) && store.open(path)) {
                m_ui.information(m_dialogParent, title(),
                                 inBothLanguages(QT_TR_NOOP("A new survey file was started; the damaged one is "
                                                            "kept as %1."))
                                     .arg(movedTo));
            } else {
                m_ui.information(m_dialogParent, title(),
                                 storeProblemText(store.problem(), QStringLiteral("en")) + QLatin1Char('\n')
                                     + storeProblemText(store.problem(), QStringLiteral("zh")));
            }
        }
    }
    setStore(&store);
    return store.writable();
}

bool GaugeSession::offerLeftover()
{
    if (!m_store || !m_store->writable())
        return false;
    const SurveyStore::Leftover left = m_store->leftover();
    if (left.rows <= 0)
        return false;
    const QString date =
        QDateTime::fromMSecsSinceEpoch(left.startedMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const QString text = inBothLanguages(QT_TR_NOOP("Restore the %1 readings from %2, gauge %3?"))
                             .arg(left.rows)
                             .arg(date, left.serial);
    if (!m_ui.question(m_dialogParent, title(), text)) {
        m_store->dismissLeftover();
        return false;
    }
    StoredTable stored;
    if (!m_store->loadLeftover(stored))
        return false;
    return showStored(stored);
}

bool GaugeSession::showStored(const StoredTable &stored)
{
    const int layout = stored.info.layout;
    if ((layout != 1 && layout != 2) || stored.records.isEmpty())
        return false;
    if (!offerSaveThenClear(tr("Opening the saved readings will first clear the list. Do You Want to "
                           "Save the Data?"), false))
        return false;
    if (m_model.rowCount() > 0)
        return false; // measurements pushed while the export ran are still there
    const int added = fillModelFromStored(m_model, stored);
    if (added == 0)
        return false;
    if (m_store)
        m_store->tableReplaced(added == stored.records.size() ? stored.keys : std::vector<qint64>(size_t(added), 0));
    setKeys(0, added, stored.keys);
    tellStoreProblem();
    m_tableSerial = stored.info.serial;
    m_tableRowsLayout = layout;
    m_tableUnits = stored.info.unitNumbers;
    if (!isLinkOpen()) {
        // With no gauge, the table's layout is the session's until one is identified.
        m_tableLayout = layout;
        m_unitNumbers = stored.info.unitNumbers;
    }
    emit layoutChanged(layout);
    return true;
}
