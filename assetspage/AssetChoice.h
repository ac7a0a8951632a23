#pragma once

#include "store/Places.h"

#include <QComboBox>

// A choice of one asset by its path, optionally with a first entry for none.
class AssetChoice : public QComboBox
{
    Q_OBJECT
public:
    explicit AssetChoice(QWidget *parent = nullptr);

    // `none`: the first entry's text, standing for asset 0 (empty: no such entry).
    void setAssets(const QVector<Asset> &assets, const QString &none = QString());
    qint64 asset() const;
    // False, and the choice unchanged, for an asset not offered.
    bool setAsset(qint64 asset);
};
