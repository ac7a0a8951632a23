#include "cli/Cli.h"

#include "analysis/AnalysisWords.h"
#include "analysis/LimitsStore.h"
#include "analysis/ReadingsAnalysis.h"
#include "cli/CliOutput.h"
#include "cli/ConsoleInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "export/CsvWriter.h"
#include "export/ExcelEngine.h"
#include "export/ExportFlow.h"
#include "export/PdfReport.h"
#include "export/ReportAnalysis.h"
#include "export/ReportSettings.h"
#include "export/XlsxWriter.h"
#include "hid/HidBackend.h"
#include "hid/TracingBackend.h"
#include "interaction/Language.h"
#include "protocol/KeyInfo.h"
#include "records/ConfigPaths.h"
#include "records/RecordsModel.h"
#include "session/ComparisonTable.h"
#include "session/GaugeSession.h"
#include "session/StoredRows.h"
#include "session/StoreWords.h"
#include "session/InstanceLock.h"
#include "store/SurveyStore.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace Cli {

namespace {

using CliOutput::Format;

struct Texts
{
    bool chinese = false;
    QString operator()(const char *english, const char *chineseText) const
    {
        return QString::fromUtf8(chinese ? chineseText : english);
    }
};

// Picks the gauge with one serial when several are attached: the link then only sees that
// one. The serial is the USB serial the link matches on (the enumerated one, else the one
// the opened interface reports).
class SerialFilterBackend : public HidBackend
{
public:
    SerialFilterBackend(HidBackend &inner, const QString &serial) : m_inner(inner), m_serial(serial) {}

    static QString serialOf(HidBackend &backend, const HidDeviceInfo &info)
    {
        if (!info.serialNumber.isEmpty())
            return info.serialNumber;
        HidOpenResult result = HidOpenResult::Failed;
        const std::unique_ptr<HidConnection> connection = backend.open(info.path, false, &result);
        return connection ? connection->serialNumber() : QString();
    }

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        QList<HidDeviceInfo> kept;
        for (HidDeviceInfo info : m_inner.enumerate(vendorId, productId)) {
            info.serialNumber = serialOf(m_inner, info);
            if (info.serialNumber == m_serial)
                kept.append(info);
        }
        return kept;
    }
    std::unique_ptr<HidConnection> open(const QString &path, bool exclusive, HidOpenResult *result) override
    {
        return m_inner.open(path, exclusive, result);
    }

private:
    HidBackend &m_inner;
    QString m_serial;
};

// The session's own export (the window's Export button) is never used by the tool: it
// writes its outputs itself, without dialogs.
class NoWorkbook : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &, const QString &, ProgressHandle *) override { return false; }
};

const QString helpDescription = QStringLiteral(
    "Reads the ultrasonic thickness gauge from a terminal or a script; no display needed.\n"
    "\n"
    "Commands:\n"
    "  list                       the gauges attached: path and serial\n"
    "  info                       serial, firmware, meter type, layout and units\n"
    "  read -o FILE [--format F]  downloads the stored records; F is csv, xlsx, xls or json\n"
    "                             (by default from FILE's suffix); -o - writes CSV (or\n"
    "                             JSON lines with --format json) to standard output\n"
    "  watch [--format csv|json]  prints each measurement the gauge sends as one line,\n"
    "                             until interrupted (Ctrl+C); settings changes go to\n"
    "                             standard error\n"
    "  report -o FILE.pdf         an inspection report of the stored records\n"
    "  history [--format csv|json]\n"
    "                             the sessions kept in the survey store, newest first:\n"
    "                             id, start, gauge serial, meter type, layout, rows\n"
    "                             (deleted ones and ones cleared unsaved not counted),\n"
    "                             and how many of them were exported\n"
    "  export SESSION -o FILE [--format F]\n"
    "                             one session of the survey store (see history) without\n"
    "                             its deleted rows, written as read writes records\n"
    "  compare SESSION SESSION... [-o FILE] [--tmin T] [--interval YEARS] [--layer N]\n"
    "          [--any-gauge]\n"
    "                             the same locations in two or more sessions: wall loss,\n"
    "                             long-term, short-term and governing corrosion rate,\n"
    "                             remaining life down to the minimum thickness T (in the\n"
    "                             newest session's unit, or e.g. 0.25inch) and the next\n"
    "                             inspection date (half the life, at most YEARS, default\n"
    "                             5). A table on standard output; -o writes csv, xlsx,\n"
    "                             json or pdf by FILE's suffix (-o - csv or json). The\n"
    "                             location is the record's name (multi layer; --layer N\n"
    "                             picks layer 1-3) or its number, its place in the\n"
    "                             gauge's memory (single layer; measurements the gauge\n"
    "                             pushed have none and are left out). Sessions of\n"
    "                             different gauges are refused (exit 1) unless\n"
    "                             --any-gauge is given\n"
    "\n"
    "The survey store is the file of --store, else $PALVARIN_STORE, else the window\n"
    "program's own; history, export and compare only read it and need no gauge.\n"
    "\n"
    "JSON lines: one object per record; a value out of range is null and its key is listed\n"
    "in \"outOfRange\". CSV: a value out of range is an empty field, named in the last column.\n"
    "\n"
    "Exit codes: 0 done, 1 failed (standard error says why), 2 usage, 3 no gauge (none\n"
    "attached, none with the serial given, or the window program holds it).");

class Runner
{
public:
    Runner(const Streams &streams, HidBackend *backendOverride)
        : m_streams(streams), m_override(backendOverride),
          m_ui(streams.err, streams.errIsTerminal, streams.interrupted)
    {
        m_t.chinese = QLocale::system().language() == QLocale::Chinese;
        // What the layers write (headers, notes, reasons) follows the language in use.
        Language::instance().set(m_t.chinese ? QStringLiteral("zh") : QStringLiteral("en"));
    }

    int run(const QStringList &arguments);

private:
    int usage(const QString &error)
    {
        const QString hint = m_t("Try 'palvarin-cli --help' for the commands and options.",
                                 "命令和选项见 'palvarin-cli --help'。");
        std::fprintf(m_streams.err, "palvarin-cli: %s\n%s\n", error.toUtf8().constData(), hint.toUtf8().constData());
        return Usage;
    }
    int fail(const QString &text)
    {
        m_ui.message(text);
        return Failed;
    }
    bool interrupted() const { return m_streams.interrupted && *m_streams.interrupted; }
    bool writeOut(const QByteArray &bytes)
    {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_streams.out) == size_t(bytes.size())
            && std::fflush(m_streams.out) == 0;
    }

    int list(HidBackend &backend);
    int noGauge(HidBackend &backend);
    int withGauge(HidBackend &backend);
    int info(RecordsModel &model);
    int readAll(GaugeSession &session, RecordsModel &model);
    int read(GaugeSession &session, RecordsModel &model);
    int report(GaugeSession &session, RecordsModel &model);
    int watch(GaugeSession &session, RecordsModel &model);
    int writeRecords(const RecordsModel &model);
    int writeFile(const RecordsModel &model);
    QString sessionFailure() const;

    // The survey store, read only.
    enum class Opened { Yes, Missing, Failed };
    Opened openStore(SurveyStore &store);
    int history();
    int exportSession(const QString &session);
    int compare(const QStringList &sessions, const ComparisonSettings &settings, int layer);
    // The report fields the window's report dialog remembers; the logo's path in *logoPath.
    void rememberedReportFields(ReportInput &input, QString *logoPath) const;
    // Writes the report to the output file and says how it went.
    int writeReport(const ReportInput &input, const QString &logoPath, ProgressHandle *progress);
    // A whole table to -o through the atomic write: `table` for the workbook formats, `json`
    // for JSON lines (each called only when needed).
    int writeTable(const std::function<WorkbookTable()> &table, const std::function<QByteArray()> &json, int rows);

    Streams m_streams;
    HidBackend *m_override;
    ConsoleInteraction m_ui;
    Texts m_t;

    QString m_command;
    QString m_output;
    std::optional<Format> m_format;
    QString m_serial;
    bool m_demo = false;
    bool m_anyGauge = false; // compare: sessions of different gauges too
    QString m_storePath;
    QString m_sessionDate; // of an exported session; empty: the time of writing

    // What the session reported.
    QString m_failure;
    QString m_serialNo;
    QString m_firmware;
    QString m_meterType;
};

int Runner::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(helpDescription);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Use the emulated gauge instead of a real one."));
    const QCommandLineOption demoConfig(QStringLiteral("demo-config"),
                                        QStringLiteral("Use an emulated gauge set up by the INI <file>."),
                                        QStringLiteral("file"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Use the gauge with this USB <serial> (see list)."),
                                    QStringLiteral("serial"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every HID report sent and received to <file>."),
                                   QStringLiteral("file"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write to <file> (- is standard output)."), QStringLiteral("file"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv, xlsx, xls or json."),
                                    QStringLiteral("format"));
    const QCommandLineOption store(QStringLiteral("store"),
                                   QStringLiteral("The survey store history, export and compare read (default: $PALVARIN_STORE, "
                                                  "else surveys.sqlite in the user's data folder)."),
                                   QStringLiteral("file"));
    const QCommandLineOption tmin(QStringLiteral("tmin"),
                                  QStringLiteral("compare: the minimum thickness <T>, in the newest session's unit "
                                                 "(or with its unit, e.g. 0.25inch)."),
                                  QStringLiteral("T"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("compare: the longest time between inspections, in <years> "
                                                     "(default 5)."),
                                      QStringLiteral("years"));
    const QCommandLineOption layer(QStringLiteral("layer"),
                                   QStringLiteral("compare: the layer <n> (1-3) of multi-layer sessions (default 1)."),
                                   QStringLiteral("n"));
    const QCommandLineOption anyGauge(QStringLiteral("any-gauge"),
                                      QStringLiteral("compare: compare sessions of different gauges too."));
    for (const QCommandLineOption &option :
         {demo, demoConfig, serial, trace, output, format, store, tmin, interval, layer, anyGauge})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("<command>"));

    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        writeOut(parser.helpText().toUtf8());
        return Done;
    }
    if (parser.isSet(version)) {
        writeOut(QStringLiteral("palvarin-cli %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return Done;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(m_t("no command given.", "未给出命令。"));
    m_command = positional.first();
    const QStringList rest = positional.mid(1);
    const QStringList commands{QStringLiteral("list"),   QStringLiteral("info"),    QStringLiteral("read"),
                               QStringLiteral("watch"),  QStringLiteral("report"),  QStringLiteral("history"),
                               QStringLiteral("export"), QStringLiteral("compare")};
    if (!commands.contains(m_command))
        return usage(m_t("unknown command '%1'.", "未知命令 '%1'。").arg(m_command));
    const bool isExport = m_command == QLatin1String("export");
    if (isExport && rest.isEmpty())
        return usage(m_t("export needs the session to export.", "export 需要给出要导出的记录组。"));
    const bool isCompare = m_command == QLatin1String("compare");
    if (isCompare && rest.size() < 2)
        return usage(m_t("compare needs at least two sessions (see history).", "compare 需要至少两个记录组（见 history）。"));
    if (!isCompare && rest.size() > (isExport ? 1 : 0))
        return usage(m_t("unexpected argument '%1'.", "多余的参数 '%1'。").arg(rest.value(isExport ? 1 : 0)));
    for (const QCommandLineOption &option : {tmin, interval, layer, anyGauge})
        if (parser.isSet(option) && !isCompare)
            return usage(m_t("%1 takes no --%2.", "%1 不接受 --%2。").arg(m_command, option.names().first()));

    const bool takesOutput = m_command == QLatin1String("read") || m_command == QLatin1String("report")
        || m_command == QLatin1String("export");
    const bool takesFormat = m_command == QLatin1String("read") || m_command == QLatin1String("watch")
        || m_command == QLatin1String("export") || m_command == QLatin1String("history") || isCompare;
    const bool readsStore = m_command == QLatin1String("history") || isExport || isCompare;
    if (parser.isSet(output) && !takesOutput && !isCompare)
        return usage(m_t("%1 takes no -o.", "%1 不接受 -o。").arg(m_command));
    if (parser.isSet(format) && !takesFormat)
        return usage(m_t("%1 takes no --format.", "%1 不接受 --format。").arg(m_command));
    if (parser.isSet(store) && !readsStore)
        return usage(m_t("%1 takes no --store: only history, export and compare read the survey store.",
                         "%1 不接受 --store：只有 history、export 和 compare 读取测量记录库。")
                         .arg(m_command));
    if (takesOutput && parser.value(output).isEmpty())
        return usage(m_t("%1 needs -o FILE.", "%1 需要 -o 文件。").arg(m_command));
    m_output = parser.value(output);
    if (parser.isSet(format)) {
        m_format = CliOutput::formatNamed(parser.value(format));
        if (!m_format)
            return usage(m_t("unknown format '%1': use csv, xlsx, xls or json.",
                             "未知格式 '%1'：请用 csv、xlsx、xls 或 json。")
                             .arg(parser.value(format)));
    }

    if (m_command == QLatin1String("watch") && m_format && *m_format != Format::Csv && *m_format != Format::Json)
        return usage(m_t("watch prints csv or json.", "watch 只输出 csv 或 json。"));
    if (m_command == QLatin1String("history") && m_format && *m_format != Format::Csv && *m_format != Format::Json)
        return usage(m_t("history prints csv or json.", "history 只输出 csv 或 json。"));
    if (m_command == QLatin1String("read") || m_command == QLatin1String("export")) {
        const bool toStdout = m_output == QLatin1String("-");
        if (!m_format)
            m_format = toStdout ? std::optional<Format>(Format::Csv) : CliOutput::formatOfPath(m_output);
        if (!m_format)
            return usage(m_t("cannot tell the format of '%1' from its suffix: give --format csv, xlsx, xls or json.",
                                   "无法从后缀判断 '%1' 的格式：请给出 --format csv、xlsx、xls 或 json。")
                             .arg(m_output));
        if (toStdout && *m_format != Format::Csv && *m_format != Format::Json)
            return usage(m_t("standard output takes csv or json.", "标准输出只接受 csv 或 json。"));
    }
    ComparisonSettings comparing;
    int layerIndex = 0;
    if (isCompare) {
        const bool pdf = QFileInfo(m_output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
        if (!m_output.isEmpty() && !pdf && !m_format) {
            m_format = m_output == QLatin1String("-") ? std::optional<Format>(Format::Csv)
                                                      : CliOutput::formatOfPath(m_output);
            if (!m_format)
                return usage(m_t("cannot tell the format of '%1' from its suffix: give --format csv, xlsx or json, or "
                                 "a .pdf file.",
                                 "无法从后缀判断 '%1' 的格式：请给出 --format csv、xlsx 或 json，或 .pdf 文件。")
                                 .arg(m_output));
        }
        const bool toStdout = m_output.isEmpty() || m_output == QLatin1String("-");
        if (m_format == Format::Xls || (m_format && pdf) || (toStdout && m_format == Format::Xlsx))
            return usage(m_t("compare prints a table (or csv or json with --format), and writes csv, xlsx, json or pdf "
                             "to -o FILE.",
                             "compare 打印表格（或用 --format 输出 csv 或 json），并可用 -o 文件写入 csv、xlsx、json 或 pdf。"));
        if (parser.isSet(tmin)) {
            static const QRegularExpression thickness(
                QStringLiteral("^\\s*([0-9]*\\.?[0-9]+(?:[eE][-+]?[0-9]+)?)\\s*([A-Za-z]*)\\s*$"));
            const QRegularExpressionMatch m = thickness.match(parser.value(tmin));
            bool ok = m.hasMatch();
            const double value = ok ? m.captured(1).toDouble(&ok) : 0.0;
            if (!ok || !std::isfinite(value))
                return usage(m_t("--tmin takes a thickness, e.g. 8.5 or 0.25inch; '%1' is none.",
                                 "--tmin 需要一个厚度，例如 8.5 或 0.25inch；'%1' 不是。")
                                 .arg(parser.value(tmin)));
            comparing.minimum = value;
            comparing.unit = m.captured(2);
        }
        if (parser.isSet(interval)) {
            bool ok = false;
            comparing.intervalYears = parser.value(interval).toDouble(&ok);
            if (!ok || !(comparing.intervalYears > 0) || !std::isfinite(comparing.intervalYears))
                return usage(m_t("--interval takes a number of years above zero; '%1' is none.",
                                 "--interval 需要一个大于零的年数；'%1' 不是。")
                                 .arg(parser.value(interval)));
        }
        if (parser.isSet(layer)) {
            bool ok = false;
            layerIndex = parser.value(layer).toInt(&ok) - 1;
            if (!ok || layerIndex < 0 || layerIndex > 2)
                return usage(m_t("--layer takes 1, 2 or 3.", "--layer 只接受 1、2 或 3。"));
        }
    }
    if (m_command == QLatin1String("report")
        && QFileInfo(m_output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return usage(m_t("the report is a PDF file: give -o FILE.pdf.", "报告是PDF文件：请给出 -o 文件.pdf。"));

    // The survey store: as the window program picks it.
    if (readsStore) {
        m_storePath = parser.value(store);
        if (m_storePath.isEmpty())
            m_storePath = qEnvironmentVariable("PALVARIN_STORE");
        if (m_storePath.isEmpty())
            m_storePath = SurveyStore::defaultPath();
    }
    m_anyGauge = parser.isSet(anyGauge);
    if (m_command == QLatin1String("history"))
        return history();
#ifndef PALVARIN_CALC_AVAILABLE
    if (m_format == Format::Xls)
        return fail(m_t("xls not available: this build has no LibreOffice export. Use --format csv or json.",
                        "不支持xls：此版本未包含LibreOffice导出。请用 --format csv 或 json。"));
#endif

    // A target that cannot be written is told before the gauge is read for nothing.
    const bool writesFile = m_command == QLatin1String("read") || m_command == QLatin1String("report") || isExport
        || (isCompare && !m_output.isEmpty());
    if (writesFile && m_output != QLatin1String("-")) {
        const QFileInfo target(m_output);
        if (target.isDir())
            return fail(m_t("%1 is a folder; give a file name.", "%1 是一个文件夹；请给出文件名。").arg(m_output));
        if (!target.absoluteDir().exists())
            return fail(m_t("the folder %1 does not exist; create it or give another path.",
                            "文件夹 %1 不存在；请先创建或给出其他路径。")
                            .arg(target.absolutePath()));
    }
    // No gauge for a session already kept.
    if (isExport)
        return exportSession(rest.first());
    if (isCompare)
        return compare(rest, comparing, layerIndex);

    // The gauges: the platform's, the emulator's, or the caller's.
    m_demo = parser.isSet(demo) || parser.isSet(demoConfig);
    std::unique_ptr<EmulatorBackend> emulator;
    HidBackend *backend = m_override;
    if (!backend && m_demo) {
        const QString config = parser.value(demoConfig);
        if (!config.isEmpty() && !QFileInfo(config).isReadable())
            return usage(m_t("cannot read the demo set-up '%1'.", "无法读取演示配置 '%1'。").arg(config));
        emulator = EmulatorBackend::createDemo(config);
        backend = emulator.get();
    }
    if (!backend)
        backend = &HidBackend::platform();
    std::unique_ptr<TracingBackend> tracer;
    if (parser.isSet(trace)) {
        tracer = std::make_unique<TracingBackend>(*backend);
        QString error;
        if (!tracer->open(parser.value(trace), &error))
            return fail(m_t("cannot write the trace file %1 (%2). Give a path in a writable folder.",
                            "无法写入跟踪文件 %1（%2）。请给出可写文件夹中的路径。")
                            .arg(parser.value(trace), error));
        backend = tracer.get();
    }
    std::unique_ptr<SerialFilterBackend> filter;
    m_serial = parser.value(serial);
    if (parser.isSet(serial)) {
        filter = std::make_unique<SerialFilterBackend>(*backend, m_serial);
        backend = filter.get();
    }

    if (m_command == QLatin1String("list"))
        return list(*backend);

    // A real gauge is read by one program at a time: the window program holds this lock
    // while it runs, and the tool holds it while it talks to the gauge.
    std::unique_ptr<QLockFile> lock;
    if (!m_override && !m_demo) {
        bool held = false;
        lock = InstanceLock::take(InstanceLock::windowProgramName(), &held);
        if (held) {
            m_ui.message(m_t("the Palvarin window program (or another palvarin-cli) is running and holds the gauge. "
                             "Close it, or read the records in its window, then try again.",
                             "Palvarin 窗口程序（或另一个 palvarin-cli）正在运行并占用仪器。请关闭它，或在其窗口中读取记录，然后重试。"));
            return NoGauge;
        }
    }
    return withGauge(*backend);
}

int Runner::list(HidBackend &backend)
{
    const QList<HidDeviceInfo> gauges = backend.enumerate(GaugeSession::VendorId, GaugeSession::ProductId);
    if (gauges.isEmpty())
        return noGauge(backend);
    QByteArray out;
    for (const HidDeviceInfo &info : gauges)
        out += (info.path + QLatin1Char('\t') + SerialFilterBackend::serialOf(backend, info) + QLatin1Char('\n')).toUtf8();
    return writeOut(out) ? Done : Failed;
}

int Runner::noGauge(HidBackend &backend)
{
    if (!backend.enumerate(GaugeSession::VendorId, GaugeSession::ProductId).isEmpty()) {
        m_ui.message(m_t("a gauge is attached but could not be opened. A normal user needs the program's udev rule "
                         "(see the README); then plug the gauge in again.",
                         "已连接仪器但无法打开。普通用户需要安装本程序的udev规则（见README），然后重新插入仪器。"));
        return Failed;
    }
    if (!m_serial.isEmpty())
        m_ui.message(m_t("no gauge with the serial %1 is attached; 'palvarin-cli list' shows the gauges attached.",
                         "未连接序列号为 %1 的仪器；'palvarin-cli list' 列出已连接的仪器。")
                         .arg(m_serial));
    else
        m_ui.message(m_t("no gauge found. Connect the gauge with its USB cable and switch it on; on Linux a normal "
                         "user also needs the program's udev rule (see the README). To try the tool without a gauge: "
                         "palvarin-cli --demo read -o -",
                         "未找到仪器。请用USB线连接仪器并开机；在Linux上普通用户还需要安装本程序的udev规则（见README）。"
                         "不连接仪器试用本工具：palvarin-cli --demo read -o -"));
    return NoGauge;
}

QString Runner::sessionFailure() const
{
    return m_t("Check that the gauge is switched on and its cable plugged in, then try again; --trace FILE records "
               "what went over the cable for a bug report.",
               "请检查仪器已开机且USB线已连接，然后重试；--trace 文件 可记录通信内容以便报告问题。");
}

int Runner::withGauge(HidBackend &backend)
{
    RecordsModel model;
    NoWorkbook noWorkbook;
    const ConfigPlaces places = ConfigPlaces::current();
    GaugeSession session(backend, m_ui, noWorkbook, model, ConfigPlaces::loadTables(places.tableSearchPath()));
    QObject::connect(&session, &GaugeSession::failed, &session, [this](const QString &text) { m_failure = text; });
    QObject::connect(&session, &GaugeSession::identified, &session, [this](const QString &serialNo, const QString &firmware) {
        m_serialNo = serialNo;
        m_firmware = firmware;
    });

    if (!session.openLink())
        return noGauge(backend);
    session.identify();
    if (!m_failure.isEmpty())
        return fail(sessionFailure());
    if (!model.hasColumns())
        return fail(m_t("the unit table 'unitno' was not found or does not know this gauge's units; it is looked up "
                        "in: %1.",
                        "未找到单位表 'unitno'，或其中没有此仪器的单位；查找位置：%1。")
                        .arg(places.tableSearchPath().join(QStringLiteral(", "))));

    // The meter type is not among what the identification tells: asked once more where it
    // is shown (info, the facts sheet of an .xlsx workbook).
    if (m_command == QLatin1String("info") || m_format == Format::Xlsx) {
        KeyInfo key;
        if (session.commands().readKeyInfo(key) < 0)
            return fail(m_t("Failed to read key infomation!", "读取关键信息失败!") + QLatin1Char(' ') + sessionFailure());
        m_meterType = QString::number(key.meterType);
    }

    if (m_command == QLatin1String("info"))
        return info(model);
    if (m_command == QLatin1String("read"))
        return read(session, model);
    if (m_command == QLatin1String("report"))
        return report(session, model);
    return watch(session, model);
}

int Runner::info(RecordsModel &model)
{
    QByteArray out;
    out += "serial: " + m_serialNo.toUtf8() + '\n';
    out += "firmware: " + m_firmware.toUtf8() + '\n';
    out += "meter type: " + m_meterType.toUtf8() + '\n';
    out += "layout: " + QByteArray::number(model.layout())
        + (model.layout() == 1 ? " (single layer)" : " (multi layer)") + '\n';
    QStringList units;
    for (int c : model.exportedColumns())
        if (model.valueIndex(c) >= 0)
            units << CliOutput::jsonKey(model, c) + QLatin1Char('=') + model.unitName(c);
    out += "units: " + units.join(QLatin1Char(' ')).toUtf8() + '\n';
    return writeOut(out) ? Done : Failed;
}

int Runner::readAll(GaugeSession &session, RecordsModel &model)
{
    int readRows = -1;
    const QMetaObject::Connection counting =
        QObject::connect(&session, &GaugeSession::recordsRead, &session, [&readRows](int count) { readRows = count; });
    session.readRecords();
    QObject::disconnect(counting);
    // Measurements the gauge pushed during the read follow its rows: the tool writes the
    // stored records only ('watch' prints measurements).
    if (readRows >= 0 && model.rowCount() > readRows)
        model.removeRows(readRows, model.rowCount() - readRows);
    if (interrupted())
        return fail(m_t("interrupted: nothing was written.", "已中断：未写入任何内容。"));
    // The cable carried the count well enough: checking it would not help.
    if (session.countRefused())
        return fail(m_t("nothing was written.", "未写入任何内容。"));
    if (!m_failure.isEmpty())
        return fail(sessionFailure());
    const int rows = model.rowCount();
    if (rows == 0)
        return fail(m_t("the gauge holds no records: nothing was written.", "仪器中没有记录：未写入任何内容。"));
    m_ui.message(m_t("%1 records read.", "已读取%1条记录。").arg(rows));
    return Done;
}

int Runner::report(GaugeSession &session, RecordsModel &model)
{
    if (const int code = readAll(session, model))
        return code;
    const int rows = model.rowCount();
    ReportInput input;
    QString logoPath;
    rememberedReportFields(input, &logoPath);
    input.serial = m_serialNo;
    input.firmware = m_firmware;
    input.meterType = model.layout() == 1 ? m_t("single layer", "单层") : m_t("multi layer", "多层");
    input.date = QDateTime::currentDateTime();
    QStringList units;
    for (int c : model.exportedColumns())
        if (model.valueIndex(c) >= 0 && !model.unitName(c).isEmpty() && !units.contains(model.unitName(c)))
            units << model.unitName(c);
    input.units = units.join(QStringLiteral(", "));
    input.table = CliOutput::tableOf(model, 0, rows);

    // The gauge's limits as the window keeps them: in the survey file (read only), else in
    // limits.ini; then the statistics, bands and run chart the window's report has.
    QString storePath = qEnvironmentVariable("PALVARIN_STORE");
    if (storePath.isEmpty())
        storePath = SurveyStore::defaultPath();
    QByteArray stored;
    if (QFileInfo(storePath).isFile()) {
        SurveyStore store;
        if (store.openReadOnly(storePath))
            stored = store.loadLimits(m_serialNo);
    }
    const LayerLimits limits =
        !stored.isEmpty() ? decodeLayerLimits(stored)
                          : SettingsLimitsStore(QDir(ConfigPlaces::current().userConfigDir).filePath(QStringLiteral("limits.ini")))
                                .loadLayers(m_serialNo);
    ReadingsAnalysis analysis(model);
    for (int layer = 0; layer < LayerCount; ++layer)
        if (limits[size_t(layer)])
            analysis.setLimits(limits[size_t(layer)], layer);
    addReportAnalysis(input, analysis, model.exportedColumns());

    const std::unique_ptr<ProgressHandle> progress =
        m_ui.createProgress(nullptr, m_t("Writing %1", "正在写入 %1").arg(m_output), QString(), 0, rows);
    return writeReport(input, logoPath, progress.get());
}

int Runner::writeReport(const ReportInput &input, const QString &logoPath, ProgressHandle *progress)
{
    const int error = PdfReport::write(input, m_output, progress);
    if (progress)
        progress->hide();
    if (error == ECANCELED || interrupted())
        return fail(m_t("interrupted: nothing was written; an existing file is unchanged.",
                        "已中断：未写入任何内容；原有文件保持不变。"));
    if (error != 0) {
        const QString reason = ExportFlow::failureReason(error, m_output);
        return fail(m_t("writing the report %1 failed; an existing file is unchanged.", "生成报告 %1 失败；原有文件保持不变。")
                        .arg(m_output)
                    + (reason.isEmpty() ? QString() : QLatin1Char(' ') + reason));
    }
    if (!logoPath.isEmpty() && input.logo.isNull())
        m_ui.message(m_t("the logo image %1 could not be read and was left out.", "无法读取徽标图片 %1，报告中未包含徽标。")
                         .arg(logoPath));
    m_ui.message(m_t("%1 written.", "已写入 %1。").arg(m_output));
    return Done;
}

void Runner::rememberedReportFields(ReportInput &input, QString *logoPath) const
{
    // The fields the window's report dialog remembers, in the settings both programs share.
    QSettings settings;
    input.fields = loadReportFields(settings);
    *logoPath = loadReportLogo(settings);
    if (!logoPath->isEmpty())
        input.logo = QImage(*logoPath);
}

int Runner::read(GaugeSession &session, RecordsModel &model)
{
    if (const int code = readAll(session, model))
        return code;
    return writeRecords(model);
}

// The records of the model to -o, as read and export write them.
int Runner::writeRecords(const RecordsModel &model)
{
    const int rows = model.rowCount();
    if (m_output != QLatin1String("-"))
        return writeFile(model);
    QByteArray bytes;
    if (m_format == Format::Json)
        bytes = CliOutput::jsonLines(model, 0, rows);
    else
        CsvWriter::appendTo(bytes, CliOutput::tableOf(model, 0, rows));
    if (!writeOut(bytes))
        return fail(m_t("writing to standard output failed.", "写入标准输出失败。"));
    return Done;
}

int Runner::writeFile(const RecordsModel &model)
{
    const int rows = model.rowCount();
    auto table = [&] {
        WorkbookTable table = CliOutput::tableOf(model, 0, rows);
        table.facts.serial = m_serialNo;
        table.facts.firmware = m_firmware;
        table.facts.meterType = m_meterType;
        table.facts.date = m_sessionDate;
        return table;
    };
    return writeTable(table, [&] { return CliOutput::jsonLines(model, 0, rows); }, rows);
}

int Runner::writeTable(const std::function<WorkbookTable()> &tableOf, const std::function<QByteArray()> &json, int rows)
{
    const Format format = *m_format;
    auto progressFor = [&] {
        return m_ui.createProgress(nullptr, m_t("Writing %1", "正在写入 %1").arg(m_output), QString(), 0, rows);
    };
    auto produce = [&](const QString &temporary, int *errorNumber) -> bool {
        if (format == Format::Json) {
            QFile file(temporary);
            const QByteArray bytes = json();
            if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
                return true;
            *errorNumber = errno;
            return false;
        }
        const WorkbookTable table = tableOf();
        const std::unique_ptr<ProgressHandle> progress = progressFor();
        if (format == Format::Xlsx) {
            XlsxWriter writer;
            const bool ok = writer.write(table, temporary, progress.get());
            *errorNumber = writer.lastErrno();
            return ok && !progress->wasCanceled();
        }
        if (format == Format::Csv) {
            CsvWriter writer;
            const bool ok = writer.write(table, temporary, progress.get());
            *errorNumber = writer.lastErrno();
            return ok && !progress->wasCanceled();
        }
        ExcelEngine writer;
        const bool ok = writer.write(table, temporary, progress.get());
        *errorNumber = writer.lastErrno();
        return ok && !progress->wasCanceled();
    };
    QString reason;
    if (!CliOutput::writeAtomically(m_output, CliOutput::suffixOf(format), produce, m_t.chinese, &reason)) {
        if (interrupted())
            return fail(m_t("interrupted: nothing was written; an existing file is unchanged.",
                            "已中断：未写入任何内容；原有文件保持不变。"));
        if (format == Format::Xls)
            reason += m_t(" The .xls export needs LibreOffice Calc (libreoffice-calc-nogui); csv and json need nothing.",
                          " 导出.xls需要LibreOffice Calc（libreoffice-calc-nogui）；csv和json不需要。");
        return fail(reason);
    }
    m_ui.message(m_t("%1 written.", "已写入 %1。").arg(m_output));
    return Done;
}

int Runner::watch(GaugeSession &session, RecordsModel &model)
{
    const bool json = m_format == Format::Json;
    auto csvHeader = [&] {
        QByteArray header;
        CsvWriter::appendTo(header, CliOutput::tableOf(model, 0, 0));
        return header;
    };
    QByteArray header = csvHeader();
    if (!json && !writeOut(header))
        return fail(m_t("writing to standard output failed.", "写入标准输出失败。"));

    int exitCode = Done;
    QEventLoop loop;
    qint64 printed = 0;
    bool removalQueued = false;
    QObject::connect(&session, &GaugeSession::measurement, &loop, [&](int row) {
        QByteArray line;
        if (json) {
            line = CliOutput::jsonLines(model, row, 1, printed);
        } else {
            CsvWriter::appendTo(line, CliOutput::tableOf(model, row, 1));
            line.remove(0, header.size()); // the header went out once
        }
        ++printed;
        if (!writeOut(line)) {
            exitCode = Failed;
            loop.exit();
        }
        // Printed rows are dropped once the batch is told, so a long watch holds none.
        if (!removalQueued) {
            removalQueued = true;
            QTimer::singleShot(0, &loop, [&] {
                removalQueued = false;
                model.removeRows(0, model.rowCount());
            });
        }
    });
    QObject::connect(&session, &GaugeSession::settingsChanged, &loop, [&] {
        QStringList columns;
        for (int c : model.exportedColumns())
            columns << model.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_ui.message(m_t("the gauge's settings changed; the columns are now: %1", "仪器设置已变更；现在的列为：%1")
                         .arg(columns.join(QStringLiteral(", "))));
        // CSV lines after this one are in the new units: a new header row says so.
        const QByteArray newHeader = csvHeader();
        if (!json && newHeader != header) {
            header = newHeader;
            writeOut(header);
        }
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (interrupted()) {
            loop.exit();
        } else if (session.linkRemoved()) {
            m_ui.message(m_t("the gauge was disconnected. Plug it in again and start the watch once more.",
                             "仪器已断开。请重新连接仪器后再次开始监视。"));
            exitCode = Failed;
            loop.exit();
        }
    });
    tick.start(100);
    session.startWorker();
    m_ui.message(m_t("watching the gauge %1; each measurement is printed as it arrives. Ctrl+C ends.",
                     "正在监视仪器 %1；每次测量到达即打印。按 Ctrl+C 结束。")
                     .arg(m_serialNo));
    loop.exec();
    session.stopWorker();
    return exitCode;
}


Runner::Opened Runner::openStore(SurveyStore &store)
{
    if (!QFileInfo(m_storePath).isFile()) {
        if (QFileInfo::exists(m_storePath)) {
            fail(m_t("the survey file %1 is not a file.", "测量记录文件 %1 不是一个文件。").arg(m_storePath));
            return Opened::Failed;
        }
        return Opened::Missing;
    }
    // Read only: the inspector's file is never created, migrated or changed from here.
    if (store.openReadOnly(m_storePath))
        return Opened::Yes;
    QString why;
    switch (store.problem()) {
    case SurveyStore::Problem::NewerSchema:
        // Its readings may be kept where this version does not look: a partial answer would
        // read as a whole one.
        why = m_t("it was written by a newer version of the program; use that version to read it.",
                  "该文件来自更新版本的程序；请使用该版本读取。");
        break;
    case SurveyStore::Problem::NotAFile:
        why = m_t("it is not a plain file.", "它不是普通文件。");
        break;
    case SurveyStore::Problem::Corrupt:
        why = m_t("it is damaged or is no survey file.", "文件已损坏或不是测量记录文件。");
        break;
    case SurveyStore::Problem::Locked:
        why = m_t("another program holds it locked; try again in a moment.", "另一个程序锁定了该文件；请稍后重试。");
        break;
    default:
        why = m_t("it cannot be opened (check its permissions).", "无法打开该文件（请检查其权限）。");
        break;
    }
    fail(m_t("cannot read the survey file %1: %2 (%3)", "无法读取测量记录文件 %1：%2（%3）")
             .arg(m_storePath, why, store.errorText()));
    return Opened::Failed;
}

namespace {

QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace("\"", "\"\"") + '"';
    return field;
}

// Columns on a terminal: Chinese characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115f) || (u >= 0x2e80 && u <= 0xa4cf) || (u >= 0xac00 && u <= 0xd7a3)
            || (u >= 0xf900 && u <= 0xfaff) || (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60)
            || (u >= 0xffe0 && u <= 0xffe6);
        width += wide ? 2 : 1;
    }
    return width;
}

// Lines of cells as columns to read on a terminal: each padded to its widest entry, the
// columns marked in `right` (numbers) to the right, the last column not padded.
QByteArray alignedText(const QList<QStringList> &lines, const QVector<bool> &right)
{
    QList<int> widths;
    for (const QStringList &line : lines)
        for (int c = 0; c < line.size(); ++c) {
            if (c == widths.size())
                widths << 0;
            widths[c] = qMax(widths[c], displayWidth(line[c]));
        }
    QByteArray out;
    for (const QStringList &line : lines) {
        QString text;
        for (int c = 0; c < line.size(); ++c) {
            const QString padding(widths[c] - displayWidth(line[c]), QLatin1Char(' '));
            const QString cell = right.value(c) ? padding + line[c] : c + 1 < line.size() ? line[c] + padding : line[c];
            text += (c ? QStringLiteral("  ") : QString()) + cell;
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text.toUtf8() + '\n';
    }
    return out;
}

QByteArray jsonString(const QString &text)
{
    return QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

} // namespace

int Runner::history()
{
    SurveyStore store;
    switch (openStore(store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        m_ui.message(m_t("there is no survey file yet (%1): the window program keeps one once it receives readings.",
                         "尚无测量记录文件（%1）：窗口程序收到测量数据后会创建。")
                         .arg(m_storePath));
        return Done;
    case Opened::Yes:
        break;
    }
    const QVector<SurveySummary> sessions = store.history();
    auto layoutWord = [](int layout) {
        return layout == 1 ? QStringLiteral("single") : layout == 2 ? QStringLiteral("multi") : QString::number(layout);
    };
    QByteArray out;
    if (m_format == Format::Json) {
        // One object per line, as read writes records.
        for (const SurveySummary &s : sessions) {
            const QDateTime started = QDateTime::fromMSecsSinceEpoch(s.startedMs);
            out += "{\"id\":" + QByteArray::number(s.id) + ",\"started\":"
                + jsonString(started.toOffsetFromUtc(started.offsetFromUtc()).toString(Qt::ISODate))
                + ",\"serial\":" + jsonString(s.info.serial) + ",\"meterType\":" + QByteArray::number(s.info.meterType)
                + ",\"layout\":" + jsonString(layoutWord(s.info.layout)) + ",\"rows\":" + QByteArray::number(s.rows)
                + ",\"exported\":" + (s.exported ? "true" : "false")
                + ",\"exportedRows\":" + QByteArray::number(s.exportedRows) + "}\n";
        }
    } else if (m_format == Format::Csv) {
        if (!sessions.isEmpty())
            out += "id,started,serial,meter type,layout,rows,exported,exported rows\r\n";
        for (const SurveySummary &s : sessions) {
            const QDateTime started = QDateTime::fromMSecsSinceEpoch(s.startedMs);
            out += QByteArray::number(s.id) + ','
                + csvField(started.toOffsetFromUtc(started.offsetFromUtc()).toString(Qt::ISODate)) + ','
                + csvField(s.info.serial) + ',' + QByteArray::number(s.info.meterType) + ','
                + layoutWord(s.info.layout).toUtf8() + ',' + QByteArray::number(s.rows) + ','
                + (s.exported ? "yes" : "no") + ',' + QByteArray::number(s.exportedRows) + "\r\n";
        }
    } else if (!sessions.isEmpty()) {
        // A table to read: columns padded to their widest entry.
        QList<QStringList> lines{{m_t("ID", "编号"), m_t("STARTED", "开始时间"), m_t("SERIAL", "序列号"),
                                  m_t("METER TYPE", "仪器类型"), m_t("LAYOUT", "布局"), m_t("ROWS", "行数"),
                                  m_t("EXPORTED", "已导出")}};
        for (const SurveySummary &s : sessions)
            lines.append({QString::number(s.id),
                          QDateTime::fromMSecsSinceEpoch(s.startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          s.info.serial, QString::number(s.info.meterType),
                          s.info.layout == 1   ? m_t("single layer", "单层")
                              : s.info.layout == 2 ? m_t("multi layer", "多层")
                                                   : QString::number(s.info.layout),
                          QString::number(s.rows), exportedRowsText(s)});
        // The id and the rows to the right.
        out = alignedText(lines, {true, false, false, false, false, true});
    }
    if (!writeOut(out))
        return fail(m_t("writing to standard output failed.", "写入标准输出失败。"));
    return Done;
}

int Runner::exportSession(const QString &session)
{
    const QString runHistory = m_t("'palvarin-cli history' lists the sessions kept.", "'palvarin-cli history' 列出已保存的记录组。");
    SurveyStore store;
    switch (openStore(store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        return fail(m_t("there is no survey file yet (%1), so no session %2.", "尚无测量记录文件（%1），因此没有记录组 %2。")
                        .arg(m_storePath, session));
    case Opened::Yes:
        break;
    }
    bool number = false;
    const qint64 id = session.toLongLong(&number);
    bool known = false;
    for (const SurveySummary &s : store.history())
        known = known || (number && s.id == id);
    if (!known)
        return fail(m_t("there is no session %1 in %2. %3", "%2 中没有记录组 %1。%3").arg(session, m_storePath, runHistory));

    StoredTable stored;
    if (!store.loadSession(id, stored))
        return fail(m_t("reading session %1 from %2 failed: the file may be damaged.",
                        "从 %2 读取记录组 %1 失败：文件可能已损坏。")
                        .arg(session, m_storePath));
    if (stored.records.isEmpty())
        return fail(m_t("every row of session %1 was deleted: nothing was written.", "记录组 %1 的所有行均已删除：未写入任何内容。")
                        .arg(session));
    // The columns the rows were shown in, from the file: no unit table, no gauge.
    RecordsModel model;
    if (fillModelFromStored(model, stored) != stored.records.size())
        return fail(m_t("the columns of session %1 cannot be read from %2: nothing was written.",
                        "无法从 %2 读取记录组 %1 的列：未写入任何内容。")
                        .arg(session, m_storePath));
    m_serialNo = stored.info.serial;
    m_firmware = stored.info.firmware;
    m_meterType = stored.info.meterType >= 0 ? QString::number(stored.info.meterType) : QString();
    m_sessionDate = QDateTime::fromMSecsSinceEpoch(stored.startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return writeRecords(model);
}

int Runner::compare(const QStringList &sessions, const ComparisonSettings &settings, int layer)
{
    const QString runHistory = m_t("'palvarin-cli history' lists the sessions kept.", "'palvarin-cli history' 列出已保存的记录组。");
    SurveyStore store;
    switch (openStore(store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        return fail(m_t("there is no survey file yet (%1), so no sessions to compare.",
                        "尚无测量记录文件（%1），因此没有可比较的记录组。")
                        .arg(m_storePath));
    case Opened::Yes:
        break;
    }
    QList<qint64> ids;
    for (const QString &session : sessions) {
        bool number = false;
        const qint64 id = session.toLongLong(&number);
        if (!number || id <= 0)
            return fail(m_t("there is no session %1 in %2. %3", "%2 中没有记录组 %1。%3").arg(session, m_storePath, runHistory));
        if (ids.contains(id))
            return usage(m_t("session %1 is given twice.", "记录组 %1 重复给出。").arg(session));
        ids << id;
    }
    QString error;
    const QVector<ComparedSurvey> surveys = loadSurveys(store, ids, layer, &error);
    if (!error.isEmpty())
        return fail(error + QLatin1Char(' ') + runHistory);
    // Two gauges read the same wall differently: only on request.
    const QStringList gauges = surveyGauges(surveys);
    if (gauges.size() > 1 && !m_anyGauge)
        return fail(m_t("the sessions come from different gauges (%1); a difference between gauges would read as "
                        "wear. Give --any-gauge to compare them anyway.",
                        "这些记录组来自不同的仪器（%1）；仪器之间的差异会被当作减薄。如仍要比较，请加 --any-gauge。")
                        .arg(gauges.join(QStringLiteral(", "))));
    const SurveyComparison comparison = compareSurveys(surveys, settings);
    if (!comparison.error.isEmpty())
        return fail(findingText(comparison.error));

    const ComparedSurvey &newest = comparison.surveys.last();
    const int decimals = newest.decimals >= 0 ? newest.decimals : 2;
    QStringList notes;
    if (comparison.settings.minimum)
        notes << m_t("Minimum thickness %1 %2; longest interval %3 years.", "最小厚度 %1 %2；最长检测间隔 %3 年。")
                     .arg(QString::number(*comparison.settings.minimum, 'f', decimals), comparison.unit)
                     .arg(readableNumber(comparison.settings.intervalYears, 2));
    else
        notes << m_t("No minimum thickness given (--tmin): no remaining life and no next inspection date.",
                     "未给出最小厚度（--tmin）：无剩余寿命和下次检测日期。");
    for (const Finding &note : comparison.notes)
        notes << findingText(note);
    for (const QString &note : notes)
        m_ui.message(note);

    WorkbookTable table = comparisonTable(comparison);
    const int rows = int(table.rows.size());
    auto json = [&] {
        QByteArray out;
        const int surveyCount = int(comparison.surveys.size());
        auto number = [](const WorkbookCell &cell) -> QByteArray {
            return cell.kind == WorkbookCell::Kind::Number ? QByteArray::number(cell.number, 'f', cell.decimals)
                                                           : QByteArray("null");
        };
        auto flag = [](bool on) { return QByteArray(on ? "true" : "false"); };
        for (int r = 0; r < rows; ++r) {
            const LocationComparison &c = comparison.rows[r];
            const QVector<WorkbookCell> &cells = table.rows[r];
            QByteArray thickness;
            QByteArray dates;
            for (int i = 0; i < surveyCount; ++i) {
                thickness += (i ? "," : "") + number(cells[1 + i]);
                dates += (i ? "," : "")
                    + jsonString(comparisonDate(comparison.surveys[i].dateMs));
            }
            const int at = 1 + surveyCount; // wall loss, then the rates, the life, the date
            out += "{\"location\":" + jsonString(c.location) + ",\"unit\":" + jsonString(comparison.unit)
                + ",\"dates\":[" + dates + "],\"thickness\":[" + thickness + "],\"wallLoss\":" + number(cells[at])
                + ",\"longTermRate\":" + number(cells[at + 1]) + ",\"shortTermRate\":" + number(cells[at + 2])
                + ",\"governingRate\":" + number(cells[at + 3]) + ",\"remainingYears\":" + number(cells[at + 4])
                + ",\"unlimitedLife\":" + flag(std::isinf(c.remainingYears)) + ",\"nextInspection\":"
                + (c.nextInspectionMs ? jsonString(cells[at + 5].text) : QByteArray("null"))
                + ",\"missing\":" + flag(c.missing) + ",\"duplicate\":" + flag(c.duplicate)
                + ",\"thickened\":" + flag(c.thickened) + ",\"underMinimum\":" + flag(c.underMinimum)
                + ",\"dueWithinInterval\":" + flag(c.dueWithinInterval) + ",\"note\":" + jsonString(findingsText(c.note))
                + "}\n";
        }
        return out;
    };

    if (QFileInfo(m_output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        ReportInput input;
        QString logoPath;
        rememberedReportFields(input, &logoPath);
        input.serial = newest.serial;
        input.date = QDateTime::fromMSecsSinceEpoch(newest.dateMs);
        input.units = comparison.unit;
        QStringList named;
        for (const ComparedSurvey &s : comparison.surveys)
            named << QString::number(s.id);
        input.comparisonTitle =
            m_t("Comparison of sessions %1", "记录组 %1 的对比").arg(named.join(QStringLiteral(", ")));
        input.comparisonNotes = notes;
        input.comparison = table;
        return writeReport(input, logoPath, nullptr);
    }
    if (!m_output.isEmpty() && m_output != QLatin1String("-"))
        return writeTable([&] { return table; }, json, rows);

    QByteArray bytes;
    if (m_format == Format::Json) {
        bytes = json();
    } else if (m_format == Format::Csv) {
        CsvWriter::appendTo(bytes, table);
    } else {
        // A table to read: columns padded to their widest entry, numbers to the right.
        QList<QStringList> lines{{}};
        for (const QString &header : table.headers)
            lines.first() << QString(header).replace(QLatin1Char('\n'), QLatin1Char(' '));
        // Columns of numbers to the right (the location's column too holds names).
        QVector<bool> numeric(table.headers.size(), false);
        for (const QVector<WorkbookCell> &row : table.rows) {
            QStringList line;
            for (int c = 0; c < row.size(); ++c) {
                const WorkbookCell &cell = row[c];
                const bool isNumber = cell.kind == WorkbookCell::Kind::Number;
                line << (isNumber ? QString::number(cell.number, 'f', cell.decimals) : cell.text);
                if (isNumber && c > 0 && c < numeric.size())
                    numeric[c] = true;
            }
            lines << line;
        }
        bytes = alignedText(lines, numeric);
    }
    if (!writeOut(bytes))
        return fail(m_t("writing to standard output failed.", "写入标准输出失败。"));
    return Done;
}

} // namespace

QString commandOf(const QStringList &arguments)
{
    QCommandLineParser parser;
    for (const char *name : {"demo-config", "serial", "trace", "o", "output", "format", "store", "tmin", "interval", "layer"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char *name : {"demo", "h", "help", "help-all", "v", "version"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    if (!parser.parse(arguments) || parser.positionalArguments().isEmpty())
        return QString();
    return parser.positionalArguments().first();
}

int run(const QStringList &arguments, const Streams &streams, HidBackend *backend)
{
    Runner runner(streams, backend);
    return runner.run(arguments);
}

} // namespace Cli
