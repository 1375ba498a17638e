// The symbol catalogue and the bundled assets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/TestHome.h"
#include "ui/Assets.h"
#include "ui/SymbolCatalogue.h"

namespace {

using namespace ui;

TEST(SymbolCatalogueTest, KnownNamesGiveASymbolImageAndUnknownNamesNothing) {
    auto gear = symbolImage("gearshape", 13, platform::SymbolWeight::semibold);
    ASSERT_TRUE(gear.has_value());
    EXPECT_EQ(gear->symbolName(), "gearshape");
    EXPECT_EQ(gear->symbolPointSize(), 13);
    EXPECT_EQ(gear->symbolWeight(), platform::SymbolWeight::semibold);
    EXPECT_GT(gear->size().width, 0);

    EXPECT_FALSE(symbolImage("no.such.symbol").has_value());
    EXPECT_FALSE(symbolImage("").has_value());
    EXPECT_FALSE(symbolImage("Gearshape").has_value());  // names are exact
}

TEST(SymbolCatalogueTest, CoversTheIconPickerAndTheTileKeywords) {
    const char* used[] = {
        "lock.shield.fill", "lock.fill", "key.fill", "shield.fill", "shield.lefthalf.filled", "checkmark.shield.fill",
        "hand.raised.fill", "eye.slash.fill", "hammer.fill", "terminal.fill", "chevron.left.forwardslash.chevron.right",
        "curlybraces", "cpu.fill", "memorychip.fill", "server.rack", "wrench.and.screwdriver.fill", "cloud.fill",
        "icloud.fill", "externaldrive.fill", "internaldrive.fill", "tray.full.fill", "archivebox.fill", "doc.fill",
        "folder.fill", "network", "wifi", "antenna.radiowaves.left.and.right", "globe", "link", "personalhotspot",
        "dot.radiowaves.left.and.right", "arrow.triangle.2.circlepath", "headphones", "speaker.wave.2.fill",
        "music.note", "play.circle.fill", "mic.fill", "video.fill", "camera.fill", "photo.fill", "calendar",
        "clock.fill", "checkmark.circle.fill", "list.bullet", "note.text", "bookmark.fill", "tag.fill", "paperclip",
        "message.fill", "envelope.fill", "phone.fill", "video.bubble.fill", "person.2.fill", "bell.fill",
        "megaphone.fill", "at", "star.fill", "heart.fill", "bolt.fill", "flame.fill", "sparkles", "gearshape.fill",
        "slider.horizontal.3", "square.grid.2x2.fill",
        // tiles and menus
        "battery.100", "moon.fill", "sun.max.fill", "keyboard.fill", "airplayvideo", "magnifyingglass", "switch.2",
        "waveform", "playpause.fill", "circle.lefthalf.filled", "rectangle.3.group.fill", "camera.viewfinder",
        "airplayaudio", "app.fill", "gearshape", "envelope", "heart", "power", "chevron.down", "chevron.left",
        "chevron.right", "checkmark", "plus", "arrow.clockwise", "arrow.down", "arrow.left.to.line", "lock.shield",
        "menubar.arrow.up.rectangle", "photo.on.rectangle.angled", "circle.slash", "exclamationmark.circle.fill",
        "exclamationmark.triangle.fill", "minus.circle.fill", "line.3.horizontal"};
    for (const char* name : used) EXPECT_TRUE(SymbolCatalogue::contains(name)) << name;

    // The 64 symbols of the picker are drawn with 64 different glyphs.
    std::set<std::string_view> glyphs;
    for (size_t i = 0; i < 64; ++i) glyphs.insert(*SymbolCatalogue::glyphName(used[i]));
    EXPECT_EQ(glyphs.size(), 64u);
}

TEST(SymbolCatalogueTest, EveryGlyphExistsInTheIconFont) {
    const std::filesystem::path list =
        "/usr/share/fonts-material-design-icons-iconfont/scss/_variables.scss";
    std::ifstream in(list);
    if (!in) GTEST_SKIP() << "the icon font's ligature list is not installed";
    std::set<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        auto open = line.find('"');
        auto close = line.find("\":", open + 1);
        if (open != std::string::npos && close != std::string::npos) names.insert(line.substr(open + 1, close - open - 1));
    }
    ASSERT_GT(names.size(), 1000u);
    for (const auto& e : SymbolCatalogue::entries()) EXPECT_TRUE(names.count(std::string(e.glyph))) << e.symbol << " -> " << e.glyph;
}

class AssetTest : public testsupport::TestHome {};

TEST_F(AssetTest, TheBundleHasTheMenuBarIconAndTheLogo) {
    auto icon = assetImage("MenuBarIcon");
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->assetName(), "MenuBarIcon");
    EXPECT_EQ(icon->size(), (platform::Size{18, 18}));
    auto logo = assetImage("AppLogo");
    ASSERT_TRUE(logo.has_value());
    EXPECT_EQ(logo->size().width, logo->size().height);
    ASSERT_TRUE(assetFile("AppLogo").has_value());
    EXPECT_EQ(assetFile("AppLogo")->extension(), ".svg");

    EXPECT_FALSE(assetImage("NoSuchAsset").has_value());
    EXPECT_FALSE(assetImage("../Info").has_value());
}

}  // namespace
