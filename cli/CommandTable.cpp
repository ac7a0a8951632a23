#include "cli/CommandTable.h"

#include "cli/Invocation.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace Cli {

using CliOutput::Format;

namespace {

constexpr Writes anyFormat = Written::Csv | Written::Xlsx | Written::Xls | Written::Json;
const char *const listFormats =
    QT_TRANSLATE_NOOP("CliWords", "this command prints a table, or csv or json with --format.");

// In the order of the help's "Commands:" section. Each: its name, whether it needs a gauge,
// its arguments (least, most, the error for too few), its options, whether -o is required,
// the formats --format may name, the usage errors of a format (refused, -o's suffix unknown,
// a workbook to standard output), where a PDF goes and the error for another file, and its
// synopsis and lines of help.
const Command table[] = {
    {"list", true, 0, 0, nullptr, {}, false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr, "list",
     "  list                       the gauges attached: path and serial\n"},
    {"info", true, 0, 0, nullptr, {}, false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr, "info",
     "  info                       serial, firmware, meter type, layout and units\n"},
    {"read", true, 0, 0, nullptr, Option::Output | Option::Format, true, anyFormat, nullptr,
     QT_TRANSLATE_NOOP("CliWords", "cannot tell the format of '%1' from its suffix: give --format csv, xlsx, xls or json."),
     QT_TRANSLATE_NOOP("CliWords", "standard output takes csv or json."), Pdf::No, nullptr, "read -o FILE [--format F]",
     "  read -o FILE [--format F]  downloads the stored records; F is csv, xlsx, xls or json\n"
     "                             (by default from FILE's suffix); -o - writes CSV (or\n"
     "                             JSON lines with --format json) to standard output\n"},
    {"watch", true, 0, 0, nullptr, Option::Format, false, Written::Csv | Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "watch prints csv or json."), nullptr, nullptr, Pdf::No, nullptr, "watch [--format csv|json]",
     "  watch [--format csv|json]  prints each measurement the gauge sends as one line,\n"
     "                             until interrupted (Ctrl+C); settings changes go to\n"
     "                             standard error\n"},
    {"walk", true, 0, 0, nullptr,
     Option::Store | Option::Route | Option::Asset | Option::AcceptAll | Option::Tolerance | Option::Inspector, false,
     {}, nullptr, nullptr, nullptr, Pdf::No, nullptr,
     "walk --route ROUTE | --asset PATH [--accept-all] [--tolerance MM] [--inspector NAME]",
     "  walk --route ROUTE | --asset PATH [--accept-all] [--tolerance MM]\n"
     "          [--inspector NAME]\n"
     "                             walks the route's CMLs (or the asset's own, by tag)\n"
     "                             with the gauge: each stop as it is reached, each\n"
     "                             reading judged at once against the CML's history.\n"
     "                             Keys: a or Enter accept, r measure again, s skip\n"
     "                             (then the reason's digit), b back, u undo, q quit;\n"
     "                             one per line when standard input is no terminal.\n"
     "                             --accept-all accepts every reading (scripts). The\n"
     "                             readings go to the survey store. Exit 0 when every\n"
     "                             stop is done, 1 when quit or the gauge is gone\n"},
    {"report", true, 0, 0, nullptr, Option::Output, true, {}, nullptr, nullptr, nullptr, Pdf::Only,
     QT_TRANSLATE_NOOP("CliWords", "the report is a PDF file: give -o FILE.pdf."), "report -o FILE.pdf",
     "  report -o FILE.pdf         an inspection report of the stored records\n"},
    {"history", false, 0, 0, nullptr, Option::Format | Option::Store, false, Written::Csv | Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "history prints csv or json."), nullptr, nullptr, Pdf::No, nullptr,
     "history [--format csv|json]",
     "  history [--format csv|json]\n"
     "                             the sessions kept in the survey store, newest first:\n"
     "                             id, start, gauge serial, meter type, layout, rows\n"
     "                             (deleted ones and ones cleared unsaved not counted),\n"
     "                             and how many of them were exported\n"},
    {"export", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "export needs the session to export."),
     Option::Output | Option::Format | Option::Store, true, anyFormat, nullptr,
     QT_TRANSLATE_NOOP("CliWords", "cannot tell the format of '%1' from its suffix: give --format csv, xlsx, xls or json."),
     QT_TRANSLATE_NOOP("CliWords", "standard output takes csv or json."), Pdf::No, nullptr,
     "export SESSION -o FILE [--format F]",
     "  export SESSION -o FILE [--format F]\n"
     "                             one session of the survey store (see history) without\n"
     "                             its deleted rows, written as read writes records\n"},
    {"compare", false, 2, -1, QT_TRANSLATE_NOOP("CliWords", "compare needs at least two sessions (see history)."),
     Option::Output | Option::Format | Option::Store | Option::Tmin | Option::Interval | Option::Layer
         | Option::AnyGauge,
     false, Written::Csv | Written::Xlsx | Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "compare prints a table (or csv or json with --format), and writes csv, xlsx, json or pdf "
                              "to -o FILE."),
     QT_TRANSLATE_NOOP("CliWords", "cannot tell the format of '%1' from its suffix: give --format csv, xlsx or json, or "
                              "a .pdf file."),
     QT_TRANSLATE_NOOP("CliWords", "compare prints a table (or csv or json with --format), and writes csv, xlsx, json or pdf "
                              "to -o FILE."),
     Pdf::Also, nullptr,
     "compare SESSION SESSION... [-o FILE] [--tmin T] [--interval YEARS] [--layer N] [--any-gauge]",
     "  compare SESSION SESSION... [-o FILE] [--tmin T] [--interval YEARS] [--layer N]\n"
     "          [--any-gauge]\n"
     "                             the same locations in two or more sessions: wall loss,\n"
     "                             long-term, short-term and governing corrosion rate,\n"
     "                             remaining life down to the minimum thickness T (in the\n"
     "                             newest session's unit, or e.g. 0.25inch) and the next\n"
     "                             inspection date (half the life, at most YEARS, default\n"
     "                             5). A table on standard output; -o writes csv, xlsx,\n"
     "                             json or pdf by FILE's suffix (-o - csv or json). The\n"
     "                             location is the record's name (multi layer; --layer N\n"
     "                             picks layer 1-3) or its number, its place in the\n"
     "                             gauge's memory (single layer; measurements the gauge\n"
     "                             pushed have none and are left out). Sessions of\n"
     "                             different gauges are refused (exit 1) unless\n"
     "                             --any-gauge is given\n"},
    {"assets", false, 0, 0, nullptr, Option::Format | Option::Store, false, Written::Csv | Written::Json, listFormats,
     nullptr, nullptr, Pdf::No, nullptr, "assets [--format csv|json]",
     "  assets [--format csv|json]\n"
     "                             the asset tree of the survey store: path, kind\n"
     "                             (site, unit, equipment, circuit, other), description\n"
     "                             and the number of CMLs\n"},
    {"asset report", false, 0, 0, nullptr, Option::Output | Option::Format | Option::Store | Option::Asset, true,
     Written::Csv | Written::Xlsx, QT_TRANSLATE_NOOP("CliWords", "asset report writes pdf, xlsx or csv."),
     QT_TRANSLATE_NOOP("CliWords", "cannot tell the format of '%1' from its suffix: give --format csv or xlsx, or a .pdf "
                              "file."),
     QT_TRANSLATE_NOOP("CliWords", "standard output takes csv."), Pdf::Also, nullptr,
     "asset report [--asset PATH] -o FILE [--format F]",
     "  asset report [--asset PATH] -o FILE [--format F]\n"
     "                             the CMLs of PATH and the assets under it (else of\n"
     "                             every asset) judged over time, worst first: required\n"
     "                             thickness, rates, remaining life and next inspection.\n"
     "                             FILE.pdf: a report per circuit with trends and the\n"
     "                             design formulas; .xlsx or .csv: one table (-o - csv)\n"},
    {"cml list", false, 0, 0, nullptr, Option::Format | Option::Store | Option::Asset, false,
     Written::Csv | Written::Json, listFormats, nullptr, nullptr, Pdf::No, nullptr,
     "cml list [--asset PATH] [--format csv|json]",
     "  cml list [--asset PATH] [--format csv|json]\n"
     "                             the CMLs (condition monitoring locations), of PATH and\n"
     "                             the assets under it if given: asset path, tag,\n"
     "                             description, nominal, minimum, corrosion allowance,\n"
     "                             material, readings, the last reading and its date\n"},
    {"cml add", false, 2, 2, QT_TRANSLATE_NOOP("CliWords", "cml add needs the asset path and the CML's tag."),
     Option::Store | Option::Nominal | Option::Minimum | Option::Allowance | Option::Material | Option::Description,
     false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr,
     "cml add PATH TAG [--nominal X] [--minimum X] [--allowance X] [--material M] [--description D]",
     "  cml add PATH TAG [--nominal X] [--minimum X] [--allowance X] [--material M]\n"
     "          [--description D]\n"
     "                             a CML under the asset PATH (e.g. Site/Unit/V-101);\n"
     "                             assets of PATH not yet there are made: site, unit,\n"
     "                             equipment, circuit by their depth\n"},
    {"cml import", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "cml import needs the CSV file to import."), Option::Store,
     false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr, "cml import FILE.csv",
     "  cml import FILE.csv        CMLs from a CSV file (columns asset_path, tag,\n"
     "                             description, nominal, minimum, corrosion_allowance,\n"
     "                             material, notes); a CML already there takes the\n"
     "                             file's fields. A bad line refuses the whole file\n"},
    {"cml export", false, 0, 0, nullptr, Option::Output | Option::Store | Option::Asset, true, {}, nullptr, nullptr,
     nullptr, Pdf::No, nullptr, "cml export [--asset PATH] -o FILE",
     "  cml export [--asset PATH] -o FILE\n"
     "                             the CMLs as a CSV file cml import reads (-o - to\n"
     "                             standard output)\n"},
    {"readings import", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "readings import needs the CSV file to import."),
     Option::Store, false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr, "readings import FILE.csv",
     "  readings import FILE.csv   readings of CMLs already in the file (columns\n"
     "                             asset_path, tag, date, unit, thickness_1, velocity_1,\n"
     "                             thickness_2, velocity_2, thickness_3, velocity_3,\n"
     "                             flags, comment), one survey per day. A bad line or an\n"
     "                             unknown CML refuses the whole file\n"},
    {"readings export", false, 0, 0, nullptr, Option::Output | Option::Store | Option::Asset, true, {}, nullptr, nullptr,
     nullptr, Pdf::No, nullptr, "readings export [--asset PATH] -o FILE",
     "  readings export [--asset PATH] -o FILE\n"
     "                             the readings assigned to CMLs as a CSV file readings\n"
     "                             import reads (-o - to standard output)\n"},
    {"route list", false, 0, 0, nullptr, Option::Format | Option::Store, false, Written::Csv | Written::Json,
     listFormats, nullptr, nullptr, Pdf::No, nullptr, "route list [--format csv|json]",
     "  route list [--format csv|json]\n"
     "                             the routes: name, number of CMLs, notes\n"},
    {"route add", false, 2, -1,
     QT_TRANSLATE_NOOP("CliWords", "route add needs the route's name and the tags of its CMLs in walking order."),
     Option::Store | Option::Asset, false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr,
     "route add NAME TAG... [--asset PATH]",
     "  route add NAME TAG... [--asset PATH]\n"
     "                             a route through the CMLs of the tags, in that order;\n"
     "                             a tag is looked up under PATH, or must be unique in\n"
     "                             the file\n"},
    {"route show", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "route show needs the route's name (see route list)."),
     Option::Format | Option::Store, false, Written::Csv | Written::Json, listFormats, nullptr, nullptr, Pdf::No,
     nullptr, "route show NAME [--format csv|json]",
     "  route show NAME [--format csv|json]\n"
     "                             the route's CMLs in walking order, with their paths\n"},
    {"assign", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "assign needs the survey (see survey list)."),
     Option::Format | Option::Store | Option::ByName | Option::Route | Option::Undo, false, Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "assign prints text, or json with --format json."), nullptr, nullptr, Pdf::No,
     nullptr, "assign SESSION (--by-name | --route ROUTE | --undo) [--format json]",
     "  assign SESSION (--by-name | --route ROUTE | --undo) [--format json]\n"
     "                             gives the readings of the session (a survey, see\n"
     "                             survey list) their CMLs: by name, each reading to\n"
     "                             the CML of its name (multi layer); by route, the\n"
     "                             route's CMLs in order. Prints each reading's CML,\n"
     "                             the names without one and the readings left without\n"
     "                             one; --undo takes back the session's last assignment\n"},
    {"survey list", false, 0, 0, nullptr, Option::Format | Option::Store, false, Written::Csv | Written::Json,
     listFormats, nullptr, nullptr, Pdf::No, nullptr, "survey list [--format csv|json]",
     "  survey list [--format csv|json]\n"
     "                             the surveys (sessions with readings), newest first:\n"
     "                             id, date, gauge serial, asset path, route, inspector,\n"
     "                             readings and how many are assigned\n"},
    {"due", false, 0, 0, nullptr, Option::Format | Option::Store | Option::Asset | Option::Before, false,
     Written::Csv | Written::Json, listFormats, nullptr, nullptr, Pdf::No, nullptr,
     "due [--before DATE] [--asset PATH] [--format csv|json]",
     "  due [--before DATE] [--asset PATH] [--format csv|json]\n"
     "                             the CMLs judged over their readings, worst first: asset\n"
     "                             path, tag, unit, the newest counted thickness, the\n"
     "                             required thickness, the governing corrosion rate and\n"
     "                             which rate it is, remaining life (inf: not thinning),\n"
     "                             next inspection date, state and undecided marks. With\n"
     "                             --before, only those due before DATE (YYYY-MM-DD, UTC)\n"},
    {"cml show", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "cml show needs the CML's tag."),
     Option::Format | Option::Store | Option::Asset, false, Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "cml show prints text, or json with --format json."), nullptr, nullptr, Pdf::No,
     nullptr, "cml show TAG [--asset PATH] [--format json]",
     "  cml show TAG [--asset PATH] [--format json]\n"
     "                             one CML judged: its design inputs, required thickness\n"
     "                             and formula, every reading with its quality mark and\n"
     "                             the decision on it, long-term, short-term and\n"
     "                             regression rates (with its 95 % interval), the\n"
     "                             governing rate and why, remaining life, next date\n"},
    {"cml design", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "cml design needs the CML's tag."),
     Option::Store | Option::Asset | Option::Formula | Option::Design | Option::Minimum, false, {}, nullptr, nullptr,
     nullptr, Pdf::No, nullptr, "cml design TAG --asset PATH --formula F [inputs as for tmin] [--minimum X]",
     "  cml design TAG --asset PATH --formula F [inputs as for tmin] [--minimum X]\n"
     "                             sets the CML's design inputs (F: b31.3, ug27, api653,\n"
     "                             or none to remove them) and with --minimum its\n"
     "                             structural minimum, in its readings' unit. Inputs the\n"
     "                             formula refuses are not stored (exit 2, with why)\n"},
    {"tmin", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "tmin needs the formula: b31.3, ug27 or api653."),
     Option::Format | Option::Design | Option::Minimum, false, Written::Json,
     QT_TRANSLATE_NOOP("CliWords", "tmin prints text, or json with --format json."), nullptr, nullptr, Pdf::No, nullptr,
     "tmin b31.3|ug27|api653 --P P --S S --E E ... [--minimum X] [--format json]",
     "  tmin b31.3|ug27|api653 --P P --S S --E E ... [--minimum X] [--format json]\n"
     "                             the required thickness by a design formula, with the\n"
     "                             formula and its figures. Each input is a number with\n"
     "                             its unit: pressures P, S in MPa, psi or bar (--P 2MPa\n"
     "                             --S 138MPa), lengths D, R, c, H in mm, in, m or ft\n"
     "                             (--D 168.3mm --c 1.5mm), temperature in C or F\n"
     "                             (--temp 300C); factors E, W, Y and G plain (--E 1).\n"
     "                             b31.3 (straight pipe): P D S E [W=1] [c=0] and Y or\n"
     "                             --temp with --group ferritic|austenitic|other|cast-iron;\n"
     "                             ug27 (shell): P R S E [c]; api653 (tank course): H D G\n"
     "                             S E [c]. The result is in inch when the lengths are in\n"
     "                             in or ft, else in mm; --minimum X adds a structural\n"
     "                             minimum in that unit. Inputs refused (missing,\n"
     "                             negative, outside the formula's validity): exit 2\n"},
    {"grid define", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "grid define needs the CML's tag."),
     Option::Store | Option::Asset | Option::GridShape | Option::Walk, false, {}, nullptr, nullptr, nullptr, Pdf::No,
     nullptr, "grid define TAG [--asset PATH] (--rows R --columns C [--pitch MM] [--mask CELLS] [--walk W] | --none)",
     "  grid define TAG [--asset PATH] --rows R --columns C [--pitch MM]\n"
     "          [--mask CELLS] [--walk W] | --none\n"
     "                             makes the CML a grid survey area of R rows (1-999)\n"
     "                             by C columns (1-52: A-Z, then AA, BB ... ZZ), cells\n"
     "                             named column then row (B12). --pitch: mm between\n"
     "                             cells; --mask: cells not measured, e.g. A1,B2:C4;\n"
     "                             --walk: the order readings without a cell name fill\n"
     "                             it, CORNER-AXIS[-snake], CORNER top-left, top-right,\n"
     "                             bottom-left or bottom-right, AXIS rows or columns\n"
     "                             (default top-left-rows; -snake runs each line back\n"
     "                             along the one before). --none: no longer a grid\n"},
    {"grid place", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "grid place needs the CML's tag."),
     Option::Store | Option::Asset | Option::Survey | Option::ByName | Option::Walk | Option::From, false, {}, nullptr,
     nullptr, nullptr, Pdf::No, nullptr, "grid place TAG --survey ID [--asset PATH] (--by-name | [--walk W] [--from CELL])",
     "  grid place TAG --survey ID [--asset PATH] (--by-name | [--walk W]\n"
     "          [--from CELL])\n"
     "                             puts the readings of survey ID (see survey list) not\n"
     "                             yet on another CML in the grid's cells: --by-name each\n"
     "                             in the cell its name is (multi layer); else in the\n"
     "                             order taken along the grid's walk from its first\n"
     "                             cell or CELL, masked cells passed over (--walk W\n"
     "                             becomes the grid's walk first). Prints how many were\n"
     "                             placed and how many were left over\n"},
    {"grid show", false, 1, 1, QT_TRANSLATE_NOOP("CliWords", "grid show needs the CML's tag."),
     Option::Format | Option::Store | Option::Asset | Option::Survey | Option::GridView, false,
     Written::Csv | Written::Json, QT_TRANSLATE_NOOP("CliWords", "grid show prints a table, or csv or json with --format."),
     nullptr, nullptr, Pdf::No, nullptr,
     "grid show TAG [--asset PATH] [--survey ID] [--loss-from ID] [--png FILE] [--format csv|json] [--blocks RxC] "
     "[--cells CELLS] [--area M2]",
     "  grid show TAG [--asset PATH] [--survey ID] [--loss-from ID] [--png FILE]\n"
     "          [--format csv|json] [--blocks RxC] [--cells CELLS] [--area M2]\n"
     "                             a grid's values in survey ID (default the newest):\n"
     "                             rows down, columns across, blank unmeasured, #\n"
     "                             masked, each row's minimum at its end and each\n"
     "                             column's in the last line, the thinnest cell named;\n"
     "                             --loss-from ID: the wall loss since that survey.\n"
     "                             Below, the thinnest wall expected over the area\n"
     "                             (extreme values of blocks of R x C cells, default a\n"
     "                             row each, of the CELLS given, default all, over M2\n"
     "                             square metres, default the grid's own) with its\n"
     "                             95 % interval, or why there is none.\n"
     "                             --png FILE: the grid's colour map as a PNG image\n"},
    {"team status", false, 0, 0, nullptr, Option::Store | Option::Team, false, {}, nullptr, nullptr, nullptr, Pdf::No,
     nullptr, "team status [--team CONN]",
     "  team status [--team CONN]  the team server: who you are there (inspector or\n"
     "                             engineer), what it holds, what this survey file has\n"
     "                             that it lacks, and conflicts waiting for a choice\n"},
    {"team publish", false, 0, 0, nullptr, Option::Store | Option::Team, false, {}, nullptr, nullptr, nullptr, Pdf::No,
     nullptr, "team publish [--team CONN]",
     "  team publish [--team CONN] sends the survey file's assets, CMLs, routes, surveys\n"
     "                             and the readings the server lacks; stopped, it goes\n"
     "                             on where it stopped the next time\n"},
    {"team sync", false, 0, 0, nullptr, Option::Store | Option::Team, false, {}, nullptr, nullptr, nullptr, Pdf::No,
     nullptr, "team sync [--team CONN]",
     "  team sync [--team CONN]    brings the team's register and the others' surveys\n"
     "                             into the survey file (made when missing); CMLs\n"
     "                             changed here and there are listed, not overwritten\n"},
    {"team resolve", false, 1, 1,
     QT_TRANSLATE_NOOP("CliWords", "team resolve needs the CML as PATH/TAG (team sync lists the conflicts)."),
     Option::Store | Option::Team | Option::Keep, false, {}, nullptr, nullptr, nullptr, Pdf::No, nullptr,
     "team resolve PATH/TAG --keep mine|theirs [--team CONN]",
     "  team resolve PATH/TAG --keep mine|theirs [--team CONN]\n"
     "                             settles a conflict on the CML: this file's fields\n"
     "                             (mine, engineers only) or the server's (theirs)\n"
     "                             for both; the choice is logged on the server\n"},
};

const char *const introduction =
    "Reads the ultrasonic thickness gauge from a terminal or a script; no display needed.\n"
    "\n"
    "Commands:\n";

const char *const closing =
    "\n"
    "The survey store is the file of --store, else $PALVARIN_STORE, else the window\n"
    "program's own; history, export, compare, due and asset report only read it,\n"
    "assets, cml, readings, route, assign, survey and grid read or change its places;\n"
    "none of them needs a gauge, and tmin needs neither. walk keeps its readings there.\n"
    "team shares it with the team's PostgreSQL server.\n"
    "\n"
    "JSON lines: one object per record; a value out of range is null and its key is listed\n"
    "in \"outOfRange\". CSV: a value out of range is an empty field, named in the last column.\n"
    "\n"
    "Exit codes: 0 done, 1 failed (standard error says why), 2 usage or a CSV file\n"
    "refused (standard error names its line), 3 no gauge (none attached, none with the\n"
    "serial given, or the window program holds it) or, for team, no server reached.";

// Every option but --help and --version, in the order of the help.
struct OptionEntry
{
    bool everyCommand; // else only the commands that list `option`
    Option option;
    const char *name;
    const char *alias;
    const char *description;
    const char *value;
};

const OptionEntry optionTable[] = {
    {true, {}, "demo", nullptr, "Use the emulated gauge instead of a real one.", nullptr},
    {true, {}, "demo-config", nullptr, "Use an emulated gauge set up by the INI <file>.", "file"},
    {true, {}, "serial", nullptr, "Use the gauge with this USB <serial> (see list).", "serial"},
    {true, {}, "trace", nullptr, "Write every HID report sent and received to <file>.", "file"},
    {false, Option::Output, "o", "output", "Write to <file> (- is standard output).", "file"},
    {false, Option::Format, "format", nullptr, "csv, xlsx, xls or json.", "format"},
    {false, Option::Store, "store", nullptr,
     "The survey store the command reads or changes (default: $PALVARIN_STORE, else surveys.sqlite in the "
     "user's data folder).",
     "file"},
    {false, Option::Tmin, "tmin", nullptr,
     "compare: the minimum thickness <T>, in the newest session's unit (or with its unit, e.g. 0.25inch).", "T"},
    {false, Option::Interval, "interval", nullptr,
     "compare: the longest time between inspections, in <years> (default 5).", "years"},
    {false, Option::Layer, "layer", nullptr, "compare: the layer <n> (1-3) of multi-layer sessions (default 1).", "n"},
    {false, Option::AnyGauge, "any-gauge", nullptr, "compare: compare sessions of different gauges too.", nullptr},
    {false, Option::Asset, "asset", nullptr, "The asset <path>: its tags from the top down joined by '/'.", "path"},
    {false, Option::Nominal, "nominal", nullptr, "cml add: the nominal thickness <x>.", "x"},
    {false, Option::Minimum, "minimum", nullptr,
     "cml add, cml design, tmin: the required (structural) minimum thickness <x>.", "x"},
    {false, Option::Allowance, "allowance", nullptr, "cml add: the corrosion allowance <x>.", "x"},
    {false, Option::Material, "material", nullptr, "cml add: the <material>.", "material"},
    {false, Option::Description, "description", nullptr, "cml add: the CML's <text>.", "text"},
    {false, Option::ByName, "by-name", nullptr,
     "assign: each reading to the CML its name is the tag of; grid place: to the cell its name is.", nullptr},
    {false, Option::Route, "route", nullptr,
     "assign, walk: the <route> walked; its CMLs take the readings in order.", "route"},
    {false, Option::Undo, "undo", nullptr, "assign: take back the survey's last assignment.", nullptr},
    {false, Option::AcceptAll, "accept-all", nullptr, "walk: accept every reading as it arrives; no keys read.",
     nullptr},
    {false, Option::Tolerance, "tolerance", nullptr,
     "walk: the expected band's half-width <mm> at least (default: the gauge's resolution).", "mm"},
    {false, Option::Inspector, "inspector", nullptr, "walk: the inspector's <name>, logged with each step.", "name"},
    {false, Option::GridShape, "rows", nullptr, "grid define: the grid's <rows>, 1-999.", "rows"},
    {false, Option::GridShape, "columns", nullptr, "grid define: the grid's <columns>, 1-52 (A-Z, AA-ZZ).", "columns"},
    {false, Option::GridShape, "pitch", nullptr, "grid define: the distance between cells in <mm>.", "mm"},
    {false, Option::GridShape, "mask", nullptr, "grid define: the <cells> not measured, e.g. A1,B2:C4.", "cells"},
    {false, Option::GridShape, "none", nullptr, "grid define: the CML is no longer a grid.", nullptr},
    {false, Option::Walk, "walk", nullptr,
     "grid define, grid place: the walk <pattern>, e.g. top-left-rows or bottom-right-columns-snake.", "pattern"},
    {false, Option::Survey, "survey", nullptr, "grid place, grid show: the survey <id> (see survey list).", "id"},
    {false, Option::From, "from", nullptr, "grid place: the <cell> the walk starts from.", "cell"},
    {false, Option::GridView, "loss-from", nullptr, "grid show: the wall loss since the survey <id>.", "id"},
    {false, Option::GridView, "png", nullptr, "grid show: write the grid's colour map to the PNG <file>.", "file"},
    {false, Option::GridView, "blocks", nullptr,
     "grid show: blocks of <RxC> cells for the thinnest wall expected (default: a row each).", "RxC"},
    {false, Option::GridView, "cells", nullptr,
     "grid show: only these <cells> count for the thinnest wall expected, e.g. B2:D9,F3.", "cells"},
    {false, Option::GridView, "area", nullptr,
     "grid show: the whole area in <m2> the thinnest wall is expected over (default: the grid's).", "m2"},
    {false, Option::Team, "team", nullptr,
     "team: the team server, as a libpq connection string or \"service=NAME\" (default: $PALVARIN_TEAM).",
     "conn"},
    {false, Option::Keep, "keep", nullptr, "team resolve: whose fields to keep, mine or theirs.", "side"},
    {false, Option::Before, "before", nullptr, "due: only the CMLs due before <date> (YYYY-MM-DD, UTC).", "date"},
    {false, Option::Formula, "formula", nullptr, "cml design: the formula <f>: b31.3, ug27, api653 or none.", "f"},
    {false, Option::Design, "P", nullptr, "tmin, cml design: the design pressure <p> with its unit, e.g. 2MPa.", "p"},
    {false, Option::Design, "D", nullptr, "tmin, cml design: the outside (tank: nominal) diameter <d>, e.g. 168.3mm.", "d"},
    {false, Option::Design, "R", nullptr, "tmin, cml design: the inside radius <r>, e.g. 900mm.", "r"},
    {false, Option::Design, "S", nullptr, "tmin, cml design: the allowable stress <s>, e.g. 138MPa.", "s"},
    {false, Option::Design, "E", nullptr, "tmin, cml design: the joint efficiency or quality factor <e>.", "e"},
    {false, Option::Design, "W", nullptr, "tmin, cml design: the weld strength reduction factor <w> (default 1).", "w"},
    {false, Option::Design, "Y", nullptr, "tmin, cml design: the coefficient <y> (else from --temp and --group).", "y"},
    {false, Option::Design, "c", nullptr, "tmin, cml design: the allowances <c>, e.g. 1.5mm (default 0).", "c"},
    {false, Option::Design, "G", nullptr, "tmin, cml design: the product's specific gravity <g>.", "g"},
    {false, Option::Design, "H", nullptr, "tmin, cml design: the fill height <h> of the course, e.g. 40ft.", "h"},
    {false, Option::Design, "temp", nullptr, "tmin, cml design: the design temperature <t>, e.g. 300C.", "t"},
    {false, Option::Design, "group", nullptr,
     "tmin, cml design: the material <group>: ferritic, austenitic, other or cast-iron.", "group"},
};

// The options of the tool; `only`: those a command takes (its own and the ones every command takes).
QList<QCommandLineOption> optionsOf(std::optional<Options> only)
{
    QList<QCommandLineOption> options;
    for (const OptionEntry &e : optionTable) {
        if (only && !e.everyCommand && !only->testFlag(e.option))
            continue;
        QStringList names{QString::fromLatin1(e.name)};
        if (e.alias)
            names << QString::fromLatin1(e.alias);
        options << QCommandLineOption(names, QString::fromLatin1(e.description),
                                      e.value ? QString::fromLatin1(e.value) : QString());
    }
    return options;
}

Written writtenOf(const Format &format)
{
    if (format.isJson())
        return Written::Json;
    switch (*format.table) {
    case ExportFormat::Csv: return Written::Csv;
    case ExportFormat::Xlsx: return Written::Xlsx;
    case ExportFormat::Xls: return Written::Xls;
    }
    return Written::Json;
}

QString generalHelpDescription()
{
    QString text = QString::fromLatin1(introduction);
    for (const Command &command : table)
        text += QString::fromLatin1(command.help);
    return text + QString::fromLatin1(closing);
}

// The options of the place commands: numbers checked here, as the other options' are.
int checkPlaceOptions(const QCommandLineParser &parser, Invocation &run)
{
    PlaceOptions &places = run.places;
    const std::pair<const char *, double *> numbers[] = {
        {"nominal", &places.nominal}, {"minimum", &places.minimum}, {"allowance", &places.allowance}};
    for (const auto &[name, value] : numbers) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option))
            continue;
        const QString given = parser.value(option);
        bool ok = false;
        *value = given.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(*value) || *value < 0)
            return run.usage(CliWords::tr("--%1 takes a thickness of zero or more, e.g. 6.35; '%2' is none.").arg(option, given));
    }
    places.asset = parser.value(QStringLiteral("asset"));
    places.assetGiven = parser.isSet(QStringLiteral("asset"));
    places.material = parser.value(QStringLiteral("material"));
    places.description = parser.value(QStringLiteral("description"));
    places.route = parser.value(QStringLiteral("route"));
    places.byName = parser.isSet(QStringLiteral("by-name"));
    places.undo = parser.isSet(QStringLiteral("undo"));
    if (qstrcmp(run.command->name, "assign") == 0
        && int(places.byName) + int(parser.isSet(QStringLiteral("route"))) + int(places.undo) != 1)
        return run.usage(CliWords::tr("assign takes one of --by-name, --route ROUTE or --undo."));
    return Done;
}

} // namespace

const Command *commandNamed(const QString &name)
{
    for (const Command &command : table)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

const Command *commandIn(const QStringList &positional, int *words)
{
    if (positional.size() >= 2)
        if (const Command *command = commandNamed(positional[0] + QLatin1Char(' ') + positional[1])) {
            if (words)
                *words = 2;
            return command;
        }
    if (words)
        *words = 1;
    return commandNamed(positional.value(0));
}

void addAllOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(generalHelpDescription());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(optionsOf(std::nullopt));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("<command>"));
}

QString commandHelp(const Command &command)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(command.help).chopped(1));
    parser.addHelpOption();
    parser.addOptions(optionsOf(command.options));
    const QString synopsis = QString::fromLatin1(command.synopsis);
    parser.addPositionalArgument(QString::fromLatin1(command.name), QString(), synopsis);
    QString text = parser.helpText();
    // The command is no argument to describe: its line says it all.
    const int arguments = text.indexOf(QLatin1String("\nArguments:\n"));
    if (arguments >= 0)
        text.truncate(arguments + 1);
    return text;
}

int checkOptions(const QCommandLineParser &parser, Invocation &run)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return run.usage(CliWords::tr("no command given."));
    int words = 1;
    run.command = commandIn(positional, &words);
    if (!run.command) {
        const QString group = positional.first();
        QStringList members; // the commands of a group named without one of them
        for (const Command &command : table)
            if (QString::fromLatin1(command.name).section(QLatin1Char(' '), 0, 0) == group
                && std::strchr(command.name, ' '))
                members << QString::fromLatin1(command.name).section(QLatin1Char(' '), 1);
        if (!members.isEmpty())
            return run.usage(CliWords::tr("%1 takes one of: %2.").arg(group, members.join(QStringLiteral(", "))));
        return run.usage(CliWords::tr("unknown command '%1'.").arg(group));
    }
    const Command &command = *run.command;
    const QString name = QString::fromLatin1(command.name);
    run.arguments = positional.mid(words);
    if (run.arguments.size() < command.leastArguments)
        return run.usage(CliWords::tr(command.tooFewArguments));
    if (command.mostArguments >= 0 && run.arguments.size() > command.mostArguments)
        return run.usage(CliWords::tr("unexpected argument '%1'.").arg(run.arguments.value(command.mostArguments)));

    for (const OptionEntry &e : optionTable) {
        const Option option = e.option;
        if (e.everyCommand || command.options.testFlag(option) || !parser.isSet(QString::fromLatin1(e.name)))
            continue;
        if (option == Option::Output)
            return run.usage(CliWords::tr("%1 takes no -o.").arg(name));
        if (option == Option::Format)
            return run.usage(CliWords::tr("%1 takes no --format.").arg(name));
        if (option == Option::Store)
            return run.usage(CliWords::tr("%1 takes no --store: it does not use the survey store.").arg(name));
        return run.usage(CliWords::tr("%1 takes no --%2.").arg(name, QString::fromLatin1(e.name)));
    }
    run.output = parser.value(QStringLiteral("o"));
    if (command.needsOutput && run.output.isEmpty())
        return run.usage(CliWords::tr("%1 needs -o FILE.").arg(name));

    // The format: named, else from the output's suffix where the command reads it.
    const QString formatName = parser.value(QStringLiteral("format"));
    if (parser.isSet(QStringLiteral("format"))) {
        run.format = CliOutput::formatNamed(formatName);
        if (!run.format)
            return run.usage(CliWords::tr("unknown format '%1': use csv, xlsx, xls or json.").arg(formatName));
        if (!(command.formats & writtenOf(*run.format)))
            return run.usage(CliWords::tr(command.formatRefused));
    }
    const bool pdf = QFileInfo(run.output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    if (command.pdf == Pdf::Only && !pdf)
        return run.usage(CliWords::tr(command.pdfRefused));
    const bool toTerminal = run.output.isEmpty() || run.toStandardOutput();
    if (command.suffixUnknown && !run.output.isEmpty()) {
        if (pdf && command.pdf == Pdf::Also) {
            if (run.format)
                return run.usage(CliWords::tr(command.formatRefused));
        } else if (!run.format) {
            run.format = run.toStandardOutput() ? std::optional<Format>(Format{ExportFormat::Csv})
                                                : CliOutput::formatOfPath(run.output);
            if (!run.format)
                return run.usage(CliWords::tr(command.suffixUnknown).arg(run.output));
            if (!(command.formats & writtenOf(*run.format)))
                return run.usage(CliWords::tr(command.formatRefused));
        }
    }
    if (command.stdoutRefused && toTerminal && run.format && !(writtenOf(*run.format) & (Written::Csv | Written::Json)))
        return run.usage(CliWords::tr(command.stdoutRefused));

    if (parser.isSet(QStringLiteral("tmin"))) {
        static const QRegularExpression thickness(
            QStringLiteral("^\\s*([0-9]*\\.?[0-9]+(?:[eE][-+]?[0-9]+)?)\\s*([A-Za-z]*)\\s*$"));
        const QString given = parser.value(QStringLiteral("tmin"));
        const QRegularExpressionMatch m = thickness.match(given);
        bool ok = m.hasMatch();
        const double value = ok ? m.captured(1).toDouble(&ok) : 0.0;
        if (!ok || !std::isfinite(value))
            return run.usage(CliWords::tr("--tmin takes a thickness, e.g. 8.5 or 0.25inch; '%1' is none.").arg(given));
        run.comparing.minimum = value;
        run.comparing.unit = m.captured(2);
    }
    if (parser.isSet(QStringLiteral("interval"))) {
        const QString given = parser.value(QStringLiteral("interval"));
        bool ok = false;
        run.comparing.intervalYears = given.toDouble(&ok);
        if (!ok || !(run.comparing.intervalYears > 0) || !std::isfinite(run.comparing.intervalYears))
            return run.usage(CliWords::tr("--interval takes a number of years above zero; '%1' is none.").arg(given));
    }
    if (parser.isSet(QStringLiteral("layer"))) {
        bool ok = false;
        run.layer = parser.value(QStringLiteral("layer")).toInt(&ok) - 1;
        if (!ok || run.layer < 0 || run.layer > 2)
            return run.usage(CliWords::tr("--layer takes 1, 2 or 3."));
    }
    run.anyGauge = parser.isSet(QStringLiteral("any-gauge"));
    if (const int code = checkPlaceOptions(parser, run))
        return code;
    if (const int code = checkJudgementOptions(parser, run))
        return code;
    if (const int code = checkWalkOptions(parser, run))
        return code;
    if (const int code = checkGridOptions(parser, run))
        return code;
    if (const int code = checkTeamOptions(parser, run))
        return code;
    run.serial = parser.value(QStringLiteral("serial"));
    return Done;
}

} // namespace Cli
