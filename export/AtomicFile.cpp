#include "export/AtomicFile.h"

#include "export/ExportFlow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

AtomicWrite writeAtomically(const QString &chosen, const QString &suffix,
                            const std::function<int(const QString &temporaryPath)> &produce)
{
    auto stop = [](AtomicWrite::Step step, int error) { return AtomicWrite{step, error ? error : -1}; };
    QString target = chosen;
    if (QFileInfo(chosen).isSymLink()) {
        const QString canonical = QFileInfo(chosen).canonicalFilePath();
        target = canonical.isEmpty() ? QFileInfo(chosen).symLinkTarget() : canonical;
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir())
        return stop(AtomicWrite::Step::Target, EISDIR);
    if (targetInfo.exists() && !targetInfo.isFile())
        return stop(AtomicWrite::Step::Target, -1);
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(folder).isDir())
        return stop(AtomicWrite::Step::Target, ENOENT);
    ExportFlow::removeStaleTemporaries(folder);

    // A name beside the target, so the final rename stays on one file system.
    const QString ending = QLatin1Char('.') + suffix;
    QByteArray pattern = QFile::encodeName(folder + QLatin1Char('/')
                                           + ExportFlow::temporaryPrefix(QCoreApplication::applicationPid())
                                           + QStringLiteral("XXXXXX") + ending);
    const int fd = ::mkstemps(pattern.data(), int(ending.size()));
    if (fd < 0)
        return stop(AtomicWrite::Step::Reserve, errno);
    ::close(fd);
    const QString temporary = QFile::decodeName(pattern);
    // The producer starts a fresh file where nothing exists; the name stays reserved by its
    // random part.
    QFile::remove(temporary);

    const int produced = produce(temporary);
    if (produced != 0 || QFileInfo(temporary).size() == 0) {
        QFile::remove(temporary);
        return stop(AtomicWrite::Step::Produce, produced);
    }
    // rename(2) replaces the target in one step: it is either the old file or the new one.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporary);
        return stop(AtomicWrite::Step::Rename, error);
    }
    return {};
}
