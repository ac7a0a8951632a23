// The Assets view's judging of CMLs: a CML's figures, trend and marks from the judged book,
// its design inputs, an asset's policy, the decisions on readings' marks and the asset report.
#include "assetspage/AssetsDialog.h"

#include "assetspage/AssetPolicyForm.h"
#include "assetspage/AssetReportFlow.h"
#include "assetspage/AssetSummaryPage.h"
#include "assetspage/AssetTreeModel.h"
#include "assetspage/CmlDesignForm.h"
#include "assetspage/CmlHistoryModel.h"
#include "assetspage/CmlJudgementPane.h"
#include "assetspage/CmlSummaryModel.h"
#include "assetspage/PlacesWords.h"
#include "export/ReportSettings.h"
#include "interaction/UserInteraction.h"
#include "session/JudgementBook.h"
#include "store/Places.h"

#include <QAction>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include <cmath>

void AssetsDialog::showJudgement()
{
    if (!m_judgement)
        return;
    const int at = m_book && m_historyCml > 0 ? m_book->indexOf(m_historyCml) : -1;
    const CmlJudgement *judgement = at >= 0 ? &m_book->items().at(at) : nullptr;
    QHash<qint64, CmlHistoryModel::MarkAndDecision> marks;
    if (judgement)
        for (int i = 0; i < judgement->series.readings.size(); ++i) {
            const SeriesReading &r = judgement->series.readings.at(i);
            const ReadingMark mark = i < judgement->figures.marks.size() ? judgement->figures.marks.at(i) : ReadingMark::None;
            if (mark != ReadingMark::None || r.decision != MarkDecision::None)
                marks.insert(r.key, {mark, r.decision});
        }
    m_history->setMarks(marks);
    m_judgement->setJudgement(judgement);
    const bool chosen = chosenReading() != 0;
    m_judgement->setReadingChosen(chosen);
    for (QAction *a : {m_accept, m_leaveOut, m_clearDecision})
        a->setEnabled(chosen);
    showGrid();
}

qint64 AssetsDialog::chosenCml() const
{
    return m_cmls->cmlId(m_cmlView->currentIndex().row());
}

qint64 AssetsDialog::chosenReading() const
{
    const int row = m_historyView ? m_historyView->currentIndex().row() : -1;
    return row >= 0 && row < m_history->rowCount() ? m_history->readings().at(row).key : 0;
}

QString AssetsDialog::whoDecides()
{
    QSettings settings;
    const QString inspector = loadReportFields(settings).inspector.trimmed();
    return inspector.isEmpty() ? qEnvironmentVariable("USER") : inspector;
}

void AssetsDialog::decide(MarkDecision decision)
{
    const qint64 key = chosenReading();
    if (!m_places || !m_book || !key)
        return tell(tr("Choose a reading in the history first."));
    const qint64 cml = m_historyCml;
    const int at = m_book->indexOf(cml);
    ReadingMark mark = ReadingMark::None;
    if (at >= 0) {
        const CmlJudgement &j = m_book->items().at(at);
        for (int i = 0; i < j.series.readings.size() && i < j.figures.marks.size(); ++i)
            if (j.series.readings.at(i).key == key)
                mark = j.figures.marks.at(i);
    }
    if (!m_places->decide(key, mark, decision, whoDecides()))
        return tell(PlacesWords::problem(*m_places));
    if (!m_book->refresh(cml))
        tell(PlacesWords::problem(*m_places));
    showJudgement();
    m_summaryPage->reload();
}

void AssetsDialog::editDesign()
{
    const qint64 cml = chosenCml();
    if (!m_places || !m_book || !cml)
        return tell(tr("Choose a CML first."));
    const int row = m_cmls->rowOf(cml);
    Cml stored = m_cmls->cmls().at(row).cml;
    const int at = m_book->indexOf(cml);
    const QString unit = at >= 0 ? m_book->items().at(at).requirement.unit : QString();
    CmlDesignForm form(m_places->design(cml), stored.minimum, unit, m_numbers, this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    if (!m_places->setDesign(cml, form.inputs()))
        return tell(PlacesWords::problem(*m_places));
    const double minimum = form.structuralMinimum();
    // NaN is "not given" on both sides.
    if (!(minimum == stored.minimum || (std::isnan(minimum) && std::isnan(stored.minimum)))) {
        stored.minimum = minimum;
        if (!m_places->updateCml(stored))
            return tell(PlacesWords::problem(*m_places));
        m_cmls->setCmls(m_places->cmlSummaries(stored.asset));
        selectCml(cml);
    }
    if (!m_book->refresh(cml))
        tell(PlacesWords::problem(*m_places));
    showJudgement();
    m_summaryPage->reload();
}

void AssetsDialog::editPolicy()
{
    const qint64 asset = m_assets->assetId(m_assetView->currentIndex());
    if (!m_places || !m_book || !asset)
        return tell(tr("Choose an asset first."));
    qint64 parent = 0;
    for (const Asset &a : m_assets->assets())
        if (a.id == asset)
            parent = a.parent;
    const JudgementPolicy inherited = parent ? m_places->policy(parent) : JudgementPolicy();
    AssetPolicyForm form(m_assets->path(asset), m_places->ownPolicy(asset), inherited, this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    if (!m_places->setPolicy(asset, form.policy()))
        return tell(PlacesWords::problem(*m_places));
    if (!m_book->refreshPolicy(asset))
        tell(PlacesWords::problem(*m_places));
    showJudgement();
    m_summaryPage->reload();
}

void AssetsDialog::assetReport()
{
    const qint64 asset = m_assets->assetId(m_assetView->currentIndex());
    if (!m_book || !asset)
        return tell(tr("Choose an asset first."));
    AssetReportFlow::run(m_ui, this, *m_book, m_assets->path(asset));
}

bool AssetsDialog::openCml(qint64 cml)
{
    const int at = m_book ? m_book->indexOf(cml) : -1;
    if (at < 0)
        return false;
    const qint64 asset = m_book->items().at(at).cml.asset;
    m_tabs->setCurrentIndex(AssetsTab);
    return selectAsset(asset) && selectCml(cml);
}
