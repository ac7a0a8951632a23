#include "emulator/EmulatedInstrument.h"

#include "link/FramedLink.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr quint8 StartByte = 0xAB;
constexpr int ReportLength = 64;
constexpr int MaxPayload = 62;
constexpr int FieldSlots = 6;
// Raw writes far beyond any record memory are refused rather than allocated.
constexpr quint32 MaxImageSize = 16u << 20;

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

quint16 get16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | (quint8(b.at(at + 1)) << 8));
}

quint32 get32(const QByteArray &b, int at)
{
    return quint32(get16(b, at)) | (quint32(get16(b, at + 2)) << 16);
}

void appendCrc(QByteArray &frame)
{
    put16(frame, FramedLink::crc16(frame, int(frame.size())));
}

QByteArray errorReply()
{
    QByteArray reply;
    reply.append(char(StartByte));
    reply.append(char(0xA0));
    reply.append(char(0x04));
    reply.append(3, '\0');
    appendCrc(reply);
    return reply;
}

QByteArray fourBytes(const QByteArray &fieldBytes)
{
    QByteArray f = fieldBytes.left(4);
    f.append(4 - f.size(), '\0');
    return f;
}

} // namespace

EmulatedInstrument::EmulatedInstrument(const QString &usbSerial, quint32 meterType, quint16 firmwareVersion)
    : serialText(usbSerial), meter(meterType), firmware(firmwareVersion)
{
    bool numeric = false;
    const quint32 value = usbSerial.toUInt(&numeric);
    keySerial = numeric ? value : 0;
    // The units the gauge reports out of the box for its layout.
    units = isMultiLayer() ? QList<int>{0, 0, 0, 2, 2, 2} : QList<int>{2, 0};
    while (units.size() < 60)
        units.append(0);
}

EmulatedInstrument::~EmulatedInstrument() = default;

QString EmulatedInstrument::usbSerial() const
{
    QMutexLocker lock(&mutex);
    return serialText;
}

void EmulatedInstrument::setKeyInfo(quint32 serialNo, quint32 meterType, quint16 firmwareVersion,
                                    const QDate &date, quint16 auxWord)
{
    QMutexLocker lock(&mutex);
    keySerial = serialNo;
    meter = meterType;
    firmware = firmwareVersion;
    keyDate = date;
    aux = auxWord;
}

quint32 EmulatedInstrument::meterType() const
{
    QMutexLocker lock(&mutex);
    return meter;
}

bool EmulatedInstrument::isMultiLayer() const
{
    QMutexLocker lock(&mutex);
    return meter != 1;
}

void EmulatedInstrument::setUnitNumbers(const QList<int> &list)
{
    QMutexLocker lock(&mutex);
    units = list.mid(0, 60);
    while (units.size() < 60)
        units.append(0);
}

QList<int> EmulatedInstrument::unitNumbers() const
{
    QMutexLocker lock(&mutex);
    return units;
}

QByteArray EmulatedInstrument::field(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, 4);
    QByteArray f;
    put32(f, bits);
    return f;
}

QByteArray EmulatedInstrument::outOfRangeField()
{
    return QByteArray("\x48\xB8\x5B\x6E", 4);
}

QByteArray EmulatedInstrument::settingsChangedField()
{
    return QByteArray("\x1D\xF2\x34\x6E", 4);
}

void EmulatedInstrument::addSingleLayerRecord(const QByteArray &velocity, const QByteArray &thickness)
{
    QMutexLocker lock(&mutex);
    valuesImage.append(fourBytes(velocity));
    valuesImage.append(fourBytes(thickness));
    valuesImage.append(4, '\0');
    ++records;
}

void EmulatedInstrument::addSingleLayerRecord(float velocity, float thickness)
{
    addSingleLayerRecord(field(velocity), field(thickness));
}

void EmulatedInstrument::addMultiLayerRecord(const QByteArray &nameBytes, const std::array<QByteArray, 3> &thickness,
                                             const std::array<QByteArray, 3> &velocity)
{
    QMutexLocker lock(&mutex);
    for (const QByteArray &f : thickness)
        valuesImage.append(fourBytes(f));
    for (const QByteArray &f : velocity)
        valuesImage.append(fourBytes(f));
    valuesImage.append(4, '\0');
    // Name slots sit at 16 * record in their own area, whatever raw writes did before.
    namesImage.resize(records * NameSlotSize, '\0');
    QByteArray slot = nameBytes.left(NameLength);
    slot.append(NameSlotSize - slot.size(), '\0');
    namesImage.append(slot);
    ++records;
}

void EmulatedInstrument::addMultiLayerRecord(const QByteArray &nameBytes, const std::array<float, 3> &thickness,
                                             const std::array<float, 3> &velocity)
{
    addMultiLayerRecord(nameBytes, {field(thickness[0]), field(thickness[1]), field(thickness[2])},
                        {field(velocity[0]), field(velocity[1]), field(velocity[2])});
}

void EmulatedInstrument::clearRecords()
{
    QMutexLocker lock(&mutex);
    valuesImage.clear();
    namesImage.clear();
    records = 0;
}

int EmulatedInstrument::storedRecordCount() const
{
    QMutexLocker lock(&mutex);
    return records;
}

void EmulatedInstrument::setReportedCount(int count)
{
    QMutexLocker lock(&mutex);
    reportedCount = count;
    countWordSet = false;
}

void EmulatedInstrument::setReportedCountWord(quint32 word)
{
    QMutexLocker lock(&mutex);
    countWord = word;
    countWordSet = true;
}

QByteArray *EmulatedInstrument::areaFor(quint32 address, quint32 *offset)
{
    if (address >= NamesAddress) {
        *offset = address - NamesAddress;
        return &namesImage;
    }
    if (address >= ValuesAddress) {
        *offset = address - ValuesAddress;
        return &valuesImage;
    }
    return nullptr;
}

const QByteArray *EmulatedInstrument::areaFor(quint32 address, quint32 *offset) const
{
    return const_cast<EmulatedInstrument *>(this)->areaFor(address, offset);
}

void EmulatedInstrument::writeMemory(quint32 address, const QByteArray &bytes)
{
    QMutexLocker lock(&mutex);
    for (int i = 0; i < bytes.size(); ++i) {
        quint32 offset = 0;
        QByteArray *area = areaFor(address + quint32(i), &offset);
        if (!area || offset >= MaxImageSize)
            continue;
        if (offset >= quint32(area->size()))
            area->resize(offset + 1, '\0');
        (*area)[offset] = bytes.at(i);
    }
}

QByteArray EmulatedInstrument::memory(quint32 address, int length) const
{
    QMutexLocker lock(&mutex);
    QByteArray out(std::max(length, 0), '\0');
    for (int i = 0; i < out.size(); ++i) {
        quint32 offset = 0;
        const QByteArray *area = areaFor(address + quint32(i), &offset);
        if (area && offset < quint32(area->size()))
            out[i] = area->at(offset);
    }
    return out;
}

QByteArray EmulatedInstrument::measurementFrame(const QList<QByteArray> &fields)
{
    QByteArray frame("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8);
    for (int i = 0; i < FieldSlots; ++i)
        frame.append(i < fields.size() ? fourBytes(fields[i]) : QByteArray(4, '\0'));
    appendCrc(frame);
    return frame;
}

void EmulatedInstrument::pushMeasurement(const QList<QByteArray> &fields)
{
    pushRaw(measurementFrame(fields));
}

void EmulatedInstrument::pushSingleLayer(float velocity, float thickness)
{
    pushMeasurement({field(velocity), field(thickness)});
}

void EmulatedInstrument::pushMultiLayer(const std::array<float, 3> &thickness, const std::array<float, 3> &velocity)
{
    pushMeasurement({field(thickness[0]), field(thickness[1]), field(thickness[2]), field(velocity[0]),
                     field(velocity[1]), field(velocity[2])});
}

void EmulatedInstrument::pushSettingsChanged()
{
    QList<QByteArray> fields;
    for (int i = 0; i < FieldSlots; ++i)
        fields.append(settingsChangedField());
    pushMeasurement(fields);
}

void EmulatedInstrument::pushRaw(const QByteArray &bytes)
{
    QMutexLocker lock(&mutex);
    if (!plugged)
        return;
    queueBytesLocked(bytes, Clock::now(), 0, -1);
}

void EmulatedInstrument::setAutoPush(int meanMs)
{
    QMutexLocker lock(&mutex);
    autoPushMeanMs = std::max(meanMs, 0);
    if (autoPushMeanMs > 0)
        scheduleAutoPushLocked(Clock::now());
}

void EmulatedInstrument::setAutoPushRegular(bool on)
{
    QMutexLocker lock(&mutex);
    autoPushRegular = on;
}

void EmulatedInstrument::setCountingPushes(bool on)
{
    QMutexLocker lock(&mutex);
    countingPushes = on;
}

int EmulatedInstrument::autoPushesSent() const
{
    QMutexLocker lock(&mutex);
    return autoPushCount;
}

void EmulatedInstrument::injectFault(const ReplyFault &fault, int replies)
{
    QMutexLocker lock(&mutex);
    for (int i = 0; i < replies; ++i)
        faults.append(fault);
}

void EmulatedInstrument::setReplyDelayMs(int ms)
{
    QMutexLocker lock(&mutex);
    replyDelayMs = std::max(ms, 0);
}

void EmulatedInstrument::setReportIntervalUs(int us)
{
    QMutexLocker lock(&mutex);
    intervalUs = std::max(us, 0);
}

int EmulatedInstrument::reportIntervalUs() const
{
    QMutexLocker lock(&mutex);
    return intervalUs;
}

QList<QByteArray> EmulatedInstrument::requestLog() const
{
    QMutexLocker lock(&mutex);
    return log;
}

void EmulatedInstrument::clearRequestLog()
{
    QMutexLocker lock(&mutex);
    log.clear();
}

int EmulatedInstrument::pendingInputReports() const
{
    QMutexLocker lock(&mutex);
    return int(input.size());
}

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
    const double gapMs = autoPushRegular ? double(autoPushMeanMs) : -std::log(u) * autoPushMeanMs;
    nextAutoPush = now + std::chrono::microseconds(qint64(gapMs * 1000.0));
}

void EmulatedInstrument::autoPushLocked(Clock::time_point now)
{
    if (autoPushMeanMs <= 0 || now < nextAutoPush)
        return;
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
    if (countingPushes)
        fields[meter != 1 ? 0 : 1] = field(float(autoPushCount));
    else if (randomState % 10u == 0)
        fields[1] = outOfRangeField();
    queueBytesLocked(measurementFrame(fields), now, 0, -1);
}
