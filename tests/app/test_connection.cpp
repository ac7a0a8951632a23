// A gauge coming and going: the LED, the worker thread, identification and the page's
// fields, against the emulated gauge through every real layer.
#include "GaugeFixture.h"
#include "ScriptedInteraction.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QThread>

#include <unistd.h>

using namespace GaugeFixture;

class ConnectionTest : public QObject
{
    Q_OBJECT

    EmulatorBackend backend;
    MainWindow *window = nullptr;
    FirstPage *page = nullptr;

    QImage ledImage() const { return window->findChild<QLabel *>(QStringLiteral("LinkStatusLabel"))->pixmap().toImage(); }
    static QImage image(const char *path) { return QPixmap(QString::fromLatin1(path)).toImage(); }

    void replug(std::shared_ptr<EmulatedInstrument> gauge)
    {
        for (const auto &g : backend.instruments())
            backend.unplug(g->usbSerial());
        QTRY_VERIFY(!window->isLinkOpen());
        page->tableLayout = 1;
        backend.plug(std::move(gauge));
        QTRY_VERIFY(window->isLinkOpen());
    }

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
        window = start(backend);
        page = window->recordsPage();
    }

    void cleanupTestCase() { stop(); }

    void instrumentPresentAtStartIsOpenedAndIdentified()
    {
        QTRY_VERIFY(window->isLinkOpen());
        QCOMPARE(ledImage(), image(":/image/led_on.png"));
        QVERIFY(page->worker());
        QTRY_COMPARE(page->lineEdit_serialNo->text(), QStringLiteral("12345"));
        QCOMPARE(page->lineEdit_firmwareVersion->text(), QStringLiteral("1.25"));
        QCOMPARE(page->tableLayout, 2);
        QCOMPARE(page->tableWidget_data->columnCount(), 8);
        QCOMPARE(page->tableWidget_data->horizontalHeaderItem(1)->text(), QStringLiteral("第1层厚度\n(mm)"));
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
        page->addMultiLayerRow(QStringLiteral("a"), {1, 2, 3, 4, 5, 6}, {});
        QPointer<MyThread> oldWorker = page->worker();
        QVERIFY(oldWorker);
        auto gauge = backend.instrument(QStringLiteral("12345"));

        QVERIFY(backend.unplug(QStringLiteral("12345")));
        QTRY_VERIFY(!window->isLinkOpen());
        QCOMPARE(ledImage(), image(":/image/led_off.png"));
        QVERIFY(!page->worker());
        QVERIFY(oldWorker.isNull()); // its thread ended and it was released
        QVERIFY(page->lineEdit_serialNo->text().isEmpty());
        QVERIFY(page->lineEdit_firmwareVersion->text().isEmpty());
        QCOMPARE(page->tableWidget_data->rowCount(), 0);
        // A batch the old worker queued just before the pull adds nothing afterwards.
        page->SaveData(EmulatedInstrument::measurementFrame(
            {EmulatedInstrument::field(1), EmulatedInstrument::field(2), EmulatedInstrument::field(3),
             EmulatedInstrument::field(4), EmulatedInstrument::field(5), EmulatedInstrument::field(6)}));
        QCOMPARE(page->tableWidget_data->rowCount(), 0);

        backend.plug(gauge);
        QTRY_VERIFY(window->isLinkOpen());
        QVERIFY(page->worker());
        QCOMPARE(ledImage(), image(":/image/led_on.png"));
        QTRY_COMPARE(page->lineEdit_serialNo->text(), QStringLiteral("12345"));
        // The new worker delivers pushed measurements again.
        gauge->pushMultiLayer({1.5f, 2.5f, 3.5f}, {5900.f, 5910.f, 5920.f});
        QTRY_COMPARE(page->tableWidget_data->rowCount(), 1);
    }

    void unplugWhileAMessageBoxHoldsTheLinkDoesNotHang()
    {
        // Firmware below the meter's minimum: identification shows a message while it
        // holds the worker's mutex; the gauge is pulled out meanwhile.
        auto old = multiLayerGauge(QStringLiteral("555"));
        old->setKeyInfo(555, 2, 119);
        ScriptedInteraction dialogs;
        bool pulled = false;
        dialogs.whileShown = [&](const ScriptedInteraction::Shown &) {
            backend.unplug(QStringLiteral("555"));
            QTRY_VERIFY(!window->isLinkOpen()); // the worker ended though the mutex is held
            pulled = true;
        };
        for (const auto &g : backend.instruments())
            backend.unplug(g->usbSerial());
        QTRY_VERIFY(!window->isLinkOpen());
        backend.plug(old);
        QTRY_VERIFY(pulled);
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information),
                 QStringList{QStringLiteral("仪器版本过低!")});
        QVERIFY(!page->worker());
        QVERIFY(page->lineEdit_serialNo->text().isEmpty());
        dialogs.whileShown = nullptr;

        backend.plug(multiLayerGauge()); // and the program carries on
        QTRY_COMPARE(page->lineEdit_serialNo->text(), QStringLiteral("12345"));
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
        QTest::newRow("empty meter table") << QList<QVariantList>{} << 9u << 1 << 42u << QStringList{} << 1 << 3;
        QTest::newRow("no UIIndex") << QList<QVariantList>{{3, QVariant(), QVariant()}} << 3u << 5 << 42u
                                    << QStringList{} << 0 << 0;
        QTest::newRow("first of two entries counts") << QList<QVariantList>{{3, 1, 0}, {3, 2, 999}} << 3u << 1 << 42u
                                                     << QStringList{} << 1 << 3;
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

        const QList<QVariantList> shipped = page->meterTable;
        page->meterTable = meters;
        page->unitNumbers.clear();
        page->buildHeaders(); // start from a table without columns
        ScriptedInteraction dialogs;
        // Units that suit both layouts, so the headers tell which layout was chosen.
        auto gauge = multiLayerGauge(QStringLiteral("99"));
        gauge->setKeyInfo(serial, meterType, quint16(firmware));
        replug(gauge);
        QTRY_COMPARE(page->lineEdit_firmwareVersion->text(), QString::number(firmware / 100.0, 'f', 2));
        page->meterTable = shipped;

        QCOMPARE(page->lineEdit_serialNo->text(), QString::number(serial));
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information), messages);
        QCOMPARE(page->tableLayout, layout);
        QCOMPARE(page->tableWidget_data->columnCount(), columns);
    }

    void failedCommandsAreReported()
    {
        ScriptedInteraction dialogs;
        auto gauge = multiLayerGauge(QStringLiteral("98"));
        ReplyFault error;
        error.errorReply = true;
        gauge->injectFault(error, 1); // the key information request
        replug(gauge);
        QTRY_COMPARE(dialogs.texts(ScriptedInteraction::Kind::Information),
                     QStringList{QStringLiteral("读取关键信息失败!")});
        QVERIFY(page->lineEdit_serialNo->text().isEmpty());
        QVERIFY(window->isLinkOpen()); // the link stays open

        ScriptedInteraction more;
        auto second = multiLayerGauge(QStringLiteral("97"));
        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        second->injectFault(ReplyFault{}, 1); // key information passes
        second->injectFault(corrupt, 1);      // unit numbers fail their CRC
        replug(second);
        QTRY_COMPARE(more.texts(ScriptedInteraction::Kind::Information),
                     QStringList{QStringLiteral("读取单位编号失败!")});
        QVERIFY(page->unitNumbers.isEmpty());
    }
};

QTEST_MAIN(ConnectionTest)
#include "test_connection.moc"
