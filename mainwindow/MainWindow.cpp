#include "mainwindow/MainWindow.h"

#include "assetspage/AssetsDialog.h"
#include "assetspage/AssignFlow.h"
#include "assetspage/GridFillWindow.h"

#include "interaction/Language.h"
#include "interaction/UserInteraction.h"

#include "hid/DeviceMonitor.h"
#include "mainwindow/UdevDeviceMonitor.h"
#include "mainwindow/WindowStyle.h"
#include "recordspage/FirstPage.h"
#include "session/DeviceNotices.h"
#include "records/RecordsModel.h"
#include "session/TeamLink.h"
#include "store/SurveyStore.h"
#include "teampage/TeamDialog.h"
#include "walkpage/WalkWindow.h"

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
    , m_notices(new DeviceNotices(session, this))
{
    if (!theWindow) {
        theWindow = this;
        // The program's window says where the program's catalogues are.
        Language::instance().setSearchPath(m_translationPath);
    }
    ensureResources();
    connect(&m_session, &GaugeSession::linkOpened, this, [this] { showLed(true); });
    connect(&m_session, &GaugeSession::linkClosed, this, [this] { showLed(false); });
    setupUi();
    initForm();
    switchLanguage(QStringLiteral("zh")); // every start begins in Chinese
    showLanguageInUse();
    connect(&Language::instance(), &Language::changed, this, &MainWindow::showLanguageInUse);
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
    ui->btnLanguageEn = addLanguageButton(QStringLiteral("en"), "btnLanguageEn", 2);
    ui->btnLanguageZh = addLanguageButton(QStringLiteral("zh"), "btnLanguageZh", 3);
    // Every other catalogue found is one more button: a new language needs no code.
    int column = 4;
    for (const QString &code : Language::available(m_translationPath)) {
        if (code == QLatin1String("en") || code == QLatin1String("zh"))
            continue;
        const QByteArray name = "btnLanguage_" + code.toLatin1();
        addLanguageButton(code, name.constData(), column);
        ui->gridLayout->setColumnStretch(column++, 4);
    }

    ui->stackedWidget = new QStackedWidget(this);
    ui->stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    ui->stackedWidget->setBaseSize(QSize(33, 24));
    ui->gridLayout->addWidget(ui->stackedWidget, 1, 0, 1, -1);

    ui->gridLayout->setRowStretch(0, 1);
    ui->gridLayout->setRowStretch(1, 30);
    ui->gridLayout->setColumnStretch(0, 1);
    ui->gridLayout->setColumnStretch(1, 30);
    ui->gridLayout->setColumnStretch(2, 4);
    ui->gridLayout->setColumnStretch(3, 4);

    ui->stackedWidget->setCurrentIndex(-1);

    QMetaObject::connectSlotsByName(this);
}

QPushButton *MainWindow::addLanguageButton(const QString &code, const char *name, int column)
{
    QSizePolicy buttonPolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    buttonPolicy.setHorizontalStretch(0);
    buttonPolicy.setVerticalStretch(0);
    auto *button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(name));
    buttonPolicy.setHeightForWidth(button->sizePolicy().hasHeightForWidth());
    button->setSizePolicy(buttonPolicy);
    button->setCursor(QCursor(Qt::ArrowCursor));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCheckable(true); // checked: the language in use
    // Each language is named in itself, whatever the language in use.
    button->setText(Language::nativeName(code, m_translationPath));
    ui->gridLayout->addWidget(button, 0, column, 1, 1);
    connect(button, &QPushButton::clicked, this, [this, code] {
        switchLanguage(code);
        showLanguageInUse();
    });
    m_languageButtons.append({button, code});
    return button;
}

void MainWindow::initForm()
{
    page = new FirstPage(m_session, this);
    ui->stackedWidget->addWidget(page);
    ui->stackedWidget->setCurrentWidget(page);
    connectPlaces();
    setWindowFlags(Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    setStyleSheet(WindowStyle::styleSheet());
}

void MainWindow::setDeviceMonitor(DeviceMonitor *source)
{
    m_notices->setMonitor(source);
}

QStringList MainWindow::defaultTranslationSearchPath()
{
    // The current directory first (a deployment may override there), then the program's
    // own directory, then the copy compiled into the program.
    return {QString(), QCoreApplication::applicationDirPath(), QStringLiteral(":/i18n")};
}

bool MainWindow::switchLanguage(const QString &code)
{
    // The catalogue must be found where this window looks, or nothing changes.
    return Language::instance().set(code, translationSearchPath());
}

void MainWindow::showLanguageInUse()
{
    // Also undoes the toggle of a click that changed nothing.
    const QString inUse = Language::instance().code();
    for (const auto &[button, code] : std::as_const(m_languageButtons))
        button->setChecked(code == inUse);
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
    if (!m_notices->monitor()) {
        auto *udev = new UdevDeviceMonitor(this);
        if (udev->start())
            setDeviceMonitor(udev);
        else
            qDebug("udev monitor could not start: no device notices");
    }
    m_session.connectGauge(); // a gauge already plugged in sends no arrival notice
}

void MainWindow::connectPlaces()
{
    // The records page offers the places; this window knows both it and the Assets view.
    auto *assign = new AssignFlow(m_session, this, this);
    connect(page, &FirstPage::assetsRequested, this, [this] {
        AssetsDialog assets(m_session.store(), m_session.config().unitTable, m_session.interaction(), this);
        m_assets = &assets;
        qint64 fillCml = 0;
        connect(&assets, &AssetsDialog::gridFillRequested, this, [&fillCml](qint64 cml) { fillCml = cml; });
        assets.exec();
        if (fillCml)
            openGridFill(fillCml);
    });
    // One walk window at a time, beside this one: readings keep coming while it is open. A walk
    // under way is shown again; otherwise a new window offers the routes as they are now.
    connect(page, &FirstPage::walkRequested, this, [this] {
        if (m_walk && !m_walk->walk().running())
            delete m_walk;
        if (!m_walk)
            m_walk = new WalkWindow(m_session, this);
        m_walk->show();
        m_walk->raise();
        m_walk->activateWindow();
    });
    connect(page, &FirstPage::teamRequested, this, [this] {
        TeamLink *link = teamLink();
        if (!link) {
            m_session.interaction().information(this, tr("Team"),
                                                tr("There is no survey file to share: the readings are not kept."));
            return;
        }
        if (!m_teamDialog)
            m_teamDialog = new TeamDialog(link, this);
        m_teamDialog->show();
        m_teamDialog->raise();
        m_teamDialog->activateWindow();
    });
    connect(page, &FirstPage::assignToRequested, this,
            [this, assign](const std::vector<qint64> &keys) { page->showStatus(assign->assignTo(keys)); });
    connect(page, &FirstPage::assignByNameRequested, this,
            [this, assign](qint64 survey) { page->showStatus(assign->assignByName(survey)); });
    connect(page, &FirstPage::assignByRouteRequested, this,
            [this, assign](qint64 survey) { page->showStatus(assign->assignByRoute(survey)); });
    connect(page, &FirstPage::undoAssignmentRequested, this,
            [this, assign](qint64 survey) { page->showStatus(assign->undo(survey)); });
}

GridFillWindow *MainWindow::openGridFill(qint64 cml)
{
    // Not modal and the window's own: readings land in it while the table and the gauge work on.
    auto *fill = new GridFillWindow(m_session, cml, this);
    fill->setAttribute(Qt::WA_DeleteOnClose);
    if (!fill->start()) {
        m_session.interaction().information(this, tr("Fill Grid"), fill->problemText());
        delete fill;
        return nullptr;
    }
    fill->show();
    return fill;
}

TeamLink *MainWindow::teamLink()
{
    if (m_team || !m_session.store() || !m_session.store()->isOpen())
        return m_team;
    m_team = new TeamLink(m_session.store()->path(), this);
    // What others publish shows in the open Assets view at once; the window's own store reads
    // the file afresh on every query.
    connect(m_team, &TeamLink::fileChanged, this, [this] {
        if (m_assets)
            m_assets->refresh();
    });
    // While live, each measurement the gauge pushes goes to the server as it is kept: queued,
    // so that a walk or a grid filling has given it its CML and cell first.
    connect(&m_session, &GaugeSession::measurement, m_team, [this](int row) {
        const qint64 key = m_session.model().key(row);
        if (m_team->live() && key)
            QMetaObject::invokeMethod(m_team, [this, key] { m_team->push({key}); }, Qt::QueuedConnection);
    });
    connect(m_team, &TeamLink::pushFailed, this, [this](const TeamLink::Report &report) {
        page->showStatus(tr("Team server: a reading stays for the next publish (%1).").arg(report.serverMessage));
    });
    connect(m_team, &TeamLink::liveChanged, this, [this](bool on, const TeamLink::Report &report) {
        if (!on && report.server != TeamConnection::Problem::None)
            page->showStatus(tr("Team server: live sharing stopped (%1).").arg(report.serverMessage));
    });
    return m_team;
}

void MainWindow::shareWithTeam(const QString &conninfo)
{
    if (TeamLink *link = teamLink()) {
        link->setConnection(conninfo);
        link->setLive(true);
    }
}

TeamDialog *MainWindow::teamDialog() const
{
    return m_teamDialog;
}
