#include "assetspage/AssetsDialog.h"

#include "assetspage/AssetForm.h"
#include "assetspage/AssetSummaryModel.h"
#include "assetspage/AssetSummaryPage.h"
#include "assetspage/AssetTreeModel.h"
#include "assetspage/CmlForm.h"
#include "assetspage/CmlHistoryModel.h"
#include "assetspage/CmlJudgementPane.h"
#include "assetspage/CmlSummaryModel.h"
#include "assetspage/GridPane.h"
#include "assetspage/PlacesWords.h"
#include "assetspage/SurveyForm.h"
#include "assetspage/SurveyListModel.h"
#include "assetspage/TrendView.h"
#include "interaction/UserInteraction.h"
#include "session/JudgementBook.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// `stretch`: the column that takes the width left (a description, a comment, notes).
void tableLook(QTableView *view, int stretch)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(stretch, QHeaderView::Stretch);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
}

} // namespace

AssetsDialog::AssetsDialog(SurveyStore *store, const QList<QVariantList> &unitTable, UserInteraction &ui,
                           QWidget *parent, qint64 asset)
    : QDialog(parent)
    , m_ui(ui)
    , m_numbers(unitTable)
    , m_assets(new AssetTreeModel(this))
    , m_cmls(new CmlSummaryModel(this))
    , m_history(new CmlHistoryModel(this))
{
    if (store && store->isOpen()) {
        m_places = std::make_unique<Places>(*store);
        m_book = std::make_unique<JudgementBook>(*m_places);
    }
    m_surveys = new SurveyListModel(m_places.get(), this);
    m_summary = new AssetSummaryModel(m_book.get(), this);
    m_summary->setNumbers(m_numbers);
    m_cmls->setNumbers(m_numbers, QString());
    m_history->setNumbers(m_numbers);
    setupUi();
    retranslateUi();
    if (!m_places)
        return;
    // One asset's CMLs read, the one shown: a large file's other assets cost nothing here.
    m_assets->setAssets(m_places->assets());
    m_assetView->expandAll();
    if (!selectAsset(asset) && m_assets->rowCount() > 0)
        m_assetView->setCurrentIndex(m_assets->index(0, 0));
}

AssetsDialog::~AssetsDialog() = default;

void AssetsDialog::setupUi()
{
    setObjectName(QStringLiteral("AssetsDialog"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    // The history, the figures and the trend sit side by side: take most of a large screen.
    QSize size(1180, 720);
    if (const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        size = size.expandedTo(screen->availableGeometry().size() * 0.85).boundedTo(screen->availableGeometry().size());
    resize(size);
    auto *layout = new QVBoxLayout(this);
    m_noFile = new QLabel(this);
    m_noFile->setObjectName(QStringLiteral("assetsNoFile"));
    m_noFile->setVisible(!m_places);
    layout->addWidget(m_noFile);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("assetsTabs"));
    layout->addWidget(m_tabs, 1);

    // Locations: tree | CMLs over the history.
    auto *places = new QWidget(m_tabs);
    auto *placesLayout = new QVBoxLayout(places);
    auto *split = new QSplitter(Qt::Horizontal, places);
    m_assetView = new QTreeView(split);
    m_assetView->setObjectName(QStringLiteral("assetTree"));
    m_assetView->setModel(m_assets);
    m_assetView->setUniformRowHeights(true);
    m_assetView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto *right = new QSplitter(Qt::Vertical, split);
    m_cmlView = new QTableView(right);
    m_cmlView->setObjectName(QStringLiteral("cmlTable"));
    m_cmlView->setModel(m_cmls);
    tableLook(m_cmlView, CmlSummaryModel::Description);
    auto *below = new QWidget(right);
    auto *belowLayout = new QVBoxLayout(below);
    belowLayout->setContentsMargins(0, 0, 0, 0);
    m_historyTitle = new QLabel(below);
    m_historyTitle->setObjectName(QStringLiteral("historyTitle"));
    belowLayout->addWidget(m_historyTitle);
    m_historyView = new QTableView(below);
    m_historyView->setObjectName(QStringLiteral("cmlHistory"));
    m_historyView->setModel(m_history);
    tableLook(m_historyView, CmlHistoryModel::Comment);
    // The history beside the CML's figures and trend, and a grid's map on a tab of its own.
    auto *beside = new QSplitter(Qt::Horizontal, below);
    beside->addWidget(m_historyView);
    m_cmlTabs = new QTabWidget(beside);
    m_cmlTabs->setObjectName(QStringLiteral("cmlTabs"));
    m_judgement = new CmlJudgementPane(m_cmlTabs);
    m_judgement->setNumbers(m_numbers);
    m_cmlTabs->addTab(m_judgement, QString());
    m_gridPane = new GridPane(m_ui, m_cmlTabs);
    m_cmlTabs->addTab(m_gridPane, QString());
    m_cmlTabs->setTabVisible(1, false);
    beside->addWidget(m_cmlTabs);
    beside->setStretchFactor(0, 3);
    beside->setStretchFactor(1, 2);
    belowLayout->addWidget(beside, 1);
    m_accept = new QAction(m_historyView);
    m_leaveOut = new QAction(m_historyView);
    m_clearDecision = new QAction(m_historyView);
    m_historyView->addActions({m_accept, m_leaveOut, m_clearDecision});
    m_historyView->setContextMenuPolicy(Qt::ActionsContextMenu);
    right->setStretchFactor(0, 2);
    right->setStretchFactor(1, 3);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    placesLayout->addWidget(split, 1);
    auto *placeButtons = new QHBoxLayout;
    m_addAsset = new QPushButton(places);
    m_addAsset->setObjectName(QStringLiteral("pushButton_addAsset"));
    m_addCml = new QPushButton(places);
    m_addCml->setObjectName(QStringLiteral("pushButton_addCml"));
    placeButtons->addWidget(m_addAsset);
    placeButtons->addWidget(m_addCml);
    m_policy = new QPushButton(places);
    m_policy->setObjectName(QStringLiteral("pushButton_assetPolicy"));
    placeButtons->addWidget(m_policy);
    placeButtons->addStretch(1);
    placesLayout->addLayout(placeButtons);
    m_tabs->addTab(places, QString());

    m_summaryPage = new AssetSummaryPage(m_summary, m_tabs);
    m_tabs->addTab(m_summaryPage, QString());

    // Surveys: the list, inspector and notes edited in place, the rest in a form.
    auto *surveys = new QWidget(m_tabs);
    auto *surveysLayout = new QVBoxLayout(surveys);
    m_surveyView = new QTableView(surveys);
    m_surveyView->setObjectName(QStringLiteral("surveyTable"));
    m_surveyView->setModel(m_surveys);
    tableLook(m_surveyView, SurveyListModel::Notes);
    m_surveyView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    surveysLayout->addWidget(m_surveyView, 1);
    auto *surveyButtons = new QHBoxLayout;
    m_editSurvey = new QPushButton(surveys);
    m_editSurvey->setObjectName(QStringLiteral("pushButton_editSurvey"));
    surveyButtons->addWidget(m_editSurvey);
    surveyButtons->addStretch(1);
    surveysLayout->addLayout(surveyButtons);
    m_tabs->addTab(surveys, QString());

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("pushButton_closeAssets"));
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    for (QPushButton *b : {m_addAsset, m_addCml, m_policy, m_editSurvey})
        b->setEnabled(bool(m_places));
    connect(m_addAsset, &QPushButton::clicked, this, &AssetsDialog::addAsset);
    connect(m_addCml, &QPushButton::clicked, this, &AssetsDialog::addCml);
    connect(m_editSurvey, &QPushButton::clicked, this, &AssetsDialog::editSurvey);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_assetView->selectionModel(), &QItemSelectionModel::currentChanged, this, &AssetsDialog::showAsset);
    connect(m_cmlView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &AssetsDialog::showHistory);
    connect(m_policy, &QPushButton::clicked, this, &AssetsDialog::editPolicy);
    connect(m_judgement, &CmlJudgementPane::designRequested, this, &AssetsDialog::editDesign);
    connect(m_judgement, &CmlJudgementPane::decisionRequested, this, &AssetsDialog::decide);
    connect(m_judgement, &CmlJudgementPane::makeGridRequested, this, &AssetsDialog::makeGrid);
    connect(m_gridPane, &GridPane::fillRequested, this, [this](qint64 cml) {
        emit gridFillRequested(cml);
        accept();
    });
    connect(m_accept, &QAction::triggered, this, [this] { decide(MarkDecision::Include); });
    connect(m_leaveOut, &QAction::triggered, this, [this] { decide(MarkDecision::Exclude); });
    connect(m_clearDecision, &QAction::triggered, this, [this] { decide(MarkDecision::None); });
    connect(m_historyView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        const bool chosen = chosenReading() != 0;
        m_judgement->setReadingChosen(chosen);
        for (QAction *a : {m_accept, m_leaveOut, m_clearDecision})
            a->setEnabled(chosen);
    });
    connect(m_judgement->trend(), &TrendView::readingClicked, this, [this](qint64 key) {
        const int row = m_history->rowOf(key);
        if (row >= 0) {
            m_historyView->selectRow(row);
            m_historyView->setCurrentIndex(m_history->index(row, 0));
        }
    });
    connect(m_summaryPage, &AssetSummaryPage::cmlActivated, this, &AssetsDialog::openCml);
    connect(m_summaryPage, &AssetSummaryPage::reportRequested, this, &AssetsDialog::assetReport);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == SurveysTab && m_surveysStale)
            loadSurveys();
    });
    connect(m_surveys, &SurveyListModel::refused, this, [this] { tell(PlacesWords::problem(*m_places)); });
}

void AssetsDialog::retranslateUi()
{
    setWindowTitle(tr("Assets"));
    m_noFile->setText(tr("No survey file is open: there are no places to show."));
    m_tabs->setTabText(0, tr("Assets and CMLs"));
    m_tabs->setTabText(SummaryTab, tr("Summary"));
    m_tabs->setTabText(SurveysTab, tr("Surveys"));
    m_addAsset->setText(tr("Add Asset…"));
    m_addCml->setText(tr("Add CML…"));
    m_policy->setText(tr("Judging Policy…"));
    m_accept->setText(tr("Accept reading"));
    m_leaveOut->setText(tr("Leave out reading"));
    m_clearDecision->setText(tr("Clear decision"));
    m_editSurvey->setText(tr("Edit Survey…"));
    m_cmlTabs->setTabText(0, tr("Trend"));
    m_cmlTabs->setTabText(1, tr("Grid"));
    m_close->setText(tr("Close"));
    showHistory();
}

void AssetsDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void AssetsDialog::refresh()
{
    if (!m_places)
        return;
    const qint64 asset = m_assets->assetId(m_assetView->currentIndex());
    m_historyCml = -1; // read again
    m_gridCml = -1;
    m_assets->setAssets(m_places->assets());
    m_assetView->expandAll();
    if (!selectAsset(asset))
        showAsset();
    // The surveys' counts take as long as a large asset's CMLs: read when their tab is shown.
    m_surveysStale = true;
    if (m_tabs->currentIndex() == SurveysTab)
        loadSurveys();
}

void AssetsDialog::loadSurveys()
{
    m_surveysStale = false;
    QHash<qint64, QString> paths;
    for (const Asset &a : m_assets->assets())
        paths.insert(a.id, m_assets->path(a.id));
    QHash<qint64, QString> routes;
    for (const Route &r : m_places->routes())
        routes.insert(r.id, r.name);
    m_surveys->setSurveys(m_places->surveys(), paths, routes);
    m_surveyView->resizeColumnsToContents();
}

bool AssetsDialog::selectAsset(qint64 asset)
{
    const QModelIndex at = m_assets->indexOf(asset);
    if (!at.isValid())
        return false;
    if (at == m_assetView->currentIndex())
        showAsset();
    else
        m_assetView->setCurrentIndex(at);
    return true;
}

bool AssetsDialog::selectCml(qint64 cml)
{
    const int row = m_cmls->rowOf(cml);
    if (row < 0)
        return false;
    m_cmlView->selectRow(row);
    m_cmlView->setCurrentIndex(m_cmls->index(row, 0));
    showHistory();
    return true;
}

void AssetsDialog::showAsset()
{
    const qint64 cml = m_cmls->cmlId(m_cmlView->currentIndex().row());
    const qint64 asset = m_assets->assetId(m_assetView->currentIndex());
    m_cmls->setCmls(m_places && asset ? m_places->cmlSummaries(asset) : QVector<CmlSummary>());
    // The asset and everything below it judged at once: the summary and the CMLs' figures.
    if (m_book && asset && !m_book->load(asset))
        tell(PlacesWords::problem(*m_places));
    m_summaryPage->setAssetPath(asset ? m_assets->path(asset) : QString());
    m_summaryPage->reload();
    m_cmlView->resizeColumnsToContents();
    // The same CML stays chosen across a refresh.
    if (!selectCml(cml))
        showHistory();
}

void AssetsDialog::showHistory()
{
    const int row = m_cmlView ? m_cmlView->currentIndex().row() : -1;
    const qint64 cml = m_cmls->cmlId(row);
    if (m_historyTitle)
        m_historyTitle->setText(cml ? tr("Readings of %1").arg(m_cmls->cmls().at(row).cml.tag)
                                    : tr("Choose a CML to see its readings."));
    if (!m_places || cml == m_historyCml) {
        showJudgement();
        return;
    }
    m_historyCml = cml;
    m_history->setReadings(cml ? m_places->history(cml) : QVector<PlaceReading>());
    showJudgement();
    if (m_historyView)
        m_historyView->resizeColumnsToContents();
}

void AssetsDialog::tell(const QString &text)
{
    if (!text.isEmpty())
        m_ui.information(this, windowTitle(), text);
}

void AssetsDialog::addAsset()
{
    if (!m_places)
        return;
    AssetForm form(m_assets->assets(), m_assets->assetId(m_assetView->currentIndex()), this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    const qint64 id = m_places->addAsset(form.parentAsset(), form.kind(), form.tag(), form.description());
    if (!id)
        return tell(PlacesWords::problem(*m_places));
    refresh();
    selectAsset(id);
}

void AssetsDialog::addCml()
{
    if (!m_places)
        return;
    if (m_assets->assets().isEmpty())
        return tell(tr("Add an asset first: every CML belongs to one."));
    CmlForm form(m_assets->assets(), m_assets->assetId(m_assetView->currentIndex()), this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    const Cml cml = form.cml();
    const qint64 id = m_places->addCml(cml);
    if (!id)
        return tell(PlacesWords::problem(*m_places));
    selectAsset(cml.asset);
    selectCml(id);
}

void AssetsDialog::editSurvey()
{
    if (!m_places)
        return;
    const QModelIndexList rows = m_surveyView->selectionModel()->selectedRows();
    const int row = rows.isEmpty() ? m_surveyView->currentIndex().row() : rows.first().row();
    if (row < 0 || row >= m_surveys->rowCount())
        return tell(tr("Choose a survey first."));
    SurveyForm form(m_surveys->survey(row), m_assets->assets(), m_places->routes(), this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    if (!m_places->setSurvey(form.facts()))
        return tell(PlacesWords::problem(*m_places));
    loadSurveys();
}
