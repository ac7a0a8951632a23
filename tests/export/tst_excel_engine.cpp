// The engine's calls against the recording automation model: no office suite involved.
#include "ScriptedInteraction.h"
#include "export/ExcelEngine.h"
#include "export/RecordingAutomation.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// "row,column=value" for every cell the engine filled, in call order.
QStringList cellsWritten(const QStringList &calls)
{
    QStringList out;
    QString at;
    for (const QString &c : calls) {
        if (c.startsWith(QLatin1String("WorkSheets: Cells(int,int) ")))
            at = c.mid(27).remove(QStringLiteral("uint:")).replace(QLatin1Char(' '), QLatin1Char(','));
        else if (c.startsWith(QLatin1String("Cells: SetValue(const QVariant&) QString:")))
            out << at + QLatin1Char('=') + c.mid(41);
    }
    return out;
}

} // namespace

class TestExcelEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void callSequenceOfASmallTable();
    void cellsWithoutItemsAreSkipped();
    void fileIsPreparedOnlyWhenMissing();
    void failedOpenWritesNothingAndEndsTheServer();
    void destructorClosesAnOpenWorkbook();

private:
    std::shared_ptr<RecordingAutomation::Journal> journal;
    AutomationObject::Server previous;
    QTemporaryDir dir;
    QString previousDir;
};

void TestExcelEngine::init()
{
    journal = std::make_shared<RecordingAutomation::Journal>();
    previous = AutomationObject::setServer(QStringLiteral("Excel.Application"), RecordingAutomation::server(journal));
    QVERIFY(dir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile::remove(QStringLiteral("template.xls"));
}

void TestExcelEngine::cleanup()
{
    AutomationObject::setServer(QStringLiteral("Excel.Application"), previous);
    QDir::setCurrent(previousDir);
    QCOMPARE(journal->alive, 0); // every automation object was released
}

void TestExcelEngine::callSequenceOfASmallTable()
{
    const QString path = dir.filePath(QStringLiteral("book.xls"));
    writeFile(path, "existing");
    QTableWidget table(2, 3);
    table.setHorizontalHeaderLabels({"A\n(mm)", "B", "C"});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            table.setItem(r, c, new QTableWidgetItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
    ScriptedInteraction scripted;
    auto progress = scripted.createProgress(nullptr, QString(), QString(), 0, 2);

    ExcelEngine engine(path);
    QVERIFY(engine.open(1));
    QVERIFY(engine.writeTable(&table, progress.get()));
    QVERIFY(engine.saveAs(path));
    engine.close();

    QStringList expected{"Excel.Application: WorkBooks",
                         "WorkBooks: Open(QString, QVariant) QString:" + path + " int:0",
                         "Open: WorkSheets(int) uint:1"};
    const QStringList values{"A\n(mm)", "B", "C", "r0c0", "r0c1", "r0c2", "r1c0", "r1c1", "r1c2"};
    for (int i = 0; i < values.size(); ++i) {
        expected << QStringLiteral("WorkSheets: Cells(int,int) uint:%1 uint:%2").arg(i / 3 + 1).arg(i % 3 + 1)
                 << "Cells: SetHorizontalAlignment(const QVariant&) int:-4108"
                 << "Cells: SetValue(const QVariant&) QString:" + values[i];
    }
    expected << "Open: Save()"
             << "Excel.Application: DisplayAlerts= bool:false"
             << "Open: SaveAs(const QString&, int) QString:" + QDir::toNativeSeparators(path) + " int:56"
             << "Excel.Application: DisplayAlerts= bool:true"
             << "Open: Close(bool) bool:true"
             << "Excel.Application: Quit()"
             << "Excel.Application: deleted";
    QCOMPARE(journal->calls, expected);
    QCOMPARE(scripted.progressValues, (QList<int>{1, 2}));
    QCOMPARE(contents(path), QByteArray("existing"));
}

void TestExcelEngine::cellsWithoutItemsAreSkipped()
{
    QTableWidget table(2, 3);
    table.setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("T")));
    table.setHorizontalHeaderItem(2, new QTableWidgetItem(QStringLiteral("Op")));
    for (int r = 0; r < 2; ++r) {
        table.setItem(r, 0, new QTableWidgetItem(QString::number(r)));
        table.setItem(r, 1, new QTableWidgetItem(QStringLiteral("v%1").arg(r)));
        table.setCellWidget(r, 2, new QPushButton(QStringLiteral("Delete")));
    }
    table.setItem(1, 1, nullptr);
    journal->refused << QStringLiteral("Save()");

    ExcelEngine engine(dir.filePath(QStringLiteral("skip.xls")));
    QVERIFY(engine.open(2));
    QVERIFY(engine.writeTable(&table, nullptr));
    QCOMPARE(engine.failedCells(), 0);
    QCOMPARE(cellsWritten(journal->calls), (QStringList{"1,1=T", "1,3=Op", "2,1=0", "2,2=v0", "3,1=1"}));
    QVERIFY(journal->calls.contains("Open: WorkSheets(int) uint:2"));
    QVERIFY(!engine.save()); // the server's refusal reaches the caller

    // A cell the sheet refuses is counted and the rest is still written.
    journal->calls.clear();
    journal->refused << QStringLiteral("Cells(int,int)");
    QVERIFY(engine.writeTable(&table, nullptr));
    QCOMPARE(engine.failedCells(), 5);
}

void TestExcelEngine::fileIsPreparedOnlyWhenMissing()
{
    writeFile(QStringLiteral("template.xls"), "template");
    const QString existing = dir.filePath(QStringLiteral("existing.xls"));
    writeFile(existing, "mine");
    {
        ExcelEngine engine(existing);
        QVERIFY(engine.open(1));
    }
    QCOMPARE(contents(existing), QByteArray("mine"));

    const QString fresh = dir.filePath(QStringLiteral("fresh.xls"));
    {
        ExcelEngine engine(fresh);
        QVERIFY(engine.open(1));
    }
    QCOMPARE(contents(fresh), QByteArray("template"));

    QFile::remove(QStringLiteral("template.xls"));
    const QString empty = dir.filePath(QStringLiteral("empty.xls"));
    {
        ExcelEngine engine(empty);
        QVERIFY(engine.open(1));
    }
    QVERIFY(QFile::exists(empty));
    QCOMPARE(QFileInfo(empty).size(), 0);
}

void TestExcelEngine::failedOpenWritesNothingAndEndsTheServer()
{
    QTableWidget table(1, 1);
    table.setItem(0, 0, new QTableWidgetItem(QStringLiteral("x")));

    // No folder to create the file in: the server is started but nothing is opened.
    {
        ExcelEngine engine(dir.filePath(QStringLiteral("no/such/folder/a.xls")));
        QVERIFY(!engine.open(1));
        QVERIFY(!engine.writeTable(&table, nullptr));
        QVERIFY(!engine.isOpen());
    }
    QCOMPARE(journal->calls, (QStringList{"Excel.Application: Quit()", "Excel.Application: deleted"}));

    // A missing sheet.
    journal->calls.clear();
    journal->refused << QStringLiteral("WorkSheets(int)");
    {
        ExcelEngine engine(dir.filePath(QStringLiteral("b.xls")));
        QVERIFY(!engine.open(7));
        QVERIFY(!engine.writeTable(&table, nullptr));
    }
    QVERIFY(cellsWritten(journal->calls).isEmpty());
    QCOMPARE(journal->calls.last(), QStringLiteral("Excel.Application: deleted"));

    // An application object with no server behind it, and no server at all.
    journal->noServer = true;
    QVERIFY(!ExcelEngine(dir.filePath(QStringLiteral("c.xls"))).open(1));
    AutomationObject::setServer(QStringLiteral("Excel.Application"), {});
    QVERIFY(!ExcelEngine(dir.filePath(QStringLiteral("d.xls"))).open(1));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("d.xls"))));
}

void TestExcelEngine::destructorClosesAnOpenWorkbook()
{
    {
        ExcelEngine engine(dir.filePath(QStringLiteral("e.xls")));
        QVERIFY(engine.open(1));
        QVERIFY(engine.setCell(1, 1, QStringLiteral("x")));
    }
    const QStringList tail = journal->calls.mid(journal->calls.size() - 3);
    QCOMPARE(tail, (QStringList{"Open: Close(bool) bool:true", "Excel.Application: Quit()",
                                "Excel.Application: deleted"}));
}

QTEST_MAIN(TestExcelEngine)
#include "tst_excel_engine.moc"
