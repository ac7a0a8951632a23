#pragma once

#include "analysis/CmlJudgement.h"
#include "assetspage/PlaceNumbers.h"

#include <QDialog>

#include <memory>

class QAction;
class AssetSummaryModel;
class AssetSummaryPage;
class AssetTreeModel;
class CmlJudgementPane;
class GridPane;
class JudgementBook;
class CmlHistoryModel;
class CmlSummaryModel;
class Places;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeView;
class SurveyListModel;
class SurveyStore;
class UserInteraction;

// The places of the survey file: the asset tree on the left, the chosen asset's CMLs on the
// right with their newest readings, the chosen CML's history below them with its figures and
// trend beside it; new assets and CMLs, a CML's design inputs, an asset's judging policy and
// the decisions on readings' marks; the chosen asset's CMLs judged worst first on a Summary
// tab; and the surveys with their facts on a tab of their own. The readings read are those of
// the chosen asset and below (judged in one book): a large file's other assets cost nothing.
class AssetsDialog : public QDialog
{
    Q_OBJECT
public:
    // The store (may be null: the dialog only says there is none) and `ui` must outlive the
    // dialog; `unitTable` gives the numbers their decimals. Opens on `asset` (0, or one not
    // in the file: the first).
    AssetsDialog(SurveyStore *store, const QList<QVariantList> &unitTable, UserInteraction &ui,
                 QWidget *parent = nullptr, qint64 asset = 0);
    ~AssetsDialog() override;

    AssetTreeModel *assetModel() const { return m_assets; }
    CmlSummaryModel *cmlModel() const { return m_cmls; }
    CmlHistoryModel *historyModel() const { return m_history; }
    SurveyListModel *surveyModel() const { return m_surveys; }
    QTreeView *assetView() const { return m_assetView; }
    QTableView *cmlView() const { return m_cmlView; }
    QTableView *historyView() const { return m_historyView; }
    QTableView *surveyView() const { return m_surveyView; }
    QTabWidget *tabs() const { return m_tabs; }
    AssetSummaryModel *summaryModel() const { return m_summary; }
    AssetSummaryPage *summaryPage() const { return m_summaryPage; }
    CmlJudgementPane *judgementPane() const { return m_judgement; }
    // The chosen grid CML's map and figures, on a tab beside the trend.
    GridPane *gridPane() const { return m_gridPane; }
    QTabWidget *cmlTabs() const { return m_cmlTabs; }
    // The chosen asset's CMLs judged (null without a file).
    const JudgementBook *book() const { return m_book.get(); }
    enum Tab { AssetsTab = 0, SummaryTab = 1, SurveysTab = 2 };

    // Shows an asset's CMLs / a CML's history, as a click would; false if not offered.
    bool selectAsset(qint64 asset);
    bool selectCml(qint64 cml);
    // Reads the tree, the chosen asset's CMLs and the surveys again.
    void refresh();

    // The flows behind the buttons, each through the dialog seam.
    void addAsset();
    void addCml();
    void editSurvey();
    // The chosen CML's design inputs and structural minimum.
    void editDesign();
    // The chosen asset's governing rate and interval.
    void editPolicy();
    // The decision on the chosen reading's mark, logged with who decided.
    void decide(MarkDecision decision);
    void assetReport();
    // Opens a CML of the summary on the first tab.
    bool openCml(qint64 cml);
    // Makes the chosen CML a grid (or changes its grid) through the grid form.
    void makeGrid();

signals:
    // The gauge should fill this grid CML. The dialog closes first: it is modal, and the
    // filling goes on while readings arrive, so its window belongs to the main window.
    void gridFillRequested(qint64 cml);

protected:
    void changeEvent(QEvent *event) override;

private:
    void setupUi();
    void retranslateUi();
    void showAsset();
    void showHistory();
    void loadSurveys();
    // The chosen CML's figures, trend and marks from the book; the summary read again.
    void showJudgement();
    // The chosen CML's grid tab, shown only for a grid.
    void showGrid();
    qint64 chosenCml() const;
    qint64 chosenReading() const;
    // The inspector of the report fields, else the login name.
    static QString whoDecides();
    void tell(const QString &text);

    UserInteraction &m_ui;
    std::unique_ptr<Places> m_places;
    std::unique_ptr<JudgementBook> m_book;
    PlaceNumbers m_numbers;
    AssetTreeModel *m_assets;
    CmlSummaryModel *m_cmls;
    CmlHistoryModel *m_history;
    SurveyListModel *m_surveys = nullptr;
    AssetSummaryModel *m_summary = nullptr;
    AssetSummaryPage *m_summaryPage = nullptr;
    CmlJudgementPane *m_judgement = nullptr;
    GridPane *m_gridPane = nullptr;
    QTabWidget *m_cmlTabs = nullptr;
    qint64 m_gridCml = -1; // whose grid the grid tab shows
    QTabWidget *m_tabs = nullptr;
    QTreeView *m_assetView = nullptr;
    QTableView *m_cmlView = nullptr;
    QTableView *m_historyView = nullptr;
    QTableView *m_surveyView = nullptr;
    QLabel *m_noFile = nullptr;
    QLabel *m_historyTitle = nullptr;
    QPushButton *m_addAsset = nullptr;
    QPushButton *m_addCml = nullptr;
    QPushButton *m_policy = nullptr;
    QAction *m_accept = nullptr;
    QAction *m_leaveOut = nullptr;
    QAction *m_clearDecision = nullptr;
    QPushButton *m_editSurvey = nullptr;
    QPushButton *m_close = nullptr;
    qint64 m_historyCml = -1; // whose readings the history holds
    bool m_surveysStale = true; // the surveys tab is read again when shown
};
