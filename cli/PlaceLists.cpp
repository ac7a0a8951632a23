#include "cli/PlaceLists.h"

#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "export/CsvWriter.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>

#include <cerrno>
#include <cmath>

namespace Cli {

namespace {

QString text(const ListValue &v)
{
    return v.reading ? numberText(float(v.number)) : numberText(v.number);
}

} // namespace

int printList(Invocation &run, const QVector<ListColumn> &columns, const QVector<QVector<ListValue>> &rows)
{
    QByteArray out;
    if (run.format && run.format->isJson()) {
        for (const QVector<ListValue> &row : rows) {
            CliOutput::JsonLine line;
            for (int c = 0; c < columns.size(); ++c) {
                const ListValue &v = row.value(c);
                const char *key = columns[c].key;
                switch (v.kind) {
                case ListValue::Kind::Text: line.text(key, v.text); break;
                case ListValue::Kind::Count: line.number(key, v.count); break;
                case ListValue::Kind::Number:
                    // JSON has no NaN: a number not given is null.
                    if (std::isnan(v.number))
                        line.null(key);
                    else
                        line.digits(key, text(v).toLatin1());
                    break;
                case ListValue::Kind::None: line.null(key); break;
                }
            }
            out += line.line();
        }
    } else if (run.format) {
        WorkbookTable table;
        for (const ListColumn &column : columns)
            table.headers << QString::fromLatin1(column.key);
        table.outOfRangeColumn = false;
        for (const QVector<ListValue> &row : rows) {
            QVector<WorkbookCell> cells;
            for (int c = 0; c < columns.size(); ++c) {
                const ListValue &v = row.value(c);
                switch (v.kind) {
                case ListValue::Kind::Text: cells << WorkbookCell::ofText(v.text); break;
                case ListValue::Kind::Count: cells << WorkbookCell::ofNumber(double(v.count), 0); break;
                case ListValue::Kind::Number: cells << WorkbookCell::ofText(text(v)); break;
                case ListValue::Kind::None: cells << WorkbookCell(); break;
                }
            }
            table.rows << cells;
        }
        if (!rows.isEmpty())
            CsvWriter::appendTo(out, table);
    } else if (!rows.isEmpty()) {
        QList<QStringList> lines{{}};
        QVector<bool> right;
        for (const ListColumn &column : columns) {
            lines.first() << CliWords::tr(column.title);
            right << column.right;
        }
        for (const QVector<ListValue> &row : rows) {
            QStringList line;
            for (int c = 0; c < columns.size(); ++c) {
                const ListValue &v = row.value(c);
                // A line break inside a description would break the table's rows.
                const bool rounded = v.kind == ListValue::Kind::Number && v.decimals >= 0 && std::isfinite(v.number);
                line << (v.kind == ListValue::Kind::Text    ? QString(v.shown.isEmpty() ? v.text : v.shown).replace(QLatin1Char('\n'), QLatin1Char(' '))
                         : v.kind == ListValue::Kind::Count ? QString::number(v.count)
                         : rounded                           ? QString::number(v.number, 'f', v.decimals)
                         : v.kind == ListValue::Kind::Number ? text(v)
                                                             : QString());
            }
            lines << line;
        }
        out = CliOutput::alignedText(lines, right);
    }
    return run.print(out);
}

bool openToChange(Invocation &run, SurveyStore &store, bool create)
{
    const QString &path = run.storePath;
    if (!create && !QFileInfo::exists(path)) {
        run.fail(CliWords::tr("there is no survey file yet (%1).").arg(path));
        return false;
    }
    if (store.open(path))
        return true;
    run.fail(CliWords::tr("cannot change the survey file %1: %2 (%3)").arg(path, storeProblemText(store), store.errorText()));
    return false;
}

Opened openToRead(Invocation &run, SurveyStore &store, const QString &namedMissing)
{
    const Opened opened = openStore(run, store);
    if (opened != Opened::Missing)
        return opened;
    if (!namedMissing.isEmpty()) {
        run.fail(namedMissing);
        return Opened::Failed;
    }
    if (run.places.assetGiven) {
        run.fail(CliWords::tr("there is no survey file yet (%1), so no asset %2.").arg(run.storePath, run.places.asset));
        return Opened::Failed;
    }
    run.ui.message(CliWords::tr("there is no survey file yet (%1).").arg(run.storePath));
    return Opened::Missing;
}

int placesFailed(Invocation &run, const Places &places, const SurveyStore &store)
{
    const QString subject = places.problemSubject();
    switch (places.problem()) {
    case Places::Problem::NotFound:
        return run.fail(CliWords::tr("'%1' is not in the survey file %2.").arg(subject, run.storePath));
    case Places::Problem::Duplicate:
        return run.fail(CliWords::tr("'%1' is already in the survey file %2.").arg(subject, run.storePath));
    case Places::Problem::BadInput:
        return run.fail(CliWords::tr("'%1' cannot be taken: a tag must not be empty nor hold '/'.").arg(subject));
    case Places::Problem::StoreRefused:
    case Places::Problem::None:
        break;
    }
    return run.fail(CliWords::tr("the survey file %1 refused the change: %2 (%3) Nothing was changed.")
                        .arg(run.storePath, storeProblemText(store), store.errorText()));
}

QHash<qint64, QString> assetPaths(const QVector<Asset> &assets)
{
    // Parents come before their children.
    QHash<qint64, QString> paths;
    for (const Asset &a : assets)
        paths.insert(a.id, a.parent ? paths.value(a.parent) + QLatin1Char('/') + a.tag : a.tag);
    return paths;
}

bool assetOption(Invocation &run, Places &places, qint64 *asset)
{
    *asset = 0;
    if (!run.places.assetGiven)
        return true;
    *asset = places.assetByPath(run.places.asset);
    if (*asset)
        return true;
    run.fail(CliWords::tr("there is no asset '%1' in %2; 'palvarin-cli assets' lists them.").arg(run.places.asset, run.storePath));
    return false;
}

QVector<qint64> assetsUnder(const QVector<Asset> &assets, qint64 top)
{
    QVector<qint64> under{top};
    // Parents come before their children, so one pass finds every generation.
    for (const Asset &a : assets)
        if (under.contains(a.parent))
            under << a.id;
    return under;
}


QString utcText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

int refuseFile(Invocation &run, const QString &file, const PlacesCsv::Refusal &refusal)
{
    using PlacesCsv::Fault;
    const QString detail = refusal.detail;
    QString why;
    switch (refusal.fault) {
    case Fault::None:
    case Fault::Empty: why = CliWords::tr("the file is empty; its first line must name the columns."); break;
    case Fault::UnknownColumn: why = CliWords::tr("unknown column '%1' (or a column named twice).").arg(detail); break;
    case Fault::MissingColumn: why = CliWords::tr("the column '%1' is missing.").arg(detail); break;
    case Fault::FieldCount: why = CliWords::tr("the line has more or fewer fields than the header."); break;
    case Fault::Unterminated: why = CliWords::tr("a quoted field is not closed before the end of the file."); break;
    case Fault::EmptyValue: why = CliWords::tr("%1 is empty.").arg(detail); break;
    case Fault::BadNumber:
        why = CliWords::tr("%1 is not a number of zero or more (write a '.' decimal point).").arg(detail);
        break;
    case Fault::BadDate: why = CliWords::tr("the date is not ISO 8601 in UTC, e.g. 2026-03-01T09:30:00Z."); break;
    case Fault::BadUnit: why = CliWords::tr("the unit is neither mm nor inch."); break;
    case Fault::BadPath: why = CliWords::tr("%1 has an empty tag or a tag with '/'.").arg(detail); break;
    case Fault::RepeatedTag: why = CliWords::tr("%1 is listed twice.").arg(detail); break;
    }
    run.ui.message(CliWords::tr("%1 line %2: %3").arg(file).arg(refusal.line).arg(why));
    run.ui.message(CliWords::tr("nothing was imported."));
    return Usage;
}

int writeOutput(Invocation &run, const QByteArray &bytes)
{
    if (run.toStandardOutput())
        return run.print(bytes);
    auto produce = [&](const QString &temporary, int *errorNumber) {
        QFile file(temporary);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
            return true;
        *errorNumber = errno;
        return false;
    };
    QString reason;
    if (!CliOutput::writeAtomically(run.output, QStringLiteral("csv"), produce, &reason))
        return run.fail(reason);
    run.ui.message(CliWords::tr("%1 written.").arg(run.output));
    return Done;
}

bool readInput(Invocation &run, const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        *bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    run.fail(CliWords::tr("cannot read %1 (%2).").arg(path, file.errorString()));
    return false;
}

// The CML of the tag, under --asset when given, else the one CML of that tag in the file;
// 0 once told why.
qint64 cmlNamed(Invocation &run, Places &places, const QString &given)
{
    const QString tag = given.trimmed();
    qint64 asset = 0;
    if (!assetOption(run, places, &asset))
        return 0;
    if (asset) {
        const qint64 id = places.cmlByTag(asset, tag);
        if (!id)
            run.fail(CliWords::tr("there is no CML %1 under %2.").arg(tag, run.places.asset));
        return id;
    }
    const QHash<qint64, QString> paths = assetPaths(places.assets());
    QStringList where;
    qint64 id = 0;
    for (const Cml &c : places.cmls(0))
        if (c.tag.compare(tag, Qt::CaseInsensitive) == 0) {
            where << paths.value(c.asset);
            id = c.id;
        }
    if (where.isEmpty())
        run.fail(CliWords::tr("there is no CML %1 in %2; 'palvarin-cli cml list' lists them.").arg(tag, run.storePath));
    if (where.size() > 1)
        run.fail(CliWords::tr("there are CMLs %1 under %2; give --asset PATH to say which.").arg(tag, where.join(QStringLiteral(", "))));
    return where.size() == 1 ? id : 0;
}

} // namespace Cli
