#pragma once

#include "UpdateError.h"
#include "UpdateItem.h"

#include <functional>
#include <optional>

class BuildVersionDisplay;

/// Who asked for a check.
enum class UpdateCheck { userInitiated, background };

/// What the engine tells its owner (and asks it) during an update cycle.
/// Called on the main thread.
class UpdateEngineDelegate
{
public:
    virtual ~UpdateEngineDelegate() = default;

    /// A newer, valid update was found. Returning an error vetoes it: the
    /// engine does not go on and reports that error.
    virtual std::optional<UpdateError> shouldProceedWithUpdate(const UpdateItem &item, UpdateCheck check) = 0;
    virtual void willInstallUpdate(const UpdateItem &item) = 0;
    virtual void willRelaunchApplication() = 0;
    virtual void didAbortWithError(const UpdateError &error) = 0;
    virtual void didFinishUpdateCycle(UpdateCheck check, const std::optional<UpdateError> &error) = 0;

    /// The verified update is ready to be offered to the user.
    virtual void didFindValidUpdate(const UpdateItem &) {}
    /// The feed holds nothing newer than the running build.
    virtual void didNotFindUpdate(UpdateCheck) {}

    /// The formatter the engine uses to show versions (the user driver's).
    virtual BuildVersionDisplay *versionDisplayer() = 0;
};

/// What the application expects of an update framework. Observers may be
/// called on any thread; the owner hands their reports to its own thread.
class UpdateEngine
{
public:
    using Observer = std::function<void(bool)>;

    virtual ~UpdateEngine() = default;

    /// Starts the engine (and its schedule); an error when it cannot work.
    virtual std::optional<UpdateError> start() = 0;

    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;

    /// A check the user asked for (results and failures are shown).
    virtual void checkForUpdates() = 0;
    /// A quiet check (only an update found is shown).
    virtual void checkForUpdatesInBackground() = 0;

    /// Reports the current value at once and every change afterwards.
    virtual void observeCanCheckForUpdates(Observer observer) = 0;
    /// Reports changes only.
    virtual void observeAutomaticallyChecksForUpdates(Observer observer) = 0;
};
