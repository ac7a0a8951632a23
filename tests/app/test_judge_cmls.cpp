// CMLs judged in the Assets view: a pipe's design inputs typed in the form (refused while
// outside the formula's validity), its figures beside the history as judgeCml gives them, a
// reading chosen on the trend and its mark decided, changing the figures and the summary's
// order; the summary's filters, an asset's own policy banding it, and its report written.
#include "ScriptedInteraction.h"
#include "analysis/CmlJudgement.h"
#include "analysis/RequiredThickness.h"
#include "assetspage/AssetPolicyForm.h"
#include "assetspage/AssetSummaryModel.h"
#include "assetspage/AssetSummaryPage.h"
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlDesignForm.h"
#include "assetspage/CmlFiguresView.h"
#include "assetspage/CmlHistoryModel.h"
#include "assetspage/CmlJudgementPane.h"
#include "assetspage/TrendView.h"
#include "export/ReportSettings.h"
#include "records/RecordsModel.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QCheckBox>
#include <QColor>
#include <QDateEdit>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

qint64 utc(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
}

QStringList summaryTags(const AssetSummaryModel *model)
{
    QStringList tags;
    for (int r = 0; r < model->rowCount(); ++r)
        tags << model->index(r, AssetSummaryModel::Tag).data().toString();
    return tags;
}

QString dateText(qint64 ms)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms).date(), QLocale::ShortFormat);
}

} // namespace

class JudgeCmlsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        // The report fields' inspector decides; kept out of the user's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
        QCoreApplication::setOrganizationName(QStringLiteral("PalvarinTest"));
        QCoreApplication::setApplicationName(QStringLiteral("judge-cmls"));
        QSettings settings;
        ReportFields fields;
        fields.inspector = QStringLiteral("R. Tester");
        saveReportFields(settings, fields, QString());
    }

    void designFiguresMarksAndSummary()
    {
        SurveyStore store;
        QVERIFY(store.open(dir.filePath(QStringLiteral("judge.sqlite"))));
        Places places(store);
        const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("North"));
        const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
        const qint64 pipe = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("P-101"));
        Cml a;
        a.asset = pipe;
        a.tag = QStringLiteral("A");
        const qint64 cmlA = places.addCml(a);
        Cml b = a;
        b.tag = QStringLiteral("B");
        b.minimum = 3.0; // structural only
        const qint64 cmlB = places.addCml(b);
        QVERIFY(cmlA && cmlB);
        // A thins 0.5 mm a year, then a reading 18.75 % thicker than the one before: left out.
        const QVector<QPair<qint64, float>> readingsA{{utc(2018, 1, 1), 10.0f}, {utc(2020, 1, 1), 9.0f},
                                                      {utc(2022, 1, 1), 8.0f}, {utc(2023, 1, 1), 9.5f}};
        // B thins 0.2 mm a year towards its structural 3 mm: 20 years left.
        const QVector<QPair<qint64, float>> readingsB{{utc(2016, 1, 1), 8.0f}, {utc(2021, 1, 1), 7.0f}};
        QVector<ReadingEntry> entries;
        for (const auto &[list, tag] : {qMakePair(readingsA, QStringLiteral("A")), qMakePair(readingsB, QStringLiteral("B"))})
            for (const auto &r : list) {
                ReadingEntry e;
                e.assetPath = QStringLiteral("North/U1/P-101");
                e.tag = tag;
                e.dateMs = r.first;
                e.values[0] = r.second;
                e.values[1] = 5920.0f;
                e.thicknessUnit = QStringLiteral("mm");
                entries << e;
            }
        QVERIFY(!places.importReadings(entries).isEmpty());

        ScriptedInteraction dialogs;
        const QList<QVariantList> units{{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("inch"), 3}};
        AssetsDialog view(&store, units, dialogs);
        QVERIFY(view.selectAsset(pipe));
        QVERIFY(view.selectCml(cmlA));

        // The design typed in: a pressure the formula refuses, then one it takes.
        DesignInputs typed;
        dialogs.answerDialogs({[&](QDialog *dialog) {
            auto *form = qobject_cast<CmlDesignForm *>(dialog);
            if (!form)
                return false;
            form->setFormula(DesignFormula::PipeB31_3);
            form->setPressureUnit(PressureUnit::MPa);
            form->setLengthUnit(LengthUnit::Millimetre);
            const QList<QPair<const char *, const char *>> values{{"P", "60"}, {"D", "168.3"}, {"S", "138"}, {"E", "1"},
                                                                  {"W", "1"},  {"Y", "0.4"},   {"c", "1.5"}, {"min", ""}};
            for (const auto &[symbol, text] : values)
                if (!form->setValue(QString::fromLatin1(symbol), QString::fromLatin1(text)))
                    return false;
            // P/(S·E) = 0.43, above B31.3's 0.385: refused, said, and not stored.
            if (form->canStore() || form->refusalText().isEmpty())
                return false;
            form->setValue(QStringLiteral("P"), QStringLiteral("-2"));
            if (form->canStore() || form->refusalText().isEmpty())
                return false;
            form->setValue(QStringLiteral("P"), QStringLiteral("2"));
            typed = form->inputs();
            // By hand: t = 2·168.3 / (2·(138·1·1 + 2·0.4)) = 1.2125 mm; t + c = 2.7125 mm.
            return form->canStore() && form->refusalText().isEmpty() && form->resultText().contains(QStringLiteral("2.71"));
        }});
        view.judgementPane()->designButton()->click();
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Dialog).size(), 1);
        QCOMPARE(dialogs.unexpected, 0);
        QCOMPARE(places.design(cmlA), typed);

        // What the view shows is what judgeCml gives for the same series and design.
        const CmlHistoryModel *history = view.historyModel();
        QCOMPARE(history->rowCount(), readingsA.size());
        auto expected = [&](MarkDecision lastDecision) {
            CmlSeries series;
            for (int i = 0; i < readingsA.size(); ++i) {
                SeriesReading r;
                r.key = history->readings().at(i).key;
                r.dateMs = readingsA[i].first;
                r.thickness = double(readingsA[i].second);
                r.decision = i == readingsA.size() - 1 ? lastDecision : MarkDecision::None;
                series.readings << r;
            }
            series.required = requiredThickness(typed, NotGiven, QStringLiteral("mm")).required;
            return judgeCml(series, JudgementPolicy());
        };
        const CmlFiguresView *shown = view.judgementPane()->figures();
        auto checkFigures = [&](const CmlFigures &f) {
            auto has = [&](CmlFiguresView::Figure figure, const QString &text) {
                const QString s = shown->figureText(figure);
                if (!s.contains(text))
                    qWarning("figure %d: \"%s\" lacks \"%s\"", int(figure), qPrintable(s), qPrintable(text));
                return s.contains(text);
            };
            return has(CmlFiguresView::Required, QStringLiteral("2.71 mm"))
                   && has(CmlFiguresView::LongTerm, RecordsModel::formatValue(f.longTerm, 2))
                   && has(CmlFiguresView::ShortTerm, RecordsModel::formatValue(f.shortTerm, 2))
                   && has(CmlFiguresView::Governing, RecordsModel::formatValue(f.governing, 2))
                   && has(CmlFiguresView::RemainingLife, QLocale().toString(f.remainingYears, 'f', 1))
                   && has(CmlFiguresView::NextDate, dateText(f.nextMs));
        };
        const CmlFigures before = expected(MarkDecision::None);
        QCOMPARE(before.marks.last(), ReadingMark::Excluded);
        QVERIFY(checkFigures(before));
        QCOMPARE(history->index(3, 0).data(CmlHistoryModel::MarkRole).toInt(), int(ReadingMark::Excluded));
        QVERIFY(!history->index(3, CmlHistoryModel::Mark).data().toString().isEmpty());
        QVERIFY(history->index(2, CmlHistoryModel::Mark).data().toString().isEmpty());

        // Summary: A (about 10.6 years) is worse than B (20 years); only A has a mark undecided;
        // B alone is due before mid-2026 (A's next date is in 2027).
        AssetSummaryPage *summary = view.summaryPage();
        const AssetSummaryModel *rows = view.summaryModel();
        QCOMPARE(summaryTags(rows), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        QCOMPARE(rows->index(0, AssetSummaryModel::RemainingLife).data().toString(),
                 QLocale().toString(before.remainingYears, 'f', 1) + QStringLiteral(" years"));
        summary->markedOnly()->setChecked(true);
        QCOMPARE(summaryTags(rows), QStringList{QStringLiteral("A")});
        summary->markedOnly()->setChecked(false);
        summary->dueDate()->setDate(QDate(2026, 6, 1));
        summary->dueBefore()->setChecked(true);
        QCOMPARE(summaryTags(rows), QStringList{QStringLiteral("B")});
        summary->dueBefore()->setChecked(false);
        QCOMPARE(rows->rowCount(), 2);

        // The thicker reading chosen by a click on it in the trend, and accepted: counted, its
        // thinning slower.
        TrendView *trend = view.judgementPane()->trend();
        trend->resize(400, 240);
        (void)trend->grab(); // drawn: the readings have their places
        const QPointF dot = trend->pointOf(3);
        QCOMPARE(trend->readingAt(dot), 3);
        QVERIFY(trend->readingText(3).contains(QStringLiteral("9.50")));
        QTest::mouseClick(trend, Qt::LeftButton, {}, dot.toPoint());
        QCOMPARE(view.historyView()->currentIndex().row(), 3);
        view.judgementPane()->decisionButton(MarkDecision::Include)->click();
        const QVector<MarkDecisionEntry> log = places.decisions(cmlA);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().key, history->readings().at(3).key);
        QCOMPARE(log.first().decision, MarkDecision::Include);
        QCOMPARE(log.first().mark, ReadingMark::Excluded);
        QCOMPARE(log.first().who, QStringLiteral("R. Tester"));
        const CmlFigures after = expected(MarkDecision::Include);
        QVERIFY(after.remainingYears > before.remainingYears + 20);
        QVERIFY(checkFigures(after));
        QCOMPARE(summaryTags(rows), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
        summary->markedOnly()->setChecked(true);
        QCOMPARE(rows->rowCount(), 0);
        summary->markedOnly()->setChecked(false);

        // Withdrawn: A worst again; a double-click on B opens it on the first tab.
        view.judgementPane()->decisionButton(MarkDecision::None)->click();
        QVERIFY(checkFigures(before));
        QCOMPARE(summaryTags(rows), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        view.tabs()->setCurrentIndex(AssetsDialog::SummaryTab);
        // The pipe's own policy: 30 years at most between inspections, longer than either
        // CML lasts: both in the amber band, A still first.
        QCOMPARE(rows->index(0, 0).data(Qt::BackgroundRole), QVariant());
        dialogs.answerDialogs({[&](QDialog *dialog) {
            auto *form = qobject_cast<AssetPolicyForm *>(dialog);
            if (!form)
                return false;
            JudgementPolicy own;
            own.interval = IntervalRule::Years;
            own.years = 30;
            form->setPolicy(own);
            return true;
        }});
        view.tabs()->setCurrentIndex(AssetsDialog::AssetsTab);
        view.findChild<QPushButton *>(QStringLiteral("pushButton_assetPolicy"))->click();
        QVERIFY(places.ownPolicy(pipe).has_value());
        QCOMPARE(places.ownPolicy(pipe)->interval, IntervalRule::Years);
        QCOMPARE(places.ownPolicy(pipe)->years, 30.0);
        QCOMPARE(summaryTags(rows), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        for (int r = 0; r < 2; ++r)
            QCOMPARE(rows->index(r, AssetSummaryModel::Tag).data(Qt::BackgroundRole).value<QColor>(), AssetSummaryModel::amber());

        // The summary written out, worst first, as CSV and as a PDF.
        const QString csv = dir.filePath(QStringLiteral("assets.csv"));
        const QString pdf = dir.filePath(QStringLiteral("assets.pdf"));
        dialogs.answerFileDialogs({csv, pdf});
        summary->reportButton()->click();
        summary->reportButton()->click();
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csvFile.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3); // the header, then A and B
        QVERIFY2(lines[1].contains(QStringLiteral(",A,")) && lines[2].contains(QStringLiteral(",B,")), qPrintable(lines.join('\n')));
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly));
        QVERIFY(pdfFile.read(5) == "%PDF-");
        QCOMPARE(dialogs.texts(ScriptedInteraction::Kind::Information).size(), 2); // each said where it went

        QVERIFY(view.openCml(cmlB));
        QCOMPARE(view.tabs()->currentIndex(), int(AssetsDialog::AssetsTab));
        QCOMPARE(history->rowCount(), readingsB.size());
        QVERIFY(view.judgementPane()->figures()->figureText(CmlFiguresView::Required).contains(QStringLiteral("3.00 mm")));
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(JudgeCmlsTest)
#include "test_judge_cmls.moc"
