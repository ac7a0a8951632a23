#pragma once

#include "store/Places.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QVector>

// The surveys of the file, newest first, with their facts. Inspector and notes are edited in
// place and written through Places at once; a write the file refuses leaves the cell as it was.
class SurveyListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Id, Date, Gauge, Readings, Assigned, Asset, Route, Inspector, Notes, ColumnCount };
    static constexpr int SurveyRole = Qt::UserRole;

    // `places` (may be null: nothing editable) must outlive the model.
    explicit SurveyListModel(Places *places, QObject *parent = nullptr);

    // Asset paths and route names by id, for the Asset and Route columns.
    void setSurveys(const QVector<SurveyFacts> &surveys, const QHash<qint64, QString> &assetPaths,
                    const QHash<qint64, QString> &routeNames);
    SurveyFacts survey(int row) const { return m_surveys.value(row); }
    int rowOf(qint64 survey) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A write failed; the places say why.
    void refused();

private:
    Places *m_places;
    QVector<SurveyFacts> m_surveys;
    QHash<qint64, QString> m_assetPaths;
    QHash<qint64, QString> m_routeNames;
};
