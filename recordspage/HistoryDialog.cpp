#include "recordspage/HistoryDialog.h"

#include "interaction/UserInteraction.h"
#include "recordspage/ComparisonDialog.h"
#include "session/GaugeSession.h"
#include "session/StoredRows.h"
#include "session/StoreWords.h"
#include "store/OffThread.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

HistoryDialog::HistoryDialog(GaugeSession &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(tr("Saved readings"));
    resize(900, 600);

    auto *layout = new QVBoxLayout(this);
    filter = new QLineEdit(this);
    filter->setObjectName(QStringLiteral("lineEdit_historyFilter"));
    filter->setPlaceholderText(tr("Filter: date, serial, meter type"));
    filter->setClearButtonEnabled(true);
    layout->addWidget(filter);

    sessions = new QTableWidget(0, 5, this);
    sessions->setObjectName(QStringLiteral("tableWidget_history"));
    sessions->setHorizontalHeaderLabels({tr("Date"), tr("Gauge"),
                                         tr("Meter type"), tr("Rows"),
                                         tr("Exported")});
    sessions->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several sessions (Ctrl or Shift) are for Compare; Open and Delete take one.
    sessions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sessions->verticalHeader()->hide();
    sessions->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(sessions, 2);

    note = new QLabel(this);
    note->hide();
    layout->addWidget(note);
    previewView = new QTableView(this);
    previewView->setObjectName(QStringLiteral("tableView_historyPreview"));
    previewView->setModel(&m_preview);
    previewView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewView->hide();
    layout->addWidget(previewView, 3);

    auto *buttons = new QHBoxLayout;
    openButton = new QPushButton(tr("Open"), this);
    deleteButton = new QPushButton(tr("Delete"), this);
    compareButton = new QPushButton(tr("Compare"), this);
    compareButton->setObjectName(QStringLiteral("pushButton_historyCompare"));
    compareButton->setToolTip(tr("Select two or more sessions (Ctrl+click) to compare their thicknesses."));
    closeButton = new QPushButton(tr("Close"), this);
    buttons->addStretch();
    buttons->addWidget(openButton);
    buttons->addWidget(deleteButton);
    buttons->addWidget(compareButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    connect(filter, &QLineEdit::textChanged, this, &HistoryDialog::applyFilter);
    connect(openButton, &QPushButton::clicked, this, [this] {
        // Shown in the records table: the dialog has done its work.
        if (openSelected() && !m_session.isLinkOpen())
            accept();
    });
    connect(sessions, &QTableWidget::cellDoubleClicked, openButton, &QPushButton::click);
    connect(deleteButton, &QPushButton::clicked, this, &HistoryDialog::deleteSelected);
    connect(compareButton, &QPushButton::clicked, this, &HistoryDialog::compareSelected);
    connect(sessions->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryDialog::updateButtons);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    reload();
}

void HistoryDialog::tell(const QString &message)
{
    m_session.interaction().information(this, tr("Tip"), message);
}

void HistoryDialog::reload()
{
    SurveyStore *store = m_session.store();
    m_list = store ? store->history() : QVector<SurveySummary>();
    sessions->setRowCount(int(m_list.size()));
    for (int r = 0; r < m_list.size(); ++r) {
        const SurveySummary &s = m_list[r];
        const QStringList cells{
            QDateTime::fromMSecsSinceEpoch(s.startedMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            s.info.serial,
            s.info.layout == 1   ? tr("single layer")
            : s.info.layout == 2 ? tr("multi layer")
                                 : QString::number(s.info.meterType),
            QString::number(s.rows),
            exportedRowsText(s)};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, s.id);
            item->setTextAlignment(Qt::AlignCenter);
            sessions->setItem(r, c, item);
        }
    }
    applyFilter();
    updateButtons();
}

void HistoryDialog::hidePreview()
{
    m_previewId = 0;
    m_preview.clear();
    note->hide();
    previewView->hide();
}

void HistoryDialog::updateButtons()
{
    // Rows under another session's name would pass for the selected one's (a deletion, say).
    if (m_previewId && selectedId() != m_previewId)
        hidePreview();
    const int selected = int(selectedSessions().size());
    openButton->setEnabled(selected == 1);
    deleteButton->setEnabled(selected == 1);
    compareButton->setEnabled(selected >= 2);
}

void HistoryDialog::applyFilter()
{
    const QString wanted = filter->text().trimmed();
    for (int r = 0; r < sessions->rowCount(); ++r) {
        bool match = wanted.isEmpty();
        for (int c = 0; !match && c < sessions->columnCount(); ++c)
            match = sessions->item(r, c)->text().contains(wanted, Qt::CaseInsensitive);
        sessions->setRowHidden(r, !match);
    }
}

QVector<qint64> HistoryDialog::visibleSessions() const
{
    QVector<qint64> out;
    for (int r = 0; r < sessions->rowCount(); ++r)
        if (!sessions->isRowHidden(r))
            out << sessions->item(r, 0)->data(Qt::UserRole).toLongLong();
    return out;
}

void HistoryDialog::selectSession(qint64 id)
{
    for (int r = 0; r < sessions->rowCount(); ++r)
        if (sessions->item(r, 0)->data(Qt::UserRole).toLongLong() == id)
            sessions->selectRow(r);
}

void HistoryDialog::selectSessions(const QVector<qint64> &ids)
{
    QItemSelection selection;
    for (int r = 0; r < sessions->rowCount(); ++r)
        if (ids.contains(sessions->item(r, 0)->data(Qt::UserRole).toLongLong()))
            selection.select(sessions->model()->index(r, 0), sessions->model()->index(r, sessions->columnCount() - 1));
    sessions->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QVector<qint64> HistoryDialog::selectedSessions() const
{
    QVector<qint64> out;
    for (int r = 0; r < sessions->rowCount(); ++r)
        if (!sessions->isRowHidden(r) && sessions->selectionModel()->isRowSelected(r, QModelIndex()))
            out << sessions->item(r, 0)->data(Qt::UserRole).toLongLong();
    return out;
}

qint64 HistoryDialog::selectedId() const
{
    // Open and Delete act on one session, never on the first of several.
    const QVector<qint64> selected = selectedSessions();
    return selected.size() == 1 ? selected.first() : 0;
}

ComparisonDialog *HistoryDialog::comparison() const
{
    return m_comparison.data();
}

ComparisonDialog *HistoryDialog::compareSelected()
{
    const QVector<qint64> ids = selectedSessions();
    if (ids.size() < 2) {
        tell(tr("Select two or more sessions to compare (hold Ctrl to select more than one)."));
        return nullptr;
    }
    QVector<SurveySummary> chosen;
    QStringList gauges;
    for (const SurveySummary &s : std::as_const(m_list))
        if (ids.contains(s.id)) {
            chosen << s;
            if (!gauges.contains(s.info.serial))
                gauges << s.info.serial;
        }
    // Two gauges read the same wall differently: a difference between them would read as wear.
    if (gauges.size() > 1) {
        //: Between the serial numbers of a list of gauges.
        const QString separator = tr(", ");
        if (!m_session.interaction().question(this, tr("Tip"),
                                              tr("The selected surveys come from different gauges (%1). A difference "
                                                 "between gauges reads as wear. Compare them anyway?")
                                                  .arg(gauges.join(separator))))
            return nullptr;
    }
    if (m_comparison)
        m_comparison->close();
    auto *window = new ComparisonDialog(m_session, chosen, m_limits, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->error().isEmpty()) {
        // Nothing to show but the reason.
        tell(window->error());
        delete window;
        return nullptr;
    }
    m_comparison = window;
    window->open();
    return window;
}

bool HistoryDialog::openSelected()
{
    const qint64 id = selectedId();
    SurveyStore *store = m_session.store();
    if (!id || !store)
        return false;
    StoredTable stored;
    if (!store->loadSession(id, stored) || stored.records.isEmpty()) {
        tell(tr("The readings of this session could not be read from the survey file."));
        return false;
    }
    if (m_session.isLinkOpen()) {
        // The gauge's table stays as it is; the session is shown here only.
        const bool shown = fillModelFromStored(m_preview, stored) > 0;
        m_previewId = shown ? id : 0;
        note->setText(tr("Shown read-only while a gauge is connected; disconnect it to open the readings in the "
                         "table and export them."));
        note->show();
        previewView->show();
        return shown;
    }
    const bool shown = m_session.showStored(stored);
    reload();
    return shown;
}

bool HistoryDialog::deleteSelected()
{
    const qint64 id = selectedId();
    SurveyStore *store = m_session.store();
    if (!id || !store)
        return false;
    if (!m_session.interaction().question(this, tr("Tip"), tr("Delete these readings from the history for good?")))
        return false;
    // A session of a million rows takes a second to delete; the window keeps painting.
    bool deleted = false;
    runOffThread([&] { deleted = store->deleteSession(id); });
    if (!deleted) {
        tell(tr("These readings are in the table now, or the survey file cannot be written: they were not "
                "deleted."));
        return false;
    }
    reload();
    return true;
}
