#include "assetspage/PlaceNumbers.h"

#include "records/RecordsModel.h"

#include <cmath>

PlaceNumbers::PlaceNumbers(const QList<QVariantList> &unitTable) : m_units(unitTable)
{
    if (!m_units.isEmpty() && m_units.first().size() >= 3)
        m_fallback = m_units.first().at(2).toInt();
}

int PlaceNumbers::decimals(const QString &unit) const
{
    const QString wanted = unit.trimmed();
    if (wanted.isEmpty())
        return m_fallback;
    for (const QVariantList &entry : m_units) {
        if (entry.size() < 3)
            continue;
        const QString name = entry.at(1).toString();
        // Lists say "in" where the unit table says "inch".
        if (name.compare(wanted, Qt::CaseInsensitive) == 0
            || (wanted.size() >= 2 && name.startsWith(wanted, Qt::CaseInsensitive) && !name.contains(QLatin1Char('/'))))
            return entry.at(2).toInt();
    }
    return m_fallback;
}

QString PlaceNumbers::text(double value, const QString &unit) const
{
    if (std::isnan(value))
        return QString();
    return RecordsModel::formatValue(value, decimals(unit));
}

QString PlaceNumbers::rateText(double value, const QString &unit) const
{
    if (std::isnan(value))
        return QString();
    return RecordsModel::formatValue(value, decimals(unit) + 1);
}
