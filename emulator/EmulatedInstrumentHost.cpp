// The emulated gauge's host side: reports in and out, requests answered, replies and
// pushes timed as the USB interface would.
#include "emulator/EmulatedInstrument.h"

#include "emulator/EmulatorWire.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace EmulatorWire;

int EmulatedInstrument::hostReadReport(quint64 connectionEpoch, quint8 *buffer, int capacity, int timeoutMs)
{
    std::function<void()> unplugNow;
    int n = 0;
    {
        QMutexLocker lock(&mutex);
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        for (;;) {
            if (!plugged || connectionEpoch != plugEpoch)
                return -1;
            const Clock::time_point now = Clock::now();
            autoPushLocked(now);
            if (!input.empty() && input.front().readyAt <= now) {
                const QueuedReport report = input.front();
                input.pop_front();
                n = std::min(int(report.bytes.size()), std::max(capacity, 0));
                std::memcpy(buffer, report.bytes.constData(), n);
                if (report.unplugAfter >= 0)
                    unplugNow = selfUnplug ? selfUnplug : std::function<void()>();
                if (report.unplugAfter >= 0 && !unplugNow) {
                    plugged = false;
                    input.clear();
                    inputChanged.wakeAll();
                }
                break;
            }
            if (now >= deadline)
                return 0;
            Clock::time_point wake = deadline;
            if (!input.empty())
                wake = std::min(wake, input.front().readyAt);
            if (autoPushMeanMs > 0)
                wake = std::min(wake, nextAutoPush);
            inputChanged.wait(&mutex, QDeadlineTimer(wake, Qt::PreciseTimer));
        }
    }
    if (unplugNow)
        unplugNow();
    return n;
}

int EmulatedInstrument::hostWriteReport(quint64 connectionEpoch, const quint8 *report, int length, int timeoutMs)
{
    std::function<void()> unplugNow;
    {
        QMutexLocker lock(&mutex);
        if (!plugged || connectionEpoch != plugEpoch)
            return -1;
        const Clock::time_point now = Clock::now();
        const Clock::time_point start = std::max(now, outputFreeAt);
        const Clock::time_point done = start + std::chrono::microseconds(intervalUs);
        if (done - now > std::chrono::milliseconds(std::max(timeoutMs, 0)) && intervalUs > 0)
            return 0;
        outputFreeAt = done;
        // The endpoint takes one report per interval; the write completes when it is sent.
        while (Clock::now() < done) {
            inputChanged.wait(&mutex, QDeadlineTimer(done, Qt::PreciseTimer));
            if (!plugged || connectionEpoch != plugEpoch)
                return -1;
        }
        if (length >= 2 && report[0] == 0x3F) {
            const int payload = std::min<int>(report[1], length - 2);
            requestBuffer.append(reinterpret_cast<const char *>(report + 2), payload);
            handlePayloadLocked(done);
        }
        if (!plugged)
            unplugNow = selfUnplug;
    }
    if (unplugNow) {
        unplugNow();
        return -1;
    }
    return length;
}

bool EmulatedInstrument::hostPresent(quint64 connectionEpoch) const
{
    QMutexLocker lock(&mutex);
    return plugged && connectionEpoch == plugEpoch;
}

quint64 EmulatedInstrument::plugIn()
{
    QMutexLocker lock(&mutex);
    plugged = true;
    ++plugEpoch;
    input.clear();
    requestBuffer.clear();
    inputFreeAt = outputFreeAt = Clock::time_point{};
    if (autoPushMeanMs > 0)
        scheduleAutoPushLocked(Clock::now());
    inputChanged.wakeAll();
    return plugEpoch;
}

void EmulatedInstrument::pullOut()
{
    QMutexLocker lock(&mutex);
    plugged = false;
    input.clear();
    requestBuffer.clear();
    inputChanged.wakeAll();
}

quint64 EmulatedInstrument::epoch() const
{
    QMutexLocker lock(&mutex);
    return plugEpoch;
}

bool EmulatedInstrument::isPluggedIn() const
{
    QMutexLocker lock(&mutex);
    return plugged;
}

void EmulatedInstrument::setSelfUnplugHandler(std::function<void()> handler)
{
    QMutexLocker lock(&mutex);
    selfUnplug = std::move(handler);
}

void EmulatedInstrument::discardInput()
{
    QMutexLocker lock(&mutex);
    input.clear();
    inputFreeAt = Clock::time_point{};
}

void EmulatedInstrument::handlePayloadLocked(Clock::time_point now)
{
    for (;;) {
        const int start = int(requestBuffer.indexOf(char(StartByte)));
        requestBuffer.remove(0, start < 0 ? requestBuffer.size() : start);
        if (requestBuffer.size() < 2)
            return;
        const quint8 command = quint8(requestBuffer.at(1));
        int length = 0;
        if (command == 0x20)
            length = 8;
        else if (command == 0x40 || command == 0x41)
            length = 10;
        if (length == 0) {
            // Not a request this gauge knows: resynchronise on the next start byte.
            requestBuffer.remove(0, 1);
            continue;
        }
        if (requestBuffer.size() < length)
            return;
        const QByteArray request = requestBuffer.left(length);
        requestBuffer.remove(0, length);
        answerLocked(request, now);
    }
}

void EmulatedInstrument::answerLocked(const QByteArray &request, Clock::time_point now)
{
    log.append(request);
    const int body = int(request.size()) - 2;
    if (FramedLink::crc16(request, body) != get16(request, body))
        return; // a garbled request gets no answer
    const ReplyFault fault = faults.isEmpty() ? ReplyFault() : faults.takeFirst();
    if (fault.silent)
        return;
    if (fault.unplugAfterReports == 0) {
        plugged = false;
        input.clear();
        inputChanged.wakeAll();
        return;
    }
    QByteArray reply = !fault.replyOverride.isEmpty() ? fault.replyOverride
                       : fault.errorReply           ? errorReply()
                                                    : replyFor(request);
    if (fault.corruptCrc && !reply.isEmpty())
        reply[reply.size() - 1] = char(quint8(reply.at(reply.size() - 1)) ^ 0xFF);
    if (fault.truncateTo >= 0)
        reply.truncate(fault.truncateTo);
    const QByteArray bytes = fault.junkBefore + reply + fault.junkAfter;
    const Clock::time_point start = now + std::chrono::milliseconds(replyDelayMs + std::max(fault.delayMs, 0));
    queueBytesLocked(bytes, start, fault.payloadPerReport, fault.unplugAfterReports);
}

QByteArray EmulatedInstrument::replyFor(const QByteArray &request) const
{
    const quint8 command = quint8(request.at(1));
    QByteArray reply = request.left(request.size() - 2);
    if (command == 0x20) {
        const quint16 item = get16(request, 2);
        const int length = get16(request, 4);
        QByteArray data;
        if (item == 0x0005) {
            data.append(char(0xA5));
            data.append('\0');
            put16(data, quint16(keyDate.isValid() ? keyDate.year() : 0));
            data.append(char(keyDate.isValid() ? keyDate.month() : 0));
            data.append(char(keyDate.isValid() ? keyDate.day() : 0));
            put32(data, keySerial);
            put32(data, meter);
            put16(data, aux);
            put16(data, firmware);
        } else if (item == 0x000F) {
            put32(data, countWordSet ? countWord : quint32(reportedCount >= 0 ? reportedCount : records));
        } else if (item == 0x0061) {
            for (int u : units)
                put16(data, quint16(u));
        } else {
            return errorReply();
        }
        data.resize(length, '\0');
        reply.append(data);
    } else {
        const quint32 address = get32(request, 2);
        const int length = get16(request, 6);
        for (int i = 0; i < length; ++i) {
            quint32 offset = 0;
            const QByteArray *area = areaFor(address + quint32(i), &offset);
            reply.append(area && offset < quint32(area->size()) ? area->at(offset) : '\0');
        }
    }
    appendCrc(reply);
    return reply;
}

void EmulatedInstrument::queueBytesLocked(const QByteArray &bytes, Clock::time_point start, int payloadPerReport,
                                          int unplugAfterReports)
{
    if (bytes.isEmpty())
        return;
    const int chunk = (payloadPerReport >= 1 && payloadPerReport <= MaxPayload) ? payloadPerReport : MaxPayload;
    const std::chrono::microseconds interval(intervalUs);
    Clock::time_point at = std::max(start, inputFreeAt);
    int index = 0;
    for (int offset = 0; offset < bytes.size(); offset += chunk, ++index) {
        const int n = std::min(chunk, int(bytes.size()) - offset);
        QueuedReport report;
        report.bytes = QByteArray(ReportLength, '\0');
        report.bytes[0] = char(0x3F);
        report.bytes[1] = char(n);
        std::memcpy(report.bytes.data() + 2, bytes.constData() + offset, n);
        at += interval;
        report.readyAt = at;
        report.unplugAfter = (unplugAfterReports > 0 && index == unplugAfterReports - 1) ? unplugAfterReports : -1;
        input.push_back(report);
        if (report.unplugAfter >= 0)
            break; // nothing after the pull reaches the host
    }
    inputFreeAt = at;
    inputChanged.wakeAll();
}

void EmulatedInstrument::scheduleAutoPushLocked(Clock::time_point now)
{
    // Exponential gaps: pushes at random moments with the configured mean.
    randomState ^= randomState << 13;
    randomState ^= randomState >> 17;
    randomState ^= randomState << 5;
    const double u = (double(randomState % 1000000u) + 1.0) / 1000001.0;
    const bool regular = autoPushRegular || !pushValues.isEmpty();
    const double gapMs = regular ? double(autoPushMeanMs) : -std::log(u) * autoPushMeanMs;
    nextAutoPush = now + std::chrono::microseconds(qint64(gapMs * 1000.0));
}

void EmulatedInstrument::autoPushLocked(Clock::time_point now)
{
    if (autoPushMeanMs <= 0 || now < nextAutoPush)
        return;
    if (!pushValues.isEmpty() && pushValuesSent >= pushValues.size())
        return; // the scripted values are all out
    scheduleAutoPushLocked(now);
    const float jitter = float(randomState % 1000u) / 1000.0f;
    QList<QByteArray> fields;
    if (meter != 1) {
        fields = {field(2.0f + 8.0f * jitter), field(1.0f + jitter), field(0.5f + 2.0f * jitter),
                  field(5920.0f + 20.0f * jitter), field(3240.0f + 10.0f * jitter), field(1480.0f + 5.0f * jitter)};
    } else {
        fields = {field(5920.0f + 20.0f * jitter), field(3.0f + 20.0f * jitter)};
    }
    ++autoPushCount;
    if (!pushValues.isEmpty()) {
        const QByteArray thickness = field(pushValues[pushValuesSent++]);
        if (meter != 1)
            fields[0] = fields[1] = fields[2] = thickness;
        else
            fields[1] = thickness;
    } else if (countingPushes)
        fields[meter != 1 ? 0 : 1] = field(float(autoPushCount));
    else if (randomState % 10u == 0)
        fields[1] = outOfRangeField();
    queueBytesLocked(measurementFrame(fields), now, 0, -1);
}
