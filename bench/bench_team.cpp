// Measures publishing to the team's server on a throwaway PostgreSQL 15 cluster of its own
// (tools/pg-cluster.sh, durable as a real server, stopped on every way out): a survey file of
// 1,000,000 single-layer readings (100 surveys of 10,000, a few on CMLs) in the folder given (first argument, default
// the current folder).
//   copy_ms        the same rows as a COPY text file loaded by psql's \copy into a bare table
//                  with a uuid key: what the server cannot do faster, the baseline.
//   publish_ms     TeamPublish::publish of the file into a server without the team's schema
//                  (as the cluster's owner, who passes its row-level security).
//   insert_p99_ms  pgbench, one client, single-row INSERTs into a small table with a uuid key.
//   notify_p99_ms  one pushed reading, kept in the survey file, sent by the program's live path
//                  (TeamPush) until a second client, listening on palvarin_readings, holds the
//                  notification the schema's trigger sends (the first push also sends its survey).
// Bounds: publish within 1.5 x copy; notify p99 within 2 x insert p99. Exit 0 when both hold,
// 1 when one fails, 2 when the run could not be set up. The last line sums it up.
#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamCopy.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamPush.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int surveyCount = 100;
constexpr int surveyRows = 10000;
constexpr qint64 readingCount = qint64(surveyCount) * surveyRows;
constexpr int cmlCount = 4;
constexpr int assignedPerSurvey = 50; // the first readings of each survey, on the CMLs
constexpr int pgbenchTransactions = 2000;
constexpr int notifyRounds = 2000;
constexpr int notifyWaitMs = 2000;
constexpr double publishBound = 1.5;
constexpr double notifyBound = 2.0;
constexpr int setupFailed = 2;

const QString pgBin = QStringLiteral("/usr/lib/postgresql/15/bin");
const QString clusterScript = QStringLiteral(PALVARIN_SOURCE_DIR "/tools/pg-cluster.sh");

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Runs a program to its end within `timeoutMs`; its output in *output. False (and why on
// stderr) when it could not start, ran too long or failed.
bool runTool(const QString &program, const QStringList &args, int timeoutMs, QByteArray *output = nullptr,
             const QString &workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        std::fprintf(stderr, "%s did not start: %s\n", qPrintable(program), qPrintable(p.errorString()));
        return false;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        std::fprintf(stderr, "%s took longer than %d s\n", qPrintable(program), timeoutMs / 1000);
        return false;
    }
    const QByteArray out = p.readAll();
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed (%d): %s\n", qPrintable(program), p.exitCode(), out.constData());
        return false;
    }
    return true;
}

// A signal (Ctrl-C) stops the cluster and removes the run's folders before the program ends;
// only calls safe in a signal handler.
char g_shell[] = "/bin/bash";
char g_stop[] = "stop";
char g_rm[] = "/bin/rm";
char g_rmFlags[] = "-rf";
char g_script[4096], g_clusterDir[4096], g_folders[2][4096];

void runAndWait(char *const argv[])
{
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    if (child > 0)
        waitpid(child, nullptr, 0);
}

void stopOnSignal(int)
{
    char *stop[] = {g_shell, g_script, g_stop, g_clusterDir, nullptr};
    runAndWait(stop);
    char *remove[] = {g_rm, g_rmFlags, g_folders[0], g_folders[1], nullptr};
    runAndWait(remove);
    _exit(setupFailed);
}

// The throwaway server: started by start(), stopped when this goes out of scope.
class Cluster
{
public:
    // `folders`: the run's own two, removed too should a signal end it.
    Cluster(const QString &dir, const QStringList &folders)
        : m_dir(dir)
    {
        for (int i = 0; i < 2; ++i)
            qstrncpy(g_folders[i], QFile::encodeName(folders.value(i)).constData(), sizeof g_folders[i]);
    }
    ~Cluster()
    {
        if (m_started) {
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            runTool(clusterScript, {QStringLiteral("stop"), m_dir}, 120000);
        }
    }
    Cluster(const Cluster &) = delete;
    Cluster &operator=(const Cluster &) = delete;

    bool start()
    {
        qstrncpy(g_script, QFile::encodeName(clusterScript).constData(), sizeof g_script);
        qstrncpy(g_clusterDir, QFile::encodeName(m_dir).constData(), sizeof g_clusterDir);
        std::signal(SIGINT, stopOnSignal);
        std::signal(SIGTERM, stopOnSignal);
        m_started = true; // even a start that failed half way leaves something to remove
        QByteArray out;
        // Commits flushed to disk, as a real server has them: a commit's cost is part of both
        // the reading's way to a listener and of pgbench's INSERT.
        if (!runTool(clusterScript, {QStringLiteral("start"), m_dir, QStringLiteral("durable")}, 120000, &out))
            return false;
        QFile file(m_dir + QStringLiteral("/conninfo"));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        m_conninfo = QString::fromUtf8(file.readAll()).trimmed();
        return !m_conninfo.isEmpty();
    }
    QString conninfo() const { return m_conninfo; }

private:
    QString m_dir;
    QString m_conninfo;
    bool m_started = false;
};

SurveyInfo singleLayerGauge()
{
    return SurveyInfo{QStringLiteral("777"), QStringLiteral("1.10"), 1, 1, {2, 0}, {"mm", "m/s"}, {2, 0}};
}

// 100 surveys of 10,000 readings, a day apart, each read from the gauge's memory in one batch;
// the first readings of each on a few CMLs, one with a comment COPY has to escape.
bool fill(const QString &path)
{
    SurveyStore store;
    if (!store.open(path)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(store.errorText()));
        return false;
    }
    Places places(store);
    const qint64 site = places.addAsset(0, AssetKind::Site, QStringLiteral("Bench site"));
    const qint64 unit = places.addAsset(site, AssetKind::Unit, QStringLiteral("U1"));
    QVector<qint64> cmls;
    for (int i = 0; i < cmlCount; ++i) {
        Cml c;
        c.asset = unit;
        c.tag = QStringLiteral("TML-%1").arg(i + 1);
        c.nominal = 12.7;
        cmls << places.addCml(c);
    }
    places.addRoute(QStringLiteral("Bench walk"), cmls);

    std::vector<float> values(size_t(surveyRows) * 2);
    std::vector<quint8> flags(static_cast<size_t>(surveyRows));
    const qint64 first = QDateTime::currentMSecsSinceEpoch() - qint64(surveyCount) * 24 * 3600 * 1000;
    for (int s = 0; s < surveyCount; ++s) {
        for (int i = 0; i < surveyRows; ++i) {
            values[size_t(i) * 2] = 3.0f + float((i + s) % 1000) / 97.0f;
            values[size_t(i) * 2 + 1] = 5900.0f + float(i % 50);
            flags[size_t(i)] = quint8(i % 997 == 0);
        }
        const qint64 started = first + qint64(s) * 24 * 3600 * 1000;
        if (!store.beginSession(singleLayerGauge(), started))
            return false;
        const std::vector<qint64> keys = store.addRows(surveyRows, 2, values.data(), flags.data(), nullptr,
                                                       RecordOrigin::Memory, started + 1000);
        if (keys.size() != size_t(surveyRows) || keys.front() == 0)
            return false;
        for (int c = 0; c < cmlCount; ++c) {
            const std::vector<qint64> some(keys.begin() + c * assignedPerSurvey / cmlCount,
                                           keys.begin() + (c + 1) * assignedPerSurvey / cmlCount);
            if (places.moveReadings(some, cmls[c]).id == 0)
                return false;
        }
        places.setComment(keys[0], QStringLiteral("pitted\tunder the clamp\\"));
        store.endSession(started + 3600 * 1000);
    }
    store.settle();
    return store.writable();
}

// The columns TeamPublish sends; who published a reading is the server's to fill in.
const char *const copyColumns =
    "uuid, survey, seq, number, taken, name, v0, v1, v2, v3, v4, v5, flags, cml, comment";

// The rows TeamPublish sends, in the same columns and format, from the same file.
bool writeCopyFile(const QString &surveyFile, const QString &copyFile, qint64 *rowCount)
{
    SurveyStore store;
    if (!store.openReadOnly(surveyFile))
        return false;
    Places places(store);
    QHash<qint64, QString> cmlUuid;
    for (const Cml &c : places.cmls(0))
        cmlUuid.insert(c.id, Uuid::text(c.uuid));
    QSaveFile out(copyFile);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    CopyRows rows;
    *rowCount = 0;
    for (const SurveyFacts &s : places.surveys()) {
        const QString survey = Uuid::text(s.uuid);
        rows.clear();
        for (const PlaceReading &r : places.surveyReadings(s.id)) {
            rows.text(Uuid::text(r.uuid));
            rows.text(survey);
            rows.number(r.key & 0xffffffff);
            if (r.number > 0)
                rows.number(r.number);
            else
                rows.null();
            rows.text(QDateTime::fromMSecsSinceEpoch(r.dateMs, Qt::UTC).toString(Qt::ISODateWithMs));
            rows.text(r.name);
            for (int v = 0; v < 6; ++v) {
                if (v < 2)
                    rows.real(r.values[v]);
                else
                    rows.null();
            }
            rows.number(r.flags);
            rows.text(r.cml ? cmlUuid.value(r.cml) : QString());
            rows.text(r.comment);
            rows.endRow();
        }
        *rowCount += rows.rows();
        if (out.write(rows.data()) != rows.data().size())
            return false;
    }
    return out.commit();
}

qint64 count(TeamConnection &c, const char *sql)
{
    PgResult r = c.exec(sql, {}, PGRES_TUPLES_OK);
    return r && PQntuples(r.get()) == 1 ? QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong() : -1;
}

// pgbench's per-transaction log: the third column is the latency in microseconds.
std::vector<double> pgbenchLatencies(const QString &dir)
{
    std::vector<double> ms;
    const QStringList logs = QDir(dir).entryList({QStringLiteral("pgbench_log*")}, QDir::Files);
    for (const QString &name : logs) {
        QFile log(dir + QLatin1Char('/') + name);
        if (!log.open(QIODevice::ReadOnly))
            continue;
        while (!log.atEnd()) {
            const QList<QByteArray> fields = log.readLine().simplified().split(' ');
            if (fields.size() >= 3)
                ms.push_back(fields[2].toDouble() / 1000.0);
        }
    }
    return ms;
}

// Waits up to `timeoutMs` for a notification on `channel` with `payload`; false on none.
bool awaitNotification(PGconn *conn, const char *channel, const QByteArray &payload, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    const int socket = PQsocket(conn);
    for (;;) {
        while (PGnotify *n = PQnotifies(conn)) {
            const bool ours = std::strcmp(n->relname, channel) == 0 && (payload.isEmpty() || payload == n->extra);
            PQfreemem(n);
            if (ours)
                return true;
        }
        const int left = timeoutMs - int(waited.elapsed());
        if (left <= 0 || socket < 0)
            return false;
        pollfd fd{socket, POLLIN, 0};
        if (poll(&fd, 1, left) < 0 && errno != EINTR)
            return false;
        if (!PQconsumeInput(conn))
            return false;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir(base + QStringLiteral("/bench_team-XXXXXX"));
    QTemporaryDir work; // the cluster's folder, the COPY file and pgbench's logs
    if (!dir.isValid() || !work.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return setupFailed;
    }
    const QString surveyFile = dir.filePath(QStringLiteral("surveys.sqlite"));

    Cluster cluster(work.filePath(QStringLiteral("cluster")), {dir.path(), work.path()});
    if (!cluster.start())
        return setupFailed;
    const QString conninfo = cluster.conninfo();
    std::printf("cluster: %s\n", qPrintable(conninfo));

    QElapsedTimer t;
    t.start();
    if (!fill(surveyFile)) {
        std::fprintf(stderr, "could not fill %s\n", qPrintable(surveyFile));
        return setupFailed;
    }
    std::printf("fill: %lld readings in %d surveys, %.0f ms (not measured)\n", readingCount, surveyCount, msSince(t));

    // The baseline: the same rows loaded by the server's own bulk path.
    const QString copyFile = work.filePath(QStringLiteral("readings.copy"));
    qint64 copyRows = 0;
    if (!writeCopyFile(surveyFile, copyFile, &copyRows) || copyRows != readingCount) {
        std::fprintf(stderr, "could not write the COPY file (%lld rows)\n", copyRows);
        return setupFailed;
    }
    TeamConnection admin;
    if (!admin.open(conninfo)
        || !admin.script("CREATE TABLE bench_copy(uuid uuid PRIMARY KEY, survey uuid, seq integer, number integer,"
                         " taken timestamptz, name text, v0 real, v1 real, v2 real, v3 real, v4 real, v5 real,"
                         " flags smallint, cml uuid, comment text, published_by text NOT NULL DEFAULT current_user);"
                         "CREATE TABLE bench_one(uuid uuid PRIMARY KEY, v real);"
                         "DROP SCHEMA IF EXISTS palvarin CASCADE")) {
        std::fprintf(stderr, "server: %s\n", qPrintable(admin.serverMessage()));
        return setupFailed;
    }
    // Each measure starts from a server that has written out the one before (not measured): a
    // checkpoint the first one's WAL calls for would otherwise land in the second.
    const auto settle = [&admin] { return admin.run("CHECKPOINT"); };
    QByteArray psqlOut;
    if (!settle())
        return setupFailed;
    const QString copyCommand =
        QStringLiteral("\\copy bench_copy(%1) FROM '%2'").arg(QLatin1String(copyColumns), copyFile);
    t.start();
    const bool copied = runTool(pgBin + QStringLiteral("/psql"),
                                {QStringLiteral("-X"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                 conninfo, QStringLiteral("-c"), copyCommand},
                                600000, &psqlOut);
    const double copyMs = msSince(t);
    if (!copied || count(admin, "SELECT count(*) FROM bench_copy") != readingCount) {
        std::fprintf(stderr, "the COPY baseline failed: %s\n", psqlOut.constData());
        return setupFailed;
    }
    std::printf("copy: %lld rows by psql \\copy into a bare table, %.0f ms\n", copyRows, copyMs);

    // Publishing the file into a server without the team's schema.
    TeamConnection publisher;
    if (!publisher.open(conninfo)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(publisher.serverMessage()));
        return setupFailed;
    }
    TeamPublish publish(publisher);
    if (!settle())
        return setupFailed;
    t.start();
    const TeamPublish::Outcome out = publish.publish(surveyFile);
    const double publishMs = msSince(t);
    const qint64 onServer = count(admin, "SELECT count(*) FROM palvarin.readings");
    if (out.problem != TeamPublish::Problem::None || out.readingsStored != readingCount || onServer != readingCount) {
        std::fprintf(stderr, "publish failed: problem %d, stored %lld, on the server %lld: %s %s\n",
                     int(out.problem), out.readingsStored, onServer, qPrintable(publisher.serverMessage()),
                     qPrintable(publish.localMessage()));
        return setupFailed;
    }
    std::printf("publish: %lld readings in %.0f ms (%.2f x copy)\n", out.readingsStored, publishMs,
                publishMs / copyMs);

    // The server settles first (not measured): the vacuum a million new rows call for, and the
    // checkpoint, would otherwise run beside whichever of the two single-row measures comes first.
    if (!admin.run("VACUUM ANALYZE palvarin.readings") || !settle()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(admin.serverMessage()));
        return setupFailed;
    }

    // Single-row inserts as pgbench times them, one client.
    QTemporaryDir benchDir(work.filePath(QStringLiteral("pgbench-XXXXXX")));
    const QString script = benchDir.filePath(QStringLiteral("insert.sql"));
    {
        QSaveFile f(script);
        if (!f.open(QIODevice::WriteOnly)
            || f.write("INSERT INTO bench_one(uuid, v) VALUES (gen_random_uuid(), 1.0);\n") < 0 || !f.commit())
            return setupFailed;
    }
    if (!runTool(pgBin + QStringLiteral("/pgbench"),
                 {QStringLiteral("-n"), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-t"),
                  QString::number(pgbenchTransactions), QStringLiteral("-f"), script, QStringLiteral("--log"),
                  QStringLiteral("--log-prefix=") + benchDir.filePath(QStringLiteral("pgbench_log")), conninfo},
                 300000, nullptr, benchDir.path()))
        return setupFailed;
    const std::vector<double> inserts = pgbenchLatencies(benchDir.path());
    if (inserts.size() != size_t(pgbenchTransactions)) {
        std::fprintf(stderr, "pgbench logged %zu transactions of %d\n", inserts.size(), pgbenchTransactions);
        return setupFailed;
    }
    const double insertP50 = percentile(inserts, 0.5);
    const double insertP99 = percentile(inserts, 0.99);
    std::printf("insert: %zu single-row INSERTs by pgbench, p50 %.3f ms, p99 %.3f ms\n", inserts.size(), insertP50,
                insertP99);

    // One reading the gauge pushes, kept in A's survey file, sent by the program's own live path
    // (TeamPush) until B, listening, holds the notification the schema's trigger sends.
    TeamConnection a, b;
    if (!a.open(conninfo) || !b.open(conninfo) || !b.run("LISTEN palvarin_readings")) {
        std::fprintf(stderr, "server: %s %s\n", qPrintable(a.serverMessage()), qPrintable(b.serverMessage()));
        return setupFailed;
    }
    SurveyStore laptop;
    if (!laptop.open(surveyFile)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(surveyFile), qPrintable(laptop.errorText()));
        return setupFailed;
    }
    laptop.beginSession(singleLayerGauge(), QDateTime::currentMSecsSinceEpoch());
    TeamPush push(a);
    std::vector<double> notifies, stores; // stores: A's push alone, to its return
    notifies.reserve(notifyRounds);
    stores.reserve(notifyRounds);
    for (int i = 0; i < notifyRounds; ++i) {
        const float values[] = {5.0f + float(i % 500) / 100.0f, 5920.0f};
        const quint8 flags[] = {0};
        const std::vector<qint64> kept =
            laptop.addRows(1, 2, values, flags, nullptr, RecordOrigin::Pushed, QDateTime::currentMSecsSinceEpoch());
        QElapsedTimer round;
        round.start();
        if (!push.push(laptop, kept)) {
            std::fprintf(stderr, "push: %s\n", qPrintable(a.serverMessage()));
            return setupFailed;
        }
        stores.push_back(msSince(round));
        if (!awaitNotification(b.handle(), "palvarin_readings", QByteArray(), notifyWaitMs)) {
            std::fprintf(stderr, "no notification within %d ms after reading %d (does the schema notify on"
                                 " palvarin_readings?)\n",
                         notifyWaitMs, i + 1);
            return setupFailed;
        }
        notifies.push_back(msSince(round));
    }
    laptop.endSession(QDateTime::currentMSecsSinceEpoch());
    const double notifyP50 = percentile(notifies, 0.5);
    const double notifyP99 = percentile(notifies, 0.99);
    std::printf("notify: %zu readings seen by a listener, p50 %.3f ms, p99 %.3f ms (the INSERT alone: p50 %.3f ms,"
                " p99 %.3f ms)\n",
                notifies.size(), notifyP50, notifyP99, percentile(stores, 0.5), percentile(stores, 0.99));

    const bool publishOk = publishMs <= publishBound * copyMs;
    const bool notifyOk = notifyP99 <= notifyBound * insertP99;
    std::printf("bounds: publish %.0f ms <= %.1f x copy %.0f ms: %s; notify p99 %.2f ms <= %.1f x insert p99"
                " %.2f ms: %s\n",
                publishMs, publishBound, copyMs, publishOk ? "yes" : "NO", notifyP99, notifyBound, insertP99,
                notifyOk ? "yes" : "NO");
    std::printf("team readings=%lld publish_ms=%.0f copy_ms=%.0f notify_p99_ms=%.2f insert_p99_ms=%.2f\n",
                out.readingsStored, publishMs, copyMs, notifyP99, insertP99);
    std::fflush(stdout);
    return publishOk && notifyOk ? 0 : 1;
}
