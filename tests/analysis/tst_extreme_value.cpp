// The Gumbel estimate of the deepest unseen loss, checked against figures computed apart from
// this code (Python's statistics module, commands in the comments), and its refusals.
#include "analysis/AnalysisWords.h"
#include "analysis/ExtremeValue.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

// Ten block maxima of wall loss (mm), unsorted; blocks of 0.01 m² on a 25 m² shell (T = 2500).
const QVector<double> Losses{1.2, 0.8, 1.5, 1.1, 0.9, 1.7, 1.3, 1.0, 1.4, 2.1};
constexpr double BlockArea = 0.01;
constexpr double TotalArea = 25.0;

// python3 -c "
// import statistics as st, math
// x=[1.2,0.8,1.5,1.1,0.9,1.7,1.3,1.0,1.4,2.1]; n=len(x); m=st.mean(x); s=st.stdev(x)
// al=math.sqrt(6)*s/math.pi; la=m-0.5772*al; T=25/0.01; y=-math.log(-math.log(1-1/T)); xt=la+al*y
// K=math.sqrt(6)/math.pi*(y-0.5772); se=s/math.sqrt(n)*math.sqrt(1+1.1396*K+1.1*K*K)
// xs=sorted(x); ys=[-math.log(-math.log(i/(n+1))) for i in range(1,n+1)]
// print(s, al, la, y, xt, se, st.correlation(xs,ys))"
constexpr double S = 0.3944053188733077;
constexpr double Alpha = 0.307516565515066;
constexpr double Lambda = 1.1225014383847038;
constexpr double YT = 7.823845977515067;
constexpr double XT = 3.5284636825090017;
constexpr double SE = 0.8136231222421582;
constexpr double R = 0.9959953118431983;

bool near(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::abs(expected);
}

#define QVERIFY_NEAR(actual, expected) \
    QVERIFY2(near(actual, expected), qPrintable(QString::number(actual, 'g', 17) + " != " + QString::number(expected, 'g', 17)))

} // namespace

class ExtremeValueTest : public QObject
{
    Q_OBJECT

private slots:
    void knownSample()
    {
        const ExtremeEstimate e = estimateExtremeLoss(Losses, BlockArea, TotalArea);
        QVERIFY(e.ok());
        QCOMPARE(e.blocks, 10);
        QVERIFY_NEAR(e.mean, 1.3);
        QVERIFY_NEAR(e.stdDev, S);
        QVERIFY_NEAR(e.alpha, Alpha);
        QVERIFY_NEAR(e.lambda, Lambda);
        QVERIFY_NEAR(e.returnPeriod, 2500.0);
        QVERIFY_NEAR(e.reducedVariate, YT);
        QVERIFY_NEAR(e.estimate, XT);
        QVERIFY_NEAR(e.standardError, SE);
        QVERIFY_NEAR(e.lower, XT - 1.96 * SE);
        QVERIFY_NEAR(e.upper, XT + 1.96 * SE);
        QVERIFY_NEAR(e.correlation, R);
    }

    // As thickness on a 12 mm nominal: the minima are 12 − loss; the thinnest wall is 12 − x_T and
    // the deepest loss bound becomes the thinnest wall bound.
    void thinnestWall()
    {
        QVector<double> minima;
        for (double loss : Losses)
            minima << 12.0 - loss;
        const ThinnestWallEstimate t = estimateThinnestWall(minima, 12.0, BlockArea, TotalArea);
        QVERIFY(t.ok());
        // The losses come back through 12 − (12 − x): exact to a few ulps only.
        QVERIFY(std::abs(t.loss.estimate - XT) < 1e-12);
        QVERIFY(std::abs(t.thinnest - (12.0 - XT)) < 1e-12);
        QVERIFY(std::abs(t.lower - (12.0 - XT - 1.96 * SE)) < 1e-12);
        QVERIFY(std::abs(t.upper - (12.0 - XT + 1.96 * SE)) < 1e-12);
        QVERIFY(t.lower < t.thinnest && t.thinnest < t.upper);

        const ThinnestWallEstimate noReference = estimateThinnestWall(minima, qQNaN(), BlockArea, TotalArea);
        QCOMPARE(noReference.loss.refusal.code, Finding::ExtremeNotFinite);
    }

    void refusals()
    {
        const ExtremeEstimate five = estimateExtremeLoss(Losses.mid(0, 5), BlockArea, TotalArea);
        QCOMPARE(five.refusal.code, Finding::ExtremeTooFewBlocks);
        QCOMPARE(five.refusal.args, (QVariantList{5, 6}));
        QVERIFY(findingText(five.refusal).contains(QLatin1String("5")));
        QVERIFY(estimateExtremeLoss(Losses.mid(0, 6), BlockArea, TotalArea).ok());

        // T = 1 and T < 1: the whole area is one block or less, nothing to extrapolate to.
        QCOMPARE(estimateExtremeLoss(Losses, BlockArea, BlockArea).refusal.code, Finding::ExtremeAreaNotLarger);
        QCOMPARE(estimateExtremeLoss(Losses, 2.0, 1.0).refusal.code, Finding::ExtremeAreaNotLarger);
        QCOMPARE(estimateExtremeLoss(Losses, 0.0, 1.0).refusal.code, Finding::ExtremeBlockAreaNotPositive);

        QCOMPARE(estimateExtremeLoss(QVector<double>(8, 0.7), BlockArea, TotalArea).refusal.code,
                 Finding::ExtremeAllEqual);

        QVector<double> withNaN = Losses;
        withNaN[3] = qQNaN();
        QCOMPARE(estimateExtremeLoss(withNaN, BlockArea, TotalArea).refusal.code, Finding::ExtremeNotFinite);
        QCOMPARE(estimateExtremeLoss(Losses, BlockArea, qInf()).refusal.code, Finding::ExtremeNotFinite);
    }

    // Around the 0.9 threshold, r from
    // python3 -c "
    // import statistics as st, math
    // for x in ([1,1,1,1,1,1,2,2,3,3],[1,1,1,1,1,1,1,2,2,3]):
    //     n=len(x); print(st.correlation(sorted(x),[-math.log(-math.log(i/(n+1))) for i in range(1,n+1)]))"
    void fitQuality()
    {
        const ExtremeEstimate fair = estimateExtremeLoss({3, 1, 1, 2, 1, 1, 3, 1, 2, 1}, BlockArea, TotalArea);
        QVERIFY(fair.ok());
        QVERIFY_NEAR(fair.correlation, 0.9056944755455112);

        // Two populations of pits (shallow and deep): not one extreme-value law.
        const ExtremeEstimate poor = estimateExtremeLoss({2, 1, 1, 3, 1, 1, 1, 2, 1, 1}, BlockArea, TotalArea);
        QCOMPARE(poor.refusal.code, Finding::ExtremePoorFit);
        QVERIFY_NEAR(poor.correlation, 0.868501620031162);
        QVERIFY_NEAR(poor.refusal.args.value(0).toDouble(), 0.868501620031162);
        QCOMPARE(poor.refusal.args.value(1).toDouble(), GumbelPoorFitBelow);
    }

    void thousandBlocksQuickly()
    {
        QRandomGenerator random(7);
        QVector<double> maxima(1000);
        for (double &x : maxima) // Gumbel draws: λ − α·ln(−ln U)
            x = 1.0 - 0.3 * std::log(-std::log(random.generateDouble() * 0.999 + 0.0005));
        qint64 best = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            const ExtremeEstimate e = estimateExtremeLoss(maxima, 1.0, 50000.0);
            best = std::min(best, timer.nsecsElapsed());
            QVERIFY(e.ok());
        }
        QVERIFY2(best < 10'000'000, qPrintable(QString::number(best / 1e6) + " ms"));
    }
};

QTEST_GUILESS_MAIN(ExtremeValueTest)
#include "tst_extreme_value.moc"
