#include "cli/TeamWords.h"

#include "cli/Invocation.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamFields.h"

#include <QDateTime>

#include <cmath>

namespace Cli {

int teamFailed(Invocation &run, const TeamConnection &connection, const QString &doing)
{
    const QString said = connection.serverMessage();
    switch (connection.problem()) {
    case TeamConnection::Problem::Unreachable:
        run.fail(CliWords::tr("cannot reach the team server (%1). Check the connection string or service, the "
                              "network and that the server runs.")
                     .arg(said));
        return NoServer;
    case TeamConnection::Problem::Refused:
        return run.fail(CliWords::tr("the team server refused to let you %1: your role there does not allow it, or "
                                     "you may not log in. Ask the server's administrator for the right role "
                                     "(palvarin_inspector or palvarin_engineer). The server said: %2")
                            .arg(doing, said));
    case TeamConnection::Problem::Failed:
    case TeamConnection::Problem::None:
        break;
    }
    return run.fail(CliWords::tr("the team server could not %1: %2").arg(doing, said));
}

namespace {

QString numberText(double v)
{
    return std::isnan(v) ? CliWords::tr("(none)") : QString::number(v, 'g', 10);
}

QString textOr(const QString &text)
{
    return text.isEmpty() ? CliWords::tr("(none)") : text;
}

QString designSummary(const DesignInputs &d)
{
    return d.formula == DesignFormula::None ? CliWords::tr("(none)") : TeamFields::designText(d);
}

} // namespace

QStringList conflictLines(const CmlConflict &c)
{
    const MergeCml &mine = c.mine;
    const MergeCml &theirs = c.theirs.cml;
    const QString when = c.theirs.changedAtMs
        ? QDateTime::fromMSecsSinceEpoch(c.theirs.changedAtMs, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"))
        : QString();
    QStringList out;
    out << QStringLiteral("%1/%2").arg(c.assetPath, mine.tag);
    const QString by = c.theirs.changedBy.isEmpty() ? CliWords::tr("the server")
                                                    : CliWords::tr("the server (%1, %2)").arg(c.theirs.changedBy, when);
    out << QStringLiteral("    %1 %2 %3").arg(QString(), -14).arg(CliWords::tr("this file"), -30).arg(by);
    const auto field = [&](const QString &name, const QString &here, const QString &there) {
        if (here != there)
            out << QStringLiteral("    %1 %2 %3").arg(name, -14).arg(here, -30).arg(there);
    };
    field(CliWords::tr("description"), textOr(mine.description), textOr(theirs.description));
    field(CliWords::tr("nominal"), numberText(mine.nominal), numberText(theirs.nominal));
    field(CliWords::tr("minimum"), numberText(mine.minimum), numberText(theirs.minimum));
    field(CliWords::tr("allowance"), numberText(mine.allowance), numberText(theirs.allowance));
    field(CliWords::tr("material"), textOr(mine.material), textOr(theirs.material));
    field(CliWords::tr("notes"), textOr(mine.notes), textOr(theirs.notes));
    field(CliWords::tr("design"), designSummary(mine.design), designSummary(theirs.design));
    return out;
}

} // namespace Cli
