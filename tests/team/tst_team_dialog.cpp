// The team dialog over a real link and server: the connection kept and given to the link, jobs
// started and ended by the buttons with their outcome in words, and a sync's conflict side by
// side, refused to an inspector keeping this file's fields, settled by taking the server's.
#include "session/TeamLink.h"
#include "teampage/ConflictTable.h"
#include "teampage/TeamDialog.h"
#include "teampage/TeamWords.h"
#include "teamstore/TeamSchema.h"
#include "TeamFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace TeamFixture;

namespace {

void createRole(TeamConnection &admin, const char *name, const char *group)
{
    const QByteArray sql = QByteArray("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '") + name
        + "') THEN CREATE ROLE " + name + " LOGIN; END IF; END $$; GRANT " + group + " TO " + name;
    QVERIFY2(admin.script(sql.constData()), qPrintable(admin.serverMessage()));
}

// Changes the one CML of a file made by addSingleLayerSurvey.
void editCml(const QString &path, const std::function<void(Cml &)> &edit)
{
    SurveyStore store;
    QVERIFY(store.open(path));
    Places places(store);
    const QVector<Cml> cmls = places.cmls(0);
    QCOMPARE(cmls.size(), 1);
    Cml c = cmls.first();
    edit(c);
    QVERIFY(places.updateCml(c));
}

double minimumIn(const QString &path)
{
    SurveyStore store;
    if (!store.openReadOnly(path))
        return -1;
    const QVector<Cml> cmls = Places(store).cmls(0);
    return cmls.size() == 1 ? cmls.first().minimum : -1;
}

} // namespace

class TeamDialogTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TeamConnection m_admin;

    template<typename T>
    static T *child(QWidget &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no %s in the dialog", name);
        return found;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<TeamLink::Report>();
        // The settings of this run only, never the user's.
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        QVERIFY2(m_admin.open(conninfo()), "no cluster: run through ctest");
        QVERIFY(m_admin.script("DROP SCHEMA IF EXISTS palvarin CASCADE"));
        QCOMPARE(TeamSchema::ensure(m_admin), TeamSchema::Outcome::Ready);
        createRole(m_admin, "eng_dialog", TeamSchema::EngineerRole);
        createRole(m_admin, "insp_dialog", TeamSchema::InspectorRole);
    }

    void syncConflictChooseAndProblems()
    {
        const QString engineerFile = m_dir.filePath(QStringLiteral("engineer.sqlite"));
        const QString inspectorFile = m_dir.filePath(QStringLiteral("inspector.sqlite"));
        {
            SurveyStore store;
            QVERIFY(store.open(engineerFile));
            Places places(store);
            addSingleLayerSurvey(store, places, 11, 1750000000000);
        }
        TeamConnection engineer;
        QVERIFY(engineer.open(conninfo() + QStringLiteral(" user=eng_dialog")));
        QCOMPARE(TeamPublish(engineer).publish(engineerFile).readingsStored, 10);
        QCOMPARE(TeamSync(engineer).sync(engineerFile).problem, TeamSync::Problem::None); // agreed with the server

        const QString asInspector = conninfo() + QStringLiteral(" user=insp_dialog");
        QSettings().setValue(QLatin1String(TeamDialog::SettingsKey), asInspector);
        TeamLink link(inspectorFile);
        TeamDialog dialog(&link);
        QCOMPARE(link.connection(), asInspector); // the kept connection reaches the link
        auto *sync = child<QPushButton>(dialog, "teamSync");
        auto *publish = child<QPushButton>(dialog, "teamPublish");
        auto *cancel = child<QPushButton>(dialog, "teamCancel");
        auto *status = child<QLabel>(dialog, "teamStatus");
        auto *table = child<ConflictTable>(dialog, "teamConflicts");
        QVERIFY(!cancel->isEnabled());

        // A sync: busy while it runs, then its counts in words.
        QSignalSpy synced(&link, &TeamLink::synced);
        sync->click();
        QVERIFY(!sync->isEnabled() && !publish->isEnabled() && cancel->isEnabled());
        QVERIFY(synced.wait(20000));
        auto out = synced.last().at(0).value<TeamSync::Outcome>();
        QCOMPARE(out.problem, TeamSync::Problem::None);
        QCOMPARE(out.readingsAdded, 10);
        QCOMPARE(status->text(), TeamWords::synced(out, synced.last().at(1).value<TeamLink::Report>()));
        QVERIFY(status->text().contains(QLatin1String("10")));
        QVERIFY(sync->isEnabled() && !cancel->isEnabled());
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(!table->isVisibleTo(&dialog));

        // Both change the CML: the next sync shows the two fields side by side, and nothing else.
        editCml(inspectorFile, [](Cml &c) {
            c.minimum = 5.5;
            c.description = QStringLiteral("elbow, outside");
        });
        editCml(engineerFile, [](Cml &c) { c.minimum = 7.0; });
        QCOMPARE(TeamPublish(engineer).publish(engineerFile).cmlsUpdated, 1);
        sync->click();
        QVERIFY(synced.wait(20000));
        out = synced.last().at(0).value<TeamSync::Outcome>();
        QCOMPARE(out.conflicts.size(), 1);
        QVERIFY(table->isVisibleTo(&dialog));
        QCOMPARE(table->rowCount(), 2);
        const QString name = TeamWords::cmlName(out.conflicts.first());
        QVERIFY2(name.endsWith(QLatin1String("/U1/TML-1")), qPrintable(name));
        QCOMPARE(table->item(0, ConflictTable::CmlColumn)->text(), name);
        QCOMPARE(table->rowSpan(0, ConflictTable::CmlColumn), 2);
        QStringList fields;
        for (int row = 0; row < 2; ++row) {
            fields << table->item(row, ConflictTable::FieldColumn)->text();
            if (fields.last() == QLatin1String("Minimum")) {
                QCOMPARE(table->item(row, ConflictTable::MineColumn)->text(), QLocale().toString(5.5));
                QVERIFY(table->item(row, ConflictTable::TheirsColumn)->text().startsWith(QLocale().toString(7.0)));
                QVERIFY(table->item(row, ConflictTable::TheirsColumn)->text().contains(QLatin1String("eng_dialog")));
            }
        }
        QCOMPARE(fields, (QStringList{QStringLiteral("Description"), QStringLiteral("Minimum")}));

        // Keeping mine is an engineer's to do: refused in words with the role, the rows stay.
        auto *keepMine = child<QPushButton>(dialog, "teamKeepMine");
        auto *keepTheirs = child<QPushButton>(dialog, "teamKeepTheirs");
        QVERIFY(!keepMine->isEnabled());
        table->selectRow(1); // under the CML's span: still that CML
        QVERIFY(keepMine->isEnabled());
        QSignalSpy chose(&link, &TeamLink::chose);
        keepMine->click();
        QVERIFY(chose.wait(20000));
        QCOMPARE(chose.last().at(1).value<TeamConflicts::Result>(), TeamConflicts::Result::Server);
        QVERIFY2(status->text().contains(QLatin1String("palvarin_engineer")), qPrintable(status->text()));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(minimumIn(inspectorFile), 5.5);

        // Taking the server's settles it: the file takes 7.0 and the CML's rows go.
        table->selectRow(0);
        keepTheirs->click();
        QVERIFY(chose.wait(20000));
        QCOMPARE(chose.last().at(1).value<TeamConflicts::Result>(), TeamConflicts::Result::Done);
        QVERIFY2(status->text().contains(name), qPrintable(status->text()));
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(!table->isVisibleTo(&dialog));
        QCOMPARE(minimumIn(inspectorFile), 7.0);

        // Another server, typed in: kept, given to the link, and its failure said as unreachable.
        auto *connection = child<QLineEdit>(dialog, "teamConnection");
        const QString nowhere = QStringLiteral("host=127.0.0.1 port=1 connect_timeout=3");
        connection->setText(nowhere);
        emit connection->editingFinished();
        QCOMPARE(link.connection(), nowhere);
        QCOMPARE(QSettings().value(QLatin1String(TeamDialog::SettingsKey)).toString(), nowhere);
        QSignalSpy published(&link, &TeamLink::published);
        publish->click();
        QVERIFY(published.wait(20000));
        const auto report = published.last().at(1).value<TeamLink::Report>();
        QCOMPARE(report.server, TeamConnection::Problem::Unreachable);
        QCOMPARE(status->text(), TeamWords::published(published.last().at(0).value<TeamPublish::Outcome>(), report));
        QVERIFY(publish->isEnabled() && !cancel->isEnabled());
        QCOMPARE(child<QProgressBar>(dialog, "teamProgress")->value(), 0);

        // No server: nothing to start.
        connection->clear();
        QVERIFY(!publish->isEnabled() && !sync->isEnabled());
        child<QCheckBox>(dialog, "teamLive")->setChecked(true);
        QVERIFY(!child<QCheckBox>(dialog, "teamLive")->isChecked());
        QVERIFY(!link.live());
    }
};

QTEST_MAIN(TeamDialogTest)
#include "tst_team_dialog.moc"
