#include "teamstore/TeamFields.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

void putNumber(QJsonObject &object, const char *key, double value)
{
    if (!std::isnan(value))
        object.insert(QLatin1String(key), value);
}

void putText(QJsonObject &object, const char *key, const QString &value)
{
    if (!value.isEmpty())
        object.insert(QLatin1String(key), value);
}

double number(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isDouble() ? value.toDouble() : std::nan("");
}

QString compact(const QJsonObject &object)
{
    return object.isEmpty() ? QString() : QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// The numbers of a design, by the names they are kept under.
struct DesignNumber
{
    const char *key;
    double DesignInputs::*field;
};
const DesignNumber DesignNumbers[] = {
    {"pressure", &DesignInputs::pressure},     {"diameter", &DesignInputs::diameter},
    {"radius", &DesignInputs::radius},         {"stress", &DesignInputs::stress},
    {"joint", &DesignInputs::joint},           {"jointCircumferential", &DesignInputs::jointCircumferential},
    {"weld", &DesignInputs::weld},             {"coefficientY", &DesignInputs::coefficientY},
    {"temperature", &DesignInputs::temperature}, {"allowance", &DesignInputs::allowance},
    {"gravity", &DesignInputs::gravity},       {"height", &DesignInputs::height},
};

} // namespace

namespace TeamFields {

QString designText(const DesignInputs &inputs)
{
    if (inputs.formula == DesignFormula::None)
        return QString();
    QJsonObject o;
    o.insert(QLatin1String("formula"), int(inputs.formula));
    o.insert(QLatin1String("pressureUnit"), int(inputs.pressureUnit));
    o.insert(QLatin1String("lengthUnit"), int(inputs.lengthUnit));
    o.insert(QLatin1String("temperatureUnit"), int(inputs.temperatureUnit));
    o.insert(QLatin1String("material"), int(inputs.material));
    for (const DesignNumber &n : DesignNumbers)
        putNumber(o, n.key, inputs.*n.field);
    return compact(o);
}

bool designFromText(const QString &text, DesignInputs *inputs)
{
    *inputs = DesignInputs();
    if (text.isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject o = document.object();
    const auto code = [&](const char *key, int last, int *out) {
        const QJsonValue value = o.value(QLatin1String(key));
        *out = value.toInt(-1);
        return value.isDouble() && *out >= 0 && *out <= last;
    };
    int formula, pressure, length, temperature, material;
    if (!code("formula", 255, &formula) || !code("pressureUnit", 2, &pressure) || !code("lengthUnit", 3, &length)
        || !code("temperatureUnit", 1, &temperature) || !code("material", 3, &material))
        return false;
    inputs->formula = DesignFormula(formula);
    inputs->pressureUnit = PressureUnit(pressure);
    inputs->lengthUnit = LengthUnit(length);
    inputs->temperatureUnit = TemperatureUnit(temperature);
    inputs->material = MaterialGroup(material);
    // A number left out was not given, whatever the default of a new design is.
    for (const DesignNumber &n : DesignNumbers)
        inputs->*n.field = number(o, n.key);
    return true;
}

QString cmlFields(const MergeCml &cml)
{
    QJsonObject o;
    putText(o, "description", cml.description);
    putNumber(o, "nominal", cml.nominal);
    putNumber(o, "minimum", cml.minimum);
    putNumber(o, "allowance", cml.allowance);
    putText(o, "material", cml.material);
    putText(o, "notes", cml.notes);
    putText(o, "design", designText(cml.design));
    return compact(o);
}

} // namespace TeamFields
