#include "session/GaugeSetup.h"

#include "emulator/EmulatorBackend.h"
#include "hid/TracingBackend.h"
#include "store/SurveyStore.h"

#include <QFileInfo>

// Picks the gauge with one serial when several are attached: the link then only sees that one.
class GaugeSetup::SerialFilter : public HidBackend
{
public:
    SerialFilter(HidBackend &inner, const QString &serial) : m_inner(inner), m_serial(serial) {}

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        QList<HidDeviceInfo> kept;
        for (HidDeviceInfo info : m_inner.enumerate(vendorId, productId)) {
            info.serialNumber = serialOf(m_inner, info);
            if (info.serialNumber == m_serial)
                kept.append(info);
        }
        return kept;
    }
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) override
    {
        return m_inner.open(path, exclusive, result);
    }

private:
    HidBackend &m_inner;
    QString m_serial;
};

GaugeSetup::GaugeSetup() = default;
GaugeSetup::~GaugeSetup() = default;

GaugeSetup::Problem GaugeSetup::build(const Choice &choice, HidBackend *replacement, QString *error)
{
    m_backend = replacement;
    const bool demo = choice.demo || !choice.demoConfig.isEmpty();
    if (!m_backend && demo) {
        if (!choice.demoConfig.isEmpty() && !QFileInfo(choice.demoConfig).isReadable())
            return Problem::DemoConfigUnreadable;
        m_emulator = EmulatorBackend::createDemo(choice.demoConfig);
        m_backend = m_emulator.get();
    }
    m_real = !m_backend;
    if (!m_backend)
        m_backend = &HidBackend::platform();
    if (!choice.trace.isEmpty()) {
        m_tracer = std::make_unique<TracingBackend>(*m_backend);
        QString why;
        if (!m_tracer->open(choice.trace, &why)) {
            if (error)
                *error = why;
            return Problem::TraceUnwritable;
        }
        m_backend = m_tracer.get();
    }
    if (!choice.serial.isEmpty()) {
        m_filter = std::make_unique<SerialFilter>(*m_backend, choice.serial);
        m_backend = m_filter.get();
    }
    return Problem::None;
}

QString GaugeSetup::serialOf(HidBackend &backend, const HidDeviceInfo &info)
{
    if (!info.serialNumber.isEmpty())
        return info.serialNumber;
    HidOpenResult result = HidOpenResult::Failed;
    const std::unique_ptr<HidConnection> connection = backend.open(info.path, false, &result);
    return connection ? connection->serialNumber() : QString();
}

QString GaugeSetup::storePath(const QString &given)
{
    QString path = given;
    if (path.isEmpty())
        path = qEnvironmentVariable("PALVARIN_STORE");
    if (path.isEmpty())
        path = SurveyStore::defaultPath();
    return path;
}
