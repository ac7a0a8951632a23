#include "recordspage/RecordsTable.h"

#include "records/RecordsModel.h"
#include "recordspage/DeleteButtonDelegate.h"

#include <QHeaderView>
#include <QTableView>

RecordsTable::RecordsTable(QTableView *view, RecordsModel *model, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_model(model)
    , m_delegate(new DeleteButtonDelegate(view))
{
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_view->setItemDelegate(m_delegate);
    connect(m_delegate, &DeleteButtonDelegate::deleteClicked, this, &RecordsTable::deleteRowAt);
    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordsTable::syncColumns);
    connect(m_model, &RecordsModel::layersShownChanged, this, &RecordsTable::syncColumns);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &RecordsTable::syncLanguage);
    // A batch of new rows: one scroll to the bottom.
    connect(m_model, &QAbstractItemModel::rowsInserted, m_view, &QAbstractItemView::scrollToBottom);
    syncColumns();
}

QString RecordsTable::deleteWord(bool chinese)
{
    return DeleteButtonDelegate::label(chinese);
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
    m_delegate->setChinese(m_model->chinese());
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
    if (row != -1)
        m_model->removeRows(row, 1);
}

int RecordsTable::rowCount() const
{
    return m_model->rowCount();
}
