#pragma once

#include "cli/Commands.h"
#include "store/Places.h"
#include "store/PlacesCsv.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

class SurveyStore;

// What the place commands share: opening the store to change it, their lists as a table, CSV
// or JSON lines, and their refusals in words.
namespace Cli {

struct Invocation;

// One value of a list: a text, a count, a measured number (NaN: not given), or nothing.
struct ListValue
{
    enum class Kind { None, Text, Count, Number };
    Kind kind = Kind::None;
    QString text;
    qint64 count = 0;
    double number = 0;
    bool reading = false; // a gauge's value, a float: shown with the digits a float has
    // The table to read shows a number with this many decimals (CSV and JSON keep every digit)
    // and a text as `shown` when it is given (e.g. a date where CSV and JSON keep the time).
    int decimals = -1;
    QString shown;

    static ListValue ofText(const QString &text) { return {Kind::Text, text, 0, 0, false, -1, {}}; }
    static ListValue ofCount(qint64 count) { return {Kind::Count, QString(), count, 0, false, -1, {}}; }
    static ListValue ofNumber(double number) { return {Kind::Number, QString(), 0, number, false, -1, {}}; }
    static ListValue ofReading(float value) { return {Kind::Number, QString(), 0, double(value), true, -1, {}}; }
    static ListValue ofFigure(double number, int decimals) { return {Kind::Number, QString(), 0, number, false, decimals, {}}; }
    static ListValue ofShownText(const QString &text, const QString &shown) { return {Kind::Text, text, 0, 0, false, -1, shown}; }
};

struct ListColumn
{
    const char *key;   // CSV header and JSON key, the same in every language
    const char *title; // the table's heading (CliWords)
    bool right;        // numbers: to the right in the table
};

// The list on standard output: a table to read, or CSV or JSON lines by --format.
int printList(Invocation &run, const QVector<ListColumn> &columns, const QVector<QVector<ListValue>> &rows);

// Opens the survey store to change it; `create`: a missing file is made. False once told why.
bool openToChange(Invocation &run, SurveyStore &store, bool create);
// Opens the survey store to read a place command's answer, never making it. When there is no
// file: Failed once told so if the command names something it cannot hold (`namedMissing`,
// what to say then; empty when it names nothing) or an asset; else Missing, told that there
// is no file, for the caller to give its empty answer.
Opened openToRead(Invocation &run, SurveyStore &store, const QString &namedMissing);
// Tells why the last call of `places` fell short: exit code 1.
int placesFailed(Invocation &run, const Places &places, const SurveyStore &store);

// Each asset's path ("Site/Unit/V-101") by its id.
QHash<qint64, QString> assetPaths(const QVector<Asset> &assets);
// --asset as an asset (0 when not given); false once told that it is not in the file.
bool assetOption(Invocation &run, Places &places, qint64 *asset);
// The CML of the tag, under --asset when given, else the one CML of that tag in the file;
// 0 once told why.
qint64 cmlNamed(Invocation &run, Places &places, const QString &given);
// The asset and the assets under it.
QVector<qint64> assetsUnder(const QVector<Asset> &assets, qint64 top);

// A number with the fewest digits that read back the same; empty for NaN.
using PlacesCsv::numberText;
// A time as ISO 8601 in UTC.
QString utcText(qint64 ms);

// A refused CSV file, told as "FILE line N: why": exit code 2, as for bad input on the command line.
int refuseFile(Invocation &run, const QString &file, const PlacesCsv::Refusal &refusal);
// Bytes to -o: standard output for "-", else the file through an atomic write.
int writeOutput(Invocation &run, const QByteArray &bytes);
// The file to import; false once told why it cannot be read.
bool readInput(Invocation &run, const QString &path, QByteArray *bytes);

} // namespace Cli

namespace Cli {

// The route, assignment and survey commands (RouteCommands.cpp), on a store opened for them.
int routeList(Invocation &run, Places &places);
int routeAdd(Invocation &run, Places &places, const SurveyStore &store);
int routeShow(Invocation &run, Places &places);
int assign(Invocation &run, Places &places, const SurveyStore &store);
int surveyList(Invocation &run, Places &places);

} // namespace Cli
