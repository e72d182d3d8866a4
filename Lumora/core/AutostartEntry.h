#pragma once

#include <QByteArray>
#include <QString>

/// "Start Lumora at login": an XDG autostart entry in the user's
/// configuration folder (~/.config/autostart/app.lumora.Lumora.desktop)
/// that starts Lumora in the tray, without a window.
namespace AutostartEntry {

/// Where the entry lives, after XDG_CONFIG_HOME.
QString path();
/// The entry as written.
QByteArray contents();
/// Whether the entry exists and is not switched off (Hidden=true, as some
/// desktops' own settings leave it).
bool isEnabled();
/// Writes or removes the entry; false with the reason when the file could
/// not be written or removed.
bool setEnabled(bool enabled, QString *error = nullptr);

} // namespace AutostartEntry
