#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SurveyStore;

// What to walk before a walk starts: one of the survey file's routes, or an asset's own CMLs
// in tag order, and who walks it.
class WalkChooser : public QWidget
{
    Q_OBJECT
public:
    explicit WalkChooser(QWidget *parent = nullptr);

    // Offers the routes and assets of `store` (null: nothing to offer).
    void fill(SurveyStore *store);
    // Chooses a route, or an asset; false when it is not offered.
    bool chooseRoute(qint64 route);
    bool chooseAsset(qint64 asset);
    void setInspector(const QString &who);
    QString inspector() const;
    // A line under the choice: why the last start was refused.
    void setProblem(const QString &text);
    QPushButton *startButton() const { return m_start; }

signals:
    // route or asset is 0.
    void startRequested(qint64 route, qint64 asset, const QString &who);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    bool choose(int kind, qint64 id);

    QLabel *m_whatLabel;
    QComboBox *m_what; // data: kind (0 route, 1 asset) and id
    QLabel *m_whoLabel;
    QLineEdit *m_who;
    QPushButton *m_start;
    QLabel *m_problem;
    SurveyStore *m_store = nullptr;
};
