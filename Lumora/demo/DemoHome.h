#pragma once

#include <QJsonArray>

/// The home the demo bridge serves: a flat of eight rooms and three zones
/// with 25 lights of every kind (colour, white ambiance, white, plugs, two
/// out of reach), a dimmer switch and a motion sensor, and three to five
/// scenes to each room, in the resource shapes a real bridge lists them.
/// Written as a short description in DemoHome.cpp and built from it, so that
/// the home reads like a home rather than a recording.
namespace DemoHome {

/// The listing (the "data" list of GET /clip/v2/resource) with names in
/// German or in English. Ids do not depend on the language, so that
/// favourites and order kept by id apply in both.
QJsonArray resources(bool german);

} // namespace DemoHome
