#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/RequiredThickness.h"
#include "cli/CliOutput.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// A design formula's inputs as the tool's options give them, each with its unit ("--P 2MPa",
// "--D 168.3mm"), and the words and keys the judgement commands print them with.
namespace Cli {

// "b31.3", "ug27", "api653", "none" (case-insensitive) to the formula; nullopt for another name.
std::optional<DesignFormula> formulaNamed(const QString &name);
QString formulaKey(DesignFormula formula);

// Reads the inputs given (by option name: "P", "D", ..., "temp", "group") for `formula`.
// Pressures given in different units are taken in MPa, lengths in different units in mm.
// False with *error (a usage error's words) for a value that cannot be read, a value without
// its unit, or an input the formula does not take.
bool designFromOptions(const QHash<QString, QString> &given, DesignFormula formula, DesignInputs *out, QString *error);

// The thickness unit a calculation without readings gives its result in: inch when the
// lengths are in inches or feet, else mm.
QString resultUnit(const DesignInputs &inputs);

// The inputs the formula reads, e.g. "P = 2 MPa, D = 168.3 mm, S = 138 MPa, E = 1".
QString inputsText(const DesignInputs &inputs);
// The same as one JSON object: symbol to number (null when not given), and the units.
QByteArray inputsJson(const DesignInputs &inputs);

// Stable keys for the tool's JSON and CSV: "long-term", "short-term", "regression",
// "regression-upper", "" (none); "verify", "excluded", "outlier", ""; "include", "exclude", "".
QString governsKey(CmlFigures::Governs governs);
QString markKey(ReadingMark mark);
QString decisionKey(MarkDecision decision);

// A figure rounded to six significant digits, for the lists (NaN and infinity kept).
double shown(double value);
// A thickness as text: 3 decimals in mm, 4 in inch; "-" for NaN.
QString thicknessText(double value, const QString &unit);
// A number for JSON: all its digits, null for NaN, "inf" (a string) for infinity.
void addNumber(CliOutput::JsonLine &line, const char *key, double value);

} // namespace Cli

namespace Cli {

// A required thickness told: the formula, its inputs and figures, line by line (TminCommand.cpp).
QStringList requirementLines(const DesignInputs &inputs, const ThicknessRequirement &requirement);
// The same as JSON members (without braces), for an object of the caller's.
void addRequirementJson(CliOutput::JsonLine &line, const DesignInputs &inputs, const ThicknessRequirement &requirement);

} // namespace Cli
