// Loading the meter and unit tables: the decimals bound, and files that are no table.
#include "records/GaugeConfig.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestGaugeConfig : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const char *name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void decimalsAreClampedAtLoad()
    {
        const QString path = write("unitno",
                                   "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=20000000\n"
                                   "[Unit2]\nUnitNo=1\nUnitName=inch\nDecimalNumber=-3\n"
                                   "[Unit3]\nUnitNo=2\nUnitName=m/s\nDecimalNumber=2\n"
                                   "[Unit4]\nUnitNo=3\nUnitName=x\nDecimalNumber=1e300\n"
                                   "[Unit5]\nUnitNo=4\nUnitName=y\nDecimalNumber=6\n");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("unit 1 DecimalNumber \"20000000\" clamped to 6"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("unit 2 DecimalNumber \"-3\" clamped to 0"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("unit 4 DecimalNumber \"1e300\" clamped to 6"));
        const QList<QVariantList> units = GaugeConfig::loadUnitTable(path);
        QCOMPARE(units.size(), 5);
        QCOMPARE(units[0][2].toInt(), 6);
        QCOMPARE(units[1][2].toInt(), 0);
        QCOMPARE(units[3][2].toInt(), 6);
        // Values in range are left exactly as read.
        QCOMPARE(units[2][2], QVariant(QStringLiteral("2")));
        QCOMPARE(units[4][2], QVariant(QStringLiteral("6")));
        QCOMPARE(units[0][1].toString(), QStringLiteral("mm"));
    }

    void hugeOrBinaryFilesAreIgnored()
    {
        const QByteArray table = "[Unit1]\nUnitNo=0\nUnitName=mm\nDecimalNumber=2\n"
                                 "[Device1]\nMeterNo=2\nUIIndex=2\nVersion=100\n";
        // Just at the limit: still a table.
        QByteArray padded = table + ';' + QByteArray(GaugeConfig::MaxFileBytes - table.size() - 2, 'x') + '\n';
        QCOMPARE(padded.size(), GaugeConfig::MaxFileBytes);
        QCOMPARE(GaugeConfig::loadUnitTable(write("unitno", padded)).size(), 1);

        // One byte over, and far over: ignored, quickly.
        padded.append('\n');
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("ignoring .*unitno.*larger than"));
        QVERIFY(GaugeConfig::loadUnitTable(write("unitno", padded)).isEmpty());
        const QByteArray huge = table + QByteArray(64 << 20, '[');
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("ignoring .*meterno.*larger than"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(GaugeConfig::loadMeterTable(write("meterno", huge)).isEmpty());
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));

        // A NUL byte anywhere, even in a comment, marks a file as no table.
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("ignoring .*meterno.*binary"));
        QVERIFY(GaugeConfig::loadMeterTable(write("meterno", table + QByteArray(";\0\n", 3))).isEmpty());
        // Each file of the folder is judged on its own.
        write("meterno", table);
        write("unitno", QByteArray("[Unit1]\nUnitNo=0\nUnitName=m\0m\nDecimalNumber=2\n", 46));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("ignoring .*unitno.*binary"));
        const GaugeConfig both = GaugeConfig::load(dir.path());
        QVERIFY(both.unitTable.isEmpty());
        QCOMPARE(both.meterTable.size(), 1);
    }
};

QTEST_APPLESS_MAIN(TestGaugeConfig)
#include "tst_gauge_config.moc"
