#include "app/AppInit.h"
#include "app/DemoControl.h"
#include "app/SingleInstance.h"
#include "app/UnattendedInteraction.h"
#include "app/WidgetInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "export/ExcelEngine.h"
#include "interaction/Language.h"
#include "mainwindow/MainWindow.h"
#include "records/ConfigPaths.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"
#include "session/GaugeSetup.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QColor>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct Options
{
    bool demo = false;
    QString demoConfig;
    QString trace;
    QString store; // the survey file; empty: PALVARIN_STORE, else the user's data folder
    QString team;  // the team server, live from the start; empty: as the Team dialog left it
};

// Parses the command line without a display, so --help and --version work anywhere.
// Returns an exit code when the program should end at once.
std::optional<int> parseOptions(const QStringList &arguments, Options &options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Desktop companion of the ultrasonic thickness gauge: reads its records and the "
                       "measurements it sends, keeps every reading in a survey file, judges them against "
                       "thickness limits (statistics, run chart, histogram), compares repeat surveys, and "
                       "exports the table to .xlsx, .csv or .xls (through LibreOffice) and an inspection "
                       "report to PDF. palvarin-cli does the same without a window."));
    // Qt's own single-dash options (-platform, -style, ...) must parse as whole words.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Run against the emulated gauge."));
    const QCommandLineOption demoConfig(QStringLiteral("demo-config"),
                                        QStringLiteral("Run against an emulated gauge set up by the INI <file>."),
                                        QStringLiteral("file"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every HID report sent and received to <file> (for bug reports)."),
                                   QStringLiteral("file"));
    const QCommandLineOption store(QStringLiteral("store"),
                                   QStringLiteral("Keep the readings in the SQLite <file> (default: surveys.sqlite in "
                                                  "the user's data folder, or $PALVARIN_STORE)."),
                                   QStringLiteral("file"));
    parser.addOption(demo);
    parser.addOption(demoConfig);
    parser.addOption(trace);
    const QCommandLineOption team(QStringLiteral("team"),
                                  QStringLiteral("Share the survey file with the team's PostgreSQL server <conn> (a "
                                                 "libpq connection string or \"service=NAME\"), live from the start."),
                                  QStringLiteral("conn"));
    parser.addOption(store);
    parser.addOption(team);
    // Options QApplication takes itself; known here so that they are not refused.
    QStringList qtOptions;
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "geometry",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
        qtOptions.append(QStringLiteral("-%1 <value>").arg(QLatin1String(name)));
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
        qtOptions.append(QStringLiteral("-%1").arg(QLatin1String(name)));
    }

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "palvarin: %s\nTry 'palvarin --help' for the options.\n", qPrintable(error));
        return 2;
    }
    const bool helpAll = parser.isSet(QStringLiteral("help-all")); // added with the help option
    if (parser.isSet(help) || helpAll) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        if (helpAll)
            std::printf("\nQt options:\n  %s\n", qPrintable(qtOptions.join(QStringLiteral("\n  "))));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("palvarin %s\n", PALVARIN_VERSION);
        return 0;
    }
    options.demo = parser.isSet(demo) || parser.isSet(demoConfig);
    options.demoConfig = parser.value(demoConfig);
    options.trace = parser.value(trace);
    options.store = parser.value(store);
    options.team = parser.value(team);
    return std::nullopt;
}

// A text in `code`'s language, whichever is in use: the start-up's messages come before
// anyone could choose one, so they are shown in both.
QString startupText(const char *code, const char *source)
{
    return Language::instance().translate(QString::fromLatin1(code), "Startup", source);
}

// A table that is missing or unusable (too large, binary, damaged: it loads empty), in words
// for the user; empty when both are fine.
QString tableProblems(const ConfigPlaces &places, const GaugeConfig &config)
{
    QStringList lines;
    const QStringList folders = places.tableSearchPath();
    const struct
    {
        const char *file;
        bool empty;
        const char *name;
    } tables[] = {
        {"meterno", config.meterTable.isEmpty(), QT_TRANSLATE_NOOP("Startup", "the meter table")},
        {"unitno", config.unitTable.isEmpty(), QT_TRANSLATE_NOOP("Startup", "the unit table")},
    };
    for (const auto &table : tables) {
        if (!table.empty)
            continue;
        const QString name = QString::fromLatin1(table.file);
        const QString path = ConfigPlaces::findFile(folders, name);
        QStringList both;
        for (const char *code : {"en", "zh"}) {
            const QString what = startupText(code, table.name);
            both << (path.isEmpty()
                         ? startupText(code, QT_TRANSLATE_NOOP("Startup", "%1 '%2' was not found; it is looked up in: %3."))
                               .arg(what, name, folders.join(QStringLiteral(", ")))
                         : startupText(code, QT_TRANSLATE_NOOP("Startup", "%1 %2 cannot be used (larger than 1 MB, "
                                                                          "binary or damaged)."))
                               .arg(what, path));
        }
        lines << both.join(QLatin1Char('\n'));
    }
    if (lines.isEmpty())
        return QString();
    lines.first()[0] = lines.first()[0].toUpper();
    const char *replace = QT_TRANSLATE_NOOP("Startup", "Gauges cannot be identified or their records shown until each "
                                                       "is replaced by a good copy (see the README).");
    lines << startupText("en", replace) + QLatin1Char('\n') + startupText("zh", replace);
    return lines.join(QStringLiteral("\n"));
}

void applySkin(QApplication &app)
{
    QFile skin(QStringLiteral(":/qss/psblue.css"));
    if (!skin.open(QFile::ReadOnly))
        return; // the default look remains
    const QString text = QString::fromLatin1(skin.readAll());
    app.setPalette(QPalette(QColor(text.mid(20, 7))));
    app.setStyleSheet(text);
}

} // namespace

int main(int argc, char *argv[])
{
    ConfigPlaces::nameApplication();
    QCoreApplication::setApplicationVersion(QStringLiteral(PALVARIN_VERSION));
    Options options;
    {
        const QCoreApplication parsing(argc, argv); // gone before the QApplication comes
        if (const std::optional<int> exitCode = parseOptions(parsing.arguments(), options))
            return *exitCode;
    }

    // Without a display Qt would only fail with a platform-plugin error.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "palvarin: no display found; run it under Xvfb: xvfb-run -a %s --demo\n", argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("palvarin")); // matches the desktop entry
    ConfigPlaces::carryOverOldSettings();

    // Questions go to a person, or, for unattended runs (tests of the whole program), into a log.
    WidgetInteraction widgets;
    std::unique_ptr<UnattendedInteraction> unattended;
    if (qEnvironmentVariableIsSet("PALVARIN_UNATTENDED_LOG"))
        unattended = std::make_unique<UnattendedInteraction>(qEnvironmentVariable("PALVARIN_UNATTENDED_LOG"));
    UserInteraction &interaction = unattended ? static_cast<UserInteraction &>(*unattended) : widgets;

    SingleInstance single(SingleInstance::defaultName());
    if (single.isRunning()) {
        single.sendMessage(QStringLiteral("active!!!!!"), 5000);
        const char *running = QT_TRANSLATE_NOOP("Startup", "Device already opened! Palvarin is already running.");
        interaction.information(nullptr, QStringLiteral("Warn"),
                                startupText("en", running) + QLatin1Char(' ') + startupText("zh", running));
        return 0;
    }

    // The skin lives in the program's resources, which the main window's library registers.
    MainWindow::ensureResources();
    applySkin(app);
    app.setFont(QFont(QStringLiteral("Microsoft Yahei"), 12));
    AppInit::instance()->start();

    // Declared before the session: the session's link talks to it until the session ends.
    GaugeSetup gauges;
    GaugeSetup::Choice choice;
    choice.demo = options.demo;
    choice.demoConfig = options.demoConfig;
    choice.trace = options.trace;
    QString error;
    switch (gauges.build(choice, nullptr, &error)) {
    case GaugeSetup::Problem::None:
        break;
    case GaugeSetup::Problem::DemoConfigUnreadable:
        std::fprintf(stderr, "palvarin: cannot read the demo set-up %s\n", qPrintable(options.demoConfig));
        return 2;
    case GaugeSetup::Problem::TraceUnwritable:
        std::fprintf(stderr, "palvarin: cannot write the trace file %s (%s)\n", qPrintable(options.trace),
                     qPrintable(error));
        return 1;
    }
    EmulatorBackend *emulator = gauges.emulator();
    HidBackend &hid = gauges.backend();

    ExcelEngine workbookWriter;
    RecordsModel records;
    // Declared before the session, which commits every row to it.
    SurveyStore store;
    // Each table and translation file comes from the first place that has it (README).
    const ConfigPlaces places = ConfigPlaces::current();
    const GaugeConfig tables = ConfigPlaces::loadTables(places.tableSearchPath());
    GaugeSession session(hid, interaction, workbookWriter, records, tables);
    // Told in words at start: otherwise the gauge would only seem not to answer.
    const QString tablesText = tableProblems(places, tables);
    if (!tablesText.isEmpty())
        interaction.information(nullptr, QStringLiteral("Palvarin"), tablesText);

    session.openStore(store, GaugeSetup::storePath(options.store));

    auto window = std::make_unique<MainWindow>(session, places.translationSearchPath());
    if (emulator)
        window->setDeviceMonitor(emulator->monitor());
    single.setActivationWindow(window.get(), true);
    window->setWindowTitle(QStringLiteral("Palvarin V" PALVARIN_VERSION));
    window->setWindowState(Qt::WindowMaximized);
    MainWindow *shown = window.get();
    QObject::connect(&single, &SingleInstance::messageReceived, shown, [shown](const QString &message) {
        QMetaObject::invokeMethod(shown, "handleAppMessage", Q_ARG(QString, message));
    });
    // Escape and the close button both end the dialog; the program ends with it.
    QObject::connect(shown, &QDialog::finished, &app, &QCoreApplication::quit);

    // Before the first gauge is looked for (the window does that once the event loop runs).
    session.offerLeftover();

    std::unique_ptr<DemoControl> demoControl;
    if (emulator) {
        demoControl = std::make_unique<DemoControl>(emulator);
        // The gauge's control window sits beside or below the main window, not over its table.
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window->ensurePolished(); // the skin's sizes count
            const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
            const int side = demoControl->frameGeometry().width() + 24;
            const int below = demoControl->frameGeometry().height() + 48;
            // Beside it only with room to spare: the panels under the table widen as readings come.
            if (area.width() - side >= least.width() + 200) {
                window->setWindowState(Qt::WindowNoState);
                window->setGeometry(area.adjusted(0, 30, -side, -10));
                demoControl->move(area.right() - side + 16, area.top() + 40);
            } else if (area.height() - below >= least.height()) {
                window->setWindowState(Qt::WindowNoState);
                window->setGeometry(area.adjusted(0, 30, 0, -below));
                demoControl->move(area.right() - demoControl->frameGeometry().width() - 8,
                                  area.bottom() - below + 16);
            }
        }
    }
    window->show();
    if (demoControl)
        demoControl->show();
    if (!options.team.isEmpty())
        window->shareWithTeam(options.team);

    const int code = app.exec();
    demoControl.reset();
    // The window goes before the session it shows; the session then stops its worker and
    // closes the link before the back end and the application object go.
    window.reset();
    return code;
}
