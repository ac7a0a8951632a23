#pragma once

#include "teamstore/PgResult.h"

#include <QByteArray>
#include <QString>

#include <vector>

// One connection to the team's PostgreSQL server (libpq). Opened from a libpq connection string
// ("host=... dbname=..." or "service=NAME"); a connection attempt gives up after
// ConnectTimeoutSeconds unless the string sets its own connect_timeout; over TCP a connection
// whose server stops answering fails within about 30 seconds instead of hanging.
//
// Every call that fails keeps why: problem() as a code for the face to choose its words, and
// serverMessage() with the server's (or libpq's) own text to show beside them. A connection is
// used by one thread at a time; any thread may own it.
class TeamConnection
{
public:
    static constexpr int ConnectTimeoutSeconds = 10;

    enum class Problem {
        None,
        Unreachable, // no server at that address, or the connection was lost
        Refused,     // the server would not let this user in or do this (permission)
        Failed,      // anything else the server rejected
    };

    TeamConnection() = default;
    ~TeamConnection();
    TeamConnection(const TeamConnection &) = delete;
    TeamConnection &operator=(const TeamConnection &) = delete;

    bool open(const QString &conninfo);
    void close();
    bool isOpen() const;

    Problem problem() const { return m_problem; }
    QString serverMessage() const { return m_message; }
    // The SQLSTATE of the last failure the server reported ("23505"); empty for none.
    QByteArray sqlState() const { return m_state; }
    void clearProblem();

    // Runs one statement with text parameters (a null QByteArray is SQL NULL). The result when
    // its status is `expected`, else null with problem() set.
    PgResult exec(const char *sql, const std::vector<QByteArray> &params = {},
                  ExecStatusType expected = PGRES_COMMAND_OK);
    // A statement prepared once under `name` for this connection, then run by name: no parse or
    // plan on each call. The first call prepares it.
    PgResult execPrepared(const char *name, const char *sql, const std::vector<QByteArray> &params,
                          ExecStatusType expected = PGRES_COMMAND_OK);
    // A statement without rows.
    bool run(const char *sql, const std::vector<QByteArray> &params = {});
    // Several statements without parameters, one after the other (a schema step).
    bool script(const char *sql);
    // Rolls back an open transaction after a failure, keeping the failure's problem.
    void rollback();

    // For the few calls that need libpq itself (COPY).
    PGconn *handle() const { return m_conn; }
    // Records the failure of a call made on handle(): false.
    bool fail(const PGresult *result);

private:
    PGconn *m_conn = nullptr;
    std::vector<QByteArray> m_prepared; // names prepared on this connection
    Problem m_problem = Problem::None;
    QString m_message;
    QByteArray m_state;
};
