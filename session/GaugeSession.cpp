#include "session/GaugeSession.h"

#include "export/WorkbookTable.h"
#include "interaction/UserInteraction.h"
#include "link/CLinkerUSB.h"
#include "link/MyThread.h"
#include "protocol/GaugeRecord.h"
#include "protocol/ReadPlan.h"
#include "records/RecordsModel.h"
#include "session/CommandSequence.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

namespace {

constexpr quint8 checkedReadCommand = 0x41;

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
}

GaugeSession::~GaugeSession()
{
    CLinker *link = m_link.get();
    m_framed.setLink(nullptr);
    const bool workerEnded = stopWorker();
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
    return m_model.chinese() ? QStringLiteral("提示") : QStringLiteral("Tip");
}

void GaugeSession::inform(const QString &english, const QString &chinese)
{
    const QString text = m_model.chinese() ? chinese : english;
    m_ui.information(m_dialogParent, title(), text);
    emit failed(text);
}

bool GaugeSession::ask(const QString &english, const QString &chinese)
{
    return m_ui.question(m_dialogParent, title(), m_model.chinese() ? chinese : english);
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
    m_model.clear();
    // Bytes and notices of the old connection mean nothing for the next one.
    m_pushParser.reset();
    m_heldPushes.clear();
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
    return ended;
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
        inform(QStringLiteral("Failed to read key infomation!"), QStringLiteral("读取关键信息失败!"));
        return;
    }
    emit identified(QStringLiteral("%1").arg(key.serialNo), QString::number(key.firmwareVersion / 100.0, 'f', 2));

    if (!m_config.meterTable.isEmpty()) {
        const QVariantList *match = nullptr;
        for (const QVariantList &entry : m_config.meterTable) {
            if (qint64(entry.value(0).toInt()) == qint64(key.meterType)) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            inform(QStringLiteral("The Instrument and the Software do Not Match!"), QStringLiteral("仪器与软件不匹配!"));
            return;
        }
        m_tableLayout = match->value(1).toInt();
        if (m_tableLayout != 1 && m_tableLayout != 2 && !m_reportedLayouts.contains(m_tableLayout)) {
            // Told once: the table stays without columns, and reading does nothing.
            m_reportedLayouts.insert(m_tableLayout);
            qWarning("meter table: unknown UIIndex %d for meter type %u", m_tableLayout, unsigned(key.meterType));
            inform(QStringLiteral("The meter table gives this instrument the layout %1, which this program does not "
                                  "know: its records cannot be shown.")
                       .arg(match->value(1).toString()),
                   QStringLiteral("仪表配置为此仪器指定的界面类型%1无法识别，无法显示其记录。").arg(match->value(1).toString()));
        }
        if (int(key.firmwareVersion) < match->value(2).toInt()) {
            inform(QStringLiteral("The instrument version is too low!"), QStringLiteral("仪器版本过低!"));
            return;
        }
    }

    m_unitNumbers.clear();
    if (m_commands.readUnitNumbers(m_unitNumbers) < 0) {
        inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
        return;
    }
    sequence.release();
    buildHeaders();
}

void GaugeSession::buildHeaders()
{
    if (m_tableLayout != 1 && m_tableLayout != 2)
        return;
    m_model.setColumns(m_tableLayout, m_unitNumbers, m_config.unitTable);
    emit layoutChanged(m_tableLayout);
}

// ---- record reading --------------------------------------------------------------------

bool GaugeSession::offerSaveThenClear(const QString &english, const QString &chinese, bool mustClear)
{
    for (;;) {
        if (m_model.rowCount() == 0)
            return true;
        if (!ask(english, chinese)) {
            m_model.clear();
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
    if (!isLinkOpen()) {
        inform(QStringLiteral("No gauge is connected. Connect the gauge with its USB cable and switch it on; on "
                              "Linux a normal user also needs the program's udev rule (see the README)."),
               QStringLiteral("未连接仪器。请用USB线连接仪器并开机；在Linux上普通用户还需要安装本程序的udev规则（见README）。"));
        return;
    }
    if (!offerSaveThenClear(QStringLiteral("Importing Data Will First Clear the List. Do You Want to Save the Data?"),
                            QStringLiteral("导入数据会先清空列表，是否保存数据？"), false))
        return;

    CommandSequence sequence(*this);
    m_unitNumbers.clear();
    if (!sequence.locked() || m_commands.readUnitNumbers(m_unitNumbers) < 0) {
        inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
        return;
    }
    buildHeaders();

    int count = 0;
    // A count with the top bit set is no count at all: it could not be read.
    if (m_commands.readRecordCount(count) < 0 || count < 0) {
        inform(QStringLiteral("Failed to Read Record Number！"), QStringLiteral("读取记录数量失败!"));
        return;
    }
    if (count < 1)
        return;
    if (m_tableLayout != 1 && m_tableLayout != 2)
        return;
    if (!ReadPlan::countFits(m_tableLayout, count)) {
        inform(QStringLiteral("The instrument reports %1 records, more than this program can read (at most %2).")
                   .arg(count)
                   .arg(ReadPlan::MaxRecordCount),
               QStringLiteral("仪器报告的记录数量为%1，超出本程序可读取的范围（最多%2条）。")
                   .arg(count)
                   .arg(ReadPlan::MaxRecordCount));
        return;
    }
    if (m_tableLayout == 1)
        readSingleLayer(sequence, count);
    else
        readMultiLayer(sequence, count);
}

void GaugeSession::readSingleLayer(CommandSequence &sequence, int count)
{
    const bool chinese = m_model.chinese();
    const QVector<ReadBlock> blocks = ReadPlan::valueBlocks(1, count);
    auto progress = m_ui.createProgress(
        m_dialogParent, chinese ? QStringLiteral("正在读取记录，请等待……") : QStringLiteral("Reading record, please wait..."),
        chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"), 0, int(blocks.size()));
    QByteArray values;
    values.reserve(qsizetype(count) * FieldDecoder::SingleRecordSize);
    for (int i = 0; i < blocks.size(); ++i) {
        if (!sequence.stillCurrent() || m_commands.readMemory(blocks[i].address, values, quint16(blocks[i].length)) < 0) {
            progress->hide();
            if (sequence.stillCurrent())
                inform(QStringLiteral("Failed to Read Record Data！"), QStringLiteral("读取记录数据失败!"));
            else
                tellDisconnectedDuringRead();
            return;
        }
        progress->setValue(i);
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
    sequence.release();
    const int added = m_model.appendSingleLayerImage(values, count, RecordOrigin::Memory, nowMs());
    emit recordsRead(added);
}

void GaugeSession::readMultiLayer(CommandSequence &sequence, int count)
{
    const bool chinese = m_model.chinese();
    const QVector<ReadBlock> valueBlocks = ReadPlan::valueBlocks(2, count);
    const QVector<ReadBlock> nameBlocks = ReadPlan::nameBlocks(2, count);
    auto progress = m_ui.createProgress(
        m_dialogParent, chinese ? QStringLiteral("正在读取记录，请等待……") : QStringLiteral("Reading record, please wait..."),
        chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"), 0, int(valueBlocks.size() + nameBlocks.size()));

    auto readArea = [&](const QVector<ReadBlock> &blocks, QByteArray &out, int firstStep, const QString &english,
                        const QString &chineseText) {
        for (int i = 0; i < blocks.size(); ++i) {
            if (!sequence.stillCurrent()
                || m_commands.readMemoryChecked(blocks[i].address, out, quint16(blocks[i].length), checkedReadCommand)
                       < 0) {
                progress->hide();
                if (sequence.stillCurrent())
                    inform(english, chineseText);
                else
                    tellDisconnectedDuringRead();
                return false;
            }
            progress->setValue(firstStep + i);
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
    if (!readArea(valueBlocks, values, 0, QStringLiteral("Failed to Read Record Data！"),
                  QStringLiteral("读取记录数据失败!")))
        return;
    if (!readArea(nameBlocks, names, int(valueBlocks.size()), QStringLiteral("Failed to Read Record Name"),
                  QStringLiteral("读取记录名称失败!")))
        return;
    if (!sequence.stillCurrent()) {
        tellDisconnectedDuringRead();
        return;
    }
    sequence.release();
    const int added = m_model.appendMultiLayerImage(values, names, count, RecordOrigin::Memory, nowMs());
    emit recordsRead(added);
}

void GaugeSession::tellDisconnectedDuringRead()
{
    // The pull emptied the table; the rows read so far belong to a gone connection.
    inform(QStringLiteral("The gauge was disconnected during the read; no record was added. Plug it in again and "
                          "read once more."),
           QStringLiteral("读取过程中仪器已断开，未添加任何记录。请重新连接仪器后再读取。"));
}

// ---- pushed measurements ---------------------------------------------------------------------

void GaugeSession::handlePushedBytes(const QByteArray &bytes)
{
    addPushedBytes(bytes, false);
}

void GaugeSession::addPushedBytes(const QByteArray &bytes, bool settingsAnswered)
{
    // A batch still queued when the gauge was pulled out belongs to a closed connection.
    if (!isLinkOpen())
        return;
    if (m_settingsChanging) {
        // Kept until the question is answered, then added in the units it leads to.
        m_heldPushes += bytes;
        return;
    }
    const QVector<PushedFrame> frames = m_pushParser.feed(bytes, m_tableLayout);
    QVector<GaugeRecord> measurements;
    bool settingsChangedFrame = false;
    for (const PushedFrame &frame : frames) {
        if (frame.kind == PushedFrame::Kind::SettingsChanged) {
            // Asking again would offer to save and clear the measurements just held back.
            if (settingsAnswered)
                continue;
            settingsChangedFrame = true;
            break;
        }
        if (frame.layout != 1 && frame.layout != 2)
            continue;
        QString name;
        if (frame.layout == 2) {
            // A running number that never goes back, so names stay unique after deletions;
            // it starts after the rows already in the table.
            m_nextPushNumber = qMax<qint64>(m_nextPushNumber, m_model.rowCount() + measurements.size() + 1);
            name = QStringLiteral("Name%1").arg(m_nextPushNumber++);
        }
        measurements.append(GaugeRecords::fromPushed(frame, name));
    }
    const int first = m_model.rowCount();
    const int added = m_model.append(measurements, RecordOrigin::Pushed, nowMs());
    for (int i = 0; i < added; ++i)
        emit measurement(first + i);
    if (settingsChangedFrame)
        requestSettingsChange();
}

bool GaugeSession::canHandleSettingsChangeNow() const
{
    // The worker's mutex is not recursive, and a second export must not start.
    return m_sequenceDepth == 0 && !m_export.isRunning() && !m_settingsChanging;
}

void GaugeSession::requestSettingsChange()
{
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
        if (m_settingsChangePending && canHandleSettingsChangeNow()) {
            m_settingsChangePending = false;
            onSettingsChanged();
        }
    });
}

void GaugeSession::onSettingsChanged()
{
    m_settingsChanging = true;
    offerSaveThenClear(QStringLiteral("The Instrument Settings Have Changed and Will Soon Clear the List. Do You "
                                      "Want to Save the Data?"),
                       QStringLiteral("仪器设置发生变更，即将清空列表，是否保存数据？"), true);
    {
        CommandSequence sequence(*this);
        m_unitNumbers.clear();
        if (!sequence.locked() || m_commands.readUnitNumbers(m_unitNumbers) < 0)
            inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
    }
    buildHeaders();
    m_settingsChanging = false;
    emit settingsChanged();
    // Measurements taken while the question was open, now in the new units.
    const QByteArray held = std::exchange(m_heldPushes, QByteArray());
    if (!held.isEmpty())
        addPushedBytes(held, true);
}

// ---- table actions ---------------------------------------------------------------------------

bool GaugeSession::clearRecords()
{
    if (m_model.rowCount() > 0
        && !ask(QStringLiteral("Clear data will clear all records. Are you sure you want to clear it?"),
                QStringLiteral("清除数据将会清除所有的记录，是否确认清除?")))
        return false;
    m_edits.clearAll();
    return true;
}

bool GaugeSession::exportRecords()
{
    if (m_export.isRunning())
        return false;
    if (m_model.rowCount() == 0) {
        inform(QStringLiteral("There is nothing to export: the table is empty."),
               QStringLiteral("没有可导出的数据：表格为空。"));
        return false;
    }
    const bool chinese = m_model.chinese();
    const QList<int> columns = m_model.exportedColumns();
    WorkbookTable table;
    for (int c : columns)
        table.headers << m_model.headerData(c, Qt::Horizontal).toString();
    const int rows = m_model.rowCount();
    table.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<WorkbookCell> row;
        row.reserve(columns.size());
        for (int c : columns) {
            const int value = m_model.valueIndex(c);
            const int decimals = m_model.decimals(c);
            if (value < 0)
                row.append(WorkbookCell::ofText(m_model.name(r)));
            else if (m_model.isOutOfRange(r, value))
                row.append(WorkbookCell::ofOutOfRange(RecordsModel::outOfRangeWord(chinese)));
            else
                row.append(WorkbookCell::ofNumber(RecordsModel::shownValue(double(m_model.value(r, value)), decimals),
                                                  decimals));
        }
        table.rows.append(std::move(row));
    }

    const quint64 generation = m_model.generation();
    const int exported = m_export.run(m_dialogParent, table, chinese);
    // Only the rows that went out: a measurement pushed while the progress dialog was open
    // came after them. A table emptied meanwhile (the gauge pulled out) has none of them left.
    if (exported > 0 && generation == m_model.generation())
        m_model.removeRows(0, qMin(exported, m_model.rowCount()));
    runDeferredWork();
    return exported > 0;
}
