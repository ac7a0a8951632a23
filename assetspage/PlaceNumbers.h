#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// Numbers of the places in the unit of their readings, with the decimals the unit table gives
// that unit (as the records table shows them); a unit the table does not know gets the
// decimals of the table's first unit.
class PlaceNumbers
{
public:
    explicit PlaceNumbers(const QList<QVariantList> &unitTable = {});

    int decimals(const QString &unit) const;
    // Empty for NaN (not given).
    QString text(double value, const QString &unit = QString()) const;
    // A corrosion rate (thickness per year): one decimal finer than a thickness, since rates
    // are tenths of what one survey reads.
    QString rateText(double value, const QString &unit = QString()) const;

private:
    QList<QVariantList> m_units;
    int m_fallback = 2;
};
