#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace Cli {

struct Invocation;

// The options a command may take beyond the ones every command takes (--demo, --demo-config,
// --serial, --trace, --help, --version).
enum class Option : quint32 {
    Output = 1 << 0,   // -o, --output
    Format = 1 << 1,   // --format
    Store = 1 << 2,    // --store
    Tmin = 1 << 3,     // --tmin
    Interval = 1 << 4, // --interval
    Layer = 1 << 5,    // --layer
    AnyGauge = 1 << 6, // --any-gauge
    Asset = 1 << 7,    // --asset
    Nominal = 1 << 8,  // --nominal
    Minimum = 1 << 9,  // --minimum
    Allowance = 1 << 10, // --allowance
    Material = 1 << 11,  // --material
    Description = 1 << 12, // --description
    ByName = 1 << 13,  // --by-name
    Route = 1 << 14,   // --route
    Undo = 1 << 15,    // --undo
    Before = 1 << 16,  // --before
    Design = 1 << 17,  // --P, --D, --R, --S, --E, --W, --Y, --c, --G, --H, --temp, --group: a formula's inputs
    Formula = 1 << 18, // --formula
    AcceptAll = 1 << 19, // --accept-all
    Tolerance = 1 << 20, // --tolerance
    Inspector = 1 << 21, // --inspector
    GridShape = 1 << 22, // --rows, --columns, --pitch, --mask, --none
    Walk = 1 << 23,      // --walk
    Survey = 1 << 24,    // --survey
    From = 1 << 25,      // --from
    GridView = 1 << 26,  // --loss-from, --png, --blocks, --area
    Team = 1 << 27,      // --team
    Keep = 1 << 28,      // --keep
};
Q_DECLARE_FLAGS(Options, Option)

// What --format may name for a command.
enum class Written : quint8 { Csv = 1 << 0, Xlsx = 1 << 1, Xls = 1 << 2, Json = 1 << 3 };
Q_DECLARE_FLAGS(Writes, Written)

// Where a PDF goes: never, as one output among others (by -o's suffix), or only.
enum class Pdf : quint8 { No, Also, Only };

// One command of the tool, as parsing, checking and --help see it.
struct Command
{
    const char *name;  // one word, or two for a command of a group ("cml list")
    bool needsGauge;   // else it reads the survey store (or nothing)
    int leastArguments;
    int mostArguments; // -1: any number
    const char *tooFewArguments; // the usage error when fewer are given (Cli context)
    Options options;
    bool needsOutput;  // -o is required
    Writes formats;    // what --format may name (where the output does not decide)
    const char *formatRefused; // the usage error when --format names another (Cli context)
    const char *suffixUnknown; // -o's suffix names the format; the usage error when it names none
    const char *stdoutRefused; // the usage error for a workbook format to standard output
    Pdf pdf;
    const char *pdfRefused;    // Pdf::Only: the usage error for another file
    const char *synopsis;      // e.g. "read -o FILE [--format F]"
    const char *help;          // its lines under "Commands:" in the general help, as printed
};

const Command *commandNamed(const QString &name);
// The command the first positional arguments name: one word, or a group's two words
// ("cml list"); *words says how many it took.
const Command *commandIn(const QStringList &positional, int *words = nullptr);

// Sets up a parser that knows every option of the tool: its help text is the general help,
// and its parse is what checkOptions() judges.
void addAllOptions(QCommandLineParser &parser);
// One command's own help: its lines of the general help and the options it takes.
QString commandHelp(const Command &command);

// Reads the parsed command line into `run` and judges it against the command's entry:
// 0, or the exit code of a usage error (told on standard error).
int checkOptions(const QCommandLineParser &parser, Invocation &run);
// The options of the judgement commands (due, cml show, cml design, tmin), as checkOptions()
// does it for the others (DesignOptions.cpp).
int checkJudgementOptions(const QCommandLineParser &parser, Invocation &run);
// The options of walk (WalkCommand.cpp).
int checkWalkOptions(const QCommandLineParser &parser, Invocation &run);
// The options of the grid commands (GridOptions.cpp).
int checkGridOptions(const QCommandLineParser &parser, Invocation &run);
// The options of the team commands (TeamCommands.cpp).
int checkTeamOptions(const QCommandLineParser &parser, Invocation &run);

} // namespace Cli

Q_DECLARE_OPERATORS_FOR_FLAGS(Cli::Options)
Q_DECLARE_OPERATORS_FOR_FLAGS(Cli::Writes)
