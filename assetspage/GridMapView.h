#pragma once

#include "analysis/GridMap.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>

// A grid's colour map as a widget, drawn by GridMap into a cached image: a paint only copies
// the image, and one changed value redraws only what it changes (its cell, and its row's and
// column's margins when their worst value moved) unless the scale or the worst cell moved.
// Hovering names a cell with its value and date; a click names it (cellClicked). An optional
// "next" cell is outlined thickly above the map, for filling a grid live.
class GridMapView : public QWidget
{
    Q_OBJECT
public:
    explicit GridMapView(QWidget *parent = nullptr);
    ~GridMapView() override;

    // Copies what it draws. `dates` (ms, 0: none) one per cell, or empty.
    void setMap(const GridLayout &layout, const QVector<double> &values, GridQuantity quantity, const QString &unit,
                int decimals, const std::optional<Limits> &limits = std::nullopt, const QString &title = QString(),
                const QVector<qint64> &dates = {});
    void clear();
    // One cell's value (NaN: not measured) and date changed.
    void setValue(GridCell cell, double value, qint64 dateMs = 0);

    // The cell outlined as where the next reading lands; an invalid cell: none.
    void setNextCell(GridCell cell);
    GridCell nextCell() const { return m_next; }

    const GridLayout &layout() const { return m_layout; }
    const QVector<double> &values() const { return m_in.values; }
    double value(GridCell cell) const;
    // Of the map shown (empty without one).
    const GridSummary &summary() const;

    // Widget coordinates; valid once the map was drawn at the widget's size.
    GridCell cellAt(const QPointF &point);
    QRectF cellRect(GridCell cell);
    // "B12: 7.35 mm, 3 May 2025" — what the tooltip says of a cell.
    QString cellText(GridCell cell) const;

    // The map at `size` (empty: 1600 × 1000) as a PNG, written atomically; the reason in `error`.
    bool saveMapPng(const QString &path, QString *error = nullptr, QSize size = QSize()) const;

    // How many times the whole map was drawn, and the area last redrawn for one value.
    int fullDraws() const { return m_fullDraws; }
    QRect lastPatch() const { return m_lastPatch; }

    QSize sizeHint() const override { return {640, 420}; }
    QSize minimumSizeHint() const override { return {200, 140}; }

signals:
    void cellClicked(GridCell cell);
    // A right click on a cell, at `globalPos` (for a context menu).
    void cellMenuRequested(GridCell cell, const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // The whole map into the cache, at the widget's size.
    void drawAll();
    // Only `region` of the cache redrawn (the map drawn clipped to it).
    void drawPart(const QRect &region);
    bool cacheCurrent() const;
    // The colour scale as GridMap derives it: the lowest and highest measured value.
    std::pair<double, double> scale() const;
    QRect outlineRect(GridCell cell);

    GridLayout m_layout;
    GridMapInput m_in;
    QVector<qint64> m_dates;
    std::unique_ptr<GridMap> m_map;
    QImage m_cache;
    GridCell m_next;
    GridCell m_hovered;
    int m_fullDraws = 0;
    QRect m_lastPatch;
};
