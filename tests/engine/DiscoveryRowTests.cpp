// The rules that merge rows of the two sources, on rows made by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/ControlCenterModules.h"
#include "engine/DiscoveryFixture.h"
#include "model/GenericHostMemo.h"
#include "engine/MenuBarItemDiscovery.h"
#include "engine/NamesOverlapIndex.h"
#include "model/MenuBarIdentity.h"
#include "platform/Accessibility.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace {

using platform::Rect;
using tessivane::ControlCenterModule;
using tessivane::DiscoveredMenuBarItem;
using tessivane::GenericHostMemo;
using tessivane::MenuBarItemDiscovery;
namespace ControlCenterModules = tessivane::ControlCenterModules;
using Items = std::vector<DiscoveredMenuBarItem>;

DiscoveredMenuBarItem row(std::string owner, std::optional<std::string> bundle, std::string title, double minX,
                          double width = 24, uint32_t window = 0) {
    DiscoveredMenuBarItem item;
    item.id = {bundle, title, owner, 0, std::nullopt, minX};
    item.title = std::move(title);
    item.ownerName = std::move(owner);
    item.bundleIdentifier = std::move(bundle);
    item.frame = Rect{minX, 958, width, 24};
    item.windowID = window;
    return item;
}

DiscoveredMenuBarItem hostRow(double minX, double width, uint32_t window, std::string title = "Control Center") {
    return row("Control Center", "com.apple.controlcenter", std::move(title), minX, width, window);
}

class DiscoveryRowTest : public enginetest::DiscoveryFixture {
protected:
    void SetUp() override {
        DiscoveryFixture::SetUp();
        load(bareScene());
    }
    static void setControlCenterPref(const std::string& key, platform::PropertyValue value,
                                     const std::string& domain = "com.apple.controlcenter") {
        platform::Preferences::setAppValue(key, std::move(value), domain);
    }
    GenericHostMemo hosts;
};

TEST_F(DiscoveryRowTest, HostMemoAgreesWithTheIdentityRule) {
    desktop::Scene scene = bareScene();
    scene.applications.push_back(app(300, "Kontrollzentrum", "com.apple.controlcenter"));
    load(scene);
    for (const char* owner : {" Kontrollzentrum\n", "KONTROLLZENTRUM", "SystemUIServer", " Control Centre ", "ControlCenter",
                              "Control Center Helper", "Lantern", ""}) {
        EXPECT_EQ(hosts.ownerIsGenericHost(owner), tessivane::MenuBarIdentity::isGenericHost(std::nullopt, owner))
            << owner;
        EXPECT_EQ(hosts.ownerIsGenericHost(owner), tessivane::MenuBarIdentity::isGenericHost(std::nullopt, owner))
            << owner << " (remembered)";
    }
    EXPECT_TRUE(hosts.isGenericHost(std::string("com.apple.controlcenter"), "Lantern"));
    EXPECT_FALSE(hosts.isGenericHost(std::string("com.example.lantern"), "Lantern"));
}

// An extra is left out when its names overlap an entry's, however they overlap: the index
// must hand that entry to the rule.
TEST_F(DiscoveryRowTest, NamesIndexFindsWhatTheOverlapRuleFinds) {
    using tessivane::MenuBarIdentity::Names;
    struct Case {
        const char* locale;
        std::pair<const char*, const char*> entry, extra;  // title, owner
        bool overlaps;
    };
    const Case cases[] = {
        {"en_US", {"Wi-Fi", "Airport"}, {"WI-FI", ""}, true},      // equal, no word of four letters
        {"en_US", {"MyWeatherApp", ""}, {"Weather", ""}, true},    // the extra's word in the entry's name
        {"en_US", {"", "Weather"}, {"", "MyWeatherApp"}, true},    // the entry's word in the extra's name
        {"en_US", {"STRASSE Maps", ""}, {"Straße", ""}, true},     // ß folds to ss
        {"tr_TR", {"I\u015eIK Saat", ""}, {"\u0131\u015f\u0131k", ""}, true},  // IŞIK holds ışık in Turkish
        {"en_US", {"I\u015eIK Saat", ""}, {"\u0131\u015f\u0131k", ""}, false},
        {"en_US", {"Spotlight", ""}, {"Spotify", ""}, false},      // a shared start is no shared word
        {"en_US", {"", ""}, {"", ""}, false},
    };
    for (const Case& c : cases) {
        platform::Text::setCurrentLocale(c.locale);
        const Names entry(c.entry.first, c.entry.second), extra(c.extra.first, c.extra.second);
        tessivane::NamesOverlapIndex index;
        index.add(Names("Kettle", "Kettle"));
        index.add(entry);
        EXPECT_EQ(index.anyOverlaps(extra), c.overlaps) << c.extra.first << c.extra.second << " " << c.locale;
        EXPECT_EQ(tessivane::MenuBarIdentity::namesOverlap(extra, entry), c.overlaps) << c.extra.first;
    }
    platform::Text::setCurrentLocale("en_US");
}

TEST_F(DiscoveryRowTest, SameApplicationRowsByDistanceBundleAndTitle) {
    const auto a = row("Lantern", "com.example.lantern", "Lantern", 100);
    EXPECT_TRUE(MenuBarItemDiscovery::isSameAppRow(a, row("Lantern", "com.example.lantern", "Other", 106)));
    EXPECT_TRUE(MenuBarItemDiscovery::isSameAppRow(a, row("Lantern", "com.example.lantern", "Other", 90.5)));
    EXPECT_FALSE(MenuBarItemDiscovery::isSameAppRow(a, row("Lantern", "com.example.lantern", "Other", 110)));
    EXPECT_FALSE(MenuBarItemDiscovery::isSameAppRow(a, row("Lantern", "com.example.lantern", "Other", 130)));
    EXPECT_TRUE(MenuBarItemDiscovery::isSameAppRow(a, row("Lantern", "com.example.lantern", "LANTERN", 130)));
    // Close rows of different applications merge only on equal titles of a non-host.
    EXPECT_TRUE(MenuBarItemDiscovery::isSameAppRow(a, row("Other", std::nullopt, "lantern", 105)));
    EXPECT_FALSE(MenuBarItemDiscovery::isSameAppRow(row("X", std::nullopt, "", 100), row("Y", std::nullopt, "", 101)));
    // Control Center's bundle is shared by every module: it proves nothing.
    EXPECT_FALSE(MenuBarItemDiscovery::isSameAppRow(hostRow(100, 24, 1, "Wi-Fi"), hostRow(104, 24, 2, "Sound")));
    EXPECT_FALSE(MenuBarItemDiscovery::isSameAppRow(hostRow(100, 24, 1, "Wi-Fi"), hostRow(104, 24, 2, "wi-fi")));
}

TEST_F(DiscoveryRowTest, AppendDedupedKeepsTheFirstAndFillsWhatItLacks) {
    Items result;
    auto first = row("Lantern", "com.example.lantern", "Lantern", 100, 24, 0);
    auto second = row("Lantern", "com.example.lantern", "Beacon", 106, 30, 77);
    second.axElement = std::make_shared<platform::AXUIElement>(5, 9);
    MenuBarItemDiscovery::appendDeduped(result, first, hosts);
    MenuBarItemDiscovery::appendDeduped(result, second, hosts);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].frame.minX(), 100);
    EXPECT_EQ(result[0].title, "Beacon");
    EXPECT_EQ(result[0].id.title, std::optional<std::string>("Beacon"));
    EXPECT_EQ(result[0].windowID, 77u);
    EXPECT_TRUE(result[0].axElement);

    // A title of its own is kept, and so are a window and an element it already has.
    auto third = row("Lantern", "com.example.lantern", "Signal", 103, 24, 88);
    third.axElement = std::make_shared<platform::AXUIElement>(5, 10);
    MenuBarItemDiscovery::appendDeduped(result, third, hosts);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].title, "Beacon");
    EXPECT_EQ(result[0].windowID, 77u);
    EXPECT_EQ(result[0].axElement->elementID(), 9u);

    MenuBarItemDiscovery::appendDeduped(result, row("Lantern", "com.example.lantern", "Signal", 140), hosts);
    EXPECT_EQ(result.size(), 2u);
}

TEST_F(DiscoveryRowTest, ReindexCountsPerOwnerKeyAndRebuildsIdentities) {
    // The bundle counts, not the owner name that came with the row; without a bundle, the name.
    Items rows{row("Lantern", "com.example.lantern", "A", 300, 24, 11), row("Loose", std::nullopt, "B", 200, 24, 0),
               row("Lantern Beta", "com.example.lantern", "C", 100, 24, 12),
               row("Loose", std::nullopt, "D", 50, 24, 13), row("Lantern", "com.example.other", "E", 20),
               row("Stray", std::nullopt, "F", 10)};
    rows[1].id.windowID = 99;  // kept when the row has no window
    MenuBarItemDiscovery::reindexByOwner(rows);
    EXPECT_EQ(rows[0].itemIndex, 0);
    EXPECT_EQ(rows[1].itemIndex, 0);
    EXPECT_EQ(rows[2].itemIndex, 1);
    EXPECT_EQ(rows[3].itemIndex, 1);
    EXPECT_EQ(rows[4].itemIndex, 0);
    EXPECT_EQ(rows[5].itemIndex, 0);
    EXPECT_EQ(rows[2].id, (tessivane::MenuBarItemID{"com.example.lantern", "C", "Lantern Beta", 1, 12u, 100.0}));
    EXPECT_EQ(rows[1].id.windowID, std::optional<uint32_t>(99u));
    EXPECT_EQ(rows[3].id.windowID, std::optional<uint32_t>(13u));
}

TEST_F(DiscoveryRowTest, CollapseDuplicateAppsKeepsTheWiderInTheFirstPlace) {
    Items rows{row("Lantern", "com.example.lantern", "A", 100, 24, 1), row("Pebble", "com.example.pebble", "P", 200),
               row("Lantern", "com.example.lantern", "B", 105, 30, 2)};
    const Items kept = MenuBarItemDiscovery::collapseDuplicateApps(rows);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].windowID, 2u);
    EXPECT_EQ(kept[1].title, "P");
    // As wide as the kept one is not wider: the first stays.
    rows[2].frame.size.width = 24;
    EXPECT_EQ(MenuBarItemDiscovery::collapseDuplicateApps(rows)[0].windowID, 1u);
}

// A crowded, awkward bar: rows of few bundles and titles in mixed case and script, at
// places near and far, equal, unplaced and enormous, some of Control Center.
Items crowdedRows() {
    const char* const titles[] = {"Beam", "BEAM", "straße", "STRASSE", "Lantern", "", "Control Center"};
    const std::optional<std::string> bundles[] = {"com.example.lantern", "com.example.pebble", std::nullopt,
                                                  "com.apple.controlcenter"};
    const double places[] = {100, 104, 109.5, 110, 140, 700, std::nan(""), 1e15, -3};
    Items rows;
    for (int i = 0; i < 120; ++i) {
        const auto& bundle = bundles[(i * 7) % 4];
        const std::string owner = bundle == bundles[3] ? "Control Center" : (i % 5 == 0 ? "beam" : "Lantern");
        rows.push_back(row(owner, bundle, titles[(i * 5) % 7], places[(i * 11) % 9] + (i % 3) * 0.25, 20 + i % 13,
                           static_cast<uint32_t>(i % 4 == 0 ? 0 : 100 + i)));
    }
    return rows;
}

// The first kept row that the rule takes for the same icon, looked for one by one.
std::optional<size_t> firstSameRow(const Items& kept, const DiscoveredMenuBarItem& row, GenericHostMemo& hosts) {
    for (size_t k = 0; k < kept.size(); ++k) {
        if (MenuBarItemDiscovery::isSameAppRow(kept[k], row, hosts)) return k;
    }
    return std::nullopt;
}

TEST_F(DiscoveryRowTest, MergesTakeTheFirstSameRowWhereverItStands) {
    const Items rows = crowdedRows();

    Items collapsed;
    for (const auto& r : rows) {
        const auto k = firstSameRow(collapsed, r, hosts);
        if (!k) {
            collapsed.push_back(r);
        } else if (r.frame.width() > collapsed[*k].frame.width()) {
            collapsed[*k] = r;
        }
    }
    const Items kept = MenuBarItemDiscovery::collapseDuplicateApps(rows, hosts);
    ASSERT_EQ(kept.size(), collapsed.size());
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i].windowID, collapsed[i].windowID) << i;

    Items appended;
    Items result;
    for (const auto& r : rows) {
        if (const auto k = firstSameRow(appended, r, hosts)) {
            auto& entry = appended[*k];
            if (!MenuBarItemDiscovery::hasUniqueTitle(entry) && MenuBarItemDiscovery::hasUniqueTitle(r)) entry.title = r.title;
            if (entry.windowID == 0) entry.windowID = r.windowID;
        } else {
            appended.push_back(r);
        }
        MenuBarItemDiscovery::appendDeduped(result, r, hosts);
    }
    ASSERT_EQ(result.size(), appended.size());
    for (size_t i = 0; i < result.size(); ++i) {
        EXPECT_EQ(result[i].title, appended[i].title) << i;
        EXPECT_EQ(result[i].windowID, appended[i].windowID) << i;
    }
}

TEST_F(DiscoveryRowTest, EachExtraClaimsTheWindowItOverlapsMostWhereverItStands) {
    // Host windows of many widths side by side and one very wide one far to the left; extras
    // of their own bundles anywhere along them, claimed in order.
    Items windows;
    for (int i = 0; i < 60; ++i) windows.push_back(hostRow(300 + i * 23.5, 18 + (i * 7) % 40, 200 + i));
    windows.push_back(hostRow(100, 2000, 999));
    Items extras{row("Wide", "com.example.wide", "Wide", 900, 800)};  // 40 % of the wide window
    for (int i = 0; i < 40; ++i) {
        const std::string name = "App" + std::to_string(i);
        extras.push_back(row(name, "com.example." + name, name, 290 + (i * 37) % 1500, 12 + (i * 5) % 60));
    }
    std::vector<bool> claimed(windows.size(), false);
    std::vector<std::string> expected(windows.size(), "Control Center");
    for (const auto& e : extras) {
        std::optional<size_t> best;
        double most = 0;
        for (size_t i = 0; i < windows.size(); ++i) {
            const double overlap = tessivane::MenuBarIdentity::xOverlap(e.frame, windows[i].frame);
            if (!claimed[i] && overlap >= 0.3 && (!best || overlap > most)) best = i, most = overlap;
        }
        double nearest = 0;
        for (size_t i = 0; !most && i < windows.size(); ++i) {
            const double distance = std::abs(windows[i].frame.midX() - e.frame.midX());
            if (!claimed[i] && distance <= 48 && (!best || distance < nearest)) best = i, nearest = distance;
        }
        if (!best) continue;
        claimed[*best] = true;
        expected[*best] = e.title;
    }
    const Items resolved = MenuBarItemDiscovery::resolveSourceApplications(windows, extras);
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(resolved[i].title, expected[i]) << i;
}

TEST_F(DiscoveryRowTest, ModulesComeFromEitherFlagOncePerTitle) {
    EXPECT_TRUE(ControlCenterModules::controlCenterModules().empty());  // nothing stored, nothing shown
    setControlCenterPref("NSStatusItem VisibleCC WiFi", true);
    setControlCenterPref("NSStatusItem Visible Clock", 1);
    setControlCenterPref("NSStatusItem Preferred Position Clock", 12.5);
    setControlCenterPref("NSStatusItem VisibleCC BentoBox", true);
    setControlCenterPref("NSStatusItem VisibleCC BentoBox-0", true);
    setControlCenterPref("NSStatusItem VisibleCC Battery", "yes");  // not a number
    setControlCenterPref("NSStatusItem VisibleCC Bluetooth", false);
    setControlCenterPref("NSStatusItem VisibleCC Item-0", true, "com.apple.Spotlight");
    setControlCenterPref("NSStatusItem VisibleCC Item-0", 1, "com.apple.TextInputMenuAgent");
    setControlCenterPref("NSStatusItem Preferred Position Item-0", 300, "com.apple.TextInputMenuAgent");

    const std::vector<ControlCenterModule> expected{
        {"WiFi", "Wi-Fi", std::nullopt},
        {"Clock", "Clock", 12.5},
        {"BentoBox", "Control Center", std::nullopt},
        {"Spotlight", "Spotlight", std::nullopt},
        {"InputSource", "Input Source", 300.0},
    };
    EXPECT_EQ(ControlCenterModules::controlCenterModules(), expected);
}

TEST_F(DiscoveryRowTest, ControlCenterWindowsNamedClockAndSpotlightByWidthTheRestByPosition) {
    // The screen is 1512 pt wide; positions count from its right edge.
    setControlCenterPref("NSStatusItem VisibleCC Clock", true);
    setControlCenterPref("NSStatusItem Preferred Position Clock", 900);  // width decides, not this
    setControlCenterPref("NSStatusItem VisibleCC WiFi", true);
    setControlCenterPref("NSStatusItem Preferred Position WiFi", 200);  // target 1312
    setControlCenterPref("NSStatusItem VisibleCC Battery", true);
    setControlCenterPref("NSStatusItem Preferred Position Battery", 289);  // target 1223
    setControlCenterPref("NSStatusItem VisibleCC AudioVideoModule", true);
    setControlCenterPref("NSStatusItem Preferred Position AudioVideoModule", 100);  // target 1412: 90 pt away
    setControlCenterPref("NSStatusItem VisibleCC Item-0", true, "com.apple.Spotlight");

    Items rows{hostRow(1322, 24, 1), hostRow(1400, 75, 2), hostRow(1346, 60, 3), hostRow(1260, 24, 4),
               row("Lantern", "com.example.lantern", "Lantern", 1300)};
    rows[1].itemIndex = rows[1].id.itemIndex = 3;
    const Items named = ControlCenterModules::applyControlCenterModuleTitles(rows, hosts);
    EXPECT_EQ(named[1].title, "Clock");
    EXPECT_EQ(named[1].id.title, std::optional<std::string>("Clock"));
    EXPECT_EQ(named[1].itemIndex, 0);
    EXPECT_EQ(named[1].id.itemIndex, 0);
    EXPECT_EQ(named[2].title, "Spotlight");
    EXPECT_EQ(named[0].title, "Wi-Fi");  // 10 pt from its target
    EXPECT_EQ(named[3].title, "Battery");  // the nearest left: 37 pt
    EXPECT_EQ(named[4].title, "Lantern");
}

TEST_F(DiscoveryRowTest, ModuleAssignmentBoundaries) {
    // One host window on the 1512 pt screen, with Spotlight shown, the clock when asked and
    // Wi-Fi at a position counted from the right edge (its target is 1512 - position).
    setControlCenterPref("NSStatusItem VisibleCC Item-0", true, "com.apple.Spotlight");
    setControlCenterPref("NSStatusItem VisibleCC WiFi", true);
    struct Case { bool clock; double minX, width, wifiPosition; const char* title; };
    for (const Case& c : std::vector<Case>{
             {true, 1400, 70, 1000, "Clock"}, {true, 1400, 69, 1000, "Spotlight"},  // the clock: 70 pt or more
             {false, 1400, 56, 1000, "Spotlight"}, {false, 1400, 55, 1000, "Control Center"},
             {false, 1400, 99.5, 1000, "Spotlight"}, {false, 1400, 100, 1000, "Control Center"},
             {false, 1401, 24, 200, "Wi-Fi"}, {false, 1402, 24, 200, "Control Center"},  // within 90 pt
             {false, 1223, 24, 200, "Wi-Fi"}, {false, 1222, 24, 200, "Control Center"},  // either side
             // Narrow windows count only within 600 pt of the right edge; a clock anywhere.
             {false, 912, 24, 600, "Wi-Fi"}, {false, 911.5, 24, 600.5, "Control Center"},
             {false, 300, 69, 1000, "Control Center"}, {true, 300, 70, 1000, "Clock"}}) {
        setControlCenterPref("NSStatusItem VisibleCC Clock", c.clock);
        setControlCenterPref("NSStatusItem Preferred Position WiFi", c.wifiPosition);
        const Items named = ControlCenterModules::applyControlCenterModuleTitles({hostRow(c.minX, c.width, 1)}, hosts);
        EXPECT_EQ(named[0].title, c.title) << c.minX << " " << c.width << (c.clock ? " with the clock" : "");
    }

    // Mirrored, the trailing end is the left edge and positions count to the window's right edge.
    platform::Preferences::setAppValue("AppleLanguages", platform::PropertyValue(platform::PropertyArray{"he"}),
                                       platform::Preferences::kAnyApplication);
    setControlCenterPref("NSStatusItem VisibleCC Clock", false);
    setControlCenterPref("NSStatusItem Preferred Position WiFi", 600);
    EXPECT_EQ(ControlCenterModules::applyControlCenterModuleTitles({hostRow(576, 24, 1)}, hosts)[0].title, "Wi-Fi");
    setControlCenterPref("NSStatusItem Preferred Position WiFi", 600.5);
    EXPECT_EQ(ControlCenterModules::applyControlCenterModuleTitles({hostRow(576.5, 24, 1)}, hosts)[0].title,
              "Control Center");
}

TEST_F(DiscoveryRowTest, UnnamedControlCenterRowsCollapseToTheRightmost) {
    Items rows{hostRow(1200, 24, 1), row("Lantern", "com.example.lantern", "Lantern", 1220), hostRow(1240, 24, 2),
               hostRow(1240.5, 24, 3)};
    const Items collapsed = ControlCenterModules::collapseUnnamedControlCenter(rows, hosts);
    ASSERT_EQ(collapsed.size(), 3u);
    EXPECT_EQ(collapsed[0].title, "Lantern");
    EXPECT_EQ(collapsed[1].windowID, 2u);
    EXPECT_EQ(collapsed[2].windowID, 3u);
    // One unnamed row stays whatever its place.
    Items single{hostRow(100, 24, 1), hostRow(1240, 24, 2, "Wi-Fi")};
    EXPECT_EQ(ControlCenterModules::collapseUnnamedControlCenter(single, hosts).size(), 2u);
}

TEST_F(DiscoveryRowTest, HostWindowsTakeTheIdentityOfTheExtraTheyDraw) {
    auto extra = row("Lantern", "com.example.lantern", "Beam", 1000, 24);
    extra.axElement = std::make_shared<platform::AXUIElement>(7, 1);
    extra.windowID = 0;
    Items windows{hostRow(1006, 30, 41)};  // overlap 18 of a joint 36 pt
    Items resolved = MenuBarItemDiscovery::resolveSourceApplications(windows, {extra});
    EXPECT_EQ(resolved[0].title, "Beam");
    EXPECT_EQ(resolved[0].ownerName, "Lantern");
    EXPECT_EQ(resolved[0].bundleIdentifier, std::optional<std::string>("com.example.lantern"));
    EXPECT_EQ(resolved[0].windowID, 41u);
    EXPECT_EQ(resolved[0].frame.minX(), 1006);
    EXPECT_EQ(resolved[0].id, (tessivane::MenuBarItemID{"com.example.lantern", "Beam", "Lantern", 0, 41u, 1006.0}));
    EXPECT_TRUE(resolved[0].axElement);

    // 29 % of the joint width with the centres 71 pt apart: not this window; 30 %: yes.
    auto wide = row("Lantern", "com.example.lantern", "Beam", 1000, 200);
    Items overlapWindows{hostRow(1142, 58, 42)};
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications(overlapWindows, {wide})[0].title, "Control Center");
    overlapWindows[0] = hostRow(1140, 60, 42);
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications(overlapWindows, {wide})[0].title, "Beam");

    // Without overlap, the nearest host window within 48 pt of the centre; never another
    // application's window, and each window serves one extra.
    auto narrow = row("Lantern", "com.example.lantern", "Beam", 1000, 24);
    auto second = row("Pebble", "com.example.pebble", "Pebble", 1000, 24);
    Items nearWindows{row("Other", "com.example.other", "Other", 1030, 24, 50), hostRow(1055, 24, 51),
                      hostRow(1030, 24, 52)};
    resolved = MenuBarItemDiscovery::resolveSourceApplications(nearWindows, {narrow, second});
    EXPECT_EQ(resolved[0].title, "Other");
    EXPECT_EQ(resolved[2].title, "Beam");
    EXPECT_EQ(resolved[1].title, "Control Center");  // 55 pt from either centre: too far
    for (const auto& [minX, title] : std::vector<std::pair<double, std::string>>{{1048, "Beam"}, {1048.5, "Control Center"}}) {
        EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications({hostRow(minX, 24, 53)}, {narrow})[0].title, title)
            << minX;  // centres 48 pt apart, then 48.5
    }

    // A host's own extra names no application: it claims no window.
    const auto hostExtra = row("Control Center", "com.apple.controlcenter", "Wi-Fi", 1000);
    EXPECT_EQ(MenuBarItemDiscovery::resolveSourceApplications({hostRow(1000, 24, 43)}, {hostExtra})[0].title,
              "Control Center");
}

TEST_F(DiscoveryRowTest, FriendlyTitlesAndOwnersOfSystemAgents) {
    auto input = row("TextInputMenuAgent", "com.apple.TextInputMenuAgent", "U.S.", 900);
    EXPECT_EQ(MenuBarItemDiscovery::friendlyTitle(input), "Input Source");
    const auto reownedInput = MenuBarItemDiscovery::reowned(hostRow(900, 30, 60), input);
    EXPECT_EQ(reownedInput.ownerName, "Input Source");
    auto spotlight = row("spotlight", std::nullopt, "Search", 950);
    EXPECT_EQ(MenuBarItemDiscovery::friendlyTitle(spotlight), "Spotlight");
    EXPECT_EQ(MenuBarItemDiscovery::reowned(hostRow(950, 30, 61), spotlight).ownerName, "spotlight");
    // A window without a number takes the extra's.
    auto numbered = row("Lantern", "com.example.lantern", "Beam", 100, 24, 70);
    const auto adopted = MenuBarItemDiscovery::reowned(hostRow(100, 24, 0), numbered);
    EXPECT_EQ(adopted.windowID, 70u);
    EXPECT_EQ(adopted.id.windowID, std::optional<uint32_t>(70u));
}

}  // namespace
