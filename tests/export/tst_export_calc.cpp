// Real workbooks written through LibreOffice and read back with python3-xlrd.
#include "ExportTestSupport.h"
#include "ScriptedInteraction.h"
#include "export/CalcOffice.h"
#include "export/ExportFlow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace ExportTestSupport;

namespace {

const QStringList kMultiHeaders{QStringLiteral("Test Name"), QStringLiteral("1st Layer Thickness\n(mm)"),
                                QStringLiteral("2st Layer Thickness\n(mm)"), QStringLiteral("3st Layer Thickness\n(mm)"),
                                QStringLiteral("1st Sound Velocity\n(m/s)"), QStringLiteral("2st Sound Velocity\n(m/s)"),
                                QStringLiteral("3st Sound Velocity\n(m/s)"), QStringLiteral("Operation")};
const QStringList kSingleHeaders{QStringLiteral("厚度\n(mm)"), QStringLiteral("声速\n(m/s)"), QStringLiteral("操作")};

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// "<type> <value> [<number format>]" of a cell as xlrd reads it, e.g. "number 1.25 0.00".
QString show(const QJsonObject &book, int row, int column)
{
    const QJsonObject c = cellAt(book, 1, row, column);
    if (c.value("type").toString() != QLatin1String("number"))
        return c.value("type").toString() + ' ' + c.value("value").toString();
    return "number " + QString::number(c.value("value").toDouble(), 'g', 15) + ' ' + c.value("format").toString();
}

} // namespace

class TestExportCalc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void multiLayerIntoNewFileFromTemplate();
    void existingTargetIsReplacedByAFreshWorkbook();
    void cancelLeavesTargetAndNoOffice();
    void cleanupTestCase();

private:
    QTemporaryDir dir;
    QString previousDir;
    QString target;
};

void TestExportCalc::initTestCase()
{
    if (!QFileInfo(CalcOffice::programPath()).isExecutable())
        QSKIP("LibreOffice is not installed");
    QVERIFY(dir.isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    target = dir.filePath(QStringLiteral("out.xls"));

    // The template, made by the office itself: a note far from the table and a second sheet.
    QFile(QStringLiteral("template.xls")).open(QIODevice::WriteOnly);
    CalcOffice office;
    QVERIFY(office.launch());
    QVERIFY(office.connect(60000));
    QVERIFY(office.openDocument(QStringLiteral("template.xls")));
    QVERIFY(office.appendSheet(QStringLiteral("Extra")));
    CalcOffice::Cell note;
    note.row = 30;
    note.column = 10;
    note.value = QStringLiteral("note");
    note.hasValue = true;
    QVERIFY(office.writeCells(1, {note}));
    note.row = note.column = 1;
    note.value = QStringLiteral("kept");
    QVERIFY(office.writeCells(2, {note}));
    QVERIFY(office.storeAs(QStringLiteral("template.xls")));
    office.shutdown();
    QCOMPARE(cellAt(readWorkbook(QStringLiteral("template.xls")), 2, 1, 1).value("value").toString(),
             QStringLiteral("kept"));
}

void TestExportCalc::cleanupTestCase()
{
    if (!previousDir.isEmpty())
        QDir::setCurrent(previousDir);
}

void TestExportCalc::multiLayerIntoNewFileFromTemplate()
{
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, kMultiHeaders,
              {{"A-1", "1.25", "2.50", "9.99", "5920", "3230", "1111"},
               {"007", "Outrange", "0.10", "9.99", "-12.0", "3230", "1111"},
               {"", "12345678.123", "0.00", "9.99", "5920", "3230", "1111"}});

    QVERIFY(ExportFlow::run(nullptr, &table, 2, QStringLiteral("2"), false));
    QCOMPARE(table.rowCount(), 0);
    QCOMPARE(scripted.texts(ScriptedInteraction::Kind::Information), QStringList{"Exporting data success!"});
    QCOMPARE(scripted.unexpected, 0);

    const QJsonObject book = readWorkbook(target);
    // Layer 2 of 3: name, two thicknesses, two velocities; the third layer stays out. Texts that
    // are plain numbers became numbers showing the same decimals; everything written is centred.
    const QList<QStringList> expected{
        {"text " + kMultiHeaders[0], "text " + kMultiHeaders[1], "text " + kMultiHeaders[2],
         "text " + kMultiHeaders[4], "text " + kMultiHeaders[5]},
        {"text A-1", "number 1.25 0.00", "number 2.5 0.00", "number 5920 0", "number 3230 0"},
        {"text 007", "text Outrange", "number 0.1 0.00", "number -12 0.0", "number 3230 0"},
        {"blank ", "number 12345678.123 0.000", "number 0 0.00", "number 5920 0", "number 3230 0"}};
    for (int r = 0; r < expected.size(); ++r)
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(show(book, r + 1, c + 1), expected[r][c]);
            QCOMPARE(cellAt(book, 1, r + 1, c + 1).value("align").toInt(), 2);
        }
    QVERIFY(cellAt(book, 1, 1, 6).isEmpty());
    QVERIFY(cellAt(book, 1, 5, 1).isEmpty());
    QVERIFY2(rowHeight(book, 1, 1) > rowHeight(book, 1, 2), "the header row shows both of its lines");

    // The template's other contents came along.
    QCOMPARE(cellAt(book, 1, 30, 10).value("value").toString(), QStringLiteral("note"));
    QCOMPARE(cellAt(book, 2, 1, 1).value("value").toString(), QStringLiteral("kept"));

    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

void TestExportCalc::existingTargetIsReplacedByAFreshWorkbook()
{
    QVERIFY(QFile::exists(target));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, kSingleHeaders, {{"5.00", "5920"}, {"超量程", "5920"}, {"4.75", "6100"}});

    QVERIFY(ExportFlow::run(nullptr, &table, 1, QStringLiteral("3"), true));
    QCOMPARE(scripted.texts(ScriptedInteraction::Kind::Information), QStringList{"导出数据成功！"});

    const QJsonObject book = readWorkbook(target);
    QCOMPARE(show(book, 1, 1), "text " + kSingleHeaders[0]);
    QCOMPARE(show(book, 1, 2), "text " + kSingleHeaders[1]);
    QCOMPARE(show(book, 3, 1), QStringLiteral("text 超量程"));
    QCOMPARE(show(book, 4, 1), QStringLiteral("number 4.75 0.00"));
    QCOMPARE(show(book, 4, 2), QStringLiteral("number 6100 0"));
    // A fresh workbook from the template: nothing of the earlier, wider export lingers beside
    // the new rows, and the template's own contents are there again.
    QVERIFY(cellAt(book, 1, 1, 3).isEmpty());
    QVERIFY(cellAt(book, 1, 2, 4).isEmpty());
    QCOMPARE(cellAt(book, 1, 30, 10).value("value").toString(), QStringLiteral("note"));
    QCOMPARE(cellAt(book, 2, 1, 1).value("value").toString(), QStringLiteral("kept"));
    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

void TestExportCalc::cancelLeavesTargetAndNoOffice()
{
    const QByteArray before = digest(target);
    QVERIFY(!before.isEmpty());
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    scripted.cancelProgressAt(1);
    scripted.answerQuestions({false});
    QTableWidget table;
    fillTable(&table, kSingleHeaders, {{"1.00", "1"}, {"2.00", "2"}, {"3.00", "3"}, {"4.00", "4"}});

    QVERIFY(!ExportFlow::run(nullptr, &table, 1, QString(), false));
    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(scripted.texts(ScriptedInteraction::Kind::Question).size(), 1);
    QVERIFY(scripted.texts(ScriptedInteraction::Kind::Information).isEmpty());
    QCOMPARE(digest(target), before);
    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);

    // The office started ahead of the file dialog is stopped, and quickly, when the dialog is
    // cancelled and the user gives up.
    scripted.answerFileDialogs({QString()});
    scripted.answerQuestions({false});
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!ExportFlow::run(nullptr, &table, 1, QString(), false));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(officeProcessesLeft(), 0);
}

QTEST_MAIN(TestExportCalc)
#include "tst_export_calc.moc"
