#pragma once

#include "hid/HidBackend.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QString>

// Wraps a back end and writes every HID report that goes over its connections to a file, for
// bug reports: one line per report, "<microseconds since start> <out|in> <report as hex>".
// "out" is a report the program sent, "in" one it received (report id first, whole report).
// Reads that brought nothing are not written. Works over any back end, the emulator too.
//
// The file is written as the reports pass and flushed line by line, so a trace survives a
// crash of the program: that is when it is wanted most. Connections may trace from any
// thread; lines never interleave.
class TracingBackend : public HidBackend
{
public:
    // `inner` must outlive this back end and every connection it opened.
    explicit TracingBackend(HidBackend &inner);
    ~TracingBackend() override;

    // Creates (or truncates) the trace file; false with the reason in `error` when it cannot.
    bool open(const QString &path, QString *error);
    QString path() const { return m_file.fileName(); }

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) override;

    enum class Direction { Out, In };
    // One report into the trace; called by the traced connections.
    void trace(Direction direction, const quint8 *report, int length);

    // A line of the trace, parsed back (tests, tools). False for a line of another form.
    struct Line
    {
        qint64 microseconds = 0;
        Direction direction = Direction::Out;
        QByteArray report;
    };
    static bool parseLine(const QByteArray &line, Line *out);

private:
    HidBackend &m_inner;
    QMutex m_mutex;
    QFile m_file;
    QElapsedTimer m_clock;
};
