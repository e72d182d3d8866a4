#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

/// One favourite: a scene, a group (room, zone or the whole home) or a light,
/// named by its resource id.
struct Favorite
{
    Q_GADGET
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString id MEMBER id)

public:
    enum class Kind { scene, group, light };
    Q_ENUM(Kind)

    Kind kind = Kind::scene;
    QString id;

    friend bool operator==(const Favorite &, const Favorite &) = default;

    /// The kind's raw string in stored JSON ("scene", "group", "light").
    static QString kindName(Kind kind);
    static std::optional<Kind> kindFromName(const QString &name);

    /// {"kind": ..., "id": ...}
    QJsonObject toJson() const;
    /// Nothing unless `value` is an object with a known "kind" and a string "id".
    static std::optional<Favorite> fromJson(const QJsonValue &value);
};

size_t qHash(const Favorite &favorite, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(Favorite)
