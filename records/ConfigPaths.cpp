#include "records/ConfigPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

ConfigPlaces ConfigPlaces::current()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {QCoreApplication::applicationDirPath(), config.isEmpty() ? QString() : config + QStringLiteral("/Palvarin"),
            QStringLiteral(PALVARIN_DATA_DIR)};
}

void ConfigPlaces::nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Palvarin"));
    QCoreApplication::setApplicationName(QStringLiteral("Palvarin"));
}

bool ConfigPlaces::carryOverOldSettings()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return false;
    const QString oldFolder = config + QStringLiteral("/Unknown Organization");
    const QString oldFile = oldFolder + QStringLiteral("/Palvarin.conf");
    const QString newFile = QSettings().fileName();
    if (!QFileInfo(oldFile).isFile() || QFileInfo::exists(newFile) || !QDir().mkpath(QFileInfo(newFile).absolutePath()))
        return false;
    // A rename within ~/.config: the file is either in the old place or in the new one.
    if (!QFile::rename(oldFile, newFile))
        return false;
    QDir().rmdir(oldFolder); // only if nothing else was kept there
    return true;
}

namespace {

// An unknown place (no home folder, say) is left out rather than read as the current folder.
QStringList known(QStringList folders)
{
    folders.removeAll(QString());
    return folders;
}

} // namespace

QStringList ConfigPlaces::tableSearchPath() const
{
    return known({programDir, userConfigDir, sharedDataDir});
}

QStringList ConfigPlaces::translationSearchPath() const
{
    // "." is resolved when a file is loaded, so it means the current folder at that time.
    return known({QStringLiteral("."), programDir, userConfigDir, sharedDataDir, QStringLiteral(":/i18n")});
}

QString ConfigPlaces::findFile(const QStringList &folders, const QString &name)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

GaugeConfig ConfigPlaces::loadTables(const QStringList &folders)
{
    GaugeConfig config;
    const QString meterPath = findFile(folders, QStringLiteral("meterno"));
    const QString unitPath = findFile(folders, QStringLiteral("unitno"));
    if (!meterPath.isEmpty())
        config.meterTable = GaugeConfig::loadMeterTable(meterPath);
    if (!unitPath.isEmpty())
        config.unitTable = GaugeConfig::loadUnitTable(unitPath);
    return config;
}
