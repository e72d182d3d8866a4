// Feeds arbitrary bytes through everything that decodes bridge JSON: resource
// lists, single resources, events, merges of what decoded, and command bodies.
#include "HueEvent.h"
#include "HueResource.h"
#include "HueSerializationError.h"
#include "LossyArray.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QJsonValue root = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());

    QList<HueResource> resources;
    if (auto list = LossyArray<HueResource>::fromJson(root))
        resources = std::move(list->elements);
    if (auto single = HueResource::fromJson(root))
        resources.append(*single);
    if (auto event = HueEvent::fromJson(root))
        resources.append(event->resources);
    for (const QJsonValue element : document.array()) {
        if (auto event = HueEvent::fromJson(element))
            resources.append(event->resources);
    }

    HueResource folded(QStringLiteral("fuzz"), QStringLiteral("light"));
    for (const auto &resource : std::as_const(resources)) {
        folded.merge(resource);
        for (const auto &action : resource.sceneActions.value_or(QList<HueSceneAction>{})) {
            HueLightCommand command = action.command;
            command.merge(action.command);
            try {
                (void)HueJson::compact(command.body());
            } catch (const HueSerializationError &) {
                // Refusing a body that cannot be written is the expected outcome.
            }
        }
    }
    try {
        (void)HueJson::compact(HueSceneAction::body(folded.sceneActions.value_or(QList<HueSceneAction>{})));
    } catch (const HueSerializationError &) {
    }
    return 0;
}
