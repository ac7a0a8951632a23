// The records page on its own: configuration files, the Clear button, the device fields
// and the page's language change.
#include "recordspage/FirstPage.h"
#include "ScriptedInteraction.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class RecordsPageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    void write(const char *name, const QByteArray &text)
    {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    static QStringList column(const QList<QVariantList> &table, int field)
    {
        QStringList out;
        for (const QVariantList &entry : table)
            out << entry.value(field).toString();
        return out;
    }

private slots:
    void init()
    {
        QFile::remove(dir.filePath(QStringLiteral("meterno")));
        QFile::remove(dir.filePath(QStringLiteral("unitno")));
        FirstPage::setConfigDirectory(dir.path());
    }

    void meterFileIsReadStrictlyInSequence_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("meterNumbers");
        QTest::newRow("two groups") << QByteArray("[Device1]\nMeterNo=3\nUIIndex=2\nVersion=120\n"
                                                  "[Device2]\nMeterNo=7\nUIIndex=1\n")
                                    << QStringList{"3", "7"};
        QTest::newRow("first without MeterNo") << QByteArray("[Device1]\nUIIndex=2\nVersion=1\n[Device2]\nMeterNo=7\n")
                                               << QStringList{};
        QTest::newRow("empty MeterNo ends") << QByteArray("[Device1]\nMeterNo=3\n[Device2]\nMeterNo=\n[Device3]\nMeterNo=9\n")
                                            << QStringList{"3"};
        QTest::newRow("gap ends") << QByteArray("[Device1]\nMeterNo=3\n[Device3]\nMeterNo=9\n") << QStringList{"3"};
    }

    void meterFileIsReadStrictlyInSequence()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, meterNumbers);
        write("meterno", text);
        FirstPage page;
        QCOMPARE(column(page.meterTable, 0), meterNumbers);
        for (const QVariantList &entry : page.meterTable)
            QCOMPARE(entry.size(), 3);
        if (!meterNumbers.isEmpty() && meterNumbers.first() == QLatin1String("3")) {
            QCOMPARE(page.meterTable.first().value(1).toInt(), text.contains("UIIndex=2") ? 2 : 0);
        }
    }

    void unitFileKeepsPositionsAndUtf8Names()
    {
        write("unitno", "[Unit1]\nUnitNo=7\nUnitName=毫米\nDecimalNumber=2\n"
                        "[Unit2]\nUnitNo=3\nUnitName=m/s\n"
                        "[Unit4]\nUnitNo=1\nUnitName=never\n");
        FirstPage page;
        QCOMPARE(column(page.unitTable, 1), (QStringList{QStringLiteral("毫米"), QStringLiteral("m/s")}));
        QCOMPARE(page.unitTable.at(0).value(2).toInt(), 2);
        QCOMPARE(page.unitTable.at(1).value(2).toInt(), 0); // missing decimals count as 0

        // Unit numbers are positions, not UnitNo values: 0 -> Unit1, 1 -> Unit2.
        page.tableLayout = 1;
        page.unitNumbers = {1, 0};
        page.buildHeaders();
        QCOMPARE(page.tableWidget_data->columnCount(), 3);
        QCOMPARE(page.tableWidget_data->horizontalHeaderItem(0)->text(), QStringLiteral("厚度\n(毫米)"));
        QCOMPARE(page.tableWidget_data->horizontalHeaderItem(1)->text(), QStringLiteral("声速\n(m/s)"));
        // Number 2 is beyond the two entries read: no columns.
        page.unitNumbers = {2, 0};
        page.buildHeaders();
        QCOMPARE(page.tableWidget_data->columnCount(), 0);
    }

    void missingFilesGiveEmptyTables()
    {
        FirstPage page;
        QVERIFY(page.meterTable.isEmpty());
        QVERIFY(page.unitTable.isEmpty());
        QCOMPARE(page.tableLayout, 1);
        QVERIFY(page.chineseUi);
        QCOMPARE(page.tableWidget_data->columnCount(), 0);
    }

    void clearAsksOnlyWhenThereAreRows()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        FirstPage page;
        page.unitNumbers = {0, 0};
        page.buildHeaders();
        ScriptedInteraction dialogs;

        page.pushButton_clearData->click(); // empty: no question
        QVERIFY(dialogs.shown.isEmpty());

        for (int i = 0; i < 3; ++i)
            page.addSingleLayerRow(1.0f + i, 5920.0f, QString(), QString());
        dialogs.answerQuestions({false});
        page.pushButton_clearData->click();
        QCOMPARE(page.tableWidget_data->rowCount(), 3);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("提示"));
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("清除数据将会清除所有的记录，是否确认清除?"));

        page.chineseUi = false;
        dialogs.answerQuestions({true});
        page.pushButton_clearData->click();
        QCOMPARE(dialogs.shown.at(1).title, QStringLiteral("Tip"));
        QCOMPARE(dialogs.shown.at(1).text,
                 QStringLiteral("Clear data will clear all records. Are you sure you want to clear it?"));
        QCOMPARE(page.tableWidget_data->rowCount(), 0);
        QCOMPARE(page.tableWidget_data->columnCount(), 3); // headers stay
        QCOMPARE(dialogs.unexpected, 0);
    }

    void deviceFieldsAreReadOnlyAndClearedWithTheTable()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        FirstPage page;
        QVERIFY(page.lineEdit_serialNo->isReadOnly());
        QVERIFY(page.lineEdit_firmwareVersion->isReadOnly());
        page.lineEdit_serialNo->setText(QStringLiteral("12345"));
        page.lineEdit_firmwareVersion->setText(QStringLiteral("1.20"));
        page.unitNumbers = {0, 0};
        page.buildHeaders();
        page.addSingleLayerRow(1.0f, 2.0f, QString(), QString());
        ScriptedInteraction dialogs;
        page.clearDeviceInfo();
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(page.lineEdit_serialNo->text().isEmpty());
        QVERIFY(page.lineEdit_firmwareVersion->text().isEmpty());
        QCOMPARE(page.tableWidget_data->rowCount(), 0);
    }

    void languageChangeResetsTheLayerSelector()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        FirstPage page;
        page.tableLayout = 2;
        page.unitNumbers = {0, 0, 0, 0, 0, 0};
        page.buildHeaders();
        page.comboBox_layerDisplay->setCurrentIndex(2);
        QVERIFY(!page.tableWidget_data->isColumnHidden(3));
        page.chineseUi = false;
        page.languageChange();
        QCOMPARE(page.comboBox_layerDisplay->currentText(), QStringLiteral("1"));
        QVERIFY(page.tableWidget_data->isColumnHidden(2));
        QVERIFY(page.tableWidget_data->isColumnHidden(6));
        QCOMPARE(page.tableWidget_data->horizontalHeaderItem(0)->text(), QStringLiteral("Test Name"));
    }
};

QTEST_MAIN(RecordsPageTest)
#include "test_records_page.moc"
