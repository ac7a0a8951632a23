// palvarin-cli read -o FILE.csv through the tool's own entry point: the link opened, the gauge
// identified, the records read over every link layer from the emulated gauge at one 64-byte
// report per millisecond, and the CSV file written and renamed into place. The bound, as in
// bench_read_records, is the time the USB reports of every request and reply take.
#include "UsbBound.h"
#include "cli/Cli.h"
#include "emulator/EmulatorBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int recordCount = 10000;

double runLayout(const QTemporaryDir &dir, bool multi, std::FILE *quiet)
{
    EmulatorBackend backend;
    auto gauge = std::make_shared<EmulatedInstrument>(QStringLiteral("4242"), multi ? 2 : 1, multi ? 125 : 110);
    gauge->setUnitNumbers(multi ? QList<int>{0, 0, 0, 2, 2, 2} : QList<int>{2, 0});
    EmulatorBackend::fillDemoRecords(*gauge, recordCount, 10);
    gauge->setReportIntervalUs(1000);
    backend.plug(gauge);
    gauge->clearRequestLog();

    const QString output = dir.filePath(multi ? QStringLiteral("multi.csv") : QStringLiteral("single.csv"));
    Cli::Streams streams;
    streams.err = quiet;
    QElapsedTimer clock;
    clock.start();
    const int code = Cli::run({QStringLiteral("palvarin-cli"), QStringLiteral("read"), QStringLiteral("-o"), output},
                              streams, &backend);
    const qint64 elapsed = clock.elapsed();

    QFile file(output);
    int lines = 0;
    if (file.open(QIODevice::ReadOnly))
        lines = int(file.readAll().count('\n'));
    const int rows = std::max(0, lines - 1); // the header row
    const qint64 bound = UsbBound::of(gauge->requestLog());
    const double ratio = bound > 0 ? double(elapsed) / double(bound) : 0.0;
    std::printf("cli_read layout=%s exit=%d rows=%d elapsed_ms=%lld bound_ms=%lld ratio=%.2f\n",
                multi ? "multi" : "single", code, rows, static_cast<long long>(elapsed),
                static_cast<long long>(bound), ratio);
    std::fflush(stdout);
    if (code != 0 || rows != recordCount)
        std::fprintf(stderr, "expected exit 0 and %d rows\n", recordCount);
    return ratio;
}

} // namespace

int main(int argc, char *argv[])
{
    // The tool finds the shipped tables in the user's configuration folder: a private one.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(config + QStringLiteral("/Palvarin"));
    for (const char *table : {"meterno", "unitno"})
        QFile::copy(QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config/") + QLatin1String(table),
                    config + QStringLiteral("/Palvarin/") + QLatin1String(table));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QCoreApplication::setApplicationName(QStringLiteral("Palvarin"));
    QCoreApplication app(argc, argv);

    std::FILE *quiet = std::fopen("/dev/null", "w");
    const double single = runLayout(dir, false, quiet ? quiet : stderr);
    const double multi = runLayout(dir, true, quiet ? quiet : stderr);
    if (quiet)
        std::fclose(quiet);
    // The slower of the two layouts against its bound.
    std::printf("cli_read rows=%d ratio=%.2f\n", recordCount, std::max(single, multi));
    return 0;
}
