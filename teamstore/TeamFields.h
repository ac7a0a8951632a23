#pragma once

#include "analysis/RequiredThickness.h"
#include "store/PlacesMerge.h"

#include <QString>

// A CML's metadata as text, the same on every laptop and on the server for the same fields:
// what tells whether two copies of a CML differ, and what a conflict's choice is logged as.
// JSON with sorted keys; a number not given (NaN) and an empty text are left out.
namespace TeamFields {

// A CML's design inputs; empty for none (formula None).
QString designText(const DesignInputs &inputs);
// Empty text: no design. False when the text is not one designText() writes.
bool designFromText(const QString &text, DesignInputs *inputs);

// The fields two laptops may both change: description, nominal, minimum, allowance,
// material, notes and the design.
QString cmlFields(const MergeCml &cml);

} // namespace TeamFields
