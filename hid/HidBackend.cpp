#include "hid/HidBackend.h"

#include "hid/HidapiBackend.h"

#include <atomic>

namespace {
std::atomic<HidBackend *> installed{nullptr};
}

HidBackend &HidBackend::current()
{
    if (HidBackend *backend = installed.load())
        return *backend;
    static HidapiBackend hidapi;
    return hidapi;
}

void HidBackend::setCurrent(HidBackend *backend)
{
    installed.store(backend);
}
