#include "app/AppInit.h"
#include "app/DemoControl.h"
#include "app/SingleInstance.h"
#include "app/UnattendedInteraction.h"
#include "interaction/UserInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "hid/HidBackend.h"
#include "mainwindow/MainWindow.h"

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

    std::unique_ptr<UnattendedInteraction> unattended;
    if (qEnvironmentVariableIsSet("PALVARIN_UNATTENDED_LOG")) {
        unattended = std::make_unique<UnattendedInteraction>(qEnvironmentVariable("PALVARIN_UNATTENDED_LOG"));
        UserInteraction::setCurrent(unattended.get());
    }

    SingleInstance single(SingleInstance::defaultName());
    if (single.isRunning()) {
        single.sendMessage(QStringLiteral("active!!!!!"), 5000);
        UserInteraction::current().information(nullptr, QStringLiteral("Warn"), QStringLiteral("Device already opened!"));
        UserInteraction::setCurrent(nullptr);
        return 0;
    }

    // The skin lives in the program's resources, which the main window's library registers.
    MainWindow::ensureResources();
    applySkin(app);
    app.setFont(QFont(QStringLiteral("Microsoft Yahei"), 12));
    AppInit::instance()->start();

    std::unique_ptr<EmulatorBackend> emulator;
    if (options.demo) {
        emulator = EmulatorBackend::createDemo(options.demoConfig);
        HidBackend::setCurrent(emulator.get());
    }

    MainWindow *window = MainWindow::instance();
    if (emulator)
        window->setDeviceMonitor(emulator->monitor());
    single.setActivationWindow(window, true);
    window->setWindowTitle(QStringLiteral("Palvarin V1.2"));
    window->setWindowState(Qt::WindowMaximized);
    window->show();
    QObject::connect(&single, &SingleInstance::messageReceived, window, [window](const QString &message) {
        QMetaObject::invokeMethod(window, "handleAppMessage", Q_ARG(QString, message));
    });
    // Escape and the close button both end the dialog; the program ends with it.
    QObject::connect(window, &QDialog::finished, &app, &QCoreApplication::quit);

    std::unique_ptr<DemoControl> demoControl;
    if (emulator) {
        demoControl = std::make_unique<DemoControl>(emulator.get());
        demoControl->show();
    }

    const int code = app.exec();
    demoControl.reset();
    // The worker and the link end before the objects they use go, the window before the
    // application object.
    MainWindow::destroyInstance();
    HidBackend::setCurrent(nullptr);
    UserInteraction::setCurrent(nullptr);
    return code;
}
