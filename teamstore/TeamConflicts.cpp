#include "teamstore/TeamConflicts.h"

#include "store/Places.h"
#include "store/Uuid.h"
#include "teamstore/TeamConnection.h"
#include "teamstore/TeamFields.h"

namespace TeamConflicts {

CmlReview review(Places &places, const ServerRegister &server)
{
    CmlReview out;
    QHash<QByteArray, Cml> local;
    for (const Cml &c : places.cmls(0))
        local.insert(c.uuid, c);
    const QHash<qint64, DesignInputs> designs = places.designs();
    const QHash<qint64, AgreedCml> agreed = places.agreedCmls();
    for (const ServerCml &s : server.cmls) {
        const auto found = local.constFind(s.cml.uuid);
        if (found == local.constEnd())
            continue;
        const qint64 id = found->id;
        const MergeCml mine = mergeCml(*found, designs.value(id));
        const QString mineFields = TeamFields::cmlFields(mine);
        const QString theirFields = TeamFields::cmlFields(s.cml);
        const auto base = agreed.constFind(id);
        if (mineFields == theirFields) {
            if (base == agreed.constEnd() || base->revision != s.revision || base->fields != theirFields)
                out.agreedNow.insert(id, AgreedCml{s.revision, theirFields});
            continue;
        }
        const bool known = base != agreed.constEnd();
        const bool theyChanged = !known || base->revision != s.revision;
        const bool iChanged = !known || base->fields != mineFields;
        if (theyChanged && !iChanged)
            out.theirsOnly.append({id, s});
        else if (iChanged && !theyChanged)
            out.mineOnly.append({id, mine});
        else
            out.conflicts.append(CmlConflict{id, places.assetPath(found->asset), mine, s});
    }
    return out;
}

bool takeTheirs(Places &places, qint64 cml, const ServerCml &theirs)
{
    Cml fields = cmlFields(theirs.cml);
    fields.id = cml;
    return places.setCmlMetadata(fields, theirs.cml.design)
        && places.setAgreed(cml, AgreedCml{theirs.revision, TeamFields::cmlFields(theirs.cml)});
}

Result choose(TeamConnection &connection, Places &places, const CmlConflict &conflict, Keep keep)
{
    connection.clearProblem();
    const QString mineFields = TeamFields::cmlFields(conflict.mine);
    const QString theirFields = TeamFields::cmlFields(conflict.theirs.cml);
    const QByteArray uuid = Uuid::text(conflict.mine.uuid).toLatin1();
    const auto serverFailed = [&] {
        connection.rollback();
        return Result::Server;
    };
    if (!connection.run("BEGIN"))
        return serverFailed();
    qint64 revision = conflict.theirs.revision;
    if (keep == Keep::Mine) {
        revision = TeamRegister::updateServerCml(connection, conflict.mine, conflict.theirs.revision);
        if (revision < 0)
            return serverFailed();
        if (revision == 0) {
            connection.rollback();
            return Result::Stale;
        }
    } else {
        // Nothing to change there, but the choice must not pass over a change made meanwhile.
        // (No row lock: that takes a right to change the row, which an inspector lacks.)
        PgResult current = connection.exec("SELECT revision FROM palvarin.cmls WHERE uuid = $1", {uuid},
                                           PGRES_TUPLES_OK);
        if (!current)
            return serverFailed();
        if (PQntuples(current.get()) != 1 || atoll(PQgetvalue(current.get(), 0, 0)) != revision) {
            connection.rollback();
            return Result::Stale;
        }
    }
    if (!connection.run("INSERT INTO palvarin.cml_choices(cml, kept, mine, theirs) VALUES($1, $2, $3, $4)",
                        {uuid, keep == Keep::Mine ? QByteArray("mine") : QByteArray("theirs"), mineFields.toUtf8(),
                         theirFields.toUtf8()})
        || !connection.run("COMMIT"))
        return serverFailed();

    if (keep == Keep::Theirs)
        return takeTheirs(places, conflict.cml, conflict.theirs) ? Result::Done : Result::Local;
    return places.setAgreed(conflict.cml, AgreedCml{revision, mineFields}) ? Result::Done : Result::Local;
}

} // namespace TeamConflicts
