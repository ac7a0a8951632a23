#pragma once

#include "store/Places.h"

#include <QDialog>

class AssetChoice;
class QLineEdit;

// A new CML under an asset: tag, description, nominal and minimum thickness, corrosion
// allowance and material. An empty number is one not given.
class CmlForm : public QDialog
{
    Q_OBJECT
public:
    CmlForm(const QVector<Asset> &assets, qint64 asset, QWidget *parent = nullptr);

    // What the form says (id 0, no UUID).
    Cml cml() const;
    // Fills the form in as a person would.
    bool setCml(const Cml &cml);

private:
    static double number(const QLineEdit *edit);
    static QString text(double value);

    AssetChoice *m_asset;
    QLineEdit *m_tag;
    QLineEdit *m_description;
    QLineEdit *m_nominal;
    QLineEdit *m_minimum;
    QLineEdit *m_allowance;
    QLineEdit *m_material;
};
