#include "HueText.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace HueText {

bool usesGerman(const QStringList &preferredLanguages)
{
    if (preferredLanguages.isEmpty())
        return false;
    return preferredLanguages.first().toLower().startsWith("de"_L1);
}

bool usesGerman()
{
    // A function-local static is initialised exactly once, thread-safely; a
    // language change while running takes effect at the next start.
    static const bool german = usesGerman(QLocale::system().uiLanguages());
    return german;
}

QString tr(const QString &german, const QString &english)
{
    return usesGerman() ? german : english;
}

} // namespace HueText
