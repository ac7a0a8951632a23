// The application shell: single instance across real processes, the drag filter, the
// main window's language switching and its closing.
#include "GaugeFixture.h"
#include "PseudoCatalogue.h"
#include "app/AppInit.h"
#include "assetspage/AssetForm.h"
#include "assetspage/AssetsDialog.h"
#include "assetspage/CmlForm.h"
#include "assetspage/NewCmlsDialog.h"
#include "assetspage/RoutePicker.h"
#include "assetspage/SurveyForm.h"
#include "app/SingleInstance.h"
#include "interaction/Language.h"
#include "mainwindow/UdevDeviceMonitor.h"
#include "recordspage/DeleteButtonDelegate.h"
#include "recordspage/HistoryDialog.h"
#include "recordspage/LimitsEditor.h"
#include "recordspage/ReportDialog.h"

#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QComboBox>
#include <QMenu>
#include <QTabWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <csignal>

class ShellTest : public QObject
{
    Q_OBJECT

private:
    EmulatorBackend emulator; // no instrument plugged: nothing real is touched
    std::unique_ptr<GaugeFixture::WindowRig> rig;
    QString instanceName = QStringLiteral("palvarin-test-%1").arg(QCoreApplication::applicationPid());

    QProcess *startProgram(const QStringList &args, const QString &unattendedLog)
    {
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PALVARIN_INSTANCE_NAME"), instanceName);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PALVARIN_UNATTENDED_LOG"), unattendedLog);
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(PALVARIN_BINARY), args);
        return process;
    }

    QString lockPath() const
    {
        return SingleInstance::lockDirectory() + QLatin1Char('/') + instanceName + QStringLiteral(".lock");
    }

    static QStringList readLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() { rig = std::make_unique<GaugeFixture::WindowRig>(emulator); }

    void cleanupTestCase() { rig.reset(); }

    void secondCopyActivatesTheFirstAndExits()
    {
        SingleInstance first(instanceName);
        QVERIFY(!first.isRunning());
        QWidget window;
        window.showMinimized();
        first.setActivationWindow(&window, true);
        QSignalSpy received(&first, &SingleInstance::messageReceived);

        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("dialogs.log"));
        QProcess *second = startProgram({}, log);
        // The second copy waits for our answer, so serve the event loop while it runs.
        QTRY_VERIFY_WITH_TIMEOUT(second->state() == QProcess::NotRunning, 15000);
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("active!!!!!"));
        QVERIFY(!(window.windowState() & Qt::WindowMinimized));
        // Exactly the warning and nothing else: no window, no device work.
        QCOMPARE(readLines(log), QStringList{QStringLiteral("information|Warn|Device already opened! Palvarin is already running. 设备已打开！Palvarin 已在运行。")});
    }

    void silentFirstCopyStillGetsTheWarningAndExitZero()
    {
        // A lock held by a live copy whose socket never answers.
        QLockFile lock(lockPath());
        QVERIFY(lock.tryLock(0));
        QTemporaryDir tmp;
        const QString log = tmp.filePath(QStringLiteral("dialogs.log"));
        QProcess *second = startProgram({}, log);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(readLines(log), QStringList{QStringLiteral("information|Warn|Device already opened! Palvarin is already running. 设备已打开！Palvarin 已在运行。")});
    }

    void crashedCopyDoesNotBlockTheNextStart()
    {
        QTemporaryDir tmp;
        QProcess *crashed = startProgram({QStringLiteral("--demo")}, tmp.filePath(QStringLiteral("a.log")));
        QVERIFY(crashed->waitForStarted(5000));
        // Wait until it owns the identity and serves its socket, then kill it hard: it
        // leaves its lock file and its socket file behind.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockPath()), 15000);
        QTest::qWait(500);
        ::kill(pid_t(crashed->processId()), SIGKILL);
        QVERIFY(crashed->waitForFinished(5000));
        QVERIFY(QFile::exists(lockPath()));

        SingleInstance next(instanceName);
        QVERIFY(!next.isRunning());
        QSignalSpy received(&next, &SingleInstance::messageReceived);
        // A later copy finds the new owner and reaches it through the socket.
        QProcess *later = startProgram({}, tmp.filePath(QStringLiteral("b.log")));
        QTRY_VERIFY_WITH_TIMEOUT(later->state() == QProcess::NotRunning, 15000);
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(received.count(), 1);
    }

    // A unit table beside the program that cannot be used (binary) is told at start, in
    // words, instead of a line on standard error and a Read that does nothing.
    void anUnusableTableIsToldAtStart()
    {
        QTemporaryDir tmp;
        const QString program = tmp.filePath(QStringLiteral("palvarin"));
        QVERIFY(QFile::copy(QStringLiteral(PALVARIN_BINARY), program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QFile::copy(GaugeFixture::sourceDir() + QStringLiteral("/resources/config/meterno"),
                            tmp.filePath(QStringLiteral("meterno"))));
        QFile unitno(tmp.filePath(QStringLiteral("unitno")));
        QVERIFY(unitno.open(QIODevice::WriteOnly));
        unitno.write(QByteArray("[Unit1]\nUnitNo=0\0\x01\x02", 19));
        unitno.close();

        const QString log = tmp.filePath(QStringLiteral("start.log"));
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PALVARIN_INSTANCE_NAME"), instanceName + QStringLiteral("-tables"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PALVARIN_UNATTENDED_LOG"), log);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.filePath(QStringLiteral("config")));
        process->setProcessEnvironment(env);
        process->start(program, {QStringLiteral("--demo"), QStringLiteral("--store"), tmp.filePath(QStringLiteral("s.sqlite"))});
        QVERIFY(process->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(readLines(log).join(QLatin1Char('\n')).contains(QStringLiteral("unitno")), 15000);
        process->kill();
        process->waitForFinished(5000);
        const QString told = readLines(log).join(QLatin1Char('\n'));
        QVERIFY2(told.startsWith(QStringLiteral("information|Palvarin|The unit table %1 cannot be used")
                                     .arg(tmp.filePath(QStringLiteral("unitno")))),
                 qPrintable(told));
        QVERIFY(told.contains(QStringLiteral("单位表 %1 无法使用").arg(tmp.filePath(QStringLiteral("unitno")))));
        QVERIFY(!told.contains(QStringLiteral("meterno")));
    }

    void dragFilterMovesOnlyMarkedWidgets()
    {
        AppInit::instance()->start();
        QWidget plain;
        QWidget movable;
        movable.setProperty("canMove", true);
        for (QWidget *w : {&plain, &movable}) {
            w->setGeometry(100, 100, 200, 100);
            w->show();
        }
        QVERIFY(QTest::qWaitForWindowExposed(&movable));
        const QPoint plainStart = plain.pos();

        struct Counter : QObject
        {
            int presses = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::MouseButtonPress)
                    ++presses;
                return false;
            }
        } reached;
        plain.installEventFilter(&reached);

        // Unmarked: everything reaches the widget and it stays put.
        QTest::mousePress(&plain, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&plain, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(reached.presses, 1);
        QCOMPARE(plain.pos(), plainStart);

        // Marked: a left drag moves it so the grabbed point stays under the mouse.
        const QPoint start = movable.pos();
        const QPoint grab(20, 30);
        QMouseEvent press(QEvent::MouseButtonPress, grab, movable.mapToGlobal(grab), Qt::LeftButton, Qt::LeftButton,
                          {});
        QVERIFY(AppInit::instance()->eventFilter(&movable, &press));
        const QPoint globalTarget = movable.mapToGlobal(grab) + QPoint(50, 40);
        QMouseEvent move(QEvent::MouseMove, grab, globalTarget, Qt::NoButton, Qt::LeftButton, {});
        QVERIFY(AppInit::instance()->eventFilter(&movable, &move));
        QCOMPARE(movable.pos(), start + QPoint(50, 40));
        // Any release ends the drag; a later move with no button does nothing.
        QMouseEvent release(QEvent::MouseButtonRelease, grab, globalTarget, Qt::RightButton, Qt::NoButton, {});
        QVERIFY(AppInit::instance()->eventFilter(&movable, &release));
        QMouseEvent idleMove(QEvent::MouseMove, grab, globalTarget + QPoint(30, 30), Qt::NoButton, Qt::NoButton, {});
        QVERIFY(!AppInit::instance()->eventFilter(&movable, &idleMove));
        QCOMPARE(movable.pos(), start + QPoint(50, 40));

        // A right press neither starts a drag nor is consumed; a move with the right button
        // held continues a drag that a left press started.
        QMouseEvent rightPress(QEvent::MouseButtonPress, grab, movable.mapToGlobal(grab), Qt::RightButton,
                               Qt::RightButton, {});
        QVERIFY(!AppInit::instance()->eventFilter(&movable, &rightPress));
        QMouseEvent rightMove(QEvent::MouseMove, grab, globalTarget + QPoint(5, 5), Qt::NoButton, Qt::RightButton, {});
        QVERIFY(!AppInit::instance()->eventFilter(&movable, &rightMove));
        QVERIFY(AppInit::instance()->eventFilter(&movable, &press));
        const QPoint before = movable.pos();
        QVERIFY(AppInit::instance()->eventFilter(&movable, &rightMove));
        QVERIFY(movable.pos() != before);
    }

    void languageButtonsSwitchTheRecordsPage()
    {
        MainWindow *window = MainWindow::instance();
        QCOMPARE(window, rig->window.get()); // the first window built is the program's
        FirstPage *page = window->recordsPage();
        auto *english = window->findChild<QPushButton *>(QStringLiteral("btnLanguageEn"));
        auto *chinese = window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"));
        QVERIFY(english && chinese);
        QCOMPARE(Language::instance().code(), QStringLiteral("zh"));
        QVERIFY(chinese->isChecked() && !english->isChecked()); // the language in use shows
        QCOMPARE(page->pushButton_readRecords->text(), QStringLiteral("读取测量记录"));
        // A row already in the table, with an out-of-range thickness.
        rig->session.setTableLayout(1);
        rig->session.setUnitNumbers({2, 0});
        rig->session.buildHeaders();
        GaugeRecord record;
        record.setValue(0, 0.0f, true);
        record.setValue(1, 5920.0f, false);
        rig->model.append(QVector<GaugeRecord>{record}, RecordOrigin::Memory, 0);
        const QModelIndex cell = page->tableWidget_data->model()->index(0, 1);
        QCOMPARE(cell.data().toString(), QStringLiteral("超量程"));

        // Qt's own texts follow: a standard button's caption.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        english->click();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QCOMPARE(Language::instance().code(), QStringLiteral("en"));
        english->click(); // a second click keeps it shown as in use
        QVERIFY(english->isChecked() && !chinese->isChecked());
        QCOMPARE(page->pushButton_readRecords->text(), QStringLiteral("Read Records"));
        QCOMPARE(page->groupBox_deviceInformation->title(), QStringLiteral("Instrument Information"));
        QCOMPARE(cell.data().toString(), QStringLiteral("Outrange"));
        chinese->click();
        QCOMPARE(Language::instance().code(), QStringLiteral("zh"));
        QCOMPARE(page->pushButton_exportExcel->text(), QStringLiteral("导出Excel"));
        QCOMPARE(cell.data().toString(), QStringLiteral("超量程"));
        // The captions never change.
        QCOMPARE(english->text(), QStringLiteral("English"));
        QCOMPARE(chinese->text(), QStringLiteral("中文"));
        rig->model.clear();
    }

    // A refused limit says why beside the fields, in the room there is: the window does not
    // grow wider (off the screen) for a long reason.
    void refusedLimitDoesNotWidenTheWindow()
    {
        MainWindow *window = MainWindow::instance();
        FirstPage *page = window->recordsPage();
        Language::instance().set(QStringLiteral("en"));
        rig->session.setTableLayout(1);
        rig->session.setUnitNumbers({2, 0});
        rig->session.buildHeaders();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const int before = window->minimumSizeHint().width();
        LimitsEditor *limits = page->limitsEditor();
        limits->nominalField()->setText(QStringLiteral("not a number at all, typed by someone in a hurry"));
        limits->minimumField()->setText(QStringLiteral("4"));
        QVERIFY(!limits->apply());
        QVERIFY(!limits->message()->text().isEmpty());
        QCoreApplication::processEvents();
        QVERIFY2(window->minimumSizeHint().width() <= before,
                 qPrintable(QStringLiteral("%1 > %2").arg(window->minimumSizeHint().width()).arg(before)));
        limits->clearLimits();
        window->hide();
        Language::instance().set(QStringLiteral("zh"));
    }

    void translationsAreFoundFromAnotherDirectoryAndTheCurrentOneComesFirst()
    {
        MainWindow *window = MainWindow::instance();
        FirstPage *page = window->recordsPage();
        auto *english = window->findChild<QPushButton *>(QStringLiteral("btnLanguageEn"));
        auto *chinese = window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"));
        const QString previous = QDir::currentPath();
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));

        english->click(); // English is the source: no catalogue needed
        QCOMPARE(Language::instance().code(), QStringLiteral("en"));
        QCOMPARE(page->pushButton_clearData->text(), QStringLiteral("Clear Data"));
        chinese->click(); // nothing in the current directory: found beside the program
        QCOMPARE(Language::instance().code(), QStringLiteral("zh"));
        QCOMPARE(page->pushButton_clearData->text(), QStringLiteral("清除数据"));

        // A file in the current directory overrides: here an "English" file holding Chinese.
        QVERIFY(QFile::copy(QStringLiteral(":/i18n/Palvarin_zh.qm"), elsewhere.filePath(QStringLiteral("Palvarin_en.qm"))));
        english->click();
        QCOMPARE(Language::instance().code(), QStringLiteral("en"));
        QCOMPARE(page->pushButton_clearData->text(), QStringLiteral("清除数据"));
        chinese->click();
        QVERIFY(QDir::setCurrent(previous));
    }

    void missingTranslationChangesNothing()
    {
        // A second window over its own session, looking for translations where there are none.
        QTemporaryDir empty;
        GaugeFixture::WindowRig other(emulator, {empty.path()});
        QCOMPARE(other.window->translationSearchPath(), QStringList{empty.path()});
        FirstPage *page = other.page();
        auto *english = other.window->findChild<QPushButton *>(QStringLiteral("btnLanguageEn"));
        auto *chinese = other.window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"));
        english->click(); // the source language needs no catalogue
        QCOMPARE(Language::instance().code(), QStringLiteral("en"));
        chinese->click(); // no Chinese catalogue there: nothing changes
        QCOMPARE(Language::instance().code(), QStringLiteral("en"));
        QVERIFY(english->isChecked() && !chinese->isChecked());
        QCOMPARE(page->pushButton_readRecords->text(), QStringLiteral("Read Records"));
        QCOMPARE(MainWindow::instance(), rig->window.get()); // still the program's window
        // The program's window still finds its catalogue.
        rig->window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"))->click();
        QCOMPARE(Language::instance().code(), QStringLiteral("zh"));
        QCOMPARE(page->pushButton_readRecords->text(), QStringLiteral("读取测量记录"));
    }

    // Shown in a catalogue that marks every text, the window, its records page and the page's
    // dialogs show no word that bypassed the catalogue. The language is a catalogue dropped
    // into a folder of the search path, offered by a button of its own: no code knows it.
    void everyTextComesFromTheCatalogue()
    {
        QTemporaryDir folder;
        const QString error = PseudoCatalogue::build(QStringLiteral(PALVARIN_SOURCE_DIR "/translations/Palvarin_zh.ts"),
                                                     folder.filePath(QStringLiteral("Palvarin_xx.qm")),
                                                     QStringLiteral(PALVARIN_LRELEASE));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        GaugeFixture::WindowRig other(emulator, {folder.path(), QStringLiteral(":/i18n")});
        auto *pseudo = other.window->findChild<QPushButton *>(QStringLiteral("btnLanguage_xx"));
        QVERIFY(pseudo);
        QCOMPARE(pseudo->text(), PseudoCatalogue::marked(QStringLiteral("English")));
        auto restore = qScopeGuard([this] {
            rig->window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"))->click();
        });
        // Rows, so that the statistics and the charts show their figures and their words.
        other.session.setTableLayout(1);
        other.session.setUnitNumbers({2, 0});
        other.session.buildHeaders();
        GaugeFixture::addSingleLayerRow(other.model, 5.0f, 5920.0f);
        pseudo->click();
        QCOMPARE(Language::instance().code(), QStringLiteral("xx"));
        QVERIFY(pseudo->isChecked());

        FirstPage *page = other.page();
        // What is no word of this program: the language buttons name each language in itself;
        // layer numbers, the gauge's fields, units and the records (rendered by the records
        // layer) are data.
        const QList<QWidget *> exempt{other.window->findChild<QWidget *>(QStringLiteral("btnLanguageEn")),
                                      other.window->findChild<QWidget *>(QStringLiteral("btnLanguageZh")),
                                      pseudo, page->comboBox_layerDisplay, page->lineEdit_serialNo,
                                      page->lineEdit_firmwareVersion, page->tableWidget_data,
                                      page->findChild<QWidget *>(QStringLiteral("limitsUnit"))};
        QStringList bypassed;
        int checked = 0;
        auto check = [&](QWidget *widget, const QString &what, const QString &text) {
            if (text.isEmpty())
                return;
            ++checked;
            if (!PseudoCatalogue::unmarked(text).isEmpty())
                bypassed << QStringLiteral("%1 %2: \"%3\"").arg(widget->objectName(), what, text);
        };
        auto walk = [&](QWidget *top) {
            for (QWidget *w : top->findChildren<QWidget *>()) {
                if (!w->isVisibleTo(top) || exempt.contains(w))
                    continue;
                check(w, QStringLiteral("tooltip"), w->toolTip());
                if (auto *button = qobject_cast<QAbstractButton *>(w))
                    check(w, QStringLiteral("text"), button->text());
                else if (auto *label = qobject_cast<QLabel *>(w))
                    check(w, QStringLiteral("text"), label->text());
                else if (auto *group = qobject_cast<QGroupBox *>(w))
                    check(w, QStringLiteral("title"), group->title());
                else if (auto *edit = qobject_cast<QLineEdit *>(w))
                    check(w, QStringLiteral("placeholder"), edit->placeholderText());
                else if (auto *combo = qobject_cast<QComboBox *>(w))
                    for (int i = 0; i < combo->count(); ++i)
                        check(w, QStringLiteral("item"), combo->itemText(i));
                if (auto *table = qobject_cast<QTableWidget *>(w))
                    for (int c = 0; c < table->columnCount(); ++c)
                        if (!table->isColumnHidden(c) && table->horizontalHeaderItem(c))
                            check(w, QStringLiteral("header"), table->horizontalHeaderItem(c)->text());
            }
        };
        walk(other.window.get());
        check(page->tableWidget_data, QStringLiteral("delete button"), DeleteButtonDelegate::label());
        HistoryDialog history(other.session, page);
        check(&history, QStringLiteral("title"), history.windowTitle());
        walk(&history);
        ReportDialog report(ReportFields(), QString(), page);
        check(&report, QStringLiteral("title"), report.windowTitle());
        walk(&report);
        for (QAction *action : page->pushButton_assign->menu()->actions())
            check(page->pushButton_assign, QStringLiteral("menu"), action->text());
        // The places: the Assets view (its tabs and its views' headers too) and its forms.
        AssetsDialog assets(other.session.store(), other.session.config().unitTable, other.session.interaction(), page);
        check(&assets, QStringLiteral("title"), assets.windowTitle());
        walk(&assets);
        for (int t = 0; t < assets.tabs()->count(); ++t)
            check(assets.tabs(), QStringLiteral("tab"), assets.tabs()->tabText(t));
        for (QAbstractItemView *view : assets.findChildren<QAbstractItemView *>())
            for (int c = 0; view->model() && c < view->model()->columnCount(); ++c)
                check(view, QStringLiteral("header"), view->model()->headerData(c, Qt::Horizontal).toString());
        AssetForm assetForm({}, 0, page);
        CmlForm cmlForm({}, 0, page);
        SurveyForm surveyForm(SurveyFacts(), {}, {}, page);
        surveyForm.findChild<QLabel *>(QStringLiteral("surveyWhen"))->hide(); // a date and a serial number
        RoutePicker routePicker({}, {}, {}, 0, page);
        NewCmlsDialog newCmls({}, {}, 0, page);
        for (QDialog *form : std::initializer_list<QDialog *>{&assetForm, &cmlForm, &surveyForm, &routePicker, &newCmls}) {
            check(form, QStringLiteral("title"), form->windowTitle());
            walk(form);
        }
        QVERIFY2(bypassed.isEmpty(), qPrintable(bypassed.join(QLatin1Char('\n'))));
        QVERIFY2(checked >= 40, qPrintable(QString::number(checked))); // the walk saw the page
    }

    void udevMonitorListensWhereItCan()
    {
        // On machines without a udev daemon the kernel's own events must be used, or no
        // arrival would ever be seen.
        UdevDeviceMonitor monitor;
        QVERIFY(monitor.start());
        QCOMPARE(QString::fromLatin1(monitor.source()),
                 QFile::exists(QStringLiteral("/run/udev/control")) ? QStringLiteral("udev") : QStringLiteral("kernel"));
    }

    void ledIsOffWithoutInstrumentAndEscapeEndsTheWindow()
    {
        MainWindow *window = MainWindow::instance();
        auto *led = window->findChild<QLabel *>(QStringLiteral("LinkStatusLabel"));
        QTRY_VERIFY(!led->pixmap().isNull()); // after the 10 ms start-up step
        QCOMPARE(led->pixmap().toImage(), QPixmap(QStringLiteral(":/image/led_off.png")).toImage());
        QCOMPARE(led->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QVERIFY(!window->isLinkOpen());

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QSignalSpy finished(window, &QDialog::finished);
        QTest::keyClick(window, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
