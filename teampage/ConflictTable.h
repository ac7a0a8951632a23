#pragma once

#include "teamstore/TeamConflicts.h"

#include <QTableWidget>
#include <QVector>

// The conflicts of a sync side by side: a row for each field a CML holds differently here and on
// the server, the CML's name spanning its rows. Selecting any row selects that CML.
class ConflictTable : public QTableWidget
{
    Q_OBJECT
public:
    enum Column { CmlColumn, FieldColumn, MineColumn, TheirsColumn, ColumnCount };

    explicit ConflictTable(QWidget *parent = nullptr);

    void setConflicts(const QVector<CmlConflict> &conflicts);
    QVector<CmlConflict> conflicts() const { return m_conflicts; }
    // Takes a settled CML's rows out.
    void drop(qint64 cml);

    // The local key of the selected row's CML; 0 for none.
    qint64 selectedCml() const;
    // The conflict of `cml`; null when it has none here.
    const CmlConflict *conflict(qint64 cml) const;

private:
    void fill();

    QVector<CmlConflict> m_conflicts;
};
