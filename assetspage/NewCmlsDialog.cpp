#include "assetspage/NewCmlsDialog.h"

#include "assetspage/AssetChoice.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

NewCmlsDialog::NewCmlsDialog(const QStringList &names, const QVector<Asset> &assets, qint64 asset, QWidget *parent)
    : QDialog(parent), m_names(new QListWidget(this)), m_asset(new AssetChoice(this))
{
    setObjectName(QStringLiteral("NewCmlsDialog"));
    setWindowTitle(tr("New CMLs"));
    resize(420, 420);
    m_names->setObjectName(QStringLiteral("unmatchedNames"));
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, m_names);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    m_asset->setAssets(assets);
    m_asset->setAsset(asset);

    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(tr("No CML has these names. Create the ticked ones as CMLs and assign their readings?"), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addWidget(m_names, 1);
    auto *form = new QFormLayout;
    form->addRow(tr("Under asset:"), m_asset);
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Create and Assign"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Leave Them"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_asset->count() > 0);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QStringList NewCmlsDialog::chosenNames() const
{
    QStringList out;
    for (int i = 0; i < m_names->count(); ++i)
        if (m_names->item(i)->checkState() == Qt::Checked)
            out << m_names->item(i)->text();
    return out;
}

bool NewCmlsDialog::setChosen(const QString &name, bool chosen)
{
    for (int i = 0; i < m_names->count(); ++i) {
        if (m_names->item(i)->text() == name) {
            m_names->item(i)->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
            return true;
        }
    }
    return false;
}

qint64 NewCmlsDialog::asset() const
{
    return m_asset->asset();
}

bool NewCmlsDialog::setAsset(qint64 asset)
{
    return m_asset->setAsset(asset);
}
