#include "session/JudgementBook.h"

#include "analysis/Limits.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// The series of one CML from its rows (oldest first), in the unit of the newest.
void fillSeries(CmlJudgement &item, const ThicknessRow *first, const ThicknessRow *end)
{
    item.series.readings.clear();
    item.unit = first == end ? QString() : (end - 1)->unit;
    item.series.readings.reserve(int(end - first));
    for (const ThicknessRow *row = first; row != end; ++row) {
        SeriesReading r;
        r.key = row->key;
        r.dateMs = row->dateMs;
        r.thickness = thicknessIn(row->thickness, row->unit, item.unit);
        r.decision = row->decision;
        item.series.readings.append(r);
    }
}

// Where an asset sits: its path and the nearest circuit at or above it.
struct AssetPlace
{
    QString path;
    qint64 circuit = 0;
    qint64 parent = 0;
};

QHash<qint64, AssetPlace> assetPlaces(const QVector<Asset> &assets)
{
    // Parents come before their children.
    QHash<qint64, AssetPlace> places;
    for (const Asset &a : assets) {
        const AssetPlace up = places.value(a.parent);
        AssetPlace p;
        p.parent = a.parent;
        p.path = a.parent && !up.path.isEmpty() ? up.path + QLatin1Char('/') + a.tag : a.tag;
        p.circuit = a.kind == AssetKind::Circuit ? a.id : up.circuit;
        places.insert(a.id, p);
    }
    return places;
}

bool within(const QHash<qint64, AssetPlace> &places, qint64 asset, qint64 top)
{
    if (!top)
        return true;
    QSet<qint64> seen;
    for (qint64 a = asset; a && !seen.contains(a); a = places.value(a).parent) {
        if (a == top)
            return true;
        seen.insert(a);
    }
    return false;
}

} // namespace

bool CmlJudgement::worseThan(const CmlJudgement &a, const CmlJudgement &b)
{
    const CmlFigures &fa = a.figures;
    const CmlFigures &fb = b.figures;
    if (fa.underMinimum != fb.underMinimum)
        return fa.underMinimum;
    const bool knownA = !std::isnan(fa.remainingYears);
    const bool knownB = !std::isnan(fb.remainingYears);
    if (knownA != knownB)
        return knownA;
    if (knownA && fa.remainingYears != fb.remainingYears)
        return fa.remainingYears < fb.remainingYears;
    // Equal lives (all under the minimum, all never thinning): the earlier due first, then by place.
    if (fa.nextMs != fb.nextMs)
        return (fa.nextMs != 0) != (fb.nextMs != 0) ? fa.nextMs != 0 : fa.nextMs < fb.nextMs;
    if (const int byPath = a.assetPath.compare(b.assetPath, Qt::CaseInsensitive))
        return byPath < 0;
    if (const int byTag = a.cml.tag.compare(b.cml.tag, Qt::CaseInsensitive))
        return byTag < 0;
    return a.cml.id < b.cml.id;
}

JudgementBook::JudgementBook(Places &places)
    : m_places(places)
{
}

void JudgementBook::judge(CmlJudgement &item)
{
    item.requirement = requiredThickness(item.design, item.cml.minimum, item.unit.isEmpty() ? QStringLiteral("mm") : item.unit);
    item.series.required = item.requirement.required;
    item.figures = judgeCml(item.series, item.policy);
}

bool JudgementBook::judgeAlone(Places &places, const Cml &cml, const QVector<ThicknessRow> &rows,
                               const QSet<qint64> &leaveOut, CmlJudgement *out)
{
    CmlJudgement item;
    item.cml = cml;
    item.design = places.design(cml.id);
    item.policy = places.policy(cml.asset);
    if (places.problem() != Places::Problem::None)
        return false;
    QVector<ThicknessRow> kept;
    kept.reserve(rows.size());
    for (const ThicknessRow &row : rows)
        if (!leaveOut.contains(row.key))
            kept.append(row);
    fillSeries(item, kept.constData(), kept.constData() + kept.size());
    judge(item);
    *out = std::move(item);
    return true;
}

void JudgementBook::reorder()
{
    std::sort(m_items.begin(), m_items.end(), &CmlJudgement::worseThan);
    m_index.clear();
    m_index.reserve(m_items.size());
    for (int i = 0; i < m_items.size(); ++i)
        m_index.insert(m_items[i].cml.id, i);
}

bool JudgementBook::load(qint64 asset)
{
    m_asset = asset;
    m_items.clear();
    m_index.clear();
    const QVector<Cml> cmls = m_places.cmls(asset, true);
    if (m_places.problem() != Places::Problem::None)
        return false;
    const QHash<qint64, AssetPlace> places = assetPlaces(m_places.assets());
    const QHash<qint64, DesignInputs> designs = m_places.designs();
    const QHash<qint64, JudgementPolicy> policies = m_places.policies();
    const QVector<ThicknessRow> rows = m_places.thicknessRows(asset);
    if (m_places.problem() != Places::Problem::None)
        return false;

    // The rows come by CML: each CML's run found once.
    QHash<qint64, QPair<int, int>> runs;
    for (int i = 0; i < rows.size();) {
        int j = i + 1;
        while (j < rows.size() && rows[j].cml == rows[i].cml)
            ++j;
        runs.insert(rows[i].cml, {i, j});
        i = j;
    }
    m_items.resize(cmls.size());
    for (int i = 0; i < cmls.size(); ++i) {
        CmlJudgement &item = m_items[i];
        item.cml = cmls[i];
        const AssetPlace place = places.value(item.cml.asset);
        item.assetPath = place.path;
        item.circuit = place.circuit;
        item.design = designs.value(item.cml.id);
        item.policy = policies.value(item.cml.asset);
        const QPair<int, int> run = runs.value(item.cml.id, {0, 0});
        fillSeries(item, rows.constData() + run.first, rows.constData() + run.second);
        judge(item);
    }
    reorder();
    return true;
}

void JudgementBook::recomputeAll()
{
    for (CmlJudgement &item : m_items)
        judge(item);
    reorder();
}

bool JudgementBook::refresh(qint64 cml)
{
    const int at = indexOf(cml);
    const Cml fresh = m_places.cml(cml);
    if (m_places.problem() != Places::Problem::None && m_places.problem() != Places::Problem::NotFound)
        return false;

    CmlJudgement item;
    bool keep = fresh.id != 0;
    if (keep) {
        item.cml = fresh;
        if (at >= 0 && m_items[at].cml.asset == fresh.asset) {
            item.assetPath = m_items[at].assetPath;
            item.circuit = m_items[at].circuit;
        } else {
            // Moved to another asset (or new to the book): where it sits now, and whether
            // that is still under the loaded asset.
            const QHash<qint64, AssetPlace> places = assetPlaces(m_places.assets());
            keep = within(places, fresh.asset, m_asset);
            item.assetPath = places.value(fresh.asset).path;
            item.circuit = places.value(fresh.asset).circuit;
        }
    }
    if (keep) {
        item.design = m_places.design(cml);
        item.policy = m_places.policy(fresh.asset);
        const QVector<ThicknessRow> rows = m_places.thicknessRowsOf(cml);
        if (m_places.problem() != Places::Problem::None)
            return false;
        fillSeries(item, rows.constData(), rows.constData() + rows.size());
        judge(item);
    }

    if (at < 0 && !keep)
        return true;
    // Out of its old place, into its new one; only the indexes between the two move.
    if (at >= 0) {
        m_items.removeAt(at);
        m_index.remove(cml);
    }
    int low = at;
    int high = int(m_items.size()) - 1;
    if (keep) {
        const auto place = std::upper_bound(m_items.begin(), m_items.end(), item, &CmlJudgement::worseThan);
        const int to = int(place - m_items.begin());
        m_items.insert(to, std::move(item));
        if (at >= 0) {
            low = std::min(at, to);
            high = std::max(at, to);
        } else {
            low = to;
            high = int(m_items.size()) - 1;
        }
    }
    for (int i = std::max(low, 0); i <= high; ++i)
        m_index.insert(m_items[i].cml.id, i);
    return true;
}

bool JudgementBook::refreshPolicy(qint64 asset)
{
    const QHash<qint64, JudgementPolicy> policies = m_places.policies();
    if (m_places.problem() != Places::Problem::None)
        return false;
    const QHash<qint64, AssetPlace> places = assetPlaces(m_places.assets());
    for (CmlJudgement &item : m_items) {
        if (!within(places, item.cml.asset, asset))
            continue;
        item.policy = policies.value(item.cml.asset);
        judge(item);
    }
    reorder();
    return true;
}

int JudgementBook::indexOf(qint64 cml) const
{
    return m_index.value(cml, -1);
}

QVector<int> JudgementBook::filtered(const JudgementFilter &filter) const
{
    QVector<int> out;
    for (int i = 0; i < m_items.size(); ++i) {
        const CmlFigures &f = m_items[i].figures;
        if (filter.dueBeforeMs > 0 && !f.dueNow && !(f.nextMs > 0 && f.nextMs < filter.dueBeforeMs))
            continue;
        if (filter.markedOnly && f.markedReadings() == 0)
            continue;
        out.append(i);
    }
    return out;
}
