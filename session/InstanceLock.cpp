#include "session/InstanceLock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace InstanceLock {

QString nameFor(const QString &programPath)
{
    const QByteArray forced = qgetenv("PALVARIN_INSTANCE_NAME");
    if (!forced.isEmpty())
        return QString::fromLocal8Bit(forced);
    const QByteArray hash = QCryptographicHash::hash(programPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("palvarin-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

QString lockDirectory()
{
    // Only ask for the runtime directory where the session has one (no warning otherwise).
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!dir.isEmpty())
            return dir;
    }
    return QDir::tempPath();
}

QString lockPath(const QString &name)
{
    return lockDirectory() + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString windowProgramName()
{
    // Both programs are built into one folder and installed into one; the path is the
    // canonical one, as the window program sees its own.
    return nameFor(QCoreApplication::applicationDirPath() + QStringLiteral("/palvarin"));
}

std::unique_ptr<QLockFile> take(const QString &name, bool *heldElsewhere)
{
    auto lock = std::make_unique<QLockFile>(lockPath(name));
    lock->setStaleLockTime(0);
    const bool taken = lock->tryLock(0);
    if (heldElsewhere)
        *heldElsewhere = !taken && lock->error() == QLockFile::LockFailedError;
    if (!taken)
        return nullptr;
    return lock;
}

} // namespace InstanceLock
