// Lookup of the tables and translation files: the user's configuration folder overrides
// the shipped tables file by file, and the current folder wins for translations.
#include "PseudoCatalogue.h"
#include "interaction/Language.h"
#include "records/ConfigPaths.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

void copyFile(const QString &from, const QString &to)
{
    QVERIFY(QDir().mkpath(QFileInfo(to).absolutePath()));
    QFile::remove(to);
    QVERIFY2(QFile::copy(from, to), qPrintable(from));
}

// The Read Records button's text in the Chinese catalogue found first on `searchPath`, as the
// language module looks it up.
QString readRecordsButton(const QStringList &searchPath)
{
    QTranslator translator;
    if (!Language::load(translator, QStringLiteral("zh"), searchPath))
        return QString();
    return translator.translate("FirstPage", "Read Records");
}

const QString kChinese = QStringLiteral("读取测量记录");
const QString kPseudo = PseudoCatalogue::marked(QStringLiteral("Read Records"));

} // namespace

class ConfigPathsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    ConfigPlaces places;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        QCoreApplication::setApplicationName(QStringLiteral("Palvarin"));
        places = ConfigPlaces::current();
        // The user's folder is ~/.config/Palvarin, whatever the organisation.
        QCOMPARE(places.userConfigDir, home.filePath(QStringLiteral("config/Palvarin")));
        // Stand-ins for the program's folder (installed: /usr/bin, which holds no table)
        // and for the shipped folder, which gets the tables the project ships.
        places.programDir = home.filePath(QStringLiteral("bin"));
        places.sharedDataDir = home.filePath(QStringLiteral("share/palvarin"));
        QVERIFY(QDir().mkpath(places.programDir));
        const QString shipped = QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config/");
        copyFile(shipped + QStringLiteral("meterno"), places.sharedDataDir + QStringLiteral("/meterno"));
        copyFile(shipped + QStringLiteral("unitno"), places.sharedDataDir + QStringLiteral("/unitno"));
    }

    void userTableOverridesShippedOne()
    {
        const GaugeConfig shipped = ConfigPlaces::loadTables(places.tableSearchPath());
        QCOMPARE(shipped.meterTable.size(), 2);
        QCOMPARE(shipped.unitTable.size(), 4);

        // A user's meter table with one meter type of their own; no unit table of theirs.
        writeFile(places.userConfigDir + QStringLiteral("/meterno"),
                  "[Device1]\nMeterNo=7\nUIIndex=2\nVersion=130\n");
        const GaugeConfig mixed = ConfigPlaces::loadTables(places.tableSearchPath());
        QCOMPARE(mixed.meterTable.size(), 1);
        QCOMPARE(mixed.meterTable[0], (QVariantList{QStringLiteral("7"), QStringLiteral("2"), QStringLiteral("130")}));
        QCOMPARE(mixed.unitTable, shipped.unitTable); // still the shipped one

        // A table beside the program comes before the user's.
        writeFile(places.programDir + QStringLiteral("/meterno"), "[Device1]\nMeterNo=9\nUIIndex=1\nVersion=100\n");
        const GaugeConfig local = ConfigPlaces::loadTables(places.tableSearchPath());
        QCOMPARE(local.meterTable.size(), 1);
        QCOMPARE(local.meterTable[0][0].toString(), QStringLiteral("9"));
        QVERIFY(QFile::remove(places.programDir + QStringLiteral("/meterno")));
    }

    void currentFolderWinsForTranslations()
    {
        const QString built = QStringLiteral(PALVARIN_BUILD_DIR "/");
        const QString chineseFile = QStringLiteral("/Palvarin_zh.qm");
        QTemporaryDir work;
        QVERIFY(work.isValid());
        // A second Chinese catalogue that reads differently: the pseudo one.
        const QString pseudo = work.filePath(QStringLiteral("pseudo/Palvarin_zh.qm"));
        QVERIFY(QDir().mkpath(QFileInfo(pseudo).absolutePath()));
        const QString error = PseudoCatalogue::build(QStringLiteral(PALVARIN_SOURCE_DIR "/translations/Palvarin_zh.ts"),
                                                     pseudo, QStringLiteral(PALVARIN_LRELEASE));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        auto restore = qScopeGuard([&] { QDir::setCurrent(before); });

        // The shipped folder has the real Chinese file, the user's folder the pseudo one under
        // the same name: the user's wins over the shipped one.
        copyFile(built + QStringLiteral("Palvarin_zh.qm"), places.sharedDataDir + chineseFile);
        QCOMPARE(readRecordsButton(places.translationSearchPath()), kChinese);
        copyFile(pseudo, places.userConfigDir + chineseFile);
        QCOMPARE(readRecordsButton(places.translationSearchPath()), kPseudo);

        // The current folder's file wins over both.
        copyFile(built + QStringLiteral("Palvarin_zh.qm"), work.path() + chineseFile);
        QCOMPARE(readRecordsButton(places.translationSearchPath()), kChinese);
    }

    // With the organisation named, the settings are ~/.config/Palvarin/Palvarin.conf beside
    // the user's tables (still ~/.config/Palvarin); a file an older version left under
    // "Unknown Organization" is carried over once and never over a newer one.
    void settingsLiveInTheProgramsFolder()
    {
        const QString config = home.filePath(QStringLiteral("config"));
        const QString old = config + QStringLiteral("/Unknown Organization/Palvarin.conf");
        writeFile(old, "[report]\ninspector=Old Name\n");
        ConfigPlaces::nameApplication();
        auto unname = qScopeGuard([] { QCoreApplication::setOrganizationName(QString()); });
        QCOMPARE(ConfigPlaces::current().userConfigDir, config + QStringLiteral("/Palvarin"));
        QCOMPARE(QSettings().fileName(), config + QStringLiteral("/Palvarin/Palvarin.conf"));

        QVERIFY(ConfigPlaces::carryOverOldSettings());
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(!QFileInfo::exists(config + QStringLiteral("/Unknown Organization")));
        QCOMPARE(QSettings().value(QStringLiteral("report/inspector")).toString(), QStringLiteral("Old Name"));

        {
            QSettings settings;
            settings.setValue(QStringLiteral("report/inspector"), QStringLiteral("New Name"));
        }
        writeFile(old, "[report]\ninspector=Old Name\n");
        QVERIFY(!ConfigPlaces::carryOverOldSettings());
        QVERIFY(QFileInfo::exists(old));
        QCOMPARE(QSettings().value(QStringLiteral("report/inspector")).toString(), QStringLiteral("New Name"));
    }
};

QTEST_GUILESS_MAIN(ConfigPathsTest)
#include "tst_config_paths.moc"
