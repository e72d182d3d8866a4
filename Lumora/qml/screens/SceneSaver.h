#pragma once

#include "LumoraStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// Saves a group's current light as a new scene on the bridge, one save at a
/// time, for the panel that asks for the name. The outcome of a save reaches
/// only a saver that is still there: the panel may be closed while the bridge
/// answers.
class SceneSaver : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LumoraStore *store MEMBER m_store NOTIFY storeChanged)
    Q_PROPERTY(QString groupId MEMBER m_groupId NOTIFY groupIdChanged)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)
    /// Why the last save failed; empty when it did not.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

public:
    using QObject::QObject;

    bool saving() const { return m_saving; }
    QString failure() const { return m_failure; }

    /// Starts saving the scene `name` unless a save is under way or the
    /// store refuses the name.
    Q_INVOKABLE void save(const QString &name);

Q_SIGNALS:
    void storeChanged();
    void groupIdChanged();
    void savingChanged();
    void failureChanged();
    /// The scene was saved.
    void saved();

private:
    static QCoro::Task<void> run(QPointer<SceneSaver> self, QPointer<LumoraStore> store, QString name, QString groupId);
    void finish(const std::optional<QString> &failure);

    QPointer<LumoraStore> m_store;
    QString m_groupId;
    bool m_saving = false;
    QString m_failure;
};
