#pragma once

#include "hid/DeviceMonitor.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

// Device notices from libudev's monitor on the hidraw subsystem: add becomes an arrival,
// remove a removal. Listens to the udev daemon's events where one runs, else to the
// kernel's own.
class UdevDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT
public:
    explicit UdevDeviceMonitor(QObject *parent = nullptr);
    ~UdevDeviceMonitor() override;

    // False when the monitor could not be set up; no notices arrive then.
    bool start();
    // "udev" or "kernel" once started.
    const char *source() const { return sourceName; }

private:
    void receive();

    struct udev *context = nullptr;
    struct udev_monitor *monitorHandle = nullptr;
    QSocketNotifier *notifier = nullptr;
    const char *sourceName = "";
};
