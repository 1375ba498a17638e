#pragma once
#include <optional>
#include <string>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"

namespace tessivane {

class GenericHostMemo;

// One Control Center module the user shows in the menu bar.
struct ControlCenterModule {
    std::string key;    // the preference suffix ("WiFi", "Clock")
    std::string title;  // the name people know it by ("Wi-Fi", "Clock")
    std::optional<double> position;  // preferred position, points from the trailing end of the bar
    bool operator==(const ControlCenterModule&) const = default;
};

// Control Center draws several icons in windows that all belong to it, so the window
// server cannot tell them apart. These rules name its anonymous window rows after the
// modules its preferences say are shown, by width and by position.
namespace ControlCenterModules {

using Items = std::vector<DiscoveredMenuBarItem>;

// A preference of another domain read as a Boolean; absent when missing or not a number.
std::optional<bool> prefBool(const std::string& key, const std::string& domain);
// The shown modules, in table order, one per title, then Spotlight and the input source.
std::vector<ControlCenterModule> controlCenterModules();
void assignModule(Items& rows, size_t index, const ControlCenterModule& module);
// Clock by width, Spotlight by width, the rest by their preferred positions.
Items applyControlCenterModuleTitles(Items rows);
Items applyControlCenterModuleTitles(Items rows, GenericHostMemo& hosts);
// Keeps only the rightmost of several rows still called "Control Center" (and any within
// 1 pt of it).
Items collapseUnnamedControlCenter(Items rows);
Items collapseUnnamedControlCenter(Items rows, GenericHostMemo& hosts);

}  // namespace ControlCenterModules

}  // namespace tessivane
