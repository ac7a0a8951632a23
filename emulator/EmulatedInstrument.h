#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <QtGlobal>

#include <array>
#include <chrono>
#include <deque>
#include <functional>

// A fault applied to the instrument's next reply(ies). Fields combine; the defaults
// change nothing.
struct ReplyFault
{
    bool errorReply = false;   // answer AB A0 04 00 00 00 + CRC (8 bytes) instead of the reply
    QByteArray replyOverride;  // non-empty: these exact bytes instead of the reply
    bool corruptCrc = false;   // flip the reply's last CRC byte
    bool silent = false;       // do not answer at all (the host times out)
    QByteArray junkBefore;     // bytes sent ahead of the reply's start byte
    QByteArray junkAfter;      // bytes sent right after the reply
    int truncateTo = -1;       // >= 0: send only the first truncateTo bytes of the reply
    int payloadPerReport = 0;  // 1..62: split the reply into reports this small (0 = 62)
    int delayMs = 0;           // extra delay before the first report of the reply
    int unplugAfterReports = -1; // >= 0: pull the instrument out once the host has
                                 // read this many reports of the reply
};

// Software model of the gauge behind the HID interface. Thread-safe: the host may read
// from a worker thread while another thread configures it or pushes frames.
//
// It answers the five requests of the program:
//   AB 20 05 00 12 00 crc -> 26-byte key information (byte 2 = 05, 4 = 12, 6 = A5)
//   AB 20 0F 00 04 00 crc -> 12-byte record count
//   AB 20 61 00 78 00 crc -> 128-byte reply with the 60 unit numbers
//   AB 40|41 addr n crc   -> 10 + n bytes of record memory (values at 0x80000000,
//                            names at 0xC0000000; unwritten memory reads as 0)
// Requests with a bad CRC are ignored; unknown items get the error reply.
//
// Timing: each 64-byte report takes reportIntervalUs in either direction (default
// 1000 us, the full-speed interrupt endpoint). A reply of R reports becomes readable
// report by report, one interval apart, after the request's last report was written.
class EmulatedInstrument
{
public:
    static constexpr quint32 ValuesAddress = 0x80000000u;
    static constexpr quint32 NamesAddress = 0xC0000000u;
    static constexpr int SingleRecordSize = 12;
    static constexpr int MultiRecordSize = 28;
    static constexpr int NameSlotSize = 16;
    static constexpr int NameLength = 13;

    // meterType 1 is the single-layer gauge, anything else multi-layer (record layout).
    explicit EmulatedInstrument(const QString &usbSerial, quint32 meterType = 2,
                                quint16 firmwareVersion = 125);
    ~EmulatedInstrument();

    EmulatedInstrument(const EmulatedInstrument &) = delete;
    EmulatedInstrument &operator=(const EmulatedInstrument &) = delete;

    // --- identity -------------------------------------------------------------------
    QString usbSerial() const;             // the USB serial string (enumeration, open)
    // Key information. serialNo defaults to the USB serial read as a decimal number.
    void setKeyInfo(quint32 serialNo, quint32 meterType, quint16 firmwareVersion,
                    const QDate &date = QDate(2022, 12, 31), quint16 auxWord = 0);
    quint32 meterType() const;
    bool isMultiLayer() const;             // meterType != 1
    void setUnitNumbers(const QList<int> &units); // up to 60 entries, rest 0
    QList<int> unitNumbers() const;

    // --- stored records -------------------------------------------------------------
    // Value fields: 4 bytes, binary32 little-endian, or one of the markers below.
    static QByteArray field(float value);
    static QByteArray outOfRangeField();   // 48 B8 5B 6E
    static QByteArray settingsChangedField(); // 1D F2 34 6E

    // Single layer: bytes 0-3 velocity, 4-7 thickness, 8-11 zero.
    void addSingleLayerRecord(const QByteArray &velocity, const QByteArray &thickness);
    void addSingleLayerRecord(float velocity, float thickness);
    // Multi layer: 3 thicknesses then 3 velocities, and a name slot (the first 13 bytes
    // of nameBytes, zero-terminated if shorter; narrow text, e.g. GBK).
    void addMultiLayerRecord(const QByteArray &nameBytes, const std::array<QByteArray, 3> &thickness,
                             const std::array<QByteArray, 3> &velocity);
    void addMultiLayerRecord(const QByteArray &nameBytes, const std::array<float, 3> &thickness,
                             const std::array<float, 3> &velocity);
    void clearRecords();
    int storedRecordCount() const;         // records added
    // The count the instrument reports; -1 (default) reports storedRecordCount().
    void setReportedCount(int count);
    // The exact 32-bit word the instrument reports as its count, also 2^31 and above;
    // setReportedCount() undoes it.
    void setReportedCountWord(quint32 word);
    // Raw write into record memory (0x80000000.. or 0xC0000000..), for odd cases.
    void writeMemory(quint32 address, const QByteArray &bytes);
    QByteArray memory(quint32 address, int length) const;

    // --- frames sent without a request --------------------------------------------
    // Measurement frame: AB 44 00 00 00 00 F0 00, six 4-byte field slots (unused slots
    // zero), CRC: 34 bytes, one report. Fields in stored-record order.
    static QByteArray measurementFrame(const QList<QByteArray> &fields);
    void pushMeasurement(const QList<QByteArray> &fields);
    void pushSingleLayer(float velocity, float thickness);
    void pushMultiLayer(const std::array<float, 3> &thickness, const std::array<float, 3> &velocity);
    void pushSettingsChanged();            // every field slot holds 1D F2 34 6E
    void pushRaw(const QByteArray &bytes); // sent as is, cut into reports
    // Demo: push a random measurement now and then, mean interval meanMs (0 = off).
    // Pushes are produced while the host reads (its poll loop always does).
    void setAutoPush(int meanMs);
    // Pushes at exactly the mean gap instead of random ones, as a gauge in continuous mode does.
    void setAutoPushRegular(bool on);
    // Auto-pushes carry a running number instead of random values: the n-th has the
    // thickness n (the first layer's on a multi-layer gauge) and is never out of range, so
    // a test can tell exactly which pushes arrived and in what order.
    void setCountingPushes(bool on);
    // Auto-pushes carry these thicknesses in this order (every layer of a multi-layer gauge the
    // same), at exactly the mean gap, never out of range; once all were sent the gauge pushes
    // no more. A scripted walk knows every verdict beforehand. Empty: random values again.
    void setPushValues(const QList<float> &thicknesses);
    int autoPushesSent() const;            // auto-pushes queued for the host so far

    // --- faults and timing ----------------------------------------------------------
    void injectFault(const ReplyFault &fault, int replies = 1); // the next `replies` replies
    void setReplyDelayMs(int ms);          // every reply: a slow device
    void setReportIntervalUs(int us);      // 0: no timing (unit tests)
    int reportIntervalUs() const;

    // --- observation ------------------------------------------------------------------
    QList<QByteArray> requestLog() const;  // every request frame received, CRC included
    void clearRequestLog();
    int pendingInputReports() const;       // reports queued for the host, ready or not

    // --- host side (used by the emulator's HID connection) ---------------------------
    // One input report (64 bytes, id 0x3F first) into buffer, waiting up to timeoutMs.
    // Returns its length, 0 on time-out, -1 when the connection's plug epoch is over.
    int hostReadReport(quint64 epoch, quint8 *buffer, int capacity, int timeoutMs);
    // One output report (id first); takes one report interval. Bytes, 0 on time-out, -1 gone.
    int hostWriteReport(quint64 epoch, const quint8 *report, int length, int timeoutMs);
    bool hostPresent(quint64 epoch) const;

    // --- plugging (used by EmulatorBackend) ------------------------------------------
    quint64 plugIn();                      // returns the new plug epoch
    void pullOut();                        // every connection of the old epoch fails
    quint64 epoch() const;
    bool isPluggedIn() const;
    // Called (from any thread) when an injected fault pulls the instrument out.
    void setSelfUnplugHandler(std::function<void()> handler);
    void discardInput();                   // a fresh open starts with no stale reports

private:
    using Clock = std::chrono::steady_clock;
    struct QueuedReport
    {
        QByteArray bytes;                  // 64 bytes, id first
        Clock::time_point readyAt;
        int replyIndex = -1;               // position within a faulted reply, else -1
        int unplugAfter = -1;
    };

    void handlePayloadLocked(Clock::time_point now);
    void answerLocked(const QByteArray &request, Clock::time_point now);
    QByteArray replyFor(const QByteArray &request) const;
    void queueBytesLocked(const QByteArray &bytes, Clock::time_point start, int payloadPerReport,
                          int unplugAfterReports);
    void autoPushLocked(Clock::time_point now);
    void scheduleAutoPushLocked(Clock::time_point now);
    QByteArray *areaFor(quint32 address, quint32 *offset);
    const QByteArray *areaFor(quint32 address, quint32 *offset) const;

    mutable QMutex mutex;
    QWaitCondition inputChanged;

    QString serialText;
    quint32 keySerial = 0;
    quint32 meter = 2;
    quint16 firmware = 125;
    QDate keyDate{2022, 12, 31};
    quint16 aux = 0;
    QList<int> units;

    QByteArray valuesImage;
    QByteArray namesImage;
    int records = 0;
    int reportedCount = -1;
    bool countWordSet = false;
    quint32 countWord = 0;

    QByteArray requestBuffer;              // output payload not yet parsed into a request
    std::deque<QueuedReport> input;
    Clock::time_point inputFreeAt{};       // when the next input report can be scheduled
    Clock::time_point outputFreeAt{};      // when the out endpoint takes the next report
    QList<QByteArray> log;
    QList<ReplyFault> faults;
    int replyDelayMs = 0;
    int intervalUs = 1000;
    int autoPushMeanMs = 0;
    bool autoPushRegular = false;
    bool countingPushes = false;
    int autoPushCount = 0;
    QList<float> pushValues;
    int pushValuesSent = 0;
    Clock::time_point nextAutoPush{};
    quint32 randomState = 12345;

    quint64 plugEpoch = 0;
    bool plugged = false;
    std::function<void()> selfUnplug;
};
