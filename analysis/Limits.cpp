#include "analysis/Limits.h"
#include "records/BandWords.h"

#include <cmath>

namespace {

constexpr double MmPerInch = 25.4;

bool isMm(const QString &unit)
{
    return unit.compare(QLatin1String("mm"), Qt::CaseInsensitive) == 0;
}

bool isInch(const QString &unit)
{
    return unit.compare(QLatin1String("inch"), Qt::CaseInsensitive) == 0
        || unit.compare(QLatin1String("in"), Qt::CaseInsensitive) == 0;
}

// A number typed in the user's locale, or with a dot; empty text is `empty`.
std::optional<double> parseNumber(const QString &text, const QLocale &locale, bool *bad)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double v = locale.toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) {
        *bad = true;
        return std::nullopt;
    }
    return v;
}

} // namespace

QString readableNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    QString text = QString::number(std::clamp(value, -1e15, 1e15), 'f', std::clamp(decimals, 0, 9));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString bandName(Band band)
{
    switch (band) {
    case Band::Red:
        return bandWord(BandWord::UnderMinimum);
    case Band::Amber:
        return bandWord(BandWord::UnderNominal);
    case Band::Blue:
        return bandWord(BandWord::AboveMaximum);
    case Band::Normal:
        break;
    }
    return bandWord(BandWord::Within);
}

Band Limits::band(double value, int decimals) const
{
    return BandJudge(*this, decimals).band(value);
}

double thicknessIn(double value, const QString &from, const QString &to)
{
    if (std::isnan(value))
        return value;
    if (isInch(from) && isMm(to))
        return value * MmPerInch;
    if (isMm(from) && isInch(to))
        return value / MmPerInch;
    return value;
}

std::optional<Limits> Limits::inUnit(const QString &otherUnit) const
{
    if (otherUnit == unit)
        return *this;
    bool toInch = false;
    if (isMm(unit) && isInch(otherUnit))
        toInch = true;
    else if (!(isInch(unit) && isMm(otherUnit)))
        return std::nullopt;
    // Rounded to 1e-9 so that 50.8 mm gives 2 inch, not 2.0000000000000004, and a reading
    // exactly at a converted limit stays at it.
    auto convert = [toInch](double v) {
        return std::round((toInch ? v / MmPerInch : v * MmPerInch) * 1e9) / 1e9;
    };
    Limits out = *this;
    out.nominal = convert(nominal);
    out.minimum = convert(minimum);
    out.tolerance = convert(tolerance);
    if (maximum)
        out.maximum = convert(*maximum);
    out.unit = otherUnit;
    return out;
}

bool Limits::operator==(const Limits &o) const
{
    return nominal == o.nominal && minimum == o.minimum && tolerance == o.tolerance && maximum == o.maximum
        && unit == o.unit;
}

Finding limitsProblem(const Limits &l)
{
    const bool finite = std::isfinite(l.nominal) && std::isfinite(l.minimum) && std::isfinite(l.tolerance)
        && (!l.maximum || std::isfinite(*l.maximum));
    if (!finite)
        return {Finding::LimitsNotNumbers, {}};
    if (l.nominal < 0 || l.minimum < 0 || l.tolerance < 0 || (l.maximum && *l.maximum < 0))
        return {Finding::LimitsNegative, {}};
    if (l.nominal > MaxThickness || l.minimum > MaxThickness || l.tolerance > MaxThickness
        || (l.maximum && *l.maximum > MaxThickness))
        return {Finding::LimitsTooLarge, {MaxThickness}};
    if (l.nominal <= 0)
        return {Finding::NominalNotPositive, {}};
    if (l.minimum > l.nominal)
        return {Finding::MinimumAboveNominal, {}};
    if (l.maximum && *l.maximum < l.nominal)
        return {Finding::MaximumBelowNominal, {}};
    if (l.tolerance >= l.nominal)
        return {Finding::ToleranceNotBelowNominal, {}};
    return {};
}

LimitsCheck checkLimits(const LimitsInput &input, const QString &unit, const QLocale &locale)
{
    LimitsCheck out;
    bool bad = false;
    const std::optional<double> nominal = parseNumber(input.nominal, locale, &bad);
    const std::optional<double> minimum = parseNumber(input.minimum, locale, &bad);
    const std::optional<double> maximum = parseNumber(input.maximum, locale, &bad);
    const std::optional<double> tolerance = parseNumber(input.tolerance, locale, &bad);
    if (bad) {
        out.error = {Finding::LimitsNotTypedNumbers, {}};
        return out;
    }
    if (!nominal || !minimum) {
        out.error = {Finding::LimitsMissing, {}};
        return out;
    }
    Limits limits;
    limits.nominal = *nominal;
    limits.minimum = *minimum;
    limits.maximum = maximum;
    limits.tolerance = tolerance.value_or(0.0);
    limits.unit = unit;
    out.error = limitsProblem(limits);
    if (out.error.isEmpty())
        out.limits = limits;
    return out;
}

BandJudge::BandJudge(const Limits &limits, int decimals)
    : m_scale(std::pow(10.0, std::clamp(decimals, 0, 9)))
{
    // The limits as the limits bar shows them, in the column's decimals: a reading and a
    // limit showing the same digits are equal.
    m_redBelow = steps(limits.minimum);
    m_amberBelow = steps(limits.nominal - limits.tolerance);
    m_amberOrRedBelow = std::max(m_amberBelow, m_redBelow);
    m_hasMaximum = limits.maximum.has_value();
    if (m_hasMaximum)
        m_blueAbove = steps(*limits.maximum);
}

BandCounts BandJudge::bandCounts(const qint64 *tally, qint64 readings)
{
    // Valid limits have the maximum at or above nominal: nothing above it is Red or Amber.
    BandCounts counts{};
    counts[int(Band::Red)] = tally[0];
    counts[int(Band::Amber)] = tally[1] - tally[0];
    counts[int(Band::Blue)] = tally[2];
    counts[int(Band::Normal)] = readings - tally[1] - tally[2];
    return counts;
}
