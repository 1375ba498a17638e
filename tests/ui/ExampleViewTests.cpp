// A small menu popover written in the view layer, to show how a view reads and is tested.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"
#include "ui/Nodes.h"

namespace {

using namespace ui;

const platform::Color accent = platform::Color::rgb255(20, 184, 166);

Node SymbolWell(const std::string& symbol) {
    return ZStack(RoundedRectangle(6).fill(Color::primary().opacity(0.06)),
                  Image::system(symbol).font(Font::system(13, Weight::semibold)).foreground(Color::secondary()))
        .frame(28, 28);
}

class MenuRow : public View {
public:
    MenuRow(std::string symbol, std::string title, std::optional<std::string> shortcut, std::function<void()> action)
        : symbol_(std::move(symbol)), title_(std::move(title)), shortcut_(std::move(shortcut)), action_(std::move(action)) {}

    Node body() override {
        return Button(action_,
                      HStack({.spacing = 10},
                             SymbolWell(symbol_),
                             Text(title_).font(Font::system(13, Weight::medium)),
                             Spacer(8),
                             shortcut_ ? Text(*shortcut_).font(Font::system(13)).foreground(Color::secondary()) : Empty())
                          .padding(Edges::horizontal, 12)
                          .padding(Edges::vertical, 7)
                          .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                          .contentShape(Rectangle())
                          .background(isHovering.get() ? accent.opacity(0.16) : Color::clear()))
            .buttonStyle(ButtonStyle::plain)
            .onHover([this](bool inside) { isHovering = inside; });
    }

private:
    std::string symbol_, title_;
    std::optional<std::string> shortcut_;
    std::function<void()> action_;
    State<bool> isHovering{this, false};
};

class MiniMenu : public View {
public:
    std::vector<std::string> log;
    State<int> badge{this, 0};

    Node body() override {
        auto line = [] { return Rectangle().fill(Color::primary().opacity(0.12)).frame({.height = 1, .maxWidth = infinity}); };
        return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
                      HStack({.spacing = 8},
                             Image::asset("MenuBarIcon").renderingMode(ImageRendering::templateImage).resizable().frame(18, 18),
                             Text("Tessivane").font(Font::system(13, Weight::semibold)),
                             Spacer(),
                             badge.get() > 0 ? Text("+" + std::to_string(badge.get())) : Empty())
                          .padding(Edges::horizontal, 12)
                          .padding(Edges::vertical, 8),
                      line(),
                      view<MenuRow>("gearshape", "Settings…", "⌘,", [this] { log.push_back("settings"); }),
                      line().padding(EdgeInsets{0, 46, 0, 12}),
                      view<MenuRow>("power", "Quit Tessivane", "⌘Q", [this] { log.push_back("quit"); }),
                      view<MenuRow>("heart", "Leave a Tip…", std::nullopt, [this] { log.push_back("tip"); }))
            .frame({.width = 260})
            .background(Color::windowBackground())
            .layoutDirection(LayoutDirection::leftToRight);
    }
};

class ExampleViewTest : public testsupport::TestHome {};

std::string rowBackgroundAlpha(Host& host, const std::string& title) {
    // The row's stack is the button's label; its last modifier is the background.
    auto row = host.find(button(title)).children().at(0);
    auto modifiers = row.properties()["modifiers"];
    return std::to_string(modifiers.back()["color"]["alpha"].get<double>()).substr(0, 4);
}

TEST_F(ExampleViewTest, HoveringARowTintsItUntilThePointerLeavesEvenAcrossParentRenders) {
    auto menu = std::make_shared<MiniMenu>();
    Host host(menu);
    EXPECT_EQ(rowBackgroundAlpha(host, "Settings…"), "0.00");

    host.find(byText("Settings…")).hover();
    advance(0);
    EXPECT_EQ(rowBackgroundAlpha(host, "Settings…"), "0.16");
    EXPECT_EQ(rowBackgroundAlpha(host, "Quit Tessivane"), "0.00");

    menu->badge = 3;  // the parent draws again; the row keeps its hover state
    advance(0);
    EXPECT_TRUE(host.find(byText("+3")).exists());
    EXPECT_EQ(rowBackgroundAlpha(host, "Settings…"), "0.16");

    host.find(byText("Settings…")).unhover();
    advance(0);
    EXPECT_EQ(rowBackgroundAlpha(host, "Settings…"), "0.00");
}

TEST_F(ExampleViewTest, RowsRunTheirActionsAndShowShortcutHintsOnlyWhenGiven) {
    auto menu = std::make_shared<MiniMenu>();
    Host host(menu);
    EXPECT_TRUE(host.find(byText("Quit Tessivane")).click());
    EXPECT_TRUE(host.find(button("Leave a Tip…")).click());
    EXPECT_EQ(menu->log, (std::vector<std::string>{"quit", "tip"}));
    EXPECT_EQ(host.find(button("Quit Tessivane")).text(), "Quit Tessivane ⌘Q");
    EXPECT_EQ(host.find(button("Leave a Tip…")).children().at(0).children().size(), 3u);  // well, title, spacer
    EXPECT_FALSE(host.pressReturn());  // the hints bind no keys
}

TEST_F(ExampleViewTest, APopoverTakesTheFittingSizeOfItsHostingView) {
    auto content = HostingView::make(std::make_shared<MiniMenu>());
    platform::Size size = content->fittingSize();
    EXPECT_EQ(size.width, 260);
    // header 8 + 18 + 8, a 1-point line, three 42-point rows and the inset line
    EXPECT_EQ(size.height, 34 + 1 + 42 + 1 + 42 + 42);
    platform::Event escape;
    escape.type = platform::EventType::keyDown;
    escape.keyCode = platform::KeyCode::escape;
    EXPECT_FALSE(content->keyDown(escape));
}

}  // namespace
