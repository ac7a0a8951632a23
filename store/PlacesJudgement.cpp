// What judging CMLs over time keeps in the file: each CML's design inputs, each asset's own
// choice of governing rate and interval, and the log of decisions on readings' quality marks;
// and the readings' thicknesses of many CMLs read at once.
#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace PlacesSql;

namespace {

template <typename Enum>
Enum enumColumn(sqlite3_stmt *st, int c, Enum highest, Enum fallback)
{
    const int v = sqlite3_column_int(st, c);
    return v >= 0 && v <= int(highest) ? Enum(v) : fallback;
}

constexpr const char *DesignColumns =
    "cml, formula, pressure_unit, length_unit, temperature_unit, pressure, diameter, radius, stress, joint, "
    "joint_circumferential, weld, coefficient_y, temperature, material, allowance, gravity, height";

// Columns from 1 on (0 is the CML).
DesignInputs readDesign(sqlite3_stmt *st)
{
    DesignInputs d;
    d.formula = enumColumn(st, 1, DesignFormula::TankApi653, DesignFormula::None);
    d.pressureUnit = enumColumn(st, 2, PressureUnit::Bar, PressureUnit::MPa);
    d.lengthUnit = enumColumn(st, 3, LengthUnit::Foot, LengthUnit::Millimetre);
    d.temperatureUnit = enumColumn(st, 4, TemperatureUnit::Fahrenheit, TemperatureUnit::Celsius);
    d.pressure = columnReal(st, 5);
    d.diameter = columnReal(st, 6);
    d.radius = columnReal(st, 7);
    d.stress = columnReal(st, 8);
    d.joint = columnReal(st, 9);
    d.jointCircumferential = columnReal(st, 10);
    d.weld = columnReal(st, 11);
    d.coefficientY = columnReal(st, 12);
    d.temperature = columnReal(st, 13);
    d.material = enumColumn(st, 14, MaterialGroup::CastIron, MaterialGroup::Ferritic);
    d.allowance = columnReal(st, 15);
    d.gravity = columnReal(st, 16);
    d.height = columnReal(st, 17);
    return d;
}

JudgementPolicy readPolicy(sqlite3_stmt *st, int c)
{
    JudgementPolicy p;
    p.rate = enumColumn(st, c, RateRule::Largest, RateRule::LongShortMax);
    p.interval = enumColumn(st, c + 1, IntervalRule::Years, IntervalRule::Api570Class1);
    p.years = sqlite3_column_double(st, c + 2);
    return p;
}

} // namespace

bool Places::judgementTables() const
{
    return m_store.m_version >= 4;
}

Cml Places::cml(qint64 id)
{
    const auto lock = m_store.take();
    if (!readable())
        return Cml();
    Statement st{m_store.prepare(QByteArray(QByteArray("SELECT ") + CmlColumns + " FROM cmls c WHERE c.id = ?").constData())};
    if (!st)
        return Cml();
    sqlite3_bind_int64(st, 1, id);
    if (sqlite3_step(st) == SQLITE_ROW)
        return readCml(st, 0);
    m_problem = Problem::NotFound;
    m_subject = QString::number(id);
    return Cml();
}

// ---- design inputs -----------------------------------------------------------------------------

bool Places::setDesign(qint64 cml, const DesignInputs &inputs)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    {
        Statement found{m_store.prepare("SELECT 1 FROM cmls WHERE id = ?")};
        if (!found)
            return refuse(Problem::StoreRefused);
        sqlite3_bind_int64(found, 1, cml);
        if (sqlite3_step(found) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(cml));
    }
    return writeDesign(cml, inputs) && commitChange();
}

bool Places::writeDesign(qint64 cml, const DesignInputs &inputs)
{
    if (inputs.formula == DesignFormula::None) {
        Statement st{m_store.prepare("DELETE FROM cml_designs WHERE cml = ?")};
        if (!st)
            return refuse(Problem::StoreRefused);
        sqlite3_bind_int64(st, 1, cml);
        const int rc = sqlite3_step(st);
        return rc == SQLITE_DONE || stepFailed(rc, "removing a CML's design");
    }
    Statement st{m_store.prepare(QByteArray(QByteArray("INSERT OR REPLACE INTO cml_designs(") + DesignColumns
                                            + ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                     .constData())};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, cml);
    sqlite3_bind_int(st, 2, int(inputs.formula));
    sqlite3_bind_int(st, 3, int(inputs.pressureUnit));
    sqlite3_bind_int(st, 4, int(inputs.lengthUnit));
    sqlite3_bind_int(st, 5, int(inputs.temperatureUnit));
    const double numbers[] = {inputs.pressure, inputs.diameter, inputs.radius, inputs.stress, inputs.joint,
                              inputs.jointCircumferential, inputs.weld, inputs.coefficientY, inputs.temperature};
    int i = 6;
    for (double v : numbers)
        bindReal(st, i++, v);
    sqlite3_bind_int(st, 15, int(inputs.material));
    bindReal(st, 16, inputs.allowance);
    bindReal(st, 17, inputs.gravity);
    bindReal(st, 18, inputs.height);
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE || stepFailed(rc, "setting a CML's design");
}

DesignInputs Places::design(qint64 cml)
{
    const auto lock = m_store.take();
    if (!readable() || !judgementTables())
        return DesignInputs();
    Statement st{m_store.prepare(QByteArray(QByteArray("SELECT ") + DesignColumns + " FROM cml_designs WHERE cml = ?").constData())};
    if (!st)
        return DesignInputs();
    sqlite3_bind_int64(st, 1, cml);
    return sqlite3_step(st) == SQLITE_ROW ? readDesign(st) : DesignInputs();
}

QHash<qint64, DesignInputs> Places::designs()
{
    const auto lock = m_store.take();
    QHash<qint64, DesignInputs> out;
    if (!readable() || !judgementTables())
        return out;
    Statement st{m_store.prepare(QByteArray(QByteArray("SELECT ") + DesignColumns + " FROM cml_designs").constData())};
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out.insert(sqlite3_column_int64(st, 0), readDesign(st));
    return out;
}

// ---- policies ----------------------------------------------------------------------------------

bool Places::setPolicy(qint64 asset, const std::optional<JudgementPolicy> &policy)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (!asset || pathOf(asset).isEmpty())
        return refuse(Problem::NotFound, QString::number(asset));
    if (policy && policy->interval == IntervalRule::Years && !(policy->years > 0 && std::isfinite(policy->years)))
        return refuse(Problem::BadInput, QString::number(policy->years));
    Statement st{m_store.prepare(policy ? "INSERT OR REPLACE INTO asset_policies(asset, rate_rule, interval_rule, years) "
                                          "VALUES(?, ?, ?, ?)"
                                        : "DELETE FROM asset_policies WHERE asset = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, asset);
    if (policy) {
        sqlite3_bind_int(st, 2, int(policy->rate));
        sqlite3_bind_int(st, 3, int(policy->interval));
        sqlite3_bind_double(st, 4, policy->years);
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "setting an asset's policy");
    return commitChange();
}

std::optional<JudgementPolicy> Places::ownPolicy(qint64 asset)
{
    const auto lock = m_store.take();
    if (!readable() || !judgementTables())
        return std::nullopt;
    Statement st{m_store.prepare("SELECT rate_rule, interval_rule, years FROM asset_policies WHERE asset = ?")};
    if (!st)
        return std::nullopt;
    sqlite3_bind_int64(st, 1, asset);
    if (sqlite3_step(st) != SQLITE_ROW)
        return std::nullopt;
    return readPolicy(st, 0);
}

JudgementPolicy Places::policy(qint64 asset)
{
    const auto lock = m_store.take();
    if (!readable() || !judgementTables())
        return JudgementPolicy();
    // The asset's own, else the nearest ancestor's: one row per step up.
    Statement st{m_store.prepare("SELECT ifnull(a.parent, 0), p.rate_rule, p.interval_rule, p.years FROM assets a "
                                 "LEFT JOIN asset_policies p ON p.asset = a.id WHERE a.id = ?")};
    if (!st)
        return JudgementPolicy();
    QSet<qint64> seen;
    while (asset && !seen.contains(asset)) {
        seen.insert(asset);
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, asset);
        if (sqlite3_step(st) != SQLITE_ROW)
            break;
        if (sqlite3_column_type(st, 1) != SQLITE_NULL)
            return readPolicy(st, 1);
        asset = sqlite3_column_int64(st, 0);
    }
    return JudgementPolicy();
}

QHash<qint64, JudgementPolicy> Places::policies()
{
    const auto lock = m_store.take();
    QHash<qint64, JudgementPolicy> out;
    if (!readable())
        return out;
    QHash<qint64, qint64> parents;
    QHash<qint64, JudgementPolicy> own;
    {
        Statement st{m_store.prepare("SELECT id, ifnull(parent, 0) FROM assets")};
        if (!st)
            return out;
        while (sqlite3_step(st) == SQLITE_ROW)
            parents.insert(sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1));
    }
    if (judgementTables()) {
        Statement st{m_store.prepare("SELECT asset, rate_rule, interval_rule, years FROM asset_policies")};
        if (!st)
            return out;
        while (sqlite3_step(st) == SQLITE_ROW)
            own.insert(sqlite3_column_int64(st, 0), readPolicy(st, 1));
    }
    // Each asset walks up until it meets one already resolved or one with a policy of its own;
    // everything walked takes that one. Every asset is walked over once.
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        if (out.contains(it.key()))
            continue;
        QVector<qint64> walked;
        QSet<qint64> seen;
        JudgementPolicy found;
        for (qint64 a = it.key(); a && !seen.contains(a); a = parents.value(a)) {
            seen.insert(a);
            if (const auto known = out.constFind(a); known != out.cend()) {
                found = *known;
                break;
            }
            if (const auto mine = own.constFind(a); mine != own.cend()) {
                found = *mine;
                walked.append(a);
                break;
            }
            walked.append(a);
        }
        for (qint64 a : std::as_const(walked))
            out.insert(a, found);
    }
    return out;
}

// ---- readings' thicknesses ---------------------------------------------------------------------

QVector<ThicknessRow> Places::thicknessRowsWhere(const char *where, qint64 arg)
{
    QVector<ThicknessRow> out;
    // The records go first (CROSS JOIN keeps them outside), read through records_cml in CML
    // and date order; the few sessions are looked up by key. The newest decision on a row is
    // found through the decisions' index on the row.
    QByteArray sql = "SELECT r.cml, r.session, r.seq, r.arrived, r.v0, r.flags, s.unit_names, ";
    sql += judgementTables() ? "(SELECT d.decision FROM mark_decisions d WHERE d.session = r.session AND d.seq = r.seq "
                               "ORDER BY d.id DESC LIMIT 1) "
                             : "NULL ";
    sql += "FROM records r CROSS JOIN sessions s ON s.id = r.session WHERE r.cml IS NOT NULL AND " READINGS " AND ";
    sql += where;
    // In the index's order; readings of one CML at the same time are put in table order
    // below (a sort of every row on the key would cost as much as the rest of the query).
    sql += " ORDER BY r.cml, r.arrived";
    Statement st{m_store.prepare(sql.constData())};
    if (!st)
        return out;
    if (std::strchr(where, '?'))
        sqlite3_bind_int64(st, 1, arg);
    QHash<qint64, QString> units; // by session: read once each
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ThicknessRow row;
        row.cml = sqlite3_column_int64(st, 0);
        const qint64 session = sqlite3_column_int64(st, 1);
        row.key = keyOf(session, sqlite3_column_int64(st, 2));
        row.dateMs = sqlite3_column_int64(st, 3);
        if (!(sqlite3_column_int(st, 5) & 1) && sqlite3_column_type(st, 4) != SQLITE_NULL)
            row.thickness = sqlite3_column_double(st, 4);
        auto unit = units.find(session);
        if (unit == units.end())
            unit = units.insert(session, firstLine(columnText(st, 6)));
        row.unit = *unit;
        const int decision = sqlite3_column_int(st, 7);
        row.decision = decision >= 0 && decision <= int(MarkDecision::Exclude) ? MarkDecision(decision) : MarkDecision::None;
        out.append(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        m_store.fail(rc, "reading the CMLs' thicknesses");
        m_problem = Problem::StoreRefused;
        return {};
    }
    for (qsizetype i = 0; i < out.size();) {
        qsizetype j = i + 1;
        while (j < out.size() && out[j].cml == out[i].cml && out[j].dateMs == out[i].dateMs)
            ++j;
        if (j - i > 1)
            std::sort(out.begin() + i, out.begin() + j,
                      [](const ThicknessRow &a, const ThicknessRow &b) { return a.key < b.key; });
        i = j;
    }
    return out;
}

QVector<ThicknessRow> Places::thicknessRows(qint64 asset)
{
    const auto lock = m_store.take();
    if (!readable())
        return {};
    if (!asset)
        return thicknessRowsWhere("1", 0);
    return thicknessRowsWhere("r.cml IN (SELECT c.id FROM cmls c WHERE c.asset IN (WITH RECURSIVE t(id) AS "
                              "(SELECT ?1 UNION SELECT a.id FROM assets a JOIN t ON a.parent = t.id) SELECT id FROM t))",
                              asset);
}

QVector<ThicknessRow> Places::thicknessRowsOf(qint64 cml)
{
    const auto lock = m_store.take();
    if (!readable())
        return {};
    return thicknessRowsWhere("r.cml = ?1", cml);
}

// ---- decisions on marks ------------------------------------------------------------------------

bool Places::decide(qint64 key, ReadingMark mark, MarkDecision decision, const QString &who, const QString &note)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (!judgementTables())
        return refuse(Problem::StoreRefused);
    QByteArray uuid;
    {
        Statement st{m_store.prepare("SELECT r.uuid FROM records r WHERE r.session = ? AND r.seq = ? AND " READINGS)};
        if (!st)
            return refuse(Problem::StoreRefused);
        sqlite3_bind_int64(st, 1, sessionOf(key));
        sqlite3_bind_int64(st, 2, seqOf(key));
        if (sqlite3_step(st) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(key));
        uuid = columnBlob(st, 0);
    }
    Statement st{m_store.prepare("INSERT INTO mark_decisions(session, seq, reading_uuid, mark, decision, who, at, note) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?)")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, sessionOf(key));
    sqlite3_bind_int64(st, 2, seqOf(key));
    sqlite3_bind_blob(st, 3, uuid.constData(), int(uuid.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, int(mark));
    sqlite3_bind_int(st, 5, int(decision));
    bindText(st, 6, who);
    sqlite3_bind_int64(st, 7, nowMs());
    bindText(st, 8, note);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "logging a decision");
    return commitChange();
}

QVector<MarkDecisionEntry> Places::decisions(qint64 cml)
{
    const auto lock = m_store.take();
    QVector<MarkDecisionEntry> out;
    if (!readable() || !judgementTables())
        return out;
    Statement st{m_store.prepare("SELECT d.id, d.session, d.seq, d.reading_uuid, d.mark, d.decision, d.who, d.at, d.note "
                                 "FROM mark_decisions d JOIN records r ON r.session = d.session AND r.seq = d.seq "
                                 "WHERE r.cml = ? ORDER BY d.id")};
    if (!st)
        return out;
    sqlite3_bind_int64(st, 1, cml);
    while (sqlite3_step(st) == SQLITE_ROW) {
        MarkDecisionEntry e;
        e.id = sqlite3_column_int64(st, 0);
        e.key = keyOf(sqlite3_column_int64(st, 1), sqlite3_column_int64(st, 2));
        e.readingUuid = columnBlob(st, 3);
        e.mark = enumColumn(st, 4, ReadingMark::Outlier, ReadingMark::None);
        e.decision = enumColumn(st, 5, MarkDecision::Exclude, MarkDecision::None);
        e.who = columnText(st, 6);
        e.atMs = sqlite3_column_int64(st, 7);
        e.note = columnText(st, 8);
        out.append(e);
    }
    return out;
}
