// A grid's cell names and walks: each of the 16 walks on a 3 × 4 grid with masked cells against
// orders written out by hand, the cursor stepping the same way, names and labels at their ends,
// and every walk of the largest grid visiting each cell once.
#include "analysis/GridLayout.h"

#include <QElapsedTimer>
#include <QtTest>

Q_DECLARE_METATYPE(WalkPattern)

namespace {

QStringList names(const QVector<GridCell> &cells)
{
    QStringList out;
    for (const GridCell &cell : cells)
        out << GridLayout::cellName(cell);
    return out;
}

QVector<WalkPattern> allPatterns()
{
    QVector<WalkPattern> patterns;
    for (int corner = 0; corner < 4; ++corner)
        for (int axis = 0; axis < 2; ++axis)
            for (int style = 0; style < 2; ++style)
                patterns.append(WalkPattern{WalkCorner(corner), WalkAxis(axis), WalkStyle(style)});
    return patterns;
}

} // namespace

class TestGridLayout : public QObject
{
    Q_OBJECT

private slots:
    void walksOnSmallGrid_data();
    void walksOnSmallGrid();
    void cellNames();
    void columnLabels();
    void sizeAndMasks();
    void largestGridWalks();
};

void TestGridLayout::walksOnSmallGrid_data()
{
    QTest::addColumn<WalkPattern>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("afterMasked"); // the cell the cursor moves to from masked B2

    using C = WalkCorner;
    const auto R = WalkAxis::AlongRows, K = WalkAxis::AlongColumns;
    const auto S = WalkStyle::Straight, N = WalkStyle::Snaking;
    // Rows 1…3 (1 at the top), columns A…D; B2 and D3 masked.
    QTest::newRow("TL rows straight") << WalkPattern{C::TopLeft, R, S} << "A1 B1 C1 D1 A2 C2 D2 A3 B3 C3" << "C2";
    QTest::newRow("TL rows snake") << WalkPattern{C::TopLeft, R, N} << "A1 B1 C1 D1 D2 C2 A2 A3 B3 C3" << "A2";
    QTest::newRow("TR rows straight") << WalkPattern{C::TopRight, R, S} << "D1 C1 B1 A1 D2 C2 A2 C3 B3 A3" << "A2";
    QTest::newRow("TR rows snake") << WalkPattern{C::TopRight, R, N} << "D1 C1 B1 A1 A2 C2 D2 C3 B3 A3" << "C2";
    QTest::newRow("BL rows straight") << WalkPattern{C::BottomLeft, R, S} << "A3 B3 C3 A2 C2 D2 A1 B1 C1 D1" << "C2";
    QTest::newRow("BL rows snake") << WalkPattern{C::BottomLeft, R, N} << "A3 B3 C3 D2 C2 A2 A1 B1 C1 D1" << "A2";
    QTest::newRow("BR rows straight") << WalkPattern{C::BottomRight, R, S} << "C3 B3 A3 D2 C2 A2 D1 C1 B1 A1" << "A2";
    QTest::newRow("BR rows snake") << WalkPattern{C::BottomRight, R, N} << "C3 B3 A3 A2 C2 D2 D1 C1 B1 A1" << "C2";
    QTest::newRow("TL columns straight") << WalkPattern{C::TopLeft, K, S} << "A1 A2 A3 B1 B3 C1 C2 C3 D1 D2" << "B3";
    QTest::newRow("TL columns snake") << WalkPattern{C::TopLeft, K, N} << "A1 A2 A3 B3 B1 C1 C2 C3 D2 D1" << "B1";
    QTest::newRow("TR columns straight") << WalkPattern{C::TopRight, K, S} << "D1 D2 C1 C2 C3 B1 B3 A1 A2 A3" << "B3";
    QTest::newRow("TR columns snake") << WalkPattern{C::TopRight, K, N} << "D1 D2 C3 C2 C1 B1 B3 A3 A2 A1" << "B3";
    QTest::newRow("BL columns straight") << WalkPattern{C::BottomLeft, K, S} << "A3 A2 A1 B3 B1 C3 C2 C1 D2 D1" << "B1";
    QTest::newRow("BL columns snake") << WalkPattern{C::BottomLeft, K, N} << "A3 A2 A1 B1 B3 C3 C2 C1 D1 D2" << "B3";
    QTest::newRow("BR columns straight") << WalkPattern{C::BottomRight, K, S} << "D2 D1 C3 C2 C1 B3 B1 A3 A2 A1" << "B1";
    QTest::newRow("BR columns snake") << WalkPattern{C::BottomRight, K, N} << "D2 D1 C1 C2 C3 B3 B1 A1 A2 A3" << "B1";
}

void TestGridLayout::walksOnSmallGrid()
{
    QFETCH(WalkPattern, pattern);
    QFETCH(QString, expected);
    QFETCH(QString, afterMasked);

    GridLayout grid(3, 4);
    grid.setMasked(grid.cellFromName(u"B2"), true);
    grid.setMasked(grid.cellFromName(u"D3"), true);
    const QStringList want = expected.split(QLatin1Char(' '));

    QCOMPARE(names(grid.walkOrder(pattern)), want);

    // The cursor: from nowhere to the first cell, then cell by cell, then past the end.
    QStringList stepped;
    for (GridCell cell = grid.nextCell(pattern, GridCell{}); cell.isValid();
         cell = grid.nextCell(pattern, cell)) {
        stepped << GridLayout::cellName(cell);
        if (stepped.size() > want.size())
            break;
    }
    QCOMPARE(stepped, want);
    QCOMPARE(GridLayout::cellName(grid.nextCell(pattern, grid.cellFromName(u"B2"))), afterMasked);
    // A cell outside the grid is no position: the walk starts over.
    QCOMPARE(grid.nextCell(pattern, GridCell{5, 0}), grid.cellFromName(want.first()));
}

void TestGridLayout::cellNames()
{
    struct Good { const char *name; int row; int column; };
    const Good good[] = {
        {"B12", 12, 1}, {"12b", 12, 1}, {" aa3 ", 3, 26}, {"\t3AA\n", 3, 26}, {"a1", 1, 0},
        {"ZZ999", 999, 51}, {"999zz", 999, 51}, {"z7", 7, 25}, {"B012", 12, 1},
    };
    for (const Good &g : good) {
        const GridCell cell = GridLayout::parseCellName(QString::fromLatin1(g.name));
        QVERIFY2(cell == (GridCell{g.row, g.column}), g.name);
    }
    QCOMPARE(GridLayout::cellName(GridCell{12, 1}), QStringLiteral("B12"));
    QCOMPARE(GridLayout::cellName(GridCell{999, 51}), QStringLiteral("ZZ999"));

    const char *const bad[] = {
        "", "  ", "B", "12", "AB3", "AAA3", "3AB", "B0", "0B", "B1000", "1000B", "B 12",
        "B12C", "1B2", "B-3", "-3B", "+3B", "B1.5", "B12_", "\xC3\x84" "1", "ZZ99999999999",
    };
    for (const char *b : bad)
        QVERIFY2(!GridLayout::parseCellName(QString::fromUtf8(b)).isValid(), b);
    QVERIFY(GridLayout::cellName(GridCell{0, 1}).isEmpty());
    QVERIFY(GridLayout::cellName(GridCell{1000, 1}).isEmpty());
    QVERIFY(GridLayout::cellName(GridCell{1, 52}).isEmpty());

    // Within a grid: a name beyond its last row or column is no cell of it.
    const GridLayout grid(3, 4);
    QCOMPARE(grid.cellFromName(u"3d"), (GridCell{3, 3}));
    QVERIFY(!grid.cellFromName(u"E1").isValid());
    QVERIFY(!grid.cellFromName(u"A4").isValid());
}

void TestGridLayout::columnLabels()
{
    QCOMPARE(GridLayout::columnLabel(0), QStringLiteral("A"));
    QCOMPARE(GridLayout::columnLabel(25), QStringLiteral("Z"));
    QCOMPARE(GridLayout::columnLabel(26), QStringLiteral("AA"));
    QCOMPARE(GridLayout::columnLabel(27), QStringLiteral("BB"));
    QCOMPARE(GridLayout::columnLabel(51), QStringLiteral("ZZ"));
    QVERIFY(GridLayout::columnLabel(52).isEmpty());
    QVERIFY(GridLayout::columnLabel(-1).isEmpty());

    QSet<QString> seen;
    for (int i = 0; i < GridLayout::MaxColumns; ++i) {
        const QString label = GridLayout::columnLabel(i);
        seen.insert(label);
        QCOMPARE(GridLayout::columnIndex(label), i);
        QCOMPARE(GridLayout::columnIndex(label.toLower()), i);
    }
    QCOMPARE(seen.size(), GridLayout::MaxColumns);

    for (const char *bad : {"", "AB", "AAA", "1", "A1", "[", "@"})
        QVERIFY2(GridLayout::columnIndex(QString::fromLatin1(bad)) == -1, bad);
}

void TestGridLayout::sizeAndMasks()
{
    GridLayout grid(3, 4);
    grid.setMasked(GridCell{1, 0}, true);
    grid.setMasked(GridCell{2, 1}, true);
    grid.setMasked(GridCell{3, 3}, true);
    grid.setMasked(GridCell{4, 0}, true); // outside: ignored
    QCOMPARE(grid.maskedCount(), 3);

    for (const auto &size : {QPair<int, int>{0, 4}, {1000, 4}, {3, 0}, {3, 53}}) {
        QVERIFY(!grid.setSize(size.first, size.second));
        QCOMPARE(grid.rows(), 3);
        QCOMPARE(grid.columns(), 4);
    }

    // Shrinking drops the masks outside and keeps the rest where they were.
    QVERIFY(grid.setSize(2, 52));
    QCOMPARE(grid.maskedCells(), (QVector<GridCell>{GridCell{1, 0}, GridCell{2, 1}}));
    QVERIFY(!grid.isMasked(GridCell{1, 5}));
    QCOMPARE(grid.walkOrder(WalkPattern{}).size(), 2 * 52 - 2);

    GridLayout same(2, 52);
    QVERIFY(same != grid);
    same.setMasked(GridCell{1, 0}, true);
    same.setMasked(GridCell{2, 1}, true);
    QVERIFY(same == grid);
    same.setPitchMm(25.0);
    QVERIFY(same != grid);
}

void TestGridLayout::largestGridWalks()
{
    GridLayout grid(GridLayout::MaxRows, GridLayout::MaxColumns);
    QCOMPARE(grid.cellCount(), 51948);
    for (const WalkPattern &pattern : allPatterns()) {
        QElapsedTimer timer;
        timer.start();
        const QVector<GridCell> order = grid.walkOrder(pattern);
        const qint64 ms = timer.elapsed();
        if (ms > 10)
            qWarning("a 999 x 52 walk took %lld ms", ms);

        QCOMPARE(order.size(), grid.cellCount());
        std::vector<bool> seen(std::size_t(grid.cellCount()), false);
        for (int i = 0; i < order.size(); ++i) {
            const GridCell c = order[i];
            QVERIFY(grid.contains(c));
            const std::size_t at = std::size_t((c.row - 1) * grid.columns() + c.column);
            QVERIFY(!seen[at]);
            seen[at] = true;
            // A snake never jumps: each cell touches the one before it.
            if (pattern.style == WalkStyle::Snaking && i > 0) {
                const int dr = std::abs(c.row - order[i - 1].row);
                const int dc = std::abs(c.column - order[i - 1].column);
                QCOMPARE(dr + dc, 1);
            }
        }
        QCOMPARE(grid.nextCell(pattern, order.last()), GridCell{});
        QCOMPARE(grid.nextCell(pattern, order[1000]), order[1001]);
    }
}

QTEST_APPLESS_MAIN(TestGridLayout)
#include "tst_grid_layout.moc"
