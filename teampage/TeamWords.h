#pragma once

#include "session/TeamLink.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

// What the team link's jobs came to, in words in the language in use.
class TeamWords
{
    Q_DECLARE_TR_FUNCTIONS(TeamWords)
public:
    static QString published(const TeamPublish::Outcome &outcome, const TeamLink::Report &report);
    static QString synced(const TeamSync::Outcome &outcome, const TeamLink::Report &report);
    // `name` as cmlName() gives it; `keep` the choice that was asked for.
    static QString chose(const QString &name, TeamConflicts::Keep keep, TeamConflicts::Result result,
                         const TeamLink::Report &report);
    // The live line: on, off, or why it could not start or was lost.
    static QString live(bool on, const TeamLink::Report &report);
    static QString readingsCameIn(qint64 readings);

    // Why a job did not start.
    static QString noConnection();
    static QString alreadyBusy();
    static QString working(bool publishing);
    static QString choosing(const QString &name, TeamConflicts::Keep keep);
    static QString noConflict(const QString &name);
    static QString cancelling();

    // The server's failure: `doing` says what it would not do ("take the survey file").
    static QString server(const TeamLink::Report &report, const QString &doing);

    // "ASSET/PATH/TAG".
    static QString cmlName(const CmlConflict &conflict);
    // Who changed the server's copy and when; empty when nobody has since it was published.
    static QString changedBy(const CmlConflict &conflict);

    // One field two copies of a CML hold differently.
    struct Difference
    {
        QString field;
        QString mine;
        QString theirs;
    };
    // Every field that differs, in the order the CML's form shows them.
    static QVector<Difference> differences(const CmlConflict &conflict);
};
