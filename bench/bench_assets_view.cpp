// Measures opening the Assets view: a survey file of N readings (first argument, default
// 200,000), surveys of one walk each along a route over every CML, all readings assigned;
// the view is opened on the largest asset (200 CMLs, the others 40) and painted, twice. Then
// the history of one of its CMLs (a reading per survey) is shown and painted. Goal: each < 100 ms.
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlHistoryModel.h"
#include "assetspage/CmlSummaryModel.h"
#include "interaction/SilentProgress.h"
#include "interaction/UserInteraction.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

class NoOne : public UserInteraction
{
public:
    void information(QWidget *, const QString &, const QString &) override {}
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override
    {
        return QString();
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *, const QString &, const QString &, int, int maximum) override
    {
        return std::make_unique<SilentProgress>(maximum);
    }
};

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int readings = argc > 1 ? std::atoi(argv[1]) : 200000;
    QTemporaryDir dir;
    SurveyStore store;
    if (!store.open(dir.filePath(QStringLiteral("bench.sqlite")))) {
        std::fprintf(stderr, "cannot open the survey file\n");
        return 1;
    }
    Places places(store);
    QElapsedTimer fill;
    fill.start();
    const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Plant"));
    QVector<qint64> walk;
    qint64 largest = 0;
    for (int u = 0; u < 4; ++u) {
        const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U%1").arg(u + 1));
        for (int e = 0; e < 5; ++e) {
            const bool big = u == 0 && e == 0;
            const qint64 equipment = places.addAsset(unit, AssetKind::Equipment, QStringLiteral("E%1").arg(e + 1));
            if (big)
                largest = equipment;
            for (int c = 0; c < (big ? 200 : 40); ++c) {
                Cml cml;
                cml.asset = equipment;
                cml.tag = QStringLiteral("CML-%1").arg(c + 1, 3, 10, QLatin1Char('0'));
                cml.nominal = 8.18;
                cml.minimum = 5.5;
                walk << places.addCml(cml);
            }
        }
    }
    const qint64 route = places.addRoute(QStringLiteral("Everything"), walk);

    SurveyInfo info;
    info.serial = QStringLiteral("777");
    info.firmware = QStringLiteral("1.10");
    info.meterType = 1;
    info.layout = 1;
    info.unitNumbers = {2, 0};
    info.unitNames = {QStringLiteral("mm"), QStringLiteral("m/s")};
    info.decimals = {2, 0};
    const int perSurvey = int(walk.size());
    qint64 day = 1600000000000;
    for (int done = 0; done < readings; done += perSurvey, day += 86400000) {
        const int n = std::min(perSurvey, readings - done);
        const qint64 survey = store.beginSession(info, day);
        std::vector<float> values(size_t(n) * 2);
        for (int i = 0; i < n; ++i) {
            values[size_t(i) * 2] = 8.0f - 0.001f * float(done / perSurvey) - 0.0001f * float(i % 100);
            values[size_t(i) * 2 + 1] = 5920.0f;
        }
        const std::vector<quint8> flags(size_t(n), 0);
        store.addRows(n, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory, day);
        store.endSession(day + 3600000);
        if (places.assignByRoute(survey, route).assigned != n) {
            std::fprintf(stderr, "assignment failed\n");
            return 1;
        }
    }
    store.settle();
    std::printf("file: %d readings, %lld CMLs, filled in %.0f ms\n", readings, qlonglong(walk.size()), msSince(fill));

    NoOne ui;
    const QList<QVariantList> units{{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("inch"), 3}};
    // The first open pays for the file's first queries (statements prepared, pages read); a
    // person opening the view again does not.
    double openMs[2] = {};
    for (double &ms : openMs) {
        QElapsedTimer open;
        open.start();
        AssetsDialog view(&store, units, ui, nullptr, largest);
        view.show();
        QApplication::processEvents();
        ms = msSince(open);
        if (view.cmlModel()->rowCount() != 200) {
            std::fprintf(stderr, "the view shows %d CMLs\n", view.cmlModel()->rowCount());
            return 1;
        }
    }
    std::printf("opened on the largest asset (200 CMLs) and painted: first %.1f ms, again %.1f ms (goal < 100 ms)\n",
                openMs[0], openMs[1]);

    AssetsDialog view(&store, units, ui, nullptr, largest);
    view.show();
    QApplication::processEvents();
    QElapsedTimer history;
    history.start();
    view.selectCml(view.cmlModel()->cmlId(0));
    QApplication::processEvents();
    const double historyMs = msSince(history);
    std::printf("one CML's history (%d readings) shown and painted: %.1f ms (goal < 100 ms)\n",
                view.historyModel()->rowCount(), historyMs);
    return 0;
}
