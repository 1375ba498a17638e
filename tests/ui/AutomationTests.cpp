// Automation acts as a person's input would: disabled controls refuse, keys reach the right
// buttons, menus and alerts behave like the system's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BodyView.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Nodes.h"

namespace {

using namespace ui;
using uitest::Body;
using uitest::body;

class AutomationTest : public testsupport::TestHome {};


TEST_F(AutomationTest, DisabledControlsAndControlsUnderADisabledAncestorIgnoreInput) {
    std::vector<std::string> log;
    bool on = false;
    std::string text = "keep";
    Host host(body([&] {
        return VStack(Button("Save", [&] { log.push_back("save"); }).disabled(),
                      VStack(Button("Inner", [&] { log.push_back("inner"); }),
                             Toggle("Flag", Binding<bool>::to(on)),
                             TextField("Name", Binding<std::string>::to(text)))
                          .disabled(true),
                      Button("Live", [&] { log.push_back("live"); }));
    }));
    EXPECT_TRUE(host.find(button("Save")).isDisabled());
    EXPECT_FALSE(host.find(button("Save")).click());
    EXPECT_FALSE(host.find(byText("Save")).click());  // a click on its label reaches the button, which refuses
    EXPECT_FALSE(host.find(button("Inner")).click());
    EXPECT_FALSE(host.find(toggle("Flag")).toggle());
    EXPECT_FALSE(host.find(byRole(Role::textField)).type("changed"));
    EXPECT_TRUE(host.find(byText("Live")).click());
    EXPECT_EQ(log, std::vector<std::string>{"live"});
    EXPECT_FALSE(on);
    EXPECT_EQ(text, "keep");
}

TEST_F(AutomationTest, ReturnRunsOnlyTheEnabledDefaultActionAndEscapeTheCancelAction) {
    std::vector<std::string> log;
    bool confirmEnabled = false;
    Host host(body([&] {
        return HStack(Button("Other", [&] { log.push_back("other"); }),
                      Button("Back", [&] { log.push_back("back"); }).keyboardShortcut(KeyboardShortcut::cancelAction()),
                      Button("Create", [&] { log.push_back("create"); })
                          .keyboardShortcut(KeyboardShortcut::defaultAction())
                          .disabled(!confirmEnabled),
                      Button("Quit", [&] { log.push_back("quit"); }).keyboardShortcut(KeyboardShortcut::of("q")));
    }));
    EXPECT_FALSE(host.pressReturn());  // the default button is disabled
    confirmEnabled = true;
    host.invalidate();
    advance(0);
    EXPECT_TRUE(host.pressReturn());
    EXPECT_TRUE(host.pressEscape());
    EXPECT_FALSE(host.pressKey("q", platform::Modifier::option));
    EXPECT_TRUE(host.pressKey("q"));
    EXPECT_EQ(log, (std::vector<std::string>{"create", "back", "quit"}));
}

TEST_F(AutomationTest, ReturnInAFieldSubmitsTheFieldElseTheEnabledDefaultButton) {
    std::string name, note;
    int submitted = 0, confirmed = 0;
    bool okEnabled = false;
    Host host(body([&] {
        return VStack(TextField("Name", Binding<std::string>::to(name)).onSubmit([&] { ++submitted; }),
                      TextField("Note", Binding<std::string>::to(note)),
                      Button("OK", [&] { ++confirmed; })
                          .keyboardShortcut(KeyboardShortcut::defaultAction())
                          .disabled(!okEnabled));
    }));
    host.find(byText("Name")).type("VPN");
    EXPECT_TRUE(host.pressReturn());
    EXPECT_EQ(submitted, 1);
    EXPECT_EQ(confirmed, 0);
    EXPECT_EQ(host.focusedNodeId(), host.find(byText("Name")).nodeId());

    EXPECT_FALSE(host.find(byText("Note")).submit());  // the default button is disabled
    okEnabled = true;
    host.invalidate();
    advance(0);
    EXPECT_TRUE(host.find(byText("Note")).submit());
    EXPECT_TRUE(host.find(byText("Name")).submit());
    EXPECT_EQ(confirmed, 1);
    EXPECT_EQ(submitted, 2);
}

TEST_F(AutomationTest, PickersAndMenusChooseByTitle) {
    int mode = 0;
    std::vector<std::string> log;
    Host host(body([&] {
        return VStack(Picker<int>("Mode", Binding<int>::to(mode), {{"On click", 0}, {"On hover", 1}})
                          .pickerStyle(PickerStyle::segmented)
                          .accessibilityIdentifier("ui.openMode"),
                      Menu("Work", {Button("Home", [&] { log.push_back("home"); }), Divider(),
                                    Section("More", {Button("Add environment…", [&] { log.push_back("add"); }),
                                                     Button("Delete", [&] { log.push_back("delete"); }).disabled()})}));
    }));
    auto picker = host.find(byIdentifier("ui.openMode"));
    EXPECT_EQ(picker.value(), "On click");
    EXPECT_EQ(picker.options(), (std::vector<std::string>{"On click", "On hover"}));
    EXPECT_TRUE(picker.choose("On hover"));
    EXPECT_EQ(mode, 1);
    EXPECT_FALSE(picker.choose("Never"));

    auto menu = host.find(byRole(Role::menu));
    EXPECT_EQ(menu.options(), (std::vector<std::string>{"Home", "Add environment…", "Delete"}));
    // Closed, its items are out of reach; opened, they can be found and clicked.
    EXPECT_FALSE(host.find(menuItem("Home")).exists());
    EXPECT_TRUE(menu.click());
    auto home = host.find(menuItem("Home"));
    ASSERT_TRUE(home.exists());
    EXPECT_TRUE(home.click());
    EXPECT_FALSE(host.openMenuNodeId().has_value());
    EXPECT_TRUE(menu.choose("Add environment…"));
    EXPECT_FALSE(menu.choose("Delete"));
    EXPECT_EQ(log, (std::vector<std::string>{"home", "add"}));
}

TEST_F(AutomationTest, SecondaryClicksAndContextMenus) {
    std::vector<std::string> log;
    Host host(body([&] {
        return VStack(Text("Row")
                          .onTapGesture([&] { log.push_back("left"); })
                          .onSecondaryClick([&] { log.push_back("right"); }),
                      Text("Chip").contextMenu({Button("Hide from Menu Bar", [&] { log.push_back("hide"); })}));
    }));
    host.find(byText("Row")).click();
    host.find(byText("Row")).rightClick();
    host.find(byText("Row")).controlClick();
    EXPECT_TRUE(host.find(byText("Chip")).rightClick());
    EXPECT_TRUE(host.find(byText("Hide from Menu Bar")).click());
    EXPECT_EQ(log, (std::vector<std::string>{"left", "right", "right", "hide"}));
    EXPECT_FALSE(host.find(byText("Hide from Menu Bar")).exists());
}

TEST_F(AutomationTest, HoverEntersAndLeavesNestedNodesAndSetsTheCursor) {
    std::vector<std::string> log;
    Host host(body([&] {
        return VStack(HStack(Text("A").accessibilityIdentifier("a"))
                          .onHover([&](bool in) { log.push_back(std::string("row ") + (in ? "in" : "out")); })
                          .pointerCursor(),
                      Text("B").accessibilityIdentifier("b").onHover([&](bool in) { log.push_back(std::string("b ") + (in ? "in" : "out")); }));
    }));
    host.find(byIdentifier("a")).hover();
    EXPECT_EQ(host.cursor(), Cursor::pointingHand);
    host.find(byIdentifier("a")).hover();  // still inside: nothing new
    host.find(byIdentifier("b")).hover();
    EXPECT_EQ(host.cursor(), Cursor::arrow);
    host.find(byIdentifier("b")).unhover();
    EXPECT_EQ(log, (std::vector<std::string>{"row in", "row out", "b in", "b out"}));
}

TEST_F(AutomationTest, AnAlertIsModalAndAnswersReturnAndEscape) {
    bool presented = true;
    std::vector<std::string> log;
    Host host(body([&] {
        return VStack(Button("Behind", [&] { log.push_back("behind"); }))
            .alert("Delete vossel?", Binding<bool>::to(presented),
                   {Button("Delete", [&] { log.push_back("delete"); }).role(ButtonRole::destructive),
                    Button("Cancel", [&] { log.push_back("cancel"); }).role(ButtonRole::cancel)},
                   "“VPN” will be removed.");
    }));
    EXPECT_TRUE(host.find(byText("Delete vossel?")).exists());
    EXPECT_EQ(host.find(byRole(Role::alert)).text(), "Delete vossel?");
    EXPECT_FALSE(host.find(button("Behind")).click());
    EXPECT_TRUE(host.pressEscape());
    EXPECT_FALSE(presented);
    advance(0);
    EXPECT_FALSE(host.find(byRole(Role::alert)).exists());
    EXPECT_TRUE(host.find(button("Behind")).click());

    presented = true;
    host.invalidate();
    advance(0);
    EXPECT_TRUE(host.pressReturn());
    EXPECT_FALSE(presented);
    EXPECT_EQ(log, (std::vector<std::string>{"cancel", "behind", "delete"}));
}

TEST_F(AutomationTest, EscapeClosesAPresentedPopover) {
    bool shown = false;
    Host host(body([&] {
        return Button("Icon", [&] { shown = true; }).popover(Binding<bool>::to(shown), Text("Picker"));
    }));
    host.find(button("Icon")).click();
    host.invalidate();  // `shown` is a plain variable, not a State
    advance(0);
    EXPECT_TRUE(host.find(byText("Picker")).exists());
    EXPECT_TRUE(host.pressEscape());
    EXPECT_FALSE(shown);
}

TEST_F(AutomationTest, ElementsFollowTheirNodeIdAcrossRendersAndReadProperties) {
    int count = 0;
    Host host(body([&] {
        return VStack({.alignment = HorizontalAlignment::leading},
                      Text("Count " + std::to_string(count)).accessibilityIdentifier("count"),
                      Button("Add", [&] { ++count; }).help("Adds one"),
                      ProgressView(0.5),
                      Empty(),
                      Group(Text("x"), Text("y")));
    }));
    auto label = host.find(byIdentifier("count"));
    host.find(button("Add")).click();
    host.invalidate();
    advance(0);
    EXPECT_EQ(label.text(), "Count 1");
    EXPECT_EQ(host.find(button("Add")).help(), "Adds one");
    EXPECT_EQ(host.find(byText("Add")).help(), "Adds one");  // inherited from the button
    EXPECT_EQ(host.find(byRole(Role::progress)).value(), "0.5");
    auto children = host.find(byRole(Role::group)).children();
    ASSERT_EQ(children.size(), 5u);
    EXPECT_EQ(children[3].text(), "x");
    EXPECT_EQ(host.element(label.nodeId()).properties()["props"]["text"], "Count 1");
    EXPECT_FALSE(host.element("0.9.9").exists());
    EXPECT_FALSE(host.element("0.9.9").click());
}

}  // namespace

namespace {

using namespace ui;

TEST_F(AutomationTest, AFocusBindingMovesTheFocusAndTypingSetsIt) {
    class Fields : public View {
    public:
        State<bool> secondFocused{this, false};
        State<std::string> a{this, ""};
        State<std::string> b{this, ""};
        Node body() override {
            return VStack(TextField("First", a.binding()), TextField("Second", b.binding()).focused(secondFocused.binding()));
        }
    };
    auto fields = std::make_shared<Fields>();
    Host host(fields);
    host.tree();
    EXPECT_FALSE(host.focusedNodeId().has_value());
    fields->secondFocused = true;
    advance(0);
    EXPECT_EQ(host.focusedNodeId(), host.find(byText("Second")).nodeId());
    EXPECT_EQ(host.find(byText("Second")).properties()["props"]["focused"], true);
    fields->secondFocused = false;
    advance(0);
    EXPECT_FALSE(host.focusedNodeId().has_value());
    host.find(byText("Second")).type("typed");
    EXPECT_TRUE(fields->secondFocused.get());
    EXPECT_EQ(fields->b.get(), "typed");
}

}  // namespace

namespace {

using namespace ui;

TEST_F(AutomationTest, AnOverlayWithHandlersTakesClicksOnTheContentBelowIt) {
    std::vector<std::string> log;
    Host host(std::make_shared<Body>([&] {
        return HStack(Text("Wi-Fi"), Button("Inner", [&] { log.push_back("inner"); }))
            .overlay(Fill(Color::clear())
                         .onTapGesture([&] { log.push_back("left"); })
                         .onSecondaryClick([&] { log.push_back("right"); }))
            .overlay(Text("badge"), Alignment::topTrailing);
    }));
    host.find(byText("Wi-Fi")).click();
    host.find(byText("Wi-Fi")).controlClick();
    host.find(button("Inner")).click();
    host.find(byText("badge")).click();  // the badge itself takes nothing
    EXPECT_EQ(log, (std::vector<std::string>{"left", "right", "left"}));
}

TEST_F(AutomationTest, CombinedElementsReadAsOneAndLabelledRowsChooseThroughTheirControl) {
    bool hover = true;
    Host host(std::make_shared<Body>([&] {
        return VStack(VStack(Text("Accessibility"), Label("Enable this one", Image::system("checkmark.circle.fill").foreground(Color::green())))
                          .accessibilityCombine()
                          .accessibilityLabel("Illustration: enable the current app."),
                      HStack(Text("When to open a vossel"), Spacer(8),
                             Picker<bool>("When to open a vossel", Binding<bool>::to(hover), {{"On click", false}, {"On hover", true}})
                                 .pickerStyle(PickerStyle::segmented)
                                 .labelsHidden())
                          .accessibilityIdentifier("ui.openMode"));
    }));
    EXPECT_TRUE(host.find(byText("Illustration: enable the current app.")).exists());
    EXPECT_FALSE(host.find(byText("Enable this one")).exists());
    EXPECT_TRUE(host.find(byIdentifier("ui.openMode")).choose("On click"));
    EXPECT_FALSE(hover);
}

}  // namespace
