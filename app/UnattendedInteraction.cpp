#include "app/UnattendedInteraction.h"

#include "interaction/SilentProgress.h"

#include <QFile>

UnattendedInteraction::UnattendedInteraction(const QString &path) : logPath(path) {}

void UnattendedInteraction::log(const QString &kind, const QString &title, const QString &text)
{
    QFile file(logPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QString line = kind + QLatin1Char('|') + title + QLatin1Char('|') + text;
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    file.write(line.toUtf8() + '\n');
}

void UnattendedInteraction::information(QWidget *, const QString &title, const QString &text)
{
    log(QStringLiteral("information"), title, text);
}

bool UnattendedInteraction::question(QWidget *, const QString &title, const QString &text)
{
    log(QStringLiteral("question"), title, text);
    return false;
}

QString UnattendedInteraction::getSaveFileName(QWidget *, const QString &caption, const QString &, const QString &,
                                               QString *)
{
    log(QStringLiteral("savefile"), caption, QString());
    return QString();
}

std::unique_ptr<ProgressHandle> UnattendedInteraction::createProgress(QWidget *, const QString &label,
                                                                      const QString &, int, int maximum)
{
    log(QStringLiteral("progress"), QString(), label);
    return std::make_unique<SilentProgress>(maximum);
}

bool UnattendedInteraction::runDialog(QDialog *, const QString &title)
{
    log(QStringLiteral("dialog"), title, QString());
    return false;
}
