#include "mainwindow/UdevDeviceMonitor.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cstring>
#include <libudev.h>

UdevDeviceMonitor::UdevDeviceMonitor(QObject *parent) : DeviceMonitor(parent) {}

UdevDeviceMonitor::~UdevDeviceMonitor()
{
    delete notifier;
    if (monitorHandle)
        udev_monitor_unref(monitorHandle);
    if (context)
        udev_unref(context);
}

bool UdevDeviceMonitor::start()
{
    if (notifier)
        return true;
    context = udev_new();
    if (!context)
        return false;
    // Without a udev daemon (containers, build machines) nothing re-broadcasts the
    // kernel's events, so listen to the kernel directly there.
    sourceName = QFileInfo::exists(QStringLiteral("/run/udev/control")) ? "udev" : "kernel";
    monitorHandle = udev_monitor_new_from_netlink(context, sourceName);
    if (!monitorHandle)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitorHandle, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitorHandle) < 0)
        return false;
    const int fd = udev_monitor_get_fd(monitorHandle);
    if (fd < 0)
        return false;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &UdevDeviceMonitor::receive);
    return true;
}

void UdevDeviceMonitor::receive()
{
    // The descriptor is non-blocking: take every event that is waiting.
    while (udev_device *device = udev_monitor_receive_device(monitorHandle)) {
        const char *action = udev_device_get_action(device);
        int code = 0;
        if (action && std::strcmp(action, "add") == 0)
            code = DeviceEvent::Arrival;
        else if (action && std::strcmp(action, "remove") == 0)
            code = DeviceEvent::RemoveComplete;
        udev_device_unref(device);
        if (code)
            emit deviceChange(code);
    }
}
