#include "app/WidgetInteraction.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

namespace {

class DialogProgress : public ProgressHandle
{
public:
    DialogProgress(QWidget *parent, const QString &label, const QString &cancelText, int minimum, int maximum)
        : dialog(new QProgressDialog(label, cancelText, minimum, maximum, parent))
    {
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setWindowTitle(QCoreApplication::applicationName());
        dialog->show();
    }
    ~DialogProgress() override { delete dialog.data(); }

    void setValue(int value) override
    {
        if (!dialog)
            return;
        dialog->setValue(value);
        // The dialog itself handles events only once its minimum duration has passed and it
        // decided to show: a shorter read would hold the window (no paint, no Cancel, no
        // device notice) from start to end. The window-modal dialog keeps clicks from the
        // window it covers.
        // At most every few milliseconds: a writer may report every one of a million rows.
        if (dialog && !processing && (!sinceEvents.isValid() || sinceEvents.elapsed() >= EventsEveryMs)) {
            processing = true;
            QCoreApplication::processEvents();
            processing = false;
            sinceEvents.start();
        }
    }
    int value() const override { return dialog ? dialog->value() : 0; }
    int maximum() const override { return dialog ? dialog->maximum() : 0; }
    bool wasCanceled() const override { return dialog && dialog->wasCanceled(); }
    void hide() override
    {
        if (dialog)
            dialog->hide();
    }

private:
    // The parent may go first (program end while a dialog is up).
    QPointer<QProgressDialog> dialog;
    bool processing = false; // setValue called again from inside the events it handles
    static constexpr int EventsEveryMs = 8;
    QElapsedTimer sinceEvents;
};

} // namespace

void WidgetInteraction::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

bool WidgetInteraction::question(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

QString WidgetInteraction::getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                                           const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, proposedPath, filter, selectedFilter);
}

std::unique_ptr<ProgressHandle> WidgetInteraction::createProgress(QWidget *parent, const QString &label,
                                                                  const QString &cancelText, int minimum, int maximum)
{
    return std::make_unique<DialogProgress>(parent, label, cancelText, minimum, maximum);
}

bool WidgetInteraction::runDialog(QDialog *dialog, const QString &)
{
    return dialog->exec() == QDialog::Accepted;
}
