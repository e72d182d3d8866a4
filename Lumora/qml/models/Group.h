#pragma once

#include "HomeRows.h"
#include "LumoraStore.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

/// One room, zone or the home group as a screen about it sees it: set the
/// store and the id, and the values its header shows follow the store's
/// snapshot and the stars; they are empty while the home has no such group.
/// Each property notifies only when its own value changes, so that a live
/// change of another room re-evaluates nothing on this screen.
class Group : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LumoraStore *store READ store WRITE setStore NOTIFY storeChanged)
    Q_PROPERTY(QString groupId READ groupId WRITE setGroupId NOTIFY groupIdChanged)
    Q_PROPERTY(QString name READ name NOTIFY nameChanged)
    /// "room", "zone" or "home".
    Q_PROPERTY(QString kind READ kind NOTIFY kindChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY symbolChanged)
    /// The line under the name: how many lights are on.
    Q_PROPERTY(QString summary READ summary NOTIFY summaryChanged)
    Q_PROPERTY(bool isOn READ isOn NOTIFY isOnChanged)
    /// A number from 0 to 100, or null.
    Q_PROPERTY(QVariant brightness READ brightness NOTIFY brightnessChanged)
    /// The glow of the lit lights, or null when none is lit.
    Q_PROPERTY(QVariant glow READ glow NOTIFY glowChanged)
    Q_PROPERTY(bool hasColorButton READ hasColorButton NOTIFY hasColorButtonChanged)
    Q_PROPERTY(bool supportsColor READ supportsColor NOTIFY supportsColorChanged)
    /// {minimum, maximum} in mirek over the lights with a white tone, or null.
    Q_PROPERTY(QVariant colorRange READ colorRange NOTIFY colorRangeChanged)
    /// The colour the colour picker starts from.
    Q_PROPERTY(QColor pickerColor READ pickerColor NOTIFY pickerColorChanged)
    Q_PROPERTY(bool isFavorite READ isFavorite NOTIFY isFavoriteChanged)

public:
    explicit Group(QObject *parent = nullptr);

    LumoraStore *store() const { return m_store; }
    void setStore(LumoraStore *store);
    QString groupId() const { return m_groupId; }
    void setGroupId(const QString &id);

    QString name() const { return m_values.name; }
    QString kind() const { return m_values.kind; }
    QString symbol() const { return m_values.symbol; }
    QString summary() const { return m_values.summary; }
    bool isOn() const { return m_values.isOn; }
    QVariant brightness() const;
    QVariant glow() const;
    bool hasColorButton() const { return m_values.hasColorButton; }
    bool supportsColor() const { return m_values.supportsColor; }
    QVariant colorRange() const;
    QColor pickerColor() const { return m_values.pickerColor; }
    bool isFavorite() const { return m_values.isFavorite; }

Q_SIGNALS:
    void storeChanged();
    void groupIdChanged();
    void nameChanged();
    void kindChanged();
    void symbolChanged();
    void summaryChanged();
    void isOnChanged();
    void brightnessChanged();
    void glowChanged();
    void hasColorButtonChanged();
    void supportsColorChanged();
    void colorRangeChanged();
    void pickerColorChanged();
    void isFavoriteChanged();

private:
    void update();

    QPointer<LumoraStore> m_store;
    QString m_groupId;
    // The same values a card of the group shows, from the same rules.
    GroupRow m_values = none();
    static GroupRow none();
};
