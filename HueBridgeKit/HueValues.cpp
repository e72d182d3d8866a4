#include "HueValues.h"

#include "HueSerializationError.h"

#include <QJsonDocument>

#include <cmath>
#include <limits>

namespace HueJson {

std::optional<QString> string(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<double> number(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<int> integer(const QJsonValue &value)
{
    const auto d = number(value);
    if (!d || std::trunc(*d) != *d)
        return std::nullopt;
    if (*d < double(std::numeric_limits<int>::min()) || *d > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(*d);
}

std::optional<bool> boolean(const QJsonValue &value)
{
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

bool isAbsent(const QJsonObject &object, QLatin1StringView key)
{
    const auto it = object.constFind(key);
    return it == object.constEnd() || it->isNull();
}

namespace {

// Qt writes a number that is not finite as null; refuse it instead.
void requireFinite(const QJsonValue &value)
{
    if (value.isDouble() && !std::isfinite(value.toDouble()))
        throw HueSerializationError();
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            requireFinite(it.value());
    } else if (value.isArray()) {
        for (const QJsonValue element : value.toArray())
            requireFinite(element);
    }
}

} // namespace

QByteArray compact(const QJsonObject &object)
{
    requireFinite(object);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonArray &array)
{
    requireFinite(array);
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace HueJson

using namespace Qt::StringLiterals;

std::optional<HueResourceRef> HueResourceRef::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    auto rid = HueJson::string(object.value("rid"_L1));
    auto rtype = HueJson::string(object.value("rtype"_L1));
    if (!rid || !rtype)
        return std::nullopt;
    return HueResourceRef{*rid, *rtype};
}

QJsonObject HueResourceRef::toJson() const
{
    return {{"rid"_L1, rid}, {"rtype"_L1, rtype}};
}

std::optional<HueXY> HueXY::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto x = HueJson::number(object.value("x"_L1));
    const auto y = HueJson::number(object.value("y"_L1));
    if (!x || !y)
        return std::nullopt;
    return HueXY{*x, *y};
}

QJsonObject HueXY::toJson() const
{
    return {{"x"_L1, x}, {"y"_L1, y}};
}

std::optional<HueGamut> HueGamut::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto red = HueXY::fromJson(object.value("red"_L1));
    const auto green = HueXY::fromJson(object.value("green"_L1));
    const auto blue = HueXY::fromJson(object.value("blue"_L1));
    if (!red || !green || !blue)
        return std::nullopt;
    return HueGamut{*red, *green, *blue};
}

QJsonObject HueGamut::toJson() const
{
    return {{"red"_L1, red.toJson()}, {"green"_L1, green.toJson()}, {"blue"_L1, blue.toJson()}};
}

size_t qHash(const HueResourceRef &ref, size_t seed) noexcept
{
    return qHashMulti(seed, ref.rid, ref.rtype);
}

size_t qHash(const HueXY &xy, size_t seed) noexcept
{
    return qHashMulti(seed, xy.x, xy.y);
}

size_t qHash(const HueGamut &gamut, size_t seed) noexcept
{
    return qHashMulti(seed, gamut.red, gamut.green, gamut.blue);
}

size_t qHash(const HueMirekRange &range, size_t seed) noexcept
{
    return qHashMulti(seed, range.minimum, range.maximum);
}

size_t qHash(const HueColorTemperature &temperature, size_t seed) noexcept
{
    return qHashMulti(seed, temperature.mirek.value_or(0), temperature.mirek.has_value(),
                      temperature.range.value_or(HueMirekRange{}), temperature.range.has_value());
}

size_t qHash(const HueSwatch &swatch, size_t seed) noexcept
{
    if (const auto *xy = swatch.xyValue())
        return qHashMulti(seed, 1, *xy);
    return qHashMulti(seed, 2, *swatch.mirekValue());
}
