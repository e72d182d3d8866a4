#include "HueGroup.h"

using namespace Qt::StringLiterals;

std::optional<HueResourceRef> HueGroup::sceneOwner() const
{
    switch (kind) {
    case Kind::room:
        return HueResourceRef{id, u"room"_s};
    case Kind::zone:
        return HueResourceRef{id, u"zone"_s};
    case Kind::home:
        break;
    }
    return std::nullopt;
}

QString HueGroup::kindName(Kind kind)
{
    switch (kind) {
    case Kind::room:
        return u"room"_s;
    case Kind::zone:
        return u"zone"_s;
    case Kind::home:
        return u"home"_s;
    }
    return u"room"_s;
}
