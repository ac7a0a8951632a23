#pragma once

#include <QList>
#include <QWidget>

#include <memory>
#include <vector>

class BandDelegate;
class ChartsPanel;
class GaugeSession;
class LimitsEditor;
class LimitsStore;
class QAction;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class RecordsTable;
struct WorkbookTable;
class ReadingsAnalysis;
class SettingsLimitsStore;
class SurveyLimitsStore;
class StatisticsPanel;
class TableReport;

// The records page: device information, layer selector, the action buttons (and History), the
// records table, the limits, statistics and charts panels, and under them a status line with
// Assets…, Walk…, Team… and the Assign menu (also the table's context menu). A view over the gauge
// session and its records model: its buttons hand the work to the session, the places'
// requests go out as signals; it follows the language.
class FirstPage : public QWidget
{
    Q_OBJECT
public:
    // The session (and its model) must outlive the page.
    explicit FirstPage(GaugeSession &session, QWidget *parent = nullptr);
    ~FirstPage() override;

    RecordsTable *recordsTable() const { return records; }
    // Statistics, limits and chart data of the table; it owns the current limits.
    ReadingsAnalysis &analysis() const { return *m_analysis; }
    StatisticsPanel *statisticsPanel() const { return m_statistics; }
    LimitsEditor *limitsEditor() const { return m_limitsEditor; }
    ChartsPanel *chartsPanel() const { return m_charts; }
    QPushButton *chartsToggle() const { return m_chartsToggle; }
    // Where limits are kept per gauge (not owned); by default the survey file when the
    // session has one, else an INI file in the user's configuration folder.
    void setLimitsStore(LimitsStore *store);

    // The survey the table's rows belong to (of the newest row; without rows, the file's
    // current session; 0 without a file).
    qint64 tableSurvey() const;
    // A line under the table saying what the last assignment did.
    void showStatus(const QString &text);

    // What the Report button writes.
    TableReport &report() const { return *m_report; }

    // Form widgets, named as their object names.
    QGridLayout *gridLayout_firstPage = nullptr;
    QWidget *widget_buttons = nullptr;
    QHBoxLayout *horizontalLayout_buttons = nullptr;
    QGroupBox *groupBox_deviceInformation = nullptr;
    QGridLayout *gridLayout_deviceInformation = nullptr;
    QLabel *label_serialNo = nullptr;
    QLineEdit *lineEdit_serialNo = nullptr;
    QLabel *label_firmwareVersion = nullptr;
    QLineEdit *lineEdit_firmwareVersion = nullptr;
    QLabel *label_layerDisplay = nullptr;
    QComboBox *comboBox_layerDisplay = nullptr;
    QPushButton *pushButton_readRecords = nullptr;
    QPushButton *pushButton_clearData = nullptr;
    QPushButton *pushButton_exportExcel = nullptr;
    QPushButton *pushButton_undo = nullptr;
    QPushButton *pushButton_report = nullptr;
    QPushButton *pushButton_history = nullptr;
    QPushButton *pushButton_assets = nullptr;
    QPushButton *pushButton_walk = nullptr;
    QPushButton *pushButton_team = nullptr;
    QPushButton *pushButton_assign = nullptr; // its menu holds the assign actions
    QAction *action_assignTo = nullptr;
    QAction *action_assignByName = nullptr;
    QAction *action_assignByRoute = nullptr;
    QAction *action_undoAssignment = nullptr;
    QLabel *label_status = nullptr;
    QTableView *tableWidget_data = nullptr;

signals:
    // The places: whoever shows them listens (the page knows no CML).
    void assetsRequested();
    // Walking a route with the gauge.
    void walkRequested();
    // The team server's dialog: publish, sync, conflicts, live.
    void teamRequested();
    void assignToRequested(const std::vector<qint64> &keys);
    void assignByNameRequested(qint64 survey);
    void assignByRouteRequested(qint64 survey);
    void undoAssignmentRequested(qint64 survey);

private slots:
    void on_comboBox_layerDisplay_currentIndexChanged(int index);
    void on_pushButton_history_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void setupUi();
    void retranslateUi();
    // Re-renders the page in the current language; the layer selector as the layout wants it.
    void languageChange();
    void clearDeviceInfo();
    void showLayerSelector(int layout);
    void updateUndoButton();
    // The limits, statistics and charts panels over the table's analysis, and the report.
    void setupAnalysis();
    // The Assets button, the Assign menu (also the table's context menu) and the status line.
    void setupPlaces();
    // Band colours on the thickness columns of the current layout.
    void syncBandColumns();

    GaugeSession &m_session;
    RecordsTable *records = nullptr;
    std::unique_ptr<SettingsLimitsStore> m_defaultLimitsStore;
    std::unique_ptr<SurveyLimitsStore> m_surveyLimitsStore;
    ReadingsAnalysis *m_analysis = nullptr;
    StatisticsPanel *m_statistics = nullptr;
    LimitsEditor *m_limitsEditor = nullptr;
    ChartsPanel *m_charts = nullptr;
    QPushButton *m_chartsToggle = nullptr;
    BandDelegate *m_bandDelegate = nullptr;
    QList<int> m_bandColumns;
    std::unique_ptr<TableReport> m_report;
};
