#pragma once

#include "link/FramedLink.h"
#include "protocol/InstrumentCommands.h"
#include "protocol/PushFrameParser.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QVector>

#include <memory>

class HidBackend;
class Link;
class PollWorker;
class QThread;

// The one owner of a connection to the gauge: its link, the framed request/reply layer and
// the commands over it, and the worker that polls for what the gauge sends unasked.
//
// What the gauge pushes has one way out, pushesArrived(), on the thread that owns the
// connection, in arrival order, whether the bytes came in the worker's poll while the link
// was idle, ahead of a reply a command waited for, or among the stale bytes flushed before a
// request (the last two are set aside by the framed link and handed over by
// deliverSetAside(): a command sequence calls it when the work it does with its replies lets
// the frames in). takePushedBytes() is the one entry all of them pass.
//
// Threads: everything runs on the owner's thread except the worker's poll loop. The worker's
// mutex is the one lock around the link: the poll holds it for each poll, a command sequence
// from its first request to its last reply.
class GaugeConnection : public QObject
{
    Q_OBJECT
public:
    // The longest stopWorker() waits for the worker's thread to end.
    static constexpr int WorkerEndWaitMs = 5000;

    explicit GaugeConnection(HidBackend &hid, QObject *parent = nullptr);
    ~GaugeConnection() override; // shutdown()

    // Opens the device if no link is held; true when a new link was opened.
    bool open(quint16 vendorId, quint16 productId);
    // Forgets the link, stops the worker and closes the device. With `sequenceRunning` (a
    // command sequence further down this thread still uses the link) the link is closed when
    // sequenceEnded() is called. closed() is emitted once the link is forgotten, before the
    // worker stops. No-op without a link.
    void close(bool sequenceRunning);
    // At the end: stops the worker (delivering what it polled last) and closes the device.
    void shutdown();

    bool isOpen() const { return m_framed.isLinkOpen(); }
    bool hasLink() const { return m_link != nullptr; }
    // A link is held and it reports that its device is gone.
    bool removed() const;
    // Counts the links opened: a command sequence belongs to one.
    quint64 id() const { return m_id; }

    void startWorker();
    // Stops the worker and waits (bounded) for its thread; false if it did not end. With the
    // link still open, what it polled last and the frames set aside by the last commands are
    // told through pushesArrived() before it returns.
    bool stopWorker();
    QSharedPointer<PollWorker> worker() const { return m_worker; }

    FramedLink &framedLink() { return m_framed; }
    InstrumentCommands &commands() { return m_commands; }

    // The layout the pushed frames are read in (the identified gauge's).
    void setLayout(int layout) { m_layout = layout; }
    int layout() const { return m_layout; }
    // The one entry for pushed bytes: whole frames found are told through pushesArrived();
    // a frame cut at the end waits for the next bytes. Ignored without an open link (a batch
    // still queued from a connection that has ended).
    void takePushedBytes(const QByteArray &bytes);
    // Tells the frames the framed link set aside while replies were awaited.
    void deliverSetAside();
    // A command sequence ended: a link closed under it goes now.
    void sequenceEnded();
    // Bytes and frames of the old connection mean nothing for the next one.
    void forgetPushes();

signals:
    // Frames the gauge pushed, in arrival order; never empty.
    void pushesArrived(const QVector<PushedFrame> &frames);
    void closed();

private:
    HidBackend &m_hid;
    FramedLink m_framed;
    InstrumentCommands m_commands{&m_framed};
    std::unique_ptr<Link> m_link;
    std::unique_ptr<Link> m_retiredLink; // closed while a sequence still ran on it
    quint64 m_id = 0;

    QPointer<QThread> m_workerThread;
    QSharedPointer<PollWorker> m_worker;
    QList<QSharedPointer<PollWorker>> m_abandonedWorkers; // never ended; kept, never deleted

    PushFrameParser m_parser;
    int m_layout = 1;
};
