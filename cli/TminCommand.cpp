// The required thickness calculators on the command line: a design formula's inputs in, its
// result and the formula out.
#include "analysis/AnalysisWords.h"
#include "cli/Commands.h"
#include "cli/DesignOptions.h"
#include "cli/Invocation.h"

#include <cmath>

namespace Cli {

QString thicknessText(double value, const QString &unit)
{
    if (std::isnan(value))
        return QStringLiteral("-");
    return QString::number(value, 'f', unit == QLatin1String("inch") ? 4 : 3) + QLatin1Char(' ') + unit;
}

void addNumber(CliOutput::JsonLine &line, const char *key, double value)
{
    if (std::isnan(value))
        line.null(key);
    else if (std::isinf(value))
        line.text(key, value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    else
        line.digits(key, QByteArray::number(value, 'g', 17));
}

namespace {

QString governsName(ThicknessRequirement::Governs governs)
{
    switch (governs) {
    case ThicknessRequirement::Governs::Pressure: return QStringLiteral("pressure");
    case ThicknessRequirement::Governs::Structural: return QStringLiteral("structural");
    case ThicknessRequirement::Governs::Nothing: break;
    }
    return QString();
}

} // namespace

QStringList requirementLines(const DesignInputs &inputs, const ThicknessRequirement &r)
{
    QStringList lines;
    const QString &u = r.unit;
    if (inputs.formula != DesignFormula::None) {
        lines << QStringLiteral("%1: %2").arg(formulaStandard(inputs.formula), formulaExpression(inputs.formula));
        lines << CliWords::tr("inputs: %1").arg(inputsText(inputs));
        if (!r.refusal.isEmpty()) {
            lines << CliWords::tr("refused: %1").arg(findingText(r.refusal));
        } else {
            if (inputs.formula == DesignFormula::ShellUG27)
                lines << CliWords::tr("t = %1 (circumferential stress), %2 (longitudinal stress)")
                             .arg(thicknessText(r.circumferential, u), thicknessText(r.longitudinal, u));
            else
                lines << QStringLiteral("t = %1").arg(thicknessText(r.pressureThickness, u));
            if (inputs.formula == DesignFormula::PipeB31_3)
                lines << QStringLiteral("Y = %1").arg(r.coefficientY);
            lines << CliWords::tr("pressure design thickness with allowances: %1").arg(thicknessText(r.pressureRequired, u));
        }
    }
    if (!std::isnan(r.structural))
        lines << CliWords::tr("structural minimum: %1").arg(thicknessText(r.structural, u));
    if (std::isnan(r.required))
        lines << CliWords::tr("required thickness: none (no design and no structural minimum)");
    else
        lines << CliWords::tr("required thickness: %1 (%2 governs)")
                     .arg(thicknessText(r.required, u),
                          r.governs == ThicknessRequirement::Governs::Structural ? CliWords::tr("structural")
                                                                                  : CliWords::tr("pressure"));
    if (!r.notes.isEmpty())
        lines << CliWords::tr("notes: %1").arg(findingsText(r.notes));
    return lines;
}

void addRequirementJson(CliOutput::JsonLine &line, const DesignInputs &inputs, const ThicknessRequirement &r)
{
    line.text("formula", formulaKey(inputs.formula));
    if (inputs.formula != DesignFormula::None) {
        line.text("standard", formulaStandard(inputs.formula));
        line.text("expression", formulaExpression(inputs.formula));
        line.raw("inputs", inputsJson(inputs));
    }
    line.text("unit", r.unit);
    line.text("refused", r.refusal.isEmpty() ? QString() : findingText(r.refusal));
    addNumber(line, "t", r.pressureThickness);
    addNumber(line, "t_circumferential", r.circumferential);
    addNumber(line, "t_longitudinal", r.longitudinal);
    addNumber(line, "y", r.coefficientY);
    addNumber(line, "pressure_required", r.pressureRequired);
    addNumber(line, "structural", r.structural);
    addNumber(line, "required", r.required);
    line.text("governs", governsName(r.governs));
    line.text("notes", findingsText(r.notes));
}

int tmin(Invocation &run)
{
    const std::optional<DesignFormula> formula = formulaNamed(run.arguments.at(0));
    if (!formula || *formula == DesignFormula::None)
        return run.usage(CliWords::tr("tmin takes b31.3, ug27 or api653; '%1' is none.").arg(run.arguments.at(0)));
    DesignInputs inputs;
    QString error;
    if (!designFromOptions(run.judging.inputs, *formula, &inputs, &error))
        return run.usage(error);
    const ThicknessRequirement requirement = requiredThickness(inputs, run.places.minimum, resultUnit(inputs));
    if (!requirement.refusal.isEmpty()) {
        // What the formula refuses is bad input, as a usage error is: exit 2, with why.
        run.ui.message(CliWords::tr("%1 refuses these inputs: %2").arg(formulaStandard(*formula), findingText(requirement.refusal)));
        return Usage;
    }
    if (run.format && run.format->isJson()) {
        CliOutput::JsonLine line;
        addRequirementJson(line, inputs, requirement);
        return run.print(line.line());
    }
    return run.print(requirementLines(inputs, requirement).join(QLatin1Char('\n')).toUtf8() + '\n');
}

} // namespace Cli
