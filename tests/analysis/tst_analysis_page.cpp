// The records page's judgement as a user meets it: limits entered (refused with a reason, or
// accepted and painted on the cells), the statistics panel, the charts following new rows,
// the selection, a chart point selecting its row, saving a chart, and a table without any
// numeric reading.
#include "../app/GaugeFixture.h"
#include "interaction/Language.h"
#include "analysis/LimitsStore.h"
#include "analysis/ReadingsAnalysis.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/ChartsPanel.h"
#include "recordspage/LimitsEditor.h"
#include "recordspage/StatisticsPanel.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <cmath>

using namespace GaugeFixture;

namespace {

void addRow(RecordsModel &model, double thickness)
{
    GaugeRecord r;
    const bool out = std::isnan(thickness);
    r.setValue(0, out ? 0.1f : float(thickness), out);
    r.setValue(1, 5920.0f, false);
    model.append(QVector<GaugeRecord>{r}, RecordOrigin::Pushed, 0);
}

QString figure(const StatisticsPanel &panel, int line, StatisticsPanel::Figure f)
{
    return panel.table()->item(line, f)->text();
}

struct Page
{
    EmulatorBackend backend;
    SessionRig rig{backend};
    QTemporaryDir dir;
    SettingsLimitsStore store{dir.filePath(QStringLiteral("limits.ini"))};
    FirstPage page{rig.session};

    Page()
    {
        page.setLimitsStore(&store);
        Language::instance().set(QStringLiteral("en"));
        rig.model.setColumns(1, {2, 0}, shippedConfig().unitTable); // mm (2 decimals), m/s
        page.resize(1300, 800);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
    }
};

} // namespace

class TestAnalysisPage : public QObject
{
    Q_OBJECT

private slots:
    void limitsStatisticsAndChartsFollowTheTable()
    {
        ScriptedInteraction script;
        Page p;
        RecordsModel &model = p.rig.model;
        for (double v : {4.0, 5.5, double(NAN), 6.2, 3.1})
            addRow(model, v);
        StatisticsPanel &stats = *p.page.statisticsPanel();
        QCOMPARE(figure(stats, 0, StatisticsPanel::Count), QStringLiteral("4"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::OutOfRange), QStringLiteral("1"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Minimum), QStringLiteral("3.10 (row 5)"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Mean), QStringLiteral("4.70"));
        QVERIFY(stats.table()->isColumnHidden(StatisticsPanel::Red)); // no limits yet

        // Nonsense limits are refused at entry, with the reason beside the fields.
        LimitsEditor &editor = *p.page.limitsEditor();
        editor.nominalField()->setText(QStringLiteral("5"));
        editor.minimumField()->setText(QStringLiteral("6"));
        QVERIFY(!editor.apply());
        QVERIFY(!p.page.analysis().limits());
        QCOMPARE(editor.message()->text(), QStringLiteral("The minimum thickness is above the nominal thickness."));
        Language::instance().set(QStringLiteral("zh"));
        QCOMPARE(editor.message()->text(), QStringLiteral("最小厚度大于公称厚度。"));
        Language::instance().set(QStringLiteral("en"));

        editor.nominalField()->setText(QStringLiteral("6"));
        editor.minimumField()->setText(QStringLiteral("4"));
        editor.toleranceField()->setText(QStringLiteral("0.5"));
        editor.maximumField()->setText(QStringLiteral("6.1"));
        QVERIFY(editor.apply());
        QVERIFY(editor.message()->text().isEmpty());
        QCOMPARE(p.page.analysis().limits()->unit, QStringLiteral("mm"));
        // 3.1 red, 4.0 amber (at the minimum), 5.5 normal (at nominal - tolerance), 6.2 blue.
        QCOMPARE(figure(stats, 0, StatisticsPanel::Red), QStringLiteral("1"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Amber), QStringLiteral("1"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Normal), QStringLiteral("1"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Blue), QStringLiteral("1"));
        QCOMPARE(figure(stats, 1, StatisticsPanel::Red), QStringLiteral("—")); // velocity: not judged

        // The cells are painted in their band's colour (left edge of the cell, clear of the text).
        QTableView *view = p.page.tableWidget_data;
        view->scrollToTop();
        QTest::qWait(50);
        const QImage shot = view->viewport()->grab().toImage();
        auto colourAt = [&](int row) {
            const QRect cell = view->visualRect(model.index(row, 1));
            return shot.pixelColor(cell.left() + 4, cell.center().y());
        };
        QCOMPARE(colourAt(4), BandDelegate::background(Band::Red));
        QCOMPARE(colourAt(0), BandDelegate::background(Band::Amber));
        QCOMPARE(colourAt(3), BandDelegate::background(Band::Blue));
        QVERIFY(colourAt(1) != BandDelegate::background(Band::Red) && colourAt(1) != BandDelegate::background(Band::Amber));

        // A pushed reading: figures and run chart follow at once.
        ChartsPanel &charts = *p.page.chartsPanel();
        addRow(model, 2.0);
        QCOMPARE(figure(stats, 0, StatisticsPanel::Count), QStringLiteral("5"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Minimum), QStringLiteral("2.00 (row 6)"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Red), QStringLiteral("2"));
        QCOMPARE(charts.runSeries()->points().last(), QPointF(6, 2.0));
        QVERIFY(charts.runHint()->isHidden());
        QCOMPARE(charts.rowNear(5.9), 5);
        QVERIFY(charts.describeRow(5).contains(QStringLiteral("2.00 mm")));
        // Hovering the point shows it (the thin line itself is not what must be hit).
        QChartView *run = charts.runView();
        const QPoint onPoint = run->mapFromScene(
            run->chart()->mapToScene(run->chart()->mapToPosition(QPointF(6, 2.0), charts.runSeries())));
        QTest::mouseMove(run->viewport(), onPoint + QPoint(3, 3));
        QTRY_COMPARE(QToolTip::text(), charts.describeRow(5));

        // A selection narrows the figures; a chart point selects its row.
        view->selectRow(1);
        QCOMPARE(figure(stats, 0, StatisticsPanel::Count), QStringLiteral("1"));
        QVERIFY(stats.title()->text().contains(QStringLiteral("selected")));
        emit charts.rowActivated(3);
        QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), 3);
        QCOMPARE(figure(stats, 0, StatisticsPanel::Mean), QStringLiteral("6.20"));
        stats.allRowsButton()->click();
        QCOMPARE(figure(stats, 0, StatisticsPanel::Count), QStringLiteral("5"));

        // Deleting the thinnest reading moves the minimum.
        model.removeRows(5, 1);
        QCOMPARE(figure(stats, 0, StatisticsPanel::Minimum), QStringLiteral("3.10 (row 5)"));

        // Saving a chart: the chosen file is a PNG image.
        const QString png = p.dir.filePath(QStringLiteral("run.png"));
        script.answerFileDialogs({png});
        charts.findChild<QPushButton *>(QStringLiteral("saveRunChart"))->click();
        QImage saved(png, "PNG");
        QVERIFY(!saved.isNull());
        QVERIFY(saved.width() > 100);
        // A name typed without a suffix gets ".png".
        script.answerFileDialogs({p.dir.filePath(QStringLiteral("histogram"))});
        charts.findChild<QPushButton *>(QStringLiteral("saveHistogram"))->click();
        QVERIFY(!QImage(p.dir.filePath(QStringLiteral("histogram.png")), "PNG").isNull());

        p.page.chartsToggle()->click();
        QVERIFY(charts.isHidden());
    }

    // Only out-of-range readings: empty charts with a hint, dashes in the figures.
    void noNumericReadingGivesEmptyChartsAndAHint()
    {
        Page p;
        addRow(p.rig.model, NAN);
        addRow(p.rig.model, NAN);
        ChartsPanel &charts = *p.page.chartsPanel();
        QVERIFY(charts.runSeries()->points().isEmpty());
        QVERIFY(charts.histogramOutline()->points().isEmpty());
        QVERIFY(charts.runHint()->isVisible());
        QVERIFY(charts.histogramHint()->isVisible());
        StatisticsPanel &stats = *p.page.statisticsPanel();
        QCOMPARE(figure(stats, 0, StatisticsPanel::Count), QStringLiteral("0"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::OutOfRange), QStringLiteral("2"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Mean), QStringLiteral("—"));
        QCOMPARE(figure(stats, 0, StatisticsPanel::Deviation), QStringLiteral("—"));
    }
};

QTEST_MAIN(TestAnalysisPage)
#include "tst_analysis_page.moc"
