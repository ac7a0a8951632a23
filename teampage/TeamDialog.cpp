#include "teampage/TeamDialog.h"

#include "teampage/ConflictTable.h"
#include "teampage/TeamWords.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *wrapped(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TeamDialog::TeamDialog(TeamLink *link, QWidget *parent)
    : QDialog(parent)
    , m_link(link)
{
    setObjectName(QStringLiteral("teamDialog"));
    setWindowTitle(tr("Team server"));
    setModal(false);

    // The server the link already uses (given on the command line) wins over the one kept.
    QString conninfo = link->connection();
    if (conninfo.trimmed().isEmpty()) {
        conninfo = QSettings().value(QLatin1String(SettingsKey)).toString().trimmed();
        if (!conninfo.isEmpty())
            link->setConnection(conninfo);
    }
    m_connection = new QLineEdit(conninfo, this);
    m_connection->setObjectName(QStringLiteral("teamConnection"));
    m_connection->setPlaceholderText(QStringLiteral("service=plant"));
    m_connection->setMinimumWidth(480);
    auto *hint = wrapped("teamConnectionHint", this);
    hint->setText(tr("A libpq connection string or service=NAME. For TLS, give libpq's sslmode, e.g. "
                     "host=db.plant sslmode=verify-full."));
    auto *server = new QVBoxLayout;
    server->setSpacing(2);
    server->addWidget(m_connection);
    server->addWidget(hint);
    auto *form = new QFormLayout;
    form->addRow(tr("Server"), server);

    m_publish = button(tr("Publish"), "teamPublish", this);
    m_sync = button(tr("Sync"), "teamSync", this);
    m_cancel = button(tr("Cancel"), "teamCancel", this);
    auto *jobs = new QHBoxLayout;
    jobs->addWidget(m_publish);
    jobs->addWidget(m_sync);
    jobs->addWidget(m_cancel);
    jobs->addStretch();

    m_live = new QCheckBox(tr("Live"), this);
    m_live->setObjectName(QStringLiteral("teamLive"));
    m_live->setChecked(link->live());
    m_liveStatus = wrapped("teamLiveStatus", this);
    m_liveStatus->setText(TeamWords::live(link->live(), TeamLink::Report()));
    auto *live = new QHBoxLayout;
    live->addWidget(m_live);
    live->addWidget(m_liveStatus, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("teamProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_status = wrapped("teamStatus", this);

    m_conflictBox = new QWidget(this);
    m_table = new ConflictTable(m_conflictBox);
    m_keepMine = button(tr("Keep mine"), "teamKeepMine", m_conflictBox);
    m_keepTheirs = button(tr("Keep theirs"), "teamKeepTheirs", m_conflictBox);
    auto *heading = wrapped("teamConflictHeading", m_conflictBox);
    heading->setText(tr("Changed both here and on the server since the last sync. Select a CML, then keep this "
                        "file's fields or the server's."));
    auto *keep = new QHBoxLayout;
    keep->addStretch();
    keep->addWidget(m_keepMine);
    keep->addWidget(m_keepTheirs);
    auto *conflicts = new QVBoxLayout(m_conflictBox);
    conflicts->setContentsMargins(0, 0, 0, 0);
    conflicts->addWidget(heading);
    conflicts->addWidget(m_table, 1);
    conflicts->addLayout(keep);
    // Room for a few CMLs side by side without scrolling.
    m_table->setMinimumSize(640, 180);
    m_table->setConflicts(link->conflicts());
    m_conflictBox->setVisible(m_table->rowCount() > 0);

    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(tr("Close"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(jobs);
    layout->addLayout(live);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_conflictBox, 1);
    layout->addWidget(close);

    connect(m_connection, &QLineEdit::editingFinished, this, &TeamDialog::applyConnection);
    connect(m_connection, &QLineEdit::textChanged, this, &TeamDialog::updateButtons);
    connect(m_publish, &QPushButton::clicked, this, [this] { start(true); });
    connect(m_sync, &QPushButton::clicked, this, [this] { start(false); });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_link)
            m_link->cancel();
        say(TeamWords::cancelling());
    });
    connect(m_live, &QCheckBox::toggled, this, &TeamDialog::setLive);
    connect(m_keepMine, &QPushButton::clicked, this, [this] { choose(TeamConflicts::Keep::Mine); });
    connect(m_keepTheirs, &QPushButton::clicked, this, [this] { choose(TeamConflicts::Keep::Theirs); });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &TeamDialog::updateButtons);

    connect(link, &TeamLink::published, this, &TeamDialog::onPublished);
    connect(link, &TeamLink::synced, this, &TeamDialog::onSynced);
    // Found while live too: the list is the link's, whoever looked.
    connect(link, &TeamLink::conflictsChanged, this, [this] {
        if (!m_link || m_link->busy())
            return;
        m_table->setConflicts(m_link->conflicts());
        m_conflictBox->setVisible(m_table->rowCount() > 0);
        if (m_table->rowCount() > 0)
            resize(size().expandedTo(sizeHint()));
        else
            adjustSize();
    });
    connect(link, &TeamLink::chose, this, &TeamDialog::onChose);
    connect(link, &TeamLink::liveChanged, this, &TeamDialog::onLiveChanged);
    connect(link, &TeamLink::progress, this, &TeamDialog::onProgress);
    connect(link, &TeamLink::fileChanged, this, [this](qint64 readings) {
        // A job says what it brought itself; this is for what comes in while live.
        if (!m_running && readings > 0 && m_link && m_link->live())
            m_liveStatus->setText(TeamWords::live(true, TeamLink::Report()) + QLatin1Char(' ')
                                  + TeamWords::readingsCameIn(readings));
    });

    m_running = link->busy(); // opened again while a job of before runs: its signal ends it
    if (m_running)
        m_progress->setRange(0, 0);
    updateButtons();
}

bool TeamDialog::applyConnection()
{
    const QString conninfo = m_connection->text().trimmed();
    if (conninfo.isEmpty() || !m_link)
        return false;
    if (conninfo != m_link->connection()) {
        QSettings().setValue(QLatin1String(SettingsKey), conninfo);
        m_link->setConnection(conninfo); // drops a live connection: to the new server if live was wanted
        if (m_live->isChecked())
            m_link->setLive(true);
    }
    return true;
}

void TeamDialog::start(bool publishing)
{
    if (!m_link || m_running)
        return say(TeamWords::alreadyBusy());
    if (!applyConnection()) {
        m_connection->setFocus();
        return say(TeamWords::noConnection());
    }
    if (!(publishing ? m_link->publish() : m_link->sync()))
        return say(m_link->busy() ? TeamWords::alreadyBusy() : TeamWords::noConnection());
    m_running = true;
    m_progress->setRange(0, 0); // moving until the first step is counted
    m_progress->resetFormat();
    say(TeamWords::working(publishing));
    updateButtons();
}

void TeamDialog::choose(TeamConflicts::Keep keep)
{
    const qint64 cml = m_table->selectedCml();
    const CmlConflict *conflict = m_table->conflict(cml);
    if (!m_link || !conflict || m_running)
        return;
    const QString name = TeamWords::cmlName(*conflict);
    if (!applyConnection())
        return say(TeamWords::noConnection());
    if (!m_link->choose(cml, keep))
        return say(m_link->busy() ? TeamWords::alreadyBusy() : TeamWords::noConflict(name));
    m_running = true;
    m_choosing = cml;
    m_keep = keep;
    m_choosingName = name;
    m_progress->setRange(0, 0);
    say(TeamWords::choosing(name, keep));
    updateButtons();
}

void TeamDialog::setLive(bool on)
{
    if (!m_link)
        return;
    if (on && !applyConnection()) {
        const QSignalBlocker quiet(m_live);
        m_live->setChecked(false);
        m_liveStatus->setText(TeamWords::noConnection());
        return;
    }
    m_link->setLive(on);
    // liveChanged says how it went; until then, what was asked.
    m_liveStatus->setText(on ? tr("Connecting...") : TeamWords::live(false, TeamLink::Report()));
}

void TeamDialog::onPublished(const TeamPublish::Outcome &outcome, const TeamLink::Report &report)
{
    say(TeamWords::published(outcome, report));
    finished(outcome.problem == TeamPublish::Problem::None);
}

void TeamDialog::onSynced(const TeamSync::Outcome &outcome, const TeamLink::Report &report)
{
    say(TeamWords::synced(outcome, report));
    if (outcome.problem == TeamSync::Problem::None) {
        m_table->setConflicts(outcome.conflicts);
        m_conflictBox->setVisible(!outcome.conflicts.isEmpty());
        if (!outcome.conflicts.isEmpty())
            resize(size().expandedTo(sizeHint()));
    }
    finished(outcome.problem == TeamSync::Problem::None);
}

void TeamDialog::onChose(qint64 cml, TeamConflicts::Result result, const TeamLink::Report &report)
{
    QString name = m_choosingName;
    if (cml != m_choosing) { // not the choice this dialog asked for
        const CmlConflict *conflict = m_table->conflict(cml);
        name = conflict ? TeamWords::cmlName(*conflict) : QString::number(cml);
    }
    say(TeamWords::chose(name, m_keep, result, report));
    if (result == TeamConflicts::Result::Done) {
        m_table->drop(cml);
        m_conflictBox->setVisible(m_table->rowCount() > 0);
        if (m_table->rowCount() == 0)
            adjustSize(); // back to its size without the list
    }
    finished(result == TeamConflicts::Result::Done);
}

void TeamDialog::onLiveChanged(bool on, const TeamLink::Report &report)
{
    const QSignalBlocker quiet(m_live);
    m_live->setChecked(on);
    m_liveStatus->setText(TeamWords::live(on, report));
}

void TeamDialog::onProgress(qint64 done, qint64 total)
{
    if (total <= 0 || !m_running) // a live notice's fetch shows no bar
        return;
    // In thousandths: a count of readings may pass what the bar's int holds.
    m_progress->setRange(0, 1000);
    m_progress->setValue(int(qBound(qint64(0), done * 1000 / total, qint64(1000))));
    m_progress->setFormat(tr("%1 of %2").arg(done).arg(total));
}

void TeamDialog::finished(bool succeeded)
{
    m_running = false;
    m_choosing = 0;
    m_choosingName.clear();
    m_progress->setRange(0, 1);
    m_progress->setValue(succeeded ? 1 : 0);
    m_progress->resetFormat();
    updateButtons();
}

void TeamDialog::say(const QString &text)
{
    m_status->setText(text);
}

void TeamDialog::updateButtons()
{
    const bool server = !m_connection->text().trimmed().isEmpty();
    m_publish->setEnabled(!m_running && server);
    m_sync->setEnabled(!m_running && server);
    m_cancel->setEnabled(m_running);
    m_connection->setReadOnly(m_running);
    const bool chosen = !m_running && server && m_table->selectedCml() != 0;
    m_keepMine->setEnabled(chosen);
    m_keepTheirs->setEnabled(chosen);
}
