// Routes, the assignment of a survey's readings to CMLs, and the surveys.
#include "cli/CliOutput.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"

#include <QHash>

namespace Cli {

namespace {

// Each CML's "path/tag" by its id.
QHash<qint64, QString> cmlNames(Places &places)
{
    const QHash<qint64, QString> paths = assetPaths(places.assets());
    QHash<qint64, QString> names;
    for (const Cml &c : places.cmls(0))
        names.insert(c.id, paths.value(c.asset) + QLatin1Char('/') + c.tag);
    return names;
}

qint64 routeNamed(Invocation &run, Places &places, const QString &name)
{
    const qint64 id = places.routeByName(name);
    if (!id)
        run.fail(CliWords::tr("there is no route '%1' in %2; 'palvarin-cli route list' lists them.").arg(name, run.storePath));
    return id;
}

QByteArray line(const QString &text)
{
    return text.toUtf8() + '\n';
}

} // namespace

int routeList(Invocation &run, Places &places)
{
    const QVector<ListColumn> columns{{"name", QT_TRANSLATE_NOOP("CliWords", "NAME"), false},
                                      {"cmls", QT_TRANSLATE_NOOP("CliWords", "CMLS"), true},
                                      {"notes", QT_TRANSLATE_NOOP("CliWords", "NOTES"), false}};
    QVector<QVector<ListValue>> rows;
    for (const Route &r : places.routes())
        rows.append({ListValue::ofText(r.name), ListValue::ofCount(r.cmls.size()), ListValue::ofText(r.notes)});
    return printList(run, columns, rows);
}

int routeAdd(Invocation &run, Places &places, const SurveyStore &store)
{
    const QString name = run.arguments.at(0).trimmed();
    qint64 asset = 0;
    if (!assetOption(run, places, &asset))
        return Failed;
    const QVector<Cml> all = places.cmls(0);
    const QHash<qint64, QString> paths = assetPaths(places.assets());
    QVector<qint64> cmls;
    for (const QString &given : run.arguments.mid(1)) {
        const QString tag = given.trimmed();
        if (asset) {
            const qint64 id = places.cmlByTag(asset, tag);
            if (!id)
                return run.fail(CliWords::tr("there is no CML %1 under %2.").arg(tag, run.places.asset));
            cmls << id;
            continue;
        }
        // Without an asset a tag must name one CML of the whole file.
        QStringList where;
        qint64 id = 0;
        for (const Cml &c : all)
            if (c.tag.compare(tag, Qt::CaseInsensitive) == 0) {
                where << paths.value(c.asset);
                id = c.id;
            }
        if (where.isEmpty())
            return run.fail(CliWords::tr("there is no CML %1 in %2; 'palvarin-cli cml list' lists them.").arg(tag, run.storePath));
        if (where.size() > 1)
            return run.fail(CliWords::tr("there are CMLs %1 under %2; give --asset PATH to say which.")
                                .arg(tag, where.join(QStringLiteral(", "))));
        cmls << id;
    }
    if (!places.addRoute(name, cmls))
        return placesFailed(run, places, store);
    return run.print(line(CliWords::tr("route %1 added: %n CML(s).", nullptr, int(cmls.size())).arg(name)));
}

int routeShow(Invocation &run, Places &places)
{
    const qint64 id = routeNamed(run, places, run.arguments.at(0));
    if (!id)
        return Failed;
    const Route route = places.route(id);
    const QHash<qint64, QString> paths = assetPaths(places.assets());
    QHash<qint64, Cml> byId;
    for (const Cml &c : places.cmls(0))
        byId.insert(c.id, c);
    const QVector<ListColumn> columns{{"stop", QT_TRANSLATE_NOOP("CliWords", "STOP"), true},
                                      {"asset_path", QT_TRANSLATE_NOOP("CliWords", "ASSET"), false},
                                      {"tag", QT_TRANSLATE_NOOP("CliWords", "TAG"), false},
                                      {"description", QT_TRANSLATE_NOOP("CliWords", "DESCRIPTION"), false}};
    QVector<QVector<ListValue>> rows;
    for (int i = 0; i < route.cmls.size(); ++i) {
        const Cml c = byId.value(route.cmls[i]);
        rows.append({ListValue::ofCount(i + 1), ListValue::ofText(paths.value(c.asset)), ListValue::ofText(c.tag),
                     ListValue::ofText(c.description)});
    }
    return printList(run, columns, rows);
}

int assign(Invocation &run, Places &places, const SurveyStore &store)
{
    const QString given = run.arguments.at(0);
    bool number = false;
    const qint64 survey = given.toLongLong(&number);
    bool known = false;
    for (const SurveyFacts &s : places.surveys())
        known = known || (number && s.id == survey);
    if (!known)
        return run.fail(CliWords::tr("there is no survey %1 with readings in %2; 'palvarin-cli survey list' lists them.")
                            .arg(given, run.storePath));
    const bool json = run.format && run.format->isJson();

    if (run.places.undo) {
        const qint64 undone = places.undoAssignment(survey);
        if (!undone) {
            if (places.problem() != Places::Problem::None)
                return placesFailed(run, places, store);
            return run.fail(CliWords::tr("survey %1 has no assignment to take back.").arg(survey));
        }
        if (json)
            return run.print(CliOutput::JsonLine().number("survey", survey).number("undone", undone).line());
        return run.print(line(CliWords::tr("assignment %1 of survey %2 taken back.").arg(undone).arg(survey)));
    }

    Assignment done;
    if (run.places.byName) {
        done = places.assignByName(survey);
    } else {
        const qint64 route = routeNamed(run, places, run.places.route);
        if (!route)
            return Failed;
        done = places.assignByRoute(survey, route);
    }
    if (!done.id && places.problem() != Places::Problem::None)
        return placesFailed(run, places, store);

    // Every reading of the survey with the CML it has now.
    const QHash<qint64, QString> names = cmlNames(places);
    const QVector<PlaceReading> readings = places.surveyReadings(survey);
    if (json) {
        QByteArrayList items;
        for (const PlaceReading &r : readings) {
            CliOutput::JsonLine item;
            if (r.number)
                item.number("number", r.number);
            else
                item.null("number");
            item.text("name", r.name);
            if (r.cml)
                item.text("cml", names.value(r.cml));
            else
                item.null("cml");
            items << item.object();
        }
        QByteArrayList unmatched;
        for (const QString &n : done.unmatched)
            unmatched << CliOutput::JsonLine::string(n);
        QByteArrayList ambiguous;
        for (const QString &n : done.ambiguous)
            ambiguous << CliOutput::JsonLine::string(n);
        return run.print(CliOutput::JsonLine()
                             .number("survey", survey)
                             .number("assignment", done.id)
                             .number("assigned", done.assigned)
                             .number("unassigned", done.unassigned)
                             .raw("unmatched", CliOutput::JsonLine::array(unmatched))
                             .raw("ambiguous", CliOutput::JsonLine::array(ambiguous))
                             .raw("readings", CliOutput::JsonLine::array(items))
                             .line());
    }
    QList<QStringList> lines{{CliWords::tr("NUMBER"), CliWords::tr("NAME"), CliWords::tr("CML")}};
    for (const PlaceReading &r : readings)
        lines.append({r.number ? QString::number(r.number) : QString(), r.name,
                      r.cml ? names.value(r.cml) : QStringLiteral("-")});
    QByteArray out = CliOutput::alignedText(lines, {true, false, false});
    out += line(CliWords::tr("Readings assigned: %1; left without a CML: %2.").arg(done.assigned).arg(done.unassigned));
    if (!done.unmatched.isEmpty())
        out += line(CliWords::tr("Names with no CML: %1. Create them with 'palvarin-cli cml add PATH TAG' and assign "
                                 "again.")
                        .arg(done.unmatched.join(QStringLiteral(", "))));
    if (!done.ambiguous.isEmpty())
        out += line(CliWords::tr("Names matching CMLs of more than one asset, left without one: %1.")
                        .arg(done.ambiguous.join(QStringLiteral(", "))));
    return run.print(out);
}

int surveyList(Invocation &run, Places &places)
{
    const QHash<qint64, QString> paths = assetPaths(places.assets());
    QHash<qint64, QString> routeNames;
    for (const Route &r : places.routes())
        routeNames.insert(r.id, r.name);
    const QVector<ListColumn> columns{{"id", QT_TRANSLATE_NOOP("CliWords", "ID"), true},
                                      {"date", QT_TRANSLATE_NOOP("CliWords", "DATE"), false},
                                      {"serial", QT_TRANSLATE_NOOP("CliWords", "SERIAL"), false},
                                      {"asset_path", QT_TRANSLATE_NOOP("CliWords", "ASSET"), false},
                                      {"route", QT_TRANSLATE_NOOP("CliWords", "ROUTE"), false},
                                      {"inspector", QT_TRANSLATE_NOOP("CliWords", "INSPECTOR"), false},
                                      {"readings", QT_TRANSLATE_NOOP("CliWords", "READINGS"), true},
                                      {"assigned", QT_TRANSLATE_NOOP("CliWords", "ASSIGNED"), true}};
    QVector<QVector<ListValue>> rows;
    for (const SurveyFacts &s : places.surveys())
        rows.append({ListValue::ofCount(s.id), ListValue::ofText(utcText(s.dateMs)), ListValue::ofText(s.serial),
                     s.asset ? ListValue::ofText(paths.value(s.asset)) : ListValue{},
                     s.route ? ListValue::ofText(routeNames.value(s.route)) : ListValue{},
                     ListValue::ofText(s.inspector), ListValue::ofCount(s.readings), ListValue::ofCount(s.assigned)});
    return printList(run, columns, rows);
}

} // namespace Cli
