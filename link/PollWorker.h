#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <atomic>

class FramedLink;

// The worker that polls the link for bytes the instrument sends unasked, on its own
// thread. Its mutex is the one lock around the link: the poll holds it for each poll,
// the GUI thread for each whole command sequence.
class PollWorker : public QObject
{
    Q_OBJECT
public:
    explicit PollWorker(FramedLink *link, QObject *parent = nullptr);

    QMutex mutex;

    // Safe to call from any thread, with or without the mutex.
    void requestStop() { stopRequested.store(true); }
    bool isStopRequested() const { return stopRequested.load(); }

    // Pause between polls and the longest single wait for the mutex; the poll loop
    // looks at the stop flag between attempts, so it ends even while the GUI thread
    // holds the mutex in a message box.
    static constexpr int pollPauseMs = 30;
    static constexpr int lockAttemptMs = 20;

public slots:
    // The poll loop: runs on the worker's thread until a stop is requested.
    void run();

signals:
    // The frames the framed link set aside since the last poll, then the bytes this poll
    // received (pushed frames, whole or cut at either end).
    void polled(const QByteArray &bytes);

private:
    FramedLink *framed;
    std::atomic<bool> stopRequested{false};
};
