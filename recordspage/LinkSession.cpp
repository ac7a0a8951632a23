#include "recordspage/LinkSession.h"

#include "link/MyThread.h"
#include "recordspage/FirstPage.h"

LinkSession::LinkSession(FirstPage *owner) : page(owner), worker(owner->workerObject)
{
    ++owner->sequenceDepth;
    counted = true;
    // With no worker running there is no poll loop to keep away from the link.
    held = worker ? worker->mutex.tryLock(lockWaitMs) : true;
}

LinkSession::~LinkSession()
{
    release();
}

bool LinkSession::stillCurrent() const
{
    return page && page->workerObject == worker;
}

void LinkSession::release()
{
    if (held && worker)
        worker->mutex.unlock();
    held = false;
    if (counted && page) {
        counted = false;
        if (--page->sequenceDepth == 0)
            page->runDeferredSettingsChange();
    }
}
