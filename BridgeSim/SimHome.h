#pragma once

#include "SimHomeSize.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class SimEventQueue;

/// The simulated bridge's resources and what commands do to them. Every
/// change is also reported to the event queue, if one is set.
class SimHome
{
public:
    /// The outcome of one command: an HTTP status, the references written
    /// and the error descriptions, as the bridge's envelope carries them.
    struct Result
    {
        int status = 200;
        QJsonArray data;
        QStringList errors;

        static Result ok(const QString &rid, const QString &rtype);
        static Result error(int status, const QString &description);
        QJsonObject envelope() const;
    };

    /// Loads a bare JSON array of resources or the {"errors":[],"data":[...]}
    /// envelope. Elements without a string "id" and "type" are kept out.
    bool load(const QByteArray &json, QString *error = nullptr);
    void generate(const SimHomeSize &size, const QString &bridgeId);
    /// Writes the id, in lower case, into the bridge resource, so that the
    /// resources agree with the certificate and /api/0/config.
    void setBridgeId(const QString &bridgeId);
    void setEventQueue(SimEventQueue *queue) { m_events = queue; }
    /// 0 means no limit. Creating a scene beyond it answers 507.
    void setMaximumScenes(int maximum) { m_maximumScenes = maximum; }

    QJsonArray resources() const;
    QJsonArray resources(const QString &type) const;
    std::optional<QJsonObject> resource(const QString &id) const;
    QStringList ids(const QString &type) const;
    qsizetype size() const { return m_order.size(); }
    /// Changes with every modification; lets callers cache serialised answers.
    quint64 revision() const { return m_revision; }

    /// The lights a room, zone, bridge_home or grouped light stands for.
    QStringList lightsOf(const QString &groupOrGroupedLightId) const;

    Result putLight(const QString &id, const QJsonObject &body);
    Result putGroupedLight(const QString &id, const QJsonObject &body);
    Result putScene(const QString &id, const QJsonObject &body);
    Result postScene(const QJsonObject &body);
    Result deleteScene(const QString &id);

    /// A change made elsewhere (a wall switch, another app): `patch` is
    /// merged into the resource and reported; for lights, groups and scenes
    /// follow as they would after a command. False when the id is unknown.
    bool changeFromOutside(const QString &id, const QJsonObject &patch);
    /// Adds a resource (reported as "add"). False when id or type is
    /// missing or the id exists.
    bool addResource(const QJsonObject &resource);
    /// Removes any resource (reported as "delete").
    bool removeResource(const QString &id);

private:
    QString applyToLight(const QString &id, const QJsonObject &action, QSet<QString> &changedLights);
    void settleGroups(const QSet<QString> &changedLights, const QSet<QString> &keepActive);
    void report(const QString &id, const QJsonObject &changes);
    void insert(const QJsonObject &resource);
    QString validateActions(const QJsonValue &actions) const;
    QString groupOf(const QString &groupedLightId) const;
    void collectLights(const QString &id, QStringList &lights, QSet<QString> &seen) const;
    void touch(bool structure);

    QStringList m_order;
    QHash<QString, QJsonObject> m_resources;
    SimEventQueue *m_events = nullptr;
    int m_maximumScenes = 0;
    quint64 m_revision = 0;
    mutable QHash<QString, QStringList> m_membership;
    mutable QHash<QString, QStringList> m_byType;
};
