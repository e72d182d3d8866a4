#pragma once

#include "Glow.h"
#include "HueValues.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

struct HueGroup;
struct HueLight;
struct HueScene;

// The rows of the home's list models (see KeyedListModel for what a row
// provides): one member per role, named as the role that shows it. The same
// values serve single records, so that a list and a record always agree.

/// QML reads a range of white tones as {minimum, maximum}.
QVariant qmlValue(const HueMirekRange &range);

/// A room, zone or the home: its card, sidebar row and room section.
struct GroupRow
{
    enum Role {
        GroupIdRole = Qt::UserRole + 1,
        NameRole,
        KindRole,
        SymbolRole,
        IsOnRole,
        BrightnessRole,
        GlowRole,
        SummaryRole,
        HasColorButtonRole,
        SupportsColorRole,
        ColorRangeRole,
        PickerColorRole,
        IsFavoriteRole,
        LightCountRole,
        SceneCountRole,
        OpenLabelRole,
    };
    static constexpr int lastRole = OpenLabelRole;

    QString groupId;
    QString name;
    QString kind;
    QString symbol;
    bool isOn = false;
    std::optional<double> brightness;
    std::optional<Glow> glow;
    QString summary;
    bool hasColorButton = false;
    bool supportsColor = false;
    std::optional<HueMirekRange> colorRange;
    QColor pickerColor;
    bool isFavorite = false;
    int lightCount = 0;
    int sceneCount = 0;
    QString openLabel;

    static GroupRow of(const HueGroup &group, bool isFavorite);
    const QString &id() const { return groupId; }
    static QHash<int, QByteArray> roleNames();
    template<typename Use>
    static auto member(Role role, Use &&use)
    {
        switch (role) {
        case GroupIdRole:
            return use(&GroupRow::groupId);
        case NameRole:
            return use(&GroupRow::name);
        case KindRole:
            return use(&GroupRow::kind);
        case SymbolRole:
            return use(&GroupRow::symbol);
        case IsOnRole:
            return use(&GroupRow::isOn);
        case BrightnessRole:
            return use(&GroupRow::brightness);
        case GlowRole:
            return use(&GroupRow::glow);
        case SummaryRole:
            return use(&GroupRow::summary);
        case HasColorButtonRole:
            return use(&GroupRow::hasColorButton);
        case SupportsColorRole:
            return use(&GroupRow::supportsColor);
        case ColorRangeRole:
            return use(&GroupRow::colorRange);
        case PickerColorRole:
            return use(&GroupRow::pickerColor);
        case IsFavoriteRole:
            return use(&GroupRow::isFavorite);
        case LightCountRole:
            return use(&GroupRow::lightCount);
        case SceneCountRole:
            return use(&GroupRow::sceneCount);
        case OpenLabelRole:
            break;
        }
        return use(&GroupRow::openLabel);
    }
};

/// A light's card.
struct LightRow
{
    enum Role {
        LightIdRole = Qt::UserRole + 1,
        NameRole,
        SymbolRole,
        IsOnRole,
        BrightnessRole,
        IsReachableRole,
        GlowRole,
        DisplayColorRole,
        SupportsColorRole,
        MirekRole,
        MirekRangeRole,
        CanChangeColorRole,
        IsFavoriteRole,
    };
    static constexpr int lastRole = IsFavoriteRole;

    QString lightId;
    QString name;
    QString symbol;
    bool isOn = false;
    std::optional<double> brightness;
    bool isReachable = false;
    std::optional<Glow> glow;
    QColor displayColor;
    bool supportsColor = false;
    std::optional<int> mirek;
    std::optional<HueMirekRange> mirekRange;
    bool canChangeColor = false;
    bool isFavorite = false;

    static LightRow of(const HueLight &light, bool isFavorite);
    const QString &id() const { return lightId; }
    static QHash<int, QByteArray> roleNames();
    template<typename Use>
    static auto member(Role role, Use &&use)
    {
        switch (role) {
        case LightIdRole:
            return use(&LightRow::lightId);
        case NameRole:
            return use(&LightRow::name);
        case SymbolRole:
            return use(&LightRow::symbol);
        case IsOnRole:
            return use(&LightRow::isOn);
        case BrightnessRole:
            return use(&LightRow::brightness);
        case IsReachableRole:
            return use(&LightRow::isReachable);
        case GlowRole:
            return use(&LightRow::glow);
        case DisplayColorRole:
            return use(&LightRow::displayColor);
        case SupportsColorRole:
            return use(&LightRow::supportsColor);
        case MirekRole:
            return use(&LightRow::mirek);
        case MirekRangeRole:
            return use(&LightRow::mirekRange);
        case CanChangeColorRole:
            return use(&LightRow::canChangeColor);
        case IsFavoriteRole:
            break;
        }
        return use(&LightRow::isFavorite);
    }
};

/// A scene's tile.
struct SceneRow
{
    enum Role {
        SceneIdRole = Qt::UserRole + 1,
        NameRole,
        GroupIdRole,
        GroupNameRole,
        IsActiveRole,
        SwatchRole,
        IsFavoriteRole,
    };
    static constexpr int lastRole = IsFavoriteRole;

    QString sceneId;
    QString name;
    QString groupId;
    /// Only where the scene is shown away from its group (null in QML).
    std::optional<QString> groupName;
    bool isActive = false;
    Glow swatch;
    bool isFavorite = false;

    static SceneRow of(const HueScene &scene, std::optional<QString> groupName, bool isFavorite);
    const QString &id() const { return sceneId; }
    static QHash<int, QByteArray> roleNames();
    template<typename Use>
    static auto member(Role role, Use &&use)
    {
        switch (role) {
        case SceneIdRole:
            return use(&SceneRow::sceneId);
        case NameRole:
            return use(&SceneRow::name);
        case GroupIdRole:
            return use(&SceneRow::groupId);
        case GroupNameRole:
            return use(&SceneRow::groupName);
        case IsActiveRole:
            return use(&SceneRow::isActive);
        case SwatchRole:
            return use(&SceneRow::swatch);
        case IsFavoriteRole:
            break;
        }
        return use(&SceneRow::isFavorite);
    }
};
