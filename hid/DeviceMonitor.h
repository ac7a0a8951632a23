#pragma once

#include <QObject>

// Device notification codes, as the window-message handler knows them.
namespace DeviceEvent {
constexpr int Arrival = 0x8000;
constexpr int RemoveComplete = 0x8004;
constexpr int TypeSpecific = 0x8005;
}

// A source of device arrival and removal notices for the main window.
class DeviceMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // One of the DeviceEvent codes. Notices carry no device identity, like the platform's.
    void deviceChange(int eventCode);
};
