// The grid commands' options read from the command line: sizes, cell lists, walk patterns,
// surveys and blocks, each refused in words (exit 2) before the survey file is opened.
#include "cli/GridOptions.h"

#include "cli/CommandTable.h"
#include "cli/Invocation.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace Cli {

namespace {

struct CornerWord
{
    const char *word;
    WalkCorner corner;
};

const CornerWord corners[] = {{"top-left", WalkCorner::TopLeft},
                              {"top-right", WalkCorner::TopRight},
                              {"bottom-left", WalkCorner::BottomLeft},
                              {"bottom-right", WalkCorner::BottomRight}};

// A whole number within [least, most]; false for anything else ("3.0", "3x").
bool wholeNumber(const QString &given, qint64 least, qint64 most, qint64 *value)
{
    bool ok = false;
    *value = given.trimmed().toLongLong(&ok);
    return ok && *value >= least && *value <= most;
}

bool positiveNumber(const QString &given, double *value)
{
    bool ok = false;
    *value = given.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value) && *value > 0;
}

} // namespace

std::optional<WalkPattern> walkPatternNamed(const QString &given)
{
    const QString name = given.trimmed().toLower();
    for (const CornerWord &c : corners) {
        const QString prefix = QString::fromLatin1(c.word) + QLatin1Char('-');
        if (!name.startsWith(prefix))
            continue;
        const QStringList rest = name.mid(prefix.size()).split(QLatin1Char('-'));
        if (rest.size() > 2)
            return std::nullopt;
        WalkPattern pattern;
        pattern.corner = c.corner;
        if (rest[0] == QLatin1String("rows"))
            pattern.axis = WalkAxis::AlongRows;
        else if (rest[0] == QLatin1String("columns"))
            pattern.axis = WalkAxis::AlongColumns;
        else
            return std::nullopt;
        if (rest.size() == 2) {
            if (rest[1] == QLatin1String("snake"))
                pattern.style = WalkStyle::Snaking;
            else if (rest[1] != QLatin1String("straight"))
                return std::nullopt;
        }
        return pattern;
    }
    return std::nullopt;
}

QString walkPatternName(WalkPattern pattern)
{
    QString name;
    for (const CornerWord &c : corners)
        if (c.corner == pattern.corner)
            name = QString::fromLatin1(c.word);
    name += pattern.axis == WalkAxis::AlongRows ? QLatin1String("-rows") : QLatin1String("-columns");
    if (pattern.style == WalkStyle::Snaking)
        name += QLatin1String("-snake");
    return name;
}

int checkGridOptions(const QCommandLineParser &parser, Invocation &run)
{
    const QString name = QString::fromLatin1(run.command->name);
    if (!name.startsWith(QLatin1String("grid ")))
        return Done;
    GridOptions &grid = run.grid;
    auto set = [&](const char *option) { return parser.isSet(QString::fromLatin1(option)); };
    auto value = [&](const char *option) { return parser.value(QString::fromLatin1(option)); };

    if (set("walk")) {
        const std::optional<WalkPattern> walk = walkPatternNamed(value("walk"));
        if (!walk)
            return run.usage(CliWords::tr("--walk takes CORNER-AXIS or CORNER-AXIS-snake: CORNER top-left, top-right, "
                                          "bottom-left or bottom-right, AXIS rows or columns, e.g. bottom-right-columns-snake; "
                                          "'%1' is none.")
                                 .arg(value("walk")));
        grid.walkGiven = true;
        grid.walk = *walk;
    }
    qint64 number = 0;
    for (const auto &[option, target] : {std::pair<const char *, qint64 *>{"survey", &grid.survey},
                                         std::pair<const char *, qint64 *>{"loss-from", &grid.lossFrom}}) {
        if (!set(option))
            continue;
        if (!wholeNumber(value(option), 1, std::numeric_limits<qint64>::max(), &number))
            return run.usage(CliWords::tr("--%1 takes a survey's number (see survey list); '%2' is none.")
                                 .arg(QString::fromLatin1(option), value(option)));
        *target = number;
    }

    if (name == QLatin1String("grid define")) {
        grid.none = set("none");
        const bool shaped = set("rows") || set("columns") || set("pitch") || set("mask") || set("walk");
        if (grid.none)
            return shaped ? run.usage(CliWords::tr("grid define takes either the grid's shape or --none.")) : Done;
        if (!set("rows") || !set("columns"))
            return run.usage(CliWords::tr("grid define needs --rows R and --columns C (or --none)."));
        if (!wholeNumber(value("rows"), 1, GridLayout::MaxRows, &number))
            return run.usage(CliWords::tr("--rows takes 1 to %1 rows; '%2' is none.").arg(GridLayout::MaxRows).arg(value("rows")));
        grid.rows = int(number);
        if (!wholeNumber(value("columns"), 1, GridLayout::MaxColumns, &number))
            return run.usage(CliWords::tr("--columns takes 1 to %1 columns (A to ZZ); '%2' is none.")
                                 .arg(GridLayout::MaxColumns)
                                 .arg(value("columns")));
        grid.columns = int(number);
        if (set("pitch") && !positiveNumber(value("pitch"), &grid.pitchMm))
            return run.usage(CliWords::tr("--pitch takes the distance between cells in mm, above zero; '%1' is none.")
                                 .arg(value("pitch")));
        if (set("mask")) {
            QString bad;
            if (!GridLayout(grid.rows, grid.columns).cellsFromText(value("mask"), &grid.masked, &bad))
                return run.usage(CliWords::tr("--mask: '%1' is no cell of a grid of %2 rows by %3 columns (A1 to %4).")
                                     .arg(bad)
                                     .arg(grid.rows)
                                     .arg(grid.columns)
                                     .arg(GridLayout::cellName(GridCell{grid.rows, grid.columns - 1})));
        }
        return Done;
    }

    if (!grid.survey && name == QLatin1String("grid place"))
        return run.usage(CliWords::tr("grid place needs --survey ID (see survey list)."));
    if (set("from")) {
        grid.from = GridLayout::parseCellName(value("from"));
        if (!grid.from.isValid())
            return run.usage(CliWords::tr("--from takes a cell, e.g. B12; '%1' is none.").arg(value("from")));
    }
    if (run.places.byName && (grid.walkGiven || grid.from.isValid()))
        return run.usage(CliWords::tr("grid place takes --by-name, or a walk (--walk, --from), not both."));

    grid.png = value("png");
    if (set("png") && grid.png.trimmed().isEmpty())
        return run.usage(CliWords::tr("--png takes the PNG file to write."));
    if (set("blocks")) {
        static const QRegularExpression blocks(QStringLiteral("^\\s*(\\d{1,3})\\s*(?:[xX×]\\s*(\\d{1,2})\\s*)?$"));
        const QRegularExpressionMatch m = blocks.match(value("blocks"));
        grid.blockRows = m.hasMatch() ? m.captured(1).toInt() : 0;
        grid.blockColumns = m.hasMatch() ? m.captured(2).toInt() : 0; // none given: whole rows
        if (grid.blockRows < 1 || (!m.captured(2).isEmpty() && grid.blockColumns < 1))
            return run.usage(CliWords::tr("--blocks takes rows x columns of cells, e.g. 2x3 (or 2 for whole rows); "
                                          "'%1' is none.")
                                 .arg(value("blocks")));
    }
    grid.cells = value("cells"); // read against the grid's shape once it is known
    if (set("cells") && grid.cells.trimmed().isEmpty())
        return run.usage(CliWords::tr("--cells takes cells and ranges of the grid, e.g. B2:D9,F3."));
    if (set("area") && !positiveNumber(value("area"), &grid.areaM2))
        return run.usage(CliWords::tr("--area takes the whole area in square metres, above zero; '%1' is none.")
                             .arg(value("area")));
    return Done;
}

} // namespace Cli
