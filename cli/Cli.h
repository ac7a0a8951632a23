#pragma once

#include <QStringList>

#include <csignal>
#include <cstdio>

class HidBackend;

// palvarin-cli: the gauge from a terminal or a script, without a display. One run is one
// command (list, info, read, watch, report, history, export, compare, and the places' assets,
// cml, readings, route, assign and survey) over one gauge connection, through the same
// session, records model and writers as the window program; history, export and compare read
// the survey store instead of a gauge, the places' commands read or change its places.
//
// Exit codes: 0 done, 1 failed (standard error says why and what to do), 2 usage (or a CSV
// file refused), 3 no gauge (none attached, none with the serial asked for, or the window
// program holds it).
namespace Cli {

enum ExitCode { Done = 0, Failed = 1, Usage = 2, NoGauge = 3, NoServer = 3 };

struct Streams
{
    std::FILE *out = stdout;
    std::FILE *err = stderr;
    bool errIsTerminal = false;
    // Set by SIGINT/SIGTERM: a read stops, a watch ends.
    const volatile std::sig_atomic_t *interrupted = nullptr;
};

// Runs one command line (arguments[0] is the program). A QCoreApplication must exist.
// `backend` replaces the gauges of the platform and of --demo (benchmarks); no lock is taken
// then.
int run(const QStringList &arguments, const Streams &streams, HidBackend *backend = nullptr);

// The command a command line names (empty when it names none), without running it: the report
// needs a QGuiApplication (fonts), the other commands a QCoreApplication.
QString commandOf(const QStringList &arguments);

} // namespace Cli
