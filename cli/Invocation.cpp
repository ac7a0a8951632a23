#include "cli/Invocation.h"

namespace Cli {

Invocation::Invocation(const Streams &streams, HidBackend *backendOverride)
    : streams(streams), backendOverride(backendOverride),
      ui(streams.err, streams.errIsTerminal, streams.interrupted)
{
}

int Invocation::usage(const QString &error) const
{
    const QString hint = CliWords::tr("Try 'palvarin-cli --help' for the commands and options.");
    std::fprintf(streams.err, "palvarin-cli: %s\n%s\n", error.toUtf8().constData(), hint.toUtf8().constData());
    return Usage;
}

int Invocation::fail(const QString &text)
{
    ui.message(text);
    return Failed;
}

bool Invocation::writeOut(const QByteArray &bytes) const
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), streams.out) == size_t(bytes.size())
        && std::fflush(streams.out) == 0;
}

int Invocation::print(const QByteArray &bytes)
{
    if (!writeOut(bytes))
        return fail(CliWords::tr("writing to standard output failed."));
    return Done;
}

} // namespace Cli
