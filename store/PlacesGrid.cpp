// Places: grid CMLs and the cells of their readings.
#include "store/Places.h"

#include "store/PlacesSql.h"
#include "store/SurveyStore.h"

using namespace PlacesSql;

namespace {

// A cell as the file keeps it: row·64 + column (52 columns fit, rows up to 999).
constexpr int CellRowFactor = 64;

qint64 cellNumber(GridCell cell)
{
    return qint64(cell.row) * CellRowFactor + cell.column;
}

GridCell cellOf(qint64 number)
{
    GridCell cell;
    cell.row = int(number / CellRowFactor);
    cell.column = int(number % CellRowFactor);
    return cell;
}

int walkNumber(WalkPattern walk)
{
    return int(walk.corner) * 4 + int(walk.axis) * 2 + int(walk.style);
}

WalkPattern walkOf(int number)
{
    WalkPattern walk;
    if (number < 0 || number > 15)
        return walk;
    walk.corner = WalkCorner(number / 4);
    walk.axis = WalkAxis(number / 2 % 2);
    walk.style = WalkStyle(number % 2);
    return walk;
}

QString maskText(const GridLayout &layout)
{
    QStringList numbers;
    for (const GridCell &cell : layout.maskedCells())
        numbers << QString::number(cellNumber(cell));
    return numbers.join(QLatin1Char(','));
}

} // namespace

bool Places::gridTables() const
{
    return m_store.m_version >= 6;
}

bool Places::setGrid(qint64 cml, const GridDefinition &grid)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (!gridTables())
        return refuse(Problem::StoreRefused);
    {
        Statement st{m_store.prepare("SELECT 1 FROM cmls WHERE id = ?")};
        if (!st)
            return refuse(Problem::StoreRefused);
        sqlite3_bind_int64(st, 1, cml);
        if (sqlite3_step(st) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(cml));
    }
    const bool isGrid = grid.layout.isValid();
    Statement st{m_store.prepare(isGrid ? "INSERT OR REPLACE INTO cml_grids(cml, rows, columns, pitch, masked, walk) "
                                          "VALUES(?, ?, ?, ?, ?, ?)"
                                        : "DELETE FROM cml_grids WHERE cml = ?")};
    if (!st)
        return refuse(Problem::StoreRefused);
    sqlite3_bind_int64(st, 1, cml);
    if (isGrid) {
        sqlite3_bind_int(st, 2, grid.layout.rows());
        sqlite3_bind_int(st, 3, grid.layout.columns());
        bindReal(st, 4, grid.layout.pitchMm());
        bindText(st, 5, maskText(grid.layout));
        sqlite3_bind_int(st, 6, walkNumber(grid.walk));
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return stepFailed(rc, "keeping a grid");
    return commitChange();
}

std::optional<GridDefinition> Places::grid(qint64 cml)
{
    const auto lock = m_store.take();
    if (!readable() || !gridTables())
        return std::nullopt;
    Statement st{m_store.prepare("SELECT rows, columns, pitch, masked, walk FROM cml_grids WHERE cml = ?")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return std::nullopt;
    }
    sqlite3_bind_int64(st, 1, cml);
    if (sqlite3_step(st) != SQLITE_ROW)
        return std::nullopt;
    GridDefinition grid;
    if (!grid.layout.setSize(sqlite3_column_int(st, 0), sqlite3_column_int(st, 1)))
        return std::nullopt; // not a shape this program can hold: not treated as a grid
    grid.layout.setPitchMm(columnReal(st, 2));
    const QString masked = columnText(st, 3);
    for (const QStringView number : QStringView(masked).split(QLatin1Char(','), Qt::SkipEmptyParts))
        grid.layout.setMasked(cellOf(number.toLongLong()), true);
    grid.walk = walkOf(sqlite3_column_int(st, 4));
    return grid;
}

QVector<qint64> Places::gridCmls()
{
    const auto lock = m_store.take();
    QVector<qint64> out;
    if (!readable() || !gridTables())
        return out;
    Statement st{m_store.prepare("SELECT cml FROM cml_grids ORDER BY cml")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW)
        out.append(sqlite3_column_int64(st, 0));
    return out;
}

bool Places::setCell(qint64 key, GridCell cell)
{
    return setCells({{key, cell}});
}

bool Places::setCells(const QVector<QPair<qint64, GridCell>> &cells)
{
    const auto lock = m_store.take();
    if (!beginChange())
        return false;
    if (!gridTables())
        return refuse(Problem::StoreRefused);
    Statement exists{m_store.prepare("SELECT 1 FROM records r WHERE r.session = ? AND r.seq = ? AND " READINGS)};
    Statement set{m_store.prepare("INSERT OR REPLACE INTO grid_cells(session, seq, cell) VALUES(?, ?, ?)")};
    Statement clear{m_store.prepare("DELETE FROM grid_cells WHERE session = ? AND seq = ?")};
    if (!exists || !set || !clear)
        return refuse(Problem::StoreRefused);
    for (const auto &[key, cell] : cells) {
        sqlite3_reset(exists);
        sqlite3_bind_int64(exists, 1, sessionOf(key));
        sqlite3_bind_int64(exists, 2, seqOf(key));
        if (sqlite3_step(exists) != SQLITE_ROW)
            return refuse(Problem::NotFound, QString::number(key));
        sqlite3_stmt *st = cell.isValid() ? set.st : clear.st;
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, sessionOf(key));
        sqlite3_bind_int64(st, 2, seqOf(key));
        if (cell.isValid())
            sqlite3_bind_int64(st, 3, cellNumber(cell));
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            return stepFailed(rc, "keeping a reading's cell");
    }
    return commitChange();
}

GridCell Places::cell(qint64 key)
{
    const auto lock = m_store.take();
    if (!readable() || !gridTables())
        return GridCell();
    Statement st{m_store.prepare("SELECT cell FROM grid_cells WHERE session = ? AND seq = ?")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return GridCell();
    }
    sqlite3_bind_int64(st, 1, sessionOf(key));
    sqlite3_bind_int64(st, 2, seqOf(key));
    return sqlite3_step(st) == SQLITE_ROW ? cellOf(sqlite3_column_int64(st, 0)) : GridCell();
}

QVector<GridReading> Places::gridReadings(qint64 cml, qint64 survey)
{
    const auto lock = m_store.take();
    QVector<GridReading> out;
    if (!readable() || !gridTables())
        return out;
    Statement st{m_store.prepare("SELECT r.session, r.seq, r.arrived, g.cell, r.name, r.v0, r.flags, s.unit_names "
                                 "FROM records r JOIN sessions s ON s.id = r.session "
                                 "LEFT JOIN grid_cells g ON g.session = r.session AND g.seq = r.seq "
                                 "WHERE r.cml = ?1 AND (?2 = 0 OR r.session = ?2) AND " READINGS
                                 " ORDER BY r.session, r.seq")};
    if (!st) {
        refuse(Problem::StoreRefused);
        return out;
    }
    sqlite3_bind_int64(st, 1, cml);
    sqlite3_bind_int64(st, 2, survey);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        GridReading r;
        r.survey = sqlite3_column_int64(st, 0);
        r.key = keyOf(r.survey, sqlite3_column_int64(st, 1));
        r.dateMs = sqlite3_column_int64(st, 2);
        if (sqlite3_column_type(st, 3) != SQLITE_NULL)
            r.cell = cellOf(sqlite3_column_int64(st, 3));
        r.name = columnText(st, 4);
        const bool flagged = sqlite3_column_int(st, 6) & 1;
        r.thickness = flagged || sqlite3_column_type(st, 5) == SQLITE_NULL ? NotGiven : sqlite3_column_double(st, 5);
        r.unit = firstLine(columnText(st, 7));
        out.append(r);
    }
    if (rc != SQLITE_DONE)
        refuse(Problem::StoreRefused);
    return out;
}
