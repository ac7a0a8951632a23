#include "emulator/EmulatedInstrument.h"

#include "emulator/EmulatorWire.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace EmulatorWire;

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

void EmulatedInstrument::setPushValues(const QList<float> &thicknesses)
{
    QMutexLocker lock(&mutex);
    pushValues = thicknesses;
    pushValuesSent = 0;
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
