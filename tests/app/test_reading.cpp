// Reading the stored records and the measurements the gauge pushes: the gauge session and
// its records model, without any window, against the emulated gauge through every real
// layer below the session.
#include "GaugeFixture.h"

#include <QDir>
#include <QFile>
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
        model().setChinese(true);
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
            QCOMPARE(model().columnCount(), 3);    // but the headers were rebuilt
        } else {
            QCOMPARE(dialogs.progressMaximums, QList<int>{int(blocks.size())});
            QCOMPARE(rig->row(count - 1).mid(0, 2),
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
        QCOMPARE(rig->row(0).mid(0, 2), (QStringList{"5.00", "5920"}));
        QCOMPARE(model().text(1, 0), QStringLiteral("超量程"));
        // Read from memory the settings-changed pattern is just a (large) number.
        QCOMPARE(model().text(2, 1), QString::number(double(1.4e28f), 'f', 0));

        // English: the word follows the language, also for rows already in the table, and
        // the session asks in it. (The language buttons' way there: test_shell.)
        model().setChinese(false);
        QCOMPARE(model().text(1, 0), QStringLiteral("Outrange"));
        dialogs.answerQuestions({false});
        read();
        QCOMPARE(dialogs.texts(Kind::Question),
                 QStringList{"Importing data will first clear the list. Do you want to save the data?"});
        QCOMPARE(model().rowCount(), 3);
        QCOMPARE(model().text(1, 0), QStringLiteral("Outrange"));
        model().setChinese(true);
        QCOMPARE(model().text(1, 0), QStringLiteral("超量程"));
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
    // (b) inside the link's read of a reply, when the gauge goes mid-reply. The read must end
    // by saying the gauge was disconnected, add nothing to the emptied table, and not use the link it was reading from
    // after that was closed (the sanitizer build checks the latter).
    void pullDuringAReadAddsNothing_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<bool>("midReply");
        QTest::newRow("single, after the last block") << false << false;
        QTest::newRow("multi, after the last name block") << true << false;
        QTest::newRow("single, inside a reply") << false << true;
        QTest::newRow("multi, inside a reply") << true << true;
    }

    void pullDuringAReadAddsNothing()
    {
        QFETCH(bool, multi);
        QFETCH(bool, midReply);
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
        dialogs.onProgressValue = [&](int value) {
            linkAtStep << session().hasLink();
            const int last = dialogs.progressMaximums.value(0) - 1;
            if (midReply && value == last - 1) {
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
        QCOMPARE(model().text(0, 0), multi ? QStringLiteral("again") : QStringLiteral("2.00"));
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
        QCOMPARE(rig->row(records - 1).mid(0, 2), (QStringList{QString::number(records, 'f', 2), "5900"}));
        for (int i = 0; i < taken.size(); ++i) {
            QCOMPARE(rig->row(records + i).mid(0, 2), (QStringList{QString::number(taken[i], 'f', 2), "6000"}));
            QCOMPARE(model().record(records + i).origin, RecordOrigin::Pushed);
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
            session().handlePushedBytes(EmulatedInstrument::measurementFrame(
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
        QCOMPARE(model().columnCount(), 3); // the units were read and the headers rebuilt
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
        QCOMPARE(model().text(0, 0), QStringLiteral("7.00"));
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
        QCOMPARE(rig->row(0).mid(0, 2), (QStringList{"5.00", "5920"}));
        QCOMPARE(rig->row(1).mid(0, 2), (QStringList{"2.50", "6000"}));

        // A frame split across two batches is joined.
        gauge->pushRaw(two.left(11));
        QTest::qWait(300); // the first part is delivered on its own
        QCOMPARE(model().rowCount(), 2);
        gauge->pushRaw(two.mid(11));
        QTRY_COMPARE(model().rowCount(), 3);

        // Out of range in a pushed frame.
        gauge->pushRaw(frameHeader + EmulatedInstrument::field(5900.0f) + EmulatedInstrument::outOfRangeField());
        QTRY_COMPARE(model().rowCount(), 4);
        QCOMPARE(model().text(3, 0), QStringLiteral("超量程"));
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
                session().handlePushedBytes(frameHeader + EmulatedInstrument::settingsChangedField()
                                            + EmulatedInstrument::settingsChangedField());
        };
        dialogs.answerQuestions({false});
        read();
        QCOMPARE(model().rowCount(), 30); // the read finished undisturbed
        // Then the settings change runs: it asks (the table has rows) and clears on No.
        QTRY_COMPARE(dialogs.texts(Kind::Question).size(), 1);
        QTRY_COMPARE(model().rowCount(), 0);
        QCOMPARE(model().columnCount(), 3);
    }
};

QTEST_MAIN(ReadingTest)
#include "test_reading.moc"
