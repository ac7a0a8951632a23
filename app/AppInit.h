#pragma once

#include <QObject>
#include <QPoint>

// Application-wide event filter that lets any widget carrying the dynamic property
// "canMove" be dragged with the left mouse button.
class AppInit : public QObject
{
    Q_OBJECT
public:
    static AppInit *instance();
    // Installs the filter on the application object.
    void start();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppInit() = default;
    // One drag at a time for the whole process.
    bool pressed = false;
    QPoint offset;
};
