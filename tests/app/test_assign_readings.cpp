// Readings of the window's table assigned to CMLs and seen in the Assets view: by route with a
// stop left out, rows moved by hand, and the assignments taken back one by one.
#include "GaugeFixture.h"
#include "ScriptedInteraction.h"
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlHistoryModel.h"
#include "assetspage/CmlPicker.h"
#include "assetspage/CmlSummaryModel.h"
#include "assetspage/RoutePicker.h"
#include "recordspage/RecordsTable.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

using namespace GaugeFixture;
using Kind = ScriptedInteraction::Kind;

namespace {

// A CML's history as the Assets view's model holds it: (key, first thickness) per row.
QList<QPair<qint64, double>> shownHistory(GaugeSession &session, qint64 asset, qint64 cml)
{
    AssetsDialog view(session.store(), session.config().unitTable, session.interaction());
    QList<QPair<qint64, double>> out;
    if (!view.selectAsset(asset) || !view.selectCml(cml))
        return {{-1, -1.0}};
    const CmlHistoryModel *history = view.historyModel();
    for (int r = 0; r < history->rowCount(); ++r) {
        const QModelIndex at = history->index(r, 0);
        out.append({at.data(CmlHistoryModel::KeyRole).toLongLong(), at.data(CmlHistoryModel::ValueRole).toDouble()});
    }
    // The CML's line above the history counts the same readings and shows the newest one (of
    // readings that arrived together, any), with the table's two decimals.
    const CmlSummaryModel *cmls = view.cmlModel();
    const int row = cmls->rowOf(cml);
    if (cmls->index(row, CmlSummaryModel::Readings).data().toLongLong() != out.size())
        return {{-2, -2.0}};
    QStringList newest;
    for (const PlaceReading &r : history->readings())
        if (r.dateMs == history->readings().last().dateMs)
            newest << QString::number(double(r.values[0]), 'f', 2);
    const QString last = cmls->index(row, CmlSummaryModel::Last).data().toString();
    if (out.isEmpty() ? !last.isEmpty() : !newest.contains(last))
        return {{-3, -3.0}};
    return out;
}

} // namespace

class AssignReadingsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void routeThenByHandThenUndone()
    {
        EmulatorBackend backend;
        SurveyStore store;
        ScriptedInteraction dialogs;
        WindowRig rig(backend);
        QVERIFY(rig.session.openStore(store, dir.filePath(QStringLiteral("assign.sqlite"))));
        auto gauge = singleLayerGauge();
        const QVector<float> thickness{4.87f, 5.12f, 6.03f, 7.5f, 3.96f};
        for (float t : thickness)
            gauge->addSingleLayerRecord(5920.0f, t);
        backend.plug(gauge);
        QTRY_COMPARE(rig.session.gaugeSerial(), QStringLiteral("777"));
        rig.session.readRecords();
        QCOMPARE(rig.model.rowCount(), 5);
        const std::vector<qint64> keys = rig.model.keys(0, 5);
        QVERIFY(keys.front() != 0);
        FirstPage *page = rig.page();
        const qint64 survey = page->tableSurvey();
        QCOMPARE(survey, keys.front() >> 32);

        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("North"));
        const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
        const qint64 pipe = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("P-101"));
        QVERIFY(site && unit && pipe);
        QVector<qint64> cml;
        for (const char *tag : {"A", "B", "C", "D"}) {
            Cml c;
            c.asset = pipe;
            c.tag = QString::fromLatin1(tag);
            c.nominal = 8.0;
            cml << places.addCml(c);
            QVERIFY(cml.last() != 0);
        }
        const qint64 route = places.addRoute(QStringLiteral("Walk"), cml);
        QVERIFY(route != 0);
        const qint64 a = cml[0], b = cml[1], c = cml[2], d = cml[3];
        using History = QList<QPair<qint64, double>>;
        auto reading = [&](int row) { return qMakePair(keys[size_t(row)], double(thickness[row])); };
        auto check = [&](const History &ofA, const History &ofB, const History &ofC, const History &ofD) {
            QCOMPARE(shownHistory(rig.session, pipe, a), ofA);
            QCOMPARE(shownHistory(rig.session, pipe, b), ofB);
            QCOMPARE(shownHistory(rig.session, pipe, c), ofC);
            QCOMPARE(shownHistory(rig.session, pipe, d), ofD);
        };

        // By route, B left out: the readings go to A, C, D in order, the last two to none.
        dialogs.answerDialogs({[&](QDialog *dialog) {
            auto *picker = qobject_cast<RoutePicker *>(dialog);
            return picker && picker->setRoute(route) && picker->setLeftOut(b, true);
        }});
        page->action_assignByRoute->trigger();
        QCOMPARE(places.marks(survey).value(b), StopMark::Skipped);
        QVERIFY2(page->label_status->text().contains(QLatin1Char('3')), qPrintable(page->label_status->text()));
        check({reading(0)}, {}, {reading(1)}, {reading(2)});

        // The last two rows by hand to B, chosen in the picker; the rows selected as a person would.
        page->tableWidget_data->selectRow(3);
        page->tableWidget_data->selectionModel()->select(
            rig.model.index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(page->recordsTable()->selectedKeys(), (std::vector<qint64>{keys[3], keys[4]}));
        dialogs.answerDialogs({[&](QDialog *dialog) {
            auto *picker = qobject_cast<CmlPicker *>(dialog);
            return picker && picker->choose(pipe, b);
        }});
        page->action_assignTo->trigger();
        QVERIFY2(page->label_status->text().contains(QStringLiteral("North/U1/P-101/B")),
                 qPrintable(page->label_status->text()));
        check({reading(0)}, {reading(3), reading(4)}, {reading(1)}, {reading(2)});

        // Undone newest first: the move (both readings at once), then the route's assignment.
        page->action_undoAssignment->trigger();
        check({reading(0)}, {}, {reading(1)}, {reading(2)});
        page->action_undoAssignment->trigger();
        check({}, {}, {}, {});
        const QString nothingLeft = page->label_status->text();
        page->action_undoAssignment->trigger();
        QVERIFY(page->label_status->text() != nothingLeft); // nothing more to take back, and it says so
        check({}, {}, {}, {});

        QCOMPARE(dialogs.texts(Kind::Dialog).size(), 2);
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(AssignReadingsTest)
#include "test_assign_readings.moc"
