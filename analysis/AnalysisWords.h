#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/Finding.h"
#include "analysis/ProbeVerdict.h"
#include "analysis/RequiredThickness.h"

#include <QString>

// The analysis' findings and names in words. `language` empty: the language in use; else
// that language's catalogue.

// "" for an empty finding.
QString findingText(const Finding &finding, const QString &language = QString());
// Several findings about one thing as one text.
QString findingsText(const Findings &findings, const QString &language = QString());

// Names for the judgement's choices and results, for tables, choosers and reports.
// `language` as above. A mark of None and Governs::Nothing are "" (nothing to show).
QString markWords(ReadingMark mark, const QString &language = QString());
// A verdict at the probe as the walk shows it: "OK", "under minimum", "re-measure: thicker than
// before", "re-measure: unexpected loss", "no value: out of range".
QString verdictWords(ProbeVerdict verdict, const QString &language = QString());
QString decisionWords(MarkDecision decision, const QString &language = QString());
QString rateRuleWords(RateRule rule, const QString &language = QString());
QString intervalRuleWords(IntervalRule rule, const QString &language = QString());
// The rate that governed ("long-term", ...).
QString governsWords(CmlFigures::Governs governs, const QString &language = QString());
// What the required thickness came from ("pressure design", "structural minimum").
QString requirementGovernsWords(ThicknessRequirement::Governs governs, const QString &language = QString());
// The formula's name with its standard, e.g. "Straight pipe, ASME B31.3 §304.1.2".
QString formulaWords(DesignFormula formula, const QString &language = QString());
// Unit symbols ("MPa", "psi", "bar"; "mm", "inch", "m", "ft"; "°C", "°F").
QString pressureUnitWords(PressureUnit unit, const QString &language = QString());
QString lengthUnitWords(LengthUnit unit, const QString &language = QString());
QString temperatureUnitWords(TemperatureUnit unit, const QString &language = QString());
QString materialGroupWords(MaterialGroup group, const QString &language = QString());
