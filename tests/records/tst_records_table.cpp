#include "recordspage/DeleteButtonDelegate.h"
#include "recordspage/RecordsTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace {

// {UnitNo, UnitName, DecimalNumber}; entry 4 is malformed (two fields).
QList<QVariantList> unitTable()
{
    return {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}, {2, QString(), 1},
            {3, QStringLiteral("in"), 3}, {4, QStringLiteral("bad")}};
}

QStringList headerTexts(const QTableWidget &t)
{
    QStringList out;
    for (int c = 0; c < t.columnCount(); ++c)
        out << t.horizontalHeaderItem(c)->text();
    return out;
}

QString cellText(const QTableWidget &t, int r, int c)
{
    const QTableWidgetItem *item = t.item(r, c);
    return item ? item->text() : QStringLiteral("<no item>");
}

const std::array<QString, 6> kNoTexts{};

} // namespace

class TestRecordsTable : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void singleLayerHeaders();
    void multiLayerHeaders();
    void badUnitNumbersGiveNoColumns_data();
    void badUnitNumbersGiveNoColumns();
    void cellsAndFormatting();
    void batchAndOneRowGiveSameCells();
    void clickedButtonDeletesItsOwnRow();
    void buttonsArePaintedWithTheSkin();
    void layerDisplay_data();
    void layerDisplay();
    void nameEditingOnlyInNameColumn();
    void relabelBothWays();

private:
    std::unique_ptr<QTableWidget> widget;
    std::unique_ptr<RecordsTable> table;
};

void TestRecordsTable::init()
{
    widget = std::make_unique<QTableWidget>();
    widget->resize(640, 300);
    table = std::make_unique<RecordsTable>(widget.get());
}

void TestRecordsTable::cleanup()
{
    table.reset();
    widget.reset();
}

void TestRecordsTable::singleLayerHeaders()
{
    // Entry 0 of the unit numbers is the velocity unit, entry 1 the thickness unit.
    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), false));
    QCOMPARE(headerTexts(*widget),
             QStringList({QStringLiteral("Thickness\n(mm)"), QStringLiteral("Sound Velocity\n(m/s)"),
                          QStringLiteral("Operation")}));
    QCOMPARE(table->singleDecimals(), QList<int>({2, 0}));

    // An empty unit name gives the bare word.
    QVERIFY(table->buildHeaders(1, {2, 3, 9, 9}, unitTable(), true));
    QCOMPARE(headerTexts(*widget), QStringList({QStringLiteral("厚度\n(in)"), QStringLiteral("声速"),
                                                QStringLiteral("操作")}));
    QCOMPARE(table->singleDecimals(), QList<int>({3, 1}));

    // Any other layout changes nothing.
    QVERIFY(!table->buildHeaders(3, {}, unitTable(), false));
    QCOMPARE(widget->horizontalHeaderItem(1)->text(), QStringLiteral("声速"));
    QCOMPARE(table->singleDecimals(), QList<int>({3, 1}));
}

void TestRecordsTable::multiLayerHeaders()
{
    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    QCOMPARE(headerTexts(*widget),
             QStringList({QStringLiteral("Test Name"), QStringLiteral("1st Layer Thickness\n(mm)"),
                          QStringLiteral("2st Layer Thickness\n(m/s)"), QStringLiteral("3st Layer Thickness"),
                          QStringLiteral("1st Sound Velocity\n(in)"), QStringLiteral("2st Sound Velocity\n(mm)"),
                          QStringLiteral("3st Sound Velocity\n(m/s)"), QStringLiteral("Operation")}));
    QCOMPARE(table->multiDecimals(), QList<int>({2, 0, 1, 3, 2, 0}));
    QVERIFY(table->buildHeaders(2, {0, 0, 0, 0, 0, 0}, unitTable(), true));
    QCOMPARE(widget->horizontalHeaderItem(0)->text(), QStringLiteral("名称"));
    QCOMPARE(widget->horizontalHeaderItem(6)->text(), QStringLiteral("第3层声速\n(mm)"));
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
    QVERIFY(table->buildHeaders(layout, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    QVERIFY(!table->buildHeaders(layout, unitNumbers, unitTable(), false));
    QCOMPARE(widget->columnCount(), 0);
    QVERIFY(layout == 1 ? table->singleDecimals().isEmpty() : table->multiDecimals().isEmpty());
    QVERIFY(!table->addSingleLayerRow(5.0f, 5920.0f, QString(), QString()));
    QVERIFY(!table->addMultiLayerRow(QStringLiteral("n"), {}, kNoTexts));
    QCOMPARE(table->addSingleLayerRows({SingleLayerRow{}}), 0);
    QCOMPARE(widget->rowCount(), 0);
}

void TestRecordsTable::cellsAndFormatting()
{
    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), false));
    QVERIFY(table->addSingleLayerRow(5.0f, 5920.0f, QString(), QString()));
    QVERIFY(table->addSingleLayerRow(1.005f, 5920.6f, QStringLiteral("Outrange"), QString()));
    QCOMPARE(cellText(*widget, 0, 0), QStringLiteral("5.00"));
    QCOMPARE(cellText(*widget, 0, 1), QStringLiteral("5920"));
    QCOMPARE(cellText(*widget, 1, 0), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*widget, 1, 1), QStringLiteral("5921"));
    const QTableWidgetItem plain;
    for (int c = 0; c < 2; ++c) {
        QCOMPARE(widget->item(0, c)->textAlignment(), int(Qt::AlignCenter));
        QCOMPARE(widget->item(0, c)->flags(), plain.flags());
    }
    QVERIFY(widget->item(0, 2) == nullptr);
    QVERIFY(table->deleteDelegate()->isButtonCell(widget->model()->index(0, 2)));
    QVERIFY(!table->deleteDelegate()->isButtonCell(widget->model()->index(0, 1)));

    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    table->clearRows();
    std::array<QString, 6> texts;
    texts[3] = QStringLiteral("custom");
    QVERIFY(table->addMultiLayerRow(QString(), {1.5f, 2.0f, 3.24f, 4.0f, 5.0f, 6.0f}, texts));
    QCOMPARE(widget->rowCount(), 1);
    const QStringList expected{QString(), QStringLiteral("1.50"), QStringLiteral("2"), QStringLiteral("3.2"),
                               QStringLiteral("custom"), QStringLiteral("5.00"), QStringLiteral("6")};
    for (int c = 0; c < 7; ++c)
        QCOMPARE(cellText(*widget, 0, c), expected.at(c));
    QVERIFY(widget->item(0, 7) == nullptr);
}

void TestRecordsTable::batchAndOneRowGiveSameCells()
{
    QTableWidget otherWidget;
    RecordsTable other(&otherWidget);
    widget->show();
    QVector<SingleLayerRow> single;
    QVector<MultiLayerRow> multi;
    for (int i = 0; i < 40; ++i) {
        single.append({float(i) * 0.37f, 5900.0f + float(i), i % 7 == 0 ? QStringLiteral("超量程") : QString(), {}});
        MultiLayerRow m{QStringLiteral("Name%1").arg(i + 1), {}, {}};
        for (int k = 0; k < 6; ++k)
            m.values[size_t(k)] = float(i * 6 + k) / 3.0f;
        m.texts[size_t(i % 6)] = i % 5 == 0 ? QStringLiteral("Outrange") : QString();
        multi.append(m);
    }
    auto compareTables = [&]() {
        QCOMPARE(widget->rowCount(), otherWidget.rowCount());
        for (int r = 0; r < widget->rowCount(); ++r) {
            for (int c = 0; c < widget->columnCount(); ++c) {
                const QTableWidgetItem *a = widget->item(r, c);
                const QTableWidgetItem *b = otherWidget.item(r, c);
                QCOMPARE(a == nullptr, b == nullptr);
                if (a) {
                    QCOMPARE(a->text(), b->text());
                    QCOMPARE(a->textAlignment(), b->textAlignment());
                    QCOMPARE(a->flags(), b->flags());
                }
            }
        }
    };

    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), true));
    QVERIFY(other.buildHeaders(1, {1, 0}, unitTable(), true));
    QVERIFY(table->addSingleLayerRow(1.0f, 2.0f, QString(), QString())); // rows are appended
    QVERIFY(other.addSingleLayerRow(1.0f, 2.0f, QString(), QString()));
    QCOMPARE(table->addSingleLayerRows(single), 40);
    for (const SingleLayerRow &r : single)
        QVERIFY(other.addSingleLayerRow(r.thickness, r.velocity, r.thicknessText, r.velocityText));
    compareTables();
    QCOMPARE(cellText(*widget, 8, 0), QStringLiteral("超量程"));
    QCOMPARE(cellText(*widget, 40, 1), QStringLiteral("5939"));
    // One scroll to the bottom after the batch.
    QCOMPARE(widget->verticalScrollBar()->value(), widget->verticalScrollBar()->maximum());
    QVERIFY(widget->verticalScrollBar()->maximum() > 0);

    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    QVERIFY(other.buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    table->clearRows();
    other.clearRows();
    QCOMPARE(table->addMultiLayerRows(multi), 40);
    for (const MultiLayerRow &m : multi)
        QVERIFY(other.addMultiLayerRow(m.name, m.values, m.texts));
    compareTables();
    QCOMPARE(cellText(*widget, 39, 0), QStringLiteral("Name40"));
    QCOMPARE(cellText(*widget, 10, 5), QStringLiteral("Outrange"));
}

void TestRecordsTable::clickedButtonDeletesItsOwnRow()
{
    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), false));
    QVector<SingleLayerRow> rows;
    for (int i = 0; i < 60; ++i)
        rows.append({float(i), 5000.0f, {}, {}});
    table->addSingleLayerRows(rows);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    widget->scrollToTop();

    auto buttonCentre = [&](int row) { return widget->visualRect(widget->model()->index(row, 2)).center(); };
    auto firstCells = [&](int n) {
        QStringList out;
        for (int r = 0; r < n; ++r)
            out << cellText(*widget, r, 0);
        return out;
    };

    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, buttonCentre(0));
    QCOMPARE(widget->rowCount(), 59);
    QCOMPARE(firstCells(3), QStringList({"1.00", "2.00", "3.00"}));
    // After a deletion the button that now sits in row 1 deletes its own row ("2.00").
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, buttonCentre(1) + QPoint(-20, 3));
    QCOMPARE(firstCells(3), QStringList({"1.00", "3.00", "4.00"}));

    // Clicks beside the button, with another button, or dragged off the button do nothing.
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualRect(widget->model()->index(0, 1)).center());
    QTest::mouseClick(widget->viewport(), Qt::RightButton, {}, buttonCentre(0));
    QTest::mousePress(widget->viewport(), Qt::LeftButton, {}, buttonCentre(0));
    QTest::mouseRelease(widget->viewport(), Qt::LeftButton, {}, buttonCentre(1));
    QCOMPARE(widget->rowCount(), 58);

    // Scrolled to the bottom: the row under the click goes, whichever number it has.
    widget->scrollToBottom();
    QCoreApplication::processEvents();
    const int bottomRow = widget->rowAt(widget->viewport()->height() - 5);
    QVERIFY(bottomRow > 40);
    const QString doomed = cellText(*widget, bottomRow, 0);
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, buttonCentre(bottomRow));
    QCOMPARE(widget->rowCount(), 57);
    for (int r = 0; r < widget->rowCount(); ++r)
        QVERIFY(cellText(*widget, r, 0) != doomed);
}

void TestRecordsTable::buttonsArePaintedWithTheSkin()
{
    const QString skin = QStringLiteral("QPushButton{background:#1E90FF;color:#FFF0F5;border:1px solid #242424;"
                                        "border-radius:5px;}");
    qApp->setStyleSheet(skin);
    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), false));
    table->addSingleLayerRow(1.0f, 2.0f, QString(), QString());
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    const QImage image = widget->viewport()->grab().toImage();
    qApp->setStyleSheet(QString());
    const QRect cell = widget->visualRect(widget->model()->index(0, 2));
    // Left of the label, inside the border: the skin's button colour. The value cell is not a button.
    QCOMPARE(image.pixelColor(cell.left() + 8, cell.center().y()).name(), QStringLiteral("#1e90ff"));
    const QRect value = widget->visualRect(widget->model()->index(0, 1));
    QVERIFY(image.pixelColor(value.left() + 8, value.center().y()).name() != QStringLiteral("#1e90ff"));
}

void TestRecordsTable::layerDisplay_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<bool>>("hidden"); // columns 0..7
    const QList<bool> fromTwo{false, false, false, true, false, false, true, false};
    QTest::newRow("1") << 2 << "1" << QList<bool>{false, false, true, true, false, true, true, false};
    QTest::newRow("2") << 2 << "2" << fromTwo;
    QTest::newRow("3") << 2 << "3" << QList<bool>(8, false);
    QTest::newRow("7") << 2 << "7" << fromTwo;
    QTest::newRow("empty") << 2 << "" << fromTwo;
    QTest::newRow("single layout") << 1 << "3" << fromTwo;
}

void TestRecordsTable::layerDisplay()
{
    QFETCH(int, layout);
    QFETCH(QString, text);
    QFETCH(QList<bool>, hidden);
    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    table->applyLayerDisplay(2, QStringLiteral("2"));
    table->applyLayerDisplay(layout, text);
    for (int c = 0; c < 8; ++c)
        QVERIFY2(widget->isColumnHidden(c) == hidden.at(c), qPrintable(QString::number(c)));

    // A single-layer gauge connected next shows all three of its columns, its Operation
    // column (hidden as a layer column a moment ago) included.
    table->applyLayerDisplay(2, QStringLiteral("1"));
    QVERIFY(table->buildHeaders(1, {0, 1}, unitTable(), false));
    for (int c = 0; c < 3; ++c)
        QVERIFY2(!widget->isColumnHidden(c), qPrintable(QString::number(c)));
}

void TestRecordsTable::nameEditingOnlyInNameColumn()
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    auto editorOpen = [&]() {
        const QList<QLineEdit *> editors = widget->viewport()->findChildren<QLineEdit *>();
        return std::any_of(editors.begin(), editors.end(), [](QLineEdit *e) { return e->isVisible(); });
    };
    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    table->addMultiLayerRow(QStringLiteral("Name1"), {}, kNoTexts);
    QCOMPARE(widget->editTriggers(), QAbstractItemView::NoEditTriggers);

    QVERIFY(!table->editName(2, 0, 1));
    QVERIFY(!table->editName(1, 0, 0));
    QVERIFY(!table->editName(2, 0, 7)); // the Operation cell has no item to edit
    QVERIFY(!editorOpen());
    QVERIFY(table->editName(2, 0, 0));
    QVERIFY(editorOpen());
}

void TestRecordsTable::relabelBothWays()
{
    QVERIFY(table->buildHeaders(2, {0, 1, 2, 3, 0, 1}, unitTable(), false));
    std::array<QString, 6> texts;
    texts[0] = QStringLiteral("Outrange");
    texts[5] = QStringLiteral("Outrange");
    table->addMultiLayerRow(QStringLiteral("Outrange"), {1, 2, 3, 4, 5, 6}, texts); // a name, not a value
    table->addMultiLayerRow(QStringLiteral("b"), {1, 2, 3, 4, 5, 6}, kNoTexts);
    QCOMPARE(table->deleteDelegate()->chinese(), false);

    table->relabel(2, true);
    QCOMPARE(cellText(*widget, 0, 1), QStringLiteral("超量程"));
    QCOMPARE(cellText(*widget, 0, 6), QStringLiteral("超量程"));
    QCOMPARE(widget->item(0, 6)->textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(cellText(*widget, 0, 0), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*widget, 0, 2), QStringLiteral("2"));
    QCOMPARE(DeleteButtonDelegate::label(table->deleteDelegate()->chinese()), QStringLiteral("删除"));

    table->relabel(2, false);
    QCOMPARE(cellText(*widget, 0, 1), QStringLiteral("Outrange"));
    QCOMPARE(cellText(*widget, 0, 6), QStringLiteral("Outrange"));
    QCOMPARE(DeleteButtonDelegate::label(table->deleteDelegate()->chinese()), QStringLiteral("Delete"));

    // Single layout: columns 0 and 1.
    QVERIFY(table->buildHeaders(1, {1, 0}, unitTable(), false));
    table->clearRows();
    table->addSingleLayerRow(0, 0, QStringLiteral("Outrange"), QStringLiteral("Outrange"));
    table->relabel(1, true);
    QCOMPARE(cellText(*widget, 0, 0), QStringLiteral("超量程"));
    QCOMPARE(cellText(*widget, 0, 1), QStringLiteral("超量程"));
}

QTEST_MAIN(TestRecordsTable)
#include "tst_records_table.moc"
