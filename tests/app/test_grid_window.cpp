// Grid CMLs in the window: the Assets view's grid tab (map, thinnest cell, unseen minimum, a
// clicked cell's history), the map's hit testing and its one-cell repaints matching a whole
// drawing, the grid form saving the masks clicked on its map, and the fill window placing the
// gauge's pushed readings where its outline was.
#include "GaugeFixture.h"
#include "ScriptedInteraction.h"
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlJudgementPane.h"
#include "assetspage/GridFillWindow.h"
#include "assetspage/GridForm.h"
#include "assetspage/GridMapView.h"
#include "assetspage/GridPane.h"
#include "records/RecordsModel.h"
#include "session/GridBook.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace GaugeFixture;

namespace {

qint64 utc(int year)
{
    return QDateTime(QDate(year, 6, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
}

QPoint centre(GridMapView *map, GridCell cell)
{
    return map->cellRect(cell).center().toPoint();
}

// A 4 × 5 grid (A…E, E4 masked) under Plant/U1/T-1, read in 2023 and 2025; in 2025 C3 is the
// thinnest at 8.65. Returns the CML.
qint64 makeSurveyedGrid(Places &places)
{
    CmlEntry c;
    c.assetPath = QStringLiteral("Plant/U1/T-1");
    c.cml.tag = QStringLiteral("Shell-1");
    c.cml.nominal = 10.0;
    c.cml.minimum = 5.0;
    if (!places.importCmls({c}))
        return 0;
    const qint64 cml = places.cmlByTag(places.assetByPath(c.assetPath), c.cml.tag);
    GridDefinition grid;
    grid.layout = GridLayout(4, 5);
    grid.layout.setMasked({4, 4}, true);
    if (!places.setGrid(cml, grid))
        return 0;
    QVector<ReadingEntry> entries;
    QVector<GridCell> cells;
    for (int year : {2023, 2025})
        for (int row = 1; row <= 4; ++row)
            for (int column = 0; column < 5; ++column) {
                if (grid.layout.isMasked({row, column}))
                    continue;
                ReadingEntry r;
                r.assetPath = c.assetPath;
                r.tag = c.cml.tag;
                r.dateMs = utc(year);
                const float wear = year == 2025 ? 0.1f * float(row + column) : 0.0f;
                r.values[0] = row == 3 && column == 2 && year == 2025 ? 8.65f : 9.9f - wear;
                r.values[1] = 5920.0f;
                r.thicknessUnit = QStringLiteral("mm");
                entries << r;
                cells << GridCell{row, column};
            }
    if (places.importReadings(entries).size() != 2)
        return 0;
    const QVector<GridReading> readings = places.gridReadings(cml);
    if (readings.size() != cells.size())
        return 0;
    QVector<QPair<qint64, GridCell>> placed;
    for (int i = 0; i < readings.size(); ++i)
        placed << qMakePair(readings.at(i).key, cells.at(i));
    return places.setCells(placed) ? cml : 0;
}

} // namespace

class GridWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QList<QVariantList> units{{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("inch"), 3}};

private slots:
    void paneShowsTheGridAndItsCells()
    {
        SurveyStore store;
        QVERIFY(store.open(dir.filePath(QStringLiteral("pane.sqlite"))));
        Places places(store);
        const qint64 cml = makeSurveyedGrid(places);
        QVERIFY(cml);

        ScriptedInteraction dialogs;
        AssetsDialog view(&store, units, dialogs);
        view.resize(1400, 900);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.selectAsset(places.assetByPath(QStringLiteral("Plant/U1/T-1"))));
        QVERIFY(view.selectCml(cml));
        // A grid opens on its map; a plain CML would offer "Make Grid…" instead.
        QVERIFY(view.cmlTabs()->isTabVisible(1));
        QCOMPARE(view.cmlTabs()->currentWidget(), view.gridPane());
        QVERIFY(!view.judgementPane()->makeGridButton()->isVisible());
        GridPane *pane = view.gridPane();
        QVERIFY(pane->summaryText().contains(QStringLiteral("C3")));
        QVERIFY(pane->summaryText().contains(QStringLiteral("8.65 mm")));
        QVERIFY(pane->summaryText().contains(QStringLiteral("19 of 19")));

        // Four whole-row blocks are too few to extrapolate: said, with no figure; single cells are enough.
        pane->setBlocks(1, 0);
        QVERIFY(pane->unseenText().startsWith(pane->tr("No estimate: %1").arg(QString()).trimmed()));
        pane->setBlocks(1, 1);
        GridBook book(places);
        QVERIFY(book.load(cml));
        UnseenOptions options;
        options.blockColumns = 1;
        const UnseenMinimum expected = book.unseenMinimum(0, options);
        QVERIFY(expected.estimate.ok());
        QVERIFY(pane->unseenText().contains(RecordsModel::formatValue(expected.estimate.thinnest, 2) + QStringLiteral(" mm")));
        QVERIFY(pane->unseenText().contains(RecordsModel::formatValue(expected.estimate.lower, 2)));
        // Only the cells chosen count; a cell the grid lacks is said, not estimated from.
        options.cells = {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {4, 0}, {4, 1}};
        const UnseenMinimum chosen = book.unseenMinimum(0, options);
        QCOMPARE(chosen.blocks, 8);
        pane->setCells(QStringLiteral("a1:B4"));
        QVERIFY(pane->unseenText().contains(QStringLiteral("From 8 blocks")));
        QCOMPARE(pane->unseenText().contains(RecordsModel::formatValue(chosen.estimate.thinnest, 2)),
                 chosen.estimate.ok());
        pane->setCells(QStringLiteral("A1:F9"));
        QVERIFY(pane->unseenText().contains(QStringLiteral("'A1:F9'")));
        pane->setCells(QString());

        // Hovering and clicking find the cell under the pointer, at the corners and inside.
        GridMapView *map = pane->map();
        QSignalSpy clicked(map, &GridMapView::cellClicked);
        for (const GridCell cell : {GridCell{1, 0}, GridCell{4, 3}, GridCell{3, 2}, GridCell{2, 4}}) {
            QCOMPARE(map->cellAt(centre(map, cell)), cell);
            QTest::mouseClick(map, Qt::LeftButton, {}, centre(map, cell));
            QCOMPARE(clicked.takeLast().at(0).value<GridCell>(), cell);
        }
        QVERIFY(map->cellText({3, 2}).startsWith(QStringLiteral("C3: 8.65 mm, ")));
        QVERIFY(map->cellText({4, 4}).contains(map->tr("masked")));
        // The last click (C3) lists its two readings, oldest first.
        QCOMPARE(pane->chosenCell(), (GridCell{2, 4}));
        QTest::mouseClick(map, Qt::LeftButton, {}, centre(map, {3, 2}));
        const QStringList history = pane->cellHistoryTexts();
        QCOMPARE(history.size(), 2);
        QVERIFY(history.at(0).endsWith(QStringLiteral("9.90 mm")));
        QVERIFY(history.at(1).endsWith(QStringLiteral("8.65 mm")));

        // Wall loss since 2023: C3 lost the most.
        const QVector<qint64> surveys = book.surveys();
        QVERIFY(pane->chooseLossFrom(surveys.first()));
        QVERIFY(pane->summaryText().contains(QStringLiteral("C3, 1.25 mm")));
        QCOMPARE(map->summary().worst.cell, (GridCell{3, 2}));

        // The map saved as a PNG through the file dialog.
        const QString png = dir.filePath(QStringLiteral("shell.png"));
        dialogs.answerFileDialogs({png});
        pane->saveMapPng();
        QCOMPARE(QImage(png).size(), QSize(1600, 1000));
    }

    void oneCellRepaintsAsAWholeDrawing()
    {
        GridLayout layout(30, 20);
        layout.setMasked({5, 5}, true);
        QVector<double> values(layout.cellCount());
        for (int i = 0; i < values.size(); ++i)
            values[i] = 8.0 + 0.01 * (i % 97);
        values[0] = 7.0; // the worst, A1
        values[values.size() - 1] = 9.5; // the highest
        GridMapView map;
        map.resize(900, 700);
        map.setMap(layout, values, GridQuantity::Thickness, QStringLiteral("mm"), 2,
                   Limits{9.0, 7.5, 0.0, std::nullopt, QStringLiteral("mm")}, QStringLiteral("Patch"));
        map.grab();
        const int whole = map.fullDraws();
        // Inside the scale, neither its row's nor its column's worst: its cell alone.
        map.setValue({10, 7}, 8.93);
        QCOMPARE(map.fullDraws(), whole);
        const QRect cell = map.cellRect({10, 7}).toAlignedRect();
        QVERIFY(map.lastPatch().contains(cell));
        QVERIFY(map.lastPatch().width() < cell.width() * 3 && map.lastPatch().height() < cell.height() * 3);
        // A row's new worst: its margin redrawn too, still not the whole map.
        map.setValue({20, 9}, 7.2);
        QCOMPARE(map.fullDraws(), whole);
        QVERIFY(map.lastPatch().right() >= map.cellRect({20, 19}).right() + 10);
        // A new worst cell moves the ring: the whole map.
        map.setValue({12, 3}, 6.5);
        QCOMPARE(map.fullDraws(), whole + 1);
        map.setValue({14, 11}, 8.45);

        // Patched or not, the picture is the one a whole drawing of the same values gives.
        values[9 * 20 + 7] = 8.93;
        values[19 * 20 + 9] = 7.2;
        values[11 * 20 + 3] = 6.5;
        values[13 * 20 + 11] = 8.45;
        QCOMPARE(map.values(), values);
        GridMapInput in;
        in.layout = &layout;
        in.values = values;
        in.unit = QStringLiteral("mm");
        in.limits = Limits{9.0, 7.5, 0.0, std::nullopt, QStringLiteral("mm")};
        in.title = QStringLiteral("Patch");
        QImage fresh(map.size(), QImage::Format_RGB32);
        fresh.fill(Qt::white);
        {
            QPainter painter(&fresh);
            GridMap(in).draw(painter, QRectF(map.rect()));
        }
        QCOMPARE(map.grab().toImage().convertToFormat(QImage::Format_RGB32), fresh);
    }

    void formSavesTheMasksClicked()
    {
        SurveyStore store;
        QVERIFY(store.open(dir.filePath(QStringLiteral("form.sqlite"))));
        Places places(store);
        CmlEntry c;
        c.assetPath = QStringLiteral("Plant/U2/V-7");
        c.cml.tag = QStringLiteral("Head");
        QVERIFY(places.importCmls({c}));
        const qint64 asset = places.assetByPath(c.assetPath);
        const qint64 cml = places.cmlByTag(asset, c.cml.tag);

        ScriptedInteraction dialogs;
        AssetsDialog view(&store, units, dialogs);
        QVERIFY(view.selectAsset(asset));
        QVERIFY(view.selectCml(cml));
        QVERIFY(!view.cmlTabs()->isTabVisible(1));
        QVERIFY(view.judgementPane()->makeGridButton()->isEnabled());
        dialogs.answerDialogs({[](QDialog *dialog) {
            auto *form = qobject_cast<GridForm *>(dialog);
            if (!form)
                return false;
            form->resize(700, 600);
            form->show();
            form->rowsBox()->setValue(6);
            form->columnsBox()->setValue(4);
            form->pitchBox()->setValue(25);
            form->setWalk({WalkCorner::BottomRight, WalkAxis::AlongColumns, WalkStyle::Snaking});
            GridMapView *map = form->maskView();
            // B2 twice (masked, then not), D6 and A1 once.
            for (const GridCell cell : {GridCell{2, 1}, GridCell{6, 3}, GridCell{2, 1}, GridCell{1, 0}})
                QTest::mouseClick(map, Qt::LeftButton, {}, centre(map, cell));
            return true;
        }});
        QTest::mouseClick(view.judgementPane()->makeGridButton(), Qt::LeftButton);
        QCOMPARE(dialogs.unexpected, 0);
        const std::optional<GridDefinition> saved = places.grid(cml);
        QVERIFY(saved);
        QCOMPARE(saved->layout.rows(), 6);
        QCOMPARE(saved->layout.columns(), 4);
        QCOMPARE(saved->layout.pitchMm(), 25.0);
        QCOMPARE(saved->layout.maskedCells(), (QVector<GridCell>{{1, 0}, {6, 3}}));
        QCOMPARE(saved->walk, (WalkPattern{WalkCorner::BottomRight, WalkAxis::AlongColumns, WalkStyle::Snaking}));
        // Now a grid: its tab is shown.
        QVERIFY(view.cmlTabs()->isTabVisible(1));
        QCOMPARE(view.gridPane()->cml(), cml);
    }

    void fillWindowPlacesPushedReadings()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("fill.sqlite"))));
        Places places(store);
        CmlEntry c;
        c.assetPath = QStringLiteral("Plant/U3/E-2");
        c.cml.tag = QStringLiteral("Floor");
        QVERIFY(places.importCmls({c}));
        const qint64 cml = places.cmlByTag(places.assetByPath(c.assetPath), c.cml.tag);
        GridDefinition grid;
        grid.layout = GridLayout(3, 3);
        grid.layout.setMasked({1, 1}, true); // B1: the walk passes over it
        QVERIFY(places.setGrid(cml, grid));

        auto gauge = singleLayerGauge();
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("777"));

        GridFillWindow fill(rig.session, cml);
        QVERIFY(fill.start());
        fill.resize(800, 600);
        fill.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fill));
        GridMapView *map = fill.map();
        QCOMPARE(map->nextCell(), (GridCell{1, 0}));
        QVERIFY(fill.nextText().contains(QStringLiteral("A1")));

        // Each push lands in the outlined cell, and the outline moves on along the walk.
        const auto push = [&](float thickness, GridCell expected) {
            gauge->pushSingleLayer(5920.0f, thickness);
            return QTest::qWaitFor([&] { return map->value(expected) == double(thickness); }, 5000);
        };
        QVERIFY(push(7.5f, {1, 0}));
        QCOMPARE(map->nextCell(), (GridCell{1, 2}));
        QVERIFY(fill.nextText().contains(QStringLiteral("C1")));
        // A click chooses where the next one lands.
        QTest::mouseClick(map, Qt::LeftButton, {}, centre(map, {3, 1}));
        QCOMPARE(map->nextCell(), (GridCell{3, 1}));
        QVERIFY(push(7.25f, {3, 1}));
        QCOMPARE(map->nextCell(), (GridCell{3, 2}));

        // What the map shows is what the file keeps.
        const qint64 first = fill.keyAt({1, 0});
        QVERIFY(first);
        QCOMPARE(places.cell(first), (GridCell{1, 0}));
        QCOMPARE(places.cell(fill.keyAt({3, 1})), (GridCell{3, 1}));

        // A reading moved: from A1 to the next cell clicked.
        QVERIFY(fill.beginMove({1, 0}));
        QTest::mouseClick(map, Qt::LeftButton, {}, centre(map, {2, 0}));
        QTRY_COMPARE(fill.keyAt({2, 0}), first);
        QCOMPARE(fill.keyAt({1, 0}), 0);
        QVERIFY(std::isnan(map->value({1, 0})));
        QCOMPARE(map->value({2, 0}), 7.5);
        QCOMPARE(places.cell(first), (GridCell{2, 0}));
        QVERIFY(!fill.beginMove({2, 2})); // nothing there to move
    }
};

QTEST_MAIN(GridWindowTest)
#include "test_grid_window.moc"
