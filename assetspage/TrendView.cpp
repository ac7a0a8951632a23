#include "assetspage/TrendView.h"

#include "records/RecordsModel.h"

#include <QDateTime>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

TrendView::TrendView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("cmlTrend"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TrendView::~TrendView() = default;

void TrendView::setTrend(const CmlSeries &series, const CmlFigures &figures, const QString &unit, int decimals,
                         const QString &title)
{
    m_series = series;
    m_figures = figures;
    m_unit = unit;
    m_decimals = decimals;
    m_title = title;
    m_hovered = -1;
    m_plot.reset();
    if (!m_series.readings.isEmpty()) {
        TrendInput in;
        // The plot keeps pointers: to this view's own copies, which live as long as it does.
        in.series = &m_series;
        in.figures = &m_figures;
        in.unit = m_unit;
        in.decimals = m_decimals;
        in.title = m_title;
        m_plot = std::make_unique<TrendPlot>(in);
    }
    update();
}

void TrendView::clear()
{
    setTrend(CmlSeries(), CmlFigures(), QString(), 2, QString());
}

int TrendView::readingAt(const QPointF &point) const
{
    return m_plot ? m_plot->hitTest(point) : -1;
}

QPointF TrendView::pointOf(int reading) const
{
    return m_plot ? m_plot->pointOf(reading) : QPointF();
}

QString TrendView::readingText(int reading) const
{
    if (reading < 0 || reading >= m_series.readings.size())
        return QString();
    const SeriesReading &r = m_series.readings.at(reading);
    const QString date = QLocale().toString(QDateTime::fromMSecsSinceEpoch(r.dateMs), QLocale::ShortFormat);
    const QString value = std::isnan(r.thickness) ? tr("out of range")
                                                  : RecordsModel::formatValue(r.thickness, m_decimals) + QLatin1Char(' ') + m_unit;
    return tr("%1: %2").arg(date, value);
}

void TrendView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (!m_plot) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, tr("No readings to draw."));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    m_plot->draw(painter, QRectF(rect()));
}

void TrendView::mouseMoveEvent(QMouseEvent *event)
{
    const int at = readingAt(event->position());
    if (at != m_hovered) {
        m_hovered = at;
        if (at < 0)
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPosition().toPoint(), readingText(at), this);
    }
    QWidget::mouseMoveEvent(event);
}

void TrendView::mousePressEvent(QMouseEvent *event)
{
    const int at = event->button() == Qt::LeftButton ? readingAt(event->position()) : -1;
    if (at >= 0)
        emit readingClicked(m_series.readings.at(at).key);
    QWidget::mousePressEvent(event);
}
