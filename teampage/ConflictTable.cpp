#include "teampage/ConflictTable.h"

#include "teampage/TeamWords.h"

#include <QHeaderView>

#include <algorithm>

namespace {

constexpr int CmlRole = Qt::UserRole + 1;

} // namespace

ConflictTable::ConflictTable(QWidget *parent)
    : QTableWidget(0, ColumnCount, parent)
{
    setObjectName(QStringLiteral("teamConflicts"));
    setHorizontalHeaderLabels({tr("CML"), tr("Field"), tr("This file"), tr("Server (who, when)")});
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
}

void ConflictTable::setConflicts(const QVector<CmlConflict> &conflicts)
{
    m_conflicts = conflicts;
    fill();
}

void ConflictTable::drop(qint64 cml)
{
    const auto gone = std::remove_if(m_conflicts.begin(), m_conflicts.end(),
                                     [cml](const CmlConflict &c) { return c.cml == cml; });
    if (gone == m_conflicts.end())
        return;
    m_conflicts.erase(gone, m_conflicts.end());
    fill();
}

qint64 ConflictTable::selectedCml() const
{
    const QList<QTableWidgetItem *> chosen = selectedItems();
    return chosen.isEmpty() ? 0 : chosen.first()->data(CmlRole).toLongLong();
}

const CmlConflict *ConflictTable::conflict(qint64 cml) const
{
    for (const CmlConflict &c : m_conflicts) {
        if (c.cml == cml)
            return &c;
    }
    return nullptr;
}

void ConflictTable::fill()
{
    clearSpans();
    clearContents();
    int rows = 0;
    QVector<QVector<TeamWords::Difference>> fields;
    for (const CmlConflict &c : m_conflicts) {
        fields.append(TeamWords::differences(c));
        rows += fields.last().size();
    }
    setRowCount(rows);
    int row = 0;
    for (int i = 0; i < m_conflicts.size(); ++i) {
        const CmlConflict &c = m_conflicts.at(i);
        const QString by = TeamWords::changedBy(c);
        const int first = row;
        for (const TeamWords::Difference &d : fields.at(i)) {
            const QString theirs = by.isEmpty() ? d.theirs : tr("%1 (%2)").arg(d.theirs, by);
            const QStringList texts{TeamWords::cmlName(c), d.field, d.mine, theirs};
            for (int column = 0; column < ColumnCount; ++column) {
                auto *item = new QTableWidgetItem(texts.at(column));
                item->setData(CmlRole, c.cml);
                item->setToolTip(texts.at(column));
                setItem(row, column, item);
            }
            ++row;
        }
        if (row - first > 1)
            setSpan(first, CmlColumn, row - first, 1);
    }
    resizeColumnsToContents();
    resizeRowsToContents();
}
