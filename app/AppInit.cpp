#include "app/AppInit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

AppInit *AppInit::instance()
{
    static AppInit *self = new AppInit; // lives until the process ends
    return self;
}

void AppInit::start()
{
    qApp->installEventFilter(this);
}

bool AppInit::eventFilter(QObject *watched, QEvent *event)
{
    // The property lookup comes first: it is all the work done for ordinary objects.
    if (!watched->property("canMove").toBool())
        return QObject::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return QObject::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        pressed = true;
        offset = mouse->globalPosition().toPoint() - widget->pos();
        return true;
    }
    case QEvent::MouseButtonRelease:
        pressed = false;
        return true;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (pressed && mouse->buttons() != Qt::NoButton) {
            widget->move(mouse->globalPosition().toPoint() - offset);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
