// What the display receives: stable ids, the modifiers in order, and size estimates.
#include <gtest/gtest.h>

#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Nodes.h"
#include "ui/TreeSerializer.h"

namespace {

using namespace ui;
using nlohmann::json;

class SerializationTest : public testsupport::TestHome {};

class Rows : public View {
public:
    State<std::vector<std::string>> keys{this, {"A.1", "B/2"}};
    State<bool> showHeader{this, true};
    Node body() override {
        return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
                      showHeader.get() ? Text("Header") : Empty(),
                      ForEach(keys.get(), [](const std::string& k) { return k; },
                              [](const std::string& k) { return Text(k).accessibilityIdentifier("row"); }),
                      Text("Footer")
                          .padding(Edges::horizontal, 12)
                          .frame({.maxWidth = infinity, .alignment = Alignment::leading})
                          .background(Color::accent().opacity(0.16)));
    }
};

const json* findById(const json& node, const std::string& id) {
    if (node["id"] == id) return &node;
    for (auto& c : node["children"]) {
        if (auto* f = findById(c, id)) return f;
    }
    return nullptr;
}

TEST_F(SerializationTest, IdsAreStableAcrossRendersAndFollowKeys) {
    auto rows = std::make_shared<Rows>();
    Host host(rows);
    json first = host.serialize();
    std::string footerID = host.find(byText("Footer")).nodeId();
    std::string bID = host.find(byText("B/2")).nodeId();
    EXPECT_NE(bID.find("@B%2F2"), std::string::npos);  // separators inside keys are escaped
    EXPECT_NE(host.find(byText("A.1")).nodeId().find("@A%2E1"), std::string::npos);

    host.invalidate();
    advance(0);
    EXPECT_EQ(host.serialize(), first);  // an unchanged tree serializes the same

    // Hiding the header and reordering keeps every remaining node's id.
    rows->showHeader = false;
    rows->keys = std::vector<std::string>{"B/2", "A.1"};
    advance(0);
    EXPECT_EQ(host.find(byText("Footer")).nodeId(), footerID);
    EXPECT_EQ(host.find(byText("B/2")).nodeId(), bID);
    json now = host.serialize();
    EXPECT_EQ(findById(now, footerID)->at("props").at("text"), "Footer");
}

TEST_F(SerializationTest, NodesCarryKindPropsAndModifiersInOrder) {
    Host host(std::make_shared<Rows>());
    json footer = host.find(byText("Footer")).properties();
    EXPECT_EQ(footer["kind"], "text");
    ASSERT_EQ(footer["modifiers"].size(), 3u);
    EXPECT_EQ(footer["modifiers"][0]["kind"], "padding");
    EXPECT_EQ(footer["modifiers"][0]["leading"], 12);
    EXPECT_EQ(footer["modifiers"][0]["top"], 0);
    EXPECT_EQ(footer["modifiers"][1]["kind"], "frame");
    EXPECT_EQ(footer["modifiers"][1]["maxWidth"], "infinity");
    EXPECT_EQ(footer["modifiers"][1]["alignment"], "leading");
    EXPECT_EQ(footer["modifiers"][2]["color"]["role"], "accent");
    EXPECT_DOUBLE_EQ(footer["modifiers"][2]["color"]["alpha"].get<double>(), 0.16);

    json tree = host.serialize();
    EXPECT_EQ(tree["kind"], "view");
    EXPECT_EQ(tree["props"]["type"], "Rows");
    const json& stack = tree["children"][0];
    EXPECT_EQ(stack["props"]["alignment"], "leading");
    EXPECT_EQ(stack["props"]["spacing"], 0);
}

class Decorated : public View {
public:
    Node body() override {
        return HStack(Image::system("gearshape").font(Font::system(13, Weight::medium)).foreground(Color::secondary()),
                      Image::system("no.such.symbol"),
                      RoundedRectangle(6).fill(Color::primary().opacity(0.06)).frame(28, 28),
                      Button("Go", [] {}).overlay(Text("badge"), Alignment::topTrailing).keyboardShortcut(KeyboardShortcut::defaultAction()),
                      Empty());
    }
};

TEST_F(SerializationTest, SymbolsOverlaysAndEmptyNodes) {
    Host host(std::make_shared<Decorated>());
    json row = host.serialize()["children"][0];
    ASSERT_EQ(row["children"].size(), 4u);  // the empty node is left out
    EXPECT_EQ(row["children"][0]["props"]["glyph"], "settings");
    EXPECT_EQ(row["children"][0]["props"]["font"]["weight"], "medium");
    EXPECT_TRUE(row["children"][1]["props"]["glyph"].is_null());
    EXPECT_EQ(row["children"][2]["props"]["shape"], "roundedRectangle");
    json buttonNode = row["children"][3];
    EXPECT_EQ(buttonNode["props"]["keyboardShortcut"], "defaultAction");
    EXPECT_EQ(buttonNode["modifiers"][0]["kind"], "overlay");
    EXPECT_EQ(buttonNode["modifiers"][0]["alignment"], "topTrailing");
    EXPECT_EQ(buttonNode["modifiers"][0]["content"]["props"]["text"], "badge");
    // Overlay content is addressable like any node.
    EXPECT_TRUE(host.element(buttonNode["modifiers"][0]["content"]["id"]).exists());
}

// Size estimates: text at about 7 points a character at 13 points, frames win, paddings and
// spacings add.
class Sized : public View {
public:
    Node body() override {
        return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
                      HStack({.spacing = 8}, Text("Tessivane").font(Font::system(13, Weight::semibold)), Spacer())
                          .padding(Edges::horizontal, 12)
                          .padding(Edges::vertical, 8),
                      Rectangle().fill(Color::primary().opacity(0.12)).frame({.height = 1, .maxWidth = infinity}),
                      Text("0123456789").font(Font::system(26)).padding(10))
            .frame({.width = 260});
    }
};

TEST_F(SerializationTest, FittingSizeAddsPaddingsAndSpacingsAndHonoursFrames) {
    Host host(std::make_shared<Sized>());
    Size s = host.fittingSize();
    EXPECT_EQ(s.width, 260);
    // header: a 17-point line + 2 * 8; line: 1; big text: 33 + 2 * 10
    EXPECT_EQ(s.height, 33 + 1 + 53);

    class Wrapping : public View {
    public:
        Node body() override {
            return Text(std::string(100, 'x')).padding(14).frame({.width = 260}).fixedSize(false, true);
        }
    };
    Host wrapped(std::make_shared<Wrapping>());
    // 700 points of text in 232 points wrap onto 4 lines of 17 points.
    EXPECT_EQ(wrapped.fittingSize().height, 4 * 17 + 28);
}

// The text is written as the tree is walked: whatever a title holds, it reads back as the
// JSON library would have written it, bad UTF-8 replaced rather than refused.
TEST_F(SerializationTest, TextReadsBackAsWrittenWhateverItHolds) {
    const struct {
        std::string text, readBack;
    } cases[] = {
        {"plain", "plain"},
        {"quote \" slash \\ tab \t line \n", "quote \" slash \\ tab \t line \n"},
        {std::string("nul \0 bell \x07", 12), std::string("nul \0 bell \x07", 12)},
        {"\xC3\xA9t\xC3\xA9 \xF0\x9F\x99\x82 \xD7\xA9", "\xC3\xA9t\xC3\xA9 \xF0\x9F\x99\x82 \xD7\xA9"},
        {"bad \xFF end \xC3", "bad \xEF\xBF\xBD end \xEF\xBF\xBD"},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80", "overlong \xEF\xBF\xBD\xEF\xBF\xBD surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        class Titled : public View {
        public:
            explicit Titled(std::string t) : text_(std::move(t)) {}
            Node body() override { return Text(text_).padding(Edges::horizontal, 12.5).opacity(1).frame({.maxWidth = infinity}); }
            std::string text_;
        };
        Host host(std::make_shared<Titled>(c.text));
        const json node = json::parse(host.serializedText())["children"][0];
        EXPECT_EQ(node["props"]["text"], c.readBack);
        EXPECT_EQ(node["modifiers"][0]["leading"], 12.5);
        EXPECT_TRUE(node["modifiers"][1]["value"].is_number_float());  // a whole number stays one
        EXPECT_EQ(node["modifiers"][2]["maxWidth"], "infinity");
    }
}

TEST_F(SerializationTest, ViewThatFitsTakesTheFirstCandidateThatFitsAndSendsOnlyIt) {
    // Both candidates hold the same chip, as a rail of chips and its scrolling form do.
    class Rail : public View {
    public:
        Node body() override {
            return ViewThatFits(Axis::horizontal,
                                {HStack(Text(std::string(40, 'w')).accessibilityIdentifier("wide"), Text("chip")),
                                 ScrollView(Axes::horizontal, HStack(Text("scrolling"), Text("chip")))});
        }
    };
    auto count = [](const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };
    for (const double width : {760.0, 200.0}) {
        SCOPED_TRACE(width);
        const bool roomy = width > 300;
        Host host(std::make_shared<Rail>());
        host.setProposedSize(Size{width, 560});
        EXPECT_EQ(host.find(byIdentifier("wide")).exists(), roomy);
        EXPECT_EQ(host.find(byText("scrolling")).exists(), !roomy);
        const std::string text = host.serializedText();
        EXPECT_EQ(count(text, "\"chip\""), 1u);
        EXPECT_EQ(count(text, "\"scrolling\""), roomy ? 0u : 1u);
        const json fits = host.serialize()["children"][0];
        ASSERT_EQ(fits["kind"], "viewThatFits");
        EXPECT_EQ(fits["props"]["chosen"], roomy ? 0 : 1);
        ASSERT_EQ(fits["children"].size(), 1u);
        EXPECT_EQ(fits["children"][0]["kind"], roomy ? "hstack" : "scrollView");
        EXPECT_EQ(json::parse(text), host.serialize());
    }
}

}  // namespace

namespace {

using namespace ui;

TEST_F(SerializationTest, ViewThatFitsCountsWhatItsRowNeighboursAndPaddingsTake) {
    class Rail : public View {
    public:
        Node body() override {
            // 40 characters of 7 points: 280 points of chips.
            return HStack({.spacing = 8},
                          ViewThatFits(Axis::horizontal, {Text(std::string(40, 'w')).accessibilityIdentifier("fits"),
                                                          Text("scrolling")}),
                          Text(std::string(20, 'm')))  // 140 points of menu
                .padding(Edges::horizontal, 20);
        }
    };
    Host wide(std::make_shared<Rail>());
    wide.setProposedSize(Size{40 + 140 + 8 + 280, 100});
    EXPECT_TRUE(wide.find(byIdentifier("fits")).exists());
    Host tight(std::make_shared<Rail>());
    tight.setProposedSize(Size{40 + 140 + 8 + 279, 100});
    EXPECT_FALSE(tight.find(byIdentifier("fits")).exists());
}

TEST_F(SerializationTest, ViewThatFitsRendersOfItsCandidatesNoMoreThanTheChoiceNeeds) {
    // A chip counts the bodies asked of it: 200 chips of 44 points in a row, or scrolling.
    class Chip : public View {
    public:
        explicit Chip(int* bodies) : bodies_(bodies) {}
        Node body() override {
            ++*bodies_;
            return Text("chip").padding(Edges::horizontal, 8);
        }

    private:
        int* bodies_;
    };
    struct Bodies {
        int row = 0, scrolling = 0;
    };
    // The chips straight in the row, or a level deeper in a ForEach: the part of the row
    // expanded so far is measured however deep the expanding is.
    class Rail : public View {
    public:
        Rail(Bodies* bodies, bool grouped) : bodies_(bodies), grouped_(grouped) {}
        Node body() override {
            auto chips = [this](int* count) {
                std::vector<Node> chips;
                for (int i = 0; i < 200; ++i) chips.push_back(view<Chip>(count).id(std::to_string(i)));
                return grouped_ ? std::vector<Node>{ForEach(200, [&](int i) { return chips[static_cast<size_t>(i)]; })} : chips;
            };
            return ViewThatFits(Axis::horizontal, {HStack({.spacing = 8}, chips(&bodies_->row)),
                                                   ScrollView(Axes::horizontal, HStack({.spacing = 8}, chips(&bodies_->scrolling)))});
        }

    private:
        Bodies* bodies_;
        bool grouped_;
    };
    const double row = 200 * 44 + 199 * 8;
    for (const bool grouped : {false, true})
    for (const double width : {row, row - 1, 300.0}) {
        SCOPED_TRACE(testing::Message() << "width " << width << (grouped ? ", in a ForEach" : ""));
        const bool fits = width >= row;
        Bodies bodies;
        Host host(std::make_shared<Rail>(&bodies, grouped));
        host.setProposedSize(Size{width, 100});
        EXPECT_EQ(host.serialize()["children"][0]["props"]["chosen"], fits ? 0 : 1);
        // The row whole when it is shown, else only until it is wider than the offer; the
        // scrolling form not at all while the row fits.
        EXPECT_EQ(bodies.scrolling, fits ? 0 : 200);
        if (fits || width == row - 1) {
            EXPECT_EQ(bodies.row, 200);
        } else {
            EXPECT_GE(bodies.row, 6);  // 6 chips and their gaps: 304 points
            EXPECT_LE(bodies.row, 20);
        }
    }
}

}  // namespace
