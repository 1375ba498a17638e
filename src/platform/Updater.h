#pragma once
#include <memory>
#include <optional>
#include <string>

namespace platform {

class Updater;

enum class UpdateCheck : int { updates = 0, updatesInBackground = 1, updateInformation = 2 };

// The updater framework's delegate; the updater holds it weakly.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    // nullopt: the feed address comes from the bundle's information property list.
    virtual std::optional<std::string> feedURLString(Updater&) { return std::nullopt; }
    // Called once at the end of every update cycle, whatever its outcome.
    virtual void didFinishUpdateCycle(Updater&, UpdateCheck, const std::optional<std::string>& /*error*/) {}
};

class Updater {
public:
    virtual ~Updater() = default;
    virtual bool sendsSystemProfile() const = 0;
    virtual void setSendsSystemProfile(bool sends) = 0;
    virtual bool canCheckForUpdates() const = 0;
    virtual bool sessionInProgress() const = 0;
};

// The standard controller (updater plus its user interface).
class StandardUpdaterController {
public:
    virtual ~StandardUpdaterController() = default;
    virtual Updater& updater() = 0;
    virtual void startUpdater() = 0;
    virtual bool isStarted() const = 0;
    // A user-initiated check; the cycle ends through the delegate on a later turn.
    virtual void checkForUpdates() = 0;
};

class UpdaterFramework {
public:
    virtual ~UpdaterFramework() = default;
    virtual std::shared_ptr<StandardUpdaterController> makeStandardUpdaterController(
        bool startingUpdater, std::weak_ptr<UpdaterDelegate> updaterDelegate) = 0;
};

}  // namespace platform
