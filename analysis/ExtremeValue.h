#pragma once

#include "analysis/Finding.h"

#include <QVector>

#include <limits>

// The deepest wall loss over a whole area, estimated from the deepest loss found in each of a few
// sample blocks: the largest of many blocks follows a Gumbel (type I extreme value) law, fitted by
// the method of moments and read at the return period of the whole area (HSE Research Report 016).
// Pure arithmetic on numbers in one unit; the face says the refusal and the assumptions.

// Below this correlation between the sorted maxima and their Gumbel reduced variates the sample
// does not look Gumbel-distributed (two corrosion mechanisms, a wrong block size, a gauge fault),
// and an extrapolation from it would be guesswork: the estimate is refused.
constexpr double GumbelPoorFitBelow = 0.9;
// Fewer blocks than this leave the moments too loose for an extrapolation.
constexpr int GumbelFewestBlocks = 6;

struct ExtremeEstimate
{
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    // Why there is no estimate (empty when there is one). The figures below are filled as far as
    // they could be computed, so a poor fit still shows its r.
    Finding refusal;

    int blocks = 0;            // n: sample blocks
    double blockArea = NaN;    // a
    double totalArea = NaN;    // A
    double mean = NaN;         // x̄ of the maxima
    double stdDev = NaN;       // s, sample standard deviation (n − 1)
    double alpha = NaN;        // scale, √6·s/π
    double lambda = NaN;       // location, x̄ − 0.5772·α
    double returnPeriod = NaN; // T = A / a
    double reducedVariate = NaN; // y_T = −ln(−ln(1 − 1/T))
    double estimate = NaN;     // x_T = λ + α·y_T: the deepest loss expected over A
    double standardError = NaN; // SE of x_T
    double lower = NaN;        // 95 % interval of x_T: x_T ∓ 1.96·SE
    double upper = NaN;
    double correlation = NaN;  // r of the sorted maxima against their plotting positions

    bool ok() const { return refusal.isEmpty(); }
};

// From the wall-loss maxima, one per sample block, the area of one block and the total area
// (same area unit). Refusals: non-finite input, fewer than GumbelFewestBlocks blocks, a block
// area not above zero, a total area not larger than a block's, all maxima equal, r below
// GumbelPoorFitBelow.
ExtremeEstimate estimateExtremeLoss(const QVector<double> &maxima, double blockArea, double totalArea);

// The same read as thickness: the losses are `reference` (e.g. nominal) minus each block's
// thinnest reading.
struct ThinnestWallEstimate
{
    ExtremeEstimate loss;   // the fit on the losses
    double reference = ExtremeEstimate::NaN;
    double thinnest = ExtremeEstimate::NaN; // reference − x_T
    double lower = ExtremeEstimate::NaN;    // reference − upper loss
    double upper = ExtremeEstimate::NaN;    // reference − lower loss

    bool ok() const { return loss.ok(); }
};

ThinnestWallEstimate estimateThinnestWall(const QVector<double> &blockMinima, double reference, double blockArea,
                                          double totalArea);
