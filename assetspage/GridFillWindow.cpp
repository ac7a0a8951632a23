#include "assetspage/GridFillWindow.h"

#include "assetspage/GridMapView.h"
#include "session/GaugeSession.h"
#include "session/GridBook.h"
#include "session/GridFill.h"
#include "session/GridWords.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <cmath>

GridFillWindow::GridFillWindow(GaugeSession &session, qint64 cml, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_fill(new GridFill(session, this))
    , m_cml(cml)
    , m_next(new QLabel(this))
    , m_status(new QLabel(this))
    , m_map(new GridMapView(this))
{
    setObjectName(QStringLiteral("GridFillWindow"));
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    if (session.store() && session.store()->isOpen())
        m_places = std::make_unique<Places>(*session.store());
    m_next->setObjectName(QStringLiteral("gridNextCell"));
    QFont big = m_next->font();
    big.setPointSizeF(big.pointSizeF() * 2.5);
    big.setBold(true);
    m_next->setFont(big);
    m_next->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_next);
    layout->addWidget(m_map, 1);
    layout->addWidget(m_status);
    resize(820, 640);

    connect(m_fill, &GridFill::placed, this, &GridFillWindow::placed);
    connect(m_fill, &GridFill::nextChanged, this, &GridFillWindow::showNext);
    connect(m_map, &GridMapView::cellClicked, this, &GridFillWindow::cellClicked);
    connect(m_map, &GridMapView::cellMenuRequested, this, &GridFillWindow::cellMenu);
    retranslate();
}

GridFillWindow::~GridFillWindow() = default;

void GridFillWindow::retranslate()
{
    setWindowTitle(m_tag.isEmpty() ? tr("Fill Grid") : tr("Fill Grid %1").arg(m_tag));
    showNext(m_fill->running() ? m_fill->next() : GridCell());
}

void GridFillWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

bool GridFillWindow::start(GridCell from)
{
    m_problemText.clear();
    if (!m_places || !m_fill->start(m_cml, from)) {
        const GridFill::Problem problem = m_places ? m_fill->problem() : GridFill::Problem::NoStore;
        m_problemText = gridFillProblemText(problem == GridFill::Problem::None ? GridFill::Problem::StoreFailed : problem);
        return false;
    }
    m_tag = m_places->cml(m_cml).tag;
    // Readings this session already put on the grid are shown; an older survey's are not,
    // or a cell would look done before it is measured.
    loadSurvey(m_session.store()->currentSession());
    retranslate();
    say(tr("Measure: each reading lands in the outlined cell (a reading named after a cell lands in that cell). "
           "Click a cell to go on from there; right-click a filled cell to move its reading."));
    return true;
}

void GridFillWindow::loadSurvey(qint64 survey)
{
    m_survey = survey;
    GridBook book(*m_places);
    if (!book.load(m_cml))
        return;
    const GridLayout &layout = book.grid().layout;
    const GridSurveyValues values =
        survey && book.surveys().contains(survey) ? book.values(survey) : GridSurveyValues();
    m_keys = values.keys.size() == layout.cellCount() ? values.keys : QVector<qint64>(layout.cellCount(), 0);
    QVector<qint64> dates(layout.cellCount(), 0);
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys.at(i))
            dates[i] = m_places->reading(m_keys.at(i)).dateMs;
    m_map->setMap(layout, values.values, GridQuantity::Thickness, book.unit(), book.decimals(), std::nullopt, m_tag,
                  dates);
    m_map->setNextCell(m_fill->next());
}

void GridFillWindow::placed(qint64 key, GridCell cell, GridCell left)
{
    const PlaceReading r = m_places->reading(key);
    if (r.survey != m_survey || left.isValid()) {
        // A new survey began, or a reading moved: the cells it touches read again whole.
        loadSurvey(r.survey);
    } else if (m_map->layout().contains(cell)) {
        // One new reading: only its cell drawn again (the unit is this survey's own).
        const double value = (r.flags & 1) ? std::nan("") : double(r.values[0]);
        m_keys[(cell.row - 1) * m_map->layout().columns() + cell.column] = key;
        m_map->setValue(cell, value, r.dateMs);
    }
    if (cell.isValid())
        say(m_map->cellText(cell));
}

void GridFillWindow::showNext(GridCell next)
{
    m_map->setNextCell(next);
    if (!m_fill->running())
        m_next->setText(QString());
    else if (next.isValid())
        m_next->setText(tr("Next: %1").arg(GridLayout::cellName(next)));
    else
        m_next->setText(tr("Walk done: every cell has its turn."));
}

QString GridFillWindow::nextText() const
{
    return m_next->text();
}

qint64 GridFillWindow::keyAt(GridCell cell) const
{
    const GridLayout &layout = m_map->layout();
    return layout.contains(cell) ? m_keys.value((cell.row - 1) * layout.columns() + cell.column) : 0;
}

bool GridFillWindow::beginMove(GridCell from)
{
    m_moving = keyAt(from);
    if (m_moving)
        say(tr("Click the cell the reading of %1 belongs in.").arg(GridLayout::cellName(from)));
    return m_moving != 0;
}

void GridFillWindow::cellClicked(GridCell cell)
{
    if (m_moving) {
        const qint64 key = m_moving;
        m_moving = 0;
        if (!m_fill->moveReading(key, cell))
            say(tr("The reading could not be moved to %1.").arg(GridLayout::cellName(cell)));
        return;
    }
    if (!m_fill->setNext(cell))
        say(tr("%1 is not measured: choose another cell.").arg(GridLayout::cellName(cell)));
}

void GridFillWindow::cellMenu(GridCell cell, const QPoint &globalPos)
{
    if (!keyAt(cell))
        return;
    QMenu menu(this);
    QAction *move = menu.addAction(tr("Move reading to…"));
    if (menu.exec(globalPos) == move)
        beginMove(cell);
}

void GridFillWindow::say(const QString &text)
{
    m_status->setText(text);
}

void GridFillWindow::closeEvent(QCloseEvent *event)
{
    m_fill->stop();
    QDialog::closeEvent(event);
}
