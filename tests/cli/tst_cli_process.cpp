// palvarin-cli run as a process, as a script would run it: without a display, against the
// emulated gauge. Exit codes, standard output read back by independent readers (Python's csv
// module, a JSON parser), progress only on a terminal, and the window program's lock; the
// survey store read back without a byte of it changed.
#include "store/SurveyStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <csignal>
#include <functional>

namespace {

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

const QString cli = QStringLiteral(PALVARIN_CLI);

} // namespace

class CliProcess : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;

    // No display of any kind, English messages, locks in a folder of the test's own.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PALVARIN_INSTANCE_NAME", "LANGUAGE"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC")); // dates as the checks spell them
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp.filePath(QStringLiteral("run")));
        return env;
    }

    Result run(const QString &program, const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        if (!p.waitForStarted(10000))
            return {};
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            return {};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

    QString demoConfig(const QString &name, int meterType, int records, int outOfRange, int pushMs)
    {
        const QString path = tmp.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(QStringLiteral("[Emulator]\nreportIntervalUs=0\nautoPushMeanMs=%1\ninstruments=1\n"
                                  "[Instrument1]\nserial=31337\nmeterType=%2\nrecords=%3\noutOfRange=%4\n")
                       .arg(pushMs)
                       .arg(meterType)
                       .arg(records)
                       .arg(outOfRange)
                       .toUtf8());
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("run")));
        QFile::setPermissions(tmp.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on standard output for 0, standard error otherwise
        QTest::newRow("help") << QStringList{"--help"} << 0 << "read -o FILE";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "palvarin-cli 1.";
        QTest::newRow("info") << QStringList{"--demo", "info"} << 0 << "meter type: 2";
        QTest::newRow("list") << QStringList{"--demo", "list"} << 0 << "emulator:12345\t12345";
        QTest::newRow("no command") << QStringList{} << 2 << "no command";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "unknown command";
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "info"} << 2 << "frobnicate";
        QTest::newRow("read without -o") << QStringList{"--demo", "read"} << 2 << "needs -o";
        QTest::newRow("xls to stdout") << QStringList{"--demo", "read", "-o", "-", "--format", "xls"} << 2 << "csv or json";
        QTest::newRow("unknown suffix") << QStringList{"--demo", "read", "-o", "out.txt"} << 2 << "--format";
        QTest::newRow("watch as xls") << QStringList{"--demo", "watch", "--format", "xls"} << 2 << "csv or json";
        QTest::newRow("other serial") << QStringList{"--demo", "--serial", "999", "read", "-o", "-"} << 3 << "serial 999";
        QTest::newRow("no store") << QStringList{"--store", "/nonexistent/surveys.sqlite", "export", "1", "-o", "x.csv"}
                                  << 1 << "no survey file yet";
        QTest::newRow("store for read") << QStringList{"--store", "x.sqlite", "--demo", "read", "-o", "-"} << 2
                                        << "takes no --store";
        QTest::newRow("report as csv") << QStringList{"--demo", "report", "-o", "x.csv"} << 2 << "FILE.pdf";
        QTest::newRow("group without command") << QStringList{"cml"} << 2 << "list, add, import, export";
        QTest::newRow("assign two ways") << QStringList{"assign", "1", "--by-name", "--undo"} << 2 << "one of --by-name";
        QTest::newRow("walk route and asset") << QStringList{"--demo", "walk", "--route", "R", "--asset", "P"} << 2
                                              << "one of --route";
        QTest::newRow("walk neither") << QStringList{"--demo", "walk"} << 2 << "one of --route";
        QTest::newRow("walk negative tolerance") << QStringList{"--demo", "walk", "--route", "R", "--tolerance", "-1"}
                                                 << 2 << "--tolerance";
        QTest::newRow("walk without a route in the file")
            << QStringList{"--demo", "--store", "/nonexistent/surveys.sqlite", "walk", "--route", "R"} << 1
            << "no survey file yet";
        QTest::newRow("cml add option elsewhere") << QStringList{"cml", "list", "--nominal", "3"} << 2 << "takes no --nominal";
        QTest::newRow("grid without command") << QStringList{"grid"} << 2 << "define, place, show";
        QTest::newRow("grid no rows") << QStringList{"grid", "define", "G", "--rows", "0", "--columns", "4"} << 2 << "--rows";
        QTest::newRow("grid too wide") << QStringList{"grid", "define", "G", "--rows", "3", "--columns", "53"} << 2
                                       << "--columns";
        QTest::newRow("grid mask outside") << QStringList{"grid", "define", "G", "--rows", "3", "--columns", "4", "--mask", "A1,B2:E3"}
                                           << 2 << "'B2:E3' is no cell";
        QTest::newRow("grid shape and none") << QStringList{"grid", "define", "G", "--none", "--rows", "3"} << 2 << "--none";
        QTest::newRow("grid unknown walk") << QStringList{"grid", "define", "G", "--rows", "3", "--columns", "4", "--walk",
                                                          "top-middle-rows"}
                                           << 2 << "bottom-right-columns-snake";
        QTest::newRow("grid place without survey") << QStringList{"grid", "place", "G", "--by-name"} << 2 << "--survey";
        QTest::newRow("grid place two ways") << QStringList{"grid", "place", "G", "--survey", "1", "--by-name", "--from", "B2"}
                                             << 2 << "not both";
        QTest::newRow("grid bad blocks") << QStringList{"grid", "show", "G", "--blocks", "0x2"} << 2 << "--blocks";
        QTest::newRow("grid show as xlsx") << QStringList{"grid", "show", "G", "--format", "xlsx"} << 2 << "csv or json";
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const Result r = run(cli, args);
        QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1: %2").arg(r.exitCode).arg(QString::fromUtf8(r.err))));
        QVERIFY2((exitCode == 0 ? r.out : r.err).contains(said.toUtf8()), exitCode == 0 ? r.out.constData() : r.err.constData());
        if (exitCode != 0)
            QVERIFY(r.out.isEmpty());
    }

    // One table serves help and checks: a command's --help is its own (its options only, not
    // the other commands), the general one lists them all; an option or a format a command
    // does not take, and an option without its value, are usage errors (exit 2) told before
    // any gauge or file is touched.
    void commandHelpAndUsage()
    {
        const Result general = run(cli, {"--help"});
        QCOMPARE(general.exitCode, 0);
        for (const char *part : {"compare SESSION SESSION...", "history [--format csv|json]", "--tmin <T>", "Exit codes:"})
            QVERIFY2(general.out.contains(part), part);

        const Result read = run(cli, {"read", "--help"});
        QCOMPARE(read.exitCode, 0);
        QVERIFY2(read.out.contains("read -o FILE [--format F]") && read.out.contains("downloads the stored records")
                     && read.out.contains("--format <format>") && read.out.contains("--demo"),
                 read.out.constData());
        for (const char *other : {"compare", "history", "--tmin", "--store", "Exit codes:"})
            QVERIFY2(!read.out.contains(other), other);
        const Result compare = run(cli, {"compare", "--help"});
        QVERIFY2(compare.exitCode == 0 && compare.out.contains("--any-gauge") && compare.out.contains("--store")
                     && !compare.out.contains("downloads the stored records"),
                 compare.out.constData());
        // A command of a group has its own help too.
        const Result import = run(cli, {"cml", "import", "--help"});
        QVERIFY2(import.exitCode == 0 && import.out.contains("cml import FILE.csv") && import.out.contains("--store")
                     && !import.out.contains("route add") && !import.out.contains("--nominal"),
                 import.out.constData());

        const QString store = tmp.filePath(QStringLiteral("untouched.sqlite"));
        const QList<QPair<QStringList, QByteArray>> refused{
            {{"--demo", "info", "-o", "x.csv"}, "info takes no -o."},
            {{"--store", store, "history", "--tmin", "3"}, "history takes no --tmin."},
            {{"--demo", "list", "--format", "csv"}, "list takes no --format."},
            {{"--store", store, "compare", "1", "2", "--format", "xls"}, "compare prints a table"},
            {{"--store", store, "compare", "1", "2", "-o", "x.pdf", "--format", "csv"}, "compare prints a table"},
            {{"--store", store, "export", "1", "-o", "-", "--format", "xlsx"}, "standard output takes csv or json."},
            {{"--store", store, "history", "--format", "yaml"}, "unknown format 'yaml'"},
            {{"--demo", "read", "-o"}, "-o"},
            {{"--demo", "read", "-o", "x.csv", "extra"}, "unexpected argument 'extra'."},
        };
        for (const auto &r : refused) {
            const Result result = run(cli, r.first);
            QVERIFY2(result.exitCode == 2 && result.err.contains(r.second) && result.err.contains("palvarin-cli --help"),
                     qPrintable(r.first.join(QLatin1Char(' ')) + QLatin1String(": ") + QString::fromUtf8(result.err)));
            QVERIFY(result.out.isEmpty());
        }
        QVERIFY(!QFileInfo::exists(store));
        QVERIFY(!QFileInfo::exists(QStringLiteral("x.csv")) && !QFileInfo::exists(QStringLiteral("x.pdf")));
    }

    // A gauge that reports an absurd record count: refused before any block, and told as a
    // wrong count, not as a loose cable (the count came over the cable intact).
    void anAbsurdCountIsNoCableFault()
    {
        const QString config = demoConfig(QStringLiteral("absurd.ini"), 1, 5, 0, 0);
        QFile ini(config);
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("reportedCount=2147483647\n");
        ini.close();
        const Result r = run(cli, {"--demo-config", config, "read", "-o", "-"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("The instrument reports 2147483647 records"), r.err.constData());
        QVERIFY2(r.err.contains("nothing was written"), r.err.constData());
        QVERIFY2(!r.err.contains("cable"), r.err.constData());
    }

    // Records to standard output, read back by Python's csv module and a JSON parser: every
    // record, numbers where numbers belong, the readings out of range empty and flagged; a
    // progress of plain lines (no bar) on a standard error that is no terminal; a trace of the
    // run's reports.
    void readToStandardOutput()
    {
        constexpr int records = 57;
        constexpr int outOfRange = 5;
        const QString config = demoConfig(QStringLiteral("single.ini"), 1, records, outOfRange, 0);
        const QString trace = tmp.filePath(QStringLiteral("trace.txt"));
        const Result csv = run(cli, {"--demo-config", config, "--trace", trace, "read", "-o", "-"});
        QCOMPARE(csv.exitCode, 0);
        QVERIFY(!csv.err.contains('\r'));
        QVERIFY(!csv.err.contains("[#"));
        QVERIFY(csv.err.contains("57 records read"));

        const QByteArray script =
            "import csv, sys\n"
            "rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(True)))\n"
            "head, body = rows[0], rows[1:]\n"
            "assert head[-1] == 'Out of range', head\n"
            "flagged = 0\n"
            "for r in body:\n"
            "    assert len(r) == len(head), r\n"
            "    for value in r[:-1]:\n"
            "        if value != '': float(value)\n"
            "    if r[-1]:\n"
            "        flagged += 1\n"
            "        assert '' in r[:-1], r\n"
            "    else:\n"
            "        assert '' not in r[:-1], r\n"
            "print(len(body), len(head), flagged)\n";
        const Result python = run(QStringLiteral("python3"), {"-c", QString::fromUtf8(script)}, csv.out);
        QVERIFY2(python.exitCode == 0, python.err.constData());
        QCOMPARE(python.out.trimmed(), QByteArray("57 4 5")); // number, thickness, velocity, flag

        const Result json = run(cli, {"--demo-config", config, "read", "-o", "-", "--format", "json"});
        QCOMPARE(json.exitCode, 0);
        const QList<QByteArray> lines = json.out.trimmed().split('\n');
        QCOMPARE(lines.size(), records);
        int nulls = 0;
        int number = 0;
        for (const QByteArray &line : lines) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(o.value(QStringLiteral("number")).toInt(), ++number); // its place in the gauge's memory
            QVERIFY(o.value(QStringLiteral("velocity")).isDouble());
            const QJsonArray flagged = o.value(QStringLiteral("outOfRange")).toArray();
            QCOMPARE(o.value(QStringLiteral("thickness")).isNull(), flagged.contains(QStringLiteral("thickness")));
            QVERIFY(o.value(QStringLiteral("thickness")).isNull() || o.value(QStringLiteral("thickness")).isDouble());
            nulls += o.value(QStringLiteral("thickness")).isNull();
        }
        QCOMPARE(nulls, outOfRange);

        QFile traced(trace);
        QVERIFY(traced.open(QIODevice::ReadOnly));
        const QRegularExpression form(QStringLiteral("^\\d+ (out|in) (3f[0-9a-f]{126})\n$"));
        QSet<QString> directions;
        int count = 0;
        while (!traced.atEnd()) {
            const QString line = QString::fromLatin1(traced.readLine());
            const QRegularExpressionMatch m = form.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            directions << m.captured(1);
            ++count;
        }
        QCOMPARE(directions.size(), 2);
        QVERIFY(count > 4);
    }

    // history and export over a survey file the session code wrote: the sessions newest first
    // with their rows received and export state, one session's rows without the deleted one and
    // with its out-of-range reading flagged, the same bytes to a file as to standard output; an
    // unknown session, a missing and a damaged file told apart. The file is only read: its
    // bytes are unchanged and nothing appears beside it.
    void historyAndExportReadTheStore()
    {
        const QString folder = tmp.filePath(QStringLiteral("store"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/surveys.sqlite");
        qint64 single = 0;
        qint64 multi = 0;
        {
            SurveyStore store;
            QVERIFY2(store.open(path), qPrintable(store.errorText()));
            SurveyInfo info;
            info.serial = QStringLiteral("31337");
            info.firmware = QStringLiteral("2.10");
            info.meterType = 1;
            info.layout = 1;
            info.unitNumbers = {0, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
            info.decimals = {3, 0};
            single = store.beginSession(info, 1700000000000);
            QVERIFY(single > 0);
            const float values[] = {1.234f, 5900, 2.5f, 5920, 0, 5930, 4.125f, 5940};
            const quint8 flags[] = {0, 0, 1, 0}; // the third thickness out of range
            const std::vector<qint64> read = store.addRows(4, 2, values, flags, nullptr, RecordOrigin::Memory, 1700000001000);
            QVERIFY(read.size() == 4 && read.front() != 0);
            store.rowsDeleted({read[1]}, false); // 2.5 / 5920
            store.endSession(1700000100000);

            info.serial = QStringLiteral("A-7, rev \"2\""); // quoted in CSV
            info.meterType = 2;
            info.layout = 2;
            info.unitNumbers = {0, 0, 0, 1, 1, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"),
                              QStringLiteral("m/s"), QStringLiteral("m/s"), QStringLiteral("m/s")};
            info.decimals = {2, 2, 2, 0, 0, 0};
            multi = store.beginSession(info, 1700000200000);
            QVERIFY(multi > single);
            const float layers[] = {1, 2, 3, 5900, 5910, 5920, 1.5f, 2.5f, 3.5f, 5930, 5940, 5950};
            const quint8 none[] = {0, 0};
            const QString names[] = {QStringLiteral("P1"), QStringLiteral("P2")};
            const std::vector<qint64> pushed = store.addRows(2, 6, layers, none, names, RecordOrigin::Pushed, 1700000201000);
            QVERIFY(pushed.size() == 2 && pushed.front() != 0);
            // Both rows went out in an export of the current session alone (not of the table's
            // first rows).
            store.exported(tmp.filePath(QStringLiteral("earlier.csv")), QStringLiteral("csv"), pushed, true, false);
            store.endSession(1700000300000);
            QVERIFY2(store.writable(), qPrintable(store.errorText()));
        }
        auto digest = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                                  : QByteArray();
        };
        const QByteArray before = digest();
        QVERIFY(!before.isEmpty());
        const QStringList filesBefore = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(filesBefore, QStringList{QStringLiteral("surveys.sqlite")});

        const Result history = run(cli, {"--store", path, "history", "--format", "csv"});
        QVERIFY2(history.exitCode == 0, history.err.constData());
        const QByteArray listing =
            "import csv, sys\n"
            "rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(True)))\n"
            "assert rows[0] == ['id', 'started', 'serial', 'meter type', 'layout', 'rows', 'exported', 'exported rows'], rows[0]\n"
            "for r in rows[1:]:\n"
            "    assert len(r) == 8 and r[1][:4] == '2023', r\n"
            "    print(r[0], r[2], r[3], r[4], r[5], r[6], r[7], sep='|')\n";
        const Result listed = run(QStringLiteral("python3"), {"-c", QString::fromUtf8(listing)}, history.out);
        QVERIFY2(listed.exitCode == 0, listed.err.constData());
        QCOMPARE(QString::fromUtf8(listed.out),
                 // The deleted row is not counted: the rows listed are the rows an export gives.
                 QStringLiteral("%1|A-7, rev \"2\"|2|multi|2|yes|2\n%2|31337|1|single|3|no|0\n").arg(multi).arg(single));
        const Result table = run(cli, {"--store", path, "history"});
        QCOMPARE(table.exitCode, 0);
        QCOMPARE(table.out.count('\n'), 3); // a header and two sessions
        QVERIFY2(table.out.contains("multi layer") && table.out.contains("single layer"), table.out.constData());

        const Result exported = run(cli, {"--store", path, "export", QString::number(single), "-o", "-", "--format", "csv"});
        QVERIFY2(exported.exitCode == 0, exported.err.constData());
        const QByteArray reading =
            "import csv, sys\n"
            "rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(True)))\n"
            "assert rows[0][-1] == 'Out of range' and len(rows[0]) == 4, rows[0]\n"
            "for r in rows[1:]:\n"
            "    print(r[0], r[1] or '-', r[2], r[3] or '-', sep='|')\n";
        const Result read = run(QStringLiteral("python3"), {"-c", QString::fromUtf8(reading)}, exported.out);
        QVERIFY2(read.exitCode == 0, read.err.constData());
        const QStringList lines = QString::fromUtf8(read.out).trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        // Each with its record number: the deleted second one shifts none.
        QCOMPARE(lines.value(0), QStringLiteral("1|1.234|5900|-"));
        QVERIFY2(lines.value(1).startsWith(QStringLiteral("3|-|5930|")) && lines.value(1).size() > 9, qPrintable(lines.value(1)));
        QCOMPARE(lines.value(2), QStringLiteral("4|4.125|5940|-"));
        QVERIFY(!exported.out.contains("5920"));

        // To a file: the same writer through the atomic write, the same bytes.
        const QString file = tmp.filePath(QStringLiteral("session.csv"));
        const Result toFile = run(cli, {"--store", path, "export", QString::number(single), "-o", file});
        QVERIFY2(toFile.exitCode == 0, toFile.err.constData());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), exported.out);
        const Result layers = run(cli, {"--store", path, "export", QString::number(multi), "-o", "-", "--format", "json"});
        QVERIFY2(layers.exitCode == 0, layers.err.constData());
        QCOMPARE(layers.out.count('\n'), 2);
        QVERIFY2(layers.out.contains("\"name\":\"P2\"") && layers.out.contains("\"velocity3\":5950"), layers.out.constData());

        const Result unknown = run(cli, {"--store", path, "export", "999", "-o", "-"});
        QCOMPARE(unknown.exitCode, 1);
        QVERIFY2(unknown.err.contains("palvarin-cli history"), unknown.err.constData());
        QVERIFY(unknown.out.isEmpty());

        QCOMPARE(digest(), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), filesBefore);

        // A file in rollback-journal mode, as another SQLite tool may leave it, is read as it is:
        // not switched to WAL.
        const Result journal = run(QStringLiteral("python3"),
                                   {"-c", "import sqlite3, sys\n"
                                          "c = sqlite3.connect(sys.argv[1])\n"
                                          "assert c.execute('PRAGMA journal_mode=DELETE').fetchone()[0] == 'delete'\n"
                                          "c.close()\n",
                                    path});
        QVERIFY2(journal.exitCode == 0, journal.err.constData());
        const QByteArray rollbackMode = digest();
        QVERIFY(rollbackMode != before);
        const Result again = run(cli, {"--store", path, "history", "--format", "csv"});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, history.out);
        QCOMPARE(run(cli, {"--store", path, "export", QString::number(single), "-o", "-"}).out, exported.out);
        QCOMPARE(digest(), rollbackMode);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), filesBefore);

        const QString missing = tmp.filePath(QStringLiteral("none/surveys.sqlite"));
        const Result empty = run(cli, {"--store", missing, "history"});
        QCOMPARE(empty.exitCode, 0);
        QVERIFY(empty.out.isEmpty());
        QVERIFY2(empty.err.contains("no survey file yet"), empty.err.constData());
        QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("none"))));

        const QString damaged = tmp.filePath(QStringLiteral("damaged.sqlite"));
        QFile junk(damaged);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'x'));
        junk.close();
        const Result broken = run(cli, {"--store", damaged, "history"});
        QCOMPARE(broken.exitCode, 1);
        QVERIFY2(broken.err.contains("damaged"), broken.err.constData());
        QVERIFY(broken.out.isEmpty());

        // A newer program's file is refused, not read in part, and nothing is left beside it.
        const QString newerFile = tmp.filePath(QStringLiteral("newer.sqlite"));
        QVERIFY(QFile::copy(path, newerFile));
        const Result bumped = run(QStringLiteral("python3"), {"-c", "import sqlite3, sys\n"
                                                                     "c = sqlite3.connect(sys.argv[1])\n"
                                                                     "c.execute('PRAGMA user_version=99')\n"
                                                                     "c.commit()\n"
                                                                     "c.close()\n",
                                                               newerFile});
        QVERIFY2(bumped.exitCode == 0, bumped.err.constData());
        for (const char *command : {"history", "export"}) {
            QStringList args{"--store", newerFile, QString::fromLatin1(command)};
            if (qstrcmp(command, "export") == 0)
                args << QString::number(single) << "-o" << "-";
            const Result refused = run(cli, args);
            QVERIFY2(refused.exitCode == 1 && refused.err.contains("newer version"), refused.err.constData());
            QVERIFY(refused.out.isEmpty());
        }
        QCOMPARE(QDir(tmp.path()).entryList({QStringLiteral("newer.sqlite*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("newer.sqlite")});
    }

    // compare over a survey file written through the store: two single-layer sessions two
    // years apart, the older in inch, with a deleted row and a reading out of range; two
    // multi-layer ones a year apart. Every output read back by an independent reader and
    // checked against figures worked out by hand; the refusals told apart.
    void compareReadsSurveysBack()
    {
        const QString path = tmp.filePath(QStringLiteral("compare.sqlite"));
        const qint64 t0 = 1577836800000; // 2020-01-01 00:00 UTC
        const qint64 t1 = t0 + 63115200000; // + 730.5 days (two years): 2021-12-31 12:00 UTC
        qint64 older = 0, newer = 0, multiOld = 0, multiNew = 0, foreign = 0, otherGauge = 0;
        {
            SurveyStore store;
            QVERIFY2(store.open(path), qPrintable(store.errorText()));
            SurveyInfo info;
            info.serial = QStringLiteral("31337");
            info.layout = 1;
            info.unitNumbers = {0, 1};
            info.unitNames = {QStringLiteral("inch"), QStringLiteral("m/s")};
            info.decimals = {3, 0};
            older = store.beginSession(info, t0);
            // Record 6 is deleted: no location at all; location 5 is out of range.
            const float inch[] = {0.5f, 5900, 0.35f, 5900, 0.25f, 5900, 0.3f, 5900, 0, 5900, 0.123f, 5900};
            const quint8 inchFlags[] = {0, 0, 0, 0, 1, 0};
            const std::vector<qint64> inchRows = store.addRows(6, 2, inch, inchFlags, nullptr, RecordOrigin::Memory, t0);
            QVERIFY(inchRows.size() == 6 && inchRows.front() != 0);
            store.rowsDeleted({inchRows[5]}, false);
            store.endSession(t0 + 1000);

            info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
            info.decimals = {2, 0};
            newer = store.beginSession(info, t1);
            // 12.104 shows as 12.10: the rate is taken from what the table showed.
            const float mm[] = {12.104f, 5900, 8.95f, 5900, 5.95f, 5900, 7.02f, 5900, 8.0f, 5900};
            const quint8 none[] = {0, 0, 0, 0, 0};
            QVERIFY(store.addRows(5, 2, mm, none, nullptr, RecordOrigin::Memory, t1).front() != 0);
            store.endSession(t1 + 1000);

            info.unitNames = {QStringLiteral("us"), QStringLiteral("m/s")}; // a time, not a length
            foreign = store.beginSession(info, t1 + 86400000);
            QVERIFY(store.addRows(1, 2, mm, none, nullptr, RecordOrigin::Memory, t1 + 86400000).front() != 0);
            store.endSession(t1 + 86401000);

            info.serial = QStringLiteral("4242"); // another gauge, the same locations
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
            otherGauge = store.beginSession(info, t1 + 2 * 86400000);
            QVERIFY(store.addRows(5, 2, mm, none, nullptr, RecordOrigin::Memory, t1 + 2 * 86400000).front() != 0);
            store.endSession(t1 + 2 * 86400000 + 1000);
            info.serial = QStringLiteral("31337");

            info.layout = 2;
            info.unitNumbers = {0, 0, 0, 1, 1, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"),
                              QStringLiteral("m/s"), QStringLiteral("m/s"), QStringLiteral("m/s")};
            info.decimals = {2, 2, 2, 0, 0, 0};
            multiOld = store.beginSession(info, t0);
            const float before[] = {5, 4, 9, 5900, 5900, 5900, 6, 3, 9, 5900, 5900, 5900};
            const QString oldNames[] = {QStringLiteral("P1"), QStringLiteral("P2")};
            QVERIFY(store.addRows(2, 6, before, none, oldNames, RecordOrigin::Pushed, t0).front() != 0);
            store.endSession(t0 + 1000);
            multiNew = store.beginSession(info, t0 + 31557600000); // + 365.25 days
            const float after[] = {6, 2.9f, 9, 5900, 5900, 5900, 5, 3.8f, 9, 5900, 5900, 5900, 5, 1, 9, 5900, 5900, 5900};
            const QString newNames[] = {QStringLiteral("P2"), QStringLiteral("P1"), QStringLiteral("P1")};
            QVERIFY(store.addRows(3, 6, after, none, newNames, RecordOrigin::Pushed, t0 + 31557600000).front() != 0);
            store.endSession(t0 + 31557601000);
            QVERIFY2(store.writable(), qPrintable(store.errorText()));
        }
        const QStringList base{"--store", path, "compare", QString::number(newer), QString::number(older),
                               "--tmin", "6", "--interval", "5"};

        // In mm, the newest session's unit. By hand: 0.500 in = 12.70 -> 12.10 mm over two
        // years, 0.300 mm/y, life 6.10 / 0.3 = 20.3 y, next after the 5-year cap (2026-12-31);
        // 0.350 in = 8.89 -> 8.95 grew: rate 0, no wear; 0.250 in = 6.35 -> 5.95, under 6:
        // due at once; 0.300 in = 7.62 -> 7.02, 0.300 mm/y, life 1.02 / 0.3 = 3.4 y, next
        // after 1.7 y (620.925 days: 2023-09-13); location 5 read once. Shortest life first.
        const Result csv = run(cli, base + QStringList{"-o", "-"});
        QVERIFY2(csv.exitCode == 0, csv.err.constData());
        QVERIFY2(csv.err.contains("converted from inch to mm"), csv.err.constData());
        const QByteArray reading =
            "import csv, sys\n"
            "rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(True)))\n"
            "h = rows[0]\n"
            "assert h[0] == 'Location' and h[1] == 'Thickness 2020-01-01 (mm)' and h[2] == 'Thickness 2021-12-31 (mm)', h\n"
            "assert h[3:9] == ['Wall loss (mm)', 'Long-term rate (mm/y)', 'Short-term rate (mm/y)',\n"
            "                  'Governing rate (mm/y)', 'Remaining life (years)', 'Next inspection'], h\n"
            "for r in rows[1:]:\n"
            "    print('|'.join(r[:9]), bool(r[9]), sep='|')\n";
        const Result parsed = run(QStringLiteral("python3"), {"-c", QString::fromUtf8(reading)}, csv.out);
        QVERIFY2(parsed.exitCode == 0, parsed.err.constData());
        QCOMPARE(QString::fromUtf8(parsed.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{"3|6.35|5.95|0.40|0.200|0.200|0.200|0.0|2021-12-31|True",
                              "4|7.62|7.02|0.60|0.300|0.300|0.300|3.4|2023-09-13|True",
                              "1|12.70|12.10|0.60|0.300|0.300|0.300|20.3|2026-12-31|False",
                              "2|8.89|8.95|-0.06|0.000|0.000|0.000|no wear|2026-12-31|True",
                              "5||8.00|||||||True"}));

        // The same comparison as JSON lines, a workbook, a report and a table to read.
        const Result json = run(cli, base + QStringList{"-o", "-", "--format", "json"});
        QVERIFY2(json.exitCode == 0, json.err.constData());
        const QByteArray flags =
            "import json, sys\n"
            "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
            "    o = json.loads(line)\n"
            "    print(o['location'], o['thickness'], o['governingRate'], o['remainingYears'], o['unlimitedLife'],\n"
            "          o['underMinimum'], o['dueWithinInterval'], o['missing'], o['thickened'], sep='|')\n";
        const Result objects = run(QStringLiteral("python3"), {"-c", QString::fromUtf8(flags)}, json.out);
        QVERIFY2(objects.exitCode == 0, objects.err.constData());
        QCOMPARE(QString::fromUtf8(objects.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{"3|[6.35, 5.95]|0.2|0.0|False|True|True|False|False",
                              "4|[7.62, 7.02]|0.3|3.4|False|False|True|False|False",
                              "1|[12.7, 12.1]|0.3|20.3|False|False|False|False|False",
                              "2|[8.89, 8.95]|0.0|None|True|False|False|False|True",
                              "5|[None, 8.0]|None|None|False|False|False|True|False"}));

        const QString xlsx = tmp.filePath(QStringLiteral("compare.xlsx"));
        const Result book = run(cli, base + QStringList{"-o", xlsx});
        QVERIFY2(book.exitCode == 0, book.err.constData());
        // The first sheet's XML read directly (no spreadsheet module needed): texts as texts,
        // numbers as numbers.
        const Result sheet = run(QStringLiteral("python3"),
                                 {"-c", "import sys, zipfile, xml.etree.ElementTree as ET\n"
                                        "ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}\n"
                                        "z = zipfile.ZipFile(sys.argv[1])\n"
                                        "shared = []\n"
                                        "if 'xl/sharedStrings.xml' in z.namelist():\n"
                                        "    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns):\n"
                                        "        shared.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))\n"
                                        "cells = {}\n"
                                        "for c in ET.fromstring(z.read('xl/worksheets/sheet1.xml')).iter('{%s}c' % ns['m']):\n"
                                        "    v = c.find('m:v', ns)\n"
                                        "    if c.get('t') == 's':\n"
                                        "        cells[c.get('r')] = 'text:' + shared[int(v.text)]\n"
                                        "    elif c.get('t') == 'inlineStr':\n"
                                        "        cells[c.get('r')] = 'text:' + ''.join(t.text or '' for t in c.iter('{%s}t' % ns['m']))\n"
                                        "    elif v is not None and c.get('t') is None:\n"
                                        "        cells[c.get('r')] = float(v.text)\n"
                                        "print(cells.get('A2'), cells.get('C2'), cells.get('F4'), cells.get('H3'), cells.get('H5'), cells.get('I3'))\n"
                                        "facts = {}\n"
                                        "for c in ET.fromstring(z.read('xl/worksheets/sheet2.xml')).iter('{%s}c' % ns['m']):\n"
                                        "    v = c.find('m:v', ns)\n"
                                        "    if c.get('t') == 'inlineStr':\n"
                                        "        facts[c.get('r')] = ''.join(t.text or '' for t in c.iter('{%s}t' % ns['m']))\n"
                                        "    elif v is not None:\n"
                                        "        facts[c.get('r')] = shared[int(v.text)] if c.get('t') == 's' else float(v.text)\n"
                                        "rows = {facts[k]: facts.get('B' + k[1:]) for k in facts if k.startswith('A')}\n"
                                        "print(rows.get('Minimum thickness (mm)'), rows.get('Longest interval (years)'))\n",
                                  xlsx});
        QVERIFY2(sheet.exitCode == 0, sheet.err.constData());
        // The next inspection is a date cell (Excel's day number of 2023-09-13); the minimum
        // (6.00 mm) and the interval (5 years) are facts of the second sheet, as numbers.
        QCOMPARE(sheet.out.trimmed(), QByteArray("text:3 5.95 0.3 3.4 text:no wear 45182.0\n6.0 5.0"));

        const QString pdf = tmp.filePath(QStringLiteral("compare.pdf"));
        const Result report = run(cli, base + QStringList{"-o", pdf});
        QVERIFY2(report.exitCode == 0, report.err.constData());
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}).out);
            for (const QString &expected : {QStringLiteral("Comparison of sessions %1, %2").arg(older).arg(newer),
                                            QStringLiteral("Minimum thickness 6.00 mm"), QStringLiteral("2023-09-13"),
                                            QStringLiteral("no wear"), QStringLiteral("Page 1 of 1")})
                QVERIFY2(text.contains(expected), qPrintable(expected + QLatin1Char('\n') + text));
        }

        const Result table = run(cli, base);
        QVERIFY2(table.exitCode == 0, table.err.constData());
        const QStringList lines = QString::fromUtf8(table.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QVERIFY2(lines[1].startsWith(QStringLiteral("3 ")) && lines[1].contains(QStringLiteral("2021-12-31")),
                 qPrintable(lines[1]));
        // Aligned: each column starts where its header does.
        QCOMPARE(lines[2].indexOf(QStringLiteral("2023-09-13")), lines[0].indexOf(QStringLiteral("Next inspection")));

        // Multi layer, layer 2, named locations: P1 4.00 -> 3.80 in a year, 0.200 mm/y; its
        // second reading (1.00) is a duplicate and is not used; P2 3.00 -> 2.90, 0.100 mm/y.
        const Result layers = run(cli, {"--store", path, "compare", QString::number(multiOld), QString::number(multiNew),
                                        "--layer", "2", "-o", "-", "--format", "json"});
        QVERIFY2(layers.exitCode == 0, layers.err.constData());
        const Result layerRows = run(QStringLiteral("python3"),
                                     {"-c", "import json, sys\n"
                                            "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
                                            "    o = json.loads(line)\n"
                                            "    print(o['location'], o['thickness'], o['governingRate'], o['duplicate'], sep='|')\n"},
                                     layers.out);
        QCOMPARE(QString::fromUtf8(layerRows.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{"P1|[4.0, 3.8]|0.2|True", "P2|[3.0, 2.9]|0.1|False"}));

        // Refused, with the reason on standard error and nothing on standard output.
        const QList<QPair<QStringList, QByteArray>> refusals{
            {{QString::number(older), "999"}, "no survey 999"},
            {{QString::number(older), QString::number(multiNew)}, "layout"},
            {{QString::number(newer), QString::number(foreign)}, "cannot be compared"},
        };
        for (const auto &refusal : refusals) {
            const Result r = run(cli, QStringList{"--store", path, "compare"} + refusal.first);
            QVERIFY2(r.exitCode == 1 && r.err.contains(refusal.second), r.err.constData());
            QVERIFY(r.out.isEmpty());
        }
        // Two gauges: refused unless asked for, and then both are named.
        const Result twoGauges = run(cli, {"--store", path, "compare", QString::number(newer), QString::number(otherGauge)});
        QVERIFY2(twoGauges.exitCode == 1 && twoGauges.err.contains("different gauges (31337, 4242)")
                     && twoGauges.err.contains("--any-gauge"),
                 twoGauges.err.constData());
        QVERIFY(twoGauges.out.isEmpty());
        const Result anyGauge = run(cli, {"--store", path, "compare", QString::number(newer), QString::number(otherGauge),
                                          "--any-gauge", "-o", "-"});
        QVERIFY2(anyGauge.exitCode == 0 && anyGauge.err.contains("come from 2 gauges: gauge 31337 (")
                     && anyGauge.err.contains("; gauge 4242 ("),
                 anyGauge.err.constData());
        const Result one = run(cli, {"--store", path, "compare", QString::number(older)});
        QVERIFY2(one.exitCode == 2 && one.err.contains("at least two sessions"), one.err.constData());
        QVERIFY(one.out.isEmpty());
    }

    // The PDF report needs fonts, not a display.
    void reportWithoutDisplay()
    {
        const QString pdf = tmp.filePath(QStringLiteral("report.pdf"));
        const Result r = run(cli, {"--demo", "report", "-o", pdf});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            return;
        const Result text = run(QStringLiteral("pdftotext"), {pdf, "-"});
        QVERIFY(text.out.contains("12345")); // the demo gauge's serial
        QVERIFY(text.out.contains("Pipe-1")); // a record's name

        // With the gauge's limits kept in the survey file, the report judges as the window's
        // does: each layer's limits, the statistics, the bands and the run chart.
        const QString storePath = tmp.filePath(QStringLiteral("limits-store.sqlite"));
        {
            SurveyStore store;
            QVERIFY(store.open(storePath));
            QVERIFY(store.saveLimits(QStringLiteral("12345"),
                                     "{\"nominal\":6,\"minimum\":5,\"tolerance\":0,\"unit\":\"mm\","
                                     "\"layer2\":{\"nominal\":3,\"minimum\":2.5,\"tolerance\":0.5,\"unit\":\"mm\"}}"));
        }
        const QByteArray oldStore = qgetenv("PALVARIN_STORE");
        qputenv("PALVARIN_STORE", QFile::encodeName(storePath));
        const Result judged = run(cli, {"--demo", "report", "-o", pdf});
        qputenv("PALVARIN_STORE", oldStore);
        QVERIFY2(judged.exitCode == 0, judged.err.constData());
        const QString report = QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdf, "-"}).out);
        for (const QString &expected :
             {QStringLiteral("Layer 1: nominal 6 mm, minimum 5 mm"), QStringLiteral("Layer 2: nominal 3 mm, minimum 2.5 mm"),
              QStringLiteral("Layer 3: no limits"), QStringLiteral("Statistics"), QStringLiteral("Std. dev."),
              QStringLiteral("Under minimum: "), QStringLiteral("Cell colours of the readings"),
              QStringLiteral("as the table shows")})
            QVERIFY2(report.contains(expected), qPrintable(expected + QLatin1Char('\n') + report));
        // The chart is an image on the first page.
        const Result images = run(QStringLiteral("pdfimages"), {"-list", "-f", "1", "-l", "1", pdf});
        QVERIFY2(images.out.count('\n') >= 3, images.out.constData()); // two header lines, one image
    }

    // On a terminal the progress is a bar redrawn in place.
    void progressBarOnTerminal()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("util-linux 'script' is needed for a terminal");
        const QString out = tmp.filePath(QStringLiteral("t.csv"));
        const Result r = run(QStringLiteral("script"),
                             {"-qec", QStringLiteral("%1 --demo read -o %2").arg(cli, out), "/dev/null"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("\r") && r.out.contains("[####"), r.out.constData());
        QVERIFY(QFile::exists(out));
    }

    // Ctrl+C during a read stops it: exit 1, and the file named by -o keeps its old content
    // (no partial file in its place, no temporary file left beside it).
    void interruptedReadLeavesTheOldFile()
    {
        const QString config = tmp.filePath(QStringLiteral("slow.ini"));
        {
            QFile ini(config);
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Emulator]\nreportIntervalUs=1000\nautoPushMeanMs=0\n[Instrument1]\nmeterType=2\nrecords=3000\n");
        }
        QDir folder(tmp.filePath(QStringLiteral("out")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QString target = folder.filePath(QStringLiteral("records.csv"));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old\n");
        }
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(cli, {"--demo-config", config, "read", "-o", target});
        QVERIFY(p.waitForStarted(10000));
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("25%"), 20000);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        err += p.readAllStandardError();
        QVERIFY2(err.contains("interrupted"), err.constData());
        QFile old(target);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old\n"));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("records.csv")});
    }

    // watch prints one line per pushed measurement until interrupted, then ends with 0.
    void watchUntilInterrupted()
    {
        const QString config = demoConfig(QStringLiteral("push.ini"), 2, 3, 0, 20);
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(cli, {"--demo-config", config, "watch", "--format", "json"});
        QVERIFY(p.waitForStarted(10000));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).count('\n') >= 4, 20000);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        out += p.readAllStandardOutput();
        const QList<QByteArray> lines = out.trimmed().split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
            QCOMPARE(o.value(QStringLiteral("origin")).toString(), QStringLiteral("pushed"));
            QCOMPARE(o.value(QStringLiteral("record")).toInt(), i + 1);
            QVERIFY(o.value(QStringLiteral("thickness1")).isDouble());
        }
        QVERIFY(p.readAllStandardError().contains("watching"));
    }

    // The places of a survey file through the tool: CMLs imported from CSV, a route through
    // them, a survey's readings assigned by the route, the assignment taken back, then by the
    // readings' names; a refused import leaves the CMLs as they were.
    void placesAssignedThroughTheTool()
    {
        const QString path = tmp.filePath(QStringLiteral("places.sqlite"));
        // Four multi-layer readings named as an inspector types them: case and blanks differ
        // from the tags, one name has no CML.
        const QStringList names{QStringLiteral("tml-1"), QStringLiteral("TML-2"), QStringLiteral("TML-9"),
                                QStringLiteral(" tml-3 ")};
        {
            SurveyStore store;
            QVERIFY2(store.open(path), qPrintable(store.errorText()));
            SurveyInfo info;
            info.serial = QStringLiteral("31337");
            info.layout = 2;
            info.unitNumbers = {0, 0, 0, 1, 1, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"),
                              QStringLiteral("m/s"), QStringLiteral("m/s"), QStringLiteral("m/s")};
            info.decimals = {2, 2, 2, 0, 0, 0};
            QVERIFY(store.beginSession(info, 1700000000000) > 0);
            QVector<float> values;
            for (int i = 0; i < names.size(); ++i)
                values << 10.0f + float(i) << 3 << 2 << 5900 << 5900 << 5900;
            const quint8 flags[4] = {};
            const QVector<QString> rowNames(names.begin(), names.end());
            const std::vector<qint64> keys = store.addRows(int(names.size()), 6, values.constData(), flags, rowNames.constData(),
                                                           RecordOrigin::Pushed, 1700000001000);
            QVERIFY(keys.size() == 4 && keys.back() != 0);
            store.endSession(1700000100000);
        }
        auto jsonLines = [](const QByteArray &out) {
            QList<QJsonObject> objects;
            for (const QByteArray &line : out.split('\n'))
                if (!line.isEmpty())
                    objects << QJsonDocument::fromJson(line).object();
            return objects;
        };
        auto tool = [&](QStringList args) {
            args.prepend(path);
            args.prepend(QStringLiteral("--store"));
            return run(cli, args);
        };

        const QString equipment = QStringLiteral("Plant/Unit 1/V-101");
        const QString other = QStringLiteral("Plant/Unit 1/E-7");
        const QString cmlFile = tmp.filePath(QStringLiteral("cmls.csv"));
        {
            QFile file(cmlFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("tag,asset_path,nominal,description\n"
                       "TML-1,Plant/Unit 1/V-101,12.7,\"Shell, north\"\n"
                       "TML-2,Plant/Unit 1/V-101,12.7,\n"
                       "TML-3,Plant/Unit 1/V-101,9.5,Nozzle\n"
                       "TML-4,Plant/Unit 1/E-7,,\n");
        }
        Result r = tool({"cml", "import", cmlFile});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"cml", "list", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QList<QJsonObject> cmls = jsonLines(r.out);
        QCOMPARE(cmls.size(), 4);
        QSet<QString> listed;
        for (const QJsonObject &c : cmls)
            listed << c.value(QStringLiteral("asset_path")).toString() + QLatin1Char('/') + c.value(QStringLiteral("tag")).toString();
        QCOMPARE(listed, (QSet<QString>{equipment + "/TML-1", equipment + "/TML-2", equipment + "/TML-3", other + "/TML-4"}));
        for (const QJsonObject &c : cmls)
            if (c.value(QStringLiteral("tag")).toString() == QLatin1String("TML-3"))
                QCOMPARE(c.value(QStringLiteral("nominal")).toDouble(), 9.5);
        r = tool({"assets", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QStringList kinds;
        for (const QJsonObject &a : jsonLines(r.out))
            kinds << a.value(QStringLiteral("path")).toString() + QLatin1Char('=') + a.value(QStringLiteral("kind")).toString();
        QCOMPARE(kinds.size(), 4);
        for (const char *kind : {"Plant=site", "Plant/Unit 1=unit", "Plant/Unit 1/V-101=equipment", "Plant/Unit 1/E-7=equipment"})
            QVERIFY2(kinds.contains(kind), qPrintable(kinds.join(QLatin1Char(' '))));

        // The walking order is the route's, not the tags'.
        const QStringList walk{QStringLiteral("TML-3"), QStringLiteral("tml-1"), QStringLiteral("TML-2")};
        r = tool(QStringList{"route", "add", "North walk"} + walk);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"route", "show", "north walk", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QList<QJsonObject> stops = jsonLines(r.out);
        QCOMPARE(stops.size(), walk.size());
        for (int i = 0; i < walk.size(); ++i) {
            QCOMPARE(stops[i].value(QStringLiteral("asset_path")).toString(), equipment);
            QCOMPARE(stops[i].value(QStringLiteral("tag")).toString().toUpper(), walk[i].toUpper());
        }

        r = tool({"survey", "list", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QList<QJsonObject> surveys = jsonLines(r.out);
        QCOMPARE(surveys.size(), 1);
        const QString survey = QString::number(surveys[0].value(QStringLiteral("id")).toInteger());
        QCOMPARE(surveys[0].value(QStringLiteral("readings")).toInteger(), qint64(names.size()));
        QCOMPARE(surveys[0].value(QStringLiteral("assigned")).toInteger(), 0);

        // Each reading's CML after an assignment, in the survey's order.
        auto assigned = [&](const QJsonObject &result) {
            QStringList cml;
            for (const QJsonValue &reading : result.value(QStringLiteral("readings")).toArray())
                cml << reading.toObject().value(QStringLiteral("cml")).toString(QStringLiteral("-"));
            return cml;
        };
        r = tool({"assign", survey, "--route", "North walk", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QJsonObject result = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(assigned(result), (QStringList{equipment + "/TML-3", equipment + "/TML-1", equipment + "/TML-2", "-"}));
        QCOMPARE(result.value(QStringLiteral("assigned")).toInt(), 3);
        QCOMPARE(result.value(QStringLiteral("unassigned")).toInt(), 1);

        r = tool({"assign", survey, "--undo"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"survey", "list", "--format", "json"});
        QCOMPARE(jsonLines(r.out).value(0).value(QStringLiteral("assigned")).toInteger(), 0);

        r = tool({"assign", survey, "--by-name", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        result = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(assigned(result), (QStringList{equipment + "/TML-1", equipment + "/TML-2", "-", equipment + "/TML-3"}));
        QCOMPARE(result.value(QStringLiteral("unmatched")).toArray(), QJsonArray{names[2]});
        QCOMPARE(result.value(QStringLiteral("assigned")).toInt(), 3);
        // Said in words too: what to do about the name without a CML.
        r = tool({"assign", survey, "--by-name"});
        QVERIFY2(r.exitCode == 0 && r.out.contains("TML-9") && r.out.contains("cml add"), r.out.constData());
        r = tool({"survey", "list", "--format", "json"});
        QCOMPARE(jsonLines(r.out).value(0).value(QStringLiteral("assigned")).toInteger(), 3);

        // A file with a bad third line: nothing of it goes in, not even its good first lines.
        const QByteArray listedBefore = tool({"cml", "list", "--format", "csv"}).out;
        const QString badFile = tmp.filePath(QStringLiteral("bad.csv"));
        {
            QFile file(badFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("asset_path,tag,nominal\n"
                       "Plant/Unit 2/V-200,TML-5,8\n"
                       "Plant/Unit 1/V-101,TML-1,twelve\n");
        }
        r = tool({"cml", "import", badFile});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("palvarin-cli: %1 line 3: nominal").arg(badFile).toUtf8()), r.err.constData());
        QVERIFY(r.out.isEmpty());
        r = tool({"cml", "list", "--format", "csv"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!listedBefore.isEmpty());
        QCOMPARE(r.out, listedBefore);
        QCOMPARE(jsonLines(tool({"assets", "--format", "json"}).out).size(), 4);
    }

    // A CML's design set through the tool (refused inputs not stored), the CML judged over
    // its readings, the CMLs due before a date, and the calculators with a refusal.
    void cmlsJudgedThroughTheTool()
    {
        const QString path = tmp.filePath(QStringLiteral("judged.sqlite"));
        auto tool = [&](QStringList args) {
            args << QStringLiteral("--store") << path;
            return run(cli, args);
        };
        const QString readings = tmp.filePath(QStringLiteral("judged.csv"));
        {
            QFile file(readings);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("asset_path,tag,date,unit,thickness_1,velocity_1,thickness_2,velocity_2,thickness_3,velocity_3,"
                       "flags,comment\n"
                       "Plant/U1/P-101,CML-1,2016-06-01T09:00:00Z,mm,7.0,5900,,,,,,\n"
                       "Plant/U1/P-101,CML-1,2018-06-01T09:00:00Z,mm,6.6,5900,,,,,,\n"
                       "Plant/U1/P-101,CML-1,2020-06-01T09:00:00Z,mm,6.8,5900,,,,,,\n"
                       "Plant/U1/P-101,CML-1,2022-06-01T09:00:00Z,mm,5.8,5900,,,,,,\n"
                       "Plant/U1/P-101,CML-2,2016-06-01T09:00:00Z,mm,9.0,5900,,,,,,\n"
                       "Plant/U1/P-101,CML-2,2022-06-01T09:00:00Z,mm,8.9,5900,,,,,,\n");
        }
        for (const char *tag : {"CML-1", "CML-2"})
            QCOMPARE(tool({"cml", "add", "Plant/U1/P-101", tag, "--minimum", "3"}).exitCode, 0);
        Result r = tool({"readings", "import", readings});
        QVERIFY2(r.exitCode == 0, r.err.constData());

        const QStringList design{"cml", "design", "CML-1", "--asset", "Plant/U1/P-101", "--formula", "b31.3",
                                 "--P", "2MPa", "--D", "168.3mm", "--S", "138MPa", "--Y", "0.4", "--c", "3mm"};
        r = tool(design + QStringList{"--E", "1"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool(design + QStringList{"--E", "1.2"}); // a joint efficiency above 1
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("E"), r.err.constData());

        r = tool({"cml", "show", "cml-1", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QJsonObject shown = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(shown.value(QStringLiteral("inputs")).toObject().value(QStringLiteral("E")).toDouble(), 1.0);
        // ASME B31.3 t = P·D / (2·(S·E·W + P·Y)) plus c, worked here apart from the program.
        const double required = 2.0 * 168.3 / (2 * (138.0 * 1 * 1 + 2.0 * 0.4)) + 3.0;
        QVERIFY(qAbs(shown.value(QStringLiteral("required")).toDouble() - required) < 1e-9);
        const QJsonArray series = shown.value(QStringLiteral("readings")).toArray();
        QCOMPARE(series.size(), 4);
        QCOMPARE(series[2].toObject().value(QStringLiteral("mark")).toString(), QStringLiteral("verify"));
        auto msOf = [](const char *iso) { return QDateTime::fromString(QLatin1String(iso), Qt::ISODate).toMSecsSinceEpoch(); };
        auto years = [](qint64 from, qint64 to) { return double(to - from) / (365.2425 * 86400000.0); };
        const qint64 t2016 = msOf("2016-06-01T09:00:00Z"), t2020 = msOf("2020-06-01T09:00:00Z"),
                     t2022 = msOf("2022-06-01T09:00:00Z");
        const double longTerm = (double(7.0f) - double(5.8f)) / years(t2016, t2022);
        const double shortTerm = (double(6.8f) - double(5.8f)) / years(t2020, t2022); // the marked one still counts
        QVERIFY(qAbs(shown.value(QStringLiteral("long_term")).toDouble() - longTerm) < 1e-9);
        QVERIFY(qAbs(shown.value(QStringLiteral("short_term")).toDouble() - shortTerm) < 1e-9);
        QCOMPARE(shown.value(QStringLiteral("governs")).toString(), QStringLiteral("short-term"));
        const double life = (double(5.8f) - required) / shortTerm;
        QVERIFY(qAbs(shown.value(QStringLiteral("remaining_years")).toDouble() - life) < 1e-9);
        const qint64 next = t2022 + qint64(life / 2 * 365.2425 * 86400000.0);
        const qint64 nextShown = QDateTime::fromString(shown.value(QStringLiteral("next_date")).toString(), Qt::ISODate)
                                     .toMSecsSinceEpoch();
        QVERIFY2(qAbs(nextShown - next) <= 1000, qPrintable(shown.value(QStringLiteral("next_date")).toString()));

        // Due before 2025: CML-1 alone (CML-2 thins slowly); without a date both, worst first.
        r = tool({"due", "--before", "2025-01-01", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        const QJsonObject due = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(due.value(QStringLiteral("tag")).toString(), QStringLiteral("CML-1"));
        QVERIFY(qAbs(due.value(QStringLiteral("remaining_years")).toDouble() - life) < 1e-5 * life);
        QVERIFY(qAbs(due.value(QStringLiteral("required")).toDouble() - required) < 1e-5 * required);
        QCOMPARE(due.value(QStringLiteral("state")).toString(), QStringLiteral("within-interval"));
        QCOMPARE(due.value(QStringLiteral("marks")).toInt(), 1);
        r = tool({"due", "--format", "csv"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].contains(",CML-1,") && lines[2].contains(",CML-2,"), r.out.constData());

        // The calculators: a figure, and a refusal with its reason.
        r = run(cli, {"tmin", "ug27", "--P", "2MPa", "--R", "500mm", "--S", "138MPa", "--E", "1", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(qAbs(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("required")).toDouble()
                     - 2.0 * 500 / (138.0 - 0.6 * 2)) < 1e-9);
        r = run(cli, {"tmin", "ug27", "--P", "2MPa", "--R", "500mm", "--S", "138MPa", "--E", "1.5"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("E") && r.out.isEmpty(), r.err.constData());
        r = run(cli, {"tmin", "b31.3", "--P", "2", "--D", "168.3mm"}); // a pressure without its unit
        QCOMPARE(r.exitCode, 2);
    }

    // A route walked with the gauge, every reading accepted as it comes: each stop's verdict
    // against that CML's own history, printed in the route's order, and afterwards each CML
    // holding the reading taken at its stop, the survey walking the route.
    void walkAcceptingEveryReading()
    {
        const QString path = tmp.filePath(QStringLiteral("walk.sqlite"));
        auto tool = [&](QStringList args) {
            args << QStringLiteral("--store") << path;
            return run(cli, args);
        };
        const QString equipment = QStringLiteral("Plant/U1/P-101");
        const QString cmlFile = tmp.filePath(QStringLiteral("walk-cmls.csv"));
        const QString readingFile = tmp.filePath(QStringLiteral("walk-readings.csv"));
        {
            QFile cmls(cmlFile);
            QVERIFY(cmls.open(QIODevice::WriteOnly));
            cmls.write("asset_path,tag,minimum\n");
            QFile readings(readingFile);
            QVERIFY(readings.open(QIODevice::WriteOnly));
            readings.write("asset_path,tag,date,unit,thickness_1,velocity_1\n");
            // Two earlier readings each: the newest one is what the next is held against.
            const std::pair<const char *, QByteArray> history[] = {
                {"W-1", "8.2 8.0"}, {"W-2", "6.0 5.0"}, {"W-3", "7.0 7.0"}, {"W-4", "9.0 9.0"}, {"W-5", "6.5 6.4"}};
            for (const auto &[tag, values] : history) {
                cmls.write(equipment.toUtf8() + ',' + tag + ",3\n");
                const QList<QByteArray> v = values.split(' ');
                readings.write(equipment.toUtf8() + ',' + tag + ",2021-05-01T08:00:00Z,mm," + v[0] + ",5920\n");
                readings.write(equipment.toUtf8() + ',' + tag + ",2024-05-01T08:00:00Z,mm," + v[1] + ",5920\n");
            }
        }
        Result r = tool({"cml", "import", cmlFile});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"readings", "import", readingFile});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QStringList order{"W-3", "W-1", "W-5", "W-2", "W-4"}; // not the tags' order
        r = tool(QStringList{"route", "add", "Pump round"} + order);
        QVERIFY2(r.exitCode == 0, r.err.constData());

        // In the route's order: thicker than 7.0 by more than a tenth, as before, as before,
        // under the minimum of 3, as before.
        const QStringList pushed{"8.0", "8.0", "6.4", "2.5", "9.0"};
        const QStringList verdicts{"re-measure: thicker than before", "OK", "OK", "under minimum", "OK"};
        const QString config = tmp.filePath(QStringLiteral("walk.ini"));
        {
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Emulator]\nreportIntervalUs=0\nautoPushMeanMs=300\npushValues=" + pushed.join(',').toUtf8()
                       + "\n[Instrument1]\nserial=31337\nmeterType=1\nrecords=0\n");
        }
        r = tool({"--demo-config", config, "walk", "--route", "pump round", "--accept-all", "--inspector", "T. Tester"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QStringList stopsSeen, readingsSeen;
        for (const QByteArray &line : r.out.split('\n')) {
            if (line.startsWith("stop "))
                stopsSeen << QString::fromUtf8(line);
            else if (line.startsWith("  "))
                readingsSeen << QString::fromUtf8(line).trimmed();
        }
        QCOMPARE(stopsSeen.size(), order.size());
        QCOMPARE(readingsSeen.size(), order.size());
        for (int i = 0; i < order.size(); ++i) {
            QVERIFY2(stopsSeen[i].startsWith(QStringLiteral("stop %1/5  %2  %3").arg(i + 1).arg(order[i], equipment)),
                     qPrintable(stopsSeen[i]));
            QVERIFY2(stopsSeen[i].contains(QStringLiteral("required 3.00")), qPrintable(stopsSeen[i]));
            // The value, then its verdict and nothing more before the keys' part.
            QVERIFY2(readingsSeen[i].startsWith(QStringLiteral("%1 mm  %2  [").arg(QString::number(pushed[i].toDouble(), 'f', 2), verdicts[i])),
                     qPrintable(readingsSeen[i]));
        }

        // Each CML's newest reading is the one taken at its stop; nothing else got one.
        r = tool({"readings", "export", "-o", "-"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QHash<QString, QStringList> byTag; // oldest first, as exported by date
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        const QList<QByteArray> header = lines.value(0).trimmed().split(',');
        const int tagAt = int(header.indexOf("tag")), valueAt = int(header.indexOf("thickness_1"));
        QVERIFY(tagAt >= 0 && valueAt >= 0);
        for (int i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines[i].trimmed().split(',');
            byTag[QString::fromUtf8(fields.value(tagAt))] << QString::fromUtf8(fields.value(valueAt));
        }
        QCOMPARE(byTag.size(), order.size());
        for (int i = 0; i < order.size(); ++i) {
            const QStringList values = byTag.value(order[i]);
            QCOMPARE(values.size(), 3);
            QCOMPARE(values.last().toDouble(), pushed[i].toDouble());
        }
        r = tool({"survey", "list", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QJsonObject newest = QJsonDocument::fromJson(r.out.split('\n').value(0)).object();
        QCOMPARE(newest.value(QStringLiteral("route")).toString(), QStringLiteral("Pump round"));
        QCOMPARE(newest.value(QStringLiteral("readings")).toInteger(), qint64(order.size()));
        QCOMPARE(newest.value(QStringLiteral("assigned")).toInteger(), qint64(order.size()));
    }

    // A 3 x 4 grid with C2 masked, filled from two surveys (by the readings' names, then along
    // a snaking walk from B1 that leaves A1 unmeasured and one reading over), shown as text,
    // CSV and JSON with its margins, as wall loss between the surveys, as a PNG map, and with
    // the thinnest spot expected refused on too few blocks.
    void gridSurveyedThroughTheTool()
    {
        const QString path = tmp.filePath(QStringLiteral("grid.sqlite"));
        auto tool = [&](QStringList args) {
            args << QStringLiteral("--store") << path;
            return run(cli, args);
        };
        const QStringList cells{"A1", "B1", "C1", "D1", "A2", "B2", "C2", "D2", "A3", "B3", "C3", "D3"};
        // By cell, row by row; C2 is masked, A1 not measured in the newer survey.
        const QHash<QString, float> older{{"A1", 11.90f}, {"B1", 11.80f}, {"C1", 11.70f}, {"D1", 11.85f},
                                          {"A2", 11.60f}, {"B2", 11.50f}, {"D2", 11.75f}, {"A3", 11.95f},
                                          {"B3", 11.40f}, {"C3", 11.65f}, {"D3", 11.55f}};
        const QStringList walked{"B1", "C1", "D1", "D2", "B2", "A2", "A3", "B3", "C3", "D3"}; // snaking, C2 passed over
        const QVector<float> newerInOrder{11.70f, 11.20f, 11.80f, 11.60f, 10.90f, 11.50f, 11.90f, 11.30f, 11.60f, 11.50f,
                                          11.00f};
        QHash<QString, float> newer;
        for (int i = 0; i < walked.size(); ++i)
            newer.insert(walked[i], newerInOrder[i]);

        qint64 surveys[2] = {};
        {
            SurveyStore store;
            QVERIFY2(store.open(path), qPrintable(store.errorText()));
            SurveyInfo info;
            info.serial = QStringLiteral("31337");
            info.layout = 2;
            info.unitNumbers = {0, 0, 0, 1, 1, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"),
                              QStringLiteral("m/s"), QStringLiteral("m/s"), QStringLiteral("m/s")};
            info.decimals = {2, 2, 2, 0, 0, 0};
            for (int s = 0; s < 2; ++s) {
                const qint64 start = s == 0 ? 1685000000000 : 1717000000000;
                surveys[s] = store.beginSession(info, start);
                QVERIFY(surveys[s] > 0);
                QVector<QString> names;
                QVector<float> values;
                if (s == 0) {
                    for (const QString &cell : cells)
                        if (older.contains(cell))
                            names << cell.toLower(), values << older.value(cell) << 3 << 2 << 5900 << 5900 << 5900;
                    names << QStringLiteral("Z9"), values << 9.0f << 3 << 2 << 5900 << 5900 << 5900; // no cell of this grid
                } else {
                    for (float v : newerInOrder)
                        names << QString(), values << v << 3 << 2 << 5900 << 5900 << 5900;
                }
                const std::vector<quint8> flags(size_t(names.size()), 0);
                QCOMPARE(store.addRows(int(names.size()), 6, values.constData(), flags.data(), names.constData(),
                                       RecordOrigin::Pushed, start + 1000)
                             .size(),
                         size_t(names.size()));
                store.endSession(start + 100000);
            }
        }
        Result r = tool({"cml", "add", "Plant/U1/T-1", "G-1", "--nominal", "12"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"grid", "define", "G-1", "--rows", "3", "--columns", "4", "--mask", "c2", "--pitch", "50"});
        QVERIFY2(r.exitCode == 0 && r.out.contains("1 cell(s) masked") && r.out.contains("top-left-rows"), r.out + r.err);
        r = tool({"grid", "place", "G-1", "--survey", QString::number(surveys[0]), "--by-name"});
        QVERIFY2(r.exitCode == 0 && r.out.startsWith("11 reading(s)"), r.out + r.err);
        r = tool({"grid", "place", "G-1", "--survey", QString::number(surveys[1]), "--walk", "top-left-rows-snake", "--from", "B1"});
        QVERIFY2(r.exitCode == 0 && r.out.startsWith("10 reading(s)") && r.out.contains("1 left"), r.out + r.err);

        // What the tool should show, worked out here from the values above.
        auto shown = [](double v) { return std::isnan(v) ? QString() : QString::number(v, 'f', 2); };
        auto value = [&](const QHash<QString, float> &survey, const QString &cell) {
            return survey.contains(cell) ? double(survey.value(cell)) : std::nan("");
        };
        auto table = [&](const std::function<double(const QString &)> &at, bool deepest) {
            auto worse = [&](double a, double b) { return !std::isnan(a) && (std::isnan(b) || (deepest ? a > b : a < b)); };
            QList<QStringList> lines;
            QVector<double> columnWorst(4, std::nan(""));
            double overall = std::nan("");
            for (int row = 1; row <= 3; ++row) {
                QStringList line{QString::number(row)};
                double rowWorst = std::nan("");
                for (int c = 0; c < 4; ++c) {
                    const QString cell = QChar('A' + c) + QString::number(row);
                    const double v = at(cell);
                    line << (cell == QLatin1String("C2") ? QStringLiteral("#") : shown(v));
                    if (worse(v, rowWorst))
                        rowWorst = v;
                    if (worse(v, columnWorst[c]))
                        columnWorst[c] = v;
                    if (worse(v, overall))
                        overall = v;
                }
                lines << (line << shown(rowWorst));
            }
            QStringList last{deepest ? QStringLiteral("max") : QStringLiteral("min")};
            for (double v : columnWorst)
                last << shown(v);
            return lines << (last << shown(overall));
        };
        const QList<QStringList> thickness = table([&](const QString &c) { return value(newer, c); }, false);
        const QList<QStringList> loss
            = table([&](const QString &c) { return value(older, c) - value(newer, c); }, true);

        r = tool({"grid", "show", "G-1", "--format", "csv"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0].trimmed(), QByteArray("row,A,B,C,D,min"));
        for (int i = 0; i < thickness.size(); ++i)
            QCOMPARE(QString::fromUtf8(lines[i + 1].trimmed()), thickness[i].join(QLatin1Char(',')));

        // The table to read: the same cells in aligned columns (A1 blank), the thinnest named,
        // and the refusal of an estimate from three whole-row blocks in words.
        r = tool({"grid", "show", "g-1"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QStringList text = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
        const int header = int(text.indexOf(QRegularExpression(QStringLiteral("^\\s+A\\s+B\\s+C\\s+D\\s+MIN$"))));
        QVERIFY2(header > 0, r.out.constData());
        for (int i = 0; i < thickness.size(); ++i) {
            QStringList expected = thickness[i];
            expected.removeAll(QString());
            if (i == 3)
                expected[0] = QStringLiteral("MIN");
            QCOMPARE(text.value(header + 1 + i).split(QLatin1Char(' '), Qt::SkipEmptyParts), expected);
        }
        QVERIFY2(r.out.contains("thinnest: 10.90 mm at B2"), r.out.constData());
        QVERIFY2(r.out.contains("3 sample blocks, at least 6 are needed"), r.out.constData());

        r = tool({"grid", "show", "G-1", "--loss-from", QString::number(surveys[0]), "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QJsonObject shownJson = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(shownJson.value(QStringLiteral("quantity")).toString(), QStringLiteral("wall-loss"));
        const QJsonArray lossCells = shownJson.value(QStringLiteral("cells")).toArray();
        QCOMPARE(lossCells.size(), cells.size());
        for (int i = 0; i < cells.size(); ++i) {
            const QJsonObject cell = lossCells[i].toObject();
            QCOMPARE(cell.value(QStringLiteral("name")).toString(), cells[i]);
            QCOMPARE(cell.value(QStringLiteral("masked")).toBool(), cells[i] == QLatin1String("C2"));
            const QString expected = loss[i / 4].value(1 + i % 4);
            QCOMPARE(cell.value(QStringLiteral("value")).isNull() ? QString() : QString::number(cell.value(QStringLiteral("value")).toDouble(), 'f', 2),
                     expected == QLatin1String("#") ? QString() : expected);
        }
        const QJsonObject worst = shownJson.value(QStringLiteral("summary")).toObject().value(QStringLiteral("worst")).toObject();
        QCOMPARE(worst.value(QStringLiteral("cell")).toString(), QStringLiteral("B2"));
        QCOMPARE(QString::number(worst.value(QStringLiteral("value")).toDouble(), 'f', 2), loss.last().last());

        // Blocks of one cell: ten samples of 0.05 m x 0.05 m each, the losses from the nominal.
        r = tool({"grid", "show", "G-1", "--blocks", "1x1", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        shownJson = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(shownJson.value(QStringLiteral("cells")).toArray().at(0).toObject().value(QStringLiteral("value")), QJsonValue(QJsonValue::Null));
        const QJsonObject unseen = shownJson.value(QStringLiteral("unseen_minimum")).toObject();
        QCOMPARE(unseen.value(QStringLiteral("blocks")).toInt(), walked.size());
        QCOMPARE(unseen.value(QStringLiteral("measured_cells")).toInt(), walked.size());
        QVERIFY(qAbs(unseen.value(QStringLiteral("block_area")).toDouble() - 0.0025) < 1e-12);
        QCOMPARE(unseen.value(QStringLiteral("reference_from")).toString(), QStringLiteral("nominal"));
        QCOMPARE(unseen.value(QStringLiteral("thinnest_cell")).toString(), QStringLiteral("B2"));
        // Only a rectangle of cells: C2 masked inside it, A1:A2 outside.
        r = tool({"grid", "show", "G-1", "--blocks", "1x1", "--cells", "B1:D2", "--format", "json"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("unseen_minimum")).toObject().value(
                     QStringLiteral("blocks")).toInt(),
                 5);
        r = tool({"grid", "show", "G-1", "--cells", "B1:E2"});
        QVERIFY2(r.exitCode == 2 && r.err.contains("'B1:E2'"), r.err.constData());

        // The map: a PNG of the size asked for; a folder that is not there fails with nothing printed.
        const QString png = tmp.filePath(QStringLiteral("grid.png"));
        r = tool({"grid", "show", "G-1", "--png", png});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QFile image(png);
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QByteArray head = image.read(24);
        QVERIFY(head.startsWith("\x89PNG\r\n\x1a\n"));
        auto bigEndian = [&](int at) { return qFromBigEndian<quint32>(head.constData() + at); };
        QCOMPARE(bigEndian(16), 1600u);
        QCOMPARE(bigEndian(20), 1000u);
        r = tool({"grid", "show", "G-1", "--png", "/nonexistent/grid.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("/nonexistent/grid.png") && r.out.isEmpty(), r.err.constData());

        // No longer a grid: shown no more.
        r = tool({"grid", "define", "G-1", "--none"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        r = tool({"grid", "show", "G-1"});
        QVERIFY2(r.exitCode == 1 && r.err.contains("not a grid"), r.err.constData());
    }

    // While the window program runs it holds the gauge: the tool says so and exits 3. The
    // same command without it meets no gauge (none with that serial): exit 3 for that reason.
    void windowProgramHoldsTheGauge()
    {
        const QStringList args{"--serial", "no-such-gauge", "info"};
        Result r = run(cli, args);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("no gauge with the serial"), r.err.constData());

        QProcess window;
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PALVARIN_UNATTENDED_LOG"), tmp.filePath(QStringLiteral("window.log")));
        window.setProcessEnvironment(env);
        window.start(QStringLiteral(PALVARIN_BINARY), {"--demo"});
        QVERIFY(window.waitForStarted(10000));
        const QDir locks(tmp.filePath(QStringLiteral("run")));
        QTRY_VERIFY_WITH_TIMEOUT(!locks.entryList({QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden).isEmpty(), 20000);

        r = run(cli, args);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("window program"), r.err.constData());
        // The emulated gauge is the tool's own: the demo runs beside the window.
        QCOMPARE(run(cli, {"--demo", "info"}).exitCode, 0);

        window.terminate();
        if (!window.waitForFinished(10000)) {
            window.kill();
            window.waitForFinished(5000);
        }
        r = run(cli, args);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("no gauge with the serial"), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(CliProcess)
#include "tst_cli_process.moc"
