#pragma once

#include "DiscoveredBridge.h"
#include "HueGroup.h"
#include "HueHome.h"
#include "HueLight.h"
#include "HueScene.h"

#include <QJsonObject>
#include <QString>

class OrderStore;

/// How lumora-ctl shows things: plain text for people, JSON with stable
/// field names for scripts (the README lists them), and the two output
/// channels.
namespace CtlFormat {

/// Writes `text` and a line break to standard output (UTF-8), flushed at once
/// so that a reader of a pipe sees each line as it happens.
void out(const QString &text);
/// The same on standard error.
void err(const QString &text);
/// One compact JSON object on one line of standard output.
void outJson(const QJsonObject &object);

/// Text from outside (names from the bridge or the network, the bridge's
/// error descriptions, ids) as it may stand inside a line for a terminal:
/// every control character, line breaks and tabs included, becomes U+FFFD,
/// so that a name can neither steer the terminal (ESC sequences set its
/// title, clear it) nor forge lines or columns of the output.
QString plain(const QString &outside);
/// What out() and err() write: every control character but the line breaks
/// and tabs between the program's own lines and columns becomes U+FFFD, a
/// net under the outside text that plain() has already cleaned.
QString terminalText(const QString &text);
/// What outJson() writes: compact JSON in which DEL and the C1 controls are
/// escaped like the C0 ones, so that no terminal control passes raw (the
/// strings mean exactly the same).
QByteArray jsonLine(const QJsonObject &object);

QString hex(const HueRGB &rgb);

QJsonObject json(const HueLight &light);
/// A group with its lights and scenes unless `nested` is false.
QJsonObject json(const HueGroup &group, bool nested = true);
QJsonObject json(const HueScene &scene);
QJsonObject json(const DiscoveredBridge &bridge);

/// "on, 54 %, 366 mirek" — the state of a light in words.
QString state(const HueLight &light);
/// "on, 40 %"
QString state(const HueGroup &group);

/// Rooms, zones and the whole home in the application's order (the user's
/// saved order from `order`, else by name), each with lights and scenes.
QList<HueGroup> ordered(const HueHome &home, const OrderStore &order);

/// The whole `home` command as text lines.
QString homeText(const QList<HueGroup> &groups);
/// The whole `home` command as one JSON document.
QJsonObject homeJson(const QList<HueGroup> &groups, const QJsonObject &bridge);

} // namespace CtlFormat
