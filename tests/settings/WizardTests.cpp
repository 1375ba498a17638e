// The setup wizard in the settings window of a first run after onboarding, driven by its
// controls as automated UI tests drive it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "SettingsFixture.h"
#include "SettingsWindowFixture.h"
#include "model/CustomGroupIconStore.h"
#include "settings/SettingsSetupWizardView.h"
#include "platform/FileLocations.h"
#include "platform/StatusBar.h"

namespace settings_test {
namespace {

class WizardTest : public SettingsWindowTest {
protected:
    bool isMember(const tessivane::IconGroup& vossel, const std::string& name) {
        const auto& item = liveItem(name);
        return std::any_of(vossel.memberIDs.begin(), vossel.memberIDs.end(),
                           [&](const auto& m) { return m.hasSameIdentityString(item.id); });
    }
    int step() {
        for (const char* title : {"Name this vossel", "Hide them behind the line"}) {
            if (text(title).exists()) return title[0] == 'N' ? 1 : 3;
        }
        return byID("ui.wizard.continue").exists() ? 2 : 0;
    }
};

TEST_F(WizardTest, AFirstRunCreatesTheVosselPicksItsMembersAndEndsInTheEditor) {
    launch();
    ASSERT_TRUE(vossels().empty());
    EXPECT_EQ(step(), 1);
    EXPECT_EQ(byID("ui.newGroupName").value(), "My Vossel");
    EXPECT_TRUE(button("Back").isDisabled());
    ui::Element proceed = byID("ui.addGroup");
    EXPECT_EQ(proceed.text(), "Continue");

    ASSERT_TRUE(click(proceed));
    ASSERT_EQ(vossels().size(), 1u);
    const tessivane::IconGroup vossel = vossels().front();
    EXPECT_EQ(vossel.name, "My Vossel");
    EXPECT_EQ(vossel.symbolName, "lock.shield.fill");
    EXPECT_EQ(vossel.symbolColorHex, "14B8A6");
    EXPECT_NE(statusItemOf(vossel.id), nullptr);
    EXPECT_EQ(step(), 2);
    EXPECT_FALSE(byID("ui.addGroup").exists());
    EXPECT_TRUE(text("Pick what goes in My Vossel").exists());

    ASSERT_TRUE(memberSwitch("Quillpad").toggle());
    ASSERT_TRUE(memberSwitch("Stillwater").toggle());
    settle();
    const tessivane::IconGroup filled = *vosselNamed("My Vossel");
    EXPECT_TRUE(isMember(filled, "Quillpad"));
    EXPECT_TRUE(isMember(filled, "Stillwater"));
    EXPECT_EQ(desk().windowAlpha(liveItem("Quillpad").windowID), 0.0);
    EXPECT_EQ(desk().windowAlpha(liveItem("Stillwater").windowID), 0.0);
    EXPECT_TRUE(text("2 in vossel \u00B7 " + std::to_string(appState().discovery.items->size()) + " found").exists());

    ASSERT_TRUE(click(byID("ui.wizard.continue")));
    EXPECT_EQ(step(), 3);
    EXPECT_EQ(byID("ui.wizard.continue").text(), "Done");
    EXPECT_TRUE(byID("ui.shareDeviceInfo").exists());

    ASSERT_TRUE(click(byID("ui.wizard.continue")));
    EXPECT_EQ(step(), 0);
    EXPECT_TRUE(byID("ui.editVossel").exists());
    EXPECT_TRUE(byID("ui.group.My Vossel").exists());
    EXPECT_EQ(vossels().size(), 1u);
}

TEST_F(WizardTest, ABlankNameCannotContinueAndTabsWaitForAVossel) {
    launch();
    ASSERT_TRUE(byID("ui.newGroupName").type(" \n "));
    settle();
    EXPECT_TRUE(byID("ui.addGroup").isDisabled());
    EXPECT_FALSE(window().pressReturn());
    // Without a selection or any vossel the other tabs do nothing.
    EXPECT_TRUE(click(text("Apps")));
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(vossels().empty());

    ASSERT_TRUE(byID("ui.newGroupName").type("  VPN "));
    settle();
    EXPECT_TRUE(window().pressReturn());
    settle();
    ASSERT_EQ(vossels().size(), 1u);
    EXPECT_EQ(vossels().front().name, "VPN");
    EXPECT_EQ(step(), 2);
}

TEST_F(WizardTest, BackStepsOneAtATimeAndStepOneSavesEachEditWithoutASecondVossel) {
    launch();
    ASSERT_TRUE(click(byID("ui.addGroup")));
    const platform::UUID id = vossels().front().id;
    ASSERT_TRUE(click(button("Back")));
    EXPECT_EQ(step(), 1);

    ASSERT_TRUE(byID("ui.newGroupName").type("Work VPN"));
    settle();
    EXPECT_EQ(vossels().front().name, "Work VPN");
    // A blank name is never stored; the last good one stays.
    ASSERT_TRUE(byID("ui.newGroupName").type("   "));
    settle();
    EXPECT_EQ(vossels().front().name, "Work VPN");
    ASSERT_TRUE(byID("ui.newGroupName").type("Dev"));
    settle();

    // The "Hide" tab jumps ahead, updating the same vossel.
    ASSERT_TRUE(click(text("Hide")));
    EXPECT_EQ(step(), 3);
    ASSERT_EQ(vossels().size(), 1u);
    EXPECT_EQ(vossels().front().id, id);
    EXPECT_EQ(vossels().front().name, "Dev");
    EXPECT_NE(statusItemOf(id), nullptr);

    // Back from the last step goes to the one before it, not to the first.
    ASSERT_TRUE(click(button("Back")));
    EXPECT_EQ(step(), 2);
    ASSERT_TRUE(click(button("Back")));
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(button("Back").isDisabled());
}

TEST_F(WizardTest, AnIconImportedBeforeTheVosselExistsBelongsToIt) {
    launch();
    const std::filesystem::path image = home() / "badge.png";
    std::filesystem::copy_file(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png", image);

    ASSERT_TRUE(click(button("Choose icon\u2026")));
    ASSERT_TRUE(text("Choose icon").exists());
    // The wizard below takes no keys while the picker covers it.
    EXPECT_FALSE(byID("ui.addGroup").click());
    desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{image});
    ASSERT_TRUE(click(button("From Mac\u2026")));
    finishBackgroundWork();
    // Escape is the picker's Back: the wizard's own Back is out of reach under it.
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_FALSE(text("Choose icon").exists());

    ASSERT_TRUE(click(byID("ui.addGroup")));
    ASSERT_EQ(vossels().size(), 1u);
    const tessivane::IconGroup vossel = vossels().front();
    ASSERT_TRUE(vossel.customIconFilename);
    EXPECT_EQ(*vossel.customIconFilename, vossel.id.uuidString() + ".png");
}

// A selection left over from another environment: the wizard makes a vossel of its own, and
// an image imported for it must not land in the other vossel's file.
TEST_F(SettingsTest, AStaleSelectionLendsTheWizardNeitherItsVosselNorItsImageFile) {
    grantAndDiscover();
    auto& store = appState().groupStore;
    const platform::UUID old = platform::UUID::random();
    const auto oldFile = tessivane::CustomGroupIconStore::shared().importImage(writeImage("old.png"), old);
    ASSERT_TRUE(oldFile);
    store.createGroup("Old", "star.fill", std::nullopt, oldFile, old);
    const auto oldBytes = std::filesystem::file_size(tessivane::CustomGroupIconStore::shared().folder() / *oldFile);
    // Hidden as a member of the other environment's vossel, and still so after the bare switch.
    const uint32_t quillpad = liveItem("Quillpad").windowID;
    store.toggleMember(liveItem("Quillpad").id, old);
    appState().applyHiding();
    store.switchEnvironment(store.environments.get()[1].id);
    const platform::UUID present = makeVossel("Present").id;
    ASSERT_EQ(desk().windowAlpha(quillpad), 0.0);

    std::optional<platform::UUID> selected = old;
    int step = 1;
    auto wizard = host(std::make_shared<tessivane::SettingsSetupWizardView>(
        ui::Binding<std::optional<platform::UUID>>::to(selected), ui::Binding<int>::to(step), [] {}, [] {}));
    wizard->tree();
    settle();
    EXPECT_EQ(wizard->find(ui::byIdentifier("ui.newGroupName")).value(), "My Vossel");

    ASSERT_TRUE(wizard->find(ui::button("Choose icon\u2026")).click());
    settle();
    const std::filesystem::path other = home() / "other.png";
    std::filesystem::copy_file(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "MenuBarIcon.png", other);
    desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{other});
    ASSERT_TRUE(wizard->find(ui::button("From Mac\u2026")).click());
    finishBackgroundWork();
    settle();
    EXPECT_EQ(std::filesystem::file_size(tessivane::CustomGroupIconStore::shared().folder() / *oldFile), oldBytes);
    ASSERT_TRUE(wizard->pressEscape());
    settle();

    ASSERT_TRUE(wizard->find(ui::byIdentifier("ui.addGroup")).click());
    settle();
    ASSERT_EQ(store.groups().size(), 2u);
    EXPECT_EQ(storedVossel(present)->name, "Present");
    const tessivane::IconGroup made = store.groups().back();
    EXPECT_NE(made.id, old);
    // Hiding is applied anew for the environment the vossel was made in.
    EXPECT_EQ(desk().windowAlpha(quillpad), 1.0);
    EXPECT_EQ(selected, made.id);
    EXPECT_EQ(step, 2);
    ASSERT_TRUE(made.customIconFilename);
    EXPECT_EQ(*made.customIconFilename, made.id.uuidString() + ".png");
}

// Opened where vossels exist but none is selected: the wizard edits the first, stores each
// edit at once, and a tab ahead selects it.
TEST_F(SettingsTest, AWizardWithoutASelectionEditsTheFirstVosselAndATabSelectsIt) {
    grantAndDiscover();
    const platform::UUID first = makeVossel("Alpha").id;
    makeVossel("Beta");
    std::optional<platform::UUID> selected;
    int step = 1;
    auto wizard = host(std::make_shared<tessivane::SettingsSetupWizardView>(
        ui::Binding<std::optional<platform::UUID>>::to(selected), ui::Binding<int>::to(step), [] {}, [] {}));
    wizard->tree();
    settle();
    ui::Element name = wizard->find(ui::byIdentifier("ui.newGroupName"));
    EXPECT_EQ(name.value(), "Alpha");
    ASSERT_TRUE(name.type("Alpha Tools"));
    settle();
    EXPECT_EQ(storedVossel(first)->name, "Alpha Tools");
    EXPECT_EQ(appState().groupControllers().at(first)->statusItem()->button()->toolTip().rfind("Alpha Tools", 0), 0u);

    ASSERT_TRUE(wizard->find(ui::byText("Hide")).click());
    settle();
    EXPECT_EQ(step, 3);
    EXPECT_EQ(selected, first);
    EXPECT_EQ(appState().groupStore.groups().size(), 2u);
}

}  // namespace
}  // namespace settings_test
