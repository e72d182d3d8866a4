#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <variant>

// The small value records the bridge's resources are built from. Each decodes
// from Qt's JSON values with the bridge's tolerance rules: a required key that
// is missing or of the wrong JSON type makes the record fail (std::nullopt).

/// A reference from one resource to another.
struct HueResourceRef
{
    QString rid;
    QString rtype;

    friend bool operator==(const HueResourceRef &, const HueResourceRef &) = default;

    static std::optional<HueResourceRef> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;
};

/// A CIE 1931 chromaticity point.
struct HueXY
{
    double x = 0;
    double y = 0;

    friend bool operator==(const HueXY &, const HueXY &) = default;

    static std::optional<HueXY> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;
};

/// The colour triangle a light can reproduce.
struct HueGamut
{
    HueXY red;
    HueXY green;
    HueXY blue;

    friend bool operator==(const HueGamut &, const HueGamut &) = default;

    static std::optional<HueGamut> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;
};

/// The mirek range a light accepts. No ordering between the ends is enforced.
struct HueMirekRange
{
    int minimum = 0;
    int maximum = 0;

    friend bool operator==(const HueMirekRange &, const HueMirekRange &) = default;
};

struct HueColorTemperature
{
    std::optional<int> mirek;
    std::optional<HueMirekRange> range;

    friend bool operator==(const HueColorTemperature &, const HueColorTemperature &) = default;
};

/// One colour shown for a scene: a chromaticity or a colour temperature.
/// Equal only when the same kind with exactly equal payloads.
struct HueSwatch
{
    std::variant<HueXY, int> value;

    static HueSwatch xy(HueXY point) { return HueSwatch{point}; }
    static HueSwatch mirek(int mirek) { return HueSwatch{mirek}; }

    bool isXY() const { return std::holds_alternative<HueXY>(value); }
    const HueXY *xyValue() const { return std::get_if<HueXY>(&value); }
    const int *mirekValue() const { return std::get_if<int>(&value); }

    friend bool operator==(const HueSwatch &, const HueSwatch &) = default;
};

size_t qHash(const HueResourceRef &ref, size_t seed = 0) noexcept;
size_t qHash(const HueXY &xy, size_t seed = 0) noexcept;
size_t qHash(const HueGamut &gamut, size_t seed = 0) noexcept;
size_t qHash(const HueMirekRange &range, size_t seed = 0) noexcept;
size_t qHash(const HueColorTemperature &temperature, size_t seed = 0) noexcept;
size_t qHash(const HueSwatch &swatch, size_t seed = 0) noexcept;

/// Strict readers of single JSON values, shared by every wire record.
/// They fail on a wrong JSON type instead of converting.
namespace HueJson {

std::optional<QString> string(const QJsonValue &value);
std::optional<double> number(const QJsonValue &value);
/// A JSON number that is integral and fits a signed 32-bit integer.
std::optional<int> integer(const QJsonValue &value);
std::optional<bool> boolean(const QJsonValue &value);

/// True when the key is missing or JSON null: the "absent" of an optional key.
bool isAbsent(const QJsonObject &object, QLatin1StringView key);

/// Reads an optional key. Returns false when the key is present but malformed
/// (which fails the enclosing record); otherwise fills `out` or leaves it empty.
template<typename T, typename Decode>
bool optionalKey(const QJsonObject &object, QLatin1StringView key, std::optional<T> &out, Decode decode)
{
    out.reset();
    // One lookup: decoding a large listing spends much of its time finding keys.
    const auto found = object.constFind(key);
    if (found == object.constEnd() || found->isNull())
        return true;
    out = decode(QJsonValue(*found));
    return out.has_value();
}

/// Request bodies go out as compact JSON. Throws `HueSerializationError` when
/// the value holds a number that is not finite.
QByteArray compact(const QJsonObject &object);
QByteArray compact(const QJsonArray &array);

} // namespace HueJson
