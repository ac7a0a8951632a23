// The commands that talk to a gauge: list, info, read, report, watch (and walk's connection).
#include "cli/CliOutput.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/Writing.h"
#include "analysis/LimitsStore.h"
#include "analysis/ReadingsAnalysis.h"
#include "export/CsvWriter.h"
#include "export/PdfReport.h"
#include "export/ReportAnalysis.h"
#include "hid/GaugeError.h"
#include "hid/HidBackend.h"
#include "records/ConfigPaths.h"
#include "records/RecordsModel.h"
#include "session/GaugeSession.h"
#include "session/GaugeSetup.h"
#include "session/ReportFacts.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <memory>

namespace Cli {

namespace {

// The session's own export (the window's Export button) is never used by the tool: it
// writes its outputs itself, without dialogs.
class NoWorkbook : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &, const QString &, ProgressHandle *) override { return false; }
};

QString sessionFailure()
{
    return CliWords::tr("Check that the gauge is switched on and its cable plugged in, then try again; --trace FILE "
                     "records what went over the cable for a bug report.");
}

bool is(const Invocation &run, const char *name)
{
    return qstrcmp(run.command->name, name) == 0;
}

// The gauge connected and identified, its records read on request.
class GaugeRun
{
public:
    GaugeRun(Invocation &run, HidBackend &backend) : m_run(run), m_backend(backend) {}

    int start();

private:
    // Opens the link, identifies the gauge and sets up its columns: 0, or the exit code.
    int connectGauge();
    int noGauge();
    // After the session told a failure: the hint, then why, when the gauge's side knows.
    int failAtGauge();
    int list();
    int info();
    int readAll();
    int report();
    int watch();
    WorkbookFacts facts() const
    {
        return gaugeFacts(m_session->gaugeSerial(), m_session->gaugeFirmware(), m_model.layout());
    }

    Invocation &m_run;
    HidBackend &m_backend;
    RecordsModel m_model;
    NoWorkbook m_noWorkbook;
    SurveyStore m_store; // walk's; outlives the session that writes to it
    std::unique_ptr<GaugeSession> m_session;
    QString m_failure;
};

int GaugeRun::noGauge()
{
    if (!m_backend.enumerate(GaugeSession::VendorId, GaugeSession::ProductId).isEmpty())
        return m_run.fail(CliWords::tr("a gauge is attached but could not be opened. A normal user needs the program's "
                                    "udev rule (see the README); then plug the gauge in again."));
    if (!m_run.serial.isEmpty())
        m_run.ui.message(CliWords::tr("no gauge with the serial %1 is attached; 'palvarin-cli list' shows the gauges "
                                   "attached.")
                             .arg(m_run.serial));
    else
        m_run.ui.message(CliWords::tr("no gauge found. Connect the gauge with its USB cable and switch it on; on Linux a "
                                   "normal user also needs the program's udev rule (see the README). To try the tool "
                                   "without a gauge: palvarin-cli --demo read -o -"));
    return NoGauge;
}

int GaugeRun::failAtGauge()
{
    const int code = m_run.fail(sessionFailure());
    const GaugeError cause = m_session->lastGaugeError();
    if (cause != GaugeError::None)
        m_run.ui.message(CliWords::tr("cause: %1").arg(gaugeErrorText(cause)));
    return code;
}

int GaugeRun::list()
{
    const QList<HidDeviceInfo> gauges = m_backend.enumerate(GaugeSession::VendorId, GaugeSession::ProductId);
    if (gauges.isEmpty())
        return noGauge();
    QByteArray out;
    for (const HidDeviceInfo &info : gauges)
        out += (info.path + QLatin1Char('\t') + GaugeSetup::serialOf(m_backend, info) + QLatin1Char('\n')).toUtf8();
    return m_run.writeOut(out) ? Done : Failed;
}

int GaugeRun::start()
{
    if (is(m_run, "list"))
        return list();
    const ConfigPlaces places = ConfigPlaces::current();
    m_session = std::make_unique<GaugeSession>(m_backend, m_run.ui, m_noWorkbook, m_model,
                                               ConfigPlaces::loadTables(places.tableSearchPath()));
    QObject::connect(m_session.get(), &GaugeSession::failed, m_session.get(),
                     [this](const QString &text) { m_failure = text; });
    if (is(m_run, "walk"))
        return walk(m_run, *m_session, m_store, [this] { return connectGauge(); });
    if (const int code = connectGauge())
        return code;
    if (is(m_run, "info"))
        return info();
    if (is(m_run, "watch"))
        return watch();
    if (const int code = readAll())
        return code;
    if (is(m_run, "report"))
        return report();
    return writeRecords(m_run, m_model, facts());
}

int GaugeRun::connectGauge()
{
    if (!m_session->openLink())
        return noGauge();
    // The serial, firmware and meter type come with the identification.
    m_session->identify();
    if (!m_failure.isEmpty())
        return failAtGauge();
    if (!m_model.hasColumns())
        return m_run.fail(CliWords::tr("the unit table 'unitno' was not found or does not know this gauge's units; it is "
                                    "looked up in: %1.")
                              .arg(ConfigPlaces::current().tableSearchPath().join(QStringLiteral(", "))));
    return Done;
}

int GaugeRun::info()
{
    const qint64 meterType = m_session->gaugeMeterType();
    QByteArray out;
    out += "serial: " + m_session->gaugeSerial().toUtf8() + '\n';
    out += "firmware: " + m_session->gaugeFirmware().toUtf8() + '\n';
    out += "meter type: " + (meterType >= 0 ? QByteArray::number(meterType) : QByteArray()) + '\n';
    out += "layout: " + QByteArray::number(m_model.layout())
        + (m_model.layout() == 1 ? " (single layer)" : " (multi layer)") + '\n';
    QStringList units;
    for (int c : m_model.exportedColumns())
        if (m_model.valueIndex(c) >= 0)
            units << CliOutput::jsonKey(m_model, c) + QLatin1Char('=') + m_model.unitName(c);
    out += "units: " + units.join(QLatin1Char(' ')).toUtf8() + '\n';
    return m_run.writeOut(out) ? Done : Failed;
}

int GaugeRun::readAll()
{
    int readRows = -1;
    const QMetaObject::Connection counting = QObject::connect(
        m_session.get(), &GaugeSession::recordsRead, m_session.get(), [&readRows](int count) { readRows = count; });
    m_session->readRecords();
    QObject::disconnect(counting);
    // Measurements the gauge pushed during the read follow its rows: the tool writes the
    // stored records only ('watch' prints measurements).
    if (readRows >= 0 && m_model.rowCount() > readRows)
        m_model.removeRows(readRows, m_model.rowCount() - readRows);
    if (m_run.interrupted())
        return m_run.fail(CliWords::tr("interrupted: nothing was written."));
    // The cable carried the count well enough: checking it would not help.
    if (m_session->countRefused())
        return m_run.fail(CliWords::tr("nothing was written."));
    if (!m_failure.isEmpty())
        return failAtGauge();
    const int rows = m_model.rowCount();
    if (rows == 0)
        return m_run.fail(CliWords::tr("the gauge holds no records: nothing was written."));
    m_run.ui.message(CliWords::tr("%1 records read.").arg(rows));
    return Done;
}

int GaugeRun::report()
{
    const int rows = m_model.rowCount();
    ReportInput input;
    QString logoPath;
    rememberedReportFields(input, &logoPath);
    const WorkbookFacts gauge = facts();
    input.serial = gauge.serial;
    input.firmware = gauge.firmware;
    input.meterType = gauge.meterType;
    input.date = QDateTime::currentDateTime();
    QStringList units;
    for (int c : m_model.exportedColumns())
        if (m_model.valueIndex(c) >= 0 && !m_model.unitName(c).isEmpty() && !units.contains(m_model.unitName(c)))
            units << m_model.unitName(c);
    input.units = units.join(QStringLiteral(", "));
    input.table = CliOutput::tableOf(m_model, 0, rows);

    // The gauge's limits as the window keeps them: in the survey file (read only), else in
    // limits.ini; then the statistics, bands and run chart the window's report has.
    const QString storePath = GaugeSetup::storePath(QString());
    QByteArray stored;
    if (QFileInfo(storePath).isFile()) {
        SurveyStore store;
        if (store.openReadOnly(storePath))
            stored = store.loadLimits(gauge.serial);
    }
    const LayerLimits limits =
        !stored.isEmpty()
            ? decodeLayerLimits(stored)
            : SettingsLimitsStore(QDir(ConfigPlaces::current().userConfigDir).filePath(QStringLiteral("limits.ini")))
                  .loadLayers(gauge.serial);
    ReadingsAnalysis analysis(m_model);
    for (int layer = 0; layer < LayerCount; ++layer)
        if (limits[size_t(layer)])
            analysis.setLimits(limits[size_t(layer)], layer);
    addReportAnalysis(input, analysis, m_model.exportedColumns());

    const std::unique_ptr<ProgressHandle> progress =
        m_run.ui.createProgress(nullptr, CliWords::tr("Writing %1").arg(m_run.output), QString(), 0, rows);
    return writeReport(m_run, input, logoPath, progress.get());
}

int GaugeRun::watch()
{
    const bool json = m_run.format && m_run.format->isJson();
    auto csvHeader = [&] {
        QByteArray header;
        CsvWriter::appendTo(header, CliOutput::tableOf(m_model, 0, 0));
        return header;
    };
    QByteArray header = csvHeader();
    if (!json && !m_run.writeOut(header))
        return m_run.fail(CliWords::tr("writing to standard output failed."));

    int exitCode = Done;
    QEventLoop loop;
    qint64 printed = 0;
    bool removalQueued = false;
    QObject::connect(m_session.get(), &GaugeSession::measurement, &loop, [&](int row) {
        QByteArray line;
        if (json) {
            line = CliOutput::jsonLines(m_model, row, 1, printed);
        } else {
            CsvWriter::appendTo(line, CliOutput::tableOf(m_model, row, 1));
            line.remove(0, header.size()); // the header went out once
        }
        ++printed;
        if (!m_run.writeOut(line)) {
            exitCode = Failed;
            loop.exit();
        }
        // Printed rows are dropped once the batch is told, so a long watch holds none.
        if (!removalQueued) {
            removalQueued = true;
            QTimer::singleShot(0, &loop, [&] {
                removalQueued = false;
                m_model.removeRows(0, m_model.rowCount());
            });
        }
    });
    QObject::connect(m_session.get(), &GaugeSession::settingsChanged, &loop, [&] {
        QStringList columns;
        for (int c : m_model.exportedColumns())
            columns << m_model.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_run.ui.message(CliWords::tr("the gauge's settings changed; the columns are now: %1")
                             .arg(columns.join(QStringLiteral(", "))));
        // CSV lines after this one are in the new units: a new header row says so.
        const QByteArray newHeader = csvHeader();
        if (!json && newHeader != header) {
            header = newHeader;
            m_run.writeOut(header);
        }
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_run.interrupted()) {
            loop.exit();
        } else if (m_session->linkRemoved()) {
            m_run.ui.message(CliWords::tr("the gauge was disconnected. Plug it in again and start the watch once more."));
            exitCode = Failed;
            loop.exit();
        }
    });
    tick.start(100);
    m_session->startWorker();
    m_run.ui.message(CliWords::tr("watching the gauge %1; each measurement is printed as it arrives. Ctrl+C ends.")
                         .arg(m_session->gaugeSerial()));
    loop.exec();
    m_session->stopWorker();
    return exitCode;
}

} // namespace

int runGaugeCommand(Invocation &run, HidBackend &backend)
{
    GaugeRun gauge(run, backend);
    return gauge.start();
}

} // namespace Cli
