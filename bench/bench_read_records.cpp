// Record reading through the whole program: the read button, the command sequence over
// every link layer, the emulated gauge at one 64-byte report per millisecond, and the
// table filled. The bound is the time the USB reports themselves take.
#include "UsbBound.h"
#include "emulator/EmulatorBackend.h"
#include "export/WorkbookTable.h"
#include "interaction/SilentProgress.h"
#include "interaction/UserInteraction.h"
#include "mainwindow/MainWindow.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "recordspage/FirstPage.h"
#include "session/GaugeSession.h"
#include "store/SurveyStore.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int recordCount = 10000;

// Answers the dialogs and notes when the last block arrived (the last progress step).
class BenchInteraction : public UserInteraction
{
public:
    QElapsedTimer *clock = nullptr;
    qint64 lastBlockMs = -1;

    void information(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    }
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    QString getSaveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override { return {}; }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *, const QString &, const QString &, int, int maximum) override
    {
        // Notes when the last block arrived: its progress step is the last one set.
        struct Progress : SilentProgress
        {
            Progress(BenchInteraction *owner, int maximum) : SilentProgress(maximum), owner(owner) {}
            void setValue(int v) override
            {
                SilentProgress::setValue(v);
                if (v == maximum() - 1 && owner->clock)
                    owner->lastBlockMs = owner->clock->elapsed();
            }
            BenchInteraction *owner;
        };
        return std::make_unique<Progress>(this, maximum);
    }
};

// Nothing is exported here: the save question is answered No.
class NoWorkbook : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &, const QString &, ProgressHandle *) override { return false; }
};

void runLayout(EmulatorBackend &backend, MainWindow *window, BenchInteraction &dialogs, bool multi)
{
    FirstPage *page = window->recordsPage();
    for (const auto &g : backend.instruments())
        backend.unplug(g->usbSerial());
    auto gauge = std::make_shared<EmulatedInstrument>(QStringLiteral("4242"), multi ? 2 : 1, multi ? 125 : 110);
    gauge->setUnitNumbers(multi ? QList<int>{0, 0, 0, 2, 2, 2} : QList<int>{2, 0});
    EmulatorBackend::fillDemoRecords(*gauge, recordCount, 10);
    gauge->setReportIntervalUs(1000);
    backend.plug(gauge);
    while (!window->isLinkOpen() || page->lineEdit_serialNo->text().isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    page->pushButton_clearData->click();
    gauge->clearRequestLog();

    QElapsedTimer clock;
    dialogs.clock = &clock;
    dialogs.lastBlockMs = -1;
    clock.start();
    page->pushButton_readRecords->click();
    const qint64 elapsed = clock.elapsed();
    dialogs.clock = nullptr;

    const int rows = page->tableWidget_data->model()->rowCount();
    const qint64 bound = UsbBound::of(gauge->requestLog());
    std::printf("read_records layout=%s records=%d elapsed_ms=%lld bound_ms=%lld ratio=%.2f table_ms=%lld\n",
                multi ? "multi" : "single", rows, static_cast<long long>(elapsed), static_cast<long long>(bound),
                bound > 0 ? double(elapsed) / double(bound) : 0.0,
                static_cast<long long>(dialogs.lastBlockMs >= 0 ? elapsed - dialogs.lastBlockMs : -1));
    std::fflush(stdout);
    if (rows != recordCount)
        std::fprintf(stderr, "expected %d rows, got %d\n", recordCount, rows);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Wired as main wires the program, over the emulated gauge.
    EmulatorBackend backend;
    BenchInteraction dialogs;
    NoWorkbook workbook;
    RecordsModel records;
    GaugeSession session(backend, dialogs, workbook, records,
                         GaugeConfig::load(QStringLiteral(PALVARIN_SOURCE_DIR "/resources/config")));
    // --store: every read also committed to a survey file in a temporary folder here.
    SurveyStore store;
    QTemporaryDir storeDir(QDir::currentPath() + QStringLiteral("/bench_read_store-XXXXXX"));
    if (app.arguments().contains(QStringLiteral("--store"))
        && !session.openStore(store, storeDir.filePath(QStringLiteral("surveys.sqlite"))))
        return 1;
    auto window = std::make_unique<MainWindow>(session);
    window->setDeviceMonitor(backend.monitor());
    window->resize(1333, 712);
    window->show();
    runLayout(backend, window.get(), dialogs, false);
    runLayout(backend, window.get(), dialogs, true);
    window.reset(); // before the session it shows
    return 0;
}
