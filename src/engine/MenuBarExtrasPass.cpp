// The Accessibility half of discovery: every application's menu bar extras, with readable
// titles, and the coordinate rules the whole engine shares.
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "engine/MenuBarItemDiscovery.h"
#include "platform/Bundle.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"

namespace tessivane {

namespace {

using platform::Rect;

// Labels that say nothing about which icon is meant.
constexpr std::array<std::string_view, 10> kGenericLabelWords = {
    "menu extra", "menu bar item", "menu bar", "button", "group",
    "image", "description", "unknown", "extra", "system ui server"};

struct LabelTitle {
    std::string_view label;
    std::string_view title;
};

// System identifiers and terse descriptions, lower-cased, and the names people know them by.
constexpr std::array<LabelTitle, 30> kLabelTitles = {{
    {"wifi", "Wi-Fi"},
    {"wi fi", "Wi-Fi"},
    {"bth", "Bluetooth"},
    {"bluetooth", "Bluetooth"},
    {"sound", "Sound"},
    {"audio", "Sound"},
    {"audiovideomodule", "Sound"},
    {"focus", "Focus"},
    {"donotdisturb", "Focus"},
    {"battery", "Battery"},
    {"clock", "Clock"},
    {"time", "Clock"},
    {"spotlight", "Spotlight"},
    {"siri", "Siri"},
    {"nowplaying", "Now Playing"},
    {"now playing", "Now Playing"},
    {"bentobox", "Control Center"},
    {"bentobox 0", "Control Center"},
    {"dark mode", "Dark Mode"},
    {"stage manager", "Stage Manager"},
    {"capture screen", "Screenshot"},
    {"screenshot", "Screenshot"},
    {"display", "Display"},
    {"brightness", "Display"},
    {"keyboardbrightness", "Keyboard Brightness"},
    {"keyboard brightness", "Keyboard Brightness"},
    {"screenmirroring", "Screen Mirroring"},
    {"screen mirroring", "Screen Mirroring"},
    {"controlcenter", "Control Center"},
    {"control center", "Control Center"},
}};

constexpr std::array<const char*, 4> kTitleAttributes = {
    platform::AX::description, platform::AX::title, platform::AX::help, platform::AX::identifier};

bool isAcceptableTitle(const std::string& candidate, const std::string& fallback) {
    const std::string trimmed = platform::Text::trimmed(candidate);
    if (trimmed.empty()) return false;
    if (platform::Text::caseInsensitiveEquals(trimmed, fallback)) return false;
    const std::string lowered = platform::Text::lowercased(trimmed);
    return std::find(kGenericLabelWords.begin(), kGenericLabelWords.end(), lowered) == kGenericLabelWords.end();
}

// A time-out belongs to the reference it was set on, not to the elements read through it: each
// element the pass reads gets the pass's own.
void bound(const platform::AXUIElementRef& element) {
    platform::accessibility().setMessagingTimeout(element, MenuBarItemDiscovery::extrasMessagingTimeout);
}

// The attribute of one of the application's elements, unless it is quiet.
std::pair<platform::AXError, platform::AXValue> copyAttribute(const platform::AXUIElementRef& element,
                                                              const std::string& attribute,
                                                              UnansweringApplications::Reads& reads) {
    return reads.ask([&] { return platform::accessibility().copyAttributeValue(element, attribute); });
}

std::vector<platform::AXUIElementRef> copyChildren(const platform::AXUIElementRef& element,
                                                   UnansweringApplications::Reads& reads) {
    auto [error, value] = copyAttribute(element, platform::AX::children, reads);
    if (error != platform::AXError::success) return {};
    auto* children = std::get_if<std::vector<platform::AXUIElementRef>>(&value);
    if (!children) return {};
    for (const platform::AXUIElementRef& child : *children) bound(child);
    return std::move(*children);
}

// Position and size read by `copy`, flipped into AppKit coordinates.
template <class Copy>
std::optional<Rect> frameFrom(Copy&& copy) {
    auto [positionError, positionValue] = copy(platform::AX::position);
    if (positionError != platform::AXError::success) return std::nullopt;
    auto [sizeError, sizeValue] = copy(platform::AX::size);
    if (sizeError != platform::AXError::success) return std::nullopt;
    const auto* position = std::get_if<platform::Point>(&positionValue);
    const auto* size = std::get_if<platform::Size>(&sizeValue);
    if (!position || !size) return std::nullopt;
    return MenuBarItemDiscovery::cocoaRect(Rect{*position, *size});
}

std::optional<Rect> zeroOriginScreenFrame(const std::vector<platform::Screen>& screens) {
    for (const platform::Screen& screen : screens) {
        if (screen.frame.origin == platform::Point{0, 0}) return screen.frame;
    }
    return std::nullopt;
}

}  // namespace

MenuBarItemDiscovery::Items MenuBarItemDiscovery::discoverAXExtras(UnansweringApplications& unanswering) {
    platform::Accessibility& ax = platform::accessibility();
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    const std::optional<std::string> ownBundle = platform::Bundle::main().bundleIdentifier();

    Items result;
    for (const platform::RunningApplication& app : platform::workspace().runningApplications()) {
        if (app.processIdentifier < 1 || app.processIdentifier == ownPID) continue;
        if (app.activationPolicy == platform::ActivationPolicy::prohibited) continue;
        if (app.bundleIdentifier == ownBundle) continue;
        // Helpers and XPC services answer for another application, never for themselves.
        if (app.localizedName && platform::Text::localizedCaseInsensitiveContains(*app.localizedName, "Helper")) {
            continue;
        }
        if (app.bundleIdentifier && (app.bundleIdentifier->find(".helper") != std::string::npos ||
                                     app.bundleIdentifier->find(".xpc") != std::string::npos)) {
            continue;
        }

        // One that did not answer a moment ago would time out again: it is dropped at once.
        UnansweringApplications::Reads reads(unanswering, app.processIdentifier);
        if (reads.quiet()) continue;
        platform::AXUIElementRef appElement = ax.createApplication(app.processIdentifier);
        if (!appElement) continue;
        bound(appElement);
        auto [error, extrasValue] = copyAttribute(appElement, platform::AX::extrasMenuBar, reads);
        if (error != platform::AXError::success) continue;
        const auto* extrasBar = std::get_if<platform::AXUIElementRef>(&extrasValue);
        if (!extrasBar || !*extrasBar) continue;
        bound(*extrasBar);
        const std::vector<platform::AXUIElementRef> children = copyChildren(*extrasBar, reads);
        for (size_t i = 0; i < children.size(); ++i) {
            result.push_back(axItem(children[i], app, static_cast<int64_t>(i), reads));
        }
    }
    return result;
}

MenuBarItemDiscovery::Item MenuBarItemDiscovery::axItem(const platform::AXUIElementRef& element,
                                                        const platform::RunningApplication& app, int64_t index,
                                                        UnansweringApplications::Reads& reads) {
    std::string title = bestAXTitle(element, app.localizedName.value_or("Item"), 0, reads);
    std::string owner = app.localizedName ? *app.localizedName : app.bundleIdentifier.value_or("App");
    const Rect frame = normalizedMenuBarFrame(copyFrame(element, reads).value_or(Rect{}));

    Item item;
    item.id = MenuBarItemID{app.bundleIdentifier, title, owner, index, std::nullopt, frame.minX()};
    item.title = std::move(title);
    item.ownerName = std::move(owner);
    item.bundleIdentifier = app.bundleIdentifier;
    item.itemIndex = index;
    item.frame = frame;
    item.axElement = element;
    item.windowID = 0;
    item.ownerPID = app.processIdentifier;
    return item;
}

std::string MenuBarItemDiscovery::bestAXTitle(const platform::AXUIElementRef& element, const std::string& fallback,
                                              int depth, UnansweringApplications::Reads& reads) {
    for (const char* attribute : kTitleAttributes) {
        if (auto raw = copyString(element, attribute, reads)) {
            std::string candidate = humanizeLabel(*raw);
            if (isAcceptableTitle(candidate, fallback)) return candidate;
        }
    }
    // Look no deeper than the grandchildren: further down are the contents of menus.
    if (depth > 1) return fallback;
    for (const platform::AXUIElementRef& child : copyChildren(element, reads)) {
        std::string candidate = bestAXTitle(child, fallback, depth + 1, reads);
        if (isAcceptableTitle(candidate, fallback)) return candidate;
    }
    return fallback;
}

std::string MenuBarItemDiscovery::humanizeLabel(std::string_view raw) {
    std::string label = platform::Text::trimmed(raw);
    // A reverse-domain identifier ("com.apple.menuextra.battery") keeps its last component.
    std::string_view lastPiece;
    std::string_view rest(label);
    while (!rest.empty()) {
        const size_t dot = rest.find('.');
        std::string_view piece = rest.substr(0, dot);
        if (!piece.empty()) lastPiece = piece;
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    if (!lastPiece.empty()) label = std::string(lastPiece);
    std::replace(label.begin(), label.end(), '_', ' ');
    std::replace(label.begin(), label.end(), '-', ' ');

    const std::string lowered = platform::Text::lowercased(label);
    for (const LabelTitle& entry : kLabelTitles) {
        if (entry.label == lowered) return std::string(entry.title);
    }
    return platform::Text::capitalized(label);
}

std::optional<std::string> MenuBarItemDiscovery::copyString(const platform::AXUIElementRef& element,
                                                            const std::string& attribute,
                                                            UnansweringApplications::Reads& reads) {
    auto [error, value] = copyAttribute(element, attribute, reads);
    if (error != platform::AXError::success) return std::nullopt;
    if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
    return std::nullopt;
}

std::optional<Rect> MenuBarItemDiscovery::copyFrame(const platform::AXUIElementRef& element) {
    return frameFrom([&](const char* attribute) { return platform::accessibility().copyAttributeValue(element, attribute); });
}

std::optional<Rect> MenuBarItemDiscovery::copyFrame(const platform::AXUIElementRef& element,
                                                    UnansweringApplications::Reads& reads) {
    return frameFrom([&](const char* attribute) { return copyAttribute(element, attribute, reads); });
}

platform::AXUIElementRef MenuBarItemDiscovery::systemWideElement() {
    platform::Accessibility& ax = platform::accessibility();
    platform::AXUIElementRef systemWide = ax.createSystemWide();
    if (systemWide) ax.setMessagingTimeout(systemWide, hitTestMessagingTimeout);
    return systemWide;
}

Rect MenuBarItemDiscovery::cocoaRect(const Rect& fromQuartz) { return cocoaRect(fromQuartz, flipHeight()); }

Rect MenuBarItemDiscovery::cocoaRect(const Rect& fromQuartz, double flipHeight) {
    return Rect{fromQuartz.minX(), flipHeight - fromQuartz.minY() - fromQuartz.height(), fromQuartz.width(),
                fromQuartz.height()};
}

double MenuBarItemDiscovery::flipHeight() {
    const platform::Screens& screens = platform::screens();
    if (auto zeroScreen = zeroOriginScreenFrame(screens.screens())) return zeroScreen->height();
    if (auto main = screens.mainScreen()) return main->frame.height();
    return 0;
}

std::optional<platform::Screen> MenuBarItemDiscovery::primaryScreen() {
    const platform::Screens& screens = platform::screens();
    for (platform::Screen& screen : screens.screens()) {
        if (screen.frame.origin == platform::Point{0, 0}) return std::move(screen);
    }
    return screens.mainScreen();
}

Rect MenuBarItemDiscovery::normalizedMenuBarFrame(const Rect& frame) {
    if (!(frame.width() > 0) || !(frame.height() > 0)) return frame;
    const std::vector<platform::Screen> screens = platform::screens().screens();
    double leftmost = 0;
    for (size_t i = 0; i < screens.size(); ++i) {
        leftmost = i == 0 ? screens[i].frame.minX() : std::min(leftmost, screens[i].frame.minX());
    }
    if (!(frame.minX() < leftmost - 100)) return frame;
    const std::optional<platform::Screen> primary = primaryScreen();
    if (!primary || !(primary->frame.width() > 0)) return frame;
    const Rect moved{frame.minX() + primary->frame.width(), frame.minY(), frame.width(), frame.height()};
    for (const platform::Screen& screen : screens) {
        // Close enough to a screen that the arrangement, not the icon, put it out there.
        if (screen.frame.minX() - 80 < moved.maxX() && moved.minX() < screen.frame.maxX() + 80) return moved;
    }
    return frame;
}

}  // namespace tessivane
