// The CMLs judged over time: which are due (due), one CML in full (cml show), and its design
// inputs set (cml design). Every figure comes from the JudgementBook, as the window's.
#include "analysis/AnalysisWords.h"
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/DesignOptions.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "session/JudgementBook.h"
#include "store/SurveyStore.h"

#include <cmath>

namespace Cli {

namespace {

QString stateKey(const CmlFigures &f)
{
    if (f.underMinimum)
        return QStringLiteral("under-minimum");
    if (std::isnan(f.remainingYears))
        return QStringLiteral("unknown");
    if (f.lessLifeThanInterval)
        return QStringLiteral("within-interval");
    return QStringLiteral("ok");
}

double actualThickness(const CmlJudgement &item)
{
    const int a = item.figures.actual;
    return a >= 0 && a < item.series.readings.size() ? item.series.readings[a].thickness : NotGiven;
}

ListValue yearsValue(double years)
{
    if (std::isinf(years))
        return ListValue::ofText(QStringLiteral("inf"));
    return ListValue::ofNumber(shown(years));
}

int bookFailed(Invocation &run, const Places &places, const SurveyStore &store)
{
    if (places.problem() != Places::Problem::None)
        return placesFailed(run, places, store);
    return run.fail(CliWords::tr("cannot read the survey file %1: %2 (%3)").arg(run.storePath, storeProblemText(store), store.errorText()));
}

int due(Invocation &run, Places &places, const SurveyStore &store)
{
    qint64 asset = 0;
    if (!assetOption(run, places, &asset))
        return Failed;
    JudgementBook book(places);
    if (!book.load(asset))
        return bookFailed(run, places, store);
    JudgementFilter filter;
    filter.dueBeforeMs = run.judging.beforeMs;
    const QVector<ListColumn> columns{{"asset_path", QT_TRANSLATE_NOOP("CliWords", "ASSET"), false},
                                      {"tag", QT_TRANSLATE_NOOP("CliWords", "TAG"), false},
                                      {"unit", QT_TRANSLATE_NOOP("CliWords", "UNIT"), false},
                                      {"actual", QT_TRANSLATE_NOOP("CliWords", "ACTUAL"), true},
                                      {"required", QT_TRANSLATE_NOOP("CliWords", "REQUIRED"), true},
                                      {"rate", QT_TRANSLATE_NOOP("CliWords", "RATE/YEAR"), true},
                                      {"governs", QT_TRANSLATE_NOOP("CliWords", "GOVERNS"), false},
                                      {"remaining_years", QT_TRANSLATE_NOOP("CliWords", "LIFE (YEARS)"), true},
                                      {"next_date", QT_TRANSLATE_NOOP("CliWords", "NEXT"), false},
                                      {"state", QT_TRANSLATE_NOOP("CliWords", "STATE"), false},
                                      {"marks", QT_TRANSLATE_NOOP("CliWords", "MARKS"), true}};
    QVector<QVector<ListValue>> rows;
    for (int i : book.filtered(filter)) {
        const CmlJudgement &item = book.items().at(i);
        const CmlFigures &f = item.figures;
        // The table to read rounds as a thickness is shown (a rate one decimal finer, life to a
        // tenth of a year) and gives the next date as a day; CSV and JSON keep every digit.
        const int decimals = item.unit == QLatin1String("inch") ? 3 : 2;
        ListValue life = yearsValue(f.remainingYears);
        life.decimals = 1;
        const ListValue next = f.nextMs ? ListValue::ofShownText(utcText(f.nextMs), utcText(f.nextMs).left(10)) : ListValue{};
        rows.append({ListValue::ofText(item.assetPath), ListValue::ofText(item.cml.tag), ListValue::ofText(item.unit),
                     ListValue::ofFigure(shown(actualThickness(item)), decimals),
                     ListValue::ofFigure(shown(item.requirement.required), decimals),
                     ListValue::ofFigure(shown(f.governing), decimals + 1), ListValue::ofText(governsKey(f.governs)),
                     life, next,
                     ListValue::ofText(stateKey(f)), ListValue::ofCount(f.markedReadings())});
    }
    return printList(run, columns, rows);
}

QString rateText(double rate, const QString &unit)
{
    return std::isnan(rate) ? QStringLiteral("-") : CliWords::tr("%1 %2/year").arg(QString::number(rate, 'g', 4), unit);
}

int cmlShow(Invocation &run, Places &places, const SurveyStore &store)
{
    const qint64 id = cmlNamed(run, places, run.arguments.at(0));
    if (!id)
        return Failed;
    const Cml cml = places.cml(id);
    JudgementBook book(places);
    if (!book.load(cml.asset))
        return bookFailed(run, places, store);
    const int at = book.indexOf(id);
    if (at < 0)
        return run.fail(CliWords::tr("the CML %1 could not be read from %2.").arg(cml.tag, run.storePath));
    const CmlJudgement &item = book.items().at(at);
    const CmlFigures &f = item.figures;
    // Who decided each reading's mark last, and when.
    QHash<qint64, MarkDecisionEntry> decided;
    for (const MarkDecisionEntry &e : places.decisions(id))
        decided.insert(e.key, e);
    const QString unit = item.unit.isEmpty() ? item.requirement.unit : item.unit;

    if (run.format && run.format->isJson()) {
        CliOutput::JsonLine line;
        line.text("asset_path", item.assetPath).text("tag", item.cml.tag).text("description", item.cml.description);
        addRequirementJson(line, item.design, item.requirement);
        QByteArrayList readings;
        for (int i = 0; i < item.series.readings.size(); ++i) {
            const SeriesReading &r = item.series.readings.at(i);
            CliOutput::JsonLine reading;
            reading.text("date", utcText(r.dateMs));
            addNumber(reading, "thickness", r.thickness);
            reading.text("mark", markKey(f.marks.value(i))).text("decision", decisionKey(r.decision));
            const auto d = decided.constFind(r.key);
            reading.text("decided_by", d != decided.cend() ? d->who : QString());
            if (d != decided.cend())
                reading.text("decided_at", utcText(d->atMs));
            else
                reading.null("decided_at");
            reading.flag("counted", f.counted.value(i));
            readings << reading.object();
        }
        line.raw("readings", CliOutput::JsonLine::array(readings));
        addNumber(line, "long_term", f.longTerm);
        addNumber(line, "short_term", f.shortTerm);
        addNumber(line, "regression", f.regression);
        addNumber(line, "regression_low", f.regressionLow);
        addNumber(line, "regression_high", f.regressionHigh);
        addNumber(line, "governing", f.governing);
        line.text("governs", governsKey(f.governs));
        addNumber(line, "remaining_years", f.remainingYears);
        if (f.nextMs)
            line.text("next_date", utcText(f.nextMs));
        else
            line.null("next_date");
        line.flag("due_now", f.dueNow).flag("under_minimum", f.underMinimum).text("state", stateKey(f));
        line.number("marks", f.markedReadings());
        line.text("findings", findingsText(f.notes));
        return run.print(line.line());
    }

    QStringList out;
    out << CliWords::tr("CML %1/%2%3").arg(item.assetPath, item.cml.tag,
                                            item.cml.description.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(item.cml.description));
    out << requirementLines(item.design, item.requirement);
    out << QString();
    if (item.series.readings.isEmpty()) {
        out << CliWords::tr("no readings.");
    } else {
        QList<QStringList> table{{CliWords::tr("DATE"), CliWords::tr("THICKNESS"), CliWords::tr("MARK"), CliWords::tr("DECISION"),
                                  CliWords::tr("BY"), CliWords::tr("COUNTED")}};
        for (int i = 0; i < item.series.readings.size(); ++i) {
            const SeriesReading &r = item.series.readings.at(i);
            const auto d = decided.constFind(r.key);
            table << QStringList{utcText(r.dateMs), thicknessText(r.thickness, unit), markWords(f.marks.value(i)),
                                 r.decision == MarkDecision::None ? QString() : decisionWords(r.decision),
                                 d != decided.cend() && r.decision != MarkDecision::None
                                     ? QStringLiteral("%1 %2").arg(d->who, utcText(d->atMs))
                                     : QString(),
                                 f.counted.value(i) ? CliWords::tr("yes") : CliWords::tr("no")};
        }
        out << QString::fromUtf8(CliOutput::alignedText(table, {false, true, false, false, false, false})).chopped(1);
    }
    out << QString();
    out << CliWords::tr("long-term rate: %1").arg(rateText(f.longTerm, unit));
    out << CliWords::tr("short-term rate: %1").arg(rateText(f.shortTerm, unit));
    out << (std::isnan(f.regression) ? CliWords::tr("regression rate: -")
                                     : CliWords::tr("regression rate: %1 (95 %: %2 to %3)")
                                           .arg(rateText(f.regression, unit), QString::number(f.regressionLow, 'g', 4),
                                                QString::number(f.regressionHigh, 'g', 4)));
    out << CliWords::tr("governing rate: %1 (%2)").arg(rateText(f.governing, unit), governsWords(f.governs));
    out << CliWords::tr("remaining life: %1").arg(std::isinf(f.remainingYears) ? CliWords::tr("not thinning")
                                                  : std::isnan(f.remainingYears)
                                                      ? QStringLiteral("-")
                                                      : CliWords::tr("%1 years").arg(QString::number(f.remainingYears, 'f', 1)));
    out << CliWords::tr("next inspection: %1%2").arg(f.nextMs ? utcText(f.nextMs) : QStringLiteral("-"),
                                                     f.dueNow ? CliWords::tr(" (due now)") : QString());
    if (!f.notes.isEmpty())
        out << CliWords::tr("findings: %1").arg(findingsText(f.notes));
    return run.print(out.join(QLatin1Char('\n')).toUtf8() + '\n');
}

int cmlDesign(Invocation &run, Places &places, const SurveyStore &store)
{
    const qint64 id = cmlNamed(run, places, run.arguments.at(0));
    if (!id)
        return Failed;
    const std::optional<DesignFormula> formula = formulaNamed(run.judging.formula);
    if (!formula)
        return run.usage(CliWords::tr("--formula takes b31.3, ug27, api653 or none; '%1' is none.").arg(run.judging.formula));
    DesignInputs inputs;
    QString error;
    if (!designFromOptions(run.judging.inputs, *formula, &inputs, &error))
        return run.usage(error);
    Cml cml = places.cml(id);
    // In the unit of the CML's readings, as its figures are judged.
    const QVector<ThicknessRow> rows = places.thicknessRowsOf(id);
    QString unit = rows.isEmpty() ? QStringLiteral("mm") : rows.last().unit;
    if (unit != QLatin1String("inch"))
        unit = QStringLiteral("mm");
    const double minimum = std::isnan(run.places.minimum) ? cml.minimum : run.places.minimum;
    const ThicknessRequirement requirement = requiredThickness(inputs, minimum, unit);
    if (!requirement.refusal.isEmpty()) {
        run.ui.message(CliWords::tr("%1 refuses these inputs: %2 Nothing was stored.")
                           .arg(formulaStandard(*formula), findingText(requirement.refusal)));
        return Usage;
    }
    if (!places.setDesign(id, inputs))
        return placesFailed(run, places, store);
    if (!std::isnan(run.places.minimum)) {
        cml.minimum = run.places.minimum;
        if (!places.updateCml(cml))
            return placesFailed(run, places, store);
    }
    QStringList out{CliWords::tr("CML %1/%2:").arg(places.assetPath(cml.asset), cml.tag)};
    out << requirementLines(inputs, requirement);
    return run.print(out.join(QLatin1Char('\n')).toUtf8() + '\n');
}

} // namespace

bool isJudgementCommand(const Command &command)
{
    return qstrcmp(command.name, "due") == 0 || qstrcmp(command.name, "cml show") == 0
        || qstrcmp(command.name, "cml design") == 0;
}

int runJudgementCommand(Invocation &run)
{
    const QString name = QString::fromLatin1(run.command->name);
    SurveyStore store;
    if (name == QLatin1String("cml design")) {
        if (!openToChange(run, store, false))
            return Failed;
    } else {
        const QString namedMissing = name == QLatin1String("cml show")
            ? CliWords::tr("there is no survey file yet (%1), so no CML %2.").arg(run.storePath, run.arguments.value(0))
            : QString();
        switch (openToRead(run, store, namedMissing)) {
        case Opened::Failed:
            return Failed;
        case Opened::Missing:
            return Done;
        case Opened::Yes:
            break;
        }
    }
    Places places(store);
    if (name == QLatin1String("due"))
        return due(run, places, store);
    if (name == QLatin1String("cml show"))
        return cmlShow(run, places, store);
    return cmlDesign(run, places, store);
}

} // namespace Cli
