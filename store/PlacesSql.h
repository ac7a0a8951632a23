#pragma once

// What the places' files share: reading and binding their columns. Internal to store/.

#include "store/Places.h"
#include "store/SurveySql.h"
#include "store/Uuid.h"

#include <cmath>

namespace PlacesSql {

using namespace SurveySql;

inline double columnReal(sqlite3_stmt *st, int c)
{
    return sqlite3_column_type(st, c) == SQLITE_NULL ? NotGiven : sqlite3_column_double(st, c);
}

inline void bindReal(sqlite3_stmt *st, int i, double value)
{
    if (std::isnan(value))
        sqlite3_bind_null(st, i);
    else
        sqlite3_bind_double(st, i, value);
}

inline void bindId(sqlite3_stmt *st, int i, qint64 id)
{
    if (id)
        sqlite3_bind_int64(st, i, id);
    else
        sqlite3_bind_null(st, i);
}

inline void bindNewUuid(sqlite3_stmt *st, int i, QByteArray *kept = nullptr)
{
    const QByteArray uuid = Uuid::make();
    sqlite3_bind_blob(st, i, uuid.constData(), 16, SQLITE_TRANSIENT);
    if (kept)
        *kept = uuid;
}

inline QByteArray columnBlob(sqlite3_stmt *st, int c)
{
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
}

inline QStringList pathTags(const QString &path)
{
    QStringList tags = path.split(QLatin1Char('/'));
    for (QString &tag : tags)
        tag = tag.trimmed();
    return tags;
}

inline bool validTag(const QString &tag)
{
    return !tag.trimmed().isEmpty();
}

inline constexpr const char *CmlColumns = "c.id, c.uuid, c.asset, c.tag, c.description, c.nominal, c.minimum, c.allowance, "
                                   "c.material, c.notes";

inline Cml readCml(sqlite3_stmt *st, int c)
{
    Cml cml;
    cml.id = sqlite3_column_int64(st, c);
    cml.uuid = columnBlob(st, c + 1);
    cml.asset = sqlite3_column_int64(st, c + 2);
    cml.tag = columnText(st, c + 3);
    cml.description = columnText(st, c + 4);
    cml.nominal = columnReal(st, c + 5);
    cml.minimum = columnReal(st, c + 6);
    cml.allowance = columnReal(st, c + 7);
    cml.material = columnText(st, c + 8);
    cml.notes = columnText(st, c + 9);
    return cml;
}

inline void bindCmlFields(sqlite3_stmt *st, int i, const Cml &cml)
{
    bindText(st, i, cml.tag.trimmed());
    bindText(st, i + 1, cml.description);
    bindReal(st, i + 2, cml.nominal);
    bindReal(st, i + 3, cml.minimum);
    bindReal(st, i + 4, cml.allowance);
    bindText(st, i + 5, cml.material);
    bindText(st, i + 6, cml.notes);
}

inline QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0);
}


} // namespace PlacesSql
