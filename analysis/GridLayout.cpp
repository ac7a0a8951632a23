#include "analysis/GridLayout.h"

#include <QStringList>

#include <cmath>

namespace {

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

bool isAsciiDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'9';
}

int letterIndex(QChar c) // 0…25 for an ASCII letter of either case
{
    const char16_t u = c.unicode();
    return u >= u'a' ? int(u - u'a') : int(u - u'A');
}

// Row number from digits only; 0 (never a row) when out of 1…999.
int rowNumber(QStringView digits)
{
    if (digits.isEmpty())
        return 0;
    int value = 0;
    for (const QChar c : digits) {
        if (!isAsciiDigit(c))
            return 0;
        value = value * 10 + (c.unicode() - u'0');
        if (value > GridLayout::MaxRows)
            return 0;
    }
    return value;
}

// How a walk pattern maps its step number onto the grid. A walk is a sequence of lines
// (rows or columns) of equal length; step p lies on line p / length at place p % length.
struct WalkGeometry
{
    int rows;
    int columns;
    bool alongRows;
    bool fromTop;
    bool fromLeft;
    bool snaking;

    WalkGeometry(int r, int c, WalkPattern pattern)
        : rows(r)
        , columns(c)
        , alongRows(pattern.axis == WalkAxis::AlongRows)
        , fromTop(pattern.corner == WalkCorner::TopLeft || pattern.corner == WalkCorner::TopRight)
        , fromLeft(pattern.corner == WalkCorner::TopLeft || pattern.corner == WalkCorner::BottomLeft)
        , snaking(pattern.style == WalkStyle::Snaking)
    {
    }

    int lineLength() const { return alongRows ? columns : rows; }

    // Whether line `line` runs the way the starting corner faces (rightwards from the left,
    // downwards from the top); a snake turns back on every other line.
    bool forwardOn(int line, bool startForward) const
    {
        return (snaking && (line % 2 == 1)) ? !startForward : startForward;
    }

    GridCell cellAt(int step) const
    {
        const int line = step / lineLength();
        const int place = step % lineLength();
        GridCell cell;
        if (alongRows) {
            cell.row = fromTop ? line + 1 : rows - line;
            cell.column = forwardOn(line, fromLeft) ? place : columns - 1 - place;
        } else {
            cell.column = fromLeft ? line : columns - 1 - line;
            cell.row = forwardOn(line, fromTop) ? place + 1 : rows - place;
        }
        return cell;
    }

    int stepOf(GridCell cell) const
    {
        if (alongRows) {
            const int line = fromTop ? cell.row - 1 : rows - cell.row;
            const int place = forwardOn(line, fromLeft) ? cell.column : columns - 1 - cell.column;
            return line * lineLength() + place;
        }
        const int line = fromLeft ? cell.column : columns - 1 - cell.column;
        const int place = forwardOn(line, fromTop) ? cell.row - 1 : rows - cell.row;
        return line * lineLength() + place;
    }
};

} // namespace

GridLayout::GridLayout(int rows, int columns)
{
    setSize(rows, columns);
}

QString GridLayout::columnLabel(int column)
{
    if (column < 0 || column >= MaxColumns)
        return {};
    const QChar letter(u'A' + column % 26);
    return column < 26 ? QString(letter) : QString(2, letter);
}

int GridLayout::columnIndex(QStringView label)
{
    if (label.size() == 1 && isAsciiLetter(label[0]))
        return letterIndex(label[0]);
    if (label.size() == 2 && isAsciiLetter(label[0]) && isAsciiLetter(label[1])
        && letterIndex(label[0]) == letterIndex(label[1]))
        return 26 + letterIndex(label[0]);
    return -1;
}

QString GridLayout::cellName(GridCell cell)
{
    if (!cell.isValid() || cell.row > MaxRows || cell.column >= MaxColumns)
        return {};
    return columnLabel(cell.column) + QString::number(cell.row);
}

GridCell GridLayout::parseCellName(QStringView name)
{
    const QStringView text = name.trimmed();
    if (text.isEmpty())
        return {};
    const bool lettersFirst = isAsciiLetter(text[0]);
    qsizetype split = 0;
    while (split < text.size()
           && (lettersFirst ? isAsciiLetter(text[split]) : isAsciiDigit(text[split])))
        ++split;
    const QStringView head = text.left(split);
    const QStringView tail = text.mid(split);
    const int column = columnIndex(lettersFirst ? head : tail);
    const int row = rowNumber(lettersFirst ? tail : head);
    if (column < 0 || row < 1)
        return {};
    return GridCell{row, column};
}

bool GridLayout::setSize(int rows, int columns)
{
    if (rows < 1 || rows > MaxRows || columns < 1 || columns > MaxColumns)
        return false;
    std::vector<bool> masked(std::size_t(rows) * std::size_t(columns), false);
    for (const GridCell &cell : maskedCells()) {
        if (cell.row <= rows && cell.column < columns)
            masked[std::size_t((cell.row - 1) * columns + cell.column)] = true;
    }
    m_rows = rows;
    m_columns = columns;
    m_masked = std::move(masked);
    return true;
}

bool GridLayout::contains(GridCell cell) const
{
    return cell.isValid() && cell.row <= m_rows && cell.column < m_columns;
}

GridCell GridLayout::cellFromName(QStringView name) const
{
    const GridCell cell = parseCellName(name);
    return contains(cell) ? cell : GridCell{};
}

bool GridLayout::cellsFromText(const QString &text, QVector<GridCell> *cells, QString *bad) const
{
    cells->clear();
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.split(QLatin1Char(':'));
        const GridCell first = ends.size() <= 2 ? cellFromName(ends.first()) : GridCell{};
        const GridCell last = ends.size() <= 2 ? cellFromName(ends.last()) : GridCell{};
        if (!first.isValid() || !last.isValid()) {
            if (bad)
                *bad = part.trimmed();
            return false;
        }
        // A range is the rectangle its two corners span, whichever corners they are.
        for (int row = std::min(first.row, last.row); row <= std::max(first.row, last.row); ++row)
            for (int column = std::min(first.column, last.column); column <= std::max(first.column, last.column);
                 ++column)
                cells->append(GridCell{row, column});
    }
    return true;
}

void GridLayout::setMasked(GridCell cell, bool masked)
{
    if (contains(cell))
        m_masked[std::size_t(index(cell))] = masked;
}

bool GridLayout::isMasked(GridCell cell) const
{
    return contains(cell) && m_masked[std::size_t(index(cell))];
}

QVector<GridCell> GridLayout::maskedCells() const
{
    QVector<GridCell> cells;
    for (int i = 0; i < int(m_masked.size()); ++i) {
        if (m_masked[std::size_t(i)])
            cells.append(GridCell{i / m_columns + 1, i % m_columns});
    }
    return cells;
}

int GridLayout::maskedCount() const
{
    int count = 0;
    for (const bool masked : m_masked)
        count += masked ? 1 : 0;
    return count;
}

QVector<GridCell> GridLayout::walkOrder(WalkPattern pattern) const
{
    QVector<GridCell> order;
    if (!isValid())
        return order;
    const WalkGeometry walk(m_rows, m_columns, pattern);
    const int total = cellCount();
    order.reserve(total - maskedCount());
    for (int step = 0; step < total; ++step) {
        const GridCell cell = walk.cellAt(step);
        if (!m_masked[std::size_t(index(cell))])
            order.append(cell);
    }
    return order;
}

GridCell GridLayout::nextCell(WalkPattern pattern, GridCell after) const
{
    if (!isValid())
        return {};
    const WalkGeometry walk(m_rows, m_columns, pattern);
    const int total = cellCount();
    for (int step = contains(after) ? walk.stepOf(after) + 1 : 0; step < total; ++step) {
        const GridCell cell = walk.cellAt(step);
        if (!m_masked[std::size_t(index(cell))])
            return cell;
    }
    return {};
}

bool GridLayout::operator==(const GridLayout &other) const
{
    const bool samePitch = (std::isnan(m_pitchMm) && std::isnan(other.m_pitchMm))
        || m_pitchMm == other.m_pitchMm;
    return m_rows == other.m_rows && m_columns == other.m_columns && samePitch
        && m_masked == other.m_masked;
}
