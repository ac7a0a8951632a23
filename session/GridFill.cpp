#include "session/GridFill.h"

#include "records/RecordsModel.h"
#include "session/GaugeSession.h"
#include "store/SurveyStore.h"

#include <vector>

namespace {

// A cell a reading may be put in: inside the grid and not masked.
bool usable(const GridLayout &layout, GridCell cell)
{
    return layout.contains(cell) && !layout.isMasked(cell);
}

// The cell a multi-layer reading's name denotes in this grid; invalid for any other name.
GridCell namedCell(const GridLayout &layout, const PlaceReading &reading)
{
    if (reading.layout != 2 || reading.name.trimmed().isEmpty())
        return GridCell();
    const GridCell cell = layout.cellFromName(reading.name);
    return usable(layout, cell) ? cell : GridCell();
}

// Puts the readings on the grid's CML (those not there yet) and in their cells. The CML change
// is logged as an assignment, so the survey's undo can take it back.
bool place(Places &places, qint64 cml, const QVector<QPair<qint64, GridCell>> &cells,
           const QVector<PlaceReading> &readings)
{
    std::vector<qint64> moving;
    for (const PlaceReading &r : readings)
        if (r.cml != cml)
            moving.push_back(r.key);
    if (!moving.empty()) {
        places.moveReadings(moving, cml);
        if (places.problem() != Places::Problem::None)
            return false;
    }
    return cells.isEmpty() || places.setCells(cells);
}

} // namespace

struct GridFill::Impl
{
    std::unique_ptr<Places> places;
    GridDefinition grid;
};

GridFill::GridFill(GaugeSession &session, QObject *parent)
    : QObject(parent)
    , d(new Impl)
    , m_session(session)
{
    connect(&session, &GaugeSession::measurement, this, [this](int row) {
        if (!running())
            return;
        if (const qint64 key = m_session.model().key(row))
            readingArrived(key);
    });
}

GridFill::~GridFill() = default;

bool GridFill::start(qint64 cml, GridCell from)
{
    m_problem = Problem::None;
    SurveyStore *store = m_session.store();
    if (!store || !store->writable()) {
        m_problem = Problem::NoStore;
        return false;
    }
    auto places = std::make_unique<Places>(*store);
    const std::optional<GridDefinition> grid = places->grid(cml);
    if (!grid) {
        m_problem = places->problem() == Places::Problem::None ? Problem::NotAGrid : Problem::StoreFailed;
        return false;
    }
    d->places = std::move(places);
    d->grid = *grid;
    m_cml = cml;
    m_next = usable(d->grid.layout, from) ? from : d->grid.layout.nextCell(d->grid.walk, GridCell());
    emit nextChanged(m_next);
    return true;
}

void GridFill::stop()
{
    m_cml = 0;
    d->places.reset();
    if (m_next.isValid()) {
        m_next = GridCell();
        emit nextChanged(m_next);
    }
}

bool GridFill::setNext(GridCell cell)
{
    if (!running()) {
        m_problem = Problem::NotAGrid;
        return false;
    }
    if (!usable(d->grid.layout, cell)) {
        m_problem = Problem::OutOfGrid;
        return false;
    }
    m_problem = Problem::None;
    if (cell != m_next) {
        m_next = cell;
        emit nextChanged(m_next);
    }
    return true;
}

bool GridFill::moveReading(qint64 key, GridCell to)
{
    if (!running()) {
        m_problem = Problem::NotAGrid;
        return false;
    }
    if (to.isValid() && !usable(d->grid.layout, to)) {
        m_problem = Problem::OutOfGrid;
        return false;
    }
    const PlaceReading reading = d->places->reading(key);
    if (!reading.key || reading.cml != m_cml) {
        m_problem = d->places->problem() == Places::Problem::None ? Problem::NotOnGrid : Problem::StoreFailed;
        return false;
    }
    const GridCell left = d->places->cell(key);
    if (!d->places->setCell(key, to)) {
        m_problem = Problem::StoreFailed;
        return false;
    }
    m_problem = Problem::None;
    emit placed(key, to, left);
    return true;
}

void GridFill::readingArrived(qint64 key)
{
    if (!running())
        return;
    const PlaceReading reading = d->places->reading(key);
    if (!reading.key) {
        m_problem = Problem::StoreFailed;
        return;
    }
    const GridLayout &layout = d->grid.layout;
    GridCell cell = namedCell(layout, reading);
    if (!cell.isValid())
        cell = m_next;
    if (!cell.isValid())
        return; // past the walk's last cell: the reading stays where it is
    const GridCell left = reading.cml == m_cml ? d->places->cell(key) : GridCell();
    if (!place(*d->places, m_cml, {{key, cell}}, {reading})) {
        m_problem = Problem::StoreFailed;
        return;
    }
    m_problem = Problem::None;
    emit placed(key, cell, left);
    // A named reading also moves the walk on: the next unnamed one follows the cell just read.
    const GridCell next = layout.nextCell(d->grid.walk, cell);
    if (next != m_next) {
        m_next = next;
        emit nextChanged(m_next);
    }
}

int GridFill::placeByName(Places &places, qint64 cml, qint64 survey)
{
    const std::optional<GridDefinition> grid = places.grid(cml);
    if (!grid)
        return -1;
    const QVector<PlaceReading> readings = places.surveyReadings(survey);
    if (places.problem() != Places::Problem::None)
        return -1;
    QVector<PlaceReading> named;
    QVector<QPair<qint64, GridCell>> cells;
    for (const PlaceReading &r : readings) {
        const GridCell cell = namedCell(grid->layout, r);
        if (!cell.isValid())
            continue;
        named.append(r);
        cells.append({r.key, cell});
    }
    if (!place(places, cml, cells, named))
        return -1;
    return cells.size();
}

int GridFill::placeInWalk(Places &places, qint64 cml, const QVector<qint64> &keys, GridCell from)
{
    const std::optional<GridDefinition> grid = places.grid(cml);
    if (!grid)
        return -1;
    const GridLayout &layout = grid->layout;
    GridCell cell = usable(layout, from) ? from : layout.nextCell(grid->walk, GridCell());
    QVector<PlaceReading> readings;
    QVector<QPair<qint64, GridCell>> cells;
    for (qint64 key : keys) {
        if (!cell.isValid())
            break;
        const PlaceReading r = places.reading(key);
        if (!r.key)
            return -1;
        readings.append(r);
        cells.append({key, cell});
        cell = layout.nextCell(grid->walk, cell);
    }
    if (!place(places, cml, cells, readings))
        return -1;
    return cells.size();
}
