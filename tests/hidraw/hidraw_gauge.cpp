// Runs a program with the demo gauge as a hidraw node: the program finds, opens and reads it
// through hidapi and libudev as it would a gauge on USB, unmodified.
//
//   hidraw_gauge [--config FILE.ini] [--] PROGRAM [ARGS...]
//
// The gauge is the demo's (emulator/EmulatorBackend.h: records, pushes every few seconds;
// --config takes the demo's INI file). While the program runs, SIGUSR1 pulls the gauge out
// or plugs it back in, SIGUSR2 pushes a measurement. Exits with the program's status.
#include "HidrawRig.h"

#include "emulator/EmulatorBackend.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t togglePlug = 0;
volatile std::sig_atomic_t pushOne = 0;

void onSignal(int signal)
{
    if (signal == SIGUSR1)
        togglePlug = 1;
    else if (signal == SIGUSR2)
        pushOne = 1;
}

int usage()
{
    std::fprintf(stderr, "usage: hidraw_gauge [--config FILE.ini] [--] PROGRAM [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (!HidrawRig::reexecUnderPreload(argv)) {
        std::fprintf(stderr, "hidraw_gauge: cannot run under umockdev's preload (is umockdev installed?)\n");
        return 1;
    }
    QString config;
    int first = 1;
    while (first < argc) {
        if (std::strcmp(argv[first], "--config") == 0 && first + 1 < argc) {
            config = QString::fromLocal8Bit(argv[first + 1]);
            first += 2;
        } else if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else {
            break;
        }
    }
    if (first >= argc)
        return usage();
    QCoreApplication app(argc, argv);

    // The demo's gauges, taken from the emulator's own back end and put behind nodes.
    std::unique_ptr<EmulatorBackend> demo = EmulatorBackend::createDemo(config);
    const QList<std::shared_ptr<EmulatedInstrument>> gauges = demo->instruments();
    HidrawRig rig;
    for (const auto &gauge : gauges) {
        const QString node = rig.plug(gauge);
        if (node.isEmpty()) {
            std::fprintf(stderr, "hidraw_gauge: cannot make a hidraw node\n");
            return 1;
        }
        std::fprintf(stderr, "hidraw_gauge: gauge %s is %s\n", qPrintable(gauge->usbSerial()), qPrintable(node));
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGUSR1, &action, nullptr);
    sigaction(SIGUSR2, &action, nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        ::execvp(argv[first], argv + first);
        std::fprintf(stderr, "hidraw_gauge: cannot run %s: %s\n", argv[first], std::strerror(errno));
        ::_exit(127);
    }
    bool plugged = true;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (togglePlug) {
            togglePlug = 0;
            for (const auto &gauge : gauges) {
                if (plugged)
                    rig.unplug(gauge->usbSerial());
                else
                    rig.plug(gauge);
            }
            plugged = !plugged;
            std::fprintf(stderr, "hidraw_gauge: %s\n", plugged ? "plugged in" : "pulled out");
        }
        if (pushOne) {
            pushOne = 0;
            for (const auto &gauge : gauges) {
                if (gauge->isMultiLayer())
                    gauge->pushMultiLayer({2.50f, 3.10f, 4.05f}, {5920.0f, 5920.0f, 5920.0f});
                else
                    gauge->pushSingleLayer(5920.0f, 4.25f);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
