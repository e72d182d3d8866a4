#pragma once

#include <QTest>

/// Tests that send multicast run only inside a private network namespace that
/// the test run creates (in-private-netns.sh), never on a real network.
namespace PrivateNetwork {

/// True when every network interface is a loopback one.
bool isolated();

} // namespace PrivateNetwork

#define LUMORA_SKIP_OUTSIDE_PRIVATE_NETWORK()                                                                          \
    do {                                                                                                               \
        if (!PrivateNetwork::isolated())                                                                               \
            QSKIP("sends multicast: run it through in-private-netns.sh (as ctest does)");                              \
    } while (false)
