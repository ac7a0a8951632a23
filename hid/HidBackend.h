#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>

// One HID interface present on the system, as the platform enumerates it.
struct HidDeviceInfo
{
    QString path;          // platform path used to open it
    QString serialNumber;  // empty when the device reports none
    int interfaceNumber = -1;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// An opened HID interface: whole reports in, whole reports out.
class HidConnection
{
public:
    virtual ~HidConnection() = default;
    // Reads one input report (report id first) into buffer; waits at most timeoutMs.
    // Returns the report's byte count, 0 when none came in time, -1 on error or removal.
    virtual int readReport(quint8 *buffer, int capacity, int timeoutMs) = 0;
    // Writes one output report (report id first); waits at most timeoutMs.
    // Returns the byte count written, 0 on time-out, -1 on failure.
    virtual int writeReport(const quint8 *report, int length, int timeoutMs) = 0;
    // False once the device is gone (the presence query fails).
    virtual bool isPresent() = 0;
    // Report lengths in bytes including the report id; 0 when the device does not say.
    virtual int inputReportLength() const = 0;
    virtual int outputReportLength() const = 0;
    virtual QString serialNumber() = 0;
};

enum class HidOpenResult { Ok, Busy, Failed };

// The platform's HID access: hidapi for real instruments, the emulator for demo and tests.
class HidBackend
{
public:
    virtual ~HidBackend() = default;
    virtual QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) = 0;
    // Opens a path; exclusive asks that nobody else may have it open. Busy: someone does.
    virtual std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) = 0;

    // The platform's own back end (hidapi). main hands a back end to whoever opens devices;
    // nothing finds one through a global.
    static HidBackend &platform();
};
