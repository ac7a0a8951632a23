#pragma once

#include "analysis/Finding.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <array>
#include <optional>

// Where a thickness reading stands against the limits, judged on the number its cell shows.
enum class Band : quint8 {
    Normal, // at or above nominal minus tolerance, and not above the maximum
    Amber,  // at or above the minimum, under nominal minus tolerance
    Red,    // under the minimum
    Blue,   // above the maximum
};
constexpr int BandCount = 4;
using BandCounts = std::array<qint64, BandCount>;

// "Under minimum" and the like, for legends and counts.
QString bandName(Band band);

// Thicknesses and limits beyond this (in any unit) are typing errors, not walls: refused, so
// that no message or field has to show a number of thirty digits.
constexpr double MaxThickness = 10000.0;

// A number for a message: fixed point with at most `decimals` decimals, trailing zeros
// dropped, never in exponent form (callers bound the magnitude).
QString readableNumber(double value, int decimals = 3);

// Thickness limits for a table, in the unit they were entered in.
//
// Every reading is judged by one rule, band(value, decimals): the reading and the limits are
// both rounded to the display steps of the column (10^-decimals) and compared as whole
// numbers, so a reading shown equal to a limit is at it, whatever binary rounding did to
// either (4.35 * 100 is 434.99999999999994). A reading at the minimum is not Red, at nominal
// minus tolerance Normal, at the maximum not Blue. Bands are decided in this order: Red,
// Blue, Amber, Normal.
struct Limits
{
    double nominal = 0.0;
    double minimum = 0.0;
    double tolerance = 0.0;
    std::optional<double> maximum;
    QString unit;

    // The band of a reading shown with `decimals` decimals (see BandJudge, which it uses).
    Band band(double value, int decimals) const;
    // The same limits in another thickness unit (mm and inch convert); none when the units
    // are not comparable.
    std::optional<Limits> inUnit(const QString &otherUnit) const;
    bool operator==(const Limits &o) const;
    bool operator!=(const Limits &o) const { return !(*this == o); }
};

// A thickness from one unit to another: mm and inch convert; any other pair, and NaN, are
// kept as they are.
double thicknessIn(double value, const QString &from, const QString &to);

// The texts of the limits editor. Maximum may be empty (no maximum); tolerance empty is 0.
struct LimitsInput
{
    QString nominal;
    QString minimum;
    QString maximum;
    QString tolerance;
};

// Parsed limits, or why they were refused.
struct LimitsCheck
{
    std::optional<Limits> limits;
    Finding error;
};

// Reads the editor's texts (in `locale`, or the C locale as a fallback) and checks them:
// every given number finite and not negative, minimum <= nominal <= maximum, tolerance
// below nominal.
LimitsCheck checkLimits(const LimitsInput &input, const QString &unit, const QLocale &locale = QLocale());
// Checks already-parsed limits (as loaded from a store) by the same rules.
Finding limitsProblem(const Limits &limits);

// The limits of each layer of a multi-layer gauge (index 0: layer 1, which is also the only
// layer of a single-layer gauge); a layer without limits is not judged.
constexpr int LayerCount = 3;
using LayerLimits = std::array<std::optional<Limits>, LayerCount>;

// A number in whole display steps (10^-decimals), rounded half away from zero as a cell's
// text is; absurd magnitudes are clamped before the conversion.
inline qint64 displaySteps(double value, double scale)
{
    const double x = std::clamp(value * scale, -1e15, 1e15);
    return x >= 0 ? qint64(x + 0.5) : -qint64(0.5 - x);
}

// Judges raw readings of a column with `decimals` decimals: the reading and each limit are
// rounded to display steps, so a cell reading "5.00" against a minimum of 5.00 is never Red
// even if the gauge sent 4.9999, nor "4.35" above a maximum of 4.35.
class BandJudge
{
public:
    BandJudge() = default;
    BandJudge(const Limits &limits, int decimals);
    // Display steps per unit (10^decimals).
    double scale() const { return m_scale; }
    // The number the cell shows, in the column's decimals.
    double shown(double value) const { return double(steps(value)) / m_scale; }
    // The limits are turned once into display steps, so judging a million readings costs a
    // multiplication and three comparisons each.
    Band band(double value) const
    {
        const qint64 q = steps(value);
        if (q < m_redBelow)
            return Band::Red;
        if (m_hasMaximum && q > m_blueAbove)
            return Band::Blue;
        if (q < m_amberBelow)
            return Band::Amber;
        return Band::Normal;
    }

    // Adds a reading to running tallies without branching on its band (readings scatter
    // over the bands, and mispredicted branches would cost more than the comparisons):
    // tally[0] readings under the minimum, tally[1] under the amber line or the minimum,
    // tally[2] above the maximum. bandCounts() turns them into counts per Band.
    void tally(double value, qint64 *tally) const
    {
        const qint64 q = steps(value);
        tally[0] += q < m_redBelow;
        tally[1] += q < m_amberOrRedBelow;
        tally[2] += m_hasMaximum & (q > m_blueAbove);
    }
    static BandCounts bandCounts(const qint64 *tally, qint64 readings);

private:
    qint64 steps(double value) const { return displaySteps(value, m_scale); }

    double m_scale = 1.0;
    qint64 m_redBelow = 0;
    qint64 m_amberBelow = 0;
    qint64 m_amberOrRedBelow = 0;
    qint64 m_blueAbove = 0;
    bool m_hasMaximum = false;
};
