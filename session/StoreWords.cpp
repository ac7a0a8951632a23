#include "session/StoreWords.h"

#include "interaction/Language.h"

#include <QCoreApplication>

namespace {

const char *const context = "StoreWords";

QString say(const char *source, const QString &language)
{
    return language.isEmpty() ? QCoreApplication::translate(context, source)
                              : Language::instance().translate(language, context, source);
}

const char *problemSource(SurveyStore::Problem problem)
{
    switch (problem) {
    case SurveyStore::Problem::None:
        return nullptr;
    case SurveyStore::Problem::CannotOpen:
        return QT_TRANSLATE_NOOP("StoreWords", "the survey file cannot be opened or created.");
    case SurveyStore::Problem::Corrupt:
        return QT_TRANSLATE_NOOP("StoreWords", "the survey file is damaged.");
    case SurveyStore::Problem::Locked:
        return QT_TRANSLATE_NOOP("StoreWords", "another program holds the survey file locked.");
    case SurveyStore::Problem::ReadOnly:
        return QT_TRANSLATE_NOOP("StoreWords", "the survey file or its folder is read-only.");
    case SurveyStore::Problem::Full:
        return QT_TRANSLATE_NOOP("StoreWords", "the disk is full.");
    case SurveyStore::Problem::NewerSchema:
        return QT_TRANSLATE_NOOP("StoreWords", "the survey file was written by a newer version of the program; its "
                                               "history can only be viewed.");
    case SurveyStore::Problem::Failed:
        return QT_TRANSLATE_NOOP("StoreWords", "writing the survey file failed.");
    case SurveyStore::Problem::NotAFile:
        return QT_TRANSLATE_NOOP("StoreWords", "the survey file's path is not a plain file (a folder, for instance).");
    }
    return nullptr;
}

} // namespace

QString storeProblemText(SurveyStore::Problem problem, const QString &language)
{
    const char *why = problemSource(problem);
    if (!why)
        return QString();
    return say(QT_TRANSLATE_NOOP("StoreWords", "Readings are not being kept on disk, only in the table: "), language)
        + say(why, language);
}

QString exportedRowsText(const SurveySummary &s, const QString &language)
{
    // Rows go out in exports, not sessions: a session may be partly exported.
    if (s.exportedRows <= 0)
        return say(QT_TRANSLATE_NOOP("StoreWords", "no"), language);
    if (s.exportedRows >= s.rows)
        return say(QT_TRANSLATE_NOOP("StoreWords", "all"), language);
    return say(QT_TRANSLATE_NOOP("StoreWords", "%1 of %2"), language).arg(s.exportedRows).arg(s.rows);
}
