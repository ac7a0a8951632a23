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

} // namespace

class TestExportCalc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void multiLayerIntoNewFileFromTemplate();
    void existingTargetKeepsItsOtherContents();
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
    // Layer 2 of 3: name, two thicknesses, two velocities; the third layer stays out.
    const QStringList headers{kMultiHeaders[0], kMultiHeaders[1], kMultiHeaders[2], kMultiHeaders[4], kMultiHeaders[5]};
    for (int c = 0; c < headers.size(); ++c) {
        const QJsonObject h = cellAt(book, 1, 1, c + 1);
        QCOMPARE(h.value("value").toString(), headers[c]);
        QCOMPARE(h.value("align").toInt(), 2); // centred
    }
    QVERIFY(cellAt(book, 1, 1, 6).isEmpty());
    QVERIFY2(rowHeight(book, 1, 1) > rowHeight(book, 1, 2), "the header row shows both of its lines");
    for (int r = 2; r <= 4; ++r)
        for (int c = 1; c <= 5; ++c)
            QCOMPARE(cellAt(book, 1, r, c).value("align").toInt(), 2);

    const QJsonObject number = cellAt(book, 1, 2, 2);
    QCOMPARE(number.value("type").toString(), QStringLiteral("number"));
    QCOMPARE(number.value("value").toDouble(), 1.25);
    QCOMPARE(number.value("format").toString(), QStringLiteral("0.00"));
    QCOMPARE(cellAt(book, 1, 2, 4).value("format").toString(), QStringLiteral("0"));
    QCOMPARE(cellAt(book, 1, 3, 4).value("value").toDouble(), -12.0);
    QCOMPARE(cellAt(book, 1, 3, 4).value("format").toString(), QStringLiteral("0.0"));
    QCOMPARE(cellAt(book, 1, 4, 2).value("value").toDouble(), 12345678.123);
    QCOMPARE(cellAt(book, 1, 3, 2).value("value").toString(), QStringLiteral("Outrange"));
    QCOMPARE(cellAt(book, 1, 3, 1).value("type").toString(), QStringLiteral("text"));
    QCOMPARE(cellAt(book, 1, 3, 1).value("value").toString(), QStringLiteral("007"));
    QCOMPARE(cellAt(book, 1, 2, 1).value("value").toString(), QStringLiteral("A-1"));
    QVERIFY(cellAt(book, 1, 5, 1).isEmpty());

    // The template's other contents came along.
    QCOMPARE(cellAt(book, 1, 30, 10).value("value").toString(), QStringLiteral("note"));
    QCOMPARE(cellAt(book, 2, 1, 1).value("value").toString(), QStringLiteral("kept"));

    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

void TestExportCalc::existingTargetKeepsItsOtherContents()
{
    QVERIFY(QFile::exists(target));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, kSingleHeaders, {{"5.00", "5920"}, {"超量程", "5920"}, {"4.75", "6100"}});

    QVERIFY(ExportFlow::run(nullptr, &table, 1, QStringLiteral("3"), true));
    QCOMPARE(scripted.texts(ScriptedInteraction::Kind::Information), QStringList{"导出数据成功！"});

    const QJsonObject book = readWorkbook(target);
    QCOMPARE(cellAt(book, 1, 1, 1).value("value").toString(), kSingleHeaders[0]);
    QCOMPARE(cellAt(book, 1, 1, 2).value("value").toString(), kSingleHeaders[1]);
    QCOMPARE(cellAt(book, 1, 3, 1).value("value").toString(), QStringLiteral("超量程"));
    QCOMPARE(cellAt(book, 1, 4, 2).value("value").toDouble(), 6100.0);
    QCOMPARE(cellAt(book, 1, 4, 1).value("format").toString(), QStringLiteral("0.00"));
    // The Operation column never goes out, so column 3 still holds the earlier export's cell.
    QCOMPARE(cellAt(book, 1, 1, 3).value("value").toString(), kMultiHeaders[2]);
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
