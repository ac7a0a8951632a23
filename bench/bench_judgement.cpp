// Measures judging CMLs over time in a survey file (in the folder given as first argument,
// default the current folder): 10,000 CMLs with 20 readings each (200,000 readings, written
// in one transaction), loaded into the JudgementBook; then every CML judged again, one
// reading's mark decided and its CML refreshed, and one CML's trend drawn into an 800x500
// image. Each is the median of several runs, against its bound.
#include "analysis/TrendPlot.h"
#include "session/JudgementBook.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int cmlCount = 10000;
constexpr int surveyCount = 20;
constexpr int assetCount = 100; // equipment under one site
constexpr double recomputeBoundMs = 50;
constexpr double oneChangeBoundMs = 5;
constexpr double trendBoundMs = 16;
constexpr qint64 yearMs = qint64(365.2425 * 24 * 3600 * 1000);
constexpr qint64 firstSurveyMs = 1136073600000LL; // 2006-01-01

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "bench_judgement: %s: %s\n", sql, error ? error : "?");
    sqlite3_free(error);
    return false;
}

// A small deterministic noise in [-1, 1).
double noise(quint32 seed)
{
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return double(seed % 2000) / 1000.0 - 1.0;
}

// The places and readings written straight into a file the store made: one transaction.
// CML i thins at its own rate; every 50th has a reading thicker than the one before (a mark).
bool fill(const QString &path)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && exec(db, "PRAGMA synchronous=OFF; BEGIN; "
                    "INSERT INTO assets(id, uuid, parent, kind, tag) VALUES(1, randomblob(16), NULL, 0, 'Plant')");
    sqlite3_stmt *asset = nullptr, *cml = nullptr, *session = nullptr, *survey = nullptr, *record = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db, "INSERT INTO assets(id, uuid, parent, kind, tag) VALUES(?, randomblob(16), 1, 2, ?)",
                              -1, &asset, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "INSERT INTO cmls(id, uuid, asset, tag, nominal, minimum) VALUES(?, randomblob(16), ?, ?, 12.7, ?)",
                              -1, &cml, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "INSERT INTO sessions(id, started, ended, serial, layout, unit_numbers, unit_names, "
                                  "decimals, rows) VALUES(?, ?, ?, '777', 1, '2,0', 'mm\nm/s', '2,0', ?)",
                              -1, &session, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "INSERT INTO surveys(session, uuid, date) VALUES(?, randomblob(16), ?)", -1, &survey,
                              nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "INSERT INTO records(session, seq, origin, arrived, flags, state, v0, v1, recno, uuid, cml) "
                                  "VALUES(?, ?, 0, ?, 0, 2, ?, 5900, ?, randomblob(16), ?)",
                              -1, &record, nullptr) == SQLITE_OK;
    for (int a = 0; ok && a < assetCount; ++a) {
        sqlite3_bind_int(asset, 1, a + 2);
        const QByteArray tag = QStringLiteral("EQ-%1").arg(a, 3, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(asset, 2, tag.constData(), int(tag.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(asset) == SQLITE_DONE;
        sqlite3_reset(asset);
    }
    for (int i = 0; ok && i < cmlCount; ++i) {
        sqlite3_bind_int(cml, 1, i + 1);
        sqlite3_bind_int(cml, 2, 2 + i % assetCount);
        const QByteArray tag = QStringLiteral("CML-%1").arg(i, 5, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(cml, 3, tag.constData(), int(tag.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(cml, 4, 6.0 + (i % 7) * 0.1);
        ok = sqlite3_step(cml) == SQLITE_DONE;
        sqlite3_reset(cml);
    }
    for (int s = 0; ok && s < surveyCount; ++s) {
        const qint64 when = firstSurveyMs + qint64(s) * yearMs / 2;
        sqlite3_bind_int(session, 1, s + 1);
        sqlite3_bind_int64(session, 2, when);
        sqlite3_bind_int64(session, 3, when + 3600000);
        sqlite3_bind_int(session, 4, cmlCount);
        sqlite3_bind_int(survey, 1, s + 1);
        sqlite3_bind_int64(survey, 2, when);
        ok = sqlite3_step(session) == SQLITE_DONE && sqlite3_step(survey) == SQLITE_DONE;
        sqlite3_reset(session);
        sqlite3_reset(survey);
        for (int i = 0; ok && i < cmlCount; ++i) {
            const double rate = 0.02 + (i % 37) * 0.01; // mm per half year
            double t = 12.5 - rate * s + 0.03 * noise(quint32(i * 131 + s * 7 + 1));
            if (i % 50 == 0 && s == 10)
                t += 0.6;
            sqlite3_bind_int(record, 1, s + 1);
            sqlite3_bind_int(record, 2, i);
            sqlite3_bind_int64(record, 3, when);
            sqlite3_bind_double(record, 4, double(float(t)));
            sqlite3_bind_int(record, 5, i + 1);
            sqlite3_bind_int(record, 6, i + 1);
            ok = sqlite3_step(record) == SQLITE_DONE;
            sqlite3_reset(record);
        }
    }
    for (sqlite3_stmt *st : {asset, cml, session, survey, record})
        sqlite3_finalize(st);
    ok = ok && exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(folder + QStringLiteral("/bench_judgement-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_judgement: cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("judgement.sqlite"));
    {
        SurveyStore made; // the schema, as the program makes it
        if (!made.open(path)) {
            std::fprintf(stderr, "bench_judgement: %s\n", qPrintable(made.errorText()));
            return 1;
        }
    }
    QElapsedTimer t;
    t.start();
    if (!fill(path))
        return 1;
    const double fillMs = msSince(t);

    SurveyStore store;
    if (!store.open(path)) {
        std::fprintf(stderr, "bench_judgement: %s\n", qPrintable(store.errorText()));
        return 1;
    }
    Places places(store);
    JudgementBook book(places);
    t.restart();
    if (!book.load(0)) {
        std::fprintf(stderr, "bench_judgement: the book did not load\n");
        return 1;
    }
    const double loadMs = msSince(t);
    qint64 readings = 0;
    for (const CmlJudgement &item : book.items())
        readings += item.series.readings.size();
    if (book.items().size() != cmlCount || readings != qint64(cmlCount) * surveyCount) {
        std::fprintf(stderr, "bench_judgement: %lld CMLs and %lld readings loaded\n", qlonglong(book.items().size()),
                     qlonglong(readings));
        return 1;
    }

    std::vector<double> recompute;
    for (int run = 0; run < 7; ++run) {
        t.restart();
        book.recomputeAll();
        recompute.push_back(msSince(t));
    }

    // A reading's mark decided (logged in the file) and its CML judged again and put in place;
    // the decision alternates so that every run changes the CML's figures.
    std::vector<double> oneChange;
    for (int run = 0; run < 21; ++run) {
        const CmlJudgement &item = book.items().at((run * 997) % cmlCount);
        const qint64 cml = item.cml.id;
        const SeriesReading &r = item.series.readings.at(surveyCount - 2);
        const MarkDecision next = r.decision == MarkDecision::Exclude ? MarkDecision::None : MarkDecision::Exclude;
        t.restart();
        if (!places.decide(r.key, ReadingMark::None, next, QStringLiteral("bench")) || !book.refresh(cml)) {
            std::fprintf(stderr, "bench_judgement: a decision failed\n");
            return 1;
        }
        oneChange.push_back(msSince(t));
    }

    // The worst CML's trend, as the window draws it.
    const CmlJudgement &worst = book.items().first();
    QImage image(800, 500, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> trend;
    for (int run = 0; run < 21; ++run) {
        TrendInput in;
        in.series = &worst.series;
        in.figures = &worst.figures;
        in.unit = worst.unit;
        in.title = worst.cml.tag;
        t.restart();
        image.fill(Qt::white);
        QPainter painter(&image);
        TrendPlot plot(in);
        plot.draw(painter, QRectF(0, 0, 800, 500));
        painter.end();
        trend.push_back(msSince(t));
    }

    const double recomputeMs = median(recompute);
    const double oneChangeMs = median(oneChange);
    const double trendMs = median(trend);
    std::printf("file written in %.0f ms; book loaded in %.0f ms\n", fillMs, loadMs);
    std::printf("recompute %.2f ms (bound %.0f), one change %.3f ms (bound %.0f), trend %.2f ms (bound %.0f)\n",
                recomputeMs, recomputeBoundMs, oneChangeMs, oneChangeBoundMs, trendMs, trendBoundMs);
    std::printf("judgement cmls=%d readings=%lld recompute_ms=%.2f one_change_ms=%.3f trend_ms=%.2f\n", cmlCount,
                qlonglong(readings), recomputeMs, oneChangeMs, trendMs);
    return recomputeMs < recomputeBoundMs && oneChangeMs < oneChangeBoundMs && trendMs < trendBoundMs ? 0 : 1;
}
