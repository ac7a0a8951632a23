#pragma once

#include "export/PdfReport.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class UserInteraction;

// The report's header fields, filled in once and remembered: the dialog starts with what was
// entered last time, and the logo file's path.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    ReportDialog(const ReportFields &fields, const QString &logoPath, QWidget *parent = nullptr);

    ReportFields fields() const;
    QString logoPath() const;

    // The steps every report of the window takes.
    // Shows the dialog with the remembered fields and remembers what was accepted; false
    // when it was closed.
    static bool askFields(QWidget *parent, ReportFields *fields, QString *logoPath);
    // Asks where to save a report named `baseName` and the time; ".pdf" added when missing.
    // Empty when the user closed the dialog.
    static QString askPath(UserInteraction &ui, QWidget *parent, const QString &title, const QString &baseName);
    // Writes the report with a progress of `steps`, then tells how it went (the logo left out,
    // or why it failed). True when the file was written.
    static bool writeFile(UserInteraction &ui, QWidget *parent, const ReportInput &input,
                          const QString &path, const QString &logoPath, int steps);

private:
    QLineEdit *company;
    QLineEdit *inspector;
    QLineEdit *qualification;
    QLineEdit *location;
    QLineEdit *procedure;
    QLineEdit *probe;
    QLineEdit *calibrationBlock;
    QPlainTextEdit *notes;
    QLineEdit *logo;
};
