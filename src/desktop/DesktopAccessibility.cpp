#include "desktop/DesktopAccessibility.h"
#include "desktop/DesktopWindow.h"

#include <algorithm>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopStatusItem.h"
#include "platform/RunLoop.h"

namespace desktop {

using platform::AXError;
using platform::AXUIElementRef;
using platform::AXValue;
using platform::Point;
using platform::Rect;

namespace {

constexpr int kPathBits = 15;  // three levels of children, five bits each
constexpr int kLevelBits = 5;

// The scene node at `path` below an item, null when the path leads nowhere.
const SceneAXNode* nodeAt(const SceneStatusItem& spec, uint64_t path) {
    const std::vector<SceneAXNode>* level = &spec.children;
    const SceneAXNode* node = nullptr;
    for (int shift = kPathBits - kLevelBits; shift >= 0; shift -= kLevelBits) {
        uint64_t index = (path >> shift) & ((1u << kLevelBits) - 1);
        if (index == 0) break;
        if (index > level->size()) return nullptr;
        node = &(*level)[index - 1];
        level = &node->children;
    }
    return node;
}

int depthOf(uint64_t path) {
    int depth = 0;
    for (int shift = kPathBits - kLevelBits; shift >= 0; shift -= kLevelBits) {
        if (((path >> shift) & ((1u << kLevelBits) - 1)) == 0) break;
        ++depth;
    }
    return depth;
}

AXValue stringValue(const std::string& s, AXError& error) {
    if (s.empty()) {
        error = AXError::noValue;
        return std::monostate{};
    }
    return s;
}

}  // namespace

struct DesktopAccessibility::Target {
    Kind kind = Kind::none;
    const SimulatedApp* app = nullptr;
    BarItem* item = nullptr;
    const SceneAXNode* node = nullptr;
    uint64_t path = 0;
    int menuIndex = -1;
    ServerWindow* window = nullptr;
};

bool DesktopAccessibility::isProcessTrusted() const { return desktop_.isAccessibilityTrusted(); }

bool DesktopAccessibility::isProcessTrustedWithOptions(bool prompt) {
    if (desktop_.isAccessibilityTrusted()) return true;
    if (prompt) desktop_.showAccessibilityPrompt();
    return false;
}

AXUIElementRef DesktopAccessibility::make(int32_t pid, Kind kind, uint64_t value) const {
    return std::make_shared<platform::AXUIElement>(pid, encode(kind, value));
}

AXUIElementRef DesktopAccessibility::createApplication(int32_t pid) { return make(pid, Kind::application, 0); }

AXUIElementRef DesktopAccessibility::createSystemWide() { return make(0, Kind::systemWide, 0); }

AXUIElementRef DesktopAccessibility::elementForItem(const BarItem& item) const {
    return make(item.ownerPID, Kind::statusItem, item.id);
}

AXError DesktopAccessibility::reach(const AXUIElementRef& element, Target& t) {
    if (!element) return AXError::illegalArgument;
    if (!desktop_.isAccessibilityTrusted()) return AXError::apiDisabled;
    t.kind = kindOf(element->elementID());
    const uint64_t value = valueOf(element->elementID());
    if (t.kind == Kind::systemWide) return AXError::success;
    t.app = desktop_.app(element->pid());
    if (!t.app) return AXError::invalidUIElement;
    ++messages_;
    if (!t.app->answersAccessibility) {
        // The call waits for the whole messaging time-out and then gives up.
        float timeout = element->messagingTimeout() > 0 ? element->messagingTimeout() : globalTimeout_;
        platform::RunLoop::main().blockingWait(timeout);
        return AXError::cannotComplete;
    }
    switch (t.kind) {
        case Kind::application:
        case Kind::extrasMenuBar:
        case Kind::menuBar: return AXError::success;
        case Kind::statusItem:
            t.item = desktop_.bar().find(value);
            return t.item && t.item->ownerPID == t.app->pid ? AXError::success : AXError::invalidUIElement;
        case Kind::statusItemChild:
            t.item = desktop_.bar().find(value >> kPathBits);
            t.path = value & ((uint64_t{1} << kPathBits) - 1);
            if (!t.item || t.item->ownerPID != t.app->pid) return AXError::invalidUIElement;
            t.node = nodeAt(t.item->spec, t.path);
            return t.node ? AXError::success : AXError::invalidUIElement;
        case Kind::menuBarItem: {
            t.menuIndex = static_cast<int>(value);
            auto titles = desktop_.appMenuTitles();
            return desktop_.frontmostApp() == t.app->pid && t.menuIndex < static_cast<int>(titles.size())
                       ? AXError::success
                       : AXError::invalidUIElement;
        }
        case Kind::window:
            t.window = desktop_.windows().find(static_cast<platform::CGWindowID>(value));
            return t.window && t.window->ownerPID == t.app->pid ? AXError::success : AXError::invalidUIElement;
        default: return AXError::invalidUIElement;
    }
}

std::pair<AXError, AXValue> DesktopAccessibility::copyAttributeValue(const AXUIElementRef& element,
                                                                     const std::string& attr) {
    Target t;
    AXError error = reach(element, t);
    if (error != AXError::success) return {error, std::monostate{}};
    const int32_t pid = element->pid();
    auto frameValue = [&](const Rect& appKit) -> std::pair<AXError, AXValue> {
        Rect q = desktop_.toQuartz(appKit);
        if (attr == platform::AX::position) return {AXError::success, q.origin};
        return {AXError::success, q.size};
    };
    const bool geometry = attr == platform::AX::position || attr == platform::AX::size;
    error = AXError::success;

    switch (t.kind) {
        case Kind::systemWide:
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleSystemWide)};
            return {AXError::attributeUnsupported, std::monostate{}};
        case Kind::application: {
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleApplication)};
            if (attr == platform::AX::title) return {error, stringValue(t.app->name.value_or(""), error)};
            if (attr == platform::AX::extrasMenuBar) {
                if (desktop_.bar().hasItemsOf(pid)) return {error, make(pid, Kind::extrasMenuBar, 0)};
                return {AXError::noValue, std::monostate{}};
            }
            if (attr == platform::AX::menuBar) return {error, make(pid, Kind::menuBar, 0)};
            if (attr == platform::AX::children) {
                std::vector<AXUIElementRef> kids;
                for (auto* w : desktop_.windows().frontToBack()) {
                    if (w->ownerPID == pid && w->ordered && (w->kind == WindowKind::appWindow || w->kind == WindowKind::ownWindow)) {
                        kids.push_back(make(pid, Kind::window, w->number));
                    }
                }
                return {error, kids};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::extrasMenuBar: {
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleMenuBar)};
            if (attr == platform::AX::children) {
                std::vector<AXUIElementRef> kids;
                for (BarItem* item : desktop_.bar().itemsOf(pid)) {
                    if (item->isVisible) kids.push_back(make(pid, Kind::statusItem, item->id));
                }
                return {error, kids};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::statusItem: {
            BarItem& item = *t.item;
            if (geometry) return frameValue(item.frame());
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleMenuBarItem)};
            if (attr == platform::AX::subrole) return {error, std::string("AXMenuExtra")};
            if (attr == platform::AX::enabled) return {error, true};
            std::string title = item.spec.title, description = item.spec.description, help = item.spec.help,
                        identifier = item.spec.identifier;
            if (item.own) {
                auto* button = item.own->desktopButton();
                title = button ? button->title() : "";
                description = button && button->image() ? button->image()->accessibilityDescription() : "";
                help = button ? button->toolTip() : "";
                identifier.clear();
            }
            if (attr == platform::AX::title) return {error, stringValue(title, error)};
            if (attr == platform::AX::description) return {error, stringValue(description, error)};
            if (attr == platform::AX::help) return {error, stringValue(help, error)};
            if (attr == platform::AX::identifier) return {error, stringValue(identifier, error)};
            if (attr == platform::AX::children) {
                std::vector<AXUIElementRef> kids;
                for (size_t i = 0; i < item.spec.children.size() && i < 31; ++i) {
                    uint64_t path = (i + 1) << (kPathBits - kLevelBits);
                    kids.push_back(make(pid, Kind::statusItemChild, (item.id << kPathBits) | path));
                }
                return {error, kids};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::statusItemChild: {
            const SceneAXNode& node = *t.node;
            if (geometry) return frameValue(t.item->frame());
            if (attr == platform::AX::role) return {error, node.role};
            if (attr == platform::AX::title) return {error, stringValue(node.title, error)};
            if (attr == platform::AX::description) return {error, stringValue(node.description, error)};
            if (attr == platform::AX::help) return {error, stringValue(node.help, error)};
            if (attr == platform::AX::identifier) return {error, stringValue(node.identifier, error)};
            if (attr == platform::AX::children) {
                std::vector<AXUIElementRef> kids;
                int depth = depthOf(t.path);
                if (depth < kPathBits / kLevelBits) {
                    int shift = kPathBits - kLevelBits * (depth + 1);
                    for (size_t i = 0; i < node.children.size() && i < 31; ++i) {
                        uint64_t path = t.path | ((i + 1) << shift);
                        kids.push_back(make(pid, Kind::statusItemChild, (t.item->id << kPathBits) | path));
                    }
                }
                return {error, kids};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::menuBar: {
            auto titles = desktop_.appMenuTitles();
            if (geometry) {
                Rect strip = desktop_.appMenusFrame();
                if (auto screen = desktop_.primaryScreen()) {
                    strip = Rect{screen->frame.minX(), screen->frame.maxY() - desktop_.bar().thickness(),
                                 screen->frame.width(), desktop_.bar().thickness()};
                }
                return frameValue(strip);
            }
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleMenuBar)};
            if (attr == platform::AX::children) {
                std::vector<AXUIElementRef> kids;
                if (desktop_.frontmostApp() == pid) {
                    for (size_t i = 0; i < titles.size(); ++i) kids.push_back(make(pid, Kind::menuBarItem, i));
                }
                return {error, kids};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::menuBarItem: {
            auto titles = desktop_.appMenuTitles();
            const auto& [title, frame] = titles[static_cast<size_t>(t.menuIndex)];
            if (geometry) return frameValue(frame);
            if (attr == platform::AX::role) return {error, std::string(platform::AX::roleMenuBarItem)};
            if (attr == platform::AX::title) return {error, stringValue(title, error)};
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        case Kind::window: {
            if (geometry) return frameValue(t.window->frame);
            if (attr == platform::AX::role) return {error, std::string("AXWindow")};
            if (attr == platform::AX::title) {
                std::string title = t.window->name.value_or("");
                if (t.window->platformWindow) title = t.window->platformWindow->title();
                return {error, stringValue(title, error)};
            }
            return {AXError::attributeUnsupported, std::monostate{}};
        }
        default: return {AXError::invalidUIElement, std::monostate{}};
    }
}

std::pair<AXError, std::vector<std::string>> DesktopAccessibility::copyAttributeNames(const AXUIElementRef& element) {
    Target t;
    AXError error = reach(element, t);
    if (error != AXError::success) return {error, {}};
    using namespace platform;
    switch (t.kind) {
        case Kind::application: return {error, {AX::role, AX::title, AX::children, AX::menuBar, AX::extrasMenuBar}};
        case Kind::statusItem:
        case Kind::statusItemChild:
            return {error, {AX::role, AX::title, AX::description, AX::help, AX::identifier, AX::position, AX::size,
                            AX::children}};
        default: return {error, {AX::role, AX::children, AX::position, AX::size}};
    }
}

std::pair<AXError, std::vector<std::string>> DesktopAccessibility::copyActionNames(const AXUIElementRef& element) {
    Target t;
    AXError error = reach(element, t);
    if (error != AXError::success) return {error, {}};
    if (t.kind == Kind::statusItem) {
        if (t.item->own) return {error, {platform::AX::press}};
        return {error, t.item->spec.actions};
    }
    if (t.kind == Kind::menuBarItem) return {error, {platform::AX::press, "AXCancel"}};
    return {error, {}};
}

AXError DesktopAccessibility::performAction(const AXUIElementRef& element, const std::string& action) {
    Target t;
    AXError error = reach(element, t);
    if (error != AXError::success) return error;
    if (t.kind != Kind::statusItem) {
        return t.kind == Kind::menuBarItem && action == platform::AX::press ? AXError::success
                                                                           : AXError::actionUnsupported;
    }
    BarItem& item = *t.item;
    if (item.own) {
        if (action != platform::AX::press) return AXError::actionUnsupported;
        if (auto* button = item.own->desktopButton()) button->performClick();
        return AXError::success;
    }
    const auto& actions = item.spec.actions;
    if (std::find(actions.begin(), actions.end(), action) == actions.end()) return AXError::actionUnsupported;
    if (action == platform::AX::press) {
        desktop_.openMenuOf(item, false);
        return AXError::success;
    }
    if (action == platform::AX::showMenu) {
        desktop_.openMenuOf(item, true);
        return AXError::success;
    }
    return AXError::success;  // other listed actions do nothing visible
}

std::pair<AXError, AXUIElementRef> DesktopAccessibility::copyElementAtPosition(const AXUIElementRef& element, float x,
                                                                               float y) {
    if (!element) return {AXError::illegalArgument, nullptr};
    if (!desktop_.isAccessibilityTrusted()) return {AXError::apiDisabled, nullptr};
    const bool systemWide = kindOf(element->elementID()) == Kind::systemWide;
    const Point p = desktop_.fromQuartz(Point{x, y});
    // The window server says which window is there (transparency does not matter to it);
    // that window's process is then asked for its element.
    for (ServerWindow* w : desktop_.windows().frontToBack()) {
        if (!w->ordered || w->desktopElement || !w->frame.contains(p)) continue;
        AXUIElementRef found;
        int32_t pid = w->ownerPID;
        if (w->kind == WindowKind::statusItem) {
            BarItem* item = desktop_.bar().find(w->barItem);
            if (!item || !item->shown) continue;
            pid = item->ownerPID;
            found = make(pid, Kind::statusItem, item->id);
        } else if (w->kind == WindowKind::menuBar) {
            pid = desktop_.frontmostApp();
            auto titles = desktop_.appMenuTitles();
            found = make(pid, Kind::menuBar, 0);
            for (size_t i = 0; i < titles.size(); ++i) {
                if (titles[i].second.contains(p)) found = make(pid, Kind::menuBarItem, i);
            }
        } else if (w->kind == WindowKind::appWindow || w->kind == WindowKind::ownWindow) {
            found = make(pid, Kind::window, w->number);
        } else {
            continue;
        }
        if (!systemWide && pid != element->pid()) return {AXError::noValue, nullptr};
        const SimulatedApp* app = desktop_.app(pid);
        if (!app) return {AXError::noValue, nullptr};
        ++messages_;
        if (!app->answersAccessibility) {
            float timeout = element->messagingTimeout() > 0 ? element->messagingTimeout() : globalTimeout_;
            platform::RunLoop::main().blockingWait(timeout);
            return {AXError::cannotComplete, nullptr};
        }
        return {AXError::success, found};
    }
    return {AXError::noValue, nullptr};
}

AXError DesktopAccessibility::setMessagingTimeout(const AXUIElementRef& element, float seconds) {
    if (!element || !(seconds >= 0)) return AXError::illegalArgument;
    if (kindOf(element->elementID()) == Kind::systemWide) {
        // On the system-wide element it sets the default of every element.
        globalTimeout_ = seconds > 0 ? seconds : platform::Accessibility::kDefaultMessagingTimeout;
        return AXError::success;
    }
    element->setMessagingTimeoutValue(seconds);
    return AXError::success;
}

std::pair<AXError, int32_t> DesktopAccessibility::getPid(const AXUIElementRef& element) {
    if (!element) return {AXError::illegalArgument, 0};
    if (kindOf(element->elementID()) == Kind::systemWide) return {AXError::illegalArgument, 0};
    return {AXError::success, element->pid()};
}

}  // namespace desktop
