#include "AutostartEntry.h"

#include "AppIdentity.h"
#include "HueText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace AutostartEntry {

QString path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart/"_s
           + AppIdentity::id() + u".desktop"_s;
}

QByteArray contents()
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumora\n"
           "Comment=Control the lights of your Hue Bridge from the tray\n"
           "Comment[de]=Die Lichter deiner Hue Bridge aus der Leiste steuern\n"
           "Icon=app.lumora.Lumora\n"
           "Exec=lumora --background\n"
           "TryExec=lumora\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool isEnabled()
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A desktop's own autostart settings switch an entry off with Hidden=true.
    const QByteArray text = file.read(64 * 1024);
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed() == "Hidden=true")
            return false;
    }
    return true;
}

bool setEnabled(bool enabled, QString *error)
{
    const QString file = path();
    QString reason;
    if (!enabled) {
        if (QFileInfo::exists(file) && !QFile::remove(file))
            reason = HueText::tr(u"Der Autostart-Eintrag lässt sich nicht entfernen: "_s,
                                 u"The autostart entry cannot be removed: "_s)
                     + file;
    } else {
        QSaveFile out(file);
        if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !out.open(QIODevice::WriteOnly)
            || out.write(contents()) != contents().size() || !out.commit())
            reason = HueText::tr(u"Der Autostart-Eintrag lässt sich nicht schreiben: "_s,
                                 u"The autostart entry cannot be written: "_s)
                     + file;
    }
    if (error)
        *error = reason;
    return reason.isEmpty();
}

} // namespace AutostartEntry
