#include "assetspage/AssetChoice.h"

#include "assetspage/AssetTreeModel.h"

AssetChoice::AssetChoice(QWidget *parent) : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void AssetChoice::setAssets(const QVector<Asset> &assets, const QString &none)
{
    clear();
    if (!none.isEmpty())
        addItem(none, qint64(0));
    AssetTreeModel paths;
    paths.setAssets(assets);
    for (const Asset &a : assets)
        addItem(paths.path(a.id), a.id);
}

qint64 AssetChoice::asset() const
{
    return currentIndex() < 0 ? 0 : currentData().toLongLong();
}

bool AssetChoice::setAsset(qint64 asset)
{
    const int at = findData(asset);
    if (at < 0)
        return false;
    setCurrentIndex(at);
    return true;
}
