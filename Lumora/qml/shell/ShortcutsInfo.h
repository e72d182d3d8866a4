#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class PortalShortcuts;
class QJSEngine;
class QQmlEngine;

/// The desktop's global shortcuts as the settings show them: whether the
/// desktop offers them and, when it does, each shortcut with its keys.
class ShortcutsInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    /// Still asking the desktop.
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    /// The desktop binds the shortcuts (false while checking).
    Q_PROPERTY(bool offered READ offered NOTIFY changed)
    /// What each shortcut does, and its keys as the desktop describes them
    /// (empty while unbound), in the same order.
    Q_PROPERTY(QStringList names READ names NOTIFY changed)
    Q_PROPERTY(QStringList keys READ keys NOTIFY changed)

public:
    explicit ShortcutsInfo(PortalShortcuts *portal, QObject *parent = nullptr);

    /// The shortcuts the next engine's `ShortcutsInfo` singleton shows; they
    /// must outlive that engine. Without them, none are offered.
    static void provide(PortalShortcuts *portal);
    static ShortcutsInfo *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    bool checking() const;
    bool offered() const;
    QStringList names() const;
    QStringList keys() const;

Q_SIGNALS:
    void changed();

private:
    QPointer<PortalShortcuts> m_portal;
};
