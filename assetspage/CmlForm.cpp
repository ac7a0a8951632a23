#include "assetspage/CmlForm.h"

#include "assetspage/AssetChoice.h"
#include "assetspage/DialogButtons.h"

#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

CmlForm::CmlForm(const QVector<Asset> &assets, qint64 asset, QWidget *parent)
    : QDialog(parent)
    , m_asset(new AssetChoice(this))
    , m_tag(new QLineEdit(this))
    , m_description(new QLineEdit(this))
    , m_nominal(new QLineEdit(this))
    , m_minimum(new QLineEdit(this))
    , m_allowance(new QLineEdit(this))
    , m_material(new QLineEdit(this))
{
    setObjectName(QStringLiteral("CmlForm"));
    setWindowTitle(tr("New CML"));
    setMinimumWidth(440);
    m_asset->setObjectName(QStringLiteral("cmlAsset"));
    m_tag->setObjectName(QStringLiteral("cmlTag"));
    m_asset->setAssets(assets);
    m_asset->setAsset(asset);
    m_tag->setPlaceholderText(tr("Tag, unique within the asset"));
    for (QLineEdit *n : {m_nominal, m_minimum, m_allowance}) {
        auto *valid = new QDoubleValidator(0.0, 1e6, 4, n);
        valid->setNotation(QDoubleValidator::StandardNotation);
        n->setValidator(valid);
        n->setPlaceholderText(tr("not given"));
    }

    auto *form = new QFormLayout(this);
    form->addRow(tr("Asset:"), m_asset);
    form->addRow(tr("Tag:"), m_tag);
    form->addRow(tr("Description:"), m_description);
    form->addRow(tr("Nominal thickness:"), m_nominal);
    form->addRow(tr("Minimum thickness:"), m_minimum);
    form->addRow(tr("Corrosion allowance:"), m_allowance);
    form->addRow(tr("Material:"), m_material);
    auto *buttons = okCancelButtons(this);
    form->addRow(buttons);
    auto okWhenComplete = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_tag->text().trimmed().isEmpty() && m_asset->asset() != 0);
    };
    connect(m_tag, &QLineEdit::textChanged, this, okWhenComplete);
    okWhenComplete();
}

double CmlForm::number(const QLineEdit *edit)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return NotGiven;
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    return ok ? value : NotGiven;
}

QString CmlForm::text(double value)
{
    return std::isnan(value) ? QString() : QLocale().toString(value, 'g', 10);
}

Cml CmlForm::cml() const
{
    Cml c;
    c.asset = m_asset->asset();
    c.tag = m_tag->text().trimmed();
    c.description = m_description->text().trimmed();
    c.nominal = number(m_nominal);
    c.minimum = number(m_minimum);
    c.allowance = number(m_allowance);
    c.material = m_material->text().trimmed();
    return c;
}

bool CmlForm::setCml(const Cml &cml)
{
    if (!m_asset->setAsset(cml.asset))
        return false;
    m_tag->setText(cml.tag);
    m_description->setText(cml.description);
    m_nominal->setText(text(cml.nominal));
    m_minimum->setText(text(cml.minimum));
    m_allowance->setText(text(cml.allowance));
    m_material->setText(cml.material);
    return true;
}
