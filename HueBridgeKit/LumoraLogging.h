#pragma once

#include <QLoggingCategory>

// Every log category of the application, declared once so that each area
// writes under the same name the README tells users to switch on. They live in
// the protocol library because every other part links it.
//
// All are silent by default: the application writes no log lines of its own
// unless a user asks with QT_LOGGING_RULES (for example "lumora.*=true").

/// "lumora.store": the store, stored settings values and command sending.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
/// "lumora.keystore": the credential store.
Q_DECLARE_LOGGING_CATEGORY(lcKeyStore)
/// "lumora.bridge": the bridge's answers and the event stream.
Q_DECLARE_LOGGING_CATEGORY(lcBridge)
/// "lumora.discovery": multicast DNS traffic.
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
/// "lumora.app": window and wake-up events (debug messages only).
Q_DECLARE_LOGGING_CATEGORY(lcApp)
/// "lumora.demo": the demo bridge of `--demo` (debug messages only).
Q_DECLARE_LOGGING_CATEGORY(lcDemo)
