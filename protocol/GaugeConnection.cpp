#include "protocol/GaugeConnection.h"

#include "link/HidLink.h"
#include "link/PollWorker.h"

#include <QCoreApplication>
#include <QThread>

GaugeConnection::GaugeConnection(HidBackend &hid, QObject *parent) : QObject(parent), m_hid(hid) {}

GaugeConnection::~GaugeConnection()
{
    shutdown();
}

bool GaugeConnection::open(quint16 vendorId, quint16 productId)
{
    if (m_link)
        return false;
    auto link = std::make_unique<HidLink>();
    if (link->open(vendorId, productId, &m_hid) != 0)
        return false;
    m_link = std::move(link);
    ++m_id;
    m_framed.setLink(m_link.get());
    return true;
}

bool GaugeConnection::removed() const
{
    return m_link && m_link->isRemoved();
}

void GaugeConnection::close(bool sequenceRunning)
{
    if (!m_link)
        return;
    // Forget the link before the worker is stopped, and close it only once the worker has
    // ended: a read still running on the worker thread must not meet a closed device.
    m_framed.setLink(nullptr);
    std::unique_ptr<Link> link = std::move(m_link);
    emit closed();
    if (!stopWorker()) {
        qWarning("worker thread did not end; its link is left to it");
        (void)link.release();
    } else if (sequenceRunning) {
        // A removal notice delivered inside a sequence's progress dialog: the sequence ends at
        // once, the device being gone, and the link goes then.
        m_retiredLink = std::move(link);
    } else {
        link->close();
    }
}

void GaugeConnection::shutdown()
{
    Link *link = m_link.get();
    const bool workerEnded = stopWorker();
    m_framed.setLink(nullptr);
    // A worker that did not end may still be reading: leave its link alone.
    if (link && workerEnded)
        link->close();
    else
        (void)m_link.release();
    m_link.reset();
    if (m_retiredLink) {
        m_retiredLink->close();
        m_retiredLink.reset();
    }
}

void GaugeConnection::startWorker()
{
    if (m_workerThread)
        stopWorker();
    auto *thread = new QThread;
    m_worker = QSharedPointer<PollWorker>(new PollWorker(&m_framed));
    connect(m_worker.data(), &PollWorker::polled, this, &GaugeConnection::takePushedBytes);
    m_worker->moveToThread(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::started, m_worker.data(), &PollWorker::run);
    m_workerThread = thread;
    thread->start();
}

bool GaugeConnection::stopWorker()
{
    bool ended = true;
    if (m_workerThread && m_workerThread->isRunning()) {
        m_worker->requestStop();
        m_workerThread->quit();
        ended = m_workerThread->wait(WorkerEndWaitMs);
    }
    if (!ended)
        m_abandonedWorkers.append(m_worker); // its thread still runs: the object must outlive it
    m_worker.reset();
    m_workerThread = nullptr;
    if (ended && isOpen()) {
        // The worker's last poll is queued to this thread, and frames set aside by the last
        // commands wait in the link: both are told, in that order, before the caller goes on.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        deliverSetAside();
    }
    return ended;
}

void GaugeConnection::takePushedBytes(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    const QVector<PushedFrame> frames = m_parser.feed(bytes, m_layout);
    if (!frames.isEmpty())
        emit pushesArrived(frames);
}

void GaugeConnection::deliverSetAside()
{
    const QByteArray aside = m_framed.takeSetAsidePushes();
    if (!aside.isEmpty())
        takePushedBytes(aside);
}

void GaugeConnection::sequenceEnded()
{
    if (m_retiredLink) {
        m_retiredLink->close();
        m_retiredLink.reset();
    }
}

void GaugeConnection::forgetPushes()
{
    m_parser.reset();
    m_framed.takeSetAsidePushes();
}
