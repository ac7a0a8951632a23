#include "hid/TracingBackend.h"

#include <QMutexLocker>

namespace {

class TracingConnection : public HidConnection
{
public:
    TracingConnection(std::unique_ptr<HidConnection> inner, TracingBackend &trace)
        : m_inner(std::move(inner)), m_trace(trace)
    {
    }

    int readReport(quint8 *buffer, int capacity, int timeoutMs) override
    {
        const int n = m_inner->readReport(buffer, capacity, timeoutMs);
        if (n > 0)
            m_trace.trace(TracingBackend::Direction::In, buffer, n);
        return n;
    }
    int writeReport(const quint8 *report, int length, int timeoutMs) override
    {
        const int n = m_inner->writeReport(report, length, timeoutMs);
        // Only a report that went out is on the wire.
        if (n > 0)
            m_trace.trace(TracingBackend::Direction::Out, report, length);
        return n;
    }
    bool isPresent() override { return m_inner->isPresent(); }
    int inputReportLength() const override { return m_inner->inputReportLength(); }
    int outputReportLength() const override { return m_inner->outputReportLength(); }
    QString serialNumber() override { return m_inner->serialNumber(); }

private:
    std::unique_ptr<HidConnection> m_inner;
    TracingBackend &m_trace;
};

} // namespace

TracingBackend::TracingBackend(HidBackend &inner) : m_inner(inner)
{
    m_clock.start();
}

TracingBackend::~TracingBackend() = default;

bool TracingBackend::open(const QString &path, QString *error)
{
    QMutexLocker locker(&m_mutex);
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    m_clock.restart();
    return true;
}

QList<HidDeviceInfo> TracingBackend::enumerate(quint16 vendorId, quint16 productId)
{
    return m_inner.enumerate(vendorId, productId);
}

std::unique_ptr<HidConnection> TracingBackend::open(const QString &path, bool exclusive, HidOpenResult *result)
{
    std::unique_ptr<HidConnection> connection = m_inner.open(path, exclusive, result);
    if (!connection)
        return connection;
    return std::make_unique<TracingConnection>(std::move(connection), *this);
}

void TracingBackend::trace(Direction direction, const quint8 *report, int length)
{
    QByteArray line;
    line.reserve(32 + 2 * length);
    QMutexLocker locker(&m_mutex);
    line += QByteArray::number(m_clock.nsecsElapsed() / 1000);
    line += direction == Direction::Out ? " out " : " in ";
    line += QByteArray::fromRawData(reinterpret_cast<const char *>(report), length).toHex();
    line += '\n';
    // One write per line, unbuffered: a crash loses at most the report being written.
    if (m_file.isOpen())
        m_file.write(line);
}

bool TracingBackend::parseLine(const QByteArray &line, Line *out)
{
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() != 3 || (parts[1] != "out" && parts[1] != "in"))
        return false;
    bool ok = false;
    const qint64 us = parts[0].toLongLong(&ok);
    if (!ok || us < 0 || parts[2].isEmpty() || parts[2].size() % 2 != 0)
        return false;
    const QByteArray report = QByteArray::fromHex(parts[2]);
    if (report.size() * 2 != parts[2].size())
        return false;
    if (out) {
        out->microseconds = us;
        out->direction = parts[1] == "out" ? Direction::Out : Direction::In;
        out->report = report;
    }
    return true;
}
