#pragma once

#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <memory>

class QLocalServer;
class QWidget;

// Guards against a second running copy and carries a text message from a second copy
// to the first. A lock file decides who runs (a crashed copy's stale lock is taken
// over), a local socket carries the message.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // name identifies the program for one user; defaultName() derives it from the
    // program file's path and the user id, or takes PALVARIN_INSTANCE_NAME when set.
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultName();
    // Where the lock files live: the user's runtime directory, else the temporary one.
    static QString lockDirectory();

    // True when another copy holds the identity.
    bool isRunning() const { return !primary; }
    // Sends text to the running copy; waits at most timeoutMs. True when it was received.
    bool sendMessage(const QString &text, int timeoutMs);
    // On every message: un-minimise, raise and activate window (when activateOnMessage).
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);

signals:
    void messageReceived(const QString &message);

private:
    void acceptConnection();
    void activateWindow();

    QString socketName;
    std::unique_ptr<QLockFile> lock;
    QLocalServer *server = nullptr;
    bool primary = false;
    QPointer<QWidget> activationWindow;
    bool activateOnMessage = false;
};
