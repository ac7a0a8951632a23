#pragma once

#include "interaction/UserInteraction.h"

// The production seam: real QMessageBox, QFileDialog and QProgressDialog.
class WidgetInteraction : public UserInteraction
{
public:
    void information(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                            const QString &filter, QString *selectedFilter = nullptr) override;
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override;
    bool runDialog(QDialog *dialog, const QString &title) override;
};
