#include "ScreenRules.h"

#include "HueText.h"
#include "PlatformWords.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QString SidebarItem::storedValue() const
{
    switch (kind) {
    case Kind::favorites:
        return u"favorites"_s;
    case Kind::home:
        return u"home"_s;
    case Kind::group:
        return u"group:"_s + groupID;
    }
    return u"home"_s;
}

std::optional<SidebarItem> SidebarItem::fromStoredValue(const QString &stored)
{
    if (stored == u"favorites")
        return favorites();
    if (stored == u"home")
        return home();
    if (stored.startsWith(u"group:"))
        return group(stored.mid(6));
    return std::nullopt;
}

namespace ScreenRules {

Screen rootScreen(HueStorePhase::Kind phase, bool homeIsEmpty)
{
    switch (phase) {
    case HueStorePhase::Kind::unpaired:
        return Screen::pairing;
    case HueStorePhase::Kind::connecting:
        return homeIsEmpty ? Screen::connecting : Screen::main;
    case HueStorePhase::Kind::ready:
        return Screen::main;
    case HueStorePhase::Kind::unreachable:
        return homeIsEmpty ? Screen::unreachable : Screen::main;
    }
    return Screen::pairing;
}

SidebarItem selection(const QString &stored, const std::function<bool(const QString &)> &hasGroup, bool hasFavorites)
{
    const auto item = SidebarItem::fromStoredValue(stored);
    if (!item)
        return hasFavorites ? SidebarItem::favorites() : SidebarItem::home();
    if (item->kind == SidebarItem::Kind::group && !hasGroup(item->groupID))
        return SidebarItem::home();
    return *item;
}

QString bannerMessage(const HueStorePhase &phase, const QString &commandError)
{
    if (phase.kind == HueStorePhase::Kind::unreachable) {
        return HueText::tr(u"Bridge nicht erreichbar. Die Anzeige kann veraltet sein; Lumora verbindet sich neu."_s,
                           u"Bridge unreachable. What you see may be out of date; Lumora is reconnecting."_s);
    }
    return commandError;
}

QString unreachableDescription(const QString &message)
{
    return HueText::tr(PlatformWords::unreachableHintGerman(), PlatformWords::unreachableHintEnglish()) + u'\n'
           + message;
}

bool isBlankHost(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == u' ' || c == u'\t'; });
}

QString pairingHint()
{
    return HueText::tr(PlatformWords::pairingHintGerman(), PlatformWords::pairingHintEnglish());
}

} // namespace ScreenRules
