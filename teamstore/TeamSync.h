#pragma once

#include "store/PlacesMerge.h"
#include "teamstore/TeamConflicts.h"

#include <QSet>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

#include <libpq-fe.h>

class Places;
class SurveyStore;
class TeamConnection;

// Brings into a local survey file what the server holds and the file lacks: the asset register,
// CMLs (with their design inputs) and routes, then every survey with the readings the file does
// not have, each survey in one transaction of the file. A CML changed on the server only takes
// the server's fields; one changed on both sides since they last agreed is left as it is here
// and listed as a conflict. Stopped (cancel, a dropped connection, a killed program), it keeps
// every survey it finished, and the next call fetches only what is still missing.
//
// Runs on any thread; the file is opened for writing for the call.
class TeamSync
{
public:
    enum class Problem {
        None,
        Cancelled,
        LocalFile,   // the file could not be opened or written (localMessage() says why)
        Duplicate,   // a tag or route name from the server is taken here by another (localMessage())
        NewerSchema, // the server's schema is newer than this program's
        OlderSchema, // the server's schema is older and this role may not bring it up
        Server,      // the connection's problem() and serverMessage() say why
    };

    struct Outcome
    {
        Problem problem = Problem::None;
        MergeCounts added;          // assets, CMLs and routes new to the file
        int cmlsUpdated = 0;        // CMLs that took the server's fields
        int surveysAdded = 0;       // surveys new to the file
        qint64 readingsAdded = 0;
        QVector<CmlConflict> conflicts;
    };

    // done/total surveys of this call, after each one.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    explicit TeamSync(TeamConnection &connection);

    Outcome sync(const QString &surveyFile, const Progress &progress = {}, const std::atomic<bool> *cancel = nullptr);
    // The same into a store already open for writing (on the caller's thread).
    Outcome sync(SurveyStore &store, const Progress &progress = {}, const std::atomic<bool> *cancel = nullptr);
    // Only what a notice named: the register when it changed, and the readings of these
    // surveys (UUIDs) the file lacks. The server's schema is taken as it is.
    Outcome syncNamed(SurveyStore &store, bool registerChanged, const QSet<QByteArray> &surveys);
    QString localMessage() const { return m_localMessage; }

private:
    bool mergeRegister(Places &places, const ServerRegister &server, Outcome &out);
    // The surveys of `rows` of a SurveysSql result, each with the readings the file lacks.
    bool mergeSurveys(Places &places, const PGresult *surveys, const QVector<int> &rows, Outcome &out,
                      const Progress &progress, const std::atomic<bool> *cancel);
    Outcome localFailed(Places &places, SurveyStore &store, Outcome &out);

    TeamConnection &m_connection;
    QString m_localMessage;
};
