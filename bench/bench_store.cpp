// Measures the survey store on the disk of the folder it runs in (first argument, default the
// current folder): a million single-layer records committed as one read batch; single pushed
// measurements each committed durably (WAL, synchronous=FULL), against the disk's own flush
// time measured here (200 fdatasync calls on a file in the same folder); a 100,000-row
// session opened from the history into a records model; and the bytes per row on disk.
// Beside them, how long the owner (GUI) thread is held: the batch is committed as a read
// commits it, off that thread, while a 1 ms timer measures the longest gap between its
// ticks; and how long clearing the million rows takes to return.
#include "records/RecordsModel.h"
#include "store/OffThread.h"
#include "session/StoredRows.h"
#include "store/SurveyStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int batchRows = 1000000;
constexpr int pushes = 1000;
constexpr int historyRows = 100000;

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// What a flush of a small write costs on this disk: the floor under any durable commit.
std::vector<double> diskFlushes(const QString &folder)
{
    std::vector<double> times;
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/flush.probe"));
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    if (fd < 0)
        return times;
    char page[4096] = {};
    for (int i = 0; i < 200; ++i) {
        if (::pwrite(fd, page, sizeof page, off_t(i % 16) * off_t(sizeof page)) != ssize_t(sizeof page))
            break;
        QElapsedTimer t;
        t.start();
        if (::fdatasync(fd) != 0)
            break;
        times.push_back(msSince(t));
    }
    ::close(fd);
    ::unlink(path.constData());
    return times;
}

SurveyInfo singleLayerGauge()
{
    return SurveyInfo{QStringLiteral("777"), QStringLiteral("1.10"), 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}};
}

// The same rows through the bare C API into a bare table (same journal and sync settings):
// what the store's own bookkeeping is compared with.
double rawBatchMs(const QString &path, const std::vector<float> &values, const std::vector<quint8> &flags)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return -1;
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE r(a INTEGER, b INTEGER, "
                     "c REAL, d REAL, PRIMARY KEY(a, b)) WITHOUT ROWID",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO r VALUES(1, ?, ?, ?)", -1, &st, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (size_t i = 0; i < flags.size(); ++i) {
        sqlite3_bind_int64(st, 1, qint64(i));
        sqlite3_bind_double(st, 2, values[i * 2]);
        sqlite3_bind_double(st, 3, values[i * 2 + 1]);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    const double ms = msSince(t);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(base + QStringLiteral("/bench_store-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("surveys.sqlite"));

    const std::vector<double> flushes = diskFlushes(dir.path());
    const double flushP99 = percentile(flushes, 0.99);
    std::printf("disk flush: %zu fdatasync, p50 %.3f ms, p99 %.3f ms\n", flushes.size(), percentile(flushes, 0.5),
                flushP99);

    SurveyStore store;
    if (!store.open(path)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(store.errorText()));
        return 1;
    }

    // A million read records: the numbers a read decodes, committed as one batch.
    std::vector<float> values(size_t(batchRows) * 2);
    std::vector<quint8> flags(static_cast<size_t>(batchRows));
    for (int i = 0; i < batchRows; ++i) {
        values[size_t(i) * 2] = 1.0f + float(i % 1000) / 100.0f;
        values[size_t(i) * 2 + 1] = 5900.0f + float(i % 100);
        flags[size_t(i)] = quint8(i % 997 == 0);
    }
    store.beginSession(singleLayerGauge(), QDateTime::currentMSecsSinceEpoch());
    QElapsedTimer tick;
    double longestGapMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, msSince(tick));
        tick.start();
    });
    ticker.start(1);
    tick.start();
    QElapsedTimer batch;
    batch.start();
    // The keys of the rows the table shows, as the session keeps them in its model.
    std::vector<qint64> shownKeys;
    runOffThread([&] {
        shownKeys = store.addRows(batchRows, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory,
                                  QDateTime::currentMSecsSinceEpoch());
    });
    const bool added = !shownKeys.empty() && shownKeys.front() != 0;
    const double batchMs = msSince(batch);
    longestGapMs = std::max(longestGapMs, msSince(tick));
    ticker.stop();
    if (!added) {
        std::fprintf(stderr, "batch failed: %s\n", qPrintable(store.errorText()));
        return 1;
    }
    const double rawMs = rawBatchMs(dir.filePath(QStringLiteral("raw.sqlite")), values, flags);
    std::printf("batch: %d rows in %.0f ms (bare C API into a bare table, same run: %.0f ms)\n", batchRows, batchMs,
                rawMs);

    // Pushed measurements, one durable commit each, on top of the million rows.
    std::vector<double> commits;
    for (int i = 0; i < pushes; ++i) {
        const float row[2] = {2.5f + float(i) / 100.0f, 5950.0f};
        const quint8 flag = 0;
        QElapsedTimer t;
        t.start();
        const std::vector<qint64> key =
            store.addRows(1, 2, row, &flag, nullptr, RecordOrigin::Pushed, QDateTime::currentMSecsSinceEpoch());
        commits.push_back(msSince(t));
        if (key.empty() || key.front() == 0) {
            std::fprintf(stderr, "push failed: %s\n", qPrintable(store.errorText()));
            return 1;
        }
        shownKeys.push_back(key.front());
    }
    const double pushP50 = percentile(commits, 0.5);
    const double pushP99 = percentile(commits, 0.99);
    std::printf("push commits: %d, p50 %.3f ms, p99 %.3f ms (disk flush p99 %.3f ms, difference %.3f ms)\n",
                pushes, pushP50, pushP99, flushP99, pushP99 - flushP99);

    // Clearing the table marks every row; the call returns before that is done.
    QElapsedTimer clear;
    clear.start();
    store.tableCleared(shownKeys);
    const double clearReturnMs = msSince(clear);
    store.settle();
    const double clearDoneMs = msSince(clear);
    std::printf("owner thread: longest stall %.1f ms while the batch was committed; a clear of %d rows returned "
                "in %.1f ms (written in %.0f ms)\n",
                longestGapMs, batchRows + pushes, clearReturnMs, clearDoneMs);

    // A 100,000-row session, opened from the history into a model.
    const qint64 session = store.beginSession(singleLayerGauge(), QDateTime::currentMSecsSinceEpoch());
    // It went out in an export and left the table, as a past session does.
    store.exported(dir.filePath(QStringLiteral("history.xlsx")), QStringLiteral("xlsx"),
                   store.addRows(historyRows, 2, values.data(), flags.data(), nullptr, RecordOrigin::Memory,
                                 QDateTime::currentMSecsSinceEpoch()),
                   true, true);
    store.endSession(QDateTime::currentMSecsSinceEpoch());
    store.settle(); // the export's marks are written first, not timed as part of the open
    RecordsModel model;
    QElapsedTimer open;
    open.start();
    StoredTable table;
    const bool loaded = store.loadSession(session, table);
    const double loadMs = msSince(open);
    const int shown = fillModelFromStored(model, table);
    const double historyMs = msSince(open);
    if (!loaded || shown != historyRows) {
        std::fprintf(stderr, "history open gave %d rows\n", shown);
        return 1;
    }
    std::printf("history open: %d rows in %.1f ms (%.1f ms reading the file, the rest filling the model)\n", shown,
                historyMs, loadMs);

    // Closing checkpoints the WAL into the file and removes it: the file alone holds every row.
    const qint64 totalRows = qint64(batchRows) + pushes + historyRows;
    store.close();
    const qint64 bytes = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    const double perRow = double(bytes) / double(totalRows);
    std::printf("file: %lld bytes for %lld rows\n", bytes, totalRows);

    std::printf("store rows=%d batch_ms=%.0f fsync_p99_ms=%.3f push_commit_p50_ms=%.3f push_commit_p99_ms=%.3f "
                "history_open_ms=%.1f bytes_per_row=%.1f\n",
                batchRows, batchMs, flushP99, pushP50, pushP99, historyMs, perRow);
    return 0;
}
