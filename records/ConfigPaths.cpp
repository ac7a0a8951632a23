#include "records/ConfigPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ConfigPlaces ConfigPlaces::current()
{
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
            QStringLiteral(PALVARIN_DATA_DIR)};
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
