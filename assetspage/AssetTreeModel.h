#pragma once

#include "store/Places.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QVector>

// The assets as a tree: tag, kind and description. An index's internal id is its asset's id.
class AssetTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { Tag, Kind, Description, ColumnCount };

    explicit AssetTreeModel(QObject *parent = nullptr);

    // Parents before their children, as Places::assets() gives them.
    void setAssets(const QVector<Asset> &assets);
    const QVector<Asset> &assets() const { return m_assets; }

    qint64 assetId(const QModelIndex &index) const;
    QModelIndex indexOf(qint64 asset) const;
    // "Site/Unit/Equipment"; empty for an unknown asset.
    QString path(qint64 asset) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Asset> m_assets;
    QHash<qint64, int> m_position;           // asset id -> place in m_assets
    QHash<qint64, QVector<qint64>> m_children; // parent id (0: top) -> children in order
    QHash<qint64, int> m_row;                // asset id -> row under its parent
};
