// Rendering, state, bindings and the environment of hosted views.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Host.h"
#include "ui/Nodes.h"
#include "ui/TimelineView.h"
#include "ui/TreeSerializer.h"

namespace {

using namespace ui;

class HostTest : public testsupport::TestHome {
protected:
    void nextTurn() { advance(0); }
};

// A counter whose body reads a State member.
class Counter : public View {
public:
    State<int> count{this, 0};
    int bodies = 0;
    Node body() override {
        ++bodies;
        return VStack(Text("Count " + std::to_string(count.get())),
                      Button("Add", [this] { count = count.get() + 1; }).accessibilityIdentifier("add"));
    }
};

TEST_F(HostTest, RendersAChangeOnTheNextTurnOnceForManyChanges) {
    auto counter = std::make_shared<Counter>();
    Host host(counter);
    EXPECT_TRUE(host.find(byText("Count 0")).exists());
    EXPECT_EQ(host.renderCount(), 1u);

    host.find(byIdentifier("add")).click();
    host.find(byIdentifier("add")).click();
    host.find(byIdentifier("add")).click();
    // Not before the next turn: the shown tree is the old one.
    EXPECT_TRUE(host.find(byText("Count 0")).exists());
    EXPECT_EQ(host.renderCount(), 1u);

    nextTurn();
    EXPECT_TRUE(host.find(byText("Count 3")).exists());
    EXPECT_EQ(host.renderCount(), 2u);
    EXPECT_EQ(counter->bodies, 2);
}

// A closed window's content: changes wait, unrendered, until the tree is read again; shown
// content renders them on the next turn as ever.
TEST_F(HostTest, AHiddenHostHoldsItsRenderBackUntilTheTreeIsRead) {
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        auto counter = std::make_shared<Counter>();
        Host host(counter);
        host.setShown([&shown] { return shown; });
        host.tree();
        counter->count = 5;
        nextTurn();
        EXPECT_EQ(counter->bodies, shown ? 2 : 1);
        EXPECT_EQ(host.needsRender(), !shown);
        EXPECT_TRUE(host.find(byText("Count 5")).exists());  // reading it renders what was held
        EXPECT_EQ(counter->bodies, 2);
        EXPECT_EQ(host.renderCount(), 2u);
    }
}

TEST_F(HostTest, KeepsThePreviousTreeWhenNothingChanged) {
    auto counter = std::make_shared<Counter>();
    Host host(counter);
    host.tree();
    advance(10);
    EXPECT_EQ(host.renderCount(), 1u);

    // Setting a state to the value it has is no change.
    counter->count = 0;
    nextTurn();
    EXPECT_EQ(host.renderCount(), 1u);

    // An explicit invalidation re-renders, but an unchanged result is not announced.
    int announced = 0;
    auto sub = host.didChange.connect([&] { ++announced; });
    host.invalidate();
    nextTurn();
    EXPECT_EQ(host.renderCount(), 2u);
    EXPECT_EQ(announced, 0);
    counter->count = 5;
    nextTurn();
    EXPECT_EQ(announced, 1);
}

TEST_F(HostTest, AHostDestroyedWithARenderPendingIsNotTouched) {
    auto counter = std::make_shared<Counter>();
    {
        Host host(counter);
        host.tree();
        counter->count = 1;
    }
    nextTurn();  // the scheduled render finds no host
    counter->count = 2;  // the view no longer has a host
    nextTurn();
    // Never drawn again. That the freed host is not touched is the sanitizers' to catch:
    // this runs in the address-sanitized build.
    EXPECT_EQ(counter->bodies, 1);
}

// An observable service the view reads.
class Service : public platform::ObservableObject {
public:
    platform::Published<std::string> name{*this, "Work"};
};

class ServiceView : public View {
public:
    explicit ServiceView(Service& s) : service_(s) {}
    Node body() override {
        observe(service_);
        return Text(service_.name.get());
    }

private:
    Service& service_;
};

TEST_F(HostTest, ReRendersWhenAnObservedObjectChanges) {
    Service service;
    Host host(std::make_shared<ServiceView>(service));
    EXPECT_TRUE(host.find(byText("Work")).exists());
    service.name = "Home";
    EXPECT_FALSE(host.find(byText("Home")).exists());
    nextTurn();
    EXPECT_TRUE(host.find(byText("Home")).exists());
}

// Rows built afresh in every body keep their hover state through re-renders, matched by key.
class Row : public View {
public:
    explicit Row(std::string title) : title_(std::move(title)) {}
    State<bool> isHovering{this, false};
    Node body() override {
        return Text(title_ + (isHovering.get() ? " (hover)" : ""))
            .onHover([this](bool inside) { isHovering = inside; })
            .accessibilityIdentifier("row." + title_);
    }

private:
    std::string title_;
};

class RowList : public View {
public:
    State<std::vector<std::string>> titles{this, {"a", "b", "c"}};
    State<int> generation{this, 0};
    Node body() override {
        return VStack(Text("gen " + std::to_string(generation.get())),
                      ForEach(titles.get(), [](const std::string& t) { return t; },
                              [](const std::string& t) { return view<Row>(t); }));
    }
};

TEST_F(HostTest, ChildViewStateSurvivesReRendersAndFollowsItsKey) {
    auto list = std::make_shared<RowList>();
    Host host(list);
    host.find(byIdentifier("row.b")).hover();
    nextTurn();
    EXPECT_TRUE(host.find(byText("b (hover)")).exists());

    // The parent re-renders for its own reasons: the row's state is kept.
    list->generation = 1;
    nextTurn();
    EXPECT_TRUE(host.find(byText("gen 1")).exists());
    EXPECT_TRUE(host.find(byText("b (hover)")).exists());

    // Reordered: the state moves with the key, not the position.
    list->titles = std::vector<std::string>{"b", "a", "c"};
    nextTurn();
    EXPECT_TRUE(host.find(byText("b (hover)")).exists());
    EXPECT_TRUE(host.find(byText("a")).exists());

    // Removed and added back: a new row starts with fresh state.
    list->titles = std::vector<std::string>{"a", "c"};
    nextTurn();
    list->titles = std::vector<std::string>{"a", "b", "c"};
    nextTurn();
    EXPECT_TRUE(host.find(byText("b")).exists());
    EXPECT_FALSE(host.find(byText("b (hover)")).exists());
}

// Rows that say when their inputs draw the same, keyed by title: a row also shows a detail
// (an input), whether it is marked (its state), the layout direction (the environment), and
// one holds a view that observes the service. Each counts its bodies and its appearances.
struct RowLog {
    std::map<std::string, int> bodies, appeared, disappeared;
};

class KeptRow : public View {
public:
    KeptRow(std::string title, std::string detail, Service* service, RowLog& log)
        : title_(std::move(title)), detail_(std::move(detail)), service_(service), log_(log) {}
    State<bool> marked{this, false};
    Node body() override {
        ++log_.bodies[title_];
        const bool rtl = environment<LayoutDirectionKey>() == LayoutDirection::rightToLeft;
        std::string shown = title_ + " " + detail_ + (marked.get() ? " *" : "") + (rtl ? " rtl" : "");
        // The closures hold the row, never the parent that made it.
        return HStack(Button(shown, [this] { marked = !marked.get(); }).accessibilityIdentifier("kept." + title_),
                      service_ ? view<ServiceView>(*service_) : Node())
            .contextMenu({Button("Mark", [this] { marked = true; })})
            .onAppear([this] { ++log_.appeared[title_]; })
            .onDisappear([this] { ++log_.disappeared[title_]; });
    }
    bool sameInputs(const View& previous) const override {
        const auto& before = static_cast<const KeptRow&>(previous);
        return title_ == before.title_ && detail_ == before.detail_ && service_ == before.service_;
    }

private:
    std::string title_, detail_;
    Service* service_;
    RowLog& log_;
};

class KeptList : public View {
public:
    explicit KeptList(Service& service) : service_(service) {}
    State<std::vector<std::pair<std::string, std::string>>> rows{this, {{"a", "1"}, {"b", "1"}, {"c", "1"}}};
    State<int> generation{this, 0};
    State<LayoutDirection> direction{this, LayoutDirection::leftToRight};
    RowLog log;
    Node body() override {
        return VStack(Text("gen " + std::to_string(generation.get())),
                      ForEach(rows.get(), [](const auto& row) { return row.first; },
                              [this](const auto& row) {
                                  return view<KeptRow>(row.first, row.second, row.first == "b" ? &service_ : nullptr, log);
                              }))
            .layoutDirection(direction.get());
    }

private:
    Service& service_;
};

// What a render keeps of the one before is what it would have drawn again: only the rows whose
// input, state, observed object or environment changed draw again, or all when the host is
// asked to render. The text sent to the page is the text written from scratch, menus open too.
TEST_F(HostTest, AViewWithTheSameInputsKeepsWhatItDrewUntilSomethingItReadChanges) {
    Service service;
    auto list = std::make_shared<KeptList>(service);
    Host host(list);
    host.tree();
    using Rows = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* step;
        std::function<void()> change;
        std::vector<std::string> drawnAgain;
    } steps[] = {
        {"the parent's own state", [&] { list->generation = 1; }, {}},
        {"an input", [&] { list->rows = Rows{{"a", "2"}, {"b", "1"}, {"c", "1"}}; }, {"a"}},
        {"the row's state, by its kept button", [&] { host.find(byIdentifier("kept.c")).click(); }, {"c"}},
        {"an observed object", [&] { service.name = "Home"; }, {"b"}},
        {"nothing the rows read", [&] { EXPECT_TRUE(host.find(byText("Home")).exists()); }, {}},
        {"the environment", [&] { list->direction = LayoutDirection::rightToLeft; }, {"a", "b", "c"}},
        {"the host", [&] { host.invalidate(); }, {"a", "b", "c"}},
        {"a menu opened in a kept row", [&] { host.find(byIdentifier("kept.a")).rightClick(); }, {}},
        {"a render with the menu open", [&] { list->generation = 2; }, {}},
        {"and the one after", [&] { list->generation = 3; }, {}},
        {"a row removed", [&] { list->rows = Rows{{"a", "2"}, {"c", "1"}}; }, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        const RowLog before = list->log;
        step.change();
        nextTurn();
        for (const char* title : {"a", "b", "c"}) {
            const bool again = std::count(step.drawnAgain.begin(), step.drawnAgain.end(), title) > 0;
            EXPECT_EQ(list->log.bodies[title], before.bodies.at(title) + (again ? 1 : 0)) << title;
        }
        const std::string scratch = TreeSerializer::text(host.tree(), &host);
        EXPECT_EQ(host.serializedText(), scratch);
        EXPECT_EQ(host.serializedText(true), scratch);
    }
    EXPECT_TRUE(host.find(byText("a 2 rtl")).exists());
    EXPECT_TRUE(host.find(byText("c 1 * rtl")).exists());
    EXPECT_FALSE(host.find(byText("Home")).exists());  // its row was removed last
    EXPECT_TRUE(host.find(byIdentifier("kept.a")).parent().properties()["props"].value("menuOpen", false));
    EXPECT_EQ(list->log.appeared, (std::map<std::string, int>{{"a", 1}, {"b", 1}, {"c", 1}}));
    EXPECT_EQ(list->log.disappeared, (std::map<std::string, int>{{"b", 1}}));
}

// A child whose type changes at the same place does not inherit the other type's state.
class OtherRow : public View {
public:
    State<bool> flag{this, false};
    Node body() override { return Text(flag.get() ? "other on" : "other off"); }
};

class Switcher : public View {
public:
    State<bool> showOther{this, false};
    Node body() override { return showOther.get() ? view<OtherRow>() : view<Row>("x"); }
};

TEST_F(HostTest, ADifferentViewTypeAtTheSamePlaceStartsFresh) {
    auto s = std::make_shared<Switcher>();
    Host host(s);
    host.find(byIdentifier("row.x")).hover();
    nextTurn();
    s->showOther = true;
    nextTurn();
    EXPECT_TRUE(host.find(byText("other off")).exists());
    s->showOther = false;
    nextTurn();
    EXPECT_TRUE(host.find(byText("x")).exists());
}

// Bindings: a toggle and a field edit state owned by the parent.
class Form1 : public View {
public:
    State<bool> enabled{this, false};
    State<std::string> name{this, ""};
    std::string member = "plain";
    Node body() override {
        return VStack(Toggle("Enabled", enabled.binding()).accessibilityIdentifier("enabled"),
                      TextField("Name", name.binding()).accessibilityIdentifier("name"),
                      TextField("Member", bind(member)).accessibilityIdentifier("member"),
                      Text(enabled.get() ? "on:" + name.get() : "off:" + name.get()));
    }
};

TEST_F(HostTest, BindingsWriteTheOwnersStateAndReRender) {
    auto form = std::make_shared<Form1>();
    Host host(form);
    EXPECT_EQ(host.find(byIdentifier("enabled")).isOn(), false);
    EXPECT_TRUE(host.find(byIdentifier("enabled")).toggle());
    EXPECT_TRUE(host.find(byIdentifier("name")).type("VPN"));
    EXPECT_TRUE(form->enabled.get());
    EXPECT_EQ(form->name.get(), "VPN");
    nextTurn();
    EXPECT_TRUE(host.find(byText("on:VPN")).exists());
    EXPECT_EQ(host.find(byIdentifier("name")).value(), "VPN");
    EXPECT_EQ(host.find(byIdentifier("enabled")).isOn(), true);

    host.find(byIdentifier("member")).type("changed");
    EXPECT_EQ(form->member, "changed");
    EXPECT_TRUE(host.needsRender());
}

TEST_F(HostTest, BindingHelpersMapAndConstant) {
    std::optional<std::string> value;
    auto optional = Binding<std::optional<std::string>>::to(value);
    auto isSet = optional.map<bool>([](const std::optional<std::string>& v) { return v.has_value(); },
                                    [](bool on) { return on ? std::optional<std::string>("x") : std::nullopt; });
    EXPECT_FALSE(isSet.get());
    isSet.set(true);
    EXPECT_EQ(value, "x");
    auto fixed = Binding<int>::constant(3);
    fixed.set(4);
    EXPECT_EQ(fixed.get(), 3);
}

// The environment: values and objects reach views deep in the tree; the nearest setting wins.
struct GreetingKey {
    using Value = std::string;
    static Value defaultValue() { return "hello"; }
};

class Reader : public View {
public:
    Node body() override {
        auto* service = environmentObjectIfPresent<Service>();
        std::string direction = environment<LayoutDirectionKey>() == LayoutDirection::rightToLeft ? "rtl" : "ltr";
        return Text(environment<GreetingKey>() + "/" + (service ? service->name.get() : "none") + "/" + direction);
    }
};

class EnvironmentRoot : public View {
public:
    Node body() override {
        return VStack(view<Reader>(),
                      VStack(view<Reader>()).environment<GreetingKey>("outer").environment<GreetingKey>("ignored"),
                      VStack(VStack(view<Reader>()).environment<GreetingKey>("inner")).environment<GreetingKey>("outer"),
                      view<Reader>().layoutDirection(LayoutDirection::rightToLeft));
    }
};

TEST_F(HostTest, EnvironmentValuesAndObjectsPropagateWithTheNearestWinning) {
    Service service;
    Host host(std::make_shared<EnvironmentRoot>());
    host.setEnvironmentObject(service);
    EXPECT_TRUE(host.find(byText("hello/Work/ltr")).exists());
    EXPECT_TRUE(host.find(byText("outer/Work/ltr")).exists());
    EXPECT_TRUE(host.find(byText("inner/Work/ltr")).exists());
    EXPECT_TRUE(host.find(byText("hello/Work/rtl")).exists());

    // Reading the object from the environment subscribes the host to it.
    service.name = "Home";
    nextTurn();
    EXPECT_EQ(host.findAll(byText("hello/Home/ltr")).size(), 1u);
}

TEST_F(HostTest, ActionEnvironmentValueReachesTheViewThatCallsIt) {
    struct DismissKey {
        using Value = std::function<void()>;
        static Value defaultValue() { return [] {}; }
    };
    class Tour : public View {
    public:
        Node body() override {
            return Button("Skip", [this] { environment<DismissKey>()(); });
        }
    };
    int dismissed = 0;
    Host host(std::make_shared<Tour>());
    host.find(button("Skip")).click();  // the default does nothing
    host.setEnvironment<DismissKey>([&] { ++dismissed; });
    nextTurn();
    host.find(button("Skip")).click();
    EXPECT_EQ(dismissed, 1);
}

// Appear, disappear and change actions run after the render that shows the change, also
// from inside a ViewThatFits, whose candidates are expanded once the rest of the tree stands.
class Lifecycle : public View {
public:
    explicit Lifecycle(bool insideFits) : insideFits_(insideFits) {}
    State<bool> showDetail{this, true};
    State<int> value{this, 0};
    std::vector<std::string> log;
    Node body() override {
        Node content = stack();
        return insideFits_ ? VStack(ViewThatFits(Axis::horizontal, {std::move(content)})) : content;
    }

private:
    bool insideFits_;
    Node stack() {
        return VStack(showDetail.get() ? Text("detail")
                                             .onAppear([this] { log.push_back("appear"); })
                                             .onDisappear([this] { log.push_back("disappear"); })
                                       : Empty(),
                      Text(std::to_string(value.get())).onChange(value.get(), [this](const int& a, const int& b) {
                          log.push_back("change " + std::to_string(a) + "->" + std::to_string(b));
                      }));
    }
};

TEST_F(HostTest, AppearDisappearAndChangeActions) {
  for (const bool insideFits : {false, true}) {
    SCOPED_TRACE(insideFits ? "inside a ViewThatFits" : "in the tree");
    auto v = std::make_shared<Lifecycle>(insideFits);
    Host host(v);
    host.tree();
    EXPECT_EQ(v->log, std::vector<std::string>{"appear"});
    v->value = 2;
    nextTurn();
    v->showDetail = false;
    nextTurn();
    v->showDetail = true;
    nextTurn();
    EXPECT_EQ(v->log, (std::vector<std::string>{"appear", "change 0->2", "disappear", "appear"}));
    host.tearDown();
    EXPECT_EQ(v->log.back(), "disappear");
  }
}

}  // namespace

namespace {

using namespace ui;

class Clock : public View {
public:
    State<bool> shown{this, true};
    Node body() override {
        return shown.get() ? TimelineView(30, [](double now) { return Text(std::to_string(static_cast<long>(now) % 1000)); })
                           : Text("hidden");
    }
};

TEST_F(HostTest, ATimelineRedrawsOnItsScheduleWhileShown) {
    auto clock = std::make_shared<Clock>();
    Host host(clock);
    host.tree();
    EXPECT_EQ(host.renderCount(), 1u);
    advance(29);
    EXPECT_EQ(host.renderCount(), 1u);
    advance(1);
    EXPECT_EQ(host.renderCount(), 2u);
    advance(30);
    EXPECT_EQ(host.renderCount(), 3u);
    clock->shown = false;
    advance(0);
    size_t timers = platform::RunLoop::main().validTimerCount();
    advance(120);
    EXPECT_EQ(host.renderCount(), 4u);
    EXPECT_EQ(platform::RunLoop::main().validTimerCount(), timers);
}

}  // namespace

namespace {

using namespace ui;

// A body that switches between steps of the same shape marks each with an id, so that each
// step appears anew.
class Steps : public View {
public:
    State<int> step{this, 0};
    std::vector<int> appeared;
    Node body() override {
        int s = step.get();
        return VStack(Text("Step " + std::to_string(s))).onAppear([this, s] { appeared.push_back(s); }).id("step" + std::to_string(s));
    }
};

TEST_F(HostTest, AnIdOnABodyMakesEachStepANewNode) {
    auto steps = std::make_shared<Steps>();
    Host host(steps);
    host.tree();
    steps->step = 1;
    nextTurn();
    steps->step = 2;
    nextTurn();
    EXPECT_EQ(steps->appeared, (std::vector<int>{0, 1, 2}));
}

}  // namespace

namespace {

TEST_F(HostTest, ATimelineStopsWhenItsHostGoesAwayWithoutTearDown) {
    size_t before = platform::RunLoop::main().validTimerCount();
    {
        Host host(std::make_shared<Clock>());
        host.tree();
        EXPECT_EQ(platform::RunLoop::main().validTimerCount(), before + 1);
    }
    EXPECT_EQ(platform::RunLoop::main().validTimerCount(), before);
}

}  // namespace

namespace {

TEST_F(HostTest, AChangeMadeDuringATurnIsDrawnOnTheTurnAfter) {
    auto counter = std::make_shared<Counter>();
    Host host(counter);
    host.tree();
    runLoop().async([counter] { counter->count = 7; });
    runLoop().runOnce();  // the change happens in this turn
    EXPECT_EQ(host.renderCount(), 1u);
    runLoop().runOnce();
    EXPECT_EQ(host.renderCount(), 2u);
    EXPECT_TRUE(host.find(byText("Count 7")).exists());
}

}  // namespace
