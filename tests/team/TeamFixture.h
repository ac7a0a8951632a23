#pragma once

// What the team store's tests share: the throwaway cluster ctest started, and survey files
// with readings worth sending.

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "teamstore/TeamConnection.h"

#include <QFile>
#include <QProcess>
#include <QString>

#include <vector>

namespace TeamFixture {

inline QString conninfo()
{
    QFile file(qEnvironmentVariable("PALVARIN_TEAM_CLUSTER") + QStringLiteral("/conninfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

inline SurveyInfo surveyInfo(int layout)
{
    SurveyInfo info;
    info.serial = layout == 1 ? QStringLiteral("777") : QStringLiteral("12345");
    info.layout = layout;
    info.unitNumbers = layout == 1 ? QList<int>{2, 0} : QList<int>{0, 0, 0, 2, 2, 2};
    for (int v = 0; v < (layout == 1 ? 2 : 6); ++v) {
        const bool thickness = layout == 1 ? v == 0 : v < 3;
        info.unitNames << (thickness ? QStringLiteral("mm") : QStringLiteral("m/s"));
        info.decimals << (thickness ? 2 : 0);
    }
    return info;
}

// A single-layer survey of n readings (the second one deleted, so it is no reading), the third
// on a CML with a comment that COPY must escape; n counted readings less one.
inline qint64 addSingleLayerSurvey(SurveyStore &store, Places &places, int n, qint64 startedMs)
{
    const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Site %1").arg(startedMs));
    const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
    Cml c;
    c.asset = unit;
    c.tag = QStringLiteral("TML-1");
    c.nominal = 12.5;
    const qint64 cml = places.addCml(c);
    places.addRoute(QStringLiteral("Walk %1").arg(startedMs), {cml});
    const qint64 survey = store.beginSession(surveyInfo(1), startedMs);
    std::vector<float> values;
    std::vector<quint8> flags;
    for (int i = 0; i < n; ++i) {
        values.push_back(3.0f + float(i) / 7.0f); // not exact in decimal: the float must come back whole
        values.push_back(5920.0f);
        flags.push_back(quint8(i % 3 == 0 ? 1 : 0));
    }
    const std::vector<qint64> keys =
        store.addRows(n, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory, startedMs + 5);
    store.rowsDeleted({keys[1]}, false);
    places.moveReading(keys[2], cml);
    places.setComment(keys[2], QStringLiteral("pitted\tunder\nthe clamp \\ 腐蚀"));
    store.endSession(startedMs + 60000);
    return survey;
}

inline void addMultiLayerSurvey(SurveyStore &store, qint64 startedMs)
{
    store.beginSession(surveyInfo(2), startedMs);
    const float values[] = {1.5f, 2.25f, 3.125f, 5900, 5800, 5700, 4.5f, 0, 0, 5900, 0, 0};
    const quint8 flags[] = {0, 2};
    const QString names[] = {QStringLiteral("A-01"), QStringLiteral("B-02")};
    store.addRows(2, 6, values, flags, names, RecordOrigin::Pushed, startedMs + 5);
    store.endSession(startedMs + 60000);
}
inline PgResult query(TeamConnection &c, const char *sql)
{
    return c.exec(sql, {}, PGRES_TUPLES_OK);
}

// A count the server answers; -1 when it does not.
inline qint64 count(TeamConnection &c, const char *sql)
{
    PgResult r = query(c, sql);
    return r && PQntuples(r.get()) == 1 ? QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong() : -1;
}

// Stops or starts the cluster's server ("halt", "resume"), keeping its data.
inline bool server(const char *action)
{
    QProcess p;
    p.start(QStringLiteral(PALVARIN_SOURCE_DIR "/tools/pg-cluster.sh"),
            {QString::fromLatin1(action), qEnvironmentVariable("PALVARIN_TEAM_CLUSTER")});
    return p.waitForFinished(90000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace TeamFixture
