#include "hid/HidDeviceState.h"

#include <QElapsedTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace {

// Reports are read into the record's buffer; a device that does not say how long its
// reports are gets the whole buffer, so nothing it sends is cut off.
int inputCapacity(const HidDeviceState &state)
{
    const int length = state.inputReportLength;
    return (length > 0 && length <= HidDeviceState::BufferSize) ? length : HidDeviceState::BufferSize;
}

// Without a known output length the full-speed report size is used.
int outputLength(const HidDeviceState &state)
{
    const int length = state.outputReportLength;
    if (length <= 0)
        return 2 + HidDeviceState::MaxPayload;
    return std::min(length, static_cast<int>(HidDeviceState::BufferSize));
}

} // namespace

int hidWriteStream(HidDeviceState &state, const quint8 *source, int len, HidStreamStatus *status)
{
    HidStreamStatus result = HidStreamStatus::None;
    if (len <= 0 || !source) {
        if (status)
            *status = result;
        return 0;
    }
    const int reportLength = outputLength(state);
    // A report too short for the id and length byte cannot carry anything.
    const int maxChunk = std::min(HidDeviceState::MaxPayload, reportLength - 2);
    QVarLengthArray<quint8, 64> report(reportLength);

    int sent = 0;
    while (sent < len && result == HidStreamStatus::None) {
        if (!state.open || !state.handle) {
            result = HidStreamStatus::NotOpen;
            break;
        }
        if (maxChunk <= 0) {
            result = HidStreamStatus::Failed;
            break;
        }
        const int chunk = std::min(maxChunk, len - sent);
        std::fill(report.begin(), report.end(), quint8(0));
        report[0] = HidDeviceState::ReportId;
        report[1] = static_cast<quint8>(chunk);
        std::memcpy(report.data() + 2, source + sent, chunk);
        const int written = state.handle->writeReport(report.constData(), reportLength, state.writeTimeoutMs);
        if (written == reportLength)
            sent += chunk;
        else if (written == 0)
            result = HidStreamStatus::TimedOut;
        else
            result = HidStreamStatus::Failed;
    }
    if (status)
        *status = result;
    return result == HidStreamStatus::None ? len : 0;
}

int hidReadStream(HidDeviceState &state, quint8 *destination, int len, HidStreamStatus *status)
{
    HidStreamStatus result = HidStreamStatus::None;
    if (status)
        *status = result;
    if (len <= 0 || !destination)
        return 0;

    int given = 0;
    if (state.carryOver > 0) {
        const int take = std::min<int>(state.carryOver, len);
        std::memcpy(destination, state.reportBuffer, take);
        std::memmove(state.reportBuffer, state.reportBuffer + take, state.carryOver - take);
        state.carryOver = static_cast<quint16>(state.carryOver - take);
        given = take;
        if (given == len)
            return len;
    }

    // Reports that carry nothing for us (other ids, empty payloads) must not keep the
    // call alive for ever: they count against the per-report wait.
    QElapsedTimer sincePayload;
    sincePayload.start();
    QElapsedTimer total;
    total.start();
    const int capacity = inputCapacity(state);
    while (given < len) {
        if (state.readBudgetMs > 0 && given > 0 && total.elapsed() >= state.readBudgetMs) {
            result = HidStreamStatus::TimedOut; // hands over what it holds, as a time-out does
            break;
        }
        if (!state.open || !state.handle) {
            result = HidStreamStatus::NotOpen;
            break;
        }
        const int n = state.handle->readReport(state.reportBuffer, capacity, state.readTimeoutMs);
        if (n == 0) {
            result = HidStreamStatus::TimedOut;
            break;
        }
        if (n < 0) {
            result = HidStreamStatus::Failed;
            break;
        }
        const int got = std::min(n, capacity);
        const bool ours = got >= 2 && state.reportBuffer[0] == HidDeviceState::ReportId;
        const int payload = ours ? std::min<int>(state.reportBuffer[1], got - 2) : 0;
        if (payload == 0) {
            if (sincePayload.elapsed() > state.readTimeoutMs) {
                result = HidStreamStatus::TimedOut;
                break;
            }
            continue;
        }
        sincePayload.restart();
        const int wanted = len - given;
        if (payload > wanted) {
            std::memcpy(destination + given, state.reportBuffer + 2, wanted);
            std::memmove(state.reportBuffer, state.reportBuffer + 2 + wanted, payload - wanted);
            state.carryOver = static_cast<quint16>(payload - wanted);
            return len;
        }
        std::memcpy(destination + given, state.reportBuffer + 2, payload);
        given += payload;
    }
    if (status)
        *status = result;
    if (given == len)
        return len;
    // A time-out after some bytes (carried or new) were handed out returns them; dropping
    // them would lose data the caller already holds in its buffer.
    if (result == HidStreamStatus::TimedOut)
        return given;
    return 0;
}

int hidDiscardInput(HidDeviceState &state, QByteArray *droppedBytes)
{
    int dropped = state.carryOver;
    if (droppedBytes)
        droppedBytes->append(reinterpret_cast<const char *>(state.reportBuffer), state.carryOver);
    state.carryOver = 0;
    if (!state.open || !state.handle)
        return dropped;
    const int capacity = inputCapacity(state);
    // Bounded: a device streaming without pause cannot hold the caller here.
    for (int i = 0; i < 1024; ++i) {
        const int n = state.handle->readReport(state.reportBuffer, capacity, 0);
        if (n <= 0)
            break;
        const int got = std::min(n, capacity);
        if (got >= 2 && state.reportBuffer[0] == HidDeviceState::ReportId) {
            const int payload = std::min<int>(state.reportBuffer[1], got - 2);
            if (droppedBytes)
                droppedBytes->append(reinterpret_cast<const char *>(state.reportBuffer + 2), payload);
            dropped += payload;
        }
    }
    return dropped;
}

void hidCloseState(HidDeviceState &state)
{
    if (!state.open)
        return;
    state.handle.reset();
    state.open = 0;
    state.carryOver = 0;
}
