#pragma once

#include "analysis/GridLayout.h"

#include <QDialog>
#include <QVector>

#include <memory>

class GaugeSession;
class GridFill;
class GridMapView;
class Places;
class QLabel;

// Filling a grid CML from the gauge, beside the main window and not modal, so readings keep
// arriving while it is open: the grid's map with the cell the next reading lands in outlined and
// named in large type, each pushed reading drawn as it lands. A click chooses where the next
// reading lands; a right click on a filled cell offers to move its reading to the cell clicked
// next. Closing it stops the filling; the readings stay where they landed.
class GridFillWindow : public QDialog
{
    Q_OBJECT
public:
    // `session` (with its store) must outlive the window.
    GridFillWindow(GaugeSession &session, qint64 cml, QWidget *parent = nullptr);
    ~GridFillWindow() override;

    // Starts filling (from `from` when valid); false with the reason in problemText() when it cannot.
    bool start(GridCell from = GridCell());
    QString problemText() const { return m_problemText; }

    GridFill *fill() const { return m_fill; }
    GridMapView *map() const { return m_map; }
    QString nextText() const;
    // The reading shown in a cell (0: none).
    qint64 keyAt(GridCell cell) const;
    // The reading whose move waits for a click on its new cell (0: none).
    qint64 moving() const { return m_moving; }
    // As "Move reading to…" on a cell's menu does: the next click on a cell moves it there.
    bool beginMove(GridCell from);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    // The map of `survey`'s readings on the grid, read from the file.
    void loadSurvey(qint64 survey);
    void placed(qint64 key, GridCell cell, GridCell left);
    void showNext(GridCell next);
    void cellClicked(GridCell cell);
    void cellMenu(GridCell cell, const QPoint &globalPos);
    void say(const QString &text);

    GaugeSession &m_session;
    std::unique_ptr<Places> m_places;
    GridFill *m_fill;
    qint64 m_cml;
    QString m_tag;
    qint64 m_survey = 0;           // whose readings the map shows
    QVector<qint64> m_keys;        // per cell, of that survey
    qint64 m_moving = 0;
    QString m_problemText;
    QLabel *m_next;
    QLabel *m_status;
    GridMapView *m_map;
};
