#include "Favorite.h"

#include <QHashFunctions>

using namespace Qt::StringLiterals;

QString Favorite::kindName(Kind kind)
{
    switch (kind) {
    case Kind::scene:
        return u"scene"_s;
    case Kind::group:
        return u"group"_s;
    case Kind::light:
        return u"light"_s;
    }
    return {};
}

std::optional<Favorite::Kind> Favorite::kindFromName(const QString &name)
{
    for (Kind kind : {Kind::scene, Kind::group, Kind::light}) {
        if (name == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

QJsonObject Favorite::toJson() const
{
    return {{"kind"_L1, kindName(kind)}, {"id"_L1, id}};
}

std::optional<Favorite> Favorite::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue kindValue = object.value("kind"_L1);
    const QJsonValue idValue = object.value("id"_L1);
    if (!kindValue.isString() || !idValue.isString())
        return std::nullopt;
    const auto kind = kindFromName(kindValue.toString());
    if (!kind)
        return std::nullopt;
    return Favorite{*kind, idValue.toString()};
}

size_t qHash(const Favorite &favorite, size_t seed) noexcept
{
    return qHashMulti(seed, static_cast<int>(favorite.kind), favorite.id);
}
