#include "CtlFailure.h"

#include "CtlFormat.h"
#include "HueFailure.h"
#include "HueText.h"

using namespace Qt::StringLiterals;

CtlFailure CtlFailure::from(const std::exception_ptr &failure, const QString &outsideHost)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CtlFailure &known) {
        return known;
    } catch (...) {
    }
    const HueFailure classified = HueFailure::classify(failure);
    // The bridge's own words and the address may hold anything.
    const QString description = CtlFormat::plain(classified.description());
    const QString host = CtlFormat::plain(outsideHost);
    switch (classified.kind()) {
    case HueFailure::Kind::unauthorized:
        return CtlFailure(
            CtlExit::notPaired,
            HueText::tr(u"Die Bridge hat den Schlüssel abgelehnt. Bitte neu koppeln: lumora-ctl pair "_s + host,
                        u"The bridge refused the key. Please pair again: lumora-ctl pair "_s + host));
    case HueFailure::Kind::transport:
        // The same words the pairing screen uses for an unreachable bridge.
        return CtlFailure(
            CtlExit::unreachable,
            HueText::tr(u"Die Bridge unter "_s + host + u" ist nicht erreichbar. ("_s + description + u")"_s,
                        u"The bridge at "_s + host + u" cannot be reached. ("_s + description + u")"_s));
    default:
        return CtlFailure(CtlExit::bridgeError, description);
    }
}
