// ThreadSanitizer builds only (PALVARIN_TSAN), preloaded into the test processes.
//
// Qt's QMutex tells TSan about its lock and unlock in inline code, but QWaitCondition::wait
// unlocks and relocks the mutex inside the Qt library, which is not built with TSan. TSan
// then believes the waiting thread still holds the mutex and reports a double lock and
// races on everything the mutex guards. These definitions stand in for Qt's, report the
// release and the reacquisition around the real wait, and call it.
#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

#include <cstdio>
#include <cstdlib>

namespace {

template <typename Fn>
Fn qtDefinition(const char *symbol)
{
    void *found = dlsym(RTLD_NEXT, symbol);
    if (!found) {
        std::fprintf(stderr, "TsanQtWait: %s not found in Qt\n", symbol);
        std::abort();
    }
    return reinterpret_cast<Fn>(found);
}

void released(QMutex *mutex)
{
    __tsan_mutex_pre_unlock(mutex, 0);
    __tsan_mutex_post_unlock(mutex, 0);
}

void reacquired(QMutex *mutex)
{
    __tsan_mutex_pre_lock(mutex, 0);
    __tsan_mutex_post_lock(mutex, 0, 0);
}

} // namespace

bool QWaitCondition::wait(QMutex *mutex, QDeadlineTimer deadline)
{
    using Fn = bool (*)(QWaitCondition *, QMutex *, QDeadlineTimer);
    static const Fn qt = qtDefinition<Fn>("_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    released(mutex);
    const bool woken = qt(this, mutex, deadline);
    reacquired(mutex);
    return woken;
}

bool QWaitCondition::wait(QMutex *mutex, unsigned long time)
{
    using Fn = bool (*)(QWaitCondition *, QMutex *, unsigned long);
    static const Fn qt = qtDefinition<Fn>("_ZN14QWaitCondition4waitEP6QMutexm");
    released(mutex);
    const bool woken = qt(this, mutex, time);
    reacquired(mutex);
    return woken;
}
