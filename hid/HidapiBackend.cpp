#include "hid/HidapiBackend.h"

#include <hidapi.h>

#include <sys/stat.h>

#include <QByteArray>
#include <mutex>

namespace {

void initOnce()
{
    static std::once_flag flag;
    std::call_once(flag, [] { hid_init(); });
}

// The instrument's reports: id 0x3F, length byte, 62 payload bytes. hidapi does not
// hand out the report descriptor's sizes on this version, so this is the known size.
constexpr int ReportLength = 64;

class HidapiConnection : public HidConnection
{
public:
    HidapiConnection(hid_device *device, const QByteArray &nodePath)
        : device(device), node(nodePath)
    {
        struct stat info {};
        if (::stat(node.constData(), &info) == 0)
            deviceNumber = info.st_rdev;
    }
    ~HidapiConnection() override { hid_close(device); }

    int readReport(quint8 *buffer, int capacity, int timeoutMs) override
    {
        if (gone || capacity <= 0)
            return -1;
        // hidraw puts the report id first for numbered reports, as the stream layer expects.
        const int n = hid_read_timeout(device, buffer, static_cast<size_t>(capacity), timeoutMs);
        if (n < 0)
            gone = true;
        return n;
    }

    int writeReport(const quint8 *report, int length, int timeoutMs) override
    {
        Q_UNUSED(timeoutMs) // hidraw writes block in the driver; hidapi takes no limit
        if (gone)
            return -1;
        const int n = hid_write(device, report, static_cast<size_t>(length));
        if (n < 0)
            gone = true;
        return n;
    }

    // hidapi answers the serial-number query from data cached at open, so it keeps
    // succeeding after removal. The hidraw node, however, disappears when the device
    // goes (and a re-plugged device may get the same name with a new device number),
    // and a read or write on a removed device fails; any of these means it is gone.
    bool isPresent() override
    {
        if (gone)
            return false;
        struct stat info {};
        if (::stat(node.constData(), &info) != 0)
            return false;
        return deviceNumber == 0 || info.st_rdev == deviceNumber;
    }

    int inputReportLength() const override { return ReportLength; }
    int outputReportLength() const override { return ReportLength; }

    QString serialNumber() override
    {
        wchar_t text[40] = {};
        if (hid_get_serial_number_string(device, text, 40) != 0)
            return QString();
        text[39] = 0;
        return QString::fromWCharArray(text);
    }

private:
    hid_device *device;
    QByteArray node;
    dev_t deviceNumber = 0;
    bool gone = false;
};

} // namespace

HidapiBackend::HidapiBackend()
{
    initOnce();
}

QList<HidDeviceInfo> HidapiBackend::enumerate(quint16 vendorId, quint16 productId)
{
    QList<HidDeviceInfo> list;
    hid_device_info *all = hid_enumerate(vendorId, productId);
    for (hid_device_info *d = all; d; d = d->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path);
        info.serialNumber = d->serial_number ? QString::fromWCharArray(d->serial_number) : QString();
        info.interfaceNumber = d->interface_number;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        list.append(info);
    }
    hid_free_enumeration(all);
    return list;
}

std::unique_ptr<HidConnection> HidapiBackend::open(const QString &path, bool exclusive, HidOpenResult *result)
{
    // hidraw cannot refuse other openers, so an exclusive request is served shared.
    Q_UNUSED(exclusive)
    const QByteArray node = path.toLocal8Bit();
    hid_device *device = hid_open_path(node.constData());
    if (result)
        *result = device ? HidOpenResult::Ok : HidOpenResult::Failed;
    if (!device)
        return nullptr;
    return std::make_unique<HidapiConnection>(device, node);
}
