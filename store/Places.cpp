#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>

using namespace PlacesSql;

// ---- assets, CMLs, routes and surveys: what they are and how they are found -----------------


Places::Places(SurveyStore &store)
    : m_store(store)
{
}

bool Places::readable()
{
    m_problem = Problem::None;
    m_subject.clear();
    return m_store.m_db && m_store.m_version >= 3;
}

bool Places::beginChange()
{
    if (!readable() || !m_store.writable())
        return refuse(Problem::StoreRefused);
    return m_store.begin() || refuse(Problem::StoreRefused);
}

bool Places::commitChange()
{
    return m_store.commit() || refuse(Problem::StoreRefused);
}

bool Places::refuse(Problem problem, const QString &subject)
{
    m_store.rollback();
    if (m_problem == Problem::None) {
        m_problem = problem;
        m_subject = subject;
    }
    return false;
}

bool Places::stepFailed(int rc, const char *what, const QString &subject)
{
    if ((rc & 0xff) == SQLITE_CONSTRAINT)
        return refuse(Problem::Duplicate, subject);
    m_store.fail(rc, what);
    return refuse(Problem::StoreRefused);
}

AssetKind Places::kindAtDepth(int depth)
{
    return depth >= 0 && depth <= 3 ? AssetKind(depth) : AssetKind::Other;
}

// ---- assets ------------------------------------------------------------------------------------

QVector<Asset> Places::assets()
{
    const auto lock = m_store.take();
    QVector<Asset> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare("SELECT id, uuid, ifnull(parent, 0), kind, tag, description FROM assets")};
    if (!st)
        return out;
    QVector<Asset> all;
    while (sqlite3_step(st) == SQLITE_ROW) {
        Asset a;
        a.id = sqlite3_column_int64(st, 0);
        a.uuid = columnBlob(st, 1);
        a.parent = sqlite3_column_int64(st, 2);
        a.kind = AssetKind(std::clamp(sqlite3_column_int(st, 3), 0, int(AssetKind::Other)));
        a.tag = columnText(st, 4);
        a.description = columnText(st, 5);
        all.append(a);
    }
    std::sort(all.begin(), all.end(), [](const Asset &a, const Asset &b) {
        const int c = a.tag.compare(b.tag, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.id < b.id;
    });
    QMultiMap<qint64, int> children; // values in insertion order per key: sorted by tag
    for (int i = all.size() - 1; i >= 0; --i)
        children.insert(all[i].parent, i);
    // Depth first, a parent before its children; a parent that is missing leaves its children
    // at the top, where they can still be reached.
    QSet<qint64> ids;
    for (const Asset &a : all)
        ids.insert(a.id);
    QVector<qint64> stack;
    for (int i = all.size() - 1; i >= 0; --i)
        if (!all[i].parent || !ids.contains(all[i].parent))
            stack.append(i);
    QSet<qint64> seen;
    while (!stack.isEmpty()) {
        const Asset &a = all[int(stack.takeLast())];
        if (seen.contains(a.id))
            continue;
        seen.insert(a.id);
        out.append(a);
        // values() lists the last inserted first, which is the first by tag: pushed in reverse,
        // so that it is taken first.
        const QList<int> kids = children.values(a.id);
        for (auto k = kids.crbegin(); k != kids.crend(); ++k)
            stack.append(*k);
    }
    return out;
}

qint64 Places::insertAsset(qint64 parent, AssetKind kind, const QString &tag, const QString &description)
{
    if (!validTag(tag) || tag.contains(QLatin1Char('/')))
        return refuse(Problem::BadInput, tag), 0;
    Statement st{m_store.prepare("INSERT INTO assets(uuid, parent, kind, tag, description) VALUES(?, ?, ?, ?, ?)")};
    if (!st)
        return refuse(Problem::StoreRefused), 0;
    bindNewUuid(st, 1);
    bindId(st, 2, parent);
    sqlite3_bind_int(st, 3, int(kind));
    bindText(st, 4, tag.trimmed());
    bindText(st, 5, description);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "adding an asset", tag.trimmed()), 0;
    return sqlite3_last_insert_rowid(m_store.m_db);
}

qint64 Places::addAsset(qint64 parent, AssetKind kind, const QString &tag, const QString &description)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return 0;
    if (parent && pathOf(parent).isEmpty())
        return refuse(Problem::NotFound, QString::number(parent)), 0;
    const qint64 id = insertAsset(parent, kind, tag, description);
    return id && commitChange() ? id : 0;
}

qint64 Places::findAsset(const QString &path)
{
    Statement st{m_store.prepare("SELECT id FROM assets WHERE ifnull(parent, 0) = ? AND tag = ? COLLATE NOCASE")};
    if (!st)
        return 0;
    qint64 id = 0;
    for (const QString &tag : pathTags(path)) {
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, id);
        bindText(st, 2, tag);
        if (tag.isEmpty() || sqlite3_step(st) != SQLITE_ROW)
            return 0;
        id = sqlite3_column_int64(st, 0);
    }
    return id;
}

qint64 Places::ensureAssetPath(const QString &path)
{
    const QStringList tags = pathTags(path);
    qint64 id = 0;
    QString walked;
    for (int depth = 0; depth < tags.size(); ++depth) {
        walked += (depth ? QStringLiteral("/") : QString()) + tags[depth];
        const qint64 found = findAsset(walked);
        id = found ? found : insertAsset(id, kindAtDepth(depth), tags[depth], QString());
        if (!id)
            return 0;
    }
    return id;
}

qint64 Places::assetByPath(const QString &path)
{
    const auto lock = m_store.take();
    return readable() ? findAsset(path) : 0;
}

QString Places::pathOf(qint64 asset)
{
    Statement st{m_store.prepare("SELECT ifnull(parent, 0), tag FROM assets WHERE id = ?")};
    if (!st)
        return QString();
    QStringList tags;
    QSet<qint64> seen;
    while (asset && !seen.contains(asset)) {
        seen.insert(asset);
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, asset);
        if (sqlite3_step(st) != SQLITE_ROW)
            return QString();
        tags.prepend(columnText(st, 1));
        asset = sqlite3_column_int64(st, 0);
    }
    return tags.join(QLatin1Char('/'));
}

QString Places::assetPath(qint64 asset)
{
    const auto lock = m_store.take();
    return readable() ? pathOf(asset) : QString();
}

QVector<qint64> Places::subtree(qint64 asset)
{
    QVector<qint64> ids;
    Statement st{m_store.prepare("WITH RECURSIVE t(id) AS (SELECT ?1 UNION SELECT a.id FROM assets a JOIN t "
                                 "ON a.parent = t.id) SELECT id FROM t")};
    if (!st)
        return ids;
    sqlite3_bind_int64(st, 1, asset);
    while (sqlite3_step(st) == SQLITE_ROW)
        ids.append(sqlite3_column_int64(st, 0));
    return ids;
}

// ---- CMLs --------------------------------------------------------------------------------------

qint64 Places::insertCml(const Cml &cml)
{
    if (!validTag(cml.tag))
        return refuse(Problem::BadInput, cml.tag), 0;
    Statement st{m_store.prepare("INSERT INTO cmls(uuid, asset, tag, description, nominal, minimum, allowance, "
                                 "material, notes) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")};
    if (!st)
        return refuse(Problem::StoreRefused), 0;
    bindNewUuid(st, 1);
    sqlite3_bind_int64(st, 2, cml.asset);
    bindCmlFields(st, 3, cml);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "adding a CML", cml.tag.trimmed()), 0;
    return sqlite3_last_insert_rowid(m_store.m_db);
}

qint64 Places::addCml(const Cml &cml)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return 0;
    if (!cml.asset || pathOf(cml.asset).isEmpty())
        return refuse(Problem::NotFound, QString::number(cml.asset)), 0;
    const qint64 id = insertCml(cml);
    return id && commitChange() ? id : 0;
}

bool Places::updateCml(const Cml &cml)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (!validTag(cml.tag))
        return refuse(Problem::BadInput, cml.tag);
    if (!cml.asset || pathOf(cml.asset).isEmpty())
        return refuse(Problem::NotFound, QString::number(cml.asset));
    Statement st{m_store.prepare("UPDATE cmls SET tag = ?, description = ?, nominal = ?, minimum = ?, allowance = ?, "
                                 "material = ?, notes = ?, asset = ? WHERE id = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    bindCmlFields(st, 1, cml);
    sqlite3_bind_int64(st, 8, cml.asset);
    sqlite3_bind_int64(st, 9, cml.id);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "changing a CML", cml.tag.trimmed());
    if (sqlite3_changes(m_store.m_db) == 0)
        return refuse(Problem::NotFound, cml.tag);
    return commitChange();
}

QVector<Cml> Places::cmls(qint64 asset, bool below)
{
    const auto lock = m_store.take();
    QVector<Cml> out;
    if (!readable())
        return out;
    QByteArray sql = QByteArray("SELECT ") + CmlColumns + " FROM cmls c";
    QVector<qint64> assets;
    if (asset) {
        assets = below ? subtree(asset) : QVector<qint64>{asset};
        sql += " WHERE c.asset IN (SELECT value FROM json_each(?))";
    }
    sql += " ORDER BY c.asset, c.tag COLLATE NOCASE";
    Statement st{m_store.prepare(sql.constData())};
    if (!st)
        return out;
    if (asset) {
        QStringList ids;
        for (qint64 id : assets)
            ids << QString::number(id);
        bindText(st, 1, QLatin1Char('[') + ids.join(QLatin1Char(',')) + QLatin1Char(']'));
    }
    while (sqlite3_step(st) == SQLITE_ROW)
        out.append(readCml(st, 0));
    return out;
}

QVector<CmlSummary> Places::cmlSummaries(qint64 asset)
{
    const auto lock = m_store.take();
    QVector<CmlSummary> out;
    if (!readable())
        return out;
    // The newest reading's values come with max(): SQLite takes bare columns from its row.
    Statement st{m_store.prepare(QByteArray(QByteArray("SELECT ") + CmlColumns
                                            + ", n.readings, n.last, n.v0, n.flags FROM cmls c LEFT JOIN "
                                              "(SELECT r.cml, count(*) AS readings, max(r.arrived) AS last, r.v0, "
                                              "r.flags FROM records r JOIN cmls k ON k.id = r.cml AND k.asset = ?1 "
                                              "WHERE " READINGS " GROUP BY r.cml) n ON n.cml = c.id "
                                              "WHERE c.asset = ?1 ORDER BY c.tag COLLATE NOCASE")
                                     .constData())};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, asset);
    while (sqlite3_step(st) == SQLITE_ROW) {
        CmlSummary s;
        s.cml = readCml(st, 0);
        s.readings = sqlite3_column_int64(st, 10);
        s.lastMs = sqlite3_column_int64(st, 11);
        if (s.readings) {
            s.lastValue = sqlite3_column_double(st, 12);
            s.lastOutOfRange = sqlite3_column_int(st, 13) & 1;
        }
        out.append(s);
    }
    return out;
}

qint64 Places::findCml(qint64 asset, const QString &tag)
{
    Statement st{m_store.prepare("SELECT id FROM cmls WHERE asset = ? AND tag = ? COLLATE NOCASE")};
    if (!st)
        return 0;
    sqlite3_bind_int64(st, 1, asset);
    bindText(st, 2, tag.trimmed());
    return sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
}

qint64 Places::cmlByTag(qint64 asset, const QString &tag)
{
    const auto lock = m_store.take();
    return readable() ? findCml(asset, tag) : 0;
}

namespace {

const char *const ReadingColumns =
    "SELECT r.session, r.seq, r.uuid, ifnull(r.cml, 0), r.arrived, s.layout, ifnull(r.recno, 0), "
    "r.name, r.v0, r.v1, r.v2, r.v3, r.v4, r.v5, r.flags, r.comment, s.serial, v.inspector, "
    "s.unit_names FROM records r JOIN sessions s ON s.id = r.session "
    "LEFT JOIN surveys v ON v.session = r.session WHERE " READINGS " AND ";

PlaceReading readReading(sqlite3_stmt *st)
{
    PlaceReading r;
    r.survey = sqlite3_column_int64(st, 0);
    r.key = keyOf(r.survey, sqlite3_column_int64(st, 1));
    r.uuid = columnBlob(st, 2);
    r.cml = sqlite3_column_int64(st, 3);
    r.dateMs = sqlite3_column_int64(st, 4);
    r.layout = sqlite3_column_int(st, 5);
    r.number = quint32(qMax<qint64>(0, sqlite3_column_int64(st, 6)));
    r.name = columnText(st, 7);
    for (int v = 0; v < 6; ++v)
        r.values[v] = float(sqlite3_column_double(st, 8 + v));
    r.flags = quint8(sqlite3_column_int(st, 14));
    r.comment = columnText(st, 15);
    r.serial = columnText(st, 16);
    r.inspector = columnText(st, 17);
    r.thicknessUnit = firstLine(columnText(st, 18));
    return r;
}

} // namespace

QVector<PlaceReading> Places::readingsWhere(const char *where, qint64 arg, const char *order)
{
    QVector<PlaceReading> out;
    QByteArray sql = ReadingColumns;
    sql += where;
    sql += " ORDER BY ";
    sql += order;
    Statement st{m_store.prepare(sql.constData())};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, arg);
    while (sqlite3_step(st) == SQLITE_ROW)
        out.append(readReading(st));
    return out;
}

QVector<PlaceReading> Places::history(qint64 cml)
{
    const auto lock = m_store.take();
    if (!readable())
        return {};
    return readingsWhere("r.cml = ?1", cml, "r.arrived, r.session, r.seq");
}

PlaceReading Places::reading(qint64 key)
{
    const auto lock = m_store.take();
    if (!readable())
        return PlaceReading();
    // Kept prepared: asked for every reading the gauge pushes, while the inspector waits.
    sqlite3_stmt *&st = m_store.m_readOne;
    if (!st) {
        st = m_store.prepare((QByteArray(ReadingColumns) + "r.session = (?1 >> 32) AND r.seq = (?1 & 4294967295)")
                                 .constData());
        if (!st)
            return PlaceReading();
    }
    sqlite3_reset(st);
    sqlite3_bind_int64(st, 1, key);
    PlaceReading r;
    if (sqlite3_step(st) == SQLITE_ROW)
        r = readReading(st);
    sqlite3_reset(st);
    return r;
}
