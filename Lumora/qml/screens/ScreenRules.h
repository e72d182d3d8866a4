#pragma once

#include "HueStorePhase.h"

#include <QString>

#include <functional>
#include <optional>

/// What the sidebar can select, and its stored form under "sidebar.selection".
struct SidebarItem
{
    enum class Kind { favorites, home, group };

    Kind kind = Kind::home;
    /// The room's or zone's id; empty unless kind is group.
    QString groupID;

    friend bool operator==(const SidebarItem &, const SidebarItem &) = default;

    static SidebarItem favorites() { return {Kind::favorites, {}}; }
    static SidebarItem home() { return {Kind::home, {}}; }
    static SidebarItem group(QString id) { return {Kind::group, std::move(id)}; }

    /// "favorites", "home" or "group:" followed by the id.
    QString storedValue() const;
    /// Exactly "favorites" or "home", or anything starting with "group:"
    /// (the id may be empty); nothing for every other string.
    static std::optional<SidebarItem> fromStoredValue(const QString &stored);
};

/// The screens' decisions, kept out of QML so that they can be tested.
namespace ScreenRules {

/// What the main window shows.
enum class Screen { pairing, connecting, unreachable, main };

/// By phase; a loaded home keeps the working screen through reconnects.
Screen rootScreen(HueStorePhase::Kind phase, bool homeIsEmpty);

/// The selection shown for a stored value: a group that the home no longer
/// holds shows Home; no valid value shows Favourites when there are any.
SidebarItem selection(const QString &stored, const std::function<bool(const QString &)> &hasGroup, bool hasFavorites);

/// The status banner's text; empty when the banner is hidden. An unreachable
/// bridge outranks a failed command.
QString bannerMessage(const HueStorePhase &phase, const QString &commandError);

/// The unreachable placeholder's description: the platform's sentence, a line
/// break, then the store's message unchanged.
QString unreachableDescription(const QString &message);

/// True when the typed address holds nothing but spaces and tabs.
bool isBlankHost(const QString &text);

/// The hint under the pairing screen's search indicator.
QString pairingHint();

} // namespace ScreenRules
