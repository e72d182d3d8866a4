#pragma once

#include "SingleInstanceController.h"

#include <functional>
#include <memory>

/// The entry point's short form of SingleInstanceController::start.
namespace SingleInstanceStartup {

/// The controller to keep when this process should run; nothing when another
/// instance runs, or when start-up failed (after calling onFailure).
std::shared_ptr<SingleInstanceController> start(const SingleInstanceConfiguration &configuration,
                                                const DuplicateLaunchRequest &duplicateLaunchRequest,
                                                const std::function<void(const SingleInstanceError &)> &onFailure);

} // namespace SingleInstanceStartup
