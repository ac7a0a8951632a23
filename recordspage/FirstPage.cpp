#include "recordspage/FirstPage.h"

#include "analysis/LimitsStore.h"
#include "analysis/ReadingsAnalysis.h"
#include "export/ReportAnalysis.h"
#include "interaction/Language.h"
#include "records/ConfigPaths.h"
#include "records/RecordEdits.h"
#include "records/RecordsModel.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/ChartsPanel.h"
#include "recordspage/LimitsEditor.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/RecordsTable.h"
#include "recordspage/StatisticsPanel.h"
#include "recordspage/SurveyLimitsStore.h"
#include "recordspage/TableReport.h"
#include "session/ExportTable.h"
#include "session/GaugeSession.h"
#include "store/SurveyStore.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSpacerItem>
#include <QTableView>

#include <algorithm>
#include <cmath>

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

// A dialog opened by a click takes the mouse away without a Leave event, so the button
// would keep its hover look; after the click it is set from where the cursor really is.
void refreshHoverAfterClick(QPushButton *button)
{
    QObject::connect(button, &QPushButton::clicked, button, [button] {
        const bool under = button->rect().contains(button->mapFromGlobal(QCursor::pos()));
        if (button->testAttribute(Qt::WA_UnderMouse) != under) {
            button->setAttribute(Qt::WA_UnderMouse, under);
            button->update();
        }
    });
}

} // namespace

FirstPage::FirstPage(GaugeSession &session, QWidget *parent) : QWidget(parent), m_session(session)
{
    setupUi();
    records = new RecordsTable(tableWidget_data, &m_session.model(), this);
    records->setEdits(&m_session.edits());
    // Ctrl+Z / Ctrl+Shift+Z; an open name editor takes them first for its own text.
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, &m_session.edits(), &RecordEdits::undo);
    auto *redo = new QShortcut(QKeySequence::Redo, this);
    connect(redo, &QShortcut::activated, &m_session.edits(), &RecordEdits::redo);
    connect(pushButton_undo, &QPushButton::clicked, &m_session.edits(), &RecordEdits::undo);
    connect(&m_session.edits(), &RecordEdits::changed, this, &FirstPage::updateUndoButton);
    connect(&m_session.model(), &RecordsModel::languageChanged, this, &FirstPage::updateUndoButton);
    updateUndoButton();
    m_session.setDialogParent(this);
    connect(&m_session, &GaugeSession::identified, this, [this](const QString &serial, const QString &firmware) {
        lineEdit_serialNo->setText(serial);
        lineEdit_firmwareVersion->setText(firmware);
    });
    connect(&m_session, &GaugeSession::layoutChanged, this, &FirstPage::showLayerSelector);
    connect(&m_session, &GaugeSession::linkClosed, this, &FirstPage::clearDeviceInfo);
    // After the widgets and the model: every text in the new language, the table's headers first.
    connect(&Language::instance(), &Language::changed, this, &FirstPage::languageChange);
    connect(&m_session, &GaugeSession::linkOpened, records, [this] { records->setGaugeConnected(true); });
    connect(&m_session, &GaugeSession::linkClosed, records, [this] { records->setGaugeConnected(false); });
    // Double-click: the name editor, in the multi-layer layout's name column.
    connect(tableWidget_data, &QAbstractItemView::doubleClicked, records,
            [this](const QModelIndex &index) { records->editName(index.row(), index.column()); });
    setupAnalysis();
    setupPlaces();
}

void FirstPage::setupPlaces()
{
    // Under the table: the top row is as wide as a 1400-pixel screen allows already.
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("widget_status"));
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(10, 0, 10, 0);
    label_status = new QLabel(bar);
    label_status->setObjectName(QStringLiteral("label_status"));
    label_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    barLayout->addWidget(label_status, 1);
    pushButton_assets = new QPushButton(bar);
    pushButton_assets->setObjectName(QStringLiteral("pushButton_assets"));
    pushButton_assets->setMinimumSize(QSize(110, 30));
    barLayout->addWidget(pushButton_assets);
    connect(pushButton_assets, &QPushButton::clicked, this, &FirstPage::assetsRequested);
    refreshHoverAfterClick(pushButton_assets);
    pushButton_walk = new QPushButton(bar);
    pushButton_walk->setObjectName(QStringLiteral("pushButton_walk"));
    pushButton_walk->setMinimumSize(QSize(110, 30));
    barLayout->addWidget(pushButton_walk);
    connect(pushButton_walk, &QPushButton::clicked, this, &FirstPage::walkRequested);
    refreshHoverAfterClick(pushButton_walk);
    pushButton_team = new QPushButton(bar);
    pushButton_team->setObjectName(QStringLiteral("pushButton_team"));
    pushButton_team->setMinimumSize(QSize(110, 30));
    barLayout->addWidget(pushButton_team);
    connect(pushButton_team, &QPushButton::clicked, this, &FirstPage::teamRequested);
    refreshHoverAfterClick(pushButton_team);
    pushButton_assign = new QPushButton(bar);
    pushButton_assign->setObjectName(QStringLiteral("pushButton_assign"));
    pushButton_assign->setMinimumSize(QSize(110, 30));
    barLayout->addWidget(pushButton_assign);
    gridLayout_firstPage->addWidget(bar, 4, 0, 1, 2);

    auto *menu = new QMenu(pushButton_assign);
    menu->setObjectName(QStringLiteral("menu_assign"));
    auto action = [this, menu](const char *name) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        menu->addAction(a);
        tableWidget_data->addAction(a);
        return a;
    };
    action_assignTo = action("action_assignTo");
    action_assignByName = action("action_assignByName");
    action_assignByRoute = action("action_assignByRoute");
    menu->addSeparator();
    action_undoAssignment = action("action_undoAssignment");
    pushButton_assign->setMenu(menu);
    tableWidget_data->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(action_assignTo, &QAction::triggered, this,
            [this] { emit assignToRequested(records->selectedKeys()); });
    connect(action_assignByName, &QAction::triggered, this, [this] { emit assignByNameRequested(tableSurvey()); });
    connect(action_assignByRoute, &QAction::triggered, this, [this] { emit assignByRouteRequested(tableSurvey()); });
    connect(action_undoAssignment, &QAction::triggered, this,
            [this] { emit undoAssignmentRequested(tableSurvey()); });
    retranslateUi();
}

qint64 FirstPage::tableSurvey() const
{
    const RecordsModel &model = m_session.model();
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        if (const qint64 key = model.key(row))
            return key >> 32;
    }
    const SurveyStore *store = m_session.store();
    return store ? store->currentSession() : 0;
}

void FirstPage::showStatus(const QString &text)
{
    label_status->setText(text);
}

void FirstPage::setupAnalysis()
{
    m_defaultLimitsStore = std::make_unique<SettingsLimitsStore>(
        QDir(ConfigPlaces::current().userConfigDir).filePath(QStringLiteral("limits.ini")));
    m_analysis = new ReadingsAnalysis(m_session.model(), this);
    // In the survey file when there is one, beside the readings they judge.
    if (SurveyStore *survey = m_session.store())
        m_surveyLimitsStore = std::make_unique<SurveyLimitsStore>(*survey, *m_defaultLimitsStore);
    m_analysis->setStore(m_surveyLimitsStore ? static_cast<LimitsStore *>(m_surveyLimitsStore.get())
                                             : m_defaultLimitsStore.get());
    connect(&m_session, &GaugeSession::identified, m_analysis,
            [this](const QString &serial) { m_analysis->setSerial(serial); });

    // Charts beside the table and the limits bar; the statistics under both, full width.
    m_charts = new ChartsPanel(*m_analysis, &m_session.interaction(), this);
    gridLayout_firstPage->addWidget(m_charts, 1, 1, 2, 1);
    gridLayout_firstPage->setColumnStretch(0, 3);
    gridLayout_firstPage->setColumnStretch(1, 2);
    m_limitsEditor = new LimitsEditor(*m_analysis, this);
    gridLayout_firstPage->addWidget(m_limitsEditor, 2, 0);
    m_chartsToggle = new QPushButton(widget_buttons);
    m_chartsToggle->setObjectName(QStringLiteral("pushButton_charts"));
    m_chartsToggle->setCheckable(true);
    m_chartsToggle->setChecked(true);
    m_chartsToggle->setMinimumSize(QSize(90, 35));
    horizontalLayout_buttons->addWidget(m_chartsToggle);
    connect(m_chartsToggle, &QPushButton::toggled, m_charts, &QWidget::setVisible);

    m_statistics = new StatisticsPanel(*m_analysis, this);
    gridLayout_firstPage->addWidget(m_statistics, 3, 0, 1, 2);
    gridLayout_firstPage->setRowStretch(1, 1);

    // The selection decides which rows the statistics cover.
    auto selectionToAnalysis = [this] { m_analysis->setSelection(records->selectedRows()); };
    connect(tableWidget_data->selectionModel(), &QItemSelectionModel::selectionChanged, m_analysis,
            selectionToAnalysis);
    connect(&m_session.model(), &QAbstractItemModel::modelReset, m_analysis, selectionToAnalysis);
    connect(m_statistics, &StatisticsPanel::wholeTableRequested, tableWidget_data, &QAbstractItemView::clearSelection);
    connect(m_charts, &ChartsPanel::rowActivated, tableWidget_data, [this](int row) {
        tableWidget_data->selectRow(row);
        tableWidget_data->scrollTo(m_session.model().index(row, 0), QAbstractItemView::PositionAtCenter);
    });

    m_bandDelegate = new BandDelegate(*m_analysis, this);
    connect(&m_session.model(), &QAbstractItemModel::modelReset, this, &FirstPage::syncBandColumns);
    connect(m_analysis, &ReadingsAnalysis::limitsChanged, tableWidget_data->viewport(),
            qOverload<>(&QWidget::update));
    syncBandColumns();
    retranslateUi();
    m_session.setExportDecorator([this](WorkbookTable &table, const QList<int> &columns) {
        table.limits = workbookLimits(*m_analysis, columns);
    });
    m_report = std::make_unique<TableReport>(m_session, *m_analysis, m_charts, this);
}

void FirstPage::setLimitsStore(LimitsStore *store)
{
    if (!store)
        store = m_surveyLimitsStore ? static_cast<LimitsStore *>(m_surveyLimitsStore.get()) : m_defaultLimitsStore.get();
    m_analysis->setStore(store);
}

void FirstPage::syncBandColumns()
{
    for (int c : std::as_const(m_bandColumns))
        tableWidget_data->setItemDelegateForColumn(c, nullptr);
    m_bandColumns = m_analysis->thicknessColumns();
    for (int c : std::as_const(m_bandColumns))
        tableWidget_data->setItemDelegateForColumn(c, m_bandDelegate);
}

FirstPage::~FirstPage()
{
    m_session.setDialogParent(nullptr);
    m_session.setExportDecorator({}); // it reads this page
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
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
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
        // Wide enough for its caption in either language; seven of them share the row.
        button->setMinimumSize(QSize(110, 35));
        horizontalLayout_buttons->addWidget(button);
        return button;
    };
    pushButton_readRecords = makeButton("pushButton_readRecords");
    pushButton_clearData = makeButton("pushButton_clearData");
    pushButton_undo = makeButton("pushButton_undo");
    pushButton_exportExcel = makeButton("pushButton_exportExcel");
    pushButton_history = makeButton("pushButton_history");
    pushButton_report = makeButton("pushButton_report");
    gridLayout_firstPage->addWidget(widget_buttons, 0, 0, 1, 2);

    tableWidget_data = new QTableView(this);
    tableWidget_data->setObjectName(QStringLiteral("tableWidget_data"));
    gridLayout_firstPage->addWidget(tableWidget_data, 1, 0);

    retranslateUi();
    QMetaObject::connectSlotsByName(this);
    connect(pushButton_readRecords, &QPushButton::clicked, &m_session, &GaugeSession::readRecords);
    connect(pushButton_clearData, &QPushButton::clicked, &m_session, &GaugeSession::clearRecords);
    connect(pushButton_exportExcel, &QPushButton::clicked, &m_session, &GaugeSession::exportRecords);
    connect(pushButton_report, &QPushButton::clicked, this, [this] { m_report->run(); });
    // After the slots above, so that the dialogs they open are closed by then.
    for (QPushButton *button :
         {pushButton_readRecords, pushButton_clearData, pushButton_undo, pushButton_exportExcel, pushButton_history,
          pushButton_report})
        refreshHoverAfterClick(button);
}

void FirstPage::retranslateUi()
{
    groupBox_deviceInformation->setTitle(tr("Instrument Information"));
    label_serialNo->setText(tr("SN:"));
    label_firmwareVersion->setText(tr("Version:"));
    label_layerDisplay->setText(tr("Layers Shown"));
    // Numbers, not words; refilled so that a switch shows one layer again, as it always did.
    comboBox_layerDisplay->clear();
    comboBox_layerDisplay->insertItems(0, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    pushButton_readRecords->setText(tr("Read Records"));
    pushButton_clearData->setText(tr("Clear Data"));
    pushButton_exportExcel->setText(tr("Export Excel"));
    pushButton_undo->setText(tr("Undo"));
    pushButton_report->setText(tr("Report"));
    if (m_chartsToggle)
        m_chartsToggle->setText(tr("Charts"));
    pushButton_history->setText(tr("History"));
    if (pushButton_assets) {
        pushButton_assets->setText(tr("Assets…"));
        pushButton_assets->setToolTip(tr("Assets, CMLs and their readings, and the surveys"));
        pushButton_walk->setText(tr("Walk…"));
        pushButton_walk->setToolTip(tr("Walk a route with the gauge: each reading judged at its CML"));
        pushButton_team->setText(tr("Team…"));
        pushButton_team->setToolTip(tr("Share the survey file with the team's server: publish, sync, live"));
        pushButton_assign->setText(tr("Assign"));
        action_assignTo->setText(tr("Assign to…"));
        action_assignByName->setText(tr("Assign by Name…"));
        action_assignByRoute->setText(tr("Assign by Route…"));
        action_undoAssignment->setText(tr("Undo Assignment"));
    }
}

void FirstPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

// ---- table ---------------------------------------------------------------------------

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

void FirstPage::updateUndoButton()
{
    const RecordEdits &edits = m_session.edits();
    pushButton_undo->setEnabled(edits.canUndo());
    pushButton_undo->setToolTip(edits.undoText());
}

void FirstPage::languageChange()
{
    retranslateUi();
    showLayerSelector(m_session.tableLayout());
}

void FirstPage::on_comboBox_layerDisplay_currentIndexChanged(int index)
{
    bool ok = false;
    const int layers = comboBox_layerDisplay->itemText(index).toInt(&ok, 10);
    if (ok)
        m_session.model().setLayersShown(layers);
}

// ---- records page buttons ------------------------------------------------------------

void FirstPage::on_pushButton_history_clicked()
{
    HistoryDialog history(m_session, this);
    // The comparison's default minimum: the limits the table uses.
    history.setLimitsStore(m_analysis->store());
    history.exec();
}

void FirstPage::clearDeviceInfo()
{
    // The rows stay when the gauge goes: only the device fields empty.
    lineEdit_serialNo->clear();
    lineEdit_firmwareVersion->clear();
}
