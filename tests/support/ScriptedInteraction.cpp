#include "ScriptedInteraction.h"

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

ScriptedInteraction::ScriptedInteraction()
{
    UserInteraction::setCurrent(this);
}

ScriptedInteraction::~ScriptedInteraction()
{
    UserInteraction::setCurrent(nullptr);
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
                                             const QString &filter)
{
    record({Kind::SaveFile, QString(), caption, proposedPath + QLatin1Char('|') + filter});
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
