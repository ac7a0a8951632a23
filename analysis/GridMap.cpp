#include "analysis/GridMap.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Draws an image of one pixel per cell into `target`. A raster device keeps the pixels sharp
// as told; a PDF viewer may smooth a small image however large it is shown, blending cells,
// so for other devices the image is first enlarged by repeating each pixel.
void drawCellImage(QPainter &p, const QRectF &target, const QImage &image)
{
    const QPaintEngine *engine = p.paintEngine();
    if (engine && engine->type() == QPaintEngine::Raster) {
        p.drawImage(target, image);
        return;
    }
    const double pixels = double(image.width()) * double(image.height());
    const int factor = std::clamp(int(std::sqrt(4.0e6 / std::max(1.0, pixels))), 1, 16);
    p.drawImage(target, image.scaled(image.width() * factor, image.height() * factor, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation));
}


const QColor MarkColour(0xD0, 0x00, 0xD0); // magenta: a colour the ramp never paints
const QColor MaskedFill(0xC8, 0xC8, 0xC8);
const QColor MaskedHatch(0x70, 0x70, 0x70);
const QColor CellLineColour(0xD8, 0xD8, 0xD8); // also outlines blank cells on a white page
const QColor AxisColour(0x60, 0x60, 0x60);
const QColor FrameColour(0xA0, 0xA0, 0xA0);
const QRgb Blank = qRgb(0xFF, 0xFF, 0xFF);

// Below this many pixels a cell has no room for hatching, outlines or lines between cells.
constexpr double DetailFrom = 5.0;
// Cells fill the area (a grid of 999 rows would otherwise be a thin strip), but within this
// ratio of width to height, so a grid of one row does not become a single bar.
constexpr double MostAspect = 24.0;

QString say(const char *source)
{
    return QCoreApplication::translate("GridMap", source);
}

// The band colours of the records table, so a cell under the minimum looks the same in both.
QColor bandColour(Band band)
{
    switch (band) {
    case Band::Red:
        return QColor(0xC6, 0x28, 0x28);
    case Band::Amber:
        return QColor(0xF9, 0xA8, 0x25);
    case Band::Blue:
        return QColor(0x15, 0x65, 0xC0);
    case Band::Normal:
        break;
    }
    return QColor(0x2E, 0x7D, 0x32);
}

// Red → yellow → green → blue with lightness rising then falling gently, so neighbouring values
// stay distinguishable; looked up from a table because a large grid colours 50,000 cells.
constexpr int RampSteps = 256;
const std::array<QRgb, RampSteps> &rampTable()
{
    static const std::array<QRgb, RampSteps> table = [] {
        struct Stop { double at; int r, g, b; };
        const Stop stops[] = {{0.00, 0xB7, 0x1C, 0x1C}, {0.18, 0xE6, 0x4A, 0x19}, {0.36, 0xF9, 0xD3, 0x3C},
                              {0.56, 0x8B, 0xC3, 0x4A}, {0.76, 0x26, 0xA6, 0x9A}, {1.00, 0x1E, 0x4F, 0xB0}};
        std::array<QRgb, RampSteps> out{};
        for (int i = 0; i < RampSteps; ++i) {
            const double t = double(i) / (RampSteps - 1);
            int k = 0;
            while (k + 2 < int(std::size(stops)) && t > stops[k + 1].at)
                ++k;
            const Stop &a = stops[k], &b = stops[k + 1];
            const double f = std::clamp((t - a.at) / (b.at - a.at), 0.0, 1.0);
            out[i] = qRgb(int(std::lround(a.r + (b.r - a.r) * f)), int(std::lround(a.g + (b.g - a.g) * f)),
                          int(std::lround(a.b + (b.b - a.b) * f)));
        }
        return out;
    }();
    return table;
}

// A step of 1, 2 or 5 times a power of ten giving about `most` ticks over the range.
double niceStep(double range, int most)
{
    const double raw = range / std::max(1, most);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

// The smallest of the usual label steps leaving `need` pixels between labels `pitch` apart.
int labelStep(double pitch, double need, std::initializer_list<int> steps)
{
    int step = 1;
    for (int s : steps)
        if ((step = s) * pitch >= need)
            break;
    return step;
}

void hatchMasked(QPainter &p, const QRectF &cell)
{
    p.fillRect(cell, QBrush(MaskedHatch, Qt::BDiagPattern));
}

// A band outline with a white line inside it, visible on any colour of the ramp.
void outlineBand(QPainter &p, const QRectF &cell, Band band)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(bandColour(band), 2));
    p.drawRect(cell.adjusted(1, 1, -1, -1));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(cell.adjusted(2.5, 2.5, -2.5, -2.5));
}

} // namespace

GridMap::GridMap(GridMapInput input) : m_in(std::move(input))
{
    if (m_in.layout)
        m_summary = summarizeGrid(*m_in.layout, m_in.values, m_in.quantity);
}

QRgb GridMap::rampColour(double value, double low, double high, GridQuantity quantity)
{
    double t = high > low ? (value - low) / (high - low) : 0.5;
    t = std::isnan(t) ? 0.5 : std::clamp(t, 0.0, 1.0); // NaN would index the table nowhere
    if (quantity == GridQuantity::WallLoss)
        t = 1.0 - t; // the deepest loss is the worst end
    return rampTable()[std::size_t(std::lround(t * (RampSteps - 1)))];
}

QColor GridMap::markColour()
{
    return MarkColour;
}

GridCell GridMap::hitTest(const QPointF &point) const
{
    if (m_cells.isEmpty() || !m_cells.contains(point))
        return GridCell();
    const int column = std::clamp(int((point.x() - m_cells.left()) / m_cellWidth), 0, m_in.layout->columns() - 1);
    const int row = std::clamp(int((point.y() - m_cells.top()) / m_cellHeight), 0, m_in.layout->rows() - 1);
    return GridCell{row + 1, column};
}

QRectF GridMap::cellRect(GridCell cell) const
{
    if (m_cells.isEmpty() || !m_in.layout->contains(cell))
        return QRectF();
    return QRectF(m_cells.left() + cell.column * m_cellWidth, m_cells.top() + (cell.row - 1) * m_cellHeight,
                  m_cellWidth, m_cellHeight);
}

void GridMap::draw(QPainter &p, const QRectF &area)
{
    m_cells = QRectF();
    const GridLayout *layout = m_in.layout;
    if (!layout || !layout->isValid() || m_in.values.size() != layout->cellCount() || area.isEmpty())
        return;
    const int rows = layout->rows(), columns = layout->columns();
    const GridQuantity quantity = m_in.quantity;
    const bool loss = quantity == GridQuantity::WallLoss;
    const double *values = m_in.values.constData();
    const GridSummary &sum = m_summary;

    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false); // one image pixel per cell, edges kept sharp
    QFont font = p.font();
    font.setPixelSize(std::clamp(int(area.height() / 45), 9, 13));
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = fm.height();

    // ---- the scale ----
    double low = 0, high = 1;
    if (sum.measured > 0) {
        low = high = sum.worst.value;
        const bool anyMasked = layout->maskedCount() > 0;
        for (qsizetype i = 0; i < m_in.values.size(); ++i) {
            const double v = values[i];
            if (!std::isfinite(v) || (anyMasked && layout->isMasked({int(i / columns) + 1, int(i % columns)})))
                continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!(high > low)) {
        const double pad = std::max(std::fabs(high) * 0.05, 0.1);
        low -= pad;
        high += pad;
    }
    const double tickStep = niceStep(high - low, 6);
    const int tickDecimals = std::max(0, tickStep < 1 ? int(std::ceil(-std::log10(tickStep) - 1e-9)) : 0);
    QVector<double> ticks;
    for (double v = std::ceil(low / tickStep) * tickStep; v <= high + tickStep * 1e-9; v += tickStep)
        ticks.append(v);
    const auto number = [this](double v) { return QString::number(v, 'f', std::max(0, m_in.decimals)); };

    // ---- the legend's size ----
    const QString legendTitle = (loss ? say(QT_TRANSLATE_NOOP("GridMap", "Wall loss (%1)"))
                                      : say(QT_TRANSLATE_NOOP("GridMap", "Thickness (%1)")))
                                    .arg(m_in.unit);
    struct Entry { enum Kind { Unmeasured, Masked, Outline } kind; Band band; QString text; };
    QVector<Entry> entries{{Entry::Unmeasured, Band::Normal, say(QT_TRANSLATE_NOOP("GridMap", "not measured"))},
                           {Entry::Masked, Band::Normal, say(QT_TRANSLATE_NOOP("GridMap", "masked"))}};
    const bool banded = !loss && m_in.limits.has_value();
    if (banded) {
        entries.append({Entry::Outline, Band::Red, bandName(Band::Red)});
        entries.append({Entry::Outline, Band::Amber, bandName(Band::Amber)});
        if (m_in.limits->maximum)
            entries.append({Entry::Outline, Band::Blue, bandName(Band::Blue)});
    }
    constexpr double Bar = 14;
    double legendWidth = fm.horizontalAdvance(legendTitle);
    for (double v : ticks)
        legendWidth = std::max(legendWidth, Bar + 6 + fm.horizontalAdvance(QString::number(v, 'f', tickDecimals)));
    for (const Entry &e : entries)
        legendWidth = std::max(legendWidth, Bar + 6 + fm.horizontalAdvance(e.text));
    legendWidth += 12;

    // ---- the cells' size ----
    double valueWidth = 0;
    for (double v : {low, high, -std::fabs(high)})
        valueWidth = std::max(valueWidth, fm.horizontalAdvance(number(v)) + 4);
    constexpr double Swatch = 6;
    const double rowLabelWidth = fm.horizontalAdvance(QString::number(rows)) + 8;
    const double columnLabelHeight = line + 2;
    const double titleHeight = m_in.title.isEmpty() ? line * 0.3 : line * 1.4;
    const double left = area.left() + rowLabelWidth;
    const double top = area.top() + titleHeight + columnLabelHeight;
    const double rightMargin = 3 + Swatch + 3 + valueWidth;
    double cw = (area.right() - legendWidth - rightMargin - left) / columns;
    double ch = 0;
    bool columnTextFlat = true;
    for (int pass = 0; pass < 2; ++pass) {
        columnTextFlat = valueWidth <= cw;
        const double bottomMargin = 3 + Swatch + 3 + (columnTextFlat ? line : valueWidth) + 2;
        ch = (area.bottom() - bottomMargin - top) / rows;
        cw = std::min(cw, ch * MostAspect);
        ch = std::min(ch, cw * MostAspect);
    }
    if (!(cw > 0.2) || !(ch > 0.2)) {
        p.restore();
        return;
    }
    m_cellWidth = cw;
    m_cellHeight = ch;
    m_cells = QRectF(left, top, cw * columns, ch * rows);
    const bool detail = cw >= DetailFrom && ch >= DetailFrom;
    if (!detail) // cells too small to carry a band outline: the legend does not promise one
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const Entry &e) { return e.kind == Entry::Outline; }),
                      entries.end());

    if (!m_in.title.isEmpty()) {
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), area.top(), area.width(), line * 1.4), Qt::AlignHCenter | Qt::AlignVCenter,
                   fm.elidedText(m_in.title, Qt::ElideRight, area.width()));
    }

    // ---- cells: one image pixel per cell, scaled ----
    {
        QImage cells(columns, rows, QImage::Format_RGB32);
        const bool anyMasked = layout->maskedCount() > 0;
        const QRgb masked = MaskedFill.rgb();
        for (int r = 0; r < rows; ++r) {
            QRgb *out = reinterpret_cast<QRgb *>(cells.scanLine(r));
            const double *in = values + qsizetype(r) * columns;
            for (int c = 0; c < columns; ++c) {
                if (anyMasked && layout->isMasked({r + 1, c}))
                    out[c] = masked;
                else
                    out[c] = std::isfinite(in[c]) ? rampColour(in[c], low, high, quantity) : Blank;
            }
        }
        drawCellImage(p, m_cells, cells);
    }
    if (detail) {
        p.setPen(QPen(CellLineColour, 1));
        for (int c = 1; c < columns; ++c)
            p.drawLine(QPointF(left + c * cw, top), QPointF(left + c * cw, m_cells.bottom()));
        for (int r = 1; r < rows; ++r)
            p.drawLine(QPointF(left, top + r * ch), QPointF(m_cells.right(), top + r * ch));
        for (const GridCell &cell : layout->maskedCells())
            hatchMasked(p, cellRect(cell));
        if (banded) {
            const BandJudge judge(*m_in.limits, m_in.decimals);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    const double v = values[qsizetype(r) * columns + c];
                    const GridCell cell{r + 1, c};
                    if (!std::isfinite(v) || layout->isMasked(cell))
                        continue;
                    const Band band = judge.band(v);
                    if (band != Band::Normal)
                        outlineBand(p, cellRect(cell), band);
                }
        }
    }
    p.setPen(QPen(FrameColour, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(m_cells);

    // ---- row and column labels, thinned to what fits ----
    p.setPen(AxisColour);
    const int rowStep = labelStep(ch, line * 1.05, {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000});
    for (int row = 1; row <= rows; ++row) {
        if (rowStep > 1 && row % rowStep != 0 && !(row == 1 && rowStep >= 5))
            continue;
        p.drawText(QRectF(area.left(), top + (row - 0.5) * ch - line / 2, rowLabelWidth - 4, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(row));
    }
    const double columnLabelWidth = fm.horizontalAdvance(QStringLiteral("WW")) + 4;
    const int columnStep = labelStep(cw, columnLabelWidth, {1, 2, 4, 13, 26, 52});
    for (int c = 0; c < columns; c += columnStep)
        p.drawText(QRectF(left + (c + 0.5) * cw - columnLabelWidth, top - columnLabelHeight, columnLabelWidth * 2, line),
                   Qt::AlignHCenter | Qt::AlignBottom, GridLayout::columnLabel(c));

    // ---- the worst of every row (right) and column (bottom) ----
    {
        QImage rowSwatch(1, rows, QImage::Format_RGB32), columnSwatch(columns, 1, QImage::Format_RGB32);
        for (int r = 0; r < rows; ++r) {
            const GridExtreme &e = sum.rows.at(r);
            rowSwatch.setPixel(0, r, e.isValid() ? rampColour(e.value, low, high, quantity) : Blank);
        }
        for (int c = 0; c < columns; ++c) {
            const GridExtreme &e = sum.columns.at(c);
            columnSwatch.setPixel(c, 0, e.isValid() ? rampColour(e.value, low, high, quantity) : Blank);
        }
        drawCellImage(p, QRectF(m_cells.right() + 3, top, Swatch, m_cells.height()), rowSwatch);
        drawCellImage(p, QRectF(left, m_cells.bottom() + 3, m_cells.width(), Swatch), columnSwatch);
    }
    const double rowTextX = m_cells.right() + 3 + Swatch + 3;
    const double columnTextY = m_cells.bottom() + 3 + Swatch + 2;
    const bool everyRow = ch >= line * 0.95;
    const bool everyColumn = columnTextFlat || cw >= line * 0.95;
    QFont bold = font;
    bold.setBold(true);
    const auto rowText = [&](int r, bool worst) {
        p.setPen(worst ? MarkColour : AxisColour);
        p.drawText(QRectF(rowTextX, top + (r + 0.5) * ch - line / 2, valueWidth + 8, line),
                   Qt::AlignLeft | Qt::AlignVCenter, number(sum.rows.at(r).value));
    };
    const auto columnText = [&](int c, bool worst, bool flat) {
        p.setPen(worst ? MarkColour : AxisColour);
        const QString text = number(sum.columns.at(c).value);
        const double x = left + (c + 0.5) * cw;
        if (flat) {
            const double w = fm.horizontalAdvance(text) + 8;
            p.drawText(QRectF(std::max(x - w / 2, area.left()), columnTextY, w, line), Qt::AlignHCenter | Qt::AlignTop,
                       text);
            return;
        }
        p.save();
        p.translate(x, columnTextY);
        p.rotate(-90);
        p.drawText(QRectF(-valueWidth, -line / 2, valueWidth, line), Qt::AlignRight | Qt::AlignVCenter, text);
        p.restore();
    };
    if (everyRow)
        for (int r = 0; r < rows; ++r)
            if (r != sum.worstRow && sum.rows.at(r).isValid())
                rowText(r, false);
    if (everyColumn)
        for (int c = 0; c < columns; ++c)
            if (c != sum.worstColumn && sum.columns.at(c).isValid())
                columnText(c, false, columnTextFlat);
    if (sum.worst.isValid()) {
        p.setFont(bold);
        rowText(sum.worstRow, true);
        columnText(sum.worstColumn, true, columnTextFlat || !everyColumn);
        p.setFont(font);
    }

    // ---- the worst cell: a ring and its name ----
    if (sum.worst.isValid()) {
        const QRectF cell = cellRect(sum.worst.cell);
        const QPointF at = cell.center();
        const double radius = std::max(7.0, 0.5 * std::hypot(cw, ch) + 3);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 5));
        p.drawEllipse(at, radius, radius);
        p.setPen(QPen(MarkColour, 3));
        p.drawEllipse(at, radius, radius);
        const QString label = GridLayout::cellName(sum.worst.cell) + QLatin1Char(' ') + number(sum.worst.value);
        p.setFont(bold);
        const double w = QFontMetricsF(bold).horizontalAdvance(label) + 8;
        double x = at.x() + radius + 4;
        if (x + w > area.right() - legendWidth)
            x = at.x() - radius - 4 - w;
        const double y = std::clamp(at.y() - line / 2, area.top(), area.bottom() - line);
        const QRectF box(x, y, w, line);
        p.setPen(QPen(MarkColour, 1));
        p.setBrush(Qt::white);
        p.drawRect(box);
        p.drawText(box, Qt::AlignCenter, label);
        p.setFont(font);
        p.setRenderHint(QPainter::Antialiasing, false);
    }

    // ---- legend: the colour scale with ticks, then the kinds of cell ----
    {
        const double x = area.right() - legendWidth + 6;
        p.setPen(AxisColour);
        p.drawText(QRectF(x, top - columnLabelHeight, legendWidth - 6, line), Qt::AlignLeft | Qt::AlignBottom,
                   legendTitle);
        const double entriesHeight = entries.size() * line * 1.3;
        const double barTop = top + line / 2;
        const double barHeight = std::min(m_cells.height(), area.bottom() - barTop) - entriesHeight - line;
        if (barHeight >= line * 3) {
            QImage bar(1, RampSteps, QImage::Format_RGB32);
            for (int i = 0; i < RampSteps; ++i) // high values at the top
                bar.setPixel(0, i, rampColour(high - (high - low) * i / (RampSteps - 1), low, high, quantity));
            const QRectF barRect(x, barTop, Bar, barHeight);
            p.drawImage(barRect, bar);
            p.setPen(QPen(FrameColour, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(barRect);
            p.setPen(AxisColour);
            for (double v : ticks) {
                const double y = barTop + (high - v) / (high - low) * barHeight;
                p.drawLine(QPointF(x + Bar, y), QPointF(x + Bar + 3, y));
                p.drawText(QRectF(x + Bar + 5, y - line / 2, legendWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                           QString::number(v, 'f', tickDecimals));
            }
        }
        double y = barTop + std::max(0.0, barHeight) + line;
        for (const Entry &e : entries) {
            const QRectF box(x, y + 1, Bar, line * 1.1 - 2);
            switch (e.kind) {
            case Entry::Unmeasured:
                p.fillRect(box, Blank);
                break;
            case Entry::Masked:
                p.fillRect(box, MaskedFill);
                hatchMasked(p, box);
                break;
            case Entry::Outline:
                p.fillRect(box, Blank);
                outlineBand(p, box.adjusted(-1, -1, 1, 1), e.band);
                break;
            }
            p.setPen(QPen(FrameColour, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box);
            p.setPen(AxisColour);
            p.drawText(QRectF(x + Bar + 6, y, legendWidth, line * 1.1), Qt::AlignLeft | Qt::AlignVCenter, e.text);
            y += line * 1.3;
        }
    }
    p.restore();
}

bool writeGridMapPng(const GridMapInput &input, QSize size, const QString &path, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!input.layout || !input.layout->isValid() || input.values.size() != input.layout->cellCount())
        return fail(say(QT_TRANSLATE_NOOP("GridMap", "There is no grid to draw.")));
    if (size.isEmpty())
        return fail(say(QT_TRANSLATE_NOOP("GridMap", "The image has no size.")));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        GridMap(input).draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return fail(file.errorString());
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
