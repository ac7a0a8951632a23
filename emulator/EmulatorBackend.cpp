#include "emulator/EmulatorBackend.h"

#include <QDate>
#include <QFile>
#include <QMetaObject>
#include <QSettings>

#include <mutex>
#include <random>

namespace {

const QString PathPrefix = QStringLiteral("emulator:");
constexpr int ReportLength = 64;

} // namespace

// One plugged instrument and who has it open. Connections keep their slot alive, so a
// connection may outlive the backend's bookkeeping of it.
struct EmulatorBackend::Slot
{
    std::shared_ptr<EmulatedInstrument> instrument;
    QString serial;
    std::mutex lock;
    int openCount = 0;
    bool exclusive = false;
};

namespace {

class EmulatedConnection : public HidConnection
{
public:
    EmulatedConnection(std::shared_ptr<EmulatorBackend::Slot> slot, quint64 epoch, bool exclusive);
    ~EmulatedConnection() override;

    int readReport(quint8 *buffer, int capacity, int timeoutMs) override
    {
        return instrument->hostReadReport(epoch, buffer, capacity, timeoutMs);
    }
    int writeReport(const quint8 *report, int length, int timeoutMs) override
    {
        return instrument->hostWriteReport(epoch, report, length, timeoutMs);
    }
    bool isPresent() override { return instrument->hostPresent(epoch); }
    int inputReportLength() const override { return ReportLength; }
    int outputReportLength() const override { return ReportLength; }
    // A device that is gone does not answer the serial-number query.
    QString serialNumber() override { return instrument->hostPresent(epoch) ? serial : QString(); }

private:
    std::shared_ptr<EmulatorBackend::Slot> slot;
    std::shared_ptr<EmulatedInstrument> instrument;
    QString serial;
    quint64 epoch;
    bool exclusive;
};

} // namespace

EmulatedConnection::EmulatedConnection(std::shared_ptr<EmulatorBackend::Slot> s, quint64 e, bool x)
    : slot(std::move(s)), instrument(slot->instrument), serial(slot->serial), epoch(e), exclusive(x)
{
}

EmulatedConnection::~EmulatedConnection()
{
    std::lock_guard<std::mutex> guard(slot->lock);
    --slot->openCount;
    if (exclusive)
        slot->exclusive = false;
}

EmulatorBackend::EmulatorBackend() : deviceMonitor(std::make_unique<DeviceMonitor>()) {}

EmulatorBackend::~EmulatorBackend()
{
    QMutexLocker lock(&mutex);
    for (const auto &slot : slots_)
        slot->instrument->setSelfUnplugHandler({});
}

std::shared_ptr<EmulatorBackend::Slot> EmulatorBackend::takeSlotLocked(const QString &usbSerial)
{
    for (auto it = slots_.begin(); it != slots_.end(); ++it) {
        if ((*it)->serial == usbSerial) {
            std::shared_ptr<Slot> taken = *it;
            slots_.erase(it);
            return taken;
        }
    }
    return nullptr;
}

std::shared_ptr<EmulatedInstrument> EmulatorBackend::plug(std::shared_ptr<EmulatedInstrument> instrument)
{
    if (!instrument)
        return instrument;
    const QString serial = instrument->usbSerial();
    std::shared_ptr<Slot> replaced;
    {
        QMutexLocker lock(&mutex);
        replaced = takeSlotLocked(serial);
        auto slot = std::make_shared<Slot>();
        slot->instrument = instrument;
        slot->serial = serial;
        slots_.push_back(slot);
        instrument->setSelfUnplugHandler([this, serial] { unplug(serial); });
        instrument->plugIn();
    }
    if (replaced && replaced->instrument != instrument) {
        replaced->instrument->setSelfUnplugHandler({});
        replaced->instrument->pullOut();
    }
    notify(DeviceEvent::Arrival);
    return instrument;
}

std::shared_ptr<EmulatedInstrument> EmulatorBackend::plug(const QString &usbSerial, quint32 meterType,
                                                         quint16 firmwareVersion)
{
    return plug(std::make_shared<EmulatedInstrument>(usbSerial, meterType, firmwareVersion));
}

bool EmulatorBackend::unplug(const QString &usbSerial)
{
    std::shared_ptr<Slot> removed;
    {
        QMutexLocker lock(&mutex);
        removed = takeSlotLocked(usbSerial);
    }
    if (!removed)
        return false;
    removed->instrument->pullOut();
    notify(DeviceEvent::RemoveComplete);
    return true;
}

std::shared_ptr<EmulatedInstrument> EmulatorBackend::instrument(const QString &usbSerial) const
{
    QMutexLocker lock(&mutex);
    for (const auto &slot : slots_) {
        if (slot->serial == usbSerial)
            return slot->instrument;
    }
    return nullptr;
}

QList<std::shared_ptr<EmulatedInstrument>> EmulatorBackend::instruments() const
{
    QMutexLocker lock(&mutex);
    QList<std::shared_ptr<EmulatedInstrument>> list;
    for (const auto &slot : slots_)
        list.append(slot->instrument);
    return list;
}

DeviceMonitor *EmulatorBackend::monitor() const
{
    return deviceMonitor.get();
}

void EmulatorBackend::notify(int eventCode)
{
    // Never called with the backend's mutex held: a direct receiver may enumerate at once.
    DeviceMonitor *target = deviceMonitor.get();
    QMetaObject::invokeMethod(
        target, [target, eventCode] { emit target->deviceChange(eventCode); }, Qt::AutoConnection);
}

QList<HidDeviceInfo> EmulatorBackend::enumerate(quint16 vendorId, quint16 productId)
{
    QList<HidDeviceInfo> list;
    if (vendorId != VendorId || productId != ProductId)
        return list;
    QMutexLocker lock(&mutex);
    for (const auto &slot : slots_) {
        HidDeviceInfo info;
        info.path = PathPrefix + slot->serial;
        info.serialNumber = slot->serial;
        info.interfaceNumber = 0;
        info.vendorId = VendorId;
        info.productId = ProductId;
        list.append(info);
    }
    return list;
}

std::unique_ptr<HidConnection> EmulatorBackend::open(const QString &path, bool exclusive, HidOpenResult *result)
{
    if (result)
        *result = HidOpenResult::Failed;
    if (!path.startsWith(PathPrefix))
        return nullptr;
    const QString serial = path.mid(PathPrefix.size());
    std::shared_ptr<Slot> slot;
    {
        QMutexLocker lock(&mutex);
        for (const auto &s : slots_) {
            if (s->serial == serial)
                slot = s;
        }
    }
    if (!slot)
        return nullptr;
    const quint64 epoch = slot->instrument->epoch();
    {
        std::lock_guard<std::mutex> guard(slot->lock);
        if (slot->exclusive || (exclusive && slot->openCount > 0)) {
            if (result)
                *result = HidOpenResult::Busy;
            return nullptr;
        }
        ++slot->openCount;
        slot->exclusive = exclusive;
        // Like a freshly opened hidraw node, a first opener sees only what comes next.
        if (slot->openCount == 1)
            slot->instrument->discardInput();
    }
    if (result)
        *result = HidOpenResult::Ok;
    return std::make_unique<EmulatedConnection>(slot, epoch, exclusive);
}

void EmulatorBackend::fillDemoRecords(EmulatedInstrument &instrument, int count, int outOfRange)
{
    std::mt19937 random(20221231u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Some names are Chinese, in the gauge's narrow encoding (GBK).
    const QList<QByteArray> stems = {QByteArray("\xB9\xDC\xB5\xC0" "A"),  // 管道A
                                     QByteArray("\xCD\xE4\xCD\xB7"),      // 弯头
                                     QByteArray("\xB4\xA2\xB9\xDE" "B"),  // 储罐B
                                     QByteArray("Pipe-"), QByteArray("Tank")};
    const int every = outOfRange > 0 ? std::max(1, count / outOfRange) : 0;
    int marked = 0;
    for (int i = 0; i < count; ++i) {
        const bool outside = every > 0 && marked < outOfRange && i % every == every / 2;
        if (outside)
            ++marked;
        if (instrument.isMultiLayer()) {
            const QByteArray name = stems[i % stems.size()] + QByteArray::number(i / stems.size() + 1);
            std::array<QByteArray, 3> thickness = {EmulatedInstrument::field(2.0f + 18.0f * unit(random)),
                                                   EmulatedInstrument::field(0.5f + 3.0f * unit(random)),
                                                   EmulatedInstrument::field(0.2f + 1.0f * unit(random))};
            std::array<QByteArray, 3> velocity = {EmulatedInstrument::field(5900.0f + 60.0f * unit(random)),
                                                  EmulatedInstrument::field(3200.0f + 80.0f * unit(random)),
                                                  EmulatedInstrument::field(1480.0f + 20.0f * unit(random))};
            if (outside)
                thickness[i % 3] = EmulatedInstrument::outOfRangeField();
            instrument.addMultiLayerRecord(name, thickness, velocity);
        } else {
            QByteArray velocity = EmulatedInstrument::field(5900.0f + 60.0f * unit(random));
            QByteArray thickness = EmulatedInstrument::field(1.0f + 30.0f * unit(random));
            if (outside)
                thickness = EmulatedInstrument::outOfRangeField();
            instrument.addSingleLayerRecord(velocity, thickness);
        }
    }
}

std::unique_ptr<EmulatorBackend> EmulatorBackend::createDemo(const QString &iniPathOrEmpty)
{
    auto backend = std::make_unique<EmulatorBackend>();
    std::unique_ptr<QSettings> ini;
    if (!iniPathOrEmpty.isEmpty() && QFile::exists(iniPathOrEmpty))
        ini = std::make_unique<QSettings>(iniPathOrEmpty, QSettings::IniFormat);
    auto value = [&ini](const QString &key, const QVariant &fallback) {
        return ini ? ini->value(key, fallback) : fallback;
    };

    const int intervalUs = value("Emulator/reportIntervalUs", 1000).toInt();
    const int autoPushMs = value("Emulator/autoPushMeanMs", 5000).toInt();
    const bool countingPushes = value("Emulator/countingPushes", false).toBool();
    // QSettings reads "5.1,5.02" as a list of strings already; a single value is a string.
    QList<float> pushValues;
    const QVariant pushed = value("Emulator/pushValues", QVariant());
    QStringList pushedTexts = pushed.toStringList();
    if (pushedTexts.size() == 1)
        pushedTexts = pushedTexts.first().split(QLatin1Char(','));
    for (const QString &text : pushedTexts) {
        bool ok = false;
        const float v = text.trimmed().toFloat(&ok);
        if (ok)
            pushValues << v;
    }
    const int count = std::clamp(value("Emulator/instruments", 1).toInt(), 0, 6);
    for (int n = 1; n <= count; ++n) {
        const QString group = QStringLiteral("Instrument%1/").arg(n);
        const QString serial = value(group + "serial", QString::number(12344 + n)).toString();
        const quint32 meterType = value(group + "meterType", 2).toUInt();
        const quint16 firmware = quint16(value(group + "firmware", meterType == 1 ? 110 : 125).toUInt());
        QDate date = QDate::fromString(value(group + "date", "2022-12-31").toString(), Qt::ISODate);
        auto gauge = std::make_shared<EmulatedInstrument>(serial, meterType, firmware);
        gauge->setKeyInfo(serial.toUInt(), meterType, firmware, date);
        fillDemoRecords(*gauge, std::max(0, value(group + "records", 40).toInt()),
                        std::max(0, value(group + "outOfRange", 3).toInt()));
        gauge->setReportedCount(value(group + "reportedCount", -1).toInt());
        gauge->setReplyDelayMs(value(group + "replyDelayMs", 0).toInt());
        gauge->setReportIntervalUs(intervalUs);
        gauge->setCountingPushes(countingPushes);
        gauge->setPushValues(pushValues); // before the auto-push, which times by it
        gauge->setAutoPush(autoPushMs);
        backend->plug(gauge);
    }
    return backend;
}
