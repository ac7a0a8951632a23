#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class CopyRows;
class TeamConnection;

// Sends what a local survey file holds and the server lacks: its assets, CMLs, routes and
// surveys (one transaction, each row added unless its UUID is there already; with them the
// CMLs changed here since the last sync, unless the server changed them too), then the readings
// the server does not have, in batches of BatchRows, each committed on its own. A dropped
// connection or a cancel loses no committed batch, and publishing again sends only the
// readings still missing; a reading sent twice is stored once.
//
// Runs on any thread (no widgets, no model): the file is opened read-only for the call, beside
// a program that may have it open for writing.
class TeamPublish
{
public:
    static constexpr int BatchRows = 5000;

    enum class Problem {
        None,
        Cancelled,   // stopped between batches at the caller's request
        LocalFile,   // the survey file could not be read (localMessage() says why)
        NewerSchema, // the server's schema is newer than this program's
        Server,      // the connection's problem() and serverMessage() say why
    };

    struct Outcome
    {
        Problem problem = Problem::None;
        qint64 readingsMissing = 0; // on the server when the call began (counted; exact once all were sent)
        qint64 readingsSent = 0;    // of those, committed by this call
        qint64 readingsStored = 0;  // of those, new to the server (another may have sent some meanwhile)
        int cmlsUpdated = 0;        // CMLs changed here whose new fields the server took
        QStringList cmlEditsRefused; // by tag: CMLs changed here that this role may not change there
    };

    // done/total readings of this call, after each committed batch.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    explicit TeamPublish(TeamConnection &connection);

    // `rows` 0: BatchRows.
    void setBatchRows(int rows) { m_batchRows = rows > 0 ? rows : BatchRows; }

    Outcome publish(const QString &surveyFile, const Progress &progress = {},
                    const std::atomic<bool> *cancel = nullptr);
    QString localMessage() const { return m_localMessage; }

private:
    // One batch of readings committed; *stored: those new to the server.
    bool sendBatch(const CopyRows &rows, qint64 *stored);

    TeamConnection &m_connection;
    int m_batchRows = BatchRows;
    QString m_localMessage;
};
