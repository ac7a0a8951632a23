#include "ScriptedInteraction.h"

#include "interaction/SilentProgress.h"

#include <QCoreApplication>

namespace {

class ScriptedProgress : public ProgressHandle
{
public:
    ScriptedProgress(ScriptedInteraction &owner, int maximum, int cancelAt)
        : owner(owner), max(maximum), cancelAt(cancelAt)
    {
    }
    void setValue(int v) override
    {
        current = v;
        owner.progressValues << v;
        if (cancelAt >= 0 && v >= cancelAt)
            canceled = true;
        if (owner.onProgressValue)
            owner.onProgressValue(v);
        if (owner.progressProcessesEvents)
            QCoreApplication::processEvents();
    }
    int value() const override { return current; }
    int maximum() const override { return max; }
    bool wasCanceled() const override { return canceled; }
    void hide() override { hidden = true; }

private:
    ScriptedInteraction &owner;
    int max;
    int cancelAt;
    int current = 0;
    bool canceled = false;
    bool hidden = false;
};

} // namespace

namespace {

QList<ScriptedInteraction *> &alive()
{
    static QList<ScriptedInteraction *> scripts;
    return scripts;
}

class Relay : public UserInteraction
{
public:
    void information(QWidget *parent, const QString &title, const QString &text) override
    {
        if (UserInteraction *to = target())
            to->information(parent, title, text);
    }
    bool question(QWidget *parent, const QString &title, const QString &text) override
    {
        UserInteraction *to = target();
        return to && to->question(parent, title, text);
    }
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &proposedPath,
                            const QString &filter, QString *selectedFilter) override
    {
        UserInteraction *to = target();
        return to ? to->getSaveFileName(parent, caption, proposedPath, filter, selectedFilter) : QString();
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override
    {
        if (UserInteraction *to = target())
            return to->createProgress(parent, label, cancelText, minimum, maximum);
        return std::make_unique<SilentProgress>(maximum);
    }
    bool runDialog(QDialog *dialog, const QString &title) override
    {
        UserInteraction *to = target();
        return to && to->runDialog(dialog, title);
    }

private:
    static UserInteraction *target() { return alive().isEmpty() ? nullptr : alive().last(); }
};

} // namespace

ScriptedInteraction::ScriptedInteraction()
{
    alive().append(this);
}

ScriptedInteraction::~ScriptedInteraction()
{
    alive().removeAll(this);
}

UserInteraction &ScriptedInteraction::relay()
{
    static Relay relay;
    return relay;
}

QStringList ScriptedInteraction::texts(Kind kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

void ScriptedInteraction::record(const Shown &item)
{
    shown << item;
    if (whileShown)
        whileShown(item);
}

void ScriptedInteraction::information(QWidget *, const QString &title, const QString &text)
{
    record({Kind::Information, title, text, {}});
}

bool ScriptedInteraction::question(QWidget *, const QString &title, const QString &text)
{
    record({Kind::Question, title, text, {}});
    if (questionAnswers.isEmpty()) {
        ++unexpected;
        return false;
    }
    return questionAnswers.takeFirst();
}

QString ScriptedInteraction::getSaveFileName(QWidget *, const QString &caption, const QString &proposedPath,
                                             const QString &filter, QString *selectedFilter)
{
    offeredFilters << (selectedFilter ? *selectedFilter : QString());
    record({Kind::SaveFile, QString(), caption, proposedPath + QLatin1Char('|') + filter});
    // The type the person picks: the next scripted one that the dialog offers.
    if (selectedFilter && !filterAnswers.isEmpty()) {
        const QString chosen = filterAnswers.takeFirst();
        if (filter.split(QStringLiteral(";;")).contains(chosen))
            *selectedFilter = chosen;
    }
    if (fileAnswers.isEmpty()) {
        ++unexpected;
        return QString();
    }
    return fileAnswers.takeFirst();
}

std::unique_ptr<ProgressHandle> ScriptedInteraction::createProgress(QWidget *, const QString &label,
                                                                    const QString &cancelText, int, int maximum)
{
    record({Kind::Progress, QString(), label, cancelText});
    progressMaximums << maximum;
    auto handle = std::make_unique<ScriptedProgress>(*this, maximum, cancelAt);
    cancelAt = -1;
    return handle;
}

bool ScriptedInteraction::runDialog(QDialog *dialog, const QString &title)
{
    record({Kind::Dialog, title, title, {}});
    if (dialogAnswers.isEmpty()) {
        ++unexpected;
        return false;
    }
    return dialogAnswers.takeFirst()(dialog);
}
