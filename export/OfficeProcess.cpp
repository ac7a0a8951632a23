#include "export/OfficeProcess.h"

#include "export/OfficeUno.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
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
    int removed = 0;
    const QString prefix = QString::fromLatin1(kProfilePrefix);
    const QFileInfoList entries = QDir(QDir::tempPath())
                                      .entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // palvarin_office_<pid>_...: only folders of processes that are gone.
        bool ok = false;
        const qint64 pid = entry.fileName().mid(prefix.size()).section(QLatin1Char('_'), 0, 0).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == QCoreApplication::applicationPid()
            || QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)) || !entry.isWritable())
            continue;
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
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
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(d->profile->path()).toString(QUrl::FullyEncoded),
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
    d->profile.reset();
}
