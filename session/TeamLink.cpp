#include "session/TeamLink.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "teamstore/TeamPush.h"
#include "teamstore/TeamSchema.h"

#include <QMetaObject>
#include <QSet>

#include <algorithm>
#include <type_traits>
#include <utility>
#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

TeamLink::Report reportOf(const TeamConnection &connection, const QString &local = QString())
{
    return TeamLink::Report{connection.problem(), connection.serverMessage(), local};
}

} // namespace

TeamLink::TeamLink(const QString &surveyFile, QObject *parent)
    : QObject(parent)
    , m_file(surveyFile)
{
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_worker = std::thread([this] { workerLoop(); });
}

TeamLink::~TeamLink()
{
    stopListening();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
        m_jobs.clear();
    }
    m_cancel = true;
    m_wake.notify_all();
    m_worker.join();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void TeamLink::push(const std::vector<qint64> &keys)
{
    if (!m_live || keys.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_pushLock);
        m_pushes.insert(m_pushes.end(), keys.begin(), keys.end());
    }
    const quint64 one = 1;
    if (m_wakeFd >= 0 && write(m_wakeFd, &one, sizeof one) < 0) {
        // Already signalled (the counter is full): the thread is awake anyway.
    }
}

void TeamLink::setConnection(const QString &conninfo)
{
    if (conninfo == m_conninfo)
        return;
    const bool wasLive = m_live;
    stopListening();
    m_conninfo = conninfo;
    if (wasLive)
        setLive(true);
}

void TeamLink::post(Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void TeamLink::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

namespace {

// A job's run of Runner (TeamPublish, TeamSync) over a connection of its own: its outcome and
// what the connection and the file said.
template <typename Runner>
std::pair<typename Runner::Outcome, TeamLink::Report> runJob(const QString &conninfo, const QString &file,
                                                             const typename Runner::Progress &progress,
                                                             const std::atomic<bool> *cancel)
{
    TeamConnection connection;
    typename Runner::Outcome out;
    QString local;
    if (!connection.open(conninfo)) {
        out.problem = Runner::Problem::Server;
    } else {
        Runner runner(connection);
        if constexpr (std::is_same_v<Runner, TeamPublish>)
            out = runner.publish(file, progress, cancel);
        else
            out = runner.sync(file, progress, cancel);
        local = runner.localMessage();
    }
    return {out, reportOf(connection, local)};
}

} // namespace

bool TeamLink::startJob(const std::function<void(const QString &conninfo, const Progress &progress)> &job)
{
    if (m_busy || m_conninfo.trimmed().isEmpty())
        return false;
    m_busy = true;
    m_cancel = false;
    const QString conninfo = m_conninfo;
    const Progress tell = [this](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(this, [this, done, total] { emit progress(done, total); }, Qt::QueuedConnection);
    };
    post([job, conninfo, tell] { job(conninfo, tell); });
    return true;
}

bool TeamLink::publish()
{
    return startJob([this](const QString &conninfo, const Progress &progress) {
        const auto [out, report] = runJob<TeamPublish>(conninfo, m_file, progress, &m_cancel);
        QMetaObject::invokeMethod(
            this,
            [this, out = out, report = report] {
                m_busy = false;
                emit published(out, report);
            },
            Qt::QueuedConnection);
    });
}

bool TeamLink::sync()
{
    return startJob([this](const QString &conninfo, const Progress &progress) {
        const auto [out, report] = runJob<TeamSync>(conninfo, m_file, progress, &m_cancel);
        QMetaObject::invokeMethod(
            this,
            [this, out = out, report = report] {
                m_busy = false;
                m_conflicts = out.conflicts;
                emit conflictsChanged();
                const qint64 changed = out.readingsAdded + out.added.assets + out.added.cmls + out.added.routes
                    + out.cmlsUpdated;
                if (changed)
                    emit fileChanged(out.readingsAdded);
                emit synced(out, report);
            },
            Qt::QueuedConnection);
    });
}

bool TeamLink::choose(qint64 cml, TeamConflicts::Keep keep)
{
    const auto found = std::find_if(m_conflicts.cbegin(), m_conflicts.cend(),
                                    [cml](const CmlConflict &c) { return c.cml == cml; });
    if (found == m_conflicts.cend())
        return false;
    const CmlConflict conflict = *found;
    return startJob([this, conflict, keep](const QString &conninfo, const Progress &) {
        TeamConnection connection;
        TeamConflicts::Result result = TeamConflicts::Result::Server;
        QString local;
        if (connection.open(conninfo)) {
            SurveyStore store;
            Places places(store);
            if (!store.open(m_file)) {
                result = TeamConflicts::Result::Local;
                local = store.errorText();
            } else {
                result = TeamConflicts::choose(connection, places, conflict, keep);
                if (result == TeamConflicts::Result::Local)
                    local = store.errorText();
            }
        }
        const Report report = reportOf(connection, local);
        QMetaObject::invokeMethod(
            this,
            [this, cml = conflict.cml, result, report] {
                m_busy = false;
                if (result == TeamConflicts::Result::Done) {
                    m_conflicts.erase(std::remove_if(m_conflicts.begin(), m_conflicts.end(),
                                                     [cml](const CmlConflict &c) { return c.cml == cml; }),
                                      m_conflicts.end());
                    emit fileChanged(0);
                }
                emit chose(cml, result, report);
            },
            Qt::QueuedConnection);
    });
}

void TeamLink::cancel()
{
    m_cancel = true;
}

void TeamLink::setLive(bool on)
{
    if (!on) {
        const bool was = m_live;
        stopListening();
        if (was)
            emit liveChanged(false, Report());
        return;
    }
    if (m_live || m_conninfo.trimmed().isEmpty())
        return;
    stopListening();
    m_live = true;
    m_stopListening = false;
    m_listener = std::thread([this] { listenLoop(); });
}

void TeamLink::stopListening()
{
    m_stopListening = true;
    if (m_listener.joinable())
        m_listener.join();
    m_live = false;
}

void TeamLink::listenLoop()
{
    TeamConnection connection;
    SurveyStore store;
    const auto lost = [&](const QString &local) {
        const Report report = reportOf(connection, local);
        m_live = false;
        QMetaObject::invokeMethod(this, [this, report] { emit liveChanged(false, report); }, Qt::QueuedConnection);
    };
    if (!connection.open(m_conninfo))
        return lost(QString());
    if (!store.open(m_file) || !store.writable())
        return lost(store.errorText());
    const QByteArray listen = QByteArray("LISTEN ") + TeamSchema::ReadingsChannel + "; LISTEN "
        + TeamSchema::RegisterChannel;
    if (!connection.script(listen.constData()))
        return lost(QString());
    QMetaObject::invokeMethod(this, [this] { emit liveChanged(true, Report()); }, Qt::QueuedConnection);

    TeamSync sync(connection);
    const auto bringIn = [&](const TeamSync::Outcome &out, bool registerRead) {
        const qint64 changed = out.readingsAdded + out.added.assets + out.added.cmls + out.added.routes + out.cmlsUpdated;
        if (changed) {
            const qint64 readings = out.readingsAdded;
            QMetaObject::invokeMethod(this, [this, readings] { emit fileChanged(readings); }, Qt::QueuedConnection);
        }
        // The register read anew says which conflicts there are now.
        if (registerRead) {
            const QVector<CmlConflict> conflicts = out.conflicts;
            QMetaObject::invokeMethod(
                this,
                [this, conflicts] {
                    m_conflicts = conflicts;
                    emit conflictsChanged();
                },
                Qt::QueuedConnection);
        }
    };
    // What was published while this laptop was not listening comes first.
    const TeamSync::Outcome caughtUp = sync.sync(store, {}, &m_stopListening);
    if (caughtUp.problem == TeamSync::Problem::Server)
        return lost(QString());
    bringIn(caughtUp, true);

    PGconn *pg = connection.handle();
    const int ownPid = PQbackendPID(pg);
    TeamPush pusher(connection);
    // Notices that came in while a statement ran (the catch-up, a push, a sync) wait in libpq,
    // not on the socket: each turn takes those first, then waits.
    while (!m_stopListening) {
        bool registerChanged = false;
        QSet<QByteArray> surveys;
        while (PGnotify *notice = PQnotifies(pg)) {
            if (notice->be_pid == ownPid) {
                // This laptop's own push: the file has it.
            } else if (qstrcmp(notice->relname, TeamSchema::RegisterChannel) == 0) {
                registerChanged = true;
            } else {
                QByteArray hex(notice->extra);
                hex.replace('-', QByteArray());
                const QByteArray uuid = QByteArray::fromHex(hex);
                if (uuid.size() == 16)
                    surveys.insert(uuid);
            }
            PQfreemem(notice);
        }
        if (registerChanged || !surveys.isEmpty()) {
            const TeamSync::Outcome out = sync.syncNamed(store, registerChanged, surveys);
            if (out.problem == TeamSync::Problem::Server)
                return lost(QString());
            bringIn(out, registerChanged);
            continue; // its statements may have brought more notices in
        }
        pollfd fds[2] = {{PQsocket(pg), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = poll(fds, m_wakeFd >= 0 ? 2 : 1, ListenSliceMs);
        if (ready < 0 && errno != EINTR)
            return lost(QString());
        if (ready <= 0)
            continue;
        if (fds[1].revents & POLLIN) {
            quint64 count = 0;
            if (read(m_wakeFd, &count, sizeof count) < 0) {
                // Nothing to read after all: another wake took it.
            }
            std::vector<qint64> keys;
            {
                std::lock_guard<std::mutex> lock(m_pushLock);
                keys.swap(m_pushes);
            }
            if (!keys.empty() && !pusher.push(store, keys)) {
                if (connection.problem() == TeamConnection::Problem::Unreachable)
                    return lost(QString());
                const Report report = reportOf(connection);
                QMetaObject::invokeMethod(this, [this, report] { emit pushFailed(report); }, Qt::QueuedConnection);
            }
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) && (!PQconsumeInput(pg) || PQstatus(pg) != CONNECTION_OK)) {
            connection.fail(nullptr);
            return lost(QString());
        }
    }
}
