#pragma once

#include "walkpage/WalkStopText.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QPainter;
class RouteWalk;

// One stop of a walk drawn large enough to read at arm's length on a screen across the room:
// the CML's tag, where it is, what its history lets one expect today and the reading with its
// verdict on a coloured panel; along the bottom a strip of the stops around the current one
// with their state. Everything scales with the widget's height. Follows the walk's signals.
class WalkView : public QWidget
{
    Q_OBJECT
public:
    explicit WalkView(QWidget *parent = nullptr);

    // The walk shown (not owned; may be null).
    void setWalk(const RouteWalk *walk);
    // What the current stop shows now.
    StopShown shown() const;
    // Where the reading's panel is drawn, in widget coordinates.
    QRect panelRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void drawStrip(QPainter &painter, const QRect &area);
    // One line of text elided to `r`, in the painter's pen colour.
    void drawLine(QPainter &p, const QRect &r, const QFont &font, const QString &text, int flags = Qt::AlignLeft);

    // Larger text than this is drawn from m_texts.
    static constexpr int CachedTextPixels = 48;
    QPointer<const RouteWalk> m_walk;
    QHash<QString, QPixmap> m_texts;
};
