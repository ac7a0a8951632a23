#pragma once

class HidBackend;

namespace Cli {

struct Invocation;

// The commands that talk to a gauge (list, info, read, report, watch) over `backend`; the
// run's command is one of them.
int runGaugeCommand(Invocation &run, HidBackend &backend);

// The commands that read the survey store (history, export, compare) and need no gauge.
int history(Invocation &run);
int exportSession(Invocation &run);
int compare(Invocation &run);

} // namespace Cli
