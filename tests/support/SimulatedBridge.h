#pragma once

#include "BridgeSimulator.h"

/// The recorded bridge served over TLS on loopback with one application key:
/// where the tests that need a bridge start from. Check `error` after
/// construction; it is empty when the simulator is listening.
class SimulatedBridge : public BridgeSimulator
{
public:
    SimulatedBridge();

    /// The requests received so far with this method whose path starts with the prefix.
    QList<SimRequest> requests(const QString &method, const QString &pathPrefix = {}) const;

    QString key;
    QString error;
};
