#include "analysis/TrendPlot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double MsPerYear = 365.2425 * 86400000.0;
// The fitted line is drawn on to the projected date only when it is near: a projection
// decades ahead would squeeze the readings into a corner.
constexpr double MaxProjectionYears = 30.0;
constexpr double MaxProjectionSpans = 2.0;

const QColor CountedColour(0x1F, 0x4E, 0x79);
const QColor MarkedColour(0xE6, 0x7E, 0x22);
const QColor LeftOutColour(0x80, 0x80, 0x80);
const QColor BandColour(0x4F, 0xC3, 0xF7, 45);
const QColor FitColour(0x15, 0x65, 0xC0);
const QColor RequiredColour(0xC6, 0x28, 0x28);
const QColor AxisColour(0x60, 0x60, 0x60);
const QColor GridColour(0xE4, 0xE4, 0xE4);

QString say(const char *source)
{
    return QCoreApplication::translate("TrendPlot", source);
}

QDateTime when(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms);
}

qint64 msOf(const QDate &date)
{
    return QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch();
}

// Date ticks: whole years when the span is long, else months, at most about `most` of them.
QVector<QPair<qint64, QString>> dateTicks(qint64 fromMs, qint64 toMs, int most)
{
    QVector<QPair<qint64, QString>> out;
    const double years = double(toMs - fromMs) / MsPerYear;
    const QDate first = when(fromMs).date();
    if (years > most / 2.0 || years >= 3) {
        int step = 1;
        for (int s : {1, 2, 5, 10, 20, 50, 100})
            if ((step = s) * most >= years)
                break;
        int year = (first.year() + step - 1) / step * step;
        for (qint64 ms; (ms = msOf(QDate(year, 1, 1))) <= toMs; year += step)
            if (ms >= fromMs)
                out.append({ms, QString::number(year)});
        return out;
    }
    const double months = years * 12;
    int step = 1;
    for (int s : {1, 2, 3, 6, 12})
        if ((step = s) * most >= months)
            break;
    QDate d(first.year(), first.month(), 1);
    while ((d.month() - 1) % step != 0)
        d = d.addMonths(1);
    for (qint64 ms; (ms = msOf(d)) <= toMs; d = d.addMonths(step))
        if (ms >= fromMs)
            out.append({ms, d.toString(QStringLiteral("yyyy-MM"))});
    return out;
}

// A step of 1, 2 or 5 times a power of ten giving about `most` ticks over the range.
double niceStep(double range, int most)
{
    const double raw = range / std::max(1, most);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

struct LegendEntry
{
    enum Kind { Counted, Marked, LeftOut, Fit, Required, Projected } kind;
    QString text;
    double width = 0;
    QPointF at; // the entry's left end, vertically centred
};

void drawMarker(QPainter &p, const QPointF &at, double r, bool diamond)
{
    if (diamond) {
        const QPointF pts[4] = {at + QPointF(0, -r * 1.3), at + QPointF(r * 1.3, 0), at + QPointF(0, r * 1.3),
                                at + QPointF(-r * 1.3, 0)};
        p.drawPolygon(pts, 4);
    } else {
        p.drawEllipse(at, r, r);
    }
}

} // namespace

TrendPlot::TrendPlot(const TrendInput &input) : m_in(input) {}

QPointF TrendPlot::pointOf(int reading) const
{
    if (!m_in.series || reading < 0 || reading >= m_in.series->readings.size())
        return QPointF();
    const SeriesReading &r = m_in.series->readings[reading];
    if (std::isnan(r.thickness))
        return QPointF();
    const double x = m_plot.left() + double(r.dateMs - m_fromMs) / double(m_toMs - m_fromMs) * m_plot.width();
    const double y = m_plot.bottom() - (r.thickness - m_low) / (m_high - m_low) * m_plot.height();
    return QPointF(x, y);
}

int TrendPlot::hitTest(const QPointF &point, double radius) const
{
    if (!m_in.series || m_plot.isEmpty())
        return -1;
    int best = -1;
    double bestDistance = radius * radius;
    for (int i = 0; i < m_in.series->readings.size(); ++i) {
        if (std::isnan(m_in.series->readings[i].thickness))
            continue;
        const QPointF d = pointOf(i) - point;
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void TrendPlot::draw(QPainter &p, const QRectF &area)
{
    if (!m_in.series || !m_in.figures || area.isEmpty())
        return;
    const CmlSeries &series = *m_in.series;
    const CmlFigures &fig = *m_in.figures;
    const ThicknessFit &fit = fig.fit;
    const bool compact = m_in.compact;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(compact ? std::clamp(int(area.height() / 16), 7, 10) : std::clamp(int(area.height() / 38), 10, 14));
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = fm.height();

    // ---- ranges ----
    bool any = false;
    qint64 firstMs = 0, lastMs = 0;
    double low = 0, high = 0;
    for (const SeriesReading &r : series.readings) {
        if (std::isnan(r.thickness))
            continue;
        if (!any) {
            firstMs = lastMs = r.dateMs;
            low = high = r.thickness;
            any = true;
        }
        firstMs = std::min(firstMs, r.dateMs);
        lastMs = std::max(lastMs, r.dateMs);
        low = std::min(low, r.thickness);
        high = std::max(high, r.thickness);
    }
    const double required = series.required;
    const double dataYears = double(lastMs - firstMs) / MsPerYear;
    const qint64 projected = fig.projectedMs;
    const bool projectionShown = any && projected > lastMs && std::isfinite(required)
        && double(projected - lastMs) / MsPerYear <= std::min(MaxProjectionYears, std::max(1.0, MaxProjectionSpans * dataYears));
    qint64 from = firstMs, to = projectionShown ? projected : lastMs;
    if (to - from < qint64(MsPerYear / 2)) { // one reading, or a few close together: half a year around them
        const qint64 pad = (qint64(MsPerYear / 2) - (to - from)) / 2;
        from -= pad;
        to += pad;
    } else {
        const qint64 pad = (to - from) / 30;
        from -= pad;
        to += pad;
    }
    if (std::isfinite(required)) {
        low = any ? std::min(low, required) : required;
        high = any ? std::max(high, required) : required;
    }
    const int readings = int(series.readings.size());
    const qint64 fitFrom = fig.initial >= 0 && fig.initial < readings ? series.readings[fig.initial].dateMs : firstMs;
    const qint64 fitTo = projectionShown ? projected : lastMs;
    if (fit.valid()) {
        for (qint64 ms : {fitFrom, fitTo}) {
            const double c = fit.at(ms), h = fit.confidenceHalfWidth(ms);
            if (std::isfinite(c) && std::isfinite(h)) {
                low = std::min(low, c - h);
                high = std::max(high, c + h);
            }
        }
    }
    if (!(high > low)) {
        const double pad = std::max(std::fabs(high) * 0.05, 0.1);
        low -= pad;
        high += pad;
    }
    const double pad = (high - low) * 0.08;
    low = low >= 0 ? std::max(0.0, low - pad) : low - pad; // no negative thickness axis for walls
    high += pad;

    // ---- layout ----
    const int ticksWanted = compact ? 3 : 6;
    const double step = niceStep(high - low, ticksWanted);
    const int decimals = std::max(m_in.decimals, step < 1 ? int(std::ceil(-std::log10(step) - 1e-9)) : 0);
    QVector<double> thicknessTicks;
    for (double v = std::ceil(low / step) * step; v <= high + step * 1e-9; v += step)
        thicknessTicks.append(v);
    double labelWidth = 0;
    for (double v : thicknessTicks)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::number(v, 'f', decimals)));
    const QString thicknessTitle = say(QT_TRANSLATE_NOOP("TrendPlot", "Thickness (%1)")).arg(m_in.unit);
    const double left = area.left() + labelWidth + (compact ? 6 : 10 + line);
    const double top = area.top() + (m_in.title.isEmpty() ? line / 2 : line * 1.5);
    // The legend under the date axis, in as many rows as the width needs.
    QVector<LegendEntry> legend;
    if (!compact) {
        const auto add = [&legend](LegendEntry::Kind kind, const char *text) {
            legend.append(LegendEntry{kind, say(text), 0, QPointF()});
        };
        // Only the kinds of reading this plot has.
        bool kinds[3] = {false, false, false};
        for (int i = 0; i < series.readings.size(); ++i)
            if (!std::isnan(series.readings[i].thickness))
                kinds[fig.marks.value(i) != ReadingMark::None ? 1 : fig.counted.value(i) ? 0 : 2] = true;
        if (kinds[0])
            add(LegendEntry::Counted, QT_TRANSLATE_NOOP("TrendPlot", "Counted"));
        if (kinds[1])
            add(LegendEntry::Marked, QT_TRANSLATE_NOOP("TrendPlot", "Marked"));
        if (kinds[2])
            add(LegendEntry::LeftOut, QT_TRANSLATE_NOOP("TrendPlot", "Left out"));
        if (fit.valid())
            add(LegendEntry::Fit, QT_TRANSLATE_NOOP("TrendPlot", "Fitted line, 95 % confidence band"));
        if (std::isfinite(required))
            add(LegendEntry::Required, QT_TRANSLATE_NOOP("TrendPlot", "Required thickness"));
        if (projectionShown)
            add(LegendEntry::Projected, QT_TRANSLATE_NOOP("TrendPlot", "Projected date"));
    }
    int legendRows = legend.isEmpty() ? 0 : 1;
    {
        double x = 0;
        for (LegendEntry &e : legend) {
            e.width = fm.horizontalAdvance(e.text);
            if (x > 0 && x + 20 + e.width > area.width() - 8) {
                ++legendRows;
                x = 0;
            }
            e.at = QPointF(area.left() + 4 + x, legendRows - 1);
            x += 20 + e.width + 14;
        }
    }
    const double legendTop = area.bottom() - legendRows * line * 1.2;
    for (LegendEntry &e : legend)
        e.at.setY(legendTop + (e.at.y() + 0.5) * line * 1.2);
    const double bottom = (compact ? area.bottom() - line * 1.3 : legendTop - line * 2.3);
    const double right = area.right() - (compact ? 6 : 14);
    m_plot = QRectF(QPointF(left, top), QPointF(right, bottom));
    m_fromMs = from;
    m_toMs = std::max(to, from + 1);
    m_low = low;
    m_high = high;
    if (m_plot.width() < 10 || m_plot.height() < 10) {
        p.restore();
        return;
    }
    const auto xOf = [this](qint64 ms) {
        return m_plot.left() + double(ms - m_fromMs) / double(m_toMs - m_fromMs) * m_plot.width();
    };
    const auto yOf = [this](double t) { return m_plot.bottom() - (t - m_low) / (m_high - m_low) * m_plot.height(); };

    // ---- axes and grid ----
    if (!m_in.title.isEmpty()) {
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), area.top(), area.width(), line * 1.4), Qt::AlignHCenter | Qt::AlignVCenter,
                   fm.elidedText(m_in.title, Qt::ElideRight, area.width()));
    }
    const auto ticks = dateTicks(m_fromMs, m_toMs, compact ? 3 : std::max(2, int(m_plot.width() / 90)));
    p.setPen(QPen(GridColour, 1));
    for (double v : thicknessTicks)
        p.drawLine(QPointF(m_plot.left(), yOf(v)), QPointF(m_plot.right(), yOf(v)));
    for (const auto &t : ticks)
        p.drawLine(QPointF(xOf(t.first), m_plot.top()), QPointF(xOf(t.first), m_plot.bottom()));
    p.setPen(QPen(AxisColour, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(m_plot);
    for (double v : thicknessTicks)
        p.drawText(QRectF(area.left(), yOf(v) - line / 2, m_plot.left() - area.left() - 4, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', decimals));
    for (const auto &t : ticks)
        p.drawText(QRectF(xOf(t.first) - 60, m_plot.bottom() + 2, 120, line), Qt::AlignHCenter | Qt::AlignTop,
                   t.second);
    if (!compact) {
        p.drawText(QRectF(m_plot.left(), m_plot.bottom() + line + 2, m_plot.width(), line), Qt::AlignHCenter,
                   say(QT_TRANSLATE_NOOP("TrendPlot", "Date")));
        p.save();
        p.translate(area.left() + line / 2 + 1, m_plot.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-m_plot.height() / 2, -line / 2, m_plot.height(), line), Qt::AlignCenter, thicknessTitle);
        p.restore();
    }
    if (!any) {
        p.drawText(m_plot, Qt::AlignCenter, say(QT_TRANSLATE_NOOP("TrendPlot", "No readings")));
        p.restore();
        return;
    }
    p.setClipRect(m_plot.adjusted(-1, -1, 1, 1));

    // ---- the fit and its 95 % confidence band ----
    if (fit.valid() && fitTo > fitFrom) {
        constexpr int Steps = 32;
        QPolygonF upper, lower;
        for (int k = 0; k <= Steps; ++k) {
            const qint64 ms = fitFrom + (fitTo - fitFrom) * k / Steps;
            const double c = fit.at(ms), h = fit.confidenceHalfWidth(ms);
            upper.append(QPointF(xOf(ms), yOf(c + h)));
            lower.prepend(QPointF(xOf(ms), yOf(c - h)));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(BandColour);
        p.drawPolygon(upper + lower);
        p.setPen(QPen(FitColour, compact ? 1.2 : 1.8));
        p.drawLine(QPointF(xOf(fitFrom), yOf(fit.at(fitFrom))), QPointF(xOf(fitTo), yOf(fit.at(fitTo))));
    }
    // The governing rate from the newest counted reading down to the required thickness.
    if (projectionShown && fig.actual >= 0 && fig.actual < readings) {
        const SeriesReading &actual = series.readings[fig.actual];
        p.setPen(QPen(RequiredColour, 1.2, Qt::DashLine));
        p.drawLine(QPointF(xOf(actual.dateMs), yOf(actual.thickness)), QPointF(xOf(projected), yOf(required)));
    }
    if (std::isfinite(required)) {
        p.setPen(QPen(RequiredColour, compact ? 1.2 : 2));
        p.drawLine(QPointF(m_plot.left(), yOf(required)), QPointF(m_plot.right(), yOf(required)));
    }

    // ---- readings ----
    const double r = compact ? 2.5 : 4;
    for (int i = 0; i < series.readings.size(); ++i) {
        const SeriesReading &reading = series.readings[i];
        if (std::isnan(reading.thickness))
            continue;
        const bool counted = fig.counted.value(i);
        const bool marked = fig.marks.value(i) != ReadingMark::None;
        const QColor colour = marked ? MarkedColour : counted ? CountedColour : LeftOutColour;
        p.setPen(QPen(colour, 1.5));
        p.setBrush(counted ? QBrush(colour) : QBrush(Qt::white));
        drawMarker(p, pointOf(i), r, marked);
    }
    p.setClipping(false);

    // ---- the projected date ----
    if (projectionShown) {
        const QPointF at(xOf(projected), yOf(required));
        p.setPen(QPen(RequiredColour, 1, Qt::DotLine));
        p.drawLine(QPointF(at.x(), m_plot.top()), QPointF(at.x(), m_plot.bottom()));
        p.setPen(QPen(RequiredColour, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(at, r + 1, r + 1);
        const QString label = when(projected).toString(QStringLiteral("yyyy-MM-dd"));
        const double w = fm.horizontalAdvance(label) + 4;
        const double x = std::clamp(at.x() - w / 2, m_plot.left(), m_plot.right() - w);
        p.drawText(QRectF(x, m_plot.top() + 2, w, line), Qt::AlignCenter, label);
    }

    // ---- legend ----
    for (const LegendEntry &e : legend) {
        const QPointF at(e.at.x() + 8, e.at.y());
        switch (e.kind) {
        case LegendEntry::Counted:
        case LegendEntry::Marked:
        case LegendEntry::LeftOut: {
            const QColor c = e.kind == LegendEntry::Counted ? CountedColour
                : e.kind == LegendEntry::Marked             ? MarkedColour
                                                            : LeftOutColour;
            p.setPen(QPen(c, 1.5));
            p.setBrush(e.kind == LegendEntry::LeftOut ? QBrush(Qt::white) : QBrush(c));
            drawMarker(p, at, 4, e.kind == LegendEntry::Marked);
            break;
        }
        case LegendEntry::Fit:
            p.fillRect(QRectF(at.x() - 8, at.y() - 5, 16, 10), BandColour);
            p.setPen(QPen(FitColour, 1.8));
            p.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
            break;
        case LegendEntry::Required:
            p.setPen(QPen(RequiredColour, 2));
            p.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
            break;
        case LegendEntry::Projected:
            p.setPen(QPen(RequiredColour, 2));
            p.setBrush(Qt::white);
            p.drawEllipse(at, 4, 4);
            break;
        }
        p.setPen(AxisColour);
        p.drawText(QRectF(e.at.x() + 20, e.at.y() - line / 2, e.width + 2, line), Qt::AlignLeft | Qt::AlignVCenter,
                   e.text);
    }
    p.restore();
}
