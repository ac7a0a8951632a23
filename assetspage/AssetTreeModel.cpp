#include "assetspage/AssetTreeModel.h"

#include "assetspage/PlacesWords.h"

AssetTreeModel::AssetTreeModel(QObject *parent) : QAbstractItemModel(parent) {}

void AssetTreeModel::setAssets(const QVector<Asset> &assets)
{
    beginResetModel();
    m_assets = assets;
    m_position.clear();
    m_children.clear();
    m_row.clear();
    for (int i = 0; i < m_assets.size(); ++i)
        m_position.insert(m_assets[i].id, i);
    for (const Asset &a : std::as_const(m_assets)) {
        // An asset whose parent is missing shows at the top rather than not at all.
        const qint64 parent = m_position.contains(a.parent) ? a.parent : 0;
        QVector<qint64> &siblings = m_children[parent];
        m_row.insert(a.id, int(siblings.size()));
        siblings.append(a.id);
    }
    endResetModel();
}

qint64 AssetTreeModel::assetId(const QModelIndex &index) const
{
    return index.isValid() ? qint64(index.internalId()) : 0;
}

QModelIndex AssetTreeModel::indexOf(qint64 asset) const
{
    const auto row = m_row.constFind(asset);
    return row == m_row.cend() ? QModelIndex() : createIndex(*row, 0, quintptr(asset));
}

QString AssetTreeModel::path(qint64 asset) const
{
    QStringList tags;
    // Bounded by the number of assets: a broken parent chain cannot loop.
    for (int guard = 0; asset != 0 && guard <= m_assets.size(); ++guard) {
        const auto at = m_position.constFind(asset);
        if (at == m_position.cend())
            break;
        const Asset &a = m_assets[*at];
        tags.prepend(a.tag);
        asset = a.parent;
    }
    return tags.join(QLatin1Char('/'));
}

QModelIndex AssetTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || (parent.isValid() && parent.column() != 0))
        return {};
    const QVector<qint64> siblings = m_children.value(assetId(parent));
    if (row < 0 || row >= siblings.size())
        return {};
    return createIndex(row, column, quintptr(siblings[row]));
}

QModelIndex AssetTreeModel::parent(const QModelIndex &child) const
{
    const auto at = m_position.constFind(assetId(child));
    if (at == m_position.cend())
        return {};
    const qint64 parent = m_assets[*at].parent;
    return m_position.contains(parent) ? indexOf(parent) : QModelIndex();
}

int AssetTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const auto children = m_children.constFind(assetId(parent));
    return children == m_children.cend() ? 0 : int(children->size());
}

int AssetTreeModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant AssetTreeModel::data(const QModelIndex &index, int role) const
{
    const auto at = m_position.constFind(assetId(index));
    if (at == m_position.cend() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Asset &a = m_assets[*at];
    if (role == Qt::ToolTipRole)
        return path(a.id);
    switch (index.column()) {
    case Tag:
        return a.tag;
    case Kind:
        return PlacesWords::kind(a.kind);
    case Description:
        return a.description;
    }
    return {};
}

QVariant AssetTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Tag:
        return tr("Asset");
    case Kind:
        return tr("Kind");
    case Description:
        return tr("Description");
    }
    return {};
}
