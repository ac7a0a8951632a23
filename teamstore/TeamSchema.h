#pragma once

class TeamConnection;

// The team's tables on the server, in their own PostgreSQL schema `palvarin`, with the versions
// applied in palvarin.schema_version (one row per step). Every asset, CML, route, survey and
// reading is keyed by the UUID it has in the survey file it came from, and says who published
// it and when; readings are facts that are only ever added.
namespace TeamSchema {

// 1: assets, CMLs, routes and their stops, surveys, readings.
// 2: what a survey's session needs to be shown again; CMLs' design inputs and revisions; the
//    log of conflict choices; notices of new readings (channel ReadingsChannel, the survey's
//    UUID as payload) and of register changes; the roles palvarin_inspector and
//    palvarin_engineer with their grants and row-level security.
inline constexpr int Version = 2;

inline constexpr const char *ReadingsChannel = "palvarin_readings";
inline constexpr const char *RegisterChannel = "palvarin_register";
inline constexpr const char *InspectorRole = "palvarin_inspector";
inline constexpr const char *EngineerRole = "palvarin_engineer";

enum class Outcome {
    Ready,    // the schema is at Version (made or brought up now, or already there)
    Newer,    // the server holds a newer schema than this program knows: leave it alone
    Failed,   // the connection's problem() says why; nothing was changed
};

// Creates the schema or brings it up to Version, in one transaction; run again, it changes
// nothing. Two programs doing it at once take turns.
Outcome ensure(TeamConnection &connection);

// The version the server holds (0: none), or -1 when it cannot be read.
int serverVersion(TeamConnection &connection);

} // namespace TeamSchema
