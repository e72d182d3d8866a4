#include "SingleInstanceStartup.h"

namespace SingleInstanceStartup {

std::shared_ptr<SingleInstanceController> start(const SingleInstanceConfiguration &configuration,
                                                const DuplicateLaunchRequest &duplicateLaunchRequest,
                                                const std::function<void(const SingleInstanceError &)> &onFailure)
{
    SingleInstanceStartupResult result = SingleInstanceController::start(configuration, duplicateLaunchRequest);
    switch (result.kind) {
    case SingleInstanceStartupResult::Kind::run:
        return result.controller;
    case SingleInstanceStartupResult::Kind::failed:
        if (onFailure && result.error)
            onFailure(*result.error);
        return nullptr;
    case SingleInstanceStartupResult::Kind::alreadyRunning:
        break;
    }
    return nullptr;
}

} // namespace SingleInstanceStartup
