#include <cmath>
#include <fstream>
#include <limits>

#include "ModelTestSupport.h"
#include "model/CustomGroupIconStore.h"
#include "model/GroupStore.h"
#include "model/UITestLaunch.h"
#include "platform/PropertyList.h"

namespace tessivane {
namespace {

using platform::UUID;
using modeltest::item;

class GroupStoreTest : public modeltest::ModelTest {
protected:
    std::shared_ptr<platform::UserDefaults> defaults() { return UITestLaunch::defaults(); }

    void storeText(const std::string& key, const std::string& json) {
        defaults()->set(key, platform::Data(json.begin(), json.end()));
    }
    std::optional<platform::Data> stored(const std::string& key) { return defaults()->dataForKey(key); }

    std::vector<std::string> names(const GroupStore& store) {
        std::vector<std::string> result;
        for (const auto& e : store.environments.get()) result.push_back(e.name);
        return result;
    }

    // A loaded store whose active environment holds vossels "A" and "B".
    void loadWithTwoGroups(GroupStore& store) {
        store.load();
        store.createGroup("A", "star", std::nullopt, std::nullopt, groupA);
        store.createGroup("B", "moon", std::string("FB7185"), std::nullopt, groupB);
    }

    int changes(GroupStore& store, const std::function<void()>& action) {
        int count = 0;
        auto sub = store.objectWillChange.connect([&] { ++count; });
        action();
        return count;
    }

    UUID groupA = UUID::random(), groupB = UUID::random();
};

TEST_F(GroupStoreTest, FirstLaunchCreatesWorkAndHome) {
    GroupStore store;
    EXPECT_TRUE(store.environments->empty());
    EXPECT_FALSE(store.activeEnvironmentID.get());
    store.load();
    EXPECT_EQ(names(store), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_EQ(store.activeEnvironmentID.get(), store.environments->front().id);
    EXPECT_TRUE(store.groups().empty());
    ASSERT_TRUE(stored(GroupStore::environmentsKey));
    EXPECT_EQ(EnvironmentProfile::decodeList(*stored(GroupStore::environmentsKey)), store.environments.get());
    EXPECT_EQ(defaults()->stringForKey(GroupStore::activeEnvironmentKey),
              store.environments->front().id.uuidString());
}

TEST_F(GroupStoreTest, EnvironmentsSurviveARestart) {
    std::vector<EnvironmentProfile> saved;
    std::optional<UUID> active;
    {
        GroupStore store;
        loadWithTwoGroups(store);
        store.toggleMember(item("com.example.weather", "Weather", "Weatherly"), groupB);
        store.createEnvironment("Travel");
        saved = store.environments.get();
        active = store.activeEnvironmentID.get();
    }
    const auto domainFile = platform::FileLocations::preferences() / (defaults()->domainName() + ".plist");
    EXPECT_TRUE(std::filesystem::exists(domainFile));

    platform::resetPreferenceDomainsForTesting();
    GroupStore reloaded;
    reloaded.load();
    EXPECT_EQ(reloaded.environments.get(), saved);
    EXPECT_EQ(reloaded.activeEnvironmentID.get(), active);
    EXPECT_EQ(reloaded.activeEnvironment()->name, "Travel");
}

TEST_F(GroupStoreTest, LegacyGroupsMoveIntoWork) {
    IconGroup legacy{UUID::random(), "Old", "tray", "2DD4BF", std::string("X.png"), {item("b", "t", "o", 1)}, false};
    const std::string json = "[" + legacy.toJSON().dump() + "]";
    storeText(GroupStore::legacyGroupsKey, json);

    GroupStore store;
    store.load();
    EXPECT_EQ(names(store), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_EQ(store.groups(), std::vector<IconGroup>{legacy});
    EXPECT_TRUE(store.environments.get()[1].groups.empty());
    EXPECT_FALSE(defaults()->object(GroupStore::legacyGroupsKey));

    // An empty stored list is no list: the legacy groups win over it as well.
    GroupStore emptyStored;
    storeText(GroupStore::environmentsKey, "[]");
    storeText(GroupStore::legacyGroupsKey, json);
    emptyStored.load();
    EXPECT_EQ(emptyStored.groups(), std::vector<IconGroup>{legacy});
}

TEST_F(GroupStoreTest, UnreadableLegacyGroupsStayWhereTheyAre) {
    storeText(GroupStore::legacyGroupsKey, "[{\"id\":1}]");
    GroupStore store;
    store.load();
    EXPECT_EQ(names(store), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_TRUE(defaults()->object(GroupStore::legacyGroupsKey));
}

TEST_F(GroupStoreTest, UnreadableEnvironmentsAreKeptAsideBeforeBeingReplaced) {
    const std::string broken = R"([{"id":"0F0E2C4A-1B2D-4E6F-8A9B-0C1D2E3F4A5B","name":"Mine"}])";
    storeText(GroupStore::environmentsKey, broken);
    GroupStore store;
    store.load();
    EXPECT_EQ(names(store), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_EQ(stored(GroupStore::unreadableEnvironmentsKey), platform::Data(broken.begin(), broken.end()));

    // A value of another type is kept too, as it was.
    defaults()->set(GroupStore::environmentsKey, "not data");
    GroupStore again;
    again.load();
    EXPECT_EQ(defaults()->object(GroupStore::unreadableEnvironmentsKey), platform::PropertyValue("not data"));

    // Readable environments leave the kept copy alone.
    GroupStore third;
    third.load();
    EXPECT_EQ(third.environments.get(), again.environments.get());
    EXPECT_EQ(defaults()->object(GroupStore::unreadableEnvironmentsKey), platform::PropertyValue("not data"));
}

// A preferences file cut short (a full disk, a crash of whatever copied it) no longer reads;
// the fresh "Work" and "Home" written at launch go to a new file, and the old one stays beside
// it with the user's vossels in it.
TEST_F(GroupStoreTest, APreferencesFileThatNoLongerReadsIsKeptAsideWithTheVosselsInIt) {
    std::vector<EnvironmentProfile> saved;
    {
        GroupStore store;
        loadWithTwoGroups(store);
        saved = store.environments.get();
    }
    const auto file = platform::FileLocations::preferences() / (defaults()->domainName() + ".plist");
    std::string text;
    {
        std::ifstream in(file, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    // The end of the file is lost: its table of where the objects are.
    const size_t cut = text.size() / 2;
    const std::string truncated = text.substr(0, cut);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << truncated;

    platform::resetPreferenceDomainsForTesting();
    GroupStore relaunched;
    relaunched.load();
    EXPECT_EQ(names(relaunched), (std::vector<std::string>{"Work", "Home"}));

    std::vector<std::filesystem::path> kept;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        if (entry.path() != file) kept.push_back(entry.path());
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].filename(), defaults()->domainName() + ".unreadable-20260105T090000Z.plist");
    std::string aside;
    {
        std::ifstream in(kept[0], std::ios::binary);
        aside.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(aside, truncated);
    // Putting back what was cut off is all it takes to read the vossels again.
    const auto repaired = platform::PropertyList::parseDictionary(aside + text.substr(cut));
    ASSERT_TRUE(repaired);
    const platform::Data* data = repaired->at(GroupStore::environmentsKey).asData();
    ASSERT_TRUE(data);
    EXPECT_EQ(EnvironmentProfile::decodeList(*data), saved);

    // The new file reads, and is written over as usual from then on.
    platform::resetPreferenceDomainsForTesting();
    GroupStore third;
    third.load();
    EXPECT_EQ(third.environments.get(), relaunched.environments.get());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 2);
}

TEST_F(GroupStoreTest, ActiveIdThatIsNotUsableSelectsTheFirstEnvironment) {
    GroupStore first;
    first.load();
    first.switchEnvironment(first.environments.get()[1].id);
    for (const std::string& active : {std::string("garbage"), UUID::random().uuidString()}) {
        defaults()->set(GroupStore::activeEnvironmentKey, active);
        GroupStore store;
        store.load();
        EXPECT_EQ(store.activeEnvironmentID.get(), store.environments->front().id) << active;
        EXPECT_EQ(defaults()->stringForKey(GroupStore::activeEnvironmentKey), store.environments->front().id.uuidString());
    }
    // A lower-case id of an existing environment is that environment.
    std::string lower = first.environments.get()[1].id.uuidString();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    defaults()->set(GroupStore::activeEnvironmentKey, lower);
    GroupStore store;
    store.load();
    EXPECT_EQ(store.activeEnvironment()->name, "Home");
}

TEST_F(GroupStoreTest, CreatingAndUpdatingVossels) {
    GroupStore store;
    loadWithTwoGroups(store);
    ASSERT_EQ(store.groups().size(), 2u);
    EXPECT_EQ(store.groups()[0], (IconGroup{groupA, "A", "star", "", std::nullopt, {}, true}));
    EXPECT_EQ(store.groups()[1].symbolColorHex, "FB7185");

    const auto before = stored(GroupStore::environmentsKey);
    EXPECT_EQ(changes(store, [&] { store.createGroup(" \n\t ", "star", std::nullopt, std::nullopt, UUID::random()); }), 0);
    EXPECT_EQ(stored(GroupStore::environmentsKey), before);

    store.createGroup("  Trimmed\n", "star", std::nullopt, std::nullopt, UUID::random());
    EXPECT_EQ(store.groups().back().name, "Trimmed");

    store.updateGroup(groupA, " Renamed ", "bolt", "60A5FA", std::nullopt);
    EXPECT_EQ(store.groups()[0], (IconGroup{groupA, "Renamed", "bolt", "60A5FA", std::nullopt, {}, true}));
    store.setGroupVisible(groupA, false);
    EXPECT_FALSE(store.groups()[0].isVisibleInMenuBar);
    EXPECT_EQ(EnvironmentProfile::decodeList(*stored(GroupStore::environmentsKey)), store.environments.get());
}

TEST_F(GroupStoreTest, ReplacedOrDeletedCustomIconFilesAreRemoved) {
    auto& icons = CustomGroupIconStore::shared();
    const auto source = home_ / "pic.PNG";
    std::filesystem::copy_file(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png", source);
    GroupStore store;
    loadWithTwoGroups(store);

    const auto first = icons.importImage(source, groupA);
    ASSERT_TRUE(first);
    store.updateGroup(groupA, "A", "star", "", first);
    store.updateGroup(groupA, "A", "star", "", first);  // same file: kept
    EXPECT_TRUE(std::filesystem::exists(icons.folder() / *first));
    store.updateGroup(groupA, "A", "star", "", std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(icons.folder() / *first));

    const auto second = icons.importImage(source, groupB);
    store.updateGroup(groupB, "B", "star", "", second);
    store.deleteGroup(groupB);
    EXPECT_FALSE(std::filesystem::exists(icons.folder() / *second));
    EXPECT_EQ(store.groups().size(), 1u);

    // Deleting an environment removes its vossels' files.
    const auto third = icons.importImage(source, groupA);
    store.updateGroup(groupA, "A", "star", "", third);
    store.deleteEnvironment(*store.activeEnvironmentID.get());
    EXPECT_FALSE(std::filesystem::exists(icons.folder() / *third));
}

TEST_F(GroupStoreTest, ToggleMemberMovesIconsBetweenVossels) {
    GroupStore store;
    loadWithTwoGroups(store);
    const MenuBarItemID weather = item("com.example.weather", "Weather", "Weatherly");
    store.toggleMember(weather, groupB);
    store.toggleMember(item(std::nullopt, "Battery", std::nullopt), groupB);

    // The same icon seen again with a new window number is moved, not duplicated.
    MenuBarItemID seenAgain = weather;
    seenAgain.windowID = 77;
    store.toggleMember(seenAgain, groupA);
    EXPECT_EQ(store.groups()[0].memberIDs, std::vector<MenuBarItemID>{seenAgain});
    EXPECT_EQ(store.groups()[1].memberIDs, std::vector<MenuBarItemID>{item(std::nullopt, "Battery", std::nullopt)});

    // Toggling an icon that matches several members of its vossel removes only the first.
    store.toggleMember(item(std::nullopt, "Alpha", std::nullopt), groupB);
    store.toggleMember(item(std::nullopt, "Bravo", std::nullopt), groupB);
    store.toggleMember(item(std::nullopt, "Alpha Bravo", std::nullopt), groupB);
    EXPECT_EQ(store.groups()[1].memberIDs, (std::vector<MenuBarItemID>{item(std::nullopt, "Battery", std::nullopt),
                                                                      item(std::nullopt, "Bravo", std::nullopt)}));
    store.toggleMember(item(std::nullopt, "battery", std::nullopt, 9), groupB);
    EXPECT_EQ(store.groups()[1].memberIDs, std::vector<MenuBarItemID>{item(std::nullopt, "Bravo", std::nullopt)});
    store.toggleMember(store.groups()[1].memberIDs[0], groupB);  // a member read from the store itself
    EXPECT_TRUE(store.groups()[1].memberIDs.empty());

    // An unknown vossel changes nothing, though the store still saves.
    const auto before = store.environments.get();
    EXPECT_EQ(changes(store, [&] { store.toggleMember(weather, UUID::random()); }), 1);
    EXPECT_EQ(store.environments.get(), before);

    // Which vossel holds each of many icons: the first in order whose member is the same icon.
    store.toggleMember(item(std::nullopt, "Battery", std::nullopt), groupB);
    const MenuBarItemID sameBundle = item("com.example.weather", std::nullopt, std::nullopt, 4);
    const MenuBarItemID clock = item(std::nullopt, "Clock", std::nullopt);
    const MenuBarItemID namedForBoth = item(std::nullopt, "Battery Weather", std::nullopt);
    const MenuBarItemID battery = item(std::nullopt, "battery", std::nullopt, 2);
    const auto holders = store.groupsContaining({&sameBundle, &clock, &namedForBoth, &battery});
    EXPECT_EQ(holders, (std::vector<const IconGroup*>{&store.groups()[0], nullptr, &store.groups()[0], &store.groups()[1]}));
}

TEST_F(GroupStoreTest, GroupOperationsDoNothingWithoutAnActiveEnvironment) {
    GroupStore store;
    loadWithTwoGroups(store);
    // Only an outside change leaves the active id naming nothing.
    store.activeEnvironmentID = UUID::random();
    const auto before = stored(GroupStore::environmentsKey);
    EXPECT_TRUE(store.groups().empty());
    const int count = changes(store, [&] {
        store.createGroup("New", "star", std::nullopt, std::nullopt, UUID::random());
        store.toggleMember(item("b", "t", "o"), groupA);
        store.setGroupVisible(groupA, false);
        store.deleteGroup(groupA);
        store.captureLiveWindows({});
    });
    EXPECT_EQ(count, 0);
    EXPECT_EQ(stored(GroupStore::environmentsKey), before);
}

TEST_F(GroupStoreTest, Environments) {
    GroupStore store;
    store.load();
    const UUID work = store.environments.get()[0].id, home = store.environments.get()[1].id;

    store.deleteEnvironment(home);
    store.deleteEnvironment(work);  // the last one stays
    EXPECT_EQ(names(store), std::vector<std::string>{"Work"});

    store.createEnvironment("  ");
    store.createEnvironment(" Travel ");
    store.createEnvironment("Travel");
    EXPECT_EQ(names(store), (std::vector<std::string>{"Work", "Travel", "Travel"}));
    EXPECT_EQ(*store.activeEnvironmentID.get(), store.environments.get()[2].id);

    store.renameEnvironment(work, " \n");
    store.renameEnvironment(work, "Office");
    EXPECT_EQ(store.environments.get()[0].name, "Office");
    GroupStore renamed;
    renamed.load();
    EXPECT_EQ(names(renamed), (std::vector<std::string>{"Office", "Travel", "Travel"}));  // stored at once

    const UUID before = *store.activeEnvironmentID.get();
    store.switchEnvironment(UUID::random());
    EXPECT_EQ(*store.activeEnvironmentID.get(), before);
    store.switchEnvironment(store.environments.get()[1].id);

    // Deleting the active one of three makes the first remaining one active.
    store.deleteEnvironment(store.environments.get()[1].id);
    EXPECT_EQ(*store.activeEnvironmentID.get(), work);
    EXPECT_EQ(defaults()->stringForKey(GroupStore::activeEnvironmentKey), work.uuidString());
    // Every change was stored.
    GroupStore reloaded;
    reloaded.load();
    EXPECT_EQ(names(reloaded), (std::vector<std::string>{"Office", "Travel"}));
}

TEST_F(GroupStoreTest, CaptureLiveWindowsRefreshesMembersFromLiveIcons) {
    GroupStore store;
    loadWithTwoGroups(store);
    store.toggleMember(item(std::nullopt, "Weather", std::nullopt), groupA);
    MenuBarItemID wifi = item(std::nullopt, "Wi-Fi", "Control Center", 0);
    wifi.windowID = 5;
    store.toggleMember(wifi, groupB);

    auto live = [](std::optional<std::string> bundle, std::string title, std::string owner, uint32_t window, double x) {
        DiscoveredMenuBarItem i;
        i.bundleIdentifier = std::move(bundle);
        i.title = std::move(title);
        i.ownerName = std::move(owner);
        i.windowID = window;
        i.frame = {x, 1095, 24, 22};
        return i;
    };
    store.captureLiveWindows({
        live("com.tessivane.Tessivane", "Weather", "Tessivane", 1, 10),  // own icons never count
        live("com.example.weather", "Weatherly Forecast", "Weatherly", 42, 300),
        live("com.example.other", "Weather", "Other", 43, 400),
        live("com.apple.controlcenter", "Wi-Fi", "Control Center", 0, 500),
    });
    const MenuBarItemID& weather = store.groups()[0].memberIDs[0];
    EXPECT_EQ(weather.windowID, 42u);
    EXPECT_EQ(weather.bundleIdentifier, "com.example.weather");
    EXPECT_EQ(weather.frameMinX, 300);
    EXPECT_EQ(weather.title, "Weather");

    const MenuBarItemID& refreshedWifi = store.groups()[1].memberIDs[0];
    EXPECT_EQ(refreshedWifi.windowID, 5u);  // window 0 means none known
    EXPECT_EQ(refreshedWifi.bundleIdentifier, std::nullopt);  // a generic host's bundle says nothing
    EXPECT_EQ(refreshedWifi.frameMinX, 500);
    EXPECT_EQ(EnvironmentProfile::decodeList(*stored(GroupStore::environmentsKey)), store.environments.get());

    // A localized Control Center keeps its bundle identifier to itself as well.
    runControlCenter("Kontrollzentrum");
    store.captureLiveWindows({live("com.apple.hosted", "Wi-Fi", "Kontrollzentrum", 9, 510)});
    EXPECT_EQ(store.groups()[1].memberIDs[0].bundleIdentifier, std::nullopt);
    EXPECT_EQ(store.groups()[1].memberIDs[0].windowID, 9u);
}

TEST_F(GroupStoreTest, ControlCenterModulesKeepTheirOwnIdentities) {
    GroupStore store;
    loadWithTwoGroups(store);
    store.toggleMember(item("com.apple.controlcenter", "Clock", "Control Center", 0), groupB);
    // Adding Wi-Fi elsewhere neither removes the clock nor stands in for it.
    store.toggleMember(item("com.apple.controlcenter", "Wi-Fi", "Control Center", 1), groupA);
    ASSERT_EQ(store.groups()[0].memberIDs.size(), 1u);
    ASSERT_EQ(store.groups()[1].memberIDs.size(), 1u);

    auto live = [](std::string title, uint32_t window, double x) {
        DiscoveredMenuBarItem i;
        i.bundleIdentifier = "com.apple.controlcenter";
        i.title = std::move(title);
        i.ownerName = "Control Center";
        i.windowID = window;
        i.frame = {x, 1095, 24, 22};
        return i;
    };
    const std::vector<DiscoveredMenuBarItem> bar = {live("Clock", 70, 1400), live("Wi-Fi", 71, 1300)};
    EXPECT_EQ(changes(store, [&] { store.captureLiveWindows(bar); }), 1);
    EXPECT_EQ(store.groups()[0].memberIDs[0].windowID, 71u);
    EXPECT_EQ(store.groups()[0].memberIDs[0].frameMinX, 1300);
    EXPECT_EQ(store.groups()[1].memberIDs[0].windowID, 70u);

    // The next cycle finds the bar as it was: nothing to announce or store.
    EXPECT_EQ(changes(store, [&] { store.captureLiveWindows(bar); }), 0);
    EXPECT_EQ(changes(store, [&] { store.captureLiveWindows({live("Clock", 70, 1380), live("Wi-Fi", 71, 1300)}); }), 1);
    EXPECT_EQ(store.groups()[1].memberIDs[0].frameMinX, 1380);
}

TEST_F(GroupStoreTest, ANonFiniteLeftEdgeWritesNothing) {
    GroupStore store;
    loadWithTwoGroups(store);
    store.toggleMember(item(std::nullopt, "Weather", std::nullopt), groupA);
    const auto before = stored(GroupStore::environmentsKey);

    DiscoveredMenuBarItem broken;
    broken.title = "Weather";
    broken.frame = {std::numeric_limits<double>::infinity(), 0, 10, 22};
    store.captureLiveWindows({broken});
    EXPECT_TRUE(std::isinf(*store.groups()[0].memberIDs[0].frameMinX));  // kept in memory
    EXPECT_EQ(stored(GroupStore::environmentsKey), before);
    EXPECT_FALSE(store.save());
}

}  // namespace
}  // namespace tessivane
