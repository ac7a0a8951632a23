// How a table's cells become rectangles for the office, and what an .xls sheet cannot hold.
#include "ExportTestSupport.h"
#include "export/CellBlocks.h"
#include "export/ExcelEngine.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace ExportTestSupport;

namespace {

using Rects = QVector<CellRect>;

char *describe(const Rects &rects)
{
    QStringList parts;
    for (const CellRect &r : rects)
        parts << QStringLiteral("(%1,%2)-(%3,%4)").arg(r.top).arg(r.left).arg(r.bottom).arg(r.right);
    return qstrdup(qPrintable(parts.join(QLatin1Char(' '))));
}

Rects formatRects(const CellBand &band, int decimals)
{
    for (const FormatRects &f : band.formats)
        if (f.decimals == decimals)
            return f.rects;
    return {};
}

// How often each cell of a rows x columns grid is covered by the rectangles; -1 marks a
// rectangle outside the band or the grid.
QVector<QVector<int>> coverage(const Rects &rects, int rows, int columns, int first, int last)
{
    QVector<QVector<int>> grid(rows, QVector<int>(columns, 0));
    for (const CellRect &r : rects) {
        if (r.top < first || r.bottom > last || r.top > r.bottom || r.left > r.right || r.left < 0
            || r.right >= columns)
            return {{-1}};
        for (int row = r.top; row <= r.bottom; ++row)
            for (int c = r.left; c <= r.right; ++c)
                ++grid[row][c];
    }
    return grid;
}

} // namespace

namespace QTest {
template<>
char *toString(const Rects &rects)
{
    return describe(rects);
}
} // namespace QTest

class TestExportCellBlocks : public QObject
{
    Q_OBJECT

private slots:
    void layoutOfASmallTable();
    void rectanglesCoverExactlyTheirCells();
    void uniformColumnsTakeOneCallEach();
    void xlsLimits();
    void engineRefusesBeforeStartingAnOffice();
};

void TestExportCellBlocks::layoutOfASmallTable()
{
    WorkbookTable table;
    table.headers = {"T\n(mm)", "V"};
    table.rows = {{num(1.25, 2), num(5920, 0)},
                  {txt("Outrange"), num(5920, 0)},
                  {num(1.5, 2), num(6000, 0), txt("extra")}, // longer than the header row
                  {none(), num(6100, 0)},
                  {},
                  {num(7, -1), txt("a\nb")}};
    const SheetCells cells(table);
    QCOMPARE(cells.rowCount(), 7);
    QCOMPARE(cells.columnCount(), 3);
    QVERIFY(cells.problem().isEmpty());
    QCOMPARE(cells.at(0, 0).text, QStringLiteral("T\n(mm)"));
    QVERIFY(cells.at(0, 2).kind == WorkbookCell::Kind::Empty);
    QCOMPARE(cells.at(3, 2).text, QStringLiteral("extra"));
    QCOMPARE(cells.at(1, 0).number, 1.25);
    QVERIFY(cells.at(5, 1).kind == WorkbookCell::Kind::Empty);

    const CellBand all = cells.band(0, 6);
    // Headers and the first two rows form one rectangle; the empty cell and row split the rest.
    QCOMPARE(all.filled, (Rects{{0, 0, 2, 1}, {3, 0, 3, 2}, {4, 1, 4, 1}, {6, 0, 6, 1}}));
    QCOMPARE(all.formats.size(), 2);
    QCOMPARE(all.formats[0].decimals, 0); // negative decimals show none
    QCOMPARE(all.formats[1].decimals, 2);
    QCOMPARE(formatRects(all, 0), (Rects{{1, 1, 4, 1}, {6, 0, 6, 0}}));
    QCOMPARE(formatRects(all, 2), (Rects{{1, 0, 1, 0}, {3, 0, 3, 0}}));
    QCOMPARE(all.lineBreakRows, (QVector<int>{0, 6}));

    // A band holds only its own rows, and its rectangles start afresh at its first row.
    const CellBand middle = cells.band(2, 4);
    QCOMPARE(middle.filled, (Rects{{2, 0, 2, 1}, {3, 0, 3, 2}, {4, 1, 4, 1}}));
    QCOMPARE(formatRects(middle, 0), (Rects{{2, 1, 4, 1}}));
    QCOMPARE(formatRects(middle, 2), (Rects{{3, 0, 3, 0}}));
    QVERIFY(middle.lineBreakRows.isEmpty());
    // Out-of-range bands are cut to the sheet.
    QCOMPARE(cells.band(5, 99).filled, (Rects{{6, 0, 6, 1}}));
    QVERIFY(cells.band(7, 9).filled.isEmpty());
}

void TestExportCellBlocks::rectanglesCoverExactlyTheirCells()
{
    // Mixed kinds and decimals in random places: every non-empty cell of the band is in
    // exactly one filled rectangle, every number cell in exactly one rectangle of its
    // decimals and in none of another, nothing else is covered.
    QRandomGenerator random(20240611);
    WorkbookTable table;
    table.headers = {"a", "b\nc", "", "d"};
    for (int r = 0; r < 300; ++r) {
        QVector<WorkbookCell> row;
        const int width = random.bounded(9);
        for (int c = 0; c < width; ++c) {
            const int pick = random.bounded(10);
            if (pick < 5)
                row << num(random.bounded(1000) / 10.0, r % 7 < 5 ? c % 3 : random.bounded(4));
            else if (pick < 7)
                row << txt(random.bounded(20) == 0 ? "x\ny" : "w");
            else
                row << none();
        }
        table.rows << row;
    }
    const SheetCells cells(table);
    const QList<QPair<int, int>> bands{{0, 300}, {0, 0}, {1, 137}, {138, 300}, {55, 55}};
    for (const auto &[first, last] : bands) {
        const CellBand band = cells.band(first, last);
        const auto filled = coverage(band.filled, cells.rowCount(), cells.columnCount(), first, last);
        QVERIFY(filled.size() == cells.rowCount());
        QVector<QVector<int>> formatted(cells.rowCount(), QVector<int>(cells.columnCount(), 0));
        int previousDecimals = -1;
        for (const FormatRects &f : band.formats) {
            QVERIFY(f.decimals > previousDecimals);
            previousDecimals = f.decimals;
            const auto grid = coverage(f.rects, cells.rowCount(), cells.columnCount(), first, last);
            QVERIFY(grid.size() == cells.rowCount());
            for (int r = 0; r < cells.rowCount(); ++r)
                for (int c = 0; c < cells.columnCount(); ++c) {
                    if (grid[r][c] == 0)
                        continue;
                    QVERIFY2(cells.at(r, c).kind == WorkbookCell::Kind::Number && cells.at(r, c).decimals == f.decimals,
                             qPrintable(QStringLiteral("%1,%2 in the %3-decimals group").arg(r).arg(c).arg(f.decimals)));
                    formatted[r][c] += grid[r][c];
                }
        }
        QVector<int> lineBreaks;
        for (int r = 0; r < cells.rowCount(); ++r) {
            bool hasBreak = false;
            for (int c = 0; c < cells.columnCount(); ++c) {
                const WorkbookCell &cell = cells.at(r, c);
                const bool inBand = r >= first && r <= last;
                QCOMPARE(filled[r][c], inBand && cell.kind != WorkbookCell::Kind::Empty ? 1 : 0);
                QCOMPARE(formatted[r][c], inBand && cell.kind == WorkbookCell::Kind::Number ? 1 : 0);
                hasBreak = hasBreak || (inBand && cell.text.contains('\n'));
            }
            if (hasBreak)
                lineBreaks << r;
        }
        QCOMPARE(band.lineBreakRows, lineBreaks);
    }
}

void TestExportCellBlocks::uniformColumnsTakeOneCallEach()
{
    // The usual table: every column one kind and decimals. The whole band is one rectangle
    // of values and one per number format, however many rows it has.
    WorkbookTable table;
    table.headers = {"Name", "T\n(mm)", "V\n(m/s)"};
    for (int r = 0; r < 10000; ++r)
        table.rows << QVector<WorkbookCell>{txt(QString::number(r)), num(r / 100.0, 2), num(5900 + r % 100, 0)};
    const SheetCells cells(table);
    const CellBand band = cells.band(0, cells.rowCount() - 1);
    QCOMPARE(band.filled, (Rects{{0, 0, 10000, 2}}));
    QCOMPARE(formatRects(band, 2), (Rects{{1, 1, 10000, 1}}));
    QCOMPARE(formatRects(band, 0), (Rects{{1, 2, 10000, 2}}));
}

void TestExportCellBlocks::xlsLimits()
{
    WorkbookTable table;
    table.headers = {"only"};
    table.rows.fill({num(1, 0)}, SheetCells::kXlsRows - 1);
    QVERIFY2(SheetCells(table).problem().isEmpty(), "65,535 rows and the header row fit");
    table.rows << QVector<WorkbookCell>{num(1, 0)};
    QVERIFY(SheetCells(table).problem().contains(QStringLiteral("65536")));

    WorkbookTable wide;
    for (int c = 0; c < SheetCells::kXlsColumns; ++c)
        wide.headers << QString::number(c);
    wide.rows = {{num(1, 0)}};
    QVERIFY(SheetCells(wide).problem().isEmpty());
    wide.headers.removeLast();
    wide.rows[0] = QVector<WorkbookCell>(SheetCells::kXlsColumns + 1, num(1, 0)); // a row wider than the headers
    QVERIFY(SheetCells(wide).problem().contains(QStringLiteral("257 columns")));

    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        WorkbookTable odd;
        odd.rows = {{num(1, 0)}, {txt("x"), num(bad, 2)}};
        QCOMPARE(SheetCells(odd).problem(), QStringLiteral("row 2, column 2 holds no finite number"));
    }
}

void TestExportCellBlocks::engineRefusesBeforeStartingAnOffice()
{
    // A stand-in office that only leaves a mark when it is started.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString office = dir.filePath(QStringLiteral("soffice"));
    const QString mark = dir.filePath(QStringLiteral("started"));
    QVERIFY(writeFile(office, QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(mark).toUtf8()));
    QVERIFY(QFile::setPermissions(office, QFile::permissions(office) | QFileDevice::ExeOwner));
    ExcelEngine engine(dir.filePath(QStringLiteral("no-template.xls")), office);

    WorkbookTable tooLong;
    tooLong.headers = {"h"};
    tooLong.rows.fill({num(1, 0)}, SheetCells::kXlsRows);
    const QString path = dir.filePath(QStringLiteral("out.xls"));
    QVERIFY(!engine.write(tooLong, path, nullptr));
    QVERIFY(!QFile::exists(mark));
    QVERIFY(!QFile::exists(path));

    // A path that exists is never written over.
    WorkbookTable small;
    small.rows = {{num(1, 0)}};
    QVERIFY(writeFile(path, "mine"));
    QVERIFY(!engine.write(small, path, nullptr));
    QVERIFY(!QFile::exists(mark));
    QCOMPARE(contents(path), QByteArray("mine"));

#ifdef PALVARIN_CALC_AVAILABLE
    // The stand-in is started for a table that fits (and the write fails, as it never answers).
    QFile::remove(path);
    QVERIFY(!engine.write(small, path, nullptr));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 5000);
#endif
}

QTEST_GUILESS_MAIN(TestExportCellBlocks)
#include "tst_export_cell_blocks.moc"
