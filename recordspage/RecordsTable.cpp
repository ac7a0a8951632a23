#include "recordspage/RecordsTable.h"

#include "records/RecordEdits.h"
#include "records/RecordsModel.h"
#include "recordspage/DeleteButtonDelegate.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QVBoxLayout>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

RecordsTable::RecordsTable(QTableView *view, RecordsModel *model, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_model(model)
    , m_delegate(new DeleteButtonDelegate(view))
    , m_hint(new QToolButton(view))
    , m_placeholder(new QLabel(view->viewport()))
{
    m_placeholder->setObjectName(QStringLiteral("emptyTablePlaceholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Light on the skin's dark table background.
    m_placeholder->setStyleSheet(QStringLiteral("color:#E6E6E6;"));
    auto *centre = new QVBoxLayout(view->viewport());
    centre->addWidget(m_placeholder);
    m_hint->setObjectName(QStringLiteral("newReadingsHint"));
    m_hint->hide();
    connect(m_hint, &QToolButton::clicked, this, &RecordsTable::jumpToNewest);
    m_view->installEventFilter(this);
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_view->setItemDelegate(m_delegate);
    connect(m_delegate, &DeleteButtonDelegate::deleteClicked, this, &RecordsTable::deleteRowAt);
    updatePlaceholder();
    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordsTable::syncColumns);
    connect(m_model, &RecordsModel::layersShownChanged, this, &RecordsTable::syncColumns);
    connect(m_model, &RecordsModel::languageChanged, this, &RecordsTable::syncLanguage);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &RecordsTable::syncLanguage);
    // A batch of new rows: one scroll to the bottom, when the view follows the newest rows.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, &RecordsTable::rowsComing);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        // Only appended rows are new readings; rows put back by an undo are not.
        if (last == m_model->rowCount() - 1)
            rowsCame(last - first + 1);
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_unseen = 0;
        m_hint->hide();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordsTable::updatePlaceholder);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &RecordsTable::updatePlaceholder);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &RecordsTable::updatePlaceholder);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_unseen > 0 && atBottom()) {
            m_unseen = 0;
            m_hint->hide();
        }
    });
    syncColumns();
}

void RecordsTable::syncColumns()
{
    const int columns = m_model->columnCount();
    for (int c = 0; c < columns; ++c)
        m_view->setColumnHidden(c, !m_model->isColumnShown(c));
    m_delegate->setOperationColumn(m_model->hasColumns() ? m_model->operationColumn() : -1);
    syncLanguage();
}

void RecordsTable::syncLanguage()
{
    // Columns share the width, but none gets narrower than its header's longest line: a
    // clipped "1st Layer Thickn" says nothing (the view scrolls sideways instead).
    QHeaderView *header = m_view->horizontalHeader();
    int widest = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (!m_model->isColumnShown(c))
            continue;
        const QStringList lines = m_model->headerData(c, Qt::Horizontal).toString().split(QLatin1Char('\n'));
        for (const QString &line : lines)
            widest = std::max(widest, header->fontMetrics().horizontalAdvance(line));
    }
    header->setMinimumSectionSize(std::max(widest + 16, 40));
    m_delegate->retranslate();
    if (m_unseen > 0)
        showHint();
    updatePlaceholder();
}

void RecordsTable::setGaugeConnected(bool connected)
{
    m_gaugeConnected = connected;
    updatePlaceholder();
}

void RecordsTable::updatePlaceholder()
{
    m_placeholder->setText(tr("Connect the gauge by USB, or start with --demo to try the program."));
    m_placeholder->setVisible(!m_gaugeConnected && m_model->rowCount() == 0);
}

bool RecordsTable::atBottom() const
{
    const QScrollBar *bar = m_view->verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void RecordsTable::rowsComing()
{
    // Decided before the rows arrive: afterwards the bottom has moved.
    m_follow = atBottom() && !editorOpen();
}

bool RecordsTable::editorOpen() const
{
    // Editors live on the viewport; the other widgets there are the delegate's hidden button
    // template and the empty table's placeholder.
    const auto children = m_view->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget *child : children)
        if (child != m_placeholder && child->isVisible())
            return true;
    return false;
}

void RecordsTable::rowsCame(int count)
{
    if (m_follow) {
        m_view->scrollToBottom();
        return;
    }
    m_unseen += count;
    showHint();
}

void RecordsTable::jumpToNewest()
{
    m_unseen = 0;
    m_hint->hide();
    m_view->scrollToBottom();
}

void RecordsTable::showHint()
{
    m_hint->setText(tr("%1 new readings ↓").arg(m_unseen));
    m_hint->adjustSize();
    placeHint();
    m_hint->show();
    m_hint->raise();
}

void RecordsTable::placeHint()
{
    // Bottom right of the rows' area, clear of the scroll bar.
    const QRect area = m_view->viewport()->geometry();
    m_hint->move(area.right() - m_hint->width() - 12, area.bottom() - m_hint->height() - 12);
}

bool RecordsTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::Resize && m_hint->isVisible())
        placeHint();
    return QObject::eventFilter(watched, event);
}

RowRanges RecordsTable::selectedRows() const
{
    RowRanges rows;
    const QItemSelection selection = m_view->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection)
        rows.append(RowRange{range.top(), range.bottom()});
    std::sort(rows.begin(), rows.end(), [](const RowRange &a, const RowRange &b) { return a.first < b.first; });
    // Cells of one row in several ranges count the row once.
    RowRanges merged;
    for (const RowRange &r : rows) {
        if (!merged.isEmpty() && r.first <= merged.last().last + 1)
            merged.last().last = std::max(merged.last().last, r.last);
        else
            merged.append(r);
    }
    return merged;
}

std::vector<qint64> RecordsTable::selectedKeys() const
{
    std::vector<qint64> out;
    for (const RowRange &range : selectedRows()) {
        const std::vector<qint64> keys = m_model->keys(range.first, range.last - range.first + 1);
        out.insert(out.end(), keys.begin(), keys.end());
    }
    return out;
}

bool RecordsTable::editName(int row, int column)
{
    if (m_model->layout() != 2 || column != 0 || row < 0 || row >= m_model->rowCount())
        return false;
    m_view->edit(m_model->index(row, 0));
    return true;
}

void RecordsTable::deleteRowAt(const QPoint &viewportPos)
{
    const int row = m_view->indexAt(viewportPos).row();
    if (row == -1)
        return;
    if (m_edits)
        m_edits->deleteRows(row, 1);
    else
        m_model->removeRows(row, 1);
}

int RecordsTable::rowCount() const
{
    return m_model->rowCount();
}
