// Exports 10,000 single-layer and 10,000 multi-layer rows through the real flow and office,
// and measures the same multi-layer cells written one office call at a time.
//   bench_export [baseline-rows]   (default 10000; fewer rows make the baseline quicker)
#include "export/CalcDocument.h"
#include "export/CellBlocks.h"
#include "export/ExcelEngine.h"
#include "export/ExportFlow.h"
#include "export/OfficeProcess.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include "interaction/SilentProgress.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Answers the file dialog with a fixed path and every question with No.
class Answers : public UserInteraction
{
public:
    QString path;
    bool succeeded = false;
    int choosingMs = 0; // how long the "user" takes to pick the file
    QElapsedTimer sinceChosen;
    void information(QWidget *, const QString &, const QString &) override { succeeded = true; }
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override
    {
        if (choosingMs > 0)
            QThread::msleep(choosingMs);
        sinceChosen.start();
        return path;
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *, const QString &, const QString &, int, int maximum) override
    {
        return std::make_unique<SilentProgress>(maximum);
    }
};

// The table as the records page hands it over: names, thicknesses with two decimals,
// velocities without, and now and then the out-of-range word.
WorkbookTable makeTable(int layout, int rows)
{
    WorkbookTable table;
    table.headers = layout == 1
        ? QStringList{"Thickness\n(mm)", "Sound Velocity\n(m/s)"}
        : QStringList{"Test Name", "1st Layer Thickness\n(mm)", "2nd Layer Thickness\n(mm)", "3rd Layer Thickness\n(mm)",
                      "1st Sound Velocity\n(m/s)", "2nd Sound Velocity\n(m/s)", "3rd Sound Velocity\n(m/s)"};
    table.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<WorkbookCell> row;
        for (int c = 0; c < table.headers.size(); ++c) {
            if (layout == 2 && c == 0)
                row << WorkbookCell::ofText(QStringLiteral("Point %1").arg(r + 1));
            else if (r % 97 == 5)
                row << WorkbookCell::ofText(QStringLiteral("Outrange"));
            else if (table.headers[c].contains(QLatin1String("Velocity")))
                row << WorkbookCell::ofNumber(5900 + r % 100, 0);
            else
                row << WorkbookCell::ofNumber(1.0 + (r % 1000) / 100.0, 2);
        }
        table.rows << row;
    }
    return table;
}

struct Timing
{
    qint64 total = -1;
    qint64 start = 0;
};

Timing exportTable(Answers &answers, ExcelEngine &engine, int layout, int rows, const QString &path)
{
    const WorkbookTable table = makeTable(layout, rows);
    answers.path = path;
    answers.succeeded = false;
    ExportFlow flow(answers, engine);
    QElapsedTimer timer;
    timer.start();
    const int written = flow.run(nullptr, table);
    Timing t;
    t.total = timer.elapsed();
    t.start = engine.lastStartMs();
    if (written != rows || !answers.succeeded)
        t.total = -1;
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = 10000;
    const int baselineRows = argc > 1 ? qBound(1, std::atoi(argv[1]), rows) : rows;
    QTemporaryDir dir;
    Answers answers;
    ExcelEngine engine(dir.filePath(QStringLiteral("no-template.xls")));

    const Timing single = exportTable(answers, engine, 1, rows, dir.filePath(QStringLiteral("single.xls")));
    const Timing multi = exportTable(answers, engine, 2, rows, dir.filePath(QStringLiteral("multi.xls")));
    if (single.total < 0 || multi.total < 0) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    std::printf("single-layer rows=%d ms_total=%lld ms_start=%lld ms_without_start=%lld\n", rows,
                static_cast<long long>(single.total), static_cast<long long>(single.start),
                static_cast<long long>(single.total - single.start));
    std::printf("multi-layer rows=%d ms_total=%lld ms_start=%lld ms_without_start=%lld\n", rows,
                static_cast<long long>(multi.total), static_cast<long long>(multi.start),
                static_cast<long long>(multi.total - multi.start));

    // The office starts while the file dialog is open: with a user who takes 3 s to choose,
    // the export after the dialog no longer waits for the start-up.
    answers.choosingMs = 3000;
    const Timing early = exportTable(answers, engine, 2, rows, dir.filePath(QStringLiteral("early.xls")));
    const qint64 afterDialog = answers.sinceChosen.elapsed();
    answers.choosingMs = 0;
    if (early.total < 0) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    std::printf("multi-layer after a 3000 ms file dialog: ms_after_dialog=%lld (ms_total without a dialog %lld)\n",
                static_cast<long long>(afterDialog), static_cast<long long>(multi.total));

    // Baseline: the same cells (headers, seven columns, centred), one call per cell operation.
    const WorkbookTable baselineTable = makeTable(2, baselineRows);
    const SheetCells cells(baselineTable);
    const QString basePath = dir.filePath(QStringLiteral("baseline.xls"));
    OfficeProcess office;
    if (!office.launch() || !office.connect(60000)) {
        std::fprintf(stderr, "baseline: office not available\n");
        return 1;
    }
    qint64 cellByCell = 0;
    bool written = false;
    {
        CalcDocument document(office);
        if (!document.open(QString())) {
            std::fprintf(stderr, "baseline: no document\n");
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        written = document.writeCellsOneByOne(0, cells) && document.storeAsXls(basePath) && document.close();
        cellByCell = timer.elapsed();
    }
    office.shutdown();
    if (!written) {
        std::fprintf(stderr, "baseline failed\n");
        return 1;
    }
    if (baselineRows < rows) {
        std::printf("cell-by-cell measured on %d rows: %lld ms, scaled to %d rows\n", baselineRows,
                    static_cast<long long>(cellByCell), rows);
        cellByCell = cellByCell * rows / baselineRows;
    }
    const qint64 without = multi.total - multi.start;
    std::printf("export rows=%d ms_without_start=%lld ms_start=%lld ms_cell_by_cell=%lld speedup=%.1f\n", rows,
                static_cast<long long>(without), static_cast<long long>(multi.start),
                static_cast<long long>(cellByCell), double(cellByCell) / double(qMax<qint64>(1, without)));
    return 0;
}
