// Times the writers without an office: 100,000 rows x 8 columns (a name and seven readings)
// to .xlsx and to .csv, and a PDF report of 1,000 rows. Each is the best of three runs; the
// memory line is the growth of the peak resident size over the .xlsx writes.
//   bench_outputs [rows]   (default 100000)
#include "export/CsvWriter.h"
#include "export/PdfReport.h"
#include "export/XlsxWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

WorkbookTable makeTable(int rows)
{
    WorkbookTable table;
    table.headers << QStringLiteral("Test Name");
    for (int c = 1; c < 8; ++c)
        table.headers << QStringLiteral("Thickness %1\n(mm)").arg(c);
    table.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<WorkbookCell> row;
        row.reserve(8);
        row << WorkbookCell::ofText(QStringLiteral("Name%1").arg(r + 1));
        for (int c = 1; c < 8; ++c) {
            if ((r + c) % 97 == 0)
                row << WorkbookCell::ofOutOfRange(QStringLiteral("Outrange"));
            else
                row << WorkbookCell::ofNumber(double((r * 7 + c * 13) % 100000) / 1000.0, 3);
        }
        table.rows << row;
    }
    return table;
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

template <typename F>
qint64 bestOfThree(F run)
{
    qint64 best = -1;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            std::fprintf(stderr, "write failed\n");
            std::exit(1);
        }
        const qint64 ms = timer.elapsed();
        best = best < 0 ? ms : qMin(best, ms);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    const WorkbookTable table = makeTable(rows);
    const long rssBefore = peakRssKb();
    XlsxWriter xlsx;
    int n = 0;
    const qint64 xlsxMs = bestOfThree([&] {
        const QString path = dir.filePath(QStringLiteral("t%1.xlsx").arg(n++));
        const bool ok = xlsx.write(table, path, nullptr);
        QFile::remove(path);
        return ok;
    });
    const long xlsxGrowthKb = peakRssKb() - rssBefore;

    CsvWriter csv;
    const qint64 csvMs = bestOfThree([&] {
        const QString path = dir.filePath(QStringLiteral("t%1.csv").arg(n++));
        const bool ok = csv.write(table, path, nullptr);
        QFile::remove(path);
        return ok;
    });

    ReportInput report;
    report.serial = QStringLiteral("12345");
    report.firmware = QStringLiteral("1.25");
    report.units = QStringLiteral("mm");
    report.table.headers = table.headers;
    report.table.rows = table.rows.mid(0, 1000);
    report.fields.company = QStringLiteral("Bench Inspection Ltd");
    const qint64 pdfMs = bestOfThree([&] {
        const QString path = dir.filePath(QStringLiteral("t%1.pdf").arg(n++));
        const bool ok = PdfReport::write(report, path) == 0;
        QFile::remove(path);
        return ok;
    });

    // The tool's read against the report-time bound: bench_cli_read beside this program.
    QString cliRatio = QStringLiteral("na");
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_cli_read"), QStringList());
    if (cli.waitForFinished(300000) && cli.exitCode() == 0) {
        const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
        const QByteArray last = lines.isEmpty() ? QByteArray() : lines.last();
        const qsizetype at = last.indexOf("ratio=");
        if (last.startsWith("cli_read ") && at >= 0)
            cliRatio = QString::fromLatin1(last.mid(at + 6).trimmed());
    }

    std::printf("xlsx peak memory growth: %ld KB\n", xlsxGrowthKb);
    std::printf("outputs rows=%d xlsx_ms=%lld csv_ms=%lld pdf_rows=%d pdf_ms=%lld cli_read_ratio=%s\n", rows,
                static_cast<long long>(xlsxMs), static_cast<long long>(csvMs), int(report.table.rows.size()),
                static_cast<long long>(pdfMs), qPrintable(cliRatio));
    return 0;
}
