#pragma once

#include "teamstore/TeamCopy.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class SurveyStore;

// The readings a survey file holds and the server lacks, read from the file and formatted as
// COPY rows on a thread of its own, a batch or two ahead of the caller who sends them. The
// store is this object's alone until stop() returns.
class ReadingBatches
{
public:
    struct Survey
    {
        qint64 id = 0;
        QString uuid;
        QSet<QString> known; // readings the server has, by UUID
    };

    ReadingBatches(SurveyStore &store, std::vector<Survey> surveys, QHash<qint64, QString> cmlUuid, int batchRows,
                   const std::atomic<bool> *cancel);
    ~ReadingBatches();
    ReadingBatches(const ReadingBatches &) = delete;
    ReadingBatches &operator=(const ReadingBatches &) = delete;

    // The next batch; null when there is none left (or the reading stopped).
    std::unique_ptr<CopyRows> next();
    // Ends the reading (at once, between two readings) and waits for its thread.
    void stop();
    // The readings found missing so far; all of them once next() has returned null.
    qint64 found() const { return m_found; }

private:
    void run();
    // Hands a batch over; false once stopped.
    bool hand(std::unique_ptr<CopyRows> rows);

    static constexpr size_t Ahead = 2;

    SurveyStore &m_store;
    std::vector<Survey> m_surveys;
    QHash<qint64, QString> m_cmlUuid;
    int m_batchRows;
    const std::atomic<bool> *m_cancel;
    std::atomic<qint64> m_found{0};

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<CopyRows>> m_ready;
    bool m_done = false;
    bool m_stop = false;
    std::thread m_thread;
};
