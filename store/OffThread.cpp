#include "store/OffThread.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

void runOffThread(const std::function<void()> &work)
{
    std::atomic<bool> done{false};
    std::thread thread([&] {
        work();
        done = true;
    });
    // Looked at from this thread's own timer: nothing crosses threads but the flag.
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    check.start(1);
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    thread.join();
}
