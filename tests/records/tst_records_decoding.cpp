#include "interaction/Language.h"
#include "protocol/FieldDecoder.h"
#include "protocol/GaugeRecord.h"
#include "protocol/PushFrameParser.h"
#include "protocol/ReadPlan.h"
#include "records/RecordsModel.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QtTest>

#include <cmath>

namespace {

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

const QByteArray kHeader = hex("AB4400000000F000");
const QByteArray k5920 = hex("0000B945");
const QByteArray k5 = hex("0000A040");
const QByteArray kOutRange = hex("48B85B6E");
const QByteArray kChanged = hex("1DF2346E");

QByteArray floatBytes(float f)
{
    QByteArray b(4, '\0');
    qToLittleEndian(f, b.data());
    return b;
}

QByteArray multiFrame(float base)
{
    QByteArray f = kHeader;
    for (int i = 0; i < 6; ++i)
        f += floatBytes(base + float(i));
    return f;
}

// The frames a parser finds in a stream fed in the given pieces, as kind + field bytes.
QList<QByteArray> feedInPieces(const QByteArray &stream, const QList<qsizetype> &cuts, int layout)
{
    PushFrameParser parser;
    QList<QByteArray> found;
    qsizetype from = 0;
    QList<qsizetype> ends = cuts;
    ends.append(stream.size());
    for (qsizetype end : ends) {
        for (const PushedFrame &f : parser.feed(stream.mid(from, end - from), layout)) {
            const bool changed = f.kind == PushedFrame::Kind::SettingsChanged;
            found.append((changed ? "C:" : "M:") + f.fieldBytes.toHex());
        }
        from = end;
    }
    return found;
}

// A stream of whole frames, frames cut short, lone header starts, padding and junk.
QByteArray randomPushStream(QRandomGenerator &rng, int layout, bool settingsChange)
{
    const int valueBytes = PushFrameParser::valueBytes(layout);
    QByteArray s;
    for (int piece = 0; piece < 12; ++piece) {
        switch (rng.bounded(6)) {
        case 0:
        case 1: { // a whole frame with CRC-like padding
            s += kHeader;
            for (int i = 0; i < valueBytes / 4; ++i)
                s += floatBytes(float(rng.bounded(10000)) / 7.0f);
            s += QByteArray(rng.bounded(3), '\xAB');
            break;
        }
        case 2: // a frame cut short
            s += kHeader + floatBytes(1.5f).left(rng.bounded(4)) + QByteArray(rng.bounded(valueBytes), '\x44');
            break;
        case 3: // the first bytes of a header
            s += kHeader.left(1 + rng.bounded(PushFrameParser::HeaderSize - 1));
            break;
        case 4:
            s += hex("00AB44F0").mid(rng.bounded(4));
            break;
        default:
            if (settingsChange && rng.bounded(4) == 0)
                s += kHeader + kChanged + QByteArray(valueBytes - 4, '\0');
            break;
        }
    }
    return s;
}

} // namespace

class TestRecordsDecoding : public QObject
{
    Q_OBJECT
private slots:
    void valueFields_data();
    void valueFields();
    void recordNames_data();
    void recordNames();
    void recordImages();

    void parserFindsEveryFrameInOrder();
    void parserJoinsFramesSplitAcrossBatches();
    void parserSettingsChangedKeepsTheFramesAfterIt();
    void parserKeepsOnlyBoundedTail();
    void parserResultDoesNotDependOnBatchCuts();

    void readPlanBlocks_data();
    void readPlanBlocks();
    void readPlanMatchesBlockArithmetic();
    void countBounds();
};

void TestRecordsDecoding::valueFields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("5920") << k5920 << false << 5920.0f << QString();
    QTest::newRow("5") << k5 << true << 5.0f << QString();
    QTest::newRow("negative") << hex("000080BF") << false << -1.0f << QString();
    QTest::newRow("outrange en") << kOutRange << false << 0.0f << QStringLiteral("Outrange");
    QTest::newRow("outrange zh") << kOutRange << true << 0.0f << QStringLiteral("超量程");
    // Not a marker for stored values: an ordinary (huge) number.
    QTest::newRow("settings marker") << kChanged << true << 1.4e28f << QString();
}

// A value field as a stored record holds it (both of a single-layer record's fields), on its
// way to the table: the number, or the out-of-range flag and the word the cell shows.
void TestRecordsDecoding::valueFields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, chinese);
    QFETCH(float, value);
    QFETCH(QString, text);
    Language::instance().set(chinese ? QStringLiteral("zh") : QStringLiteral("en"));
    const GaugeRecord record = GaugeRecords::singleLayer((bytes + bytes).constData());
    QCOMPARE(record.outOfRange, quint8(text.isEmpty() ? 0 : 0b11));
    for (const float decoded : {record.values[0], record.values[1]})
        QVERIFY2(std::fabs(decoded - value) <= std::fabs(value) * 1e-3f, qPrintable(QString::number(decoded)));
    RecordsModel model;
    QVERIFY(model.setColumns(1, {1, 0}, {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}}));
    QCOMPARE(model.append({record}, RecordOrigin::Memory, 0), 1);
    QCOMPARE(model.text(0, 1), text.isEmpty() ? RecordsModel::formatValue(record.values[0], 2) : text);
    QCOMPARE(FieldDecoder::isSettingsChangedMarker(bytes.constData()), bytes == kChanged);
}

void TestRecordsDecoding::recordNames_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("name");
    QTest::newRow("no zero byte") << QByteArray("ABCDEFGHIJKLMNOP") << QStringLiteral("ABCDEFGHIJKLM");
    QTest::newRow("leading zero") << QByteArray("\0BCDEFGHIJKLMNO", 16) << QString();
    QTest::newRow("stops at zero") << QByteArray("Pipe 7\0xyzABCDEFG", 16) << QStringLiteral("Pipe 7");
    QTest::newRow("utf8") << (QStringLiteral("管道A").toUtf8() + QByteArray(16, '\0')).left(16)
                          << QStringLiteral("管道A");
    // 测试1 in GBK, as a Chinese firmware stores it.
    QTest::newRow("gbk") << hex("B2E2CAD4310000000000000000000000") << QStringLiteral("测试1");
    // A multi-byte character cut by the 13-byte limit must not swallow the text before it.
    QTest::newRow("gbk cut at 13") << hex("B2E2CAD4B2E2CAD4B2E2CAD4B2E2CAD4") << QStringLiteral("测试测试测试");
    // The same for a UTF-8 name: 5 Chinese characters are 15 bytes; the cut one goes, the
    // rest stays UTF-8 instead of turning into GB18030 garble.
    QTest::newRow("utf8 cut at 13") << (QStringLiteral("测量点一二").toUtf8() + QByteArray(1, '\0'))
                                    << QStringLiteral("测量点一");
}

void TestRecordsDecoding::recordNames()
{
    QVERIFY2(QStringDecoder("GB18030").isValid(), "this Qt cannot decode GB18030");
    QFETCH(QByteArray, slot);
    QFETCH(QString, name);
    QCOMPARE(FieldDecoder::decodeRecordName(slot), name);
}

void TestRecordsDecoding::recordImages()
{
    // Two single-layer records; the last 4 bytes of each are not interpreted.
    const QByteArray values = k5920 + k5 + hex("DEADBEEF") + kOutRange + floatBytes(1.25f) + hex("01020304");
    // A count larger than the image only yields the records that are present.
    RecordsModel rows;
    QVERIFY(rows.setColumns(1, {1, 0}, {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}}));
    QCOMPARE(rows.appendSingleLayerImage(values, 3, RecordOrigin::Memory, 0), 2);
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(rows.value(0, 0), 5.0f);
    QCOMPARE(rows.value(0, 1), 5920.0f);
    QCOMPARE(rows.record(0).outOfRange, quint8(0));
    QCOMPARE(rows.value(1, 0), 1.25f);
    QCOMPARE(rows.record(1).outOfRange, quint8(0b10)); // the velocity, read as 0
    QCOMPARE(rows.value(1, 1), 0.0f);

    QByteArray multi;
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 6; ++i)
            multi += (k == 1 && i == 4) ? kOutRange : floatBytes(float(10 * k + i));
        multi += hex("FFFFFFFF");
    }
    const QByteArray names = QByteArray("first\0..........", 16) + QByteArray("second name!!!!!", 16);
    const QList<QVariantList> multiUnits{{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}};
    RecordsModel mrows;
    QVERIFY(mrows.setColumns(2, {0, 0, 0, 1, 1, 1}, multiUnits));
    QCOMPARE(mrows.appendMultiLayerImage(multi, names, 2, RecordOrigin::Memory, 0), 2);
    QCOMPARE(mrows.name(0), QStringLiteral("first"));
    QCOMPARE(mrows.name(1), QStringLiteral("second name!!"));
    QCOMPARE(mrows.value(1, 3), 13.0f);
    QCOMPARE(mrows.record(1).outOfRange, quint8(1u << 4));
    QCOMPARE(mrows.value(1, 5), 15.0f);
    // Names missing for the second record: only the first is decoded.
    RecordsModel shortNames;
    QVERIFY(shortNames.setColumns(2, {0, 0, 0, 1, 1, 1}, multiUnits));
    QCOMPARE(shortNames.appendMultiLayerImage(multi, names.left(20), 2, RecordOrigin::Memory, 0), 1);
}

void TestRecordsDecoding::parserFindsEveryFrameInOrder()
{
    PushFrameParser parser;
    const QByteArray first = kHeader + k5920 + k5;
    const QByteArray second = kHeader + floatBytes(6000.0f) + kOutRange;
    // Junk before the first frame, and the rest of a padded frame (its CRC) between the two.
    const QVector<PushedFrame> frames = parser.feed(hex("0102AB") + first + hex("AB44C3D2") + second, 1);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0].kind, PushedFrame::Kind::Measurement);
    QCOMPARE(GaugeRecords::fromPushed(frames[0], QString()).values[0], 5.0f);
    QCOMPARE(GaugeRecords::fromPushed(frames[0], QString()).values[1], 5920.0f);
    QCOMPARE(GaugeRecords::fromPushed(frames[1], QString()).values[1], 6000.0f);
    QVERIFY(GaugeRecords::fromPushed(frames[1], QString()).isOutOfRange(0));
    QCOMPARE(parser.pendingBytes(), 0);

    // A frame cut short (bytes lost on the way) is dropped; the frame behind it is intact.
    const QVector<PushedFrame> resync = parser.feed(kHeader + hex("0000") + first, 1);
    QCOMPARE(resync.size(), 1);
    QCOMPARE(GaugeRecords::fromPushed(resync[0], QString()).values[1], 5920.0f);

    const QVector<PushedFrame> multi = parser.feed(multiFrame(1.0f) + QByteArray(232, '\x55') + multiFrame(7.0f), 2);
    QCOMPARE(multi.size(), 2);
    const GaugeRecord row = GaugeRecords::fromPushed(multi[1], QStringLiteral("Name4"));
    QCOMPARE(row.name, QStringLiteral("Name4"));
    QCOMPARE(row.values[0], 7.0f);
    QCOMPARE(row.values[5], 12.0f);
}

void TestRecordsDecoding::parserJoinsFramesSplitAcrossBatches()
{
    const QByteArray frame = hex("0000") + kHeader + k5920 + k5;
    for (int cut = 1; cut < frame.size(); ++cut) {
        PushFrameParser parser;
        const QVector<PushedFrame> before = parser.feed(frame.left(cut), 1);
        QVERIFY2(before.isEmpty(), qPrintable(QString::number(cut)));
        const QVector<PushedFrame> after = parser.feed(frame.mid(cut), 1);
        QVERIFY2(after.size() == 1, qPrintable(QString::number(cut)));
        QCOMPARE(GaugeRecords::fromPushed(after[0], QString()).values[1], 5920.0f);
        QCOMPARE(parser.pendingBytes(), 0);
    }
    // A frame arriving byte by byte.
    PushFrameParser parser;
    int found = 0;
    for (char b : multiFrame(2.0f))
        found += int(parser.feed(QByteArray(1, b), 2).size());
    QCOMPARE(found, 1);
}

void TestRecordsDecoding::parserSettingsChangedKeepsTheFramesAfterIt()
{
    PushFrameParser parser;
    const QByteArray measurement = kHeader + k5920 + k5;
    const QByteArray changed = kHeader + k5920 + kChanged;
    // The frames after the notice are kept in their place: they are measurements in the new units.
    const QVector<PushedFrame> frames = parser.feed(measurement + changed + measurement + kHeader, 1);
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames[0].kind, PushedFrame::Kind::Measurement);
    QCOMPARE(frames[1].kind, PushedFrame::Kind::SettingsChanged);
    QCOMPARE(frames[2].kind, PushedFrame::Kind::Measurement);
    QCOMPARE(frames[2].fieldBytes, k5920 + k5);
    QCOMPARE(parser.pendingBytes(), 8); // the header at the end may start a frame
    parser.reset();

    // In the multi-layer layout a marker in any field counts, the last one included.
    QByteArray multi = multiFrame(1.0f);
    multi.replace(multi.size() - 4, 4, kChanged);
    const QVector<PushedFrame> m = parser.feed(multi, 2);
    QCOMPARE(m.size(), 1);
    QCOMPARE(m[0].kind, PushedFrame::Kind::SettingsChanged);
}

void TestRecordsDecoding::parserKeepsOnlyBoundedTail()
{
    PushFrameParser parser;
    // A truncated frame is held, never decoded from bytes that did not arrive.
    QVERIFY(parser.feed(kHeader + k5920 + hex("0000"), 1).isEmpty());
    QCOMPARE(parser.pendingBytes(), 14);
    parser.reset();
    QVERIFY(parser.feed(hex("A040"), 1).isEmpty()); // the rest of the forgotten frame
    // An unknown layout decodes nothing and forgets what was kept.
    parser.feed(kHeader, 1);
    QVERIFY(parser.feed(kHeader + k5920 + k5, 3).isEmpty());
    QCOMPARE(parser.pendingBytes(), 0);

    // Long junk: only a possible header start survives.
    const QByteArray junk(100000, '\x37');
    QVERIFY(parser.feed(junk + kHeader.left(7), 2).isEmpty());
    QCOMPARE(parser.pendingBytes(), 7);
    QVERIFY(parser.feed(junk + kHeader.left(3), 2).isEmpty());
    QCOMPARE(parser.pendingBytes(), 3);

    // Many headers with no values behind them never grow the kept bytes.
    for (int i = 0; i < 50; ++i) {
        QVERIFY(parser.feed(kHeader + hex("00"), 2).isEmpty());
        QVERIFY(parser.pendingBytes() <= PushFrameParser::MaxPendingBytes);
    }
    QVERIFY(parser.feed(multiFrame(3.0f).left(31), 2).isEmpty());
    QCOMPARE(parser.pendingBytes(), PushFrameParser::HeaderSize + 6 * 4 - 1);
    // The cut-short frames before it did not eat it: the next byte completes it.
    const QVector<PushedFrame> last = parser.feed(multiFrame(3.0f).right(1), 2);
    QCOMPARE(last.size(), 1);
    QCOMPARE(GaugeRecords::fromPushed(last[0], QString()).values[5], 8.0f);

    // The most ever held: a frame whose last value byte starts a header cut after 7 bytes.
    parser.reset();
    QVERIFY(parser.feed(multiFrame(3.0f).left(31) + kHeader.left(7), 2).isEmpty());
    QCOMPARE(parser.pendingBytes(), PushFrameParser::MaxPendingBytes);
}

void TestRecordsDecoding::parserResultDoesNotDependOnBatchCuts()
{
    // A frame cut short whose value bytes run into the start of the next header, with the
    // batch ending inside that header: the header's first bytes are no measurement, and
    // the frame behind it is not lost.
    const QByteArray real = kHeader + k5920 + k5;
    const QByteArray stream = kHeader + hex("0000B945") + hex("00") + real;
    const qsizetype cut = PushFrameParser::HeaderSize + 5 + 3; // after AB 44 00
    QCOMPARE(feedInPieces(stream, {}, 1), QList<QByteArray>{"M:" + (k5920 + k5).toHex()});
    QCOMPARE(feedInPieces(stream, {cut}, 1), feedInPieces(stream, {}, 1));

    // Every single cut, then random cuts, of random streams in both layouts.
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 300; ++round) {
        const int layout = 1 + round % 2;
        const QByteArray s = randomPushStream(rng, layout, round % 3 == 0);
        const QList<QByteArray> whole = feedInPieces(s, {}, layout);
        for (qsizetype at = 1; at < s.size(); ++at)
            QCOMPARE(feedInPieces(s, {at}, layout), whole);
        for (int trial = 0; trial < 20; ++trial) {
            QList<qsizetype> cuts;
            for (qsizetype at = rng.bounded(8); at < s.size(); at += 1 + rng.bounded(12))
                cuts.append(at);
            QCOMPARE(feedInPieces(s, cuts, layout), whole);
        }
    }
}

void TestRecordsDecoding::readPlanBlocks_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QVector<ReadBlock>>("values");
    QTest::addColumn<QVector<ReadBlock>>("names");
    QTest::newRow("single 21") << 1 << qint64(21) << QVector<ReadBlock>{{0x80000000u, 252}} << QVector<ReadBlock>{};
    QTest::newRow("single 22") << 1 << qint64(22) << QVector<ReadBlock>{{0x80000000u, 256}, {0x80000100u, 8}}
                               << QVector<ReadBlock>{};
    QTest::newRow("multi 10") << 2 << qint64(10) << QVector<ReadBlock>{{0x80000000u, 256}, {0x80000100u, 24}}
                              << QVector<ReadBlock>{{0xC0000000u, 160}};
    QTest::newRow("multi 16") << 2 << qint64(16) << QVector<ReadBlock>{{0x80000000u, 256}, {0x80000100u, 192}}
                              << QVector<ReadBlock>{{0xC0000000u, 256}};
    QTest::newRow("none") << 2 << qint64(0) << QVector<ReadBlock>{} << QVector<ReadBlock>{};
    QTest::newRow("unknown layout") << 3 << qint64(10) << QVector<ReadBlock>{} << QVector<ReadBlock>{};
}

void TestRecordsDecoding::readPlanBlocks()
{
    QFETCH(int, layout);
    QFETCH(qint64, count);
    QFETCH(QVector<ReadBlock>, values);
    QFETCH(QVector<ReadBlock>, names);
    QVERIFY(ReadPlan::valueBlocks(layout, count) == values);
    QVERIFY(ReadPlan::nameBlocks(layout, count) == names);
}

void TestRecordsDecoding::readPlanMatchesBlockArithmetic()
{
    // Block counts as the instrument's reading computes them (double, rounded up), lengths that
    // add up to the total, and addresses 256 apart.
    for (qint64 total : {1LL, 255LL, 256LL, 257LL, 511LL, 512LL, 12LL * 99999, 28LL * 1000000}) {
        const QVector<ReadBlock> b = ReadPlan::blocks(ReadPlan::NameBase, total);
        QCOMPARE(b.size(), qsizetype(std::ceil(double(total) * 0.00390625)));
        qint64 sum = 0;
        for (int i = 0; i < b.size(); ++i) {
            QCOMPARE(b[i].address, ReadPlan::NameBase + quint32(256 * i));
            QVERIFY(b[i].length > 0 && b[i].length <= 256);
            QVERIFY(i + 1 == b.size() || b[i].length == 256);
            sum += b[i].length;
        }
        QCOMPARE(sum, total);
    }
}

void TestRecordsDecoding::countBounds()
{
    QString why;
    QVERIFY(ReadPlan::countFits(2, ReadPlan::MaxRecordCount, &why));
    QVERIFY(why.isEmpty());

    QVERIFY(!ReadPlan::countFits(2, ReadPlan::MaxRecordCount + 1, &why));
    QVERIFY(why.contains(QStringLiteral("limit")));
    QVERIFY(!ReadPlan::countFits(1, -1, &why));
    QVERIFY(!ReadPlan::countFits(4, 10, &why));

    // Past the value region (1 GiB from 0x80000000), and counts whose byte sizes overflow.
    QVERIFY(!ReadPlan::countFits(1, 0x40000000LL / 12 + 1, &why));
    QVERIFY(why.contains(QStringLiteral("value memory")));
    QVERIFY(!ReadPlan::countFits(2, std::numeric_limits<qint64>::max(), &why));
    QVERIFY(ReadPlan::valueBlocks(2, std::numeric_limits<qint64>::max()).isEmpty());
    QVERIFY(ReadPlan::nameBlocks(2, ReadPlan::MaxRecordCount + 1).isEmpty());
}

QTEST_GUILESS_MAIN(TestRecordsDecoding)
#include "tst_records_decoding.moc"
