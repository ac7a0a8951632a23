#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/GridLayout.h"
#include "analysis/RequiredThickness.h"
#include "store/PlacesMerge.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>
#include <optional>
#include <vector>

class SurveyStore;

// Where readings were taken, kept in the survey file beside the rows it logs: assets as a tree
// (site, unit, equipment, circuit), condition monitoring locations (CMLs) under an asset, routes
// (ordered lists of CMLs) and surveys. A survey is one session of the file (its id is the
// session's); its readings are the session's rows that count (neither deleted nor cleared
// unsaved), each keeping its record number, its values and flags, and now a CML, a comment and
// a UUID. Every asset, CML, route, survey and reading has a UUID besides its local key, so two
// files can be merged later without their keys colliding.
//
// Places is called on the thread that owns the store, as the store itself is, and shares its
// connection, its lock and its problems: a store that cannot be written refuses every change
// here too (problem() is StoreRefused). Every change is one transaction: it is all in the file
// or none of it is.

inline constexpr double NotGiven = std::numeric_limits<double>::quiet_NaN();

enum class AssetKind { Site = 0, Unit = 1, Equipment = 2, Circuit = 3, Other = 4 };

struct Asset
{
    qint64 id = 0;
    QByteArray uuid; // 16 bytes
    qint64 parent = 0; // 0: a top-level asset
    AssetKind kind = AssetKind::Other;
    QString tag; // unique among its siblings, case-insensitively
    QString description;
};

// A measurement location. Numbers in the unit of the readings taken there; NaN: not given.
struct Cml
{
    qint64 id = 0;
    QByteArray uuid;
    qint64 asset = 0;
    QString tag; // unique within its asset, case-insensitively
    QString description;
    double nominal = NotGiven;
    double minimum = NotGiven; // required minimum thickness
    double allowance = NotGiven; // corrosion allowance
    QString material;
    QString notes;
};

// A CML as the Assets view lists it: with its newest reading and how many it has.
struct CmlSummary
{
    Cml cml;
    qint64 readings = 0;
    qint64 lastMs = 0; // 0: never read
    double lastValue = NotGiven; // the first layer's thickness of the newest reading
    bool lastOutOfRange = false;
};

// One reading: a row of a survey. values in the record's order (see GaugeRecord): single
// layer thickness, velocity; multi layer thickness 1-3, then velocity 1-3.
struct PlaceReading
{
    qint64 key = 0; // the store's row key (session << 32 | sequence)
    QByteArray uuid;
    qint64 survey = 0;
    qint64 cml = 0; // 0: not assigned
    qint64 dateMs = 0; // when it arrived
    int layout = 1; // 1 single layer, 2 multi layer
    quint32 number = 0; // place in the gauge's memory; 0 for a pushed or imported one
    QString name; // the record's name (multi layer)
    float values[6] = {};
    quint8 flags = 0; // out-of-range bits, one per value
    QString comment;
    // Of its survey, for a CML's history.
    QString serial;
    QString inspector;
    QString thicknessUnit;
};

enum class StopMark { None = 0, NoAccess = 1, Skipped = 2 };

// Why a walk passed over a CML. Kept as numbers in the file: never renumber.
enum class SkipReason : quint8 {
    NoAccess = 1,   // also marks the CML StopMark::NoAccess on the survey
    Insulated = 2,  // the others mark it StopMark::Skipped
    Obstructed = 3,
    TooHot = 4,
    Unsafe = 5,
    Other = 6,      // the note says why
};

// One step of walking a route with the gauge, as logged (never rewritten; an undo is a step of
// its own naming the step it takes back).
enum class WalkAction : quint8 {
    Reading = 1,   // a reading arrived at the stop and was judged (key, verdict)
    Accept = 2,    // the stop's reading accepted (key); the walk went on to the next stop
    Remeasure = 3, // the stop's reading (key) to be replaced by the next one: left out of the rates
    Skip = 4,      // the stop passed over (reason, note)
    Back = 5,      // back to the stop before
    Undo = 6,      // `undoes` taken back
};

struct WalkStep
{
    qint64 id = 0;
    qint64 survey = 0;
    qint64 route = 0;  // 0: an asset's CMLs walked in order
    int stop = 0;      // the stop's place in the walk, from 0
    qint64 cml = 0;
    WalkAction action = WalkAction::Reading;
    qint64 key = 0;    // the reading's row key (0: none)
    quint8 verdict = 0; // a ProbeVerdict, for Reading
    SkipReason reason = SkipReason::Other; // for Skip
    QString note;
    QString who;
    qint64 atMs = 0;
    qint64 undoes = 0; // for Undo: the step's id
};

struct Route
{
    qint64 id = 0;
    QByteArray uuid;
    QString name; // unique, case-insensitively
    QString notes;
    QVector<qint64> cmls; // in walking order
};

struct SurveyFacts
{
    qint64 id = 0; // the session's id
    QByteArray uuid;
    qint64 dateMs = 0;
    qint64 asset = 0; // the equipment inspected (0: not said)
    qint64 route = 0; // the route walked (0: none)
    QString inspector;
    double velocity = NotGiven; // sound velocity set on the gauge, m/s
    QString notes;
    // Read only: from the session.
    QString serial;
    int layout = 0;
    qint64 readings = 0;
    qint64 assigned = 0;
};

// What an assignment did; id 0 when it changed nothing (or failed: see problem()).
struct Assignment
{
    qint64 id = 0;
    int assigned = 0; // readings that got a CML
    int unassigned = 0; // readings left without one
    QStringList unmatched; // by name: names with no CML, each once, in reading order
    QStringList ambiguous; // by name: names matching CMLs of more than one asset
};

// A CML as a list gives it: its asset by path ("Site/Unit/Equipment", '/' between tags).
struct CmlEntry
{
    QString assetPath;
    Cml cml;
};

// A reading as a list gives it.
struct ReadingEntry
{
    QString assetPath;
    QString tag;
    qint64 dateMs = 0;
    int layers = 1; // 1 single layer, 3 multi layer
    float values[6] = {}; // thickness and velocity, see PlaceReading
    quint8 flags = 0;
    QString comment;
    QString thicknessUnit; // "mm" or "inch", as the gauge names its units
};

// A reading's thickness as judging a CML needs it, for many CMLs at once.
struct ThicknessRow
{
    qint64 cml = 0;
    qint64 key = 0;     // the store's row key
    qint64 dateMs = 0;  // when it arrived
    double thickness = NotGiven; // the first layer's; NaN when the gauge flagged it out of range
    QString unit;       // its survey's thickness unit ("mm", "inch")
    MarkDecision decision = MarkDecision::None; // the newest decision logged on it
};
// Moved in memory as a block when a list of 200,000 grows.
Q_DECLARE_TYPEINFO(ThicknessRow, Q_RELOCATABLE_TYPE);

// One decision on a reading's quality mark, as logged.
struct MarkDecisionEntry
{
    qint64 id = 0;
    qint64 key = 0;          // the reading's row key
    QByteArray readingUuid;
    ReadingMark mark = ReadingMark::None; // the mark it was decided on
    MarkDecision decision = MarkDecision::None; // None: an earlier decision withdrawn
    QString who;
    qint64 atMs = 0;
    QString note;
};

// A CML that is a grid survey area: its shape, masked cells and pitch, and the walk in which
// readings without a cell name fill it.
struct GridDefinition
{
    GridLayout layout;
    WalkPattern walk;
};

// A reading of a grid CML with its cell.
struct GridReading
{
    qint64 key = 0;
    qint64 survey = 0;
    qint64 dateMs = 0;
    GridCell cell;               // invalid: assigned to the grid but to no cell yet
    QString name;                // the record's name (multi layer), e.g. "B12"
    double thickness = NotGiven; // the first layer's; NaN when the gauge flagged it out of range
    QString unit;                // its survey's thickness unit
};

class Places
{
public:
    // Why the last call fell short.
    enum class Problem {
        None,
        StoreRefused, // the store cannot be written (its own problem() says why) or failed
        NotFound,     // a key, a path, a tag or a route that is not in the file
        Duplicate,    // a tag or route name already taken
        BadInput,     // an empty tag, a tag with '/', an asset made its own ancestor
    };

    explicit Places(SurveyStore &store);

    Problem problem() const { return m_problem; }
    // What was not found or duplicated, for the message: a tag, a path, a name.
    QString problemSubject() const { return m_subject; }

    // ---- assets ----
    // Every asset, each parent before its children, siblings by tag.
    QVector<Asset> assets();
    qint64 addAsset(qint64 parent, AssetKind kind, const QString &tag, const QString &description = QString());
    // "Site/Unit/Equipment" to its asset (tags case-insensitive, blanks around them ignored); 0 if none.
    qint64 assetByPath(const QString &path);
    QString assetPath(qint64 asset);
    // An asset's kind by its depth in a path: site, unit, equipment, circuit, then other.
    static AssetKind kindAtDepth(int depth);

    // ---- CMLs ----
    qint64 addCml(const Cml &cml);
    bool updateCml(const Cml &cml);
    // The CMLs of an asset (and with `below`, of every asset under it), by tag; asset 0: all.
    QVector<Cml> cmls(qint64 asset, bool below = false);
    QVector<CmlSummary> cmlSummaries(qint64 asset);
    qint64 cmlByTag(qint64 asset, const QString &tag);
    // One CML by its key; id 0 (problem() NotFound) when there is none.
    Cml cml(qint64 id);
    // Every reading of a CML, oldest first, with its survey's gauge and inspector.
    QVector<PlaceReading> history(qint64 cml);
    // One reading by its row key; key 0 when there is none (or it was deleted).
    PlaceReading reading(qint64 key);

    // ---- lists out (what the CSV lists hold) ----
    // The CMLs under an asset (0: all), by asset path and tag.
    QVector<CmlEntry> cmlEntries(qint64 asset);
    // Every assigned reading under an asset (0: all), by asset path, tag and date.
    QVector<ReadingEntry> readingEntries(qint64 asset);

    // ---- lists in ----
    // All or nothing: the assets of the paths are made as needed (kind by depth), a CML
    // already there (same asset, same tag) takes the entry's fields. *added / *updated count them.
    bool importCmls(const QVector<CmlEntry> &entries, int *added = nullptr, int *updated = nullptr);
    // All or nothing: every entry's CML must exist. One survey is made per day (UTC) of the
    // entries, its readings in the entries' order. The ids of the surveys made.
    QVector<qint64> importReadings(const QVector<ReadingEntry> &entries);

    // ---- routes ----
    qint64 addRoute(const QString &name, const QVector<qint64> &cmls, const QString &notes = QString());
    QVector<Route> routes();
    Route route(qint64 id);
    qint64 routeByName(const QString &name);

    // ---- surveys ----
    QVector<SurveyFacts> surveys(); // newest first; sessions without readings left out
    SurveyFacts survey(qint64 id);
    // Asset, route, inspector, velocity, notes and date of the survey.
    bool setSurvey(const SurveyFacts &facts);
    // The survey's readings in the order they were taken (table order).
    QVector<PlaceReading> surveyReadings(qint64 survey);
    // A CML the inspector could not reach or left out on this survey: a route passes over it.
    bool setMark(qint64 survey, qint64 cml, StopMark mark);
    QHash<qint64, StopMark> marks(qint64 survey);

    // ---- assignment (each one logged and undoable) ----
    // Multi layer: each reading goes to the CML whose tag is its name (trimmed, case-
    // insensitive), among the CMLs under the survey's asset (all CMLs when it has none).
    Assignment assignByName(qint64 survey);
    // The route's CMLs, those marked on this survey left out, take the survey's readings in
    // order; readings past the route's end are left without one. The survey walked the route.
    Assignment assignByRoute(qint64 survey, qint64 route);
    // One reading to a CML by hand (cml 0: to none).
    Assignment moveReading(qint64 key, qint64 cml);
    // Readings to a CML by hand, all or none: one assignment for each survey they belong to.
    // `changed` gets the surveys whose readings moved (the undo takes back each one's newest).
    Assignment moveReadings(const std::vector<qint64> &keys, qint64 cml, QVector<qint64> *changed = nullptr);
    // Takes back the survey's newest assignment not yet undone; its id, 0 if there is none.
    qint64 undoAssignment(qint64 survey);
    bool setComment(qint64 key, const QString &comment);

    // ---- judging CMLs over time ----
    // A CML's design inputs for its required thickness (formula None: none; setting that removes them).
    bool setDesign(qint64 cml, const DesignInputs &inputs);
    DesignInputs design(qint64 cml);
    // Every CML's that has some, by CML.
    QHash<qint64, DesignInputs> designs();
    // The asset's own choice of governing rate and interval; nullopt (also to set): its parent's.
    bool setPolicy(qint64 asset, const std::optional<JudgementPolicy> &policy);
    std::optional<JudgementPolicy> ownPolicy(qint64 asset);
    // The policy that applies: the asset's own, else its nearest ancestor's, else the default.
    JudgementPolicy policy(qint64 asset);
    // The policy that applies to every asset, by asset.
    QHash<qint64, JudgementPolicy> policies();
    // The readings of every CML under an asset (0: all CMLs; an asset: its CMLs and those of
    // every asset below it), by CML, then oldest first, then in table order. Deleted rows and
    // rows cleared unsaved left out.
    QVector<ThicknessRow> thicknessRows(qint64 asset);
    QVector<ThicknessRow> thicknessRowsOf(qint64 cml);
    // Logs a decision on a reading's mark, now, by `who`; MarkDecision::None withdraws the last.
    bool decide(qint64 key, ReadingMark mark, MarkDecision decision, const QString &who, const QString &note = QString());
    // The decisions on a CML's readings, oldest first.
    QVector<MarkDecisionEntry> decisions(qint64 cml);

    // ---- grid CMLs ----
    // Makes the CML a grid, or changes its shape, masks, pitch or walk (an invalid layout: no
    // longer a grid; its readings keep their cells). One transaction.
    bool setGrid(qint64 cml, const GridDefinition &grid);
    // nullopt when the CML is not a grid (or the file is older than grids).
    std::optional<GridDefinition> grid(qint64 cml);
    // The CMLs that are grids.
    QVector<qint64> gridCmls();
    // A reading's cell (an invalid cell: none). The reading must exist.
    bool setCell(qint64 key, GridCell cell);
    // Several at once, all or none.
    bool setCells(const QVector<QPair<qint64, GridCell>> &cells);
    GridCell cell(qint64 key);
    // The readings assigned to a grid CML, of one survey (0: of all), by survey, then in the order taken.
    QVector<GridReading> gridReadings(qint64 cml, qint64 survey = 0);

    // ---- walking a route with the gauge ----
    // Logs a step (its id and atMs, when 0, are set: now); the step's id, 0 on failure.
    // The file must have the walk log (schema 5 on). One transaction.
    qint64 logWalkStep(const WalkStep &step);
    // The survey's steps, in the order logged.
    QVector<WalkStep> walkSteps(qint64 survey);

    // ---- bringing in what another file holds, by UUID (PlacesMerge.h) ----
    // All or nothing: each asset, CML (with its design) and route whose UUID the file lacks is
    // added; those it has are left as they are. Duplicate (problemSubject() the tag or name)
    // when one's tag or name is taken here by another; NotFound when one refers to a UUID
    // neither the file nor the call holds.
    bool mergeRegister(const QVector<MergeAsset> &assets, const QVector<MergeCml> &cmls,
                       const QVector<MergeRoute> &routes, MergeCounts *added = nullptr);
    // All or nothing: the survey (made, as a past session, when the file lacks it) and those of
    // its readings the file lacks. The number of readings added; -1 on failure.
    qint64 mergeSurvey(const MergeSurvey &survey, const QVector<MergeReading> &readings);
    // Every survey's UUID with the number of its readings the file has.
    QHash<QByteArray, qint64> surveyReadingCounts();
    // A CML's fields (not its asset or tag) and design at once; the CML by its id.
    bool setCmlMetadata(const Cml &cml, const DesignInputs &design);
    qint64 cmlByUuid(const QByteArray &uuid);
    // What was last agreed with the shared store, by CML (schema 7 on; empty before).
    QHash<qint64, AgreedCml> agreedCmls();
    bool setAgreed(qint64 cml, const AgreedCml &agreed);

private:
    // Places of a file that has them (schema 3 on); a read-only file answers, empty if older.
    bool readable();
    // Starts a change: the store writable, a transaction begun.
    bool beginChange();
    bool commitChange();
    bool refuse(Problem problem, const QString &subject = QString());
    // A failed step: a taken tag or name is Duplicate (the transaction rolled back, the store
    // still usable); anything else is the store's failure.
    bool stepFailed(int rc, const char *what, const QString &subject = QString());
    qint64 insertAsset(qint64 parent, AssetKind kind, const QString &tag, const QString &description);
    qint64 insertCml(const Cml &cml);
    qint64 findAsset(const QString &path);
    qint64 ensureAssetPath(const QString &path);
    qint64 findCml(qint64 asset, const QString &tag);
    QString pathOf(qint64 asset);
    QVector<qint64> subtree(qint64 asset);
    QVector<PlaceReading> readingsWhere(const char *where, qint64 arg, const char *order);
    QVector<ThicknessRow> thicknessRowsWhere(const char *where, qint64 arg);
    bool judgementTables() const; // the file has the tables of schema 4
    bool walkTables() const;      // the file has the walk log of schema 5
    bool gridTables() const;      // the file has the grids of schema 6
    bool agreedTables() const;    // the file has what was agreed with a shared store (schema 7)
    qint64 idByUuid(const char *table, const QByteArray &uuid);
    bool writeDesign(qint64 cml, const DesignInputs &inputs);
    // Sets each reading's CML and logs it as one assignment of the survey.
    Assignment apply(qint64 survey, const char *how, const QVector<QPair<qint64, qint64>> &moves);

    SurveyStore &m_store;
    Problem m_problem = Problem::None;
    QString m_subject;
};

// A CML brought in by UUID as the file keeps its fields (id and asset 0), and a CML of the
// file with its design as another file would be sent it (its asset's UUID left empty).
Cml cmlFields(const MergeCml &merged);
MergeCml mergeCml(const Cml &cml, const DesignInputs &design);
