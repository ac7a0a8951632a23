#include "link/PollWorker.h"

#include "link/FramedLink.h"

#include <QThread>

PollWorker::PollWorker(FramedLink *link, QObject *parent) : QObject(parent), framed(link) {}

void PollWorker::run()
{
    while (!stopRequested.load()) {
        if (!mutex.tryLock(lockAttemptMs))
            continue;
        if (stopRequested.load()) {
            mutex.unlock();
            break;
        }
        // Frames the last commands set aside came before anything this poll reads: they lead
        // the batch, so one stream carries everything in arrival order.
        QByteArray batch = framed ? framed->takeSetAsidePushes() : QByteArray();
        const int received = framed ? framed->receiveFrame(batch, 0, 0, false) : -1;
        mutex.unlock();
        if (received > 0 || !batch.isEmpty())
            emit polled(batch);
        // Sleep with the mutex free: the GUI thread, waiting for it, gets it at once
        // instead of racing the next lock, and no processor is kept busy.
        QThread::msleep(pollPauseMs);
    }
}
