#include "mainwindow/MainWindow.h"

#include "interaction/Language.h"

#include "hid/DeviceMonitor.h"
#include "mainwindow/UdevDeviceMonitor.h"
#include "mainwindow/WindowStyle.h"
#include "recordspage/FirstPage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTimer>

static void initPalvarinResources()
{
    // The resources live in a static library; make sure the linker keeps them.
    Q_INIT_RESOURCE(palvarin);
}

namespace {

MainWindow *theWindow = nullptr;

void debugLine(const char *text)
{
    qDebug("%s", text);
}

} // namespace

MainWindow *MainWindow::instance()
{
    return theWindow;
}

void MainWindow::ensureResources()
{
    static const bool done = (initPalvarinResources(), true);
    Q_UNUSED(done)
}

MainWindow::MainWindow(GaugeSession &session, const QStringList &translationPath)
    : QDialog(nullptr)
    , ui(new Ui)
    , m_session(session)
    , m_translationPath(translationPath.isEmpty() ? defaultTranslationSearchPath() : translationPath)
{
    if (!theWindow)
        theWindow = this;
    ensureResources();
    connect(&m_session, &GaugeSession::linkOpened, this, [this] { showLed(true); });
    connect(&m_session, &GaugeSession::linkClosed, this, [this] { showLed(false); });
    setupUi();
    initForm();
    on_btnLanguageZh_clicked(); // every start begins in Chinese
    QTimer::singleShot(10, this, &MainWindow::initusbport);
}

MainWindow::~MainWindow()
{
    if (theWindow == this)
        theWindow = nullptr;
    disconnect(&m_session, nullptr, this, nullptr);
    delete ui;
}

void MainWindow::setupUi()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("MainWindow"));
    resize(1333, 712);
    setSizeGripEnabled(true);

    ui->gridLayout = new QGridLayout(this);
    ui->gridLayout->setObjectName(QStringLiteral("gridLayout"));

    ui->LinkStatusLabel = new QLabel(this);
    ui->LinkStatusLabel->setObjectName(QStringLiteral("LinkStatusLabel"));
    QSizePolicy ledPolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    ledPolicy.setHorizontalStretch(0);
    ledPolicy.setVerticalStretch(0);
    ledPolicy.setHeightForWidth(ui->LinkStatusLabel->sizePolicy().hasHeightForWidth());
    ui->LinkStatusLabel->setSizePolicy(ledPolicy);
    ui->LinkStatusLabel->setMaximumSize(QSize(16777215, 30));
    ui->gridLayout->addWidget(ui->LinkStatusLabel, 0, 0, 1, 1);

    ui->horizontalSpacer = new QSpacerItem(598, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    ui->gridLayout->addItem(ui->horizontalSpacer, 0, 1, 1, 1);

    QSizePolicy buttonPolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    buttonPolicy.setHorizontalStretch(0);
    buttonPolicy.setVerticalStretch(0);
    auto makeButton = [&](const char *name, int column) {
        auto *button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        buttonPolicy.setHeightForWidth(button->sizePolicy().hasHeightForWidth());
        button->setSizePolicy(buttonPolicy);
        button->setCursor(QCursor(Qt::ArrowCursor));
        button->setFocusPolicy(Qt::NoFocus);
        button->setCheckable(true); // checked: the language in use
        ui->gridLayout->addWidget(button, 0, column, 1, 1);
        return button;
    };
    ui->btnLanguageEn = makeButton("btnLanguageEn", 2);
    ui->btnLanguageZh = makeButton("btnLanguageZh", 3);

    ui->stackedWidget = new QStackedWidget(this);
    ui->stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    ui->stackedWidget->setBaseSize(QSize(33, 24));
    ui->gridLayout->addWidget(ui->stackedWidget, 1, 0, 1, 4);

    ui->gridLayout->setRowStretch(0, 1);
    ui->gridLayout->setRowStretch(1, 30);
    ui->gridLayout->setColumnStretch(0, 1);
    ui->gridLayout->setColumnStretch(1, 30);
    ui->gridLayout->setColumnStretch(2, 4);
    ui->gridLayout->setColumnStretch(3, 4);

    // The captions are set once and keep these texts after any switch.
    ui->btnLanguageEn->setText(QCoreApplication::translate("MainWindow", "English"));
    ui->btnLanguageZh->setText(QCoreApplication::translate("MainWindow", "中文"));
    ui->stackedWidget->setCurrentIndex(-1);

    QMetaObject::connectSlotsByName(this);
}

void MainWindow::initForm()
{
    page = new FirstPage(m_session, this);
    ui->stackedWidget->addWidget(page);
    ui->stackedWidget->setCurrentWidget(page);
    setWindowFlags(Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    setStyleSheet(WindowStyle::styleSheet());
}

void MainWindow::setDeviceMonitor(DeviceMonitor *source)
{
    if (monitor)
        disconnect(monitor, nullptr, this, nullptr);
    monitor = source;
    if (monitor)
        connect(monitor, &DeviceMonitor::deviceChange, this, &MainWindow::deviceChangeEvent);
}

QStringList MainWindow::defaultTranslationSearchPath()
{
    // The current directory first (a deployment may override there), then the program's
    // own directory, then the copy compiled into the program.
    return {QString(), QCoreApplication::applicationDirPath(), QStringLiteral(":/i18n")};
}

bool MainWindow::switchLanguage(const QString &baseName, bool chinese)
{
    // The catalogue must be found where this window looks, or nothing changes.
    QTranslator probe;
    bool found = false;
    for (const QString &directory : translationSearchPath())
        found = found || probe.load(baseName, directory);
    if (!found)
        return false;
    Language &language = Language::instance();
    language.setSearchPath(translationSearchPath());
    if (!language.set(chinese ? QStringLiteral("zh") : QStringLiteral("en")))
        return false;
    page->setChineseUi(chinese);
    page->languageChange();
    return true;
}

void MainWindow::on_btnLanguageEn_clicked()
{
    switchLanguage(QStringLiteral("Palvarin_en"), false);
    showLanguageInUse();
}

void MainWindow::showLanguageInUse()
{
    // Also undoes the toggle of a click that changed nothing.
    ui->btnLanguageZh->setChecked(page->chineseUi());
    ui->btnLanguageEn->setChecked(!page->chineseUi());
}

void MainWindow::on_btnLanguageZh_clicked()
{
    switchLanguage(QStringLiteral("Palvarin_zh"), true);
    showLanguageInUse();
}

void MainWindow::handleAppMessage(const QString &message)
{
    Q_UNUSED(message)
    show();
}

void MainWindow::showLed(bool on)
{
    ui->LinkStatusLabel->setPixmap(
        QPixmap(on ? QStringLiteral(":/image/led_on.png") : QStringLiteral(":/image/led_off.png")));
    ui->LinkStatusLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

void MainWindow::initusbport()
{
    showLed(false);
    if (!monitor) {
        auto *udev = new UdevDeviceMonitor(this);
        if (udev->start())
            setDeviceMonitor(udev);
        else
            debugLine("注册失败\n");
    }
    OpenUSB();
}

bool MainWindow::OpenUSB()
{
    if (!m_session.openLink())
        return false;
    page->openThreadSlot();
    page->identifyInstrument();
    return true;
}

void MainWindow::CloseUSB()
{
    m_session.closeLink();
}

bool MainWindow::deviceChangeEvent(int eventCode)
{
    debugLine("收到事件 ");
    switch (eventCode) {
    case DeviceEvent::Arrival:
        if (m_session.hasLink())
            return false;
        OpenUSB();
        debugLine("USB_设备打开");
        debugLine("DBT_DEVICEARRIVAL");
        break;
    case DeviceEvent::RemoveComplete:
        if (m_session.linkRemoved()) {
            CloseUSB();
            debugLine("USB_设备移除");
        }
        debugLine("DBT_DEVICEREMOVECOMPLETE");
        break;
    case DeviceEvent::TypeSpecific:
        debugLine("DBT_DEVICETYPESPECIFIC ");
        break;
    default:
        break;
    }
    return false;
}
