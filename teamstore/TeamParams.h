#pragma once

// Values as the text parameters libpq sends (a null QByteArray is SQL NULL). Internal to
// teamstore/.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cmath>

namespace TeamParams {

inline QByteArray text(const QString &value)
{
    return value.isNull() ? QByteArray() : value.toUtf8();
}

// NaN (not given) is NULL; 17 digits give the double back exactly.
inline QByteArray real(double value)
{
    return std::isnan(value) ? QByteArray() : QByteArray::number(value, 'g', 17);
}

// Milliseconds since the epoch as an ISO time in UTC; 0 is NULL.
inline QByteArray time(qint64 ms)
{
    return ms ? QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1() : QByteArray();
}

// "2,0", as the survey file keeps such lists.
inline QByteArray list(const QList<int> &values)
{
    QByteArray out;
    for (int v : values)
        out += (out.isEmpty() ? "" : ",") + QByteArray::number(v);
    return out;
}

} // namespace TeamParams
