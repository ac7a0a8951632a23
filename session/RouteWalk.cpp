#include "session/RouteWalk.h"

#include "analysis/Limits.h"
#include "session/GaugeSession.h"
#include "session/JudgementBook.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

ProbeExpectation convertedExpectation(ProbeExpectation e, const QString &from, const QString &to)
{
    for (double *v : {&e.expected, &e.low, &e.high, &e.lastCounted, &e.required})
        *v = thicknessIn(*v, from, to);
    return e;
}

// The smallest step the gauge shows in a unit.
double resolutionIn(const QString &unit)
{
    return unit == QLatin1String("inch") ? 0.001 : 0.01;
}

QString tagKey(const QString &tag)
{
    return tag.trimmed().toCaseFolded();
}

} // namespace

// What an action changed, so that an undo can put it back: the stop as it was, where the walk
// stood, and the store changes to reverse.
struct RouteWalk::Impl
{
    struct Action
    {
        WalkAction action = WalkAction::Reading;
        qint64 stepId = 0;
        qint64 survey = 0;
        int stop = 0;
        WalkStop before;
        int currentBefore = 0;
        bool finishedBefore = false;
        qint64 assigned = 0;       // Reading: the reading assigned to the stop's CML
        qint64 previousCml = 0;    // ... and the CML it had before (normally none)
        qint64 excluded = 0;       // Reading: the reading it replaced, left out of the rates
        bool markSet = false;      // Skip, or a reading at a skipped stop: the survey's mark changed
        StopMark markBefore = StopMark::None;
    };

    std::unique_ptr<Places> places;
    QString who;
    qint64 asset = 0; // an asset's CMLs walked (route 0)
    QHash<QString, int> stopByTag;
    QVector<Action> done; // newest last
};

RouteWalk::RouteWalk(GaugeSession &session, QObject *parent)
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

RouteWalk::~RouteWalk() = default;

void RouteWalk::setToleranceMm(double mm)
{
    m_toleranceMm = std::isfinite(mm) && mm > 0 ? mm : 0;
}

bool RouteWalk::startRoute(qint64 route, const QString &who)
{
    m_problem = Problem::None;
    SurveyStore *store = m_session.store();
    if (!store || !store->writable()) {
        m_problem = Problem::NoStore;
        return false;
    }
    auto places = std::make_unique<Places>(*store);
    const Route r = places->route(route);
    if (!r.id) {
        m_problem = places->problem() == Places::Problem::NotFound ? Problem::NotFound : Problem::StoreFailed;
        return false;
    }
    QVector<Cml> cmls;
    for (qint64 id : r.cmls) {
        const Cml c = places->cml(id);
        if (c.id)
            cmls.append(c);
    }
    d->asset = 0;
    return begin(std::move(places), cmls, r.id, r.name, who);
}

bool RouteWalk::startAsset(qint64 asset, const QString &who)
{
    m_problem = Problem::None;
    SurveyStore *store = m_session.store();
    if (!store || !store->writable()) {
        m_problem = Problem::NoStore;
        return false;
    }
    auto places = std::make_unique<Places>(*store);
    const QString path = places->assetPath(asset);
    if (path.isEmpty()) {
        m_problem = Problem::NotFound;
        return false;
    }
    const QVector<Cml> cmls = places->cmls(asset, false); // by tag
    d->asset = asset;
    return begin(std::move(places), cmls, 0, path, who);
}

bool RouteWalk::begin(std::unique_ptr<Places> places, const QVector<Cml> &cmls, qint64 route, const QString &name,
                      const QString &who)
{
    if (cmls.isEmpty()) {
        m_problem = Problem::Empty;
        return false;
    }
    d->places = std::move(places);
    d->who = who;
    d->done.clear();
    d->stopByTag.clear();
    m_route = route;
    m_name = name;
    m_survey = 0;
    m_current = 0;
    m_finished = false;
    m_stops.clear();
    m_stops.reserve(cmls.size());
    QHash<qint64, QString> paths;
    for (const Cml &c : cmls) {
        WalkStop stop;
        stop.cml = c;
        if (!paths.contains(c.asset))
            paths.insert(c.asset, d->places->assetPath(c.asset));
        stop.assetPath = paths.value(c.asset);
        if (!d->stopByTag.contains(tagKey(c.tag)))
            d->stopByTag.insert(tagKey(c.tag), m_stops.size());
        m_stops.append(stop);
    }
    for (int i = 0; i < m_stops.size(); ++i) {
        if (!expect(i)) {
            m_stops.clear();
            m_problem = Problem::StoreFailed;
            return false;
        }
    }
    emit currentChanged(m_current);
    return true;
}

bool RouteWalk::expect(int index, qint64 arrivedKey, QString readingUnit)
{
    WalkStop &stop = m_stops[index];
    const QVector<ThicknessRow> rows = d->places->thicknessRowsOf(stop.cml.id);
    if (d->places->problem() != Places::Problem::None)
        return false;
    // What the history lets one expect comes from the readings taken before the walk came here.
    QSet<qint64> walkReadings(stop.replaced.cbegin(), stop.replaced.cend());
    if (stop.key)
        walkReadings.insert(stop.key);
    if (arrivedKey)
        walkReadings.insert(arrivedKey);
    CmlJudgement judged;
    if (!JudgementBook::judgeAlone(*d->places, stop.cml, rows, walkReadings, &judged))
        return false;
    const QString seriesUnit = judged.unit.isEmpty() ? QStringLiteral("mm") : judged.unit;
    // Shown in the unit the gauge measures in now, when a reading says which.
    const QString unit = readingUnit.isEmpty() ? (stop.unit.isEmpty() ? seriesUnit : stop.unit) : readingUnit;
    ProbeTolerance tolerance;
    tolerance.resolution = resolutionIn(unit);
    tolerance.user = thicknessIn(m_toleranceMm, QStringLiteral("mm"), unit);
    tolerance.user = thicknessIn(tolerance.user, unit, seriesUnit);
    tolerance.resolution = thicknessIn(tolerance.resolution, unit, seriesUnit);
    const ProbeExpectation inSeries = expectAt(judged.series, judged.figures, QDateTime::currentMSecsSinceEpoch(), tolerance);
    stop.expectation = convertedExpectation(inSeries, seriesUnit, unit);
    stop.unit = unit;
    return true;
}

qint64 RouteWalk::log(WalkAction action, int stop, qint64 key, quint8 verdict, SkipReason reason, const QString &note,
                      qint64 undoes)
{
    WalkStep step;
    step.survey = m_survey;
    step.route = m_route;
    step.stop = stop;
    step.cml = m_stops[stop].cml.id;
    step.action = action;
    step.key = key;
    step.verdict = verdict;
    step.reason = reason;
    step.note = note;
    step.who = d->who;
    step.undoes = undoes;
    const qint64 id = d->places->logWalkStep(step);
    if (!id)
        m_problem = Problem::StoreFailed;
    return id;
}

bool RouteWalk::ensureSurvey()
{
    if (m_survey)
        return true;
    const qint64 current = m_session.store() ? m_session.store()->currentSession() : 0;
    if (!current) {
        m_problem = Problem::NoSurvey;
        return false;
    }
    adoptSurvey(current);
    return true;
}

void RouteWalk::adoptSurvey(qint64 survey)
{
    if (survey == m_survey)
        return;
    m_survey = survey;
    describeSurvey();
}

void RouteWalk::describeSurvey()
{
    const qint64 survey = m_survey;
    // The survey says what was walked, so that its readings are found by place later.
    SurveyFacts facts = d->places->survey(survey);
    if (!facts.id)
        return;
    if (m_route)
        facts.route = m_route;
    if (d->asset)
        facts.asset = d->asset;
    if (facts.inspector.isEmpty())
        facts.inspector = d->who;
    d->places->setSurvey(facts);
}

void RouteWalk::readingArrived(qint64 key)
{
    if (!running() || !key)
        return;
    m_problem = Problem::None;
    const PlaceReading reading = d->places->reading(key);
    if (!reading.key)
        return;
    // A new survey is told what is walked after the verdict is shown (see below).
    const bool newSurvey = reading.survey != m_survey;
    m_survey = reading.survey;

    Impl::Action act;
    act.action = WalkAction::Reading;
    act.survey = m_survey;
    act.currentBefore = m_current;
    act.finishedBefore = m_finished;
    // A multi-layer record named after one of the walk's CMLs was taken there.
    int index = m_current;
    if (reading.layout == 2) {
        const auto named = d->stopByTag.constFind(tagKey(reading.name));
        if (named != d->stopByTag.cend())
            index = *named;
    }
    act.stop = index;
    WalkStop &stop = m_stops[index];
    act.before = stop;
    act.assigned = key;
    act.previousCml = reading.cml;

    // Judged and shown first: the writes that keep the walk's part wait on the disk, and the
    // inspector is still at the stop. The reading itself is already in the file.
    const qint64 replacedKey = stop.key && stop.key != key ? stop.key : 0;
    const bool wasSkipped = stop.state == WalkStop::State::Skipped;
    const bool judged = expect(index, key, reading.thicknessUnit);
    stop.key = key;
    const bool flagged = reading.flags & 1;
    stop.thickness = flagged ? ProbeExpectation::None : double(reading.values[0]);
    stop.verdict = judgeProbe(stop.expectation, stop.thickness);
    stop.state = WalkStop::State::Measured;
    stop.remeasureAsked = false;
    stop.reason = SkipReason::Other;
    stop.note.clear();
    if (replacedKey)
        stop.replaced.append(replacedKey);
    const int actIndex = d->done.size();
    d->done.append(act);
    if (index != m_current) {
        m_current = index;
        emit currentChanged(m_current);
    }
    emit stopChanged(index);

    // A new reading at a stop replaces the one it had: that one stays in the survey and the
    // CML's history, left out of the rates.
    if (newSurvey)
        describeSurvey();
    Impl::Action &kept = d->done[actIndex];
    if (!judged)
        m_problem = Problem::StoreFailed;
    if (replacedKey) {
        if (d->places->decide(replacedKey, ReadingMark::None, MarkDecision::Exclude, d->who,
                              QStringLiteral("re-measured")))
            kept.excluded = replacedKey;
        else
            m_problem = Problem::StoreFailed;
    }
    if (reading.cml != stop.cml.id && !d->places->moveReading(key, stop.cml.id).id)
        m_problem = Problem::StoreFailed;
    if (wasSkipped) {
        // Measured after all: the stop is no longer passed over on this survey.
        kept.markSet = true;
        kept.markBefore = d->places->marks(m_survey).value(stop.cml.id, StopMark::None);
        d->places->setMark(m_survey, stop.cml.id, StopMark::None);
    }
    kept.stepId = log(WalkAction::Reading, index, key, quint8(stop.verdict));
    if (m_problem != Problem::None)
        emit stopChanged(index); // says the failure
}

int RouteWalk::nextOpenStop(int after) const
{
    const int n = m_stops.size();
    for (int step = 1; step <= n; ++step) {
        const int i = (after + step) % n;
        const WalkStop::State s = m_stops[i].state;
        if (s != WalkStop::State::Accepted && s != WalkStop::State::Skipped)
            return i;
    }
    return -1;
}

void RouteWalk::moveOn(int from)
{
    const int next = nextOpenStop(from);
    if (next < 0) {
        m_current = m_stops.size();
        m_finished = true;
        emit currentChanged(m_current);
        emit walkFinished();
        return;
    }
    m_current = next;
    emit currentChanged(m_current);
}

bool RouteWalk::accept()
{
    m_problem = Problem::None;
    if (!running() || m_current >= m_stops.size())
        return refuse(Problem::NotNow);
    WalkStop &stop = m_stops[m_current];
    const bool hasReading = stop.key && !stop.remeasureAsked
                            && (stop.state == WalkStop::State::Measured || stop.state == WalkStop::State::Accepted);
    if (!hasReading)
        return refuse(Problem::NotNow);
    Impl::Action act;
    act.action = WalkAction::Accept;
    act.survey = m_survey;
    act.stop = m_current;
    act.before = stop;
    act.currentBefore = m_current;
    act.finishedBefore = m_finished;
    act.stepId = log(WalkAction::Accept, m_current, stop.key);
    if (!act.stepId)
        return false;
    stop.state = WalkStop::State::Accepted;
    d->done.append(act);
    emit stopChanged(act.stop);
    moveOn(act.stop);
    return true;
}

bool RouteWalk::remeasure()
{
    m_problem = Problem::None;
    if (!running() || m_current >= m_stops.size())
        return refuse(Problem::NotNow);
    WalkStop &stop = m_stops[m_current];
    if (!stop.key || stop.remeasureAsked)
        return refuse(Problem::NotNow);
    Impl::Action act;
    act.action = WalkAction::Remeasure;
    act.survey = m_survey;
    act.stop = m_current;
    act.before = stop;
    act.currentBefore = m_current;
    act.finishedBefore = m_finished;
    act.stepId = log(WalkAction::Remeasure, m_current, stop.key);
    if (!act.stepId)
        return false;
    // The reading still counts until the new one comes: a walk left here loses nothing.
    stop.remeasureAsked = true;
    stop.state = WalkStop::State::Waiting;
    d->done.append(act);
    emit stopChanged(act.stop);
    return true;
}

bool RouteWalk::skip(SkipReason reason, const QString &note)
{
    m_problem = Problem::None;
    if (!running() || m_current >= m_stops.size())
        return refuse(Problem::NotNow);
    if (!ensureSurvey())
        return false;
    WalkStop &stop = m_stops[m_current];
    Impl::Action act;
    act.action = WalkAction::Skip;
    act.survey = m_survey;
    act.stop = m_current;
    act.before = stop;
    act.currentBefore = m_current;
    act.finishedBefore = m_finished;
    act.markSet = true;
    act.markBefore = d->places->marks(m_survey).value(stop.cml.id, StopMark::None);
    if (!d->places->setMark(m_survey, stop.cml.id, reason == SkipReason::NoAccess ? StopMark::NoAccess : StopMark::Skipped))
        return refuse(Problem::StoreFailed);
    act.stepId = log(WalkAction::Skip, m_current, 0, 0, reason, note);
    if (!act.stepId) {
        d->places->setMark(m_survey, stop.cml.id, act.markBefore);
        return false;
    }
    stop.state = WalkStop::State::Skipped;
    stop.reason = reason;
    stop.note = note;
    d->done.append(act);
    emit stopChanged(act.stop);
    moveOn(act.stop);
    return true;
}

bool RouteWalk::back()
{
    m_problem = Problem::None;
    if (m_stops.isEmpty() || m_current == 0)
        return refuse(Problem::NotNow);
    if (!ensureSurvey())
        return false;
    Impl::Action act;
    act.action = WalkAction::Back;
    act.survey = m_survey;
    act.currentBefore = m_current;
    act.finishedBefore = m_finished;
    act.stop = m_current - 1;
    act.before = m_stops[act.stop];
    act.stepId = log(WalkAction::Back, act.stop);
    if (!act.stepId)
        return false;
    d->done.append(act);
    m_finished = false;
    m_current = act.stop;
    emit currentChanged(m_current);
    return true;
}

bool RouteWalk::undo()
{
    m_problem = Problem::None;
    if (d->done.isEmpty())
        return refuse(Problem::NothingToUndo);
    const Impl::Action act = d->done.takeLast();
    bool ok = true;
    switch (act.action) {
    case WalkAction::Reading:
        // The reading stays in the survey, no longer at this stop; the one it replaced counts again.
        if (act.previousCml != act.before.cml.id)
            ok = d->places->moveReading(act.assigned, act.previousCml).id != 0;
        if (act.excluded)
            ok = d->places->decide(act.excluded, ReadingMark::None, MarkDecision::None, d->who,
                                   QStringLiteral("re-measure taken back")) && ok;
        if (act.markSet)
            ok = d->places->setMark(act.survey, act.before.cml.id, act.markBefore) && ok;
        break;
    case WalkAction::Skip:
        ok = d->places->setMark(act.survey, act.before.cml.id, act.markBefore);
        break;
    case WalkAction::Accept:
    case WalkAction::Remeasure:
    case WalkAction::Back:
    case WalkAction::Undo:
        break;
    }
    const qint64 survey = m_survey;
    m_survey = act.survey ? act.survey : m_survey;
    log(WalkAction::Undo, act.stop, 0, 0, SkipReason::Other, QString(), act.stepId);
    m_survey = survey;
    if (!ok)
        m_problem = Problem::StoreFailed;
    m_stops[act.stop] = act.before;
    m_finished = act.finishedBefore;
    m_current = act.currentBefore;
    emit stopChanged(act.stop);
    emit currentChanged(m_current);
    return ok;
}

bool RouteWalk::refuse(Problem problem)
{
    m_problem = problem;
    return false;
}
