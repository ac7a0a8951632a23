#include "export/ReportAnalysis.h"

#include "analysis/ChartData.h"
#include "analysis/ReadingsAnalysis.h"
#include "records/RecordsModel.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The report speaks the language in use.
QString say(const char *source)
{
    return QCoreApplication::translate("ReportAnalysis", source);
}

} // namespace

ReadingLimits workbookLimits(const ReadingsAnalysis &analysis, const QList<int> &columns)
{
    ReadingLimits out;
    out.columns.resize(columns.size());
    for (int i = 0; i < columns.size(); ++i)
        if (analysis.isJudged(columns[i]))
            out.columns[i] = analysis.columnLimits(columns[i]);
    return out;
}

QString limitsText(const ReadingsAnalysis &analysis)
{
    QStringList lines;
    const int layers = analysis.layerCount();
    for (int layer = 0; layer < layers; ++layer) {
        const std::optional<Limits> &l = analysis.limits(layer);
        const int d = analysis.limitsDecimals(layer);
        const auto number = [&](double v) { return readableNumber(v, d) + QLatin1Char(' ') + l->unit; };
        QString line = layers > 1 ? say(QT_TRANSLATE_NOOP("ReportAnalysis", "Layer %1: ")).arg(layer + 1) : QString();
        if (!l) {
            if (layers > 1)
                lines << line + say(QT_TRANSLATE_NOOP("ReportAnalysis", "no limits, not judged"));
            continue;
        }
        QStringList parts;
        parts << say(QT_TRANSLATE_NOOP("ReportAnalysis", "nominal ")) + number(l->nominal)
              << say(QT_TRANSLATE_NOOP("ReportAnalysis", "minimum ")) + number(l->minimum)
              << say(QT_TRANSLATE_NOOP("ReportAnalysis", "tolerance ")) + number(l->tolerance);
        if (l->maximum)
            parts << say(QT_TRANSLATE_NOOP("ReportAnalysis", "maximum ")) + number(*l->maximum);
        lines << line + parts.join(QCoreApplication::translate("ReportAnalysis", ", ", "between two limits"));
    }
    bool any = false;
    for (int layer = 0; layer < layers; ++layer)
        any = any || analysis.limits(layer).has_value();
    return any ? lines.join(QLatin1Char('\n')) : QString();
}

QImage runChartImage(const ReadingsAnalysis &analysis, int column, const QSize &size)
{
    const RecordsModel &model = analysis.model();
    const int value = model.valueIndex(column);
    if (value < 0 || size.isEmpty())
        return QImage();
    const QRectF frame(70, 40, size.width() - 90, size.height() - 80);
    RunSeries run(2 * std::max(50, int(frame.width())));
    run.rebuild(model, value);
    const QList<QPointF> points = run.points();
    if (points.isEmpty())
        return QImage();

    // The vertical scale holds the readings and the limit lines.
    double lo = points.first().y();
    double hi = lo;
    for (const QPointF &p : points) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
    }
    QVector<QPair<double, QColor>> lines;
    if (const std::optional<Limits> l = analysis.columnLimits(column)) {
        lines << qMakePair(l->minimum, QColor(0xC6, 0x28, 0x28));
        if (l->tolerance > 0)
            lines << qMakePair(l->nominal - l->tolerance, QColor(0xF9, 0xA8, 0x25));
        lines << qMakePair(l->nominal, QColor(0x2E, 0x7D, 0x32));
        if (l->maximum)
            lines << qMakePair(*l->maximum, QColor(0x15, 0x65, 0xC0));
        for (const auto &line : lines) {
            lo = std::min(lo, line.first);
            hi = std::max(hi, line.first);
        }
    }
    const double pad = hi > lo ? (hi - lo) * 0.05 : 1.0;
    lo -= pad;
    hi += pad;
    const double lastX = std::max(2.0, double(run.rows()));
    const auto at = [&](double x, double y) {
        return QPointF(frame.left() + (x - 1) / (lastX - 1) * frame.width(),
                       frame.bottom() - (y - lo) / (hi - lo) * frame.height());
    };

    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(10, size.height() / 28));
    p.setFont(font);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawRect(frame);
    const int d = model.decimals(column);
    for (int k = 0; k <= 4; ++k) {
        const double y = lo + (hi - lo) * k / 4;
        const QPointF left = at(1, y);
        p.drawText(QRectF(0, left.y() - 10, frame.left() - 6, 20), Qt::AlignRight | Qt::AlignVCenter,
                   RecordsModel::formatValue(y, d));
    }
    p.drawText(QRectF(frame.left(), frame.bottom() + 4, frame.width(), 20), Qt::AlignLeft, QStringLiteral("1"));
    p.drawText(QRectF(frame.left(), frame.bottom() + 4, frame.width(), 20), Qt::AlignRight, QString::number(run.rows()));
    p.drawText(QRectF(frame.left(), frame.bottom() + 4, frame.width(), 20), Qt::AlignHCenter,
               say(QT_TRANSLATE_NOOP("ReportAnalysis", "Reading")));
    const QString title = model.headerData(column, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
    p.drawText(QRectF(frame.left(), 4, frame.width(), frame.top() - 8), Qt::AlignLeft | Qt::AlignVCenter,
               say(QT_TRANSLATE_NOOP("ReportAnalysis", "Run chart: ")) + title);
    for (const auto &line : lines) {
        p.setPen(QPen(line.second, 2, Qt::DashLine));
        p.drawLine(at(1, line.first), at(lastX, line.first));
    }
    QPainterPath path;
    path.moveTo(at(points.first().x(), points.first().y()));
    for (const QPointF &pt : points)
        path.lineTo(at(pt.x(), pt.y()));
    p.setPen(QPen(QColor(0x1F, 0x4E, 0x79), 1.5));
    p.drawPath(path);
    p.end();
    return image;
}

void addReportAnalysis(ReportInput &input, const ReadingsAnalysis &analysis, const QList<int> &columns,
                       const QImage &chart)
{
    const RecordsModel &m = analysis.model();
    input.limitsText = limitsText(analysis);
    input.table.limits = workbookLimits(analysis, columns);
    // The figures of the whole table, per shown value column, in its decimals.
    const auto shown = [](double v, int decimals) {
        return std::isfinite(v) ? RecordsModel::formatValue(v, decimals) : QStringLiteral("—");
    };
    QVector<ReportStatisticsRow> rows(7);
    const char *const labels[7] = {
        QT_TRANSLATE_NOOP("ReportAnalysis", "Count"),   QT_TRANSLATE_NOOP("ReportAnalysis", "Out of range"),
        QT_TRANSLATE_NOOP("ReportAnalysis", "Minimum"), QT_TRANSLATE_NOOP("ReportAnalysis", "Maximum"),
        QT_TRANSLATE_NOOP("ReportAnalysis", "Mean"),    QT_TRANSLATE_NOOP("ReportAnalysis", "Range"),
        QT_TRANSLATE_NOOP("ReportAnalysis", "Std. dev.")};
    for (int k = 0; k < 7; ++k)
        rows[k].label = say(labels[k]);
    BandCounts bands{};
    bool judged = false;
    int chartColumn = -1;
    for (int c : columns) {
        if (m.valueIndex(c) < 0)
            continue;
        const ColumnStatistics &st = analysis.tableStatistics(c);
        const int d = m.decimals(c);
        input.statisticsColumns << m.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QString values[7] = {QString::number(st.count), QString::number(st.outOfRange), shown(st.minimum, d),
                                   shown(st.maximum, d),      shown(st.mean, d + 1),          shown(st.range(), d),
                                   shown(st.standardDeviation(), d + 1)};
        for (int k = 0; k < 7; ++k)
            rows[k].values << values[k];
        if (analysis.isJudged(c)) {
            judged = true;
            for (int b = 0; b < BandCount; ++b)
                bands[size_t(b)] += st.bands[size_t(b)];
        }
        if (chartColumn < 0 && analysis.isThicknessColumn(c))
            chartColumn = c;
    }
    if (!input.statisticsColumns.isEmpty()) {
        input.statistics = rows;
        input.statisticsNote = say(QT_TRANSLATE_NOOP("ReportAnalysis", "Every figure is computed from the readings as "
                                                                       "the table shows them (rounded to the column's "
                                                                       "decimals)."));
    }
    if (judged)
        for (Band b : {Band::Red, Band::Amber, Band::Normal, Band::Blue})
            input.bandCounts.append({bandName(b), bands[size_t(b)]});
    input.chart = !chart.isNull() || chartColumn < 0 ? chart
                                                     : runChartImage(analysis, chartColumn, QSize(1200, 400));
}
