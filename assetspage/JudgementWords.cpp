#include "assetspage/JudgementWords.h"

#include "analysis/AnalysisWords.h"

#include <QLocale>

#include <cmath>

QString JudgementWords::markWithDecision(ReadingMark mark, MarkDecision decision)
{
    switch (decision) {
    case MarkDecision::None:
        return markWords(mark);
    case MarkDecision::Include:
        return mark == ReadingMark::None ? tr("Accepted") : tr("%1, accepted").arg(markWords(mark));
    case MarkDecision::Exclude:
        return mark == ReadingMark::None ? tr("Left out") : tr("%1, left out").arg(markWords(mark));
    }
    return QString();
}

QString JudgementWords::formula(DesignFormula formula)
{
    return formula == DesignFormula::None ? tr("None (the structural minimum only)") : formulaWords(formula);
}

QString JudgementWords::years(double years)
{
    if (std::isnan(years))
        return QString();
    if (std::isinf(years))
        return tr("never");
    return tr("%1 years").arg(QLocale().toString(years, 'f', 1));
}
