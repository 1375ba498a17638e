// The vossel forms: the new-vossel and edit-vossel pages and the icon picker over them.
#include <gtest/gtest.h>

#include "SettingsFixture.h"
#include "model/CustomGroupIconStore.h"
#include "settings/EditVosselScreen.h"
#include "settings/NewVosselSheet.h"
#include "ui/Nodes.h"

namespace settings_test {
namespace {

// The values the settings root keeps for the new-vossel page.
class NewVosselOwner : public ui::View {
public:
    ui::State<std::string> name{this, ""};
    ui::State<std::string> symbol{this, "folder.fill"};
    ui::State<std::string> color{this, ""};
    ui::State<std::optional<std::string>> custom{this, std::nullopt};
    std::vector<std::string> log;
    ui::Node body() override {
        return ui::view<tessivane::NewVosselSheet>(
            name.binding(), symbol.binding(), color.binding(), custom.binding(), platform::UUID::random(),
            [this] { log.push_back("cancel"); }, [this] { log.push_back("create " + name.get()); });
    }
};

class VosselFormTest : public SettingsTest {
protected:
    std::shared_ptr<NewVosselOwner> owner = std::make_shared<NewVosselOwner>();
    ui::Host sheet{owner};
};

TEST_F(VosselFormTest, TheNewVosselPageConfirmsOnlyANameThatIsNotBlank) {
    EXPECT_TRUE(sheet.find(ui::byText("New vossel")).exists());
    EXPECT_TRUE(sheet.find(ui::byText("What\u2019s this vossel for?")).exists());
    EXPECT_TRUE(sheet.find(ui::byText("VPN, Focus, Dev \u2014 whatever you want to keep together.")).exists());
    auto create = sheet.find(ui::byIdentifier("ui.addGroup"));
    EXPECT_EQ(create.text(), "Create vossel");
    EXPECT_TRUE(create.isDisabled());

    sheet.find(ui::byIdentifier("ui.newGroupName")).type("   \n");
    advance(0);
    EXPECT_TRUE(sheet.find(ui::byIdentifier("ui.addGroup")).isDisabled());
    EXPECT_FALSE(sheet.pressReturn());

    sheet.find(ui::byIdentifier("ui.newGroupName")).type(" VPN ");
    advance(0);
    EXPECT_FALSE(sheet.find(ui::byIdentifier("ui.addGroup")).isDisabled());
    EXPECT_TRUE(sheet.pressReturn());
    EXPECT_TRUE(sheet.pressEscape());
    EXPECT_EQ(owner->log, (std::vector<std::string>{"create  VPN ", "cancel"}));
}

// As a sheet's first field, the name field has the focus as the page comes up: keys typed at
// once name the vossel. A click in the icon picker's search field takes the focus for good.
TEST_F(VosselFormTest, TheNewVosselPageComesUpWithItsNameFieldFocused) {
    EXPECT_EQ(sheet.focusedNodeId(), sheet.find(ui::byIdentifier("ui.newGroupName")).nodeId());
    EXPECT_TRUE(sheet.insertText("V"));
    EXPECT_TRUE(sheet.insertText("PN"));
    EXPECT_EQ(owner->name.get(), "VPN");

    ASSERT_TRUE(sheet.find(ui::button("Choose icon")).click());
    advance(0);
    ASSERT_TRUE(sheet.find(ui::byText("Search icons…")).click());
    advance(0);
    EXPECT_TRUE(sheet.insertText("heart"));
    advance(0);
    EXPECT_EQ(sheet.focusedNodeId(), sheet.find(ui::byText("Search icons…")).nodeId());
    EXPECT_EQ(owner->name.get(), "VPN");
}

TEST_F(VosselFormTest, TheIconPickerCoversTheFormAndTakesItsKeysUntilBack) {
    EXPECT_TRUE(sheet.find(ui::button("Choose icon")).click());
    advance(0);
    ASSERT_TRUE(sheet.find(ui::byText("Search icons\u2026")).exists());
    EXPECT_TRUE(sheet.find(ui::button("heart.fill")).click());
    EXPECT_TRUE(sheet.find(ui::button("FB7185")).click());
    advance(0);
    EXPECT_EQ(owner->symbol.get(), "heart.fill");
    EXPECT_EQ(owner->color.get(), "FB7185");

    owner->name = "Music";
    advance(0);
    EXPECT_FALSE(sheet.pressReturn());  // the covered form does not create
    EXPECT_TRUE(sheet.pressEscape());   // Back of the picker, not of the form
    advance(0);
    EXPECT_TRUE(owner->log.empty());
    EXPECT_FALSE(sheet.find(ui::byText("Search icons\u2026")).exists());

    // The large well opens it too.
    ui::Element well;
    for (auto& b : sheet.findAll(ui::byRole(ui::Role::button)))
        if (b.help() == "Choose an icon") well = b;
    EXPECT_TRUE(well.click());
    advance(0);
    EXPECT_TRUE(sheet.find(ui::byText("Search icons…")).exists());
}

TEST_F(VosselFormTest, EditingSavesTheTrimmedNameAndBackKeepsTheVossel) {
    tessivane::IconGroup group;
    group.id = platform::UUID::random();
    group.name = "Notes";
    group.symbolName = "note.text";
    group.symbolColorHex = "60A5FA";
    std::vector<std::string> saved;
    int cancelled = 0;
    ui::Host edit(std::make_shared<tessivane::EditVosselScreen>(
        group, [&] { ++cancelled; },
        [&](const std::string& name, const std::string& symbol, const std::string& color,
            const std::optional<std::string>& custom) {
            saved = {name, symbol, color, custom.value_or("none")};
        }));
    EXPECT_TRUE(edit.find(ui::byText("Edit vossel")).exists());
    EXPECT_TRUE(edit.find(ui::byText("Save keeps the changes. Back leaves them as they were.")).exists());
    EXPECT_EQ(edit.find(ui::byIdentifier("ui.groupName")).value(), "Notes");
    EXPECT_EQ(edit.find(ui::byIdentifier("ui.saveVossel")).text(), "Save");

    edit.find(ui::byIdentifier("ui.groupName")).type("  Journal \n");
    advance(0);
    EXPECT_TRUE(edit.find(ui::button("Choose icon")).click());
    advance(0);
    EXPECT_TRUE(edit.find(ui::button("bookmark.fill")).click());
    auto backs = edit.findAll(ui::button("Back"));
    ASSERT_EQ(backs.size(), 2u);
    EXPECT_FALSE(backs.front().click());  // the form's, covered by the picker
    EXPECT_TRUE(backs.back().click());
    advance(0);
    EXPECT_EQ(edit.find(ui::byIdentifier("ui.groupName")).value(), "  Journal \n");  // edits survive the picker
    EXPECT_TRUE(edit.find(ui::byIdentifier("ui.saveVossel")).click());
    EXPECT_EQ(saved, (std::vector<std::string>{"Journal", "bookmark.fill", "60A5FA", "none"}));

    saved.clear();
    EXPECT_TRUE(edit.pressEscape());
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(saved.empty());
}

}  // namespace
}  // namespace settings_test

namespace settings_test {
namespace {

// The editor's side of the edit page: it shows the page until Back or Save.
class EditingOwner : public ui::View {
public:
    explicit EditingOwner(tessivane::IconGroup group) : group_(std::move(group)) {}
    ui::State<bool> shown{this, true};
    std::optional<std::string> savedCustom = "not saved";
    ui::Node body() override {
        auto isShown = shown.binding();
        if (!shown.get()) return ui::Text("Editor");
        return ui::view<tessivane::EditVosselScreen>(
            group_, [isShown] { isShown.set(false); },
            [this, isShown](const std::string&, const std::string&, const std::string&,
                            const std::optional<std::string>& custom) {
                savedCustom = custom;
                isShown.set(false);
            });
    }

private:
    tessivane::IconGroup group_;
};

class EditIconFileTest : public SettingsTest {
protected:
    tessivane::IconGroup group = [this] {
        tessivane::IconGroup g;
        g.id = platform::UUID::random();
        g.name = "Notes";
        g.symbolName = "note.text";
        g.customIconFilename = tessivane::CustomGroupIconStore::shared().importImage(writeImage("logo.png"), g.id);
        return g;
    }();
    std::shared_ptr<EditingOwner> owner = std::make_shared<EditingOwner>(group);
    ui::Host host{owner};
    std::filesystem::path stored(const std::string& name) { return tessivane::CustomGroupIconStore::shared().folder() / name; }
    uintmax_t originalSize = std::filesystem::file_size(stored(*group.customIconFilename));

    void openPicker() {
        host.find(ui::button("Choose icon")).click();
        advance(0);
    }
};

TEST_F(EditIconFileTest, LeavingWithoutSavingPutsTheVosselsImageBack) {
    openPicker();
    EXPECT_TRUE(host.find(ui::button("bolt.fill")).click());  // the picker deletes the image at once
    EXPECT_FALSE(std::filesystem::exists(stored(*group.customIconFilename)));
    EXPECT_TRUE(host.pressEscape());  // the picker's Back
    advance(0);
    EXPECT_TRUE(host.pressEscape());  // the page's Back
    advance(0);
    ASSERT_TRUE(host.find(ui::byText("Editor")).exists());
    ASSERT_TRUE(std::filesystem::exists(stored(*group.customIconFilename)));
    EXPECT_EQ(std::filesystem::file_size(stored(*group.customIconFilename)), originalSize);
    EXPECT_EQ(owner->savedCustom, "not saved");
}

TEST_F(EditIconFileTest, AnImageImportedAndThenDiscardedIsRemoved) {
    openPicker();
    desk().queueOpenPanelAnswer(std::vector<std::filesystem::path>{writeImage("photo.jpg")});
    EXPECT_TRUE(host.find(ui::button("From Mac\u2026")).click());
    finishBackgroundWork();
    const std::string jpg = group.id.uuidString() + ".jpg";
    EXPECT_TRUE(std::filesystem::exists(stored(jpg)));
    EXPECT_FALSE(std::filesystem::exists(stored(*group.customIconFilename)));
    owner->shown = false;  // the editor closes the page for another reason
    advance(0);
    EXPECT_FALSE(std::filesystem::exists(stored(jpg)));
    EXPECT_TRUE(std::filesystem::exists(stored(*group.customIconFilename)));
}

TEST_F(EditIconFileTest, SavingKeepsWhatThePickerDid) {
    openPicker();
    EXPECT_TRUE(host.find(ui::button("bolt.fill")).click());
    host.pressEscape();
    advance(0);
    EXPECT_TRUE(host.find(ui::byIdentifier("ui.saveVossel")).click());
    advance(0);
    EXPECT_EQ(owner->savedCustom, std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(stored(*group.customIconFilename)));
}

}  // namespace
}  // namespace settings_test
