#pragma once

#include "analysis/ProbeVerdict.h"
#include "store/Places.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class GaugeSession;

// Walking a route (or an asset's CMLs in order) with the gauge: each reading the gauge pushes
// is assigned to the stop it was taken at and judged at once against that CML's history; the
// inspector accepts it (the walk goes on), asks to measure again (the next reading replaces
// it), skips the stop with a reason, or goes back; every one of these can be undone.
//
// Nothing is held back from the survey file: the readings are committed as they arrive, as
// every reading is, and each one, each verdict and each key is logged in the walk log
// (Places::logWalkStep). A replaced reading stays in the survey and in the CML's history, left
// out of its rates by a mark decision ("re-measured"); an undo withdraws that decision.
//
// The walk's survey is the survey file's session the readings go into; it is told the route
// (or the asset) walked when the first reading arrives. No widgets: the window and the tool
// both drive it and show what it signals.
//
// A multi-layer reading whose name is a stop's CML tag (trimmed, case-insensitive) belongs to
// that stop, which becomes the current one; any other reading belongs to the current stop.
// The thickness judged is the first layer's.

struct WalkStop
{
    enum class State : quint8 {
        Waiting = 0,  // no reading yet (or the last one is to be replaced)
        Measured = 1, // a reading judged, not yet accepted
        Accepted = 2,
        Skipped = 3,
    };

    Cml cml;
    QString assetPath;
    State state = State::Waiting;
    // What its history lets one expect today, from its counted readings taken before the walk
    // came to it; in `unit`. The required thickness is in it too (NaN: not known).
    ProbeExpectation expectation;
    QString unit; // the unit of the expectation and of `thickness` ("mm", "inch")
    // The reading being judged or accepted (key 0: none) and its verdict. With remeasureAsked,
    // the reading the next one replaces (it still counts until that one comes).
    qint64 key = 0;
    double thickness = ProbeExpectation::None; // in `unit`; NaN when flagged out of range
    ProbeVerdict verdict = ProbeVerdict::Ok;
    bool remeasureAsked = false; // the next reading replaces `key`
    QVector<qint64> replaced;    // readings replaced at this stop, oldest first
    SkipReason reason = SkipReason::Other; // when Skipped
    QString note;
};

class RouteWalk : public QObject
{
    Q_OBJECT
public:
    // Why start() or an action refused.
    enum class Problem {
        None,
        NoStore,      // the session keeps no survey file, or it cannot be written
        NotFound,     // the route or the asset is not in the file
        Empty,        // it has no CMLs
        NoSurvey,     // nothing to log the key in yet: no reading has come and no gauge is connected
        StoreFailed,  // a write failed; Places::problem() of the store said why
        NothingToUndo,
        NotNow,       // the action does not apply to the stop's state (accept with no reading, back at the first stop)
    };

    // `session` must outlive the walk; it is followed through its measurement() signal.
    explicit RouteWalk(GaugeSession &session, QObject *parent = nullptr);
    ~RouteWalk() override;

    // Starts walking; false (problem() says why) when it cannot. `who` is logged with each step.
    bool startRoute(qint64 route, const QString &who);
    bool startAsset(qint64 asset, const QString &who); // its own CMLs, by tag
    // The user's tolerance of the band (half-width, in mm; converted for inch readings). Applies
    // to stops judged from now on.
    void setToleranceMm(double mm);
    double toleranceMm() const { return m_toleranceMm; }

    Problem problem() const { return m_problem; }
    bool running() const { return !m_stops.isEmpty() && !m_finished; }
    QString name() const { return m_name; } // the route's name, or the asset's path
    qint64 route() const { return m_route; }
    qint64 survey() const { return m_survey; } // 0 until the first reading
    const QVector<WalkStop> &stops() const { return m_stops; }
    int current() const { return m_current; } // index into stops(); stops().size() when past the end
    // Every stop accepted or skipped.
    bool finished() const { return m_finished; }

    // ---- the inspector's keys ----
    bool accept();                  // the current stop's reading: on to the next stop not yet done
    bool remeasure();               // the next reading replaces the current one (any new reading at a
                                    // stop replaces its reading; this says it is expected)
    bool skip(SkipReason reason, const QString &note = QString());
    bool back();                    // to the stop before (its state kept; a new reading replaces its accepted one)
    bool undo();                    // takes back the newest action not yet undone (readings stay in the survey)

    // For the tool and tests: the reading with this store key arrived (normally from the
    // session's measurement() signal with the row's key).
    void readingArrived(qint64 key);

signals:
    // The current stop changed (a key, a jump by name, an undo).
    void currentChanged(int index);
    // A stop's reading was judged, or its state changed.
    void stopChanged(int index);
    // Every stop is done (also emitted again when an undo reopens one and it is done again).
    void walkFinished();

private:
    bool begin(std::unique_ptr<Places> places, const QVector<Cml> &cmls, qint64 route, const QString &name,
               const QString &who);
    // The stop's expectation from its CML's readings but those the walk took there (and
    // `arrivedKey`), in `readingUnit` when given, else the unit it was shown in. False when the store failed.
    bool expect(int index, qint64 arrivedKey = 0, QString readingUnit = QString());
    qint64 log(WalkAction action, int stop, qint64 key = 0, quint8 verdict = 0, SkipReason reason = SkipReason::Other,
               const QString &note = QString(), qint64 undoes = 0);
    // The survey to log in: the one readings came in, else the survey file's current session.
    bool ensureSurvey();
    void adoptSurvey(qint64 survey);
    void describeSurvey(); // tells the survey file the walk's route or asset and inspector
    // The first stop after `after`, going round, neither accepted nor skipped; -1 when none.
    int nextOpenStop(int after) const;
    void moveOn(int from);
    bool refuse(Problem problem);

    struct Impl;
    std::unique_ptr<Impl> d;
    GaugeSession &m_session;
    Problem m_problem = Problem::None;
    QString m_name;
    qint64 m_route = 0;
    qint64 m_survey = 0;
    QVector<WalkStop> m_stops;
    int m_current = 0;
    bool m_finished = false;
    double m_toleranceMm = 0;
};
