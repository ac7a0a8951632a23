// The team server: who you are there and what it lacks (team status), sending this survey
// file's surveys (team publish), bringing the team's into it (team sync), and settling a CML
// changed on both sides (team resolve).
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "cli/TeamWords.h"
#include "store/SurveyStore.h"
#include "teamstore/TeamConflicts.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamPublish.h"
#include "teamstore/TeamRegister.h"
#include "teamstore/TeamSchema.h"
#include "teamstore/TeamSync.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <atomic>

namespace Cli {

namespace {

QByteArray line(const QString &text)
{
    return text.toUtf8() + '\n';
}

// Connected to the server of --team: Done, or the exit code once told why.
int connect(Invocation &run, TeamConnection &connection)
{
    if (connection.open(run.team.conninfo))
        return Done;
    return teamFailed(run, connection, CliWords::tr("connect"));
}

QString serverName(const TeamConnection &connection)
{
    PGconn *c = connection.handle();
    return QStringLiteral("%1@%2/%3")
        .arg(QString::fromUtf8(PQuser(c)), QString::fromUtf8(PQhost(c)), QString::fromUtf8(PQdb(c)));
}

int schemaRefused(Invocation &run, int serverVersion)
{
    if (serverVersion > TeamSchema::Version)
        return run.fail(CliWords::tr("the team server was set up by a newer version of this program (its version %1, "
                                     "this program's %2); update this program.")
                            .arg(serverVersion)
                            .arg(TeamSchema::Version));
    return run.fail(CliWords::tr("the team server's tables are older than this program's (%1, here %2) and only "
                                 "their owner may bring them up: ask the server's administrator to run "
                                 "'palvarin-cli team status' once.")
                        .arg(serverVersion)
                        .arg(TeamSchema::Version));
}

// The role the server's user has among the program's: "engineer", "inspector" or "".
QString roleOf(TeamConnection &connection)
{
    PgResult roles = connection.exec(
        "SELECT coalesce(bool_or(rolname = 'palvarin_engineer'), false), count(*) > 0 FROM pg_roles"
        " WHERE rolname IN ('palvarin_engineer', 'palvarin_inspector') AND pg_has_role(oid, 'MEMBER')",
        {}, PGRES_TUPLES_OK);
    if (!roles || PQntuples(roles.get()) != 1)
        return QString();
    if (*PQgetvalue(roles.get(), 0, 0) == 't')
        return QStringLiteral("engineer");
    return *PQgetvalue(roles.get(), 0, 1) == 't' ? QStringLiteral("inspector") : QString();
}

int teamStatus(Invocation &run)
{
    TeamConnection server;
    if (const int code = connect(run, server))
        return code;
    // The first to look sets the server up, if allowed to.
    const TeamSchema::Outcome schema = TeamSchema::ensure(server);
    const int version = TeamSchema::serverVersion(server);
    if (schema == TeamSchema::Outcome::Newer || (schema == TeamSchema::Outcome::Failed && version > 0))
        return schemaRefused(run, version);
    if (schema == TeamSchema::Outcome::Failed)
        return teamFailed(run, server, CliWords::tr("set up its tables"));
    QStringList out;
    out << CliWords::tr("team server: %1, tables at version %2").arg(serverName(server)).arg(version);
    const QString role = roleOf(server);
    out << (role == QLatin1String("engineer")    ? CliWords::tr("you are an engineer: you add surveys and change CMLs.")
            : role == QLatin1String("inspector") ? CliWords::tr("you are an inspector: you add surveys and readings; "
                                                                "CMLs are changed by engineers.")
                                                 : CliWords::tr("you have no role there yet: ask the server's "
                                                                "administrator to grant you palvarin_inspector or "
                                                                "palvarin_engineer."));
    PgResult counts = server.exec("SELECT (SELECT count(*) FROM palvarin.assets), (SELECT count(*) FROM palvarin.cmls),"
                                  " (SELECT count(*) FROM palvarin.surveys), (SELECT count(*) FROM palvarin.readings)",
                                  {}, PGRES_TUPLES_OK);
    if (!counts)
        return teamFailed(run, server, CliWords::tr("read its tables"));
    const auto n = [&](int column) { return QString::fromLatin1(PQgetvalue(counts.get(), 0, column)); };
    out << CliWords::tr("on the server: %1 assets, %2 CMLs, %3 surveys, %4 readings").arg(n(0), n(1), n(2), n(3));

    SurveyStore store;
    if (!QFileInfo::exists(run.storePath)) {
        out << CliWords::tr("no survey file yet (%1): 'palvarin-cli team sync' makes one.").arg(run.storePath);
        return run.print(line(out.join(QLatin1Char('\n'))));
    }
    if (openStore(run, store) != Opened::Yes)
        return Failed;
    Places places(store);
    PgResult there = server.exec("SELECT survey, count(*) FROM palvarin.readings GROUP BY survey", {}, PGRES_TUPLES_OK);
    ServerRegister reg;
    if (!there || !TeamRegister::read(server, &reg))
        return teamFailed(run, server, CliWords::tr("read its tables"));
    QHash<QByteArray, qint64> serverCounts;
    for (int row = 0; row < PQntuples(there.get()); ++row)
        serverCounts.insert(TeamRegister::uuidBytes(there.get(), row, 0), atoll(PQgetvalue(there.get(), row, 1)));
    qint64 toSend = 0, toFetch = 0;
    int surveysToSend = 0;
    const QHash<QByteArray, qint64> here = places.surveyReadingCounts();
    for (auto it = here.constBegin(); it != here.constEnd(); ++it) {
        const qint64 server = serverCounts.value(it.key());
        if (it.value() > server) {
            toSend += it.value() - server;
            ++surveysToSend;
        }
    }
    for (auto it = serverCounts.constBegin(); it != serverCounts.constEnd(); ++it)
        toFetch += std::max<qint64>(0, it.value() - here.value(it.key()));
    const CmlReview review = TeamConflicts::review(places, reg);
    out << CliWords::tr("this file (%1): %2 readings of %3 surveys to publish, %4 readings to sync, "
                        "%5 CMLs changed here to publish, %6 conflicts")
               .arg(run.storePath)
               .arg(toSend)
               .arg(surveysToSend)
               .arg(toFetch)
               .arg(review.mineOnly.size())
               .arg(review.conflicts.size());
    return run.print(line(out.join(QLatin1Char('\n'))));
}

int teamPublish(Invocation &run)
{
    if (!QFileInfo::exists(run.storePath))
        return run.fail(CliWords::tr("there is no survey file (%1) to publish.").arg(run.storePath));
    TeamConnection server;
    if (const int code = connect(run, server))
        return code;
    std::atomic<bool> cancel{run.interrupted()};
    TeamPublish publish(server);
    std::unique_ptr<ProgressHandle> bar;
    const TeamPublish::Outcome out = publish.publish(
        run.storePath,
        [&](qint64 done, qint64 total) {
            if (!bar)
                bar = run.ui.createProgress(nullptr, CliWords::tr("Publishing readings"), QString(), 0, int(total));
            bar->setValue(int(done));
            cancel = bar->wasCanceled();
        },
        &cancel);
    bar.reset();
    const QString sent = CliWords::tr("%1 of %2 readings sent (%3 new to the server).")
                             .arg(out.readingsSent)
                             .arg(out.readingsMissing)
                             .arg(out.readingsStored);
    switch (out.problem) {
    case TeamPublish::Problem::None: break;
    case TeamPublish::Problem::Cancelled:
        return run.fail(CliWords::tr("publishing stopped: %1 What was sent stays; publish again to send the rest.")
                            .arg(sent));
    case TeamPublish::Problem::LocalFile:
        return run.fail(CliWords::tr("cannot read the survey file %1: %2").arg(run.storePath, publish.localMessage()));
    case TeamPublish::Problem::NewerSchema: return schemaRefused(run, TeamSchema::serverVersion(server));
    case TeamPublish::Problem::Server: {
        const int code = teamFailed(run, server, CliWords::tr("take the survey file"));
        if (out.readingsSent)
            run.ui.message(CliWords::tr("%1 What was sent stays; publish again to send the rest.").arg(sent));
        return code;
    }
    }
    QStringList lines{CliWords::tr("published %1 to %2: %3").arg(run.storePath, serverName(server), sent)};
    if (out.cmlsUpdated)
        lines << CliWords::tr("%1 CMLs changed here were changed on the server too.").arg(out.cmlsUpdated);
    if (!out.cmlEditsRefused.isEmpty())
        lines << CliWords::tr("not sent, as only engineers change CMLs: your changes to %1. They stay in this file.")
                     .arg(out.cmlEditsRefused.join(QStringLiteral(", ")));
    return run.print(line(lines.join(QLatin1Char('\n'))));
}

QStringList conflictList(const QVector<CmlConflict> &conflicts)
{
    QStringList lines;
    if (conflicts.isEmpty())
        return lines;
    lines << CliWords::tr("%1 CMLs were changed both here and on the server since the last sync; neither was "
                          "overwritten:")
                 .arg(conflicts.size());
    for (const CmlConflict &c : conflicts)
        lines << conflictLines(c);
    lines << CliWords::tr("Choose for each: palvarin-cli team resolve PATH/TAG --keep mine|theirs");
    return lines;
}

int teamSync(Invocation &run)
{
    TeamConnection server;
    if (const int code = connect(run, server))
        return code;
    std::atomic<bool> cancel{run.interrupted()};
    TeamSync sync(server);
    std::unique_ptr<ProgressHandle> bar;
    const TeamSync::Outcome out = sync.sync(
        run.storePath,
        [&](qint64 done, qint64 total) {
            if (!bar)
                bar = run.ui.createProgress(nullptr, CliWords::tr("Bringing in surveys"), QString(), 0, int(total));
            bar->setValue(int(done));
            cancel = bar->wasCanceled();
        },
        &cancel);
    bar.reset();
    const QString brought =
        CliWords::tr("%1 assets, %2 CMLs and %3 routes new here, %4 CMLs took the server's changes; %5 surveys new "
                     "here, %6 readings added.")
            .arg(out.added.assets)
            .arg(out.added.cmls)
            .arg(out.added.routes)
            .arg(out.cmlsUpdated)
            .arg(out.surveysAdded)
            .arg(out.readingsAdded);
    switch (out.problem) {
    case TeamSync::Problem::None: break;
    case TeamSync::Problem::Cancelled:
        return run.fail(CliWords::tr("sync stopped: %1 What came stays; sync again for the rest.").arg(brought));
    case TeamSync::Problem::LocalFile:
        return run.fail(CliWords::tr("cannot write the survey file %1: %2").arg(run.storePath, sync.localMessage()));
    case TeamSync::Problem::Duplicate:
        return run.fail(CliWords::tr("'%1' on the team server is another asset, CML or route than the one of that name "
                                     "in %2; rename one of them, then sync again.")
                            .arg(sync.localMessage(), run.storePath));
    case TeamSync::Problem::NewerSchema:
    case TeamSync::Problem::OlderSchema: return schemaRefused(run, TeamSchema::serverVersion(server));
    case TeamSync::Problem::Server: return teamFailed(run, server, CliWords::tr("give its surveys"));
    }
    QStringList lines{CliWords::tr("synced %1 from %2: %3").arg(run.storePath, serverName(server), brought)};
    lines << conflictList(out.conflicts);
    return run.print(line(lines.join(QLatin1Char('\n'))));
}

int teamResolve(Invocation &run)
{
    const QString given = run.arguments.at(0).trimmed();
    const int slash = given.lastIndexOf(QLatin1Char('/'));
    SurveyStore store;
    if (!openToChange(run, store, false))
        return Failed;
    Places places(store);
    const qint64 asset = slash > 0 ? places.assetByPath(given.left(slash)) : 0;
    const qint64 cml = asset ? places.cmlByTag(asset, given.mid(slash + 1).trimmed()) : 0;
    if (!cml)
        return run.fail(CliWords::tr("there is no CML %1 in %2; give it as PATH/TAG, as team sync lists it.")
                            .arg(given, run.storePath));
    TeamConnection server;
    if (const int code = connect(run, server))
        return code;
    ServerRegister reg;
    if (!TeamRegister::read(server, &reg))
        return teamFailed(run, server, CliWords::tr("read its tables"));
    for (const CmlConflict &c : TeamConflicts::review(places, reg).conflicts) {
        if (c.cml != cml)
            continue;
        const auto keep = run.team.keepMine ? TeamConflicts::Keep::Mine : TeamConflicts::Keep::Theirs;
        switch (TeamConflicts::choose(server, places, c, keep)) {
        case TeamConflicts::Result::Done:
            return run.print(line(run.team.keepMine
                                      ? CliWords::tr("%1: this file's fields are now the team's.").arg(given)
                                      : CliWords::tr("%1: the server's fields are now this file's.").arg(given)));
        case TeamConflicts::Result::Stale:
            return run.fail(CliWords::tr("%1 was changed on the server again meanwhile; sync, then choose again.")
                                .arg(given));
        case TeamConflicts::Result::Server: return teamFailed(run, server, CliWords::tr("change a CML"));
        case TeamConflicts::Result::Local: return placesFailed(run, places, store);
        }
    }
    return run.fail(CliWords::tr("%1 is in no conflict with the team server; 'palvarin-cli team sync' lists the "
                                 "conflicts.")
                        .arg(given));
}

} // namespace

int checkTeamOptions(const QCommandLineParser &parser, Invocation &run)
{
    if (qstrncmp(run.command->name, "team ", 5) != 0)
        return Done;
    run.team.conninfo = parser.isSet(QStringLiteral("team")) ? parser.value(QStringLiteral("team"))
                                                              : qEnvironmentVariable("PALVARIN_TEAM");
    if (run.team.conninfo.trimmed().isEmpty())
        return run.usage(CliWords::tr("the team commands need the server: --team \"service=NAME\" or a libpq "
                                      "connection string, or set PALVARIN_TEAM."));
    if (qstrcmp(run.command->name, "team resolve") == 0) {
        const QString keep = parser.value(QStringLiteral("keep"));
        if (keep != QLatin1String("mine") && keep != QLatin1String("theirs"))
            return run.usage(CliWords::tr("team resolve needs --keep mine or --keep theirs."));
        run.team.keepMine = keep == QLatin1String("mine");
    }
    return Done;
}

bool isTeamCommand(const Command &command)
{
    return qstrncmp(command.name, "team ", 5) == 0;
}

int runTeamCommand(Invocation &run)
{
    const QByteArray name(run.command->name);
    if (name == "team status")
        return teamStatus(run);
    if (name == "team publish")
        return teamPublish(run);
    if (name == "team sync")
        return teamSync(run);
    return teamResolve(run);
}

} // namespace Cli
