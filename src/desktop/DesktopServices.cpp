#include "desktop/DesktopServices.h"

#include <algorithm>

#include "platform/RunLoop.h"

namespace desktop {

using platform::Event;

// ---- Workspace ----

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplications() const {
    std::vector<platform::RunningApplication> out;
    out.reserve(desktop_.apps().size());
    for (const auto& app : desktop_.apps()) out.push_back(app.running());
    return out;
}

namespace {

template <class Matches>
std::vector<platform::RunningApplication> runningWhere(const std::vector<SimulatedApp>& apps, const Matches& matches) {
    std::vector<platform::RunningApplication> out;
    for (const auto& app : apps) {
        if (matches(app)) out.push_back(app.running());
    }
    return out;
}

}  // namespace

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplications(const std::string& bundleIdentifier) const {
    return runningWhere(desktop_.apps(), [&](const SimulatedApp& app) { return app.bundleIdentifier == bundleIdentifier; });
}

std::optional<platform::RunningApplication> DesktopWorkspace::runningApplication(int32_t pid) const {
    const SimulatedApp* app = desktop_.app(pid);
    return app ? std::optional(app->running()) : std::nullopt;
}

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplicationsAt(const std::filesystem::path& bundleURL) const {
    return runningWhere(desktop_.apps(), [&](const SimulatedApp& app) {
        return app.bundlePath && std::filesystem::path(*app.bundlePath) == bundleURL;
    });
}

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplicationsNamed(const std::string& localizedName) const {
    return runningWhere(desktop_.apps(), [&](const SimulatedApp& app) { return app.name == localizedName; });
}

std::optional<std::filesystem::path> DesktopWorkspace::urlForApplication(const std::string& bundleIdentifier) const {
    for (const auto& [id, path] : desktop_.knownApplications()) {
        if (id == bundleIdentifier) return path;
    }
    return std::nullopt;
}

bool DesktopWorkspace::open(const std::string& url) {
    // Anything with a scheme has a handler on a Mac (browser, mail, System Settings).
    auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    desktop_.noteURL(url);
    return true;
}

void DesktopWorkspace::openApplication(const std::filesystem::path& path, std::function<void(bool ok)> completion) {
    desktop_.noteOpenedApplication(path);
    bool known = false;
    for (const auto& [id, p] : desktop_.knownApplications()) known = known || p == path;
    if (completion) {
        platform::RunLoop::main().async([completion = std::move(completion), known] { completion(known); });
    }
}

// ---- Event monitors ----

std::optional<platform::EventMonitorToken> DesktopEvents::addGlobalMonitor(
    platform::EventMask mask, std::function<void(const Event&)> handler) {
    if (!handler) return std::nullopt;
    uint64_t id = nextToken_++;
    global_[id] = Global{mask, std::move(handler)};
    return platform::EventMonitorToken{id};
}

std::optional<platform::EventMonitorToken> DesktopEvents::addLocalMonitor(
    platform::EventMask mask, std::function<std::optional<Event>(const Event&)> handler) {
    if (!handler) return std::nullopt;
    uint64_t id = nextToken_++;
    local_[id] = Local{mask, std::move(handler)};
    return platform::EventMonitorToken{id};
}

void DesktopEvents::removeMonitor(platform::EventMonitorToken token) {
    global_.erase(token.id);
    local_.erase(token.id);
}

void DesktopEvents::deliverGlobal(const Event& event) {
    // Handlers may add or remove monitors: work on a snapshot of the ids.
    std::vector<uint64_t> ids;
    for (const auto& [id, m] : global_) {
        if (platform::maskContains(m.mask, event.type)) ids.push_back(id);
    }
    for (uint64_t id : ids) {
        auto it = global_.find(id);
        if (it == global_.end()) continue;
        auto handler = it->second.handler;
        handler(event);
    }
}

std::optional<Event> DesktopEvents::deliverLocal(const Event& event) {
    std::vector<uint64_t> ids;
    for (const auto& [id, m] : local_) {
        if (platform::maskContains(m.mask, event.type)) ids.push_back(id);
    }
    std::optional<Event> current = event;
    for (uint64_t id : ids) {
        auto it = local_.find(id);
        if (it == local_.end()) continue;
        auto handler = it->second.handler;
        current = handler(*current);
        if (!current) return std::nullopt;
    }
    return current;
}

// ---- Synthesized events ----

platform::CGEventSourceRef DesktopSyntheticEvents::createSource(platform::CGEventSourceStateID state) {
    auto source = std::make_shared<platform::CGEventSource>();
    source->state = state;
    return source;
}

std::optional<platform::CGEvent> DesktopSyntheticEvents::createMouseEvent(const platform::CGEventSourceRef&,
                                                                          platform::CGEventType type,
                                                                          platform::Point location,
                                                                          platform::CGMouseButton button) {
    if (type == platform::CGEventType::null) return std::nullopt;
    platform::CGEvent e;
    e.type = type;
    e.location = location;
    e.button = button;
    return e;
}

void DesktopSyntheticEvents::post(platform::CGEventTapLocation, const platform::CGEvent& event) {
    posted_.push_back(event);
    // Without the permission the system drops posted events without a word.
    if (!desktop_.postEventAccess()) return;
    using platform::CGEventType;
    platform::EventType type;
    switch (event.type) {
        case CGEventType::leftMouseDown: type = platform::EventType::leftMouseDown; break;
        case CGEventType::leftMouseUp: type = platform::EventType::leftMouseUp; break;
        case CGEventType::rightMouseDown: type = platform::EventType::rightMouseDown; break;
        case CGEventType::rightMouseUp: type = platform::EventType::rightMouseUp; break;
        case CGEventType::otherMouseDown: type = platform::EventType::otherMouseDown; break;
        case CGEventType::otherMouseUp: type = platform::EventType::otherMouseUp; break;
        case CGEventType::leftMouseDragged: type = platform::EventType::leftMouseDragged; break;
        case CGEventType::rightMouseDragged: type = platform::EventType::rightMouseDragged; break;
        case CGEventType::otherMouseDragged: type = platform::EventType::otherMouseDragged; break;
        case CGEventType::mouseMoved: type = platform::EventType::mouseMoved; break;
        default: return;
    }
    platform::ModifierFlags flags = event.flags & platform::Modifier::deviceIndependentMask;
    desktop_.dispatchMouse(type, desktop_.fromQuartz(event.location), static_cast<int>(event.button), flags,
                           static_cast<int>(event.clickState));
}

bool DesktopSyntheticEvents::requestPostEventAccess() {
    desktop_.notePostEventRequest();
    return desktop_.postEventAccess();
}

// ---- Login items ----

std::optional<std::string> DesktopLoginItems::registerMainApp() {
    if (!desktop_.loginItemsAllowed()) return std::string("Operation not permitted");
    status_ = desktop_.loginItemsRequireApproval() ? platform::LoginItemStatus::requiresApproval
                                                   : platform::LoginItemStatus::enabled;
    return std::nullopt;
}

std::optional<std::string> DesktopLoginItems::unregisterMainApp() {
    if (status_ == platform::LoginItemStatus::notRegistered) return std::string("Operation not permitted");
    status_ = platform::LoginItemStatus::notRegistered;
    return std::nullopt;
}

// ---- Updater ----

namespace {

class SimulatedUpdater final : public platform::Updater {
public:
    bool sendsSystemProfile() const override { return sendsProfile; }
    void setSendsSystemProfile(bool sends) override { sendsProfile = sends; }
    bool canCheckForUpdates() const override { return started && !inSession; }
    bool sessionInProgress() const override { return inSession; }
    bool sendsProfile = false;
    bool started = false;
    bool inSession = false;
};

class SimulatedUpdaterController final : public platform::StandardUpdaterController,
                                         public std::enable_shared_from_this<SimulatedUpdaterController> {
public:
    SimulatedUpdaterController(Desktop& desktop, std::weak_ptr<platform::UpdaterDelegate> delegate)
        : desktop_(desktop.ref()), delegate_(std::move(delegate)) {}
    platform::Updater& updater() override { return updater_; }
    void startUpdater() override { updater_.started = true; }
    bool isStarted() const override { return updater_.started; }
    void checkForUpdates() override {
        if (Desktop* d = desktop_.get()) d->noteUpdateCheck();
        if (updater_.inSession) return;
        updater_.inSession = true;
        // The check runs on its own; its cycle ends on a later turn of the main run loop.
        std::weak_ptr<SimulatedUpdaterController> weak = weak_from_this();
        platform::RunLoop::main().asyncAfter(0.5, [weak] {
            auto self = weak.lock();
            if (!self) return;
            self->updater_.inSession = false;
            std::optional<std::string> error;
            if (!self->updater_.started) error = "The updater has not been started.";
            if (auto delegate = self->delegate_.lock()) {
                (void)delegate->feedURLString(self->updater_);
                delegate->didFinishUpdateCycle(self->updater_, platform::UpdateCheck::updates, error);
            }
        });
    }

private:
    DesktopRef desktop_;
    std::weak_ptr<platform::UpdaterDelegate> delegate_;
    SimulatedUpdater updater_;
};

}  // namespace

std::shared_ptr<platform::StandardUpdaterController> DesktopUpdaterFramework::makeStandardUpdaterController(
    bool startingUpdater, std::weak_ptr<platform::UpdaterDelegate> updaterDelegate) {
    auto controller = std::make_shared<SimulatedUpdaterController>(desktop_, std::move(updaterDelegate));
    if (startingUpdater) controller->startUpdater();
    controllers_.push_back(controller);
    return controller;
}

std::vector<std::shared_ptr<platform::StandardUpdaterController>> DesktopUpdaterFramework::controllers() const {
    std::vector<std::shared_ptr<platform::StandardUpdaterController>> out;
    for (const auto& w : controllers_) {
        if (auto c = w.lock()) out.push_back(c);
    }
    return out;
}

}  // namespace desktop
