// The icon picker: its search, the colour row, choosing symbols, and images imported from
// the Mac through the open panel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SettingsFixture.h"
#include "model/CustomGroupIconStore.h"
#include "platform/OpenPanel.h"
#include "settings/IconColorPickerRow.h"
#include "settings/IconPickerButton.h"
#include "settings/IconPickerCatalog.h"
#include "settings/IconPickerView.h"
#include "settings/SettingsTheme.h"
#include "support/BackgroundHold.h"
#include "support/TestPictures.h"
#include "ui/Nodes.h"

namespace settings_test {
namespace {

using tessivane::CustomGroupIconStore;
using tessivane::IconPickerCatalog::Category;
using tessivane::IconPickerCatalog::filteredCategories;

// The values a caller of the picker keeps.
class PickerHarness : public ui::View {
public:
    ui::State<std::string> symbol{this, "folder.fill"};
    ui::State<std::string> color{this, ""};
    ui::State<std::optional<std::string>> custom{this, std::nullopt};
    platform::UUID groupID = platform::UUID::random();
    ui::Node body() override {
        return ui::view<tessivane::IconPickerView>(symbol.binding(), color.binding(), custom.binding(), groupID);
    }
};

std::vector<std::string> titles(const std::vector<Category>& categories) {
    std::vector<std::string> out;
    for (const auto& c : categories) out.push_back(c.title);
    return out;
}

// The stroke laid over a control's label: the ring of a swatch, the edge of a cell.
platform::Color labelStroke(const ui::Element& control) {
    for (const auto& m : control.children().at(0).node()->data().modifiers) {
        if (m.kind == ui::Modifier::Kind::overlay && m.content) return m.content->data().strokeColor.value_or(platform::Color{});
    }
    return platform::Color{};
}
bool isRinged(const ui::Element& swatch) { return labelStroke(swatch).alpha > 0; }
// A chosen cell has no edge.
bool isChosen(const ui::Element& cell) { return labelStroke(cell).alpha == 0; }

class IconPickerTest : public SettingsTest {
protected:
    std::shared_ptr<PickerHarness> picker = std::make_shared<PickerHarness>();
    ui::Host pickerHost{picker};

    std::vector<std::filesystem::path> storedFiles() {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(CustomGroupIconStore::shared().folder(), error))
            files.push_back(entry.path().filename());
        return files;
    }
    void importAnswering(std::optional<std::filesystem::path> file) {
        if (file) {
            desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{*file});
        } else {
            desk().queueOpenPanelAnswer(std::nullopt);
        }
        EXPECT_TRUE(pickerHost.find(ui::button("From Mac\u2026")).click());
        finishBackgroundWork();
    }
};

TEST(IconPickerCatalogTest, SearchMatchesSymbolNamesAndWholeCategoriesByTitle) {
    auto lock = filteredCategories("  LOCK \n");
    ASSERT_EQ(titles(lock), (std::vector<std::string>{"Security & VPN", "Productivity"}));
    EXPECT_EQ(lock[0].symbols, (std::vector<std::string>{"lock.shield.fill", "lock.fill"}));
    EXPECT_EQ(lock[1].symbols, std::vector<std::string>{"clock.fill"});
    EXPECT_EQ(lock[0].id, "security");

    auto vpn = filteredCategories("vpn");
    ASSERT_EQ(titles(vpn), std::vector<std::string>{"Security & VPN"});
    EXPECT_EQ(vpn[0].symbols.size(), 8u);
    auto dev = filteredCategories("dev");  // the title, not the id "dev"
    ASSERT_EQ(titles(dev), std::vector<std::string>{"Development"});
    EXPECT_EQ(dev[0].symbols.size(), 8u);

    auto video = filteredCategories("video");
    ASSERT_EQ(titles(video), (std::vector<std::string>{"Media", "Communication"}));
    EXPECT_EQ(video[0].symbols, std::vector<std::string>{"video.fill"});
    EXPECT_EQ(video[1].symbols, std::vector<std::string>{"video.bubble.fill"});

    auto at = filteredCategories("at");
    ASSERT_EQ(titles(at), (std::vector<std::string>{"Network", "Communication"}));
    EXPECT_EQ(at[0].symbols, std::vector<std::string>{"arrow.triangle.2.circlepath"});
    EXPECT_EQ(at[1].symbols.size(), 8u);

    EXPECT_TRUE(filteredCategories("zzz").empty());
    EXPECT_EQ(filteredCategories("   "), tessivane::IconPickerCatalog::categories());
}

TEST_F(IconPickerTest, SearchingNarrowsTheGridAndSaysSoWhenNothingMatches) {
    EXPECT_EQ(pickerHost.findAll(ui::byRole(ui::Role::button)).size(), 64u + 1 + 6 + 1);  // cells, swatches, import
    pickerHost.find(ui::byText("Search icons\u2026")).type("video");
    advance(0);
    EXPECT_TRUE(pickerHost.find(ui::button("video.fill")).exists());
    EXPECT_TRUE(pickerHost.find(ui::button("video.bubble.fill")).exists());
    EXPECT_FALSE(pickerHost.find(ui::button("camera.fill")).exists());

    pickerHost.find(ui::byRole(ui::Role::textField)).type("zzz");
    advance(0);
    auto none = pickerHost.find(ui::byText("No icons found"));
    ASSERT_TRUE(none.exists());
    EXPECT_EQ(none.node()->data().detail, "Try a different search term.");
    EXPECT_EQ(none.node()->data().symbol, "magnifyingglass");
}

TEST_F(IconPickerTest, ChoosingACellSelectsItsSymbolAndDeletesACustomImage) {
    EXPECT_TRUE(isChosen(pickerHost.find(ui::button("folder.fill"))));
    EXPECT_FALSE(pickerHost.find(ui::button("Use symbol")).exists());

    importAnswering(writeImage("logo.png"));
    const std::string expected = picker->groupID.uuidString() + ".png";
    ASSERT_EQ(picker->custom.get(), expected);
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{expected});
    EXPECT_EQ(picker->symbol.get(), "folder.fill");  // the symbol is kept for later
    EXPECT_FALSE(isChosen(pickerHost.find(ui::button("folder.fill"))));
    EXPECT_TRUE(pickerHost.find(ui::button("Use symbol")).exists());

    EXPECT_TRUE(pickerHost.find(ui::button("bolt.fill")).click());
    advance(0);
    EXPECT_EQ(picker->custom.get(), std::nullopt);
    EXPECT_EQ(picker->symbol.get(), "bolt.fill");
    EXPECT_TRUE(storedFiles().empty());
    EXPECT_TRUE(isChosen(pickerHost.find(ui::button("bolt.fill"))));
    EXPECT_FALSE(isChosen(pickerHost.find(ui::button("folder.fill"))));

    importAnswering(writeImage("logo.png"));
    EXPECT_TRUE(pickerHost.find(ui::button("Use symbol")).click());
    advance(0);
    EXPECT_EQ(picker->custom.get(), std::nullopt);
    EXPECT_EQ(picker->symbol.get(), "bolt.fill");
    EXPECT_TRUE(storedFiles().empty());
}

TEST_F(IconPickerTest, ImportingAgainReplacesTheVosselsOneFile) {
    std::vector<std::string> panel;
    desk().setOpenPanelHandler([&](desktop::Desktop& d, const platform::OpenPanel& p) {
        panel = {p.title, p.message, p.allowsMultipleSelection ? "multiple" : "single",
                 p.canChooseDirectories ? "folders" : "files"};
        panel.insert(panel.end(), p.allowedContentTypes.begin(), p.allowedContentTypes.end());
        d.answerOpenPanel(std::vector<std::filesystem::path>{home() / "first.png"});
    });
    writeImage("first.png");
    EXPECT_TRUE(pickerHost.find(ui::button("From Mac\u2026")).click());
    finishBackgroundWork();
    EXPECT_EQ(panel, (std::vector<std::string>{"Choose an icon", "Select a PNG, JPEG, PDF, or ICNS image.", "single",
                                               "files", "public.png", "public.jpeg", "public.heic", "com.adobe.pdf",
                                               "com.apple.icns", "public.image"}));
    desk().setOpenPanelHandler(nullptr);
    const std::string png = picker->groupID.uuidString() + ".png";
    ASSERT_EQ(picker->custom.get(), png);

    importAnswering(writeImage("second.PNG"));
    EXPECT_EQ(picker->custom.get(), png);
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{png});

    importAnswering(writeImage("third.jpg"));
    const std::string jpg = picker->groupID.uuidString() + ".jpg";
    EXPECT_EQ(picker->custom.get(), jpg);
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{jpg});
}

TEST_F(IconPickerTest, AFailedImportBeepsAndChangesNothingAndACancelledOneIsSilent) {
    importAnswering(writeImage("logo.png"));
    const auto before = picker->custom.get();
    ASSERT_TRUE(before.has_value());
    const auto shown = CustomGroupIconStore::shared().image(before);  // as the vossel's well shows it
    ASSERT_TRUE(shown);
    int beeps = desk().beepCount();

    importAnswering(home() / "missing.gif");
    EXPECT_EQ(desk().beepCount(), ++beeps);
    EXPECT_EQ(picker->custom.get(), before);
    EXPECT_EQ(picker->symbol.get(), "folder.fill");
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{*before});

    // A damaged or cut-short image under the same name is not an import either: the good one stays.
    std::vector<testsupport::NamedBytes> damaged = testsupport::cutShortImages();
    damaged.push_back({"damaged.png", "not a PNG, 19 bytes"});
    for (const auto& [name, bytes] : damaged) {
        const auto file = home() / (name + ".png");  // a name the panel offers, whatever the content
        std::ofstream(file, std::ios::binary) << bytes;
        importAnswering(file);
        EXPECT_EQ(desk().beepCount(), ++beeps) << name;
        EXPECT_EQ(picker->custom.get(), before) << name;
        EXPECT_EQ(CustomGroupIconStore::shared().image(before), shown) << name;
        EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{*before}) << name;
    }

    // Nor is a file over the bound of size: a small picture padded with zeros to 3 GB.
    const auto padded = writeImage("padded.png");
    std::filesystem::resize_file(padded, 3ull << 30);  // sparse: nothing is written
    importAnswering(padded);
    EXPECT_EQ(desk().beepCount(), ++beeps);
    EXPECT_EQ(picker->custom.get(), before);
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{*before});

    // One whose decoding never ends leaves the application answering meanwhile (the picker
    // answers while the background has not even started it), and is refused at the bound.
    std::ofstream(home() / "filter.svg") << testsupport::kEndlessFilterSVG;
    desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{home() / "filter.svg"});
    {
        testsupport::BackgroundHold hold;
        EXPECT_TRUE(pickerHost.find(ui::button("From Mac\u2026")).click());
        advance(1);
        EXPECT_EQ(desk().beepCount(), beeps);
        hold.release();
        EXPECT_TRUE(hold.heldUntilReleased());
    }
    finishBackgroundWork();
    EXPECT_EQ(desk().beepCount(), ++beeps);
    EXPECT_EQ(picker->custom.get(), before);
    EXPECT_EQ(storedFiles(), std::vector<std::filesystem::path>{*before});

    importAnswering(std::nullopt);
    EXPECT_EQ(desk().beepCount(), beeps);
    EXPECT_EQ(picker->custom.get(), before);
}

TEST_F(IconPickerTest, AnImportOutdoneBeforeItsDecodingEndsChangesNothing) {
    // A symbol chosen meanwhile wins, and so does closing the picker.
    importAnswering(writeImage("first.png"));
    const auto first = picker->custom.get();
    ASSERT_TRUE(first);
    desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{writeImage("logo.png")});
    EXPECT_TRUE(pickerHost.find(ui::button("From Mac\u2026")).click());
    EXPECT_TRUE(pickerHost.find(ui::button("bolt.fill")).click());
    finishBackgroundWork();
    EXPECT_EQ(picker->custom.get(), std::nullopt);
    EXPECT_EQ(picker->symbol.get(), "bolt.fill");
    EXPECT_TRUE(storedFiles().empty());

    const int beeps = desk().beepCount();
    {
        auto closing = std::make_shared<PickerHarness>();
        auto host = std::make_unique<ui::Host>(closing);
        desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{writeImage("logo.png")});
        EXPECT_TRUE(host->find(ui::button("From Mac\u2026")).click());
        host.reset();
        finishBackgroundWork();
        EXPECT_EQ(closing->custom.get(), std::nullopt);
    }
    EXPECT_TRUE(storedFiles().empty());
    EXPECT_EQ(desk().beepCount(), beeps);
}

TEST_F(IconPickerTest, TheColourRowRingsTheChosenSwatchIgnoringCase) {
    auto noColor = [&] {
        for (auto& b : pickerHost.findAll(ui::byRole(ui::Role::button)))
            if (b.help() == tessivane::IconColorPickerRow::noColorHelp) return b;
        return ui::Element{};
    };
    ASSERT_TRUE(noColor().exists());
    EXPECT_TRUE(isRinged(noColor()));

    picker->color = "14b8a6";
    advance(0);
    EXPECT_TRUE(isRinged(pickerHost.find(ui::button("14B8A6"))));
    EXPECT_FALSE(isRinged(noColor()));
    // The chosen cell takes the colour.
    auto cell = pickerHost.find(ui::button("folder.fill")).children().at(0);
    EXPECT_EQ(cell.node()->data().modifiers.at(1).content->data().fill, tessivane::SettingsTheme::accent());

    EXPECT_TRUE(pickerHost.find(ui::button("FBBF24")).click());
    advance(0);
    EXPECT_EQ(picker->color.get(), "FBBF24");
    EXPECT_FALSE(isRinged(pickerHost.find(ui::button("14B8A6"))));

    picker->color = " ";
    advance(0);
    EXPECT_TRUE(isRinged(noColor()));
    EXPECT_FALSE(isRinged(pickerHost.find(ui::button("FBBF24"))));
    picker->color = "FBBF24";
    advance(0);
    EXPECT_TRUE(noColor().click());
    EXPECT_EQ(picker->color.get(), "");
}

TEST_F(IconPickerTest, TheButtonOpensThePickerInAPopoverOrHandsTheOpeningToItsCaller) {
    std::string symbol = "star.fill", color;
    std::optional<std::string> custom;
    int opened = 0;
    auto bindings = [&](std::string title, std::function<void()> onOpen) {
        return std::make_shared<tessivane::IconPickerButton>(ui::Binding<std::string>::to(symbol),
                                                             ui::Binding<std::string>::to(color),
                                                             ui::Binding<std::optional<std::string>>::to(custom),
                                                             platform::UUID::random(), std::move(title), std::move(onOpen));
    };
    ui::Host popoverHost(bindings("", {}));
    auto button = popoverHost.find(ui::byRole(ui::Role::button));
    EXPECT_EQ(button.help(), "Change the vossel icon");
    EXPECT_EQ(button.children().at(0).children().size(), 1u);  // only the well
    EXPECT_TRUE(button.click());
    advance(0);
    EXPECT_TRUE(popoverHost.find(ui::byText("Search icons…")).exists());
    EXPECT_TRUE(popoverHost.find(ui::button("heart.fill")).click());
    EXPECT_EQ(symbol, "heart.fill");

    ui::Host screenHost(bindings("Choose icon…", [&] { ++opened; }));
    EXPECT_TRUE(screenHost.find(ui::button("Choose icon…")).click());
    advance(0);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(screenHost.find(ui::byText("Search icons…")).exists());
}

}  // namespace
}  // namespace settings_test
