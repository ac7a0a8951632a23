#pragma once

#include "records/GaugeConfig.h"

#include <QString>
#include <QStringList>

// Where the meter and unit tables and the translation files are looked up. The most
// specific place comes first, so a deployment or a user can override what the package
// ships, and each file is looked up on its own.
struct ConfigPlaces
{
    QString programDir;    // the program's folder
    QString userConfigDir; // ~/.config/Palvarin
    QString sharedDataDir; // <prefix>/share/palvarin, as installed

    // The running program's places (the user's folder does not depend on the organisation).
    static ConfigPlaces current();

    // Names the program for Qt: application and organisation "Palvarin", so that QSettings
    // keeps its file as ~/.config/Palvarin/Palvarin.conf, beside the user's tables. Both
    // programs call it first thing.
    static void nameApplication();
    // Without an organisation, older versions kept their settings (the report's fields) in
    // ~/.config/Unknown Organization/Palvarin.conf: that file is moved to the new place once,
    // when the new place has none yet. True when a file was moved.
    static bool carryOverOldSettings();

    // The program's folder, the user's configuration folder, the shipped folder.
    QStringList tableSearchPath() const;
    // The current folder, the program's folder, the user's configuration folder, the
    // shipped folder, then the copy compiled into the program (":/i18n").
    QStringList translationSearchPath() const;

    // The first folder/name that is a file, or an empty string.
    static QString findFile(const QStringList &folders, const QString &name);
    // Each table from the first folder that holds it; a table found nowhere is empty.
    static GaugeConfig loadTables(const QStringList &folders);
};
