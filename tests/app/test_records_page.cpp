// The records page over a gauge session with no gauge: configuration files as the page sees
// them, the Clear button, the device fields and the page's language change; with emulated
// gauges and a survey file: edits made while an export runs, and the history's preview.
#include "GaugeFixture.h"
#include "interaction/Language.h"
#include "ScriptedInteraction.h"
#include "records/RecordEdits.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/RecordsTable.h"
#include "recordspage/StatisticsPanel.h"
#include "store/SurveyStore.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;

namespace {

// A page over a session whose configuration is read from `directory`.
struct PageRig
{
    EmulatorBackend backend; // nothing plugged
    SessionRig rig;
    FirstPage page;

    explicit PageRig(const QString &directory) : rig(backend, GaugeConfig::load(directory)), page(rig.session) {}

    QAbstractItemModel &table() const { return *page.tableWidget_data->model(); }
};

} // namespace

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
        PageRig rig(dir.path());
        const QList<QVariantList> &meters = rig.rig.session.config().meterTable;
        QCOMPARE(column(meters, 0), meterNumbers);
        for (const QVariantList &entry : meters)
            QCOMPARE(entry.size(), 3);
        if (!meterNumbers.isEmpty() && meterNumbers.first() == QLatin1String("3")) {
            QCOMPARE(meters.first().value(1).toInt(), text.contains("UIIndex=2") ? 2 : 0);
        }
    }

    void unitFileKeepsPositionsAndUtf8Names()
    {
        write("unitno", "[Unit1]\nUnitNo=7\nUnitName=毫米\nDecimalNumber=2\n"
                        "[Unit2]\nUnitNo=3\nUnitName=m/s\n"
                        "[Unit4]\nUnitNo=1\nUnitName=never\n");
        PageRig rig(dir.path());
        QCOMPARE(column(rig.rig.session.config().unitTable, 1), (QStringList{QStringLiteral("毫米"), QStringLiteral("m/s")}));
        QCOMPARE(rig.rig.session.config().unitTable.at(0).value(2).toInt(), 2);
        QCOMPARE(rig.rig.session.config().unitTable.at(1).value(2).toInt(), 0); // missing decimals count as 0

        // Unit numbers are positions, not UnitNo values: 0 -> Unit1, 1 -> Unit2.
        rig.rig.session.setTableLayout(1);
        rig.rig.session.setUnitNumbers({1, 0});
        rig.rig.session.buildHeaders();
        QCOMPARE(rig.table().columnCount(), 4);
        QCOMPARE(header(rig.table(), 1), QStringLiteral("厚度\n(毫米)"));
        QCOMPARE(header(rig.table(), 2), QStringLiteral("声速\n(m/s)"));
        // Number 2 is beyond the two entries read: no columns.
        rig.rig.session.setUnitNumbers({2, 0});
        rig.rig.session.buildHeaders();
        QCOMPARE(rig.table().columnCount(), 0);
    }

    void missingFilesGiveEmptyTables()
    {
        PageRig rig(dir.path());
        QVERIFY(rig.rig.session.config().meterTable.isEmpty());
        QVERIFY(rig.rig.session.config().unitTable.isEmpty());
        QCOMPARE(rig.rig.session.tableLayout(), 1);
        QCOMPARE(Language::instance().code(), QStringLiteral("zh"));
        QCOMPARE(rig.table().columnCount(), 0);
    }

    void clearAsksOnlyWhenThereAreRows()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        PageRig rig(dir.path());
        FirstPage &page = rig.page;
        rig.rig.session.setUnitNumbers({0, 0});
        rig.rig.session.buildHeaders();
        ScriptedInteraction dialogs;

        page.pushButton_clearData->click(); // empty: no question
        QVERIFY(dialogs.shown.isEmpty());

        for (int i = 0; i < 3; ++i)
            addSingleLayerRow(rig.rig.model, 1.0f + i, 5920.0f);
        dialogs.answerQuestions({false});
        page.pushButton_clearData->click();
        QCOMPARE(rig.table().rowCount(), 3);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("提示"));
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("清除数据将会清除所有的记录，是否确认清除?"));

        Language::instance().set(QStringLiteral("en"));
        dialogs.answerQuestions({true});
        page.pushButton_clearData->click();
        QCOMPARE(dialogs.shown.at(1).title, QStringLiteral("Tip"));
        QCOMPARE(dialogs.shown.at(1).text,
                 QStringLiteral("Clear data will clear all records. Are you sure you want to clear it?"));
        QCOMPARE(rig.table().rowCount(), 0);
        QCOMPARE(rig.table().columnCount(), 4); // headers stay
        QCOMPARE(dialogs.unexpected, 0);
    }

    void deviceFieldsAreReadOnlyAndClearedWithTheTable()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        PageRig rig(dir.path());
        FirstPage &page = rig.page;
        QVERIFY(page.lineEdit_serialNo->isReadOnly());
        QVERIFY(page.lineEdit_firmwareVersion->isReadOnly());
        page.lineEdit_serialNo->setText(QStringLiteral("12345"));
        page.lineEdit_firmwareVersion->setText(QStringLiteral("1.20"));
        rig.rig.session.setUnitNumbers({0, 0});
        rig.rig.session.buildHeaders();
        addSingleLayerRow(rig.rig.model, 1.0f, 2.0f);
        ScriptedInteraction dialogs;
        emit rig.rig.session.linkClosed(); // the gauge went
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(page.lineEdit_serialNo->text().isEmpty());
        QVERIFY(page.lineEdit_firmwareVersion->text().isEmpty());
        QCOMPARE(rig.table().rowCount(), 1); // the gauge went, its rows stay
    }

    void languageChangeResetsTheLayerSelector()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        PageRig rig(dir.path());
        FirstPage &page = rig.page;
        Language::instance().set(QStringLiteral("zh"));
        rig.rig.session.setTableLayout(2);
        rig.rig.session.setUnitNumbers({0, 0, 0, 0, 0, 0});
        rig.rig.session.buildHeaders();
        page.comboBox_layerDisplay->setCurrentIndex(2);
        QVERIFY(!page.tableWidget_data->isColumnHidden(3));
        Language::instance().set(QStringLiteral("en")); // the page follows by itself
        QCOMPARE(page.comboBox_layerDisplay->currentText(), QStringLiteral("1"));
        QVERIFY(page.tableWidget_data->isColumnHidden(2));
        QVERIFY(page.tableWidget_data->isColumnHidden(6));
        QCOMPARE(header(rig.table(), 0), QStringLiteral("Test Name"));
    }

    // Delete, rename and clear come back with Ctrl+Z, in order, around rows that arrive
    // meanwhile; a change that shifts rows outside the edits forgets the history.
    void editsAreUndoneAroundNewRows()
    {
        write("unitno", "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n");
        PageRig rig(dir.path());
        FirstPage &page = rig.page;
        RecordsModel &model = rig.rig.model;
        rig.rig.session.setTableLayout(2);
        rig.rig.session.setUnitNumbers({0, 0, 0, 0, 0, 0});
        rig.rig.session.buildHeaders();
        GaugeRecord pushed;
        pushed.name = QStringLiteral("P");
        pushed.setValue(0, 9.0f, true);
        for (int i = 0; i < 4; ++i)
            addMultiLayerRow(model, QStringLiteral("N%1").arg(i), {1.0f + i, 2, 3, 4, 5, 6});
        const QStringList row1 = rowTexts(model, 1);
        auto names = [&model] {
            QStringList out;
            for (int r = 0; r < model.rowCount(); ++r)
                out << model.name(r);
            return out;
        };
        auto ctrlZ = [&page] { QTest::keyClick(&page, Qt::Key_Z, Qt::ControlModifier); };
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QVERIFY(!page.pushButton_undo->isEnabled());

        page.recordsTable()->deleteRowAt(page.tableWidget_data->visualRect(model.index(1, 1)).center());
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("renamed")));
        model.append(QVector<GaugeRecord>{pushed}, RecordOrigin::Pushed, 42);
        QCOMPARE(names(), (QStringList{"N0", "N2", "renamed", "P"}));
        QVERIFY(page.pushButton_undo->isEnabled());
        // The button names the next undo in the language in use, also one chosen after the edit.
        const QString language = Language::instance().code();
        Language::instance().set(QStringLiteral("en"));
        QCOMPARE(page.pushButton_undo->toolTip(), QStringLiteral("Undo rename \"renamed\""));
        Language::instance().set(QStringLiteral("zh"));
        QCOMPARE(page.pushButton_undo->toolTip(), QStringLiteral("撤销重命名\"renamed\""));

        ctrlZ();
        QCOMPARE(names(), (QStringList{"N0", "N2", "N3", "P"}));
        QCOMPARE(page.pushButton_undo->toolTip(), QStringLiteral("撤销删除第2行"));
        Language::instance().set(QStringLiteral("en"));
        QCOMPARE(page.pushButton_undo->toolTip(), QStringLiteral("Undo delete row 2"));
        Language::instance().set(language);
        page.pushButton_undo->click();
        QCOMPARE(names(), (QStringList{"N0", "N1", "N2", "N3", "P"}));
        QCOMPARE(rowTexts(model, 1), row1);
        QCOMPARE(model.record(4).origin, RecordOrigin::Pushed);
        QCOMPARE(model.record(4).arrivedMs, 42);
        QVERIFY(model.isOutOfRange(4, 0));
        QVERIFY(!page.pushButton_undo->isEnabled());

        // Redo, then clear (answered Yes), a new row, and the clear undone: old rows in front.
        QTest::keyClick(&page, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(names(), (QStringList{"N0", "N2", "N3", "P"}));
        ScriptedInteraction dialogs;
        dialogs.answerQuestions({true});
        page.pushButton_clearData->click();
        QCOMPARE(model.rowCount(), 0);
        addMultiLayerRow(model, QStringLiteral("after"), {7, 7, 7, 7, 7, 7});
        ctrlZ();
        QCOMPARE(names(), (QStringList{"N0", "N2", "N3", "P", "after"}));
        QCOMPARE(model.record(3).origin, RecordOrigin::Pushed);

        // Rows removed by someone else (an export) make the history meaningless.
        page.recordsTable()->deleteRowAt(page.tableWidget_data->visualRect(model.index(0, 1)).center());
        model.removeRows(0, 2);
        QVERIFY(!page.pushButton_undo->isEnabled());
        ctrlZ();
        QCOMPARE(names(), (QStringList{"P", "after"}));

        // The statistics name the row of the minimum (P's reading is out of range) as it is
        // called now.
        auto *figures = page.statisticsPanel()->findChild<QTableWidget *>(QStringLiteral("statisticsTable"));
        QVERIFY(figures);
        QTRY_VERIFY(figures->rowCount() > 0 && figures->item(0, 2));
        QVERIFY2(figures->item(0, 2)->text().contains(QLatin1String("after")), qPrintable(figures->item(0, 2)->text()));
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("new name")));
        QVERIFY2(figures->item(0, 2)->text().contains(QLatin1String("new name")), qPrintable(figures->item(0, 2)->text()));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // An export removes the rows it wrote and only those: a row deleted, or put back by an
    // undo, while it runs leaves the table and the survey file alone; a row put back at the
    // end stays behind the written ones.
    void exportRemovesOnlyTheRowsItWrote()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("export-edits.sqlite"))));
        ScriptedInteraction dialogs;
        auto gauge = multiLayerGauge();
        for (int i = 0; i < 4; ++i)
            gauge->addMultiLayerRecord(QByteArray("N") + QByteArray::number(i), std::array<float, 3>{1.0f + i, 2, 3},
                                       std::array<float, 3>{5900, 5901, 5902});
        replug(backend, rig, gauge);
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), 4);
        RecordEdits &edits = rig.session.edits();
        auto names = [&rig] {
            QStringList out;
            for (int r = 0; r < rig.model.rowCount(); ++r)
                out << rig.model.name(r);
            return out;
        };
        auto shownInFile = [&store] {
            StoredTable stored;
            store.loadLeftover(stored);
            QStringList out;
            for (const Record &r : std::as_const(stored.records))
                out << r.name;
            return out;
        };
        // `edit` runs while the rows are being written.
        auto exportWhile = [&](const std::function<void()> &edit) {
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("export-edits.xls"))});
            dialogs.whileShown = [&](const ScriptedInteraction::Shown &shown) {
                if (shown.kind == Kind::Progress)
                    edit();
            };
            const bool written = rig.session.exportRecords();
            dialogs.whileShown = nullptr;
            return written;
        };
        const QStringList all{"N0", "N1", "N2", "N3"};

        // Deleted while written: the file holds a row the table no longer has in its place.
        QVERIFY(exportWhile([&] { QVERIFY(edits.deleteRows(1)); }));
        QCOMPARE(rig.writer.tables.last().rows.size(), 4);
        QCOMPARE(names(), (QStringList{"N0", "N2", "N3"}));
        QCOMPARE(shownInFile(), names());
        edits.undo();
        QCOMPARE(names(), all);

        // A row deleted before and put back in the middle while written.
        QVERIFY(edits.deleteRows(1));
        QVERIFY(exportWhile([&] { edits.undo(); }));
        QCOMPARE(rig.writer.tables.last().rows.size(), 3);
        QCOMPARE(names(), all);
        QCOMPARE(shownInFile(), all);

        // The last row deleted before and put back at the end: it was not written and stays.
        QVERIFY(edits.deleteRows(3));
        QVERIFY(exportWhile([&] { edits.undo(); }));
        QCOMPARE(names(), QStringList{"N3"});
        QCOMPARE(shownInFile(), QStringList{"N3"});
        QCOMPARE(dialogs.texts(Kind::Information).size(), 3);
        QCOMPARE(dialogs.unexpected, 0);
    }

    // The history's read-only preview (a gauge is connected) shows only the session selected:
    // selecting another, or deleting it, does not leave the old rows under its name.
    void historyPreviewFollowsTheSelection()
    {
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("history-preview.sqlite"))));
        ScriptedInteraction dialogs;
        for (const char *serial : {"501", "502"}) {
            auto gauge = singleLayerGauge(QString::fromLatin1(serial));
            replug(backend, rig, gauge);
            gauge->pushSingleLayer(5900.0f, 1.25f);
            QTRY_COMPARE(rig.model.rowCount(), 1);
            dialogs.answerFileDialogs({dir.filePath(QStringLiteral("history-preview.xls"))});
            QVERIFY(rig.session.exportRecords());
        }
        // The gauge connected now has a session of its own, which is not deleted.
        auto current = singleLayerGauge(QStringLiteral("503"));
        replug(backend, rig, current);
        current->pushSingleLayer(5900.0f, 1.5f);
        QTRY_COMPARE(rig.model.rowCount(), 1);
        HistoryDialog history(rig.session);
        QCOMPARE(history.visibleSessions().size(), 3);
        QVector<qint64> sessions(3); // by serial: 503, 502, 501
        for (const SurveySummary &s : store.history())
            sessions[503 - s.info.serial.toInt()] = s.id;

        history.selectSessions({sessions[2]});
        QVERIFY(history.openSelected());
        QVERIFY(!history.previewView->isHidden());
        QCOMPARE(history.previewedSession(), sessions[2]);

        history.selectSessions({sessions[1]});
        QVERIFY(history.previewView->isHidden());
        QVERIFY(history.note->isHidden());
        QCOMPARE(history.preview().rowCount(), 0);
        dialogs.answerQuestions({true});
        QVERIFY(history.deleteSelected());
        QVERIFY(history.previewView->isHidden());
        QCOMPARE(history.visibleSessions(), (QVector<qint64>{sessions[0], sessions[2]}));
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(RecordsPageTest)
#include "test_records_page.moc"
