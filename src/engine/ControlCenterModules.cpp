#include "engine/ControlCenterModules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "model/GenericHostMemo.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/SystemMenuBarLayout.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace tessivane::ControlCenterModules {

namespace {

constexpr std::string_view kControlCenterDomain = "com.apple.controlcenter";
constexpr std::string_view kSpotlightDomain = "com.apple.Spotlight";
constexpr std::string_view kTextInputDomain = "com.apple.TextInputMenuAgent";
constexpr std::string_view kControlCenterTitle = "Control Center";

struct ModuleRow {
    std::string_view key;
    std::string_view title;
};

constexpr std::array<ModuleRow, 14> kModuleTable = {{
    {"WiFi", "Wi-Fi"},
    {"Bluetooth", "Bluetooth"},
    {"Battery", "Battery"},
    {"AudioVideoModule", "Sound"},
    {"NowPlaying", "Now Playing"},
    {"Clock", "Clock"},
    {"BentoBox", "Control Center"},
    {"BentoBox-0", "Control Center"},
    {"DoNotDisturb", "Focus"},
    {"FaceTime", "FaceTime"},
    {"Display", "Display"},
    {"KeyboardBrightness", "Keyboard Brightness"},
    {"ScreenMirroring", "Screen Mirroring"},
    {"UserSwitcher", "Fast User Switching"},
}};

// Only Control Center windows this close to the trailing end, or this wide, are modules.
constexpr double kTrailingReach = 600;
constexpr double kClockMinWidth = 70;
constexpr double kSpotlightMinWidth = 56;
constexpr double kSpotlightMaxWidth = 100;
constexpr double kPositionTolerance = 90;

std::optional<double> prefDouble(const std::string& key, std::string_view domain) {
    auto value = platform::Preferences::copyAppValue(key, std::string(domain));
    if (!value) return std::nullopt;
    return value->asDouble();
}

bool flag(std::string_view prefix, std::string_view key) {
    std::string name(prefix);
    name += key;
    return prefBool(name, std::string(kControlCenterDomain)).value_or(false);
}

bool contains(const std::vector<std::string_view>& taken, std::string_view title) {
    return std::find(taken.begin(), taken.end(), title) != taken.end();
}

}  // namespace

std::optional<bool> prefBool(const std::string& key, const std::string& domain) {
    auto value = platform::Preferences::copyAppValue(key, domain);
    if (!value) return std::nullopt;
    if (auto b = value->asBool()) return *b;
    if (auto number = value->asDouble()) return *number != 0;
    return std::nullopt;
}

std::vector<ControlCenterModule> controlCenterModules() {
    std::vector<ControlCenterModule> modules;
    std::vector<std::string_view> taken;
    for (const ModuleRow& row : kModuleTable) {
        const bool visible = flag("NSStatusItem VisibleCC ", row.key) || flag("NSStatusItem Visible ", row.key);
        if (!visible || contains(taken, row.title)) continue;
        taken.push_back(row.title);
        modules.push_back({std::string(row.key), std::string(row.title),
                           prefDouble("NSStatusItem Preferred Position " + std::string(row.key), kControlCenterDomain)});
    }
    if (prefBool("NSStatusItem VisibleCC Item-0", std::string(kSpotlightDomain)).value_or(false) &&
        !contains(taken, "Spotlight")) {
        taken.push_back("Spotlight");
        modules.push_back({"Spotlight", "Spotlight", std::nullopt});
    }
    if (prefBool("NSStatusItem VisibleCC Item-0", std::string(kTextInputDomain)).value_or(false) &&
        !contains(taken, "Input Source")) {
        taken.push_back("Input Source");
        modules.push_back({"InputSource", "Input Source",
                           prefDouble("NSStatusItem Preferred Position Item-0", kTextInputDomain)});
    }
    return modules;
}

void assignModule(Items& rows, size_t index, const ControlCenterModule& module) {
    DiscoveredMenuBarItem& row = rows[index];
    row.title = module.title;
    row.id.title = module.title;
    row.itemIndex = 0;
    row.id.itemIndex = 0;
}

Items applyControlCenterModuleTitles(Items rows) {
    GenericHostMemo hosts;
    return applyControlCenterModuleTitles(std::move(rows), hosts);
}

Items applyControlCenterModuleTitles(Items rows, GenericHostMemo& hosts) {
    std::vector<size_t> candidates;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (hosts.ownerIsGenericHost(rows[i].ownerName)) candidates.push_back(i);
    }
    if (candidates.empty()) return rows;

    const auto primary = MenuBarItemDiscovery::primaryScreen();
    const platform::Rect screen = primary ? primary->frame : platform::Rect{};
    const bool rtl = SystemMenuBarLayout::isRightToLeft();

    std::erase_if(candidates, [&](size_t i) {
        const platform::Rect& frame = rows[i].frame;
        const bool nearTrailingEnd =
            rtl ? frame.maxX() <= screen.minX() + kTrailingReach : frame.minX() >= screen.maxX() - kTrailingReach;
        return !nearTrailingEnd && !(frame.width() >= kClockMinWidth);
    });
    std::stable_sort(candidates.begin(), candidates.end(), [&](size_t a, size_t b) {
        return rtl ? rows[a].frame.minX() < rows[b].frame.minX() : rows[a].frame.minX() > rows[b].frame.minX();
    });

    std::vector<ControlCenterModule> modules = controlCenterModules();
    // Gives the first candidate that fits to the module with `title`; both leave their lists.
    auto assignByWidth = [&](std::string_view title, auto&& fits) {
        auto module = std::find_if(modules.begin(), modules.end(),
                                   [&](const ControlCenterModule& m) { return m.title == title; });
        if (module == modules.end()) return;
        auto candidate = std::find_if(candidates.begin(), candidates.end(),
                                      [&](size_t i) { return fits(rows[i].frame.width()); });
        if (candidate == candidates.end()) return;
        assignModule(rows, *candidate, *module);
        candidates.erase(candidate);
        modules.erase(module);
    };
    // The clock is the widest module; Spotlight is a little wider than a plain icon.
    assignByWidth("Clock", [](double width) { return width >= kClockMinWidth; });
    assignByWidth("Spotlight",
                  [](double width) { return width >= kSpotlightMinWidth && width < kSpotlightMaxWidth; });

    std::erase_if(modules, [](const ControlCenterModule& m) { return !m.position; });
    std::stable_sort(modules.begin(), modules.end(),
                     [](const ControlCenterModule& a, const ControlCenterModule& b) { return *a.position < *b.position; });
    for (const ControlCenterModule& module : modules) {
        if (candidates.empty()) break;
        // Positions count from the trailing end to the module's far edge; a mirrored bar
        // trails at its left edge.
        const double target = rtl ? screen.minX() + *module.position : screen.maxX() - *module.position;
        auto nearest = candidates.end();
        double nearestDistance = 0;
        for (auto it = candidates.begin(); it != candidates.end(); ++it) {
            const platform::Rect& frame = rows[*it].frame;
            const double distance = std::abs((rtl ? frame.maxX() : frame.minX()) - target);
            if (nearest == candidates.end() || distance < nearestDistance) {
                nearest = it;
                nearestDistance = distance;
            }
        }
        if (nearestDistance < kPositionTolerance) {
            assignModule(rows, *nearest, module);
            candidates.erase(nearest);
        }
    }
    return rows;
}

Items collapseUnnamedControlCenter(Items rows) {
    GenericHostMemo hosts;
    return collapseUnnamedControlCenter(std::move(rows), hosts);
}

Items collapseUnnamedControlCenter(Items rows, GenericHostMemo& hosts) {
    const DiscoveredMenuBarItem* keep = nullptr;
    size_t unnamed = 0;
    for (const DiscoveredMenuBarItem& row : rows) {
        if (!hosts.ownerIsGenericHost(row.ownerName)) continue;
        if (!platform::Text::caseInsensitiveEquals(row.title, kControlCenterTitle)) continue;
        ++unnamed;
        if (!keep || row.frame.minX() > keep->frame.minX()) keep = &row;
    }
    if (unnamed < 2) return rows;
    const double keptMinX = keep->frame.minX();
    std::erase_if(rows, [&](const DiscoveredMenuBarItem& row) {
        return platform::Text::caseInsensitiveEquals(row.title, kControlCenterTitle) &&
               std::abs(row.frame.minX() - keptMinX) >= 1;
    });
    return rows;
}

}  // namespace tessivane::ControlCenterModules
