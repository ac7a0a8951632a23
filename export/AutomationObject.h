#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

// An object of an automation server, shaped like ActiveQt's QAxObject so that the engine's
// calls read the same whatever serves them: sub-objects are children of the object they were
// obtained from, so deleting the application object releases everything below it.
class AutomationObject : public QObject
{
public:
    explicit AutomationObject(AutomationObject *parent = nullptr);

    // A sub-object by member name ("WorkBooks", "Cells(int,int)", ...); nullptr when there is none.
    virtual AutomationObject *querySubObject(const char *name, const QVariant &arg1 = QVariant(),
                                             const QVariant &arg2 = QVariant()) = 0;
    // Calls a member; an explicit false result means the server reported a failure.
    virtual QVariant dynamicCall(const char *name, const QVariant &arg1 = QVariant(),
                                 const QVariant &arg2 = QVariant()) = 0;
    // Sets a property of the server object (hides QObject::setProperty on purpose).
    bool setProperty(const char *name, const QVariant &value) { return writeProperty(name, value); }
    // True when no server stands behind the object.
    virtual bool isNull() const = 0;

    // What serves a ProgID. Starting a server can take seconds: a caller that knows one will be
    // needed soon calls warmUp() so it starts in the background; the next create() picks it
    // up, and releaseWarm() ends one that was not used.
    struct Server
    {
        std::function<AutomationObject *()> create;
        std::function<void()> warm;
        std::function<void()> release;
    };

    // A new application object for the ProgID, or nullptr when nothing serves it.
    static AutomationObject *create(const QString &progId);
    // Installs what serves a ProgID (an empty Server removes it); returns the previous one.
    static Server setServer(const QString &progId, Server server);
    static void warmUp(const QString &progId);
    static void releaseWarm(const QString &progId);

protected:
    virtual bool writeProperty(const char *name, const QVariant &value) = 0;
};
