#include "UJson.h"

#include "UConv.h"

#include <cmath>
#include <limits>

bool TUJson::AsNumber(const QJsonValue &Json, double &Value)
{
    if (Json.isDouble()) {
        Value = Json.toDouble();
        return true;
    }
    if (!Json.isString())
        return false;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double number = TUConv::StrToFloat(Json.toString(), nan);
    if (!std::isfinite(number))
        return false;
    Value = number;
    return true;
}

int32_t TUJson::AsInt(const QJsonValue &Json, int32_t Default)
{
    double number = 0;
    if (!AsNumber(Json, number))
        return Default;
    number = std::trunc(number);
    if (!(number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max()))
        return Default;
    return int32_t(number);
}

double TUJson::AsFloat(const QJsonValue &Json, double Default)
{
    double number = 0;
    return AsNumber(Json, number) ? number : Default;
}

QString TUJson::AsText(const QJsonValue &Json)
{
    if (Json.isString())
        return Json.toString();
    if (!Json.isDouble())
        return {};
    // Whole numbers keep every digit (the parser holds them as 64-bit integers where they fit).
    constexpr qint64 none = std::numeric_limits<qint64>::min();
    const qint64 whole = Json.toInteger(none);
    if (whole != none)
        return QString::number(whole);
    return QString::number(Json.toDouble(), 'g', QLocale::FloatingPointShortest);
}

bool TUJson::AsYes(const QJsonValue &Json)
{
    return Json.isString() && Json.toString() == u"Y";
}
