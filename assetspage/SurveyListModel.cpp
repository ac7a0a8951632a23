#include "assetspage/SurveyListModel.h"

#include <QDateTime>
#include <QLocale>

SurveyListModel::SurveyListModel(Places *places, QObject *parent) : QAbstractTableModel(parent), m_places(places) {}

void SurveyListModel::setSurveys(const QVector<SurveyFacts> &surveys, const QHash<qint64, QString> &assetPaths,
                                 const QHash<qint64, QString> &routeNames)
{
    beginResetModel();
    m_surveys = surveys;
    m_assetPaths = assetPaths;
    m_routeNames = routeNames;
    endResetModel();
}

int SurveyListModel::rowOf(qint64 survey) const
{
    for (int r = 0; r < m_surveys.size(); ++r)
        if (m_surveys[r].id == survey)
            return r;
    return -1;
}

int SurveyListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_surveys.size());
}

int SurveyListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SurveyListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_surveys.size())
        return {};
    const SurveyFacts &s = m_surveys[index.row()];
    if (role == SurveyRole)
        return s.id;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Id:
        return s.id;
    case Date:
        return QLocale().toString(QDateTime::fromMSecsSinceEpoch(s.dateMs), QLocale::ShortFormat);
    case Gauge:
        return s.serial;
    case Readings:
        return s.readings;
    case Assigned:
        return s.assigned;
    case Asset:
        return m_assetPaths.value(s.asset);
    case Route:
        return m_routeNames.value(s.route);
    case Inspector:
        return s.inspector;
    case Notes:
        return s.notes;
    }
    return {};
}

bool SurveyListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !m_places || !index.isValid() || index.row() >= m_surveys.size()
        || (index.column() != Inspector && index.column() != Notes))
        return false;
    SurveyFacts changed = m_surveys[index.row()];
    (index.column() == Inspector ? changed.inspector : changed.notes) = value.toString().trimmed();
    if (!m_places->setSurvey(changed)) {
        emit refused();
        return false;
    }
    m_surveys[index.row()] = changed;
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags SurveyListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_places && (index.column() == Inspector || index.column() == Notes))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant SurveyListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Id:
        return tr("Survey");
    case Date:
        return tr("Date");
    case Gauge:
        return tr("Gauge");
    case Readings:
        return tr("Readings");
    case Assigned:
        return tr("Assigned");
    case Asset:
        return tr("Asset");
    case Route:
        return tr("Route");
    case Inspector:
        return tr("Inspector");
    case Notes:
        return tr("Notes");
    }
    return {};
}
