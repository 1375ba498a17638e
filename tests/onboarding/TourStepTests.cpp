// The tour's steps in the cases a first run does not meet: vossels already there, a vossel
// deleted meanwhile, no permission, no icons, the icon picker, and a tour outside its window.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "TourFixture.h"
#include "app/AccessibilityReapprovalGuide.h"
#include "desktop/Scene.h"
#include "model/UITestLaunch.h"
#include "platform/BackgroundQueue.h"
#include "platform/OpenPanel.h"
#include "platform/UserDefaults.h"
#include "settings/IconPickerButton.h"

namespace onboardingtest {
namespace {

class TourStepTest : public TourOnDesktop {
protected:
    std::string memberStepTitle(const std::string& name) { return "Put apps in “" + name + "”"; }
    size_t toggleCount() { return tour().findAll(ui::byRole(ui::Role::toggle)).size(); }
    // The first button of the tour with that help text.
    ui::Element buttonWithHelp(const std::string& help) {
        for (const auto& b : tour().findAll(ui::byRole(ui::Role::button))) {
            if (b.help() == help) return b;
        }
        return {};
    }
    // From the welcome step to the name step's icon picker, naming the vossel `name`.
    void openIconPickerNaming(const std::string& name) {
        launchToTour();
        ASSERT_TRUE(press("Next"));
        ASSERT_TRUE(press("Next"));
        ASSERT_TRUE(tour().find(ui::byRole(ui::Role::textField)).type(name));
        desktop().advance(0);
        ASSERT_TRUE(buttonWithHelp(tessivane::IconPickerButton::helpText).click());
        desktop().advance(0);
    }
};

TEST_F(TourStepTest, WithAVosselAlreadyThereTheTourMakesNone) {
    launchToTour();
    desktop().setAccessibilityTrusted(true);
    makeVossel("Dev", {});
    ASSERT_NO_FATAL_FAILURE(walkToMembers("Fresh"));
    ASSERT_EQ(appState().groupStore.groups().size(), 1u);
    EXPECT_EQ(appState().groupStore.groups()[0].name, "Dev");
    EXPECT_TRUE(tour().find(ui::byText(memberStepTitle("Dev"))));
    EXPECT_GT(toggleCount(), 0u);
}

TEST_F(TourStepTest, AVosselDeletedMeanwhileIsMadeAgainUnderTheSameID) {
    launchToTour();
    desktop().setAccessibilityTrusted(true);
    ASSERT_NO_FATAL_FAILURE(walkToMembers("VPN"));
    const platform::UUID id = tourView().onboardingGroupID();
    appState().groupStore.deleteGroup(id);
    desktop().advance(0.1);
    // The title falls back to the typed name, and there is no vossel to list icons for.
    EXPECT_TRUE(tour().find(ui::byText(memberStepTitle("VPN"))));
    EXPECT_EQ(toggleCount(), 0u);

    ASSERT_TRUE(press("Back"));
    ASSERT_TRUE(tour().find(ui::byRole(ui::Role::textField)).type("Renamed"));
    desktop().advance(0);
    ASSERT_TRUE(press("Next"));
    ASSERT_EQ(appState().groupStore.groups().size(), 1u);
    EXPECT_EQ(appState().groupStore.groups()[0].id, id);
    EXPECT_EQ(appState().groupStore.groups()[0].name, "Renamed");
    EXPECT_GT(toggleCount(), 0u);
}

TEST_F(TourStepTest, WithoutPermissionTheMemberStepOnlyHints) {
    launchToTour();
    ASSERT_NO_FATAL_FAILURE(walkToMembers("VPN"));
    EXPECT_TRUE(tour().find(ui::byText("Enable Accessibility on the previous step to see apps here.")));
    EXPECT_FALSE(tour().find(ui::byText("No icons found yet.")));
    EXPECT_EQ(toggleCount(), 0u);
    // The vossel is made all the same.
    EXPECT_EQ(appState().groupStore.groups().size(), 1u);
}

TEST_F(TourStepTest, WithNoIconsTheMemberStepOffersARescan) {
    load(desktop::Scene::minimal());
    launch();
    desktop().advance(0.6);
    ASSERT_TRUE(isWindowShown());
    desktop().setAccessibilityTrusted(true);
    ASSERT_NO_FATAL_FAILURE(walkToMembers("VPN"));
    EXPECT_TRUE(tour().find(ui::byText("No icons found yet.")));
    EXPECT_EQ(toggleCount(), 0u);

    desktop::SceneApplication app;
    app.pid = 900;
    app.name = "Kettle";
    app.bundleIdentifier = "io.kettle.Kettle";
    desktop::SceneStatusItem item;
    item.description = "Kettle";
    app.statusItems.push_back(item);
    desktop().launchApp(app);
    ASSERT_TRUE(press("Refresh"));
    desktop().advance(0.1);
    EXPECT_FALSE(tour().find(ui::byText("No icons found yet.")));
    EXPECT_EQ(toggleCount(), 1u);

    // Coming back to the step rescans, and makes the vossel deleted meanwhile again.
    const platform::UUID id = tourView().onboardingGroupID();
    ASSERT_TRUE(press("Next"));
    app.pid = 901;
    app.name = "Teapot";
    app.bundleIdentifier = "io.teapot.Teapot";
    app.statusItems[0].description = "Teapot";
    desktop().launchApp(app);
    appState().groupStore.deleteGroup(id);
    ASSERT_TRUE(press("Back"));
    EXPECT_EQ(toggleCount(), 2u);
    ASSERT_EQ(appState().groupStore.groups().size(), 1u);
    EXPECT_EQ(appState().groupStore.groups()[0].id, id);
}

TEST_F(TourStepTest, TheIconPickerCoversTheWholeTour) {
    ASSERT_NO_FATAL_FAILURE(openIconPickerNaming("Cloud"));
    ASSERT_TRUE(tour().find(ui::byText("Choose icon")));
    // Nothing of the tour below answers, the footer included.
    for (const char* title : {"Next", "Skip"}) EXPECT_TRUE(tour().find(ui::button(title)).isDisabled()) << title;
    EXPECT_FALSE(tour().pressReturn());
    EXPECT_EQ(step(), 2);

    ASSERT_TRUE(buttonWithHelp("cloud.fill").click());
    ASSERT_TRUE(tour().pressEscape());
    desktop().advance(0);
    EXPECT_FALSE(tour().find(ui::byText("Choose icon")));
    ASSERT_TRUE(press("Next"));
    ASSERT_EQ(appState().groupStore.groups().size(), 1u);
    EXPECT_EQ(appState().groupStore.groups()[0].symbolName, "cloud.fill");
    EXPECT_EQ(appState().groupStore.groups()[0].name, "Cloud");
}

TEST_F(TourStepTest, TheOpenPanelIsModalAndItsImageEndsUpOnTheVossel) {
    ASSERT_NO_FATAL_FAILURE(openIconPickerNaming("Cloud"));
    const std::filesystem::path image = home() / "logo.png";
    std::filesystem::copy_file(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png", image);
    // The tour's own Back stands first, shut off under the picker.
    auto pickerBack = [&] { return tour().findAll(ui::button("Back")).back(); };
    bool panelShown = false;
    desktop().setOpenPanelHandler([&](desktop::Desktop& d, const platform::OpenPanel&) {
        panelShown = true;
        // Behind the panel the picker's Back and a click on the window do nothing.
        EXPECT_FALSE(pickerBack().click());
        const int beeps = d.beepCount();
        d.click(platform::Point{window()->frame().midX(), window()->frame().minY() + 5});
        EXPECT_EQ(d.beepCount(), beeps + 1);
        EXPECT_TRUE(d.answerOpenPanel(std::vector<std::filesystem::path>{image}));
    });
    ASSERT_TRUE(tour().find(ui::button("From Mac\u2026")).click());
    ASSERT_TRUE(panelShown);
    platform::BackgroundQueue::shared().waitUntilIdle();
    desktop().advance(0);
    EXPECT_TRUE(tour().find(ui::byText("Choose icon")));
    ASSERT_TRUE(pickerBack().click());
    desktop().advance(0);
    ASSERT_TRUE(press("Next"));
    ASSERT_EQ(appState().groupStore.groups().size(), 1u);
    EXPECT_EQ(appState().groupStore.groups()[0].customIconFilename,
              tourView().onboardingGroupID().uuidString() + ".png");
}

TEST_F(TourStepTest, OutsideItsWindowFinishingClosesNothing) {
    launchToTour();
    // Hosted as a right-to-left system would host it: the tour still runs left to right.
    ui::Host loose(std::make_shared<tessivane::OnboardingView>(),
                   ui::Environment{}.withObject(appState()).with<ui::LayoutDirectionKey>(ui::LayoutDirection::rightToLeft));
    EXPECT_EQ(loose.find(ui::button("Skip")).node()->environment.get<ui::LayoutDirectionKey>(),
              ui::LayoutDirection::leftToRight);
    ASSERT_TRUE(loose.find(ui::button("Skip")).click());
    desktop().advance(1);
    EXPECT_TRUE(tessivane::UITestLaunch::defaults()->boolForKey(
        std::string(tessivane::AccessibilityReapprovalGuide::hasCompletedOnboardingKey)));
    EXPECT_TRUE(isWindowShown());
    // A new tour starts at the beginning with a vossel id of its own.
    EXPECT_EQ(step(), 0);
    EXPECT_NE(dynamic_cast<tessivane::OnboardingView&>(loose.rootView()).onboardingGroupID(),
              tourView().onboardingGroupID());
}

}  // namespace
}  // namespace onboardingtest
