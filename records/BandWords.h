#pragma once

#include <QString>

// The limit bands a thickness falls in, named by one set of words wherever they show: the
// table's legend and tooltips, the statistics panel, the report and the workbooks' summary.
// Header-only, so the writers in export/ use it without linking the records library.
enum class BandWord : quint8 {
    UnderMinimum, // under the minimum (red)
    UnderNominal, // at or above the minimum, under nominal minus tolerance (amber)
    Within,       // within the limits
    AboveMaximum, // above the maximum (blue)
};

inline QString bandWord(BandWord band, bool chinese)
{
    switch (band) {
    case BandWord::UnderMinimum:
        return chinese ? QStringLiteral("低于最小值") : QStringLiteral("Under minimum");
    case BandWord::UnderNominal:
        return chinese ? QStringLiteral("低于公称值减公差") : QStringLiteral("Under nominal − tolerance");
    case BandWord::AboveMaximum:
        return chinese ? QStringLiteral("高于最大值") : QStringLiteral("Above maximum");
    case BandWord::Within:
        break;
    }
    return chinese ? QStringLiteral("在限值内") : QStringLiteral("Within limits");
}
