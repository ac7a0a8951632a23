// Measures filling the records table: N single-layer records (first argument, default
// 100,000) decoded from a memory image, appended to the records model as one batch and shown
// in a QTableView with painted Delete buttons, until the first paint is done; then one pushed
// record added to the full table, which should cost about one repaint whatever N is. The
// baseline is the one-row path with a QPushButton widget per row and a scroll after every row.
#include "interaction/Language.h"
#include "protocol/FieldDecoder.h"
#include "protocol/GaugeRecord.h"
#include "records/RecordsModel.h"
#include "recordspage/RecordsTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// A stored single-layer image as records, for the baseline's and the record path's rows.
QVector<GaugeRecord> recordsOf(const QByteArray &image, qint64 count)
{
    QVector<GaugeRecord> records;
    const qint64 n = qBound<qint64>(0, count, image.size() / FieldDecoder::SingleRecordSize);
    records.reserve(n);
    for (qint64 k = 0; k < n; ++k)
        records.append(GaugeRecords::singleLayer(image.constData() + k * FieldDecoder::SingleRecordSize));
    return records;
}

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0.0;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

const char *kSkin = "QPushButton{background:#1E90FF;color:#FFF0F5;border:1px solid #242424;border-radius:5px;}";

QList<QVariantList> unitTable()
{
    return {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}};
}

void putRecord(char *rec, int k)
{
    qToLittleEndian(5900.0f + float(k % 100), rec);
    qToLittleEndian(1.0f + float(k % 1000) / 100.0f, rec + 4);
}

QByteArray memoryImage(int count)
{
    QByteArray image(qsizetype(count) * FieldDecoder::SingleRecordSize, '\0');
    for (int k = 0; k < count; ++k)
        putRecord(image.data() + qsizetype(k) * FieldDecoder::SingleRecordSize, k);
    return image;
}

void settle(QAbstractItemView &view)
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    view.viewport()->repaint();
}

// A view with the records table's behaviour over a single-layer model.
struct Table
{
    RecordsModel model;
    QTableView view;
    RecordsTable behaviour{&view, &model};

    Table()
    {
        Language::instance().set(QStringLiteral("en"));
        model.setColumns(1, {1, 0}, unitTable());
        view.resize(1000, 600);
        view.show();
        settle(view);
    }
};

// The literal design: one row at a time, a styled QPushButton per row, scroll every time.
void baseline(int rows, const QByteArray &image)
{
    QTableWidget table;
    table.resize(1000, 600);
    table.setColumnCount(3);
    table.show();
    settle(table);
    const double rssBefore = rssMb();
    QElapsedTimer timer;
    timer.start();
    const QVector<GaugeRecord> data = recordsOf(image, rows);
    for (const GaugeRecord &row : data) {
        const int r = table.rowCount();
        table.setRowCount(r + 1);
        auto *thick = new QTableWidgetItem(RecordsModel::formatValue(double(row.values[0]), 2));
        auto *velo = new QTableWidgetItem(RecordsModel::formatValue(double(row.values[1]), 0));
        thick->setTextAlignment(Qt::AlignCenter);
        velo->setTextAlignment(Qt::AlignCenter);
        table.setItem(r, 0, thick);
        table.setItem(r, 1, velo);
        auto *button = new QPushButton(QStringLiteral("Delete"));
        button->setStyleSheet(QStringLiteral("min-height:12px;padding:0px;"));
        QObject::connect(button, &QPushButton::clicked, &table, [] {});
        table.setCellWidget(r, 2, button);
        table.scrollToBottom();
    }
    settle(table);
    std::printf("baseline widget-per-row rows=%d ms=%.0f rss_mb=%.0f\n", rows, msSince(timer), rssMb() - rssBefore);
    std::fflush(stdout);
}

// One pushed record at a time on a filled table, each followed by a repaint, against a
// repaint with nothing new; prints the median and the slowest of several rounds.
bool pushOneRow(Table &t, const char *label)
{
    const int rowsBefore = t.model.rowCount();
    QVector<double> pushMs;
    QVector<double> repaintMs;
    char frame[8];
    for (int round = 0; round < 11; ++round) {
        QElapsedTimer timer;
        timer.start();
        settle(t.view);
        repaintMs.append(msSince(timer));
        putRecord(frame, round);
        timer.restart();
        t.model.append({GaugeRecords::singleLayer(frame)}, RecordOrigin::Pushed, 0);
        settle(t.view);
        pushMs.append(msSince(timer));
    }
    QScrollBar *bar = t.view.verticalScrollBar();
    if (t.model.rowCount() != rowsBefore + 11 || bar->value() != bar->maximum()) {
        std::fprintf(stderr, "pushed rows not shown\n");
        return false;
    }
    std::sort(pushMs.begin(), pushMs.end());
    std::sort(repaintMs.begin(), repaintMs.end());
    std::printf("%s rows=%d ms=%.2f max_ms=%.2f (repaint alone ms=%.2f)\n", label, rowsBefore, pushMs.at(5),
                pushMs.last(), repaintMs.at(5));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setStyleSheet(QString::fromLatin1(kSkin));

    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (rows < 1) {
        std::fprintf(stderr, "usage: %s [rows >= 1]\n", argv[0]);
        return 2;
    }
    const int baselineRows = 1000;
    const QByteArray image = memoryImage(std::max(rows, baselineRows));

    // The batch run goes first so that its memory growth is not hidden by memory the
    // baseline freed.
    Table big;
    const double rssBefore = rssMb();
    QElapsedTimer timer;
    timer.start();
    // Decoded straight into the model, as a record read does.
    const int added = big.model.appendSingleLayerImage(image, rows, RecordOrigin::Memory, 0);
    const double addMs = msSince(timer);
    settle(big.view);
    const double ms = msSince(timer);
    const double rssGrowth = rssMb() - rssBefore;
    QScrollBar *bar = big.view.verticalScrollBar();
    if (added != rows || big.model.rowCount() != rows || bar->value() != bar->maximum()
        || big.model.text(rows - 1, 1) != RecordsModel::formatValue(double(1.0f + float((rows - 1) % 1000) / 100.0f), 2)) {
        std::fprintf(stderr, "table not filled: %d rows, scrolled to %d of %d\n", big.model.rowCount(), bar->value(),
                     bar->maximum());
        return 1;
    }
    std::printf("batch painted-buttons rows=%d decode_append_ms=%.0f paint_ms=%.0f\n", rows, addMs, ms - addMs);
    std::fflush(stdout);

    if (!pushOneRow(big, "one pushed row on"))
        return 1;
    baseline(baselineRows, image);

    // The same 1,000 rows in the batch path, for the ratio against the baseline, and one
    // pushed row on that small table next to the figure for the full one.
    {
        Table small;
        QElapsedTimer smallTimer;
        smallTimer.start();
        small.model.append(recordsOf(image, baselineRows), RecordOrigin::Memory, 0);
        settle(small.view);
        std::printf("batch painted-buttons rows=%d ms=%.1f\n", baselineRows, msSince(smallTimer));
        if (!pushOneRow(small, "one pushed row on"))
            return 1;
    }
    std::printf("table_fill rows=%d ms=%.0f rss_mb=%.0f\n", rows, ms, rssGrowth);
    return 0;
}
