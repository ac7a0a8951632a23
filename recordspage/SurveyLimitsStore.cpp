#include "recordspage/SurveyLimitsStore.h"

#include "store/SurveyStore.h"

#include <QJsonDocument>
#include <QJsonObject>

SurveyLimitsStore::SurveyLimitsStore(SurveyStore &survey, LimitsStore &fallback)
    : m_survey(survey), m_fallback(fallback)
{
}

QByteArray SurveyLimitsStore::encode(const std::optional<Limits> &limits)
{
    if (!limits)
        return QByteArrayLiteral("{}"); // removed: nothing to fall back on either
    QJsonObject o{{QStringLiteral("nominal"), limits->nominal},
                  {QStringLiteral("minimum"), limits->minimum},
                  {QStringLiteral("tolerance"), limits->tolerance},
                  {QStringLiteral("unit"), limits->unit}};
    if (limits->maximum)
        o.insert(QStringLiteral("maximum"), *limits->maximum);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<Limits> SurveyLimitsStore::decode(const QByteArray &data)
{
    const QJsonObject o = QJsonDocument::fromJson(data).object();
    if (!o.value(QStringLiteral("nominal")).isDouble() || !o.value(QStringLiteral("minimum")).isDouble())
        return std::nullopt;
    Limits limits;
    limits.nominal = o.value(QStringLiteral("nominal")).toDouble();
    limits.minimum = o.value(QStringLiteral("minimum")).toDouble();
    limits.tolerance = o.value(QStringLiteral("tolerance")).toDouble();
    if (o.value(QStringLiteral("maximum")).isDouble())
        limits.maximum = o.value(QStringLiteral("maximum")).toDouble();
    limits.unit = o.value(QStringLiteral("unit")).toString();
    if (!limitsProblem(limits).isEmpty())
        return std::nullopt;
    return limits;
}

std::optional<Limits> SurveyLimitsStore::load(const QString &serial)
{
    const QByteArray data = m_survey.loadLimits(serial);
    if (!data.isEmpty())
        return decode(data); // "{}": removed on purpose
    return m_fallback.load(serial);
}

bool SurveyLimitsStore::save(const QString &serial, const std::optional<Limits> &limits)
{
    if (serial.isEmpty())
        return false;
    if (m_survey.writable() && m_survey.saveLimits(serial, encode(limits)))
        return true;
    return m_fallback.save(serial, limits);
}
