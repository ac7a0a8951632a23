#pragma once

#include "session/TeamLink.h"

#include <QDialog>
#include <QPointer>

class ConflictTable;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

// The team server from the window, beside it (not modal): where the server is, Publish, Sync
// and Cancel with their progress, Live with its state, what the last job came to in words, and
// after a sync that found CMLs changed on both sides, those CMLs side by side to keep this
// file's fields or the server's.
//
// Drives a TeamLink it does not own (the window's, which outlives it or is destroyed with it);
// the connection string is kept in QSettings under SettingsKey and given to the link.
class TeamDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char *SettingsKey = "team/connection";

    explicit TeamDialog(TeamLink *link, QWidget *parent = nullptr);

private:
    // The connection field into the link and the settings, when it changed; false when empty.
    bool applyConnection();
    void start(bool publishing);
    void choose(TeamConflicts::Keep keep);
    void setLive(bool on);

    void onPublished(const TeamPublish::Outcome &outcome, const TeamLink::Report &report);
    void onSynced(const TeamSync::Outcome &outcome, const TeamLink::Report &report);
    void onChose(qint64 cml, TeamConflicts::Result result, const TeamLink::Report &report);
    void onLiveChanged(bool on, const TeamLink::Report &report);
    void onProgress(qint64 done, qint64 total);

    void finished(bool succeeded);
    void say(const QString &text);
    void updateButtons();

    QPointer<TeamLink> m_link;
    bool m_running = false;
    qint64 m_choosing = 0; // the CML whose choice is under way
    TeamConflicts::Keep m_keep = TeamConflicts::Keep::Mine;
    QString m_choosingName;

    QLineEdit *m_connection = nullptr;
    QPushButton *m_publish = nullptr;
    QPushButton *m_sync = nullptr;
    QPushButton *m_cancel = nullptr;
    QCheckBox *m_live = nullptr;
    QLabel *m_liveStatus = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QWidget *m_conflictBox = nullptr;
    ConflictTable *m_table = nullptr;
    QPushButton *m_keepMine = nullptr;
    QPushButton *m_keepTheirs = nullptr;
};
