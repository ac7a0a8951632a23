#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

#include <QHash>
#include <QSet>

using namespace PlacesSql;

// ---- bringing in what another file holds, by UUID ----------------------------------------------

namespace {

// Brought-in readings, like imported ones, are kept but shown in no table.
constexpr int MergedState = NotRestored;

void bindUuid(sqlite3_stmt *st, int i, const QByteArray &uuid)
{
    sqlite3_bind_blob(st, i, uuid.constData(), int(uuid.size()), SQLITE_TRANSIENT);
}

} // namespace

Cml cmlFields(const MergeCml &m)
{
    Cml c;
    c.uuid = m.uuid;
    c.tag = m.tag;
    c.description = m.description;
    c.nominal = m.nominal;
    c.minimum = m.minimum;
    c.allowance = m.allowance;
    c.material = m.material;
    c.notes = m.notes;
    return c;
}

MergeCml mergeCml(const Cml &c, const DesignInputs &design)
{
    MergeCml m;
    m.uuid = c.uuid;
    m.tag = c.tag;
    m.description = c.description;
    m.nominal = c.nominal;
    m.minimum = c.minimum;
    m.allowance = c.allowance;
    m.material = c.material;
    m.notes = c.notes;
    m.design = design;
    return m;
}

bool Places::agreedTables() const
{
    return m_store.m_version >= 7;
}

qint64 Places::idByUuid(const char *table, const QByteArray &uuid)
{
    if (uuid.isEmpty())
        return 0;
    const QByteArray key = QByteArray(table) == "surveys" ? "session" : "id";
    Statement st{m_store.prepare(("SELECT " + key + " FROM " + table + " WHERE uuid = ?").constData())};
    if (!st)
        return 0;
    bindUuid(st, 1, uuid);
    return sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
}

qint64 Places::cmlByUuid(const QByteArray &uuid)
{
    const auto lock = m_store.take();
    return readable() ? idByUuid("cmls", uuid) : 0;
}

bool Places::mergeRegister(const QVector<MergeAsset> &assets, const QVector<MergeCml> &cmls,
                           const QVector<MergeRoute> &routes, MergeCounts *added)
{
    const auto lock = m_store.take();
    MergeCounts counts;
    if (added)
        *added = counts;
    if (!beginChange())
        return false;
    QHash<QByteArray, qint64> assetId;
    for (const MergeAsset &a : assets)
        assetId.insert(a.uuid, idByUuid("assets", a.uuid));
    // Parents before children, in as many rounds as the tree is deep.
    Statement addAsset{m_store.prepare("INSERT INTO assets(uuid, parent, kind, tag, description) VALUES(?, ?, ?, ?, ?)")};
    if (!addAsset)
        return refuse(Problem::StoreRefused);
    for (bool progress = true; progress;) {
        progress = false;
        for (const MergeAsset &a : assets) {
            if (assetId.value(a.uuid))
                continue;
            qint64 parent = 0;
            if (!a.parent.isEmpty()) {
                parent = assetId.contains(a.parent) ? assetId.value(a.parent) : idByUuid("assets", a.parent);
                if (!parent)
                    continue; // its parent comes in a later round, or never
            }
            if (!validTag(a.tag) || a.tag.contains(QLatin1Char('/')))
                return refuse(Problem::BadInput, a.tag);
            sqlite3_reset(addAsset);
            bindUuid(addAsset, 1, a.uuid);
            bindId(addAsset, 2, parent);
            sqlite3_bind_int(addAsset, 3, a.kind >= 0 && a.kind <= 4 ? a.kind : int(AssetKind::Other));
            bindText(addAsset, 4, a.tag.trimmed());
            bindText(addAsset, 5, a.description);
            const int rc = sqlite3_step(addAsset);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "bringing in an asset", a.tag.trimmed());
            assetId.insert(a.uuid, sqlite3_last_insert_rowid(m_store.m_db));
            ++counts.assets;
            progress = true;
        }
    }
    for (const MergeAsset &a : assets) {
        if (!assetId.value(a.uuid))
            return refuse(Problem::NotFound, a.tag);
    }

    Statement addCml{m_store.prepare("INSERT INTO cmls(uuid, asset, tag, description, nominal, minimum, allowance,"
                                     " material, notes) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")};
    if (!addCml)
        return refuse(Problem::StoreRefused);
    for (const MergeCml &c : cmls) {
        if (idByUuid("cmls", c.uuid))
            continue;
        const qint64 asset = assetId.contains(c.asset) ? assetId.value(c.asset) : idByUuid("assets", c.asset);
        if (!asset)
            return refuse(Problem::NotFound, c.tag);
        if (!validTag(c.tag))
            return refuse(Problem::BadInput, c.tag);
        sqlite3_reset(addCml);
        bindUuid(addCml, 1, c.uuid);
        sqlite3_bind_int64(addCml, 2, asset);
        bindCmlFields(addCml, 3, cmlFields(c));
        const int rc = sqlite3_step(addCml);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "bringing in a CML", c.tag.trimmed());
        const qint64 id = sqlite3_last_insert_rowid(m_store.m_db);
        if (c.design.formula != DesignFormula::None && judgementTables() && !writeDesign(id, c.design))
            return false;
        ++counts.cmls;
    }

    Statement addRoute{m_store.prepare("INSERT INTO routes(uuid, name, notes) VALUES(?, ?, ?)")};
    Statement addStop{m_store.prepare("INSERT INTO route_stops(route, pos, cml) VALUES(?, ?, ?)")};
    if (!addRoute || !addStop)
        return refuse(Problem::StoreRefused);
    for (const MergeRoute &r : routes) {
        if (idByUuid("routes", r.uuid))
            continue;
        sqlite3_reset(addRoute);
        bindUuid(addRoute, 1, r.uuid);
        bindText(addRoute, 2, r.name.trimmed());
        bindText(addRoute, 3, r.notes);
        int rc = sqlite3_step(addRoute);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "bringing in a route", r.name.trimmed());
        const qint64 route = sqlite3_last_insert_rowid(m_store.m_db);
        for (int pos = 0; pos < r.cmls.size(); ++pos) {
            const qint64 cml = idByUuid("cmls", r.cmls[pos]);
            if (!cml)
                return refuse(Problem::NotFound, r.name);
            sqlite3_reset(addStop);
            sqlite3_bind_int64(addStop, 1, route);
            sqlite3_bind_int(addStop, 2, pos);
            sqlite3_bind_int64(addStop, 3, cml);
            rc = sqlite3_step(addStop);
            if (rc != SQLITE_DONE)
                return stepFailed(rc, "bringing in a route", r.name.trimmed());
        }
        ++counts.routes;
    }
    if (!commitChange())
        return false;
    if (added)
        *added = counts;
    return true;
}

qint64 Places::mergeSurvey(const MergeSurvey &survey, const QVector<MergeReading> &readings)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return -1;
    const auto failed = [&](int rc) { return stepFailed(rc, "bringing in a survey"), qint64(-1); };
    qint64 session = idByUuid("surveys", survey.uuid);
    if (!session) {
        Statement made{m_store.prepare("INSERT INTO sessions(started, ended, serial, firmware, meter_type, layout,"
                                       " unit_numbers, unit_names, decimals, rows, live) VALUES(?, ?, ?, ?, ?, ?, ?, ?,"
                                       " ?, 0, 0)")};
        if (!made)
            return refuse(Problem::StoreRefused), -1;
        sqlite3_bind_int64(made, 1, survey.startedMs ? survey.startedMs : survey.dateMs);
        if (survey.endedMs)
            sqlite3_bind_int64(made, 2, survey.endedMs);
        bindText(made, 3, survey.serial);
        bindText(made, 4, survey.firmware);
        sqlite3_bind_int64(made, 5, survey.meterType);
        sqlite3_bind_int(made, 6, survey.layout == 2 ? 2 : 1);
        bindText(made, 7, survey.unitNumbers);
        bindText(made, 8, survey.unitNames);
        bindText(made, 9, survey.decimals);
        int rc = sqlite3_step(made);
        if (rc != SQLITE_DONE)
            return failed(rc);
        session = sqlite3_last_insert_rowid(m_store.m_db);
        Statement facts{m_store.prepare("INSERT INTO surveys(session, uuid, date, asset, route, inspector, velocity,"
                                        " notes) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")};
        if (!facts)
            return refuse(Problem::StoreRefused), -1;
        sqlite3_bind_int64(facts, 1, session);
        bindUuid(facts, 2, survey.uuid);
        sqlite3_bind_int64(facts, 3, survey.dateMs);
        bindId(facts, 4, idByUuid("assets", survey.asset));
        bindId(facts, 5, idByUuid("routes", survey.route));
        if (!survey.inspector.isNull())
            bindText(facts, 6, survey.inspector);
        bindReal(facts, 7, survey.velocity);
        if (!survey.notes.isNull())
            bindText(facts, 8, survey.notes);
        rc = sqlite3_step(facts);
        if (rc != SQLITE_DONE)
            return failed(rc);
    }

    // What the survey holds already, by UUID and by place.
    QSet<QByteArray> known;
    QSet<qint64> taken;
    qint64 nextSeq = 0;
    {
        Statement st{m_store.prepare("SELECT uuid, seq FROM records WHERE session = ?")};
        if (!st)
            return refuse(Problem::StoreRefused), -1;
        sqlite3_bind_int64(st, 1, session);
        while (sqlite3_step(st) == SQLITE_ROW) {
            known.insert(columnBlob(st, 0));
            taken.insert(sqlite3_column_int64(st, 1));
            nextSeq = std::max(nextSeq, sqlite3_column_int64(st, 1) + 1);
        }
    }
    Statement row{m_store.prepare("INSERT INTO records(session, seq, origin, arrived, flags, state, name, v0, v1, v2,"
                                  " v3, v4, v5, recno, uuid, cml, comment) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                                  " ?, ?, ?, ?)")};
    if (!row)
        return refuse(Problem::StoreRefused), -1;
    QHash<QByteArray, qint64> cmlId;
    const int values = survey.layout == 2 ? 6 : 2;
    qint64 added = 0;
    for (const MergeReading &r : readings) {
        if (r.uuid.size() != 16 || known.contains(r.uuid))
            continue;
        qint64 cml = 0;
        if (!r.cml.isEmpty()) {
            auto it = cmlId.find(r.cml);
            if (it == cmlId.end())
                it = cmlId.insert(r.cml, idByUuid("cmls", r.cml));
            cml = *it;
            if (!cml)
                return refuse(Problem::NotFound, QString::fromLatin1(r.cml.toHex())), -1;
        }
        // Its own place when free; a survey this file added to itself takes it behind the rest.
        const qint64 seq = r.seq >= 0 && !taken.contains(r.seq) ? r.seq : nextSeq;
        taken.insert(seq);
        nextSeq = std::max(nextSeq, seq + 1);
        known.insert(r.uuid);
        sqlite3_reset(row);
        sqlite3_clear_bindings(row);
        sqlite3_bind_int64(row, 1, session);
        sqlite3_bind_int64(row, 2, seq);
        sqlite3_bind_int(row, 3, int(r.number ? RecordOrigin::Memory : RecordOrigin::Pushed));
        sqlite3_bind_int64(row, 4, r.dateMs);
        sqlite3_bind_int(row, 5, r.flags);
        sqlite3_bind_int(row, 6, MergedState);
        if (!r.name.isNull())
            bindText(row, 7, r.name);
        for (int v = 0; v < values; ++v)
            sqlite3_bind_double(row, 8 + v, double(r.values[v]));
        if (r.number)
            sqlite3_bind_int64(row, 14, r.number);
        bindUuid(row, 15, r.uuid);
        bindId(row, 16, cml);
        if (!r.comment.isNull())
            bindText(row, 17, r.comment);
        const int rc = sqlite3_step(row);
        if (rc != SQLITE_DONE)
            return failed(rc);
        ++added;
    }
    if (added) {
        Statement count{m_store.prepare("UPDATE sessions SET rows = rows + ? WHERE id = ?")};
        Statement log{m_store.prepare("INSERT INTO events(session, at, kind, rows) VALUES(?, ?, 'merged', ?)")};
        if (!count || !log)
            return refuse(Problem::StoreRefused), -1;
        sqlite3_bind_int64(count, 1, added);
        sqlite3_bind_int64(count, 2, session);
        sqlite3_bind_int64(log, 1, session);
        sqlite3_bind_int64(log, 2, nowMs());
        sqlite3_bind_int64(log, 3, added);
        for (sqlite3_stmt *st : {count.st, log.st}) {
            const int rc = sqlite3_step(st);
            if (rc != SQLITE_DONE)
                return failed(rc);
        }
    }
    return commitChange() ? added : -1;
}

QHash<QByteArray, qint64> Places::surveyReadingCounts()
{
    const auto lock = m_store.take();
    QHash<QByteArray, qint64> out;
    if (!readable())
        return out;
    Statement st{m_store.prepare("SELECT s.uuid, (SELECT count(*) FROM records r WHERE r.session = s.session AND "
                                 READINGS ") FROM surveys s")};
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out.insert(columnBlob(st, 0), sqlite3_column_int64(st, 1));
    return out;
}

bool Places::setCmlMetadata(const Cml &cml, const DesignInputs &design)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    Statement st{m_store.prepare("UPDATE cmls SET description = ?, nominal = ?, minimum = ?, allowance = ?,"
                                 " material = ?, notes = ? WHERE id = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    bindText(st, 1, cml.description);
    bindReal(st, 2, cml.nominal);
    bindReal(st, 3, cml.minimum);
    bindReal(st, 4, cml.allowance);
    bindText(st, 5, cml.material);
    bindText(st, 6, cml.notes);
    sqlite3_bind_int64(st, 7, cml.id);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "changing a CML", cml.tag);
    if (sqlite3_changes(m_store.m_db) == 0)
        return refuse(Problem::NotFound, cml.tag);
    if (judgementTables() && !writeDesign(cml.id, design))
        return false;
    return commitChange();
}

QHash<qint64, AgreedCml> Places::agreedCmls()
{
    const auto lock = m_store.take();
    QHash<qint64, AgreedCml> out;
    if (!readable() || !agreedTables())
        return out;
    Statement st{m_store.prepare("SELECT cml, revision, fields FROM cml_agreed")};
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out.insert(sqlite3_column_int64(st, 0), AgreedCml{sqlite3_column_int64(st, 1), columnText(st, 2)});
    return out;
}

bool Places::setAgreed(qint64 cml, const AgreedCml &agreed)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    Statement st{m_store.prepare("INSERT OR REPLACE INTO cml_agreed(cml, revision, fields) VALUES(?, ?, ?)")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, cml);
    sqlite3_bind_int64(st, 2, agreed.revision);
    bindText(st, 3, agreed.fields);
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE ? commitChange() : stepFailed(rc, "keeping what was agreed");
}
