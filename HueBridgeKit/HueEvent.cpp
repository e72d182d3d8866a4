#include "HueEvent.h"

#include "LossyArray.h"

using namespace Qt::StringLiterals;

HueEvent::Kind HueEvent::kindFromString(const QString &wire)
{
    if (wire == "update"_L1)
        return Kind::update;
    if (wire == "add"_L1)
        return Kind::add;
    if (wire == "delete"_L1)
        return Kind::delete_;
    if (wire == "other"_L1)
        return Kind::other;
    return Kind::other;
}

QString HueEvent::toString(Kind kind)
{
    switch (kind) {
    case Kind::update:
        return u"update"_s;
    case Kind::add:
        return u"add"_s;
    case Kind::delete_:
        return u"delete"_s;
    case Kind::other:
        break;
    }
    return u"other"_s;
}

std::optional<HueEvent> HueEvent::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    HueEvent event;
    event.kind = kindFromString(HueJson::string(object.value("type"_L1)).value_or(QString()));
    if (auto data = LossyArray<HueResource>::fromJson(object.value("data"_L1)))
        event.resources = std::move(data->elements);
    return event;
}
