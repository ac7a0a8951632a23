// The judgement commands' options read from the command line, and a design formula's inputs
// read from them with their units.
#include "cli/DesignOptions.h"

#include "cli/CommandTable.h"
#include "cli/Invocation.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>

#include <cmath>

namespace Cli {

namespace {

const char *const inputNames[] = {"P", "D", "R", "S", "E", "W", "Y", "c", "G", "H", "temp", "group"};

// What each formula reads besides the pressure's unit.
QStringList inputsOf(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::PipeB31_3:
        return {QStringLiteral("P"), QStringLiteral("D"), QStringLiteral("S"), QStringLiteral("E"), QStringLiteral("W"),
                QStringLiteral("Y"), QStringLiteral("c"), QStringLiteral("temp"), QStringLiteral("group")};
    case DesignFormula::ShellUG27:
        return {QStringLiteral("P"), QStringLiteral("R"), QStringLiteral("S"), QStringLiteral("E"), QStringLiteral("c")};
    case DesignFormula::TankApi653:
        return {QStringLiteral("H"), QStringLiteral("D"), QStringLiteral("G"), QStringLiteral("S"), QStringLiteral("E"),
                QStringLiteral("c")};
    case DesignFormula::None:
        break;
    }
    return {};
}

struct Quantity
{
    double value = std::numeric_limits<double>::quiet_NaN();
    QString unit; // lower case, as written
};

bool quantity(const QString &text, Quantity *out)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([-+]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][-+]?[0-9]+)?)\\s*(\\S*)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    bool ok = false;
    out->value = m.captured(1).toDouble(&ok);
    out->unit = m.captured(2).toLower();
    return ok && std::isfinite(out->value);
}

std::optional<PressureUnit> pressureUnitNamed(const QString &unit)
{
    if (unit == QLatin1String("mpa"))
        return PressureUnit::MPa;
    if (unit == QLatin1String("psi"))
        return PressureUnit::Psi;
    if (unit == QLatin1String("bar"))
        return PressureUnit::Bar;
    return std::nullopt;
}

std::optional<LengthUnit> lengthUnitNamed(const QString &unit)
{
    if (unit == QLatin1String("mm"))
        return LengthUnit::Millimetre;
    if (unit == QLatin1String("in") || unit == QLatin1String("inch"))
        return LengthUnit::Inch;
    if (unit == QLatin1String("m"))
        return LengthUnit::Metre;
    if (unit == QLatin1String("ft") || unit == QLatin1String("foot") || unit == QLatin1String("feet"))
        return LengthUnit::Foot;
    return std::nullopt;
}

std::optional<TemperatureUnit> temperatureUnitNamed(const QString &unit)
{
    if (unit == QLatin1String("c") || unit == QStringLiteral("°c"))
        return TemperatureUnit::Celsius;
    if (unit == QLatin1String("f") || unit == QStringLiteral("°f"))
        return TemperatureUnit::Fahrenheit;
    return std::nullopt;
}

QString pressureUnitName(PressureUnit unit)
{
    switch (unit) {
    case PressureUnit::Psi: return QStringLiteral("psi");
    case PressureUnit::Bar: return QStringLiteral("bar");
    case PressureUnit::MPa: break;
    }
    return QStringLiteral("MPa");
}

QString lengthUnitName(LengthUnit unit)
{
    switch (unit) {
    case LengthUnit::Inch: return QStringLiteral("in");
    case LengthUnit::Metre: return QStringLiteral("m");
    case LengthUnit::Foot: return QStringLiteral("ft");
    case LengthUnit::Millimetre: break;
    }
    return QStringLiteral("mm");
}

QString groupKey(MaterialGroup group)
{
    switch (group) {
    case MaterialGroup::Austenitic: return QStringLiteral("austenitic");
    case MaterialGroup::OtherDuctile: return QStringLiteral("other");
    case MaterialGroup::CastIron: return QStringLiteral("cast-iron");
    case MaterialGroup::Ferritic: break;
    }
    return QStringLiteral("ferritic");
}

// One input of the formula as it is shown: symbol, value and unit.
struct Shown
{
    const char *symbol;
    double value;
    QString unit;
};

QVector<Shown> shownInputs(const DesignInputs &in)
{
    const QString p = pressureUnitName(in.pressureUnit);
    const QString l = lengthUnitName(in.lengthUnit);
    switch (in.formula) {
    case DesignFormula::PipeB31_3: {
        QVector<Shown> out{{"P", in.pressure, p}, {"D", in.diameter, l}, {"S", in.stress, p}, {"E", in.joint, {}},
                           {"W", in.weld, {}}};
        if (!std::isnan(in.coefficientY) || std::isnan(in.temperature))
            out.append({"Y", in.coefficientY, {}});
        else
            out.append({"temp", in.temperature, in.temperatureUnit == TemperatureUnit::Fahrenheit ? QStringLiteral("°F")
                                                                                                : QStringLiteral("°C")});
        out.append({"c", in.allowance, l});
        return out;
    }
    case DesignFormula::ShellUG27:
        return {{"P", in.pressure, p}, {"R", in.radius, l}, {"S", in.stress, p}, {"E", in.joint, {}}, {"c", in.allowance, l}};
    case DesignFormula::TankApi653:
        return {{"H", in.height, l}, {"D", in.diameter, l}, {"G", in.gravity, {}}, {"S", in.stress, p},
                {"E", in.joint, {}}, {"c", in.allowance, l}};
    case DesignFormula::None:
        break;
    }
    return {};
}

} // namespace

int checkJudgementOptions(const QCommandLineParser &parser, Invocation &run)
{
    JudgementOptions &judging = run.judging;
    for (const char *name : inputNames) {
        const QString option = QString::fromLatin1(name);
        if (parser.isSet(option))
            judging.inputs.insert(option, parser.value(option));
    }
    judging.formulaGiven = parser.isSet(QStringLiteral("formula"));
    judging.formula = parser.value(QStringLiteral("formula"));
    if (parser.isSet(QStringLiteral("before"))) {
        const QString given = parser.value(QStringLiteral("before")).trimmed();
        // A day is its start in UTC; a time without an offset is UTC too.
        QDateTime when;
        if (const QDate day = QDate::fromString(given, Qt::ISODate); day.isValid()) {
            when = day.startOfDay(QTimeZone::utc());
        } else {
            when = QDateTime::fromString(given, Qt::ISODateWithMs);
            if (when.isValid() && when.timeSpec() == Qt::LocalTime)
                when.setTimeZone(QTimeZone::utc());
        }
        if (!when.isValid())
            return run.usage(CliWords::tr("--before takes a date, e.g. 2027-06-30; '%1' is none.").arg(given));
        judging.beforeMs = when.toMSecsSinceEpoch();
    }
    const QString name = QString::fromLatin1(run.command->name);
    if (name == QLatin1String("cml design") && !judging.formulaGiven)
        return run.usage(CliWords::tr("cml design needs --formula: b31.3, ug27, api653 or none."));
    if (name == QLatin1String("cml design") && !run.places.assetGiven)
        return run.usage(CliWords::tr("cml design needs --asset PATH, the asset of the CML."));
    return Done;
}

std::optional<DesignFormula> formulaNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("b31.3"))
        return DesignFormula::PipeB31_3;
    if (n == QLatin1String("ug27") || n == QLatin1String("ug-27"))
        return DesignFormula::ShellUG27;
    if (n == QLatin1String("api653"))
        return DesignFormula::TankApi653;
    if (n == QLatin1String("none"))
        return DesignFormula::None;
    return std::nullopt;
}

QString formulaKey(DesignFormula formula)
{
    switch (formula) {
    case DesignFormula::PipeB31_3: return QStringLiteral("b31.3");
    case DesignFormula::ShellUG27: return QStringLiteral("ug27");
    case DesignFormula::TankApi653: return QStringLiteral("api653");
    case DesignFormula::None: break;
    }
    return QStringLiteral("none");
}

bool designFromOptions(const QHash<QString, QString> &given, DesignFormula formula, DesignInputs *out, QString *error)
{
    DesignInputs in;
    in.formula = formula;
    const QStringList taken = inputsOf(formula);
    for (auto it = given.cbegin(); it != given.cend(); ++it)
        if (!taken.contains(it.key())) {
            *error = CliWords::tr("%1 takes no --%2.").arg(formulaKey(formula), it.key());
            return false;
        }

    // Pressures and lengths each in one unit: the one they share, else MPa and mm.
    struct Read
    {
        const char *name;
        double *field;
        enum { Pressure, Length, Plain } kind;
    };
    const Read reads[] = {{"P", &in.pressure, Read::Pressure}, {"S", &in.stress, Read::Pressure},
                          {"D", &in.diameter, Read::Length},   {"R", &in.radius, Read::Length},
                          {"H", &in.height, Read::Length},     {"c", &in.allowance, Read::Length},
                          {"E", &in.joint, Read::Plain},       {"W", &in.weld, Read::Plain},
                          {"Y", &in.coefficientY, Read::Plain}, {"G", &in.gravity, Read::Plain}};
    QHash<QString, Quantity> values;
    QList<PressureUnit> pressureUnits;
    QList<LengthUnit> lengthUnits;
    for (const Read &r : reads) {
        const QString name = QString::fromLatin1(r.name);
        if (!given.contains(name))
            continue;
        Quantity q;
        if (!quantity(given.value(name), &q)) {
            *error = CliWords::tr("--%1 takes a number, e.g. %2; '%3' is none.")
                         .arg(name, r.kind == Read::Pressure ? QStringLiteral("2MPa")
                                    : r.kind == Read::Length ? QStringLiteral("168.3mm")
                                                             : QStringLiteral("0.85"),
                              given.value(name));
            return false;
        }
        if (r.kind == Read::Plain && !q.unit.isEmpty()) {
            *error = CliWords::tr("--%1 takes a plain number without a unit; '%2' is none.").arg(name, given.value(name));
            return false;
        }
        if (r.kind == Read::Pressure) {
            const auto unit = pressureUnitNamed(q.unit);
            if (!unit) {
                *error = CliWords::tr("--%1 needs its unit, MPa, psi or bar, e.g. %2MPa; '%3' has none.")
                             .arg(name, QString::number(q.value), given.value(name));
                return false;
            }
            pressureUnits << *unit;
        }
        if (r.kind == Read::Length) {
            const auto unit = lengthUnitNamed(q.unit);
            // A zero allowance is zero in any unit.
            if (!unit && !(q.unit.isEmpty() && q.value == 0)) {
                *error = CliWords::tr("--%1 needs its unit, mm, in, m or ft, e.g. %2mm; '%3' has none.")
                             .arg(name, QString::number(q.value), given.value(name));
                return false;
            }
            if (unit)
                lengthUnits << *unit;
        }
        values.insert(name, q);
    }
    const bool onePressureUnit = !pressureUnits.isEmpty() && pressureUnits.count(pressureUnits.first()) == pressureUnits.size();
    const bool oneLengthUnit = !lengthUnits.isEmpty() && lengthUnits.count(lengthUnits.first()) == lengthUnits.size();
    in.pressureUnit = onePressureUnit ? pressureUnits.first() : PressureUnit::MPa;
    in.lengthUnit = oneLengthUnit ? lengthUnits.first() : LengthUnit::Millimetre;
    for (const Read &r : reads) {
        const auto q = values.constFind(QString::fromLatin1(r.name));
        if (q == values.cend())
            continue;
        double v = q->value;
        if (r.kind == Read::Pressure && !onePressureUnit)
            v = toMegapascal(v, *pressureUnitNamed(q->unit));
        if (r.kind == Read::Length && !oneLengthUnit && !q->unit.isEmpty())
            v = toMillimetre(v, *lengthUnitNamed(q->unit));
        *r.field = v;
    }

    if (given.contains(QStringLiteral("temp"))) {
        Quantity q;
        const auto unit = quantity(given.value(QStringLiteral("temp")), &q) ? temperatureUnitNamed(q.unit) : std::nullopt;
        if (!unit) {
            *error = CliWords::tr("--temp takes a temperature with its unit, e.g. 300C or 570F; '%1' is none.")
                         .arg(given.value(QStringLiteral("temp")));
            return false;
        }
        in.temperature = q.value;
        in.temperatureUnit = *unit;
    }
    if (given.contains(QStringLiteral("group"))) {
        const QString g = given.value(QStringLiteral("group")).trimmed().toLower();
        const MaterialGroup groups[] = {MaterialGroup::Ferritic, MaterialGroup::Austenitic, MaterialGroup::OtherDuctile,
                                        MaterialGroup::CastIron};
        bool found = false;
        for (MaterialGroup m : groups)
            if (groupKey(m) == g) {
                in.material = m;
                found = true;
            }
        if (!found) {
            *error = CliWords::tr("--group takes ferritic, austenitic, other or cast-iron; '%1' is none.")
                         .arg(given.value(QStringLiteral("group")));
            return false;
        }
    }
    *out = in;
    return true;
}

QString resultUnit(const DesignInputs &inputs)
{
    return inputs.lengthUnit == LengthUnit::Inch || inputs.lengthUnit == LengthUnit::Foot ? QStringLiteral("inch")
                                                                                          : QStringLiteral("mm");
}

QString inputsText(const DesignInputs &inputs)
{
    QStringList parts;
    for (const Shown &s : shownInputs(inputs)) {
        const QString value = std::isnan(s.value) ? QStringLiteral("-") : QString::number(s.value, 'g', 10);
        parts << QStringLiteral("%1 = %2%3").arg(QLatin1String(s.symbol), value,
                                                 s.unit.isEmpty() || std::isnan(s.value) ? QString() : QLatin1Char(' ') + s.unit);
    }
    if (inputs.formula == DesignFormula::PipeB31_3 && std::isnan(inputs.coefficientY) && !std::isnan(inputs.temperature))
        parts << QStringLiteral("group = %1").arg(groupKey(inputs.material));
    return parts.join(QStringLiteral(", "));
}

QByteArray inputsJson(const DesignInputs &inputs)
{
    QByteArray out = "{";
    for (const Shown &s : shownInputs(inputs)) {
        if (out.size() > 1)
            out += ',';
        out += '"' + QByteArray(s.symbol) + "\":";
        out += std::isnan(s.value) ? QByteArray("null") : QByteArray::number(s.value, 'g', 17);
    }
    if (out.size() > 1)
        out += ',';
    out += "\"pressure_unit\":\"" + pressureUnitName(inputs.pressureUnit).toLatin1() + "\",\"length_unit\":\""
        + lengthUnitName(inputs.lengthUnit).toLatin1() + "\"";
    if (inputs.formula == DesignFormula::PipeB31_3)
        out += ",\"group\":\"" + groupKey(inputs.material).toLatin1() + "\"";
    return out + '}';
}

QString governsKey(CmlFigures::Governs governs)
{
    switch (governs) {
    case CmlFigures::Governs::LongTerm: return QStringLiteral("long-term");
    case CmlFigures::Governs::ShortTerm: return QStringLiteral("short-term");
    case CmlFigures::Governs::Regression: return QStringLiteral("regression");
    case CmlFigures::Governs::RegressionUpper: return QStringLiteral("regression-upper");
    case CmlFigures::Governs::Nothing: break;
    }
    return QString();
}

QString markKey(ReadingMark mark)
{
    switch (mark) {
    case ReadingMark::Verify: return QStringLiteral("verify");
    case ReadingMark::Excluded: return QStringLiteral("excluded");
    case ReadingMark::Outlier: return QStringLiteral("outlier");
    case ReadingMark::None: break;
    }
    return QString();
}

QString decisionKey(MarkDecision decision)
{
    switch (decision) {
    case MarkDecision::Include: return QStringLiteral("include");
    case MarkDecision::Exclude: return QStringLiteral("exclude");
    case MarkDecision::None: break;
    }
    return QString();
}

double shown(double value)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    return QString::number(value, 'g', 6).toDouble();
}

} // namespace Cli
