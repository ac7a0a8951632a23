#include "assetspage/CmlSummaryModel.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>

#include <cmath>

CmlSummaryModel::CmlSummaryModel(QObject *parent) : QAbstractTableModel(parent) {}

void CmlSummaryModel::setNumbers(const PlaceNumbers &numbers, const QString &unit)
{
    beginResetModel();
    m_numbers = numbers;
    m_unit = unit;
    endResetModel();
}

void CmlSummaryModel::setCmls(const QVector<CmlSummary> &cmls)
{
    beginResetModel();
    m_cmls = cmls;
    endResetModel();
}

qint64 CmlSummaryModel::cmlId(int row) const
{
    return row >= 0 && row < m_cmls.size() ? m_cmls[row].cml.id : 0;
}

int CmlSummaryModel::rowOf(qint64 cml) const
{
    for (int r = 0; r < m_cmls.size(); ++r)
        if (m_cmls[r].cml.id == cml)
            return r;
    return -1;
}

int CmlSummaryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_cmls.size());
}

int CmlSummaryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CmlSummaryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_cmls.size())
        return {};
    const CmlSummary &s = m_cmls[index.row()];
    if (role == CmlRole)
        return s.cml.id;
    if (role == Qt::TextAlignmentRole)
        return index.column() >= Nominal ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    if (role == Qt::ForegroundRole && index.column() == Last && s.lastOutOfRange)
        return QColor(Qt::red);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Tag:
        return s.cml.tag;
    case Description:
        return s.cml.description;
    case Nominal:
        return m_numbers.text(s.cml.nominal, m_unit);
    case Minimum:
        return m_numbers.text(s.cml.minimum, m_unit);
    case Last:
        return s.lastMs > 0 ? m_numbers.text(s.lastValue, m_unit) : QString();
    case LastDate:
        return s.lastMs > 0 ? QLocale().toString(QDateTime::fromMSecsSinceEpoch(s.lastMs), QLocale::ShortFormat)
                            : QString();
    case Readings:
        return s.readings;
    }
    return {};
}

QVariant CmlSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Tag:
        return tr("CML");
    case Description:
        return tr("Description");
    case Nominal:
        return tr("Nominal");
    case Minimum:
        return tr("Minimum");
    case Last:
        return tr("Last reading");
    case LastDate:
        return tr("Read on");
    case Readings:
        return tr("Readings");
    }
    return {};
}
