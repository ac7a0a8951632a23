#pragma once

#include "analysis/SurveyComparison.h"
#include "store/SurveyStore.h"

#include <QDialog>
#include <QVector>

#include <memory>

class ExportFlow;
class GaugeSession;
class LimitsStore;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct ReportFields;
struct WorkbookTable;
class UserInteraction;
class WorkbookWriter;

// Past sessions compared location by location: each survey's thickness under its date, wall
// loss, corrosion rates, remaining life and the next inspection date. The minimum thickness,
// the interval and (multi-layer) the layer are inputs; any change compares again. Locations
// under the minimum, or with less than the interval of life left, are painted in the records
// table's band colours. Export writes the same table as .xlsx or .csv; Report as a PDF.
class ComparisonDialog : public QDialog
{
    Q_OBJECT
public:
    // `surveys`: the sessions as the history lists them. The session (its store and dialogs)
    // and `limits` (may be null: no default minimum) must outlive the dialog.
    ComparisonDialog(GaugeSession &session, const QVector<SurveySummary> &surveys, LimitsStore *limits,
                     QWidget *parent = nullptr);
    ~ComparisonDialog() override;

    // Why the sessions cannot be compared (empty when they can); set after every change.
    const QString &error() const { return m_error; }
    const SurveyComparison &comparison() const { return m_comparison; }
    // The table as it is shown, exported and put in the report.
    WorkbookTable table() const;

    // Asks for a file and writes the table as .xlsx or .csv; true when it was written.
    bool exportTable();
    // Asks for the report's file and writes the comparison as a PDF report with these
    // fields; true when it was written. A closed file dialog is no error.
    bool writeReport(const ReportFields &fields, const QString &logoPath);

    QLabel *summary = nullptr;
    QLabel *locationNote = nullptr;
    QLineEdit *minimum = nullptr;
    QLabel *minimumUnit = nullptr;
    QDoubleSpinBox *interval = nullptr;
    QLabel *layerLabel = nullptr;
    QComboBox *layer = nullptr;
    QTableWidget *rows = nullptr;
    QLabel *legend = nullptr;
    QLabel *notes = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *reportButton = nullptr;
    QPushButton *closeButton = nullptr;

private:
    // Reads the surveys of the chosen layer from the store, then compare().
    void reload();
    // Compares the loaded surveys with the inputs and shows the result.
    void compare();
    void showRows();
    // The report's fields (remembered, as the records page's report), then writeReport().
    void onReportClicked();
    // What the table alone does not say: the inputs, the layer, where locations come from.
    QStringList reportNotes() const;
    // Wide enough for every column, as far as the screen allows.
    void fitToTable();
    std::optional<double> defaultMinimum() const;
    std::optional<double> enteredMinimum() const;

    GaugeSession &m_session;
    QVector<SurveySummary> m_summaries;
    LimitsStore *m_limits;
    QString m_defaultMinimumText; // the minimum field as the limits filled it (empty at first)
    bool m_multiLayer = false;
    QString m_minimumUnit; // the unit the minimum is entered in: the newest survey's
    int m_noteWidth = 340; // the widest the note column gets before its text wraps
    QVector<ComparedSurvey> m_surveys;
    QString m_loadError;
    QString m_error; // in the language in use
    SurveyComparison m_comparison;
    // The export, made on first use; it remembers the file type chosen last.
    std::unique_ptr<UserInteraction> m_exportUi;
    std::unique_ptr<WorkbookWriter> m_noXls;
    std::unique_ptr<ExportFlow> m_export;
};
