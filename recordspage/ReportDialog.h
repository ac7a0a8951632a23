#pragma once

#include "export/PdfReport.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// The report's header fields, filled in once and remembered: the dialog starts with what was
// entered last time, and the logo file's path.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    ReportDialog(const ReportFields &fields, const QString &logoPath, bool chinese, QWidget *parent = nullptr);

    ReportFields fields() const;
    QString logoPath() const;

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
