#include "teampage/TeamWords.h"

#include "analysis/AnalysisWords.h"
#include "teamstore/TeamFields.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <QTime>

#include <cmath>

namespace {

QString joined(const QStringList &parts)
{
    return parts.join(QLatin1Char(' '));
}

} // namespace

QString TeamWords::server(const TeamLink::Report &report, const QString &doing)
{
    QString text;
    switch (report.server) {
    case TeamConnection::Problem::Unreachable:
        text = tr("Cannot reach the team server. Check the connection, the network and that the server runs.");
        break;
    case TeamConnection::Problem::Refused:
        text = tr("The team server refused to let you %1: your role there does not allow it, or you may not log in. "
                  "Ask the server's administrator for the right role (palvarin_inspector or palvarin_engineer).")
                   .arg(doing);
        break;
    case TeamConnection::Problem::Failed:
    case TeamConnection::Problem::None:
        text = tr("The team server could not %1.").arg(doing);
        break;
    }
    if (!report.serverMessage.trimmed().isEmpty())
        text += QLatin1Char(' ') + tr("The server said: %1").arg(report.serverMessage.trimmed());
    return text;
}

QString TeamWords::published(const TeamPublish::Outcome &out, const TeamLink::Report &report)
{
    const QString sent = tr("%1 of %2 readings sent (%3 new to the server).")
                             .arg(out.readingsSent)
                             .arg(out.readingsMissing)
                             .arg(out.readingsStored);
    const QString rest = tr("What was sent stays; publish again to send the rest.");
    switch (out.problem) {
    case TeamPublish::Problem::None: break;
    case TeamPublish::Problem::Cancelled: return joined({tr("Publishing cancelled:"), sent, rest});
    case TeamPublish::Problem::LocalFile:
        return tr("The survey file could not be read: %1").arg(report.localMessage);
    case TeamPublish::Problem::NewerSchema:
        return tr("The team server was set up by a newer version of this program; update this program to publish.");
    case TeamPublish::Problem::Server: {
        QStringList parts{server(report, tr("take the survey file"))};
        if (out.readingsSent)
            parts << sent << rest;
        return joined(parts);
    }
    }
    QStringList parts;
    if (out.readingsMissing == 0 && out.cmlsUpdated == 0 && out.cmlEditsRefused.isEmpty())
        parts << tr("Published: the server already had everything in this file.");
    else
        parts << tr("Published:") << sent;
    if (out.cmlsUpdated)
        parts << tr("CMLs changed here that are now the team's: %1.").arg(out.cmlsUpdated);
    if (!out.cmlEditsRefused.isEmpty())
        parts << tr("Not sent, as only engineers change CMLs: your changes to %1. They stay in this file.")
                     .arg(out.cmlEditsRefused.join(QStringLiteral(", ")));
    return joined(parts);
}

QString TeamWords::synced(const TeamSync::Outcome &out, const TeamLink::Report &report)
{
    const QString brought = tr("%1 surveys and %2 readings came in; %3 assets, %4 CMLs and %5 routes are new here; "
                               "%6 CMLs took the server's changes.")
                                .arg(out.surveysAdded)
                                .arg(out.readingsAdded)
                                .arg(out.added.assets)
                                .arg(out.added.cmls)
                                .arg(out.added.routes)
                                .arg(out.cmlsUpdated);
    switch (out.problem) {
    case TeamSync::Problem::None: break;
    case TeamSync::Problem::Cancelled:
        return joined({tr("Sync cancelled:"), brought, tr("What came stays; sync again for the rest.")});
    case TeamSync::Problem::LocalFile:
        return tr("The survey file could not be written: %1").arg(report.localMessage);
    case TeamSync::Problem::Duplicate:
        return tr("'%1' on the team server is another asset, CML or route than the one of that name in this file; "
                  "rename one of them, then sync again.")
            .arg(report.localMessage);
    case TeamSync::Problem::NewerSchema:
        return tr("The team server was set up by a newer version of this program; update this program to sync.");
    case TeamSync::Problem::OlderSchema:
        return tr("The team server's tables are older than this program's and only their owner may bring them up: "
                  "ask the server's administrator to run 'palvarin-cli team status' once.");
    case TeamSync::Problem::Server: return server(report, tr("give its surveys"));
    }
    const bool nothing = out.surveysAdded == 0 && out.readingsAdded == 0 && out.added.assets == 0
                         && out.added.cmls == 0 && out.added.routes == 0 && out.cmlsUpdated == 0;
    QStringList parts;
    parts << (nothing ? tr("Synced: nothing new on the server.")
                      : joined({tr("Synced:"), brought}));
    if (!out.conflicts.isEmpty())
        parts << tr("CMLs changed both here and on the server since the last sync: %1. Neither was overwritten; "
                    "choose below which to keep.")
                     .arg(out.conflicts.size());
    return joined(parts);
}

QString TeamWords::chose(const QString &name, TeamConflicts::Keep keep, TeamConflicts::Result result,
                         const TeamLink::Report &report)
{
    const bool mine = keep == TeamConflicts::Keep::Mine;
    switch (result) {
    case TeamConflicts::Result::Done:
        return mine ? tr("%1: this file's fields are now the team's.").arg(name)
                    : tr("%1: the server's fields are now this file's.").arg(name);
    case TeamConflicts::Result::Stale:
        return tr("%1 was changed on the server again meanwhile; sync again, then choose.").arg(name);
    case TeamConflicts::Result::Server:
        if (report.server == TeamConnection::Problem::Refused && mine) {
            QString text = tr("%1: the server refused; only engineers may make their fields the team's. Keep the "
                              "server's, or ask an engineer (palvarin_engineer).")
                               .arg(name);
            if (!report.serverMessage.trimmed().isEmpty())
                text += QLatin1Char(' ') + tr("The server said: %1").arg(report.serverMessage.trimmed());
            return text;
        }
        return server(report, tr("change %1").arg(name));
    case TeamConflicts::Result::Local:
        return tr("%1: the survey file refused the change: %2").arg(name, report.localMessage);
    }
    return QString();
}

QString TeamWords::live(bool on, const TeamLink::Report &report)
{
    if (on)
        return tr("Live: what others publish comes into this file as they publish it.");
    if (report.server == TeamConnection::Problem::None && report.localMessage.isEmpty())
        return tr("Not live.");
    if (report.server == TeamConnection::Problem::None)
        return tr("Live stopped: %1").arg(report.localMessage);
    return tr("Live stopped: %1").arg(server(report, tr("listen for the team's surveys")));
}

QString TeamWords::readingsCameIn(qint64 readings)
{
    return tr("Readings from the team at %1: %2.")
        .arg(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat))
        .arg(readings);
}

QString TeamWords::noConnection()
{
    return tr("Give the team server's connection first.");
}

QString TeamWords::alreadyBusy()
{
    return tr("A team job is already under way; wait for it or cancel it.");
}

QString TeamWords::working(bool publishing)
{
    return publishing ? tr("Publishing this file to the team server...") : tr("Syncing this file from the team server...");
}

QString TeamWords::choosing(const QString &name, TeamConflicts::Keep keep)
{
    return keep == TeamConflicts::Keep::Mine ? tr("Making this file's fields of %1 the team's...").arg(name)
                                             : tr("Taking the server's fields of %1 into this file...").arg(name);
}

QString TeamWords::noConflict(const QString &name)
{
    return tr("%1 is in no conflict the last sync found; sync again to see the conflicts as they are now.").arg(name);
}

QString TeamWords::cancelling()
{
    return tr("Cancelling: the job stops after the step under way.");
}

QString TeamWords::cmlName(const CmlConflict &c)
{
    return c.assetPath.isEmpty() ? c.mine.tag : QStringLiteral("%1/%2").arg(c.assetPath, c.mine.tag);
}

QString TeamWords::changedBy(const CmlConflict &c)
{
    if (c.theirs.changedBy.isEmpty())
        return QString();
    if (!c.theirs.changedAtMs)
        return c.theirs.changedBy;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(c.theirs.changedAtMs).toLocalTime();
    return tr("%1, %2").arg(c.theirs.changedBy, QLocale().toString(when, QLocale::ShortFormat));
}

namespace {

QString none()
{
    return TeamWords::tr("(none)");
}

QString number(double v)
{
    return std::isnan(v) ? none() : QLocale().toString(v, 'g', 10);
}

QString textOr(const QString &text)
{
    return text.isEmpty() ? none() : text;
}

// The formula and the inputs given, each with its unit.
QString design(const DesignInputs &d)
{
    if (d.formula == DesignFormula::None)
        return none();
    const QString p = pressureUnitWords(d.pressureUnit);
    const QString l = lengthUnitWords(d.lengthUnit);
    QStringList given;
    const auto add = [&](const char *symbol, double v, const QString &unit) {
        if (!std::isnan(v))
            given << QStringLiteral("%1 %2%3").arg(QLatin1String(symbol), number(v),
                                                   unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
    };
    add("P", d.pressure, p);
    add("D", d.diameter, l);
    add("R", d.radius, l);
    add("S", d.stress, p);
    add("E", d.joint, QString());
    add("Ec", d.jointCircumferential, QString());
    add("W", d.weld, QString());
    add("Y", d.coefficientY, QString());
    add("T", d.temperature, temperatureUnitWords(d.temperatureUnit));
    add("c", d.allowance, l);
    add("G", d.gravity, QString());
    add("H", d.height, l);
    if (d.formula == DesignFormula::PipeB31_3 && std::isnan(d.coefficientY))
        given << materialGroupWords(d.material);
    return QStringLiteral("%1: %2").arg(formulaWords(d.formula), given.join(QStringLiteral(", ")));
}

} // namespace

QVector<TeamWords::Difference> TeamWords::differences(const CmlConflict &c)
{
    const MergeCml &mine = c.mine;
    const MergeCml &theirs = c.theirs.cml;
    QVector<Difference> out;
    const auto field = [&](const QString &name, const QString &here, const QString &there) {
        if (here != there)
            out.append({name, here, there});
    };
    field(tr("Description"), textOr(mine.description), textOr(theirs.description));
    field(tr("Nominal"), number(mine.nominal), number(theirs.nominal));
    field(tr("Minimum"), number(mine.minimum), number(theirs.minimum));
    field(tr("Allowance"), number(mine.allowance), number(theirs.allowance));
    field(tr("Material"), textOr(mine.material), textOr(theirs.material));
    field(tr("Notes"), textOr(mine.notes), textOr(theirs.notes));
    if (mine.design != theirs.design) {
        QString here = design(mine.design), there = design(theirs.design);
        if (here == there) { // they differ in an input not shown: show them whole
            here = TeamFields::designText(mine.design);
            there = TeamFields::designText(theirs.design);
        }
        out.append({tr("Design"), here, there});
    }
    if (out.isEmpty()) // they differ beyond what is shown: the fields as the server compares them
        out.append({tr("All fields"), TeamFields::cmlFields(mine), TeamFields::cmlFields(theirs)});
    return out;
}
