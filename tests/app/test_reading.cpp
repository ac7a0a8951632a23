// Reading the stored records and the measurements the gauge pushes: the gauge session and
// its records model, without any window, against the emulated gauge through every real
// layer below the session.
#include "GaugeFixture.h"
#include "interaction/Language.h"
#include "app/WidgetInteraction.h"
#include "store/SurveyStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <chrono>
#include <thread>
#include "ScriptedInteraction.h"

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;
using Blocks = QList<QPair<quint32, int>>;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

const QByteArray frameHeader = bytes({0xAB, 0x44, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x00});

} // namespace

class ReadingTest : public QObject
{
    Q_OBJECT

    EmulatorBackend backend;
    std::unique_ptr<SessionRig> rig;
    std::shared_ptr<EmulatedInstrument> gauge;

    RecordsModel &model() const { return rig->model; }
    GaugeSession &session() const { return rig->session; }

    void plugGauge(std::shared_ptr<EmulatedInstrument> next)
    {
        gauge = std::move(next);
        replug(backend, *rig, gauge);
    }

    void read() { session().readRecords(); }

private slots:
    void initTestCase() { rig = std::make_unique<SessionRig>(backend); }

    void cleanupTestCase() { rig.reset(); }

    void init()
    {
        Language::instance().set(QStringLiteral("zh"));
        model().setLayersShown(3);
        rig->writer.tables.clear();
        rig->writer.paths.clear();
        rig->writer.failures = 0;
        // Pulling a gauge keeps the table: each case starts from an empty one.
        model().clear();
    }

    // Without a gauge, reading says how to connect one, and exporting an empty table says
    // there is nothing to export; neither goes further.
    void withoutLinkOrRowsTheUserIsTold()
    {
        for (const auto &g : backend.instruments())
            backend.unplug(g->usbSerial());
        QTRY_VERIFY(!session().isLinkOpen());
        ScriptedInteraction dialogs;
        read();
        QVERIFY(!session().exportRecords());
        QCOMPARE(dialogs.texts(Kind::Information),
                 (QStringList{QStringLiteral("未连接仪器。请用USB线连接仪器并开机；在Linux上普通用户还需要安装本程序的udev规则（见README）。"),
                              QStringLiteral("没有可导出的数据：表格为空。")}));
        QCOMPARE(dialogs.shown.size(), 2); // no file dialog, no progress
        QVERIFY(rig->writer.tables.isEmpty());
    }

    // A unit table that could not be used (too large, binary, damaged: it loads empty) gives
    // no columns: Read says so in words instead of doing nothing.
    void aReadWithoutAUsableUnitTableSaysSo()
    {
        EmulatorBackend gauges;
        GaugeConfig config = shippedConfig();
        config.unitTable.clear();
        SessionRig local(gauges, config);
        auto g = singleLayerGauge(QStringLiteral("808"));
        g->addSingleLayerRecord(5900.0f, 1.0f);
        gauges.plug(g);
        QTRY_COMPARE(local.serialNo, QStringLiteral("808"));
        ScriptedInteraction dialogs;
        local.session.readRecords();
        QCOMPARE(dialogs.texts(Kind::Information),
                 QStringList{QStringLiteral("单位表 'unitno' 缺失、无法使用（过大、二进制或已损坏）或其中没有此仪器的单位，"
                                            "无法显示记录。请将完好的单位表放在程序所在文件夹或 ~/.config/Palvarin/ 中。")});
        QVERIFY(memoryRequests(*g).isEmpty());
        QCOMPARE(local.model.rowCount(), 0);
    }

    void singleLayerBlockPlans_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<Blocks>("blocks");
        QTest::newRow("0") << 0 << Blocks{};
        QTest::newRow("21") << 21 << Blocks{{0x80000000u, 252}};
        QTest::newRow("22") << 22 << Blocks{{0x80000000u, 256}, {0x80000100u, 8}};
    }

    void singleLayerBlockPlans()
    {
        QFETCH(int, count);
        QFETCH(Blocks, blocks);
        auto g = singleLayerGauge();
        for (int i = 0; i < count; ++i)
            g->addSingleLayerRecord(5900.0f + i, 1.0f + i);
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QCOMPARE(memoryRequests(*gauge), blocks);
        QCOMPARE(model().rowCount(), count);
        QCOMPARE(dialogs.texts(Kind::Information), QStringList{});
        if (count == 0) {
            QVERIFY(dialogs.shown.isEmpty());      // no dialog at all
            QCOMPARE(model().columnCount(), 4);    // but the headers were rebuilt
        } else {
            QCOMPARE(dialogs.progressMaximums, QList<int>{int(blocks.size())});
            QCOMPARE(rig->row(count - 1).mid(1, 2),
                     (QStringList{QString::number(count, 'f', 2), QString::number(5900 + count - 1)}));
        }
    }

    void multiLayerBlockPlans_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<Blocks>("blocks");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("10") << 10 << Blocks{{0x80000000u, 256}, {0x80000100u, 24}, {0xC0000000u, 160}}
                            << QList<int>{0, 1, 2};
        QTest::newRow("16") << 16 << Blocks{{0x80000000u, 256}, {0x80000100u, 192}, {0xC0000000u, 256}}
                            << QList<int>{0, 1, 2};
    }

    void multiLayerBlockPlans()
    {
        QFETCH(int, count);
        QFETCH(Blocks, blocks);
        QFETCH(QList<int>, progress);
        auto g = multiLayerGauge();
        for (int i = 0; i < count; ++i)
            g->addMultiLayerRecord(QByteArray("rec") + QByteArray::number(i), {1.0f, 2.0f, 3.0f},
                                   {5900.0f, 5910.0f, 5920.0f});
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QCOMPARE(memoryRequests(*gauge), blocks);
        QCOMPARE(dialogs.progressMaximums, QList<int>{3});
        QCOMPARE(dialogs.progressValues, progress);
        QCOMPARE(model().rowCount(), count);
        QCOMPARE(rig->row(3), (QStringList{"rec3", "1.00", "2.00", "3.00", "5900", "5910", "5920", QString()}));
    }

    void valuesAndMarkersAreDecoded()
    {
        auto g = singleLayerGauge();
        g->addSingleLayerRecord(bytes({0x00, 0x00, 0xB9, 0x45}), bytes({0x00, 0x00, 0xA0, 0x40}));
        g->addSingleLayerRecord(EmulatedInstrument::field(5920.0f), EmulatedInstrument::outOfRangeField());
        g->addSingleLayerRecord(EmulatedInstrument::settingsChangedField(), EmulatedInstrument::field(1.0f));
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QCOMPARE(model().rowCount(), 3);
        QCOMPARE(rig->row(0).mid(1, 2), (QStringList{"5.00", "5920"}));
        QCOMPARE(model().text(1, 1), QStringLiteral("超量程"));
        // Read from memory the settings-changed pattern is just a (large) number.
        QCOMPARE(model().text(2, 2), QString::number(double(1.4e28f), 'f', 0));

        // English: the word follows the language, also for rows already in the table, and
        // the session asks in it. (The language buttons' way there: test_shell.)
        Language::instance().set(QStringLiteral("en"));
        QCOMPARE(model().text(1, 1), QStringLiteral("Outrange"));
        dialogs.answerQuestions({false});
        read();
        QCOMPARE(dialogs.texts(Kind::Question),
                 QStringList{"Importing data will first clear the list. Do you want to save the data?"});
        QCOMPARE(model().rowCount(), 3);
        QCOMPARE(model().text(1, 1), QStringLiteral("Outrange"));
        Language::instance().set(QStringLiteral("zh"));
        QCOMPARE(model().text(1, 1), QStringLiteral("超量程"));
    }

    void namesInUtf8AndGbk()
    {
        auto g = multiLayerGauge();
        const QString name = QStringLiteral("管道A1");
        const QByteArray gbkBytes = bytes({0xB9, 0xDC, 0xB5, 0xC0, 'A', '1'}); // GBK
        g->addMultiLayerRecord(name.toUtf8(), {1, 2, 3}, {4, 5, 6});
        g->addMultiLayerRecord(gbkBytes, {1, 2, 3}, {4, 5, 6});
        g->addMultiLayerRecord("ABCDEFGHIJKLMNOP", {1, 2, 3}, {4, 5, 6}); // no zero byte in the slot
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QCOMPARE(model().text(0, 0), name);
        QCOMPARE(model().text(1, 0), name);
        QCOMPARE(model().text(2, 0), QStringLiteral("ABCDEFGHIJKLM"));
    }

    void failureOnTheSecondBlockAddsNoRows()
    {
        auto g = multiLayerGauge();
        for (int i = 0; i < 16; ++i)
            g->addMultiLayerRecord("x", {1, 2, 3}, {4, 5, 6});
        plugGauge(g);
        ScriptedInteraction dialogs;
        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        dialogs.onProgressValue = [&](int value) {
            if (value == 0)
                gauge->injectFault(corrupt, 1); // the second value block
        };
        read();
        QCOMPARE(dialogs.texts(Kind::Information), QStringList{QStringLiteral("读取记录数据失败!")});
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(memoryRequests(*gauge).size(), 2);

        // A failing name block says so.
        ScriptedInteraction names;
        names.onProgressValue = [&](int value) {
            if (value == 1)
                gauge->injectFault(corrupt, 1); // the first name block
        };
        read();
        QCOMPARE(names.texts(Kind::Information), QStringList{QStringLiteral("读取记录名称失败!")});
        QCOMPARE(model().rowCount(), 0);
    }

    // The gauge pulled out during a read: the removal notice is handled on this thread inside
    // the read, (a) between blocks, from the progress dialog, after the last block, and
    // (b) inside the link's read of a reply, when the gauge goes mid-reply; or (c) the gauge
    // goes while the read waits for a reply, and its notice comes only after the request
    // failed. The read must end by saying the gauge was disconnected, add nothing to the
    // emptied table, and not use the link it was reading from after that was closed (the
    // sanitizer build checks the latter).
    void pullDuringAReadAddsNothing_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<bool>("midReply");
        QTest::addColumn<bool>("duringWait");
        QTest::newRow("single, after the last block") << false << false << false;
        QTest::newRow("multi, after the last name block") << true << false << false;
        QTest::newRow("single, inside a reply") << false << true << false;
        QTest::newRow("multi, inside a reply") << true << true << false;
        QTest::newRow("single, waiting for a reply") << false << false << true;
        QTest::newRow("multi, waiting for a name block") << true << false << true;
    }

    void pullDuringAReadAddsNothing()
    {
        QFETCH(bool, multi);
        QFETCH(bool, midReply);
        QFETCH(bool, duringWait);
        auto g = multi ? multiLayerGauge() : singleLayerGauge();
        for (int i = 0; i < 40; ++i) { // several blocks in either layout
            if (multi)
                g->addMultiLayerRecord("r", {1, 2, 3}, {4, 5, 6});
            else
                g->addSingleLayerRecord(5900.0f, 1.0f);
        }
        plugGauge(g);
        const QString serial = g->usbSerial();
        ScriptedInteraction dialogs;
        QList<bool> linkAtStep;
        struct Joined : std::thread
        {
            using std::thread::operator=;
            ~Joined() { if (joinable()) join(); } // also when a check below fails
        } puller;
        dialogs.onProgressValue = [&](int value) {
            linkAtStep << session().hasLink();
            const int last = dialogs.progressMaximums.value(0) - 1;
            if (duringWait) {
                if (value != last - 1)
                    return;
                // The last block is never answered; the gauge goes while the read waits.
                ReplyFault silent;
                silent.silent = true;
                gauge->injectFault(silent, 1);
                puller = std::thread([&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    backend.unplug(serial);
                });
            } else if (midReply && value == last - 1) {
                // The last block's reply pulls the gauge out once its first report was read.
                ReplyFault pull;
                pull.payloadPerReport = 16;
                pull.unplugAfterReports = 1;
                gauge->injectFault(pull, 1);
            } else if (!midReply && value == last) {
                QVERIFY(backend.unplug(serial)); // its notice closes the link here and now
            }
        };
        read();
        if (puller.joinable())
            puller.join();
        if (duringWait)
            QTRY_VERIFY(!session().hasLink()); // the notice comes after the failed request
        QVERIFY(!session().hasLink());
        QVERIFY(!backend.instrument(serial));
        QCOMPARE(dialogs.progressMaximums.size(), 1);
        QVERIFY(!linkAtStep.isEmpty() && linkAtStep.first()); // the pull came during the read
        QCOMPARE(dialogs.texts(Kind::Information),
                 QStringList{QStringLiteral("读取过程中仪器已断开，未添加任何记录。请重新连接仪器后再读取。")});
        QCOMPARE(model().rowCount(), 0);
        QTest::qWait(100); // nothing of the old read arrives later either
        QCOMPARE(model().rowCount(), 0);

        // The session carries on with the gauge plugged back in.
        g->clearRecords();
        if (multi)
            g->addMultiLayerRecord("again", {1, 2, 3}, {4, 5, 6});
        else
            g->addSingleLayerRecord(5901.0f, 2.0f);
        backend.plug(g);
        QTRY_VERIFY(!rig->serialNo.isEmpty());
        read();
        QCOMPARE(model().rowCount(), 1);
        QCOMPARE(model().text(0, multi ? 0 : 1), multi ? QStringLiteral("again") : QStringLiteral("2.00"));
    }

    // A read shorter than the progress dialog's delay, through the real dialog: the window
    // keeps handling events between blocks (a timer here), before the dialog shows itself.
    void theWindowAnswersThroughAShortRead()
    {
        EmulatorBackend gauges;
        WidgetInteraction widgets;
        SessionRig local(gauges, shippedConfig(), widgets);
        auto g = multiLayerGauge(QStringLiteral("4242"));
        for (int i = 0; i < 600; ++i)
            g->addMultiLayerRecord("p", {1, 2, 3}, {4, 5, 6});
        g->setReportIntervalUs(1000); // the gauge's own pace: about a second for these
        gauges.plug(g);
        QTRY_COMPARE(local.serialNo, QStringLiteral("4242"));
        // Once before, so that the first dialog's one-off set-up (style, fonts) is not timed.
        local.session.readRecords();
        QCOMPARE(local.model.rowCount(), 600);
        local.model.clear();

        QElapsedTimer clock;
        qint64 lastTick = -1;
        qint64 longestGap = 0;
        QTimer tick;
        tick.setInterval(5);
        connect(&tick, &QTimer::timeout, &tick, [&] {
            // Timed from the progress dialog on: before it, the read waits for the poll to
            // give up the link, which is no part of reading the blocks.
            bool reading = false;
            for (QWidget *w : QApplication::topLevelWidgets())
                reading = reading || qobject_cast<QProgressDialog *>(w);
            if (reading && lastTick >= 0)
                longestGap = qMax(longestGap, clock.elapsed() - lastTick);
            lastTick = reading ? clock.elapsed() : -1;
        });
        tick.start();
        clock.start();
        local.session.readRecords();
        const qint64 took = clock.elapsed();
        if (lastTick >= 0)
            longestGap = qMax(longestGap, took - lastTick);
        tick.stop();
        qInfo("read of %d rows took %lld ms; longest time without events %lld ms", local.model.rowCount(), took,
              longestGap);
        QCOMPARE(local.model.rowCount(), 600);
        QVERIFY(took > 300);
        QVERIFY(lastTick >= 0); // the timer ran while the dialog was there
        QVERIFY2(longestGap < 50, qPrintable(QString::number(longestGap)));
    }

    void cancelStopsAfterTheCurrentBlockAndKeepsTheTable()
    {
        auto g = singleLayerGauge();
        for (int i = 0; i < 100; ++i) // 5 blocks
            g->addSingleLayerRecord(5900.0f, 1.0f);
        plugGauge(g);
        addSingleLayerRow(model(), 9.0f, 9.0f);
        ScriptedInteraction dialogs;
        dialogs.answerQuestions({false}); // do not save: the table is cleared first
        dialogs.cancelProgressAt(1);
        read();
        QCOMPARE(memoryRequests(*gauge).size(), 2);
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(dialogs.texts(Kind::Information), QStringList{});
    }

    void implausibleCountsAreRefusedBeforeAnyBlock()
    {
        auto g = singleLayerGauge();
        g->setReportedCount(0x7FFFFFFF);
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QVERIFY(memoryRequests(*gauge).isEmpty());
        QCOMPARE(dialogs.texts(Kind::Information).size(), 1);
        QVERIFY(dialogs.texts(Kind::Information).at(0).startsWith(QStringLiteral("仪器报告的记录数量为2147483647")));
        QCOMPARE(model().rowCount(), 0);
    }

    // Measurements taken while a read runs reach the gauge's output between the read's
    // requests, where the flush before each request used to drop them: every one becomes a
    // row after the read's own rows, in the order taken.
    void measurementsTakenDuringAReadFollowItsRows()
    {
        auto g = singleLayerGauge();
        const int records = 60; // three value blocks
        for (int i = 0; i < records; ++i)
            g->addSingleLayerRecord(5900.0f, 1.0f + i);
        plugGauge(g);
        ScriptedInteraction dialogs;
        QList<float> taken;
        dialogs.onProgressValue = [&](int value) {
            const float thickness = 100.0f + value;
            gauge->pushSingleLayer(6000.0f, thickness);
            taken << thickness;
        };
        read();
        QCOMPARE(dialogs.texts(Kind::Information), QStringList{});
        QCOMPARE(taken.size(), 3);
        QTRY_COMPARE(model().rowCount(), records + int(taken.size()));
        QCOMPARE(rig->row(records - 1).mid(1, 2), (QStringList{QString::number(records, 'f', 2), "5900"}));
        for (int i = 0; i < taken.size(); ++i) {
            QCOMPARE(rig->row(records + i).mid(1, 2), (QStringList{QString::number(taken[i], 'f', 2), "6000"}));
            QCOMPARE(model().record(records + i).origin, RecordOrigin::Pushed);
        }
    }

    // Killed in the middle of a long read while the gauge pushes a measurement every 20 ms:
    // the survey file holds every measurement pushed until then (running numbers, none
    // missing, in order), and the next start offers them. Then, read to the end with pushes
    // in between: the file lists the rows in the table's order (the read's rows, then the
    // measurements), so a restore shows them as the table did.
    void pushesDuringAReadAreKeptThroughAKillAndInTheTablesOrder()
    {
        QTemporaryDir folder;
        const QString killedFile = folder.filePath(QStringLiteral("killed.sqlite"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PALVARIN_TEST_READ_CHILD"), killedFile);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(10000));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("reading"), 20000);
        QTest::qWait(1500);
        said += child.readAllStandardOutput();
        QVERIFY2(!said.contains("read\n"), said.constData()); // the read still runs
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        SurveyStore killed;
        QVERIFY(killed.open(killedFile));
        const SurveyStore::Leftover offered = killed.leftover();
        StoredTable stored;
        QVERIFY(killed.loadLeftover(stored));
        qInfo("%d measurements kept of a read killed after 1.5 s", int(stored.records.size()));
        QCOMPARE(offered.rows, qint64(stored.records.size()));
        QVERIFY(stored.records.size() >= 20);
        for (int i = 0; i < stored.records.size(); ++i) {
            QCOMPARE(stored.records[i].values[0], float(i + 1));
            QCOMPARE(stored.records[i].origin, RecordOrigin::Pushed);
        }

        SurveyStore store;
        QVERIFY(store.open(folder.filePath(QStringLiteral("order.sqlite"))));
        EmulatorBackend gauges;
        SessionRig local(gauges);
        local.session.setStore(&store);
        auto g = singleLayerGauge(QStringLiteral("6060"));
        for (int i = 0; i < 60; ++i) // three value blocks
            g->addSingleLayerRecord(5900.0f, 1.0f + i);
        gauges.plug(g);
        QTRY_COMPARE(local.serialNo, QStringLiteral("6060"));
        ScriptedInteraction dialogs;
        dialogs.onProgressValue = [&](int value) { g->pushSingleLayer(6000.0f, 100.0f + value); };
        local.session.readRecords();
        QTRY_COMPARE(local.model.rowCount(), 63);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(local.model.value(60 + i, 0), 100.0f + i);
        store.settle();
        StoredTable restored;
        QVERIFY(store.loadLeftover(restored));
        QCOMPARE(restored.records.size(), 63);
        for (int i = 0; i < 63; ++i) {
            QCOMPARE(restored.records[i].values[0], local.model.value(i, 0));
            QCOMPARE(restored.records[i].origin, local.model.record(i).origin);
        }
    }

    // The export writes the shown columns as numbers (out-of-range as the word) and removes
    // only the rows it wrote: a measurement pushed while its progress dialog was open stays.
    void exportWritesNumbersAndKeepsARowPushedMeanwhile()
    {
        auto g = multiLayerGauge();
        g->addMultiLayerRecord("A1", {EmulatedInstrument::field(4.256f), EmulatedInstrument::outOfRangeField(),
                                      EmulatedInstrument::field(1.0f)},
                               {EmulatedInstrument::field(5920.4f), EmulatedInstrument::field(6000.0f),
                                EmulatedInstrument::field(6100.0f)});
        g->addMultiLayerRecord("A2", {2.0f, 3.0f, 4.0f}, {5000.0f, 5100.0f, 5200.0f});
        plugGauge(g);
        read();
        QCOMPARE(model().rowCount(), 2);
        model().setLayersShown(2);
        const QStringList shown = rig->row(0);

        ScriptedInteraction dialogs;
        dialogs.answerFileDialogs({QDir::temp().filePath(QStringLiteral("palvarin-export-test.xls"))});
        bool pushed = false;
        dialogs.onProgressValue = [&](int) {
            if (pushed)
                return;
            pushed = true;
            session().connection().takePushedBytes(EmulatedInstrument::measurementFrame(
                {EmulatedInstrument::field(7.5f), EmulatedInstrument::field(7.6f), EmulatedInstrument::field(7.7f),
                 EmulatedInstrument::field(5900.0f), EmulatedInstrument::field(5901.0f),
                 EmulatedInstrument::field(5902.0f)}));
        };
        QVERIFY(session().exportRecords());
        QFile::remove(QDir::temp().filePath(QStringLiteral("palvarin-export-test.xls")));
        QVERIFY(pushed);
        QCOMPARE(dialogs.texts(Kind::Information), QStringList{QStringLiteral("导出数据成功！")});

        const WorkbookTable &table = rig->writer.tables.last();
        QCOMPARE(table.headers.size(), 5); // name, two thicknesses, two velocities
        QCOMPARE(table.headers.at(1), model().headerData(1, Qt::Horizontal).toString());
        QCOMPARE(table.rows.size(), 2);
        const QVector<WorkbookCell> &first = table.rows.at(0);
        QCOMPARE(first.at(0).kind, WorkbookCell::Kind::Text);
        QCOMPARE(first.at(0).text, QStringLiteral("A1"));
        QCOMPARE(first.at(1).kind, WorkbookCell::Kind::Number);
        QCOMPARE(first.at(1).decimals, model().decimals(1));
        QCOMPARE(QString::number(first.at(1).number, 'f', first.at(1).decimals), shown.at(1));
        QCOMPARE(first.at(2).kind, WorkbookCell::Kind::Text);
        QCOMPARE(first.at(2).text, QStringLiteral("超量程"));
        QCOMPARE(first.at(3).kind, WorkbookCell::Kind::Number);
        QCOMPARE(QString::number(first.at(3).number, 'f', first.at(3).decimals), shown.at(4));

        QCOMPARE(model().rowCount(), 1);
        QCOMPARE(model().record(0).origin, RecordOrigin::Pushed);
        QCOMPARE(model().text(0, 1), QString::number(7.5, 'f', model().decimals(1)));
        model().setLayersShown(3);
    }

    // A count word with its top bit set is no count: the gauge could not give one. Zero is
    // an empty gauge and says nothing.
    void countWordsWithTheTopBitSetAreAFailedRead_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("2^31") << 0x80000000u << QStringList{QStringLiteral("读取记录数量失败!")};
        QTest::newRow("all ones") << 0xFFFFFFFFu << QStringList{QStringLiteral("读取记录数量失败!")};
        QTest::newRow("zero") << 0u << QStringList{};
    }

    void countWordsWithTheTopBitSetAreAFailedRead()
    {
        QFETCH(quint32, word);
        QFETCH(QStringList, messages);
        auto g = singleLayerGauge();
        for (int i = 0; i < 3; ++i)
            g->addSingleLayerRecord(5900.0f, 1.0f);
        g->setReportedCountWord(word);
        plugGauge(g);
        ScriptedInteraction dialogs;
        read();
        QCOMPARE(dialogs.texts(Kind::Information), messages);
        QVERIFY(memoryRequests(*gauge).isEmpty());
        QCOMPARE(dialogs.texts(Kind::Progress), QStringList{});
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(model().columnCount(), 4); // the units were read and the headers rebuilt
    }

    // Yes to saving first, and then nothing saved: a closed file dialog (the user's choice,
    // no message), or a failed write given up. The rows stay and the read does not start.
    void savingFirstThatSavesNothingKeepsTheRowsAndStopsTheRead()
    {
        auto g = singleLayerGauge();
        g->addSingleLayerRecord(5900.0f, 1.0f);
        plugGauge(g);
        addSingleLayerRow(model(), 7.0f, 7.0f);
        addSingleLayerRow(model(), 8.0f, 8.0f);
        {
            ScriptedInteraction dialogs;
            dialogs.answerQuestions({true});
            dialogs.answerFileDialogs({QString()});
            read();
            QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
            QVERIFY(dialogs.texts(Kind::Information).isEmpty());
            QCOMPARE(dialogs.unexpected, 0);
        }
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(model().text(0, 1), QStringLiteral("7.00"));
        QVERIFY(memoryRequests(*gauge).isEmpty());
        {
            ScriptedInteraction dialogs;
            rig->writer.failures = 1;
            // Save first: yes; the write fails; try again: no.
            dialogs.answerQuestions({true, false});
            dialogs.answerFileDialogs({QDir::temp().filePath(QStringLiteral("palvarin-fails.xls"))});
            read();
            QCOMPARE(dialogs.texts(Kind::Question).size(), 2);
            QCOMPARE(dialogs.unexpected, 0);
        }
        QCOMPARE(model().rowCount(), 2);
        QVERIFY(memoryRequests(*gauge).isEmpty());
        QVERIFY(!QFile::exists(QDir::temp().filePath(QStringLiteral("palvarin-fails.xls"))));
    }

    // ---- pushed measurements ----

    void pushedFramesBecomeRowsInOrder()
    {
        plugGauge(singleLayerGauge());
        session().clearRecords();
        ScriptedInteraction dialogs;
        const QByteArray one = frameHeader + bytes({0x00, 0x00, 0xB9, 0x45, 0x00, 0x00, 0xA0, 0x40});
        const QByteArray two = frameHeader + EmulatedInstrument::field(6000.0f) + EmulatedInstrument::field(2.5f);
        gauge->pushRaw(bytes({1, 2, 3}) + one + two); // junk, then two frames in one batch
        QTRY_COMPARE(model().rowCount(), 2);
        QCOMPARE(rig->row(0).mid(1, 2), (QStringList{"5.00", "5920"}));
        QCOMPARE(rig->row(1).mid(1, 2), (QStringList{"2.50", "6000"}));

        // A frame split across two batches is joined.
        gauge->pushRaw(two.left(11));
        QTest::qWait(300); // the first part is delivered on its own
        QCOMPARE(model().rowCount(), 2);
        gauge->pushRaw(two.mid(11));
        QTRY_COMPARE(model().rowCount(), 3);

        // Out of range in a pushed frame.
        gauge->pushRaw(frameHeader + EmulatedInstrument::field(5900.0f) + EmulatedInstrument::outOfRangeField());
        QTRY_COMPARE(model().rowCount(), 4);
        QCOMPARE(model().text(3, 1), QStringLiteral("超量程"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void multiLayerPushesAreNamedByRow()
    {
        plugGauge(multiLayerGauge());
        session().clearRecords();
        ScriptedInteraction dialogs;
        for (int i = 0; i < 3; ++i)
            addMultiLayerRow(model(), QStringLiteral("r"), {1, 2, 3, 4, 5, 6});
        gauge->pushMultiLayer({1.0f, 2.0f, 3.0f}, {5900.0f, 5910.0f, 5920.0f});
        QTRY_COMPARE(model().rowCount(), 4);
        QCOMPARE(model().text(3, 0), QStringLiteral("Name4"));

        // After a deletion the next name is still new: the number never goes back.
        QVERIFY(model().removeRows(0, 2));
        gauge->pushMultiLayer({1.0f, 2.0f, 3.0f}, {5900.0f, 5910.0f, 5920.0f});
        QTRY_COMPARE(model().rowCount(), 3);
        QCOMPARE(model().text(1, 0), QStringLiteral("Name4"));
        QCOMPARE(model().text(2, 0), QStringLiteral("Name5"));
    }

    void settingsChangeWithEmptyTableRereadsUnits()
    {
        plugGauge(multiLayerGauge());
        session().clearRecords();
        ScriptedInteraction dialogs;
        gauge->setUnitNumbers({1, 1, 1, 3, 3, 3});
        gauge->pushSettingsChanged();
        QTRY_COMPARE(rig->header(1), QStringLiteral("第1层厚度\n(inch)"));
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(model().multiDecimals(), (QList<int>{3, 3, 3, 4, 4, 4}));
    }

    // While the settings question is open the gauge pushes a measurement and announces a
    // second change: the measurement is added once the question is answered (after the
    // clear it announced), in the units read after the answer; the second announcement
    // asks nothing more.
    void aMeasurementPushedDuringTheSettingsQuestionComesAfterItInTheNewUnits()
    {
        plugGauge(multiLayerGauge());
        addMultiLayerRow(model(), QStringLiteral("keep"), {1, 2, 3, 4, 5, 6});
        ScriptedInteraction dialogs;
        dialogs.answerQuestions({false});
        int rowsWhileAsked = -1;
        dialogs.whileShown = [&](const ScriptedInteraction::Shown &shown) {
            if (shown.kind != Kind::Question || rowsWhileAsked >= 0)
                return;
            gauge->setUnitNumbers({1, 1, 1, 3, 3, 3});
            gauge->pushMultiLayer({1.25f, 2.5f, 3.75f}, {5900.5f, 5910.25f, 5920.0f});
            gauge->pushSettingsChanged();
            QTest::qWait(400); // both are delivered while the question is open
            rowsWhileAsked = model().rowCount();
        };
        gauge->pushSettingsChanged();
        QTRY_COMPARE(dialogs.texts(Kind::Question).size(), 1);
        QCOMPARE(rowsWhileAsked, 1); // nothing was added while the question was open
        QTRY_COMPARE(model().rowCount(), 1);
        QTest::qWait(300);
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1); // no second question
        QCOMPARE(model().rowCount(), 1);                   // No: "keep" went; the measurement came after
        QCOMPARE(rig->header(1), QStringLiteral("第1层厚度\n(inch)"));
        QCOMPARE(rig->row(0),
                 (QStringList{"Name1", "1.250", "2.500", "3.750", "5900.5000", "5910.2500", "5920.0000", QString()}));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // One poll batch holds a measurement, the settings notice and two more measurements:
    // the first is a row in the old units when the question comes (and is saved with the
    // table), the two behind the notice are rows after the answer, in the new units.
    void measurementsBehindASettingsNoticeInItsBatchComeAfterTheAnswer()
    {
        plugGauge(multiLayerGauge());
        addMultiLayerRow(model(), QStringLiteral("keep"), {1, 2, 3, 4, 5, 6});
        const QString path = QDir::temp().filePath(QStringLiteral("palvarin-settings-batch.xls"));
        ScriptedInteraction dialogs;
        dialogs.answerQuestions({true}); // save first
        dialogs.answerFileDialogs({path});
        QStringList rowsWhileAsked;
        dialogs.whileShown = [&](const ScriptedInteraction::Shown &shown) {
            if (shown.kind == Kind::Question)
                for (int r = 0; r < model().rowCount(); ++r)
                    rowsWhileAsked << rig->row(r).join(QLatin1Char(' '));
        };
        auto frame = [](float first) {
            return EmulatedInstrument::measurementFrame(
                {EmulatedInstrument::field(first), EmulatedInstrument::field(2.5f), EmulatedInstrument::field(3.75f),
                 EmulatedInstrument::field(5900.0f), EmulatedInstrument::field(5910.0f),
                 EmulatedInstrument::field(5920.0f)});
        };
        gauge->setUnitNumbers({1, 1, 1, 3, 3, 3});
        QList<QByteArray> notice;
        for (int i = 0; i < 6; ++i)
            notice << EmulatedInstrument::settingsChangedField();
        session().connection().takePushedBytes(frame(1.25f) + EmulatedInstrument::measurementFrame(notice) + frame(7.5f)
                                    + frame(8.125f));
        QTRY_COMPARE(dialogs.texts(Kind::Question).size(), 1);
        QFile::remove(path);
        QCOMPARE(rowsWhileAsked, (QStringList{"keep 1.00 2.00 3.00 4 5 6 ", "Name2 1.25 2.50 3.75 5900 5910 5920 "}));
        QCOMPARE(rig->writer.tables.size(), 1);
        QCOMPARE(rig->writer.tables.last().rows.size(), 2);
        QTRY_COMPARE(model().rowCount(), 2);
        QCOMPARE(rig->header(1), QStringLiteral("第1层厚度\n(inch)"));
        QCOMPARE(rig->row(0),
                 (QStringList{"Name3", "7.500", "2.500", "3.750", "5900.0000", "5910.0000", "5920.0000", QString()}));
        QCOMPARE(rig->row(1),
                 (QStringList{"Name4", "8.125", "2.500", "3.750", "5900.0000", "5910.0000", "5920.0000", QString()}));
        QTest::qWait(100);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(dialogs.unexpected, 0);
    }

    void settingsChangeDuringARecordReadIsHandledAfterIt()
    {
        auto g = singleLayerGauge();
        for (int i = 0; i < 30; ++i)
            g->addSingleLayerRecord(5900.0f, 1.0f);
        plugGauge(g);
        session().clearRecords();
        ScriptedInteraction dialogs;
        dialogs.onProgressValue = [&](int value) {
            // A batch that was queued before the read began is delivered inside it.
            if (value == 0)
                session().connection().takePushedBytes(frameHeader + EmulatedInstrument::settingsChangedField()
                                            + EmulatedInstrument::settingsChangedField());
        };
        dialogs.answerQuestions({false});
        read();
        QCOMPARE(model().rowCount(), 30); // the read finished undisturbed
        // Then the settings change runs: it asks (the table has rows) and clears on No.
        QTRY_COMPARE(dialogs.texts(Kind::Question).size(), 1);
        QTRY_COMPARE(model().rowCount(), 0);
        QCOMPARE(model().columnCount(), 4);
    }
};

// Run as a child by the test above: reads 3,000 multi-layer records at the gauge's own pace
// into the survey file `storePath` while the gauge pushes, until it is killed.
static int readUntilKilled(const QString &storePath)
{
    SurveyStore store;
    if (!store.open(storePath))
        return 3;
    EmulatorBackend gauges;
    ScriptedInteraction dialogs;
    SessionRig rig(gauges);
    rig.session.setStore(&store);
    auto gauge = multiLayerGauge(QStringLiteral("5150"));
    EmulatorBackend::fillDemoRecords(*gauge, 3000, 0);
    gauge->setReportIntervalUs(1000);
    gauge->setCountingPushes(true);
    gauges.plug(gauge);
    if (!QTest::qWaitFor([&] { return !rig.serialNo.isEmpty(); }, 10000))
        return 4;
    gauge->setAutoPush(20);
    std::fputs("reading\n", stdout);
    std::fflush(stdout);
    rig.session.readRecords();
    std::fputs("read\n", stdout);
    return 0;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("PALVARIN_TEST_READ_CHILD"))
        return readUntilKilled(qEnvironmentVariable("PALVARIN_TEST_READ_CHILD"));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    ReadingTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_reading.moc"
