#pragma once

#include <QString>
#include <array>

// One row of the single-layer table: column 0 thickness, column 1 sound velocity.
// A non-empty text is shown instead of the number (e.g. the out-of-range word).
struct SingleLayerRow
{
    float thickness = 0.0f;
    float velocity = 0.0f;
    QString thicknessText;
    QString velocityText;
};

// One row of the multi-layer table: the name in column 0, then thickness of layers 1-3
// and sound velocity of layers 1-3 in columns 1-6 (the order of a stored record).
struct MultiLayerRow
{
    QString name;
    std::array<float, 6> values{};
    std::array<QString, 6> texts;
};
