// The commands of the places kept in the survey store: the asset tree, CMLs and their
// readings as CSV files; routes, assignments and surveys are in RouteCommands.cpp.
#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "store/SurveyStore.h"

#include <QHash>

#include <algorithm>

namespace Cli {

namespace {

const char *const placeCommands[] = {"assets",          "cml list",   "cml add",   "cml import", "cml export",
                                     "readings import", "readings export", "route list", "route add", "route show",
                                     "assign",          "survey list"};

// Those that change the file, and of them those that may make it.
bool changes(const QString &name)
{
    return name == QLatin1String("cml add") || name == QLatin1String("cml import")
        || name == QLatin1String("readings import") || name == QLatin1String("route add")
        || name == QLatin1String("assign");
}

bool creates(const QString &name)
{
    return name == QLatin1String("cml add") || name == QLatin1String("cml import");
}

QString kindKey(AssetKind kind)
{
    switch (kind) {
    case AssetKind::Site: return QStringLiteral("site");
    case AssetKind::Unit: return QStringLiteral("unit");
    case AssetKind::Equipment: return QStringLiteral("equipment");
    case AssetKind::Circuit: return QStringLiteral("circuit");
    case AssetKind::Other: break;
    }
    return QStringLiteral("other");
}

int assets(Invocation &run, Places &places)
{
    const QVector<Asset> all = places.assets();
    const QHash<qint64, QString> paths = assetPaths(all);
    QHash<qint64, qint64> cmlCount;
    for (const Cml &cml : places.cmls(0))
        ++cmlCount[cml.asset];
    const QVector<ListColumn> columns{{"path", QT_TRANSLATE_NOOP("CliWords", "PATH"), false},
                                      {"kind", QT_TRANSLATE_NOOP("CliWords", "KIND"), false},
                                      {"description", QT_TRANSLATE_NOOP("CliWords", "DESCRIPTION"), false},
                                      {"cmls", QT_TRANSLATE_NOOP("CliWords", "CMLS"), true}};
    QVector<QVector<ListValue>> rows;
    QVector<Asset> byPath = all;
    std::stable_sort(byPath.begin(), byPath.end(), [&](const Asset &a, const Asset &b) {
        return paths.value(a.id).compare(paths.value(b.id), Qt::CaseInsensitive) < 0;
    });
    for (const Asset &a : std::as_const(byPath))
        rows.append({ListValue::ofText(paths.value(a.id)), ListValue::ofText(kindKey(a.kind)),
                     ListValue::ofText(a.description), ListValue::ofCount(cmlCount.value(a.id))});
    return printList(run, columns, rows);
}

int cmlList(Invocation &run, Places &places)
{
    qint64 top = 0;
    if (!assetOption(run, places, &top))
        return Failed;
    const QVector<Asset> all = places.assets();
    const QHash<qint64, QString> paths = assetPaths(all);
    // Asset by asset: the CMLs of the asset given and of those under it, else of every one.
    QVector<qint64> listed;
    if (top) {
        listed = assetsUnder(all, top);
    } else {
        for (const Asset &a : all)
            listed << a.id;
    }
    QVector<CmlSummary> summaries;
    for (qint64 asset : std::as_const(listed))
        summaries += places.cmlSummaries(asset);
    // By path, then tag, as the CML list of a file is.
    std::stable_sort(summaries.begin(), summaries.end(), [&](const CmlSummary &a, const CmlSummary &b) {
        const int byPath = paths.value(a.cml.asset).compare(paths.value(b.cml.asset), Qt::CaseInsensitive);
        return byPath != 0 ? byPath < 0 : a.cml.tag.compare(b.cml.tag, Qt::CaseInsensitive) < 0;
    });
    const QVector<ListColumn> columns{{"asset_path", QT_TRANSLATE_NOOP("CliWords", "ASSET"), false},
                                      {"tag", QT_TRANSLATE_NOOP("CliWords", "TAG"), false},
                                      {"description", QT_TRANSLATE_NOOP("CliWords", "DESCRIPTION"), false},
                                      {"nominal", QT_TRANSLATE_NOOP("CliWords", "NOMINAL"), true},
                                      {"minimum", QT_TRANSLATE_NOOP("CliWords", "MINIMUM"), true},
                                      {"corrosion_allowance", QT_TRANSLATE_NOOP("CliWords", "ALLOWANCE"), true},
                                      {"material", QT_TRANSLATE_NOOP("CliWords", "MATERIAL"), false},
                                      {"readings", QT_TRANSLATE_NOOP("CliWords", "READINGS"), true},
                                      {"last_reading", QT_TRANSLATE_NOOP("CliWords", "LAST"), true},
                                      {"last_date", QT_TRANSLATE_NOOP("CliWords", "LAST DATE"), false}};
    QVector<QVector<ListValue>> rows;
    for (const CmlSummary &s : std::as_const(summaries)) {
        const Cml &c = s.cml;
        // A last reading out of range has no value to show, as in the other lists.
        const ListValue last = s.lastMs && !s.lastOutOfRange ? ListValue::ofReading(float(s.lastValue)) : ListValue{};
        rows.append({ListValue::ofText(paths.value(c.asset)), ListValue::ofText(c.tag), ListValue::ofText(c.description),
                     ListValue::ofNumber(c.nominal), ListValue::ofNumber(c.minimum), ListValue::ofNumber(c.allowance),
                     ListValue::ofText(c.material), ListValue::ofCount(s.readings), last,
                     s.lastMs ? ListValue::ofText(utcText(s.lastMs)) : ListValue{}});
    }
    return printList(run, columns, rows);
}

int cmlAdd(Invocation &run, Places &places, const SurveyStore &store)
{
    const QString path = run.arguments.at(0);
    const QString tag = run.arguments.at(1).trimmed();
    if (const qint64 asset = places.assetByPath(path); asset && places.cmlByTag(asset, tag))
        return run.fail(CliWords::tr("%1 already has a CML %2; 'palvarin-cli cml import' changes CMLs.")
                            .arg(places.assetPath(asset), tag));
    CmlEntry entry;
    entry.assetPath = path;
    entry.cml.tag = tag;
    entry.cml.description = run.places.description;
    entry.cml.nominal = run.places.nominal;
    entry.cml.minimum = run.places.minimum;
    entry.cml.allowance = run.places.allowance;
    entry.cml.material = run.places.material;
    int added = 0;
    if (!places.importCmls({entry}, &added) || added != 1)
        return placesFailed(run, places, store);
    return run.print(CliWords::tr("CML %1 added under %2.").arg(tag, places.assetPath(places.assetByPath(path))).toUtf8()
                     + '\n');
}

int cmlImport(Invocation &run, Places &places, const SurveyStore &store)
{
    const QString file = run.arguments.at(0);
    QByteArray csv;
    if (!readInput(run, file, &csv))
        return Failed;
    QVector<CmlEntry> entries;
    PlacesCsv::Refusal refusal;
    if (!PlacesCsv::readCmls(csv, &entries, &refusal))
        return refuseFile(run, file, refusal);
    int added = 0;
    int updated = 0;
    if (!places.importCmls(entries, &added, &updated))
        return placesFailed(run, places, store);
    return run.print(CliWords::tr("%1: %2 CMLs added, %3 updated.").arg(file).arg(added).arg(updated).toUtf8() + '\n');
}

int readingsImport(Invocation &run, Places &places, const SurveyStore &store)
{
    const QString file = run.arguments.at(0);
    QByteArray csv;
    if (!readInput(run, file, &csv))
        return Failed;
    QVector<ReadingEntry> entries;
    PlacesCsv::Refusal refusal;
    if (!PlacesCsv::readReadings(csv, &entries, &refusal))
        return refuseFile(run, file, refusal);
    if (entries.isEmpty())
        return run.print(CliWords::tr("%1 holds no readings.").arg(file).toUtf8() + '\n');
    const QVector<qint64> surveys = places.importReadings(entries);
    if (surveys.isEmpty()) {
        if (places.problem() == Places::Problem::NotFound)
            return run.fail(CliWords::tr("%1: the CML %2 is not in the survey file; add it with 'palvarin-cli cml add' "
                                         "or 'palvarin-cli cml import'. Nothing was imported.")
                                .arg(file, places.problemSubject()));
        return placesFailed(run, places, store);
    }
    QStringList ids;
    for (qint64 id : surveys)
        ids << QString::number(id);
    return run.print(CliWords::tr("%1: %2 readings imported; surveys made: %3.")
                         .arg(file)
                         .arg(entries.size())
                         .arg(ids.join(QStringLiteral(", ")))
                         .toUtf8()
                     + '\n');
}

template <typename List>
int exportList(Invocation &run, Places &places, List (Places::*entries)(qint64),
               QByteArray (*write)(const List &))
{
    qint64 asset = 0;
    if (!assetOption(run, places, &asset))
        return Failed;
    return writeOutput(run, write((places.*entries)(asset)));
}

} // namespace

bool isPlaceCommand(const Command &command)
{
    for (const char *name : placeCommands)
        if (qstrcmp(command.name, name) == 0)
            return true;
    return false;
}

int runPlaceCommand(Invocation &run)
{
    const QString name = QString::fromLatin1(run.command->name);
    SurveyStore store;
    if (changes(name)) {
        if (!openToChange(run, store, creates(name)))
            return Failed;
    } else {
        const QString namedMissing = name == QLatin1String("route show")
            ? CliWords::tr("there is no survey file yet (%1), so no route %2.").arg(run.storePath, run.arguments.value(0))
            : QString();
        switch (openToRead(run, store, namedMissing)) {
        case Opened::Failed:
            return Failed;
        case Opened::Missing:
            // Nothing to list: an empty list, and an empty CSV file for an export.
            if (name == QLatin1String("cml export"))
                return writeOutput(run, PlacesCsv::writeCmls({}));
            if (name == QLatin1String("readings export"))
                return writeOutput(run, PlacesCsv::writeReadings({}));
            return Done;
        case Opened::Yes:
            break;
        }
    }
    Places places(store);
    if (name == QLatin1String("assets"))
        return assets(run, places);
    if (name == QLatin1String("cml list"))
        return cmlList(run, places);
    if (name == QLatin1String("cml add"))
        return cmlAdd(run, places, store);
    if (name == QLatin1String("cml import"))
        return cmlImport(run, places, store);
    if (name == QLatin1String("cml export"))
        return exportList(run, places, &Places::cmlEntries, &PlacesCsv::writeCmls);
    if (name == QLatin1String("readings import"))
        return readingsImport(run, places, store);
    if (name == QLatin1String("readings export"))
        return exportList(run, places, &Places::readingEntries, &PlacesCsv::writeReadings);
    if (name == QLatin1String("route list"))
        return routeList(run, places);
    if (name == QLatin1String("route add"))
        return routeAdd(run, places, store);
    if (name == QLatin1String("route show"))
        return routeShow(run, places);
    if (name == QLatin1String("assign"))
        return assign(run, places, store);
    return surveyList(run, places);
}

} // namespace Cli
