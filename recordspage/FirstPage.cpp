#include "recordspage/FirstPage.h"

#include "records/RecordsModel.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/RecordsTable.h"
#include "session/GaugeSession.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QTableView>

namespace {

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

FirstPage::FirstPage(GaugeSession &session, QWidget *parent) : QWidget(parent), m_session(session)
{
    setupUi();
    records = new RecordsTable(tableWidget_data, &m_session.model(), this);
    m_session.setDialogParent(this);
    connect(&m_session, &GaugeSession::identified, this, [this](const QString &serial, const QString &firmware) {
        lineEdit_serialNo->setText(serial);
        lineEdit_firmwareVersion->setText(firmware);
    });
    connect(&m_session, &GaugeSession::layoutChanged, this, &FirstPage::showLayerSelector);
    connect(&m_session, &GaugeSession::linkClosed, this, &FirstPage::clearDeviceInfo);
    connect(&m_session, &GaugeSession::linkOpened, records, [this] { records->setGaugeConnected(true); });
    connect(&m_session, &GaugeSession::linkClosed, records, [this] { records->setGaugeConnected(false); });
    connect(tableWidget_data, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { on_tableWidget_data_cellDoubleClicked(index.row(), index.column()); });
}

FirstPage::~FirstPage()
{
    m_session.setDialogParent(nullptr);
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
    pushButton_history = makeButton("pushButton_history");
    gridLayout_firstPage->addWidget(widget_buttons, 0, 0);

    tableWidget_data = new QTableView(this);
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
    pushButton_history->setText(QCoreApplication::translate("FirstPage", "历史数据"));
}

void FirstPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

// ---- the session's state, as the page shows it ------------------------------------------

RecordsModel &FirstPage::model() const
{
    return m_session.model();
}

bool FirstPage::chineseUi() const
{
    return model().chinese();
}

void FirstPage::setChineseUi(bool chinese)
{
    model().setChinese(chinese);
}

int FirstPage::tableLayout() const
{
    return m_session.tableLayout();
}

const QList<QVariantList> &FirstPage::meterTable() const
{
    return m_session.config().meterTable;
}

const QList<QVariantList> &FirstPage::unitTable() const
{
    return m_session.config().unitTable;
}

QList<int> FirstPage::unitNumbers() const
{
    return m_session.unitNumbers();
}

QList<int> FirstPage::singleDecimals() const
{
    return model().singleDecimals();
}

QList<int> FirstPage::multiDecimals() const
{
    return model().multiDecimals();
}

MyThread *FirstPage::worker() const
{
    return m_session.worker();
}

// ---- table ---------------------------------------------------------------------------

void FirstPage::buildHeaders()
{
    m_session.buildHeaders();
}

void FirstPage::showLayerSelector(int layout)
{
    if (layout == 1) {
        label_layerDisplay->hide();
        comboBox_layerDisplay->hide();
    } else if (layout == 2) {
        label_layerDisplay->show();
        comboBox_layerDisplay->show();
        on_comboBox_layerDisplay_currentIndexChanged(comboBox_layerDisplay->currentIndex());
    }
}

void FirstPage::languageChange()
{
    retranslateUi();
    showLayerSelector(tableLayout());
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
        model().removeRows(index.row(), 1);
}

void FirstPage::on_comboBox_layerDisplay_currentIndexChanged(int index)
{
    bool ok = false;
    const int layers = comboBox_layerDisplay->itemText(index).toInt(&ok, 10);
    if (ok)
        model().setLayersShown(layers);
}

void FirstPage::on_tableWidget_data_cellDoubleClicked(int row, int column)
{
    records->editName(row, column);
}

// ---- records page buttons ------------------------------------------------------------

void FirstPage::on_pushButton_clearData_clicked()
{
    m_session.clearRecords();
}

bool FirstPage::on_pushButton_exportExcel_clicked()
{
    return m_session.exportRecords();
}

void FirstPage::on_pushButton_history_clicked()
{
    HistoryDialog history(m_session, this);
    history.exec();
}

void FirstPage::clearDeviceInfo()
{
    // The rows stay when the gauge goes: only the device fields empty.
    lineEdit_serialNo->clear();
    lineEdit_firmwareVersion->clear();
}

// ---- connection life, reading, pushes: the session's work ----------------------------------

void FirstPage::identifyInstrument()
{
    m_session.identify();
}

void FirstPage::on_pushButton_readRecords_clicked()
{
    m_session.readRecords();
}

void FirstPage::openThreadSlot()
{
    m_session.startWorker();
}

bool FirstPage::closeThreadSlot()
{
    return m_session.stopWorker();
}

void FirstPage::SaveData(const QByteArray &baData)
{
    m_session.handlePushedBytes(baData);
}

void FirstPage::onSettingsChanged()
{
    m_session.onSettingsChanged();
}
