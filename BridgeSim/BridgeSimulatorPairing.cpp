// Pairing by the link button, and the application keys it hands out.

#include "BridgeSimulatorPrivate.h"

#include <QJsonDocument>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

QByteArray BridgeSimulator::Private::pairingError(int type, const QString &address, const QString &description)
{
    return json(QJsonArray{QJsonObject{
        {u"error"_s, QJsonObject{{u"type"_s, type}, {u"address"_s, address}, {u"description"_s, description}}}}});
}

QString BridgeSimulator::Private::randomToken(int length, const QString &alphabet)
{
    QString token;
    token.reserve(length);
    for (int i = 0; i < length; ++i)
        token.append(alphabet.at(int(QRandomGenerator::global()->bounded(quint32(alphabet.size())))));
    return token;
}

QByteArray BridgeSimulator::Private::pair(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (!document.isObject())
        return pairingError(2, u""_s, u"body contains invalid json"_s);
    const QJsonValue deviceType = document.object().value(u"devicetype"_s);
    if (!deviceType.isString())
        return pairingError(5, u"/"_s, u"invalid/missing parameters in body"_s);
    if (deviceType.toString().isEmpty() || deviceType.toString().size() > 40)
        return pairingError(7, u"/devicetype"_s,
                            u"invalid value, "_s + deviceType.toString() + u", for parameter, devicetype"_s);
    if (!q->isLinkButtonPressed() || (pairingFilter && !pairingFilter(deviceType.toString())))
        return pairingError(101, u""_s, u"link button not pressed"_s);
    const QString key = q->addApplicationKey();
    QJsonObject success{{u"username"_s, key}};
    if (document.object().value(u"generateclientkey"_s).toBool())
        success.insert(u"clientkey"_s, randomToken(32, u"0123456789ABCDEF"_s));
    return json(QJsonArray{QJsonObject{{u"success"_s, success}}});
}

QString BridgeSimulator::addApplicationKey(const QString &key)
{
    QString added = key.isEmpty()
                        ? Private::randomToken(40, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-"_s)
                        : key;
    if (!d->keys.contains(added))
        d->keys.append(added);
    return added;
}

void BridgeSimulator::revokeApplicationKey(const QString &key)
{
    d->keys.removeAll(key);
    for (Private::Connection *c : d->streams()) {
        if (c->key == key)
            d->endStream(*c);
    }
}

void BridgeSimulator::revokeAllApplicationKeys()
{
    const QStringList keys = d->keys;
    for (const QString &key : keys)
        revokeApplicationKey(key);
}

QStringList BridgeSimulator::applicationKeys() const
{
    return d->keys;
}

void BridgeSimulator::pressLinkButton()
{
    d->linkButton = QDeadlineTimer(d->linkButtonWindow);
    d->linkButtonTimer.start(d->linkButtonWindow);
    if (!d->linkButtonPressed) {
        d->linkButtonPressed = true;
        Q_EMIT linkButtonChanged(true);
    }
}

void BridgeSimulator::releaseLinkButton()
{
    d->linkButton = QDeadlineTimer(QDeadlineTimer::Forever);
    d->linkButtonTimer.stop();
    if (d->linkButtonPressed) {
        d->linkButtonPressed = false;
        Q_EMIT linkButtonChanged(false);
    }
}

bool BridgeSimulator::isLinkButtonPressed() const
{
    // The deadline decides, not the timer: a busy event loop must not stretch the window.
    return d->linkButtonPressed && !d->linkButton.hasExpired();
}

void BridgeSimulator::setLinkButtonWindow(int milliseconds)
{
    d->linkButtonWindow = std::max(milliseconds, 0);
}

int BridgeSimulator::linkButtonWindow() const
{
    return d->linkButtonWindow;
}

void BridgeSimulator::setPairingFilter(std::function<bool(const QString &deviceType)> accepts)
{
    d->pairingFilter = std::move(accepts);
}
