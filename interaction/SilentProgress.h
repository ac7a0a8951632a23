#pragma once

#include "interaction/UserInteraction.h"

// A progress "dialog" that shows nothing and is never cancelled: for runs without a person.
class SilentProgress : public ProgressHandle
{
public:
    explicit SilentProgress(int maximum) : max(maximum) {}
    void setValue(int value) override { current = value; }
    int value() const override { return current; }
    int maximum() const override { return max; }
    bool wasCanceled() const override { return false; }
    void hide() override {}

private:
    int max;
    int current = 0;
};
