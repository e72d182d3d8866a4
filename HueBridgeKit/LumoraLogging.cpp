#include "LumoraLogging.h"

// Warnings and above would print without any rule; these categories carry
// warnings about bad input that a user has not asked to see, so only fatal
// messages (which they never write) are on by default.
Q_LOGGING_CATEGORY(lcStore, "lumora.store", QtFatalMsg)
Q_LOGGING_CATEGORY(lcKeyStore, "lumora.keystore", QtFatalMsg)
Q_LOGGING_CATEGORY(lcBridge, "lumora.bridge", QtFatalMsg)
Q_LOGGING_CATEGORY(lcDiscovery, "lumora.discovery", QtFatalMsg)
// These two write debug messages only, which are off at the warning level.
Q_LOGGING_CATEGORY(lcApp, "lumora.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDemo, "lumora.demo", QtWarningMsg)
