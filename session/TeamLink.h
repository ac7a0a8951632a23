#pragma once

#include "teamstore/TeamConflicts.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamSync.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The window's link to the team server: publishing the survey file, syncing it, settling
// conflicts, and while live, bringing in what others publish as they publish it. Every call to
// the server runs on the link's own thread, one job at a time, so the window never waits for
// the network; results come back as signals on the thread that made the link (the GUI's).
//
// The survey file is reached by its path through a connection of the link's own (SQLite lets
// the window's store and this one share the file); the window's views read it again on
// fileChanged().
class TeamLink : public QObject
{
    Q_OBJECT
public:
    // What a finished job says, for the face to put in words.
    struct Report
    {
        TeamConnection::Problem server = TeamConnection::Problem::None;
        QString serverMessage; // the server's own words, beside the face's
        QString localMessage;  // the survey file's problem, or the name taken (Duplicate)
    };

    // Listens on the team's channels while live: a survey published elsewhere is in the file
    // within about this long.
    static constexpr int ListenSliceMs = 100;

    TeamLink(const QString &surveyFile, QObject *parent = nullptr);
    // Cancels the job under way and waits (bounded by the connection's timeouts) for the thread.
    ~TeamLink() override;

    // A libpq connection string or "service=NAME". Changing it drops the live connection.
    void setConnection(const QString &conninfo);
    QString connection() const { return m_conninfo; }

    // Starts a job; false (nothing started) when one is under way or no connection was given.
    bool publish();
    bool sync();
    // Settles the conflict of the last sync on `cml`; false when it has none or a job runs.
    bool choose(qint64 cml, TeamConflicts::Keep keep);
    // Asks the job under way to stop between two of its steps.
    void cancel();
    bool busy() const { return m_busy; }

    // Live: a connection of its own LISTENs, and a notice brings the surveys it names into the
    // file (with the register when it changed). Off: the connection is closed.
    void setLive(bool on);
    bool live() const { return m_live; }

    // While live, these rows of the survey file (just kept: pushed readings) go to the server at
    // once; off, or failing, they wait for the next publish.
    void push(const std::vector<qint64> &keys);

    // The conflicts the last sync found, still to be chosen.
    QVector<CmlConflict> conflicts() const { return m_conflicts; }

signals:
    void progress(qint64 done, qint64 total);
    void published(const TeamPublish::Outcome &outcome, const TeamLink::Report &report);
    void synced(const TeamSync::Outcome &outcome, const TeamLink::Report &report);
    void chose(qint64 cml, TeamConflicts::Result result, const TeamLink::Report &report);
    // Live started (ok) or could not start or was lost (the report says why); live() follows.
    void liveChanged(bool on, const TeamLink::Report &report);
    // Readings or register rows came into the file (from any job or a live notice): open views
    // read it again.
    void fileChanged(qint64 readings);
    // conflicts() changed: a sync, or a live look at the register, found them as they are now.
    void conflictsChanged();
    // Readings pushed while live could not be sent (the report says why); they stay in the
    // file for the next publish.
    void pushFailed(const TeamLink::Report &report);

private:
    using Job = std::function<void()>;
    using Progress = std::function<void(qint64 done, qint64 total)>;
    // Runs `job` on the link's thread unless one is under way or no server was named.
    bool startJob(const std::function<void(const QString &conninfo, const Progress &progress)> &job);
    void post(Job job);
    void workerLoop();
    void listenLoop();
    void stopListening();

    QString m_file;
    QString m_conninfo;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_cancel{false};
    QVector<CmlConflict> m_conflicts;

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stop = false;
    std::thread m_worker;

    std::atomic<bool> m_live{false};
    std::atomic<bool> m_stopListening{false};
    std::thread m_listener;
    // Keys to push, handed to the listening thread; the eventfd wakes its wait.
    std::mutex m_pushLock;
    std::vector<qint64> m_pushes;
    int m_wakeFd = -1;
};

Q_DECLARE_METATYPE(TeamLink::Report)
Q_DECLARE_METATYPE(TeamPublish::Outcome)
Q_DECLARE_METATYPE(TeamSync::Outcome)
Q_DECLARE_METATYPE(TeamConflicts::Result)
