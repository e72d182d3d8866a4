#include "CtlFailure.h"

#include "HueBridgeError.h"
#include "HueStore.h"
#include "HueText.h"
#include "HueTransportError.h"

using namespace Qt::StringLiterals;

CtlFailure CtlFailure::from(const std::exception_ptr &failure, const QString &host)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CtlFailure &known) {
        return known;
    } catch (const HueBridgeError &error) {
        if (error.kind() == HueBridgeError::Kind::unauthorized) {
            return CtlFailure(
                CtlExit::notPaired,
                HueText::tr(u"Die Bridge hat den Schlüssel abgelehnt. Bitte neu koppeln: lumora-ctl pair "_s + host,
                            u"The bridge refused the key. Please pair again: lumora-ctl pair "_s + host));
        }
        return CtlFailure(CtlExit::bridgeError, error.errorDescription());
    } catch (const HueTransportError &error) {
        // The same words the pairing screen uses for an unreachable bridge.
        const QString description = error.errorDescription();
        return CtlFailure(
            CtlExit::unreachable,
            HueText::tr(u"Die Bridge unter "_s + host + u" ist nicht erreichbar. ("_s + description + u")"_s,
                        u"The bridge at "_s + host + u" cannot be reached. ("_s + description + u")"_s));
    } catch (...) {
    }
    return CtlFailure(CtlExit::bridgeError, HueStore::describe(failure));
}
