#pragma once

#include "interaction/UserInteraction.h"

#include <QString>
#include <csignal>
#include <cstdio>

// The dialog seam of the command-line tool: nothing ever waits for a person. Messages go to
// standard error; every question is answered No (the answer that keeps data and changes
// nothing: no save-and-clear, no retry); no file is ever picked by a dialog. The progress
// is a bar redrawn in place when standard error is a terminal, a few plain lines otherwise,
// and it reads as cancelled once `interrupted` is set (SIGINT, SIGTERM).
class ConsoleInteraction : public UserInteraction
{
public:
    ConsoleInteraction(std::FILE *err, bool errIsTerminal, const volatile std::sig_atomic_t *interrupted);

    void information(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                            const QString &filter, QString *selectedFilter = nullptr) override;
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override;

    // A line on standard error, prefixed with the program's name.
    void message(const QString &text);
    // Questions answered so far (each also told on standard error).
    int questionsAnswered() const { return m_questions; }

private:
    std::FILE *m_err;
    bool m_terminal;
    const volatile std::sig_atomic_t *m_interrupted;
    int m_questions = 0;
};
