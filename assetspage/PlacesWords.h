#pragma once

#include "store/Places.h"

#include <QCoreApplication>
#include <QString>

// The places' codes in words, in the language in use.
class PlacesWords
{
    Q_DECLARE_TR_FUNCTIONS(PlacesWords)
public:
    static QString kind(AssetKind kind);
    // Why the last call of `places` fell short.
    static QString problem(const Places &places);
    static QString mark(StopMark mark);
};
