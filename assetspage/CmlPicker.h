#pragma once

#include <QDialog>

class AssetTreeModel;
class CmlSummaryModel;
class Places;
class PlaceNumbers;
class QLabel;
class QPushButton;
class QTableView;
class QTreeView;

// Picks one CML: the asset tree on the left, the chosen asset's CMLs on the right.
class CmlPicker : public QDialog
{
    Q_OBJECT
public:
    // `places` must outlive the picker. `prompt`: what the choice is for.
    CmlPicker(Places &places, const PlaceNumbers &numbers, const QString &prompt, QWidget *parent = nullptr);

    qint64 asset() const;
    qint64 cml() const; // 0 until one is chosen
    // Selects an asset and one of its CMLs, as a click would; false if either is not offered.
    bool choose(qint64 asset, qint64 cml);

    QTreeView *assetView() const { return m_assetView; }
    QTableView *cmlView() const { return m_cmlView; }

private:
    void showAsset();

    Places &m_places;
    AssetTreeModel *m_assets;
    CmlSummaryModel *m_cmls;
    QTreeView *m_assetView;
    QTableView *m_cmlView;
    QPushButton *m_ok = nullptr;
};
