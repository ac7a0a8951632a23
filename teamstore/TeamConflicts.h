#pragma once

#include "store/PlacesMerge.h"
#include "teamstore/TeamRegister.h"

#include <QHash>
#include <QVector>

class Places;
class TeamConnection;

// A CML whose metadata was changed both on this laptop and on the server since they last
// agreed: both versions, for the user to choose one.
struct CmlConflict
{
    qint64 cml = 0; // the local key
    QString assetPath;
    MergeCml mine;
    ServerCml theirs;
};

// How each CML the file and the server both hold stands against what they last agreed on.
struct CmlReview
{
    QVector<CmlConflict> conflicts;
    QVector<QPair<qint64, ServerCml>> theirsOnly; // changed on the server only: the file takes it
    QVector<QPair<qint64, MergeCml>> mineOnly;    // changed here only: publishing sends it
    QHash<qint64, AgreedCml> agreedNow;           // the same on both sides: agreed at this revision
};

namespace TeamConflicts {

CmlReview review(Places &places, const ServerRegister &server);

enum class Keep { Mine, Theirs };
enum class Result {
    Done,
    Stale,  // the server's CML changed again meanwhile: sync, then choose again
    Server, // the connection's problem() says why (Refused: this role may not change CMLs)
    Local,  // the survey file refused the change (the Places' problem() says why)
};

// The server's fields into the file's CML, agreed at the server's revision.
bool takeTheirs(Places &places, qint64 cml, const ServerCml &theirs);

// Settles a conflict: the chosen fields on both sides, agreed at the server's new revision,
// and the choice logged on the server with who made it and when.
Result choose(TeamConnection &connection, Places &places, const CmlConflict &conflict, Keep keep);

} // namespace TeamConflicts
