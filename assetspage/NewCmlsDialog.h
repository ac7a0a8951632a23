#pragma once

#include "store/Places.h"

#include <QDialog>
#include <QStringList>

class AssetChoice;
class QListWidget;

// The record names no CML answered to: those ticked become CMLs under the chosen asset.
class NewCmlsDialog : public QDialog
{
    Q_OBJECT
public:
    NewCmlsDialog(const QStringList &names, const QVector<Asset> &assets, qint64 asset, QWidget *parent = nullptr);

    QStringList chosenNames() const;
    bool setChosen(const QString &name, bool chosen);
    qint64 asset() const;
    bool setAsset(qint64 asset);

private:
    QListWidget *m_names;
    AssetChoice *m_asset;
};
