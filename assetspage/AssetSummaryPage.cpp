#include "assetspage/AssetSummaryPage.h"

#include "assetspage/AssetSummaryModel.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

AssetSummaryPage::AssetSummaryPage(AssetSummaryModel *model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_title(new QLabel(this))
    , m_view(new QTableView(this))
    , m_dueBefore(new QCheckBox(this))
    , m_dueDate(new QDateEdit(this))
    , m_markedOnly(new QCheckBox(this))
    , m_report(new QPushButton(this))
{
    setObjectName(QStringLiteral("assetSummary"));
    m_view->setObjectName(QStringLiteral("summaryTable"));
    m_dueBefore->setObjectName(QStringLiteral("summaryDueBefore"));
    m_dueDate->setObjectName(QStringLiteral("summaryDueDate"));
    m_markedOnly->setObjectName(QStringLiteral("summaryMarkedOnly"));
    m_report->setObjectName(QStringLiteral("pushButton_assetReport"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(AssetSummaryModel::AssetPath, QHeaderView::Stretch);
    m_view->setWordWrap(false);
    m_dueDate->setCalendarPopup(true);
    m_dueDate->setDate(QDate::currentDate().addYears(1));
    m_dueDate->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    auto *filters = new QHBoxLayout;
    filters->addWidget(m_dueBefore);
    filters->addWidget(m_dueDate);
    filters->addSpacing(16);
    filters->addWidget(m_markedOnly);
    filters->addStretch(1);
    filters->addWidget(m_report);
    layout->addLayout(filters);
    layout->addWidget(m_view, 1);

    connect(m_dueBefore, &QCheckBox::toggled, this, [this](bool on) {
        m_dueDate->setEnabled(on);
        applyFilter();
    });
    connect(m_dueDate, &QDateEdit::dateChanged, this, &AssetSummaryPage::applyFilter);
    connect(m_markedOnly, &QCheckBox::toggled, this, &AssetSummaryPage::applyFilter);
    connect(m_report, &QPushButton::clicked, this, &AssetSummaryPage::reportRequested);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex &at) {
        if (const qint64 cml = m_model->cmlId(at.row()))
            emit cmlActivated(cml);
    });
    retranslate();
}

void AssetSummaryPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void AssetSummaryPage::retranslate()
{
    m_dueBefore->setText(tr("Due before"));
    m_markedOnly->setText(tr("Marked readings only"));
    m_report->setText(tr("Asset Report…"));
    setAssetPath(m_path);
}

void AssetSummaryPage::setAssetPath(const QString &path)
{
    m_path = path;
    m_title->setText(path.isEmpty() ? tr("Choose an asset on the first tab to sum up its CMLs.")
                                    : tr("Every CML of %1 and below, worst remaining life first.").arg(path));
    m_report->setEnabled(!path.isEmpty());
}

void AssetSummaryPage::applyFilter()
{
    JudgementFilter filter;
    // Due before the start of the chosen day, local time.
    if (m_dueBefore->isChecked())
        filter.dueBeforeMs = m_dueDate->date().startOfDay().toMSecsSinceEpoch();
    filter.markedOnly = m_markedOnly->isChecked();
    m_model->setFilter(filter);
    m_view->resizeColumnsToContents();
}

void AssetSummaryPage::reload()
{
    m_model->reload();
    m_view->resizeColumnsToContents();
}
