#include "recordspage/FirstPage.h"

#include "interaction/UserInteraction.h"
#include "export/ExportFlow.h"
#include "link/FramedLink.h"
#include "link/MyThread.h"
#include "protocol/InstrumentCommands.h"
#include "protocol/FieldDecoder.h"
#include "recordspage/LinkSession.h"
#include "protocol/ReadPlan.h"
#include "records/GaugeConfig.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

namespace {

QString configDirectoryOverride;

// The longest the GUI thread waits for a worker thread to end.
constexpr int workerEndWaitMs = 5000;

constexpr quint8 checkedReadCommand = 0x41;

// Every layout of the page: spacing 10 and margins 10 on all sides.
template <typename Layout>
Layout *pageLayout(QWidget *owner, const char *name)
{
    auto *layout = new Layout(owner);
    layout->setObjectName(QString::fromLatin1(name));
    layout->setSpacing(10);
    layout->setContentsMargins(10, 10, 10, 10);
    return layout;
}

} // namespace

FirstPage::FirstPage(QWidget *parent) : QWidget(parent)
{
    setupUi();
    records = new RecordsTable(tableWidget_data, this);
    loadMeterTable();
    loadUnitTable();
    tableLayout = 1;
    settingsChanging = false;
    chineseUi = true;
}

FirstPage::~FirstPage()
{
    closeThreadSlot();
}

void FirstPage::setupUi()
{
    setObjectName(QStringLiteral("FirstPage"));
    resize(1000, 600);

    gridLayout_firstPage = pageLayout<QGridLayout>(this, "gridLayout_firstPage");

    widget_buttons = new QWidget(this);
    widget_buttons->setObjectName(QStringLiteral("widget_buttons"));
    horizontalLayout_buttons = pageLayout<QHBoxLayout>(widget_buttons, "horizontalLayout_buttons");

    groupBox_deviceInformation = new QGroupBox(widget_buttons);
    groupBox_deviceInformation->setObjectName(QStringLiteral("groupBox_deviceInformation"));
    gridLayout_deviceInformation = pageLayout<QGridLayout>(groupBox_deviceInformation, "gridLayout_deviceInformation");

    // A label and its read-only, centred field, side by side in row 0.
    auto addField = [this](QLabel *&label, const char *labelName, QLineEdit *&field, const char *fieldName,
                           int column) {
        label = new QLabel(groupBox_deviceInformation);
        label->setObjectName(QString::fromLatin1(labelName));
        gridLayout_deviceInformation->addWidget(label, 0, column);
        field = new QLineEdit(groupBox_deviceInformation);
        field->setObjectName(QString::fromLatin1(fieldName));
        field->setReadOnly(true);
        field->setAlignment(Qt::AlignCenter);
        gridLayout_deviceInformation->addWidget(field, 0, column + 1);
    };
    addField(label_serialNo, "label_serialNo", lineEdit_serialNo, "lineEdit_serialNo", 0);
    addField(label_firmwareVersion, "label_firmwareVersion", lineEdit_firmwareVersion, "lineEdit_firmwareVersion", 2);
    horizontalLayout_buttons->addWidget(groupBox_deviceInformation);

    horizontalLayout_buttons->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    label_layerDisplay = new QLabel(widget_buttons);
    label_layerDisplay->setObjectName(QStringLiteral("label_layerDisplay"));
    horizontalLayout_buttons->addWidget(label_layerDisplay);
    comboBox_layerDisplay = new QComboBox(widget_buttons);
    comboBox_layerDisplay->setObjectName(QStringLiteral("comboBox_layerDisplay"));
    horizontalLayout_buttons->addWidget(comboBox_layerDisplay);

    auto makeButton = [this](const char *name) {
        auto *button = new QPushButton(widget_buttons);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumSize(QSize(200, 35));
        horizontalLayout_buttons->addWidget(button);
        return button;
    };
    pushButton_readRecords = makeButton("pushButton_readRecords");
    pushButton_clearData = makeButton("pushButton_clearData");
    pushButton_exportExcel = makeButton("pushButton_exportExcel");
    gridLayout_firstPage->addWidget(widget_buttons, 0, 0);

    tableWidget_data = new QTableWidget(this);
    tableWidget_data->setObjectName(QStringLiteral("tableWidget_data"));
    gridLayout_firstPage->addWidget(tableWidget_data, 1, 0);

    retranslateUi();
    QMetaObject::connectSlotsByName(this);
}

void FirstPage::retranslateUi()
{
    groupBox_deviceInformation->setTitle(QCoreApplication::translate("FirstPage", "仪器信息"));
    label_serialNo->setText(QCoreApplication::translate("FirstPage", "SN号："));
    label_firmwareVersion->setText(QCoreApplication::translate("FirstPage", "版本号："));
    label_layerDisplay->setText(QCoreApplication::translate("FirstPage", "层数显示"));
    comboBox_layerDisplay->clear();
    comboBox_layerDisplay->insertItems(0, {QCoreApplication::translate("FirstPage", "1"),
                                           QCoreApplication::translate("FirstPage", "2"),
                                           QCoreApplication::translate("FirstPage", "3")});
    pushButton_readRecords->setText(QCoreApplication::translate("FirstPage", "读取测量记录"));
    pushButton_clearData->setText(QCoreApplication::translate("FirstPage", "清除数据"));
    pushButton_exportExcel->setText(QCoreApplication::translate("FirstPage", "导出Excel"));
}

void FirstPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

// ---- configuration ------------------------------------------------------------------

void FirstPage::setConfigDirectory(const QString &directory)
{
    configDirectoryOverride = directory;
}

QString FirstPage::configDirectory()
{
    return configDirectoryOverride.isEmpty() ? QCoreApplication::applicationDirPath() : configDirectoryOverride;
}

void FirstPage::loadMeterTable()
{
    meterTable += GaugeConfig::loadMeterTable(configDirectory() + QStringLiteral("/meterno"));
}

void FirstPage::loadUnitTable()
{
    unitTable += GaugeConfig::loadUnitTable(configDirectory() + QStringLiteral("/unitno"));
}

// ---- table ---------------------------------------------------------------------------

void FirstPage::buildHeaders()
{
    if (tableLayout == 1) {
        label_layerDisplay->hide();
        comboBox_layerDisplay->hide();
        records->buildHeaders(tableLayout, unitNumbers, unitTable, chineseUi);
    } else if (tableLayout == 2) {
        label_layerDisplay->show();
        comboBox_layerDisplay->show();
        records->buildHeaders(tableLayout, unitNumbers, unitTable, chineseUi);
        records->applyLayerDisplay(tableLayout, comboBox_layerDisplay->currentText());
    }
}

void FirstPage::addSingleLayerRow(float thickness, float velocity, const QString &thicknessText,
                                  const QString &velocityText)
{
    records->addSingleLayerRow(thickness, velocity, thicknessText, velocityText);
}

void FirstPage::addMultiLayerRow(const QString &name, const std::array<float, 6> &values,
                                 const std::array<QString, 6> &texts)
{
    records->addMultiLayerRow(name, values, texts);
}

void FirstPage::languageChange()
{
    retranslateUi();
    buildHeaders();
    records->relabel(tableLayout, chineseUi);
}

void FirstPage::slot_deleteRow()
{
    // Kept for buttons placed in the table as widgets: the row is found from where the
    // button sits. The painted buttons are handled by the table's delegate.
    auto *button = qobject_cast<QPushButton *>(sender());
    if (!button)
        return;
    const QModelIndex index = tableWidget_data->indexAt(button->frameGeometry().topLeft());
    if (index.row() != -1)
        tableWidget_data->removeRow(index.row());
}

void FirstPage::on_comboBox_layerDisplay_currentIndexChanged(int index)
{
    records->applyLayerDisplay(tableLayout, comboBox_layerDisplay->itemText(index));
}

void FirstPage::on_tableWidget_data_cellDoubleClicked(int row, int column)
{
    records->editName(tableLayout, row, column);
}

// ---- messages ------------------------------------------------------------------------

QString FirstPage::title() const
{
    return chineseUi ? QStringLiteral("提示") : QStringLiteral("Tip");
}

void FirstPage::inform(const QString &english, const QString &chinese)
{
    UserInteraction::current().information(this, title(), chineseUi ? chinese : english);
}

bool FirstPage::ask(const QString &english, const QString &chinese)
{
    return UserInteraction::current().question(this, title(), chineseUi ? chinese : english);
}

bool FirstPage::linkOpen() const
{
    FramedLink *link = InstrumentCommands::instance()->link();
    return link && link->isLinkOpen();
}

// ---- records page buttons ------------------------------------------------------------

void FirstPage::on_pushButton_clearData_clicked()
{
    if (tableWidget_data->rowCount() > 0
        && !ask(QStringLiteral("Clear data will clear all records. Are you sure you want to clear it?"),
                QStringLiteral("清除数据将会清除所有的记录，是否确认清除?")))
        return;
    records->clearRows();
}

bool FirstPage::on_pushButton_exportExcel_clicked()
{
    if (ExportFlow::isRunning())
        return false;
    const bool written = ExportFlow::run(this, tableWidget_data, tableLayout, comboBox_layerDisplay->currentText(),
                                         chineseUi);
    runDeferredSettingsChange();
    return written;
}

void FirstPage::clearDeviceInfo()
{
    lineEdit_serialNo->clear();
    lineEdit_firmwareVersion->clear();
    records->clearRows();
    // Bytes and notices of the old connection mean nothing for the next one.
    pushParser.reset();
    settingsChangePending = false;
}

// ---- identification --------------------------------------------------------------------

void FirstPage::identifyInstrument()
{
    if (!linkOpen())
        return;
    LinkSession session(this);
    InstrumentCommands *commands = InstrumentCommands::instance();
    KeyInfo key;
    if (!session.locked() || commands->readKeyInfo(key) < 0) {
        inform(QStringLiteral("Failed to read key infomation!"), QStringLiteral("读取关键信息失败!"));
        return;
    }
    lineEdit_serialNo->setText(QStringLiteral("%1").arg(key.serialNo));
    lineEdit_firmwareVersion->setText(QString::number(key.firmwareVersion / 100.0, 'f', 2));

    if (!meterTable.isEmpty()) {
        const QVariantList *match = nullptr;
        for (const QVariantList &entry : meterTable) {
            if (qint64(entry.value(0).toInt()) == qint64(key.meterType)) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            inform(QStringLiteral("The Instrument and the Software do Not Match!"), QStringLiteral("仪器与软件不匹配!"));
            return;
        }
        tableLayout = match->value(1).toInt();
        if (int(key.firmwareVersion) < match->value(2).toInt()) {
            inform(QStringLiteral("The instrument version is too low!"), QStringLiteral("仪器版本过低!"));
            return;
        }
    }

    unitNumbers.clear();
    if (commands->readUnitNumbers(unitNumbers) < 0) {
        inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
        return;
    }
    session.release();
    buildHeaders();
}

// ---- record reading --------------------------------------------------------------------

void FirstPage::on_pushButton_readRecords_clicked()
{
    if (!linkOpen())
        return;
    if (tableWidget_data->rowCount() > 0) {
        if (ask(QStringLiteral("Importing Data Will First Clear the List. Do You Want to Save the Data?"),
                QStringLiteral("导入数据会先清空列表，是否保存数据？"))) {
            // The question announced an empty list: clear it also when nothing was written.
            if (!on_pushButton_exportExcel_clicked())
                records->clearRows();
        } else {
            records->clearRows();
        }
    }

    LinkSession session(this);
    InstrumentCommands *commands = InstrumentCommands::instance();
    unitNumbers.clear();
    if (!session.locked() || commands->readUnitNumbers(unitNumbers) < 0) {
        inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
        return;
    }
    buildHeaders();

    int count = 0;
    if (commands->readRecordCount(count) < 0) {
        inform(QStringLiteral("Failed to Read Record Number！"), QStringLiteral("读取记录数量失败!"));
        return;
    }
    if (count < 1)
        return;
    if (tableLayout != 1 && tableLayout != 2)
        return;
    if (!ReadPlan::countFits(tableLayout, count)) {
        inform(QStringLiteral("The instrument reports %1 records, more than this program can read (at most %2).")
                   .arg(count)
                   .arg(ReadPlan::MaxRecordCount),
               QStringLiteral("仪器报告的记录数量为%1，超出本程序可读取的范围（最多%2条）。")
                   .arg(count)
                   .arg(ReadPlan::MaxRecordCount));
        return;
    }
    if (tableLayout == 1)
        readSingleLayer(session, count);
    else
        readMultiLayer(session, count);
}

void FirstPage::readSingleLayer(LinkSession &session, int count)
{
    const QVector<ReadBlock> blocks = ReadPlan::valueBlocks(1, count);
    auto progress = UserInteraction::current().createProgress(
        this, chineseUi ? QStringLiteral("正在读取记录，请等待……") : QStringLiteral("Reading record, please wait..."),
        chineseUi ? QStringLiteral("取消") : QStringLiteral("Cancel"), 0, int(blocks.size()));
    InstrumentCommands *commands = InstrumentCommands::instance();
    QByteArray values;
    values.reserve(qsizetype(count) * FieldDecoder::SingleRecordSize);
    for (int i = 0; i < blocks.size(); ++i) {
        if (!session.stillCurrent()
            || commands->readMemory(blocks[i].address, values, quint16(blocks[i].length)) < 0) {
            inform(QStringLiteral("Failed to Read Record Data！"), QStringLiteral("读取记录数据失败!"));
            progress->hide();
            return;
        }
        progress->setValue(i);
        if (progress->wasCanceled()) {
            progress->hide();
            return; // nothing is added: the table stays as it was
        }
    }
    session.release();
    records->addSingleLayerRows(FieldDecoder::singleLayerRecords(values, count, chineseUi));
}

void FirstPage::readMultiLayer(LinkSession &session, int count)
{
    const QVector<ReadBlock> valueBlocks = ReadPlan::valueBlocks(2, count);
    const QVector<ReadBlock> nameBlocks = ReadPlan::nameBlocks(2, count);
    auto progress = UserInteraction::current().createProgress(
        this, chineseUi ? QStringLiteral("正在读取记录，请等待……") : QStringLiteral("Reading record, please wait..."),
        chineseUi ? QStringLiteral("取消") : QStringLiteral("Cancel"), 0,
        int(valueBlocks.size() + nameBlocks.size()));
    InstrumentCommands *commands = InstrumentCommands::instance();

    auto readArea = [&](const QVector<ReadBlock> &blocks, QByteArray &out, int firstStep, const QString &english,
                        const QString &chinese) {
        for (int i = 0; i < blocks.size(); ++i) {
            if (!session.stillCurrent()
                || commands->readMemoryChecked(blocks[i].address, out, quint16(blocks[i].length),
                                               checkedReadCommand)
                       < 0) {
                inform(english, chinese);
                progress->hide();
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
    session.release();
    records->addMultiLayerRows(FieldDecoder::multiLayerRecords(values, names, count, chineseUi));
}

// ---- worker thread -------------------------------------------------------------------------

void FirstPage::openThreadSlot()
{
    qDebug("openThreadSlot");
    if (workerThread)
        closeThreadSlot();
    auto *thread = new QThread;
    workerObject = QSharedPointer<MyThread>(new MyThread(InstrumentCommands::instance()->link()));
    connect(workerObject.data(), &MyThread::senddata, this, &FirstPage::SaveData);
    workerObject->moveToThread(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::started, workerObject.data(), &MyThread::startThreadSlot);
    workerThread = thread;
    thread->start();
    qDebug() << "mainWidget QThread::currentThreadId()==" << QThread::currentThreadId();
}

bool FirstPage::closeThreadSlot()
{
    qDebug("closeThreadSlot");
    bool ended = true;
    if (workerThread && workerThread->isRunning()) {
        workerObject->requestStop();
        workerThread->quit();
        ended = workerThread->wait(workerEndWaitMs);
    }
    if (!ended) {
        // Its thread still runs: the object must outlive it.
        abandonedWorkers.append(workerObject);
    }
    workerObject.reset();
    workerThread = nullptr;
    return ended;
}

// ---- pushed measurements ---------------------------------------------------------------------

void FirstPage::SaveData(const QByteArray &baData)
{
    // A batch still queued when the gauge was pulled out belongs to a closed connection.
    if (!linkOpen())
        return;
    if (settingsChanging) {
        pushParser.reset(); // batches arriving while the settings change is handled are dropped
        return;
    }
    const QVector<PushedFrame> frames = pushParser.feed(baData, tableLayout);
    for (const PushedFrame &frame : frames) {
        if (frame.kind == PushedFrame::Kind::SettingsChanged) {
            requestSettingsChange();
            break;
        }
        if (frame.layout == 1) {
            const SingleLayerRow row = frame.singleLayerRow(chineseUi);
            records->addSingleLayerRow(row.thickness, row.velocity, row.thicknessText, row.velocityText);
        } else if (frame.layout == 2) {
            const QString name = QStringLiteral("Name%1").arg(tableWidget_data->rowCount() + 1);
            const MultiLayerRow row = frame.multiLayerRow(name, chineseUi);
            records->addMultiLayerRow(row.name, row.values, row.texts);
        }
    }
}

bool FirstPage::canHandleSettingsChangeNow() const
{
    // The worker's mutex is not recursive, and a second export must not start.
    return sequenceDepth == 0 && !ExportFlow::isRunning() && !settingsChanging;
}

void FirstPage::requestSettingsChange()
{
    if (canHandleSettingsChangeNow()) {
        onSettingsChanged();
        return;
    }
    settingsChangePending = true;
}

void FirstPage::runDeferredSettingsChange()
{
    if (!settingsChangePending)
        return;
    // Let the operation that deferred it unwind completely first.
    QTimer::singleShot(0, this, [this] {
        if (settingsChangePending && canHandleSettingsChangeNow()) {
            settingsChangePending = false;
            onSettingsChanged();
        }
    });
}

void FirstPage::onSettingsChanged()
{
    settingsChanging = true;
    if (tableWidget_data->rowCount() > 0) {
        if (ask(QStringLiteral("The Instrument Settings Have Changed and Will Soon Clear the List. Do You Want to "
                               "Save the Data?"),
                QStringLiteral("仪器设置发生变更，即将清空列表，是否保存数据？"))) {
            // The question announced an empty list: clear it also when nothing was written.
            if (!on_pushButton_exportExcel_clicked())
                records->clearRows();
        } else {
            records->clearRows();
        }
    }
    {
        LinkSession session(this);
        unitNumbers.clear();
        if (!session.locked() || InstrumentCommands::instance()->readUnitNumbers(unitNumbers) < 0)
            inform(QStringLiteral("Failed to read unit no!"), QStringLiteral("读取单位编号失败!"));
    }
    buildHeaders();
    settingsChanging = false;
}
