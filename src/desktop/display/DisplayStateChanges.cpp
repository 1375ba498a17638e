// What changed: the state is kept as the text of its parts, and each part is built again
// only when its sources say it may differ.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

#include "desktop/Desktop.h"
#include "desktop/DesktopWindow.h"
#include "desktop/display/DisplayState.h"
#include "platform/RunLoop.h"
#include "ui/HostingView.h"

namespace desktop {

using nlohmann::json;

namespace {

// A change that was not counted where it happened shows at the latest after this long.
constexpr auto kFullRebuildInterval = std::chrono::seconds(5);
#ifdef NDEBUG
constexpr bool kRebuildEveryCall = false;
#else
// Builds with assertions (the tests') build everything on every call too, and compare, so
// that a change that goes uncounted is found where it happens rather than seconds later.
constexpr bool kRebuildEveryCall = true;
#endif

const char* const kPartKeys[] = {"logs", "menuBar", "screens", "statusItems", "windows"};

}  // namespace

json DisplayState::build() {
    updateClock();
    fresh_ = true;
    json s = cheapFields(glance());
    for (int p = 0; p < partCount; ++p) s[kPartKeys[p]] = buildPart(static_cast<Part>(p));
    fresh_ = false;
    return s;
}

std::string DisplayState::dumped(const json& j) {
    // Text a log or a title brings in is not always UTF-8; it is shown replaced, never refused.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string DisplayState::partText(Part part) {
    if (part == windowsPart) return windows();
    if (part == statusItemsPart) return statusItems();
    return dumped(buildPart(part));
}

json DisplayState::buildPart(Part part) {
    switch (part) {
        case logsPart: return logs();
        case menuBarPart: return menuBar();
        case screensPart: return screens();
        case statusItemsPart: return json::parse(statusItems());
        case windowsPart: return json::parse(windows());
        case partCount: break;
    }
    return nullptr;
}

bool DisplayState::updateClock() {
    // The clock's text shows minutes: formatting it once a second is exact.
    const double second = std::floor(platform::RunLoop::main().now());
    if (second == clockSecond_) return false;
    clockSecond_ = second;
    std::string text = clockText(second);
    if (text == clock_) return false;
    clock_ = std::move(text);
    return true;
}

bool DisplayState::hostsChanged() const {
    for (uint32_t number : treeWindows_) {
        const ServerWindow* w = desktop_.windows().find(number);
        auto* hosting = w && w->platformWindow ? dynamic_cast<ui::HostingView*>(w->platformWindow->contentView().get()) : nullptr;
        auto cached = trees_.find(number);
        if (!hosting || cached == trees_.end()) return true;
        const ui::Host& host = hosting->host();
        if (cached->second.host != &host || host.needsRender() || cached->second.changes != host.changeCount() ||
            cached->second.focused != host.focusedNodeId().value_or("") ||
            cached->second.openMenu != host.openMenuNodeId().value_or("")) {
            return true;
        }
    }
    return false;
}

bool DisplayState::refreshParts(bool everything) {
    // Read before building: whatever the building itself sets off counts for the next call.
    const uint64_t changes = desktop_.changeCount();
    const bool desktopChanged = everything || changes != seenChanges_;
    const bool clockChanged = updateClock();
    seenChanges_ = changes;
    std::array<bool, partCount> stale{};
    stale[screensPart] = desktopChanged;
    stale[menuBarPart] = stale[statusItemsPart] = desktopChanged || clockChanged;  // the clock's item shows the time
    // A menu, an alert or an open panel of the application is its own object, which the desktop
    // does not watch: while one is up, the windows are read on every call.
    stale[windowsPart] = desktopChanged || hostsChanged() || desktop_.ownOpenMenu() || desktop_.currentAlert() ||
                         desktop_.currentOpenPanel();
    stale[logsPart] = everything || logsChanged();

    fresh_ = everything;
    bool changed = false;
    for (int p = 0; p < partCount; ++p) {
        if (!stale[p] && built_[p]) continue;
        std::string text = partText(static_cast<Part>(p));
        built_[p] = true;
        if (text == parts_[p]) continue;
        parts_[p] = std::move(text);
        changed = true;
    }
    fresh_ = false;
    return changed;
}

const std::string& DisplayState::text(bool& changed) {
    const auto now = std::chrono::steady_clock::now();
    // The first time there is nothing to check against: every part is built afresh, once.
    const bool first = std::find(built_.begin(), built_.end(), false) != built_.end();
    bool partsChanged = refreshParts(first);
    if (first) {
        lastFullRebuild_ = now;
    } else if (kRebuildEveryCall || now - lastFullRebuild_ >= kFullRebuildInterval) {
        lastFullRebuild_ = now;
        const auto counted = parts_;
        const uint64_t changes = seenChanges_;
        const double second = clockSecond_;
        partsChanged = refreshParts(true) || partsChanged;
        // What changed while the parts were built (a host's first render sets things off) was counted.
        const bool movedMeanwhile = desktop_.changeCount() != changes || clockSecond_ != second;
        for (int p = 0; p < partCount && !movedMeanwhile; ++p) {
            if (parts_[p] == counted[p]) continue;
            ++unnoticed_;
            std::fprintf(stderr, "display: the state's %s changed without a change being counted\n", kPartKeys[p]);
        }
    }

    Glance seen = glance();
    if (!partsChanged && glance_ == seen && !seen.openPanel && !text_.empty()) {
        changed = false;
        return text_;
    }
    glance_ = seen;
    // The cheap fields, each as text, and the parts, in the order of their keys as one JSON
    // object of them all would have them.
    const json cheap = cheapFields(seen);
    std::vector<std::string> fields;
    std::vector<std::pair<std::string_view, size_t>> order;  // key, index in `fields` or past it in `parts_`
    fields.reserve(cheap.size());
    for (const auto& [key, value] : cheap.items()) {
        order.emplace_back(key, fields.size());
        fields.push_back(dumped(value));
    }
    for (int p = 0; p < partCount; ++p) order.emplace_back(kPartKeys[p], fields.size() + static_cast<size_t>(p));
    std::sort(order.begin(), order.end());
    std::string next;
    next.reserve(text_.size() + 64);
    next += '{';
    for (const auto& [key, index] : order) {
        if (next.size() > 1) next += ',';
        next += '"';
        next += key;
        next += "\":";
        next += index < fields.size() ? fields[index] : parts_[index - fields.size()];
    }
    next += '}';
    changed = next != text_;
    text_ = std::move(next);
    return text_;
}

}  // namespace desktop
