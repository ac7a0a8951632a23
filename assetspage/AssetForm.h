#pragma once

#include "store/Places.h"

#include <QDialog>

class AssetChoice;
class QComboBox;
class QLineEdit;

// A new asset: where in the tree, its kind, tag and description.
class AssetForm : public QDialog
{
    Q_OBJECT
public:
    AssetForm(const QVector<Asset> &assets, qint64 parentAsset, QWidget *parent = nullptr);

    qint64 parentAsset() const;
    bool setParentAsset(qint64 asset);
    AssetKind kind() const;
    void setKind(AssetKind kind);
    QString tag() const;
    void setTag(const QString &tag);
    QString description() const;
    void setDescription(const QString &description);

private:
    // The kind that the depth under the chosen parent suggests.
    void suggestKind();

    QVector<Asset> m_assets;
    AssetChoice *m_parent;
    QComboBox *m_kind;
    QLineEdit *m_tag;
    QLineEdit *m_description;
};
