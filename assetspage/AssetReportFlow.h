#pragma once

#include <QCoreApplication>
#include <QString>

class JudgementBook;
class QWidget;
class UserInteraction;

// The asset summary's report: asks for a file (.pdf, .xlsx or .csv), writes the book's CMLs
// there with the report fields remembered in the settings, and says how it went.
class AssetReportFlow
{
    Q_DECLARE_TR_FUNCTIONS(AssetReportFlow)

public:
    // True when a file was written; the path written in *written.
    static bool run(UserInteraction &ui, QWidget *parent, const JudgementBook &book, const QString &assetPath,
                    QString *written = nullptr);
};
