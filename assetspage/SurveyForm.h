#pragma once

#include "store/Places.h"

#include <QDialog>

class AssetChoice;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The facts of one survey a person states: the asset inspected, the route walked, the
// inspector and notes. The rest of the facts pass through unchanged.
class SurveyForm : public QDialog
{
    Q_OBJECT
public:
    SurveyForm(const SurveyFacts &facts, const QVector<Asset> &assets, const QVector<Route> &routes,
               QWidget *parent = nullptr);

    SurveyFacts facts() const;
    bool setAsset(qint64 asset);
    bool setRoute(qint64 route);
    void setInspector(const QString &inspector);
    void setNotes(const QString &notes);

private:
    SurveyFacts m_facts;
    AssetChoice *m_asset;
    QComboBox *m_route;
    QLineEdit *m_inspector;
    QPlainTextEdit *m_notes;
};
