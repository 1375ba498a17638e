#include "engine/ActivationService.h"

#include <algorithm>
#include <variant>

#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "model/MenuBarIdentity.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"

namespace tessivane {

namespace {

using platform::AXError;
using platform::AXUIElementRef;
using platform::RunningApplication;

bool isControlCenter(const std::optional<std::string>& bundle) {
    return bundle && *bundle == MenuBarIdentity::controlCenterBundleIdentifier;
}

std::string_view nameOf(const RunningApplication& app) {
    return app.localizedName ? std::string_view(*app.localizedName) : std::string_view{};
}

bool bothPresentAndEqual(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a && b && *a == *b;
}

// The application's bundle is the icon's, and it is not a host of many kinds of icons.
bool ownsByBundle(const std::optional<std::string>& iconBundle, const RunningApplication& app) {
    return bothPresentAndEqual(iconBundle, app.bundleIdentifier) &&
           !MenuBarIdentity::isGenericHost(app.bundleIdentifier, nameOf(app));
}

}  // namespace

ActivationService::Match ActivationService::resolve(const MenuBarItemID& id, const Items& items) const {
    GenericHostMemo hosts;
    const MenuBarIdentity::Names stored = MemberNames::stored(id, hosts);
    auto namesOverlap = [&](const DiscoveredMenuBarItem& item) {
        return MenuBarIdentity::namesOverlap(stored, MemberNames::live(item.title, item.ownerName, hosts));
    };

    for (const DiscoveredMenuBarItem& item : items) {
        if (!MenuBarIdentity::isSelf(item.bundleIdentifier, item.ownerName)) {
            const bool sameBundle = bothPresentAndEqual(id.bundleIdentifier, item.bundleIdentifier) &&
                                    !hosts.isGenericHost(item.bundleIdentifier, item.ownerName);
            if (sameBundle || namesOverlap(item)) return item;
        }
        if (item.id.hasSameIdentityString(id)) return item;
    }

    if (id.bundleIdentifier && !isControlCenter(id.bundleIdentifier)) {
        const DiscoveredMenuBarItem* only = nullptr;
        size_t count = 0;
        for (const DiscoveredMenuBarItem& item : items) {
            if (item.bundleIdentifier == id.bundleIdentifier) {
                if (count++ == 0) only = &item;
            }
        }
        if (count == 1) return *only;
        if (count > 1) {
            for (const DiscoveredMenuBarItem& item : items) {
                if (item.bundleIdentifier == id.bundleIdentifier && namesOverlap(item)) return item;
            }
        }
    }

    for (const DiscoveredMenuBarItem& item : items) {
        if (namesOverlap(item)) return item;
    }
    return std::nullopt;
}

bool ActivationService::showContextMenuViaAX(const MenuBarItemID& itemID, const Items& items) const {
    const Match match = resolve(itemID, items);
    if (!match || !match->axElement) return false;
    const AXUIElementRef& element = match->axElement;
    platform::Accessibility& ax = platform::accessibility();

    auto [pidError, pid] = ax.getPid(element);
    if (pidError != AXError::success) pid = 0;
    if (pid == platform::ProcessInfo::processIdentifier()) return false;
    // Control Center's and the system UI server's icons do not answer this way.
    if (auto app = platform::workspace().runningApplication(pid)) {
        if (MenuBarIdentity::isGenericHost(app->bundleIdentifier, nameOf(*app))) return false;
    }

    UnansweringApplications::Reads reads(*unanswering_, pid > 0 ? pid : match->ownerPID);
    auto [actionsError, actions] = reads.ask([&] { return ax.copyActionNames(element); });
    if (actionsError != AXError::success) return false;
    if (std::find(actions.begin(), actions.end(), platform::AX::showMenu) == actions.end()) return false;
    return ax.performAction(element, platform::AX::showMenu) == AXError::success;
}

ActivationService::Apps ActivationService::candidateApps(const MenuBarItemID& itemID, const Match& match) const {
    const Apps running = platform::workspace().runningApplications();
    const int32_t ownPID = platform::ProcessInfo::processIdentifier();
    Apps result;
    auto add = [&](const RunningApplication& app) {
        const int32_t pid = app.processIdentifier;
        if (pid <= 0 || pid == ownPID) return;
        if (std::any_of(result.begin(), result.end(),
                        [pid](const RunningApplication& a) { return a.processIdentifier == pid; })) {
            return;
        }
        if (MenuBarIdentity::isSelf(app.bundleIdentifier, nameOf(app))) return;
        result.push_back(app);
    };

    for (const std::optional<std::string>* bundle :
         {&itemID.bundleIdentifier, match ? &match->bundleIdentifier : nullptr}) {
        if (!bundle || !*bundle || isControlCenter(*bundle)) continue;
        for (const RunningApplication& app : running) {
            if (app.bundleIdentifier == **bundle) add(app);
        }
    }
    for (const RunningApplication& app : running) {
        if (isControlCenter(app.bundleIdentifier)) add(app);
    }

    std::vector<std::string> tokens;
    auto collect = [&](std::string_view text) {
        std::vector<std::string> found = MenuBarIdentity::meaningfulTokens(text);
        tokens.insert(tokens.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    };
    if (itemID.title) collect(*itemID.title);
    if (itemID.ownerName) collect(*itemID.ownerName);
    if (match) {
        collect(match->title);
        collect(match->ownerName);
    }
    if (!tokens.empty()) {
        for (const RunningApplication& app : running) {
            std::string text;
            if (app.localizedName) text = platform::Text::lowercased(*app.localizedName);
            if (app.bundleIdentifier) {
                if (app.localizedName) text += ' ';
                text += platform::Text::lowercased(*app.bundleIdentifier);
            }
            const bool named = std::any_of(tokens.begin(), tokens.end(), [&text](const std::string& token) {
                return text.find(token) != std::string::npos;
            });
            if (named) add(app);
        }
    }
    return result;
}

std::unordered_set<int32_t> ActivationService::candidatePIDs(const MenuBarItemID& itemID, const Match& match) const {
    std::unordered_set<int32_t> pids;
    if (match && match->ownerPID > 0 && !isControlCenter(match->bundleIdentifier)) pids.insert(match->ownerPID);

    std::optional<Apps> running;
    for (const std::optional<std::string>* bundle :
         {&itemID.bundleIdentifier, match ? &match->bundleIdentifier : nullptr}) {
        if (!bundle || !*bundle || isControlCenter(*bundle)) continue;
        if (!running) running = platform::workspace().runningApplications();
        for (const RunningApplication& app : *running) {
            if (app.bundleIdentifier == **bundle && app.processIdentifier > 0) pids.insert(app.processIdentifier);
        }
    }
    return pids;
}

AXUIElementRef ActivationService::bounded(AXUIElementRef element) {
    if (element) platform::accessibility().setMessagingTimeout(element, extrasMessagingTimeout);
    return element;
}

std::vector<AXUIElementRef> ActivationService::extraButtons(const RunningApplication& app) const {
    if (app.processIdentifier <= 0) return {};
    UnansweringApplications::Reads reads(*unanswering_, app.processIdentifier);
    if (reads.quiet()) return {};
    platform::Accessibility& ax = platform::accessibility();
    const AXUIElementRef application = bounded(ax.createApplication(app.processIdentifier));
    if (!application) return {};

    auto [barError, barValue] =
        reads.ask([&] { return ax.copyAttributeValue(application, platform::AX::extrasMenuBar); });
    AXUIElementRef* bar = std::get_if<AXUIElementRef>(&barValue);
    if (barError != AXError::success || !bar || !bounded(*bar)) return {};

    auto [childrenError, childrenValue] = reads.ask([&] { return ax.copyAttributeValue(*bar, platform::AX::children); });
    auto* children = std::get_if<std::vector<AXUIElementRef>>(&childrenValue);
    if (childrenError != AXError::success || !children) return {};
    for (const AXUIElementRef& child : *children) bounded(child);
    return std::move(*children);
}

std::string ActivationService::axAttr(const AXUIElementRef& element, const std::string& attribute) const {
    if (!element) return {};
    auto [error, value] = platform::accessibility().copyAttributeValue(element, attribute);
    if (error != AXError::success) return {};
    if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
    return {};
}

std::string ActivationService::axTitle(const AXUIElementRef& element) const {
    for (const char* attribute : {platform::AX::title, platform::AX::description, platform::AX::help}) {
        std::string text = axAttr(element, attribute);
        if (!text.empty()) return text;
    }
    return {};
}

platform::Rect ActivationService::axFrameQuartz(const AXUIElementRef& element) const {
    if (!element) return {};
    platform::Accessibility& ax = platform::accessibility();
    auto [positionError, positionValue] = ax.copyAttributeValue(element, platform::AX::position);
    const platform::Point* position = std::get_if<platform::Point>(&positionValue);
    if (positionError != AXError::success || !position) return {};
    auto [sizeError, sizeValue] = ax.copyAttributeValue(element, platform::AX::size);
    const platform::Size* size = std::get_if<platform::Size>(&sizeValue);
    if (sizeError != AXError::success || !size) return {};
    return platform::Rect{*position, *size};
}

AXUIElementRef ActivationService::firstMatchingExtra(const MenuBarItemID& itemID, const Match& match,
                                                     const Apps& apps, bool includeControlCenter) const {
    GenericHostMemo hosts;
    const MenuBarIdentity::Names stored = MemberNames::stored(itemID, hosts);
    std::optional<MenuBarIdentity::Names> matched;
    if (match) matched.emplace(MemberNames::stored(match->id, hosts));

    for (const RunningApplication& app : apps) {
        if (isControlCenter(app.bundleIdentifier) != includeControlCenter) continue;
        if (MenuBarIdentity::isSelf(app.bundleIdentifier, nameOf(app))) continue;
        std::vector<AXUIElementRef> extras = extraButtons(app);
        if (extras.empty()) continue;

        // An application that is the icon's by bundle owns every one of its extras, the first
        // of which is taken.
        if (ownsByBundle(itemID.bundleIdentifier, app) || (match && ownsByBundle(match->id.bundleIdentifier, app))) {
            return extras.front();
        }
        const std::string_view owner = nameOf(app);
        for (const AXUIElementRef& element : extras) {
            const std::string title = axTitle(element);
            const MenuBarIdentity::Names live = MemberNames::live(title, owner, hosts);
            if (MenuBarIdentity::namesOverlap(stored, live)) return element;
            if (matched && MenuBarIdentity::namesOverlap(*matched, live)) return element;
        }
    }
    return nullptr;
}

AXUIElementRef ActivationService::findExtra(const MenuBarItemID& itemID, const Match& match) const {
    const Apps apps = candidateApps(itemID, match);
    if (AXUIElementRef element = firstMatchingExtra(itemID, match, apps, false)) return element;
    return firstMatchingExtra(itemID, match, apps, true);
}

}  // namespace tessivane
