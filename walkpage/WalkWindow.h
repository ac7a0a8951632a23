#pragma once

#include "session/RouteWalk.h"

#include <QDialog>

class GaugeSession;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class WalkChooser;
class WalkView;

// Walking a route with the gauge: first what to walk and who walks it, then one stop at a
// time in the walk view with big buttons a gloved hand can hit, each also a single key:
// Accept (Enter, Space), Re-measure (R), Skip (S, then the reason's digit), Back (Backspace,
// B) and Undo (Ctrl+Z, U). Shown beside the main window, not modal: the session goes on
// taking the gauge's readings, which the walk judges as they come. Closing it only hides it.
class WalkWindow : public QDialog
{
    Q_OBJECT
public:
    // The session (and its survey file) must outlive the window.
    explicit WalkWindow(GaugeSession &session, QWidget *parent = nullptr);
    ~WalkWindow() override;

    RouteWalk &walk() { return m_walk; }
    WalkView *view() const { return m_view; }
    WalkChooser *chooser() const { return m_chooser; }
    // The line that says refused keys and the walk's end.
    QLabel *statusLine() const { return m_status; }
    // Starts walking a route or an asset's CMLs (one of them 0); false, and why said, if refused.
    bool start(qint64 route, qint64 asset, const QString &who);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeWalkPage();
    QPushButton *bigButton(const char *name, QWidget *parent);
    void retranslate();
    // Runs a key's action; a refusal is said on the status line.
    void act(bool done);
    void openSkipReasons();
    void skipFor(SkipReason reason);
    void showState();
    void onStopChanged(int index);

    RouteWalk m_walk;
    QStackedWidget *m_pages;
    WalkChooser *m_chooser;
    WalkView *m_view = nullptr;
    QPushButton *m_accept = nullptr;
    QPushButton *m_remeasure = nullptr;
    QPushButton *m_skip = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_undo = nullptr;
    QPushButton *m_close = nullptr;
    QWidget *m_reasons = nullptr; // the skip reasons, shown after S
    QList<QPushButton *> m_reasonButtons;
    QLineEdit *m_note = nullptr;
    QLabel *m_toleranceLabel = nullptr;
    QDoubleSpinBox *m_tolerance = nullptr;
    QCheckBox *m_sound = nullptr;
    QLabel *m_status = nullptr;
    qint64 m_beepedKey = 0;
};
