#pragma once

#include "store/Places.h"

#include <QDialog>

class GridMapView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// Makes a CML a grid survey area or changes one: rows, columns, the pitch between cells, the
// walk that fills it (starting corner, along rows or columns, straight or snaking), and the
// cells left out, toggled by clicking them on a small map.
class GridForm : public QDialog
{
    Q_OBJECT
public:
    // `current`: the CML's grid, or nothing for a plain CML (a 10 × 10 grid is proposed).
    GridForm(const QString &cmlTag, const std::optional<GridDefinition> &current, QWidget *parent = nullptr);

    GridDefinition definition() const;

    QSpinBox *rowsBox() const { return m_rows; }
    QSpinBox *columnsBox() const { return m_columns; }
    QDoubleSpinBox *pitchBox() const { return m_pitch; }
    GridMapView *maskView() const { return m_map; }
    // Sets the walk as the choosers would.
    void setWalk(const WalkPattern &walk);

private:
    // The size typed applied to the layout (masks inside it kept) and the map drawn again.
    void resizeGrid();
    void toggleMask(GridCell cell);
    void showLayout();

    GridLayout m_layout;
    QSpinBox *m_rows;
    QSpinBox *m_columns;
    QLabel *m_lastColumn;
    QDoubleSpinBox *m_pitch;
    QComboBox *m_corner;
    QComboBox *m_axis;
    QComboBox *m_style;
    QLabel *m_masked;
    GridMapView *m_map;
};
