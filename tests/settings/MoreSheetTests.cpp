// The More settings page: its sections, the Accessibility row, the switches and the About
// block, on the default laptop scene.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "SettingsFixture.h"
#include "platform/Bundle.h"
#include "settings/SettingsMoreSheet.h"

namespace settings_test {
namespace {

using tessivane::SettingsMoreSheet;

class MoreSheetTest : public SettingsTest {
protected:
    std::unique_ptr<ui::Host> page() {
        auto h = host(std::make_shared<SettingsMoreSheet>([this] { ++dismissals; }));
        h->tree();
        return h;
    }
    static std::vector<std::string> sectionHeaders(ui::Host& host) {
        std::vector<std::string> headers;
        ui::Element form = host.find(ui::byText("Appearance")).parent();
        for (const auto& section : form.children()) headers.push_back(section.properties()["props"].value("header", ""));
        return headers;
    }
    int dismissals = 0;
};

TEST_F(MoreSheetTest, TheMenuBarSpaceSectionShowsOnlyWhileIconsAreLost) {
    appState().overflowHiddenCount = 0;
    auto sheet = page();
    EXPECT_EQ(sectionHeaders(*sheet), (std::vector<std::string>{"Appearance", "Vossels", "Access", "About"}));

    appState().overflowHiddenCount = 1;
    settle();
    EXPECT_EQ(sectionHeaders(*sheet),
              (std::vector<std::string>{"Appearance", "Vossels", "Access", "Menu bar space", "About"}));
    EXPECT_TRUE(sheet->find(ui::byText("+1 icons may be hidden by the notch or a short menu bar.")).exists());
    appState().overflowHiddenCount = 3;
    settle();
    EXPECT_TRUE(sheet->find(ui::byText("+3 icons may be hidden by the notch or a short menu bar.")).exists());

    EXPECT_TRUE(sheet->pressEscape());
    EXPECT_EQ(dismissals, 1);
}

TEST_F(MoreSheetTest, TheAccessibilityRowOffersHelpUntilTrustIsGranted) {
    auto sheet = page();
    EXPECT_FALSE(sheet->find(ui::byText("Granted")).exists());
    EXPECT_TRUE(sheet->find(ui::byText(platform::Bundle::main().bundlePath().string())).exists());
    ASSERT_TRUE(sheet->find(ui::button("Enable\u2026")).click());
    EXPECT_TRUE(desk().isAccessibilityPromptShown());
    EXPECT_TRUE(sheet->find(ui::button("Restart Tessivane")).exists());

    // Granted while the page is open: the row switches over on the next poll.
    desk().setAccessibilityTrusted(true);
    advance(1.1);
    settle();
    EXPECT_TRUE(sheet->find(ui::byText("Granted")).exists());
    EXPECT_FALSE(sheet->find(ui::button("Enable\u2026")).exists());
    EXPECT_FALSE(sheet->find(ui::button("Restart Tessivane")).exists());
    EXPECT_FALSE(sheet->find(ui::byText(platform::Bundle::main().bundlePath().string())).exists());

    // A page opened later reads the permission afresh, before any poll.
    desk().setAccessibilityTrusted(false);
    auto reopened = page();
    settle();
    EXPECT_FALSE(reopened->find(ui::byText("Granted")).exists());
    ASSERT_TRUE(reopened->find(ui::button("Restart Tessivane")).click());
    settle();
    EXPECT_EQ(desk().openedApplications(), std::vector<std::filesystem::path>{platform::Bundle::main().bundlePath()});
}

TEST_F(MoreSheetTest, TheSwitchesShowWhatTheSystemAndTheCoordinatorHold) {
    auto sheet = page();
    desk().setLoginItemsAllowed(false);
    ASSERT_TRUE(sheet->find(ui::toggle("Launch at login")).toggle());
    settle();
    EXPECT_EQ(sheet->find(ui::toggle("Launch at login")).isOn(), false);
    desk().setLoginItemsAllowed(true);
    ASSERT_TRUE(sheet->find(ui::toggle("Launch at login")).toggle());
    settle();
    EXPECT_EQ(sheet->find(ui::toggle("Launch at login")).isOn(), true);
    EXPECT_TRUE(appState().permissionManager.launchAtLoginEnabled.get());

    std::vector<bool> told;
    appState().onShareSystemInfoChanged = [&](bool value) { told.push_back(value); };
    ASSERT_TRUE(sheet->find(ui::toggle("Share anonymous device info")).toggle());
    settle();
    EXPECT_TRUE(appState().shareSystemInfoWithDeveloper.get());
    EXPECT_EQ(told, (std::vector<bool>{true}));
}

TEST_F(MoreSheetTest, TheAboutBlockShowsTheVersionChecksForUpdatesAndOpensTheLinks) {
    auto sheet = page();
    EXPECT_TRUE(sheet->find(ui::byText("Tessivane " + platform::Bundle::main().shortVersionString())).exists());
    // Without an update action the button does nothing.
    EXPECT_TRUE(sheet->find(ui::button("Check for Updates\u2026")).click());
    int checks = 0;
    appState().checkForUpdates = [&] { ++checks; };
    settle();
    EXPECT_TRUE(sheet->find(ui::button("Check for Updates\u2026")).click());
    EXPECT_EQ(checks, 1);

    // The product's own addresses: the site's root, its privacy and terms pages, the tip page.
    ASSERT_TRUE(sheet->find(ui::byText("Privacy")).click());
    ASSERT_TRUE(sheet->find(ui::byText("Website")).click());
    ASSERT_TRUE(sheet->find(ui::byText("Terms")).click());
    ASSERT_TRUE(sheet->find(ui::byText("Leave a Tip\u2026")).click());
    EXPECT_EQ(desk().openedURLs(),
              (std::vector<std::string>{"https://tessivane.app/privacy.html", "https://tessivane.app",
                                        "https://tessivane.app/terms.html", "https://ko-fi.com/tessivane"}));
    // The support link reads as the address it writes to.
    ui::Element support = sheet->find(ui::byText("support@tessivane.app"));
    ASSERT_TRUE(support.exists());
    EXPECT_EQ(support.properties()["props"].value("url", ""), "mailto:support@tessivane.app");
}

TEST_F(MoreSheetTest, ABundleWithoutAVersionShowsTheFallback) {
    const std::filesystem::path resources = home() / "Resources";
    std::filesystem::create_directories(resources);
    std::ifstream in(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "Info.plist");
    const std::string info((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex version("<key>CFBundleShortVersionString</key>\\s*<string>[^<]*</string>");
    // Present but not a string, then absent.
    std::ofstream(resources / "Info.plist")
        << std::regex_replace(info, version, "<key>CFBundleShortVersionString</key><integer>2</integer>");
    platform::Bundle::setMainResources(resources);
    EXPECT_EQ(SettingsMoreSheet::versionString(), "1.0.0");

    std::ofstream(resources / "Info.plist") << std::regex_replace(info, version, "");
    platform::Bundle::setMainResources(resources);
    EXPECT_EQ(SettingsMoreSheet::versionString(), "1.0.0");
    auto sheet = page();
    EXPECT_TRUE(sheet->find(ui::byText("Tessivane 1.0.0")).exists());
}

}  // namespace
}  // namespace settings_test
