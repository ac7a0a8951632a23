#include "cli/Cli.h"

#include "cli/Commands.h"
#include "cli/CommandTable.h"
#include "cli/Invocation.h"
#include "interaction/Language.h"
#include "session/GaugeSetup.h"
#include "session/InstanceLock.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>

#include <memory>

namespace Cli {

namespace {

int dispatch(const QCommandLineParser &parser, Invocation &run)
{
    const Command &command = *run.command;
    // walk needs a gauge and keeps its readings in the store too.
    if (!command.needsGauge || command.options.testFlag(Option::Store))
        run.storePath = GaugeSetup::storePath(parser.value(QStringLiteral("store")));
    if (qstrcmp(command.name, "history") == 0)
        return history(run);
#ifndef PALVARIN_CALC_AVAILABLE
    if (run.format && run.format->is(ExportFormat::Xls))
        return run.fail(CliWords::tr("xls not available: this build has no LibreOffice export. Use --format csv or json."));
#endif
    // A target that cannot be written is told before the gauge is read for nothing.
    if (!run.output.isEmpty() && !run.toStandardOutput()) {
        const QFileInfo target(run.output);
        if (target.isDir())
            return run.fail(CliWords::tr("%1 is a folder; give a file name.").arg(run.output));
        if (!target.absoluteDir().exists())
            return run.fail(CliWords::tr("the folder %1 does not exist; create it or give another path.")
                                .arg(target.absolutePath()));
    }
    if (qstrcmp(command.name, "asset report") == 0)
        return assetReport(run);
    if (isPlaceCommand(command))
        return runPlaceCommand(run);
    if (qstrcmp(command.name, "tmin") == 0)
        return tmin(run);
    if (isJudgementCommand(command))
        return runJudgementCommand(run);
    if (isGridCommand(command))
        return runGridCommand(run);
    if (isTeamCommand(command))
        return runTeamCommand(run);
    if (qstrcmp(command.name, "compare") == 0)
        return compare(run);
    if (qstrcmp(command.name, "export") == 0)
        return exportSession(run);

    GaugeSetup::Choice choice;
    choice.demo = parser.isSet(QStringLiteral("demo")) || parser.isSet(QStringLiteral("demo-config"));
    choice.demoConfig = parser.value(QStringLiteral("demo-config"));
    choice.trace = parser.value(QStringLiteral("trace"));
    choice.serial = run.serial;
    GaugeSetup gauges;
    QString error;
    switch (gauges.build(choice, run.backendOverride, &error)) {
    case GaugeSetup::Problem::None:
        break;
    case GaugeSetup::Problem::DemoConfigUnreadable:
        return run.usage(CliWords::tr("cannot read the demo set-up '%1'.").arg(choice.demoConfig));
    case GaugeSetup::Problem::TraceUnwritable:
        return run.fail(CliWords::tr("cannot write the trace file %1 (%2). Give a path in a writable folder.")
                            .arg(choice.trace, error));
    }

    // A real gauge is read by one program at a time: the window program holds this lock
    // while it runs, and the tool holds it while it talks to the gauge (not to list them).
    std::unique_ptr<QLockFile> lock;
    if (gauges.realGauge() && qstrcmp(command.name, "list") != 0) {
        bool held = false;
        lock = InstanceLock::take(InstanceLock::windowProgramName(), &held);
        if (held) {
            run.ui.message(CliWords::tr("the Palvarin window program (or another palvarin-cli) is running and holds the "
                                     "gauge. Close it, or read the records in its window, then try again."));
            return NoGauge;
        }
    }
    return runGaugeCommand(run, gauges.backend());
}

} // namespace

QString commandOf(const QStringList &arguments)
{
    QCommandLineParser parser;
    addAllOptions(parser);
    if (!parser.parse(arguments) || parser.positionalArguments().isEmpty())
        return QString();
    return parser.positionalArguments().first();
}

int run(const QStringList &arguments, const Streams &streams, HidBackend *backend)
{
    // The language of the user's locale, once for the whole run.
    Language::instance().set(QLocale::system().language() == QLocale::Chinese ? QStringLiteral("zh")
                                                                              : QStringLiteral("en"));
    Invocation run(streams, backend);
    QCommandLineParser parser;
    addAllOptions(parser);
    if (!parser.parse(arguments))
        return run.usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        const Command *command = commandIn(parser.positionalArguments());
        run.writeOut((command ? commandHelp(*command) : parser.helpText()).toUtf8());
        return Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        run.writeOut(QStringLiteral("palvarin-cli %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return Done;
    }
    if (const int code = checkOptions(parser, run))
        return code;
    return dispatch(parser, run);
}

} // namespace Cli
