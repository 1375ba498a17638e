#include "desktop/DesktopApplication.h"

#include <algorithm>

#include "desktop/DesktopPopover.h"
#include "desktop/DesktopWindow.h"
#include "platform/ApplicationExit.h"
#include "platform/Menu.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"
#include "platform/View.h"

namespace desktop {

using platform::ActivationPolicy;

DesktopApplication::DesktopApplication(Desktop& desktop) : desktop_(desktop) {}

ActivationPolicy DesktopApplication::activationPolicy() const {
    const SimulatedApp* self = desktop_.app(desktop_.selfPID());
    return self ? self->activationPolicy : ActivationPolicy::regular;
}

bool DesktopApplication::setActivationPolicy(ActivationPolicy policy) {
    SimulatedApp* self = desktop_.mutableApp(desktop_.selfPID());
    if (!self) return false;
    self->activationPolicy = policy;
    // Without the regular policy there is no menu bar of ours: the previous application's
    // menus come back.
    if (policy != ActivationPolicy::regular && desktop_.frontmostApp() == desktop_.selfPID()) {
        desktop_.setFrontmostApp(0);
    } else if (policy == ActivationPolicy::regular && active_) {
        desktop_.setFrontmostApp(desktop_.selfPID());
    }
    return true;
}

void DesktopApplication::activate(bool /*ignoringOtherApps*/) {
    if (terminated_) return;
    if (activationPolicy() == ActivationPolicy::regular) desktop_.setFrontmostApp(desktop_.selfPID());
    if (active_) return;
    active_ = true;
    desktop_.noteChange();  // its key window is drawn key again
    // The window server answers on a later turn: the notification never reaches observers
    // from inside the call that asked for it.
    platform::RunLoop::main().async([ref = desktop_.ref(), activation = ++activations_] {
        Desktop* desktop = ref.get();
        if (!desktop) return;
        DesktopApplication& app = desktop->application();
        // Deactivated (or quit, or relaunched) before the answer came: it is not sent.
        if (!app.active_ || app.terminated_ || app.activations_ != activation) return;
        if (app.delegate_) app.delegate_->applicationDidBecomeActive();
        app.didBecomeActive.send();
    });
}

void DesktopApplication::deactivate() {
    if (!active_) return;
    active_ = false;
    ++activations_;
    desktop_.noteChange();
    if (desktop_.frontmostApp() == desktop_.selfPID()) desktop_.setFrontmostApp(0);
    for (const auto& w : windows()) {
        if (w->hidesOnDeactivate()) w->orderOut();
    }
    didResignActive.send();
}

void DesktopApplication::setAppearance(std::optional<std::string> name) {
    if (name && *name != platform::kAppearanceAqua && *name != platform::kAppearanceDarkAqua) name.reset();
    appearance_ = std::move(name);
    desktop_.noteChange();  // the windows follow it
}

bool DesktopApplication::effectiveAppearanceIsDark() const {
    if (appearance_) return *appearance_ == platform::kAppearanceDarkAqua;
    return desktop_.scene().darkAppearance;
}

void DesktopApplication::terminate() {
    if (terminated_) return;
    if (delegate_) delegate_->applicationWillTerminate();
    willTerminate.send();
    key_.reset();  // the windows go without handing the key state to one another
    if (auto menu = desktop_.ownOpenMenu()) desktop_.cancelOwnMenu(*menu);
    if (desktop_.takeRelaunchRequest()) {
        relaunch();
    } else {
        terminated_ = true;
        active_ = false;
        for (const auto& w : windows()) w->orderOut();
        if (desktop_.frontmostApp() == desktop_.selfPID()) desktop_.setFrontmostApp(0);
        desktop_.relayout();
        platform::RunLoop::main().stop();
    }
    // The process ends here: neither the caller nor a modal session waiting below it (an
    // alert whose answer would be recorded) sees this call return.
    if (platform::ApplicationEntry::isInside()) throw platform::ApplicationExit{};
}

void DesktopApplication::noteWindowClosed() {
    if (terminated_ || !delegate_) return;
    for (const auto& w : windows()) {
        if (w->isVisible() && (w->styleMask() & platform::WindowStyle::titled)) return;
    }
    if (!delegate_->applicationShouldTerminateAfterLastWindowClosed()) return;
    // The system quits once the close has run its course, on the next turn.
    platform::RunLoop::main().async([ref = desktop_.ref()] {
        if (Desktop* d = ref.get()) d->application().terminate();
    });
}

void DesktopApplication::relaunch() {
    // The old process is gone with everything it showed; the new one starts on a later turn,
    // with the same launch arguments, as the workspace would start it.
    active_ = false;
    for (const auto& w : windows()) w->orderOut();
    if (desktop_.frontmostApp() == desktop_.selfPID()) desktop_.setFrontmostApp(0);
    std::vector<std::string> arguments = platform::ProcessInfo::arguments();
    platform::RunLoop::main().async([ref = desktop_.ref(), arguments = std::move(arguments)]() mutable {
        Desktop* desktop = ref.get();
        if (!desktop) return;
        // Releasing the delegate releases the old process's status items and windows.
        DesktopApplication& app = desktop->application();
        app.delegate_.reset();
        app.mainMenu_.reset();
        app.windows_.clear();
        app.key_.reset();
        app.currentEvent_.reset();
        app.launched_ = false;
        desktop->noteRelaunch();
        desktop->relayout();
        desktop->launchApplication(std::move(arguments));
    });
}

std::vector<std::shared_ptr<platform::Window>> DesktopApplication::windows() const {
    std::vector<std::shared_ptr<platform::Window>> out;
    for (const auto& weak : windows_) {
        if (auto w = weak.lock()) out.push_back(w);
    }
    return out;
}

std::shared_ptr<platform::Window> DesktopApplication::keyWindow() const { return key_.lock(); }

DesktopWindow* DesktopApplication::keyDesktopWindow() const { return key_.lock().get(); }

void DesktopApplication::setMainMenu(std::shared_ptr<platform::Menu> menu) {
    mainMenu_ = std::move(menu);
    desktop_.relayout();
}

void DesktopApplication::beep() { desktop_.noteBeep(); }

void DesktopApplication::registerWindow(const std::shared_ptr<DesktopWindow>& window) {
    // Closed windows are swept out once the list has doubled since the last sweep: a sweep
    // at every window made thousands of status items cost a square.
    if (windows_.size() >= sweepAt_) {
        std::erase_if(windows_, [](const auto& w) { return w.expired(); });
        sweepAt_ = std::max<size_t>(16, windows_.size() * 2);
    }
    windows_.push_back(window);
}

void DesktopApplication::makeKey(DesktopWindow* window) {
    if (!window) return;
    auto current = key_.lock();
    if (current.get() == window) return;
    std::shared_ptr<DesktopWindow> next;
    for (const auto& weak : windows_) {
        auto w = weak.lock();
        if (w.get() == window) next = w;
    }
    if (!next) return;
    key_ = next;
    desktop_.noteChange();
    if (current) current->noteKeyChange(false);
    next->noteKeyChange(true);
}

void DesktopApplication::resignKey(DesktopWindow* window) {
    auto current = key_.lock();
    if (!current || current.get() != window) return;
    key_.reset();
    desktop_.noteChange();
    current->noteKeyChange(false);
    // As AppKit does, the next window in order that can be key becomes key.
    if (DesktopWindow* next = nextKeyCandidate(window)) makeKey(next);
}

DesktopWindow* DesktopApplication::nextKeyCandidate(const DesktopWindow* leaving) const {
    if (terminated_ || isRunningModal()) return nullptr;
    for (const ServerWindow* server : desktop_.windows().frontToBack()) {
        if (!server->ordered || server->ownerPID != desktop_.selfPID() || !server->platformWindow) continue;
        if (server->platformWindow == leaving) continue;
        // Windows with a title bar can be key; status items, popovers and panels cannot.
        if (server->platformWindow->styleMask() & platform::WindowStyle::titled) return server->platformWindow;
    }
    return nullptr;
}

std::weak_ptr<DesktopWindow> DesktopApplication::takeKeyForModal() {
    auto current = key_.lock();
    if (!current) return {};
    key_.reset();
    current->noteKeyChange(false);
    return current;
}

void DesktopApplication::returnKeyFromModal(const std::weak_ptr<DesktopWindow>& previous) {
    if (terminated_ || isRunningModal()) return;
    auto w = previous.lock();
    makeKey(w && w->isVisible() ? w.get() : nextKeyCandidate(nullptr));
}

std::shared_ptr<platform::Window> DesktopApplication::makeWindow(platform::Rect contentRect, uint64_t styleMask) {
    auto server = desktop_.windows().create(WindowKind::ownWindow, desktop_.selfPID(), 0);
    auto window = std::make_shared<DesktopWindow>(desktop_.ref(), server, styleMask);
    // The content sits where asked; the title bar goes above it.
    window->setFrame(contentRect);
    window->setContentSize(contentRect.size);
    window->setFrame(platform::Rect{contentRect.origin, window->frame().size});
    registerWindow(window);
    return window;
}

std::shared_ptr<platform::Popover> DesktopApplication::makePopover() {
    return std::make_shared<DesktopPopover>(desktop_.ref());
}

bool DesktopApplication::popUpMenu(const std::shared_ptr<platform::Menu>& menu,
                                   const std::shared_ptr<platform::MenuItem>& /*positioningItem*/,
                                   platform::Point location, platform::View* view) {
    if (!menu || terminated_) return false;
    platform::Point screenPoint = location;
    if (view) {
        platform::Point inWindow = view->convertToWindow(location);
        if (platform::Window* w = view->window()) screenPoint = w->convertPointToScreen(inWindow);
    }
    if (!desktop_.popUpOwnMenu(menu, screenPoint)) return false;
    // Menu tracking: with the manual clock this returns while the menu is still up.
    platform::RunLoop::main().runInMode(platform::RunLoopMode::eventTracking,
                                        [&] { return desktop_.ownOpenMenu() == menu; });
    return true;
}

void DesktopApplication::cancelMenuTracking(const platform::Menu& menu) { desktop_.cancelOwnMenu(menu); }

platform::ModalResponse DesktopApplication::runModalAlert(platform::Alert& alert) { return desktop_.runAlert(alert); }

platform::ModalResponse DesktopApplication::runModalOpenPanel(platform::OpenPanel& panel) {
    return desktop_.runOpenPanel(panel);
}

bool DesktopApplication::isRunningModal() const { return desktop_.currentAlert() || desktop_.currentOpenPanel(); }

void DesktopApplication::finishLaunching() {
    if (launched_ || terminated_) return;
    launched_ = true;
    if (delegate_) delegate_->applicationDidFinishLaunching();
    didFinishLaunching.send();
}

namespace {
bool findKeyEquivalent(const platform::Menu& menu, const platform::Event& event) {
    for (const auto& item : menu.items) {
        if (item->submenu && findKeyEquivalent(*item->submenu, event)) return true;
        // A disabled item leaves the key to the window, as a missing one does.
        if (!item->matchesKeyEquivalent(event.characters, event.modifierFlags) || !item->isEffectivelyEnabled()) continue;
        item->perform();
        return true;
    }
    return false;
}
}  // namespace

bool DesktopApplication::performKeyEquivalent(const platform::Event& event) {
    if (!mainMenu_ || !active_ || !(event.modifierFlags & platform::Modifier::command)) return false;
    auto menu = mainMenu_;
    return findKeyEquivalent(*menu, event);
}

bool DesktopApplication::sendAction(platform::ResponderAction action) {
    platform::View* responder = desktop_.firstResponder();
    return responder && responder->tryToPerform(action);
}

bool DesktopApplication::validateAction(platform::ResponderAction action) const {
    const platform::View* responder = desktop_.firstResponder();
    return responder && responder->validateAction(action);
}

}  // namespace desktop
