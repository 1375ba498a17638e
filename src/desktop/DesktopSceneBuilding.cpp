// The desktop as its scene describes it: this application, the system windows, the
// other applications with their windows and status items.
#include "desktop/Desktop.h"

#include "desktop/DesktopApplication.h"
#include "platform/Bundle.h"
#include "platform/Window.h"
#include "platform/PreferenceDomain.h"
#include "platform/UserDefaults.h"

namespace desktop {

using platform::Point;
using platform::Rect;

namespace {

constexpr int kDockLevel = 20;
constexpr int kDesktopLevel = -2147483624;

}  // namespace

void Desktop::loadScene() {
    selfPID_ = scene_.selfPID;
    postEventAccess_ = scene_.postEventAccess;
    loginItemsAllowed_ = scene_.loginItemsAllowed;

    for (const auto& [domain, values] : scene_.preferences) {
        for (const auto& [key, value] : values) platform::Preferences::setAppValue(key, value, domain);
    }

    SimulatedApp self;
    self.pid = selfPID_;
    self.name = scene_.selfName;
    self.bundleIdentifier = platform::Bundle::main().bundleIdentifier().value_or("com.tessivane.Tessivane");
    self.bundlePath = scene_.selfBundlePath;
    self.activationPolicy = platform::ActivationPolicy::regular;
    self.isSelf = true;
    apps_.push_back(self);
    appIndex_.emplace(self.pid, apps_.size() - 1);
    loadAccessibilityTrust();

    rebuildScreens();
    menuBarWindow_ = windows_.create(WindowKind::menuBar, 0, platform::WindowLevel::mainMenu);
    menuBarWindow_->name = "Menubar";
    menuBarWindow_->ordered = true;
    desktopWindow_ = windows_.create(WindowKind::desktopPicture, 0, kDesktopLevel);
    desktopWindow_->desktopElement = true;
    desktopWindow_->ordered = true;

    bool hasDock = false;
    for (const auto& app : scene_.applications) {
        hasDock = hasDock || app.bundleIdentifier == std::optional<std::string>("com.apple.dock");
    }
    if (!hasDock) {
        SceneApplication dock;
        dock.pid = 99;
        while (app(dock.pid)) ++dock.pid;
        dock.name = "Dock";
        dock.bundleIdentifier = "com.apple.dock";
        dock.bundlePath = "/System/Library/CoreServices/Dock.app";
        addApp(dock);
    }
    for (const auto& a : scene_.applications) addApp(a);
    if (const SimulatedApp* dock = appNamed("com.apple.dock")) {
        dockWindow_ = windows_.create(WindowKind::dock, dock->pid, kDockLevel);
        dockWindow_->name = "Dock";
        dockWindow_->ordered = true;
        desktopWindow_->ownerPID = dock->pid;
        desktopWindow_->name = "Desktop Picture";
    }
    if (scene_.frontmost) {
        if (const SimulatedApp* front = appNamed(*scene_.frontmost)) frontmost_ = front->pid;
    }
    placeSystemWindows();
    relayout();
}

void Desktop::addApp(const SceneApplication& a) {
    SimulatedApp app;
    app.pid = a.pid;
    app.name = a.name;
    app.bundleIdentifier = a.bundleIdentifier;
    app.bundlePath = a.bundlePath;
    app.activationPolicy = a.activationPolicy;
    app.answersAccessibility = a.answersAccessibility;
    app.menus = a.menus;
    apps_.push_back(app);
    appIndex_.emplace(app.pid, apps_.size() - 1);
    SimulatedApp& added = apps_.back();
    {
        // Each item stores its flags and position in the owner's defaults: one write of the
        // file for all of them, not one per item of an application with thousands.
        const platform::PreferenceDomain::WriteBatch batch;
        for (const auto& spec : a.statusItems) addSceneStatusItem(added, spec);
    }
    for (const auto& w : a.windows) {
        auto server = windows_.create(WindowKind::appWindow, app.pid, w.layer);
        server->name = w.name.empty() ? std::nullopt : std::optional<std::string>(w.name);
        server->frame = w.frame;
        server->ordered = true;
    }
}

void Desktop::writeSceneItemPreferences(const SimulatedApp& app, const SceneStatusItem& spec) {
    const std::string domain = app.defaultsDomain();
    platform::Preferences::setAppValue("NSStatusItem VisibleCC " + spec.autosaveName, platform::PropertyValue(spec.visible),
                                       domain);
}

void Desktop::addSceneStatusItem(SimulatedApp& app, const SceneStatusItem& spec) {
    int32_t drawing = app.pid;
    if (spec.drawnByControlCenter) {
        int32_t cc = controlCenterPID();
        if (cc) drawing = cc;
    }
    BarItem& item = bar_.add(app.pid, drawing, spec.width);
    item.spec = spec;
    item.autosaveName = spec.autosaveName;
    item.isVisible = spec.visible;
    item.window->name = spec.windowName;
    writeSceneItemPreferences(app, spec);
    // A position the owner already stored (a drag in an earlier run) wins over the scene's.
    const std::string key = "NSStatusItem Preferred Position " + spec.autosaveName;
    auto stored = platform::Preferences::copyAppValue(key, app.defaultsDomain());
    if (stored && stored->asDouble()) {
        bar_.setPosition(item, *stored->asDouble());
    } else {
        bar_.storePosition(item, spec.position.value_or(item.position));
    }
}

}  // namespace desktop
