#include "HueFailure.h"

#include "HueBridgeError.h"
#include "HueCancelledError.h"
#include "HueSerializationError.h"
#include "HueTransportError.h"

HueFailure::HueFailure(Kind kind, QString description)
    : m_kind(kind)
    , m_description(std::move(description))
{
}

HueFailure HueFailure::classify(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const HueCancelledError &error) {
        return HueFailure(Kind::cancelled, QString::fromUtf8(error.what()));
    } catch (const HueBridgeError &error) {
        Kind kind = Kind::bridge;
        if (error.kind() == HueBridgeError::Kind::unauthorized)
            kind = Kind::unauthorized;
        else if (error.kind() == HueBridgeError::Kind::linkButtonNotPressed)
            kind = Kind::linkButtonNotPressed;
        return HueFailure(kind, error.errorDescription());
    } catch (const HueTransportError &error) {
        return HueFailure(Kind::transport, error.errorDescription());
    } catch (const HueSerializationError &error) {
        return HueFailure(Kind::other, error.errorDescription());
    } catch (const std::exception &error) {
        return HueFailure(Kind::other, QString::fromUtf8(error.what()));
    } catch (...) {
        return HueFailure(Kind::other, HueBridgeError::invalidResponse().errorDescription());
    }
}
