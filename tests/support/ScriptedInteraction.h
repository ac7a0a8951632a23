#pragma once

#include "interaction/UserInteraction.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Answers the program's dialogs from a script and records every dialog shown. Hand it to the
// code under test directly, or hand relay() to code that lives longer than one script: the
// relay passes every dialog to the newest ScriptedInteraction alive (none: No, cancel, silence).
class ScriptedInteraction : public UserInteraction
{
public:
    enum class Kind { Information, Question, SaveFile, Progress, Dialog };
    struct Shown
    {
        Kind kind;
        QString title;
        QString text; // message text, file dialog caption or progress label
        QString extra; // file dialog proposed path + "|" + filter; progress cancel text
    };

    ScriptedInteraction();
    ~ScriptedInteraction() override;

    static UserInteraction &relay();

    // Answers, taken in order. A question with no scripted answer gets No and counts as unexpected.
    void answerQuestions(const QList<bool> &yesAnswers) { questionAnswers += yesAnswers; }
    void answerFileDialogs(const QStringList &paths) { fileAnswers += paths; }
    // The program's own dialogs, in order: each answer fills the dialog in (as a person would)
    // and returns whether it is accepted. A dialog with no scripted answer is cancelled and
    // counts as unexpected.
    using DialogAnswer = std::function<bool(QDialog *)>;
    void answerDialogs(const QList<DialogAnswer> &answers) { dialogAnswers += answers; }
    // File types picked in the file dialogs, in order (empty: the one the dialog started on).
    void answerFileTypes(const QStringList &filters) { filterAnswers += filters; }
    // The type each file dialog started on (empty without one).
    QStringList offeredFilters;
    // The next progress dialog reports Cancel once its value reaches this number (-1: never).
    void cancelProgressAt(int value) { cancelAt = value; }
    // Runs while a dialog is "open" (after it was recorded, before it is answered), as a
    // person's other actions would run in a modal dialog's event loop.
    std::function<void(const Shown &)> whileShown;
    // Runs on every progress value set, after it was recorded.
    std::function<void(int)> onProgressValue;
    // Whether progress updates let queued events run, as a window-modal dialog does.
    bool progressProcessesEvents = true;

    QList<Shown> shown;
    int unexpected = 0;

    QStringList texts(Kind kind) const;
    QList<int> progressValues; // every value set on any progress dialog, in order
    QList<int> progressMaximums;

    void information(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                            const QString &filter, QString *selectedFilter = nullptr) override;
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override;
    bool runDialog(QDialog *dialog, const QString &title) override;

private:
    void record(const Shown &item);
    QList<bool> questionAnswers;
    QStringList fileAnswers;
    QList<DialogAnswer> dialogAnswers;
    QStringList filterAnswers;
    int cancelAt = -1;
};
