#pragma once

#include <QString>

#include <functional>

class GaugeSession;
class HidBackend;
class SurveyStore;

namespace Cli {

struct Command;
struct Invocation;

// The survey store opened only to read it: the inspector's file is never created, migrated
// or changed that way. Missing: there is none at run.storePath (nothing was said); Failed:
// the reason was told.
enum class Opened { Yes, Missing, Failed };
Opened openStore(Invocation &run, SurveyStore &store);
// Why the store cannot be opened (or written), in words.
QString storeProblemText(const SurveyStore &store);

// The commands that talk to a gauge (list, info, read, report, watch) over `backend`; the
// run's command is one of them.
int runGaugeCommand(Invocation &run, HidBackend &backend);

// walk (WalkCommand.cpp): the survey store opened into `store` and the walk's places checked,
// then `connect` (0 or its exit code) reaches the gauge, then the walk runs until it is done,
// quit or the gauge is gone. `store` must outlive `session`.
int walk(Invocation &run, GaugeSession &session, SurveyStore &store, const std::function<int()> &connect);

// The commands that read the survey store (history, export, compare) and need no gauge.
int history(Invocation &run);
int exportSession(Invocation &run);
int compare(Invocation &run);

// asset report: every CML of an asset judged, as a PDF report or one table (AssetReportCommand.cpp).
int assetReport(Invocation &run);

// The commands of the places in the survey store: assets, cml ..., readings ..., route ...,
// assign, survey list.
bool isPlaceCommand(const Command &command);
int runPlaceCommand(Invocation &run);

// The commands that judge CMLs over time (due, cml show, cml design) and the required
// thickness calculators (tmin).
bool isJudgementCommand(const Command &command);
int runJudgementCommand(Invocation &run);
int tmin(Invocation &run);

// The grid survey areas (grid define, grid place, grid show; GridCommands.cpp).
bool isGridCommand(const Command &command);
int runGridCommand(Invocation &run);

// The team server (team status, publish, sync, resolve; TeamCommands.cpp).
bool isTeamCommand(const Command &command);
int runTeamCommand(Invocation &run);

} // namespace Cli
