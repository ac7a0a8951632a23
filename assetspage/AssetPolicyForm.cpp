#include "assetspage/AssetPolicyForm.h"

#include "analysis/AnalysisWords.h"
#include "assetspage/DialogButtons.h"
#include "assetspage/JudgementWords.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>

namespace {
// The combos' first item: no choice of the asset's own.
constexpr int Inherit = -1;
} // namespace

AssetPolicyForm::AssetPolicyForm(const QString &assetPath, const std::optional<JudgementPolicy> &own,
                                 const JudgementPolicy &inherited, QWidget *parent)
    : QDialog(parent), m_inherited(inherited)
{
    setObjectName(QStringLiteral("AssetPolicyForm"));
    setWindowTitle(tr("Judging the CMLs of %1").arg(assetPath));
    setMinimumWidth(440);
    m_rate = new QComboBox(this);
    m_rate->setObjectName(QStringLiteral("policyRate"));
    m_rate->addItem(tr("As the asset above"), Inherit);
    for (RateRule r : {RateRule::LongShortMax, RateRule::LongTerm, RateRule::ShortTerm, RateRule::Regression,
                       RateRule::RegressionUpper, RateRule::Largest})
        m_rate->addItem(rateRuleWords(r), int(r));
    m_interval = new QComboBox(this);
    m_interval->setObjectName(QStringLiteral("policyInterval"));
    m_interval->addItem(tr("As the asset above"), Inherit);
    for (IntervalRule r : {IntervalRule::Api570Class1, IntervalRule::Api570Class2, IntervalRule::Api570Class3,
                           IntervalRule::Api510, IntervalRule::Years})
        m_interval->addItem(intervalRuleWords(r), int(r));
    m_years = new QDoubleSpinBox(this);
    m_years->setObjectName(QStringLiteral("policyYears"));
    m_years->setRange(0.1, 100.0);
    m_years->setDecimals(1);
    m_years->setSuffix(tr(" years"));
    m_inheritedText = new QLabel(this);
    m_inheritedText->setWordWrap(true);

    auto *form = new QFormLayout(this);
    form->addRow(tr("Governing rate:"), m_rate);
    form->addRow(tr("Longest interval:"), m_interval);
    form->addRow(tr("Interval:"), m_years);
    form->addRow(m_inheritedText);
    form->addRow(okCancelButtons(this));

    setPolicy(own);
    for (QComboBox *box : {m_rate, m_interval})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, &AssetPolicyForm::showChoice);
    showChoice();
}

void AssetPolicyForm::setPolicy(const std::optional<JudgementPolicy> &policy)
{
    m_rate->setCurrentIndex(policy ? m_rate->findData(int(policy->rate)) : 0);
    m_interval->setCurrentIndex(policy ? m_interval->findData(int(policy->interval)) : 0);
    m_years->setValue(policy ? policy->years : m_inherited.years);
    showChoice();
}

void AssetPolicyForm::showChoice()
{
    // One choice of its own makes the policy its own: the other half starts as inherited.
    const bool ownRate = m_rate->currentData().toInt() != Inherit;
    const bool ownInterval = m_interval->currentData().toInt() != Inherit;
    m_years->setEnabled(m_interval->currentData().toInt() == int(IntervalRule::Years));
    m_inheritedText->setText(ownRate || ownInterval
                                 ? QString()
                                 : tr("From the asset above: %1; %2.")
                                       .arg(rateRuleWords(m_inherited.rate),
                                            m_inherited.interval == IntervalRule::Years
                                                ? JudgementWords::years(m_inherited.years)
                                                : intervalRuleWords(m_inherited.interval)));
}

std::optional<JudgementPolicy> AssetPolicyForm::policy() const
{
    const int rate = m_rate->currentData().toInt();
    const int interval = m_interval->currentData().toInt();
    if (rate == Inherit && interval == Inherit)
        return std::nullopt;
    JudgementPolicy p = m_inherited;
    if (rate != Inherit)
        p.rate = RateRule(rate);
    if (interval != Inherit)
        p.interval = IntervalRule(interval);
    p.years = m_years->value();
    return p;
}
