#pragma once

#include "cli/Cli.h"
#include "cli/CliOutput.h"
#include "cli/ConsoleInteraction.h"
#include "analysis/GridLayout.h"
#include "analysis/SurveyComparison.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>
#include <optional>

class HidBackend;

// The tool's words: English in the source, other languages in the catalogue.
class CliWords
{
    Q_DECLARE_TR_FUNCTIONS(CliWords)
};

namespace Cli {

struct Command;

// The options of the place commands (assets, CMLs, routes, assignments).
struct PlaceOptions
{
    QString asset; // --asset: a path
    bool assetGiven = false;
    // cml add: NaN when not given.
    double nominal = std::numeric_limits<double>::quiet_NaN();
    double minimum = std::numeric_limits<double>::quiet_NaN();
    double allowance = std::numeric_limits<double>::quiet_NaN();
    QString material;
    QString description;
    // assign: one of them.
    bool byName = false;
    QString route;
    bool undo = false;
};

// The options of the judgement commands. A formula's inputs are kept as given ("2MPa",
// "168.3mm") and read with their units by the command that takes them.
struct JudgementOptions
{
    qint64 beforeMs = 0; // --before: 0 when not given
    bool formulaGiven = false;
    QString formula;
    QHash<QString, QString> inputs; // by option name ("P", "D", ..., "temp", "group")
};

// The options of walk; the route or the asset walked are the place options'.
struct WalkOptions
{
    bool acceptAll = false;  // --accept-all: every reading accepted as it comes, no keys read
    double toleranceMm = 0;  // --tolerance: the band's half-width the user allows
    QString inspector;       // --inspector: logged with each step
};

// The options of the grid commands, read and checked; the CML is the arguments' tag under
// --asset (the place options').
struct GridOptions
{
    // grid define
    bool none = false;      // --none: no longer a grid
    int rows = 0;
    int columns = 0;
    double pitchMm = std::numeric_limits<double>::quiet_NaN();
    QVector<GridCell> masked;
    bool walkGiven = false;
    WalkPattern walk;
    // grid place, grid show: 0 when not given
    qint64 survey = 0;
    GridCell from;          // grid place: invalid when not given
    // grid show
    qint64 lossFrom = 0;
    QString png;
    int blockRows = 1;
    int blockColumns = 0;   // 0: whole rows
    double areaM2 = std::numeric_limits<double>::quiet_NaN();
    QString cells;          // the cells the thinnest wall is expected from ("": all)
};

// The options of the team commands.
struct TeamOptions
{
    QString conninfo;  // --team, else $PALVARIN_TEAM
    bool keepMine = false; // team resolve --keep mine (else theirs)
};

// One run of the tool: the command line as the command table read it, the streams, and how
// a result is told (usage errors, failures, standard output).
struct Invocation
{
    Invocation(const Streams &streams, HidBackend *backendOverride);

    Streams streams;
    HidBackend *backendOverride = nullptr; // replaces the platform's and the emulator's gauges
    ConsoleInteraction ui;

    const Command *command = nullptr;
    QStringList arguments; // after the command's name
    QString output;        // -o; "-" is standard output
    std::optional<CliOutput::Format> format;
    QString serial;
    bool anyGauge = false; // compare: sessions of different gauges too
    QString storePath;
    ComparisonSettings comparing;
    int layer = 0; // compare: 0-2
    PlaceOptions places;
    JudgementOptions judging;
    WalkOptions walking;
    GridOptions grid;
    TeamOptions team;

    // A usage error, with the hint to --help: exit code 2.
    int usage(const QString &error) const;
    // A failure told on standard error: exit code 1.
    int fail(const QString &text);
    bool interrupted() const { return streams.interrupted && *streams.interrupted; }
    // Writes all of `bytes` to standard output and flushes it.
    bool writeOut(const QByteArray &bytes) const;
    // The same, telling a failure.
    int print(const QByteArray &bytes);
    bool toStandardOutput() const { return output == QLatin1String("-"); }
};

} // namespace Cli
