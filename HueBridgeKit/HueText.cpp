#include "HueText.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace HueText {

bool usesGerman(const QStringList &preferredLanguages)
{
    // The application speaks German and English: the first of the user's
    // languages that is one of them decides, whatever region or encoding
    // follows the language code ("de-AT", "de_CH.UTF-8").
    for (const QString &tag : preferredLanguages) {
        const QString language = tag.section(QRegularExpression(u"[-_.@]"_s), 0, 0).toLower();
        if (language == "de"_L1)
            return true;
        if (language == "en"_L1)
            return false;
    }
    return false;
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
