#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The lock that says which program holds the gauge connection for one user: the window
// program takes it at start (SingleInstance), the command-line tool looks at it before it
// opens a gauge, so the two never read beside each other.
namespace InstanceLock {

// The identity of a program file for one user: "palvarin-<uid>-<hash of the path>", or
// PALVARIN_INSTANCE_NAME when set (tests, side-by-side runs).
QString nameFor(const QString &programPath);
// Where the lock files live: the user's runtime directory, else the temporary one.
QString lockDirectory();
QString lockPath(const QString &name);
// The window program's identity as seen from a program installed beside it.
QString windowProgramName();
// Takes the lock of `name` for as long as the returned object lives. Null when it could not:
// `heldElsewhere` is then true while a live process holds it, false when no lock could be
// made at all (an unwritable folder). A lock left by a crashed process is taken over; a live
// holder's lock is never judged stale by its age, however long it has been held.
std::unique_ptr<QLockFile> take(const QString &name, bool *heldElsewhere);

} // namespace InstanceLock
