#pragma once

#include "export/ExportFlow.h"
#include "hid/GaugeError.h"
#include "protocol/GaugeConnection.h"
#include "records/GaugeConfig.h"
#include "records/RecordEdits.h"
#include "records/RecordsModel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSharedPointer>
#include <functional>
#include <memory>

class HidBackend;
class PollWorker;
class QWidget;
class RecordsModel;
class SurveyStore;
struct StoredTable;
struct SurveyInfo;
class UserInteraction;
class WorkbookWriter;
struct WorkbookFacts;
struct WorkbookTable;

// Everything that runs over the connection to the gauge: the serialised command sequences,
// identification, record reading, pushed measurements and settings changes, and the export of
// the records. The connection (link, commands, poll worker) is a GaugeConnection it owns; what
// the gauge pushes reaches the session only through that connection's pushesArrived(). Rows
// go into the records model and, by their keys, into the survey store; what happened is told
// with signals; questions go through the interaction seam. No widgets.
//
// Threads: everything runs on the thread that owns the session (the GUI thread) except the
// worker's poll loop. The worker's mutex is the one lock around the link: the poll holds it
// for each poll, a command sequence from its first request to its last reply.
class GaugeSession : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;
    // The longest the session waits for the worker's mutex, and for a worker thread to end.
    static constexpr int LockWaitMs = 10000;
    static constexpr int WorkerEndWaitMs = GaugeConnection::WorkerEndWaitMs;

    // All must outlive the session.
    GaugeSession(HidBackend &hid, UserInteraction &ui, WorkbookWriter &writer, RecordsModel &model,
                 GaugeConfig config, QObject *parent = nullptr);
    ~GaugeSession() override; // stops the worker and closes the link

    // Parent of the dialogs the session opens (may be null); reset it before that widget goes.
    void setDialogParent(QWidget *parent);

    // The survey file every row is committed to before the table shows it (may be null:
    // the table alone). Must outlive the session; set before any row arrives. A store that
    // fails is told about once and then left alone.
    void setStore(SurveyStore *store);
    SurveyStore *store() const { return m_store; }
    // Opens the survey file at `path` and uses it. A file that cannot be used is told about
    // (in both languages) and the table works alone; a damaged one is moved aside for a new
    // one only if the user agrees. True when readings are kept.
    bool openStore(SurveyStore &store, const QString &path);
    // At start: offers to restore the rows the last run left (neither exported nor cleared);
    // true when they were restored.
    bool offerLeftover();
    // Shows stored rows as the current table (a restore, or a session from the history),
    // asking to save rows already there first. False when nothing was shown.
    bool showStored(const StoredTable &table);

    const GaugeConfig &config() const { return m_config; }
    void setConfig(const GaugeConfig &config) { m_config = config; }
    RecordsModel &model() const { return m_model; }
    // The user's undoable edits of the table.
    RecordEdits &edits() { return m_edits; }
    // The link, the commands and the worker: pushed frames come from its pushesArrived().
    GaugeConnection &connection() { return m_connection; }
    FramedLink &framedLink() { return m_connection.framedLink(); }
    InstrumentCommands &commands() { return m_connection.commands(); }

    // ---- the connection ----
    // Opens the gauge's link if none is held; true when a new link was opened.
    bool openLink();
    // The whole arrival: link, worker, identification.
    bool connectGauge();
    // Closes the held link: the worker is stopped first, a running command sequence ends
    // before the link goes. The records stay. No-op without a link.
    void closeLink();
    bool isLinkOpen() const { return m_connection.isOpen(); }
    bool hasLink() const { return m_connection.hasLink(); }
    // A link is held and it reports that its device is gone.
    bool linkRemoved() const { return m_connection.removed(); }

    void startWorker() { m_connection.startWorker(); }
    // Stops the worker and waits (bounded) for its thread; false if it did not end. With the
    // link still open, the measurements it polled last are added before it returns.
    bool stopWorker() { return m_connection.stopWorker(); }
    PollWorker *worker() const { return m_connection.worker().data(); }

    // ---- what runs over it ----
    void identify();
    // The identified gauge (empty serial, meter type -1 until one is identified): faces show
    // these instead of asking the gauge again outside a command sequence.
    const QString &gaugeSerial() const { return m_gaugeSerial; }
    const QString &gaugeFirmware() const { return m_gaugeFirmware; }
    qint64 gaugeMeterType() const { return m_gaugeMeterType; }
    // The layout and unit numbers of the last identification (or as set).
    int tableLayout() const { return m_connection.layout(); }
    void setTableLayout(int layout) { m_connection.setLayout(layout); }
    const QList<int> &unitNumbers() const { return m_unitNumbers; }
    void setUnitNumbers(const QList<int> &unitNumbers) { m_unitNumbers = unitNumbers; }
    // Rebuilds the model's columns for the current layout and unit numbers.
    void buildHeaders();

    void readRecords();
    // Why the last identification, read or settings change failed at the gauge (None when it
    // did not fail there): the words for it are gaugeErrorText().
    GaugeError lastGaugeError() const { return m_lastGaugeError; }
    // The last read stopped before any block because the gauge reported more records than
    // can be read: the link worked, the count itself is wrong.
    bool countRefused() const { return m_countRefused; }
    void onSettingsChanged();
    bool settingsChanging() const { return m_settingsChanging; }

    // Asks first when there are rows; true when the table was emptied.
    bool clearRecords();
    // The gauge whose rows the table holds, as reports and workbooks state it.
    WorkbookFacts tableFacts() const;
    // Exports the shown columns of the records; true when a workbook was written (its rows
    // are then removed from the table).
    bool exportRecords();
    bool exportRunning() const { return m_export.isRunning(); }
    // Adds what the pages know to every exported table (the limits and the columns they
    // judge); `columns` are the model's columns in the table's order.
    using ExportDecorator = std::function<void(WorkbookTable &table, const QList<int> &columns)>;
    void setExportDecorator(ExportDecorator decorator) { m_exportDecorator = std::move(decorator); }
    // The dialogs' seam, for the pages' own flows (the report).
    UserInteraction &interaction() const { return m_ui; }

signals:
    void linkOpened();
    void linkClosed();
    void identified(const QString &serialNo, const QString &firmwareVersion);
    // The layout was chosen and the columns rebuilt (also after a failed unit check).
    void layoutChanged(int layout);
    void recordsRead(int count);
    void measurement(int row);
    void settingsChanged();
    // A failure the user was told about, in the language of the moment.
    void failed(const QString &message);

private:
    friend class CommandSequence;

    QString title() const;
    void inform(const QString &text);
    // A command failed (commandRan: it went to the gauge, not stopped by the lock): keeps
    // and logs why, before the failure is told.
    void noteGaugeError(bool commandRan);
    bool ask(const QString &text);
    // The English source and its Chinese, one above the other: for what is said before the
    // user could choose a language (the survey file at start).
    static QString inBothLanguages(const char *source);
    // With rows in the table: the save question; No empties the table, Yes exports (which
    // removes the rows written). True when the caller may go on; false when Yes saved nothing
    // (file dialog closed, write failed): the rows stay. With mustClear it asks until the
    // rows are saved or the user says No.
    bool offerSaveThenClear(const QString &question, bool mustClear);
    // Pushed frames as records, multi-layer ones named by the running number: `rowsAhead`
    // rows come before them in the table.
    QVector<GaugeRecord> measurementsOf(const QVector<PushedFrame> &frames, qsizetype from, qsizetype to,
                                        qint64 rowsAhead);
    // Where the connection's pushesArrived() lands: measurements become rows, a
    // settings-changed frame starts the settings change (now, or once no sequence or export
    // runs).
    void addPushes(const QVector<PushedFrame> &frames);
    void addPushedFrames(const QVector<PushedFrame> &frames);
    // ---- measurements for columns the table does not show yet ----
    // Behind a settings notice until the question is answered and the units read, or of a
    // gauge just identified while the question about the table's rows is open: committed at
    // once to a session of their own (its units read when the first one comes), shown after.
    void addWaiting(const QVector<PushedFrame> &frames, qsizetype from);
    void openWaitingSession();
    void showWaiting();
    void dropWaiting();
    // ---- measurements pushed during a read ----
    int heldDuringRead() const;
    // Commits (and holds) the measurements the read's requests set aside so far.
    void holdPushesSetAside();
    // After the read's rows were committed: the held measurements are committed again behind them.
    void moveHeldBehindReadRows();
    // Ends the holding: the held measurements become rows after those in the table.
    void showHeldReadPushes();
    void tellDisconnectedDuringRead();
    // The sequence's connection is still the current one and its gauge still plugged in.
    bool gaugeStayed(const class CommandSequence &sequence) const;
    // The records' values (and multi-layer names) block by block with progress, then
    // committed and shown; nothing is added on a failure, a cancel or a removal.
    void readMemoryImage(class CommandSequence &sequence, int count);
    bool readBlocks(class CommandSequence &sequence, class ProgressHandle &progress,
                    const QVector<struct ReadBlock> &blocks, QByteArray &out, int firstStep, const QString &failure);
    void requestSettingsChange();
    void runDeferredWork();
    bool canHandleSettingsChangeNow() const;
    void sequenceEnded();
    void clearConnectionState();
    // ---- the survey store ----
    // Gives the rows just appended their keys in the file (when it kept them all).
    void setKeys(int first, int added, const std::vector<qint64> &keys);
    // Empties the table and tells the file which rows left it.
    void clearTable();
    // Commits a batch before the model gets it and returns its keys (empty: not kept); the
    // rows are then appended by the caller.
    std::vector<qint64> storeRecords(const QVector<GaugeRecord> &records, RecordOrigin origin, qint64 arrivedMs);
    std::vector<qint64> storeImage(const QByteArray &values, const QByteArray *names, int count, RecordOrigin origin,
                                   qint64 arrivedMs);
    // Runs a large commit on a thread of its own while this thread keeps painting; input and
    // device notices wait until it is done, pushed measurements are committed meanwhile.
    void commitWhilePainting(const std::function<void()> &commit);
    // What the file keeps of a table with these columns and units, for the identified gauge.
    SurveyInfo surveyInfo(const RecordsModel &columns, const QList<int> &units) const;
    void beginStoreSession();
    void ensureStoreSession();
    void tellStoreProblem();
    // The rows in the table came from another gauge, or in other units, than the gauge now identified.
    bool tableIsOtherGauge() const;

    UserInteraction &m_ui;
    RecordsModel &m_model;
    RecordEdits m_edits{m_model};
    GaugeConfig m_config;
    ExportFlow m_export;
    ExportDecorator m_exportDecorator;
    QWidget *m_dialogParent = nullptr;

    GaugeConnection m_connection;

    QSet<int> m_reportedLayouts; // layouts of the meter table this program does not know, told once
    QList<int> m_unitNumbers;
    struct HeldBatch
    {
        QVector<GaugeRecord> records;
        qint64 arrivedMs = 0;
        std::vector<qint64> keys; // in the file
    };
    bool m_readHolding = false;  // a read runs: pushed measurements are committed and held
    int m_readRows = 0;          // the records that read is to add
    QVector<HeldBatch> m_readHeld;
    struct Waiting
    {
        bool active = false;
        bool unitsUnknown = false; // behind a settings notice: read when the first one comes
        qint64 session = 0;        // in the file, until adopted
        QVector<HeldBatch> batches;
    };
    Waiting m_waiting;
    qint64 m_nextPushNumber = 1; // names of pushed multi-layer records, per connection

    SurveyStore *m_store = nullptr;
    bool m_storeProblemTold = false;
    // The identified gauge, and whose rows (gauge, layout, units) the table holds.
    QString m_gaugeSerial;
    QString m_gaugeFirmware;
    qint64 m_gaugeMeterType = -1;
    QString m_tableSerial;
    int m_tableRowsLayout = 0;
    QList<int> m_tableUnits;
    QList<int> m_storeSessionUnits; // the units of the store's current session

    int m_sequenceDepth = 0;
    bool m_settingsChanging = false;
    bool m_settingsChangePending = false;
    bool m_closing = false; // the session is ending: no more questions
    bool m_countRefused = false;
    GaugeError m_lastGaugeError = GaugeError::None;
};
