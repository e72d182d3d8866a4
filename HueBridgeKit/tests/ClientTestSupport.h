#pragma once

// Helpers shared by the tests that talk to the bridge simulator: run a
// throwing coroutine to its end and name how it ended.
#include "BridgeSimulator.h"
#include "HueBridgeClient.h"
#include "HueBridgeError.h"
#include "HueCancelledError.h"
#include "HueSerializationError.h"
#include "HueTransportError.h"

#include <QCoroTask>
#include <QFile>
#include <QMetaEnum>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace ClientTestSupport {

/// "api:<message>", "http:<status>", "linkButtonNotPressed", "unauthorized",
/// "invalidResponse", "transport:<QNetworkReply::NetworkError name>",
/// "cancelled", "serialization", or "unknown".
inline QString describe(std::exception_ptr error)
{
    using namespace Qt::StringLiterals;
    try {
        std::rethrow_exception(error);
    } catch (const HueBridgeError &e) {
        switch (e.kind()) {
        case HueBridgeError::Kind::api:
            return u"api:"_s + e.message();
        case HueBridgeError::Kind::http:
            return u"http:"_s + QString::number(e.status());
        case HueBridgeError::Kind::linkButtonNotPressed:
            return u"linkButtonNotPressed"_s;
        case HueBridgeError::Kind::unauthorized:
            return u"unauthorized"_s;
        case HueBridgeError::Kind::invalidResponse:
            return u"invalidResponse"_s;
        }
    } catch (const HueTransportError &e) {
        return u"transport:"_s
               + QString::fromLatin1(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(e.code()));
    } catch (const HueCancelledError &) {
        return u"cancelled"_s;
    } catch (const HueSerializationError &) {
        return u"serialization"_s;
    } catch (...) {
    }
    return u"unknown"_s;
}

template<typename T>
struct Outcome
{
    std::optional<T> value;
    /// Empty on success, otherwise `describe` of the error.
    QString error;
};

/// What an operation yields: its value, or true for an operation without one.
template<typename T>
using Yield = std::conditional_t<std::is_void_v<T>, bool, T>;

template<typename T>
QCoro::Task<Outcome<Yield<T>>> capture(QCoro::Task<T> task)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            co_return Outcome<bool>{true, QString()};
        } else {
            // Awaited in a statement of its own: GCC 12 mishandles co_await inside braces (a double free).
            T value = co_await std::move(task);
            co_return Outcome<T>{std::move(value), QString()};
        }
    } catch (...) {
        co_return Outcome<Yield<T>>{std::nullopt, describe(std::current_exception())};
    }
}

/// Runs `task` in a nested event loop until it ends; never throws.
template<typename T>
Outcome<Yield<T>> run(QCoro::Task<T> task)
{
    return QCoro::waitFor(capture(std::move(task)));
}

/// A session that trusts the simulator's root (or `anchor`) and reaches it on its port.
inline std::shared_ptr<HueBridgeSession> sessionFor(const BridgeSimulator &sim, std::optional<QString> expectedID,
                                                    HueBridgeSession::Options options = {})
{
    options.expectedBridgeID = std::move(expectedID);
    if (!options.trustAnchor)
        options.trustAnchor = sim.rootCertificate();
    options.port = sim.port();
    return HueBridgeSession::create(std::move(options));
}

/// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 where there is none.
inline qint64 processMemory(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf(QByteArray('\n' + field + ':'));
    return at < 0 ? 0 : text.mid(at + field.size() + 2).trimmed().split(' ').value(0).toLongLong() * 1024;
}

/// Resets the peak that "VmHWM" reports to the resident memory now, and returns that.
inline qint64 startPeakMeasurement()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    return processMemory("VmRSS");
}

/// AddressSanitizer keeps freed memory in quarantine, far beyond what the program holds.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool memoryIsMeasurable = false;
#else
inline constexpr bool memoryIsMeasurable = true;
#endif

} // namespace ClientTestSupport
