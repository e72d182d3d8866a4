#include "DemoOutsideChange.h"

#include <QJsonArray>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

/// The lowest brightness a change picks: darker looks like "off" on a card.
constexpr double lowestBrightness = 10.0;

bool isLit(const QJsonObject &light)
{
    return light.value("on"_L1).toObject().value("on"_L1).toBool();
}

double rounded(double value, double step)
{
    return std::round(value / step) * step;
}

double uniform(QRandomGenerator &random)
{
    return random.generateDouble();
}

std::optional<QJsonObject> brightnessChange(const QJsonObject &light, QRandomGenerator &random)
{
    const QJsonObject dimming = light.value("dimming"_L1).toObject();
    if (!dimming.contains("brightness"_L1))
        return std::nullopt;
    const double lowest = std::clamp(dimming.value("min_dim_level"_L1).toDouble(), lowestBrightness, 100.0);
    const double brightness = rounded(lowest + uniform(random) * (100.0 - lowest), 0.01);
    return QJsonObject{{u"dimming"_s, QJsonObject{{u"brightness"_s, brightness}}}};
}

std::optional<QJsonObject> colourChange(const QJsonObject &light, QRandomGenerator &random)
{
    const QJsonObject gamut = light.value("color"_L1).toObject().value("gamut"_L1).toObject();
    const auto corner = [&gamut](QLatin1StringView name) {
        const QJsonObject point = gamut.value(name).toObject();
        return std::pair{point.value("x"_L1).toDouble(-1), point.value("y"_L1).toDouble(-1)};
    };
    const auto [rx, ry] = corner("red"_L1);
    const auto [gx, gy] = corner("green"_L1);
    const auto [bx, by] = corner("blue"_L1);
    if (std::min({rx, ry, gx, gy, bx, by}) < 0)
        return std::nullopt;
    // A uniform point of the triangle (the square's far half folded back),
    // pulled a little towards the middle so that no colour is a bare corner.
    double u = uniform(random);
    double v = uniform(random);
    if (u + v > 1) {
        u = 1 - u;
        v = 1 - v;
    }
    const double cx = (rx + gx + bx) / 3;
    const double cy = (ry + gy + by) / 3;
    const double x = cx + 0.9 * (rx + u * (gx - rx) + v * (bx - rx) - cx);
    const double y = cy + 0.9 * (ry + u * (gy - ry) + v * (by - ry) - cy);
    return QJsonObject{
        {u"color"_s, QJsonObject{{u"xy"_s, QJsonObject{{u"x"_s, rounded(x, 0.0001)}, {u"y"_s, rounded(y, 0.0001)}}}}}};
}

std::optional<QJsonObject> whiteChange(const QJsonObject &light, QRandomGenerator &random)
{
    const QJsonObject schema = light.value("color_temperature"_L1).toObject().value("mirek_schema"_L1).toObject();
    const int lowest = schema.value("mirek_minimum"_L1).toInt();
    const int highest = schema.value("mirek_maximum"_L1).toInt();
    if (lowest <= 0 || highest < lowest)
        return std::nullopt;
    const int mirek = lowest + int(random.bounded(quint32(highest - lowest + 1)));
    return QJsonObject{{u"color_temperature"_s, QJsonObject{{u"mirek"_s, mirek}}}};
}

} // namespace

std::optional<DemoOutsideChange> DemoOutsideChange::choose(const QList<QJsonObject> &lights, QRandomGenerator &random)
{
    struct Candidate
    {
        DemoOutsideChange change;
        int weight;
    };
    const auto lit = std::count_if(lights.cbegin(), lights.cend(), isLit);
    QList<Candidate> candidates;
    for (const QJsonObject &light : lights) {
        const QString id = light.value("id"_L1).toString();
        if (id.isEmpty())
            continue;
        if (!isLit(light)) {
            candidates.append({{id, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, true}}}}}, 2});
            continue;
        }
        if (lit > 1)
            candidates.append({{id, QJsonObject{{u"on"_s, QJsonObject{{u"on"_s, false}}}}}, 1});
        for (const auto &make : {brightnessChange, colourChange, whiteChange}) {
            if (std::optional<QJsonObject> patch = make(light, random))
                candidates.append({{id, *patch}, 2});
        }
    }
    int total = 0;
    for (const Candidate &candidate : std::as_const(candidates))
        total += candidate.weight;
    if (total == 0)
        return std::nullopt;
    int pick = int(random.bounded(quint32(total)));
    for (const Candidate &candidate : std::as_const(candidates)) {
        if (pick < candidate.weight)
            return candidate.change;
        pick -= candidate.weight;
    }
    return std::nullopt;
}
