#pragma once

#include "interaction/UserInteraction.h"

#include <QString>

// Answers every dialog without a person (OK, No, no file) and appends a line per dialog
// to a log file: "kind|title|text". Used when PALVARIN_UNATTENDED_LOG names that file,
// so scripts and tests can run the real program unattended.
class UnattendedInteraction : public UserInteraction
{
public:
    explicit UnattendedInteraction(const QString &logPath);

    void information(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                            const QString &filter, QString *selectedFilter = nullptr) override;
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override;
    bool runDialog(QDialog *dialog, const QString &title) override;

private:
    void log(const QString &kind, const QString &title, const QString &text);
    QString logPath;
};
