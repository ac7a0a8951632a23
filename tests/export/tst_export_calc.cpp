// Real workbooks written through LibreOffice and read back with python3-xlrd.
#include "ExportTestSupport.h"
#include "ScriptedInteraction.h"
#include "export/CalcDocument.h"
#include "export/CellBlocks.h"
#include "export/ExcelEngine.h"
#include "export/ExportFlow.h"
#include "export/OfficeProcess.h"
#include "interaction/Language.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace ExportTestSupport;
using Kind = ScriptedInteraction::Kind;

namespace {

const QStringList kTwoLayerHeaders{"Test Name", "1st Layer Thickness\n(mm)", "2nd Layer Thickness\n(mm)",
                                   "1st Sound Velocity\n(m/s)", "2nd Sound Velocity\n(m/s)"};
const QStringList kSingleHeaders{"厚度\n(mm)", "声速\n(m/s)"};

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool writeAll(CalcDocument &document, int sheet, const WorkbookTable &table)
{
    const SheetCells cells(table);
    return document.writeBand(sheet, cells, cells.band(0, cells.rowCount() - 1));
}

} // namespace

class TestExportCalc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layersIntoNewFileFromTemplate();
    void existingTargetIsReplacedByAFreshWorkbook();
    void cancelLeavesTargetAndNoOffice();
    void bandsJoinWithoutTemplateAndFailedSaveFails();
    void hungOfficeIsStopped();
    void cleanupTestCase();

private:
    QTemporaryDir dir;
    QString previousDir;
    QString target;
};

void TestExportCalc::initTestCase()
{
    if (!QFileInfo(OfficeProcess::defaultProgram()).isExecutable())
        QSKIP("LibreOffice is not installed");
    QVERIFY(dir.isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    target = dir.filePath(QStringLiteral("out.xls"));

    // The template, made by the office itself: a note far from the table and a second sheet.
    OfficeProcess office;
    QVERIFY(office.launch());
    QVERIFY(office.connect(60000));
    {
        CalcDocument document(office);
        QVERIFY(document.open(QString()));
        QVERIFY(document.appendSheet(QStringLiteral("Extra")));
        QCOMPARE(document.sheetCount(), 2);
        WorkbookTable note;
        note.rows.resize(28); // sheet row 30 ...
        note.rows << QVector<WorkbookCell>(9) + QVector<WorkbookCell>{txt("note")}; // ... column 10
        QVERIFY(writeAll(document, 0, note));
        QVERIFY(writeAll(document, 1, WorkbookTable{{"kept"}, {}}));
        QVERIFY(document.storeAsXls(dir.filePath(QStringLiteral("template.xls"))));
        QVERIFY(document.close());
    }
    office.shutdown();
    const QJsonObject book = readWorkbook(QStringLiteral("template.xls"));
    QCOMPARE(show(book, 1, 30, 10), QStringLiteral("text note"));
    QCOMPARE(cellCount(book, 1), 1);
    QCOMPARE(show(book, 2, 1, 1), QStringLiteral("text kept"));
    QCOMPARE(strayFiles(dir.path(), {"template.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

void TestExportCalc::cleanupTestCase()
{
    if (!previousDir.isEmpty())
        QDir::setCurrent(previousDir);
}

void TestExportCalc::layersIntoNewFileFromTemplate()
{
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    ExcelEngine engine;
    ExportFlow flow(scripted, engine);
    // Two of three layers shown: the name, two thicknesses, two velocities.
    const WorkbookTable table{kTwoLayerHeaders,
                              {{txt("A-1"), num(1.25, 2), num(2.5, 2), num(5920, 0), num(3230, 0)},
                               {txt("007"), txt("Outrange"), num(0.1, 2), num(-12, 1), num(3230, 0)},
                               {txt(""), num(12345678.123, 3), num(0, 2), num(5920, 0), num(3230, 0)},
                               {none(), num(4, 2)}}};

    QCOMPARE(flow.run(nullptr, table), 4);
    QCOMPARE(scripted.texts(Kind::Information), QStringList{"Exporting data success!"});
    QCOMPARE(scripted.unexpected, 0);

    const QJsonObject book = readWorkbook(target);
    // Numbers are number cells showing their decimals, texts stay texts (also "007"), and
    // everything written is centred.
    const QList<QStringList> expected{
        {"text " + kTwoLayerHeaders[0], "text " + kTwoLayerHeaders[1], "text " + kTwoLayerHeaders[2],
         "text " + kTwoLayerHeaders[3], "text " + kTwoLayerHeaders[4]},
        {"text A-1", "number 1.25 0.00", "number 2.5 0.00", "number 5920 0", "number 3230 0"},
        {"text 007", "text Outrange", "number 0.1 0.00", "number -12 0.0", "number 3230 0"},
        {"blank ", "number 12345678.123 0.000", "number 0 0.00", "number 5920 0", "number 3230 0"},
        {" ", "number 4 0.00", " ", " ", " "}};
    for (int r = 0; r < expected.size(); ++r)
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(show(book, 1, r + 1, c + 1), expected[r][c]);
            if (expected[r][c] != QLatin1String(" "))
                QCOMPARE(cellAt(book, 1, r + 1, c + 1).value("align").toInt(), 2);
        }
    QVERIFY(cellAt(book, 1, 1, 6).isEmpty());
    QVERIFY(cellAt(book, 1, 6, 1).isEmpty());
    QVERIFY2(rowHeight(book, 1, 1) > rowHeight(book, 1, 2), "the header row shows both of its lines");

    // The template's other contents came along, and the template itself is untouched.
    QCOMPARE(show(book, 1, 30, 10), QStringLiteral("text note"));
    QCOMPARE(show(book, 2, 1, 1), QStringLiteral("text kept"));
    QCOMPARE(cellCount(book, 1), 5 + 5 + 5 + 5 + 1 + 1);
    QCOMPARE(cellCount(readWorkbook(QStringLiteral("template.xls")), 1), 1);

    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
    QCOMPARE(officeLeftovers(), QStringList());
}

void TestExportCalc::existingTargetIsReplacedByAFreshWorkbook()
{
    QVERIFY(QFile::exists(target));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    ExcelEngine engine;
    ExportFlow flow(scripted, engine);
    const WorkbookTable table{kSingleHeaders, {{num(5, 2), num(5920, 0)}, {txt("超量程"), num(5920, 0)},
                                              {num(4.75, 2), num(6100, 0)}}};

    Language::instance().set(QStringLiteral("zh"));
    QCOMPARE(flow.run(nullptr, table), 3);
    Language::instance().set(QStringLiteral("en"));
    QCOMPARE(scripted.texts(Kind::Information), QStringList{"导出数据成功！"});

    const QJsonObject book = readWorkbook(target);
    QCOMPARE(show(book, 1, 1, 1), "text " + kSingleHeaders[0]);
    QCOMPARE(show(book, 1, 1, 2), "text " + kSingleHeaders[1]);
    QCOMPARE(show(book, 1, 2, 1), QStringLiteral("number 5 0.00"));
    QCOMPARE(show(book, 1, 3, 1), QStringLiteral("text 超量程"));
    QCOMPARE(show(book, 1, 4, 1), QStringLiteral("number 4.75 0.00"));
    QCOMPARE(show(book, 1, 4, 2), QStringLiteral("number 6100 0"));
    // A fresh workbook from the template: nothing of the earlier, wider export lingers beside
    // the new rows, and the template's own contents are there again.
    QVERIFY(cellAt(book, 1, 1, 3).isEmpty());
    QVERIFY(cellAt(book, 1, 2, 4).isEmpty());
    QVERIFY(cellAt(book, 1, 5, 2).isEmpty());
    QCOMPARE(show(book, 1, 30, 10), QStringLiteral("text note"));
    QCOMPARE(show(book, 2, 1, 1), QStringLiteral("text kept"));
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
    ExcelEngine engine;
    ExportFlow flow(scripted, engine);
    const WorkbookTable table{kSingleHeaders,
                              {{num(1, 2), num(1, 0)}, {num(2, 2), num(2, 0)}, {num(3, 2), num(3, 0)}, {num(4, 2), num(4, 0)}}};

    QCOMPARE(flow.run(nullptr, table), 0);
    QCOMPARE(scripted.progressValues, QList<int>{1});
    QCOMPARE(scripted.texts(Kind::Question).size(), 1);
    QVERIFY(scripted.texts(Kind::Information).isEmpty());
    QCOMPARE(digest(target), before);
    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls"}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);

    // The office started ahead of the file dialog is stopped, and quickly, when the dialog is
    // cancelled and the user gives up.
    scripted.answerFileDialogs({QString()});
    scripted.answerQuestions({false});
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(flow.run(nullptr, table), 0);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(officeProcessesLeft(), 0);
    QCOMPARE(officeLeftovers(), QStringList());
    QCOMPARE(digest(target), before);
}

void TestExportCalc::bandsJoinWithoutTemplateAndFailedSaveFails()
{
    // More rows than one round of office calls takes, with an out-of-range word on each side
    // of every band edge; no template: a new workbook with one sheet.
    const int rows = ExcelEngine::kBandRows * 2 + 500;
    WorkbookTable table;
    table.headers = {"T\n(mm)", "V\n(m/s)"};
    for (int r = 0; r < rows; ++r) {
        const int sheetRow = r + 1; // 0-based sheet row of table row r
        const bool edge = sheetRow % ExcelEngine::kBandRows == 0 || sheetRow % ExcelEngine::kBandRows == ExcelEngine::kBandRows - 1;
        table.rows << QVector<WorkbookCell>{edge ? txt("Outrange") : num(r / 100.0, 2), num(5000 + r, 0)};
    }
    ExcelEngine engine(QStringLiteral("no-template.xls"));
    engine.prepare();
    const QString plain = dir.filePath(QStringLiteral("plain.xls"));
    ScriptedInteraction scripted;
    const auto progress = scripted.createProgress(nullptr, QString(), QString(), 0, rows);
    QVERIFY(engine.write(table, plain, progress.get()));
    QVERIFY(engine.lastStartMs() > 0);
    QCOMPARE(scripted.progressValues.size(), rows);
    QCOMPARE(scripted.progressValues.first(), 1);
    QCOMPARE(scripted.progressValues.last(), rows);

    const QJsonObject book = readWorkbook(plain);
    QCOMPARE(sheetCount(book), 1);
    QCOMPARE(cellCount(book, 1), 2 + rows * 2);
    for (int r : {0, 997, 998, 999, 1000, 1998, 1999, 2000, rows - 1}) {
        const int sheetRow = r + 2; // 1-based
        const bool edge = (r + 1) % ExcelEngine::kBandRows == 0 || (r + 1) % ExcelEngine::kBandRows == ExcelEngine::kBandRows - 1;
        QCOMPARE(show(book, 1, sheetRow, 1),
                 edge ? QStringLiteral("text Outrange") : "number " + QString::number(r / 100.0, 'g', 15) + " 0.00");
        QCOMPARE(show(book, 1, sheetRow, 2), "number " + QString::number(5000 + r) + " 0");
        QCOMPARE(cellAt(book, 1, sheetRow, 2).value("align").toInt(), 2);
    }
    QVERIFY(rowHeight(book, 1, 1) > rowHeight(book, 1, 2));

    // A save the office cannot make is a failure, and the office still ends. (It makes
    // missing folders itself, but not inside a file.)
    QVERIFY(!engine.write(table, dir.filePath(QStringLiteral("plain.xls/x.xls")), nullptr));
    QCOMPARE(officeProcessesLeft(), 0);
    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls", "plain.xls"}), QStringList());
}

void TestExportCalc::hungOfficeIsStopped()
{
    OfficeProcess office;
    QVERIFY(office.launch());
    QVERIFY(office.connect(60000));
    CalcDocument document(office, 2000);
    QVERIFY(document.open(QString()));
    const QStringList sockets = officeSockets();
    QCOMPARE(sockets.size(), 2);
    for (const QString &socket : sockets)
        QVERIFY2(QFileInfo::exists(socket), qPrintable(socket));
    // The office stops answering (as if hung) in the middle of an export.
    const QList<qint64> pids = officeProcessIds();
    QVERIFY(!pids.isEmpty());
    for (qint64 pid : pids)
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);

    QElapsedTimer timer;
    timer.start();
    const QString path = dir.filePath(QStringLiteral("hung.xls"));
    QVERIFY(!writeAll(document, 0, WorkbookTable{{"h"}, {{num(1, 0)}}}));
    QVERIFY(!document.storeAsXls(path));
    document.close();
    office.shutdown();
    QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(officeProcessesLeft(), 0);
    QCOMPARE(officeLeftovers(), QStringList());
    for (const QString &socket : sockets) // a killed office cannot remove them itself
        QVERIFY2(!QFileInfo::exists(socket), qPrintable(socket));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(strayFiles(dir.path(), {"template.xls", "out.xls", "plain.xls"}), QStringList());
}

QTEST_GUILESS_MAIN(TestExportCalc)
#include "tst_export_calc.moc"
