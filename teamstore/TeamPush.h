#pragma once

#include <QHash>
#include <QString>

#include <vector>

class SurveyStore;
class TeamConnection;

// Readings just kept in the survey file, sent to the server as they arrive (a live laptop):
// each in one statement, its survey first the first time. A reading the server has is not
// stored twice. A new CML or asset goes with the next publish; until then the reading names it
// by its UUID alone.
class TeamPush
{
public:
    explicit TeamPush(TeamConnection &connection);

    // The readings of these row keys in `store` (the caller's thread owns it). False with the
    // connection's problem() set when the server refused or failed; readings sent before
    // the failure stay.
    bool push(SurveyStore &store, const std::vector<qint64> &keys);

private:
    bool sendSurvey(SurveyStore &store, qint64 survey, const QString &uuid);

    TeamConnection &m_connection;
    QHash<qint64, QString> m_surveys; // the server holds them: their UUIDs by local id
};
