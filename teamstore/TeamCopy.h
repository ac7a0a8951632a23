#pragma once

#include <QByteArray>
#include <QString>

class TeamConnection;

// Rows for COPY ... FROM STDIN in PostgreSQL's text format: fields split by tabs, rows ended by
// newlines, \N for NULL, and a backslash, tab, newline or carriage return inside a field
// escaped. Built in memory for one batch, then sent whole.
class CopyRows
{
public:
    void text(const QString &value); // a null QString is NULL
    void number(qint64 value);
    void real(float value);
    void real(double value); // NaN is NULL (not given)
    void null();
    void endRow();
    int rows() const { return m_rows; }
    const QByteArray &data() const { return m_data; }
    void clear();

    // Runs `copySql` (a COPY ... FROM STDIN) and sends the rows; false with the connection's
    // problem() set when the server refuses them or the connection is lost.
    bool send(TeamConnection &connection, const char *copySql) const;

private:
    void separate();

    QByteArray m_data;
    int m_rows = 0;
    bool m_rowStarted = false;
};
