// A gauge coming and going. The main window: the LED, the worker thread, the page's fields.
// The gauge session on its own: identification and its failures, a pull while a message
// holds the link. Against the emulated gauge through every real layer.
#include "GaugeFixture.h"
#include "ScriptedInteraction.h"
#include "store/SurveyStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTableView>
#include <QThread>

#include <unistd.h>

using namespace GaugeFixture;

class ConnectionTest : public QObject
{
    Q_OBJECT

    // The window's gauges; the session-level tests plug theirs into back ends of their own.
    EmulatorBackend backend;
    std::unique_ptr<WindowRig> rig;
    MainWindow *window = nullptr;
    FirstPage *page = nullptr;

    QImage ledImage() const { return window->findChild<QLabel *>(QStringLiteral("LinkStatusLabel"))->pixmap().toImage(); }
    static QImage image(const char *path) { return QPixmap(QString::fromLatin1(path)).toImage(); }
    QAbstractItemModel *table() const { return page->tableWidget_data->model(); }

    static double processCpuSeconds()
    {
        QFile stat(QStringLiteral("/proc/self/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
        return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }

private slots:
    void initTestCase()
    {
        backend.plug(multiLayerGauge());
        rig = std::make_unique<WindowRig>(backend);
        window = rig->window.get();
        page = rig->page();
    }

    void cleanupTestCase() { rig.reset(); }

    // ---- the main window ----

    void instrumentPresentAtStartIsOpenedAndIdentified()
    {
        QTRY_VERIFY(window->isLinkOpen());
        QCOMPARE(ledImage(), image(":/image/led_on.png"));
        QVERIFY(rig->session.worker());
        QTRY_COMPARE(page->lineEdit_serialNo->text(), QStringLiteral("12345"));
        QCOMPARE(page->lineEdit_firmwareVersion->text(), QStringLiteral("1.25"));
        QCOMPARE(rig->session.tableLayout(), 2);
        QCOMPARE(table()->columnCount(), 8);
        QCOMPARE(header(*table(), 1), QStringLiteral("第1层厚度\n(mm)"));
    }

    void idleConnectionKeepsTheProcessorFree()
    {
        QTRY_VERIFY(window->isLinkOpen());
        const double before = processCpuSeconds();
        QTest::qWait(2000);
        const double share = (processCpuSeconds() - before) / 2.0 * 100.0;
        qInfo("processor use while connected and idle: %.2f %% of one core", share);
        QVERIFY2(share < 5.0, qPrintable(QStringLiteral("%1 %").arg(share)));
    }

    void unplugClosesEverythingAndReplugStartsAfresh()
    {
        QTRY_VERIFY(window->isLinkOpen());
        addMultiLayerRow(rig->model, QStringLiteral("a"), {1, 2, 3, 4, 5, 6});
        QPointer<PollWorker> oldWorker = rig->session.worker();
        QVERIFY(oldWorker);
        auto gauge = backend.instrument(QStringLiteral("12345"));

        QVERIFY(backend.unplug(QStringLiteral("12345")));
        QTRY_VERIFY(!window->isLinkOpen());
        QCOMPARE(ledImage(), image(":/image/led_off.png"));
        QVERIFY(!rig->session.worker());
        QVERIFY(oldWorker.isNull()); // its thread ended and it was released
        QVERIFY(page->lineEdit_serialNo->text().isEmpty());
        QVERIFY(page->lineEdit_firmwareVersion->text().isEmpty());
        // The rows stay when the cable goes.
        QCOMPARE(table()->rowCount(), 1);
        QCOMPARE(rig->model.text(0, 0), QStringLiteral("a"));
        // A batch the old worker queued just before the pull adds nothing afterwards.
        rig->session.connection().takePushedBytes(EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(1), EmulatedInstrument::field(2), EmulatedInstrument::field(3),
             EmulatedInstrument::field(4), EmulatedInstrument::field(5), EmulatedInstrument::field(6)}));
        QCOMPARE(table()->rowCount(), 1);

        backend.plug(gauge);
        QTRY_VERIFY(window->isLinkOpen());
        QVERIFY(rig->session.worker());
        QCOMPARE(ledImage(), image(":/image/led_on.png"));
        QTRY_COMPARE(page->lineEdit_serialNo->text(), QStringLiteral("12345"));
        // The new worker delivers pushed measurements again.
        gauge->pushMultiLayer({1.5f, 2.5f, 3.5f}, {5900.f, 5910.f, 5920.f});
        // The same gauge in the same units carries on below the kept row.
        QTRY_COMPARE(table()->rowCount(), 2);
        QCOMPARE(rig->model.text(0, 0), QStringLiteral("a"));
    }

    // ---- the session, without a window ----

    void unplugWhileAMessageBoxHoldsTheLinkDoesNotHang()
    {
        // Firmware below the meter's minimum: identification shows a message while it
        // holds the worker's mutex; the gauge is pulled out meanwhile.
        EmulatorBackend gauges;
        SessionRig session(gauges);
        auto old = multiLayerGauge(QStringLiteral("555"));
        old->setKeyInfo(555, 2, 119);
        ScriptedInteraction dialogs;
        bool pulled = false;
        dialogs.whileShown = [&](const ScriptedInteraction::Shown &) {
            gauges.unplug(QStringLiteral("555"));
            QTRY_VERIFY(!session.session.isLinkOpen()); // the worker ended though the mutex is held
            pulled = true;
        };
        gauges.plug(old);
        QTRY_VERIFY(pulled);
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information), QStringList{QStringLiteral("仪器版本过低!")});
        QVERIFY(!session.session.worker());
        QVERIFY(!session.session.hasLink());
        QVERIFY(session.serialNo.isEmpty());
        dialogs.whileShown = nullptr;

        gauges.plug(multiLayerGauge()); // and the session carries on
        QTRY_COMPARE(session.serialNo, QStringLiteral("12345"));
        QVERIFY(session.session.worker());
    }

    // The session ends (the program quits) while the gauge pushes a measurement every 20 ms:
    // every measurement the link received, the worker's last poll included, is a committed
    // row, in order. The pushes carry running numbers, so the stored thicknesses say which.
    void quitKeepsEveryMeasurementReceived()
    {
        QTemporaryDir folder;
        SurveyStore store;
        QVERIFY(store.open(folder.filePath(QStringLiteral("quit.sqlite"))));
        EmulatorBackend gauges;
        auto gauge = singleLayerGauge(QStringLiteral("4711"));
        gauge->setCountingPushes(true);
        {
            auto rig = std::make_unique<SessionRig>(gauges);
            rig->session.setStore(&store);
            gauges.plug(gauge);
            QTRY_COMPARE(rig->serialNo, QStringLiteral("4711"));
            gauge->setAutoPushRegular(true); // never 50 ms of silence
            gauge->setAutoPush(20);
            QTRY_VERIFY(rig->model.rowCount() >= 10);
            QElapsedTimer ending;
            ending.start();
            rig.reset(); // as at the program's end: the session goes, then the back end
            // A gauge that never pauses must not hold the end up: the last poll is bounded.
            QVERIFY2(ending.elapsed() < 1000, qPrintable(QString::number(ending.elapsed())));
        }
        gauge->setAutoPush(0);
        const int received = gauge->autoPushesSent() - gauge->pendingInputReports();
        StoredTable stored;
        QVERIFY(store.loadLeftover(stored));
        QCOMPARE(int(stored.records.size()), received);
        for (int i = 0; i < stored.records.size(); ++i)
            QCOMPARE(stored.records[i].values[0], float(i + 1));
    }

    void identification_data()
    {
        QTest::addColumn<QList<QVariantList>>("meters");
        QTest::addColumn<quint32>("meterType");
        QTest::addColumn<int>("firmware");
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("columns");
        const QList<QVariantList> one{{3, 2, 120}};
        QTest::newRow("match") << one << 3u << 120 << 42u << QStringList{} << 2 << 8;
        QTest::newRow("firmware too low") << one << 3u << 119 << 42u << QStringList{"仪器版本过低!"} << 2 << 0;
        QTest::newRow("unknown meter") << one << 4u << 120 << 42u << QStringList{"仪器与软件不匹配!"} << 1 << 0;
        QTest::newRow("empty meter table") << QList<QVariantList>{} << 9u << 1 << 42u << QStringList{} << 1 << 4;
        QTest::newRow("no UIIndex") << QList<QVariantList>{{3, QVariant(), QVariant()}} << 3u << 5 << 42u
                                    << QStringList{"仪表配置为此仪器指定的界面类型无法识别，无法显示其记录。"} << 0 << 0;
        QTest::newRow("unknown UIIndex") << QList<QVariantList>{{3, 7, 0}} << 3u << 5 << 42u
                                         << QStringList{"仪表配置为此仪器指定的界面类型7无法识别，无法显示其记录。"} << 7 << 0;
        QTest::newRow("first of two entries counts") << QList<QVariantList>{{3, 1, 0}, {3, 2, 999}} << 3u << 1 << 42u
                                                     << QStringList{} << 1 << 4;
        QTest::newRow("32-bit serial") << one << 3u << 120 << 0xFFFFFFFFu << QStringList{} << 2 << 8;
    }

    void identification()
    {
        QFETCH(QList<QVariantList>, meters);
        QFETCH(quint32, meterType);
        QFETCH(int, firmware);
        QFETCH(quint32, serial);
        QFETCH(QStringList, messages);
        QFETCH(int, layout);
        QFETCH(int, columns);

        EmulatorBackend gauges;
        GaugeConfig config = shippedConfig();
        config.meterTable = meters;
        SessionRig rig(gauges, config);
        QCOMPARE(rig.model.columnCount(), 0); // a table without columns to start from
        ScriptedInteraction dialogs;
        // Units that suit both layouts, so the headers tell which layout was chosen.
        auto gauge = multiLayerGauge(QStringLiteral("99"));
        gauge->setKeyInfo(serial, meterType, quint16(firmware));
        gauges.plug(gauge);
        QTRY_COMPARE(rig.firmware, QString::number(firmware / 100.0, 'f', 2));

        QCOMPARE(rig.serialNo, QString::number(serial));
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information), messages);
        QCOMPARE(rig.session.tableLayout(), layout);
        QCOMPARE(rig.model.columnCount(), columns);
        // Identified again: what the user was told once is not told again.
        rig.session.identify();
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information).size(),
                 layout == 1 || layout == 2 ? 2 * messages.size() : messages.size());
    }

    void failedCommandsAreReported()
    {
        EmulatorBackend gauges;
        SessionRig rig(gauges);
        ScriptedInteraction dialogs;
        auto gauge = multiLayerGauge(QStringLiteral("98"));
        ReplyFault error;
        error.errorReply = true;
        gauge->injectFault(error, 1); // the key information request
        gauges.plug(gauge);
        QTRY_COMPARE(dialogs.texts(ScriptedInteraction::Kind::Information),
                     QStringList{QStringLiteral("读取关键信息失败!")});
        QVERIFY(rig.serialNo.isEmpty());
        QVERIFY(rig.session.isLinkOpen()); // the link stays open

        ScriptedInteraction more;
        auto second = multiLayerGauge(QStringLiteral("97"));
        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        second->injectFault(ReplyFault{}, 1); // key information passes
        second->injectFault(corrupt, 1);      // unit numbers fail their CRC
        replug(gauges, rig, second);
        QTRY_COMPARE(more.texts(ScriptedInteraction::Kind::Information),
                     QStringList{QStringLiteral("读取单位编号失败!")});
        QVERIFY(rig.session.unitNumbers().isEmpty());
    }
};

QTEST_MAIN(ConnectionTest)
#include "test_connection.moc"
