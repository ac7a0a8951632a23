#include "interaction/Language.h"
#include "records/RecordEdits.h"
#include "records/RecordsModel.h"
#include "recordspage/DeleteButtonDelegate.h"
#include "recordspage/RecordsTable.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// {UnitNo, UnitName, DecimalNumber}; entry 4 is malformed (two fields).
QList<QVariantList> unitTable()
{
    return {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}, {2, QString(), 1},
            {3, QStringLiteral("in"), 3}, {4, QStringLiteral("bad")}};
}

// Headers and cells as the view reads them from its model.
QStringList headerTexts(const QTableView &v)
{
    QStringList out;
    for (int c = 0; c < v.model()->columnCount(); ++c)
        out << v.model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

QVariant cell(const QTableView &v, int r, int c, int role = Qt::DisplayRole)
{
    return v.model()->index(r, c).data(role);
}

QString cellText(const QTableView &v, int r, int c)
{
    const QVariant d = cell(v, r, c);
    return d.isValid() ? d.toString() : QStringLiteral("<no data>");
}

// outOfRange: bit i flags values[i]; a flagged value keeps a number, which must never show.
GaugeRecord single(float thickness, float velocity, quint8 outOfRange = 0)
{
    GaugeRecord r;
    r.setValue(0, thickness, outOfRange & 1u);
    r.setValue(1, velocity, outOfRange & 2u);
    return r;
}

GaugeRecord multi(const QString &name, const std::array<float, 6> &values, quint8 outOfRange = 0)
{
    GaugeRecord r;
    r.name = name;
    for (int i = 0; i < 6; ++i)
        r.setValue(i, values[size_t(i)], (outOfRange >> i) & 1u);
    return r;
}

int add(RecordsModel &m, const QVector<GaugeRecord> &records)
{
    return m.append(records, RecordOrigin::Memory, 0);
}

const QList<int> kMultiUnits{0, 1, 2, 3, 0, 1};

} // namespace

class TestRecordsTable : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void singleLayerHeaders();
    void multiLayerHeaders();
    void unitsChangedUnderKeptRows();
    void badUnitNumbersGiveNoColumns_data();
    void badUnitNumbersGiveNoColumns();
    void cellsAndFormatting();
    void batchAndOneRowGiveSameCells();
    void clickedButtonDeletesItsOwnRow();
    void buttonsArePaintedWithTheSkin();
    void layerDisplay_data();
    void layerDisplay();
    void nameEditingOnlyInNameColumn();
    void newRowsScrollOnlyAViewThatFollows();
    void emptyTableWithoutGaugeSaysHowToStart();
    void relabelBothWays();
    void modelPassesQtChecksThroughEdits();

private:
    std::unique_ptr<RecordsModel> model;
    std::unique_ptr<QTableView> view;
    std::unique_ptr<RecordsTable> table;
};

void TestRecordsTable::init()
{
    model = std::make_unique<RecordsModel>();
    Language::instance().set(QStringLiteral("en"));
    view = std::make_unique<QTableView>();
    view->resize(640, 300);
    table = std::make_unique<RecordsTable>(view.get(), model.get());
}

void TestRecordsTable::cleanup()
{
    table.reset();
    view.reset();
    model.reset();
}

void TestRecordsTable::singleLayerHeaders()
{
    // Entry 0 of the unit numbers is the velocity unit, entry 1 the thickness unit.
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QCOMPARE(headerTexts(*view),
             QStringList({QStringLiteral("No."), QStringLiteral("Thickness\n(mm)"), QStringLiteral("Sound Velocity\n(m/s)"),
                          QStringLiteral("Operation")}));
    QCOMPARE(view->horizontalHeader()->count(), 4);
    QCOMPARE(model->singleDecimals(), QList<int>({2, 0}));

    // An empty unit name gives the bare word.
    Language::instance().set(QStringLiteral("zh"));
    QVERIFY(model->setColumns(1, {2, 3, 9, 9}, unitTable()));
    QCOMPARE(headerTexts(*view), QStringList({QStringLiteral("编号"), QStringLiteral("厚度\n(in)"), QStringLiteral("声速"),
                                              QStringLiteral("操作")}));
    QCOMPARE(model->singleDecimals(), QList<int>({3, 1}));

    // Any other layout changes nothing.
    QVERIFY(!model->setColumns(3, {}, unitTable()));
    QCOMPARE(headerTexts(*view).value(2), QStringLiteral("声速"));
    QCOMPARE(model->singleDecimals(), QList<int>({3, 1}));
}

void TestRecordsTable::multiLayerHeaders()
{
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    QCOMPARE(headerTexts(*view),
             QStringList({QStringLiteral("Test Name"), QStringLiteral("1st Layer Thickness\n(mm)"),
                          QStringLiteral("2nd Layer Thickness\n(m/s)"), QStringLiteral("3rd Layer Thickness"),
                          QStringLiteral("1st Sound Velocity\n(in)"), QStringLiteral("2nd Sound Velocity\n(mm)"),
                          QStringLiteral("3rd Sound Velocity\n(m/s)"), QStringLiteral("Operation")}));
    QCOMPARE(model->multiDecimals(), QList<int>({2, 0, 1, 3, 2, 0}));
    Language::instance().set(QStringLiteral("zh"));
    QVERIFY(model->setColumns(2, {0, 0, 0, 0, 0, 0}, unitTable()));
    QCOMPARE(headerTexts(*view).value(0), QStringLiteral("名称"));
    QCOMPARE(headerTexts(*view).value(6), QStringLiteral("第3层声速\n(mm)"));
}

void TestRecordsTable::unitsChangedUnderKeptRows()
{
    // New units for the same layout keep the records and show them in the new units' decimals.
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QCOMPARE(add(*model, {single(5.0f, 5920.26f)}), 1);
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("5.00"));
    QCOMPARE(cellText(*view, 0, 2), QStringLiteral("5920"));
    QVERIFY(model->setColumns(1, {2, 3}, unitTable()));
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(headerTexts(*view).value(1), QStringLiteral("Thickness\n(in)"));
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("5.000"));
    QCOMPARE(cellText(*view, 0, 2), QStringLiteral("5920.3"));
    QCOMPARE(headerTexts(*view).value(2), QStringLiteral("Sound Velocity"));

    // Records of the other layout have no place in its columns.
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    QCOMPARE(view->model()->rowCount(), 0);
}

void TestRecordsTable::badUnitNumbersGiveNoColumns_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QList<int>>("unitNumbers");
    QTest::newRow("single, one number") << 1 << QList<int>{0};
    QTest::newRow("single, past the table") << 1 << QList<int>{0, 5};
    QTest::newRow("single, negative") << 1 << QList<int>{-1, 0};
    QTest::newRow("single, two-field entry") << 1 << QList<int>{4, 0};
    QTest::newRow("multi, five numbers") << 2 << QList<int>{0, 1, 2, 3, 0};
    QTest::newRow("multi, past the table") << 2 << QList<int>{0, 1, 2, 3, 0, 99};
    QTest::newRow("multi, two-field entry") << 2 << QList<int>{0, 1, 4, 3, 0, 1};
    QTest::newRow("multi, empty") << 2 << QList<int>{};
}

void TestRecordsTable::badUnitNumbersGiveNoColumns()
{
    QFETCH(int, layout);
    QFETCH(QList<int>, unitNumbers);
    // Start from a working table of the same layout, so stale decimals would show.
    QVERIFY(model->setColumns(layout, kMultiUnits, unitTable()));
    QVERIFY(!model->setColumns(layout, unitNumbers, unitTable()));
    QCOMPARE(view->model()->columnCount(), 0);
    QCOMPARE(view->horizontalHeader()->count(), 0);
    QVERIFY(layout == 1 ? model->singleDecimals().isEmpty() : model->multiDecimals().isEmpty());
    QCOMPARE(add(*model, {single(5.0f, 5920.0f)}), 0);
    QCOMPARE(add(*model, {multi(QStringLiteral("n"), {})}), 0);
    QCOMPARE(model->append(QVector<Record>{Record{}}), 0);
    QCOMPARE(view->model()->rowCount(), 0);
    QCOMPARE(table->deleteDelegate()->operationColumn(), -1);
}

void TestRecordsTable::cellsAndFormatting()
{
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QCOMPARE(add(*model, {single(5.0f, 5920.0f)}), 1);
    QCOMPARE(add(*model, {single(1.005f, 5920.6f, 0b01)}), 1);
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("5.00"));
    QCOMPARE(cellText(*view, 0, 2), QStringLiteral("5920"));
    QCOMPARE(cellText(*view, 1, 1), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*view, 1, 2), QStringLiteral("5921"));
    for (int c = 1; c < 3; ++c) {
        QCOMPARE(cell(*view, 0, c, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        // Values are read-only, also for a caller going past the view's edit triggers.
        const QModelIndex index = view->model()->index(0, c);
        QCOMPARE(index.flags() & ~Qt::ItemNeverHasChildren, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        QVERIFY(!view->model()->setData(index, QStringLiteral("7")));
        QCOMPARE(cellText(*view, 0, c), c == 1 ? QStringLiteral("5.00") : QStringLiteral("5920"));
    }
    // The Operation cell holds nothing; it is the button cell, the value cells are not.
    QVERIFY(!cell(*view, 0, 3).isValid());
    QVERIFY(table->deleteDelegate()->isButtonCell(view->model()->index(0, 3)));
    QVERIFY(!table->deleteDelegate()->isButtonCell(view->model()->index(0, 2)));

    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    model->clear();
    QCOMPARE(add(*model, {multi(QString(), {1.5f, 2.0f, 3.24f, 4.0f, 5.0f, 6.0f}, 0b001000),
                          multi(QStringLiteral("b"), {1.5f, 2.0f, 3.26f, 4.0f, 5.0f, 6.0f})}),
             2);
    QCOMPARE(view->model()->rowCount(), 2);
    const QStringList expected{QString(), QStringLiteral("1.50"), QStringLiteral("2"), QStringLiteral("3.2"),
                               QStringLiteral("Outrange"), QStringLiteral("5.00"), QStringLiteral("6")};
    for (int c = 0; c < 7; ++c)
        QCOMPARE(cellText(*view, 0, c), expected.at(c));
    QCOMPARE(cellText(*view, 1, 3), QStringLiteral("3.3"));
    QCOMPARE(cellText(*view, 1, 4), QStringLiteral("4.000"));
    QVERIFY(!cell(*view, 0, 7).isValid());
    QVERIFY(table->deleteDelegate()->isButtonCell(view->model()->index(0, 7)));
}

void TestRecordsTable::batchAndOneRowGiveSameCells()
{
    RecordsModel otherModel;
    Language::instance().set(QStringLiteral("en"));
    QTableView otherView;
    RecordsTable other(&otherView, &otherModel);
    view->show();
    QVector<GaugeRecord> singles;
    QVector<GaugeRecord> multis;
    for (int i = 0; i < 40; ++i) {
        singles.append(single(float(i) * 0.37f, 5900.0f + float(i), i % 7 == 0 ? 0b01 : 0));
        std::array<float, 6> values{};
        for (int k = 0; k < 6; ++k)
            values[size_t(k)] = float(i * 6 + k) / 3.0f;
        multis.append(multi(QStringLiteral("Name%1").arg(i + 1), values, i % 5 == 0 ? quint8(1u << (i % 6)) : 0));
    }
    const QList<int> roles{Qt::DisplayRole,          Qt::TextAlignmentRole,      RecordsModel::ValueRole,
                           RecordsModel::OutOfRangeRole, RecordsModel::OriginRole, RecordsModel::ArrivalRole};
    auto compareTables = [&]() {
        QCOMPARE(view->model()->rowCount(), otherView.model()->rowCount());
        QCOMPARE(view->model()->columnCount(), otherView.model()->columnCount());
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            for (int c = 0; c < view->model()->columnCount(); ++c) {
                for (int role : roles)
                    QCOMPARE(cell(*view, r, c, role), cell(otherView, r, c, role));
                QCOMPARE(view->model()->index(r, c).flags(), otherView.model()->index(r, c).flags());
            }
        }
    };

    Language::instance().set(QStringLiteral("zh"));
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QVERIFY(otherModel.setColumns(1, {1, 0}, unitTable()));
    QCOMPARE(add(*model, {single(1.0f, 2.0f)}), 1); // rows are appended
    QCOMPARE(add(otherModel, {single(1.0f, 2.0f)}), 1);

    // The whole batch is one row insertion: one layout pass and one scroll for the view.
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    QCOMPARE(add(*model, singles), 40);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 40);
    QCOMPARE(reset.count(), 0);
    for (const GaugeRecord &r : singles)
        QCOMPARE(add(otherModel, {r}), 1);
    compareTables();
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("1.00"));
    QCOMPARE(cellText(*view, 8, 1), QStringLiteral("超量程"));
    QCOMPARE(cellText(*view, 40, 2), QStringLiteral("5939"));
    // One scroll to the bottom after the batch.
    QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    QVERIFY(view->verticalScrollBar()->maximum() > 0);

    Language::instance().set(QStringLiteral("en"));
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    QVERIFY(otherModel.setColumns(2, kMultiUnits, unitTable()));
    model->clear();
    otherModel.clear();
    inserted.clear();
    QCOMPARE(model->append(multis, RecordOrigin::Pushed, 1234), 40);
    QCOMPARE(inserted.count(), 1);
    for (const GaugeRecord &m : multis)
        QCOMPARE(otherModel.append({m}, RecordOrigin::Pushed, 1234), 1);
    compareTables();
    QCOMPARE(cellText(*view, 39, 0), QStringLiteral("Name40"));
    QCOMPARE(cellText(*view, 10, 5), QStringLiteral("Outrange"));
    QCOMPARE(cell(*view, 10, 5, RecordsModel::OutOfRangeRole).toBool(), true);
    QVERIFY(!cell(*view, 10, 5, RecordsModel::ValueRole).isValid());
    QCOMPARE(cell(*view, 39, 6, RecordsModel::ValueRole).toDouble(), double(float(39 * 6 + 5) / 3.0f));
    QCOMPARE(cell(*view, 39, 6, RecordsModel::OriginRole).toInt(), int(RecordOrigin::Pushed));
    QCOMPARE(cell(*view, 39, 6, RecordsModel::ArrivalRole).toLongLong(), 1234);
}

void TestRecordsTable::clickedButtonDeletesItsOwnRow()
{
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QVector<GaugeRecord> rows;
    for (int i = 0; i < 60; ++i)
        rows.append(single(float(i), 5000.0f));
    add(*model, rows);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->scrollToTop();

    auto buttonCentre = [&](int row) { return view->visualRect(view->model()->index(row, 3)).center(); };
    auto firstCells = [&](int n) {
        QStringList out;
        for (int r = 0; r < n; ++r)
            out << cellText(*view, r, 1);
        return out;
    };

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, buttonCentre(0));
    QCOMPARE(view->model()->rowCount(), 59);
    QCOMPARE(firstCells(3), QStringList({"1.00", "2.00", "3.00"}));
    // After a deletion the button that now sits in row 1 deletes its own row ("2.00").
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, buttonCentre(1) + QPoint(-20, 3));
    QCOMPARE(firstCells(3), QStringList({"1.00", "3.00", "4.00"}));

    // Clicks beside the button, with another button, or dragged off the button do nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 2)).center());
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, buttonCentre(0));
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, buttonCentre(0));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, buttonCentre(1));
    QCOMPARE(view->model()->rowCount(), 58);
    QCOMPARE(model->rowCount(), 58);

    // Scrolled to the bottom: the row under the click goes, whichever number it has.
    view->scrollToBottom();
    QCoreApplication::processEvents();
    const int bottomRow = view->rowAt(view->viewport()->height() - 5);
    QVERIFY(bottomRow > 40);
    const QString doomed = cellText(*view, bottomRow, 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, buttonCentre(bottomRow));
    QCOMPARE(view->model()->rowCount(), 57);
    for (int r = 0; r < view->model()->rowCount(); ++r)
        QVERIFY(cellText(*view, r, 1) != doomed);
}

void TestRecordsTable::buttonsArePaintedWithTheSkin()
{
    const QString skin = QStringLiteral("QPushButton{background:#1E90FF;color:#FFF0F5;border:1px solid #242424;"
                                        "border-radius:5px;}");
    qApp->setStyleSheet(skin);
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    add(*model, {single(1.0f, 2.0f)});
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    const QImage image = view->viewport()->grab().toImage();
    qApp->setStyleSheet(QString());
    const QRect cellRect = view->visualRect(view->model()->index(0, 3));
    // Left of the label, inside the border: the skin's button colour. The value cell is not a button.
    QCOMPARE(image.pixelColor(cellRect.left() + 8, cellRect.center().y()).name(), QStringLiteral("#1e90ff"));
    const QRect value = view->visualRect(view->model()->index(0, 2));
    QVERIFY(image.pixelColor(value.left() + 8, value.center().y()).name() != QStringLiteral("#1e90ff"));
}

void TestRecordsTable::layerDisplay_data()
{
    QTest::addColumn<int>("layers");
    QTest::addColumn<QList<bool>>("hidden"); // columns 0..7
    const QList<bool> fromTwo{false, false, false, true, false, false, true, false};
    QTest::newRow("1") << 1 << QList<bool>{false, false, true, true, false, true, true, false};
    QTest::newRow("2") << 2 << fromTwo;
    QTest::newRow("3") << 3 << QList<bool>(8, false);
    QTest::newRow("7") << 7 << fromTwo;
    QTest::newRow("0") << 0 << fromTwo;
    QTest::newRow("-1") << -1 << fromTwo;
}

void TestRecordsTable::layerDisplay()
{
    QFETCH(int, layers);
    QFETCH(QList<bool>, hidden);
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    model->setLayersShown(2);
    model->setLayersShown(layers);
    QList<int> shownValueColumns;
    for (int c = 0; c < 8; ++c) {
        QVERIFY2(view->isColumnHidden(c) == hidden.at(c), qPrintable(QString::number(c)));
        if (!hidden.at(c) && c != 7)
            shownValueColumns << c;
    }
    // What leaves the program is what the table shows, without the Operation column.
    QCOMPARE(model->exportedColumns(), shownValueColumns);

    // A single-layer gauge connected next shows all four of its columns, its Operation
    // column (hidden as a layer column a moment ago) included; a multi-layer one again hides
    // the layers not shown.
    model->setLayersShown(1);
    QVERIFY(model->setColumns(1, {0, 1}, unitTable()));
    for (int c = 0; c < 4; ++c)
        QVERIFY2(!view->isColumnHidden(c), qPrintable(QString::number(c)));
    QCOMPARE(model->exportedColumns(), QList<int>({0, 1, 2}));
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    for (int c = 0; c < 8; ++c)
        QVERIFY2(view->isColumnHidden(c) == QList<int>({2, 3, 5, 6}).contains(c), qPrintable(QString::number(c)));
}

void TestRecordsTable::nameEditingOnlyInNameColumn()
{
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    auto openEditor = [&]() -> QLineEdit * {
        const QList<QLineEdit *> editors = view->viewport()->findChildren<QLineEdit *>();
        auto it = std::find_if(editors.begin(), editors.end(), [](QLineEdit *e) { return e->isVisible(); });
        return it == editors.end() ? nullptr : *it;
    };
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Single layer: no names.
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    add(*model, {single(1.0f, 2.0f)});
    QVERIFY(!table->editName(0, 0));
    QVERIFY(!openEditor());

    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    add(*model, {multi(QStringLiteral("Name1"), {})});
    QVERIFY(!table->editName(0, 1));
    QVERIFY(!table->editName(0, 7)); // the Operation cell has nothing to edit
    QVERIFY(!table->editName(1, 0));
    QVERIFY(!table->editName(-1, 0));
    QVERIFY(!openEditor());
    // A double click is no edit trigger.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
    QVERIFY(!openEditor());

    QVERIFY(table->editName(0, 0));
    QLineEdit *editor = openEditor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("Name1"));
    // The edited name is the record's name.
    editor->setText(QStringLiteral("Pipe 7"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!openEditor());
    QCOMPARE(model->record(0).name, QStringLiteral("Pipe 7"));
    QCOMPARE(cellText(*view, 0, 0), QStringLiteral("Pipe 7"));
}

void TestRecordsTable::relabelBothWays()
{
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    // A name that reads like the word is a name, not a value.
    add(*model, {multi(QStringLiteral("Outrange"), {1, 2, 3, 4, 5, 6}, 0b100001),
                 multi(QStringLiteral("b"), {1, 2, 3, 4, 5, 6})});
    QCOMPARE(DeleteButtonDelegate::label(), QStringLiteral("Delete"));

    // The switch only re-renders: stored numbers and flags stay, the view is told about
    // every cell and header.
    auto stored = [&]() {
        QVariantList out;
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 8; ++c)
                out << cell(*view, r, c, RecordsModel::ValueRole) << cell(*view, r, c, RecordsModel::OutOfRangeRole);
        return out;
    };
    const QVariantList before = stored();
    QCOMPARE(before.at(2), QVariant()); // (0,1): out of range, no value
    QCOMPARE(before.at(3), QVariant(true));
    QCOMPARE(before.at(4), QVariant(2.0));
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    QSignalSpy headers(model.get(), &QAbstractItemModel::headerDataChanged);

    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("超量程"));
    QCOMPARE(cellText(*view, 0, 6), QStringLiteral("超量程"));
    QCOMPARE(cell(*view, 0, 6, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QCOMPARE(cellText(*view, 0, 0), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*view, 0, 2), QStringLiteral("2"));
    QCOMPARE(headerTexts(*view).value(1), QStringLiteral("第1层厚度\n(mm)"));
    QCOMPARE(headerTexts(*view).value(7), QStringLiteral("操作"));
    QCOMPARE(DeleteButtonDelegate::label(), QStringLiteral("删除"));
    QCOMPARE(stored(), before);
    QVERIFY(!headers.isEmpty());
    QCOMPARE(headers.last().at(1).toInt(), 0);
    QCOMPARE(headers.last().at(2).toInt(), 7);
    QVERIFY(!changed.isEmpty());
    const QModelIndex topLeft = changed.last().at(0).toModelIndex();
    const QModelIndex bottomRight = changed.last().at(1).toModelIndex();
    QVERIFY(topLeft.row() == 0 && topLeft.column() <= 1);
    QVERIFY(bottomRight.row() == 1 && bottomRight.column() >= 6);

    Language::instance().set(QStringLiteral("en"));
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*view, 0, 6), QStringLiteral("Outrange"));
    QCOMPARE(headerTexts(*view).value(1), QStringLiteral("1st Layer Thickness\n(mm)"));
    QCOMPARE(DeleteButtonDelegate::label(), QStringLiteral("Delete"));
    QCOMPARE(stored(), before);

    // Single layout: columns 1 and 2 (after the record number).
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    model->clear();
    add(*model, {single(0, 0, 0b11)});
    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(cellText(*view, 0, 1), QStringLiteral("超量程"));
    QCOMPARE(cellText(*view, 0, 2), QStringLiteral("超量程"));
    QCOMPARE(cell(*view, 0, 2, RecordsModel::OutOfRangeRole).toBool(), true);
}

// A user scrolled up, or renaming a record, keeps the view still: new rows are counted on a
// button that jumps to them. A view at the bottom follows new rows.
void TestRecordsTable::newRowsScrollOnlyAViewThatFollows()
{
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    QVector<GaugeRecord> rows;
    for (int i = 0; i < 40; ++i)
        rows << multi(QStringLiteral("r%1").arg(i), {1, 2, 3, 4, 5, 6});
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QCOMPARE(add(*model, rows), 40);
    QScrollBar *bar = view->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum()); // followed while at the bottom
    QVERIFY(!table->newRowsHint()->isVisible());

    view->scrollToTop();
    QCOMPARE(add(*model, {multi(QStringLiteral("n1"), {1, 2, 3, 4, 5, 6})}), 1);
    QCOMPARE(add(*model, {multi(QStringLiteral("n2"), {1, 2, 3, 4, 5, 6}), multi(QStringLiteral("n3"), {1, 2, 3, 4, 5, 6})}), 2);
    QCOMPARE(bar->value(), 0);
    QVERIFY(table->newRowsHint()->isVisible());
    QCOMPARE(table->newRowsHint()->text(), QStringLiteral("3 new readings ↓"));
    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(table->newRowsHint()->text(), QStringLiteral("3条新读数 ↓"));
    QTest::mouseClick(table->newRowsHint(), Qt::LeftButton);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(!table->newRowsHint()->isVisible());

    // At the bottom but renaming the last record: the editor stays where it is.
    QVERIFY(table->editName(model->rowCount() - 1, 0));
    QVERIFY(view->viewport()->findChild<QLineEdit *>() && view->viewport()->findChild<QLineEdit *>()->isVisible());
    const int before = bar->value();
    QCOMPARE(add(*model, {multi(QStringLiteral("n4"), {1, 2, 3, 4, 5, 6})}), 1);
    QCOMPARE(bar->value(), before);
    QCOMPARE(table->unseenRows(), 1);
    QVERIFY(table->newRowsHint()->isVisible());
    // Scrolling down by hand to the newest rows puts the button away.
    bar->setValue(bar->maximum());
    QVERIFY(!table->newRowsHint()->isVisible());
    QCOMPARE(table->unseenRows(), 0);
}

void TestRecordsTable::emptyTableWithoutGaugeSaysHowToStart()
{
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QLabel *text = table->placeholder();
    QVERIFY(text->isVisible());
    QCOMPARE(text->text(), QStringLiteral("Connect the gauge by USB, or start with --demo to try the program."));
    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(text->text(), QStringLiteral("请用USB线连接仪器，或用 --demo 启动本程序试用。"));
    table->setGaugeConnected(true);
    QVERIFY(!text->isVisible());
    table->setGaugeConnected(false);
    QVERIFY(model->setColumns(1, {1, 0}, unitTable()));
    QVERIFY(text->isVisible());
    QCOMPARE(add(*model, {single(1.0f, 2.0f)}), 1); // rows: the table speaks for itself
    QVERIFY(!text->isVisible());
    QVERIFY(model->removeRows(0, 1));
    QVERIFY(text->isVisible());
}

QTEST_MAIN(TestRecordsTable)
// Qt's own model checker watches every change the user's edits and the gauge make: rows
// appended, taken from the middle and all at once, put back by undo, renamed, re-rendered in
// another language, and columns of another layout.
void TestRecordsTable::modelPassesQtChecksThroughEdits()
{
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    RecordEdits edits(*model);
    const auto names = [this] {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->name(r);
        return out;
    };
    QVERIFY(model->setColumns(2, kMultiUnits, unitTable()));
    QCOMPARE(add(*model, {multi("a", {1, 2, 3, 4, 5, 6}), multi("b", {2, 2, 3, 4, 5, 6}, 0b10),
                          multi("c", {3, 2, 3, 4, 5, 6})}),
             3);
    QCOMPARE(add(*model, {multi("d", {4, 2, 3, 4, 5, 6})}), 1);

    QVERIFY(edits.deleteRows(1, 2));
    QCOMPARE(names(), (QStringList{"a", "d"}));
    edits.undo();
    QCOMPARE(names(), (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(cellText(*view, 1, 2), QStringLiteral("Outrange")); // the flags came back with their rows
    QVERIFY(model->setData(model->index(0, 0), QStringLiteral("renamed")));
    edits.undo();
    QCOMPARE(model->name(0), QStringLiteral("a"));

    edits.clearAll();
    QCOMPARE(model->rowCount(), 0);
    edits.undo();
    QCOMPARE(names(), (QStringList{"a", "b", "c", "d"}));
    QVERIFY(edits.deleteRows(3));
    edits.undo(); // put back at the end
    QCOMPARE(names(), (QStringList{"a", "b", "c", "d"}));

    model->setLayersShown(1);
    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(cellText(*view, 1, 2), QStringLiteral("超量程"));
    Language::instance().set(QStringLiteral("en"));
    QVERIFY(model->setColumns(1, {1, 0}, unitTable())); // another layout: its rows go
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(add(*model, {single(1.0f, 2.0f), single(3.0f, 4.0f)}), 2);
    model->clear();
    QCOMPARE(model->rowCount(), 0);
}

#include "tst_records_table.moc"
