#include "session/GridWords.h"

#include "interaction/Language.h"

#include <QCoreApplication>

namespace {

QString say(const char *source, const QString &language)
{
    return language.isEmpty() ? QCoreApplication::translate("GridWords", source)
                              : Language::instance().translate(language, "GridWords", source);
}

} // namespace

QString gridFillProblemText(GridFill::Problem problem, const QString &language)
{
    switch (problem) {
    case GridFill::Problem::None:
        return QString();
    case GridFill::Problem::NoStore:
        return say(QT_TRANSLATE_NOOP("GridWords", "No survey file is open for writing: readings could not be kept in the grid."), language);
    case GridFill::Problem::NotAGrid:
        return say(QT_TRANSLATE_NOOP("GridWords", "This CML is not a grid survey area (or is not in the survey file)."), language);
    case GridFill::Problem::OutOfGrid:
        return say(QT_TRANSLATE_NOOP("GridWords", "That cell is outside the grid or masked."), language);
    case GridFill::Problem::StoreFailed:
        return say(QT_TRANSLATE_NOOP("GridWords", "The survey file could not be written; the reading is kept but not placed in the grid."), language);
    case GridFill::Problem::NotOnGrid:
        return say(QT_TRANSLATE_NOOP("GridWords", "That reading is not one of this grid's."), language);
    }
    return QString();
}
