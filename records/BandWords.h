#pragma once

#include <QCoreApplication>
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

// In the language in use.
inline QString bandWord(BandWord band)
{
    switch (band) {
    case BandWord::UnderMinimum:
        return QCoreApplication::translate("BandWords", "Under minimum");
    case BandWord::UnderNominal:
        return QCoreApplication::translate("BandWords", "Under nominal − tolerance");
    case BandWord::AboveMaximum:
        return QCoreApplication::translate("BandWords", "Above maximum");
    case BandWord::Within:
        break;
    }
    return QCoreApplication::translate("BandWords", "Within limits");
}
