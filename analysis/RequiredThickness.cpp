#include "analysis/RequiredThickness.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double MpaPerPsi = 6.894757293168361e-3; // 1 lbf/in² = 4.4482216152605 N / 645.16 mm²
constexpr double MmPerInch = 25.4;
constexpr double MmPerFoot = 304.8;
constexpr double TankFloorInch = 0.100; // API 653 §4.3.3.1: no shell course thinner than 0.100 in

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The checks every input goes through before a formula sees it; the first refusal wins.
class Inputs
{
public:
    Finding refusal;

    bool ok() const { return refusal.isEmpty(); }

    // Given, not negative, finite; above zero when `positive`.
    double need(const char *symbol, double value, bool positive)
    {
        if (!ok())
            return NaN;
        if (std::isnan(value))
            refuse(Finding::DesignMissing, {QLatin1String(symbol)});
        else if (value < 0)
            refuse(Finding::DesignNegative, {QLatin1String(symbol)});
        else if (!std::isfinite(value) || (positive && value == 0))
            refuse(Finding::DesignOutOfRange, {QLatin1String(symbol), 0.0, Infinity});
        return value;
    }

    // A factor in (0, 1] (E, W) or, `fromZero`, in [0, 1) (Y).
    double factor(const char *symbol, double value, bool fromZero)
    {
        need(symbol, value, false);
        if (ok() && (fromZero ? value >= 1 : (value <= 0 || value > 1)))
            refuse(Finding::DesignOutOfRange, {QLatin1String(symbol), 0.0, 1.0});
        return value;
    }

    void refuse(Finding::Code code, const QVariantList &args)
    {
        if (ok())
            refusal = Finding{code, args};
    }
};

struct Pressure
{
    double thickness = NaN; // t, mm
    double circumferential = NaN;
    double longitudinal = NaN;
    double y = NaN;
    double required = NaN; // mm
    Findings notes;
};

// ASME B31.3 §304.1.2 eq. (3a): t = P·D / (2·(S·E·W + P·Y)), t_m = t + c; it holds for
// t < D/6 and P/(S·E) <= 0.385 (§304.1.2(b): beyond, special consideration).
Pressure pipeB31_3(const DesignInputs &in, Inputs &check)
{
    Pressure out;
    const double p = toMegapascal(check.need("P", in.pressure, false), in.pressureUnit);
    const double d = toMillimetre(check.need("D", in.diameter, true), in.lengthUnit);
    const double s = toMegapascal(check.need("S", in.stress, true), in.pressureUnit);
    const double e = check.factor("E", in.joint, false);
    const double w = check.factor("W", in.weld, false);
    double y = in.coefficientY;
    if (std::isnan(y) && check.ok()) {
        if (std::isnan(in.temperature)) {
            check.refuse(Finding::DesignMissing, {QStringLiteral("Y")});
        } else {
            const double celsius = toCelsius(in.temperature, in.temperatureUnit);
            y = coefficientYFromTable(in.material, celsius);
            out.notes.append(Finding{Finding::CoefficientFromTable, {y, celsius}});
        }
    } else {
        check.factor("Y", y, true);
    }
    const double c = toMillimetre(check.need("c", in.allowance, false), in.lengthUnit);
    if (!check.ok())
        return out;
    const double ratio = p / (s * e);
    if (ratio > 0.385) {
        check.refuse(Finding::DesignHighPressure, {ratio, 0.385});
        return out;
    }
    out.thickness = p * d / (2 * (s * e * w + p * y));
    out.y = y;
    out.required = out.thickness + c;
    return out;
}

// ASME VIII Div. 1 UG-27(c)(1), circumferential stress (longitudinal joints):
// t = P·R / (S·E − 0.6·P); UG-27(c)(2), longitudinal stress (circumferential joints):
// t = P·R / (2·S·E + 0.4·P). The larger governs. (c)(1) holds for P <= 0.385·S·E and
// t <= R/2, (c)(2) for P <= 1.25·S·E.
Pressure shellUG27(const DesignInputs &in, Inputs &check)
{
    Pressure out;
    const double p = toMegapascal(check.need("P", in.pressure, false), in.pressureUnit);
    const double r = toMillimetre(check.need("R", in.radius, true), in.lengthUnit);
    const double s = toMegapascal(check.need("S", in.stress, true), in.pressureUnit);
    const double e = check.factor("E", in.joint, false);
    const double e2 = std::isnan(in.jointCircumferential) ? e : check.factor("E", in.jointCircumferential, false);
    const double c = toMillimetre(check.need("c", in.allowance, false), in.lengthUnit);
    if (!check.ok())
        return out;
    if (p > 0.385 * s * e) {
        check.refuse(Finding::DesignHighPressure, {p / (s * e), 0.385});
        return out;
    }
    if (p > 1.25 * s * e2) {
        check.refuse(Finding::DesignHighPressure, {p / (s * e2), 1.25});
        return out;
    }
    out.circumferential = p * r / (s * e - 0.6 * p);
    out.longitudinal = p * r / (2 * s * e2 + 0.4 * p);
    out.thickness = std::max(out.circumferential, out.longitudinal);
    out.required = out.thickness + c;
    return out;
}

// API 653 §4.3.3.1 (a): t_min = 2.6·(H − 1)·D·G / (S·E), in its US units (H and D in ft,
// S in psi, t in inches), and never less than 0.100 in. The allowance c is added on top as
// for the other formulas (0 unless given).
Pressure tankApi653(const DesignInputs &in, Inputs &check, const QString &unit)
{
    Pressure out;
    const double hFt = toMillimetre(check.need("H", in.height, true), in.lengthUnit) / MmPerFoot;
    const double dFt = toMillimetre(check.need("D", in.diameter, true), in.lengthUnit) / MmPerFoot;
    const double g = check.need("G", in.gravity, true);
    const double sPsi = toMegapascal(check.need("S", in.stress, true), in.pressureUnit) / MpaPerPsi;
    const double e = check.factor("E", in.joint, false);
    const double c = toMillimetre(check.need("c", in.allowance, false), in.lengthUnit);
    if (!check.ok())
        return out;
    // Below one foot of product the head term is negative: the floor governs.
    const double tInch = 2.6 * (hFt - 1) * dFt * g / (sPsi * e);
    out.thickness = std::max(tInch, 0.0) * MmPerInch;
    const double floorInch = std::max(tInch, TankFloorInch);
    if (tInch < TankFloorInch) {
        const double shown = unit == QLatin1String("inch") ? TankFloorInch : TankFloorInch * MmPerInch;
        out.notes.append(Finding{Finding::TankFloorApplied, {shown, unit}});
    }
    out.required = floorInch * MmPerInch + c;
    return out;
}

} // namespace

bool DesignInputs::operator==(const DesignInputs &o) const
{
    return formula == o.formula && pressureUnit == o.pressureUnit && lengthUnit == o.lengthUnit
        && temperatureUnit == o.temperatureUnit && same(pressure, o.pressure) && same(diameter, o.diameter)
        && same(radius, o.radius) && same(stress, o.stress) && same(joint, o.joint)
        && same(jointCircumferential, o.jointCircumferential) && same(weld, o.weld)
        && same(coefficientY, o.coefficientY) && same(temperature, o.temperature) && material == o.material
        && same(allowance, o.allowance) && same(gravity, o.gravity) && same(height, o.height);
}

double toMegapascal(double value, PressureUnit unit)
{
    switch (unit) {
    case PressureUnit::MPa:
        break;
    case PressureUnit::Psi:
        return value * MpaPerPsi;
    case PressureUnit::Bar:
        return value / 10;
    }
    return value;
}

double toMillimetre(double value, LengthUnit unit)
{
    switch (unit) {
    case LengthUnit::Millimetre:
        break;
    case LengthUnit::Inch:
        return value * MmPerInch;
    case LengthUnit::Metre:
        return value * 1000;
    case LengthUnit::Foot:
        return value * MmPerFoot;
    }
    return value;
}

double toCelsius(double value, TemperatureUnit unit)
{
    return unit == TemperatureUnit::Fahrenheit ? (value - 32) * 5 / 9 : value;
}

bool thicknessLengthUnit(const QString &unit, LengthUnit *out)
{
    LengthUnit found;
    if (unit == QLatin1String("mm"))
        found = LengthUnit::Millimetre;
    else if (unit == QLatin1String("inch"))
        found = LengthUnit::Inch;
    else
        return false;
    if (out)
        *out = found;
    return true;
}

double coefficientYFromTable(MaterialGroup group, double celsius)
{
    // ASME B31.3 Table 304.1.1 (t < D/6), its temperatures in °C: 482 and below, 510, 538,
    // 566, 593, 621 and above. The table's note allows interpolating between them.
    static constexpr std::array<double, 6> at = {482, 510, 538, 566, 593, 621};
    static constexpr std::array<double, 6> ferritic = {0.4, 0.5, 0.7, 0.7, 0.7, 0.7};
    static constexpr std::array<double, 6> austenitic = {0.4, 0.4, 0.4, 0.4, 0.5, 0.7};
    const std::array<double, 6> *row = nullptr;
    switch (group) {
    case MaterialGroup::Ferritic:
        row = &ferritic;
        break;
    case MaterialGroup::Austenitic:
        row = &austenitic;
        break;
    case MaterialGroup::OtherDuctile:
        return 0.4;
    case MaterialGroup::CastIron:
        return 0.0;
    }
    if (!row || std::isnan(celsius))
        return NaN;
    if (celsius <= at.front())
        return row->front();
    if (celsius >= at.back())
        return row->back();
    size_t i = 1;
    while (celsius > at[i])
        ++i;
    const double f = (celsius - at[i - 1]) / (at[i] - at[i - 1]);
    return (*row)[i - 1] + f * ((*row)[i] - (*row)[i - 1]);
}

ThicknessRequirement requiredThickness(const DesignInputs &inputs, double structuralMinimum, const QString &unit)
{
    ThicknessRequirement out;
    out.unit = unit;
    if (std::isfinite(structuralMinimum))
        out.structural = structuralMinimum;

    if (inputs.formula != DesignFormula::None) {
        LengthUnit resultUnit = LengthUnit::Millimetre;
        Inputs check;
        Pressure p;
        if (!thicknessLengthUnit(unit, &resultUnit)) {
            check.refuse(Finding::DesignUnitUnknown, {unit});
        } else {
            switch (inputs.formula) {
            case DesignFormula::None:
                break;
            case DesignFormula::PipeB31_3:
                p = pipeB31_3(inputs, check);
                break;
            case DesignFormula::ShellUG27:
                p = shellUG27(inputs, check);
                break;
            case DesignFormula::TankApi653:
                p = tankApi653(inputs, check, unit);
                break;
            }
        }
        const double perMm = resultUnit == LengthUnit::Inch ? 1 / MmPerInch : 1.0;
        const QString resultName = resultUnit == LengthUnit::Inch ? QStringLiteral("inch") : QStringLiteral("mm");
        if (check.ok() && inputs.formula == DesignFormula::PipeB31_3) {
            const double d = toMillimetre(inputs.diameter, inputs.lengthUnit);
            if (p.thickness >= d / 6)
                check.refuse(Finding::DesignThickWall, {p.thickness * perMm, d / 6 * perMm, resultName});
        }
        if (check.ok() && inputs.formula == DesignFormula::ShellUG27) {
            const double r = toMillimetre(inputs.radius, inputs.lengthUnit);
            if (p.circumferential > r / 2)
                check.refuse(Finding::DesignThickShell, {p.circumferential * perMm, r / 2 * perMm, resultName});
        }
        if (check.ok()) {
            out.pressureThickness = p.thickness * perMm;
            out.circumferential = p.circumferential * perMm;
            out.longitudinal = p.longitudinal * perMm;
            out.coefficientY = p.y;
            out.pressureRequired = p.required * perMm;
            out.notes = p.notes;
        } else {
            out.refusal = check.refusal;
        }
    }

    if (std::isnan(out.pressureRequired) && std::isnan(out.structural))
        return out;
    if (std::isnan(out.structural) || out.pressureRequired >= out.structural) {
        out.required = out.pressureRequired;
        out.governs = ThicknessRequirement::Governs::Pressure;
    } else {
        out.required = out.structural;
        out.governs = ThicknessRequirement::Governs::Structural;
    }
    return out;
}

QString formulaExpression(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::None:
        break;
    case DesignFormula::PipeB31_3:
        return QStringLiteral("t = P·D / (2·(S·E·W + P·Y)); t_m = t + c");
    case DesignFormula::ShellUG27:
        return QStringLiteral("t = P·R / (S·E − 0.6·P); t = P·R / (2·S·E + 0.4·P); t + c");
    case DesignFormula::TankApi653:
        return QStringLiteral("t_min = 2.6·(H − 1)·D·G / (S·E) ≥ 0.100 in");
    }
    return QString();
}

QString formulaStandard(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::None:
        break;
    case DesignFormula::PipeB31_3:
        return QStringLiteral("ASME B31.3 §304.1.2");
    case DesignFormula::ShellUG27:
        return QStringLiteral("ASME VIII Div. 1 UG-27(c)");
    case DesignFormula::TankApi653:
        return QStringLiteral("API 653 §4.3.3.1");
    }
    return QString();
}
