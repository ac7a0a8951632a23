#pragma once

#include "analysis/Finding.h"

#include <QString>

#include <limits>

// The thickness a wall needs, from its design: the pressure design thickness of the standard
// the component was built to, plus its allowances, and a structural minimum the engineer gives.
// Pure arithmetic; the result is in the thickness unit of the readings it is compared with.

enum class PressureUnit : quint8 { MPa = 0, Psi = 1, Bar = 2 };
enum class LengthUnit : quint8 { Millimetre = 0, Inch = 1, Metre = 2, Foot = 3 };
enum class TemperatureUnit : quint8 { Celsius = 0, Fahrenheit = 1 };

enum class DesignFormula : quint8 {
    None = 0,       // no pressure design: the structural minimum alone
    PipeB31_3 = 1,  // ASME B31.3 para. 304.1.2, straight pipe under internal pressure
    ShellUG27 = 2,  // ASME VIII Div. 1 UG-27, cylindrical shell under internal pressure
    TankApi653 = 3, // API 653 para. 4.3.3.1, tank shell course (product head)
};

// Material groups of ASME B31.3 Table 304.1.1 (coefficient Y by temperature).
enum class MaterialGroup : quint8 { Ferritic = 0, Austenitic = 1, OtherDuctile = 2, CastIron = 3 };

// What the formula takes. NaN: not given. P and S share `pressureUnit`; D, R, c and H share
// `lengthUnit`. Only the fields of the chosen formula are read.
struct DesignInputs
{
    DesignFormula formula = DesignFormula::None;
    PressureUnit pressureUnit = PressureUnit::MPa;
    LengthUnit lengthUnit = LengthUnit::Millimetre;
    TemperatureUnit temperatureUnit = TemperatureUnit::Celsius;
    double pressure = std::numeric_limits<double>::quiet_NaN();    // P: internal design pressure (gauge)
    double diameter = std::numeric_limits<double>::quiet_NaN();    // D: outside diameter (B31.3), nominal tank diameter (API 653)
    double radius = std::numeric_limits<double>::quiet_NaN();      // R: inside radius (UG-27)
    double stress = std::numeric_limits<double>::quiet_NaN();      // S: allowable stress at the design temperature
    double joint = std::numeric_limits<double>::quiet_NaN();       // E: longitudinal joint efficiency / quality factor
    double jointCircumferential = std::numeric_limits<double>::quiet_NaN(); // UG-27 longitudinal stress; NaN: E
    double weld = 1.0;                                             // W: weld joint strength reduction factor (B31.3)
    double coefficientY = std::numeric_limits<double>::quiet_NaN(); // Y (B31.3); NaN: from the table by temperature
    double temperature = std::numeric_limits<double>::quiet_NaN(); // design temperature, for Y
    MaterialGroup material = MaterialGroup::Ferritic;              // for Y
    double allowance = 0.0;                                        // c: corrosion, erosion and mechanical allowances
    double gravity = std::numeric_limits<double>::quiet_NaN();     // G: specific gravity of the product (API 653)
    double height = std::numeric_limits<double>::quiet_NaN();      // H: fill height of the course (API 653)

    bool operator==(const DesignInputs &other) const; // NaN equals NaN here: "not given" both
    bool operator!=(const DesignInputs &other) const { return !(*this == other); }
};

// The required thickness and how it came about, in `unit`.
struct ThicknessRequirement
{
    enum class Governs : quint8 { Nothing = 0, Pressure = 1, Structural = 2 };

    // Set when the design inputs are refused (a value missing or negative, a formula outside
    // its validity); then the pressure figures are NaN and `required` is the structural
    // minimum alone (NaN without one). Codes Design*; args name the input by its symbol.
    Finding refusal;
    QString unit;                  // "mm" or "inch"
    double pressureThickness = std::numeric_limits<double>::quiet_NaN(); // t from the formula
    // UG-27 only: both stresses' thicknesses (the larger is pressureThickness).
    double circumferential = std::numeric_limits<double>::quiet_NaN();
    double longitudinal = std::numeric_limits<double>::quiet_NaN();
    double coefficientY = std::numeric_limits<double>::quiet_NaN(); // the Y used (B31.3)
    double pressureRequired = std::numeric_limits<double>::quiet_NaN(); // t + c (t_m); API 653: floored at 0.100 in
    double structural = std::numeric_limits<double>::quiet_NaN();        // the structural minimum given
    double required = std::numeric_limits<double>::quiet_NaN();          // the larger of the two
    Governs governs = Governs::Nothing;
    Findings notes; // e.g. Y taken from the table, API 653's floor applied
};

// `structuralMinimum` (NaN: none) and the result in `unit` ("mm" or "inch").
ThicknessRequirement requiredThickness(const DesignInputs &inputs, double structuralMinimum, const QString &unit);

// ASME B31.3 Table 304.1.1: Y for a material group at a temperature (in °C).
double coefficientYFromTable(MaterialGroup group, double celsius);

// Unit conversions the calculators use (exact factors).
double toMegapascal(double value, PressureUnit unit);
double toMillimetre(double value, LengthUnit unit);
double toCelsius(double value, TemperatureUnit unit);
// "mm" -> Millimetre, "inch" -> Inch; false for another name.
bool thicknessLengthUnit(const QString &unit, LengthUnit *out);

// The formula as written in the standard, e.g. "t = P·D / (2·(S·E·W + P·Y))" (not translated).
QString formulaExpression(DesignFormula formula);
// Its standard and clause, e.g. "ASME B31.3 §304.1.2" (not translated).
QString formulaStandard(DesignFormula formula);
