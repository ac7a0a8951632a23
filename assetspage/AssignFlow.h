#pragma once

#include "assetspage/PlaceNumbers.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

class GaugeSession;
class Places;
class QWidget;

// Assigning the table's readings to CMLs, with the questions it takes (through the dialog
// seam): one CML for chosen rows, by record name (offering to create the names no CML has), by
// route (with the stops left out), and taking the newest assignment back. Each returns what
// it did in words, for the page's status line.
class AssignFlow : public QObject
{
    Q_OBJECT
public:
    // The session must outlive the flow; `dialogParent` (may be null) parents its dialogs.
    AssignFlow(GaugeSession &session, QWidget *dialogParent, QObject *parent = nullptr);

    // `keys`: the store keys of the chosen rows.
    QString assignTo(const std::vector<qint64> &keys);
    QString assignByName(qint64 survey);
    QString assignByRoute(qint64 survey);
    // The newest assignment of the survey; right after Assign to…, every reading it moved
    // (each move is an assignment of its own in the file).
    QString undo(qint64 survey);

private:
    // Over the session's survey file; null (and *why set) without one.
    std::unique_ptr<Places> places(QString *why) const;
    bool ask(class QDialog &dialog);

    GaugeSession &m_session;
    QWidget *m_parent;
    PlaceNumbers m_numbers;
    // The surveys of the readings the last Assign to… moved, in order (empty once anything
    // else was assigned or undone).
    QVector<qint64> m_handMoves;
};
