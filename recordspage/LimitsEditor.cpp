#include "recordspage/LimitsEditor.h"


#include "analysis/AnalysisWords.h"
#include "analysis/ReadingsAnalysis.h"
#include "records/RecordsModel.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include <algorithm>

LimitsEditor::LimitsEditor(ReadingsAnalysis &analysis, QWidget *parent)
    : QWidget(parent)
    , m_analysis(analysis)
    , m_title(new QLabel(this))
    , m_layer(new QComboBox(this))
    , m_nominalLabel(new QLabel(this))
    , m_minimumLabel(new QLabel(this))
    , m_toleranceLabel(new QLabel(this))
    , m_maximumLabel(new QLabel(this))
    , m_nominal(new QLineEdit(this))
    , m_minimum(new QLineEdit(this))
    , m_tolerance(new QLineEdit(this))
    , m_maximum(new QLineEdit(this))
    , m_unit(new QLabel(this))
    , m_apply(new QPushButton(this))
    , m_clear(new QPushButton(this))
    , m_message(new QLabel(this))
{
    setObjectName(QStringLiteral("limitsEditor"));
    // The fields in a row; a refusal's reason on a line of its own under them, wrapped to the
    // row's width, so a long reason never widens the window.
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    rows->addLayout(layout);
    layout->addWidget(m_title);
    m_layer->setObjectName(QStringLiteral("limitsLayer"));
    layout->addWidget(m_layer);
    connect(m_layer, qOverload<int>(&QComboBox::activated), this, [this] {
        m_error = {};
        showLimits();
    });
    const std::pair<QLabel *, QLineEdit *> fields[] = {
        {m_nominalLabel, m_nominal}, {m_minimumLabel, m_minimum}, {m_toleranceLabel, m_tolerance},
        {m_maximumLabel, m_maximum}};
    for (const auto &[label, field] : fields) {
        layout->addWidget(label);
        field->setFixedWidth(70);
        field->setAlignment(Qt::AlignCenter);
        layout->addWidget(field);
        connect(field, &QLineEdit::returnPressed, this, &LimitsEditor::apply);
    }
    m_nominal->setObjectName(QStringLiteral("limitsNominal"));
    m_minimum->setObjectName(QStringLiteral("limitsMinimum"));
    m_tolerance->setObjectName(QStringLiteral("limitsTolerance"));
    m_maximum->setObjectName(QStringLiteral("limitsMaximum"));
    m_unit->setObjectName(QStringLiteral("limitsUnit"));
    layout->addWidget(m_unit);
    m_apply->setObjectName(QStringLiteral("limitsApply"));
    m_clear->setObjectName(QStringLiteral("limitsClear"));
    layout->addWidget(m_apply);
    layout->addWidget(m_clear);
    m_message->setObjectName(QStringLiteral("limitsMessage"));
    m_message->setStyleSheet(QStringLiteral("color:#FF6E6E;"));
    m_message->setWordWrap(true);
    m_message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_message->hide();
    layout->addStretch(1);
    rows->addWidget(m_message);
    connect(m_apply, &QPushButton::clicked, this, &LimitsEditor::apply);
    connect(m_clear, &QPushButton::clicked, this, &LimitsEditor::clearLimits);
    connect(&m_analysis, &ReadingsAnalysis::limitsChanged, this, &LimitsEditor::showLimits);
    connect(&m_analysis.model(), &RecordsModel::languageChanged, this, &LimitsEditor::retranslate);
    // The unit follows the table's columns.
    connect(&m_analysis.model(), &QAbstractItemModel::modelReset, this, &LimitsEditor::showLimits);
    retranslate();
    showLimits();
}

void LimitsEditor::retranslate()
{
    m_title->setText(tr("Thickness limits:"));
    m_nominalLabel->setText(tr("Nominal"));
    m_minimumLabel->setText(tr("Minimum"));
    m_toleranceLabel->setText(tr("Tolerance"));
    m_maximumLabel->setText(tr("Maximum"));
    m_maximum->setPlaceholderText(tr("optional"));
    // Room for the placeholder, whole.
    m_maximum->setFixedWidth(
        std::max(70, m_maximum->fontMetrics().horizontalAdvance(m_maximum->placeholderText()) + 24));
    m_tolerance->setPlaceholderText(QStringLiteral("0"));
    m_apply->setText(tr("Apply"));
    m_clear->setText(tr("Clear limits"));
    m_unit->setText(editUnit());
    syncLayers();
    m_message->setText(findingText(m_error));
    m_message->setToolTip(m_message->text());
    m_message->setVisible(!m_message->text().isEmpty());
}

int LimitsEditor::layer() const
{
    return std::clamp(m_layer->currentIndex(), 0, m_analysis.layerCount() - 1);
}

void LimitsEditor::syncLayers()
{
    // One entry per layer of the layout, naming the layers that are not judged.
    const int layers = m_analysis.layerCount();
    const int current = std::clamp(m_layer->currentIndex(), 0, layers - 1);
    QStringList names;
    for (int l = 0; l < layers; ++l) {
        QString name = tr("Layer %1").arg(l + 1);
        if (!m_analysis.limits(l))
            name += tr(" (no limits)");
        names << name;
    }
    const QSignalBlocker block(m_layer);
    while (m_layer->count() > layers)
        m_layer->removeItem(m_layer->count() - 1);
    for (int l = 0; l < layers; ++l) {
        if (l < m_layer->count())
            m_layer->setItemText(l, names[l]);
        else
            m_layer->addItem(names[l]);
    }
    m_layer->setCurrentIndex(current);
    m_layer->setVisible(layers > 1);
    m_layer->setToolTip(
        tr("Each layer is judged by its own limits; a layer without limits is not judged."));
}

QString LimitsEditor::editUnit() const
{
    // The layer's thickness unit, unless the limits are in one that does not convert to it.
    const std::optional<Limits> &limits = m_analysis.limits(layer());
    const QString table = m_analysis.limitsUnit(layer());
    if (limits && !limits->unit.isEmpty() && !limits->inUnit(table))
        return limits->unit;
    return table;
}

void LimitsEditor::showLimits()
{
    syncLayers();
    std::optional<Limits> limits = m_analysis.limits(layer());
    if (limits && !limits->unit.isEmpty())
        limits = limits->inUnit(editUnit());
    const int d = m_analysis.limitsDecimals(layer());
    auto put = [d](QLineEdit *field, std::optional<double> v) {
        field->setText(v ? RecordsModel::formatValue(*v, d) : QString());
    };
    put(m_nominal, limits ? std::optional<double>(limits->nominal) : std::nullopt);
    put(m_minimum, limits ? std::optional<double>(limits->minimum) : std::nullopt);
    put(m_tolerance, limits && limits->tolerance > 0 ? std::optional<double>(limits->tolerance) : std::nullopt);
    put(m_maximum, limits ? limits->maximum : std::nullopt);
    retranslate();
}

bool LimitsEditor::apply()
{
    const LimitsInput input{m_nominal->text(), m_minimum->text(), m_maximum->text(), m_tolerance->text()};
    if (input.nominal.trimmed().isEmpty() && input.minimum.trimmed().isEmpty() && input.maximum.trimmed().isEmpty()
        && input.tolerance.trimmed().isEmpty()) {
        clearLimits();
        return true;
    }
    const LimitsCheck check = checkLimits(input, editUnit());
    m_error = check.error;
    if (check.limits)
        m_analysis.setLimits(check.limits, layer());
    retranslate();
    return check.limits.has_value();
}

void LimitsEditor::clearLimits()
{
    m_error = {};
    m_analysis.setLimits(std::nullopt, layer());
    showLimits();
}
