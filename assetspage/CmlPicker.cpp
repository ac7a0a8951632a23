#include "assetspage/CmlPicker.h"

#include "assetspage/AssetTreeModel.h"
#include "assetspage/CmlSummaryModel.h"
#include "assetspage/DialogButtons.h"
#include "store/Places.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

CmlPicker::CmlPicker(Places &places, const PlaceNumbers &numbers, const QString &prompt, QWidget *parent)
    : QDialog(parent)
    , m_places(places)
    , m_assets(new AssetTreeModel(this))
    , m_cmls(new CmlSummaryModel(this))
    , m_assetView(new QTreeView(this))
    , m_cmlView(new QTableView(this))
{
    setObjectName(QStringLiteral("CmlPicker"));
    setWindowTitle(tr("Choose a CML"));
    resize(760, 440);
    m_assets->setAssets(places.assets());
    m_cmls->setNumbers(numbers, QString());
    m_assetView->setModel(m_assets);
    m_assetView->setObjectName(QStringLiteral("pickerAssets"));
    m_assetView->setColumnHidden(AssetTreeModel::Description, true);
    m_assetView->expandAll();
    m_assetView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_cmlView->setModel(m_cmls);
    m_cmlView->setObjectName(QStringLiteral("pickerCmls"));
    m_cmlView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_cmlView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_cmlView->verticalHeader()->hide();
    m_cmlView->horizontalHeader()->setSectionResizeMode(CmlSummaryModel::Description, QHeaderView::Stretch);
    for (int c : {int(CmlSummaryModel::Nominal), int(CmlSummaryModel::Minimum), int(CmlSummaryModel::LastDate)})
        m_cmlView->setColumnHidden(c, true);

    auto *layout = new QVBoxLayout(this);
    auto *question = new QLabel(prompt, this);
    question->setWordWrap(true);
    layout->addWidget(question);
    auto *split = new QSplitter(this);
    split->addWidget(m_assetView);
    split->addWidget(m_cmlView);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);
    auto *buttons = okCancelButtons(this, tr("Assign"));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(m_assetView->selectionModel(), &QItemSelectionModel::currentChanged, this, &CmlPicker::showAsset);
    connect(m_cmlView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_ok->setEnabled(cml() != 0); });
    connect(m_cmlView, &QAbstractItemView::doubleClicked, this, [this] {
        if (cml() != 0)
            accept();
    });
    m_ok->setEnabled(false);
    if (m_assets->rowCount() > 0)
        m_assetView->setCurrentIndex(m_assets->index(0, 0));
}

void CmlPicker::showAsset()
{
    m_cmls->setCmls(m_places.cmlSummaries(asset()));
    m_ok->setEnabled(cml() != 0);
}

qint64 CmlPicker::asset() const
{
    return m_assets->assetId(m_assetView->currentIndex());
}

qint64 CmlPicker::cml() const
{
    const QModelIndexList rows = m_cmlView->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_cmls->cmlId(rows.first().row());
}

bool CmlPicker::choose(qint64 asset, qint64 cml)
{
    const QModelIndex at = m_assets->indexOf(asset);
    if (!at.isValid())
        return false;
    m_assetView->setCurrentIndex(at);
    const int row = m_cmls->rowOf(cml);
    if (row < 0)
        return false;
    m_cmlView->selectRow(row);
    return true;
}
