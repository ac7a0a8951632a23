// An office started by the program must not outlive it, also when the program is killed
// or crashes and gets no chance to end the office itself.
#include "export/OfficeProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

// Live processes whose command line carries the office tag of the given program pid (only
// the office proper, soffice.bin, when mainOnly).
int officesOf(qint64 programPid, bool mainOnly = false)
{
    const QByteArray tag = QByteArray("palvarin_office_") + QByteArray::number(programPid) + '_';
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = cmdline.readAll();
        if (!text.contains(tag) || (mainOnly && !text.contains("soffice.bin")))
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly) && !status.readAll().contains("State:\tZ"))
            ++count;
    }
    return count;
}

} // namespace

class OfficeOrphanTest : public QObject
{
    Q_OBJECT

private slots:
    void killedProgramTakesItsOfficeWithIt()
    {
        QProcess holder;
        holder.start(QStringLiteral(OFFICE_HOLDER));
        QVERIFY(holder.waitForStarted(5000));
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("launched"));
        const qint64 pid = holder.processId();
        // Wait for the office proper behind the launcher, then kill the program hard.
        QTRY_VERIFY_WITH_TIMEOUT(officesOf(pid, true) > 0, 20000);

        ::kill(pid_t(pid), SIGKILL);
        QVERIFY(holder.waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(officesOf(pid), 0, 20000);

        // Its private profile (and a pipe socket, had its office got that far) stays behind;
        // the next office start clears them away, but not those of a program that still runs
        // (this one).
        const QStringList left = QDir(QDir::tempPath())
                                     .entryList({QStringLiteral("palvarin_office_%1_*").arg(pid)}, QDir::Dirs);
        QCOMPARE(left.size(), 1);
        const QString deadPipe = QStringLiteral("/tmp/OSL_PIPE_%1_palvarin_office_%2_test").arg(::getuid()).arg(pid);
        const QString livePipe = QStringLiteral("/tmp/OSL_PIPE_%1_palvarin_office_%2_test")
                                     .arg(::getuid())
                                     .arg(QCoreApplication::applicationPid());
        for (const QString &pipe : {deadPipe, livePipe}) {
            QFile file(pipe);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QDir mine(QDir::tempPath() + QStringLiteral("/palvarin_office_%1_1_test").arg(QCoreApplication::applicationPid()));
        QVERIFY(mine.mkpath(QStringLiteral(".")));
        QVERIFY(OfficeProcess::removeStaleProfiles() >= 2);
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + QLatin1Char('/') + left.first()));
        QVERIFY(!QFileInfo::exists(deadPipe));
        QVERIFY(mine.exists());
        QVERIFY(QFileInfo::exists(livePipe));
        QVERIFY(mine.removeRecursively());
        QVERIFY(QFile::remove(livePipe));
    }
};

QTEST_GUILESS_MAIN(OfficeOrphanTest)
#include "tst_office_orphan.moc"
