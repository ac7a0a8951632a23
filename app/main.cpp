#include "app/AppInit.h"
#include "app/DemoControl.h"
#include "app/SingleInstance.h"
#include "app/UnattendedInteraction.h"
#include "app/WidgetInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "export/ExcelEngine.h"
#include "hid/HidBackend.h"
#include "mainwindow/MainWindow.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QPalette>

#include <cstdio>
#include <memory>

namespace {

struct Options
{
    bool demo = false;
    QString demoConfig;
};

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--demo")) {
            options.demo = true;
        } else if (arguments[i] == QLatin1String("--demo-config") && i + 1 < arguments.size()) {
            options.demo = true;
            options.demoConfig = arguments[++i];
        }
    }
    return options;
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
    // Without a display Qt would only fail with a platform-plugin error.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "palvarin: no display found; run it under Xvfb: xvfb-run -a %s --demo\n", argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());

    // Questions go to a person, or, for unattended runs (tests of the whole program), into a log.
    WidgetInteraction widgets;
    std::unique_ptr<UnattendedInteraction> unattended;
    if (qEnvironmentVariableIsSet("PALVARIN_UNATTENDED_LOG"))
        unattended = std::make_unique<UnattendedInteraction>(qEnvironmentVariable("PALVARIN_UNATTENDED_LOG"));
    UserInteraction &interaction = unattended ? static_cast<UserInteraction &>(*unattended) : widgets;

    SingleInstance single(SingleInstance::defaultName());
    if (single.isRunning()) {
        single.sendMessage(QStringLiteral("active!!!!!"), 5000);
        interaction.information(nullptr, QStringLiteral("Warn"), QStringLiteral("Device already opened!"));
        return 0;
    }

    // The skin lives in the program's resources, which the main window's library registers.
    MainWindow::ensureResources();
    applySkin(app);
    app.setFont(QFont(QStringLiteral("Microsoft Yahei"), 12));
    AppInit::instance()->start();

    // Declared before the session: the session's link talks to it until the session ends.
    std::unique_ptr<EmulatorBackend> emulator;
    if (options.demo)
        emulator = EmulatorBackend::createDemo(options.demoConfig);
    HidBackend &hid = emulator ? static_cast<HidBackend &>(*emulator) : HidBackend::current();

    ExcelEngine workbookWriter;
    RecordsModel records;
    GaugeSession session(hid, interaction, workbookWriter, records,
                         GaugeConfig::load(QCoreApplication::applicationDirPath()));

    auto window = std::make_unique<MainWindow>(session);
    if (emulator)
        window->setDeviceMonitor(emulator->monitor());
    single.setActivationWindow(window.get(), true);
    window->setWindowTitle(QStringLiteral("Palvarin V1.2"));
    window->setWindowState(Qt::WindowMaximized);
    window->show();
    MainWindow *shown = window.get();
    QObject::connect(&single, &SingleInstance::messageReceived, shown, [shown](const QString &message) {
        QMetaObject::invokeMethod(shown, "handleAppMessage", Q_ARG(QString, message));
    });
    // Escape and the close button both end the dialog; the program ends with it.
    QObject::connect(shown, &QDialog::finished, &app, &QCoreApplication::quit);

    std::unique_ptr<DemoControl> demoControl;
    if (emulator) {
        demoControl = std::make_unique<DemoControl>(emulator.get());
        demoControl->show();
    }

    const int code = app.exec();
    demoControl.reset();
    // The window goes before the session it shows; the session then stops its worker and
    // closes the link before the back end and the application object go.
    window.reset();
    return code;
}
