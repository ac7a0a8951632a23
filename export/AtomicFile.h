#pragma once

#include <QString>

#include <functional>

// How a write through a temporary file ended, and at which step it stopped.
struct AtomicWrite
{
    enum class Step : quint8 {
        Done,    // the target holds the new file
        Target,  // the target is a folder or no file, or its folder is missing
        Reserve, // no temporary file could be made beside it
        Produce, // writing the content failed (or was cancelled)
        Rename,  // the finished file could not be put in the target's place
    };
    Step step = Step::Done;
    // The system's error number (-1: none given; ECANCELED: cancelled while producing).
    int error = 0;
    bool ok() const { return step == Step::Done; }
};

// Writes `chosen` through a temporary file beside it (named with the export prefix, so
// leftovers of a killed program are removed by the next write there), put in place with
// rename(2) only once `produce` wrote it completely: the old file stays as it was on any
// failure. A symbolic link is written through (the file it points to gets the content, the
// link stays). `produce` gets the temporary path, where nothing exists yet, and returns 0,
// or an error number as above; an empty result counts as a failure.
AtomicWrite writeAtomically(const QString &chosen, const QString &suffix,
                            const std::function<int(const QString &temporaryPath)> &produce);
