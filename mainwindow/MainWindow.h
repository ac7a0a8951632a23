#pragma once

#include "link/FramedLink.h"
#include "session/GaugeSession.h"

#include <QDialog>
#include <QPointer>
#include <QTranslator>

class DeviceMonitor;
class FirstPage;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QStackedWidget;

// The program's only top-level window: the link-status LED, the language buttons and the
// records page, over the gauge session that holds the one instrument link. Device arrival
// and removal notices open and close that link.
class MainWindow : public QDialog
{
    Q_OBJECT
public:
    // The session must outlive the window. translationPath: where translation files are
    // looked up, in order (empty: defaultTranslationSearchPath()).
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
    FramedLink *framedLink() { return &m_session.framedLink(); }

    bool isLinkOpen() const { return m_session.isLinkOpen(); }
    static quint16 crc16(const QByteArray &data, int length) { return FramedLink::crc16(data, length); }
    int sendFrame(QByteArray &frame, int timeoutMs) { return m_session.framedLink().sendFrame(frame, timeoutMs); }
    int receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc)
    {
        return m_session.framedLink().receiveFrame(buffer, timeoutMs, expectedLength, checkCrc);
    }

    // The device-change handler: arrival opens a link if none is held, removal closes
    // the held link when it reports that its device is gone. Never consumes the notice.
    bool deviceChangeEvent(int eventCode);

    // Where translation files are looked up, in order.
    QStringList translationSearchPath() const { return m_translationPath; }
    // The current folder, the program's folder, then the copy compiled into the program.
    static QStringList defaultTranslationSearchPath();

private slots:
    void initForm();
    void initusbport();
    void on_btnLanguageEn_clicked();
    void on_btnLanguageZh_clicked();
    void handleAppMessage(const QString &message);
    bool OpenUSB();
    void CloseUSB();

private:
    void setupUi();
    bool switchLanguage(const QString &baseName, bool chinese);
    // The button of the language in use is shown checked.
    void showLanguageInUse();
    void showLed(bool on);

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
    QPointer<DeviceMonitor> monitor;
};
