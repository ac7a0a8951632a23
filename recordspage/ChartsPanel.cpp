#include "recordspage/ChartsPanel.h"

#include "analysis/ReadingsAnalysis.h"
#include "export/ExportFlow.h"
#include "interaction/UserInteraction.h"
#include "records/RecordsModel.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/ChartParts.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

using namespace ChartParts;


ChartsPanel::ChartsPanel(ReadingsAnalysis &analysis, UserInteraction *interaction, QWidget *parent)
    : QWidget(parent), m_analysis(analysis), m_interaction(interaction)
{
    setObjectName(QStringLiteral("chartsPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *bar = new QHBoxLayout;
    m_layerLabel = new QLabel(this);
    m_layer = new QComboBox(this);
    m_layer->setObjectName(QStringLiteral("chartLayer"));
    m_layer->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_saveRun = new QPushButton(this);
    m_saveRun->setObjectName(QStringLiteral("saveRunChart"));
    m_saveHist = new QPushButton(this);
    m_saveHist->setObjectName(QStringLiteral("saveHistogram"));
    bar->addWidget(m_layerLabel);
    bar->addWidget(m_layer);
    bar->addStretch();
    bar->addWidget(m_saveRun);
    bar->addWidget(m_saveHist);
    m_saveRun->setVisible(m_interaction != nullptr);
    m_saveHist->setVisible(m_interaction != nullptr);
    layout->addLayout(bar);

    m_runChart = makeChart();
    m_runLine = new QLineSeries(m_runChart);
    m_runLine->setPen(QPen(QColor(0x4F, 0xC3, 0xF7), 1.5));
    m_runLine->setMarkerSize(5);
    m_runChart->addSeries(m_runLine);
    std::tie(m_runX, m_runY) = addLimitLinesAndAxes(m_runChart, m_runLine, m_runLimits);
    m_runX->setLabelFormat(QStringLiteral("%d"));
    m_runY->setLabelFormat(QStringLiteral("%g"));
    m_runView = new QChartView(m_runChart, this);
    m_runView->setObjectName(QStringLiteral("runChart"));
    // Without antialiasing: a few thousand min/max strokes paint several times faster, and
    // the strokes are pixel columns anyway.
    m_runView->setRenderHint(QPainter::Antialiasing, false);
    m_runView->setMinimumHeight(200);
    m_runHint = hintOver(m_runView);
    layout->addWidget(m_runView, 1);

    m_histChart = makeChart();
    m_histUpper = new QLineSeries(m_histChart);
    m_histArea = new QAreaSeries(m_histUpper);
    m_histArea->setColor(QColor(0x4F, 0xC3, 0xF7, 160));
    // A border two pixels wide keeps a bin of equal readings visible on a wide axis.
    m_histArea->setPen(QPen(QColor(0x4F, 0xC3, 0xF7), 2));
    m_histChart->addSeries(m_histArea);
    std::tie(m_histX, m_histY) = addLimitLinesAndAxes(m_histChart, m_histArea, m_histLimits);
    m_histY->setLabelFormat(QStringLiteral("%d"));
    m_histX->setLabelFormat(QStringLiteral("%g"));
    m_histView = new QChartView(m_histChart, this);
    m_histView->setObjectName(QStringLiteral("histogramChart"));
    m_histView->setRenderHint(QPainter::Antialiasing);
    m_histView->setMinimumHeight(200);
    m_histHint = hintOver(m_histView);
    layout->addWidget(m_histView, 1);

    for (QChartView *view : {m_runView, m_histView}) {
        view->viewport()->setMouseTracking(true);
        view->viewport()->installEventFilter(this);
    }
    // Buckets no wider than a pixel column of the plot (the width rounded up, so resizing by
    // a pixel or two does not recompute).
    connect(m_runChart, &QChart::plotAreaChanged, this, [this](const QRectF &area) {
        const int width = int(std::ceil(area.width() / 100.0)) * 100;
        if (width > 0)
            m_analysis.setChartWidth(width);
    });
    connect(m_layer, &QComboBox::activated, this, [this](int index) {
        m_analysis.setChartColumn(m_layer->itemData(index).toInt());
    });
    connect(m_saveRun, &QPushButton::clicked, this, [this] {
        save(m_runView, tr("run-chart.png"));
    });
    connect(m_saveHist, &QPushButton::clicked, this, [this] {
        save(m_histView, tr("histogram.png"));
    });
    connect(&m_analysis, &ReadingsAnalysis::chartChanged, this, &ChartsPanel::refresh);
    connect(&m_analysis, &ReadingsAnalysis::limitsChanged, this, &ChartsPanel::refresh);
    connect(&m_analysis.model(), &RecordsModel::languageChanged, this, &ChartsPanel::retranslate);
    connect(&m_analysis.model(), &QAbstractItemModel::modelReset, this, &ChartsPanel::retranslate);
    // The legends name the limit lines; the data series speak for themselves.
    m_runChart->legend()->markers(m_runLine).value(0)->setVisible(false);
    m_histChart->legend()->markers(m_histArea).value(0)->setVisible(false);
    retranslate();
}

void ChartsPanel::syncLayers()
{
    const QList<int> columns = m_analysis.thicknessColumns();
    m_layer->clear();
    for (int i = 0; i < columns.size(); ++i)
        m_layer->addItem(tr("Layer %1").arg(i + 1),
                         columns[i]);
    m_layer->setCurrentIndex(std::max(0, int(columns.indexOf(m_analysis.chartColumn()))));
    const bool several = columns.size() > 1;
    m_layer->setVisible(several);
    m_layerLabel->setVisible(several);
}

void ChartsPanel::retranslate()
{
    m_layerLabel->setText(tr("Chart layer:"));
    m_saveRun->setText(tr("Save run chart"));
    m_saveHist->setText(tr("Save histogram"));
    m_runX->setTitleText(tr("Reading number"));
    m_histY->setTitleText(tr("Readings"));
    m_runLine->setName(tr("Thickness"));
    m_histArea->setName(tr("Readings"));
    syncLayers();
    m_dirty = true;
    refresh();
}

void ChartsPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_dirty)
        refresh();
}

void ChartsPanel::refresh()
{
    // Hidden charts are not redrawn; showEvent catches up.
    if (!isVisible()) {
        m_dirty = true;
        return;
    }
    m_dirty = false;
    refreshRun();
    refreshHistogram();
}

void ChartsPanel::refreshRun()
{
    const RecordsModel &model = m_analysis.model();
    const int column = m_analysis.chartColumn();
    const QList<QPointF> points = m_analysis.runSeries().points(&m_pointRows);
    // A handful of readings are dots as well as a line (a single one is only a dot). Set
    // before the points go in: replacing points while markers show costs seconds for a
    // thousand of them.
    m_runLine->setPointsVisible(points.size() <= 20);
    m_runLine->replace(points);
    const QString unit = column >= 0 ? model.unitName(column) : QString();
    const QString word = tr("Thickness");
    // The unit alone beside the short axis: "Thickness (mm)" would not fit its height; the
    // chart shows thickness by its place (and the histogram's axis says so).
    m_runY->setTitleText(unit.isEmpty() ? word : unit);

    const ColumnStatistics &stats = m_analysis.tableStatistics(column);
    const std::array<double, 4> limits = limitValues(m_analysis, column);
    const int decimals = column >= 0 ? model.decimals(column) : 2;
    double lo = stats.count ? stats.minimum : qQNaN();
    double hi = stats.count ? stats.maximum : qQNaN();
    for (double v : limits) {
        if (std::isnan(v))
            continue;
        lo = std::isnan(lo) ? v : std::min(lo, v);
        hi = std::isnan(hi) ? v : std::max(hi, v);
    }
    if (std::isnan(lo)) {
        lo = 0.0;
        hi = 1.0;
    }
    const double pad = std::max((hi - lo) * 0.05, std::pow(10.0, -decimals));
    // Round tick values; compared with the range asked for, since the axis widens it.
    if (m_runYAsked != QPointF(lo - pad, hi + pad)) {
        m_runYAsked = QPointF(lo - pad, hi + pad);
        setRoundRange(m_runY, lo - pad, hi + pad, lo >= 0 ? 0.0 : -qInf());
    }
    // The reading axis ends on a round number, so that most new readings leave the axes
    // (and their labels) as they are.
    const double lastReading = roundUp(std::max(2, m_analysis.runSeries().rows()));
    // From 0, so that reading 1 is off the axis line.
    if (m_runX->min() != 0 || m_runX->max() != lastReading) {
        // The tick step first: the old, finer one over the new range would make an axis
        // label per reading for a moment (seconds for ten thousand readings).
        setWholeTicks(m_runX, 0, lastReading);
        m_runX->setRange(0, lastReading);
    }
    for (int k = 0; k < 4; ++k) {
        QLineSeries *line = m_runLimits[k];
        const bool shown = !std::isnan(limits[k]);
        line->setVisible(shown);
        if (shown) {
            line->replace({QPointF(0, limits[k]), QPointF(lastReading, limits[k])});
            line->setName(limitName(k, limits[k], decimals));
        } else {
            line->clear();
        }
    }
    m_runHint->setText(tr("No numeric readings to chart. Read the records or measure on the "
                          "gauge and they appear here."));
    // Nothing to chart: the hint alone, no empty axes or limit lines under it.
    m_runHint->setVisible(points.isEmpty());
    m_runX->setVisible(!points.isEmpty());
    m_runY->setVisible(!points.isEmpty());
    if (points.isEmpty())
        for (QLineSeries *line : m_runLimits)
            line->setVisible(false);
}

void ChartsPanel::refreshHistogram()
{
    const RecordsModel &model = m_analysis.model();
    const int column = m_analysis.chartColumn();
    const Histogram &h = m_analysis.histogram();
    QList<QPointF> outline;
    qint64 highest = 0;
    if (!h.isEmpty()) {
        outline.reserve(h.counts.size() * 2 + 2);
        outline.append(QPointF(h.start, 0));
        for (int i = 0; i < h.counts.size(); ++i) {
            outline.append(QPointF(h.start + i * h.width, double(h.counts[i])));
            outline.append(QPointF(h.start + (i + 1) * h.width, double(h.counts[i])));
            highest = std::max(highest, h.counts[i]);
        }
        outline.append(QPointF(h.end(), 0));
    }
    m_histUpper->replace(outline);
    const QString unit = column >= 0 ? model.unitName(column) : QString();
    const QString word = tr("Thickness");
    m_histX->setTitleText(unit.isEmpty() ? word : word + QStringLiteral(" (") + unit + QLatin1Char(')'));

    const std::array<double, 4> limits = limitValues(m_analysis, column);
    const int decimals = column >= 0 ? model.decimals(column) : 2;
    double lo = h.isEmpty() ? qQNaN() : h.start;
    double hi = h.isEmpty() ? qQNaN() : h.end();
    for (double v : limits) {
        if (std::isnan(v))
            continue;
        lo = std::isnan(lo) ? v : std::min(lo, v);
        hi = std::isnan(hi) ? v : std::max(hi, v);
    }
    if (std::isnan(lo)) {
        lo = 0.0;
        hi = 1.0;
    }
    const double pad = std::max((hi - lo) * 0.03, std::pow(10.0, -decimals));
    setRoundRange(m_histX, lo - pad, hi + pad, lo >= 0 ? 0.0 : -qInf());
    const double top = std::max<double>(1.0, std::ceil(double(highest) * 1.1));
    setWholeTicks(m_histY, 0, top); // the step first, as for the run chart
    m_histY->setRange(0, top);
    for (int k = 0; k < 4; ++k) {
        QLineSeries *line = m_histLimits[k];
        const bool shown = !std::isnan(limits[k]);
        line->setVisible(shown);
        if (shown) {
            line->replace({QPointF(limits[k], 0), QPointF(limits[k], top)});
            line->setName(limitName(k, limits[k], decimals));
        } else {
            line->clear();
        }
    }
    m_histHint->setText(tr("No numeric readings: the histogram is empty."));
    m_histHint->setVisible(h.isEmpty());
    // An empty area still draws its edge; hidden, and its legend entry stays hidden when back.
    m_histArea->setVisible(!h.isEmpty());
    if (QLegendMarker *marker = m_histChart->legend()->markers(m_histArea).value(0))
        marker->setVisible(false);
    m_histX->setVisible(!h.isEmpty());
    m_histY->setVisible(!h.isEmpty());
    if (h.isEmpty())
        for (QLineSeries *line : m_histLimits)
            line->setVisible(false);
}

QString ChartsPanel::textAt(const QChartView *view, const QPoint &viewportPos, int *row) const
{
    if (row)
        *row = -1;
    const QChart *chart = view->chart();
    const QPointF at = chart->mapFromScene(view->mapToScene(viewportPos));
    const QRectF plot = chart->plotArea();
    if (!plot.adjusted(-6, -6, 6, 6).contains(at))
        return QString();
    if (view == m_runView) {
        // The nearest point on screen, within a few pixels (a reduced series has at most a
        // few points per pixel column, so looking at all of them is cheap).
        const QList<QPointF> points = m_runLine->points();
        if (points.isEmpty() || points.size() != m_pointRows.size())
            return QString();
        const double xSpan = m_runX->max() - m_runX->min(), ySpan = m_runY->max() - m_runY->min();
        if (xSpan <= 0 || ySpan <= 0)
            return QString();
        constexpr double Reach = 8.0;
        double best = Reach * Reach;
        qsizetype found = -1;
        for (qsizetype i = 0; i < points.size(); ++i) {
            const double px = plot.left() + (points[i].x() - m_runX->min()) / xSpan * plot.width();
            const double py = plot.bottom() - (points[i].y() - m_runY->min()) / ySpan * plot.height();
            const double d = (px - at.x()) * (px - at.x()) + (py - at.y()) * (py - at.y());
            if (d <= best) {
                best = d;
                found = i;
            }
        }
        if (found < 0)
            return QString();
        if (row)
            *row = m_pointRows[found];
        return describeRow(m_pointRows[found]);
    }
    const Histogram &h = m_analysis.histogram();
    if (view != m_histView || h.isEmpty() || !plot.contains(at))
        return QString();
    const double x = m_histX->min() + (at.x() - plot.left()) / plot.width() * (m_histX->max() - m_histX->min());
    if (x < h.start || x >= h.end())
        return QString();
    const int bin = std::clamp(int(std::floor((x - h.start) / h.width)), 0, int(h.counts.size()) - 1);
    const int d = m_analysis.model().decimals(m_analysis.chartColumn()) + 1;
    const QString from = RecordsModel::formatValue(h.start + bin * h.width, d);
    const QString to = RecordsModel::formatValue(h.start + (bin + 1) * h.width, d);
    return tr("%1 – %2: %3 readings").arg(from, to).arg(h.counts[bin]);
}

bool ChartsPanel::eventFilter(QObject *watched, QEvent *event)
{
    for (QChartView *view : {m_runView, m_histView}) {
        if (watched != view->viewport())
            continue;
        if (event->type() == QEvent::MouseMove) {
            const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
            const QString text = textAt(view, pos);
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(view->viewport()->mapToGlobal(pos), text, view->viewport());
        } else if (event->type() == QEvent::Leave) {
            QToolTip::hideText();
        } else if (event->type() == QEvent::MouseButtonRelease && view == m_runView) {
            int row = -1;
            textAt(view, static_cast<QMouseEvent *>(event)->position().toPoint(), &row);
            if (row >= 0)
                emit rowActivated(row);
        }
    }
    return QWidget::eventFilter(watched, event);
}

int ChartsPanel::rowNear(double x) const
{
    const QList<QPointF> points = m_runLine->points();
    if (points.isEmpty() || points.size() != m_pointRows.size())
        return -1;
    auto it = std::lower_bound(points.begin(), points.end(), x,
                               [](const QPointF &p, double value) { return p.x() < value; });
    qsizetype i = it - points.begin();
    if (i >= points.size() || (i > 0 && std::abs(points[i - 1].x() - x) < std::abs(points[i].x() - x)))
        --i;
    return m_pointRows[i];
}

QString ChartsPanel::describeRow(int row) const
{
    const RecordsModel &model = m_analysis.model();
    const int column = m_analysis.chartColumn();
    if (row < 0 || row >= model.rowCount() || column < 0)
        return QString();
    QString text = tr("Reading %1").arg(row + 1);
    if (model.layout() == 2 && !model.name(row).isEmpty())
        text += QStringLiteral(" (") + model.name(row) + QLatin1Char(')');
    //: Between a reading's number and its value.
    text += tr(": ") + model.text(row, column) + QLatin1Char(' ')
        + model.unitName(column);
    if (const std::optional<Band> band = m_analysis.band(row, column))
        text += QStringLiteral(" — ") + BandDelegate::name(*band);
    return text;
}

QImage ChartsPanel::runChartImage(const QSize &size)
{
    if (!isVisible()) {
        refreshRun();
        m_dirty = true; // the histogram still waits for showEvent
        m_runView->resize(size);
    }
    return m_runView->grab().toImage().scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool ChartsPanel::savePng(QChartView *view, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!view->grab().save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void ChartsPanel::save(QChartView *view, const QString &fileName)
{
    if (!m_interaction)
        return;
    const QString title = tr("Save chart");
    QString path = m_interaction->getSaveFileName(this, title, ExportFlow::proposedPath(fileName),
                                                  QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    ExportFlow::rememberFolder(path);
    // A name typed without the suffix gets it; the dialog asked about the name typed.
    if (QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) != 0) {
        path += QStringLiteral(".png");
        if (QFileInfo::exists(path)
            && !m_interaction->question(this, title,
                                        tr("%1 already exists. Do you want to replace it?")
                                            .arg(QDir::toNativeSeparators(path))))
            return;
    }
    if (!savePng(view, path))
        m_interaction->information(this, title,
                                   tr("Could not write %1.").arg(QDir::toNativeSeparators(path)));
}
