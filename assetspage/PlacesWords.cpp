#include "assetspage/PlacesWords.h"

QString PlacesWords::kind(AssetKind kind)
{
    switch (kind) {
    case AssetKind::Site:
        return tr("Site");
    case AssetKind::Unit:
        return tr("Unit");
    case AssetKind::Equipment:
        return tr("Equipment");
    case AssetKind::Circuit:
        return tr("Circuit");
    case AssetKind::Other:
        break;
    }
    return tr("Other");
}

QString PlacesWords::problem(const Places &places)
{
    const QString subject = places.problemSubject();
    switch (places.problem()) {
    case Places::Problem::None:
        return QString();
    case Places::Problem::StoreRefused:
        return tr("The survey file cannot be written.");
    case Places::Problem::NotFound:
        return subject.isEmpty() ? tr("It is no longer in the survey file.")
                                 : tr("\"%1\" is not in the survey file.").arg(subject);
    case Places::Problem::Duplicate:
        return tr("\"%1\" is taken already.").arg(subject);
    case Places::Problem::BadInput:
        return tr("A tag must not be empty or contain \"/\".");
    }
    return QString();
}

QString PlacesWords::mark(StopMark mark)
{
    switch (mark) {
    case StopMark::NoAccess:
        return tr("No access");
    case StopMark::Skipped:
        return tr("Skipped");
    case StopMark::None:
        break;
    }
    return QString();
}
