#include "HueSerializationError.h"

#include "HueText.h"

using namespace Qt::StringLiterals;

QString HueSerializationError::errorDescription() const
{
    return HueText::tr(u"Der Befehl enthält einen ungültigen Wert."_s, u"The command holds an invalid value."_s);
}
