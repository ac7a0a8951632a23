// The meter and unit table loaders on arbitrary file contents.
#include "FuzzInput.h"
#include "records/GaugeConfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One name for every input: a read-only QSettings reads its file afresh each time, and
    // new names would only fill the settings cache (libFuzzer then checks each run for leaks).
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("table"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    for (const QVariantList &entry : GaugeConfig::loadMeterTable(path))
        FUZZ_CHECK(entry.size() == 3 && !entry.first().toString().isEmpty());
    for (const QVariantList &entry : GaugeConfig::loadUnitTable(path)) {
        FUZZ_CHECK(entry.size() == 3);
        bool numeric = false;
        const double decimals = entry[2].toDouble(&numeric);
        if (numeric)
            FUZZ_CHECK(!(decimals < GaugeConfig::MinDecimals) && !(decimals > GaugeConfig::MaxDecimals));
    }
    QFile::remove(path);
    return 0;
}

// QSettings and friends talk through qDebug; a fuzz run should not.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}
