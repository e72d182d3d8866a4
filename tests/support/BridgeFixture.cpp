#include "BridgeFixture.h"

#include "LossyArray.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

QString BridgeFixture::path()
{
    return QStringLiteral(LUMORA_FIXTURE);
}

QJsonArray BridgeFixture::listing()
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    return document.isArray() ? document.array() : document.object().value(QLatin1String("data")).toArray();
}

HueHome BridgeFixture::home()
{
    const auto decoded = LossyArray<HueResource>::fromJson(listing());
    return decoded ? HueHome(decoded->elements) : HueHome();
}
