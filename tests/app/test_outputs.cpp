// Exported files read back by independent readers (Python's csv module, openpyxl), and
// exports that fail saying why, through the real session against the emulator.
#include "GaugeFixture.h"
#include "interaction/Language.h"
#include "analysis/ReadingsAnalysis.h"
#include "export/CsvWriter.h"
#include "export/ExportFlow.h"
#include "export/PdfReport.h"
#include "export/XlsxWriter.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/TableReport.h"
#include "session/ComparisonTable.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;

namespace {

QJsonDocument readBack(const QString &kind, const QString &path)
{
    QProcess python;
    // The system Python: its packages (python3-openpyxl) are what setup.sh installs.
    python.start(QStringLiteral("/usr/bin/python3"),
                 {sourceDir() + QStringLiteral("/tests/app/read_outputs.py"), kind, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning("%s", python.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput());
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes with the real CSV writer, but into a device that is always full.
class FullDiskWriter : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &table, const QString &, ProgressHandle *progress) override
    {
        return csv.write(table, QStringLiteral("/dev/full"), progress);
    }
    int lastErrno() const override { return csv.lastErrno(); }
    CsvWriter csv;
};

} // namespace

class OutputsTest : public QObject
{
    Q_OBJECT

    EmulatorBackend backend;
    std::unique_ptr<SessionRig> rig;
    QTemporaryDir dir;

    RecordsModel &model() const { return rig->model; }
    GaugeSession &session() const { return rig->session; }

    // Three multi-layer records: exact halves (Qt rounds them up, std::to_chars to even), a
    // reading out of range, and a name that needs quoting.
    void plugAndRead()
    {
        auto g = multiLayerGauge();
        g->addMultiLayerRecord(QByteArray("Pipe, \"north\""),
                               {EmulatedInstrument::field(1.125f), EmulatedInstrument::outOfRangeField(),
                                EmulatedInstrument::field(2.375f)},
                               {EmulatedInstrument::field(5920.5f), EmulatedInstrument::field(5921.5f),
                                EmulatedInstrument::field(6000.0f)});
        g->addMultiLayerRecord(QByteArray("A2"), std::array<float, 3>{10.0f, 0.625f, 3.0f},
                               std::array<float, 3>{5900.0f, 5901.0f, 5902.0f});
        g->addMultiLayerRecord(QByteArray("A3"), std::array<float, 3>{4.0f, 5.0f, 6.0f},
                               std::array<float, 3>{5800.0f, 5801.0f, 5802.0f});
        replug(backend, *rig, g);
        session().readRecords();
        QCOMPARE(model().rowCount(), 3);
    }

    // What the table shows: row 0 the headers, then the cells of the exported columns.
    QList<QStringList> shownTable() const
    {
        QList<QStringList> out;
        const QList<int> columns = model().exportedColumns();
        QStringList headers;
        for (int c : columns)
            headers << header(model(), c);
        out << headers;
        for (int r = 0; r < model().rowCount(); ++r) {
            QStringList cells;
            for (int c : columns)
                cells << model().text(r, c);
            out << cells;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // To look at the files written: PALVARIN_KEEP_OUTPUTS=1 keeps them (the path is printed).
        dir.setAutoRemove(qEnvironmentVariableIsEmpty("PALVARIN_KEEP_OUTPUTS"));
        if (!dir.autoRemove())
            qInfo("outputs kept in %s", qPrintable(dir.path()));
        rig = std::make_unique<SessionRig>(backend);
        Language::instance().set(QStringLiteral("en"));
    }
    void cleanupTestCase() { rig.reset(); }

    void csvAndXlsxHoldWhatTheTableShows()
    {
        plugAndRead();
        // A name renamed with a line break stays one field of one row.
        const QString twoLines = QStringLiteral("A2\nsecond line");
        QVERIFY(model().setData(model().index(1, 0), twoLines));
        const QList<QStringList> shown = shownTable();
        QCOMPARE(shown[2][0], twoLines);
        QCOMPARE(shown[1].mid(0, 4), (QStringList{"Pipe, \"north\"", "1.13", RecordsModel::outOfRangeWord(), "2.38"}));
        QCOMPARE(shown[1][4], QStringLiteral("5921")); // 5920.5: to_chars would give 5920

        // No suffix typed: the chosen file type adds it.
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("table"))});
            dialogs.answerFileTypes({ExportFlow::fileType(ExportFormat::Csv)});
            QVERIFY(session().exportRecords());
            QCOMPARE(dialogs.unexpected, 0);
        }
        QCOMPARE(model().rowCount(), 0);
        const QJsonArray csv = readBack(QStringLiteral("csv"), dir.filePath(QStringLiteral("table.csv"))).array();
        QCOMPARE(csv.size(), 4);
        QStringList headers = csv[0].toVariant().toStringList();
        QCOMPARE(headers.takeLast(), CsvWriter::flagHeader());
        QCOMPARE(headers.size(), shown[0].size());
        for (int c = 0; c < headers.size(); ++c)
            QCOMPARE(headers[c], QString(shown[0][c]).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        for (int r = 1; r < 4; ++r) {
            QStringList cells = csv[r].toVariant().toStringList();
            const QString flag = cells.takeLast();
            QStringList expected = shown[r];
            QString expectedFlag;
            for (int c = 0; c < expected.size(); ++c)
                if (expected[c] == RecordsModel::outOfRangeWord()) {
                    expected[c].clear();
                    expectedFlag = shown[0][c].section(QLatin1Char('\n'), 0, 0);
                }
            QCOMPARE(cells, expected);
            QCOMPARE(flag, expectedFlag);
        }
        // The next dialog starts on the type chosen last.
        {
            ScriptedInteraction dialogs;
            plugAndRead();
            QVERIFY(model().setData(model().index(1, 0), twoLines));
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("table.XLSX"))}); // the typed suffix wins
            QVERIFY(session().exportRecords());
            QCOMPARE(dialogs.offeredFilters, QStringList{ExportFlow::fileType(ExportFormat::Csv)});
        }
        const QJsonObject book = readBack(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("table.XLSX"))).object();
        QCOMPARE(book[QStringLiteral("sheets")].toArray().size(), 2);
        QCOMPARE(book[QStringLiteral("frozen")].toString(), QStringLiteral("A2"));
        QCOMPARE(book[QStringLiteral("filter")].toString(), QStringLiteral("A1:G4"));
        const QJsonArray cells = book[QStringLiteral("cells")].toArray();
        QCOMPARE(cells.size(), 4);
        for (int c = 0; c < shown[0].size(); ++c)
            QCOMPARE(cells[0].toArray()[c].toObject()[QStringLiteral("value")].toString(), shown[0][c]);
        const QList<int> columns = model().exportedColumns();
        for (int r = 1; r < 4; ++r) {
            for (int c = 0; c < columns.size(); ++c) {
                const QJsonObject cell = cells[r].toArray()[c].toObject();
                const QString type = cell[QStringLiteral("type")].toString();
                const int decimals = model().decimals(columns[c]);
                if (model().valueIndex(columns[c]) < 0 || shown[r][c] == RecordsModel::outOfRangeWord()) {
                    QCOMPARE(type, QStringLiteral("str"));
                    QCOMPARE(cell[QStringLiteral("value")].toString(), shown[r][c]);
                    continue;
                }
                QVERIFY2(type == QLatin1String("float") || type == QLatin1String("int"), qPrintable(type));
                // The number is the one shown, not the float behind it.
                QCOMPARE(QString::number(cell[QStringLiteral("value")].toDouble(), 'g', 17),
                         QString::number(shown[r][c].toDouble(), 'g', 17));
                QCOMPARE(cell[QStringLiteral("format")].toString(),
                         decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0')) : QStringLiteral("0"));
            }
        }
        // The summary: three records; Thickness1 1.13, 10.00, 4.00.
        const QJsonArray summary = book[QStringLiteral("summary")].toArray();
        QMap<QString, QJsonArray> byLabel;
        for (const QJsonValue &row : summary)
            byLabel.insert(row.toArray()[0].toString(), row.toArray());
        QCOMPARE(byLabel[QStringLiteral("Records")][1].toString(), QStringLiteral("3"));
        QCOMPARE(byLabel[QStringLiteral("Count")][1].toDouble(), 3.0);
        QCOMPARE(byLabel[QStringLiteral("Count")][2].toDouble(), 2.0); // Thickness2: one out of range
        QCOMPARE(byLabel[QStringLiteral("Out of range")][2].toDouble(), 1.0);
        QCOMPARE(byLabel[QStringLiteral("Minimum")][1].toDouble(), 1.13);
        QCOMPARE(byLabel[QStringLiteral("Maximum")][1].toDouble(), 10.0);
        QVERIFY(qAbs(byLabel[QStringLiteral("Mean")][1].toDouble() - 15.13 / 3) < 1e-9);
        QVERIFY(qAbs(byLabel[QStringLiteral("Standard deviation")][1].toDouble() - 4.5261058) < 1e-6);

        // Limits colour the cells they apply to; the facts head the summary.
        {
            ScriptedInteraction dialogs;
            plugAndRead();
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("capture.xls"))});
            QVERIFY(session().exportRecords());
        }
        WorkbookTable table = rig->writer.tables.last();
        table.limits.columns = {std::nullopt, Limits{4.5, 2.0, 0.25, 5.0, QStringLiteral("mm")}};
        table.facts.serial = QStringLiteral("SN-4711");
        XlsxWriter xlsx;
        QVERIFY(xlsx.write(table, dir.filePath(QStringLiteral("limits.xlsx")), nullptr));
        const QJsonObject limited = readBack(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("limits.xlsx"))).object();
        QStringList fills;
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 3; ++c)
                fills << limited[QStringLiteral("cells")].toArray()[r].toArray()[c].toObject()[QStringLiteral("fill")].toString();
        // Thickness1 1.13 below, 10.00 above, 4.00 under nominal minus tolerance, as the table
        // colours them; Thickness2 not judged.
        QCOMPARE(fills, (QStringList{"FFF4B6B6", "", "FFBDD7EE", "", "FFFFE699", ""}));
        QCOMPARE(limited[QStringLiteral("summary")].toArray()[0].toArray()[1].toString(), QStringLiteral("SN-4711"));

        // In Chinese: the sheets' names, the count of records (worded apart from the sheet of
        // them) and the band rows.
        const QString language = Language::instance().code();
        Language::instance().set(QStringLiteral("zh"));
        QVERIFY(xlsx.write(table, dir.filePath(QStringLiteral("zh.xlsx")), nullptr));
        Language::instance().set(language);
        const QJsonObject zh = readBack(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("zh.xlsx"))).object();
        QCOMPARE(zh[QStringLiteral("sheets")].toVariant().toStringList(), (QStringList{"记录", "统计"}));
        QStringList labels;
        for (const QJsonValue &row : zh[QStringLiteral("summary")].toArray())
            labels << row.toArray()[0].toString();
        QVERIFY2(labels.contains(QStringLiteral("记录数")) && labels.contains(QStringLiteral("低于最小值"))
                     && labels.contains(QStringLiteral("标准差")),
                 qPrintable(labels.join(QLatin1Char(','))));
    }

    // The window and the tool say the same of the same gauge (the demo's multi-layer 12345):
    // the facts heading their .xlsx summaries match word for word, the meter type in words,
    // in English and in Chinese.
    void toolAndWindowStateTheSameFacts()
    {
        for (const QString &language : {QStringLiteral("en"), QStringLiteral("zh")}) {
            const bool chinese = language == QLatin1String("zh");
            Language::instance().set(language);
            const QString window = dir.filePath(QStringLiteral("window-%1.xlsx").arg(language));
            {
                ScriptedInteraction dialogs;
                plugAndRead();
                dialogs.answerFileDialogs({window});
                QVERIFY(session().exportRecords());
            }
            Language::instance().set(QStringLiteral("en"));

            const QString tool = dir.filePath(QStringLiteral("tool-%1.xlsx").arg(language));
            QProcess cli;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("LANGUAGE"));
            env.insert(QStringLiteral("LC_ALL"), chinese ? QStringLiteral("zh_CN.UTF-8") : QStringLiteral("C.UTF-8"));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
            cli.setProcessEnvironment(env);
            cli.start(QStringLiteral(PALVARIN_CLI), {"--demo", "read", "-o", tool});
            QVERIFY(cli.waitForFinished(60000));
            QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());

            auto facts = [](const QString &path) {
                QList<QStringList> rows;
                const QJsonArray summary = readBack(QStringLiteral("xlsx"), path).object()[QStringLiteral("summary")].toArray();
                for (int r = 0; r < 3; ++r)
                    rows << summary[r].toVariant().toStringList().mid(0, 2);
                return rows;
            };
            const QList<QStringList> fromWindow = facts(window);
            QCOMPARE(facts(tool), fromWindow);
            QCOMPARE(fromWindow[0][1], QStringLiteral("12345"));
            QCOMPARE(fromWindow[2], (chinese ? QStringList{"仪器型号", "多层"} : QStringList{"Meter type", "multi layer"}));
        }
    }

    // The report read back by pdftotext: the facts, the optional parts, every reading, the
    // header row on every page and "Page n of m" matching the page count.
    void reportShowsFactsAndEveryReadingOnNumberedPages()
    {
        Language::instance().set(QStringLiteral("en"));
        plugAndRead();
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("capture.xls"))});
            QVERIFY(session().exportRecords());
        }
        ReportInput report;
        report.table = rig->writer.tables.last();
        const QVector<QVector<WorkbookCell>> three = report.table.rows;
        for (int i = 3; i < 150; ++i) {
            QVector<WorkbookCell> row = three[i % 3];
            row[0] = WorkbookCell::ofText(QStringLiteral("R%1").arg(i + 1, 3, 10, QLatin1Char('0')));
            report.table.rows << row;
        }
        report.serial = QStringLiteral("SN-4711");
        report.firmware = QStringLiteral("1.25");
        report.units = QStringLiteral("mm, m/s");
        report.fields.company = QStringLiteral("Acme Pipes");
        report.fields.inspector = QStringLiteral("J. Doe");
        report.fields.notes = QStringLiteral("North header, after cleaning.");
        report.limitsText = QStringLiteral("Minimum 2.00 mm, maximum 5.00 mm");
        report.statisticsColumns = QStringList{QStringLiteral("Thickness1")};
        report.statistics = {{QStringLiteral("Mean"), {QStringLiteral("5.04")}}};
        report.bandCounts = {{QStringLiteral("Below the minimum"), 50}};
        report.chart = QImage(400, 120, QImage::Format_RGB32);
        report.chart.fill(Qt::darkCyan);
        report.logo = QImage(60, 30, QImage::Format_RGB32);
        report.logo.fill(Qt::darkRed);
        // A comparison of four surveys after the readings: twelve columns, a note among them, on a
        // portrait page.
        QVector<ComparedSurvey> surveys;
        for (int k = 0; k < 4; ++k) {
            ComparedSurvey s;
            s.id = k + 1;
            s.dateMs = 1546300800000 + qint64(k) * 400 * 86400000;
            s.unit = QStringLiteral("mm");
            s.decimals = 2;
            s.locations = QStringList{QStringLiteral("1"), QStringLiteral("2")};
            s.thickness = {10.0 - 0.3 * k, 8.0 - 0.1 * k};
            surveys << s;
        }
        ComparisonSettings settings;
        settings.minimum = 7.5;
        report.comparison = comparisonTable(compareSurveys(surveys, settings), false);
        QCOMPARE(report.comparison.headers.size(), 12);
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QCOMPARE(PdfReport::write(report, pdf), 0);

        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(30000));
        const QRegularExpressionMatch pagesLine =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(info.readAllStandardOutput()));
        QVERIFY(pagesLine.hasMatch());
        const int pages = pagesLine.captured(1).toInt();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QStringList pageTexts = QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\f'));
        QVERIFY(pageTexts.size() >= pages);
        for (int n = 1; n <= pages; ++n) {
            QVERIFY2(pageTexts[n - 1].contains(QStringLiteral("Page %1 of %2").arg(n).arg(pages)), qPrintable(pageTexts[n - 1]));
            QVERIFY(pageTexts[n - 1].contains(QStringLiteral("(m/s)"))); // the header row
        }
        const QString all = pageTexts.join(QLatin1Char('\n'));
        for (const QString &expected : {QStringLiteral("SN-4711"), QStringLiteral("Acme Pipes"), QStringLiteral("J. Doe"),
                                        QStringLiteral("after cleaning"), QStringLiteral("maximum 5.00 mm"),
                                        QStringLiteral("Below the minimum: 50"), QStringLiteral("Pipe, \"north\""),
                                        // the comparison's headers keep their words whole
                                        QStringLiteral("Location"), QStringLiteral("Thickness"),
                                        QStringLiteral("Governing"), QStringLiteral("Remaining")})
            QVERIFY2(all.contains(expected), qPrintable(expected));
        // Every reading once, in order.
        int at = 0;
        for (int i = 3; i < 150; ++i) {
            const int found = all.indexOf(QStringLiteral("R%1").arg(i + 1, 3, 10, QLatin1Char('0')), at);
            QVERIFY2(found > at, qPrintable(QString::number(i)));
            at = found;
        }
    }

    // The records page's report: the table as shown, the fields given, a file name without
    // suffix completed; a folder as the target says so.
    void reportButtonWritesThePageTable()
    {
        FirstPage page(session()); // before the gauge: it shows the serial it is told
        plugAndRead();
        ReportFields fields;
        fields.inspector = QStringLiteral("Inspector Q");
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("page-report"))});
            QVERIFY(page.report().write(fields, QString()));
            QCOMPARE(dialogs.texts(Kind::Information).size(), 1);
            QVERIFY(dialogs.texts(Kind::Information)[0].contains(QStringLiteral("page-report.pdf")));
        }
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("page-report.pdf")), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString all = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString &expected : {QStringLiteral("Inspector Q"), QStringLiteral("12345"),
                                        model().text(0, model().exportedColumns().at(1)),
                                        QStringLiteral("Page 1 of 1")})
            QVERIFY2(all.contains(expected), qPrintable(expected));
        QCOMPARE(model().rowCount(), 3); // a report removes nothing
        {
            ScriptedInteraction dialogs;
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder.pdf"))));
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("folder.pdf"))});
            QVERIFY(!page.report().write(fields, QString()));
            QVERIFY2(dialogs.texts(Kind::Information).value(0).contains(QStringLiteral("is a folder, not a file")),
                     qPrintable(dialogs.texts(Kind::Information).value(0)));
        }

        // The page's limits travel with the report (limits, statistics, bands) and with an
        // export (cell fills as the table colours them, the gauge in the summary).
        Limits limits;
        limits.nominal = 5.0;
        limits.minimum = 3.0;
        limits.unit = model().unitName(1);
        QVERIFY(page.analysis().setLimits(limits));
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("judged.pdf"))});
            QVERIFY(page.report().write(fields, QString()));
        }
        QProcess judged;
        judged.start(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("judged.pdf")), QStringLiteral("-")});
        QVERIFY(judged.waitForFinished(30000));
        const QString report = QString::fromUtf8(judged.readAllStandardOutput());
        for (const QString &expected : {QStringLiteral("minimum 3 "), QStringLiteral("Std. dev."),
                                        BandDelegate::name(Band::Red) + QStringLiteral(": 1"),
                                        BandDelegate::name(Band::Amber) + QStringLiteral(": 1")})
            QVERIFY2(report.contains(expected), qPrintable(expected + QStringLiteral(" in ") + report));
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("judged.xlsx"))});
            QVERIFY(session().exportRecords());
        }
        const QJsonObject book = readBack(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("judged.xlsx"))).object();
        QStringList fills;
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 3; ++c)
                fills << book[QStringLiteral("cells")].toArray()[r].toArray()[c].toObject()[QStringLiteral("fill")].toString();
        // The first layer shown: 1.13 red, 10.00 within, 4.00 under nominal; velocities unjudged.
        QCOMPARE(fills, (QStringList{"FFF4B6B6", "", "FFC6EFCE", "", "FFFFE699", ""}));
        QCOMPARE(book[QStringLiteral("summary")].toArray()[0].toArray()[1].toString(), QStringLiteral("12345"));
    }

    // Failures that say why: the old file stays as it was, the rows stay in the table.
    void failedExportsSayWhyAndKeepEverything()
    {
        plugAndRead();
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString old = folder + QStringLiteral("/old.csv");
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old contents") == 12);
        f.close();
        // Root ignores permission bits: lock the folder with the immutable attribute there.
        const bool root = ::geteuid() == 0;
        const bool locked = root ? QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) == 0
                                 : QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const auto unlock = qScopeGuard([&] {
            if (root)
                QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
            else
                QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        const QString question = QStringLiteral("Exporting data failed, do you want to save the data again?");
        if (locked) {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({old});
            dialogs.answerQuestions({false});
            QVERIFY(!session().exportRecords());
            const QStringList asked = dialogs.texts(Kind::Question);
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked[0].startsWith(question + QStringLiteral("\n\n")), qPrintable(asked[0]));
            QVERIFY2(asked[0].contains(QStringLiteral("may not write into the folder ") + folder), qPrintable(asked[0]));
            QCOMPARE(contents(old), QByteArray("old contents"));
            QCOMPARE(model().rowCount(), 3);
        } else {
            qWarning("could not make a folder read-only here: that case is not checked");
        }

        // A folder where the file should go; a full disk (the real CSV writer on /dev/full).
        FullDiskWriter full;
        {
            ScriptedInteraction dialogs;
            dialogs.answerFileDialogs({folder + QStringLiteral(".xls")});
            QVERIFY(QDir().mkpath(folder + QStringLiteral(".xls")));
            dialogs.answerQuestions({false});
            QVERIFY(!session().exportRecords());
            QCOMPARE(dialogs.texts(Kind::Question).value(0),
                     question + QStringLiteral("\n\n") + folder + QStringLiteral(".xls is a folder, not a file. Type a file name."));
        }
        QVERIFY(!full.write(WorkbookTable{{"a"}, {{WorkbookCell::ofNumber(1.5, 1)}}, {}, {}}, QString(), nullptr));
        QCOMPARE(full.lastErrno(), ENOSPC);
        Language::instance().set(QStringLiteral("zh"));
        QVERIFY(ExportFlow::failureReason(ENOSPC, old).contains(QStringLiteral("磁盘已满")));
        Language::instance().set(QStringLiteral("en"));
        QCOMPARE(model().rowCount(), 3);

        // A settings change cannot keep rows under the new units: a closed file dialog brings
        // the question back, and No clears.
        {
            ScriptedInteraction dialogs;
            dialogs.answerQuestions({true, false});
            dialogs.answerFileDialogs({QString()});
            session().onSettingsChanged();
            QCOMPARE(dialogs.texts(Kind::Question).size(), 2);
            QCOMPARE(dialogs.unexpected, 0);
        }
        QCOMPARE(model().rowCount(), 0);
        if (!locked)
            QSKIP("a read-only folder could not be made here (not root and permissions ignored)");
    }
};

QTEST_MAIN(OutputsTest)
#include "test_outputs.moc"
