#include "engine/ExtraWindowHidingService.h"

#include <algorithm>
#include <cstdio>

#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "engine/MenuBarSkyLight.h"
#include "model/MenuBarIdentity.h"
#include "platform/FileLocations.h"
#include "platform/LogFile.h"

namespace tessivane {

namespace {

// Appends `text` in double quotes with the escapes of a debugging description, so that a
// title holding a quote or a line break cannot break the log line apart.
void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\'': out += "\\'"; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char buffer[12];
                    std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// What the hiding rule needs of one live icon, worked out once per sync.
struct LiveIcon {
    const DiscoveredMenuBarItem* item;
    MenuBarIdentity::Names names;
    bool isGenericHost;

    LiveIcon(const DiscoveredMenuBarItem& i, GenericHostMemo& hosts)
        : item(&i),
          names(MemberNames::live(i.title, i.ownerName, hosts)),
          isGenericHost(hosts.isGenericHost(i.bundleIdentifier, i.ownerName)) {}
};

// The live icon is one the member means: the same application's bundle (not a host of
// many kinds of icons), or names in common.
bool memberMeans(const MenuBarItemID& member, const MenuBarIdentity::Names& memberNames, const LiveIcon& icon) {
    const DiscoveredMenuBarItem& item = *icon.item;
    if (member.bundleIdentifier && item.bundleIdentifier && *member.bundleIdentifier == *item.bundleIdentifier &&
        !icon.isGenericHost) {
        return true;
    }
    return MenuBarIdentity::namesOverlap(memberNames, icon.names);
}

}  // namespace

ExtraWindowHidingService::AlphaFunctions ExtraWindowHidingService::AlphaFunctions::lookUp() {
    AlphaFunctions f;
    f.mainConnection = MenuBarSkyLight::symbol<platform::CGSMainConnectionIDFn>("CGSMainConnectionID");
    f.setWindowListAlpha = MenuBarSkyLight::symbol<platform::CGSSetWindowListAlphaFn>("CGSSetWindowListAlpha");
    f.setWindowAlpha = MenuBarSkyLight::symbol<platform::CGSSetWindowAlphaFn>("CGSSetWindowAlpha");
    f.slsSetWindowAlpha = MenuBarSkyLight::symbol<platform::CGSSetWindowAlphaFn>("SLSSetWindowAlpha");
    return f;
}

ExtraWindowHidingService::ExtraWindowHidingService() = default;

ExtraWindowHidingService::~ExtraWindowHidingService() {
    if (timer_) timer_->invalidate();
}

void ExtraWindowHidingService::sync(const std::unordered_set<MenuBarItemID>& hiddenIDs,
                                    const std::vector<DiscoveredMenuBarItem>& items) {
    GenericHostMemo hosts;
    std::vector<LiveIcon> icons;
    icons.reserve(items.size());
    for (const DiscoveredMenuBarItem& item : items) {
        // Our own icons stay visible whatever a member's names say.
        if (MenuBarIdentity::isSelf(item.bundleIdentifier, item.ownerName)) continue;
        icons.emplace_back(item, hosts);
    }

    std::vector<platform::CGWindowID> windows;
    std::unordered_set<platform::CGWindowID> seen;
    for (const MenuBarItemID& member : hiddenIDs) {
        const MenuBarIdentity::Names memberNames = MemberNames::stored(member, hosts);
        for (const LiveIcon& icon : icons) {
            const platform::CGWindowID window = icon.item->windowID;
            if (window == 0 || seen.contains(window)) continue;
            if (memberMeans(member, memberNames, icon)) {
                seen.insert(window);
                windows.push_back(window);
            }
        }
        // A member's stored window number only counts through a live icon it means, which
        // the walk above has already collected.
    }
    // A window that no member means any more (the icon left its vossel, or another
    // environment became active) is given back its alpha; nothing else would ever do so.
    std::vector<platform::CGWindowID> released;
    for (platform::CGWindowID window : hiddenWindows_) {
        if (!seen.contains(window)) released.push_back(window);
    }
    hiddenWindows_ = std::move(windows);

    tickFunctions_ = AlphaFunctions::lookUp();
    setAlpha(tickFunctions_, 1, released);
    startTimerIfNeeded();
    reapply();
    log(syncMessage(hiddenWindows_, hiddenIDs, items));
}

void ExtraWindowHidingService::startTimerIfNeeded() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    paused_ = hiddenWindows_.empty();
    if (paused_) return;
    std::weak_ptr<bool> alive = lifetime_;
    // The timer already fires on the main thread, so the tick re-applies in place.
    timer_ = platform::RunLoop::main().scheduledTimer(
        reapplyInterval, true,
        [this, alive](platform::Timer&) {
            if (alive.lock()) reapply();
        },
        platform::TimerModes::common);
}

void ExtraWindowHidingService::reapply() {
    if (paused_) return;
    setAlpha(tickFunctions_, 0);
}

void ExtraWindowHidingService::reveal(const MenuBarItemID&) {
    paused_ = true;
    setAlpha(AlphaFunctions::lookUp(), 1);
}

void ExtraWindowHidingService::restoreAll() {
    paused_ = true;
    if (timer_) timer_->invalidate();
    timer_.reset();
    setAlpha(AlphaFunctions::lookUp(), 1);
    hiddenWindows_.clear();
}

void ExtraWindowHidingService::setAlpha(const AlphaFunctions& f, float alpha) const {
    setAlpha(f, alpha, hiddenWindows_);
}

void ExtraWindowHidingService::setAlpha(const AlphaFunctions& f, float alpha,
                                        const std::vector<platform::CGWindowID>& windows) {
    if (!f.mainConnection) return;
    for (platform::CGWindowID window : windows) {
        if (window == 0) continue;
        const platform::CGSConnectionID connection = f.mainConnection();
        if (f.setWindowListAlpha) f.setWindowListAlpha(connection, &window, 1, alpha, 0);
        if (f.setWindowAlpha) f.setWindowAlpha(connection, window, alpha);
        if (f.slsSetWindowAlpha) f.slsSetWindowAlpha(connection, window, alpha);
    }
}

std::string ExtraWindowHidingService::syncMessage(const std::vector<platform::CGWindowID>& windows,
                                                  const std::unordered_set<MenuBarItemID>& hiddenIDs,
                                                  const std::vector<DiscoveredMenuBarItem>& items) {
    std::string message = "sync windows=[";
    for (size_t i = 0; i < windows.size(); ++i) {
        if (i) message += ", ";
        message += std::to_string(windows[i]);
    }
    message += "] members=[";
    bool first = true;
    for (const MenuBarItemID& member : hiddenIDs) {
        if (!first) message += ", ";
        first = false;
        std::string entry = member.title ? *member.title : "?";
        entry += " wid=";
        entry += std::to_string(member.windowID.value_or(0));
        appendQuoted(message, entry);
    }
    message += "] itemWindows=[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) message += ", ";
        std::string entry = items[i].displayName();
        entry += ':';
        entry += std::to_string(items[i].windowID);
        appendQuoted(message, entry);
    }
    message += ']';
    return message;
}

void ExtraWindowHidingService::log(const std::string& message) const {
    platform::appendLogLine(platform::FileLocations::logFolder() / logFileName, message);
}

}  // namespace tessivane
