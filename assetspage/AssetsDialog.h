#pragma once

#include "assetspage/PlaceNumbers.h"

#include <QDialog>

#include <memory>

class AssetTreeModel;
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
// right with their newest readings, the chosen CML's history below them; new assets and CMLs;
// and the surveys with their facts on a tab of their own. Every figure comes from Places one
// asset or one CML at a time: no reading is loaded that is not shown.
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

    // Shows an asset's CMLs / a CML's history, as a click would; false if not offered.
    bool selectAsset(qint64 asset);
    bool selectCml(qint64 cml);
    // Reads the tree, the chosen asset's CMLs and the surveys again.
    void refresh();

    // The flows behind the buttons, each through the dialog seam.
    void addAsset();
    void addCml();
    void editSurvey();

protected:
    void changeEvent(QEvent *event) override;

private:
    void setupUi();
    void retranslateUi();
    void showAsset();
    void showHistory();
    void loadSurveys();
    void tell(const QString &text);

    UserInteraction &m_ui;
    std::unique_ptr<Places> m_places;
    PlaceNumbers m_numbers;
    AssetTreeModel *m_assets;
    CmlSummaryModel *m_cmls;
    CmlHistoryModel *m_history;
    SurveyListModel *m_surveys = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTreeView *m_assetView = nullptr;
    QTableView *m_cmlView = nullptr;
    QTableView *m_historyView = nullptr;
    QTableView *m_surveyView = nullptr;
    QLabel *m_noFile = nullptr;
    QLabel *m_historyTitle = nullptr;
    QPushButton *m_addAsset = nullptr;
    QPushButton *m_addCml = nullptr;
    QPushButton *m_editSurvey = nullptr;
    QPushButton *m_close = nullptr;
    qint64 m_historyCml = -1; // whose readings the history holds
    bool m_surveysStale = true; // the surveys tab is read again when shown
};
