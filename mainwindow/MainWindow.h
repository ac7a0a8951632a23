#pragma once

#include "link/FramedLink.h"

#include <QDialog>
#include <QPointer>
#include <QTranslator>

class CLinker;
class DeviceMonitor;
class FirstPage;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QStackedWidget;

// The program's only top-level window. Holds the one instrument link and offers the
// framed operations on it to the rest of the program.
class MainWindow : public QDialog
{
    Q_OBJECT
public:
    // The process-wide window, built on the first call (on the GUI thread).
    static MainWindow *instance();
    // Ends the instrument's worker and link, then destroys the window; called by main
    // before the application object goes.
    static void destroyInstance();
    // Registers the compiled-in resources (skin, images, translations).
    static void ensureResources();

    // Where device arrival and removal notices come from (udev, or the emulator).
    void setDeviceMonitor(DeviceMonitor *monitor);

    FirstPage *recordsPage() const { return page; }
    FramedLink *framedLink() { return &framed; }

    bool isLinkOpen() const { return framed.isLinkOpen(); }
    static quint16 crc16(const QByteArray &data, int length) { return FramedLink::crc16(data, length); }
    int sendFrame(QByteArray &frame, int timeoutMs) { return framed.sendFrame(frame, timeoutMs); }
    int receiveFrame(QByteArray &buffer, int timeoutMs, int expectedLength, bool checkCrc)
    {
        return framed.receiveFrame(buffer, timeoutMs, expectedLength, checkCrc);
    }

    // The device-change handler: arrival opens a link if none is held, removal closes
    // the held link when it reports that its device is gone. Never consumes the notice.
    bool deviceChangeEvent(int eventCode);

    // Stops the worker and closes the link; used at program end.
    void shutdown();

    // Where translation files are looked up, in order (the last is compiled in).
    static QStringList translationSearchPath();
    // Replaces that search path (tests); an empty list restores it.
    static void setTranslationSearchPath(const QStringList &directories);

private slots:
    void initForm();
    void initusbport();
    void on_btnLanguageEn_clicked();
    void on_btnLanguageZh_clicked();
    void handleAppMessage(const QString &message);
    bool OpenUSB();
    void CloseUSB();

private:
    MainWindow();
    ~MainWindow() override;
    void setupUi();
    bool switchLanguage(const QString &baseName, bool chinese);
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
    FirstPage *page = nullptr;
    FramedLink framed; // holds the link slot
    QTranslator translator;
    QPointer<DeviceMonitor> monitor;
};
