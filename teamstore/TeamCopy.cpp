#include "teamstore/TeamCopy.h"

#include "teamstore/TeamConnection.h"

#include <cmath>

void CopyRows::separate()
{
    if (m_rowStarted)
        m_data += '\t';
    m_rowStarted = true;
}

void CopyRows::text(const QString &value)
{
    if (value.isNull()) {
        null();
        return;
    }
    separate();
    const QByteArray utf8 = value.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\\': m_data += "\\\\"; break;
        case '\t': m_data += "\\t"; break;
        case '\n': m_data += "\\n"; break;
        case '\r': m_data += "\\r"; break;
        default: m_data += c; break;
        }
    }
}

void CopyRows::number(qint64 value)
{
    separate();
    m_data += QByteArray::number(value);
}

void CopyRows::real(float value)
{
    separate();
    // Nine significant digits give the same float back; the server reads nan and inf too.
    m_data += QByteArray::number(double(value), 'g', 9);
}

void CopyRows::real(double value)
{
    if (std::isnan(value)) {
        null();
        return;
    }
    separate();
    m_data += QByteArray::number(value, 'g', 17);
}

void CopyRows::null()
{
    separate();
    m_data += "\\N";
}

void CopyRows::endRow()
{
    m_data += '\n';
    m_rowStarted = false;
    ++m_rows;
}

void CopyRows::clear()
{
    m_data.clear();
    m_rows = 0;
    m_rowStarted = false;
}

bool CopyRows::send(TeamConnection &connection, const char *copySql) const
{
    if (!connection.exec(copySql, {}, PGRES_COPY_IN))
        return false;
    PGconn *conn = connection.handle();
    // A blocking connection: each call returns once libpq has queued or sent the data.
    const bool sent = PQputCopyData(conn, m_data.constData(), int(m_data.size())) == 1;
    const int ended = PQputCopyEnd(conn, sent ? nullptr : "the rows could not be sent");
    // The COPY's own result, then the null that ends it: every result read and freed.
    bool ok = ended == 1;
    bool failedResult = false;
    while (PgResult result{PQgetResult(conn)}) {
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK && !failedResult) {
            failedResult = true;
            connection.fail(result.get());
        }
        if (PQstatus(conn) != CONNECTION_OK)
            break;
    }
    if (!ok && !failedResult)
        connection.fail(nullptr);
    return ok && sent && !failedResult;
}
