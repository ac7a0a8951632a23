#include "walkpage/WalkView.h"

#include "session/RouteWalk.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// A font whose pixel size is a share of the view's height, so the page reads the same at
// any screen size.
QFont sized(const QFont &base, int pixels, bool bold = false)
{
    QFont f(base);
    f.setPixelSize(std::max(8, pixels));
    f.setBold(bold);
    return f;
}

} // namespace

WalkView::WalkView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("walkView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(640, 360);
    setFocusPolicy(Qt::StrongFocus);
}

void WalkView::setWalk(const RouteWalk *walk)
{
    if (m_walk)
        disconnect(m_walk, nullptr, this, nullptr);
    m_walk = walk;
    if (walk) {
        connect(walk, &RouteWalk::currentChanged, this, qOverload<>(&QWidget::update));
        // Painted at once: the walk keeps the reading's part in the file only after this.
        connect(walk, &RouteWalk::stopChanged, this, [this] {
            if (isVisible())
                repaint();
        });
        connect(walk, &RouteWalk::walkFinished, this, qOverload<>(&QWidget::update));
    }
    update();
}

StopShown WalkView::shown() const
{
    if (!m_walk)
        return StopShown();
    return WalkStopText::describe(m_walk->stops(), m_walk->current());
}

QRect WalkView::panelRect() const
{
    const int h = height();
    const int margin = h / 40;
    const int top = h * 26 / 100;
    const int bottom = h * 74 / 100;
    const int left = width() * 52 / 100;
    return QRect(left, top, width() - left - margin, (bottom - top) * 72 / 100);
}

void WalkView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QColor ink = palette().color(QPalette::WindowText);
    p.setPen(ink);
    const int h = height(), w = width();
    const int margin = h / 40;
    const QFont base = font();
    if (!m_walk || m_walk->stops().isEmpty()) {
        drawLine(p, rect().adjusted(margin, 0, -margin, 0), sized(base, h / 16), tr("No walk started"),
                 Qt::AlignHCenter);
        return;
    }
    if (m_walk->current() >= m_walk->stops().size()) {
        drawLine(p, QRect(margin, 0, w - 2 * margin, h * 74 / 100), sized(base, h / 8, true), tr("Route done"),
                 Qt::AlignHCenter);
        drawStrip(p, QRect(margin, h * 78 / 100, w - 2 * margin, h * 20 / 100));
        return;
    }
    const StopShown s = shown();

    // The tag is what the inspector matches with the plate on the pipe: largest of all.
    drawLine(p, QRect(margin, margin, w * 66 / 100, h * 15 / 100), sized(base, h * 13 / 100, true), s.tag);
    drawLine(p, QRect(w * 66 / 100, margin, w * 34 / 100 - margin, h * 15 / 100), sized(base, h / 18), s.position,
             Qt::AlignRight);
    const QString where = s.description.isEmpty() ? s.assetPath : tr("%1 — %2").arg(s.description, s.assetPath);
    drawLine(p, QRect(margin, margin + h * 15 / 100, w - 2 * margin, h * 7 / 100), sized(base, h / 22), where);

    // The history's figures down the left half.
    const QFont figures = sized(base, h / 17);
    const int rowH = h * 11 / 100;
    int y = h * 26 / 100;
    for (const QString &line : {s.last, s.expected, s.band, s.required}) {
        drawLine(p, QRect(margin, y, w * 50 / 100 - 2 * margin, rowH), figures, line);
        y += rowH;
    }

    // The reading on its coloured panel, the verdict in the same colour under it.
    const QRect panel = panelRect();
    p.fillRect(panel, s.panel);
    p.setPen(s.panel.lightness() > 150 ? QColor(Qt::black) : QColor(Qt::white));
    drawLine(p, panel.adjusted(margin, 0, -margin, 0), sized(base, panel.height() * 45 / 100, true), s.reading,
             Qt::AlignHCenter);
    p.setPen(s.verdictColour);
    const QRect verdict(panel.left(), panel.bottom() + margin / 2, panel.width(), h * 74 / 100 - panel.bottom());
    drawLine(p, verdict, sized(base, h / 15, true), s.verdict, Qt::AlignHCenter);
    p.setPen(ink);

    drawStrip(p, QRect(margin, h * 78 / 100, w - 2 * margin, h * 20 / 100));
}

void WalkView::drawStrip(QPainter &p, const QRect &area)
{
    const QVector<WalkStop> &stops = m_walk->stops();
    const int cellW = std::max(area.height() * 3 / 2, 120);
    const int fit = std::max(1, area.width() / cellW);
    // The current stop near the middle; a long route shows only the stops around it.
    const int current = std::min(m_walk->current(), int(stops.size()) - 1);
    int first = std::clamp(current - fit / 2, 0, std::max(0, int(stops.size()) - fit));
    const int last = std::min(int(stops.size()), first + fit);
    const QFont tagFont = sized(font(), area.height() / 4, true);
    const QFont stateFont = sized(font(), area.height() / 6);
    for (int i = first; i < last; ++i) {
        const WalkStop &stop = stops.at(i);
        const QRect cell(area.left() + (i - first) * cellW, area.top(), cellW - 6, area.height());
        QColor fill = WalkStopText::idleColour();
        if (stop.state == WalkStop::State::Accepted || stop.state == WalkStop::State::Measured)
            fill = WalkStopText::verdictColour(stop.verdict).lighter(160);
        else if (stop.state == WalkStop::State::Skipped)
            fill = QColor(0xbd, 0xbd, 0xbd);
        p.fillRect(cell, fill);
        if (i == m_walk->current()) {
            p.setPen(QPen(palette().color(QPalette::Highlight), std::max(3, area.height() / 20)));
            p.drawRect(cell.adjusted(1, 1, -1, -1));
        }
        p.setPen(Qt::black);
        const QRect inner = cell.adjusted(6, 4, -6, -4);
        drawLine(p, QRect(inner.left(), inner.top(), inner.width(), inner.height() / 2), tagFont, stop.cml.tag,
                 Qt::AlignHCenter);
        drawLine(p, QRect(inner.left(), inner.top() + inner.height() / 2, inner.width(), inner.height() / 2),
                 stateFont, WalkStopText::stateWords(stop), Qt::AlignHCenter);
    }
}

void WalkView::drawLine(QPainter &p, const QRect &r, const QFont &font, const QString &text, int flags)
{
    const QString line = QFontMetrics(font).elidedText(text, Qt::ElideRight, r.width());
    const int align = flags | Qt::AlignVCenter | Qt::TextSingleLine;
    if (font.pixelSize() <= CachedTextPixels || r.isEmpty()) {
        p.setFont(font);
        p.drawText(r, align, line);
        return;
    }
    // Text this large is filled as outlines, not taken from the glyph cache: each line is drawn
    // once into a pixmap and reused while it reads the same (tags, verdicts, stop numbers).
    const QColor colour = p.pen().color();
    const QString key = QStringLiteral("%1|%2|%3|%4x%5|%6")
                            .arg(font.key())
                            .arg(colour.rgba())
                            .arg(align)
                            .arg(r.width())
                            .arg(r.height())
                            .arg(line);
    auto found = m_texts.constFind(key);
    if (found == m_texts.constEnd()) {
        if (m_texts.size() >= 256)
            m_texts.clear();
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap(r.size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter tp(&pixmap);
        tp.setFont(font);
        tp.setPen(colour);
        tp.drawText(QRect(QPoint(), r.size()), align, line);
        tp.end();
        found = m_texts.insert(key, pixmap);
    }
    p.drawPixmap(r.topLeft(), *found);
}

void WalkView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::FontChange
        || event->type() == QEvent::PaletteChange) {
        m_texts.clear();
        update();
    }
    QWidget::changeEvent(event);
}
