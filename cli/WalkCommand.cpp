// walk: a route (or an asset's CMLs) walked with the gauge from a terminal, each reading judged
// as it arrives and the inspector's keys read without holding up the event loop.
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "analysis/AnalysisWords.h"
#include "session/GaugeSession.h"
#include "session/RouteWalk.h"
#include "session/WalkWords.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cmath>
#include <termios.h>
#include <unistd.h>

namespace Cli {

namespace {

// Standard input as single keys without Enter while it lives; the terminal as it was
// afterwards, whichever way the walk ends. Ctrl+C arrives as a key (no signal in raw mode) so
// the walk can end through the same path and restore the terminal first.
class RawTerminal
{
public:
    RawTerminal()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios raw = m_saved;
        raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ISIG);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawTerminal()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    RawTerminal(const RawTerminal &) = delete;
    RawTerminal &operator=(const RawTerminal &) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

constexpr SkipReason skipReasons[] = {SkipReason::NoAccess, SkipReason::Insulated, SkipReason::Obstructed,
                                      SkipReason::TooHot,   SkipReason::Unsafe,    SkipReason::Other};
constexpr char ctrlC = 0x03;
constexpr char ctrlD = 0x04;
constexpr char backspace = 0x7f;

QString figure(double value, const QString &unit)
{
    if (std::isnan(value))
        return QStringLiteral("-");
    // The gauge's resolution: 0.01 mm, 0.001 inch.
    return QString::number(value, 'f', unit == QLatin1String("inch") ? 3 : 2);
}

class Walk
{
public:
    Walk(Invocation &run, GaugeSession &session, SurveyStore &store) : m_run(run), m_session(session), m_store(store) {}

    int run(const std::function<int()> &connect);

private:
    // What the keys are waiting for.
    enum class Mode { Keys, Reason, Note };

    int openPlaces(qint64 *route, qint64 *asset);
    void print(const QString &line);
    void showStop(int index);
    void showReading(int index);
    void acceptPending();
    // One key (terminal) or the first character of a line (a pipe).
    void key(QChar c);
    void noteChar(char c);
    void act(bool done);
    void end(int code);
    void readInput();
    // A pipe's lines, in order; accept and re-measure wait until the stop has a reading.
    void takeLines();
    QString keysHint() const;

    Invocation &m_run;
    GaugeSession &m_session;
    SurveyStore &m_store;
    std::unique_ptr<RouteWalk> m_walk;
    QEventLoop m_loop;
    int m_exitCode = Done;
    bool m_terminal = false;
    bool m_inputEnded = false;
    Mode m_mode = Mode::Keys;
    SkipReason m_reason = SkipReason::Other;
    QByteArray m_note;    // typed so far, UTF-8
    QByteArray m_pending; // bytes of standard input not yet taken
    QVector<qint64> m_shownKey; // per stop: the reading last printed
    bool m_acceptWanted = false;
};

int Walk::openPlaces(qint64 *route, qint64 *asset)
{
    if (!openToChange(m_run, m_store, false))
        return Failed;
    Places places(m_store);
    const PlaceOptions &options = m_run.places;
    *route = *asset = 0;
    if (!options.route.isEmpty()) {
        *route = places.routeByName(options.route);
        if (!*route)
            return m_run.fail(CliWords::tr("there is no route '%1' in the survey file %2 (see route list).")
                                  .arg(options.route, m_run.storePath));
    } else {
        *asset = places.assetByPath(options.asset);
        if (!*asset)
            return m_run.fail(CliWords::tr("there is no asset '%1' in the survey file %2 (see assets).")
                                  .arg(options.asset, m_run.storePath));
    }
    return Done;
}

void Walk::print(const QString &line)
{
    if (!m_run.writeOut((line + QLatin1Char('\n')).toUtf8()))
        end(Failed);
}

QString Walk::keysHint() const
{
    if (m_run.walking.acceptAll)
        return CliWords::tr("accepted");
    return CliWords::tr("a accept, r measure again, s skip, b back, u undo, q quit");
}

void Walk::showStop(int index)
{
    const QVector<WalkStop> &stops = m_walk->stops();
    if (index < 0 || index >= stops.size())
        return;
    const WalkStop &stop = stops[index];
    const ProbeExpectation &e = stop.expectation;
    QStringList parts;
    parts << CliWords::tr("stop %1/%2").arg(index + 1).arg(stops.size()) << stop.cml.tag << stop.assetPath;
    if (e.hasHistory())
        parts << CliWords::tr("last %1 %2 on %3")
                     .arg(figure(e.lastCounted, stop.unit), stop.unit,
                          QDateTime::fromMSecsSinceEpoch(e.lastMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    else
        parts << CliWords::tr("no reading yet");
    if (!std::isnan(e.expected))
        parts << CliWords::tr("expected %1 (%2 to %3)")
                     .arg(figure(e.expected, stop.unit), figure(e.low, stop.unit), figure(e.high, stop.unit));
    parts << CliWords::tr("required %1").arg(std::isnan(e.required) ? CliWords::tr("not known") : figure(e.required, stop.unit));
    print(parts.join(QStringLiteral("  ")));
}

void Walk::showReading(int index)
{
    const WalkStop &stop = m_walk->stops()[index];
    if (m_shownKey.size() != m_walk->stops().size())
        m_shownKey.resize(m_walk->stops().size());
    if (stop.state == WalkStop::State::Skipped && m_shownKey[index] != -1) {
        m_shownKey[index] = -1;
        print(QStringLiteral("  ") + CliWords::tr("skipped: %1").arg(skipReasonWords(stop.reason))
              + (stop.note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(stop.note)));
        return;
    }
    if (stop.state == WalkStop::State::Waiting && m_shownKey[index] != 0) {
        // Said, since nothing else on the screen changes: a re-measure asked, an undo.
        const bool wasSkipped = m_shownKey[index] == -1;
        m_shownKey[index] = 0;
        print(QStringLiteral("  ") + (wasSkipped           ? CliWords::tr("no longer skipped: waiting for a reading")
                                      : stop.remeasureAsked ? CliWords::tr("measure again: the next reading replaces it")
                                                            : CliWords::tr("reading taken back: waiting for a reading")));
        return;
    }
    if (stop.state != WalkStop::State::Measured || stop.key == 0 || m_shownKey[index] == stop.key)
        return;
    m_shownKey[index] = stop.key;
    print(QStringLiteral("  %1 %2  %3  [%4]")
              .arg(figure(stop.thickness, stop.unit), stop.unit, verdictWords(stop.verdict), keysHint()));
    if (m_run.walking.acceptAll && index == m_walk->current()) {
        // Accepted on the next turn of the loop, out of the walk's own signal; a reading
        // arriving before that is let in only after it (see run()).
        m_acceptWanted = true;
        QTimer::singleShot(0, &m_loop, [this] { acceptPending(); });
    }
}

void Walk::acceptPending()
{
    if (!m_acceptWanted)
        return;
    m_acceptWanted = false;
    const int at = m_walk->current();
    if (at < m_walk->stops().size() && m_walk->stops()[at].state == WalkStop::State::Measured)
        act(m_walk->accept());
}

void Walk::act(bool done)
{
    if (!done)
        m_run.ui.message(walkProblemText(m_walk->problem()));
}

void Walk::end(int code)
{
    m_exitCode = code;
    m_loop.exit();
}

void Walk::key(QChar c)
{
    if (m_mode == Mode::Reason) {
        const int digit = c.digitValue();
        if (digit < 1 || digit > 6) {
            m_mode = Mode::Keys;
            m_run.ui.message(CliWords::tr("not skipped."));
            return;
        }
        m_reason = skipReasons[digit - 1];
        if (m_reason == SkipReason::Other) {
            m_mode = Mode::Note;
            m_note.clear();
            m_run.ui.message(CliWords::tr("why? (a line, then Enter)"));
            return;
        }
        m_mode = Mode::Keys;
        act(m_walk->skip(m_reason));
        return;
    }
    switch (c.toLower().toLatin1()) {
    case 'a':
    case '\r':
    case '\n':
    case '\0': // an empty line
        act(m_walk->accept());
        break;
    case 'r': act(m_walk->remeasure()); break;
    case 'b': act(m_walk->back()); break;
    case 'u': act(m_walk->undo()); break;
    case 's': {
        QStringList reasons;
        for (int i = 0; i < 6; ++i)
            reasons << QStringLiteral("%1 %2").arg(i + 1).arg(skipReasonWords(skipReasons[i]));
        m_run.ui.message(CliWords::tr("skip why? %1").arg(reasons.join(QStringLiteral(", "))));
        m_mode = Mode::Reason;
        break;
    }
    case 'q':
        m_run.ui.message(CliWords::tr("walk quit before its end; the readings taken are kept in the survey file."));
        end(Failed);
        break;
    case ctrlC:
    case ctrlD:
        m_run.ui.message(CliWords::tr("walk interrupted before its end; the readings taken are kept in the survey file."));
        end(Failed);
        break;
    default:
        m_run.ui.message(keysHint());
        break;
    }
}

void Walk::noteChar(char c)
{
    if (c == '\r' || c == '\n') {
        std::fputc('\n', m_run.streams.err);
        m_mode = Mode::Keys;
        act(m_walk->skip(SkipReason::Other, QString::fromUtf8(m_note).trimmed()));
        return;
    }
    if (c == ctrlC) {
        key(QChar::fromLatin1(c));
        return;
    }
    if (c == backspace) {
        // A whole character: its UTF-8 continuation bytes with it.
        while (!m_note.isEmpty() && (quint8(m_note.back()) & 0xC0) == 0x80)
            m_note.chop(1);
        if (!m_note.isEmpty()) {
            m_note.chop(1);
            std::fputs("\b \b", m_run.streams.err);
        }
    } else {
        m_note += c;
        std::fputc(c, m_run.streams.err); // raw mode echoes nothing by itself
    }
    std::fflush(m_run.streams.err);
}

void Walk::readInput()
{
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        m_inputEnded = true;
    } else {
        m_pending.append(buffer, int(n));
    }
    if (m_terminal) {
        const QByteArray keys = m_pending;
        m_pending.clear();
        for (char c : keys) {
            if (!m_loop.isRunning())
                break;
            if (m_mode == Mode::Note)
                noteChar(c);
            else
                key(QChar::fromLatin1(c));
        }
        if (m_inputEnded)
            key(QChar::fromLatin1(ctrlD));
        return;
    }
    takeLines();
}

void Walk::takeLines()
{
    while (m_loop.isRunning()) {
        const int newline = m_pending.indexOf('\n');
        if (newline < 0 && !(m_inputEnded && !m_pending.isEmpty()))
            break;
        const QByteArray line = newline < 0 ? m_pending : m_pending.left(newline);
        const QString text = QString::fromUtf8(line).trimmed();
        if (m_mode == Mode::Note) {
            m_mode = Mode::Keys;
            m_pending.remove(0, newline < 0 ? m_pending.size() : newline + 1);
            act(m_walk->skip(SkipReason::Other, text));
            continue;
        }
        const QChar c = text.isEmpty() ? QChar() : text.at(0).toLower();
        const bool needsReading = m_mode == Mode::Keys && (c.isNull() || c == QLatin1Char('a') || c == QLatin1Char('r'));
        const int at = m_walk->current();
        if (needsReading && (at >= m_walk->stops().size() || m_walk->stops()[at].state != WalkStop::State::Measured))
            break; // once the reading is there
        m_pending.remove(0, newline < 0 ? m_pending.size() : newline + 1);
        key(c);
    }
    if (m_loop.isRunning() && m_inputEnded && m_pending.isEmpty()) {
        m_run.ui.message(CliWords::tr("standard input ended before the walk did; the readings taken are kept in the "
                                      "survey file."));
        end(Failed);
    }
}

int Walk::run(const std::function<int()> &connect)
{
    qint64 route = 0, asset = 0;
    if (const int code = openPlaces(&route, &asset))
        return code;
    m_session.setStore(&m_store);
    if (const int code = connect())
        return code;

    // Before the walk follows the session: a reading waiting to be accepted is accepted before
    // the walk takes the next one, which would replace it.
    QObject::connect(&m_session, &GaugeSession::measurement, &m_loop, [this] { acceptPending(); });
    m_walk = std::make_unique<RouteWalk>(m_session);
    m_walk->setToleranceMm(m_run.walking.toleranceMm);
    QString who = m_run.walking.inspector;
    if (who.isEmpty())
        who = qEnvironmentVariable("USER");
    bool currentShown = false;
    QObject::connect(m_walk.get(), &RouteWalk::currentChanged, &m_loop, [&](int index) {
        currentShown = true;
        showStop(index);
        if (!m_terminal && !m_run.walking.acceptAll)
            QTimer::singleShot(0, &m_loop, [this] { takeLines(); });
    });
    QObject::connect(m_walk.get(), &RouteWalk::stopChanged, &m_loop, [this](int index) {
        showReading(index);
        if (!m_terminal && !m_run.walking.acceptAll)
            QTimer::singleShot(0, &m_loop, [this] { takeLines(); });
    });
    QObject::connect(m_walk.get(), &RouteWalk::walkFinished, &m_loop, [this] {
        int skipped = 0;
        for (const WalkStop &stop : m_walk->stops())
            skipped += stop.state == WalkStop::State::Skipped;
        m_run.ui.message(CliWords::tr("%1 done: %2 stops, %3 skipped.")
                             .arg(m_walk->name())
                             .arg(m_walk->stops().size())
                             .arg(skipped));
        end(Done);
    });

    const bool started = route ? m_walk->startRoute(route, who) : m_walk->startAsset(asset, who);
    if (!started)
        return m_run.fail(walkProblemText(m_walk->problem()));
    m_run.ui.message(CliWords::tr("walking %1 with the gauge %2: %3 stops.")
                         .arg(m_walk->name(), m_session.gaugeSerial())
                         .arg(m_walk->stops().size()));
    if (!currentShown)
        showStop(m_walk->current());

    std::unique_ptr<RawTerminal> raw;
    std::unique_ptr<QSocketNotifier> input;
    if (!m_run.walking.acceptAll) {
        m_terminal = isatty(STDIN_FILENO) == 1;
        if (m_terminal)
            raw = std::make_unique<RawTerminal>();
        input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(input.get(), &QSocketNotifier::activated, &m_loop, [&] {
            readInput();
            if (m_inputEnded)
                input->setEnabled(false); // end of file stays readable: read it once
        });
    }
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &m_loop, [this] {
        if (m_run.interrupted()) {
            m_run.ui.message(CliWords::tr("walk interrupted before its end; the readings taken are kept in the survey file."));
            end(Failed);
        } else if (m_session.linkRemoved()) {
            m_run.ui.message(CliWords::tr("the gauge was disconnected before the walk's end; the readings taken are kept "
                                          "in the survey file. Plug it in again and walk the rest."));
            end(Failed);
        }
    });
    tick.start(100);
    m_session.startWorker();
    m_loop.exec();
    input.reset();
    raw.reset(); // the terminal back before the session's last words
    m_session.stopWorker();
    return m_exitCode;
}

} // namespace

int checkWalkOptions(const QCommandLineParser &parser, Invocation &run)
{
    if (qstrcmp(run.command->name, "walk") != 0)
        return Done;
    const bool route = parser.isSet(QStringLiteral("route"));
    if (route == run.places.assetGiven)
        return run.usage(CliWords::tr("walk takes one of --route ROUTE or --asset PATH."));
    if (route && run.places.route.trimmed().isEmpty())
        return run.usage(CliWords::tr("--route takes the route's name (see route list)."));
    WalkOptions &walking = run.walking;
    walking.acceptAll = parser.isSet(QStringLiteral("accept-all"));
    walking.inspector = parser.value(QStringLiteral("inspector")).trimmed();
    if (parser.isSet(QStringLiteral("tolerance"))) {
        const QString given = parser.value(QStringLiteral("tolerance"));
        bool ok = false;
        walking.toleranceMm = given.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(walking.toleranceMm) || walking.toleranceMm < 0)
            return run.usage(CliWords::tr("--tolerance takes a thickness in mm of zero or more, e.g. 0.2; '%1' is none.")
                                 .arg(given));
    }
    return Done;
}

int walk(Invocation &run, GaugeSession &session, SurveyStore &store, const std::function<int()> &connect)
{
    Walk walking(run, session, store);
    return walking.run(connect);
}

} // namespace Cli
