// The stream layer over a scripted device (odd report ids and lengths the emulator does
// not produce), and the device selection over the emulator.
#include "emulator/EmulatorBackend.h"
#include "hid/HidDevice.h"
#include "interaction/Language.h"

#include <QtTest>

#include <deque>

namespace {

struct Script
{
    std::deque<QByteArray> incoming;   // reports the device will deliver, id first
    QList<QByteArray> written;         // reports the host wrote
    int inputLength = 64;
    int outputLength = 64;
    int reads = 0;
    int writeResult = 0;               // 0: accept the whole report; otherwise returned as is
    QString serial = QStringLiteral("777");
};

class ScriptConnection : public HidConnection
{
public:
    explicit ScriptConnection(std::shared_ptr<Script> s) : script(std::move(s)) {}
    int readReport(quint8 *buffer, int capacity, int) override
    {
        ++script->reads;
        if (script->incoming.empty())
            return 0;
        const QByteArray report = script->incoming.front();
        script->incoming.pop_front();
        const int n = qMin(int(report.size()), capacity);
        memcpy(buffer, report.constData(), n);
        return n;
    }
    int writeReport(const quint8 *report, int length, int) override
    {
        script->written.append(QByteArray(reinterpret_cast<const char *>(report), length));
        return script->writeResult ? script->writeResult : length;
    }
    bool isPresent() override { return true; }
    int inputReportLength() const override { return script->inputLength; }
    int outputReportLength() const override { return script->outputLength; }
    QString serialNumber() override { return script->serial; }

private:
    std::shared_ptr<Script> script;
};

class ScriptBackend : public HidBackend
{
public:
    std::shared_ptr<Script> script = std::make_shared<Script>();
    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        return {HidDeviceInfo{QStringLiteral("script"), script->serial, 0, vendorId, productId}};
    }
    std::unique_ptr<HidConnection> open(const QString &, bool, HidOpenResult *result) override
    {
        *result = HidOpenResult::Ok;
        return std::make_unique<ScriptConnection>(script);
    }
};

QByteArray report(quint8 id, const QByteArray &payload, int lengthByte = -1)
{
    QByteArray r;
    r.append(char(id));
    r.append(char(lengthByte >= 0 ? lengthByte : payload.size()));
    r.append(payload);
    return r;
}

QByteArray bytes(int n, int seed = 0)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(seed + i));
    return b;
}

} // namespace

class TestLibHidDevice : public QObject
{
    Q_OBJECT

private slots:
    void writeCutsIntoReportsOf62()
    {
        ScriptBackend backend;
        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);

        const QByteArray ten = bytes(10, 1);
        QCOMPARE(hid.write(reinterpret_cast<const quint8 *>(ten.constData()), 10, 50), 10);
        QCOMPARE(backend.script->written.size(), 1);
        const QByteArray first = backend.script->written.first();
        QCOMPARE(first.size(), 64);
        QCOMPARE(first.left(12), QByteArray("\x3F\x0A", 2) + ten);
        QCOMPARE(first.mid(12), QByteArray(52, '\0'));

        backend.script->written.clear();
        const QByteArray stream = bytes(130, 7);
        QCOMPARE(hid.write(reinterpret_cast<const quint8 *>(stream.constData()), 130, 50), 130);
        QCOMPARE(backend.script->written.size(), 3);
        QByteArray joined;
        QList<int> lengths;
        for (const QByteArray &r : backend.script->written) {
            QCOMPARE(quint8(r.at(0)), quint8(0x3F));
            lengths.append(quint8(r.at(1)));
            joined.append(r.mid(2, quint8(r.at(1))));
        }
        QCOMPARE(lengths, (QList<int>{62, 62, 6}));
        QCOMPARE(joined, stream);
    }

    void writeFailuresAndZeroLengths()
    {
        ScriptBackend backend;
        // A device that does not state its report lengths still gets whole reports.
        backend.script->inputLength = 0;
        backend.script->outputLength = 0;
        HidDevice hid;
        const quint8 data[3] = {1, 2, 3};
        QCOMPARE(hid.write(data, 3, 50), 0); // not open
        QCOMPARE(hid.lastError(), GaugeError::NotOpen);
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
        QCOMPARE(hid.write(data, 0, 50), 0);
        QCOMPARE(hid.write(data, 3, 50), 3);
        QCOMPARE(backend.script->written.last().size(), 64);

        backend.script->incoming.push_back(report(0x3F, "abc"));
        quint8 in[3] = {};
        QCOMPARE(hid.read(in, 3, 50), 3);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(in), 3), QByteArray("abc"));

        backend.script->writeResult = -1; // failed
        QCOMPARE(hid.write(data, 3, 50), 0);
        QCOMPARE(hid.lastError(), GaugeError::WriteFailed); // the device is still there
    }

    void readCarriesSurplusOver()
    {
        ScriptBackend backend;
        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
        const QByteArray thirty = bytes(30, 40);
        backend.script->incoming.push_back(report(0x3F, thirty));

        quint8 buffer[64] = {};
        QCOMPARE(hid.read(buffer, 26, 50), 26);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 26), thirty.left(26));
        const int readsSoFar = backend.script->reads;
        QCOMPARE(hid.read(buffer, 3, 50), 3);
        QCOMPARE(hid.read(buffer + 3, 1, 50), 1);
        QCOMPARE(backend.script->reads, readsSoFar); // served from the carry-over
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 4), thirty.mid(26));

        // Carried bytes followed by a time-out are handed out, not dropped.
        backend.script->incoming.push_back(report(0x3F, bytes(10)));
        QCOMPARE(hid.read(buffer, 4, 50), 4);
        QCOMPARE(hid.read(buffer, 20, 50), 6);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 6), bytes(10).mid(4));
        QCOMPARE(hid.read(buffer, 20, 50), 0); // nothing at all: time-out
    }

    void readSkipsForeignAndMalformedReports()
    {
        ScriptBackend backend;
        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
        backend.script->incoming.push_back(report(0x01, "xxxxx"));          // other report id
        backend.script->incoming.push_back(QByteArray("\x3F", 1));          // no length byte
        backend.script->incoming.push_back(report(0x3F, QByteArray()));     // empty payload
        backend.script->incoming.push_back(report(0x3F, "hello", 200));     // length beyond the report
        backend.script->incoming.push_back(report(0x3F, "world"));

        quint8 buffer[300];
        memset(buffer, 0xEE, sizeof buffer);
        QCOMPARE(hid.read(buffer, 10, 50), 10);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 10), QByteArray("helloworld"));
        QCOMPARE(buffer[10], quint8(0xEE));

        hid.close();
        hid.close();
        QCOMPARE(hid.read(buffer, 10, 50), 0);
        QVERIFY(hid.isRemoved());
    }

    void opensTheInstrumentListedLast()
    {
        EmulatorBackend backend;
        backend.plug(QStringLiteral("111"));
        backend.plug(QStringLiteral("222"));
        QStringList serials;
        QCOMPARE(HidDevice::listSerials(backend, 0x2047, 0x0301, &serials), 2);
        QCOMPARE(serials, (QStringList{"111", "222"}));
        QCOMPARE(HidDevice::countInterfaces(backend, 0x2047, 0x0301, serials), 1);

        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
        QCOMPARE(hid.openedSerial(), QStringLiteral("222"));
        QVERIFY(!hid.isRemoved());

        // One interface per device: opened exclusively, so a second opener is refused.
        HidOpenResult result = HidOpenResult::Ok;
        QVERIFY(!backend.open(QStringLiteral("emulator:222"), false, &result));
        QCOMPARE(result, HidOpenResult::Busy);
        // ... and a busy instrument does not keep another one from being opened.
        HidDevice other;
        backend.unplug(QStringLiteral("111"));
        backend.plug(QStringLiteral("333"));
        QCOMPARE(other.open(0x2047, 0x0301, &backend), 0);
        QCOMPARE(other.openedSerial(), QStringLiteral("333"));

        backend.unplug(QStringLiteral("222"));
        QVERIFY(hid.isRemoved());
        QVERIFY(!other.isRemoved());
    }

    void openFailsWithoutInstrument()
    {
        EmulatorBackend backend;
        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), -1);
        QVERIFY(!hid.isOpen());
        QCOMPARE(hid.deviceState(), nullptr);
        QCOMPARE(hid.lastError(), GaugeError::NotFound);
        backend.plug(QStringLiteral("12345"));
        QCOMPARE(hid.open(0x2047, 0x0302, &backend), -1);
        QCOMPARE(hid.lastError(), GaugeError::NotFound);

        // Held by another opener: refused as busy, not missing.
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
        QCOMPARE(hid.lastError(), GaugeError::None);
        HidDevice second;
        QCOMPARE(second.open(0x2047, 0x0301, &backend), -1);
        QCOMPARE(second.lastError(), GaugeError::Busy);
    }

    void everyCauseHasItsOwnWords()
    {
        const QString before = Language::instance().code();
        QList<QStringList> languages;
        for (const char *code : {"en", "zh"}) {
            QVERIFY(Language::instance().set(QString::fromLatin1(code)) || Language::instance().code() == code);
            QStringList words;
            for (int e = int(GaugeError::None); e <= int(GaugeError::ErrorReply); ++e) {
                const QString text = gaugeErrorText(GaugeError(e));
                QVERIFY2(!text.trimmed().isEmpty() && !words.contains(text), qPrintable(text));
                words << text;
            }
            languages << words;
        }
        Language::instance().set(before);
        // Every cause is translated, not left in English.
        for (int e = 0; e < languages[0].size(); ++e)
            QVERIFY2(languages[0][e] != languages[1][e], qPrintable(languages[0][e]));
    }

    void instrumentWithoutSerialIsOpened()
    {
        ScriptBackend backend;
        backend.script->serial.clear();
        HidDevice hid;
        QCOMPARE(hid.open(0x2047, 0x0301, &backend), 0);
    }
};

QTEST_GUILESS_MAIN(TestLibHidDevice)
#include "tst_HidDevice.moc"
