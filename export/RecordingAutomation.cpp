#include "export/RecordingAutomation.h"

AutomationObject::Server RecordingAutomation::server(const std::shared_ptr<Journal> &journal)
{
    Server s;
    s.create = [journal] {
        return static_cast<AutomationObject *>(new RecordingAutomation(journal, QStringLiteral("Excel.Application")));
    };
    return s;
}

RecordingAutomation::RecordingAutomation(std::shared_ptr<Journal> journal, const QString &label,
                                         RecordingAutomation *parent)
    : AutomationObject(parent), journal(std::move(journal)), label(label)
{
    ++this->journal->alive;
}

RecordingAutomation::~RecordingAutomation()
{
    if (!parent())
        journal->calls << label + QStringLiteral(": deleted");
    --journal->alive;
}

QString RecordingAutomation::describe(const QVariant &v)
{
    return QString::fromLatin1(v.typeName()) + QLatin1Char(':') + v.toString();
}

void RecordingAutomation::record(const QString &what, const QVariant &arg1, const QVariant &arg2)
{
    QString entry = label + QStringLiteral(": ") + what;
    for (const QVariant &a : {arg1, arg2})
        if (a.isValid())
            entry += QLatin1Char(' ') + describe(a);
    journal->calls << entry;
}

AutomationObject *RecordingAutomation::querySubObject(const char *name, const QVariant &arg1, const QVariant &arg2)
{
    const QString member = QString::fromLatin1(name);
    record(member, arg1, arg2);
    if (journal->refused.contains(member))
        return nullptr;
    return new RecordingAutomation(journal, member.section(QLatin1Char('('), 0, 0), this);
}

QVariant RecordingAutomation::dynamicCall(const char *name, const QVariant &arg1, const QVariant &arg2)
{
    const QString member = QString::fromLatin1(name);
    record(member, arg1, arg2);
    if (journal->refused.contains(member))
        return false;
    return journal->onCall ? journal->onCall(member, arg1, arg2) : true;
}

bool RecordingAutomation::isNull() const
{
    return journal->noServer;
}

bool RecordingAutomation::writeProperty(const char *name, const QVariant &value)
{
    journal->calls << label + QStringLiteral(": ") + QString::fromLatin1(name) + QStringLiteral("= ") + describe(value);
    return !journal->refused.contains(QString::fromLatin1(name));
}
