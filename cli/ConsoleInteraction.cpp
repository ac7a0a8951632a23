#include "cli/ConsoleInteraction.h"

namespace {

constexpr int BarWidth = 30;

class ConsoleProgress : public ProgressHandle
{
public:
    ConsoleProgress(std::FILE *err, bool terminal, const volatile std::sig_atomic_t *interrupted,
                    const QString &label, int minimum, int maximum)
        : m_err(err), m_terminal(terminal), m_interrupted(interrupted), m_label(label.toUtf8()),
          m_minimum(minimum), m_maximum(maximum), m_value(minimum)
    {
        // Without a terminal the bar would be a stream of carriage returns in a log file:
        // the label once, then a line at each quarter.
        if (!m_terminal) {
            std::fprintf(m_err, "palvarin-cli: %s\n", m_label.constData());
            std::fflush(m_err);
        } else {
            draw();
        }
    }
    ~ConsoleProgress() override { hide(); }

    void setValue(int value) override
    {
        m_value = value;
        if (m_hidden)
            return;
        const int percent = this->percent();
        if (m_terminal) {
            if (percent != m_shownPercent)
                draw();
        } else if (percent / 25 > m_quarter) {
            m_quarter = percent / 25;
            std::fprintf(m_err, "palvarin-cli: %d%%\n", percent);
            std::fflush(m_err);
        }
    }
    int value() const override { return m_value; }
    int maximum() const override { return m_maximum; }
    bool wasCanceled() const override { return m_interrupted && *m_interrupted; }
    void hide() override
    {
        if (m_hidden)
            return;
        m_hidden = true;
        if (m_terminal) {
            // The bar's line is cleared: what follows starts on a clean line.
            std::fputs("\r\033[K", m_err);
            std::fflush(m_err);
        }
    }

private:
    int percent() const
    {
        const int span = m_maximum - m_minimum;
        if (span <= 0)
            return 100;
        // The session reports the block just read (0-based): one more block is done.
        const qint64 done = qBound(qint64(0), qint64(m_value) - m_minimum + 1, qint64(span));
        return int(done * 100 / span);
    }
    void draw()
    {
        const int percent = this->percent();
        m_shownPercent = percent;
        const int filled = percent * BarWidth / 100;
        std::fprintf(m_err, "\r%s [%s%s] %3d%%", m_label.constData(), QByteArray(filled, '#').constData(),
                     QByteArray(BarWidth - filled, '.').constData(), percent);
        std::fflush(m_err);
    }

    std::FILE *m_err;
    bool m_terminal;
    const volatile std::sig_atomic_t *m_interrupted;
    QByteArray m_label;
    int m_minimum;
    int m_maximum;
    int m_value;
    int m_shownPercent = -1;
    int m_quarter = 0; // quarters told as plain lines
    bool m_hidden = false;
};

} // namespace

ConsoleInteraction::ConsoleInteraction(std::FILE *err, bool errIsTerminal,
                                       const volatile std::sig_atomic_t *interrupted)
    : m_err(err), m_terminal(errIsTerminal), m_interrupted(interrupted)
{
}

void ConsoleInteraction::message(const QString &text)
{
    std::fprintf(m_err, "palvarin-cli: %s\n", text.toUtf8().constData());
    std::fflush(m_err);
}

void ConsoleInteraction::information(QWidget *, const QString &, const QString &text)
{
    message(text);
}

bool ConsoleInteraction::question(QWidget *, const QString &, const QString &text)
{
    ++m_questions;
    message(text + QStringLiteral(" -> No"));
    return false;
}

QString ConsoleInteraction::getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *)
{
    return QString();
}

std::unique_ptr<ProgressHandle> ConsoleInteraction::createProgress(QWidget *, const QString &label,
                                                                   const QString &, int minimum, int maximum)
{
    return std::make_unique<ConsoleProgress>(m_err, m_terminal, m_interrupted, label, minimum, maximum);
}
