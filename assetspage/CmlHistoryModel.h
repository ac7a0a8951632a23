#pragma once

#include "assetspage/PlaceNumbers.h"
#include "store/Places.h"

#include <QHash>
#include <QPair>

#include <QAbstractTableModel>
#include <QVector>

// One CML's readings, oldest first: when, the thickness (each layer's), the quality mark with
// the user's decision on it, the survey, its gauge and inspector, and the reading's comment.
class CmlHistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Date, Thickness, Mark, Survey, Gauge, Inspector, Comment, ColumnCount };
    // On every cell: the reading's store key, and its first layer's thickness as a number.
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ValueRole = Qt::UserRole + 1;
    // On every cell: the reading's mark and decision (ReadingMark, MarkDecision as ints).
    static constexpr int MarkRole = Qt::UserRole + 2;
    static constexpr int DecisionRole = Qt::UserRole + 3;
    using MarkAndDecision = QPair<ReadingMark, MarkDecision>;

    explicit CmlHistoryModel(QObject *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers);
    void setReadings(const QVector<PlaceReading> &readings);
    const QVector<PlaceReading> &readings() const { return m_readings; }
    // The marks by reading key (a reading not in it has none); the rows stay.
    void setMarks(const QHash<qint64, MarkAndDecision> &marks);
    int rowOf(qint64 key) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString thickness(const PlaceReading &reading) const;

    QVector<PlaceReading> m_readings;
    QHash<qint64, MarkAndDecision> m_marks;
    PlaceNumbers m_numbers;
};
