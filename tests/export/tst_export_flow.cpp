// The export flow over the recording automation model (and, for a missing office, the real
// Calc back end pointed at a program that does not exist).
#include "ExportTestSupport.h"
#include "ScriptedInteraction.h"
#include "export/ExportFlow.h"
#include "export/RecordingAutomation.h"
#ifdef PALVARIN_CALC_AVAILABLE
#include "export/CalcOffice.h"
#endif

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ExportTestSupport;
using Kind = ScriptedInteraction::Kind;

namespace {

const QStringList kSingle{"Thickness\n(mm)", "Sound Velocity\n(m/s)", "Operation"};
const QStringList kMulti{"Test Name", "1st Layer Thickness", "2st Layer Thickness", "3st Layer Thickness",
                         "1st Sound Velocity", "2st Sound Velocity", "3st Sound Velocity", "Operation"};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QList<QStringList> singleRows(int n)
{
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i)
        rows << QStringList{QString::number(i + 1) + ".00", "5920"};
    return rows;
}

} // namespace

class TestExportFlow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyTableShowsNothing();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void existingTargetIsReplacedOnlyWhenSaved();
    void cancelIsAFailureThatKeepsEverything();
    void failureQuestionRetriesOrKeepsTheRows();
    void secondExportDoesNotStartWhileOneRuns();
    void rowPushedDuringTheExportIsKept();
    void onlyTheShownLayersGoOut_data();
    void onlyTheShownLayersGoOut();
    void missingOfficeAsksTheFailureQuestion();

private:
    std::shared_ptr<RecordingAutomation::Journal> journal;
    AutomationObject::Server previous;
    QTemporaryDir dir;
    QString target;
    QString previousDir;
    QStringList savedTo;
    QByteArray targetWhileSaving, workingFileWhileSaving;
};

void TestExportFlow::init()
{
    journal = std::make_shared<RecordingAutomation::Journal>();
    savedTo.clear();
    // What the office would do on SaveAs: write the workbook to the path it is given.
    journal->onCall = [this](const QString &member, const QVariant &arg1, const QVariant &) {
        if (member != QLatin1String("SaveAs(const QString&, int)"))
            return true;
        savedTo << arg1.toString();
        targetWhileSaving = contents(target);
        workingFileWhileSaving = contents(arg1.toString());
        return writeFile(arg1.toString(), "new workbook");
    };
    previous = AutomationObject::setServer(QStringLiteral("Excel.Application"), RecordingAutomation::server(journal));
    QVERIFY(dir.isValid());
    target = dir.filePath(QStringLiteral("out.xls"));
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(name));
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
}

void TestExportFlow::cleanup()
{
    AutomationObject::setServer(QStringLiteral("Excel.Application"), previous);
    QDir::setCurrent(previousDir);
    QCOMPARE(journal->alive, 0);
    QVERIFY(!ExportFlow::isRunning());
}

void TestExportFlow::emptyTableShowsNothing()
{
    ScriptedInteraction scripted;
    QTableWidget table(0, 3);
    QVERIFY(!ExportFlow::run(nullptr, &table, 1, "1", true));
    QVERIFY(!ExportFlow::run(nullptr, nullptr, 1, "1", true));
    QVERIFY(scripted.shown.isEmpty());
    QVERIFY(journal->calls.isEmpty());
}

void TestExportFlow::textsFollowTheLanguage_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QStringList>("texts"); // caption, progress, cancel, title, success, failure
    QTest::newRow("English") << false
                             << QStringList{"Save Data to Excel", "Exporting data, please wait...", "Cancel", "Tip",
                                            "Exporting data success!",
                                            "Exporting data failed, do you want to save the data again?"};
    QTest::newRow("Chinese") << true
                             << QStringList{"保存数据到Excel", "正在导出数据，请等待……", "取消", "提示",
                                            "导出数据成功！", "导出数据失败，是否重新保存数据？"};
}

void TestExportFlow::textsFollowTheLanguage()
{
    QFETCH(bool, chinese);
    QFETCH(QStringList, texts);
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target, QString()});
    scripted.answerQuestions({false});
    QTableWidget table;
    fillTable(&table, kSingle, singleRows(3));

    QVERIFY(ExportFlow::run(nullptr, &table, 1, "1", chinese));
    QCOMPARE(table.rowCount(), 0);
    fillTable(&table, kSingle, singleRows(1));
    QVERIFY(!ExportFlow::run(nullptr, &table, 1, "1", chinese)); // file dialog cancelled

    QCOMPARE(scripted.shown.size(), 5);
    const auto shows = [&](int i, Kind kind, const QString &title, const QString &text) {
        return scripted.shown[i].kind == kind && scripted.shown[i].title == title && scripted.shown[i].text == text;
    };
    QVERIFY(shows(0, Kind::SaveFile, QString(), texts[0]));
    QVERIFY2(QRegularExpression("^Data20\\d{12}\\|Excel\\(\\*\\.xls\\)$").match(scripted.shown[0].extra).hasMatch(),
             qPrintable(scripted.shown[0].extra));
    QVERIFY(shows(1, Kind::Progress, QString(), texts[1]));
    QCOMPARE(scripted.shown[1].extra, texts[2]);
    QCOMPARE(scripted.progressMaximums, QList<int>{3});
    QCOMPARE(scripted.progressValues.last(), 3);
    QVERIFY(shows(2, Kind::Information, texts[3], texts[4]));
    QVERIFY(shows(4, Kind::Question, texts[3], texts[5]));
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(contents(target), QByteArray("new workbook"));
}

void TestExportFlow::existingTargetIsReplacedOnlyWhenSaved()
{
    QVERIFY(writeFile(target, "old workbook"));
    QVERIFY(writeFile(QStringLiteral("template.xls"), "template"));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, kSingle, singleRows(2));

    QVERIFY(ExportFlow::run(nullptr, &table, 1, "3", false));
    QCOMPARE(targetWhileSaving, QByteArray("old workbook"));
    // The working file is a fresh one from the template, not a copy of the old target.
    QCOMPARE(workingFileWhileSaving, QByteArray("template"));
    QCOMPARE(savedTo.size(), 1);
    QVERIFY(savedTo[0] != target);
    QCOMPARE(QFileInfo(savedTo[0]).absolutePath(), dir.path());
    QCOMPARE(contents(target), QByteArray("new workbook"));
    QCOMPARE(strayFiles(dir.path(), {"out.xls", "template.xls"}), QStringList());

    // A save the office reports as failed leaves the target as it was.
    journal->refused << QStringLiteral("SaveAs(const QString&, int)");
    scripted.answerFileDialogs({target});
    scripted.answerQuestions({false});
    fillTable(&table, kSingle, singleRows(2));
    QVERIFY(!ExportFlow::run(nullptr, &table, 1, "3", false));
    QCOMPARE(contents(target), QByteArray("new workbook"));
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(strayFiles(dir.path(), {"out.xls", "template.xls"}), QStringList());
}

void TestExportFlow::cancelIsAFailureThatKeepsEverything()
{
    QVERIFY(writeFile(target, "old workbook"));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    scripted.cancelProgressAt(1);
    scripted.answerQuestions({false});
    QTableWidget table;
    fillTable(&table, kSingle, singleRows(4));

    QVERIFY(!ExportFlow::run(nullptr, &table, 1, "1", false));
    QCOMPARE(scripted.progressValues, QList<int>{1}); // stopped after the first row
    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(scripted.texts(Kind::Question).size(), 1);
    QVERIFY(scripted.texts(Kind::Information).isEmpty());
    QCOMPARE(contents(target), QByteArray("old workbook"));
    QVERIFY(savedTo.isEmpty());
    QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());
    QCOMPARE(journal->calls.last(), QStringLiteral("Excel.Application: deleted"));
}

void TestExportFlow::failureQuestionRetriesOrKeepsTheRows()
{
    QTableWidget table;
    {
        // Cancelled file dialog, Yes, then the nested run succeeds.
        ScriptedInteraction scripted;
        scripted.answerFileDialogs({QString(), target});
        scripted.answerQuestions({true});
        fillTable(&table, kSingle, singleRows(2));
        QVERIFY(ExportFlow::run(nullptr, &table, 1, "1", false));
        QCOMPARE(scripted.texts(Kind::SaveFile).size(), 2);
        QCOMPARE(scripted.texts(Kind::Information).size(), 1);
        QCOMPARE(table.rowCount(), 0);
        QCOMPARE(scripted.unexpected, 0);
    }
    {
        // Yes, then No in the nested run: nothing written, every row kept.
        QFile::remove(target);
        ScriptedInteraction scripted;
        scripted.answerFileDialogs({QString(), QString()});
        scripted.answerQuestions({true, false});
        fillTable(&table, kSingle, singleRows(2));
        QVERIFY(!ExportFlow::run(nullptr, &table, 1, "1", true));
        QCOMPARE(scripted.texts(Kind::Question).size(), 2);
        QCOMPARE(table.rowCount(), 2);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(scripted.unexpected, 0);
    }
}

void TestExportFlow::secondExportDoesNotStartWhileOneRuns()
{
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({QString(), target});
    scripted.answerQuestions({true});
    QTableWidget table, other;
    fillTable(&table, kSingle, singleRows(2));
    fillTable(&other, kSingle, singleRows(1));
    QList<bool> runningSeen, secondResults;
    int dialogsBefore = 0;
    scripted.whileShown = [&](const ScriptedInteraction::Shown &shown) {
        if (shown.kind != Kind::SaveFile)
            return;
        runningSeen << ExportFlow::isRunning();
        dialogsBefore = scripted.shown.size();
        secondResults << ExportFlow::run(nullptr, &other, 1, "1", false);
        QCOMPARE(scripted.shown.size(), dialogsBefore); // the refused export showed nothing
    };
    QVERIFY(ExportFlow::run(nullptr, &table, 1, "1", false));
    QCOMPARE(runningSeen, (QList<bool>{true, true})); // the retry belongs to the same export
    QCOMPARE(secondResults, (QList<bool>{false, false}));
    QCOMPARE(other.rowCount(), 1);
    QCOMPARE(table.rowCount(), 0);
}

void TestExportFlow::rowPushedDuringTheExportIsKept()
{
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, kSingle, singleRows(3));
    // Runs while the progress dialog lets events through, as a pushed measurement would.
    QTimer::singleShot(0, &table, [&table] {
        table.insertRow(table.rowCount());
        table.setItem(table.rowCount() - 1, 0, new QTableWidgetItem(QStringLiteral("pushed")));
    });
    QVERIFY(ExportFlow::run(nullptr, &table, 1, "1", false));
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.item(0, 0)->text(), QStringLiteral("pushed"));
    QVERIFY(!journal->calls.join('\n').contains("pushed"));
}

void TestExportFlow::onlyTheShownLayersGoOut_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("layer");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("multi, 1 layer") << 2 << "1" << QStringList{kMulti[0], kMulti[1], kMulti[4]};
    QTest::newRow("multi, 2 layers") << 2 << "2" << QStringList{kMulti[0], kMulti[1], kMulti[2], kMulti[4], kMulti[5]};
    QTest::newRow("multi, 3 layers") << 2 << "3" << kMulti.mid(0, 7);
    QTest::newRow("multi, no number") << 2 << "" << kMulti.mid(0, 7);
    QTest::newRow("single ignores the selector") << 1 << "1" << kSingle.mid(0, 2);
}

void TestExportFlow::onlyTheShownLayersGoOut()
{
    QFETCH(int, layout);
    QFETCH(QString, layer);
    QFETCH(QStringList, headers);
    const QStringList columns = layout == 2 ? kMulti : kSingle;
    QStringList row;
    for (int c = 0; c + 1 < columns.size(); ++c)
        row << QStringLiteral("c%1").arg(c);
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    QTableWidget table;
    fillTable(&table, columns, {row});

    QVERIFY(ExportFlow::run(nullptr, &table, layout, layer, false));
    QStringList written;
    for (const QString &call : journal->calls)
        if (call.startsWith(QLatin1String("Cells: SetValue(const QVariant&) QString:")))
            written << call.mid(41);
    QStringList expected = headers;
    for (const QString &h : headers)
        expected << row[columns.indexOf(h)];
    QCOMPARE(written, expected);
}

void TestExportFlow::missingOfficeAsksTheFailureQuestion()
{
    AutomationObject::setServer(QStringLiteral("Excel.Application"), previous); // the real back end
#ifdef PALVARIN_CALC_AVAILABLE
    CalcOffice::setProgramPath(dir.filePath(QStringLiteral("no-office/soffice")));
#endif
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    scripted.answerQuestions({false});
    QTableWidget table;
    fillTable(&table, kSingle, singleRows(3));
    const bool result = ExportFlow::run(nullptr, &table, 1, "1", false);
#ifdef PALVARIN_CALC_AVAILABLE
    CalcOffice::setProgramPath(QString());
#endif
    QVERIFY(!result);
    QCOMPARE(scripted.texts(Kind::Question).size(), 1);
    QCOMPARE(table.rowCount(), 3);
    QCOMPARE(strayFiles(dir.path(), {}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

QTEST_MAIN(TestExportFlow)
#include "tst_export_flow.moc"
