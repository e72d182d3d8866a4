#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class QDBusMessage;

/// One shortcut as the portal's methods and signals carry it, `(sa{sv})`:
/// the id and its properties ("description", "trigger_description", …).
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)
QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutEntry &entry);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutEntry &entry);

/// Shortcuts that work from anywhere in the session, through the desktop
/// portal's org.freedesktop.portal.GlobalShortcuts (Plasma 5.27 and later,
/// others as their portals learn it). The application names each shortcut
/// and says what it is for; the desktop lets the user choose the keys, keeps
/// them between sessions and reports a press as `activated`.
///
/// The shortcuts are bound once: a session that finds all of them already
/// known to the desktop (from an earlier start) only lists them, so the
/// desktop does not ask the user again at every start.
///
/// Every call is asynchronous; nothing here waits for the portal. A desktop
/// without the portal or the interface, a refused session and answers of the
/// wrong shape all end in `unavailable`.
class PortalShortcuts : public QObject
{
    Q_OBJECT

public:
    struct Shortcut
    {
        QString id;
        /// What the desktop's settings list the shortcut as.
        QString description;
        /// The keys as the desktop describes them ("Ctrl+Alt+L"); empty
        /// while none are bound.
        QString trigger;

        friend bool operator==(const Shortcut &, const Shortcut &) = default;
    };
    enum class State { idle, checking, unavailable, ready };

    PortalShortcuts(QList<Shortcut> wanted, QDBusConnection bus, QObject *parent = nullptr);
    ~PortalShortcuts() override;

    /// Asks the portal for a session and binds the shortcuts; once.
    void start();

    State state() const { return m_state; }
    /// The wanted shortcuts, with the keys the desktop reported.
    const QList<Shortcut> &shortcuts() const { return m_shortcuts; }

    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

Q_SIGNALS:
    void stateChanged();
    void shortcutsChanged();
    /// The user pressed the keys of a wanted shortcut.
    void activated(const QString &id);

private Q_SLOTS:
    void onActivated(const QDBusMessage &message);
    void onShortcutsChanged(const QDBusMessage &message);

private:
    using Results = std::function<void(const QVariantMap &results)>;

    void setState(State state);
    /// Calls a portal method that answers through a Request object: the
    /// handle_token goes into `options` (the last argument); `done` gets the
    /// results of a successful Response, anything else ends in unavailable.
    void request(const QString &method, QList<QVariant> arguments, const Results &done);
    void createSession();
    void listShortcuts();
    void bindShortcuts();
    /// Takes the keys the portal reports; false when `value` is not a list of shortcuts.
    bool takeTriggers(const QVariant &value);
    QString nextToken();

    QDBusConnection m_bus;
    QList<Shortcut> m_shortcuts;
    State m_state = State::idle;
    QString m_session;
    int m_tokens = 0;
};
