#include "assetspage/CmlDesignForm.h"

#include "analysis/AnalysisWords.h"
#include "assetspage/DialogButtons.h"
#include "assetspage/JudgementWords.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace {

// NaN for an empty text; *ok false for a text that is not a number.
double parsed(const QString &raw, bool *ok)
{
    const QString text = raw.trimmed();
    *ok = true;
    if (text.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    double v = QLocale().toDouble(text, ok);
    if (!*ok)
        v = QLocale::c().toDouble(text, ok);
    return *ok ? v : std::numeric_limits<double>::quiet_NaN();
}

QString shown(double value)
{
    return std::isnan(value) ? QString() : QLocale().toString(value, 'g', 10);
}

// The symbols each formula reads, in the order the form shows them.
QStringList symbolsOf(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::None:
        return {};
    case DesignFormula::PipeB31_3:
        return {QStringLiteral("P"), QStringLiteral("D"), QStringLiteral("S"), QStringLiteral("E"),
                QStringLiteral("W"), QStringLiteral("Y"), QStringLiteral("T"), QStringLiteral("c")};
    case DesignFormula::ShellUG27:
        return {QStringLiteral("P"), QStringLiteral("R"), QStringLiteral("S"), QStringLiteral("E"),
                QStringLiteral("Ec"), QStringLiteral("c")};
    case DesignFormula::TankApi653:
        return {QStringLiteral("D"), QStringLiteral("H"), QStringLiteral("G"), QStringLiteral("S"),
                QStringLiteral("E")};
    }
    return {};
}

} // namespace

CmlDesignForm::CmlDesignForm(const DesignInputs &inputs, double structuralMinimum, const QString &unit,
                             const PlaceNumbers &numbers, QWidget *parent)
    : QDialog(parent), m_unit(unit.isEmpty() ? QStringLiteral("mm") : unit), m_numbers(numbers), m_base(inputs)
{
    setObjectName(QStringLiteral("CmlDesignForm"));
    setWindowTitle(tr("Design of the CML"));
    setMinimumWidth(520);

    auto *outer = new QHBoxLayout(this);
    m_form = new QFormLayout;
    outer->addLayout(m_form, 1);

    m_formula = new QComboBox(this);
    m_formula->setObjectName(QStringLiteral("designFormula"));
    for (DesignFormula f : {DesignFormula::None, DesignFormula::PipeB31_3, DesignFormula::ShellUG27,
                            DesignFormula::TankApi653})
        m_formula->addItem(JudgementWords::formula(f), int(f));
    m_form->addRow(tr("Formula:"), m_formula);

    m_pressureUnit = new QComboBox(this);
    for (PressureUnit u : {PressureUnit::MPa, PressureUnit::Psi, PressureUnit::Bar})
        m_pressureUnit->addItem(pressureUnitWords(u), int(u));
    m_lengthUnit = new QComboBox(this);
    for (LengthUnit u : {LengthUnit::Millimetre, LengthUnit::Inch, LengthUnit::Metre, LengthUnit::Foot})
        m_lengthUnit->addItem(lengthUnitWords(u), int(u));
    m_temperatureUnit = new QComboBox(this);
    for (TemperatureUnit u : {TemperatureUnit::Celsius, TemperatureUnit::Fahrenheit})
        m_temperatureUnit->addItem(temperatureUnitWords(u), int(u));
    m_form->addRow(tr("Pressure and stress in:"), m_pressureUnit);
    m_form->addRow(tr("Lengths in:"), m_lengthUnit);
    m_form->addRow(tr("Temperature in:"), m_temperatureUnit);

    addField(QStringLiteral("P"), tr("Design pressure P:"));
    addField(QStringLiteral("D"), tr("Diameter D:"));
    addField(QStringLiteral("R"), tr("Inside radius R:"));
    addField(QStringLiteral("H"), tr("Fill height H:"));
    addField(QStringLiteral("G"), tr("Specific gravity G:"));
    addField(QStringLiteral("S"), tr("Allowable stress S:"));
    addField(QStringLiteral("E"), tr("Joint efficiency E:"));
    addField(QStringLiteral("Ec"), tr("Circumferential joint efficiency:"))
        ->setPlaceholderText(tr("as E"));
    addField(QStringLiteral("W"), tr("Weld strength reduction W:"));
    addField(QStringLiteral("Y"), tr("Coefficient Y:"))->setPlaceholderText(tr("from the table"));
    addField(QStringLiteral("T"), tr("Design temperature:"));
    m_material = new QComboBox(this);
    for (MaterialGroup g : {MaterialGroup::Ferritic, MaterialGroup::Austenitic, MaterialGroup::OtherDuctile,
                            MaterialGroup::CastIron})
        m_material->addItem(materialGroupWords(g), int(g));
    m_form->addRow(tr("Material group:"), m_material);
    addField(QStringLiteral("c"), tr("Allowances c:"));
    addField(QStringLiteral("min"), tr("Structural minimum:"))->setPlaceholderText(tr("not given"));

    // The formula and its result beside the inputs.
    auto *side = new QVBoxLayout;
    m_expression = new QLabel(this);
    m_expression->setObjectName(QStringLiteral("designExpression"));
    m_expression->setWordWrap(true);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("designResult"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_expression->setMinimumWidth(260);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("designRefusal"));
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #C62828;"));
    side->addWidget(m_expression);
    side->addWidget(m_result);
    side->addWidget(m_refusal);
    side->addStretch(1);
    m_buttons = okCancelButtons(this);
    side->addWidget(m_buttons);
    outer->addLayout(side, 1);

    // The stored inputs in.
    m_formula->setCurrentIndex(m_formula->findData(int(inputs.formula)));
    m_pressureUnit->setCurrentIndex(m_pressureUnit->findData(int(inputs.pressureUnit)));
    m_lengthUnit->setCurrentIndex(m_lengthUnit->findData(int(inputs.lengthUnit)));
    m_temperatureUnit->setCurrentIndex(m_temperatureUnit->findData(int(inputs.temperatureUnit)));
    m_material->setCurrentIndex(m_material->findData(int(inputs.material)));
    const QHash<QString, double> stored{
        {QStringLiteral("P"), inputs.pressure},   {QStringLiteral("D"), inputs.diameter},
        {QStringLiteral("R"), inputs.radius},     {QStringLiteral("S"), inputs.stress},
        {QStringLiteral("E"), inputs.joint},      {QStringLiteral("Ec"), inputs.jointCircumferential},
        {QStringLiteral("W"), inputs.weld},       {QStringLiteral("Y"), inputs.coefficientY},
        {QStringLiteral("T"), inputs.temperature}, {QStringLiteral("c"), inputs.allowance},
        {QStringLiteral("G"), inputs.gravity},    {QStringLiteral("H"), inputs.height},
        {QStringLiteral("min"), structuralMinimum}};
    for (auto it = stored.begin(); it != stored.end(); ++it)
        m_fields.value(it.key())->setText(shown(it.value()));

    for (QComboBox *box : {m_formula, m_pressureUnit, m_lengthUnit, m_temperatureUnit, m_material})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
            showFields();
            recompute();
        });
    for (QLineEdit *edit : std::as_const(m_fields))
        connect(edit, &QLineEdit::textChanged, this, &CmlDesignForm::recompute);
    showFields();
    recompute();
}

QLineEdit *CmlDesignForm::addField(const QString &symbol, const QString &label)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *edit = new QLineEdit(row);
    edit->setObjectName(QStringLiteral("design_") + symbol);
    auto *unit = new QLabel(row);
    unit->setMinimumWidth(36);
    layout->addWidget(edit, 1);
    layout->addWidget(unit);
    m_fields.insert(symbol, edit);
    m_unitLabels.insert(symbol, unit);
    m_form->addRow(label, row);
    return edit;
}

void CmlDesignForm::showFields()
{
    const auto formula = DesignFormula(m_formula->currentData().toInt());
    const QStringList read = symbolsOf(formula);
    for (auto it = m_fields.begin(); it != m_fields.end(); ++it)
        m_form->setRowVisible(it.value()->parentWidget(), it.key() == QLatin1String("min") || read.contains(it.key()));
    m_form->setRowVisible(m_pressureUnit, formula != DesignFormula::None);
    m_form->setRowVisible(m_lengthUnit, formula != DesignFormula::None);
    m_form->setRowVisible(m_temperatureUnit, formula == DesignFormula::PipeB31_3);
    m_form->setRowVisible(m_material, formula == DesignFormula::PipeB31_3);

    const QString pressure = m_pressureUnit->currentText();
    const QString length = m_lengthUnit->currentText();
    const QString temperature = m_temperatureUnit->currentText();
    for (auto it = m_unitLabels.begin(); it != m_unitLabels.end(); ++it) {
        const QString &s = it.key();
        QString text;
        if (s == QLatin1String("P") || s == QLatin1String("S"))
            text = pressure;
        else if (s == QLatin1String("D") || s == QLatin1String("R") || s == QLatin1String("c") || s == QLatin1String("H"))
            text = length;
        else if (s == QLatin1String("T"))
            text = temperature;
        else if (s == QLatin1String("min"))
            text = m_unit;
        it.value()->setText(text);
    }
    adjustSize();
}

double CmlDesignForm::value(const QString &symbol) const
{
    bool ok = false;
    return parsed(m_fields.value(symbol)->text(), &ok);
}

DesignInputs CmlDesignForm::inputs() const
{
    DesignInputs in = m_base;
    in.formula = DesignFormula(m_formula->currentData().toInt());
    in.pressureUnit = PressureUnit(m_pressureUnit->currentData().toInt());
    in.lengthUnit = LengthUnit(m_lengthUnit->currentData().toInt());
    in.temperatureUnit = TemperatureUnit(m_temperatureUnit->currentData().toInt());
    in.material = MaterialGroup(m_material->currentData().toInt());
    in.pressure = value(QStringLiteral("P"));
    in.diameter = value(QStringLiteral("D"));
    in.radius = value(QStringLiteral("R"));
    in.stress = value(QStringLiteral("S"));
    in.joint = value(QStringLiteral("E"));
    in.jointCircumferential = value(QStringLiteral("Ec"));
    in.weld = value(QStringLiteral("W"));
    in.coefficientY = value(QStringLiteral("Y"));
    in.temperature = value(QStringLiteral("T"));
    in.allowance = value(QStringLiteral("c"));
    in.gravity = value(QStringLiteral("G"));
    in.height = value(QStringLiteral("H"));
    return in;
}

double CmlDesignForm::structuralMinimum() const
{
    return value(QStringLiteral("min"));
}

void CmlDesignForm::recompute()
{
    const DesignInputs in = inputs();
    // A text that is no number is refused here, before the formula sees a value missing.
    QString notNumber;
    const QStringList read = symbolsOf(in.formula) + QStringList{QStringLiteral("min")};
    for (const QString &s : read) {
        bool ok = false;
        parsed(m_fields.value(s)->text(), &ok);
        if (!ok) {
            notNumber = s == QLatin1String("min") ? tr("The structural minimum is not a number.")
                                                   : tr("%1 is not a number.").arg(s);
            break;
        }
    }
    m_requirement = requiredThickness(in, structuralMinimum(), m_unit);

    m_expression->setText(in.formula == DesignFormula::None
                              ? tr("Required thickness = the structural minimum")
                              : QStringLiteral("%1\n%2").arg(formulaStandard(in.formula), formulaExpression(in.formula)));
    const ThicknessRequirement &r = m_requirement;
    const QString u = QLatin1Char(' ') + r.unit;
    auto num = [this](double v) { return m_numbers.text(v, m_unit); };
    QStringList lines;
    if (!std::isnan(r.pressureThickness))
        lines << tr("Pressure design thickness t = %1").arg(num(r.pressureThickness) + u);
    if (!std::isnan(r.circumferential))
        lines << tr("Circumferential stress: %1; longitudinal stress: %2")
                     .arg(num(r.circumferential) + u, num(r.longitudinal) + u);
    if (!std::isnan(r.coefficientY))
        lines << tr("Y = %1").arg(QLocale().toString(r.coefficientY, 'g', 4));
    if (!std::isnan(r.pressureRequired))
        lines << tr("Pressure required thickness = %1").arg(num(r.pressureRequired) + u);
    if (!std::isnan(r.structural))
        lines << tr("Structural minimum = %1").arg(num(r.structural) + u);
    if (!std::isnan(r.required)) {
        const QString how = r.governs == ThicknessRequirement::Governs::Pressure     ? tr("pressure governs")
                            : r.governs == ThicknessRequirement::Governs::Structural ? tr("structural governs")
                                                                                    : QString();
        lines << (how.isEmpty() ? tr("Required thickness = %1").arg(num(r.required) + u)
                                : tr("Required thickness = %1 (%2)").arg(num(r.required) + u, how));
    } else {
        lines << tr("No required thickness.");
    }
    const QString notes = findingsText(r.notes);
    if (!notes.isEmpty())
        lines << notes;
    m_result->setText(lines.join(QLatin1Char('\n')));

    const QString refusal = !notNumber.isEmpty() ? notNumber : findingText(r.refusal);
    m_refusal->setText(refusal);
    m_refusal->setVisible(!refusal.isEmpty());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(refusal.isEmpty());
}

bool CmlDesignForm::setValue(const QString &symbol, const QString &text)
{
    QLineEdit *edit = m_fields.value(symbol);
    if (!edit)
        return false;
    edit->setText(text);
    return true;
}

void CmlDesignForm::setFormula(DesignFormula formula)
{
    m_formula->setCurrentIndex(m_formula->findData(int(formula)));
}

void CmlDesignForm::setPressureUnit(PressureUnit unit)
{
    m_pressureUnit->setCurrentIndex(m_pressureUnit->findData(int(unit)));
}

void CmlDesignForm::setLengthUnit(LengthUnit unit)
{
    m_lengthUnit->setCurrentIndex(m_lengthUnit->findData(int(unit)));
}

void CmlDesignForm::setTemperatureUnit(TemperatureUnit unit)
{
    m_temperatureUnit->setCurrentIndex(m_temperatureUnit->findData(int(unit)));
}

QString CmlDesignForm::resultText() const
{
    return m_result->text();
}

QString CmlDesignForm::refusalText() const
{
    return m_refusal->text();
}

bool CmlDesignForm::canStore() const
{
    return m_buttons->button(QDialogButtonBox::Ok)->isEnabled();
}
