// The root of the settings window: which screen fills it, the covers over it, the focus id
// that selects a vossel, and the window itself.
#include <gtest/gtest.h>

#include "SettingsFixture.h"
#include "SettingsWindowFixture.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "model/UITestLaunch.h"
#include "onboarding/AccessibilityReapprovalInstructions.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "settings/SettingsView.h"
#include "ui/Environment.h"
#include "ui/RenderedNode.h"

namespace settings_test {
namespace {

namespace Guide = tessivane::AccessibilityReapprovalGuide;

// The first words of the "How hiding works" page.
const std::string kHidingIntroduction =
    "Apps you hide sit on the far side of the thin line, away from the clock. Your vossel stays beside the arrow, on "
    "the clock side, so you can open one app without showing everything.";
using tessivane::AccessibilityReapprovalInstructions;

class SettingsViewTest : public SettingsWindowTest {
protected:
    platform::UUID makeVossel(const std::string& name) {
        const platform::UUID id = platform::UUID::random();
        appState().groupStore.createGroup(name, "star.fill", std::nullopt, std::nullopt, id);
        appState().syncGroupStatusItems();
        return id;
    }
    bool wizardShown() { return text("Name this vossel").exists(); }
    bool editorShown() { return byID("ui.editVossel").exists() || text("No vossels yet").exists(); }
    bool reapprovalShown() { return text(AccessibilityReapprovalInstructions::title).exists(); }
    // The action of the first button at or under the element.
    static std::function<void()> actionOf(const ui::RenderedNode* node) {
        if (node->data().action) return node->data().action;
        for (const auto& child : node->children)
            if (auto action = actionOf(child.get())) return action;
        return {};
    }
    // Records that make the re-approval guidance due: onboarding done, Accessibility once
    // granted under some version, and not trusted now.
    static void recordLostTrust() {
        auto defaults = tessivane::UITestLaunch::defaults();
        defaults->set(std::string(Guide::hasCompletedOnboardingKey), true);
        defaults->set(std::string(Guide::grantedVersionKey), std::string("0.9"));
    }
};

TEST_F(SettingsViewTest, CoversOpenOverTheScreenWhichTakesNoInputUntilBackOrEscape) {
    launch();
    const platform::UUID id = makeVossel("VPN");
    appState().openSettings(id);
    settle();
    ASSERT_TRUE(editorShown());

    ASSERT_TRUE(click(button("How hiding works")));
    EXPECT_TRUE(text(kHidingIntroduction).exists());
    EXPECT_FALSE(byID("ui.deleteGroup").click());
    EXPECT_FALSE(byID("ui.group.VPN").rightClick());
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_TRUE(byID("ui.deleteGroup").click());
    settle();
    ASSERT_TRUE(window().find(ui::byRole(ui::Role::alert)).exists());
    EXPECT_TRUE(window().pressEscape());
    settle();

    ASSERT_TRUE(click(byID("ui.settings")));
    EXPECT_TRUE(text("Appearance").exists());
    EXPECT_FALSE(byID("ui.editVossel").click());
    ASSERT_TRUE(click(button("Back")));
    EXPECT_FALSE(text("Appearance").exists());
    EXPECT_TRUE(byID("ui.editVossel").exists());

    // The new-vossel cover: Escape leaves it, and the next opening starts afresh.
    ASSERT_TRUE(click(byID("ui.addVossel")));
    ASSERT_TRUE(byID("ui.newGroupName").type("Music"));
    EXPECT_FALSE(byID("ui.editVossel").click());
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_FALSE(byID("ui.newGroupName").exists());
    EXPECT_EQ(vossels().size(), 1u);
    ASSERT_TRUE(click(byID("ui.addVossel")));
    EXPECT_EQ(byID("ui.newGroupName").value(), "");
    ASSERT_TRUE(byID("ui.newGroupName").type("  Music "));
    settle();
    ASSERT_TRUE(click(byID("ui.addGroup")));
    ASSERT_TRUE(vosselNamed("Music"));
    EXPECT_EQ(vosselNamed("Music")->symbolName, "folder.fill");
    EXPECT_NE(statusItemOf(vosselNamed("Music")->id), nullptr);
    EXPECT_FALSE(byID("ui.newGroupName").exists());
    EXPECT_TRUE(text("Turn one on to put it in Music").exists());
}

TEST_F(SettingsViewTest, OfTwoCoversDueAtOnceOnlyTheFirstInOrderIsDrawn) {
    launch();
    appState().openSettings(makeVossel("VPN"));
    settle();
    // Taken while the editor is reachable, to ask for a second cover over the first.
    const auto openMore = actionOf(byID("ui.settings").node());
    const auto openHelp = actionOf(button("How hiding works").node());
    ASSERT_TRUE(openMore && openHelp);
    const std::string help = kHidingIntroduction;

    ASSERT_TRUE(click(byID("ui.addVossel")));
    openHelp();
    settle();
    EXPECT_TRUE(text(help).exists());
    EXPECT_FALSE(byID("ui.newGroupName").exists());
    openMore();
    settle();
    EXPECT_TRUE(text("Appearance").exists());
    EXPECT_FALSE(text(help).exists());
    // Each Back uncovers the next one down.
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_TRUE(text(help).exists());
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_TRUE(byID("ui.newGroupName").exists());
}

TEST_F(SettingsViewTest, MoreSettingsOverTheWizardKeepsItsReturnKeyAway) {
    launch();
    ASSERT_TRUE(wizardShown());
    ASSERT_TRUE(click(byID("ui.settings")));
    EXPECT_TRUE(text("Appearance").exists());
    EXPECT_FALSE(byID("ui.addGroup").click());
    EXPECT_FALSE(window().pressReturn());
    settle();
    EXPECT_TRUE(vossels().empty());
    EXPECT_TRUE(window().pressEscape());
    settle();
    EXPECT_FALSE(text("Appearance").exists());
    EXPECT_TRUE(wizardShown());
}

TEST_F(SettingsViewTest, AFocusIdSelectsItsVosselAndLeavesTheWizard) {
    launch();
    ASSERT_TRUE(wizardShown());
    makeVossel("VPN");
    const platform::UUID media = makeVossel("Media");
    settle();
    EXPECT_TRUE(wizardShown());

    appState().openSettings(media);
    settle();
    EXPECT_FALSE(wizardShown());
    EXPECT_TRUE(text("Turn one on to put it in Media").exists());
    EXPECT_EQ(appState().settingsFocusGroupID.get(), std::nullopt);

    // Without an id the window comes forward and keeps its selection.
    delegate().settingsWindow.window()->performClose();
    settle();
    appState().openSettings(std::nullopt);
    settle();
    EXPECT_TRUE(delegate().settingsWindow.window()->isVisible());
    EXPECT_TRUE(text("Turn one on to put it in Media").exists());
}

TEST_F(SettingsViewTest, TheWindowIsMadeOnceCentredOnlyThenAndOutlivesTheApplicationGoingBehind) {
    launch();
    auto window = delegate().settingsWindow.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->title(), "Tessivane");
    EXPECT_EQ(window->identifier(), "ui.settingsWindow");
    EXPECT_EQ(window->contentRect().size, (platform::Size{760, 560}));
    EXPECT_EQ(window->minSize(), (platform::Size{720, 520}));

    window->setFrame(platform::Rect{30, 40, 900, 700});
    window->performClose();
    settle();
    // Showing reads the permission afresh.
    desk().setAccessibilityTrusted(false);
    delegate().settingsWindow.show(appState(), std::nullopt);
    EXPECT_FALSE(appState().permissionManager.isAccessibilityTrusted.get());
    EXPECT_EQ(delegate().settingsWindow.window(), window);
    EXPECT_EQ(window->frame(), (platform::Rect{30, 40, 900, 700}));
    EXPECT_TRUE(window->isVisible());

    // A click on the bare desktop brings Finder to the front; the window stays where it was.
    settle();
    ASSERT_TRUE(platform::application().isActive());
    desk().click(platform::Point{1400, 60});
    settle();
    EXPECT_FALSE(platform::application().isActive());
    EXPECT_NE(desk().frontmostApp(), desk().selfPID());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(SettingsViewTest, TheReapprovalScreenReplacesEverythingUntilTrustReturns) {
    recordLostTrust();
    launch(false, {"tessivane"});
    desk().advance(1);  // the launch notice is due as well; nobody answers it
    delegate().openSettings(std::nullopt);
    settle();
    ASSERT_TRUE(reapprovalShown());
    EXPECT_FALSE(wizardShown());
    EXPECT_FALSE(editorShown());
    ASSERT_TRUE(click(button(AccessibilityReapprovalInstructions::enableTitle)));
    EXPECT_TRUE(desk().isAccessibilityPromptShown());

    desk().setAccessibilityTrusted(true);
    desk().advance(1.1);
    settle();
    EXPECT_FALSE(reapprovalShown());
    // Onboarding is complete and the environment is empty: the wizard comes next.
    EXPECT_TRUE(wizardShown());
}

TEST_F(SettingsViewTest, UnderUITestingTheReapprovalScreenNeverShows) {
    launch(false);
    recordLostTrust();  // into the isolated store the launch emptied
    ASSERT_TRUE(Guide::shouldShow(false));
    appState().objectWillChange.send();
    settle();
    EXPECT_FALSE(reapprovalShown());
    EXPECT_TRUE(wizardShown());
}

TEST_F(SettingsTest, UnderARightToLeftSystemTheSettingsStillRunLeftToRight) {
    desk().setLanguages({"he-IL"});
    ui::Host root(std::make_shared<tessivane::SettingsView>(),
                  ui::Environment{}.withObject(appState()).with<ui::LayoutDirectionKey>(ui::LayoutDirection::rightToLeft));
    ui::Element gear = root.find(ui::byIdentifier("ui.settings"));
    ASSERT_TRUE(gear.exists());
    EXPECT_EQ(gear.node()->environment.get<ui::LayoutDirectionKey>(), ui::LayoutDirection::leftToRight);
}

}  // namespace
}  // namespace settings_test
