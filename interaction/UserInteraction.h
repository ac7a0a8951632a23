#pragma once

#include <QString>
#include <memory>

class QDialog;
class QWidget;

// A progress dialog as the flows see it: a bar they advance and a Cancel they poll.
class ProgressHandle
{
public:
    virtual ~ProgressHandle() = default;
    virtual void setValue(int value) = 0;
    virtual int value() const = 0;
    virtual int maximum() const = 0;
    virtual bool wasCanceled() const = 0;
    virtual void hide() = 0;
};

// Every message box, question, file dialog and progress dialog of the program goes
// through this seam, so that tests can answer them instead of a person. main hands the
// implementation to whoever asks questions; nothing finds it through a global.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // Information box with a single OK button.
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    // Question box with Yes and No and no default button; only No counts as refusal.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
    // Save-file dialog; an empty result means the user cancelled. `filter` holds the file
    // types separated by ";;". With `selectedFilter`, the dialog starts on the type it holds
    // (when it is one of them) and returns the type the user chose there.
    virtual QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                                    const QString &filter, QString *selectedFilter = nullptr) = 0;
    // A window-modal progress dialog, already shown.
    virtual std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label,
                                                           const QString &cancelText, int minimum,
                                                           int maximum) = 0;
    // One of the program's own dialogs (a picker, a small form), shown modally; true when the
    // user accepted it. `title` names it for logs and scripts. Without widgets nothing is
    // shown and the dialog counts as cancelled.
    virtual bool runDialog(QDialog *dialog, const QString &title)
    {
        (void)dialog;
        (void)title;
        return false;
    }
};
