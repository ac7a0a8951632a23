#include "teamstore/TeamReadingBatches.h"

#include "store/Places.h"
#include "store/SurveyStore.h"
#include "store/Uuid.h"

#include <QDateTime>

ReadingBatches::ReadingBatches(SurveyStore &store, std::vector<Survey> surveys, QHash<qint64, QString> cmlUuid,
                               int batchRows, const std::atomic<bool> *cancel)
    : m_store(store)
    , m_surveys(std::move(surveys))
    , m_cmlUuid(std::move(cmlUuid))
    , m_batchRows(batchRows)
    , m_cancel(cancel)
{
    m_thread = std::thread([this] { run(); });
}

ReadingBatches::~ReadingBatches()
{
    stop();
}

void ReadingBatches::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::unique_ptr<CopyRows> ReadingBatches::next()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_stop || m_done || !m_ready.empty(); });
    if (m_ready.empty())
        return nullptr;
    std::unique_ptr<CopyRows> rows = std::move(m_ready.front());
    m_ready.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return rows;
}

bool ReadingBatches::hand(std::unique_ptr<CopyRows> rows)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_stop || m_ready.size() < Ahead; });
    if (m_stop)
        return false;
    m_ready.push_back(std::move(rows));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void ReadingBatches::run()
{
    Places places(m_store);
    auto rows = std::make_unique<CopyRows>();
    const auto stopped = [this] {
        if (m_cancel && m_cancel->load())
            return true;
        std::lock_guard<std::mutex> lock(m_lock);
        return m_stop;
    };
    for (const Survey &survey : m_surveys) {
        if (stopped())
            break;
        for (const PlaceReading &r : places.surveyReadings(survey.id)) {
            if (r.uuid.size() != 16)
                continue;
            const QString uuid = Uuid::text(r.uuid);
            if (survey.known.contains(uuid))
                continue;
            rows->text(uuid);
            rows->text(survey.uuid);
            rows->number(r.key & 0xffffffff);
            if (r.number > 0)
                rows->number(r.number);
            else
                rows->null();
            rows->text(QDateTime::fromMSecsSinceEpoch(r.dateMs, Qt::UTC).toString(Qt::ISODateWithMs));
            rows->text(r.name);
            const int values = r.layout == 2 ? 6 : 2;
            for (int v = 0; v < 6; ++v) {
                if (v < values)
                    rows->real(r.values[v]);
                else
                    rows->null();
            }
            rows->number(r.flags);
            rows->text(r.cml ? m_cmlUuid.value(r.cml) : QString());
            rows->text(r.comment);
            rows->endRow();
            ++m_found;
            if (rows->rows() >= m_batchRows) {
                if (!hand(std::move(rows)))
                    return;
                rows = std::make_unique<CopyRows>();
            }
        }
    }
    if (rows->rows() > 0 && !stopped())
        hand(std::move(rows));
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_done = true;
    }
    m_changed.notify_all();
}
