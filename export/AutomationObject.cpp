#include "export/AutomationObject.h"

#include <QHash>

#ifdef PALVARIN_HAVE_CALC
#include "export/CalcAutomation.h"
#endif

namespace {

QHash<QString, AutomationObject::Server> &registry()
{
    static QHash<QString, AutomationObject::Server> servers = [] {
        QHash<QString, AutomationObject::Server> initial;
#ifdef PALVARIN_HAVE_CALC
        // Calc stands in for Excel on this platform.
        initial.insert(QStringLiteral("Excel.Application"), CalcAutomation::server());
#endif
        return initial;
    }();
    return servers;
}

} // namespace

AutomationObject::AutomationObject(AutomationObject *parent) : QObject(parent) {}

AutomationObject *AutomationObject::create(const QString &progId)
{
    const Server s = registry().value(progId);
    return s.create ? s.create() : nullptr;
}

AutomationObject::Server AutomationObject::setServer(const QString &progId, Server server)
{
    const Server previous = registry().value(progId);
    if (server.create)
        registry().insert(progId, std::move(server));
    else
        registry().remove(progId);
    return previous;
}

void AutomationObject::warmUp(const QString &progId)
{
    const Server s = registry().value(progId);
    if (s.warm)
        s.warm();
}

void AutomationObject::releaseWarm(const QString &progId)
{
    const Server s = registry().value(progId);
    if (s.release)
        s.release();
}
