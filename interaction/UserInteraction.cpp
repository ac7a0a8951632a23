#include "interaction/UserInteraction.h"

#include "interaction/WidgetInteraction.h"

namespace {
UserInteraction *installed = nullptr;
}

UserInteraction &UserInteraction::current()
{
    if (installed)
        return *installed;
    static WidgetInteraction widgets;
    return widgets;
}

void UserInteraction::setCurrent(UserInteraction *interaction)
{
    installed = interaction;
}
