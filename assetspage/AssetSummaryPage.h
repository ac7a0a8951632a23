#pragma once

#include <QWidget>

class AssetSummaryModel;
class JudgementBook;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

// The Summary tab: every CML of the chosen asset and below, worst first, with the filters
// (due before a date, marked readings only) and the asset report. A double-click on a CML
// asks for it to be opened.
class AssetSummaryPage : public QWidget
{
    Q_OBJECT
public:
    AssetSummaryPage(AssetSummaryModel *model, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    QCheckBox *dueBefore() const { return m_dueBefore; }
    QDateEdit *dueDate() const { return m_dueDate; }
    QCheckBox *markedOnly() const { return m_markedOnly; }
    QPushButton *reportButton() const { return m_report; }
    // Says which asset is summed up (empty: none chosen).
    void setAssetPath(const QString &path);
    // The model's rows read again (the book changed).
    void reload();

signals:
    void cmlActivated(qint64 cml);
    void reportRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void applyFilter();

    AssetSummaryModel *m_model;
    QString m_path;
    QLabel *m_title;
    QTableView *m_view;
    QCheckBox *m_dueBefore;
    QDateEdit *m_dueDate;
    QCheckBox *m_markedOnly;
    QPushButton *m_report;
};
