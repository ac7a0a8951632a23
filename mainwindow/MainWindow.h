#pragma once

#include "session/GaugeSession.h"

#include <QDialog>
#include <QList>
#include <QPointer>

class DeviceMonitor;
class DeviceNotices;
class FirstPage;
class GridFillWindow;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QStackedWidget;
class AssetsDialog;
class TeamDialog;
class TeamLink;
class WalkWindow;

// The program's only top-level window: the link-status LED, the language buttons (English,
// Chinese and one more for every other catalogue found) and the records page, over the gauge
// session that holds the one instrument link. Device arrival and removal notices open and
// close that link.
class MainWindow : public QDialog
{
    Q_OBJECT
public:
    // The session must outlive the window. translationPath: where translation files are
    // looked up, in order (empty: defaultTranslationSearchPath()). Starts in Chinese when
    // its catalogue is found there.
    explicit MainWindow(GaugeSession &session, const QStringList &translationPath = QStringList());
    ~MainWindow() override;

    // The program's window while one exists (the one main built), else nullptr.
    static MainWindow *instance();
    // Registers the compiled-in resources (skin, images, translations).
    static void ensureResources();

    // Where device arrival and removal notices come from (udev, or the emulator).
    void setDeviceMonitor(DeviceMonitor *monitor);

    FirstPage *recordsPage() const { return page; }
    GaugeSession &session() const { return m_session; }
    bool isLinkOpen() const { return m_session.isLinkOpen(); }

    // Switches the program to `code` ("en", "zh", or another catalogue's) looked up in this
    // window's search path; false, and nothing changes, when its catalogue is not there.
    bool switchLanguage(const QString &code);

    // Opens the window that fills a grid CML from the gauge (beside this one, not modal); null
    // when it cannot start, which the user is told.
    GridFillWindow *openGridFill(qint64 cml);

    // Where translation files are looked up, in order.
    QStringList translationSearchPath() const { return m_translationPath; }
    // The current folder, the program's folder, then the copy compiled into the program.
    static QStringList defaultTranslationSearchPath();

    // Shares the survey file with the team server `conninfo` and listens live (--team).
    void shareWithTeam(const QString &conninfo);
    // The link to the team server (made on first use; null without a survey file).
    TeamLink *teamLink();
    // The team server's dialog, while it exists.
    TeamDialog *teamDialog() const;

private slots:
    void initForm();
    void initusbport();
    void handleAppMessage(const QString &message);

private:
    void setupUi();
    // A checkable button in row 0 that switches to `code`.
    QPushButton *addLanguageButton(const QString &code, const char *name, int column);
    // The button of the language in use is shown checked.
    void showLanguageInUse();
    void showLed(bool on);
    // The records page's Assets and Walk buttons and Assign menu to the Assets view, the walk
    // window and the assign flow.
    void connectPlaces();

    struct Ui
    {
        QGridLayout *gridLayout = nullptr;
        QLabel *LinkStatusLabel = nullptr;
        QSpacerItem *horizontalSpacer = nullptr;
        QPushButton *btnLanguageEn = nullptr;
        QPushButton *btnLanguageZh = nullptr;
        QStackedWidget *stackedWidget = nullptr;
    };
    Ui *ui;
    GaugeSession &m_session;
    QStringList m_translationPath;
    FirstPage *page = nullptr;
    DeviceNotices *m_notices = nullptr;
    QPointer<WalkWindow> m_walk; // the one walk window, while open
    QPointer<AssetsDialog> m_assets; // the Assets view, while open
    TeamLink *m_team = nullptr;
    QPointer<TeamDialog> m_teamDialog;
    // Every language button, beside the code it switches to.
    QList<QPair<QPushButton *, QString>> m_languageButtons;
};
