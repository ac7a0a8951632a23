#include "session/WalkWords.h"

#include "interaction/Language.h"

#include <QCoreApplication>

namespace {

QString say(const char *source, const QString &language)
{
    return language.isEmpty() ? QCoreApplication::translate("WalkWords", source)
                              : Language::instance().translate(language, "WalkWords", source);
}

} // namespace

QString skipReasonWords(SkipReason reason, const QString &language)
{
    switch (reason) {
    case SkipReason::NoAccess:
        return say(QT_TRANSLATE_NOOP("WalkWords", "no access"), language);
    case SkipReason::Insulated:
        return say(QT_TRANSLATE_NOOP("WalkWords", "insulated"), language);
    case SkipReason::Obstructed:
        return say(QT_TRANSLATE_NOOP("WalkWords", "obstructed"), language);
    case SkipReason::TooHot:
        return say(QT_TRANSLATE_NOOP("WalkWords", "too hot"), language);
    case SkipReason::Unsafe:
        return say(QT_TRANSLATE_NOOP("WalkWords", "unsafe"), language);
    case SkipReason::Other:
        break;
    }
    return say(QT_TRANSLATE_NOOP("WalkWords", "other"), language);
}

QString walkProblemText(RouteWalk::Problem problem, const QString &language)
{
    switch (problem) {
    case RouteWalk::Problem::None:
        return QString();
    case RouteWalk::Problem::NoStore:
        return say(QT_TRANSLATE_NOOP("WalkWords", "No survey file is open for writing: readings could not be kept, so the walk cannot start."), language);
    case RouteWalk::Problem::NotFound:
        return say(QT_TRANSLATE_NOOP("WalkWords", "The route or asset is not in the survey file."), language);
    case RouteWalk::Problem::Empty:
        return say(QT_TRANSLATE_NOOP("WalkWords", "It has no CMLs to walk."), language);
    case RouteWalk::Problem::NoSurvey:
        return say(QT_TRANSLATE_NOOP("WalkWords", "Connect the gauge first: there is no survey to note this in yet."), language);
    case RouteWalk::Problem::StoreFailed:
        return say(QT_TRANSLATE_NOOP("WalkWords", "The survey file could not be written; the readings are kept, the walk's log may be incomplete."), language);
    case RouteWalk::Problem::NothingToUndo:
        return say(QT_TRANSLATE_NOOP("WalkWords", "Nothing to undo."), language);
    case RouteWalk::Problem::NotNow:
        return say(QT_TRANSLATE_NOOP("WalkWords", "Not now: take a reading first, or there is no stop before this one."), language);
    }
    return QString();
}
