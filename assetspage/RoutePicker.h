#pragma once

#include "store/Places.h"

#include <QDialog>
#include <QHash>

class QComboBox;
class QListWidget;

// Picks the route a survey walked, and the stops of it left out on that survey (ticked: the
// CML was skipped or could not be reached, so the route passes over it).
class RoutePicker : public QDialog
{
    Q_OBJECT
public:
    // `marks`: the survey's marks so far; `tags`: each CML's asset path and tag, for its line.
    RoutePicker(const QVector<Route> &routes, const QHash<qint64, StopMark> &marks,
                const QHash<qint64, QString> &tags, qint64 route, QWidget *parent = nullptr);

    qint64 route() const;
    bool setRoute(qint64 route);
    // Ticks or clears a stop of the chosen route; false if it has no such stop.
    bool setLeftOut(qint64 cml, bool leftOut);
    // Every stop of the chosen route with its mark: None for those not ticked, a ticked stop
    // keeps the mark it had (Skipped for a new one).
    QHash<qint64, StopMark> marks() const;

private:
    void showStops();

    QVector<Route> m_routes;
    QHash<qint64, StopMark> m_marks;
    QHash<qint64, QString> m_tags;
    QComboBox *m_route;
    QListWidget *m_stops;
};
