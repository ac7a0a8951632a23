#pragma once

#include "analysis/GridLayout.h"

#include <QWidget>

#include <memory>

class GridBook;
class GridMapView;
class Places;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class UserInteraction;

// A grid CML in the Assets view: which survey is drawn, as thickness or as wall loss since an
// earlier survey; the map; its thinnest cell; the thinnest wall the unseen cells are expected
// to hold (with its assumptions and 95 % interval, or why there is none) and the sampling it
// rests on; the history of a clicked cell; the map as PNG, the grid's definition and filling it
// from the gauge (which the window above opens, since it outlives this view).
class GridPane : public QWidget
{
    Q_OBJECT
public:
    explicit GridPane(UserInteraction &ui, QWidget *parent = nullptr);
    ~GridPane() override;

    // Reads the CML's grid and readings (null places or a CML that is not a grid: nothing shown).
    // False when it is not a grid.
    bool setCml(Places *places, qint64 cml);
    qint64 cml() const { return m_cml; }

    // The surveys offered, newest first: the chosen one is drawn; `lossFrom` 0 draws thickness.
    bool chooseSurvey(qint64 survey);
    bool chooseLossFrom(qint64 survey);
    void setBlocks(int rows, int columns);
    void setTotalArea(double m2); // 0: the grid's own area
    // Only these cells count for the estimate ("B2:D9,F3"; empty: all), as typed in its field.
    void setCells(const QString &cells);

    GridMapView *map() const { return m_map; }
    QString summaryText() const;
    QString unseenText() const;
    // The chosen cell's readings, as listed.
    QStringList cellHistoryTexts() const;
    GridCell chosenCell() const { return m_cell; }
    void showCell(GridCell cell);

    // The flows behind the buttons.
    void saveMapPng();
    void defineGrid();

signals:
    // The gauge should fill this grid: the window above opens it outside this dialog.
    void fillRequested(qint64 cml);
    // The grid's definition was changed.
    void gridChanged(qint64 cml);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fillSurveyChoosers();
    void showSurvey();
    void showUnseen();
    QString numberText(double value) const;

    UserInteraction &m_ui;
    Places *m_places = nullptr;
    std::unique_ptr<GridBook> m_book;
    qint64 m_cml = 0;
    GridCell m_cell;
    QLabel *m_surveyLabel;
    QComboBox *m_survey;
    QLabel *m_lossLabel;
    QComboBox *m_lossFrom;
    GridMapView *m_map;
    QLabel *m_summary;
    QLabel *m_unseenTitle;
    QLabel *m_unseen;
    QLabel *m_blocksLabel;
    QSpinBox *m_blockRows;
    QSpinBox *m_blockColumns;
    QLabel *m_cellsLabel;
    QLineEdit *m_cells;
    QLabel *m_areaLabel;
    QDoubleSpinBox *m_totalArea;
    QLabel *m_cellTitle;
    QListWidget *m_cellHistory;
    QPushButton *m_savePng;
    QPushButton *m_define;
    QPushButton *m_fill;
};
