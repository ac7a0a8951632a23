#include "assetspage/AssignFlow.h"

#include "assetspage/CmlPicker.h"
#include "assetspage/NewCmlsDialog.h"
#include "assetspage/PlacesWords.h"
#include "assetspage/RoutePicker.h"
#include "interaction/UserInteraction.h"
#include "session/GaugeSession.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDialog>

#include <utility>

namespace {

// What an assignment by name or route did, in one line.
QString outcome(const Assignment &a)
{
    QString text = AssignFlow::tr("Readings assigned: %1.").arg(a.assigned);
    if (a.unassigned > 0)
        text += QLatin1Char(' ') + AssignFlow::tr("Left without a CML: %1.").arg(a.unassigned);
    if (!a.ambiguous.isEmpty())
        text += QLatin1Char(' ')
                + AssignFlow::tr("Names with CMLs under more than one asset, left alone: %1.")
                      .arg(a.ambiguous.join(QStringLiteral(", ")));
    return text;
}

} // namespace

AssignFlow::AssignFlow(GaugeSession &session, QWidget *dialogParent, QObject *parent)
    : QObject(parent), m_session(session), m_parent(dialogParent), m_numbers(session.config().unitTable)
{
}

std::unique_ptr<Places> AssignFlow::places(QString *why) const
{
    SurveyStore *store = m_session.store();
    if (!store || !store->isOpen()) {
        *why = tr("No survey file is open: readings cannot be assigned.");
        return nullptr;
    }
    return std::make_unique<Places>(*store);
}

bool AssignFlow::ask(QDialog &dialog)
{
    return m_session.interaction().runDialog(&dialog, dialog.windowTitle());
}

QString AssignFlow::assignTo(const std::vector<qint64> &keys)
{
    m_handMoves.clear();
    QString why;
    auto p = places(&why);
    if (!p)
        return why;
    std::vector<qint64> kept;
    for (qint64 key : keys)
        if (key != 0)
            kept.push_back(key);
    if (kept.empty())
        return keys.empty() ? tr("Select the rows to assign first.")
                            : tr("These rows are not in the survey file: they cannot be assigned.");
    if (p->assets().isEmpty())
        return tr("There are no CMLs yet: add them in the Assets view.");
    CmlPicker picker(*p, m_numbers, tr("Readings to assign: %1. Choose their CML:").arg(kept.size()), m_parent);
    if (!ask(picker) || picker.cml() == 0)
        return tr("Nothing assigned.");
    // All the rows in one step: none is moved if one cannot be.
    const Assignment done = p->moveReadings(kept, picker.cml(), &m_handMoves);
    if (p->problem() != Places::Problem::None)
        return PlacesWords::problem(*p);
    const int moved = done.assigned;
    QString tag;
    for (const Cml &c : p->cmls(picker.asset()))
        if (c.id == picker.cml())
            tag = c.tag;
    return tr("Readings assigned to %1: %2.").arg(p->assetPath(picker.asset()) + QLatin1Char('/') + tag).arg(moved);
}

QString AssignFlow::assignByName(qint64 survey)
{
    m_handMoves.clear();
    QString why;
    auto p = places(&why);
    if (!p)
        return why;
    Assignment done = p->assignByName(survey);
    if (done.id == 0 && p->problem() != Places::Problem::None)
        return PlacesWords::problem(*p);
    // A reading without a name (single layer) can be given no CML by name.
    QStringList names;
    for (const QString &name : std::as_const(done.unmatched))
        if (!name.trimmed().isEmpty())
            names << name.trimmed();
    if (names.isEmpty())
        return outcome(done);
    const QVector<Asset> assets = p->assets();
    if (assets.isEmpty())
        return outcome(done) + QLatin1Char(' ') + tr("Add an asset in the Assets view to create CMLs for the other names.");
    NewCmlsDialog create(names, assets, p->survey(survey).asset, m_parent);
    if (!ask(create) || create.chosenNames().isEmpty())
        return outcome(done);
    for (const QString &name : create.chosenNames()) {
        Cml cml;
        cml.asset = create.asset();
        cml.tag = name.trimmed();
        if (!p->addCml(cml))
            return outcome(done) + QLatin1Char(' ') + PlacesWords::problem(*p);
    }
    // The survey was of that asset: the names are looked up under it from now on.
    SurveyFacts facts = p->survey(survey);
    if (facts.asset == 0) {
        facts.asset = create.asset();
        p->setSurvey(facts);
    }
    const Assignment again = p->assignByName(survey);
    if (again.id == 0 && p->problem() != Places::Problem::None)
        return PlacesWords::problem(*p);
    return outcome(again);
}

QString AssignFlow::assignByRoute(qint64 survey)
{
    m_handMoves.clear();
    QString why;
    auto p = places(&why);
    if (!p)
        return why;
    const QVector<Route> routes = p->routes();
    if (routes.isEmpty())
        return tr("There are no routes in the survey file yet.");
    QHash<qint64, QString> tags;
    for (const CmlEntry &e : p->cmlEntries(0))
        tags.insert(e.cml.id, e.assetPath + QLatin1Char('/') + e.cml.tag);
    const QHash<qint64, StopMark> before = p->marks(survey);
    RoutePicker picker(routes, before, tags, p->survey(survey).route, m_parent);
    if (!ask(picker) || picker.route() == 0)
        return tr("Nothing assigned.");
    const QHash<qint64, StopMark> marks = picker.marks();
    for (auto it = marks.cbegin(); it != marks.cend(); ++it)
        if (before.value(it.key(), StopMark::None) != it.value() && !p->setMark(survey, it.key(), it.value()))
            return PlacesWords::problem(*p);
    const Assignment done = p->assignByRoute(survey, picker.route());
    if (done.id == 0 && p->problem() != Places::Problem::None)
        return PlacesWords::problem(*p);
    return outcome(done);
}

QString AssignFlow::undo(qint64 survey)
{
    const QVector<qint64> moves = std::exchange(m_handMoves, {});
    QString why;
    auto p = places(&why);
    if (!p)
        return why;
    if (!moves.isEmpty()) {
        // Newest first, each from the survey its reading belongs to.
        for (auto s = moves.crbegin(); s != moves.crend(); ++s)
            if (p->undoAssignment(*s) == 0)
                return PlacesWords::problem(*p);
        return tr("The last assignment was taken back.");
    }
    if (p->undoAssignment(survey) != 0)
        return tr("The last assignment was taken back.");
    if (p->problem() != Places::Problem::None)
        return PlacesWords::problem(*p);
    return tr("There is no assignment to take back.");
}
