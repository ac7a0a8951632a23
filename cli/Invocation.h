#pragma once

#include "cli/Cli.h"
#include "cli/CliOutput.h"
#include "cli/ConsoleInteraction.h"
#include "analysis/SurveyComparison.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

class HidBackend;

// The tool's words: English in the source, other languages in the catalogue.
class CliWords
{
    Q_DECLARE_TR_FUNCTIONS(CliWords)
};

namespace Cli {

struct Command;

// One run of the tool: the command line as the command table read it, the streams, and how
// a result is told (usage errors, failures, standard output).
struct Invocation
{
    Invocation(const Streams &streams, HidBackend *backendOverride);

    Streams streams;
    HidBackend *backendOverride = nullptr; // replaces the platform's and the emulator's gauges
    ConsoleInteraction ui;

    const Command *command = nullptr;
    QStringList arguments; // after the command's name
    QString output;        // -o; "-" is standard output
    std::optional<CliOutput::Format> format;
    QString serial;
    bool anyGauge = false; // compare: sessions of different gauges too
    QString storePath;
    ComparisonSettings comparing;
    int layer = 0; // compare: 0-2

    // A usage error, with the hint to --help: exit code 2.
    int usage(const QString &error) const;
    // A failure told on standard error: exit code 1.
    int fail(const QString &text);
    bool interrupted() const { return streams.interrupted && *streams.interrupted; }
    // Writes all of `bytes` to standard output and flushes it.
    bool writeOut(const QByteArray &bytes) const;
    // The same, telling a failure.
    int print(const QByteArray &bytes);
    bool toStandardOutput() const { return output == QLatin1String("-"); }
};

} // namespace Cli
