#include "PortalShortcuts.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString requestInterface = u"org.freedesktop.portal.Request"_s;
const QString shortcutListSignature = u"a(sa{sv})"_s;

/// Waits for the Response signal of one Request object, then deletes itself.
class PendingRequest : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(uint response, const QVariantMap &results)>;

    PendingRequest(QDBusConnection bus, Done done, QObject *parent)
        : QObject(parent)
        , m_bus(std::move(bus))
        , m_done(std::move(done))
    {
    }
    ~PendingRequest() override { follow({}); }

    /// Listens on `handle` (and no longer on the one before).
    void follow(const QString &handle)
    {
        if (!m_handle.isEmpty())
            m_bus.disconnect(PortalShortcuts::service, m_handle, requestInterface, u"Response"_s, this,
                             SLOT(onResponse(QDBusMessage)));
        m_handle = handle;
        if (!m_handle.isEmpty())
            m_bus.connect(PortalShortcuts::service, m_handle, requestInterface, u"Response"_s, this,
                          SLOT(onResponse(QDBusMessage)));
    }
    const QString &handle() const { return m_handle; }

    /// The call failed before any Response: reported as one that failed.
    void fail() { finish(2, {}); }

private Q_SLOTS:
    void onResponse(const QDBusMessage &message)
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.signature() != u"ua{sv}"_s || arguments.size() != 2)
            return finish(2, {});
        finish(arguments.at(0).toUInt(), qdbus_cast<QVariantMap>(arguments.at(1)));
    }

private:
    void finish(uint response, const QVariantMap &results)
    {
        if (!m_done)
            return;
        // The callback may start the next request; this one is done first.
        const Done done = std::exchange(m_done, nullptr);
        follow({});
        deleteLater();
        done(response, results);
    }

    QDBusConnection m_bus;
    Done m_done;
    QString m_handle;
};

/// A session or request handle arrives as an object path or, from some
/// portals, as a string.
QString handleOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.metaType() == QMetaType::fromType<QString>() ? value.toString() : QString();
}

} // namespace

PortalShortcuts::PortalShortcuts(QList<Shortcut> wanted, QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_shortcuts(std::move(wanted))
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

PortalShortcuts::~PortalShortcuts()
{
    if (m_session.isEmpty())
        return;
    // The desktop drops the shortcuts' session with the connection anyway;
    // closing it says so at once.
    m_bus.call(QDBusMessage::createMethodCall(service, m_session, u"org.freedesktop.portal.Session"_s, u"Close"_s),
               QDBus::NoBlock);
}

void PortalShortcuts::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

QString PortalShortcuts::nextToken()
{
    return u"lumora%1_%2"_s.arg(++m_tokens).arg(QRandomGenerator::global()->generate());
}

void PortalShortcuts::start()
{
    if (m_state != State::idle)
        return;
    if (!m_bus.isConnected()) {
        setState(State::unavailable);
        return;
    }
    setState(State::checking);
    // Portals that know applications outside a sandbox only by what they
    // say ask them to name themselves first, with the desktop entry's name.
    // Older ones do not have the registry; that answer is of no interest.
    QDBusMessage registration =
        QDBusMessage::createMethodCall(service, path, u"org.freedesktop.host.portal.Registry"_s, u"Register"_s);
    registration << u"app.lumora.Lumora"_s << QVariantMap();
    m_bus.call(registration, QDBus::NoBlock);

    // The interface exists when it has a version; a desktop without the
    // portal, or a portal without global shortcuts, answers with an error.
    QDBusMessage version =
        QDBusMessage::createMethodCall(service, path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    version << interface << u"version"_s;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(version), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError() || reply.value().variant().toUInt() == 0) {
            setState(State::unavailable);
            return;
        }
        m_bus.connect(service, path, interface, u"Activated"_s, this, SLOT(onActivated(QDBusMessage)));
        m_bus.connect(service, path, interface, u"ShortcutsChanged"_s, this, SLOT(onShortcutsChanged(QDBusMessage)));
        createSession();
    });
}

void PortalShortcuts::request(const QString &method, QList<QVariant> arguments, const Results &done)
{
    const QString token = nextToken();
    // The portal's convention: the request object's path is known before the
    // call, so the answer cannot come before anyone listens for it.
    const QString sender = m_bus.baseService().mid(1).replace(u'.', u'_');
    auto *pending = new PendingRequest(
        m_bus,
        [this, done](uint response, const QVariantMap &results) {
            if (response == 0)
                done(results);
            else
                setState(State::unavailable);
        },
        this);
    pending->follow(path + u"/request/"_s + sender + u'/' + token);

    QVariantMap options = arguments.takeLast().toMap();
    options.insert(u"handle_token"_s, token);
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), pending);
    connect(watcher, &QDBusPendingCallWatcher::finished, pending, [pending](QDBusPendingCallWatcher *reply) {
        reply->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> handle = *reply;
        if (handle.isError())
            pending->fail();
        else if (handle.value().path() != pending->handle())
            pending->follow(handle.value().path());
    });
}

void PortalShortcuts::createSession()
{
    request(u"CreateSession"_s, {QVariantMap{{u"session_handle_token"_s, nextToken()}}},
            [this](const QVariantMap &results) {
                m_session = handleOf(results.value(u"session_handle"_s));
                if (m_session.isEmpty()) {
                    setState(State::unavailable);
                    return;
                }
                listShortcuts();
            });
}

void PortalShortcuts::listShortcuts()
{
    request(u"ListShortcuts"_s, {QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()},
            [this](const QVariantMap &results) {
                const QVariant listed = results.value(u"shortcuts"_s);
                QStringList known;
                if (listed.canConvert<QDBusArgument>()
                    && listed.value<QDBusArgument>().currentSignature() == shortcutListSignature) {
                    for (const auto &entry : qdbus_cast<QList<PortalShortcutEntry>>(listed))
                        known.append(entry.id);
                }
                const bool allKnown =
                    std::all_of(m_shortcuts.cbegin(), m_shortcuts.cend(),
                                [&known](const Shortcut &shortcut) { return known.contains(shortcut.id); });
                if (!allKnown) {
                    bindShortcuts();
                    return;
                }
                takeTriggers(listed);
                setState(State::ready);
            });
}

void PortalShortcuts::bindShortcuts()
{
    QList<PortalShortcutEntry> entries;
    for (const Shortcut &shortcut : std::as_const(m_shortcuts))
        entries.append({shortcut.id, {{u"description"_s, shortcut.description}}});
    request(u"BindShortcuts"_s,
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(entries), QString(), QVariantMap()},
            [this](const QVariantMap &results) {
                takeTriggers(results.value(u"shortcuts"_s));
                setState(State::ready);
            });
}

bool PortalShortcuts::takeTriggers(const QVariant &value)
{
    if (!value.canConvert<QDBusArgument>() || value.value<QDBusArgument>().currentSignature() != shortcutListSignature)
        return false;
    QList<Shortcut> updated = m_shortcuts;
    for (const auto &entry : qdbus_cast<QList<PortalShortcutEntry>>(value)) {
        for (Shortcut &shortcut : updated) {
            if (shortcut.id == entry.id)
                shortcut.trigger = entry.properties.value(u"trigger_description"_s).toString();
        }
    }
    if (updated != m_shortcuts) {
        m_shortcuts = std::move(updated);
        Q_EMIT shortcutsChanged();
    }
    return true;
}

void PortalShortcuts::onActivated(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (m_state != State::ready || arguments.size() < 2 || handleOf(arguments.at(0)) != m_session)
        return;
    const QString id = arguments.at(1).toString();
    if (std::any_of(m_shortcuts.cbegin(), m_shortcuts.cend(),
                    [&id](const Shortcut &shortcut) { return shortcut.id == id; }))
        Q_EMIT activated(id);
}

void PortalShortcuts::onShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 2 && handleOf(arguments.at(0)) == m_session)
        takeTriggers(arguments.at(1));
}

#include "PortalShortcuts.moc"
