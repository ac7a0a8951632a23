// Measures filling the records table: 100,000 single-layer rows decoded from a memory image
// and added as one batch with painted Delete buttons, against a baseline of the one-row path
// with a QPushButton widget per row and a scroll after every row.
#include "protocol/FieldDecoder.h"
#include "recordspage/RecordsTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QtEndian>

#include <cstdio>

namespace {

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

const char *kSkin = "QPushButton{background:#1E90FF;color:#FFF0F5;border:1px solid #242424;border-radius:5px;}";

QList<QVariantList> unitTable()
{
    return {{0, QStringLiteral("mm"), 2}, {1, QStringLiteral("m/s"), 0}};
}

QByteArray memoryImage(int count)
{
    QByteArray image(count * FieldDecoder::SingleRecordSize, '\0');
    for (int k = 0; k < count; ++k) {
        char *rec = image.data() + k * FieldDecoder::SingleRecordSize;
        qToLittleEndian(5900.0f + float(k % 100), rec);
        qToLittleEndian(1.0f + float(k % 1000) / 100.0f, rec + 4);
    }
    return image;
}

void settle(QTableWidget &table)
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    table.viewport()->repaint();
}

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
    const QVector<SingleLayerRow> data = FieldDecoder::singleLayerRecords(image, rows, false);
    for (const SingleLayerRow &row : data) {
        const int r = table.rowCount();
        table.setRowCount(r + 1);
        auto *thick = new QTableWidgetItem(QString::number(double(row.thickness), 'f', 2));
        auto *velo = new QTableWidgetItem(QString::number(double(row.velocity), 'f', 0));
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
    const qint64 ms = timer.elapsed();
    std::printf("baseline widget-per-row rows=%d ms=%lld rss_mb=%.0f\n", rows, ms, rssMb() - rssBefore);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setStyleSheet(QString::fromLatin1(kSkin));

    const int rows = 100000;
    const int baselineRows = 1000;
    const QByteArray image = memoryImage(rows);

    // The batch run goes first so that its memory growth is not hidden by memory the
    // baseline freed.
    QTableWidget widget;
    widget.resize(1000, 600);
    RecordsTable table(&widget);
    table.buildHeaders(1, {1, 0}, unitTable(), false);
    widget.show();
    settle(widget);

    const double rssBefore = rssMb();
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer part;
    part.start();
    const int added = table.addSingleLayerRows(FieldDecoder::singleLayerRecords(image, rows, false));
    const qint64 addMs = part.elapsed();
    settle(widget);
    const qint64 ms = timer.elapsed();
    const double rssGrowth = rssMb() - rssBefore;
    if (added != rows || widget.rowCount() != rows) {
        std::fprintf(stderr, "only %d rows added\n", widget.rowCount());
        return 1;
    }

    baseline(baselineRows, image);

    // The same 1,000 rows in the batch path, for the ratio against the baseline.
    QTableWidget small;
    small.resize(1000, 600);
    RecordsTable smallTable(&small);
    smallTable.buildHeaders(1, {1, 0}, unitTable(), false);
    small.show();
    settle(small);
    QElapsedTimer smallTimer;
    smallTimer.start();
    smallTable.addSingleLayerRows(FieldDecoder::singleLayerRecords(image, baselineRows, false));
    settle(small);
    std::printf("batch painted-buttons rows=%d ms=%lld\n", baselineRows, qint64(smallTimer.elapsed()));
    std::printf("batch painted-buttons rows=%d add_ms=%lld paint_ms=%lld\n", rows, addMs, ms - addMs);
    std::printf("table_fill rows=%d ms=%lld rss_mb=%.0f\n", rows, ms, rssGrowth);
    return 0;
}
