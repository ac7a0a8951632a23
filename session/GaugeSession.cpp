#include "session/GaugeSession.h"

#include "export/WorkbookTable.h"
#include "interaction/Language.h"
#include "interaction/UserInteraction.h"
#include "link/HidLink.h"
#include "link/PollWorker.h"
#include "protocol/GaugeRecord.h"
#include "records/RecordsModel.h"
#include "session/CommandSequence.h"
#include "session/ExportTable.h"
#include "session/ReportFacts.h"
#include "store/SurveyStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// ---- command sequences -------------------------------------------------------------------

CommandSequence::CommandSequence(GaugeSession &session)
    : m_session(&session), m_worker(session.m_connection.worker()), m_connection(session.m_connection.id())
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
    return m_session && m_session->hasLink() && m_session->m_connection.id() == m_connection
        && m_session->m_connection.worker() == m_worker;
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
    , m_ui(ui)
    , m_model(model)
    , m_config(std::move(config))
    , m_export(ui, writer)
    , m_connection(hid)
{
    connect(&m_connection, &GaugeConnection::pushesArrived, this, &GaugeSession::addPushes);
    connect(&m_connection, &GaugeConnection::closed, this, &GaugeSession::linkClosed);
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
    // (the connection's stopWorker), with no question asked any more, before the session and
    // the link end.
    m_closing = true;
    m_connection.shutdown();
    dropWaiting();
    if (m_store)
        m_store->endSession(nowMs());
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

void GaugeSession::noteGaugeError(bool commandRan)
{
    m_lastGaugeError = commandRan ? commands().lastError() : GaugeError::None;
    // A debug line: the command-line tool's standard error must start with the failure itself.
    if (m_lastGaugeError != GaugeError::None)
        qDebug("gauge command failed: %s", qPrintable(gaugeErrorText(m_lastGaugeError)));
}

bool GaugeSession::ask(const QString &text)
{
    return m_ui.question(m_dialogParent, title(), text);
}

// ---- connection --------------------------------------------------------------------------

bool GaugeSession::openLink()
{
    if (!m_connection.open(VendorId, ProductId))
        return false;
    m_gaugeSerial.clear();
    m_nextPushNumber = 1;
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

void GaugeSession::closeLink()
{
    if (!hasLink())
        return;
    m_connection.close(m_sequenceDepth > 0); // tells linkClosed
    clearConnectionState();
}

void GaugeSession::clearConnectionState()
{
    // The rows stay: a loose cable must not cost a reading. The gauge that comes next is
    // compared with them when it is identified.
    if (m_store)
        m_store->endSession(nowMs());
    // Bytes and notices of the old connection mean nothing for the next one.
    m_connection.forgetPushes();
    dropWaiting();
    m_settingsChangePending = false;
}

void GaugeSession::sequenceEnded()
{
    m_connection.sequenceEnded();
    // Measurements the gauge pushed while the sequence waited for its replies: added once the
    // sequence's own work (a read's rows) is done, like the pushes the worker polls.
    QMetaObject::invokeMethod(
        this, [this] { m_connection.deliverSetAside(); }, Qt::QueuedConnection);
    runDeferredWork();
}

// ---- identification --------------------------------------------------------------------

void GaugeSession::identify()
{
    m_lastGaugeError = GaugeError::None;
    if (!isLinkOpen())
        return;
    CommandSequence sequence(*this);
    KeyInfo key;
    if (!sequence.locked() || commands().readKeyInfo(key) < 0) {
        noteGaugeError(sequence.locked());
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
        m_connection.setLayout(match->value(1).toInt());
        if (tableLayout() != 1 && tableLayout() != 2 && !m_reportedLayouts.contains(tableLayout())) {
            // Told once: the table stays without columns, and reading does nothing.
            m_reportedLayouts.insert(tableLayout());
            qWarning("meter table: unknown UIIndex %d for meter type %u", tableLayout(), unsigned(key.meterType));
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
    if (commands().readUnitNumbers(m_unitNumbers) < 0) {
        noteGaugeError(true);
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
        && (m_tableSerial != m_gaugeSerial || m_tableRowsLayout != tableLayout() || m_tableUnits != m_unitNumbers);
}

void GaugeSession::buildHeaders()
{
    if (tableLayout() != 1 && tableLayout() != 2)
        return;
    m_model.setColumns(tableLayout(), m_unitNumbers, m_config.unitTable);
    // From here on the table's rows are this gauge's, in these units.
    m_tableSerial = m_gaugeSerial;
    m_tableRowsLayout = tableLayout();
    m_tableUnits = m_unitNumbers;
    if (m_store && !m_gaugeSerial.isEmpty() && (m_storeSessionUnits.isEmpty() || m_storeSessionUnits != m_unitNumbers))
        beginStoreSession();
    emit layoutChanged(tableLayout());
}

// ---- questions about the table --------------------------------------------------------------------

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
    m_lastGaugeError = GaugeError::None;
    {
        CommandSequence sequence(*this);
        m_unitNumbers.clear();
        if (!sequence.locked() || commands().readUnitNumbers(m_unitNumbers) < 0) {
            noteGaugeError(sequence.locked());
            inform(tr("Failed to read unit no!"));
        }
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

WorkbookFacts GaugeSession::tableFacts() const
{
    // The firmware is known only while the table's gauge is the one identified.
    return gaugeFacts(m_tableSerial, m_tableSerial == m_gaugeSerial ? m_gaugeFirmware : QString(), m_tableRowsLayout);
}

bool GaugeSession::exportRecords()
{
    if (m_export.isRunning())
        return false;
    if (m_model.rowCount() == 0) {
        inform(tr("There is nothing to export: the table is empty."));
        return false;
    }
    const QList<int> columns = m_model.exportedColumns();
    WorkbookTable table = exportTable(m_model);
    // The facts of the gauge whose rows these are, and what the page adds (the limits).
    table.facts = tableFacts();
    if (m_exportDecorator)
        m_exportDecorator(table, columns);

    const quint64 generation = m_model.generation();
    const std::vector<qint64> keys = m_model.keys(0, m_model.rowCount());
    const int exported = m_export.run(m_dialogParent, table);
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
