// Comparing past surveys from the records page: History, several sessions selected with the
// mouse, Compare, the comparison window's rows and inputs, and its export read back.
#include "GaugeFixture.h"
#include "interaction/Language.h"
#include "ScriptedInteraction.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/ComparisonDialog.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/ReportDialog.h"
#include "recordspage/SurveyLimitsStore.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;

namespace {

qint64 noonUtc(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
}

// A single-layer session of a gauge (777 unless said) with these thicknesses (mm), records 1, 2, ...
void addSurvey(SurveyStore &store, qint64 startedMs, const QVector<float> &thickness,
               const QString &serial = QStringLiteral("777"))
{
    SurveyInfo info;
    info.serial = serial;
    info.firmware = QStringLiteral("1.10");
    info.meterType = 1;
    info.layout = 1;
    info.unitNumbers = {2, 0};
    info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
    info.decimals = {2, 0};
    QVERIFY(store.beginSession(info, startedMs) > 0);
    QVector<float> values;
    for (float t : thickness)
        values << t << 5900.0f;
    const QVector<quint8> flags(thickness.size(), 0);
    QVERIFY(store.addRows(int(thickness.size()), 2, values.constData(), flags.constData(), nullptr,
                          RecordOrigin::Memory, startedMs)
                .front()
            != 0);
    store.endSession(startedMs + 3600000);
}

// RFC 4180 fields, as a spreadsheet reads the file.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row << field;
            field.clear();
            rows << row;
            row.clear();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

QStringList column(const QTableWidget *table, int c)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << (table->item(r, c) ? table->item(r, c)->text() : QStringLiteral("<none>"));
    return out;
}

int headerColumn(const QTableWidget *table, const QString &start)
{
    for (int c = 0; c < table->columnCount(); ++c)
        if (table->horizontalHeaderItem(c)->text().replace(QLatin1Char('\n'), QLatin1Char(' ')).startsWith(start))
            return c;
    return -1;
}

QColor background(const QTableWidget *table, int row, int c)
{
    return table->item(row, c)->background().color();
}

} // namespace

class CompareSurveysTest : public QObject
{
    Q_OBJECT

private slots:
    void compareFromHistoryAndExport()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        const QString path = dir.filePath(QStringLiteral("s.sqlite"));
        {
            // Record 2 grows (scatter), record 4 falls under the minimum, record 5 is missing
            // from the middle survey.
            SurveyStore writer;
            QVERIFY(writer.open(path));
            addSurvey(writer, noonUtc(2019, 6, 1), {10.00f, 8.00f, 6.00f, 5.60f, 7.00f});
            addSurvey(writer, noonUtc(2021, 6, 1), {9.60f, 8.10f, 5.80f, 5.30f});
            addSurvey(writer, noonUtc(2024, 6, 1), {9.00f, 8.30f, 5.40f, 4.80f, 6.50f});
            Limits limits;
            limits.nominal = 10.0;
            limits.minimum = 5.0;
            limits.tolerance = 0.5;
            limits.unit = QStringLiteral("mm");
            QVERIFY(writer.saveLimits(QStringLiteral("777"), SurveyLimitsStore::encode(limits)));
        }

        EmulatorBackend backend; // no gauge
        SurveyStore store;
        SessionRig rig(backend);
        ScriptedInteraction dialogs;
        Language::instance().set(QStringLiteral("en"));
        QVERIFY(rig.session.openStore(store, path));
        FirstPage page(rig.session);
        page.show();

        const QString csvBase = dir.filePath(QStringLiteral("comparison"));
        bool drove = false;
        QTimer::singleShot(0, &page, [&] {
            auto *history = qobject_cast<HistoryDialog *>(QApplication::activeModalWidget());
            // Whatever happens below, the history closes and the test goes on.
            struct Closer
            {
                HistoryDialog *history;
                ~Closer()
                {
                    if (history)
                        history->reject();
                }
            } closer{history};
            QVERIFY(history);
            QTableWidget *sessions = history->sessions;
            QCOMPARE(sessions->rowCount(), 3);

            // Click the first session, Ctrl+click the two others.
            auto click = [sessions](int row, Qt::KeyboardModifiers modifiers) {
                const QRect cell = sessions->visualRect(sessions->model()->index(row, 1));
                QTest::mouseClick(sessions->viewport(), Qt::LeftButton, modifiers, cell.center());
            };
            click(0, Qt::NoModifier);
            QVERIFY(history->openButton->isEnabled());
            QVERIFY(!history->compareButton->isEnabled());
            click(1, Qt::ControlModifier);
            click(2, Qt::ControlModifier);
            QCOMPARE(history->selectedSessions().size(), 3);
            QVERIFY(!history->openButton->isEnabled());
            QVERIFY(history->compareButton->isEnabled());
            QTest::mouseClick(history->compareButton, Qt::LeftButton);

            ComparisonDialog *window = history->comparison();
            QVERIFY(window);
            QVERIFY(window->isVisible());
            QVERIFY(window->error().isEmpty());
            QVERIFY(window->locationNote->isVisible());
            QVERIFY(window->locationNote->text().contains(QStringLiteral("record numbers")));
            QVERIFY(!window->layer->isVisible()); // single layer: nothing to choose
            // The gauge's limits give the minimum.
            QCOMPARE(window->minimum->text(), QStringLiteral("5"));

            const QTableWidget *rows = window->rows;
            // Location, three surveys (oldest first), wall loss, three rates, life, next, note.
            QCOMPARE(rows->columnCount(), 11);
            QVERIFY(rows->horizontalHeaderItem(1)->text().contains(QStringLiteral("2019-06-01")));
            QVERIFY(rows->horizontalHeaderItem(3)->text().contains(QStringLiteral("2024-06-01")));
            const int life = headerColumn(rows, QStringLiteral("Remaining life"));
            const int governing = headerColumn(rows, QStringLiteral("Governing rate"));
            const int note = rows->columnCount() - 1;
            QVERIFY(life > 0 && governing > 0);

            // Shortest life first: 4.80 is under 5; record 3 loses 0.4 mm in 3 years and
            // has 0.4 mm left; record 5 0.5 in 5 (1.5 left), record 1 0.6 in 3 (4 left);
            // record 2 grew.
            QCOMPARE(column(rows, 0), (QStringList{"4", "3", "5", "1", "2"}));
            QCOMPARE(column(rows, life), (QStringList{"0.0", "3.0", "15.0", "20.0", "no wear"}));
            QCOMPARE(rows->item(3, governing)->text(), QStringLiteral("0.200"));

            // Under the minimum red, less life than the 5-year interval amber, the rest plain.
            for (int c = 0; c < rows->columnCount(); ++c) {
                QCOMPARE(background(rows, 0, c), BandDelegate::background(Band::Red));
                QCOMPARE(background(rows, 1, c), BandDelegate::background(Band::Amber));
                QCOMPARE(rows->item(2, c)->background().style(), Qt::NoBrush);
            }
            // Thicker than before: its rates shown as zero with the mark, and no other's.
            for (int c = governing - 2; c <= governing; ++c) {
                QCOMPARE(rows->item(4, c)->text(), QStringLiteral("0.000 \u2191"));
                QVERIFY(!rows->item(3, c)->text().contains(QStringLiteral("\u2191")));
            }
            QVERIFY(rows->item(4, note)->text().contains(QStringLiteral("Thicker")));
            // Record 5 has a gap in the middle survey, and says so.
            QCOMPARE(rows->item(2, 2)->text(), QString());
            QVERIFY(rows->item(2, note)->text().contains(QStringLiteral("No reading in 1 of the surveys")));

            // The inputs compare again: a 2-year interval leaves record 3 (3 years) plain,
            // no minimum leaves no life at all.
            window->interval->setValue(2.0);
            QCOMPARE(column(rows, 0).first(), QStringLiteral("4"));
            QCOMPARE(rows->item(1, 0)->background().style(), Qt::NoBrush);
            window->minimum->clear();
            QCOMPARE(column(rows, life), (QStringList{"", "", "", "", ""}));
            QCOMPARE(rows->item(0, 0)->background().style(), Qt::NoBrush);
            QTest::keyClicks(window->minimum, QStringLiteral("5"));
            window->interval->setValue(5.0);
            QCOMPARE(column(rows, life), (QStringList{"0.0", "3.0", "15.0", "20.0", "no wear"}));

            // Export: .xlsx and .csv are offered; CSV picked, the suffix comes from the type.
            dialogs.answerFileDialogs({csvBase});
            dialogs.answerFileTypes({QStringLiteral("CSV(*.csv)")});
            QTest::mouseClick(window->exportButton, Qt::LeftButton);
            QCOMPARE(dialogs.texts(Kind::SaveFile).size(), 1);
            QString offered;
            for (const ScriptedInteraction::Shown &shown : std::as_const(dialogs.shown))
                if (shown.kind == Kind::SaveFile)
                    offered = shown.extra;
            QVERIFY2(offered.contains(QStringLiteral("*.xlsx")) && offered.contains(QStringLiteral("*.csv"))
                         && !offered.contains(QStringLiteral("*.xls)")),
                     qPrintable(offered));
            QCOMPARE(dialogs.texts(Kind::Information), QStringList{QStringLiteral("Exporting data success!")});
            QFile file(csvBase + QStringLiteral(".csv"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QStringList> csv = parseCsv(QString::fromUtf8(file.readAll()));
            QCOMPARE(csv.size(), 6);
            const int csvLife = int(csv[0].indexOf(QStringLiteral("Remaining life (years)")));
            QVERIFY2(csvLife > 0, qPrintable(csv[0].join(QLatin1Char('|'))));
            QStringList locations, lives;
            for (int r = 1; r < csv.size(); ++r) {
                locations << csv[r].value(0);
                lives << csv[r].value(csvLife);
            }
            QCOMPARE(locations, (QStringList{"4", "3", "5", "1", "2"}));
            QCOMPARE(lives, (QStringList{"0.0", "3.0", "15.0", "20.0", "no wear"}));
            QCOMPARE(csv[3].value(2), QStringLiteral("")); // record 5's gap
            QCOMPARE(csv[1].value(3), QStringLiteral("4.80"));

            // Report: the remembered fields' dialog, then the PDF with the comparison section.
            QTimer::singleShot(0, window, [] {
                if (auto *fields = qobject_cast<ReportDialog *>(QApplication::activeModalWidget())) {
                    fields->findChild<QLineEdit *>(QStringLiteral("company"))->setText(QStringLiteral("Acme Pipes"));
                    fields->accept();
                }
            });
            const QString pdf = dir.filePath(QStringLiteral("comparison.pdf"));
            dialogs.answerFileDialogs({pdf});
            QTest::mouseClick(window->reportButton, Qt::LeftButton);
            QVERIFY(QFile::exists(pdf));
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            QVERIFY(text.waitForFinished(30000));
            const QString report = QString::fromUtf8(text.readAllStandardOutput());
            for (const QString &expected :
                 {QStringLiteral("Acme Pipes"), QStringLiteral("Surveys of 2019-06-01, 2021-06-01, 2024-06-01 compared"),
                  QStringLiteral("Minimum thickness 5 mm; inspection interval 5 years."),
                  QStringLiteral("record numbers"), QStringLiteral("no wear"), QStringLiteral("4.80")})
                QVERIFY2(report.contains(expected), qPrintable(expected + QStringLiteral(" in:\n") + report));
            QCOMPARE(dialogs.texts(Kind::Information).size(), 2); // the export's, the report's
            QVERIFY(dialogs.texts(Kind::Information).last().contains(QStringLiteral("comparison.pdf")));

            QTest::mouseClick(window->closeButton, Qt::LeftButton);
            QTRY_VERIFY(!history->comparison()); // closed and gone
            drove = true;
        });
        QTest::mouseClick(page.pushButton_history, Qt::LeftButton);
        QVERIFY(drove);
        QCOMPARE(dialogs.unexpected, 0);
        // The comparison changed nothing in the file.
        QCOMPARE(store.history().size(), 3);
    }

    // Surveys of two gauges: the window asks first (No compares nothing), and the comparison
    // then names both gauges.
    void differentGaugesAreAskedAbout()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("s.sqlite"));
        {
            SurveyStore writer;
            QVERIFY(writer.open(path));
            addSurvey(writer, noonUtc(2020, 6, 1), {10.00f, 8.00f});
            addSurvey(writer, noonUtc(2022, 6, 1), {9.80f, 7.90f}, QStringLiteral("888"));
        }
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        ScriptedInteraction dialogs;
        Language::instance().set(QStringLiteral("en"));
        QVERIFY(rig.session.openStore(store, path));
        HistoryDialog history(rig.session);
        history.selectSessions(history.visibleSessions());
        dialogs.answerQuestions({false, true});
        QVERIFY(!history.compareSelected());
        QCOMPARE(dialogs.texts(Kind::Question).size(), 1);
        QVERIFY2(dialogs.texts(Kind::Question)[0].contains(QStringLiteral("different gauges (888, 777)")),
                 qPrintable(dialogs.texts(Kind::Question)[0]));
        ComparisonDialog *window = history.compareSelected();
        QVERIFY(window);
        QCOMPARE(window->comparison().gauges, (QStringList{"777", "888"}));
        QVERIFY2(window->notes->text().contains(QStringLiteral("2 gauges: gauge 777 (2020-06-01); gauge 888 (2022-06-01)")),
                 qPrintable(window->notes->text()));
        QCOMPARE(window->table().facts.serial, QStringLiteral("777, 888"));
        window->close();
        QCOMPARE(dialogs.unexpected, 0);
    }

    // A multi-layer comparison takes the minimum set for the layer compared, and follows
    // the layer chooser until the user types a minimum of their own.
    void theMinimumIsTheComparedLayers()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("m.sqlite"));
        {
            SurveyStore writer;
            QVERIFY(writer.open(path));
            SurveyInfo info;
            info.serial = QStringLiteral("31337");
            info.layout = 2;
            info.unitNumbers = {0, 0, 0, 1, 1, 1};
            info.unitNames = {QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("mm"),
                              QStringLiteral("m/s"), QStringLiteral("m/s"), QStringLiteral("m/s")};
            info.decimals = {2, 2, 2, 0, 0, 0};
            const float values[] = {9, 6, 3, 5900, 5900, 5900};
            const quint8 flags[] = {0};
            const QString names[] = {QStringLiteral("P1")};
            for (int year : {2020, 2023}) {
                QVERIFY(writer.beginSession(info, noonUtc(year, 6, 1)) > 0);
                QVERIFY(writer.addRows(1, 6, values, flags, names, RecordOrigin::Pushed, noonUtc(year, 6, 1)).front() != 0);
                writer.endSession(noonUtc(year, 6, 1) + 1000);
            }
            LayerLimits limits;
            for (int l = 0; l < LayerCount; ++l) {
                Limits layer;
                layer.minimum = 4.0 - l; // 4, 3, 2
                layer.nominal = 10.0;
                layer.unit = QStringLiteral("mm");
                limits[size_t(l)] = layer;
            }
            QVERIFY(writer.saveLimits(QStringLiteral("31337"), SurveyLimitsStore::encode(limits)));
        }
        EmulatorBackend backend;
        SurveyStore store;
        SessionRig rig(backend);
        ScriptedInteraction dialogs;
        Language::instance().set(QStringLiteral("en"));
        QVERIFY(rig.session.openStore(store, path));
        SettingsLimitsStore fallback(dir.filePath(QStringLiteral("limits.ini")));
        SurveyLimitsStore limits(store, fallback);
        HistoryDialog history(rig.session);
        history.setLimitsStore(&limits);
        history.selectSessions(history.visibleSessions());
        ComparisonDialog *window = history.compareSelected();
        QVERIFY(window);
        QCOMPARE(window->minimum->text(), QStringLiteral("4"));
        window->layer->setCurrentIndex(1);
        QTRY_COMPARE(window->minimum->text(), QStringLiteral("3"));
        window->minimum->setText(QStringLiteral("2.5"));
        window->layer->setCurrentIndex(2);
        QTest::qWait(50);
        QCOMPARE(window->minimum->text(), QStringLiteral("2.5"));
        window->close();
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(CompareSurveysTest)
#include "test_compare_surveys.moc"
