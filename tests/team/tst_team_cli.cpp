// palvarin-cli's team commands run as processes against the test cluster, as an engineer and
// an inspector would run them from their laptops.
#include "TeamFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TeamFixture;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run cli(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(PALVARIN_CLI), arguments);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TeamCliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // The file's CML TML-1 takes `minimum` as cml import gives it.
    void setMinimum(const char *file, const char *minimum)
    {
        const QString csv = path("cml.csv");
        QFile list(csv);
        QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        list.write("asset_path,tag,description,nominal,minimum,corrosion_allowance,material,notes\n"
                   "Site 1730000000000/U1,TML-1,,12.5," + QByteArray(minimum) + ",,,\n");
        list.close();
        const Run r = cli({"cml", "import", csv, "--store", path(file)});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

private slots:
    void engineerAndInspectorShareOneHistory()
    {
        TeamConnection admin;
        QVERIFY2(admin.open(conninfo()), "no cluster: run through ctest");
        QVERIFY(admin.script("DROP SCHEMA IF EXISTS palvarin CASCADE"));
        for (const char *sql : {"DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'eng_cli') THEN"
                                " CREATE ROLE eng_cli LOGIN; END IF; END $$",
                                "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'insp_cli') THEN"
                                " CREATE ROLE insp_cli LOGIN; END IF; END $$"})
            QVERIFY(admin.script(sql));
        const QString server = conninfo();
        // The administrator's first look sets the server up; then the roles can be granted.
        Run r = cli({"team", "status", "--team", server, "--store", path("none.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("tables at version"), r.err.constData());
        QVERIFY(admin.script("GRANT palvarin_engineer TO eng_cli; GRANT palvarin_inspector TO insp_cli"));
        const QString engineer = server + QStringLiteral(" user=eng_cli");
        const QString inspector = server + QStringLiteral(" user=insp_cli");

        {
            SurveyStore store;
            QVERIFY(store.open(path("eng.sqlite")));
            Places places(store);
            addSingleLayerSurvey(store, places, 40, 1730000000000);
        }
        r = cli({"team", "publish", "--team", engineer, "--store", path("eng.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("39 of 39 readings sent (39 new"), r.out + r.err);
        r = cli({"team", "sync", "--team", inspector, "--store", path("insp.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("1 surveys new here, 39 readings added"), r.out + r.err);
        r = cli({"team", "status", "--team", inspector, "--store", path("insp.sqlite")});
        QVERIFY2(r.out.contains("you are an inspector") && r.out.contains("0 readings to sync") &&
                     r.out.contains("0 conflicts"),
                 r.out + r.err);
        QCOMPARE(cli({"team", "sync", "--team", engineer, "--store", path("eng.sqlite")}).exitCode, 0);

        // Both change the CML's minimum; the engineer publishes first.
        setMinimum("eng.sqlite", "7");
        setMinimum("insp.sqlite", "5");
        r = cli({"team", "publish", "--team", inspector, "--store", path("insp.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("only engineers change CMLs: your changes to TML-1"), r.out + r.err);
        r = cli({"team", "publish", "--team", engineer, "--store", path("eng.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("1 CMLs changed here were changed on the server too"), r.out);
        r = cli({"team", "sync", "--team", inspector, "--store", path("insp.sqlite")});
        QVERIFY2(r.exitCode == 0 && r.out.contains("1 CMLs were changed both here and on the server"), r.out + r.err);
        QVERIFY2(r.out.contains("Site 1730000000000/U1/TML-1") && r.out.contains("eng_cli"), r.out);
        const QList<QByteArray> lines = r.out.split('\n');
        const auto minimum = std::find_if(lines.begin(), lines.end(),
                                          [](const QByteArray &l) { return l.trimmed().startsWith("minimum"); });
        QVERIFY2(minimum != lines.end(), r.out);
        QCOMPARE(minimum->simplified(), QByteArray("minimum 5 7"));

        const QStringList resolve{"team", "resolve", "Site 1730000000000/U1/TML-1", "--team", inspector, "--store",
                                  path("insp.sqlite")};
        r = cli(resolve + QStringList{"--keep", "mine"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("refused to let you change a CML") && r.err.contains("palvarin_engineer"), r.err);
        r = cli(resolve + QStringList{"--keep", "theirs"});
        QVERIFY2(r.exitCode == 0 && r.out.contains("the server's fields are now this file's"), r.out + r.err);
        r = cli({"cml", "list", "--format", "csv", "--store", path("insp.sqlite")});
        QVERIFY2(r.out.contains(",7,"), r.out);
        r = cli({"team", "status", "--team", inspector, "--store", path("insp.sqlite")});
        QVERIFY2(r.out.contains("0 conflicts"), r.out);
    }

    void unreachableServerIsExitThree()
    {
        const Run r = cli({"team", "sync", "--team", QStringLiteral("host=%1 dbname=none").arg(m_dir.path()),
                           "--store", path("x.sqlite")});
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("cannot reach the team server"), r.err);
        QVERIFY(!QFile::exists(path("x.sqlite")));
    }
};

QTEST_GUILESS_MAIN(TeamCliTest)
#include "tst_team_cli.moc"
