#pragma once

#include "analysis/RequiredThickness.h"
#include "assetspage/PlaceNumbers.h"

#include <QDialog>
#include <QHash>

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;

// A CML's design inputs: the formula, only the values it reads with their units, and the
// structural minimum; the formula and its result beside them, worked out as one types. Inputs
// the formula refuses are said with the reason and cannot be stored.
class CmlDesignForm : public QDialog
{
    Q_OBJECT
public:
    // `unit`: the thickness unit of the CML's readings ("mm" or "inch"), the result's unit.
    CmlDesignForm(const DesignInputs &inputs, double structuralMinimum, const QString &unit,
                  const PlaceNumbers &numbers, QWidget *parent = nullptr);

    DesignInputs inputs() const;
    double structuralMinimum() const;
    // What the inputs give now (the refusal, if any, in `refusal`).
    ThicknessRequirement requirement() const { return m_requirement; }

    // Fills the form in as a person would: a value by its symbol ("P", "D", "R", "S", "E",
    // "Ec", "W", "Y", "T", "c", "G", "H", "min"); an empty text is a value not given.
    bool setValue(const QString &symbol, const QString &text);
    void setFormula(DesignFormula formula);
    void setPressureUnit(PressureUnit unit);
    void setLengthUnit(LengthUnit unit);
    void setTemperatureUnit(TemperatureUnit unit);
    QString resultText() const;
    QString refusalText() const;
    bool canStore() const;

private:
    QLineEdit *addField(const QString &symbol, const QString &label);
    void showFields();
    void recompute();
    double value(const QString &symbol) const;

    QString m_unit;
    PlaceNumbers m_numbers;
    DesignInputs m_base; // what the form does not edit is kept
    ThicknessRequirement m_requirement;
    QFormLayout *m_form = nullptr;
    QComboBox *m_formula = nullptr;
    QComboBox *m_pressureUnit = nullptr;
    QComboBox *m_lengthUnit = nullptr;
    QComboBox *m_temperatureUnit = nullptr;
    QComboBox *m_material = nullptr;
    QHash<QString, QLineEdit *> m_fields;
    QHash<QString, QLabel *> m_unitLabels;
    QLabel *m_expression = nullptr;
    QLabel *m_result = nullptr;
    QLabel *m_refusal = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
