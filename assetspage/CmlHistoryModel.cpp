#include "assetspage/CmlHistoryModel.h"

#include "assetspage/JudgementWords.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>

CmlHistoryModel::CmlHistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

void CmlHistoryModel::setNumbers(const PlaceNumbers &numbers)
{
    beginResetModel();
    m_numbers = numbers;
    endResetModel();
}

void CmlHistoryModel::setReadings(const QVector<PlaceReading> &readings)
{
    beginResetModel();
    m_readings = readings;
    endResetModel();
}

void CmlHistoryModel::setMarks(const QHash<qint64, MarkAndDecision> &marks)
{
    m_marks = marks;
    if (!m_readings.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_readings.size()) - 1, ColumnCount - 1));
}

int CmlHistoryModel::rowOf(qint64 key) const
{
    for (int r = 0; r < m_readings.size(); ++r)
        if (m_readings.at(r).key == key)
            return r;
    return -1;
}

int CmlHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_readings.size());
}

int CmlHistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CmlHistoryModel::thickness(const PlaceReading &r) const
{
    // Single layer: one thickness; multi layer: the three layers' (values 0-2).
    const int layers = r.layout == 2 ? 3 : 1;
    QStringList parts;
    for (int i = 0; i < layers; ++i)
        parts << m_numbers.text(r.values[i], r.thicknessUnit);
    QString text = parts.join(QStringLiteral(" / "));
    if (!r.thicknessUnit.isEmpty())
        text += QLatin1Char(' ') + r.thicknessUnit;
    return text;
}

QVariant CmlHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_readings.size())
        return {};
    const PlaceReading &r = m_readings[index.row()];
    switch (role) {
    case KeyRole:
        return r.key;
    case ValueRole:
        return double(r.values[0]);
    case MarkRole:
        return int(m_marks.value(r.key).first);
    case DecisionRole:
        return int(m_marks.value(r.key).second);
    case Qt::ForegroundRole:
        // An out-of-range thickness (any layer's) as the table marks it.
        if (index.column() == Thickness && (r.flags & (r.layout == 2 ? 0x07 : 0x01)))
            return QColor(Qt::red);
        return {};
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    switch (index.column()) {
    case Date:
        return QLocale().toString(QDateTime::fromMSecsSinceEpoch(r.dateMs), QLocale::ShortFormat);
    case Thickness:
        return thickness(r);
    case Mark: {
        const MarkAndDecision m = m_marks.value(r.key, {ReadingMark::None, MarkDecision::None});
        return JudgementWords::markWithDecision(m.first, m.second);
    }
    case Survey:
        return r.survey;
    case Gauge:
        return r.serial;
    case Inspector:
        return r.inspector;
    case Comment:
        return r.comment;
    }
    return {};
}

QVariant CmlHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Date:
        return tr("Date");
    case Thickness:
        return tr("Thickness");
    case Mark:
        return tr("Mark");
    case Survey:
        return tr("Survey");
    case Gauge:
        return tr("Gauge");
    case Inspector:
        return tr("Inspector");
    case Comment:
        return tr("Comment");
    }
    return {};
}
