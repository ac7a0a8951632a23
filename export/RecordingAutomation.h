#pragma once

#include "export/AutomationObject.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

// An automation server that only writes down what it is asked, so the engine's call sequence
// can be checked without an office suite. Each entry reads
//   "<object>: <member> <type>:<value> ..."
// where <object> is "Excel.Application" or the member that produced the object ("WorkBooks",
// "Open", "WorkSheets", "Cells"); property writes read "<object>: <name>= <type>:<value>" and a
// deleted application object adds "<object>: deleted".
class RecordingAutomation : public AutomationObject
{
public:
    struct Journal
    {
        QStringList calls;
        // Members that fail: sub-objects come back null, calls return false.
        QSet<QString> refused;
        // The application object reports that no server stands behind it.
        bool noServer = false;
        int alive = 0; // objects not yet deleted
        // Runs after each call is recorded (member, arguments); its result is the call's result.
        std::function<bool(const QString &, const QVariant &, const QVariant &)> onCall;
    };

    // Serves a ProgID with recording objects writing to the journal.
    static Server server(const std::shared_ptr<Journal> &journal);

    RecordingAutomation(std::shared_ptr<Journal> journal, const QString &label, RecordingAutomation *parent = nullptr);
    ~RecordingAutomation() override;

    AutomationObject *querySubObject(const char *name, const QVariant &arg1 = QVariant(),
                                     const QVariant &arg2 = QVariant()) override;
    QVariant dynamicCall(const char *name, const QVariant &arg1 = QVariant(),
                         const QVariant &arg2 = QVariant()) override;
    bool isNull() const override;

protected:
    bool writeProperty(const char *name, const QVariant &value) override;

private:
    static QString describe(const QVariant &v);
    void record(const QString &what, const QVariant &arg1, const QVariant &arg2);

    std::shared_ptr<Journal> journal;
    QString label;
};
