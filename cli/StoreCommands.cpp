// The commands that read the survey store, never a gauge: history, export, compare.
#include "analysis/AnalysisWords.h"
#include "cli/CliOutput.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/Writing.h"
#include "export/CsvWriter.h"
#include "export/PdfReport.h"
#include "records/RecordsModel.h"
#include "session/ComparisonTable.h"
#include "session/ReportFacts.h"
#include "session/StoredRows.h"
#include "session/StoreWords.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QFileInfo>

#include <cmath>

namespace Cli {

Opened openStore(Invocation &run, SurveyStore &store)
{
    const QString &path = run.storePath;
    if (!QFileInfo(path).isFile()) {
        if (QFileInfo::exists(path)) {
            run.fail(CliWords::tr("the survey file %1 is not a file.").arg(path));
            return Opened::Failed;
        }
        return Opened::Missing;
    }
    if (store.openReadOnly(path))
        return Opened::Yes;
    run.fail(CliWords::tr("cannot read the survey file %1: %2 (%3)").arg(path, storeProblemText(store), store.errorText()));
    return Opened::Failed;
}

QString storeProblemText(const SurveyStore &store)
{
    QString why;
    switch (store.problem()) {
    case SurveyStore::Problem::NewerSchema:
        // Its readings may be kept where this version does not look: a partial answer would
        // read as a whole one.
        why = CliWords::tr("it was written by a newer version of the program; use that version to read it.");
        break;
    case SurveyStore::Problem::NotAFile:
        why = CliWords::tr("it is not a plain file.");
        break;
    case SurveyStore::Problem::Corrupt:
        why = CliWords::tr("it is damaged or is no survey file.");
        break;
    case SurveyStore::Problem::Locked:
        why = CliWords::tr("another program holds it locked; try again in a moment.");
        break;
    default:
        why = CliWords::tr("it cannot be opened (check its permissions).");
        break;
    }
    return why;
}

namespace {

QString runHistory()
{
    return CliWords::tr("'palvarin-cli history' lists the sessions kept.");
}

QString startedText(qint64 ms)
{
    const QDateTime started = QDateTime::fromMSecsSinceEpoch(ms);
    return started.toOffsetFromUtc(started.offsetFromUtc()).toString(Qt::ISODate);
}

QString layoutWord(int layout)
{
    return layout == 1 ? QStringLiteral("single") : layout == 2 ? QStringLiteral("multi") : QString::number(layout);
}

} // namespace

int history(Invocation &run)
{
    SurveyStore store;
    switch (openStore(run, store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        run.ui.message(CliWords::tr("there is no survey file yet (%1): the window program keeps one once it receives "
                                 "readings.")
                           .arg(run.storePath));
        return Done;
    case Opened::Yes:
        break;
    }
    const QVector<SurveySummary> sessions = store.history();
    QByteArray out;
    if (run.format && run.format->isJson()) {
        // One object per line, as read writes records.
        for (const SurveySummary &s : sessions)
            out += CliOutput::JsonLine()
                       .number("id", s.id)
                       .text("started", startedText(s.startedMs))
                       .text("serial", s.info.serial)
                       .number("meterType", s.info.meterType)
                       .text("layout", layoutWord(s.info.layout))
                       .number("rows", s.rows)
                       .flag("exported", s.exported)
                       .number("exportedRows", s.exportedRows)
                       .line();
    } else if (run.format && !sessions.isEmpty()) {
        WorkbookTable table;
        table.headers = QStringList{QStringLiteral("id"), QStringLiteral("started"), QStringLiteral("serial"),
                                    QStringLiteral("meter type"), QStringLiteral("layout"), QStringLiteral("rows"),
                                    QStringLiteral("exported"), QStringLiteral("exported rows")};
        table.outOfRangeColumn = false;
        for (const SurveySummary &s : sessions)
            table.rows.append({WorkbookCell::ofNumber(double(s.id), 0), WorkbookCell::ofText(startedText(s.startedMs)),
                               WorkbookCell::ofText(s.info.serial), WorkbookCell::ofNumber(double(s.info.meterType), 0),
                               WorkbookCell::ofText(layoutWord(s.info.layout)), WorkbookCell::ofNumber(double(s.rows), 0),
                               WorkbookCell::ofText(QLatin1String(s.exported ? "yes" : "no")),
                               WorkbookCell::ofNumber(double(s.exportedRows), 0)});
        CsvWriter::appendTo(out, table);
    } else if (!sessions.isEmpty()) {
        // A table to read: columns padded to their widest entry.
        QList<QStringList> lines{{CliWords::tr("ID"), CliWords::tr("STARTED"), CliWords::tr("SERIAL"), CliWords::tr("METER TYPE"),
                                  CliWords::tr("LAYOUT"), CliWords::tr("ROWS"), CliWords::tr("EXPORTED")}};
        for (const SurveySummary &s : sessions) {
            const QString layout = meterTypeWords(s.info.layout);
            lines.append({QString::number(s.id),
                          QDateTime::fromMSecsSinceEpoch(s.startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          s.info.serial, QString::number(s.info.meterType),
                          layout.isEmpty() ? QString::number(s.info.layout) : layout, QString::number(s.rows),
                          exportedRowsText(s)});
        }
        // The id and the rows to the right.
        out = CliOutput::alignedText(lines, {true, false, false, false, false, true});
    }
    return run.print(out);
}

int exportSession(Invocation &run)
{
    const QString session = run.arguments.first();
    SurveyStore store;
    switch (openStore(run, store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        return run.fail(CliWords::tr("there is no survey file yet (%1), so no session %2.").arg(run.storePath, session));
    case Opened::Yes:
        break;
    }
    bool number = false;
    const qint64 id = session.toLongLong(&number);
    bool known = false;
    for (const SurveySummary &s : store.history())
        known = known || (number && s.id == id);
    if (!known)
        return run.fail(CliWords::tr("there is no session %1 in %2. %3").arg(session, run.storePath, runHistory()));

    StoredTable stored;
    if (!store.loadSession(id, stored))
        return run.fail(CliWords::tr("reading session %1 from %2 failed: the file may be damaged.")
                            .arg(session, run.storePath));
    if (stored.records.isEmpty())
        return run.fail(CliWords::tr("every row of session %1 was deleted: nothing was written.").arg(session));
    // The columns the rows were shown in, from the file: no unit table, no gauge.
    RecordsModel model;
    if (fillModelFromStored(model, stored) != stored.records.size())
        return run.fail(CliWords::tr("the columns of session %1 cannot be read from %2: nothing was written.")
                            .arg(session, run.storePath));
    const QString date = QDateTime::fromMSecsSinceEpoch(stored.startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return writeRecords(run, model, gaugeFacts(stored.info.serial, stored.info.firmware, stored.info.layout, date));
}

namespace {

// The compared locations as JSON lines, from the table the other formats get.
QByteArray comparisonJson(const SurveyComparison &comparison, const WorkbookTable &table)
{
    QByteArray out;
    const int surveyCount = int(comparison.surveys.size());
    auto number = [](const WorkbookCell &cell) -> QByteArray {
        return cell.kind == WorkbookCell::Kind::Number ? QByteArray::number(cell.number, 'f', cell.decimals)
                                                       : QByteArray("null");
    };
    for (int r = 0; r < int(table.rows.size()); ++r) {
        const LocationComparison &c = comparison.rows[r];
        const QVector<WorkbookCell> &cells = table.rows[r];
        QByteArrayList thickness;
        QByteArrayList dates;
        for (int i = 0; i < surveyCount; ++i) {
            thickness << number(cells[1 + i]);
            dates << CliOutput::JsonLine::string(comparisonDate(comparison.surveys[i].dateMs));
        }
        const int at = 1 + surveyCount; // wall loss, then the rates, the life, the date
        CliOutput::JsonLine line;
        line.text("location", c.location)
            .text("unit", comparison.unit)
            .raw("dates", CliOutput::JsonLine::array(dates))
            .raw("thickness", CliOutput::JsonLine::array(thickness))
            .digits("wallLoss", number(cells[at]))
            .digits("longTermRate", number(cells[at + 1]))
            .digits("shortTermRate", number(cells[at + 2]))
            .digits("governingRate", number(cells[at + 3]))
            .digits("remainingYears", number(cells[at + 4]))
            .flag("unlimitedLife", std::isinf(c.remainingYears));
        if (c.nextInspectionMs)
            line.text("nextInspection", cells[at + 5].text);
        else
            line.null("nextInspection");
        out += line.flag("missing", c.missing)
                   .flag("duplicate", c.duplicate)
                   .flag("thickened", c.thickened)
                   .flag("underMinimum", c.underMinimum)
                   .flag("dueWithinInterval", c.dueWithinInterval)
                   .text("note", findingsText(c.note))
                   .line();
    }
    return out;
}

// The comparison as a table to read: columns padded to their widest entry, numbers to the right.
QByteArray comparisonText(const WorkbookTable &table)
{
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
    return CliOutput::alignedText(lines, numeric);
}

} // namespace

int compare(Invocation &run)
{
    SurveyStore store;
    switch (openStore(run, store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        return run.fail(CliWords::tr("there is no survey file yet (%1), so no sessions to compare.").arg(run.storePath));
    case Opened::Yes:
        break;
    }
    QList<qint64> ids;
    for (const QString &session : std::as_const(run.arguments)) {
        bool number = false;
        const qint64 id = session.toLongLong(&number);
        if (!number || id <= 0)
            return run.fail(CliWords::tr("there is no session %1 in %2. %3").arg(session, run.storePath, runHistory()));
        if (ids.contains(id))
            return run.usage(CliWords::tr("session %1 is given twice.").arg(session));
        ids << id;
    }
    QString error;
    const QVector<ComparedSurvey> surveys = loadSurveys(store, ids, run.layer, &error);
    if (!error.isEmpty())
        return run.fail(error + QLatin1Char(' ') + runHistory());
    // Two gauges read the same wall differently: only on request.
    const QStringList gauges = surveyGauges(surveys);
    if (gauges.size() > 1 && !run.anyGauge)
        return run.fail(CliWords::tr("the sessions come from different gauges (%1); a difference between gauges would "
                                  "read as wear. Give --any-gauge to compare them anyway.")
                            .arg(gauges.join(QStringLiteral(", "))));
    const SurveyComparison comparison = compareSurveys(surveys, run.comparing);
    if (!comparison.error.isEmpty())
        return run.fail(findingText(comparison.error));

    const ComparedSurvey &newest = comparison.surveys.last();
    const int decimals = newest.decimals >= 0 ? newest.decimals : 2;
    QStringList notes;
    if (comparison.settings.minimum)
        notes << CliWords::tr("Minimum thickness %1 %2; longest interval %3 years.")
                     .arg(QString::number(*comparison.settings.minimum, 'f', decimals), comparison.unit)
                     .arg(readableNumber(comparison.settings.intervalYears, 2));
    else
        notes << CliWords::tr("No minimum thickness given (--tmin): no remaining life and no next inspection date.");
    for (const Finding &note : comparison.notes)
        notes << findingText(note);
    for (const QString &note : std::as_const(notes))
        run.ui.message(note);

    bool multiLayer = false;
    for (const SurveySummary &s : store.history())
        multiLayer = multiLayer || (ids.contains(s.id) && s.info.layout == 2);
    const WorkbookTable table = comparisonTable(comparison, multiLayer);
    const int rows = int(table.rows.size());
    auto json = [&] { return comparisonJson(comparison, table); };

    if (QFileInfo(run.output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        ReportInput input;
        QString logoPath;
        rememberedReportFields(input, &logoPath);
        input.serial = table.facts.serial;
        input.meterType = table.facts.meterType;
        input.date = QDateTime::fromMSecsSinceEpoch(newest.dateMs);
        input.units = comparison.unit;
        QStringList named;
        for (const ComparedSurvey &s : comparison.surveys)
            named << QString::number(s.id);
        input.comparisonTitle = CliWords::tr("Comparison of sessions %1").arg(named.join(QStringLiteral(", ")));
        input.comparisonNotes = notes;
        input.comparison = table;
        return writeReport(run, input, logoPath, nullptr);
    }
    if (!run.output.isEmpty() && !run.toStandardOutput())
        return writeTable(run, [&] { return table; }, json, rows);

    QByteArray bytes;
    if (run.format && run.format->isJson())
        bytes = json();
    else if (run.format)
        CsvWriter::appendTo(bytes, table);
    else
        bytes = comparisonText(table);
    return run.print(bytes);
}

} // namespace Cli
