#include "assetspage/GridMapView.h"

#include "records/RecordsModel.h"

#include <QDateTime>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace {

// Wider than a margin's text, so a row's or column's worst value is redrawn whole.
constexpr int MarginSlack = 40;

bool sameExtreme(const GridExtreme &a, const GridExtreme &b)
{
    return a.cell == b.cell && (a.value == b.value || (std::isnan(a.value) && std::isnan(b.value)));
}

} // namespace

GridMapView::GridMapView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("gridMap"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_in.layout = &m_layout;
}

GridMapView::~GridMapView() = default;

void GridMapView::setMap(const GridLayout &layout, const QVector<double> &values, GridQuantity quantity,
                         const QString &unit, int decimals, const std::optional<Limits> &limits, const QString &title,
                         const QVector<qint64> &dates)
{
    m_layout = layout;
    m_in = GridMapInput();
    m_in.layout = &m_layout;
    m_in.values = values;
    if (m_in.values.size() != layout.cellCount())
        m_in.values = QVector<double>(layout.cellCount(), std::nan(""));
    m_in.quantity = quantity;
    m_in.unit = unit;
    m_in.decimals = decimals;
    m_in.limits = limits;
    m_in.title = title;
    m_dates = dates.size() == layout.cellCount() ? dates : QVector<qint64>(layout.cellCount(), 0);
    if (!m_layout.contains(m_next))
        m_next = GridCell();
    m_map = layout.isValid() ? std::make_unique<GridMap>(m_in) : nullptr;
    m_cache = QImage();
    m_hovered = GridCell();
    update();
}

void GridMapView::clear()
{
    setMap(GridLayout(), {}, GridQuantity::Thickness, QString(), 2);
}

double GridMapView::value(GridCell cell) const
{
    return m_layout.contains(cell) ? m_in.values.at((cell.row - 1) * m_layout.columns() + cell.column) : std::nan("");
}

const GridSummary &GridMapView::summary() const
{
    static const GridSummary none;
    return m_map ? m_map->summary() : none;
}

std::pair<double, double> GridMapView::scale() const
{
    double low = INFINITY, high = -INFINITY;
    const bool anyMasked = m_layout.maskedCount() > 0;
    const int columns = m_layout.columns();
    for (qsizetype i = 0; i < m_in.values.size(); ++i) {
        const double v = m_in.values.at(i);
        if (!std::isfinite(v) || (anyMasked && m_layout.isMasked({int(i / columns) + 1, int(i % columns)})))
            continue;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return {low, high};
}

void GridMapView::setValue(GridCell cell, double value, qint64 dateMs)
{
    if (!m_map || !m_layout.contains(cell))
        return;
    const int at = (cell.row - 1) * m_layout.columns() + cell.column;
    m_dates[at] = dateMs;
    const double old = m_in.values.at(at);
    if (old == value || (std::isnan(old) && std::isnan(value)))
        return;
    const auto scaleBefore = scale();
    m_in.values[at] = value;
    const std::unique_ptr<GridMap> drawn = std::move(m_map);
    m_map = std::make_unique<GridMap>(m_in);
    if (!cacheCurrent())
        return update(); // drawn whole at the next paint anyway
    const GridSummary &before = drawn->summary();
    const GridSummary &after = m_map->summary();
    // The scale sets the legend and the margins' width, the worst cell its ring and label:
    // either moving changes the whole picture.
    if (scale() != scaleBefore || !sameExtreme(before.worst, after.worst)) {
        drawAll();
        m_lastPatch = rect();
        return update();
    }
    // Same scale, same geometry: the drawn map's cell rectangles still hold.
    const QRect cellArea = drawn->cellRect(cell).toAlignedRect().adjusted(-2, -2, 2, 2);
    QRegion region(cellArea);
    if (!sameExtreme(before.rows.value(cell.row - 1), after.rows.value(cell.row - 1))) {
        const int right = int(drawn->cellRect({cell.row, m_layout.columns() - 1}).right());
        region += QRect(right, cellArea.top() - MarginSlack / 2, width() - right, cellArea.height() + MarginSlack);
    }
    if (!sameExtreme(before.columns.value(cell.column), after.columns.value(cell.column))) {
        const int bottom = int(drawn->cellRect({m_layout.rows(), cell.column}).bottom());
        region += QRect(cellArea.left() - MarginSlack, bottom, cellArea.width() + 2 * MarginSlack, height() - bottom);
    }
    drawPart(region.boundingRect());
    update(region);
}

bool GridMapView::cacheCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return !m_cache.isNull() && m_cache.size() == size() * ratio && m_cache.devicePixelRatio() == ratio;
}

void GridMapView::drawAll()
{
    const qreal ratio = devicePixelRatioF();
    m_cache = QImage(size() * ratio, QImage::Format_RGB32);
    m_cache.setDevicePixelRatio(ratio);
    m_cache.fill(Qt::white);
    ++m_fullDraws;
    if (!m_map)
        return;
    QPainter painter(&m_cache);
    m_map->draw(painter, QRectF(rect()));
}

void GridMapView::drawPart(const QRect &region)
{
    m_lastPatch = region & rect();
    QPainter painter(&m_cache);
    painter.setClipRect(m_lastPatch);
    painter.fillRect(m_lastPatch, Qt::white);
    m_map->draw(painter, QRectF(rect()));
}

void GridMapView::setNextCell(GridCell cell)
{
    if (!m_layout.contains(cell))
        cell = GridCell();
    if (cell == m_next)
        return;
    const QRect before = outlineRect(m_next);
    m_next = cell;
    update(before | outlineRect(m_next));
}

QRect GridMapView::outlineRect(GridCell cell)
{
    if (!cell.isValid() || !cacheCurrent() || !m_map)
        return QRect();
    return m_map->cellRect(cell).toAlignedRect().adjusted(-5, -5, 5, 5);
}

GridCell GridMapView::cellAt(const QPointF &point)
{
    if (!cacheCurrent())
        drawAll();
    return m_map ? m_map->hitTest(point) : GridCell();
}

QRectF GridMapView::cellRect(GridCell cell)
{
    if (!cacheCurrent())
        drawAll();
    return m_map ? m_map->cellRect(cell) : QRectF();
}

QString GridMapView::cellText(GridCell cell) const
{
    if (!m_layout.contains(cell))
        return QString();
    const QString name = GridLayout::cellName(cell);
    if (m_layout.isMasked(cell))
        return tr("%1: masked").arg(name);
    const int at = (cell.row - 1) * m_layout.columns() + cell.column;
    const double v = m_in.values.at(at);
    if (!std::isfinite(v))
        return tr("%1: not measured").arg(name);
    const QString value = RecordsModel::formatValue(v, m_in.decimals) + QLatin1Char(' ') + m_in.unit;
    const qint64 date = m_dates.value(at);
    if (!date)
        return tr("%1: %2").arg(name, value);
    return tr("%1: %2, %3")
        .arg(name, value, QLocale().toString(QDateTime::fromMSecsSinceEpoch(date), QLocale::ShortFormat));
}

bool GridMapView::saveMapPng(const QString &path, QString *error, QSize size) const
{
    return writeGridMapPng(m_in, size.isEmpty() ? QSize(1600, 1000) : size, path, error);
}

void GridMapView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (!m_map) {
        painter.fillRect(rect(), palette().color(QPalette::Base));
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, tr("No grid to draw."));
        return;
    }
    if (!cacheCurrent())
        drawAll();
    const QRect area = event->rect();
    const qreal ratio = m_cache.devicePixelRatio();
    painter.drawImage(area, m_cache, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
    if (m_next.isValid()) {
        // Black under white: visible on every colour of the scale.
        const QRectF cell = m_map->cellRect(m_next);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 4));
        painter.drawRect(cell.adjusted(-2, -2, 2, 2));
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawRect(cell.adjusted(-2, -2, 2, 2));
    }
}

void GridMapView::resizeEvent(QResizeEvent *event)
{
    m_cache = QImage(); // drawn again at the new size
    QWidget::resizeEvent(event);
}

void GridMapView::mouseMoveEvent(QMouseEvent *event)
{
    const GridCell cell = m_map ? cellAt(event->position()) : GridCell();
    if (cell != m_hovered) {
        m_hovered = cell;
        if (!cell.isValid())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPosition().toPoint(), cellText(cell), this);
    }
    QWidget::mouseMoveEvent(event);
}

void GridMapView::mousePressEvent(QMouseEvent *event)
{
    const GridCell cell = m_map ? cellAt(event->position()) : GridCell();
    if (cell.isValid()) {
        if (event->button() == Qt::LeftButton)
            emit cellClicked(cell);
        else if (event->button() == Qt::RightButton)
            emit cellMenuRequested(cell, event->globalPosition().toPoint());
    }
    QWidget::mousePressEvent(event);
}

void GridMapView::leaveEvent(QEvent *event)
{
    m_hovered = GridCell();
    QWidget::leaveEvent(event);
}
