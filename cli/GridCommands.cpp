// The grid survey areas: a CML made a grid (grid define), a survey's readings put in its cells
// (grid place), and the grid shown as a table, CSV, JSON or a colour map (grid show). Every
// figure comes from the GridBook, as the window's map and the asset report have them.
#include "analysis/AnalysisWords.h"
#include "analysis/GridMap.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/DesignOptions.h"
#include "cli/GridOptions.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "export/CsvWriter.h"
#include "session/GridBook.h"
#include "session/GridFill.h"
#include "store/SurveyStore.h"

#include <cmath>

namespace Cli {

namespace {

// The map as a PNG: large enough for a 52-column grid's labels.
const QSize mapSize(1600, 1000);
constexpr double NaN = UnseenOptions::NaN;

QByteArray line(const QString &text)
{
    return text.toUtf8() + '\n';
}

QString cmlPath(Places &places, const Cml &cml)
{
    return places.assetPath(cml.asset) + QLatin1Char('/') + cml.tag;
}

QString shapeText(const GridDefinition &grid)
{
    const GridLayout &layout = grid.layout;
    QString text = CliWords::tr("%1 rows by %2 columns (A1 to %3)")
                       .arg(layout.rows())
                       .arg(layout.columns())
                       .arg(GridLayout::cellName(GridCell{layout.rows(), layout.columns() - 1}));
    if (layout.maskedCount())
        text += CliWords::tr(", %n cell(s) masked", nullptr, layout.maskedCount());
    if (std::isfinite(layout.pitchMm()))
        text += CliWords::tr(", pitch %1 mm").arg(QString::number(layout.pitchMm(), 'g', 6));
    return text + CliWords::tr(", walk %1").arg(walkPatternName(grid.walk));
}

// The CML of the command's tag that is a grid, with its definition; 0 once told why.
qint64 gridNamed(Invocation &run, Places &places, GridDefinition *grid)
{
    const qint64 id = cmlNamed(run, places, run.arguments.at(0));
    if (!id)
        return 0;
    const std::optional<GridDefinition> found = places.grid(id);
    if (!found) {
        if (places.problem() != Places::Problem::None)
            run.fail(CliWords::tr("cannot read the grid of %1 from %2.").arg(run.arguments.at(0), run.storePath));
        else
            run.fail(CliWords::tr("the CML %1 is not a grid; 'palvarin-cli grid define' makes it one.")
                         .arg(cmlPath(places, places.cml(id))));
        return 0;
    }
    *grid = *found;
    return id;
}

bool surveyKnown(Places &places, qint64 survey)
{
    for (const SurveyFacts &s : places.surveys())
        if (s.id == survey)
            return true;
    return false;
}

int gridDefine(Invocation &run, Places &places, const SurveyStore &store)
{
    const qint64 id = cmlNamed(run, places, run.arguments.at(0));
    if (!id)
        return Failed;
    const QString path = cmlPath(places, places.cml(id));
    const std::optional<GridDefinition> before = places.grid(id);
    const GridOptions &given = run.grid;
    GridDefinition grid; // an invalid layout: no longer a grid
    if (given.none && !before)
        return run.print(line(CliWords::tr("the CML %1 is no grid; nothing was changed.").arg(path)));
    if (!given.none) {
        grid.layout = GridLayout(given.rows, given.columns);
        grid.layout.setPitchMm(given.pitchMm);
        for (const GridCell &cell : given.masked)
            grid.layout.setMasked(cell, true);
        // A grid reshaped keeps the walk it was measured in unless another is named.
        grid.walk = given.walkGiven ? given.walk : before ? before->walk : WalkPattern();
    }
    if (!places.setGrid(id, grid))
        return placesFailed(run, places, store);
    if (given.none)
        return run.print(line(CliWords::tr("the CML %1 is no longer a grid; its readings keep their cells.").arg(path)));
    return run.print(line(CliWords::tr("the CML %1 is a grid of %2.").arg(path, shapeText(grid))));
}

int gridPlace(Invocation &run, Places &places, const SurveyStore &store)
{
    GridDefinition grid;
    const qint64 id = gridNamed(run, places, &grid);
    if (!id)
        return Failed;
    const qint64 survey = run.grid.survey;
    if (!surveyKnown(places, survey))
        return run.fail(CliWords::tr("there is no survey %1 with readings in %2; 'palvarin-cli survey list' lists them.")
                            .arg(survey)
                            .arg(run.storePath));
    const QString path = cmlPath(places, places.cml(id));
    if (run.places.byName) {
        const int placed = GridFill::placeByName(places, id, survey);
        if (placed < 0)
            return placesFailed(run, places, store);
        return run.print(line(CliWords::tr("%n reading(s) of survey %1 placed by name on %2.", nullptr, placed)
                                  .arg(survey)
                                  .arg(path)));
    }
    const GridCell from = run.grid.from;
    if (from.isValid() && (!grid.layout.contains(from) || grid.layout.isMasked(from)))
        return run.usage(CliWords::tr("--from: %1 is no cell to measure on %2 (%3).")
                             .arg(GridLayout::cellName(from), path, shapeText(grid)));
    if (run.grid.walkGiven && run.grid.walk != grid.walk) {
        grid.walk = run.grid.walk;
        if (!places.setGrid(id, grid))
            return placesFailed(run, places, store);
    }
    // In the order taken: those on no CML, and those already on this grid without a cell.
    QVector<qint64> keys;
    for (const PlaceReading &r : places.surveyReadings(survey))
        if (r.cml == 0 || (r.cml == id && !places.cell(r.key).isValid()))
            keys << r.key;
    const int placed = GridFill::placeInWalk(places, id, keys, from);
    if (placed < 0)
        return placesFailed(run, places, store);
    QString said = CliWords::tr("%n reading(s) of survey %1 placed on %2 in the walk %3", nullptr, placed)
                       .arg(survey)
                       .arg(path, walkPatternName(grid.walk));
    if (placed < keys.size())
        said += CliWords::tr("; %n left where they were: the walk reached its last cell", nullptr, int(keys.size()) - placed);
    return run.print(line(said + QLatin1Char('.')));
}

// ---- grid show ----

struct Shown
{
    QString path;
    const GridLayout *layout = nullptr;
    QString unit;
    int decimals = 2;
    GridQuantity quantity = GridQuantity::Thickness;
    qint64 survey = 0;   // 0: the grid has no readings
    qint64 lossFrom = 0;
    QVector<double> values;
    QVector<qint64> keys;
    GridSummary summary;
    UnseenMinimum unseen;
};

QString valueText(const Shown &s, double value)
{
    return std::isfinite(value) ? QString::number(value, 'f', s.decimals) : QString();
}

QString cellText(const Shown &s, int row, int column)
{
    const GridCell cell{row, column};
    if (s.layout->isMasked(cell))
        return QStringLiteral("#");
    return valueText(s, s.values.value((row - 1) * s.layout->columns() + column, NaN));
}

// Rows down and columns across, each row's worst value at its end, each column's below.
QList<QStringList> gridTable(const Shown &s, const QString &rowTitle, const QString &worstTitle)
{
    QList<QStringList> table{{rowTitle}};
    for (int c = 0; c < s.layout->columns(); ++c)
        table.first() << GridLayout::columnLabel(c);
    table.first() << worstTitle;
    for (int r = 1; r <= s.layout->rows(); ++r) {
        QStringList row{QString::number(r)};
        for (int c = 0; c < s.layout->columns(); ++c)
            row << cellText(s, r, c);
        table << (row << valueText(s, s.summary.rows.value(r - 1).value));
    }
    QStringList last{worstTitle};
    for (int c = 0; c < s.layout->columns(); ++c)
        last << valueText(s, s.summary.columns.value(c).value);
    table << (last << valueText(s, s.summary.worst.value));
    return table;
}

QString worstTitle(const Shown &s)
{
    return s.quantity == GridQuantity::WallLoss ? CliWords::tr("MAX") : CliWords::tr("MIN");
}

QString areaText(double area, bool inCells)
{
    if (std::isnan(area))
        return QStringLiteral("-");
    return inCells ? CliWords::tr("%1 cells").arg(QString::number(area, 'g', 6))
                   : CliWords::tr("%1 m²").arg(QString::number(area, 'g', 4));
}

QStringList unseenLines(const Shown &s)
{
    const UnseenMinimum &u = s.unseen;
    const ThinnestWallEstimate &e = u.estimate;
    QStringList out;
    if (e.ok())
        out << CliWords::tr("thinnest spot expected over the area: %1 %2 (95 %: %3 to %4)")
                   .arg(valueText(s, e.thinnest), s.unit, valueText(s, e.lower), valueText(s, e.upper));
    else
        out << findingText(e.loss.refusal);
    out << CliWords::tr("  from %n block(s) of up to %1 cells each (%2) over %3,", nullptr, u.blocks)
               .arg(u.cellsPerBlock)
               .arg(areaText(u.blockArea, u.areasInCells), areaText(u.totalArea, u.areasInCells));
    const QString reference = QStringLiteral("%1 %2").arg(valueText(s, e.reference), s.unit);
    out << (u.referenceIsNominal ? CliWords::tr("  losses counted from the nominal %1; %n cell(s) measured", nullptr, u.measuredCells)
                                 : CliWords::tr("  losses counted from the thickest reading %1; %n cell(s) measured", nullptr,
                                                u.measuredCells))
                   .arg(reference);
    return out;
}

QByteArray showText(const Shown &s)
{
    QStringList out;
    out << CliWords::tr("grid %1, %2 rows by %3 columns").arg(s.path).arg(s.layout->rows()).arg(s.layout->columns());
    if (!s.survey) {
        out << CliWords::tr("no readings on the grid yet.");
    } else {
        out << (s.lossFrom ? CliWords::tr("wall loss in %1 from survey %2 to survey %3").arg(s.unit).arg(s.lossFrom).arg(s.survey)
                           : CliWords::tr("thickness in %1, survey %2").arg(s.unit).arg(s.survey));
    }
    QVector<bool> right(s.layout->columns() + 2, true);
    right[0] = false;
    out << QString::fromUtf8(CliOutput::alignedText(gridTable(s, QString(), worstTitle(s)), right)).chopped(1);
    const GridExtreme &worst = s.summary.worst;
    if (worst.isValid())
        out << (s.quantity == GridQuantity::WallLoss ? CliWords::tr("deepest loss: %1 %2 at %3")
                                                     : CliWords::tr("thinnest: %1 %2 at %3"))
                   .arg(valueText(s, worst.value), s.unit, GridLayout::cellName(worst.cell));
    out << CliWords::tr("%n cell(s) measured", nullptr, s.summary.measured);
    out << QString() << unseenLines(s);
    return (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QByteArray showCsv(const Shown &s)
{
    WorkbookTable table;
    const QList<QStringList> lines = gridTable(s, QStringLiteral("row"), QStringLiteral("min"));
    table.headers = lines.first();
    if (s.quantity == GridQuantity::WallLoss)
        table.headers.last() = QStringLiteral("max");
    table.outOfRangeColumn = false;
    for (int i = 1; i < lines.size(); ++i) {
        QVector<WorkbookCell> cells;
        for (const QString &text : lines[i])
            cells << (text.isEmpty() ? WorkbookCell() : WorkbookCell::ofText(text));
        table.rows << cells;
    }
    if (s.quantity == GridQuantity::WallLoss)
        table.rows.last().first() = WorkbookCell::ofText(QStringLiteral("max"));
    QByteArray out;
    CsvWriter::appendTo(out, table);
    return out;
}

// A value as the table shows it (the grid's decimals), null when not measured.
void addValue(CliOutput::JsonLine &line, const char *key, const Shown &s, double value)
{
    if (std::isfinite(value))
        line.digits(key, QByteArray::number(value, 'f', s.decimals));
    else
        line.null(key);
}

QByteArray extremeJson(const Shown &s, const GridExtreme &e)
{
    if (!e.isValid())
        return "null";
    CliOutput::JsonLine line;
    line.text("cell", GridLayout::cellName(e.cell));
    addValue(line, "value", s, e.value);
    return line.object();
}

QByteArray showJson(const Shown &s)
{
    CliOutput::JsonLine out;
    out.text("cml", s.path).number("rows", s.layout->rows()).number("columns", s.layout->columns()).text("unit", s.unit);
    out.text("quantity", s.quantity == GridQuantity::WallLoss ? QStringLiteral("wall-loss") : QStringLiteral("thickness"));
    s.survey ? out.number("survey", s.survey) : out.null("survey");
    s.lossFrom ? out.number("loss_from", s.lossFrom) : out.null("loss_from");
    QByteArrayList cells;
    for (int r = 1; r <= s.layout->rows(); ++r)
        for (int c = 0; c < s.layout->columns(); ++c) {
            const int at = (r - 1) * s.layout->columns() + c;
            const bool masked = s.layout->isMasked(GridCell{r, c});
            CliOutput::JsonLine cell;
            cell.text("name", GridLayout::cellName(GridCell{r, c}));
            addValue(cell, "value", s, masked ? NaN : s.values.value(at, NaN));
            const qint64 key = s.keys.value(at);
            key && !masked ? cell.number("key", key) : cell.null("key");
            cells << cell.flag("masked", masked).object();
        }
    out.raw("cells", CliOutput::JsonLine::array(cells));
    QByteArrayList rows, columns;
    for (const GridExtreme &e : s.summary.rows)
        rows << extremeJson(s, e);
    for (const GridExtreme &e : s.summary.columns)
        columns << extremeJson(s, e);
    CliOutput::JsonLine summary;
    summary.raw("worst", extremeJson(s, s.summary.worst)).number("measured", s.summary.measured);
    summary.raw("rows", CliOutput::JsonLine::array(rows)).raw("columns", CliOutput::JsonLine::array(columns));
    out.raw("summary", summary.object());

    const UnseenMinimum &u = s.unseen;
    const ThinnestWallEstimate &e = u.estimate;
    CliOutput::JsonLine unseen;
    unseen.flag("ok", e.ok());
    e.ok() ? unseen.null("refusal") : unseen.text("refusal", findingText(e.loss.refusal));
    addNumber(unseen, "thinnest", e.thinnest);
    addNumber(unseen, "lower", e.lower);
    addNumber(unseen, "upper", e.upper);
    addNumber(unseen, "correlation", e.loss.correlation);
    unseen.number("blocks", u.blocks).number("cells_per_block", u.cellsPerBlock);
    addNumber(unseen, "block_area", u.blockArea);
    addNumber(unseen, "total_area", u.totalArea);
    unseen.text("area_unit", u.areasInCells ? QStringLiteral("cells") : QStringLiteral("m2"));
    addNumber(unseen, "reference", e.reference);
    unseen.text("reference_from", u.referenceIsNominal ? QStringLiteral("nominal") : QStringLiteral("thickest"));
    unseen.number("measured_cells", u.measuredCells);
    addNumber(unseen, "thinnest_measured", u.thinnestMeasured);
    u.thinnestCell.isValid() ? unseen.text("thinnest_cell", GridLayout::cellName(u.thinnestCell))
                             : unseen.null("thinnest_cell");
    out.raw("unseen_minimum", unseen.object());
    return out.line();
}

int gridShow(Invocation &run, Places &places, const SurveyStore &store)
{
    GridDefinition grid;
    const qint64 id = gridNamed(run, places, &grid);
    if (!id)
        return Failed;
    GridBook book(places);
    if (!book.load(id))
        return placesFailed(run, places, store);
    const QVector<qint64> surveys = book.surveys();
    for (const qint64 given : {run.grid.survey, run.grid.lossFrom})
        if (given && !surveys.contains(given)) {
            QStringList ids;
            for (const qint64 survey : surveys)
                ids << QString::number(survey);
            return run.fail(CliWords::tr("survey %1 has no readings on the grid %2; the surveys that have: %3.")
                                .arg(given)
                                .arg(cmlPath(places, book.cml()), ids.isEmpty() ? CliWords::tr("none") : ids.join(QStringLiteral(", "))));
        }

    Shown s;
    s.path = cmlPath(places, book.cml());
    s.layout = &book.grid().layout;
    s.unit = book.unit();
    s.decimals = book.decimals();
    s.survey = run.grid.survey ? run.grid.survey : surveys.isEmpty() ? 0 : surveys.last();
    s.lossFrom = run.grid.lossFrom;
    const GridSurveyValues values = book.values(s.survey);
    s.keys = values.keys;
    if (s.lossFrom) {
        s.quantity = GridQuantity::WallLoss;
        s.values = book.loss(s.lossFrom, s.survey);
    } else {
        s.values = values.values;
    }
    if (s.values.size() != s.layout->cellCount())
        s.values = QVector<double>(s.layout->cellCount(), NaN);
    s.summary = summarizeGrid(*s.layout, s.values, s.quantity);
    UnseenOptions options;
    options.blockRows = run.grid.blockRows;
    options.blockColumns = run.grid.blockColumns;
    options.totalAreaM2 = run.grid.areaM2;
    QString bad;
    if (!s.layout->cellsFromText(run.grid.cells, &options.cells, &bad))
        return run.usage(CliWords::tr("--cells: '%1' is no cell of %2 (A1 to %3).")
                             .arg(bad, s.path, GridLayout::cellName(GridCell{s.layout->rows(), s.layout->columns() - 1})));
    s.unseen = book.unseenMinimum(s.survey, options);

    // The map first: a map that cannot be written fails the command before anything is printed.
    if (!run.grid.png.isEmpty()) {
        GridMapInput input;
        input.layout = s.layout;
        input.values = s.values;
        input.quantity = s.quantity;
        input.unit = s.unit;
        input.decimals = s.decimals;
        input.title = s.lossFrom ? CliWords::tr("%1: wall loss from survey %2 to survey %3").arg(s.path).arg(s.lossFrom).arg(s.survey)
                                 : CliWords::tr("%1: survey %2").arg(s.path).arg(s.survey);
        QString error;
        if (!writeGridMapPng(input, mapSize, run.grid.png, &error))
            return run.fail(CliWords::tr("cannot write the map %1: %2").arg(run.grid.png, error));
    }
    if (run.format && run.format->isJson())
        return run.print(showJson(s));
    if (run.format)
        return run.print(showCsv(s));
    return run.print(showText(s));
}

} // namespace

bool isGridCommand(const Command &command)
{
    return qstrncmp(command.name, "grid ", 5) == 0;
}

int runGridCommand(Invocation &run)
{
    const QString name = QString::fromLatin1(run.command->name);
    SurveyStore store;
    if (name == QLatin1String("grid show")) {
        const QString missing =
            CliWords::tr("there is no survey file yet (%1), so no CML %2.").arg(run.storePath, run.arguments.value(0));
        if (openToRead(run, store, missing) != Opened::Yes)
            return Failed;
    } else if (!openToChange(run, store, false)) {
        return Failed;
    }
    Places places(store);
    if (name == QLatin1String("grid define"))
        return gridDefine(run, places, store);
    if (name == QLatin1String("grid place"))
        return gridPlace(run, places, store);
    return gridShow(run, places, store);
}

} // namespace Cli
