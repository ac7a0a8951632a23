// The command set through the real layers against the emulated gauge: wire bytes,
// decoding, acceptance markers, return codes, and outputs left alone on failure.
#include "../emulator/GaugeRig.h"
#include "protocol/PushFrameParser.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

ReplyFault replacedBy(const QByteArray &bytes)
{
    ReplyFault fault;
    fault.replyOverride = bytes;
    return fault;
}

} // namespace

class TestInstrumentCommands : public QObject
{
    Q_OBJECT

private slots:
    void commandsSurviveFramesPushedMeanwhile()
    {
        // A gauge pushing every 20 ms, with nobody polling: a push sits ahead of nearly
        // every reply, and others arrive among the bytes flushed before a request.
        GaugeRig rig(2, 1000);
        EmulatorBackend::fillDemoRecords(*rig.gauge, 40, 3);
        rig.gauge->setAutoPush(20);
        int setAsideFrames = 0;
        for (int round = 0; round < 6; ++round) {
            KeyInfo info;
            QCOMPARE(rig.commands.readKeyInfo(info), 1);
            QCOMPARE(info.serialNo, quint32(12345));
            QList<int> units;
            QCOMPARE(rig.commands.readUnitNumbers(units), 1);
            QCOMPARE(units.mid(0, 6), rig.gauge->unitNumbers().mid(0, 6));
            int count = 0;
            QCOMPARE(rig.commands.readRecordCount(count), 1);
            QCOMPARE(count, 40);
            QByteArray out;
            QCOMPARE(rig.commands.readMemory(0x80000000u + 256u * quint32(round % 4), out, 256), 1);
            QCOMPARE(out, rig.gauge->memory(0x80000000u + 256u * quint32(round % 4), 256));
            QCOMPARE(rig.commands.readMemoryChecked(0xC0000000u, out, 256, 0x41), 1);
            QCOMPARE(out.mid(256), rig.gauge->memory(0xC0000000u, 256));

            const QByteArray aside = rig.framed.takeSetAsidePushes();
            QCOMPARE(aside.size() % PushFrameParser::FrameSize, 0);
            for (qsizetype at = 0; at < aside.size(); at += PushFrameParser::FrameSize) {
                QCOMPARE(aside.mid(at, 8), QByteArray("\xAB\x44\x00\x00\x00\x00\xF0\x00", 8));
                QCOMPARE(PushFrameParser::frameLength(aside, at), PushFrameParser::FrameSize);
            }
            setAsideFrames += int(aside.size() / PushFrameParser::FrameSize);
            QTest::qWait(30);
        }
        QVERIFY2(setAsideFrames >= 6, qPrintable(QString::number(setAsideFrames)));
        QVERIFY(rig.framed.takeSetAsidePushes().isEmpty());
    }

    void requestsOnTheWire()
    {
        GaugeRig rig;
        KeyInfo info;
        int count = 0;
        QList<int> units;
        QByteArray out;
        QCOMPARE(rig.commands.readKeyInfo(info), 1);
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(rig.commands.readUnitNumbers(units), 1);
        QCOMPARE(rig.commands.readMemory(0x80000000u, out, 256), 1);
        QCOMPARE(rig.commands.readMemoryChecked(0xC0000000u, out, 256, 0x41), 1);
        QCOMPARE(rig.gauge->requestLog(), (QList<QByteArray>{
                     hex("ab2005001200946b"), hex("ab200f00040099d3"), hex("ab2061007800a5fb"),
                     hex("ab400000008000018a2c"), hex("ab41000000c000019b38")}));
        QCOMPARE(out.size(), 512);
    }

    void keyInfoDecoding()
    {
        GaugeRig rig;
        const QByteArray reply = GaugeRig::withCrc(hex("ab99051112ffa5eee6070c1f39300000020000000000" "7b00"));
        rig.gauge->injectFault(replacedBy(reply));
        KeyInfo info;
        QCOMPARE(rig.commands.readKeyInfo(info), 1);
        QCOMPARE(info.flagByte, quint8(0xA5));
        QCOMPARE(info.date, QDate(2022, 12, 31));
        QCOMPARE(info.serialNo, quint32(12345));
        QCOMPARE(info.meterType, quint32(2));
        QCOMPARE(info.auxWord, quint16(0));
        QCOMPARE(info.firmwareVersion, quint16(123));

        // The emulator's own reply, from its configured identity; a zero date is invalid.
        rig.gauge->setKeyInfo(987654, 1, 110, QDate(), 0x1234);
        QCOMPARE(rig.commands.readKeyInfo(info), 1);
        QCOMPARE(info.serialNo, quint32(987654));
        QCOMPARE(info.meterType, quint32(1));
        QCOMPARE(info.firmwareVersion, quint16(110));
        QCOMPARE(info.auxWord, quint16(0x1234));
        QVERIFY(!info.date.isValid());
    }

    void eitherMarkerIsEnough()
    {
        GaugeRig rig;
        KeyInfo info;
        const char *keyData = "e6070c1f39300000020000000000" "7b00";
        // byte 2 wrong, byte 6 right; byte 2 right, byte 6 wrong; both wrong
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab2000001200a500") + hex(keyData))));
        QCOMPARE(rig.commands.readKeyInfo(info), 1);
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab2005001200a400") + hex(keyData))));
        QCOMPARE(rig.commands.readKeyInfo(info), 1);
        QCOMPARE(info.flagByte, quint8(0xA4));
        info.serialNo = 42;
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab2006001200a400") + hex(keyData))));
        QCOMPARE(rig.commands.readKeyInfo(info), -3);
        QCOMPARE(info.serialNo, quint32(42));

        int count = 9;
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab20ff000400" "05000000"))));
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(count, 5);
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab200f00ff00" "06000000"))));
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(count, 6);
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab20ff00ff00" "07000000"))));
        QCOMPARE(rig.commands.readRecordCount(count), -3);
        QCOMPARE(count, 6);

        QList<int> units{99};
        QByteArray unitReply = hex("ab2000007800");
        for (int i = 0; i < 60; ++i)
            unitReply += QByteArray(1, char(i)) + QByteArray(1, i == 59 ? '\xFF' : '\0');
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(unitReply)));
        QCOMPARE(rig.commands.readUnitNumbers(units), 1);
        QCOMPARE(units.size(), 61); // appended to what the caller had
        QCOMPARE(units[1], 0);
        QCOMPARE(units[60], 0xFF3B); // widened without sign
        unitReply[4] = 0;
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(unitReply)));
        QCOMPARE(rig.commands.readUnitNumbers(units), -3);
        QCOMPARE(units.size(), 61);
    }

    void errorReplyOnlyMeansSomethingToKeyInfo()
    {
        GaugeRig rig;
        ReplyFault error;
        error.errorReply = true;
        KeyInfo info;
        info.serialNo = 7;
        rig.gauge->injectFault(error);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.commands.readKeyInfo(info), -5);
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(info.serialNo, quint32(7));

        // The same bytes, made up to the expected length so the read ends without waiting
        // out the 6-second reply time-out: a bad reply, not an instrument error. (Zero
        // padding would not do: a frame, its CRC and two zero bytes check out as valid.)
        int count = 3;
        error.errorReply = true;
        error.junkAfter = QByteArray(4, '\x55');
        rig.gauge->injectFault(error);
        QCOMPARE(rig.commands.readRecordCount(count), -2);
        QCOMPARE(count, 3);
        error.junkAfter = QByteArray(120, '\x55');
        QList<int> units;
        rig.gauge->injectFault(error);
        QCOMPARE(rig.commands.readUnitNumbers(units), -2);
        QVERIFY(units.isEmpty());
        error.junkAfter = QByteArray(18, '\x55');
        rig.gauge->injectFault(error); // key info padded to 26 bytes: still the error reply
        QCOMPARE(rig.commands.readKeyInfo(info), -5);
    }

    void memoryReadsAndTheirCrc()
    {
        GaugeRig rig;
        for (int i = 0; i < 30; ++i)
            rig.gauge->addMultiLayerRecord(QByteArray("R") + QByteArray::number(i), {1.0f * i, 2.0f, 3.0f},
                                           {5900.0f, 3200.0f, 1480.0f});
        rig.gauge->writeMemory(0x80000000u + 28 * 3, EmulatedInstrument::outOfRangeField());

        QByteArray values("prefix");
        QCOMPARE(rig.commands.readMemory(0x80000000u, values, 256), 1);
        QCOMPARE(rig.commands.readMemory(0x80000000u + 256, values, 28 * 30 - 256), 1);
        QCOMPARE(values, QByteArray("prefix") + rig.gauge->memory(0x80000000u, 28 * 30));
        QCOMPARE(values.mid(6 + 28 * 3, 4), EmulatedInstrument::outOfRangeField());

        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        rig.gauge->injectFault(corrupt, 2);
        QByteArray names;
        QCOMPARE(rig.commands.readMemory(0xC0000000u, names, 32), 1);
        QCOMPARE(names.left(3), QByteArray("R0\0", 3));
        QCOMPARE(rig.commands.readMemoryChecked(0xC0000000u, names, 32, 0x41), -2);
        QCOMPARE(names.size(), 32);

        // A long reply with junk ahead, in small reports, still arrives whole.
        ReplyFault scattered;
        scattered.junkBefore = QByteArray("\x00\x13\x37", 3);
        scattered.payloadPerReport = 7;
        rig.gauge->injectFault(scattered);
        names.clear();
        QCOMPARE(rig.commands.readMemoryChecked(0xC0000000u, names, 256, 0x41), 1);
        QCOMPARE(names, rig.gauge->memory(0xC0000000u, 256));
    }

    void failuresToSendOrHear()
    {
        InstrumentCommands unbound;
        KeyInfo info;
        QCOMPARE(unbound.readKeyInfo(info), -1);
        FramedLink empty;
        unbound.setLink(&empty);
        int count = 0;
        QCOMPARE(unbound.readRecordCount(count), -1);

        GaugeRig rig;
        ReplyFault silent;
        silent.silent = true;
        rig.gauge->injectFault(silent);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.commands.readKeyInfo(info), -2);
        QVERIFY(clock.elapsed() < 1500);

        rig.backend.unplug(QStringLiteral("12345"));
        clock.restart();
        QCOMPARE(rig.commands.readRecordCount(count), -1); // the write fails at once
        QByteArray out;
        QCOMPARE(rig.commands.readMemory(0x80000000u, out, 16), -1);
        QVERIFY(clock.elapsed() < 200);
        rig.link.close();
        QCOMPARE(rig.commands.readMemory(0x80000000u, out, 16), -1);
        QVERIFY(out.isEmpty());
    }

    void eachFailureSaysWhy()
    {
        InstrumentCommands unbound;
        KeyInfo info;
        QCOMPARE(unbound.readKeyInfo(info), -1);
        QCOMPARE(unbound.lastError(), GaugeError::NotOpen);

        GaugeRig rig;
        auto failsWith = [&rig](int result, int expected, GaugeError cause) {
            return result == expected && rig.commands.lastError() == cause;
        };
        QByteArray out;
        int count = 0;
        ReplyFault silent;
        silent.silent = true;
        rig.gauge->injectFault(silent);
        QVERIFY(failsWith(rig.commands.readKeyInfo(info), -2, GaugeError::NoReply));
        QCOMPARE(rig.commands.readRecordCount(count), 1);
        QCOMPARE(rig.commands.lastError(), GaugeError::None); // a success forgets the cause

        ReplyFault corrupt;
        corrupt.corruptCrc = true;
        rig.gauge->injectFault(corrupt);
        QVERIFY(failsWith(rig.commands.readMemoryChecked(0xC0000000u, out, 32, 0x41), -2, GaugeError::BadCrc));
        QCOMPARE(rig.framed.lastError(), GaugeError::BadCrc);
        rig.gauge->injectFault(replacedBy(GaugeRig::withCrc(hex("ab20ff00ff00" "07000000"))));
        QVERIFY(failsWith(rig.commands.readRecordCount(count), -3, GaugeError::UnexpectedReply));
        ReplyFault error;
        error.errorReply = true;
        rig.gauge->injectFault(error);
        QVERIFY(failsWith(rig.commands.readKeyInfo(info), -5, GaugeError::ErrorReply));
        QCOMPARE(rig.framed.lastError(), GaugeError::NoReply); // below, it was only a short reply

        // Pulled out while the reply comes in, then asked again, then closed.
        ReplyFault cut;
        cut.payloadPerReport = 8;
        cut.unplugAfterReports = 1;
        rig.gauge->injectFault(cut);
        QVERIFY(failsWith(rig.commands.readMemory(0x80000000u, out, 256), -2, GaugeError::Removed));
        QVERIFY(failsWith(rig.commands.readRecordCount(count), -1, GaugeError::Removed));
        QCOMPARE(rig.link.lastError(), GaugeError::Removed);
        rig.link.close();
        QVERIFY(failsWith(rig.commands.readMemory(0x80000000u, out, 16), -1, GaugeError::NotOpen));
        QVERIFY(out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstrumentCommands)
#include "tst_InstrumentCommands.moc"
