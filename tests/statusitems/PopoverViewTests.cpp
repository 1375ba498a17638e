// What a vossel's popover and the application menu show, and what their rows report.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "StatusItemsTestSupport.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "settings/SettingsTheme.h"
#include "statusitems/AppIconView.h"
#include "statusitems/AppMenuPopoverView.h"
#include "statusitems/GroupPopoverView.h"
#include "statusitems/MemberRow.h"
#include "statusitems/StatusMenuInsetDivider.h"
#include "statusitems/StatusMenuRow.h"
#include "statusitems/StatusMenuSymbolWell.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Host.h"

namespace {

using namespace tessivane;
using namespace statusitems_test;

class PopoverViewTest : public testsupport::TestHome {
protected:
    std::vector<MenuBarItemID> selected;
    std::vector<MenuBarItemID> secondary;
    int settingsOpened = 0;

    std::shared_ptr<GroupPopoverView> popover(IconGroup group, std::vector<DiscoveredMenuBarItem> members,
                                              bool isLocating = false) {
        return std::make_shared<GroupPopoverView>(
            std::move(group), std::move(members), isLocating, [this](const MenuBarItemID& id) { selected.push_back(id); },
            [this](const MenuBarItemID& id) { secondary.push_back(id); }, [this] { ++settingsOpened; });
    }
};

std::vector<DiscoveredMenuBarItem> numberedItems(int count) {
    std::vector<DiscoveredMenuBarItem> items;
    for (int i = 0; i < count; ++i) items.push_back(liveItem("App " + std::to_string(i), "Owner", std::nullopt, 100 + i));
    return items;
}

TEST_F(PopoverViewTest, ListsMembersInOrderAndScrollsFromEightOn) {
    for (int count : {1, 7, 8, 12}) {
        SCOPED_TRACE(count);
        ui::Host host(popover(vossel("Work", {storedID("x")}), numberedItems(count)));
        const auto& tree = host.tree();
        const auto rows = viewsOf<MemberRow>(tree);
        ASSERT_EQ(rows.size(), static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(texts(*rows[static_cast<size_t>(i)]).back(), "App " + std::to_string(i));
        }
        // A divider between rows, none under the last.
        EXPECT_EQ(viewsOf<StatusMenuInsetDivider>(tree).size(), static_cast<size_t>(count - 1));

        const auto scrolls = host.findAll(ui::byRole(ui::Role::scrollView));
        ASSERT_EQ(scrolls.size(), count >= 8 ? 1u : 0u);
        if (count >= 8) {
            std::optional<double> maxHeight;
            for (const auto& m : scrolls[0].node()->data().modifiers) {
                if (m.kind == ui::Modifier::Kind::frame && m.frame->maxHeight) maxHeight = m.frame->maxHeight;
            }
            EXPECT_EQ(maxHeight, 280);
        }
    }
}

TEST_F(PopoverViewTest, TheSameItemTwiceShowsTwoRows) {
    auto item = liveItem("Dropbox");
    ui::Host host(popover(vossel("Sync", {storedID("Dropbox"), storedID("Dropbox", "Other")}), {item, item}));
    EXPECT_EQ(host.findAll(ui::byText("Dropbox")).size(), 2u);
}

TEST_F(PopoverViewTest, ARowReportsTheLiveWindowAndLeftEdge) {
    auto live = liveItem("Weather", "Weatherly", std::string("com.example.weather"), 4242, 812.5);
    live.id.windowID = 17;
    live.id.frameMinX = 100;
    auto unknownWindow = liveItem("Clock", "Clock", std::nullopt, 0, 900);
    unknownWindow.id.windowID = 55;
    ui::Host host(popover(vossel("Work", {storedID("Weather"), storedID("Clock")}), {live, unknownWindow}));

    ASSERT_TRUE(host.find(ui::byText("Weather")).click());
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].windowID, 4242u);
    EXPECT_EQ(selected[0].frameMinX, 812.5);
    EXPECT_EQ(selected[0].title, "Weather");
    EXPECT_EQ(selected[0].bundleIdentifier, "com.example.weather");

    // A live window number of 0 keeps the stored one; the left edge is always the live one.
    ASSERT_TRUE(host.find(ui::byText("Clock")).rightClick());
    ASSERT_TRUE(host.find(ui::byText("Clock")).controlClick());
    ASSERT_EQ(secondary.size(), 2u);
    EXPECT_EQ(secondary[0].windowID, 55u);
    EXPECT_EQ(secondary[0].frameMinX, 900);
    EXPECT_EQ(selected.size(), 1u);

    EXPECT_EQ(viewsOf<MemberRow>(host.tree()).size(), 2u);
    EXPECT_EQ(host.find(ui::byText("Weather")).parent().exists(), true);
}

TEST_F(PopoverViewTest, EmptyAndLocatingStatesHaveTheirTexts) {
    {
        ui::Host host(popover(vossel("Work", {storedID("Gone")}), {}, true));
        EXPECT_TRUE(host.find(ui::byText("Finding menu bar apps…")).exists());
        EXPECT_TRUE(host.find(ui::byText("The icon is on the bar. Matching it to this vossel.")).exists());
        EXPECT_EQ(host.findAll(ui::byRole(ui::Role::progress)).size(), 1u);
    }
    {
        ui::Host host(popover(vossel("Work", {storedID("Gone")}), {}, false));
        EXPECT_TRUE(host.find(ui::byText("No menu bar apps right now")).exists());
        EXPECT_TRUE(host.find(ui::byText("Apps you turned on stay in this vossel. They appear here again when their "
                                         "icon is in the menu bar."))
                        .exists());
        ASSERT_TRUE(host.find(ui::button("Open Settings…")).click());
        EXPECT_EQ(settingsOpened, 1);
    }
    {
        // Without member identities there is nothing to locate, whatever the flag says.
        ui::Host host(popover(vossel("Home"), {}, true));
        EXPECT_FALSE(host.find(ui::byText("Finding menu bar apps…")).exists());
        EXPECT_TRUE(host.find(ui::byText("This vossel is empty")).exists());
        EXPECT_TRUE(
            host.find(ui::byText("Turn apps on in Settings, then ⌘-drag them past the | line, away from the clock."))
                .exists());
        ASSERT_TRUE(host.find(ui::button("Add apps…")).click());
        EXPECT_EQ(settingsOpened, 2);
    }
}

TEST_F(PopoverViewTest, HeaderShowsTheNameAndAGearThatOpensSettings) {
    ui::Host host(popover(vossel("Studio", {}, "music.note", "FB7185"), {}));
    EXPECT_TRUE(host.find(ui::byText("Studio")).exists());
    auto gear = host.find(ui::byRole(ui::Role::button));
    ASSERT_TRUE(gear.exists());
    EXPECT_EQ(gear.help(), "Open Settings");
    ASSERT_TRUE(gear.click());
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(host.fittingSize().width, 260);
}

TEST_F(PopoverViewTest, HoveringARowTintsItWithTheAccent) {
    auto row = std::make_shared<StatusMenuRow>("globe", "Website", std::nullopt, [] {});
    ui::Host host(row);
    EXPECT_EQ(firstBackground(host.tree()), platform::Color::clear());

    host.find(ui::byText("Website")).hover();
    advance(0);
    EXPECT_EQ(firstBackground(host.tree()), SettingsTheme::accent().opacity(0.16));

    host.find(ui::byText("Website")).unhover();
    advance(0);
    EXPECT_EQ(firstBackground(host.tree()), platform::Color::clear());

    // A vossel's member rows too.
    ui::Host members(popover(vossel("Work", {storedID("Weather")}), {liveItem("Weather")}));
    auto memberRow = [&] { return viewsOf<MemberRow>(members.tree()).at(0); };
    EXPECT_EQ(firstBackground(*memberRow()), platform::Color::clear());
    members.find(ui::byText("Weather")).hover();
    advance(0);
    EXPECT_EQ(firstBackground(*memberRow()), SettingsTheme::accent().opacity(0.16));
}

TEST_F(PopoverViewTest, ApplicationMenuShowsSevenCommandsInOrder) {
    std::vector<std::string> ran;
    auto command = [&ran](std::string name) { return [&ran, name] { ran.push_back(name); }; };
    ui::Host host(std::make_shared<AppMenuPopoverView>(AppMenuPopoverView::Commands{
        command("settings"), command("tour"), command("updates"), command("website"), command("support"),
        command("tip"), command("quit")}));

    const auto rows = viewsOf<StatusMenuRow>(host.tree());
    ASSERT_EQ(rows.size(), 7u);
    const std::vector<std::vector<std::string>> expected = {
        {"Settings…", "⌘,"}, {"Welcome Tour…"}, {"Check for Updates…"}, {"Website"},
        {"Email Support…"},  {"Leave a Tip…"},  {"Quit Tessivane", "⌘Q"}};
    const std::vector<std::string> symbols = {"gearshape", "sparkles", "arrow.triangle.2.circlepath", "globe",
                                              "envelope",  "heart",    "power"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(texts(*rows[i]), expected[i]);
        const auto wells = viewsOf<StatusMenuSymbolWell>(*rows[i]);
        ASSERT_EQ(wells.size(), 1u);
        ASSERT_TRUE(host.element(wells[0]->id).find(ui::byRole(ui::Role::image)).exists());
        EXPECT_EQ(host.element(wells[0]->id).find(ui::byRole(ui::Role::image)).node()->data().image->name, symbols[i]);
    }
    EXPECT_TRUE(host.find(ui::byText("Tessivane")).exists());
    // Hints are text only: the popover binds no key.
    EXPECT_FALSE(host.pressKey("q"));

    host.find(ui::byText("Quit Tessivane")).click();
    host.find(ui::button("Welcome Tour…")).click();
    EXPECT_EQ(ran, (std::vector<std::string>{"quit", "tour"}));
}

TEST(AppIconSymbols, KeywordsAreFoundInsideTitlesThenOwners) {
    EXPECT_EQ(AppIconView::symbolName("WI-FI", ""), "wifi");
    EXPECT_EQ(AppIconView::symbolName("Software Update", "Updater"), "clock.fill");
    // An empty title, or one equal to the owner, falls back to the owner name.
    EXPECT_EQ(AppIconView::symbolName("", "Control Centre"), "switch.2");
    EXPECT_EQ(AppIconView::symbolName("focus helper", "Focus Helper"), "moon.fill");
    // A distinct title that matches nothing gets no symbol, whatever the owner says.
    EXPECT_EQ(AppIconView::symbolName("Weather", "Bluetooth Tool"), std::nullopt);
    // Rows are tried in order: sound comes before display.
    EXPECT_EQ(AppIconView::mappedSymbol("Display Sound"), "speaker.wave.2.fill");
    EXPECT_EQ(AppIconView::mappedSymbol(""), std::nullopt);
}

// Running applications with icons of their own, one of them known by its bundle.
class AppIconTest : public testsupport::TestHome {
protected:
    void SetUp() override {
        for (const char* name : {"Alpha", "Beta"}) {
            platform::RunningApplication app;
            app.processIdentifier = static_cast<int32_t>(300 + workspace.apps.size());
            app.localizedName = name;
            app.bundleURL = std::string("/Applications/") + name + ".app";
            app.icon = platform::Image::asset(std::string(name) + "Icon", {32, 32});
            workspace.apps.push_back(app);
        }
        workspace.knownApplications.push_back({"com.alpha", "/Applications/Alpha.app"});
        // A process that reports no icon of its own, and another copy of its bundle that does.
        platform::RunningApplication helper;
        helper.processIdentifier = 310;
        helper.localizedName = "Gamma Helper";
        helper.bundleURL = "/Applications/Gamma.app";
        workspace.apps.push_back(helper);
        helper.processIdentifier = 311;
        helper.localizedName = "Gamma";
        helper.icon = platform::Image::asset("GammaIcon", {32, 32});
        workspace.apps.push_back(helper);
        platform::Services services = saved_;
        services.workspace = &workspace;
        platform::install(services);
    }
    void TearDown() override { platform::install(saved_); }

    // What the tile of an icon without a symbol shows: an application icon's asset, or the symbol.
    static std::string shown(std::optional<std::string> bundle, std::string owner) {
        ui::Host host(std::make_shared<AppIconView>(std::move(bundle), std::move(owner), "Tracker"));
        auto image = host.find(ui::byRole(ui::Role::image));
        if (!image.exists()) return "nothing";
        const ui::ImageContent& content = *image.node()->data().image;
        return content.image ? content.image->assetName() : content.name;
    }

    platform::InMemoryWorkspace workspace;

private:
    platform::Services saved_ = platform::services();
};

TEST_F(AppIconTest, AnIconWithoutASymbolShowsItsApplicationsIconElseTheGenericTile) {
    const struct {
        std::optional<std::string> bundle;
        std::string owner;
        std::string expected;
    } cases[] = {
        {"com.alpha", "alphad", "AlphaIcon"},  // the bundle decides, whatever the owner is called
        {std::nullopt, "Beta", "BetaIcon"},    // by owner name: that application's, no other's
        {"com.unknown", "Beta", "BetaIcon"},   // a bundle nobody knows leaves the owner name
        {std::nullopt, "Gamma Helper", "GammaIcon"},  // no icon of its own: its bundle's
        {std::nullopt, "Nobody", "app.fill"},
        {"com.unknown", "Nobody", "app.fill"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bundle.value_or("no bundle") + " / " + c.owner);
        EXPECT_EQ(shown(c.bundle, c.owner), c.expected);
    }
}

}  // namespace
