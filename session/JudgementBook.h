#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/RequiredThickness.h"
#include "store/Places.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

// Every CML under an asset judged over time, kept in memory so that one change (a reading
// moved, a design input, a mark decided) updates only its CML and the order. The window's
// asset summary and trend view, the asset report and the tool's `due` and `cml show` all read
// it, so every figure they give comes from one computation.
//
// Each CML is judged in the thickness unit of its newest reading; older readings in another
// unit are converted. Its required thickness is the larger of its design's pressure thickness
// (with allowances) and its typed minimum (Cml::minimum, the structural minimum).

struct CmlJudgement
{
    Cml cml;
    QString assetPath;
    qint64 circuit = 0;           // the nearest asset of kind Circuit at or above the CML's asset; 0: none
    QString unit;                 // the series' unit ("mm", "inch"); empty when the CML has no readings
    DesignInputs design;          // formula None: none
    ThicknessRequirement requirement; // in `unit` (or mm when there are no readings)
    JudgementPolicy policy;       // the one that applies to its asset
    CmlSeries series;             // readings oldest first, thickness in `unit`
    CmlFigures figures;

    // Worst first: under the minimum, then by remaining life, those without one last.
    static bool worseThan(const CmlJudgement &a, const CmlJudgement &b);
};

struct JudgementFilter
{
    qint64 dueBeforeMs = 0; // > 0: only those due before this date (due now included)
    bool markedOnly = false; // only those with a reading whose mark is undecided
};

class JudgementBook
{
public:
    explicit JudgementBook(Places &places);

    // Reads and judges every CML under `asset` (0: all; with every asset below). False when
    // the store failed (places.problem() says why).
    bool load(qint64 asset);
    // Judges again from what is loaded (no store access): a policy rule or unit changed in code.
    void recomputeAll();
    // Reads one CML again (its readings, design, decisions and policy) and judges it; keeps the
    // order. A CML now outside the loaded asset, or deleted, leaves the book. False on failure.
    bool refresh(qint64 cml);
    // The asset's policy changed: its CMLs (and those below) judged again.
    bool refreshPolicy(qint64 asset);

    // One CML judged on its own, outside any book, from its rows (Places::thicknessRowsOf), those
    // whose key is in `leaveOut` left out; its design and policy are read. No asset path or
    // circuit. False when the store failed.
    static bool judgeAlone(Places &places, const Cml &cml, const QVector<ThicknessRow> &rows,
                           const QSet<qint64> &leaveOut, CmlJudgement *out);

    qint64 asset() const { return m_asset; }
    // The places it reads (e.g. for the paths of its circuits).
    Places &places() const { return m_places; }
    // Worst first (see CmlJudgement::worseThan).
    const QVector<CmlJudgement> &items() const { return m_items; }
    // Index into items(); -1 when the CML is not in the book.
    int indexOf(qint64 cml) const;
    // Indexes into items() of those the filter lets through, in items() order.
    QVector<int> filtered(const JudgementFilter &filter) const;

private:
    static void judge(CmlJudgement &item);
    void reorder();

    Places &m_places;
    qint64 m_asset = 0;
    QVector<CmlJudgement> m_items;
    QHash<qint64, int> m_index; // CML -> index into m_items
};
