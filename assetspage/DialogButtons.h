#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;

// The places' dialogs' OK and Cancel, in the catalogue's words, accepting and rejecting the
// dialog; `okText` names the OK button when it does more than confirm (e.g. "Assign").
QDialogButtonBox *okCancelButtons(QDialog *dialog, const QString &okText = QString());
