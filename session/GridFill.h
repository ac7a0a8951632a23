#pragma once

#include "store/Places.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class GaugeSession;

// Filling a grid CML with the readings the gauge pushes: each lands in a cell and is kept there
// at once (Places::moveReading to the grid's CML, Places::setCell). A multi-layer reading whose
// name is a cell of the grid ("B12", "12B") lands in that cell; any other reading in the next
// cell of the grid's walk (masked cells passed over), after which the walk goes on from the
// cell just filled. The user can put the cursor anywhere and move a reading to another cell.
//
// The same placing for readings already in the file: placeByName and placeInWalk.
class GridFill : public QObject
{
    Q_OBJECT
public:
    enum class Problem {
        None,
        NoStore,     // no survey file open for writing
        NotAGrid,    // the CML is not a grid (or not in the file)
        OutOfGrid,   // a cell outside the grid, or masked
        StoreFailed, // a write failed
        NotOnGrid,   // the reading is not in the file, or not one of this grid's
    };

    // `session` must outlive the fill; followed through its measurement() signal.
    explicit GridFill(GaugeSession &session, QObject *parent = nullptr);
    ~GridFill() override;

    // Starts filling the grid CML; the walk is the grid's own, from its first cell (or `from`,
    // when valid and not masked). False (problem() says why) when it cannot.
    bool start(qint64 cml, GridCell from = GridCell());
    void stop();
    bool running() const { return m_cml != 0; }
    qint64 cml() const { return m_cml; }
    Problem problem() const { return m_problem; }

    // Where the next reading without a cell name lands; invalid when the walk is past its last cell.
    GridCell next() const { return m_next; }
    bool setNext(GridCell cell);
    // Moves a reading (one of this grid's) to another cell; an invalid cell takes it off the grid's cells.
    bool moveReading(qint64 key, GridCell to);

    // For tests and the tool: the reading with this store key arrived.
    void readingArrived(qint64 key);

    // ---- readings already in the file ----
    // The survey's multi-layer readings whose names are cells of the grid go to the grid's CML,
    // each in its cell. The number placed; -1 when the store failed or the CML is not a grid.
    static int placeByName(Places &places, qint64 cml, qint64 survey);
    // The readings (in the order given) go to the grid's CML in its walk from `from` (invalid:
    // the first cell). The number placed (readings past the last cell stay where they were); -1 on failure.
    static int placeInWalk(Places &places, qint64 cml, const QVector<qint64> &keys, GridCell from = GridCell());

signals:
    // A reading landed (or was moved) in a cell: its key and cell; the cell it left (invalid: none).
    void placed(qint64 key, GridCell cell, GridCell left);
    void nextChanged(GridCell next);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    GaugeSession &m_session;
    Problem m_problem = Problem::None;
    qint64 m_cml = 0;
    GridCell m_next;
};
