#pragma once

#include "hid/HidBackend.h"

// HID access through hidapi's hidraw back end (Linux).
class HidapiBackend : public HidBackend
{
public:
    HidapiBackend();
    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    // hidraw offers no exclusive open: every open is shared, and Busy is never reported.
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) override;
};
