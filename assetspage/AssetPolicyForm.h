#pragma once

#include "analysis/CmlJudgement.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;

// An asset's choice of the rate that governs remaining life and of the longest interval
// between inspections; or none of its own, taking its parent's (`inherited`).
class AssetPolicyForm : public QDialog
{
    Q_OBJECT
public:
    AssetPolicyForm(const QString &assetPath, const std::optional<JudgementPolicy> &own,
                    const JudgementPolicy &inherited, QWidget *parent = nullptr);

    // nullopt: the parent's.
    std::optional<JudgementPolicy> policy() const;
    // Fills the form in as a person would; nullopt: inherit.
    void setPolicy(const std::optional<JudgementPolicy> &policy);

private:
    void showChoice();

    JudgementPolicy m_inherited;
    QComboBox *m_rate = nullptr;
    QComboBox *m_interval = nullptr;
    QDoubleSpinBox *m_years = nullptr;
    QLabel *m_inheritedText = nullptr;
};
