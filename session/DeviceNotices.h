#pragma once

#include "hid/DeviceMonitor.h"

#include <QObject>
#include <QPointer>

class GaugeSession;

// What a device notice does to the gauge session: an arrival connects the gauge (link, worker,
// identification) unless a link is held; a removal closes the held link once that link reports
// its device gone (another device's removal leaves it alone). The window and the tests take
// their notices through this one policy.
class DeviceNotices : public QObject
{
    Q_OBJECT
public:
    // The session must outlive this object.
    explicit DeviceNotices(GaugeSession &session, QObject *parent = nullptr);

    // Where the notices come from (udev, or the emulator); null stops listening.
    void setMonitor(DeviceMonitor *monitor);
    DeviceMonitor *monitor() const { return m_monitor; }

    // One notice, a DeviceEvent code; others are ignored.
    void handle(int eventCode);

private:
    GaugeSession &m_session;
    QPointer<DeviceMonitor> m_monitor;
};
