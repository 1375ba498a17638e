// Colour strings, the menu bar image of a vossel and its icon inside views.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "StatusItemsTestSupport.h"
#include "model/CustomGroupIconStore.h"
#include "statusitems/ColoredSymbolView.h"
#include "statusitems/GroupAccentPalette.h"
#include "statusitems/GroupIconImage.h"
#include "statusitems/GroupIconView.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Color.h"
#include "ui/Host.h"

namespace {

using namespace tessivane;
using namespace statusitems_test;

class IconRenderingTest : public testsupport::TestHome {};

TEST(GroupAccentPaletteTest, ParsesSixHexDigitsAfterTrimmingTheEnds) {
    const auto teal = platform::Color::rgb255(20, 184, 166);
    for (const char* text : {"14B8A6", "#14B8A6", "14b8a6", " 14B8A6", "14B8A6\n", "\u00A0#14b8a6"}) {
        SCOPED_TRACE(text);
        auto color = GroupAccentPalette::nsColor(text);
        ASSERT_TRUE(color.has_value());
        EXPECT_EQ(*color, teal);
    }
    for (const char* text : {"14B8A", "14B8A6FF", "GGGGGG", "14 8A6", "", "#", "14B8A\u00E9"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(GroupAccentPalette::nsColor(text).has_value());
    }
    for (auto hex : GroupAccentPalette::hexColors) EXPECT_TRUE(GroupAccentPalette::nsColor(hex).has_value());
}

TEST(GroupAccentPaletteTest, MenuBarImageIsTintedOrATemplate) {
    auto pink = GroupAccentPalette::menuBarImage("star.fill", "FB7185");
    ASSERT_TRUE(pink.has_value());
    EXPECT_FALSE(pink->isTemplate());
    EXPECT_EQ(pink->tint(), platform::Color::rgb255(0xFB, 0x71, 0x85));
    EXPECT_EQ(pink->symbolName(), "star.fill");
    EXPECT_EQ(pink->symbolPointSize(), 13);
    EXPECT_EQ(pink->symbolWeight(), platform::SymbolWeight::semibold);

    // No colour of its own (empty or blank), or one that does not parse: drawn in the bar's colour.
    for (const char* colour : {"", "   ", "nonsense"}) {
        SCOPED_TRACE(colour);
        auto plain = GroupAccentPalette::menuBarImage("star.fill", colour);
        ASSERT_TRUE(plain.has_value());
        EXPECT_TRUE(plain->isTemplate());
        EXPECT_FALSE(plain->tint().has_value());
    }
    EXPECT_FALSE(GroupAccentPalette::menuBarImage("no.such.symbol", "FB7185").has_value());
}

TEST_F(IconRenderingTest, ACustomImageIsScaledForTheMenuBarUntilItsFileGoes) {
    IconGroup group = vossel("Photos", {}, "camera.fill", "FB7185");
    auto name = CustomGroupIconStore::shared().importImage(std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png",
                                                           group.id);
    ASSERT_TRUE(name.has_value());
    group.customIconFilename = name;

    auto image = GroupIconImage::menuBarImage(group);
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(image->isBitmap());
    EXPECT_FALSE(image->isTemplate());
    EXPECT_EQ(image->size().height, 18);
    EXPECT_GE(image->size().width, 18);

    // In a view the same file shows as an image.
    {
        ui::Host host(std::make_shared<GroupIconView>(group.symbolName, group.symbolColorHex, group.customIconFilename,
                                                      ui::Font::system(13)));
        auto shown = host.find(ui::byRole(ui::Role::image));
        ASSERT_TRUE(shown.exists());
        EXPECT_TRUE(shown.node()->data().image->image.has_value());
    }

    CustomGroupIconStore::shared().deleteFile(name);
    auto fallback = GroupIconImage::menuBarImage(group);
    ASSERT_TRUE(fallback.has_value());
    EXPECT_EQ(fallback->symbolName(), "camera.fill");
    ui::Host host(std::make_shared<GroupIconView>(group.symbolName, group.symbolColorHex, group.customIconFilename,
                                                  ui::Font::system(13)));
    EXPECT_EQ(host.find(ui::byRole(ui::Role::image)).node()->data().image->name, "camera.fill");
}

TEST_F(IconRenderingTest, AnUnknownSymbolWithoutCustomImageGivesNoImage) {
    IconGroup group = vossel("Odd", {}, "no.such.symbol");
    group.customIconFilename = "missing.png";
    EXPECT_FALSE(GroupIconImage::menuBarImage(group).has_value());
}

TEST_F(IconRenderingTest, ColouredSymbolsUsePaletteRenderingAndFallBackToTheLabelColour) {
    struct Case {
        const char* hex;
        ui::SymbolRendering rendering;
        platform::Color colour;
    };
    for (const Case& c : {Case{"60A5FA", ui::SymbolRendering::palette, platform::Color::rgb255(0x60, 0xA5, 0xFA)},
                          Case{"zzz", ui::SymbolRendering::palette, ui::Color::label()},
                          Case{"  ", ui::SymbolRendering::monochrome, platform::Color::primary()}}) {
        SCOPED_TRACE(c.hex);
        ui::Host host(std::make_shared<ColoredSymbolView>("star.fill", c.hex, ui::Font::system(13)));
        const auto* image = host.find(ui::byRole(ui::Role::image)).node();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->data().image->symbolRendering, c.rendering);
        EXPECT_EQ(image->data().foreground, c.colour);
    }
}

}  // namespace
