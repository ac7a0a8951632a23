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
    std::optional<Limits> load(const QString &serial) override;
    bool save(const QString &serial, const std::optional<Limits> &limits) override;

    static QByteArray encode(const std::optional<Limits> &limits);
    // None for empty, damaged or senseless data.
    static std::optional<Limits> decode(const QByteArray &data);

private:
    SurveyStore &m_survey;
    LimitsStore &m_fallback;
};
