#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QList>

#include <optional>

/// A JSON array decoded element by element: elements that do not decode are
/// dropped silently and the order of the kept ones is preserved. It fails only
/// when the value is not an array at all.
template<typename Element>
struct LossyArray
{
    QList<Element> elements;

    friend bool operator==(const LossyArray &, const LossyArray &) = default;

    static std::optional<LossyArray> fromJson(const QJsonValue &value)
    {
        if (!value.isArray())
            return std::nullopt;
        const QJsonArray array = value.toArray();
        LossyArray result;
        result.elements.reserve(array.size());
        for (const QJsonValue element : array) {
            if (auto decoded = Element::fromJson(element))
                result.elements.append(std::move(*decoded));
        }
        return result;
    }
};
