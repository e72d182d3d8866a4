// The endpoints: config, pairing, the CLIP v2 resources and the event stream.

#include "BridgeSimulatorPrivate.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

QByteArray BridgeSimulator::Private::json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray BridgeSimulator::Private::json(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QByteArray BridgeSimulator::Private::errorEnvelope(const QString &description)
{
    return json(QJsonObject{{u"errors"_s, QJsonArray{QJsonObject{{u"description"_s, description}}}},
                            {u"data"_s, QJsonArray{}}});
}

// 401 without a key, 403 for a key the bridge does not know (or revoked).
bool BridgeSimulator::Private::authorize(Connection &c, const SimHttpParser::Request &request, qint64 logIndex,
                                         QString *key)
{
    bool present = false;
    for (const auto &[name, value] : request.headers) {
        if (name == "hue-application-key") {
            present = true;
            *key = QString::fromLatin1(value);
        }
    }
    if (!present) {
        respondJson(c, logIndex, 401, errorEnvelope(u"unauthorized user"_s), request.keepAlive);
        return false;
    }
    if (!keys.contains(*key)) {
        respondJson(c, logIndex, 403, errorEnvelope(u"unauthorized user"_s), request.keepAlive);
        return false;
    }
    return true;
}

void BridgeSimulator::Private::route(Connection &c, const SimHttpParser::Request &request, qint64 logIndex)
{
    const QString path = request.target.section(u'?', 0, 0);
    const QString &method = request.method;
    const bool keepAlive = request.keepAlive;
    if (path == "/api/0/config"_L1) {
        if (method != "GET"_L1)
            return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
        return respondJson(c, logIndex, 200, json(config()), keepAlive);
    }
    if (path == "/api"_L1 || path == "/api/"_L1) {
        if (method != "POST"_L1)
            return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
        return respondJson(c, logIndex, 200, pair(request.body), keepAlive);
    }
    if (path == "/eventstream/clip/v2"_L1) {
        QString key;
        if (!authorize(c, request, logIndex, &key))
            return;
        if (method != "GET"_L1)
            return respondJson(c, logIndex, 405, errorEnvelope(u"method not allowed"_s), keepAlive);
        return openStream(c, logIndex, key);
    }
    if (path == "/clip/v2/resource"_L1 || path.startsWith("/clip/v2/resource/"_L1)) {
        QString key;
        if (!authorize(c, request, logIndex, &key))
            return;
        QStringList parts = path.mid(int(qstrlen("/clip/v2/resource"))).split(u'/', Qt::SkipEmptyParts);
        // Clients escape what a path may not hold; ids are compared unescaped.
        for (QString &part : parts)
            part = QUrl::fromPercentEncoding(part.toUtf8());
        if (parts.size() > 2)
            return respondJson(c, logIndex, 404, errorEnvelope(u"Not Found"_s), keepAlive);
        const SimHome::Result result = resourceRequest(method, parts, request.body);
        if (result.status == 200 && method == "GET"_L1 && parts.isEmpty())
            return respondJson(c, logIndex, 200, allResources(), keepAlive);
        return respondJson(c, logIndex, result.status, json(result.envelope()), keepAlive);
    }
    respondJson(c, logIndex, 404, errorEnvelope(u"Not Found"_s), keepAlive);
}

SimHome::Result BridgeSimulator::Private::resourceRequest(const QString &method, const QStringList &parts,
                                                          const QByteArray &body)
{
    if (method == "GET"_L1) {
        SimHome::Result result;
        if (parts.isEmpty())
            return result;
        if (parts.size() == 1) {
            result.data = home.resources(parts[0]);
            return result;
        }
        const std::optional<QJsonObject> object = home.resource(parts[1]);
        if (!object || object->value(u"type"_s).toString() != parts[0])
            return SimHome::Result::error(404, u"Not Found"_s);
        result.data.append(*object);
        return result;
    }
    QJsonObject object;
    if (method == "PUT"_L1 || method == "POST"_L1) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (!document.isObject())
            return SimHome::Result::error(400, u"body contains invalid JSON"_s);
        object = document.object();
    }
    const QString type = parts.value(0);
    SimHome::Result result;
    if (method == "PUT"_L1 && parts.size() == 2) {
        if (type == "light"_L1)
            result = home.putLight(parts[1], object);
        else if (type == "grouped_light"_L1)
            result = home.putGroupedLight(parts[1], object);
        else if (type == "scene"_L1)
            result = home.putScene(parts[1], object);
        else
            return SimHome::Result::error(405, u"method not allowed for this resource"_s);
    } else if (method == "POST"_L1 && parts.size() == 1 && type == "scene"_L1) {
        result = home.postScene(object);
    } else if (method == "DELETE"_L1 && parts.size() == 2 && type == "scene"_L1) {
        result = home.deleteScene(parts[1]);
    } else {
        return SimHome::Result::error(405, u"method not allowed"_s);
    }
    return result;
}

QByteArray BridgeSimulator::Private::allResources()
{
    if (cachedRevision != home.revision()) {
        cachedResources = json(QJsonObject{{u"errors"_s, QJsonArray{}}, {u"data"_s, home.resources()}});
        cachedRevision = home.revision();
    }
    return cachedResources;
}

QJsonObject BridgeSimulator::Private::config() const
{
    const QString lower = bridgeId.toLower();
    QString mac = lower.left(6) + lower.right(6);
    for (int i = 10; i > 0; i -= 2)
        mac.insert(i, u':');
    return QJsonObject{{u"name"_s, name},
                       {u"datastoreversion"_s, u"172"_s},
                       {u"swversion"_s, u"1967054020"_s},
                       {u"apiversion"_s, u"1.67.0"_s},
                       {u"mac"_s, mac},
                       {u"bridgeid"_s, bridgeId},
                       {u"factorynew"_s, false},
                       {u"replacesbridgeid"_s, QJsonValue::Null},
                       {u"modelid"_s, modelId},
                       {u"starterkitid"_s, u""_s}};
}
