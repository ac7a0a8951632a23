#pragma once

#include "assetspage/PlaceNumbers.h"
#include "store/Places.h"

#include <QAbstractTableModel>
#include <QVector>

// The CMLs of one asset with their newest reading and how many they have. Numbers in the
// readings' unit (`unit`, empty: the unit table's first) with its decimals.
class CmlSummaryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Tag, Description, Nominal, Minimum, Last, LastDate, Readings, ColumnCount };
    // The CML's id, on every cell.
    static constexpr int CmlRole = Qt::UserRole;

    explicit CmlSummaryModel(QObject *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers, const QString &unit);
    void setCmls(const QVector<CmlSummary> &cmls);
    const QVector<CmlSummary> &cmls() const { return m_cmls; }
    qint64 cmlId(int row) const;
    int rowOf(qint64 cml) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<CmlSummary> m_cmls;
    PlaceNumbers m_numbers;
    QString m_unit;
};
