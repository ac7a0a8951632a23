// The export flow over a stand-in workbook writer (and, for a missing office, the real
// engine pointed at a program that does not exist).
#include "ExportTestSupport.h"
#include "ScriptedInteraction.h"
#include "export/ExcelEngine.h"
#include "export/ExportFlow.h"
#include "interaction/Language.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QProcess>
#include <QtTest>

using namespace ExportTestSupport;
using Kind = ScriptedInteraction::Kind;

namespace {

// Writes "new workbook" where it is told, advancing the progress per row, and logs its
// calls into the same list as the dialogs shown, so their order can be checked.
class FakeWriter : public WorkbookWriter
{
public:
    enum class Outcome { Written, FailsAfterAPart, ClaimsSuccessWithoutFile, ClaimsSuccessWithEmptyFile };

    explicit FakeWriter(QStringList &log) : log(log) {}

    Outcome outcome = Outcome::Written;
    bool ignoresCancel = false; // reports success even when cancelled
    QString target; // what the flow's target holds while the writer writes is noted
    QByteArray targetWhileWriting;
    QStringList paths;
    QList<bool> pathExisted;
    WorkbookTable lastTable;

    void prepare() override { log << "prepare"; }
    void release() override { log << "release"; }
    bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) override
    {
        log << "write";
        paths << path;
        pathExisted << QFileInfo::exists(path);
        targetWhileWriting = contents(target);
        lastTable = table;
        if (outcome == Outcome::ClaimsSuccessWithoutFile)
            return true;
        if (outcome == Outcome::ClaimsSuccessWithEmptyFile)
            return writeFile(path, QByteArray());
        writeFile(path, "part");
        for (int r = 1; r <= table.rows.size(); ++r) {
            progress->setValue(r);
            if (progress->wasCanceled() && !ignoresCancel)
                return false;
        }
        if (outcome == Outcome::FailsAfterAPart)
            return false;
        return writeFile(path, "new workbook");
    }

private:
    QStringList &log;
};

WorkbookTable singleTable(int rows)
{
    WorkbookTable table;
    table.headers = {"Thickness\n(mm)", "Sound Velocity\n(m/s)"};
    for (int i = 0; i < rows; ++i)
        table.rows << QVector<WorkbookCell>{num(i + 1, 2), num(5920, 0)};
    return table;
}

} // namespace

class TestExportFlow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyTableShowsNothing();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void existingTargetIsReplacedOnlyWhenComplete();
    void cancelIsAFailureThatKeepsEverything();
    void failureQuestionRetriesOrGivesUp();
    void secondExportDoesNotStartWhileOneRuns();
    void nonFileTargetFails();
    void leftoversOfEndedProgramsGoAndLinksAreWrittenThrough();
    void missingOfficeAsksTheFailureQuestion();

private:
    // The scripted dialogs log themselves into `log` as they are shown.
    void logDialogs(ScriptedInteraction &scripted);

    QTemporaryDir dir;
    QString target;
    QStringList log;
};

void TestExportFlow::init()
{
    QVERIFY(dir.isValid());
    target = dir.filePath(QStringLiteral("out.xls"));
    Language::instance().set(QStringLiteral("en"));
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(name));
    log.clear();
}

void TestExportFlow::logDialogs(ScriptedInteraction &scripted)
{
    scripted.whileShown = [this](const ScriptedInteraction::Shown &shown) {
        static const char *const names[] = {"information", "question", "file dialog", "progress"};
        log << names[int(shown.kind)];
    };
}

void TestExportFlow::emptyTableShowsNothing()
{
    ScriptedInteraction scripted;
    FakeWriter writer(log);
    ExportFlow flow(scripted, writer);
    WorkbookTable table = singleTable(0);
    QCOMPARE(flow.run(nullptr, table), 0);
    QVERIFY(scripted.shown.isEmpty());
    QVERIFY(log.isEmpty());
    QVERIFY(!flow.isRunning());
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
    Language::instance().set(chinese ? QStringLiteral("zh") : QStringLiteral("en"));
    ScriptedInteraction scripted;
    logDialogs(scripted);
    scripted.answerFileDialogs({target, target, QString()});
    scripted.answerQuestions({false});
    FakeWriter writer(log);
    ExportFlow flow(scripted, writer);
    const WorkbookTable table = singleTable(3);

    QCOMPARE(flow.run(nullptr, table), 3);
    QCOMPARE(flow.lastOutcome(), ExportFlow::Outcome::Written);
    QCOMPARE(contents(target), QByteArray("new workbook"));
    QCOMPARE(writer.lastTable.headers, table.headers);
    QCOMPARE(writer.lastTable.rows.size(), 3);
    writer.outcome = FakeWriter::Outcome::FailsAfterAPart;
    QCOMPARE(flow.run(nullptr, table), 0); // failed, then No
    QCOMPARE(flow.lastOutcome(), ExportFlow::Outcome::Failed);
    // A closed file dialog is the user's choice: no question, no message.
    QCOMPARE(flow.run(nullptr, table), 0);
    QCOMPARE(flow.lastOutcome(), ExportFlow::Outcome::Cancelled);

    QCOMPARE(scripted.shown.size(), 7);
    const auto shows = [&](int i, Kind kind, const QString &title, const QString &text) {
        return scripted.shown[i].kind == kind && scripted.shown[i].title == title && scripted.shown[i].text == text;
    };
    QVERIFY(shows(0, Kind::SaveFile, QString(), texts[0]));
    // In the Documents (or home) folder at first, never the program's current folder.
    QVERIFY2(QRegularExpression("^/.+/Data20\\d{12}\\|Excel\\(\\*\\.xls\\);;Excel 2007-365\\(\\*\\.xlsx\\);;CSV\\(\\*\\.csv\\)$")
                 .match(scripted.shown[0].extra)
                 .hasMatch(),
             qPrintable(scripted.shown[0].extra));
    QVERIFY(shows(1, Kind::Progress, QString(), texts[1]));
    QCOMPARE(scripted.shown[1].extra, texts[2]);
    QCOMPARE(scripted.progressMaximums, (QList<int>{3, 3}));
    QCOMPARE(scripted.progressValues.mid(0, 4), (QList<int>{1, 2, 3, 3}));
    QVERIFY(shows(2, Kind::Information, texts[3], texts[4]));
    QVERIFY(shows(3, Kind::SaveFile, QString(), texts[0]));
    QVERIFY(shows(5, Kind::Question, texts[3], texts[5]));
    QVERIFY(shows(6, Kind::SaveFile, QString(), texts[0]));
    QCOMPARE(scripted.unexpected, 0);
    // The office may start while the file dialog is open; what was started ends with the run.
    QCOMPARE(log, (QStringList{"prepare", "file dialog", "progress", "write", "information", "release", //
                               "prepare", "file dialog", "progress", "write", "question", "release", //
                               "prepare", "file dialog", "release"}));
    QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());
}

void TestExportFlow::existingTargetIsReplacedOnlyWhenComplete()
{
    QVERIFY(writeFile(target, "old workbook"));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    FakeWriter writer(log);
    writer.target = target;
    ExportFlow flow(scripted, writer);

    QCOMPARE(flow.run(nullptr, singleTable(2)), 2);
    QCOMPARE(writer.targetWhileWriting, QByteArray("old workbook"));
    // A fresh path beside the target, where nothing exists: the old file is no starting point.
    QCOMPARE(writer.paths.size(), 1);
    QVERIFY(writer.paths[0] != target);
    QCOMPARE(QFileInfo(writer.paths[0]).absolutePath(), dir.path());
    QCOMPARE(writer.pathExisted, QList<bool>{false});
    QCOMPARE(contents(target), QByteArray("new workbook"));
    QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());

    // A writer that fails after writing a part, or claims success without a file or with an
    // empty one: the target stays as it was, the part goes, and the user is asked.
    for (FakeWriter::Outcome outcome : {FakeWriter::Outcome::FailsAfterAPart, FakeWriter::Outcome::ClaimsSuccessWithoutFile,
                                        FakeWriter::Outcome::ClaimsSuccessWithEmptyFile}) {
        QVERIFY(writeFile(target, "kept"));
        writer.outcome = outcome;
        scripted.answerFileDialogs({target});
        scripted.answerQuestions({false});
        QCOMPARE(flow.run(nullptr, singleTable(2)), 0);
        QCOMPARE(contents(target), QByteArray("kept"));
        QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());
    }
    QCOMPARE(scripted.texts(Kind::Question).size(), 3);
    QCOMPARE(scripted.texts(Kind::Information).size(), 1);
    QCOMPARE(scripted.unexpected, 0);
}

void TestExportFlow::cancelIsAFailureThatKeepsEverything()
{
    QVERIFY(writeFile(target, "old workbook"));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    scripted.cancelProgressAt(1);
    scripted.answerQuestions({false});
    FakeWriter writer(log);
    ExportFlow flow(scripted, writer);

    QCOMPARE(flow.run(nullptr, singleTable(4)), 0);
    QCOMPARE(scripted.progressValues, QList<int>{1}); // stopped after the first row
    QCOMPARE(scripted.texts(Kind::Question).size(), 1);
    QVERIFY(scripted.texts(Kind::Information).isEmpty());
    QCOMPARE(contents(target), QByteArray("old workbook"));
    QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());

    // A writer that finishes in spite of the Cancel does not replace the target either.
    writer.ignoresCancel = true;
    scripted.answerFileDialogs({target});
    scripted.cancelProgressAt(2);
    scripted.answerQuestions({false});
    QCOMPARE(flow.run(nullptr, singleTable(4)), 0);
    QCOMPARE(contents(target), QByteArray("old workbook"));
    QCOMPARE(strayFiles(dir.path(), {"out.xls"}), QStringList());
    QCOMPARE(scripted.texts(Kind::Question).size(), 2);
    QCOMPARE(log.count("release"), 2);
    QCOMPARE(scripted.unexpected, 0);
}

void TestExportFlow::failureQuestionRetriesOrGivesUp()
{
    FakeWriter writer(log);
    {
        // A failed write, Yes, then the second attempt succeeds.
        ScriptedInteraction scripted;
        logDialogs(scripted);
        scripted.answerFileDialogs({target, target});
        scripted.answerQuestions({true});
        ExportFlow flow(scripted, writer);
        writer.outcome = FakeWriter::Outcome::FailsAfterAPart;
        scripted.whileShown = [&](const ScriptedInteraction::Shown &shown) {
            static const char *const names[] = {"information", "question", "file dialog", "progress"};
            log << names[int(shown.kind)];
            if (shown.kind == Kind::Question)
                writer.outcome = FakeWriter::Outcome::Written;
        };
        QCOMPARE(flow.run(nullptr, singleTable(2)), 2);
        QCOMPARE(log, (QStringList{"prepare", "file dialog", "progress", "write", "question", "prepare", "file dialog",
                                   "progress", "write", "information", "release"}));
        QCOMPARE(contents(target), QByteArray("new workbook"));
        QCOMPARE(scripted.unexpected, 0);
    }
    {
        // Yes, then No in the second attempt: nothing written.
        QFile::remove(target);
        log.clear();
        ScriptedInteraction scripted;
        scripted.answerFileDialogs({target, target});
        scripted.answerQuestions({true, false});
        ExportFlow flow(scripted, writer);
        writer.outcome = FakeWriter::Outcome::FailsAfterAPart;
        QCOMPARE(flow.run(nullptr, singleTable(2)), 0);
        QCOMPARE(scripted.texts(Kind::Question).size(), 2);
        QCOMPARE(log.count("write"), 2);
        QCOMPARE(log.last(), QStringLiteral("release"));
        QVERIFY(!QFile::exists(target));
        QCOMPARE(scripted.unexpected, 0);
    }
}

void TestExportFlow::secondExportDoesNotStartWhileOneRuns()
{
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target, target});
    scripted.answerQuestions({true});
    FakeWriter writer(log);
    writer.outcome = FakeWriter::Outcome::FailsAfterAPart;
    ExportFlow flow(scripted, writer);
    const WorkbookTable other = singleTable(1);
    QList<bool> runningSeen;
    QList<int> secondResults;
    scripted.whileShown = [&](const ScriptedInteraction::Shown &shown) {
        if (shown.kind == Kind::Question)
            writer.outcome = FakeWriter::Outcome::Written;
        if (shown.kind != Kind::SaveFile)
            return;
        runningSeen << flow.isRunning();
        const int dialogsBefore = int(scripted.shown.size());
        const int writesBefore = int(log.count("write"));
        secondResults << flow.run(nullptr, other);
        QCOMPARE(scripted.shown.size(), dialogsBefore); // the refused export showed nothing
        QCOMPARE(log.count("write"), writesBefore);
    };
    QCOMPARE(flow.run(nullptr, singleTable(2)), 2);
    QCOMPARE(runningSeen, (QList<bool>{true, true})); // the retry belongs to the same export
    QCOMPARE(secondResults, (QList<int>{0, 0}));
    QCOMPARE(writer.lastTable.rows.size(), 2);
    QVERIFY(!flow.isRunning());
}

void TestExportFlow::nonFileTargetFails()
{
    const QString folder = dir.filePath(QStringLiteral("folder.xls"));
    QVERIFY(QDir().mkpath(folder));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({folder, dir.filePath(QStringLiteral("no/such/folder/out.xls"))});
    scripted.answerQuestions({true, false});
    FakeWriter writer(log);
    ExportFlow flow(scripted, writer);

    QCOMPARE(flow.run(nullptr, singleTable(2)), 0);
    QCOMPARE(scripted.texts(Kind::Question).size(), 2);
    QVERIFY(!log.contains("write"));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QDir(folder).isEmpty());
    QCOMPARE(strayFiles(dir.path(), {}), QStringList());
    QVERIFY(QDir(folder).removeRecursively());
}

void TestExportFlow::missingOfficeAsksTheFailureQuestion()
{
    ExcelEngine engine(QStringLiteral("./template.xls"), dir.filePath(QStringLiteral("no-office/soffice")));
    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    scripted.answerQuestions({false});
    ExportFlow flow(scripted, engine);
    QCOMPARE(flow.run(nullptr, singleTable(3)), 0);
    QCOMPARE(scripted.texts(Kind::Question).size(), 1);
    QCOMPARE(strayFiles(dir.path(), {}), QStringList());
    QCOMPARE(officeProcessesLeft(), 0);
}

QTEST_GUILESS_MAIN(TestExportFlow)

// A program killed while writing leaves its temporary file, in any format written through a
// temporary file (the tool's .json and .pdf too): the next export into that folder removes
// it, and only such files of programs that have ended. A target that is a
// symbolic link keeps being a link to the file that now holds the new workbook.
void TestExportFlow::leftoversOfEndedProgramsGoAndLinksAreWrittenThrough()
{
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForStarted(5000));
    const qint64 deadPid = ended.processId();
    QVERIFY(ended.waitForFinished(5000));
    QVERIFY(deadPid > 0);
    const QString stale = ExportFlow::temporaryPrefix(deadPid) + QStringLiteral("AbC123.xls");
    const QString running = ExportFlow::temporaryPrefix(1) + QStringLiteral("XyZ789.xls"); // init never ends
    QStringList staleOthers;
    for (const char *suffix : {"xlsx", "csv", "json", "pdf"})
        staleOthers << ExportFlow::temporaryPrefix(deadPid) + QStringLiteral("DeF456.") + QLatin1String(suffix);
    for (const QString &name : std::as_const(staleOthers))
        QVERIFY(writeFile(dir.filePath(name), "part"));
    QVERIFY(writeFile(dir.filePath(stale), QByteArray()));
    QVERIFY(writeFile(dir.filePath(running), "busy"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral(".other.xls")), "not ours"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("real.xls")), "old"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("real.xls")), target));

    ScriptedInteraction scripted;
    scripted.answerFileDialogs({target});
    FakeWriter writer(log);
    ExportFlow flow(scripted, writer);
    QCOMPARE(flow.run(nullptr, singleTable(1)), 1);

    QVERIFY(!QFileInfo::exists(dir.filePath(stale)));
    for (const QString &name : std::as_const(staleOthers))
        QVERIFY2(!QFileInfo::exists(dir.filePath(name)), qPrintable(name));
    QCOMPARE(contents(dir.filePath(running)), QByteArray("busy"));
    QCOMPARE(contents(dir.filePath(QStringLiteral(".other.xls"))), QByteArray("not ours"));
    QVERIFY(QFileInfo(target).isSymLink());
    QCOMPARE(contents(dir.filePath(QStringLiteral("real.xls"))), QByteArray("new workbook"));
    QCOMPARE(strayFiles(dir.path(), {"out.xls", "real.xls", running, ".other.xls"}), QStringList());
}

#include "tst_export_flow.moc"
