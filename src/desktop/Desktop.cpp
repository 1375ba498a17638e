#include "desktop/Desktop.h"

#include <algorithm>
#include <cmath>

#include "desktop/DesktopAccessibility.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopServices.h"
#include "desktop/DesktopStatusItem.h"
#include "desktop/DesktopWindow.h"
#include "platform/Bundle.h"
#include "platform/DateFormatting.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/RunLoop.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace desktop {

using platform::Point;
using platform::Rect;

namespace {

Desktop*& currentDesktop() {
    static Desktop* d = nullptr;
    return d;
}

constexpr int kDockLevel = 20;
constexpr int kDesktopLevel = -2147483624;
constexpr double kDockHeight = 70;
constexpr double kAppleMenuWidth = 34;
constexpr double kMenuTitlePadding = 20;
constexpr double kMenuRowHeight = 22;
constexpr double kMenuSeparatorHeight = 10;
constexpr double kMenuVerticalInset = 5;
const char* const kAllPrivateFunctions[] = {"CGSMainConnectionID",   "CGSGetWindowCount", "CGSGetProcessMenuBarWindowList",
                                            "CGSGetWindowLevel",     "CGSSetWindowListAlpha", "CGSSetWindowAlpha",
                                            "SLSSetWindowAlpha"};

bool isSeparatorRow(const std::string& row) { return row == "-" || row == "---"; }

std::vector<std::string> rowsOf(const platform::Menu& menu) {
    std::vector<std::string> rows;
    for (const auto& item : menu.items) {
        if (item->isHidden) continue;
        rows.push_back(item->isSeparator ? "-" : item->title);
    }
    return rows;
}

}  // namespace

// ---- Construction ----

Desktop::Desktop(const Scene& scene)
    : scene_(scene), selfRef_(std::make_shared<Desktop*>(this)), bar_(*this) {
    application_ = std::make_unique<DesktopApplication>(*this);
    statusBar_ = std::make_unique<DesktopStatusBar>(*this);
    screensService_ = std::make_unique<DesktopScreens>(*this);
    events_ = std::make_unique<DesktopEvents>(*this);
    accessibility_ = std::make_unique<DesktopAccessibility>(*this);
    windowServer_ = std::make_unique<DesktopWindowServer>(*this);
    syntheticEvents_ = std::make_unique<DesktopSyntheticEvents>(*this);
    loginItems_ = std::make_unique<DesktopLoginItems>(*this);
    updater_ = std::make_unique<DesktopUpdaterFramework>(*this);
    workspace_ = std::make_unique<DesktopWorkspace>(*this);
    loadScene();
}

Desktop::~Desktop() {
    // The application's delegate goes first, while the services it may call still stand.
    if (application_) {
        auto delegate = application_->delegate();
        application_->setDelegate(nullptr);
        delegate.reset();
    }
    // Objects the application still holds see a gone desktop from here on.
    selfRef_.reset();
    if (currentDesktop() == this) {
        currentDesktop() = nullptr;
        platform::install(platform::Services{});
    }
}

std::unique_ptr<Desktop> Desktop::fromFile(const std::filesystem::path& file, std::string& error) {
    auto scene = Scene::load(file, error);
    if (!scene) return nullptr;
    return std::make_unique<Desktop>(*scene);
}

Desktop* Desktop::current() { return currentDesktop(); }

void Desktop::install() {
    platform::Services s;
    s.workspace = workspace_.get();
    s.application = application_.get();
    s.statusBar = statusBar_.get();
    s.screens = screensService_.get();
    s.events = events_.get();
    s.accessibility = accessibility_.get();
    s.windowServer = windowServer_.get();
    s.syntheticEvents = syntheticEvents_.get();
    s.loginItems = loginItems_.get();
    s.updaterFramework = updater_.get();
    platform::install(s);
    currentDesktop() = this;
    platform::ProcessInfo::setProcessIdentifier(selfPID_);
    platform::DateFormatting::setDefaultTimeZone(scene_.timeZone);
}

void Desktop::loadScene() {
    selfPID_ = scene_.selfPID;
    trusted_ = scene_.accessibilityTrusted;
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
    SimulatedApp& added = apps_.back();
    for (const auto& spec : a.statusItems) addSceneStatusItem(added, spec);
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
        item.position = *stored->asDouble();
    } else {
        bar_.storePosition(item, spec.position.value_or(item.position));
    }
}

// ---- Screens ----

void Desktop::rebuildScreens() {
    screens_.clear();
    std::vector<SceneScreen> ordered = scene_.screens;
    // The screen with the menu bar (origin zero) comes first, as the system lists it.
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const SceneScreen& s) { return s.frame.origin == Point{0, 0}; });
    const double thickness = scene_.menuBarThickness.value_or(0);
    uint32_t id = 1;
    for (const auto& s : ordered) {
        platform::Screen screen;
        screen.displayID = id++;
        screen.localizedName = s.name;
        screen.frame = s.frame;
        screen.backingScaleFactor = s.scale;
        double bar = thickness > 0 ? thickness : (s.cameraHousing ? 24 : 22);
        if (s.cameraHousing && s.cameraHousing->width > 0 && s.cameraHousing->width < s.frame.width()) {
            const double h = s.cameraHousing->height > 0 ? s.cameraHousing->height : bar;
            const double side = std::floor((s.frame.width() - s.cameraHousing->width) / 2);
            screen.auxiliaryTopLeftArea = Rect{s.frame.minX(), s.frame.maxY() - h, side, h};
            screen.auxiliaryTopRightArea = Rect{s.frame.maxX() - side, s.frame.maxY() - h, side, h};
            screen.safeAreaTopInset = h;
            bar = std::max(bar, 0.0);
        }
        const bool primary = screens_.empty();
        double bottom = primary ? kDockHeight : 0;
        screen.visibleFrame = Rect{s.frame.minX(), s.frame.minY() + bottom, s.frame.width(),
                                   s.frame.height() - bar - bottom};
        screens_.push_back(screen);
    }
}

void Desktop::placeSystemWindows() {
    auto primary = primaryScreen();
    if (menuBarWindow_) {
        menuBarWindow_->ordered = primary.has_value();
        if (primary) {
            double t = bar_.thickness();
            menuBarWindow_->frame = Rect{primary->frame.minX(), primary->frame.maxY() - t, primary->frame.width(), t};
        }
    }
    if (dockWindow_) {
        dockWindow_->ordered = primary.has_value();
        if (primary) {
            Rect f = primary->frame;
            dockWindow_->frame = Rect{f.midX() - 400, f.minY(), 800, kDockHeight};
        }
    }
    if (desktopWindow_ && primary) desktopWindow_->frame = primary->frame;
}

std::optional<platform::Screen> Desktop::primaryScreen() const {
    for (const auto& s : screens_) {
        if (s.frame.origin == Point{0, 0}) return s;
    }
    if (!screens_.empty()) return screens_.front();
    return std::nullopt;
}

std::optional<platform::Screen> Desktop::mainScreen() const {
    for (size_t i = 0; i < scene_.screens.size(); ++i) {
        if (!scene_.screens[i].isMain) continue;
        for (const auto& s : screens_) {
            if (s.frame == scene_.screens[i].frame) return s;
        }
    }
    if (!screens_.empty()) return screens_.front();
    return std::nullopt;
}

double Desktop::primaryHeight() const {
    auto p = primaryScreen();
    return p ? p->frame.height() : 0;
}

Rect Desktop::toQuartz(const Rect& r) const {
    return Rect{r.origin.x, primaryHeight() - r.origin.y - r.size.height, r.size.width, r.size.height};
}

Point Desktop::toQuartz(Point p) const { return Point{p.x, primaryHeight() - p.y}; }

Point Desktop::fromQuartz(Point p) const { return Point{p.x, primaryHeight() - p.y}; }

void Desktop::setScreens(const std::vector<SceneScreen>& screens) {
    scene_.screens = screens;
    rebuildScreens();
    placeSystemWindows();
    relayout();
    screensService_->parametersDidChange.send();
}

void Desktop::addScreen(const SceneScreen& screen) {
    auto screens = scene_.screens;
    screens.push_back(screen);
    setScreens(screens);
}

void Desktop::removeScreen(size_t index) {
    if (index >= screens_.size()) return;
    const Rect frame = screens_[index].frame;
    auto screens = scene_.screens;
    screens.erase(std::remove_if(screens.begin(), screens.end(), [&](const SceneScreen& s) { return s.frame == frame; }),
                  screens.end());
    setScreens(screens);
}

bool Desktop::isWindowOnScreen(const ServerWindow& w) const {
    if (!w.ordered) return false;
    if (w.kind == WindowKind::statusItem) {
        const BarItem* item = bar_.find(w.barItem);
        return item && item->onScreen;
    }
    if (w.desktopElement) return true;
    for (const auto& s : screens_) {
        if (s.frame.intersects(w.frame)) return true;
    }
    return false;
}

// ---- Direction and the application menus ----

void Desktop::setLanguages(const std::vector<std::string>& languages) {
    platform::PropertyArray list;
    for (const auto& l : languages) list.emplace_back(l);
    platform::Preferences::setAppValue("AppleLanguages", platform::PropertyValue(list),
                                       platform::Preferences::kAnyApplication);
    relayout();
}

bool Desktop::isRightToLeft() const {
    if (platform::ProcessInfo::hasArgument("-ForceMenuBarRTL")) return true;
    if (platform::ProcessInfo::hasArgument("-ForceMenuBarLTR")) return false;
    auto languages = platform::Preferences::copyAppValue("AppleLanguages", platform::Preferences::kAnyApplication);
    if (!languages || !languages->asArray() || languages->asArray()->empty()) return false;
    const std::string* first = languages->asArray()->front().asString();
    return first && platform::Text::isRightToLeftLanguage(*first);
}

std::vector<std::pair<std::string, Rect>> Desktop::appMenuTitles() const {
    std::vector<std::pair<std::string, Rect>> out;
    auto screen = primaryScreen();
    if (!screen) return out;
    int32_t pid = frontmost_;
    const SimulatedApp* front = app(pid);
    if (!front) {
        if (const SimulatedApp* finder = appNamed("com.apple.finder")) front = finder;
    }
    if (!front) return out;
    std::vector<std::string> titles{"Apple", front->name.value_or("")};
    if (front->isSelf) {
        if (auto menu = application_->mainMenu()) {
            for (size_t i = 1; i < menu->items.size(); ++i) titles.push_back(menu->items[i]->title);
        }
    } else {
        titles.insert(titles.end(), front->menus.begin(), front->menus.end());
    }
    const bool rtl = isRightToLeft();
    const double t = bar_.thickness();
    const Rect f = screen->frame;
    double cursor = rtl ? f.maxX() - 10 : f.minX() + 10;
    for (size_t i = 0; i < titles.size(); ++i) {
        double w = i == 0 ? kAppleMenuWidth
                          : SystemStatusBar::textWidth(titles[i]) * (i == 1 ? 8.0 / 7.0 : 1.0) + kMenuTitlePadding;
        double x = rtl ? cursor - w : cursor;
        cursor = rtl ? x : cursor + w;
        out.emplace_back(titles[i], Rect{x, f.maxY() - t, w, t});
    }
    return out;
}

Rect Desktop::appMenusFrame() const {
    auto titles = appMenuTitles();
    if (titles.empty()) return Rect{};
    double x0 = titles.front().second.minX(), x1 = titles.front().second.maxX();
    for (const auto& [title, r] : titles) {
        x0 = std::min(x0, r.minX());
        x1 = std::max(x1, r.maxX());
    }
    const Rect& first = titles.front().second;
    return Rect{x0, first.minY(), x1 - x0, first.height()};
}

void Desktop::relayout() {
    placeSystemWindows();
    bar_.layout();
    for (const auto& popover : shownPopovers()) popover->reposition();
}

// ---- Applications ----

SimulatedApp* Desktop::mutableApp(int32_t pid) {
    for (auto& a : apps_) {
        if (a.pid == pid) return &a;
    }
    return nullptr;
}

const SimulatedApp* Desktop::app(int32_t pid) const {
    for (const auto& a : apps_) {
        if (a.pid == pid) return &a;
    }
    return nullptr;
}

const SimulatedApp* Desktop::appNamed(const std::string& nameOrBundle) const {
    for (const auto& a : apps_) {
        if (a.name == nameOrBundle || a.bundleIdentifier == nameOrBundle) return &a;
    }
    return nullptr;
}

int32_t Desktop::controlCenterPID() const {
    const SimulatedApp* cc = appNamed("com.apple.controlcenter");
    return cc ? cc->pid : 0;
}

int32_t Desktop::launchApp(const SceneApplication& a) {
    SceneApplication copy = a;
    if (copy.pid < 1 || app(copy.pid)) {
        int32_t pid = 1000;
        for (const auto& existing : apps_) pid = std::max(pid, existing.pid + 1);
        copy.pid = pid;
    }
    addApp(copy);
    relayout();
    return copy.pid;
}

void Desktop::quitApp(int32_t pid) {
    if (pid == selfPID_) {
        application_->terminate();
        return;
    }
    for (BarItem* item : bar_.itemsOf(pid)) bar_.remove(item->id);
    std::vector<platform::CGWindowID> owned;
    for (const auto& w : windows_.all()) {
        if (w->ownerPID == pid && w->kind != WindowKind::statusItem) owned.push_back(w->number);
    }
    for (auto n : owned) windows_.remove(n);
    if (openedMenu_ && openedMenu_->pid == pid) closeOpenedMenu();
    apps_.erase(std::remove_if(apps_.begin(), apps_.end(), [&](const SimulatedApp& a) { return a.pid == pid; }),
                apps_.end());
    if (frontmost_ == pid) frontmost_ = 0;
    relayout();
}

void Desktop::setFrontmostApp(int32_t pid) {
    if (pid == 0) {
        // Back to the application that was in front before this one.
        pid = app(previousFrontmost_) ? previousFrontmost_ : 0;
        if (!pid && scene_.frontmost) {
            if (const SimulatedApp* front = appNamed(*scene_.frontmost)) pid = front->pid;
        }
    } else if (pid != frontmost_) {
        previousFrontmost_ = frontmost_;
    }
    if (pid == frontmost_) return;
    frontmost_ = pid;
    relayout();
}

void Desktop::setAppAnswersAccessibility(int32_t pid, bool answers) {
    if (SimulatedApp* a = mutableApp(pid)) a->answersAccessibility = answers;
}

std::vector<std::pair<std::string, std::filesystem::path>> Desktop::knownApplications() const {
    std::vector<std::pair<std::string, std::filesystem::path>> out;
    for (const auto& k : scene_.knownApplications) out.emplace_back(k.bundleIdentifier, k.path);
    for (const auto& a : apps_) {
        if (a.bundleIdentifier && a.bundlePath) out.emplace_back(*a.bundleIdentifier, *a.bundlePath);
    }
    return out;
}

bool Desktop::launchApplication(std::vector<std::string> arguments) {
    if (arguments.empty()) arguments.push_back("tessivane");
    platform::ProcessInfo::setArguments(std::move(arguments));
    const auto& factory = platform::applicationDelegateFactory();
    if (!factory) return false;
    application_->setDelegate(factory());
    relayout();  // the launch arguments may turn the bar around
    auto ref = this->ref();
    platform::RunLoop::main().async([ref] {
        Desktop* d = ref.get();
        if (!d) return;
        d->application().finishLaunching();
        // An agent (no Dock icon) starts in the background, as at login: it comes forward
        // when it asks to or the user clicks it. A regular application comes to the front.
        if (d->application().activationPolicy() == platform::ActivationPolicy::regular) {
            d->application().activate(true);
        }
    });
    return true;
}

void Desktop::advance(double seconds) { platform::RunLoop::main().advance(seconds); }

void Desktop::noteOpenedApplication(const std::filesystem::path& p) {
    openedApplications_.push_back(p);
    if (p == platform::Bundle::main().bundlePath() && application_->isLaunched() && !application_->isTerminated()) {
        relaunchRequested_ = true;
    }
}

// ---- Permissions and system services ----

bool Desktop::hasPrivateFunction(const std::string& framework, const std::string& name) const {
    const bool skyLight = framework == platform::kSkyLightFramework;
    const auto& listed = skyLight ? scene_.skyLightFunctions : scene_.coreGraphicsFunctions;
    if (listed) return std::find(listed->begin(), listed->end(), name) != listed->end();
    // By default SkyLight has them all and CoreGraphics the older "CGS" names.
    for (const char* n : kAllPrivateFunctions) {
        if (name == n) return skyLight || name.rfind("CGS", 0) == 0;
    }
    return false;
}

void Desktop::setAccessibilityTrusted(bool trusted) { trusted_ = trusted; }

void Desktop::setLoginItemsAllowed(bool allowed) { loginItemsAllowed_ = allowed; }

void Desktop::showAccessibilityPrompt() {
    ++promptCount_;
    if (promptWindow_) return;
    promptWindow_ = makeModalWindow(WindowKind::systemDialog, 0, platform::Size{260, 230});
    promptWindow_->name = "Accessibility Access";
    if (scene_.grantAccessibilityOnPrompt) {
        // The person at this desktop opens System Settings and switches the application on.
        auto ref = this->ref();
        platform::RunLoop::main().asyncAfter(2.0, [ref] {
            if (Desktop* d = ref.get()) {
                if (d->isAccessibilityPromptShown()) d->answerAccessibilityPrompt(true);
                d->setAccessibilityTrusted(true);
            }
        });
    }
}

void Desktop::answerAccessibilityPrompt(bool openSystemSettings) {
    if (!promptWindow_) return;
    windows_.remove(promptWindow_->number);
    promptWindow_.reset();
    if (openSystemSettings) noteURL("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
}

// ---- Status items of the scene's applications ----

const BarItem* Desktop::statusItem(const std::string& owner, const std::string& autosaveName, size_t index) const {
    const SimulatedApp* a = appNamed(owner);
    if (!a) return nullptr;
    auto items = bar_.itemsOf(a->pid);
    if (autosaveName.empty()) return index < items.size() ? items[index] : nullptr;
    for (BarItem* item : items) {
        if (item->autosaveName == autosaveName) return item;
    }
    return nullptr;
}

Point Desktop::centerOf(const BarItem& item) const {
    return Point{item.frame().midX(), item.frame().midY()};
}

void Desktop::clickStatusItem(const BarItem& item, MouseButton button, platform::ModifierFlags flags) {
    click(centerOf(item), button, flags);
}

uint64_t Desktop::addStatusItem(int32_t pid, const SceneStatusItem& spec) {
    SimulatedApp* a = mutableApp(pid);
    if (!a || a->isSelf) return 0;
    addSceneStatusItem(*a, spec);
    relayout();
    return bar_.items().back()->id;
}

void Desktop::removeStatusItem(uint64_t id) {
    BarItem* item = bar_.find(id);
    if (!item || item->own) return;
    if (openedMenu_ && openedMenu_->barItem == id) closeOpenedMenu();
    bar_.remove(id);
    relayout();
}

void Desktop::setStatusItemWidth(uint64_t id, double width) {
    BarItem* item = bar_.find(id);
    if (!item || item->own) return;
    item->width = std::max(0.0, width);
    item->spec.width = item->width;
    relayout();
}

void Desktop::commandDragStatusItem(uint64_t id, double x) {
    BarItem* item = bar_.find(id);
    if (!item) return;
    bar_.storePosition(*item, bar_.positionForDrop(*item, x));
    relayout();
}

void Desktop::finishCommandDrag(Point p) {
    uint64_t id = std::exchange(draggingItem_, 0);
    commandDragStatusItem(id, p.x);
}

// ---- Menus ----

platform::Size Desktop::menuSize(const std::vector<std::string>& rows) {
    double width = 160, height = 2 * kMenuVerticalInset;
    for (const auto& r : rows) {
        height += isSeparatorRow(r) ? kMenuSeparatorHeight : kMenuRowHeight;
        width = std::max(width, SystemStatusBar::textWidth(r) + 40);
    }
    return platform::Size{width, height};
}

int Desktop::rowAt(const std::vector<std::string>& rows, const Rect& frame, Point p) const {
    if (!frame.contains(p)) return -1;
    double y = frame.maxY() - kMenuVerticalInset;
    for (size_t i = 0; i < rows.size(); ++i) {
        double h = isSeparatorRow(rows[i]) ? kMenuSeparatorHeight : kMenuRowHeight;
        if (p.y < y && p.y >= y - h) return isSeparatorRow(rows[i]) ? -1 : static_cast<int>(i);
        y -= h;
    }
    return -1;
}

void Desktop::openMenuOf(BarItem& item, bool contextMenu) {
    if (item.own) return;
    const SimulatedApp* owner = app(item.ownerPID);
    if (!owner) return;
    closeOpenedMenu();
    OpenedMenu menu;
    menu.pid = owner->pid;
    menu.ownerName = owner->ownerName();
    menu.barItem = item.id;
    menu.itemName = !item.spec.title.empty()         ? item.spec.title
                    : !item.spec.description.empty() ? item.spec.description
                                                     : item.autosaveName;
    menu.isContextMenu = contextMenu;
    menu.items = contextMenu && !item.spec.contextMenu.empty() ? item.spec.contextMenu : item.spec.menu;
    if (menu.items.empty()) menu.items = {menu.itemName};
    platform::Size size = menuSize(menu.items);
    menu.window = windows_.create(WindowKind::menu, owner->pid, platform::WindowLevel::popUpMenu);
    Rect anchor = item.frame();
    double x = isRightToLeft() ? anchor.maxX() - size.width : anchor.minX();
    if (auto screen = primaryScreen()) {
        x = std::clamp(x, screen->frame.minX(), std::max(screen->frame.minX(), screen->frame.maxX() - size.width));
    }
    menu.window->frame = Rect{x, anchor.minY() - size.height, size.width, size.height};
    menu.window->ordered = true;
    openedMenu_ = std::move(menu);
}

void Desktop::closeOpenedMenu() {
    if (!openedMenu_) return;
    windows_.remove(openedMenu_->window->number);
    openedMenu_.reset();
}

bool Desktop::chooseOpenedMenuItem(const std::string& title) {
    if (!openedMenu_) return false;
    const auto& rows = openedMenu_->items;
    if (std::find(rows.begin(), rows.end(), title) == rows.end() || isSeparatorRow(title)) return false;
    chosenMenuItems_.push_back(openedMenu_->ownerName + ": " + title);
    closeOpenedMenu();
    return true;
}

bool Desktop::popUpOwnMenu(const std::shared_ptr<platform::Menu>& menu, Point screenPoint) {
    if (ownMenu_) cancelOwnMenu(*ownMenu_);
    auto rows = rowsOf(*menu);
    platform::Size size = menuSize(rows);
    ownMenuWindow_ = windows_.create(WindowKind::menu, selfPID_, platform::WindowLevel::popUpMenu);
    Rect frame{screenPoint.x, screenPoint.y - size.height, size.width, size.height};
    if (auto screen = primaryScreen()) {
        const Rect& f = screen->frame;
        frame.origin.x = std::clamp(frame.origin.x, f.minX(), std::max(f.minX(), f.maxX() - size.width));
        frame.origin.y = std::max(frame.origin.y, f.minY());
    }
    ownMenuWindow_->frame = frame;
    ownMenuWindow_->ordered = true;
    ownMenu_ = menu;
    return true;
}

void Desktop::cancelOwnMenu(const platform::Menu& menu) {
    if (!ownMenu_ || ownMenu_.get() != &menu) return;
    windows_.remove(ownMenuWindow_->number);
    ownMenuWindow_.reset();
    ownMenu_.reset();
}

bool Desktop::openOwnMenuBarMenu(Point p) {
    auto menu = application_->mainMenu();
    if (!menu) return false;
    auto titles = appMenuTitles();
    // Past the Apple menu, the titles are this application's main menu items in order.
    for (size_t i = 1; i < titles.size(); ++i) {
        const size_t item = i - 1;
        if (!titles[i].second.contains(p) || item >= menu->items.size()) continue;
        auto submenu = menu->items[item]->submenu;
        if (!submenu) return false;
        return popUpOwnMenu(submenu, Point{titles[i].second.minX(), titles[i].second.minY()});
    }
    return false;
}

bool Desktop::chooseOwnMenuItem(const std::string& title) {
    if (!ownMenu_) return false;
    auto menu = ownMenu_;
    std::shared_ptr<platform::MenuItem> chosen;
    for (const auto& item : menu->items) {
        if (!item->isSeparator && !item->isHidden && item->title == title) chosen = item;
    }
    if (!chosen || !chosen->isEnabled) return false;
    cancelOwnMenu(*menu);
    if (chosen->action) {
        auto action = chosen->action;
        action();
    }
    return true;
}

// ---- Modal sessions ----

std::shared_ptr<ServerWindow> Desktop::makeModalWindow(WindowKind kind, int32_t owner, platform::Size size) {
    auto w = windows_.create(kind, owner, platform::WindowLevel::modalPanel);
    Rect screen = mainScreen() ? mainScreen()->visibleFrame : Rect{0, 0, 1728, 1117};
    w->frame = Rect{std::round(screen.midX() - size.width / 2), std::round(screen.minY() + (screen.height() - size.height) * 2 / 3),
                    size.width, size.height};
    w->ordered = true;
    return w;
}

void Desktop::queueAlertAnswer(std::string buttonTitle) { queuedAlertAnswers_.push_back(std::move(buttonTitle)); }

void Desktop::setAlertHandler(std::function<void(Desktop&, const platform::Alert&)> handler) {
    alertHandler_ = std::move(handler);
}

const platform::Alert* Desktop::currentAlert() const { return alertStack_.empty() ? nullptr : alertStack_.back()->alert; }

bool Desktop::answerAlert(const std::string& buttonTitle) {
    if (alertStack_.empty()) return false;
    AlertSession& s = *alertStack_.back();
    const auto& buttons = s.alert->buttons;
    auto it = std::find(buttons.begin(), buttons.end(), buttonTitle);
    if (it == buttons.end() || s.answer) return false;
    s.answer = static_cast<int>(it - buttons.begin());
    return true;
}

platform::ModalResponse Desktop::runAlert(platform::Alert& alert) {
    auto session = std::make_shared<AlertSession>();
    session->alert = &alert;
    session->window = makeModalWindow(WindowKind::alert, selfPID_,
                                      platform::Size{260, 150 + 30 * static_cast<double>(alert.buttons.size())});
    session->window->name = alert.messageText;
    alertStack_.push_back(session.get());
    const size_t logIndex = alertLog_.size();
    alertLog_.push_back(RecordedAlert{alert.messageText, alert.informativeText, alert.alertStyle, alert.buttons, {}});

    // Whoever answers does so inside the modal session, on its first turn.
    std::weak_ptr<AlertSession> weak = session;
    auto ref = this->ref();
    platform::RunLoop::main().async([ref, weak] {
        Desktop* d = ref.get();
        auto s = weak.lock();
        if (!d || !s || s->answer) return;
        if (!d->queuedAlertAnswers_.empty()) {
            std::string answer = d->queuedAlertAnswers_.front();
            d->queuedAlertAnswers_.erase(d->queuedAlertAnswers_.begin());
            d->answerAlert(answer);
        } else if (d->alertHandler_) {
            auto handler = d->alertHandler_;
            handler(*d, *s->alert);
        }
    });
    platform::RunLoop::main().runInMode(platform::RunLoopMode::modalPanel,
                                        [&] { return !session->answer && !application_->isTerminated(); });
    alertStack_.erase(std::remove(alertStack_.begin(), alertStack_.end(), session.get()), alertStack_.end());
    windows_.remove(session->window->number);
    if (!session->answer) return platform::Modal::abort;  // nobody answered (manual clock)
    alertLog_[logIndex].answer = alert.buttons[static_cast<size_t>(*session->answer)];
    return platform::Modal::alertFirstButtonReturn + *session->answer;
}

void Desktop::queueOpenPanelAnswer(std::optional<std::vector<std::filesystem::path>> urls) {
    queuedPanelAnswers_.push_back(std::move(urls));
}

void Desktop::setOpenPanelHandler(std::function<void(Desktop&, const platform::OpenPanel&)> handler) {
    panelHandler_ = std::move(handler);
}

const platform::OpenPanel* Desktop::currentOpenPanel() const { return panel_ ? panel_->panel : nullptr; }

bool Desktop::answerOpenPanel(std::optional<std::vector<std::filesystem::path>> urls) {
    if (!panel_ || panel_->answered) return false;
    if (urls && !panel_->panel->allowsMultipleSelection && urls->size() > 1) urls->resize(1);
    panel_->answered = true;
    panel_->urls = std::move(urls);
    return true;
}

platform::ModalResponse Desktop::runOpenPanel(platform::OpenPanel& panel) {
    if (panel_) return platform::Modal::abort;  // one open panel at a time
    auto session = std::make_shared<PanelSession>();
    session->panel = &panel;
    session->window = makeModalWindow(WindowKind::alert, selfPID_, platform::Size{640, 420});
    session->window->name = panel.title.empty() ? std::string("Open") : panel.title;
    panel_ = session.get();
    std::weak_ptr<PanelSession> weak = session;
    auto ref = this->ref();
    platform::RunLoop::main().async([ref, weak] {
        Desktop* d = ref.get();
        auto s = weak.lock();
        if (!d || !s || s->answered) return;
        if (!d->queuedPanelAnswers_.empty()) {
            auto answer = d->queuedPanelAnswers_.front();
            d->queuedPanelAnswers_.erase(d->queuedPanelAnswers_.begin());
            d->answerOpenPanel(std::move(answer));
        } else if (d->panelHandler_) {
            auto handler = d->panelHandler_;
            handler(*d, *s->panel);
        }
    });
    platform::RunLoop::main().runInMode(platform::RunLoopMode::modalPanel,
                                        [&] { return !session->answered && !application_->isTerminated(); });
    panel_ = nullptr;
    windows_.remove(session->window->number);
    if (!session->answered || !session->urls) return platform::Modal::cancel;
    panel.urls = *session->urls;
    return platform::Modal::ok;
}

// ---- Input ----

platform::Event Desktop::makeEvent(platform::EventType type, Point p, int button, platform::ModifierFlags flags,
                                   int clickCount, uint32_t windowNumber) const {
    platform::Event e;
    e.type = type;
    e.locationInScreen = p;
    e.locationInWindow = p;
    e.modifierFlags = flags;
    e.buttonNumber = button;
    e.clickCount = clickCount;
    e.windowNumber = windowNumber;
    e.timestamp = platform::RunLoop::main().now();
    if (ServerWindow* w = windows_.find(windowNumber)) {
        e.locationInWindow = Point{p.x - w->frame.origin.x, p.y - w->frame.origin.y};
    }
    return e;
}

ServerWindow* Desktop::windowAt(Point p) const {
    for (ServerWindow* w : windows_.frontToBack()) {
        if (!w->ordered || w->desktopElement || w->alpha <= 0 || !w->frame.contains(p)) continue;
        if (w->kind == WindowKind::statusItem) {
            const BarItem* item = bar_.find(w->barItem);
            if (!item || !item->shown) continue;
        }
        return w;
    }
    return nullptr;
}

static bool isDown(platform::EventType t) {
    using platform::EventType;
    return t == EventType::leftMouseDown || t == EventType::rightMouseDown || t == EventType::otherMouseDown;
}

static bool isUp(platform::EventType t) {
    using platform::EventType;
    return t == EventType::leftMouseUp || t == EventType::rightMouseUp || t == EventType::otherMouseUp;
}

static platform::EventType typeFor(MouseButton button, bool down) {
    using platform::EventType;
    switch (button) {
        case MouseButton::left: return down ? EventType::leftMouseDown : EventType::leftMouseUp;
        case MouseButton::right: return down ? EventType::rightMouseDown : EventType::rightMouseUp;
        default: return down ? EventType::otherMouseDown : EventType::otherMouseUp;
    }
}

static int numberOf(MouseButton button) {
    return button == MouseButton::left ? 0 : button == MouseButton::right ? 1 : 2;
}

void Desktop::moveMouse(Point p, platform::ModifierFlags flags) {
    dispatchMouse(platform::EventType::mouseMoved, p, 0, flags, 0);
}

void Desktop::mouseDown(Point p, MouseButton button, platform::ModifierFlags flags) {
    dispatchMouse(typeFor(button, true), p, numberOf(button), flags, 1);
}

void Desktop::mouseUp(Point p, MouseButton button, platform::ModifierFlags flags) {
    dispatchMouse(typeFor(button, false), p, numberOf(button), flags, 1);
}

void Desktop::click(Point p, MouseButton button, platform::ModifierFlags flags) {
    if (!(pointer_ == p)) moveMouse(p, flags);
    mouseDown(p, button, flags);
    mouseUp(p, button, flags);
}

void Desktop::drag(Point from, Point to, platform::ModifierFlags flags) {
    moveMouse(from, flags);
    mouseDown(from, MouseButton::left, flags);
    dispatchMouse(platform::EventType::leftMouseDragged, to, 0, flags, 1);
    mouseUp(to, MouseButton::left, flags);
}

void Desktop::updateTracking(const platform::Event& event) {
    std::vector<std::shared_ptr<platform::TrackingArea>> inside;
    ServerWindow* top = windowAt(pointer_);
    for (const auto& w : windows_.all()) {
        if (!w->ordered || !w->platformWindow || w.get() != top) continue;
        auto content = w->platformWindow->contentView();
        if (!content) continue;
        std::vector<platform::View*> stack{content.get()};
        while (!stack.empty()) {
            platform::View* v = stack.back();
            stack.pop_back();
            if (v->isHidden()) continue;
            for (const auto& s : v->subviews()) stack.push_back(s.get());
            for (const auto& area : v->trackingAreas()) {
                Rect local = (area->options & platform::TrackingArea::inVisibleRect) ? v->bounds() : area->rect;
                Rect screenRect = w->platformWindow->convertRectToScreen(v->convertRectToWindow(local));
                if (screenRect.contains(pointer_)) inside.push_back(area);
            }
        }
    }
    auto contains = [](const auto& list, const platform::TrackingArea* a) {
        return std::any_of(list.begin(), list.end(), [&](const auto& x) {
            if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::weak_ptr<platform::TrackingArea>>) {
                return x.lock().get() == a;
            } else {
                return x.get() == a;
            }
        });
    };
    std::vector<std::shared_ptr<platform::TrackingArea>> exited, entered;
    for (const auto& weak : insideAreas_) {
        auto a = weak.lock();
        if (a && !contains(inside, a.get())) exited.push_back(a);
    }
    for (const auto& a : inside) {
        if (!contains(insideAreas_, a.get())) entered.push_back(a);
    }
    insideAreas_.clear();
    for (const auto& a : inside) insideAreas_.push_back(a);
    for (const auto& a : exited) {
        if (!a->onMouseExited) continue;
        platform::Event e = event;
        e.type = platform::EventType::mouseExited;
        auto handler = a->onMouseExited;
        handler(e);
    }
    for (const auto& a : entered) {
        if (!a->onMouseEntered) continue;
        platform::Event e = event;
        e.type = platform::EventType::mouseEntered;
        auto handler = a->onMouseEntered;
        handler(e);
    }
}

void Desktop::deliverToOwn(ServerWindow& window, const platform::Event& event) {
    const platform::CGWindowID number = window.number;
    auto passed = events_->deliverLocal(event);
    if (!passed) return;
    // A monitor may have closed the window.
    ServerWindow* w = windows_.find(number);
    if (!w || !w->platformWindow) return;
    DesktopApplication::CurrentEventScope scope(*application_, *passed);
    std::shared_ptr<platform::View> view;
    if (isDown(passed->type)) {
        if (auto content = w->platformWindow->contentView()) {
            if (platform::View* hit = content->hitTest(w->platformWindow->convertPointFromScreen(passed->locationInScreen))) {
                view = hit->shared_from_this();
            }
        }
        mouseDownView_ = view;
    } else {
        view = mouseDownView_.lock();
        mouseDownView_.reset();
    }
    if (!view) return;
    using platform::EventType;
    switch (passed->type) {
        case EventType::leftMouseDown: view->mouseDown(*passed); break;
        case EventType::leftMouseUp: view->mouseUp(*passed); break;
        case EventType::rightMouseDown: view->rightMouseDown(*passed); break;
        case EventType::rightMouseUp: view->rightMouseUp(*passed); break;
        case EventType::otherMouseDown: view->otherMouseDown(*passed); break;
        case EventType::otherMouseUp: view->otherMouseUp(*passed); break;
        default: break;
    }
}

void Desktop::closeTransientPopovers(ServerWindow* target) {
    std::vector<std::shared_ptr<DesktopPopover>> toClose;
    for (const auto& weak : popovers_) {
        auto p = weak.lock();
        if (!p || !p->isShown() || p->behavior() == platform::PopoverBehavior::applicationDefined) continue;
        auto* pw = p->window();
        if (target && pw && target->number == pw->windowNumber()) continue;
        toClose.push_back(p);
    }
    for (auto& p : toClose) p->performClose();
}

void Desktop::notePopoverShown(const std::shared_ptr<DesktopPopover>& popover) {
    popovers_.erase(std::remove_if(popovers_.begin(), popovers_.end(),
                                   [&](const auto& w) { return w.expired() || w.lock() == popover; }),
                    popovers_.end());
    popovers_.push_back(popover);
}

std::vector<std::shared_ptr<DesktopPopover>> Desktop::shownPopovers() const {
    std::vector<std::shared_ptr<DesktopPopover>> out;
    for (const auto& weak : popovers_) {
        if (auto p = weak.lock(); p && p->isShown()) out.push_back(p);
    }
    return out;
}

void Desktop::dispatchMouse(platform::EventType type, Point p, int button, platform::ModifierFlags flags,
                            int clickCount) {
    using platform::EventType;
    pointer_ = p;
    modifiers_ = flags;
    if (isDown(type)) pressedButtons_ |= 1u << button;
    if (isUp(type)) pressedButtons_ &= ~(1u << button);
    events_->setState(modifiers_, pressedButtons_);

    ServerWindow* target = windowAt(p);
    platform::Event event = makeEvent(type, p, button, flags, clickCount, target ? target->number : 0);

    if (!isDown(type) && !isUp(type)) {
        if (draggingItem_) return;  // the system moves the item; applications see nothing
        updateTracking(event);
        if (target && target->ownerPID == selfPID_) {
            (void)events_->deliverLocal(event);
        } else {
            events_->deliverGlobal(event);
        }
        return;
    }

    if (isDown(type)) {
        const bool commandDrag = type == EventType::leftMouseDown && (flags & platform::Modifier::command) &&
                                 target && target->kind == WindowKind::statusItem;
        if (commandDrag) {
            draggingItem_ = target->barItem;
            return;
        }
        if (promptWindow_ && target == promptWindow_.get()) return;  // answered on mouse up
        if (ownMenu_ && target != ownMenuWindow_.get()) {
            cancelOwnMenu(*ownMenu_);  // a click outside dismisses the menu and goes no further
            return;
        }
        if (openedMenu_ && target != openedMenu_->window.get()) {
            const bool sameItem = target && target->kind == WindowKind::statusItem && target->barItem == openedMenu_->barItem;
            closeOpenedMenu();
            if (sameItem) return;  // a second click on the item closes its menu
        }
        const platform::CGWindowID targetNumber = target ? target->number : 0;
        closeTransientPopovers(target);
        // A popover's delegate may have taken windows away with it.
        target = windows_.find(targetNumber);
        if (!alertStack_.empty() || panel_) {
            if (target && target->ownerPID == selfPID_ && target->kind != WindowKind::alert) {
                noteBeep();  // the modal session refuses clicks in other windows
                return;
            }
        }
        mouseDownWindow_ = target ? target->number : 0;
        if (target && target->ownerPID == selfPID_ && target->platformWindow) {
            if (target->kind == WindowKind::ownWindow) {
                application_->activate(true);
                if (ServerWindow* w = windows_.find(targetNumber); w && w->platformWindow) {
                    w->platformWindow->makeKeyAndOrderFront();
                }
            }
            if (ServerWindow* w = windows_.find(targetNumber)) deliverToOwn(*w, event);
            return;
        }
        if (target && target->kind == WindowKind::statusItem) {
            const uint64_t id = target->barItem;
            const BarItem* item = bar_.find(id);
            if (!item || item->own) return;
            events_->deliverGlobal(event);
            // A monitor may have changed the bar; the item must still be there.
            if (BarItem* still = bar_.find(id)) {
                bool context = type == EventType::rightMouseDown || (flags & platform::Modifier::control);
                openMenuOf(*still, context);
            }
            return;
        }
        if (target && (target->kind == WindowKind::menu || target->kind == WindowKind::alert)) return;
        if (target && target->kind == WindowKind::menuBar && frontmost_ == selfPID_ && openOwnMenuBarMenu(p)) return;
        events_->deliverGlobal(event);
        // A click in another application's window, or on the desktop (Finder's), brings
        // that application to the front.
        int32_t other = 0;
        if (target && target->kind == WindowKind::appWindow) other = target->ownerPID;
        if (!target) {
            if (const SimulatedApp* finder = appNamed("com.apple.finder")) other = finder->pid;
        }
        if (other) {
            application_->deactivate();
            setFrontmostApp(other);
        }
        return;
    }

    // Mouse up.
    if (draggingItem_) {
        finishCommandDrag(p);
        return;
    }
    if (promptWindow_ && target == promptWindow_.get()) {
        // The dialog's two buttons stand at its bottom: "Open System Settings" above "Deny".
        double yFromBottom = p.y - promptWindow_->frame.minY();
        if (yFromBottom < 80) answerAccessibilityPrompt(yFromBottom >= 40);
        return;
    }
    if (ownMenu_ && target == ownMenuWindow_.get()) {
        auto rows = rowsOf(*ownMenu_);
        int row = rowAt(rows, ownMenuWindow_->frame, p);
        if (row >= 0) chooseOwnMenuItem(rows[static_cast<size_t>(row)]);
        return;
    }
    if (openedMenu_ && target == openedMenu_->window.get()) {
        int row = rowAt(openedMenu_->items, openedMenu_->window->frame, p);
        if (row >= 0) chooseOpenedMenuItem(openedMenu_->items[static_cast<size_t>(row)]);
        return;
    }
    if (!alertStack_.empty() && target == alertStack_.back()->window.get()) {
        // Buttons stand stacked at the bottom of the alert, the first at the top of the stack.
        AlertSession& s = *alertStack_.back();
        double fromBottom = p.y - s.window->frame.minY() - 10;
        int n = static_cast<int>(s.alert->buttons.size());
        int index = n - 1 - static_cast<int>(std::floor(fromBottom / 30));
        if (fromBottom >= 0 && index >= 0 && index < n) answerAlert(s.alert->buttons[static_cast<size_t>(index)]);
        return;
    }
    ServerWindow* downWindow = windows_.find(mouseDownWindow_);
    mouseDownWindow_ = 0;
    if (downWindow && downWindow->ownerPID == selfPID_ && downWindow->platformWindow) {
        deliverToOwn(*downWindow, event);
        return;
    }
    events_->deliverGlobal(event);
}

void Desktop::pressKey(uint16_t keyCode, std::string characters, platform::ModifierFlags flags) {
    namespace KeyCode = platform::KeyCode;
    if (characters.empty()) {
        if (keyCode == KeyCode::returnKey) characters = "\r";
        if (keyCode == KeyCode::escape) characters = "\x1b";
    }
    if (!alertStack_.empty()) {
        AlertSession& s = *alertStack_.back();
        const auto& buttons = s.alert->buttons;
        if (keyCode == KeyCode::returnKey && !buttons.empty()) answerAlert(buttons.front());
        if (keyCode == KeyCode::escape) {
            for (const auto& b : buttons) {
                if (b == "Cancel" || b == "Don't Save" || b == "Don’t Save") {
                    answerAlert(b);
                    break;
                }
            }
        }
        return;
    }
    if (panel_) {
        if (keyCode == KeyCode::escape) answerOpenPanel(std::nullopt);
        return;
    }
    if (ownMenu_) {
        if (keyCode == KeyCode::escape) cancelOwnMenu(*ownMenu_);
        return;
    }
    if (openedMenu_) {
        if (keyCode == KeyCode::escape) closeOpenedMenu();
        return;
    }
    platform::Event event = makeEvent(platform::EventType::keyDown, pointer_, 0, flags, 0, 0);
    event.keyCode = keyCode;
    event.characters = characters;
    if (application_->performKeyEquivalent(event)) return;
    // Keys go to the key window, or else to a popover that is up.
    ServerWindow* target = nullptr;
    if (DesktopWindow* key = application_->keyDesktopWindow(); key && key->isVisible()) target = &key->server();
    if (!target) {
        auto popovers = shownPopovers();
        if (!popovers.empty() && popovers.back()->window()) {
            target = windows_.find(popovers.back()->window()->windowNumber());
        }
    }
    if (!target || !target->platformWindow) return;
    const platform::CGWindowID number = target->number;
    event.windowNumber = number;
    auto passed = events_->deliverLocal(event);
    if (!passed) return;
    target = windows_.find(number);  // a monitor may have closed it
    if (!target || !target->platformWindow) return;
    DesktopApplication::CurrentEventScope scope(*application_, *passed);
    if (auto content = target->platformWindow->contentView()) content->keyDown(*passed);
}

void Desktop::pressReturn() { pressKey(platform::KeyCode::returnKey); }

void Desktop::pressEscape() { pressKey(platform::KeyCode::escape); }

double Desktop::windowAlpha(platform::CGWindowID number) const {
    const ServerWindow* w = windows_.find(number);
    return w ? w->alpha : 0;
}

}  // namespace desktop
