#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class ReadingsAnalysis;

// A compact table under the records: one line per shown value column with count, minimum
// and maximum (with the row they come from), mean, range, sample standard deviation and the
// out-of-range count, plus the band counts when the column is judged against limits. It
// follows the analysis (new rows, deletions, selection, limits) and the model's language.
class StatisticsPanel : public QWidget
{
    Q_OBJECT
public:
    // The analysis must outlive the panel.
    explicit StatisticsPanel(ReadingsAnalysis &analysis, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    QLabel *title() const { return m_title; }
    // Clears the table's selection: the figures go back to the whole table.
    QPushButton *allRowsButton() const { return m_allRows; }

    // Figure columns of the panel's table.
    enum Figure { Column, Count, Minimum, Maximum, Mean, Range, Deviation, OutOfRange, Red, Amber, Normal, Blue,
                  FigureCount };

signals:
    void wholeTableRequested();

public slots:
    void refresh();

private:
    QString location(int row) const;

    ReadingsAnalysis &m_analysis;
    QLabel *m_title;
    QPushButton *m_allRows;
    QTableWidget *m_table;
};
