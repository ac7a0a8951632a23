#pragma once

#include <QPointer>
#include <QSharedPointer>

class GaugeSession;
class PollWorker;

// One command sequence's hold on the link: takes the worker's mutex so the poll loop cannot
// swallow replies, and gives it back on every path when it goes out of scope. The worker
// object is kept alive by the sequence, so a worker stopped meanwhile (the gauge pulled out
// while a message box is open) is still unlocked safely. While any sequence runs, the
// session keeps a closed link alive and defers a settings change.
class CommandSequence
{
public:
    explicit CommandSequence(GaugeSession &session);
    ~CommandSequence();
    CommandSequence(const CommandSequence &) = delete;
    CommandSequence &operator=(const CommandSequence &) = delete;

    // False when the mutex could not be had within the wait limit.
    bool locked() const { return m_held; }
    // False once the connection this sequence started on has been closed or replaced.
    bool stillCurrent() const;
    // Gives the mutex back early (before work that no longer needs the link).
    void release();

private:
    QPointer<GaugeSession> m_session;
    QSharedPointer<PollWorker> m_worker;
    quint64 m_connection = 0;
    bool m_held = false;
    bool m_counted = false;
};
