#include "hid/HidDevice.h"

#include "hid/HidBackend.h"

#include <algorithm>

namespace {

// The platform path test ("vid_2047&pid_0301" in a Windows device path) has no
// counterpart on Linux: the back end enumerates by vendor and product instead, and the
// index i of the 0..127 scan is the position in that list. The ids are checked again
// here in case a back end returns more than it was asked for.
QList<HidDeviceInfo> scanList(HidBackend &backend, quint16 vendorId, quint16 productId)
{
    QList<HidDeviceInfo> matching;
    const QList<HidDeviceInfo> all = backend.enumerate(vendorId, productId);
    for (int i = 0; i < all.size() && i < HidDevice::MaxInterfaces; ++i) {
        if (all[i].vendorId == vendorId && all[i].productId == productId)
            matching.append(all[i]);
    }
    return matching;
}

} // namespace

HidDevice::HidDevice() = default;

HidDevice::~HidDevice()
{
    if (state)
        close();
}

void HidDevice::close()
{
    if (state)
        hidCloseState(*state);
    openFlag = false;
}

GaugeError HidDevice::causeOf(HidStreamStatus status, GaugeError timedOut, GaugeError failed)
{
    switch (status) {
    case HidStreamStatus::None:
        return GaugeError::None;
    case HidStreamStatus::NotOpen:
        return GaugeError::NotOpen;
    case HidStreamStatus::TimedOut:
        return timedOut;
    case HidStreamStatus::Failed:
        break;
    }
    // The back end fails a transfer alike for an error and for a device that went.
    return isRemoved() ? GaugeError::Removed : failed;
}

int HidDevice::read(quint8 *destination, int len, int timeoutMs)
{
    if (!openFlag || !state) {
        error.store(GaugeError::NotOpen);
        return 0;
    }
    // A negative wait would block for ever in the platform call.
    state->readTimeoutMs = qMax(timeoutMs, 0);
    HidStreamStatus status = HidStreamStatus::None;
    const int n = hidReadStream(*state, destination, len, &status);
    error.store(n > 0 ? GaugeError::None : causeOf(status, GaugeError::NoReply, GaugeError::ReadFailed));
    return n;
}

void HidDevice::setReadBudgetMs(int ms)
{
    if (state)
        state->readBudgetMs = qMax(ms, 0);
}

int HidDevice::write(const quint8 *source, int len, int timeoutMs)
{
    if (!openFlag || !state) {
        error.store(GaugeError::NotOpen);
        return 0;
    }
    state->writeTimeoutMs = qMax(timeoutMs, 0);
    HidStreamStatus status = HidStreamStatus::None;
    const int n = hidWriteStream(*state, source, len, &status);
    error.store(causeOf(status, GaugeError::WriteFailed, GaugeError::WriteFailed));
    return n;
}

bool HidDevice::isRemoved()
{
    if (!state || !state->open || !state->handle)
        return true;
    return !state->handle->isPresent();
}

int HidDevice::discardPending()
{
    return discardPending(nullptr);
}

int HidDevice::discardPending(QByteArray *dropped)
{
    if (!openFlag || !state)
        return 0;
    return hidDiscardInput(*state, dropped);
}

int HidDevice::listSerials(HidBackend &backend, quint16 vendorId, quint16 productId, QStringList *serials)
{
    return listSerials(backend, vendorId, productId, serials, nullptr);
}

int HidDevice::listSerials(HidBackend &backend, quint16 vendorId, quint16 productId, QStringList *serials,
                           bool *sawBusy)
{
    QStringList listed;
    int repeats = 0;
    int largestInterface = 0;
    QString lastRead;
    for (const HidDeviceInfo &info : scanList(backend, vendorId, productId)) {
        HidOpenResult result = HidOpenResult::Failed;
        std::unique_ptr<HidConnection> handle = backend.open(info.path, false, &result);
        if (!handle) {
            if (sawBusy && result == HidOpenResult::Busy)
                *sawBusy = true;
            continue;
        }
        const QString serialText = handle->serialNumber().left(39);
        handle.reset();
        lastRead = serialText;
        // The Windows path names a composite device's interface (mi_NN); the back ends
        // give the interface number directly.
        largestInterface = std::max(largestInterface, info.interfaceNumber);
        if (serialText.isEmpty() && listed.contains(serialText)) {
            ++repeats;
            continue;
        }
        if (!listed.contains(serialText) && listed.size() < MaxSerials && repeats == 0)
            listed.append(serialText);
    }

    int n = listed.size();
    if (repeats == 1 && listed.size() == 2) {
        n = 2;
    } else if (repeats > 0) {
        n = std::min(MaxSerials, (repeats + 1) / (largestInterface + 1));
        while (listed.size() < n)
            listed.append(lastRead);
    }
    if (serials)
        *serials = listed.mid(0, std::max(n, 0));
    return n;
}

int HidDevice::countInterfaces(HidBackend &backend, quint16 vendorId, quint16 productId,
                                  const QStringList &listedSerials)
{
    int count = 0;
    for (const HidDeviceInfo &info : scanList(backend, vendorId, productId)) {
        HidOpenResult result = HidOpenResult::Failed;
        std::unique_ptr<HidConnection> handle = backend.open(info.path, false, &result);
        // An instrument held by someone else, known by its enumerated serial to be none
        // of the listed ones, would otherwise inflate the count and spoil the selection.
        const bool othersBusy = result == HidOpenResult::Busy && !info.serialNumber.isEmpty()
                && !listedSerials.contains(info.serialNumber.left(39));
        if (handle || (result == HidOpenResult::Busy && !othersBusy))
            ++count;
    }
    if (count == 0 || listedSerials.isEmpty())
        return 0;
    return count / int(listedSerials.size());
}

int HidDevice::failOpen(GaugeError cause)
{
    state.reset();
    error.store(cause);
    return -1;
}

int HidDevice::open(quint16 vendorId, quint16 productId, HidBackend *backend)
{
    HidBackend &hid = backend ? *backend : HidBackend::platform();
    if (openFlag)
        close();
    state = std::make_unique<HidDeviceState>();
    serial.clear();

    QStringList serials;
    bool sawBusy = false;
    const int listed = listSerials(hid, vendorId, productId, &serials, &sawBusy);
    if (listed <= 0 || serials.isEmpty()) {
        // Interfaces that could not even be opened shared tell a refusal from an absence.
        if (sawBusy)
            return failOpen(GaugeError::Busy);
        return failOpen(scanList(hid, vendorId, productId).isEmpty() ? GaugeError::NotFound : GaugeError::OpenFailed);
    }
    const int k = countInterfaces(hid, vendorId, productId, serials);
    if (k <= 0)
        return failOpen(GaugeError::NotFound); // gone between the two scans

    // The instrument listed last is the one opened. An instrument without a serial
    // number is matched by its empty serial, and a one-character serial is compared as
    // text like any other.
    const QString chosen = serials.last();
    int runningIndex = 0;
    GaugeError cause = GaugeError::NotFound;
    for (const HidDeviceInfo &info : scanList(hid, vendorId, productId)) {
        HidOpenResult result = HidOpenResult::Failed;
        std::unique_ptr<HidConnection> handle = hid.open(info.path, k == 1, &result);
        if (!handle) {
            if (result == HidOpenResult::Busy) {
                // A busy interface that enumerates with another serial is someone else's
                // instrument and does not stand in the way of ours.
                if (!info.serialNumber.isEmpty() && info.serialNumber != chosen)
                    continue;
                cause = GaugeError::Busy;
                if (runningIndex == k - 1)
                    break;
                ++runningIndex;
            } else if (cause != GaugeError::Busy) {
                cause = GaugeError::OpenFailed;
            }
            continue;
        }
        const bool matches = handle->serialNumber().left(39) == chosen;
        if (matches && runningIndex == k - 1) {
            const int in = handle->inputReportLength();
            const int out = handle->outputReportLength();
            if (in > 0)
                state->inputReportLength = static_cast<quint16>(std::min(in, 0xFFFF));
            if (out > 0)
                state->outputReportLength = static_cast<quint16>(std::min(out, 0xFFFF));
            state->handle = std::move(handle);
            state->open = 1;
            openFlag = true;
            serial = chosen;
            error.store(GaugeError::None);
            return 0;
        }
        if (matches)
            ++runningIndex;
    }
    return failOpen(cause);
}
