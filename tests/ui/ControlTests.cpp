// Links, nested menus, grids, images and the hosting view's keys.
#include <gtest/gtest.h>

#include "platform/Digest.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "BodyView.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"
#include "ui/ImageReferences.h"
#include "ui/Nodes.h"
#include "ui/SizeEstimator.h"

namespace {

using namespace ui;
using uitest::Body;
using uitest::body;

class ControlTest : public testsupport::TestHome {};


TEST_F(ControlTest, ALinkOpensItsAddressThroughTheWorkspace) {
    platform::InMemoryWorkspace workspace;
    platform::Services saved = platform::services();
    platform::Services services = saved;
    services.workspace = &workspace;
    platform::install(services);
    Host host(std::make_shared<Body>([] { return HStack(Link("Privacy", "https://example.org/privacy.html")); }));
    EXPECT_EQ(host.find(byRole(Role::link)).text(), "Privacy");
    EXPECT_TRUE(host.find(byText("Privacy")).click());
    platform::install(saved);
    EXPECT_EQ(workspace.openedURLs, std::vector<std::string>{"https://example.org/privacy.html"});
}

TEST_F(ControlTest, ChoosingReachesItemsOfSubmenusAndGroups) {
    std::vector<std::string> log;
    std::vector<std::string> environments = {"Work", "Home"};
    Host host(std::make_shared<Body>([&] {
        return Menu(Label("Work", "chevron.down"),
                    {ForEach(environments, [](const std::string& e) { return e; },
                             [&](const std::string& e) { return Button(e, [&log, e] { log.push_back(e); }); }),
                     Divider(),
                     Menu("More", {Button("Rename “Work”…", [&] { log.push_back("rename"); })})})
            .menuStyle(MenuStyle::borderlessButton)
            .menuIndicator(Visibility::hidden);
    }));
    auto menu = host.find(byRole(Role::menu));
    EXPECT_EQ(menu.text(), "Work");
    EXPECT_TRUE(menu.choose("Home"));
    EXPECT_TRUE(menu.choose("Rename “Work”…"));
    EXPECT_FALSE(menu.choose("More"));  // a submenu is not an action
    EXPECT_EQ(log, (std::vector<std::string>{"Home", "rename"}));
    EXPECT_EQ(menu.properties()["items"].size(), 3u);
}

TEST_F(ControlTest, AnAdaptiveGridFitsAsManyColumnsAsTheWidthAllows) {
    Host host(std::make_shared<Body>([] {
        return LazyVGrid({.columns = {GridItem::adaptive(58).spaced(12)}, .spacing = 10},
                         ForEach(8, [](int) { return Fill(Color::accent()).frame(58, 58); }));
    }));
    host.tree();
    // 300 points hold four 58-point columns with 12 between them: two rows.
    EXPECT_EQ(SizeEstimator::fittingSize(host.tree(), 300).height, 58 * 2 + 10);
    EXPECT_EQ(SizeEstimator::fittingSize(host.tree(), 300).width, 58 * 4 + 12 * 3);
    EXPECT_EQ(SizeEstimator::fittingSize(host.tree(), 100).height, 58 * 8 + 10 * 7);
}

TEST_F(ControlTest, PixelImagesTravelByTheNameOfTheirPNG) {
    auto bitmapOf = [](uint8_t value) {
        auto bitmap = std::make_shared<platform::Bitmap>();
        bitmap->width = 2;
        bitmap->height = 2;
        bitmap->rgba.assign(16, value);
        return bitmap;
    };
    auto bitmap = bitmapOf(255);
    platform::Image pixels = platform::Image::pixels(bitmap, {1, 1});
    Host host(std::make_shared<Body>([&] { return Image::of(pixels).resizable().aspectRatio(ContentMode::fit); }));
    auto props = host.find(byRole(Role::image)).properties()["props"];
    EXPECT_EQ(props["image"]["width"], 1);
    EXPECT_EQ(props["contentMode"], "fit");
    EXPECT_TRUE(Image::file(home() / "missing.png").kind() == NodeKind::empty);

    // The tree names the picture; the bytes are the server's, and the name is their SHA-256.
    ASSERT_TRUE(props["image"]["bitmap"].is_string());
    const std::string name = props["image"]["bitmap"];
    EXPECT_EQ(props["image"].size(), 4u) << props["image"];  // width, height, template, bitmap
    auto& references = ImageReferences::shared();
    const auto png = references.png(name);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->substr(0, 4), "\x89PNG");
    EXPECT_EQ(platform::Digest::sha256(*png), name);
    // The same pixels in another bitmap have the same name, other pixels another.
    const auto twin = bitmapOf(255);
    EXPECT_EQ(references.reference(twin), name);
    const auto black = bitmapOf(0);
    EXPECT_NE(references.reference(black), name);
    // A bitmap is encoded once: what it is named by does not follow later writes to it.
    bitmap->rgba.assign(16, 0);
    EXPECT_EQ(references.reference(bitmap), name);

    // The bytes stay while a bitmap they came from lives, and go with the last one.
    auto passing = bitmapOf(7);
    const std::string passingName = references.reference(passing);
    ASSERT_TRUE(references.png(passingName));
    passing.reset();
    EXPECT_FALSE(references.png(passingName));
    EXPECT_TRUE(references.png(name));
}

TEST_F(ControlTest, TheHostingViewHandsKeysToItsButtonsAndOffersItsFrame) {
    int saved = 0, quit = 0;
    auto content = HostingView::make(std::make_shared<Body>([&] {
        return VStack(Text(std::string(60, 'x')),
                      Button("Save", [&] { ++saved; }).keyboardShortcut(KeyboardShortcut::defaultAction()),
                      Button("Quit", [&] { ++quit; }).keyboardShortcut(KeyboardShortcut::of("q")));
    }));
    platform::Event key;
    key.type = platform::EventType::keyDown;
    key.keyCode = platform::KeyCode::returnKey;
    key.characters = "\r";
    EXPECT_TRUE(content->keyDown(key));
    key.keyCode = 12;
    key.characters = "q";
    key.modifierFlags = platform::Modifier::command | platform::Modifier::capsLock;
    EXPECT_TRUE(content->keyDown(key));
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(quit, 1);

    EXPECT_EQ(content->fittingSize().width, 420);  // one line of 60 characters
    content->setFrame(platform::Rect{0, 0, 210, 300});
    EXPECT_EQ(content->fittingSize().width, 210);  // wrapped into the frame
}

}  // namespace

namespace {

TEST_F(ControlTest, KeysTypedIntoTheHostingViewEditTheFocusedField) {
    class Field : public View {
    public:
        State<std::string> name{this, "Wo"};
        Node body() override { return TextField("Name", name.binding()); }
    };
    auto field = std::make_shared<Field>();
    auto content = HostingView::make(field);
    platform::Event key;
    key.type = platform::EventType::keyDown;
    key.characters = "x";
    EXPECT_FALSE(content->keyDown(key));  // nothing has the focus yet
    content->host().find(byRole(Role::textField)).click();
    key.characters = "rk é";
    EXPECT_TRUE(content->keyDown(key));
    key.keyCode = platform::KeyCode::deleteKey;
    key.characters = "\x7f";
    EXPECT_TRUE(content->keyDown(key));
    EXPECT_EQ(field->name.get(), "Work ");
    // One character a press, of one byte as of four.
    const platform::Event typing = {.type = platform::EventType::keyDown, .characters = "\xf0\x9f\x98\x80"};
    for (const auto& [typed, left] : {std::pair{false, "Work"}, {false, "Wor"}, {true, "Wor"}}) {
        EXPECT_TRUE(!typed || content->keyDown(typing));
        EXPECT_TRUE(content->keyDown(key));
        EXPECT_EQ(field->name.get(), left);
    }
}

}  // namespace
