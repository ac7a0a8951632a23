#include "export/OfficeProcess.h"

#include "export/OfficeUno.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace css;
using OfficeUno::fromOu;
using OfficeUno::toOu;
using uno::Reference;

namespace {

const char *const kDefaultProgram = "/usr/lib/libreoffice/program/soffice";
const char *const kFundamentalRc = "file:///usr/lib/libreoffice/program/fundamentalrc";
const char *const kProfilePrefix = "palvarin_office_";
// Where the office's pipe library makes its sockets (OSL_PIPE_<uid>_<pipe name>), whatever
// the temporary folder; an office that is killed leaves its socket there.
const char *const kPipeFolder = "/tmp";
// How long an office that was asked to end may take to do so.
const int kTerminateMs = 10000;

// The local UNO context can be made only once per process: later offices share it.
Reference<uno::XComponentContext> localContext()
{
    static const Reference<uno::XComponentContext> context = []() -> Reference<uno::XComponentContext> {
        try {
            rtl::Bootstrap::set("URE_BOOTSTRAP", rtl::OUString::createFromAscii(kFundamentalRc));
            return cppu::defaultBootstrap_InitialComponentContext();
        } catch (const uno::Exception &e) {
            qWarning("office bootstrap failed: %s", qPrintable(fromOu(e.Message)));
            return {};
        }
    }();
    return context;
}

QString profileUrl(const QString &profilePath)
{
    return QUrl::fromLocalFile(profilePath).toString(QUrl::FullyEncoded);
}

// Removes the sockets an office leaves when it is killed: the one it accepted connections
// on, and its single-instance one, named after its profile: "SingleOfficeIPC_" and the MD5
// of the profile's URL in UTF-16, each byte in hex without leading zeros.
void removePipes(const QString &pipeName, const QString &profilePath)
{
    const QString url = profileUrl(profilePath);
    const QByteArray md5 = QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char *>(url.utf16()), url.size() * 2), QCryptographicHash::Md5);
    QString instance = QStringLiteral("SingleOfficeIPC_");
    for (char byte : md5)
        instance += QString::number(quint8(byte), 16);
    const QDir pipes(QString::fromLatin1(kPipeFolder));
    const QStringList names = pipes.entryList(
        {QStringLiteral("OSL_PIPE_*_") + pipeName, QStringLiteral("OSL_PIPE_*_") + instance},
        QDir::Files | QDir::System | QDir::Hidden);
    for (const QString &name : names)
        QFile::remove(pipes.filePath(name));
}

} // namespace

OfficeCallDeadline::OfficeCallDeadline(OfficeProcess &office, int ms) : ms(ms)
{
    const qint64 pid = office.d->process.processId();
    if (pid <= 0 || office.d->process.state() == QProcess::NotRunning)
        return;
    watcher = std::thread([this, pid] {
        std::unique_lock<std::mutex> lock(mutex);
        if (wake.wait_for(lock, std::chrono::milliseconds(qMax(this->ms, 1)), [this] { return done; }))
            return;
        fired = true;
        // The group: soffice.bin behind the launcher is the one that hangs.
        ::kill(-pid_t(pid), SIGKILL);
    });
}

OfficeCallDeadline::~OfficeCallDeadline()
{
    if (!watcher.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    wake.notify_all();
    watcher.join();
    if (fired)
        qWarning("office did not answer within %d ms: stopped", ms);
}

QString OfficeProcess::defaultProgram()
{
    const QString fromEnvironment = qEnvironmentVariable("PALVARIN_SOFFICE");
    return fromEnvironment.isEmpty() ? QString::fromLatin1(kDefaultProgram) : fromEnvironment;
}

QString OfficeProcess::processTag()
{
    return QString::fromLatin1(kProfilePrefix) + QString::number(QCoreApplication::applicationPid())
        + QLatin1Char('_');
}

int OfficeProcess::removeStaleProfiles()
{
    const QString prefix = QString::fromLatin1(kProfilePrefix);
    // <anything>palvarin_office_<pid>_...: only what processes that are gone left.
    const auto ownerGone = [&prefix](const QFileInfo &entry) {
        bool ok = false;
        const QString name = entry.fileName();
        const qint64 pid = name.mid(name.indexOf(prefix) + prefix.size()).section(QLatin1Char('_'), 0, 0).toLongLong(&ok);
        return ok && pid > 0 && pid != QCoreApplication::applicationPid()
            && !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
    };
    int removed = 0;
    for (const QFileInfo &entry : QDir(QDir::tempPath()).entryInfoList({prefix + QLatin1Char('*')},
                                                                       QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!ownerGone(entry) || !entry.isWritable())
            continue;
        removePipes(entry.fileName(), entry.absoluteFilePath()); // the profile's name was the pipe's
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
    for (const QFileInfo &entry : QDir(QString::fromLatin1(kPipeFolder))
                                      .entryInfoList({QStringLiteral("OSL_PIPE_*_") + prefix + QLatin1Char('*')},
                                                     QDir::Files | QDir::System | QDir::Hidden))
        if (ownerGone(entry) && QFile::remove(entry.absoluteFilePath()))
            ++removed;
    return removed;
}

OfficeProcess::OfficeProcess(const QString &program) : d(std::make_unique<Impl>())
{
    d->program = program;
}

OfficeProcess::~OfficeProcess()
{
    shutdown();
}

bool OfficeProcess::launch()
{
    if (d->process.state() != QProcess::NotRunning)
        return true;
    const QString program = d->program.isEmpty() ? defaultProgram() : d->program;
    if (!QFileInfo(program).isExecutable())
        return false;
    removeStaleProfiles();
    // A private profile: with the user's, the request would reach a LibreOffice the user has
    // open, and terminating would close it. Its unique name doubles as the pipe's name.
    d->profile = std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1Char('/') + processTag()
                                                 + QStringLiteral("XXXXXX"));
    if (!d->profile->isValid()) {
        d->profile.reset();
        return false;
    }
    d->pipeName = QFileInfo(d->profile->path()).fileName();
    const QStringList args{
        QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
        QStringLiteral("--nologo"), QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
        QStringLiteral("-env:UserInstallation=") + profileUrl(d->profile->path()),
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(d->pipeName)};
    d->process.setProgram(program);
    d->process.setArguments(args);
    d->process.setStandardOutputFile(QProcess::nullDevice());
    d->process.setStandardErrorFile(QProcess::nullDevice());
    // Own process group, so that a kill reaches soffice.bin behind the launcher too; and the
    // launcher (which takes soffice.bin with it) is told to end if this program dies first,
    // so a crash or a kill never leaves an office running.
    const pid_t parent = ::getpid();
    d->process.setChildProcessModifier([parent] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    });
    d->startMs = 0;
    d->sinceLaunch.start();
    d->process.start();
    if (!d->process.waitForStarted(5000)) {
        d->process.kill();
        d->process.waitForFinished(3000);
        d->profile.reset();
        return false;
    }
    return true;
}

bool OfficeProcess::connect(int timeoutMs)
{
    if (d->desktop.is())
        return true;
    if (d->process.state() == QProcess::NotRunning)
        return false;
    const Reference<uno::XComponentContext> local = localContext();
    if (!local.is())
        return false;
    const rtl::OUString url = toOu(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(d->pipeName));
    const QDeadlineTimer deadline(timeoutMs);
    Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(local);
    } catch (const uno::Exception &) {
        return false;
    }
    for (;;) {
        try {
            // An office that accepts the connection but never answers costs no more than the
            // time left.
            const OfficeCallDeadline bounded(*this, int(qMax<qint64>(deadline.remainingTime(), 1)));
            Reference<uno::XComponentContext> remote(resolver->resolve(url), uno::UNO_QUERY_THROW);
            d->desktop = frame::Desktop::create(remote);
            d->startMs = d->sinceLaunch.elapsed();
            return true;
        } catch (const uno::Exception &) {
            // not listening yet
        }
        // Doubles as the 50 ms pause between attempts; a child that ended will never answer.
        if (d->process.waitForFinished(50) || d->process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
    }
}

bool OfficeProcess::isConnected() const
{
    return d->desktop.is();
}

qint64 OfficeProcess::startMs() const
{
    return d->startMs;
}

void OfficeProcess::shutdown()
{
    bool asked = false;
    if (d->desktop.is()) {
        try {
            const OfficeCallDeadline bounded(*this, kTerminateMs);
            d->desktop->terminate();
        } catch (const uno::Exception &) {
            // the bridge goes down while the office ends
        }
        asked = true;
        d->desktop.clear();
    }
    if (d->process.state() != QProcess::NotRunning) {
        const qint64 pid = d->process.processId();
        // An office that was never connected (started ahead of a cancelled dialog) cannot be
        // asked to end and holds no document: it is stopped at once.
        if (!asked || !d->process.waitForFinished(kTerminateMs)) {
            if (pid > 0)
                ::kill(-pid_t(pid), SIGKILL);
            d->process.kill();
            d->process.waitForFinished(3000);
        }
        // soffice.bin may outlive its launcher by a moment; the group dies with it.
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
    }
    if (d->profile) {
        removePipes(d->pipeName, d->profile->path());
        d->profile.reset();
    }
}
