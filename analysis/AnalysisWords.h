#pragma once

#include "analysis/Finding.h"

#include <QString>

// The analysis' findings and names in words. `language` empty: the language in use; else
// that language's catalogue.

// "" for an empty finding.
QString findingText(const Finding &finding, const QString &language = QString());
// Several findings about one thing as one text.
QString findingsText(const Findings &findings, const QString &language = QString());
