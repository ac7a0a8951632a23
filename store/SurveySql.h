#pragma once

// What the survey store's files share: row states, keys and small sqlite3 helpers. Internal
// to store/.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

namespace SurveySql {

// Row states: a row is never erased from a session, only marked.
enum RowState { Shown = 0, Deleted = 1, Exported = 2, Cleared = 3, NotRestored = 4 };
// The readings of a session (records aliased r): neither deleted nor cleared without being
// saved. The history's count, an export of the session and a comparison all take these.
#define READINGS "r.state NOT IN (1, 3)"

// The longest a check of an existing file may hold the start; a larger file is checked
// that far and its remaining pages trusted (a damage found later is caught on the write).
inline constexpr int QuickCheckMs = 2000;

inline constexpr int BusyTimeoutMs = 1000; // bounded wait for a lock another process holds
// Marking more rows than this goes to the store's thread: about 5 ms of work here.
inline constexpr size_t DeferredRows = 5000;
// A batch being written looks this often whether another thread waits for the store.
inline constexpr int YieldRows = 1024;

inline qint64 keyOf(qint64 session, qint64 seq)
{
    return session << 32 | seq;
}
inline qint64 sessionOf(qint64 key)
{
    return key >> 32;
}
inline qint64 seqOf(qint64 key)
{
    return key & 0xffffffffLL;
}

inline qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

inline QString joinInts(const QList<int> &list)
{
    QStringList parts;
    for (int v : list)
        parts << QString::number(v);
    return parts.join(QLatin1Char(','));
}

inline QList<int> splitInts(const QString &text)
{
    QList<int> out;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out << part.toInt();
    return out;
}

inline QString columnText(sqlite3_stmt *st, int column)
{
    const void *text = sqlite3_column_text16(st, column);
    if (!text)
        return QString();
    return QString(reinterpret_cast<const QChar *>(text), sqlite3_column_bytes16(st, column) / 2);
}

inline void bindText(sqlite3_stmt *st, int index, const QString &text)
{
    sqlite3_bind_text16(st, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

// Finalises a statement when it goes out of scope.
struct Statement
{
    sqlite3_stmt *st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
    operator sqlite3_stmt *() const { return st; }
    explicit operator bool() const { return st != nullptr; }
};

} // namespace SurveySql
