#include "session/DeviceNotices.h"

#include "hid/DeviceMonitor.h"
#include "session/GaugeSession.h"

DeviceNotices::DeviceNotices(GaugeSession &session, QObject *parent) : QObject(parent), m_session(session) {}

void DeviceNotices::setMonitor(DeviceMonitor *monitor)
{
    if (m_monitor)
        disconnect(m_monitor, nullptr, this, nullptr);
    m_monitor = monitor;
    if (m_monitor)
        connect(m_monitor, &DeviceMonitor::deviceChange, this, &DeviceNotices::handle);
}

void DeviceNotices::handle(int eventCode)
{
    switch (eventCode) {
    case DeviceEvent::Arrival:
        // Notices carry no device identity: with a link held, the arrival is another device.
        if (!m_session.hasLink())
            m_session.connectGauge();
        break;
    case DeviceEvent::RemoveComplete:
        if (m_session.linkRemoved())
            m_session.closeLink();
        break;
    default:
        break;
    }
}
