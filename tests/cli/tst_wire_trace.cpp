// The wire trace of one identification and one read against the emulated gauge holds exactly
// the requests the gauge received and the replies it gave, report by report, in order.
#include "FakeWorkbookWriter.h"
#include "ScriptedInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "hid/TracingBackend.h"
#include "link/FramedLink.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

quint32 get32(const QByteArray &b, int at)
{
    return quint8(b[at]) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
        | quint32(quint8(b[at + 3])) << 24;
}

int get16(const QByteArray &b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8;
}

} // namespace

class WireTrace : public QObject
{
    Q_OBJECT
private slots:
    void identificationAndReadAreTracedExactly_data()
    {
        QTest::addColumn<int>("meterType");
        QTest::newRow("single layer") << 1;
        QTest::newRow("multi layer") << 2;
    }

    void identificationAndReadAreTracedExactly()
    {
        QFETCH(int, meterType);
        constexpr int records = 150;
        EmulatorBackend backend;
        auto gauge = std::make_shared<EmulatedInstrument>(QStringLiteral("4711"), quint32(meterType),
                                                          meterType == 1 ? 110 : 125);
        gauge->setUnitNumbers(meterType == 1 ? QList<int>{2, 0} : QList<int>{0, 0, 0, 2, 2, 2});
        gauge->setReportIntervalUs(0);
        EmulatorBackend::fillDemoRecords(*gauge, records, 7);
        backend.plug(gauge);

        QTemporaryDir dir;
        const QString tracePath = dir.filePath(QStringLiteral("trace.txt"));
        TracingBackend tracer(backend);
        QVERIFY(tracer.open(tracePath, nullptr));

        ScriptedInteraction dialogs;
        FakeWorkbookWriter writer;
        RecordsModel model;
        {
            GaugeSession session(tracer, dialogs, writer, model,
                                 GaugeConfig::load(QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config")));
            QVERIFY(session.openLink());
            session.identify();
            session.readRecords();
            QCOMPARE(model.rowCount(), records);
            QVERIFY(dialogs.texts(ScriptedInteraction::Kind::Information).isEmpty());
        }

        QFile file(tracePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray sent;
        QByteArray received;
        qint64 lastUs = -1;
        int lines = 0;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            TracingBackend::Line parsed;
            QVERIFY2(TracingBackend::parseLine(line, &parsed), line.constData());
            QVERIFY(parsed.microseconds >= lastUs);
            lastUs = parsed.microseconds;
            // Whole reports: id 0x3F, payload length, payload, zero padding.
            QCOMPARE(parsed.report.size(), 64);
            QCOMPARE(quint8(parsed.report[0]), quint8(0x3F));
            const int length = quint8(parsed.report[1]);
            QVERIFY(length >= 1 && length <= 62);
            (parsed.direction == TracingBackend::Direction::Out ? sent : received) += parsed.report.mid(2, length);
            ++lines;
        }
        QVERIFY(lines > 0);

        // Sent: exactly the request frames the gauge received, nothing more.
        const QList<QByteArray> requests = gauge->requestLog();
        QVERIFY(requests.size() >= 5); // key information, units, units again, count, memory
        QCOMPARE(sent, requests.join());

        // Received: one reply per request, in order: the request's header echoed, the data
        // asked for (the gauge's own memory for record reads), a good CRC; nothing else.
        int at = 0;
        for (const QByteArray &request : requests) {
            const quint8 command = quint8(request[1]);
            const QByteArray header = request.left(request.size() - 2);
            const int dataLength = command == 0x20 ? get16(request, 4) : get16(request, 6);
            const int replyLength = int(header.size()) + dataLength + 2;
            const QByteArray reply = received.mid(at, replyLength);
            QCOMPARE(int(reply.size()), replyLength);
            QCOMPARE(reply.left(header.size()), header);
            const quint16 crc = FramedLink::crc16(reply, replyLength - 2);
            QCOMPARE(get16(reply, replyLength - 2), int(crc));
            if (command == 0x40 || command == 0x41)
                QCOMPARE(reply.mid(header.size(), dataLength), gauge->memory(get32(request, 2), dataLength));
            at += replyLength;
        }
        QCOMPARE(at, int(received.size()));
    }
};

QTEST_GUILESS_MAIN(WireTrace)
#include "tst_wire_trace.moc"
