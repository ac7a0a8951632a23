#include "teamstore/TeamConnection.h"

#include <algorithm>

namespace {

QString messageOf(const PGconn *conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// A failed connection attempt. libpq gives no SQLSTATE there: the server's refusals are told
// apart by the server's own words, which libpq passes on in English whatever the locale for
// authentication (the server answers before a session language is set).
TeamConnection::Problem connectProblem(const PGconn *conn)
{
    if (PQconnectionNeedsPassword(conn))
        return TeamConnection::Problem::Refused;
    const QString text = messageOf(conn);
    for (const char *refusal : {"authentication failed", "no pg_hba.conf entry", "permission denied",
                                "role \"", "password"}) {
        if (text.contains(QLatin1String(refusal), Qt::CaseInsensitive))
            return TeamConnection::Problem::Refused;
    }
    if (text.contains(QLatin1String("does not exist")))
        return TeamConnection::Problem::Failed; // a server, but no such database
    return TeamConnection::Problem::Unreachable;
}

} // namespace

TeamConnection::~TeamConnection()
{
    close();
}

bool TeamConnection::open(const QString &conninfo)
{
    close();
    clearProblem();
    const QByteArray info = conninfo.toUtf8();
    const QByteArray timeout = QByteArray::number(ConnectTimeoutSeconds);
    // The string is expanded after these defaults, so what it names wins. Over TCP a server
    // that vanishes is noticed within about half a minute (keepalives for an idle connection,
    // the user timeout for data left unacknowledged) rather than the system's two hours.
    const char *keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "tcp_user_timeout", "dbname", nullptr};
    const char *values[] = {timeout.constData(), "15", "5", "3", "30000", info.constData(), nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (!m_conn) {
        m_problem = Problem::Failed;
        m_message = QStringLiteral("out of memory");
        return false;
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_problem = connectProblem(m_conn);
        m_message = messageOf(m_conn);
        PQfinish(m_conn);
        m_conn = nullptr;
        return false;
    }
    // Messages come back in the server's language, text in UTF-8 both ways.
    PQsetClientEncoding(m_conn, "UTF8");
    // A library prints nothing: the server's notices (a cascade, a schema already there) are
    // no problems of the caller's.
    PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    return true;
}

void TeamConnection::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
}

bool TeamConnection::isOpen() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

void TeamConnection::clearProblem()
{
    m_problem = Problem::None;
    m_message.clear();
    m_state.clear();
}

bool TeamConnection::fail(const PGresult *result)
{
    if (m_problem != Problem::None)
        return false; // the first failure says why; what follows is its consequence
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QByteArray code = state ? QByteArray(state) : QByteArray();
    m_state = code;
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK || code.startsWith("08") || code == "57P01")
        m_problem = Problem::Unreachable; // connection exception, or the server shut down
    else if (code == "42501" || code.startsWith("28"))
        m_problem = Problem::Refused; // insufficient privilege, invalid authorization
    else
        m_problem = Problem::Failed;
    const char *text = result ? PQresultErrorMessage(result) : nullptr;
    m_message = text && *text ? QString::fromUtf8(text).trimmed() : (m_conn ? messageOf(m_conn) : QString());
    return false;
}

PgResult TeamConnection::exec(const char *sql, const std::vector<QByteArray> &params, ExecStatusType expected)
{
    if (!m_conn) {
        fail(nullptr);
        return nullptr;
    }
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const QByteArray &p : params)
        values.push_back(p.isNull() ? nullptr : p.constData());
    PgResult result(PQexecParams(m_conn, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
    if (!result || PQresultStatus(result.get()) != expected) {
        fail(result.get());
        return nullptr;
    }
    return result;
}

PgResult TeamConnection::execPrepared(const char *name, const char *sql, const std::vector<QByteArray> &params,
                                      ExecStatusType expected)
{
    if (!m_conn) {
        fail(nullptr);
        return nullptr;
    }
    if (std::find(m_prepared.begin(), m_prepared.end(), QByteArray(name)) == m_prepared.end()) {
        PgResult made(PQprepare(m_conn, name, sql, int(params.size()), nullptr));
        if (!made || PQresultStatus(made.get()) != PGRES_COMMAND_OK) {
            fail(made.get());
            return nullptr;
        }
        m_prepared.emplace_back(name);
    }
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const QByteArray &p : params)
        values.push_back(p.isNull() ? nullptr : p.constData());
    PgResult result(PQexecPrepared(m_conn, name, int(values.size()), values.data(), nullptr, nullptr, 0));
    if (!result || PQresultStatus(result.get()) != expected) {
        fail(result.get());
        return nullptr;
    }
    return result;
}

bool TeamConnection::run(const char *sql, const std::vector<QByteArray> &params)
{
    return exec(sql, params) != nullptr;
}

bool TeamConnection::script(const char *sql)
{
    if (!m_conn)
        return fail(nullptr);
    PgResult result(PQexec(m_conn, sql));
    return (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK) || fail(result.get());
}

void TeamConnection::rollback()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        PgResult(PQexec(m_conn, "ROLLBACK"));
}
