// The shared settings components: the icon well, the environment menu, the preference
// pickers and the chip.
#include <gtest/gtest.h>

#include <algorithm>

#include "SettingsFixture.h"
#include "model/CustomGroupIconStore.h"
#include "model/UITestLaunch.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"
#include "settings/AppearanceModePicker.h"
#include "settings/EnvironmentMenuButton.h"
#include "settings/VosselChip.h"
#include "settings/VosselIconWell.h"
#include "settings/VosselOpenModePicker.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace settings_test {
namespace {


// What a well draws: its content node (symbol or image) and the colour of its square.
struct WellLook {
    ui::NodeKind kind;
    std::string symbol;
    double glyphSize = 0;
    std::optional<platform::Color> glyph;
    std::optional<ui::SymbolRendering> rendering;
    double imagePadding = 0;
    platform::Color well;
};

WellLook lookOf(const std::string& symbol, const std::string& color, std::optional<std::string> custom, double size) {
    ui::Host host(std::make_shared<tessivane::VosselIconWell>(symbol, color, custom, size));
    const ui::RenderedNode& root = host.tree();
    const ui::RenderedNode& content = *root.children.at(0);
    const ui::NodeData& d = content.data();
    WellLook look{d.kind, d.image ? d.image->name : "", d.font ? d.font->size : 0, d.foreground,
                  d.image ? d.image->symbolRendering : std::nullopt, 0, {}};
    for (const auto& m : d.modifiers) {
        if (m.kind == ui::Modifier::Kind::padding) look.imagePadding = m.insets.top;
        if (m.kind == ui::Modifier::Kind::background) look.well = *m.content->data().fill;
    }
    return look;
}

const platform::Color neutralWell = ui::Color::primary().opacity(0.08);
const platform::Color rose = platform::Color::rgb255(0xFB, 0x71, 0x85);

TEST_F(SettingsTest, AWellOf56PointsIsLargeAndOneJustBelowIsSmall) {
    WellLook large = lookOf("bolt.fill", "FB7185", std::nullopt, 56);
    EXPECT_DOUBLE_EQ(large.glyphSize, 56 * 0.42);
    EXPECT_EQ(large.glyph, ui::Color::white());
    EXPECT_EQ(large.well, rose);
    EXPECT_EQ(large.rendering, ui::SymbolRendering::monochrome);

    WellLook small = lookOf("bolt.fill", "FB7185", std::nullopt, 55.9);
    EXPECT_DOUBLE_EQ(small.glyphSize, 55.9 * 0.52);
    EXPECT_EQ(small.glyph, rose);
    EXPECT_EQ(small.well, neutralWell);
    EXPECT_EQ(small.rendering, ui::SymbolRendering::palette);

    // A colour of blanks is no colour; one that does not parse draws in the label colour.
    for (double size : {22.0, 96.0}) {
        WellLook blank = lookOf("bolt.fill", "  ", std::nullopt, size);
        EXPECT_EQ(blank.glyph, ui::Color::primary().opacity(0.92));
        EXPECT_EQ(blank.well, neutralWell);
        EXPECT_EQ(blank.rendering, ui::SymbolRendering::monochrome);
    }
    EXPECT_EQ(lookOf("bolt.fill", "nothex", std::nullopt, 96).well, ui::Color::label());
}

TEST_F(SettingsTest, AWellWithACustomImageShowsItOnTheNeutralSquareAndFallsBackToTheSymbol) {
    const platform::UUID id = platform::UUID::random();
    auto stored = tessivane::CustomGroupIconStore::shared().importImage(writeImage("logo.png"), id);
    ASSERT_TRUE(stored);
    WellLook image = lookOf("bolt.fill", "FB7185", stored, 60);
    EXPECT_EQ(image.kind, ui::NodeKind::image);
    EXPECT_EQ(image.symbol, "");  // a picture, not a symbol
    EXPECT_DOUBLE_EQ(image.imagePadding, 60 * 0.2);
    EXPECT_EQ(image.well, neutralWell);
    EXPECT_DOUBLE_EQ(lookOf("bolt.fill", "", stored, 40).imagePadding, 40 * 0.18);

    WellLook missing = lookOf("bolt.fill", "FB7185", "gone.png", 60);
    EXPECT_EQ(missing.symbol, "bolt.fill");
    EXPECT_EQ(missing.glyph, ui::Color::white());
    EXPECT_EQ(missing.well, neutralWell);
}

class EnvironmentMenuTest : public SettingsTest {
protected:
    std::vector<std::string> log;
    std::unique_ptr<ui::Host> menuHost = host(std::make_shared<tessivane::EnvironmentMenuButton>(
        [this] { log.push_back("selected"); }, [this] { log.push_back("add"); },
        [this](tessivane::EnvironmentProfile e) { log.push_back("rename " + e.name); },
        [this](tessivane::EnvironmentProfile e) { log.push_back("delete " + e.name); }));
    ui::Element menu() { return menuHost->find(ui::byRole(ui::Role::menu)); }
    const tessivane::EnvironmentProfile& environment(const std::string& name) {
        for (const auto& e : appState().groupStore.environments.get())
            if (e.name == name) return e;
        throw std::runtime_error("no environment " + name);
    }
};

TEST_F(EnvironmentMenuTest, OffersRenameWithOneEnvironmentAndDeleteOnlyWithTwo) {
    EXPECT_EQ(menu().text(), "Work");
    EXPECT_EQ(menu().help(), "Switch environment");
    EXPECT_EQ(menu().options(), (std::vector<std::string>{"Work", "Home", "Add environment\u2026",
                                                           "Rename \u201CWork\u201D\u2026",
                                                           "Delete \u201CWork\u201D\u2026"}));
    EXPECT_TRUE(menu().choose("Rename \u201CWork\u201D\u2026"));
    EXPECT_TRUE(menu().choose("Delete \u201CWork\u201D\u2026"));
    EXPECT_TRUE(menu().choose("Add environment\u2026"));
    EXPECT_EQ(log, (std::vector<std::string>{"rename Work", "delete Work", "add"}));

    appState().groupStore.deleteEnvironment(environment("Home").id);
    settle();
    EXPECT_EQ(menu().options(),
              (std::vector<std::string>{"Work", "Add environment\u2026", "Rename \u201CWork\u201D\u2026"}));

    appState().groupStore.activeEnvironmentID = std::nullopt;
    settle();
    EXPECT_EQ(menu().text(), "Environment");
    EXPECT_EQ(menu().options(), (std::vector<std::string>{"Work", "Add environment\u2026"}));
}

TEST_F(EnvironmentMenuTest, ChoosingAnEnvironmentSwitchesSyncsAppliesHidingAndCallsBack) {
    grantAndDiscover();
    makeVossel("Parcels", {"Parcelbird"});
    appState().applyHiding();
    const uint32_t parcelWindow = liveItem("Parcelbird").windowID;
    auto hidden = [&] {
        const auto& windows = appState().windowHiding.hiddenWindows();
        return std::find(windows.begin(), windows.end(), parcelWindow) != windows.end();
    };
    ASSERT_TRUE(hidden());
    ASSERT_EQ(appState().groupControllers().size(), 1u);

    EXPECT_TRUE(menu().choose("Home"));
    EXPECT_EQ(appState().groupStore.activeEnvironmentID.get(), environment("Home").id);
    EXPECT_TRUE(appState().groupControllers().empty());
    EXPECT_FALSE(hidden());
    EXPECT_EQ(log, std::vector<std::string>{"selected"});
    settle();
    EXPECT_EQ(menu().text(), "Home");
    EXPECT_TRUE(menu().click());
    EXPECT_EQ(menuHost->find(ui::menuItem("Home")).children().at(0).node()->data().symbol, "checkmark");
    EXPECT_EQ(menuHost->find(ui::menuItem("Work")).children().at(0).kind(), ui::NodeKind::text);

    EXPECT_TRUE(menu().choose("Work"));
    EXPECT_EQ(appState().groupControllers().size(), 1u);
    EXPECT_TRUE(hidden());
    // The active one runs the whole switch as well.
    EXPECT_TRUE(menu().choose("Work"));
    EXPECT_EQ(log, (std::vector<std::string>{"selected", "selected", "selected"}));
}

TEST_F(SettingsTest, TheOpenModePickerStoresTheChoiceAndShowsItFromThenOn) {
    const platform::UUID vossel = makeVossel("Notes").id;
    // The vossel's status item listens for the pointer only while hovering opens it.
    auto hoverAreas = [&] {
        return appState().groupControllers().at(vossel)->statusItem()->button()->trackingAreas().size();
    };
    ASSERT_EQ(hoverAreas(), 1u);
    auto pickerHost = host(std::make_shared<tessivane::VosselOpenModePicker>());
    auto picker = pickerHost->find(ui::byIdentifier("ui.openMode"));
    EXPECT_EQ(picker.find(ui::byRole(ui::Role::picker)).value(), "On hover");  // nothing stored yet
    EXPECT_TRUE(picker.choose("On click"));
    auto stored = tessivane::UITestLaunch::defaults()->object("Tessivane.HoverToOpen");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->asBool(), false);
    EXPECT_EQ(hoverAreas(), 0u);
    settle();
    EXPECT_EQ(pickerHost->find(ui::byRole(ui::Role::picker)).value(), "On click");
    EXPECT_TRUE(pickerHost->find(ui::byIdentifier("ui.openMode")).choose("On hover"));
    EXPECT_EQ(tessivane::UITestLaunch::defaults()->object("Tessivane.HoverToOpen")->asBool(), true);
    EXPECT_EQ(hoverAreas(), 1u);
}

TEST_F(SettingsTest, TheThemePickerAppliesAndStoresTheAppearance) {
    auto pickerHost = host(std::make_shared<tessivane::AppearanceModePicker>());
    auto picker = pickerHost->find(ui::byIdentifier("ui.appearance"));
    EXPECT_EQ(picker.role(), ui::Role::picker);
    EXPECT_EQ(picker.options(), (std::vector<std::string>{"System", "Light", "Dark"}));
    EXPECT_EQ(picker.value(), "System");
    EXPECT_TRUE(picker.choose("Dark"));
    EXPECT_EQ(platform::application().appearance(), std::optional<std::string>(platform::kAppearanceDarkAqua));
    EXPECT_EQ(tessivane::UITestLaunch::defaults()->stringForKey("Tessivane.Appearance"), "dark");
    settle();
    EXPECT_EQ(pickerHost->find(ui::byIdentifier("ui.appearance")).value(), "Dark");
    EXPECT_TRUE(pickerHost->find(ui::byIdentifier("ui.appearance")).choose("Light"));
    EXPECT_EQ(platform::application().appearance(), std::optional<std::string>(platform::kAppearanceAqua));
    EXPECT_TRUE(pickerHost->find(ui::byIdentifier("ui.appearance")).choose("System"));
    EXPECT_EQ(platform::application().appearance(), std::nullopt);
    EXPECT_EQ(tessivane::UITestLaunch::defaults()->stringForKey("Tessivane.Appearance"), "system");
}

TEST_F(SettingsTest, AChipOfAHiddenVosselIsFadedWhetherSelectedOrNot) {
    tessivane::IconGroup group;
    group.name = "Notes";
    group.symbolName = "note.text";
    int chosen = 0;
    auto opacityOf = [&](bool visible, bool selected) {
        group.isVisibleInMenuBar = visible;
        ui::Host chip(std::make_shared<tessivane::VosselChip>(group, selected, tessivane::VosselChip::Actions{.select = [&] { ++chosen; }}));
        auto button = chip.find(ui::byIdentifier("ui.group.Notes"));
        EXPECT_TRUE(button.click());
        double opacity = 1;
        for (const auto& m : chip.find(ui::button("Notes")).children().at(0).node()->data().modifiers)
            if (m.kind == ui::Modifier::Kind::opacity) opacity = m.amount;
        return opacity;
    };
    EXPECT_EQ(opacityOf(false, true), 0.5);
    EXPECT_EQ(opacityOf(false, false), 0.5);
    EXPECT_EQ(opacityOf(true, true), 1);
    EXPECT_EQ(chosen, 3);
}

}  // namespace
}  // namespace settings_test
