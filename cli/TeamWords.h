#pragma once

#include "teamstore/TeamConflicts.h"

#include <QString>
#include <QStringList>

class TeamConnection;

namespace Cli {

struct Invocation;

// The team server's failures in words, with the exit code: 3 when it cannot be reached, else 1.
// `doing` says what was refused ("change a CML"), for a refusal.
int teamFailed(Invocation &run, const TeamConnection &connection, const QString &doing);

// A conflict side by side: the CML, then each field that differs with this file's value and
// the server's, and who changed it there and when.
QStringList conflictLines(const CmlConflict &conflict);

} // namespace Cli
