// CMLs and readings as CSV: what the writers produce reads back to the same entries, a file
// a person typed reads as they meant it, and a bad file is refused whole at its first bad line.
#include "store/PlacesCsv.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(PlacesCsv::Fault)

namespace {

// NaN equals NaN here: "not given" must stay "not given".
bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Floats bit for bit: a value read back must be the value written.
bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

qint64 utcMs(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc()).toMSecsSinceEpoch();
}

} // namespace

class PlacesCsvTest : public QObject
{
    Q_OBJECT

private slots:
    void cmlsReadBackAsWritten()
    {
        QVector<CmlEntry> written;
        auto add = [&](const QString &path, const QString &tag, const QString &description, double nominal,
                       double minimum, double allowance, const QString &material, const QString &notes) {
            CmlEntry e;
            e.assetPath = path;
            e.cml.tag = tag;
            e.cml.description = description;
            e.cml.nominal = nominal;
            e.cml.minimum = minimum;
            e.cml.allowance = allowance;
            e.cml.material = material;
            e.cml.notes = notes;
            written << e;
        };
        add(QStringLiteral("Refinery/Crude unit/V-101"), QStringLiteral("CML-1"), QStringLiteral("Shell, \"north\" side"),
            12.7, 9.53, 3.175, QStringLiteral("SA-516 Gr.70"), QStringLiteral("scaffold needed\nask the foreman"));
        add(QStringLiteral("炼油厂/常压装置/E-201"), QStringLiteral("测点-2"), QStringLiteral("管箱 入口"), NotGiven, 0.1,
            NotGiven, QString(), QStringLiteral(" leading and trailing blanks "));
        add(QStringLiteral("Refinery"), QStringLiteral("cml-1"), QString(), 1.0 / 3.0, 1e-7, 12345.678901234567,
            QStringLiteral("\"quoted\""), QStringLiteral("line one\r\nline two, with comma"));

        QVector<CmlEntry> read;
        PlacesCsv::Refusal refusal;
        QVERIFY(PlacesCsv::readCmls(PlacesCsv::writeCmls(written), &read, &refusal));
        QCOMPARE(refusal.fault, PlacesCsv::Fault::None);
        QCOMPARE(read.size(), written.size());
        for (int i = 0; i < written.size(); ++i) {
            const CmlEntry &w = written[i];
            const CmlEntry &r = read[i];
            QCOMPARE(r.assetPath, w.assetPath);
            QCOMPARE(r.cml.tag, w.cml.tag);
            QCOMPARE(r.cml.description, w.cml.description);
            QVERIFY2(same(r.cml.nominal, w.cml.nominal), qPrintable(QString::number(i)));
            QVERIFY2(same(r.cml.minimum, w.cml.minimum), qPrintable(QString::number(i)));
            QVERIFY2(same(r.cml.allowance, w.cml.allowance), qPrintable(QString::number(i)));
            QCOMPARE(r.cml.material, w.cml.material);
            QCOMPARE(r.cml.notes, w.cml.notes);
        }

        // As a spreadsheet saves one: a byte order mark, the columns in its own order, names
        // in capitals, blanks around the path's tags, a quoted number, LF line ends.
        const QByteArray typed = "\xEF\xBB\xBF" "Tag,NOMINAL,asset_path\n"
                                 "T-9,\"6.35\", Site / Unit 2 /Pump \n";
        QVERIFY(PlacesCsv::readCmls(typed, &read, &refusal));
        QCOMPARE(read.size(), 1);
        QCOMPARE(read[0].assetPath, QStringLiteral("Site/Unit 2/Pump"));
        QCOMPARE(read[0].cml.tag, QStringLiteral("T-9"));
        QCOMPARE(read[0].cml.nominal, 6.35);
        QVERIFY(std::isnan(read[0].cml.minimum));
        QVERIFY(read[0].cml.description.isEmpty());
    }

    void readingsReadBackAsWritten()
    {
        QVector<ReadingEntry> written;
        ReadingEntry single;
        single.assetPath = QStringLiteral("Refinery/Crude unit/V-101");
        single.tag = QStringLiteral("CML-1");
        single.dateMs = utcMs(2026, 3, 1, 9, 30, 0);
        single.layers = 1;
        single.values[0] = 0.1f;
        single.values[1] = 5920.0f;
        single.flags = 0b10; // the velocity out of range
        single.comment = QStringLiteral("pitted, \"deep\"\nre-check next time");
        single.thicknessUnit = QStringLiteral("mm");
        written << single;

        ReadingEntry three;
        three.assetPath = QStringLiteral("炼油厂/常压装置");
        three.tag = QStringLiteral("测点-2");
        three.dateMs = utcMs(2025, 12, 31, 23, 59, 59, 987);
        three.layers = 3;
        const float values[6] = {0.2512345f, 3.0e-3f, 123456.79f, 2330.5f, std::nanf(""), 6100.25f};
        std::copy(std::begin(values), std::end(values), three.values);
        three.flags = 0b101010; // layer 2's thickness and two velocities
        three.comment = QStringLiteral("涂层下腐蚀");
        three.thicknessUnit = QStringLiteral("inch");
        written << three;

        QVector<ReadingEntry> read;
        PlacesCsv::Refusal refusal;
        QVERIFY(PlacesCsv::readReadings(PlacesCsv::writeReadings(written), &read, &refusal));
        QCOMPARE(read.size(), written.size());
        for (int i = 0; i < written.size(); ++i) {
            const ReadingEntry &w = written[i];
            const ReadingEntry &r = read[i];
            QCOMPARE(r.assetPath, w.assetPath);
            QCOMPARE(r.tag, w.tag);
            QCOMPARE(r.dateMs, w.dateMs);
            QCOMPARE(r.layers, w.layers);
            const int used = w.layers == 3 ? 6 : 2;
            for (int v = 0; v < used; ++v)
                QVERIFY2(sameBits(r.values[v], w.values[v]) || (std::isnan(r.values[v]) && std::isnan(w.values[v])),
                         qPrintable(QStringLiteral("entry %1 value %2: %3 read as %4")
                                        .arg(i)
                                        .arg(v)
                                        .arg(double(w.values[v]), 0, 'g', 9)
                                        .arg(double(r.values[v]), 0, 'g', 9)));
            QCOMPARE(r.flags, w.flags);
            QCOMPARE(r.comment, w.comment);
            QCOMPARE(r.thicknessUnit, w.thicknessUnit);
        }

        // Typed by hand: the layers' columns say which value is which, whatever their order;
        // a date with an offset is the same instant in UTC.
        const QByteArray typed = "velocity_3,thickness_3,velocity_2,thickness_2,velocity_1,thickness_1,unit,date,tag,"
                                 "asset_path,flags\r\n"
                                 "6,5,4,3,2,1,IN,2026-03-01T11:30:00+02:00,T,A/B,33\r\n";
        QVERIFY(PlacesCsv::readReadings(typed, &read, &refusal));
        QCOMPARE(read.size(), 1);
        QCOMPARE(read[0].layers, 3);
        // The record's order: thicknesses of layers 1-3, then their velocities.
        const float expected[6] = {1, 3, 5, 2, 4, 6};
        for (int v = 0; v < 6; ++v)
            QCOMPARE(read[0].values[v], expected[v]);
        QCOMPARE(read[0].dateMs, utcMs(2026, 3, 1, 9, 30, 0));
        QCOMPARE(read[0].thicknessUnit, QStringLiteral("inch")); // "IN" as people write it
        QCOMPARE(int(read[0].flags), 33);
    }

    // All or nothing: the entries stay as they were and the first bad record is told by the
    // line it starts on, counting the lines inside quoted fields.
    void badFilesRefused_data()
    {
        QTest::addColumn<bool>("cmls");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<PlacesCsv::Fault>("fault");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("detail");
        using F = PlacesCsv::Fault;
        const QByteArray cmlHeader = "asset_path,tag,nominal,minimum,notes\n";
        QTest::newRow("number in the middle") << true
                                              << cmlHeader + "A/B,1,6.3,5,\nA/B,2,6.3,5,\nA/B,3,6.3,5.2.1,\nA/B,4,6.3,5,\n"
                                              << F::BadNumber << 4 << "minimum";
        QTest::newRow("comma decimal") << true << cmlHeader + "A/B,1,\"6,3\",5,\n" << F::BadNumber << 2 << "nominal";
        QTest::newRow("after a multi-line note")
            << true << cmlHeader + "A/B,1,6,5,\"two\nlines\"\nA/B,2,6,,\"x\"\nA/B,3,six,5,\n" << F::BadNumber << 5
            << "nominal";
        QTest::newRow("unknown column") << true << QByteArray("asset_path,tag,thickness\nA,1,3\n") << F::UnknownColumn << 1
                                        << "thickness";
        QTest::newRow("column twice") << true << QByteArray("asset_path,tag,Tag\nA,1,2\n") << F::UnknownColumn << 1
                                      << "Tag";
        QTest::newRow("no tag column") << true << QByteArray("asset_path,nominal\nA,3\n") << F::MissingColumn << 1 << "tag";
        QTest::newRow("tag twice, other case") << true << cmlHeader + "A/B,x1,,,\nA/C,x1,,,\na/b,X1,,,\n"
                                               << F::RepeatedTag << 4 << "";
        QTest::newRow("empty tag in path") << true << cmlHeader + "A//B,1,,,\n" << F::BadPath << 2 << "asset_path";
        QTest::newRow("field short") << true << cmlHeader + "A/B,1,,,\nA/B,2,6\n" << F::FieldCount << 3 << "";
        QTest::newRow("unterminated") << true << cmlHeader + "A/B,1,,,ok\nA/B,2,,,\"never closed\n" << F::Unterminated
                                      << 3 << "";
        QTest::newRow("empty file") << true << QByteArray() << F::Empty << 1 << "";

        const QByteArray readingHeader = "asset_path,tag,date,unit,thickness_1,velocity_1,flags,comment\n";
        QTest::newRow("reading date") << false
                                      << readingHeader + "A,1,2026-03-01T09:30:00Z,mm,5,,,\"a,\nb\"\nA,1,01.03.2026,mm,5,,,\n"
                                      << F::BadDate << 4 << "date";
        QTest::newRow("reading unit") << false << readingHeader + "A,1,2026-03-01T09:30:00Z,cm,5,,,\n" << F::BadUnit << 2
                                      << "unit";
        QTest::newRow("reading thickness") << false << readingHeader + "A,1,2026-03-01T09:30:00Z,mm,,5920,,\n"
                                           << F::EmptyValue << 2 << "thickness_1";
        QTest::newRow("reading flags") << false << readingHeader + "A,1,2026-03-01T09:30:00Z,mm,5,5920,4,\n"
                                       << F::BadNumber << 2 << "flags";
        QTest::newRow("reading without unit") << false << QByteArray("asset_path,tag,date,thickness_1\nA,1,2026-03-01,5\n")
                                              << F::MissingColumn << 1 << "unit";
    }

    void badFilesRefused()
    {
        QFETCH(bool, cmls);
        QFETCH(QByteArray, csv);
        QFETCH(PlacesCsv::Fault, fault);
        QFETCH(int, line);
        QFETCH(QString, detail);
        PlacesCsv::Refusal refusal;
        bool read = true;
        qsizetype left = 0;
        if (cmls) {
            QVector<CmlEntry> entries(1);
            read = PlacesCsv::readCmls(csv, &entries, &refusal);
            left = entries.size();
        } else {
            QVector<ReadingEntry> entries(1);
            read = PlacesCsv::readReadings(csv, &entries, &refusal);
            left = entries.size();
        }
        QVERIFY(!read);
        QCOMPARE(left, qsizetype(1));
        QCOMPARE(refusal.fault, fault);
        QCOMPARE(refusal.line, line);
        if (!detail.isEmpty())
            QCOMPARE(refusal.detail, detail);
    }
};

QTEST_GUILESS_MAIN(PlacesCsvTest)
#include "tst_places_csv.moc"
