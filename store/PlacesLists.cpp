#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>

using namespace PlacesSql;

// ---- the lists in and out: CMLs and readings by asset path and tag ------------------------------

namespace {

// Imported readings are kept but shown in no table: a later run does not offer them back, and
// their survey can be deleted as any past one can.
constexpr int ImportedState = NotRestored;
constexpr int ImportedOrigin = int(RecordOrigin::Imported);

// The columns of an imported survey, as the gauge names its units (unit numbers and decimals
// of the shipped unit table): thickness in mm or inch, velocity in m/s or in/µs.
struct ImportColumns
{
    QList<int> unitNumbers;
    QStringList unitNames;
    QList<int> decimals;
};

ImportColumns importColumns(int layers, const QString &unit)
{
    const bool inch = unit == QLatin1String("inch");
    const int thick = inch ? 1 : 0, velo = inch ? 3 : 2;
    const QString thickName = inch ? QStringLiteral("inch") : QStringLiteral("mm");
    const QString veloName = inch ? QStringLiteral("in/µs") : QStringLiteral("m/s");
    const int thickDecimals = inch ? 3 : 2, veloDecimals = inch ? 4 : 0;
    ImportColumns c;
    if (layers == 1) {
        // The gauge lists the velocity unit first; the table shows thickness first.
        c.unitNumbers = {velo, thick};
        c.unitNames = {thickName, veloName};
        c.decimals = {thickDecimals, veloDecimals};
    } else {
        for (int i = 0; i < 3; ++i) {
            c.unitNumbers << thick;
            c.unitNames << thickName;
            c.decimals << thickDecimals;
        }
        for (int i = 0; i < 3; ++i) {
            c.unitNumbers << velo;
            c.unitNames << veloName;
            c.decimals << veloDecimals;
        }
    }
    return c;
}

} // namespace

bool Places::importCmls(const QVector<CmlEntry> &entries, int *added, int *updated)
{
    const auto lock = m_store.take();
    int madeCount = 0, changedCount = 0;
    if (!beginChange())
        return false;
    Statement update{m_store.prepare("UPDATE cmls SET description = ?, nominal = ?, minimum = ?, allowance = ?, "
                                     "material = ?, notes = ? WHERE id = ?")};
    if (!update)
        return refuse(Problem::StoreRefused);
    QHash<QString, qint64> assetOf; // path as given: its asset
    for (const CmlEntry &entry : entries) {
        const QString path = entry.assetPath.trimmed();
        qint64 asset = assetOf.value(path);
        if (!asset) {
            if (path.isEmpty() || path.split(QLatin1Char('/')).contains(QString()))
                return refuse(Problem::BadInput, entry.assetPath);
            asset = ensureAssetPath(path);
            if (!asset)
                return false;
            assetOf.insert(path, asset);
        }
        Cml cml = entry.cml;
        cml.asset = asset;
        if (const qint64 existing = findCml(asset, cml.tag)) {
            sqlite3_reset(update);
            bindText(update, 1, cml.description);
            bindReal(update, 2, cml.nominal);
            bindReal(update, 3, cml.minimum);
            bindReal(update, 4, cml.allowance);
            bindText(update, 5, cml.material);
            bindText(update, 6, cml.notes);
            sqlite3_bind_int64(update, 7, existing);
            const int rc = sqlite3_step(update);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "changing a CML", cml.tag);
            ++changedCount;
        } else {
            if (!insertCml(cml))
                return false;
            ++madeCount;
        }
    }
    if (!commitChange())
        return false;
    if (added)
        *added = madeCount;
    if (updated)
        *updated = changedCount;
    return true;
}

QVector<qint64> Places::importReadings(const QVector<ReadingEntry> &entries)
{
    const auto lock = m_store.take();
    QVector<qint64> made;
    if (!beginChange())
        return made;
    // Every entry's CML first: nothing is written for a list that names one the file lacks.
    QVector<qint64> cmlOf;
    cmlOf.reserve(entries.size());
    QHash<QString, qint64> assetOf;
    for (const ReadingEntry &e : entries) {
        const QString path = e.assetPath.trimmed();
        if (!assetOf.contains(path))
            assetOf.insert(path, findAsset(path));
        const qint64 cml = assetOf.value(path) ? findCml(assetOf.value(path), e.tag) : 0;
        if (!cml)
            return refuse(Problem::NotFound, path + QLatin1Char('/') + e.tag.trimmed()), QVector<qint64>();
        if (e.layers != 1 && e.layers != 3)
            return refuse(Problem::BadInput, path + QLatin1Char('/') + e.tag.trimmed()), QVector<qint64>();
        cmlOf.append(cml);
    }
    // One survey per day (UTC), layout and unit, in the order the list first names them.
    struct Group
    {
        qint64 session = 0;
        qint64 nextSeq = 0;
    };
    QHash<QString, Group> groups;
    Statement session{m_store.prepare("INSERT INTO sessions(started, ended, serial, firmware, meter_type, layout, "
                                      "unit_numbers, unit_names, decimals, rows, live) VALUES(?, ?, '', '', -1, ?, ?, "
                                      "?, ?, 0, 0)")};
    Statement survey{m_store.prepare("INSERT INTO surveys(session, uuid, date) VALUES(?, ?, ?)")};
    Statement row{m_store.prepare("INSERT INTO records(session, seq, origin, arrived, flags, state, name, v0, v1, v2, "
                                  "v3, v4, v5, uuid, cml, comment) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?)")};
    Statement span{m_store.prepare("UPDATE sessions SET rows = rows + 1, started = min(started, ?1), "
                                   "ended = max(ended, ?1) WHERE id = ?2")};
    Statement log{m_store.prepare("INSERT INTO events(session, at, kind, rows) SELECT id, ?, 'imported', rows FROM "
                                  "sessions WHERE id = ?")};
    Statement dated{m_store.prepare("UPDATE surveys SET date = (SELECT started FROM sessions WHERE id = ?1) "
                                    "WHERE session = ?1")};
    if (!session || !survey || !row || !span || !log || !dated)
        return refuse(Problem::StoreRefused), made;
    for (int i = 0; i < entries.size(); ++i) {
        const ReadingEntry &e = entries[i];
        const QString day = QDateTime::fromMSecsSinceEpoch(e.dateMs, Qt::UTC).date().toString(Qt::ISODate);
        const QString groupKey = day + QLatin1Char('|') + QString::number(e.layers) + QLatin1Char('|') + e.thicknessUnit;
        Group &g = groups[groupKey];
        int rc = SQLITE_DONE;
        if (!g.session) {
            const ImportColumns columns = importColumns(e.layers, e.thicknessUnit);
            sqlite3_reset(session);
            sqlite3_bind_int64(session, 1, e.dateMs);
            sqlite3_bind_int64(session, 2, e.dateMs);
            sqlite3_bind_int(session, 3, e.layers == 1 ? 1 : 2);
            bindText(session, 4, joinInts(columns.unitNumbers));
            bindText(session, 5, columns.unitNames.join(QLatin1Char('\n')));
            bindText(session, 6, joinInts(columns.decimals));
            rc = sqlite3_step(session);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "importing readings"), QVector<qint64>();
            g.session = sqlite3_last_insert_rowid(m_store.m_db);
            made.append(g.session);
            sqlite3_reset(survey);
            sqlite3_bind_int64(survey, 1, g.session);
            const QByteArray uuid = Uuid::make();
            sqlite3_bind_blob(survey, 2, uuid.constData(), 16, SQLITE_TRANSIENT);
            sqlite3_bind_int64(survey, 3, e.dateMs);
            rc = sqlite3_step(survey);
        }
        sqlite3_reset(row);
        sqlite3_clear_bindings(row);
        sqlite3_bind_int64(row, 1, g.session);
        sqlite3_bind_int64(row, 2, g.nextSeq++);
        sqlite3_bind_int(row, 3, ImportedOrigin);
        sqlite3_bind_int64(row, 4, e.dateMs);
        sqlite3_bind_int(row, 5, e.flags);
        sqlite3_bind_int(row, 6, ImportedState);
        if (e.layers == 3) // a multi-layer record is named by its location
            bindText(row, 7, e.tag.trimmed());
        for (int v = 0; v < (e.layers == 1 ? 2 : 6); ++v)
            sqlite3_bind_double(row, 8 + v, double(e.values[v]));
        const QByteArray uuid = Uuid::make();
        sqlite3_bind_blob(row, 14, uuid.constData(), 16, SQLITE_TRANSIENT);
        sqlite3_bind_int64(row, 15, cmlOf[i]);
        if (!e.comment.isEmpty())
            bindText(row, 16, e.comment);
        if (rc == SQLITE_DONE)
            rc = sqlite3_step(row);
        sqlite3_reset(span);
        sqlite3_bind_int64(span, 1, e.dateMs);
        sqlite3_bind_int64(span, 2, g.session);
        if (rc == SQLITE_DONE)
            rc = sqlite3_step(span);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "importing readings"), QVector<qint64>();
    }
    for (qint64 id : made) {
        for (sqlite3_stmt *st : {log.st, dated.st}) {
            sqlite3_reset(st);
            if (st == log.st)
                sqlite3_bind_int64(st, 1, nowMs());
            sqlite3_bind_int64(st, st == log.st ? 2 : 1, id);
            const int rc = sqlite3_step(st);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "importing readings"), QVector<qint64>();
        }
    }
    return commitChange() ? made : QVector<qint64>();
}

QVector<CmlEntry> Places::cmlEntries(qint64 asset)
{
    const auto lock = m_store.take();
    QVector<CmlEntry> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare(
        (QByteArray("SELECT ") + CmlColumns + " FROM cmls c WHERE ?1 = 0 OR c.asset IN (WITH RECURSIVE t(id) AS (SELECT ?1 UNION SELECT a.id FROM assets a "
        "JOIN t ON a.parent = t.id) SELECT id FROM t)").constData())};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, asset);
    QHash<qint64, QString> paths;
    while (sqlite3_step(st) == SQLITE_ROW) {
        CmlEntry e;
        e.cml = readCml(st, 0);
        const Cml &c = e.cml;
        if (!paths.contains(c.asset))
            paths.insert(c.asset, pathOf(c.asset));
        e.assetPath = paths.value(c.asset);
        out.append(e);
    }
    std::sort(out.begin(), out.end(), [](const CmlEntry &a, const CmlEntry &b) {
        const int byPath = a.assetPath.compare(b.assetPath, Qt::CaseInsensitive);
        return byPath != 0 ? byPath < 0 : a.cml.tag.compare(b.cml.tag, Qt::CaseInsensitive) < 0;
    });
    return out;
}

QVector<ReadingEntry> Places::readingEntries(qint64 asset)
{
    const auto lock = m_store.take();
    QVector<ReadingEntry> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare(
        "SELECT c.asset, c.tag, r.arrived, s.layout, s.unit_names, r.v0, r.v1, r.v2, r.v3, r.v4, r.v5, r.flags, "
        "r.comment FROM records r JOIN cmls c ON c.id = r.cml JOIN sessions s ON s.id = r.session WHERE " READINGS
        " AND (?1 = 0 OR c.asset IN (WITH RECURSIVE t(id) AS (SELECT ?1 UNION SELECT a.id FROM assets a JOIN t ON "
        "a.parent = t.id) SELECT id FROM t)) ORDER BY r.arrived, r.session, r.seq")};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, asset);
    QHash<qint64, QString> paths;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ReadingEntry e;
        const qint64 of = sqlite3_column_int64(st, 0);
        if (!paths.contains(of))
            paths.insert(of, pathOf(of));
        e.assetPath = paths.value(of);
        e.tag = columnText(st, 1);
        e.dateMs = sqlite3_column_int64(st, 2);
        e.layers = sqlite3_column_int(st, 3) == 2 ? 3 : 1;
        e.thicknessUnit = firstLine(columnText(st, 4));
        for (int v = 0; v < (e.layers == 1 ? 2 : 6); ++v)
            e.values[v] = float(sqlite3_column_double(st, 5 + v));
        e.flags = quint8(sqlite3_column_int(st, 11));
        e.comment = columnText(st, 12);
        out.append(e);
    }
    // By asset path and tag; a CML's readings stay in date order.
    std::stable_sort(out.begin(), out.end(), [](const ReadingEntry &a, const ReadingEntry &b) {
        const int byPath = a.assetPath.compare(b.assetPath, Qt::CaseInsensitive);
        return byPath != 0 ? byPath < 0 : a.tag.compare(b.tag, Qt::CaseInsensitive) < 0;
    });
    return out;
}
