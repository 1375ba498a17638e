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

constexpr const char* kAccessibilityPromptInformative =
    "Grant access to this application in Privacy & Security settings, located in System Settings.";
constexpr const char* kPrivacyDomain = "com.apple.TCC";
const char* const kAllPrivateFunctions[] = {"CGSMainConnectionID",   "CGSGetWindowCount", "CGSGetProcessMenuBarWindowList",
                                            "CGSGetWindowLevel",     "CGSSetWindowListAlpha", "CGSSetWindowAlpha",
                                            "SLSSetWindowAlpha"};

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
    s.pasteboard = &pasteboard_;
    platform::install(s);
    currentDesktop() = this;
    platform::ProcessInfo::setProcessIdentifier(selfPID_);
    platform::DateFormatting::setDefaultTimeZone(scene_.timeZone);
}

// ---- Applications ----

SimulatedApp* Desktop::mutableApp(int32_t pid) {
    noteChange();  // whoever asks for it may change what is shown of the application
    auto it = appIndex_.find(pid);
    return it != appIndex_.end() ? &apps_[it->second] : nullptr;
}

const SimulatedApp* Desktop::app(int32_t pid) const {
    auto it = appIndex_.find(pid);
    return it != appIndex_.end() ? &apps_[it->second] : nullptr;
}

void Desktop::reindexApps() {
    appIndex_.clear();
    for (size_t i = 0; i < apps_.size(); ++i) appIndex_.emplace(apps_[i].pid, i);  // the first of a process wins
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
    reindexApps();
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

// The system keeps the person's choice in Privacy & Security with the machine (the home),
// not with the process: a later launch on the same home finds it again.
std::string Desktop::accessibilityPrivacyKey() const {
    const SimulatedApp* self = app(selfPID_);
    return std::string("kTCCServiceAccessibility ") + (self && self->bundleIdentifier ? *self->bundleIdentifier : "");
}

void Desktop::setAccessibilityTrusted(bool trusted) {
    trusted_ = trusted;
    platform::Preferences::setAppValue(accessibilityPrivacyKey(), platform::PropertyValue(trusted), kPrivacyDomain);
}

void Desktop::loadAccessibilityTrust() {
    auto stored = platform::Preferences::copyAppValue(accessibilityPrivacyKey(), kPrivacyDomain);
    const std::optional<bool> granted = stored ? stored->asBool() : std::nullopt;
    trusted_ = granted.value_or(scene_.accessibilityTrusted);
}

void Desktop::setLoginItemsAllowed(bool allowed) { loginItemsAllowed_ = allowed; }

std::string Desktop::accessibilityPromptMessage() const {
    return "\u201c" + scene_.selfName + "\u201d would like to control this computer using accessibility features.";
}

void Desktop::showAccessibilityPrompt() {
    ++promptCount_;
    if (promptWindow_) return;
    // The dialog's two buttons: "Open System Settings" above "Deny", 40 points each from its bottom.
    promptLayout_ = DialogLayout::forText(accessibilityPromptMessage(), kAccessibilityPromptInformative, 2, 40, 0);
    promptLayout_.limitHeight(modalArea().height());
    promptWindow_ = makeModalWindow(WindowKind::systemDialog, 0, promptLayout_.size);
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
    layoutIfNeeded();
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
    layoutIfNeeded();
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
    layoutIfNeeded();  // the drop falls between the items where they stand
    bar_.storePosition(*item, bar_.positionForDrop(*item, x));
    relayout();
}

void Desktop::finishCommandDrag(Point p) {
    uint64_t id = std::exchange(draggingItem_, 0);
    commandDragStatusItem(id, p.x);
}

double Desktop::windowAlpha(platform::CGWindowID number) const {
    const ServerWindow* w = windows_.find(number);
    return w ? w->alpha : 0;
}

}  // namespace desktop
