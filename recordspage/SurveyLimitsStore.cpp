#include "recordspage/SurveyLimitsStore.h"

#include "store/SurveyStore.h"

SurveyLimitsStore::SurveyLimitsStore(SurveyStore &survey, LimitsStore &fallback)
    : m_survey(survey), m_fallback(fallback)
{
}

QByteArray SurveyLimitsStore::encode(const LayerLimits &limits)
{
    return encodeLayerLimits(limits);
}

LayerLimits SurveyLimitsStore::decodeLayers(const QByteArray &data)
{
    return decodeLayerLimits(data);
}

LayerLimits SurveyLimitsStore::loadLayers(const QString &serial)
{
    const QByteArray data = m_survey.loadLimits(serial);
    if (!data.isEmpty())
        return decodeLayers(data); // "{}": removed on purpose
    return m_fallback.loadLayers(serial);
}

bool SurveyLimitsStore::saveLayers(const QString &serial, const LayerLimits &limits)
{
    if (serial.isEmpty())
        return false;
    if (m_survey.writable() && m_survey.saveLimits(serial, encode(limits)))
        return true;
    return m_fallback.saveLayers(serial, limits);
}
