#include "app/SingleInstance.h"

#include "session/InstanceLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

namespace {
constexpr char ack[] = "ack\n";
}

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent), socketName(name)
{
    lock = std::make_unique<QLockFile>(InstanceLock::lockPath(name));
    // A lock left by a crashed copy is stale (its process is gone) and is taken over.
    primary = lock->tryLock(0);
    if (!primary)
        return;
    // A socket file left by a crashed copy would make listen() fail.
    QLocalServer::removeServer(socketName);
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(socketName))
        connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

SingleInstance::~SingleInstance()
{
    if (server)
        server->close();
}

QString SingleInstance::lockDirectory()
{
    return InstanceLock::lockDirectory();
}

QString SingleInstance::defaultName()
{
    return InstanceLock::nameFor(QCoreApplication::applicationFilePath());
}

bool SingleInstance::sendMessage(const QString &text, int timeoutMs)
{
    if (primary)
        return false;
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first copy may still be starting its server: keep trying until the deadline.
    for (;;) {
        socket.connectToServer(socketName);
        if (socket.waitForConnected(int(qMin<qint64>(deadline.remainingTime(), 500))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
        if (deadline.hasExpired())
            return false;
    }
    socket.write(text.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == ack;
}

void SingleInstance::setActivationWindow(QWidget *window, bool activate)
{
    activationWindow = window;
    activateOnMessage = activate;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 4096) // not one of ours
                    socket->abort();
                return;
            }
            const QString message = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write(ack);
            socket->flush();
            if (activateOnMessage)
                activateWindow();
            emit messageReceived(message);
        });
    }
}

void SingleInstance::activateWindow()
{
    if (!activationWindow)
        return;
    activationWindow->setWindowState(activationWindow->windowState() & ~Qt::WindowMinimized);
    activationWindow->raise();
    activationWindow->activateWindow();
}
