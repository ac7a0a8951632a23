#pragma once

#include <QPointer>
#include <QSharedPointer>

class FirstPage;
class MyThread;

// One command sequence's hold on the link: takes the worker's mutex so the poll loop
// cannot swallow replies, and gives it back on every path when it goes out of scope.
// The worker object is kept alive by the session, so a worker stopped meanwhile (the
// instrument pulled out while a message box is open) is still unlocked safely.
class LinkSession
{
public:
    explicit LinkSession(FirstPage *page);
    ~LinkSession();
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;

    // False when the mutex could not be had within the wait limit.
    bool locked() const { return held; }
    // False once the connection this session started on has been replaced or closed.
    bool stillCurrent() const;
    // Gives the mutex back early (before work that no longer needs the link).
    void release();

    static constexpr int lockWaitMs = 10000;

private:
    QPointer<FirstPage> page;
    QSharedPointer<MyThread> worker;
    bool held = false;
    bool counted = false;
};
