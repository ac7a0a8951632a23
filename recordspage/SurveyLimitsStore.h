#pragma once

#include "analysis/LimitsStore.h"

class SurveyStore;

// Limits kept beside the readings in the survey file. When the file cannot take them (not
// writable, or a newer program's), the fallback keeps them; limits found only there are
// still loaded, so none are lost when the file comes and goes.
class SurveyLimitsStore : public LimitsStore
{
public:
    // Both must outlive this object.
    SurveyLimitsStore(SurveyStore &survey, LimitsStore &fallback);
    LayerLimits loadLayers(const QString &serial) override;
    bool saveLayers(const QString &serial, const LayerLimits &limits) override;

    // Layer 1's limits at the top level of the object (as before there were layers), the
    // other layers' under "layer2" and "layer3".
    static QByteArray encode(const LayerLimits &limits);
    static QByteArray encode(const std::optional<Limits> &limits)
    {
        LayerLimits all;
        all[0] = limits;
        return encode(all);
    }
    // Each layer none for empty, damaged or senseless data.
    static LayerLimits decodeLayers(const QByteArray &data);
    // Layer 1's.
    static std::optional<Limits> decode(const QByteArray &data) { return decodeLayers(data)[0]; }

private:
    SurveyStore &m_survey;
    LimitsStore &m_fallback;
};
