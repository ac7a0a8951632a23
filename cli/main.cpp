#include "cli/Cli.h"
#include "records/ConfigPaths.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// The one flag a signal handler may set; the tool polls it (a read's progress, a watch's timer).
volatile std::sig_atomic_t interrupted = 0;

void onSignal(int)
{
    interrupted = 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // "Palvarin": the configuration folders are the window program's.
    ConfigPlaces::nameApplication();
    QCoreApplication::setApplicationVersion(QStringLiteral(PALVARIN_VERSION));
    // The PDF report lays out text, which needs Qt GUI's fonts: a QGuiApplication on the
    // offscreen platform (no display) for the commands that may write one, Qt Core for the
    // others.
    bool report = false;
    {
        const QCoreApplication parsing(argc, argv); // gone before the application comes
        const QString command = Cli::commandOf(parsing.arguments());
        report = command == QLatin1String("report") || command == QLatin1String("compare")
                 || command == QLatin1String("asset")  // asset report
                 || command == QLatin1String("grid"); // grid show's map

    }
    if (report && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        report ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    // Standard error carries the tool's messages; the layers' debug lines would bury them
    // (QT_LOGGING_RULES=default.debug=true brings them back).
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    ConfigPlaces::carryOverOldSettings();

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // A second Ctrl+C ends the tool at once, as usual.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    Cli::Streams streams;
    streams.errIsTerminal = isatty(STDERR_FILENO) == 1;
    streams.interrupted = &interrupted;
    return Cli::run(app->arguments(), streams);
}
