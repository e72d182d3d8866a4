#include "UiRules.h"

#include "HueText.h"

QString UiRules::tr(const QString &german, const QString &english) const
{
    return HueText::tr(german, english);
}
