#pragma once

#include "assetspage/PlaceNumbers.h"
#include "store/Places.h"

#include <QAbstractTableModel>
#include <QVector>

// One CML's readings, oldest first: when, the thickness (each layer's), the survey, its gauge
// and inspector, and the reading's comment.
class CmlHistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Date, Thickness, Survey, Gauge, Inspector, Comment, ColumnCount };
    // On every cell: the reading's store key, and its first layer's thickness as a number.
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ValueRole = Qt::UserRole + 1;

    explicit CmlHistoryModel(QObject *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers);
    void setReadings(const QVector<PlaceReading> &readings);
    const QVector<PlaceReading> &readings() const { return m_readings; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString thickness(const PlaceReading &reading) const;

    QVector<PlaceReading> m_readings;
    PlaceNumbers m_numbers;
};
