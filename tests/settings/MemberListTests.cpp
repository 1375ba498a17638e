// The member list on the default laptop scene: its rows are the live icons, its switches
// follow the membership rule and move icons between vossels.
#include <gtest/gtest.h>

#include <algorithm>

#include "SettingsFixture.h"
#include "settings/VosselMemberList.h"

namespace settings_test {
namespace {

using tessivane::IconGroup;
using tessivane::VosselMemberList;

class MemberListTest : public SettingsTest {
protected:
    std::unique_ptr<ui::Host> listFor(const IconGroup& group) {
        auto h = host(std::make_shared<VosselMemberList>(group));
        h->tree();
        return h;
    }

    struct Row {
        ui::Element toggle;
        std::vector<std::string> lines;  // the name, then the second line if any
    };
    static Row rowOf(ui::Host& host, const std::string& name) {
        ui::Element column = host.find(ui::byText(name)).parent();
        Row row{column.parent().find(ui::byRole(ui::Role::toggle)), {}};
        for (const auto& child : column.children()) row.lines.push_back(child.text());
        return row;
    }

    bool isMember(const platform::UUID& vossel, const std::string& name) {
        const auto stored = storedVossel(vossel);
        const auto& item = liveItem(name);
        return stored && std::any_of(stored->memberIDs.begin(), stored->memberIDs.end(),
                                     [&](const auto& m) { return m.hasSameIdentityString(item.id); });
    }
    bool isHidden(const std::string& name) {
        const auto& hidden = appState().windowHiding.hiddenWindows();
        return std::find(hidden.begin(), hidden.end(), liveItem(name).windowID) != hidden.end();
    }
};

TEST_F(MemberListTest, RowsAreTheLiveIconsInDiscoveryOrderWithDividersBetweenThem) {
    grantAndDiscover();
    auto items = appState().discovery.items.get();  // an owner named as its icon but for case
    for (auto& item : items)
        if (item.title == "Stillwater") item.ownerName = "STILLWATER";
    appState().discovery.items = items;
    IconGroup notes = makeVossel("Notes", {"Quillpad"});
    tessivane::MenuBarItemID gone;  // a member whose icon is not in the menu bar now
    gone.title = "Gone Away";
    gone.ownerName = "Gone Away";
    appState().groupStore.toggleMember(gone, notes.id);

    auto list = listFor(*storedVossel(notes.id));
    auto toggles = list->findAll(ui::byRole(ui::Role::toggle));
    ASSERT_EQ(toggles.size(), items.size());
    EXPECT_FALSE(list->find(ui::byText("Gone Away")).exists());
    // Rows and one-point dividers alternate: a divider between rows only.
    auto stack = list->find(ui::byRole(ui::Role::scrollView)).children().at(0);
    EXPECT_EQ(stack.children().size(), 2 * items.size() - 1);
    const nlohmann::json column = stack.properties(), divider = stack.children().at(1).properties();
    EXPECT_EQ(column["props"]["spacing"], 0);  // the dividers touch the rows
    EXPECT_EQ(divider["props"]["fill"]["role"], "primary");
    EXPECT_DOUBLE_EQ(divider["props"]["fill"]["alpha"].get<double>(), 0.12);
    EXPECT_EQ(rowOf(*list, items.front().displayName()).lines.at(0), items.front().displayName());

    // An owner name equal to the display name apart from case adds no second line.
    EXPECT_EQ(rowOf(*list, "Quillpad").lines, std::vector<std::string>({"Quillpad", "In this vossel"}));
    EXPECT_EQ(rowOf(*list, "Stillwater").lines, std::vector<std::string>({"Stillwater"}));
    EXPECT_EQ(rowOf(*list, "Sync Status").lines, std::vector<std::string>({"Sync Status", "Nimbusnote"}));

    // A row whose title changes (a timer, names Accessibility fills in) stays the same row,
    // so a press that lands on it is not lost to a new element.
    const size_t ticking = 4;  // Quillpad's row, whose icon has a window; rows and dividers alternate
    ASSERT_NE(items.at(ticking).windowID, 0u);
    const std::string before = stack.children().at(2 * ticking).nodeId();
    items[ticking].title += " 0:43";
    items[ticking].id.title = items[ticking].title;
    appState().discovery.items = items;
    auto relisted = listFor(*storedVossel(notes.id));
    EXPECT_EQ(relisted->find(ui::byRole(ui::Role::scrollView)).children().at(0).children().at(2 * ticking).nodeId(), before);
    // Without a window (number 0) a row is its identity's; any window number names it.
    tessivane::DiscoveredMenuBarItem icon = items[ticking];
    icon.windowID = 0;
    EXPECT_EQ(VosselMemberList::rowKey(icon), icon.id.id());
    icon.windowID = 1;
    EXPECT_EQ(VosselMemberList::rowKey(icon), "window-1");
}

TEST_F(MemberListTest, OneMemberTurnsOnEveryIconOfItsApplication) {
    grantAndDiscover();
    IconGroup notes = makeVossel("Notes", {"Quick Note"});
    auto list = listFor(notes);
    EXPECT_EQ(rowOf(*list, "Quick Note").toggle.isOn(), true);
    EXPECT_EQ(rowOf(*list, "Sync Status").toggle.isOn(), true);
    EXPECT_EQ(rowOf(*list, "Sync Status").lines.at(1), VosselMemberList::inThisVosselText);
    EXPECT_EQ(rowOf(*list, "Parcelbird").toggle.isOn(), false);
}

TEST_F(MemberListTest, ControlCenterModulesAreSwitchedOneByOne) {
    grantAndDiscover();
    IconGroup clocks = makeVossel("Clocks", {"Clock"});
    IconGroup radios = makeVossel("Radios");
    auto list = listFor(radios);
    EXPECT_EQ(rowOf(*list, "Wi-Fi").lines, std::vector<std::string>({"Wi-Fi", "Control Center"}));

    EXPECT_TRUE(rowOf(*list, "Wi-Fi").toggle.toggle());
    EXPECT_TRUE(isMember(radios.id, "Wi-Fi"));
    EXPECT_TRUE(isMember(clocks.id, "Clock"));  // the clock stays where it was
    settle();
    EXPECT_EQ(rowOf(*list, "Wi-Fi").toggle.isOn(), true);
    EXPECT_EQ(rowOf(*list, "Battery").toggle.isOn(), false);
    EXPECT_TRUE(isHidden("Wi-Fi"));
    EXPECT_FALSE(isHidden("Battery"));
}

TEST_F(MemberListTest, AnIconHeldByAnotherVosselNamesItAndMovesHereWhenSwitchedOn) {
    grantAndDiscover();
    IconGroup other = makeVossel("Other", {"Parcelbird"});
    IconGroup notes = makeVossel("Notes");
    auto list = listFor(notes);
    Row row = rowOf(*list, "Parcelbird");
    EXPECT_EQ(row.lines.at(1), "In \u201COther\u201D");
    EXPECT_EQ(row.toggle.isOn(), false);

    EXPECT_TRUE(row.toggle.toggle());
    EXPECT_TRUE(isMember(notes.id, "Parcelbird"));
    EXPECT_FALSE(isMember(other.id, "Parcelbird"));
    const auto stored = storedVossel(notes.id)->memberIDs.back();
    EXPECT_EQ(stored.windowID, liveItem("Parcelbird").windowID);
    EXPECT_EQ(stored.frameMinX, liveItem("Parcelbird").frame.minX());
    EXPECT_TRUE(isHidden("Parcelbird"));  // hiding was applied to the new member
    settle();
    row = rowOf(*list, "Parcelbird");
    EXPECT_EQ(row.toggle.isOn(), true);
    EXPECT_EQ(row.lines.at(1), "In this vossel");

    // Switched off it leaves this vossel and does not go back to the other one.
    EXPECT_TRUE(row.toggle.toggle());
    EXPECT_FALSE(isMember(notes.id, "Parcelbird"));
    EXPECT_FALSE(isMember(other.id, "Parcelbird"));
    EXPECT_FALSE(isHidden("Parcelbird"));
    settle();
    EXPECT_EQ(rowOf(*list, "Parcelbird").lines, std::vector<std::string>({"Parcelbird"}));
}

TEST_F(MemberListTest, TheProgramsOwnIconsNeverShowAsMembers) {
    tessivane::DiscoveredMenuBarItem own;
    own.title = "Tessivane";
    own.ownerName = "Tessivane";
    own.bundleIdentifier = "com.tessivane.Tessivane";
    own.id.title = own.title;
    own.id.ownerName = own.ownerName;
    own.id.bundleIdentifier = own.bundleIdentifier;
    IconGroup group;
    group.memberIDs = {own.id};
    EXPECT_FALSE(VosselMemberList::showsAsMember(group, own));
    // The same names and bundle on another application's icon do count.
    own.bundleIdentifier = "com.example.other";
    own.ownerName = "Other";
    group.memberIDs.front().bundleIdentifier = own.bundleIdentifier;
    EXPECT_TRUE(VosselMemberList::showsAsMember(group, own));
}

TEST_F(MemberListTest, WithoutIconsItSaysWhetherItIsLookingLacksPermissionOrFoundNothing) {
    AppState& state = appState();
    IconGroup notes = makeVossel("Notes");
    state.discovery.items = {};
    state.discovery.isRefreshing = true;
    auto list = listFor(notes);
    // Still looking wins even without the permission.
    EXPECT_FALSE(state.permissionManager.isAccessibilityTrusted.get());
    EXPECT_TRUE(list->find(ui::byText("Looking for menu bar icons\u2026")).exists());
    EXPECT_TRUE(list->find(ui::byRole(ui::Role::progress)).exists());

    state.discovery.isRefreshing = false;
    state.discovery.items = state.discovery.discoverItems(true);
    ASSERT_FALSE(state.discovery.items->empty());
    settle();
    auto placeholder = list->find(ui::byText("Enable Accessibility"));
    ASSERT_TRUE(placeholder.exists());  // the permission placeholder wins over the list
    EXPECT_EQ(placeholder.node()->data().detail, "Tessivane needs Accessibility to list menu bar icons.");
    EXPECT_EQ(placeholder.node()->data().symbol, "lock.shield");
    EXPECT_FALSE(list->find(ui::byRole(ui::Role::toggle)).exists());

    desk().setAccessibilityTrusted(true);
    state.permissionManager.refresh();
    state.discovery.items = {};
    settle();
    placeholder = list->find(ui::byText("No menu bar icons found"));
    ASSERT_TRUE(placeholder.exists());
    EXPECT_EQ(placeholder.node()->data().detail,
              "Click Refresh. If this stays empty, enable Accessibility and restart Tessivane.");
    EXPECT_EQ(placeholder.node()->data().symbol, "menubar.arrow.up.rectangle");

    state.discovery.items = state.discovery.discoverItems(true);
    settle();
    EXPECT_EQ(list->findAll(ui::byRole(ui::Role::toggle)).size(), state.discovery.items->size());
}

}  // namespace
}  // namespace settings_test
