// The editor of the settings window: vossels are renamed, shown, hidden and deleted, and
// environments created, renamed and deleted, through its controls and the root's alerts.
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "desktop/DesktopStatusItem.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "settings/SettingsTheme.h"
#include "ui/Nodes.h"
#include "ui/RenderedNode.h"

namespace settings_test {
namespace {

using tessivane::IconGroup;

class EditorTest : public SettingsWindowTest {
protected:
    // A vossel of the active environment holding the live icons of the given names.
    platform::UUID makeVossel(const std::string& name, const std::vector<std::string>& members = {}) {
        const platform::UUID id = platform::UUID::random();
        appState().groupStore.createGroup(name, "star.fill", std::nullopt, std::nullopt, id);
        for (const auto& member : members) appState().groupStore.toggleMember(liveItem(member).id, id);
        appState().syncGroupStatusItems();
        return id;
    }
    // Launches and shows the editor with the vossels made, the given one selected.
    void launchWithVossels(const std::vector<std::string>& names) {
        launch();
        platform::UUID first{};
        for (const auto& name : names) {
            const platform::UUID id = makeVossel(name, name == names.front() ? std::vector<std::string>{"Quillpad"}
                                                                             : std::vector<std::string>{});
            if (name == names.front()) first = id;
        }
        appState().openSettings(first);
        settle();
        ASSERT_TRUE(byID("ui.editVossel").exists());
    }
    ui::Element alert() { return window().find(ui::byRole(ui::Role::alert)); }
    std::string alertMessage() { return alert().properties()["props"].value("message", ""); }
    // Whether the vossel's chip is drawn as the selected one: on the accent's tint.
    bool chipMarked(const std::string& name) { return onSelectedTint(byID("ui.group." + name).node()); }
    static bool onSelectedTint(const ui::RenderedNode* node) {
        for (const auto& m : node->data().modifiers)
            if (m.kind == ui::Modifier::Kind::background &&
                m.content->data().fill == tessivane::SettingsTheme::accent().opacity(0.16))
                return true;
        for (const auto& child : node->children)
            if (onSelectedTint(child.get())) return true;
        return false;
    }
    ui::Element environmentMenu() { return window().find(ui::byRole(ui::Role::menu)); }
    std::vector<std::string> environmentNames() {
        std::vector<std::string> names;
        for (const auto& e : appState().groupStore.environments.get()) names.push_back(e.name);
        return names;
    }
    std::string activeEnvironment() {
        const auto* active = appState().groupStore.activeEnvironment();
        return active ? active->name : "";
    }
};

TEST_F(EditorTest, RenamingThroughTheEditPageStoresTheTrimmedName) {
    launchWithVossels({"VPN"});
    const platform::UUID id = vosselNamed("VPN")->id;
    const auto toolTip = [&] { return statusItemOf(id)->own->button()->toolTip(); };
    ASSERT_EQ(toolTip(), "VPN. Right-click for options.");
    // Save closes the page even when nothing changed.
    ASSERT_TRUE(click(byID("ui.editVossel")));
    ASSERT_TRUE(click(byID("ui.saveVossel")));
    EXPECT_FALSE(byID("ui.groupName").exists());

    ASSERT_TRUE(click(byID("ui.editVossel")));
    ui::Element name = byID("ui.groupName");
    ASSERT_EQ(name.value(), "VPN");
    // The editor below is out of reach while the page is up.
    EXPECT_FALSE(byID("ui.deleteGroup").click());

    ASSERT_TRUE(name.type("  Secure Tunnel \n"));
    settle();
    ASSERT_TRUE(click(byID("ui.saveVossel")));
    EXPECT_TRUE(vosselNamed("Secure Tunnel"));
    EXPECT_FALSE(byID("ui.groupName").exists());
    EXPECT_TRUE(byID("ui.group.Secure Tunnel").exists());
    EXPECT_TRUE(text("Secure Tunnel").exists());
    EXPECT_EQ(toolTip(), "Secure Tunnel. Right-click for options.");

    // Back leaves the vossel as it was.
    ASSERT_TRUE(click(byID("ui.editVossel")));
    ASSERT_TRUE(byID("ui.groupName").type("Other"));
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_FALSE(byID("ui.groupName").exists());
    EXPECT_TRUE(vosselNamed("Secure Tunnel"));

    // A change of the selection, or of the vossels and environments made elsewhere, closes it.
    ASSERT_TRUE(click(byID("ui.editVossel")));
    makeVossel("Media");
    settle();
    EXPECT_FALSE(byID("ui.groupName").exists());
    ASSERT_TRUE(click(byID("ui.editVossel")));
    appState().openSettings(vosselNamed("Media")->id);
    settle();
    EXPECT_FALSE(byID("ui.groupName").exists());
    EXPECT_TRUE(text("Turn one on to put it in Media").exists());
}

TEST_F(EditorTest, TheSwitchAndTheChipMenuHideAndShowTheStatusItem) {
    launchWithVossels({"VPN"});
    const platform::UUID id = vosselNamed("VPN")->id;
    ASSERT_NE(statusItemOf(id), nullptr);

    ASSERT_TRUE(window().find(ui::toggle("In menu bar")).toggle());
    settle();
    EXPECT_FALSE(vosselNamed("VPN")->isVisibleInMenuBar);
    EXPECT_EQ(statusItemOf(id), nullptr);
    EXPECT_EQ(window().find(ui::toggle("In menu bar")).isOn(), false);

    ui::Element chip = byID("ui.group.VPN");
    ASSERT_TRUE(chip.rightClick());
    settle();
    ASSERT_TRUE(click(window().find(ui::menuItem("Show in Menu Bar"))));
    EXPECT_TRUE(vosselNamed("VPN")->isVisibleInMenuBar);
    EXPECT_NE(statusItemOf(id), nullptr);

    ASSERT_TRUE(byID("ui.group.VPN").rightClick());
    settle();
    ASSERT_TRUE(click(window().find(ui::menuItem("Hide from Menu Bar"))));
    EXPECT_FALSE(vosselNamed("VPN")->isVisibleInMenuBar);
    EXPECT_EQ(statusItemOf(id), nullptr);
}

TEST_F(EditorTest, DeletingAsksFirstAndTheLastVosselLeadsBackToTheWizard) {
    launchWithVossels({"VPN", "Media"});
    ASSERT_TRUE(click(byID("ui.deleteGroup")));
    ASSERT_TRUE(alert().exists());
    EXPECT_EQ(alert().text(), "Delete vossel?");
    EXPECT_EQ(alertMessage(),
              "\u201CVPN\u201D will be removed from the menu bar. Its apps will stay visible in the menu bar.");
    ASSERT_TRUE(click(alert().find(ui::button("Cancel"))));
    EXPECT_FALSE(alert().exists());
    EXPECT_EQ(vossels().size(), 2u);

    // From the chip's menu this time; the selection moves on to the vossel that is left, and
    // the deleted vossel's member shows again at once.
    const uint32_t quillpad = liveItem("Quillpad").windowID;
    appState().applyHiding();
    ASSERT_EQ(desk().windowAlpha(quillpad), 0);
    ASSERT_TRUE(byID("ui.group.VPN").rightClick());
    settle();
    ASSERT_TRUE(click(window().find(ui::menuItem("Delete \u201CVPN\u201D"))));
    ASSERT_TRUE(click(alert().find(ui::button("Delete"))));
    EXPECT_FALSE(vosselNamed("VPN"));
    EXPECT_EQ(desk().windowAlpha(quillpad), 1);
    EXPECT_TRUE(text("Media").exists());
    EXPECT_TRUE(byID("ui.editVossel").exists());

    ASSERT_TRUE(click(byID("ui.deleteGroup")));
    EXPECT_EQ(alertMessage(),
              "\u201CMedia\u201D will be removed from the menu bar. Its apps will stay visible in the menu bar.");
    EXPECT_TRUE(window().pressReturn());
    settle();
    EXPECT_TRUE(vossels().empty());
    EXPECT_EQ(byID("ui.newGroupName").value(), "My Vossel");
    EXPECT_EQ(byID("ui.addGroup").text(), "Continue");
    // Each deletion of the selected vossel moved the selection on, so none is left: the
    // wizard's tabs wait for a vossel.
    EXPECT_TRUE(click(text("Apps")));
    EXPECT_TRUE(vossels().empty());
}

TEST_F(EditorTest, EnvironmentsAreCreatedRenamedAndDeletedThroughTheAlerts) {
    launchWithVossels({"VPN"});
    const platform::UUID vpn = vosselNamed("VPN")->id;
    ASSERT_NE(statusItemOf(vpn), nullptr);
    ASSERT_EQ(environmentNames(), (std::vector<std::string>{"Work", "Home"}));

    ASSERT_TRUE(environmentMenu().choose("Add environment\u2026"));
    settle();
    ASSERT_EQ(alert().text(), "New environment");
    EXPECT_EQ(alertMessage(), "Each environment has its own vossels \u2014 for example Work and Home.");
    // A blank name creates nothing.
    ASSERT_TRUE(alert().find(ui::byRole(ui::Role::textField)).type("   "));
    ASSERT_TRUE(click(alert().find(ui::button("Create"))));
    EXPECT_EQ(environmentNames().size(), 2u);

    ASSERT_TRUE(environmentMenu().choose("Add environment\u2026"));
    settle();
    EXPECT_EQ(alert().find(ui::byRole(ui::Role::textField)).value(), "");
    ASSERT_TRUE(alert().find(ui::byRole(ui::Role::textField)).type(" Travel "));
    ASSERT_TRUE(click(alert().find(ui::button("Create"))));
    EXPECT_EQ(environmentNames(), (std::vector<std::string>{"Work", "Home", "Travel"}));
    EXPECT_EQ(activeEnvironment(), "Travel");
    // The new environment is empty: the editor says so and the wizard stays away.
    EXPECT_TRUE(text("No vossels yet").exists());
    EXPECT_FALSE(byID("ui.addGroup").exists());
    EXPECT_EQ(statusItemOf(vpn), nullptr);

    ASSERT_TRUE(environmentMenu().choose("Rename \u201CTravel\u201D\u2026"));
    settle();
    ASSERT_EQ(alert().text(), "Rename environment");
    ui::Element field = alert().find(ui::byRole(ui::Role::textField));
    EXPECT_EQ(field.value(), "Travel");
    ASSERT_TRUE(field.type("  Trips "));
    ASSERT_TRUE(click(alert().find(ui::button("Save"))));
    EXPECT_EQ(activeEnvironment(), "Trips");

    ASSERT_TRUE(environmentMenu().choose("Delete \u201CTrips\u201D\u2026"));
    settle();
    ASSERT_EQ(alert().text(), "Delete environment?");
    EXPECT_EQ(alertMessage(), "\u201CTrips\u201D and all of its vossels will be removed.");
    ASSERT_TRUE(click(alert().find(ui::button("Delete"))));
    EXPECT_EQ(environmentNames(), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_EQ(activeEnvironment(), "Work");
    EXPECT_TRUE(byID("ui.group.VPN").exists());
    EXPECT_TRUE(text("VPN").exists());

    // Down to one environment, which cannot be deleted.
    ASSERT_TRUE(environmentMenu().choose("Delete \u201CWork\u201D\u2026"));
    settle();
    ASSERT_TRUE(click(alert().find(ui::button("Delete"))));
    EXPECT_EQ(environmentNames(), (std::vector<std::string>{"Home"}));
    const auto options = environmentMenu().options();
    EXPECT_EQ(std::count(options.begin(), options.end(), "Delete \u201CHome\u201D\u2026"), 0);
    appState().groupStore.deleteEnvironment(appState().groupStore.environments.get().front().id);
    EXPECT_EQ(environmentNames(), (std::vector<std::string>{"Home"}));
}

// The alerts with a name field behave as on macOS: the field has the focus as the alert
// comes up, keys typed go into it, Command-A selects its text, and Return presses the
// alert's default button (the first that does not cancel).
TEST_F(EditorTest, TheNameAlertsTakeTypingAndReturn) {
    launchWithVossels({"VPN"});
    auto typeKeys = [&](const std::string& keys) {
        for (char c : keys) desk().pressKey(0, std::string(1, c));
        settle();
    };
    ASSERT_TRUE(environmentMenu().choose("Add environment\u2026"));
    settle();
    ASSERT_EQ(alert().text(), "New environment");
    ui::Element field = alert().find(ui::byRole(ui::Role::textField));
    EXPECT_EQ(window().focusedNodeId(), field.node()->id);
    typeKeys("Travel");
    EXPECT_EQ(field.value(), "Travel");
    desk().pressReturn();
    settle();
    EXPECT_FALSE(alert().exists());
    EXPECT_EQ(environmentNames(), (std::vector<std::string>{"Work", "Home", "Travel"}));
    EXPECT_EQ(activeEnvironment(), "Travel");

    ASSERT_TRUE(environmentMenu().choose("Rename \u201CTravel\u201D\u2026"));
    settle();
    field = alert().find(ui::byRole(ui::Role::textField));
    EXPECT_EQ(window().focusedNodeId(), field.node()->id);
    // Command-A, then typing replaces the whole name; without it typing adds to it.
    desk().pressKey(0, "a", platform::Modifier::command);
    typeKeys("Trips");
    EXPECT_EQ(field.value(), "Trips");
    typeKeys("!");
    EXPECT_EQ(field.value(), "Trips!");
    desk().pressKey(0, "a", platform::Modifier::command);
    desk().pressKey(platform::KeyCode::deleteKey);
    EXPECT_EQ(field.value(), "");
    ASSERT_TRUE(field.type("Trips"));
    // Return in the field itself (the page's road) presses "Save" too.
    ASSERT_TRUE(field.submit());
    settle();
    EXPECT_EQ(activeEnvironment(), "Trips");
}

// Command-A, -C, -X, -V and -Z reach a name field only as the Edit menu's commands, as on a
// Mac: chosen in the menu bar or by their keys alike, and not at all once the item is gone.
TEST_F(EditorTest, TheNameFieldsEditThroughTheEditMenu) {
    launchWithVossels({"VPN"});
    ASSERT_TRUE(environmentMenu().choose("Add environment\u2026"));
    settle();
    ui::Element field = alert().find(ui::byRole(ui::Role::textField));
    ASSERT_EQ(window().focusedNodeId(), field.node()->id);
    using platform::Modifier::command;
    using platform::Modifier::shift;
    auto press = [&](const std::string& keys, platform::ModifierFlags flags = 0) {
        for (char c : keys) desk().pressKey(0, std::string(1, c), flags);
        settle();
    };
    auto choose = [&](const std::string& title) {
        if (auto open = desk().ownOpenMenu()) desk().cancelOwnMenu(*open);
        for (const auto& [name, frame] : desk().appMenuTitles())
            if (name == "Edit") desk().click(platform::Point{frame.midX(), frame.midY()});
        const bool chosen = desk().ownOpenMenu() && desk().chooseOwnMenuItem(title);
        settle();
        return chosen;
    };
    press("Trips");
    struct Step {
        std::string keys;
        platform::ModifierFlags flags;
        std::string value;
    };
    const std::vector<Step> steps = {
        {"c", command, "Trips"},           // nothing selected: nothing to copy
        {"a", command, "Trips"},           // Select All
        {"x", command, ""},                // Cut takes the selection to the pasteboard
        {"v", command, "Trips"},           // Paste at the end
        {"v", command, "TripsTrips"},
        {"z", command, "Trips"},           // Undo, one command at a time
        {"z", command, ""},
        {"Z", command | shift, "Trips"},   // Redo
        {"!", 0, "Trips!"},                // typing is one step of Undo
        {"?", 0, "Trips!?"},
        {"z", command, "Trips"},
        {"a", command, "Trips"},
        {"v", command, "Trips"},           // Paste over the selection
    };
    for (const Step& step : steps) {
        press(step.keys, step.flags);
        EXPECT_EQ(field.value(), step.value) << step.keys;
    }
    EXPECT_EQ(platform::pasteboard().string(), "Trips");
    // A click in the field puts the caret there: Paste goes in at the end, not over the text.
    press("a", command);
    ASSERT_TRUE(field.click());
    press("v", command);
    EXPECT_EQ(field.value(), "TripsTrips");
    press("z", command);

    // The same commands from the menu bar's Edit menu.
    EXPECT_FALSE(choose("Cut")) << "Cut without a selection is off";
    ASSERT_TRUE(choose("Select All"));
    ASSERT_TRUE(choose("Cut"));
    EXPECT_EQ(field.value(), "");
    ASSERT_TRUE(choose("Undo"));
    EXPECT_EQ(field.value(), "Trips");

    // Without the menu item, Command-A selects nothing: what is typed next goes at the end.
    auto& edit = platform::application().mainMenu()->items.at(1)->submenu->items;
    std::erase_if(edit, [](const auto& item) { return item->title == "Select All"; });
    press("a", command);
    press("s");
    EXPECT_EQ(field.value(), "Tripss");
}

TEST_F(EditorTest, SwitchingEnvironmentsSelectsTheirFirstVosselAndAStaleSelectionShowsTheFirst) {
    launchWithVossels({"VPN", "Media"});
    ASSERT_TRUE(environmentMenu().choose("Home"));
    settle();
    EXPECT_TRUE(text("No vossels yet").exists());
    makeVossel("Notes");
    makeVossel("Music");
    settle();
    // The selection was cleared by the switch; the first vossel is shown and marked.
    EXPECT_TRUE(text("Turn one on to put it in Notes").exists());
    EXPECT_TRUE(chipMarked("Notes"));
    EXPECT_FALSE(chipMarked("Music"));

    // A focus on a vossel of another environment is kept but shows the first one here.
    const platform::UUID vpn = [&] {
        for (const auto& e : appState().groupStore.environments.get())
            for (const auto& g : e.groups)
                if (g.name == "VPN") return g.id;
        return platform::UUID{};
    }();
    appState().openSettings(vpn);
    settle();
    EXPECT_TRUE(text("Turn one on to put it in Notes").exists());
    EXPECT_TRUE(chipMarked("Notes"));
    ASSERT_TRUE(click(byID("ui.group.Music")));
    EXPECT_TRUE(text("Turn one on to put it in Music").exists());
    EXPECT_TRUE(chipMarked("Music"));
    EXPECT_FALSE(chipMarked("Notes"));

    ASSERT_TRUE(environmentMenu().choose("Work"));
    settle();
    EXPECT_TRUE(text("Turn one on to put it in VPN").exists());
}

TEST_F(EditorTest, ChipsThatNoLongerFitScrollBesideAFixedAddButton) {
    launchWithVossels({"VPN"});
    auto railScrolls = [&] { return byID("ui.addVossel").parent().find(ui::byRole(ui::Role::scrollView)).exists(); };
    EXPECT_FALSE(railScrolls());
    for (int i = 0; i < 12; ++i) makeVossel("Vossel with a long name " + std::to_string(i));
    settle();
    EXPECT_TRUE(railScrolls());
    EXPECT_TRUE(byID("ui.group.Vossel with a long name 11").exists());
    ASSERT_TRUE(click(byID("ui.addVossel")));
    EXPECT_TRUE(byID("ui.newGroupName").exists());
}

TEST_F(EditorTest, TheCountsLineCountsStoredMembersAndDiscoveredIcons) {
    launch();
    const platform::UUID id = makeVossel("Tools", {"Quillpad", "Parcelbird"});
    tessivane::MenuBarItemID gone;  // a member whose icon is not in the menu bar now
    gone.title = "Gone Away";
    gone.ownerName = "Gone Away";
    appState().groupStore.toggleMember(gone, id);
    appState().openSettings(id);
    settle();
    const size_t found = appState().discovery.items->size();
    EXPECT_TRUE(text("3 in vossel \u00B7 " + std::to_string(found) + " found").exists());
}

TEST_F(EditorTest, TheBannerAsksForAccessibilityUntilItIsGrantedAndRefreshShowsItsProgress) {
    launch(false);
    const platform::UUID id = makeVossel("Tools");
    appState().openSettings(id);
    settle();
    ASSERT_TRUE(text("Tessivane can\u2019t hide Control Center extras yet").exists());
    ASSERT_TRUE(click(button("Enable Accessibility")));
    EXPECT_TRUE(desk().isAccessibilityPromptShown());
    desk().answerAccessibilityPrompt(false);

    ASSERT_TRUE(button("Refresh icons").click());
    window().render();
    EXPECT_TRUE(button("Scanning\u2026").isDisabled());
    EXPECT_TRUE(window().find(ui::Query{std::nullopt, std::nullopt, ui::Role::progress}).exists());
    settle();
    EXPECT_TRUE(button("Refresh icons").exists());
    EXPECT_FALSE(button("Refresh icons").isDisabled());

    desk().setAccessibilityTrusted(true);
    desk().advance(1.1);
    settle();
    EXPECT_FALSE(text("Tessivane can\u2019t hide Control Center extras yet").exists());
}

}  // namespace
}  // namespace settings_test
