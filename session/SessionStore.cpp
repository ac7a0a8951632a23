// GaugeSession: the survey file, called with the rows' keys.
#include "session/GaugeSession.h"

#include "interaction/UserInteraction.h"
#include "session/StoredRows.h"
#include "session/StoreWords.h"
#include "store/OffThread.h"
#include "store/SurveyStore.h"

#include <QDateTime>

namespace {

// Rows of a read committed on a thread of their own from this many on (about 3 ms of work).
constexpr qint64 OffThreadRows = 2000;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void GaugeSession::setStore(SurveyStore *store)
{
    m_store = store;
    // A store that could not be opened was told about where it was opened.
    m_storeProblemTold = store && !store->writable();
}

void GaugeSession::tellStoreProblem()
{
    if (!m_store || m_storeProblemTold || m_store->writable())
        return;
    m_storeProblemTold = true;
    inform(storeProblemText(m_store->problem()));
}

SurveyInfo GaugeSession::surveyInfo(const RecordsModel &columns, const QList<int> &units) const
{
    SurveyInfo info;
    info.serial = m_gaugeSerial;
    info.firmware = m_gaugeFirmware;
    info.meterType = m_gaugeMeterType;
    info.layout = columns.layout();
    info.unitNumbers = units;
    for (int c = 0; c < columns.columnCount(); ++c) {
        if (columns.valueIndex(c) >= 0) {
            info.unitNames << columns.unitName(c);
            info.decimals << columns.decimals(c);
        }
    }
    return info;
}

void GaugeSession::beginStoreSession()
{
    const SurveyInfo info = surveyInfo(m_model, m_tableUnits);
    m_storeSessionUnits = m_tableUnits;
    // Measurements that waited for these columns are in a session of their own already: it
    // takes the rows from now on.
    if (const qint64 waiting = std::exchange(m_waiting.session, 0))
        m_store->adoptSession(waiting, info, nowMs());
    else
        m_store->beginSession(info, nowMs());
    tellStoreProblem();
}

void GaugeSession::ensureStoreSession()
{
    // A gauge whose identification stopped short (a meter the table does not know, a failed
    // unit read) still adds rows to the columns shown: they are kept like any others.
    if (m_store->currentSession() == 0 && m_store->writable())
        beginStoreSession();
}

std::vector<qint64> GaugeSession::storeRecords(const QVector<GaugeRecord> &records, RecordOrigin origin,
                                               qint64 arrivedMs)
{
    if (!m_store || records.isEmpty() || !m_model.hasColumns())
        return {};
    ensureStoreSession();
    std::vector<qint64> keys =
        m_store->addRecords(records, m_model.layout() == 2 ? GaugeRecord::MaxValues : 2, origin, arrivedMs);
    tellStoreProblem();
    return keys;
}

std::vector<qint64> GaugeSession::storeImage(const QByteArray &values, const QByteArray *names, int count,
                                             RecordOrigin origin, qint64 arrivedMs)
{
    if (!m_store || !m_model.hasColumns())
        return {};
    // Decoded as the model decodes it, so the file holds exactly the numbers the table shows.
    const bool multi = names != nullptr;
    if (m_model.layout() != (multi ? 2 : 1))
        return {};
    const int recordSize = multi ? FieldDecoder::MultiRecordSize : FieldDecoder::SingleRecordSize;
    qint64 n = qBound<qint64>(0, qint64(count), qint64(values.size() / recordSize));
    if (multi)
        n = qMin<qint64>(n, names->size() / FieldDecoder::NameSlotSize);
    if (n == 0)
        return {};
    ensureStoreSession();
    const int stride = multi ? GaugeRecord::MaxValues : 2;
    std::vector<float> numbers(size_t(n) * size_t(stride));
    std::vector<quint8> flags(static_cast<size_t>(n));
    QVector<QString> decodedNames;
    if (multi) {
        GaugeRecords::decodeMultiLayerInto(values.constData(), n, numbers.data(), flags.data());
        decodedNames.resize(n);
        for (qint64 i = 0; i < n; ++i)
            decodedNames[i] = FieldDecoder::decodeRecordName(
                names->mid(qsizetype(i) * FieldDecoder::NameSlotSize, FieldDecoder::NameSlotSize));
    } else {
        GaugeRecords::decodeSingleLayerInto(values.constData(), n, numbers.data(), flags.data());
    }
    // A few thousand rows commit in a few milliseconds; more go to a thread of their own.
    // Rows shown already keep their keys if the same memory is read again.
    const std::vector<qint64> shown = m_model.keys(0, m_model.rowCount());
    std::vector<qint64> keys;
    const auto commit = [&] {
        keys = m_store->addRows(int(n), stride, numbers.data(), flags.data(),
                                multi ? decodedNames.constData() : nullptr, origin, arrivedMs, shown);
    };
    if (n < OffThreadRows)
        commit();
    else
        commitWhilePainting(commit);
    tellStoreProblem();
    return keys;
}

void GaugeSession::commitWhilePainting(const std::function<void()> &commit)
{
    // Measurements pushed meanwhile are committed between its transactions and held, as
    // during the read, to be committed again behind its rows.
    runOffThread(commit);
}

bool GaugeSession::openStore(SurveyStore &store, const QString &path)
{
    if (!store.open(path)) {
        const SurveyStore::Problem problem = store.problem();
        const QString text = storeProblemText(problem, QStringLiteral("en")) + QLatin1Char('\n')
                             + storeProblemText(problem, QStringLiteral("zh")) + QLatin1Char('\n') + path;
        if (problem != SurveyStore::Problem::Corrupt) {
            m_ui.information(m_dialogParent, title(), text);
        } else if (m_ui.question(m_dialogParent, title(),
                                 text + QStringLiteral("\n\n")
                                     + inBothLanguages(QT_TR_NOOP("Start a new survey file? The damaged one is kept "
                                                                  "beside it, renamed with today's date.")))) {
            QString movedTo;
            if (store.moveAside(&movedTo) && store.open(path)) {
                m_ui.information(m_dialogParent, title(),
                                 inBothLanguages(QT_TR_NOOP("A new survey file was started; the damaged one is "
                                                            "kept as %1."))
                                     .arg(movedTo));
            } else {
                m_ui.information(m_dialogParent, title(),
                                 storeProblemText(store.problem(), QStringLiteral("en")) + QLatin1Char('\n')
                                     + storeProblemText(store.problem(), QStringLiteral("zh")));
            }
        }
    }
    setStore(&store);
    return store.writable();
}

bool GaugeSession::offerLeftover()
{
    if (!m_store || !m_store->writable())
        return false;
    const SurveyStore::Leftover left = m_store->leftover();
    if (left.rows <= 0)
        return false;
    const QString date =
        QDateTime::fromMSecsSinceEpoch(left.startedMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const QString text = inBothLanguages(QT_TR_NOOP("Restore the %1 readings from %2, gauge %3?"))
                             .arg(left.rows)
                             .arg(date, left.serial);
    if (!m_ui.question(m_dialogParent, title(), text)) {
        m_store->dismissLeftover();
        return false;
    }
    StoredTable stored;
    if (!m_store->loadLeftover(stored))
        return false;
    return showStored(stored);
}

bool GaugeSession::showStored(const StoredTable &stored)
{
    const int layout = stored.info.layout;
    if ((layout != 1 && layout != 2) || stored.records.isEmpty())
        return false;
    if (!offerSaveThenClear(tr("Opening the saved readings will first clear the list. Do You Want to "
                           "Save the Data?"), false))
        return false;
    if (m_model.rowCount() > 0)
        return false; // measurements pushed while the export ran are still there
    const int added = fillModelFromStored(m_model, stored);
    if (added == 0)
        return false;
    if (m_store)
        m_store->tableReplaced(added == stored.records.size() ? stored.keys : std::vector<qint64>(size_t(added), 0));
    setKeys(0, added, stored.keys);
    tellStoreProblem();
    m_tableSerial = stored.info.serial;
    m_tableRowsLayout = layout;
    m_tableUnits = stored.info.unitNumbers;
    if (!isLinkOpen()) {
        // With no gauge, the table's layout is the session's until one is identified.
        m_connection.setLayout(layout);
        m_unitNumbers = stored.info.unitNumbers;
    }
    emit layoutChanged(layout);
    return true;
}

void GaugeSession::setKeys(int first, int added, const std::vector<qint64> &keys)
{
    if (added > 0 && keys.size() == size_t(added))
        m_model.setKeys(first, keys);
}

void GaugeSession::clearTable()
{
    const std::vector<qint64> keys = m_model.keys(0, m_model.rowCount());
    m_model.clear();
    if (m_store)
        m_store->tableCleared(keys);
    tellStoreProblem();
}
