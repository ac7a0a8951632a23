// Exports 10,000 single-layer and 10,000 multi-layer rows through the real flow and office,
// and measures the same multi-layer cells written one office call at a time.
//   bench_export [baseline-rows]   (default 10000; fewer rows make the baseline quicker)
#include "interaction/SilentProgress.h"
#include "interaction/UserInteraction.h"
#include "export/CalcOffice.h"
#include "export/ExportFlow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

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
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &) override
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

void fill(QTableWidget &table, int layout, int rows)
{
    const QStringList headers = layout == 1
        ? QStringList{"Thickness\n(mm)", "Sound Velocity\n(m/s)", "Operation"}
        : QStringList{"Test Name", "1st Layer Thickness\n(mm)", "2st Layer Thickness\n(mm)", "3st Layer Thickness\n(mm)",
                      "1st Sound Velocity\n(m/s)", "2st Sound Velocity\n(m/s)", "3st Sound Velocity\n(m/s)", "Operation"};
    table.setColumnCount(headers.size());
    table.setHorizontalHeaderLabels(headers);
    table.setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c + 1 < headers.size(); ++c) {
            QString text;
            if (layout == 2 && c == 0)
                text = QStringLiteral("Point %1").arg(r + 1);
            else if (r % 97 == 5)
                text = QStringLiteral("Outrange");
            else if (headers[c].contains(QLatin1String("Velocity")))
                text = QString::number(5900 + r % 100);
            else
                text = QString::number(1.0 + (r % 1000) / 100.0, 'f', 2);
            auto *item = new QTableWidgetItem(text);
            item->setTextAlignment(Qt::AlignCenter);
            table.setItem(r, c, item);
        }
    }
}

struct Timing
{
    qint64 total = -1;
    qint64 start = 0;
};

Timing exportTable(Answers &answers, int layout, int rows, const QString &path)
{
    QTableWidget table;
    fill(table, layout, rows);
    answers.path = path;
    answers.succeeded = false;
    QElapsedTimer timer;
    timer.start();
    const bool ok = ExportFlow::run(nullptr, &table, layout, QStringLiteral("3"), false);
    Timing t;
    t.total = timer.elapsed();
    t.start = CalcOffice::lastStartMs();
    if (!ok || !answers.succeeded)
        t.total = -1;
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = 10000;
    const int baselineRows = argc > 1 ? qBound(1, atoi(argv[1]), rows) : rows;
    QTemporaryDir dir;
    Answers answers;
    UserInteraction::setCurrent(&answers);

    const Timing single = exportTable(answers, 1, rows, dir.filePath(QStringLiteral("single.xls")));
    const Timing multi = exportTable(answers, 2, rows, dir.filePath(QStringLiteral("multi.xls")));
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
    const Timing early = exportTable(answers, 2, rows, dir.filePath(QStringLiteral("early.xls")));
    const qint64 afterDialog = answers.sinceChosen.elapsed();
    answers.choosingMs = 0;
    if (early.total < 0) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    std::printf("multi-layer after a 3000 ms file dialog: ms_after_dialog=%lld (ms_total without a dialog %lld)\n",
                static_cast<long long>(afterDialog), static_cast<long long>(multi.total));

    // Baseline: the same cells (headers, seven columns, centred), one call per cell operation.
    QTableWidget table;
    fill(table, 2, baselineRows);
    QList<CalcOffice::Cell> cells;
    for (int c = 0; c < 7; ++c)
        cells << CalcOffice::Cell{1, c + 1, table.horizontalHeaderItem(c)->text(), true, true};
    for (int r = 0; r < baselineRows; ++r)
        for (int c = 0; c < 7; ++c)
            cells << CalcOffice::Cell{r + 2, c + 1, table.item(r, c)->text(), true, true};
    const QString basePath = dir.filePath(QStringLiteral("baseline.xls"));
    QFile(basePath).open(QIODevice::WriteOnly);
    CalcOffice office;
    if (!office.launch() || !office.connect(60000) || !office.openDocument(basePath)) {
        std::fprintf(stderr, "baseline: office not available\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const bool written = office.writeCellsOneByOne(1, cells) && office.storeAs(basePath) && office.closeDocument();
    qint64 cellByCell = timer.elapsed();
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
    UserInteraction::setCurrent(nullptr);
    return 0;
}
