#pragma once

#include "records/RecordsModel.h"
#include "store/SurveyStore.h"

#include <QDialog>
#include <QPointer>
#include <QVector>

class ComparisonDialog;
class GaugeSession;
class LimitsStore;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

// Past sessions of the survey store: date, gauge serial, meter type, rows, exported or not,
// with a filter. Open puts a session's rows in the records table when no gauge is connected
// (from where it can be exported like any table); with a gauge connected they are shown
// here, read-only, so the gauge's table is left alone. Delete asks first. Compare opens two or
// more selected sessions side by side in a comparison window.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // The session (and its store) must outlive the dialog.
    explicit HistoryDialog(GaugeSession &session, QWidget *parent = nullptr);

    // Lists the sessions again from the store.
    void reload();
    // The sessions listed and not hidden by the filter, top to bottom.
    QVector<qint64> visibleSessions() const;
    void selectSession(qint64 id);
    // Selects these sessions (and only these).
    void selectSessions(const QVector<qint64> &ids);
    // The selected sessions, top to bottom.
    QVector<qint64> selectedSessions() const;
    // Where the gauges' limits are kept (not owned; may be null): the comparison's default
    // minimum thickness comes from there.
    void setLimitsStore(LimitsStore *store) { m_limits = store; }
    // Opens the comparison window over the selected sessions; null (after telling why) when
    // they cannot be compared.
    ComparisonDialog *compareSelected();
    // The comparison window while it is open.
    ComparisonDialog *comparison() const;
    // Opens the selected session; true when its rows were shown (table or preview).
    bool openSelected();
    // Deletes the selected session after a confirmation; true when it was deleted.
    bool deleteSelected();
    // The read-only view of a session opened while a gauge is connected; shown only while
    // that session is the one selected.
    const RecordsModel &preview() const { return m_preview; }
    // The session the preview shows (0: none).
    qint64 previewedSession() const { return m_previewId; }

    QLineEdit *filter = nullptr;
    QTableWidget *sessions = nullptr;
    QTableView *previewView = nullptr;
    QLabel *note = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *compareButton = nullptr;
    QPushButton *closeButton = nullptr;

private:
    void applyFilter();
    void updateButtons();
    void hidePreview();
    qint64 selectedId() const;
    void tell(const QString &message);

    GaugeSession &m_session;
    QVector<SurveySummary> m_list;
    RecordsModel m_preview;
    qint64 m_previewId = 0;
    LimitsStore *m_limits = nullptr;
    QPointer<ComparisonDialog> m_comparison;
};
