#include "assetspage/AssetForm.h"

#include "assetspage/AssetChoice.h"
#include "assetspage/DialogButtons.h"
#include "assetspage/PlacesWords.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

AssetForm::AssetForm(const QVector<Asset> &assets, qint64 parentAsset, QWidget *parent)
    : QDialog(parent)
    , m_assets(assets)
    , m_parent(new AssetChoice(this))
    , m_kind(new QComboBox(this))
    , m_tag(new QLineEdit(this))
    , m_description(new QLineEdit(this))
{
    setObjectName(QStringLiteral("AssetForm"));
    setWindowTitle(tr("New Asset"));
    setMinimumWidth(400);
    m_parent->setObjectName(QStringLiteral("assetParent"));
    m_kind->setObjectName(QStringLiteral("assetKind"));
    m_tag->setObjectName(QStringLiteral("assetTag"));
    m_description->setObjectName(QStringLiteral("assetDescription"));
    m_parent->setAssets(assets, tr("(top level)"));
    for (AssetKind k : {AssetKind::Site, AssetKind::Unit, AssetKind::Equipment, AssetKind::Circuit, AssetKind::Other})
        m_kind->addItem(PlacesWords::kind(k), int(k));
    m_tag->setPlaceholderText(tr("Tag, unique under its parent"));

    auto *form = new QFormLayout(this);
    form->addRow(tr("Under:"), m_parent);
    form->addRow(tr("Kind:"), m_kind);
    form->addRow(tr("Tag:"), m_tag);
    form->addRow(tr("Description:"), m_description);
    auto *buttons = okCancelButtons(this);
    form->addRow(buttons);
    auto okWhenTagged = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!tag().isEmpty());
    };
    connect(m_tag, &QLineEdit::textChanged, this, okWhenTagged);
    okWhenTagged();
    connect(m_parent, &QComboBox::currentIndexChanged, this, &AssetForm::suggestKind);
    setParentAsset(parentAsset);
    suggestKind();
}

void AssetForm::suggestKind()
{
    int depth = 0;
    for (qint64 at = parentAsset(); at != 0 && depth <= m_assets.size(); ++depth) {
        qint64 up = 0;
        for (const Asset &a : std::as_const(m_assets))
            if (a.id == at)
                up = a.parent;
        at = up;
    }
    setKind(Places::kindAtDepth(depth));
}

qint64 AssetForm::parentAsset() const
{
    return m_parent->asset();
}

bool AssetForm::setParentAsset(qint64 asset)
{
    return m_parent->setAsset(asset);
}

AssetKind AssetForm::kind() const
{
    return AssetKind(m_kind->currentData().toInt());
}

void AssetForm::setKind(AssetKind kind)
{
    m_kind->setCurrentIndex(std::max(0, m_kind->findData(int(kind))));
}

QString AssetForm::tag() const
{
    return m_tag->text().trimmed();
}

void AssetForm::setTag(const QString &tag)
{
    m_tag->setText(tag);
}

QString AssetForm::description() const
{
    return m_description->text().trimmed();
}

void AssetForm::setDescription(const QString &description)
{
    m_description->setText(description);
}
