#pragma once

#include "assetspage/PlaceNumbers.h"
#include "session/JudgementBook.h"

#include <QAbstractTableModel>
#include <QVector>

// Every CML of a judged book that the filter lets through, worst remaining life first: its
// asset, tag, newest counted reading and date, required thickness, governing rate, remaining
// life, next date and undecided marks. Rows under the required thickness red, with less life
// than the interval amber. The book (null: none, no rows) is read, never changed; call
// reload() after it changed.
class AssetSummaryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { AssetPath, Tag, Newest, NewestDate, Required, Governing, RemainingLife, NextDate, Marks, ColumnCount };
    static constexpr int CmlRole = Qt::UserRole; // on every cell: the CML's id

    explicit AssetSummaryModel(const JudgementBook *book, QObject *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers);
    void setFilter(const JudgementFilter &filter);
    const JudgementFilter &filter() const { return m_filter; }
    // The book changed: the rows read again.
    void reload();

    qint64 cmlId(int row) const;
    int rowOf(qint64 cml) const;
    const CmlJudgement *judgement(int row) const;

    // The band colours, as the records table paints its cells.
    static QColor red();
    static QColor amber();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const JudgementBook *m_book;
    PlaceNumbers m_numbers;
    JudgementFilter m_filter;
    QVector<int> m_rows; // indexes into the book's items
};
