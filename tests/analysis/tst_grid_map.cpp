// The corrosion map of a grid: its summary on a small grid with masked, unmeasured and infinite
// cells against values placed by hand (thickness and wall loss), and the drawn map read back
// pixel by pixel: cells where hitTest and cellRect say, the worst cell ringed, blank and masked
// cells, band outlines, and the PNG written whole.
#include "analysis/GridMap.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Rows 1…4, columns A…E; B2, E3 and E4 masked (each holding a value that would win if read).
//        A     B     C     D     E
// 1     6.0   5.5   inf   -     6.2
// 2     5.9  (1.0)  4.8   -     4.8
// 3     -     -     -     -    (2.0)
// 4     6.1   5.0   3.1   -    (0.5)
struct SmallGrid
{
    GridLayout layout{4, 5};
    QVector<double> values{6.0, 5.5, Inf, NaN, 6.2, //
                           5.9, 1.0, 4.8, NaN, 4.8, //
                           NaN, NaN, NaN, NaN, 2.0, //
                           6.1, 5.0, 3.1, NaN, 0.5};
    SmallGrid()
    {
        for (const char *name : {"B2", "E3", "E4"})
            layout.setMasked(GridLayout::parseCellName(QString::fromLatin1(name)), true);
    }
    GridMapInput input(GridQuantity quantity) const
    {
        GridMapInput in;
        in.layout = &layout;
        in.values = values;
        in.quantity = quantity;
        in.unit = QStringLiteral("mm");
        in.title = QStringLiteral("Elbow 3");
        return in;
    }
};

QString name(GridCell cell)
{
    return cell.isValid() ? GridLayout::cellName(cell) : QStringLiteral("-");
}

QString describe(const QVector<GridExtreme> &line)
{
    QStringList out;
    for (const GridExtreme &e : line)
        out << (e.isValid() ? QStringLiteral("%1=%2").arg(name(e.cell)).arg(e.value) : QStringLiteral("-"));
    return out.join(QLatin1Char(' '));
}

QImage render(GridMap &map, QSize size = QSize(800, 500))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    map.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// Pixels of exactly `colour` inside `rect` (clipped to the image).
int countColour(const QImage &image, const QRectF &rect, QRgb colour)
{
    const QRect r = rect.toAlignedRect() & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

QRgb centrePixel(const QImage &image, const QRectF &cell)
{
    return image.pixel(cell.center().toPoint()) & 0xFFFFFF;
}

} // namespace

class TestGridMap : public QObject
{
    Q_OBJECT

private slots:
    void summaryOfThickness();
    void summaryOfWallLoss();
    void drawnCellsAndWorstRing();
    void bandOutlines();
    void pngWritten();
};

void TestGridMap::summaryOfThickness()
{
    const SmallGrid g;
    const GridSummary s = summarizeGrid(g.layout, g.values, GridQuantity::Thickness);
    QCOMPARE(s.measured, 9);
    QCOMPARE(name(s.worst.cell), QStringLiteral("C4"));
    QCOMPARE(s.worst.value, 3.1);
    QCOMPARE(s.worstRow, 3);
    QCOMPARE(s.worstColumn, 2);
    // Row 2's tie (C2, E2) goes to the first; row 3 and column D have nothing measured.
    QCOMPARE(describe(s.rows), QStringLiteral("B1=5.5 C2=4.8 - C4=3.1"));
    QCOMPARE(describe(s.columns), QStringLiteral("A2=5.9 B4=5 C4=3.1 - E2=4.8"));
    QVERIFY(std::isnan(s.rows.at(2).value) && std::isnan(s.columns.at(3).value));

    // The map gives the same summary before it is drawn; values of the wrong length give none.
    GridMap map(g.input(GridQuantity::Thickness));
    QCOMPARE(name(map.summary().worst.cell), QStringLiteral("C4"));
    QVector<double> shorter = g.values;
    shorter.removeLast();
    const GridSummary none = summarizeGrid(g.layout, shorter, GridQuantity::Thickness);
    QVERIFY(!none.worst.isValid() && none.rows.isEmpty() && none.measured == 0);
}

void TestGridMap::summaryOfWallLoss()
{
    const SmallGrid g;
    const GridSummary s = summarizeGrid(g.layout, g.values, GridQuantity::WallLoss);
    QCOMPARE(s.measured, 9);
    QCOMPARE(name(s.worst.cell), QStringLiteral("E1"));
    QCOMPARE(s.worst.value, 6.2);
    QCOMPARE(describe(s.rows), QStringLiteral("E1=6.2 A2=5.9 - A4=6.1"));
    QCOMPARE(describe(s.columns), QStringLiteral("A4=6.1 B1=5.5 C2=4.8 - E1=6.2"));

    // Drawn, the ring is around the deepest loss, and that cell has the red end of the scale.
    GridMap map(g.input(GridQuantity::WallLoss));
    const QImage image = render(map);
    const QRectF deepest = map.cellRect(GridCell{1, 4});
    QVERIFY(countColour(image, deepest.adjusted(-30, -30, 30, 30), GridMap::markColour().rgb()) > 20);
    QCOMPARE(centrePixel(image, deepest), GridMap::rampColour(3.1, 3.1, 6.2, GridQuantity::Thickness) & 0xFFFFFF);
    QCOMPARE(countColour(image, map.cellRect(GridCell{4, 2}), GridMap::markColour().rgb()), 0);
}

void TestGridMap::drawnCellsAndWorstRing()
{
    const SmallGrid g;
    GridMap map(g.input(GridQuantity::Thickness));
    QVERIFY(!map.hitTest(QPointF(100, 100)).isValid()); // nothing drawn yet
    QVERIFY(map.cellRect(GridCell{1, 0}).isEmpty());
    const QImage image = render(map);

    // Every cell is found where it was drawn, to its edges; the cells tile without gaps.
    for (int row = 1; row <= 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            const GridCell cell{row, column};
            const QRectF r = map.cellRect(cell);
            QVERIFY2(r.width() > 20 && r.height() > 20, qPrintable(name(cell)));
            QCOMPARE(map.hitTest(r.center()), cell);
            QCOMPARE(map.hitTest(r.topLeft() + QPointF(0.5, 0.5)), cell);
            QCOMPARE(map.hitTest(r.bottomRight() - QPointF(0.5, 0.5)), cell);
            if (column > 0)
                QCOMPARE(r.left(), map.cellRect(GridCell{row, column - 1}).right());
        }
    }
    const QRectF first = map.cellRect(GridCell{1, 0}), last = map.cellRect(GridCell{4, 4});
    QVERIFY(!map.hitTest(first.topLeft() - QPointF(1, 1)).isValid());
    QVERIFY(!map.hitTest(last.bottomRight() + QPointF(1, 1)).isValid());
    QVERIFY(map.cellRect(GridCell{5, 0}).isEmpty());
    QVERIFY(map.cellRect(GridCell{1, 5}).isEmpty());

    // Thin is red, thick is blue; unmeasured cells are blank, masked ones grey.
    const QRgb thinnest = GridMap::rampColour(3.1, 3.1, 6.2, GridQuantity::Thickness) & 0xFFFFFF;
    QCOMPARE(centrePixel(image, map.cellRect(GridCell{4, 2})), thinnest);
    QCOMPARE(centrePixel(image, map.cellRect(GridCell{1, 4})),
             GridMap::rampColour(6.2, 3.1, 6.2, GridQuantity::Thickness) & 0xFFFFFF);
    QVERIFY(qRed(thinnest) > 150 && qBlue(thinnest) < 80);
    QCOMPARE(centrePixel(image, map.cellRect(GridCell{1, 3})), QRgb(0xFFFFFF));
    const QRectF masked = map.cellRect(GridCell{2, 1});
    QVERIFY(countColour(image, masked, qRgb(0xC8, 0xC8, 0xC8)) > masked.width() * masked.height() / 2);
    QVERIFY(countColour(image, masked, qRgb(0x70, 0x70, 0x70)) > masked.width()); // the hatch

    // The thinnest cell is ringed in the mark colour, and no other cell is.
    const QRgb mark = GridMap::markColour().rgb();
    QVERIFY(countColour(image, map.cellRect(GridCell{4, 2}).adjusted(-30, -30, 30, 30), mark) > 20);
    QCOMPARE(countColour(image, first.united(map.cellRect(GridCell{2, 4})), mark), 0);
}

void TestGridMap::bandOutlines()
{
    const SmallGrid g;
    GridMapInput in = g.input(GridQuantity::Thickness);
    // Under 5.5 (nominal - tolerance) amber, under 4.0 red: C4 red; B4, C2, E2 amber; B1 (5.5) normal.
    in.limits = Limits{6.0, 4.0, 0.5, std::nullopt, QStringLiteral("mm")};
    GridMap map(in);
    const QImage image = render(map);
    const QRgb red = qRgb(0xC6, 0x28, 0x28), amber = qRgb(0xF9, 0xA8, 0x25);
    const auto edge = [&map](int row, int column) { // a band across the cell's left edge
        const QRectF r = map.cellRect(GridCell{row, column});
        return QRectF(r.left(), r.top() + 8, 4, r.height() - 16);
    };
    QVERIFY(countColour(image, edge(4, 2), red) > 10);
    for (const GridCell cell : {GridCell{4, 1}, GridCell{2, 2}, GridCell{2, 4}})
        QVERIFY2(countColour(image, edge(cell.row, cell.column), amber) > 10, qPrintable(name(cell)));
    for (const GridCell cell : {GridCell{1, 1}, GridCell{1, 0}, GridCell{2, 1}}) // normal, normal, masked
        QVERIFY2(countColour(image, edge(cell.row, cell.column), amber) + countColour(image, edge(cell.row, cell.column), red) == 0,
                 qPrintable(name(cell)));
}

void TestGridMap::pngWritten()
{
    const SmallGrid g;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("map.png"));
    QString error;
    QVERIFY2(writeGridMapPng(g.input(GridQuantity::Thickness), QSize(640, 400), path, &error), qPrintable(error));
    const QImage back(path);
    QCOMPARE(back.size(), QSize(640, 400));
    QVERIFY(countColour(back, back.rect(), GridMap::markColour().rgb()) > 20);

    // Refused without leaving anything: a folder that does not exist, values that do not fit.
    error.clear();
    QVERIFY(!writeGridMapPng(g.input(GridQuantity::Thickness), QSize(640, 400), dir.filePath(QStringLiteral("no/map.png")),
                             &error));
    QVERIFY(!error.isEmpty());
    GridMapInput wrong = g.input(GridQuantity::Thickness);
    wrong.values.removeLast();
    error.clear();
    const QString other = dir.filePath(QStringLiteral("other.png"));
    QVERIFY(!writeGridMapPng(wrong, QSize(640, 400), other, &error));
    QVERIFY(!error.isEmpty() && !QFile::exists(other));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("map.png")});
}

QTEST_MAIN(TestGridMap)
#include "tst_grid_map.moc"
