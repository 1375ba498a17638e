#include <gtest/gtest.h>

#include <vector>

#include "engine/DiscoveryFixture.h"
#include "engine/MenuBarGeometry.h"
#include "engine/SystemMenuBarLayout.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace {

using platform::Rect;
using namespace tessivane;

class LayoutTest : public enginetest::DiscoveryFixture {
protected:
    void SetUp() override {
        DiscoveryFixture::SetUp();
        load(bareScene());  // one 1512 pt wide main screen
    }
    static void setLanguages(platform::PropertyArray languages) {
        platform::Preferences::setAppValue("AppleLanguages", platform::PropertyValue(std::move(languages)),
                                           platform::Preferences::kAnyApplication);
    }
};

TEST_F(LayoutTest, LaunchArgumentsForceTheDirectionAndRightToLeftWins) {
    setLanguages({"he"});
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR"});
    EXPECT_EQ(SystemMenuBarLayout::processOverride(), false);
    EXPECT_FALSE(SystemMenuBarLayout::isRightToLeft());

    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR", "-ForceMenuBarRTL"});
    EXPECT_EQ(SystemMenuBarLayout::processOverride(), true);
    setLanguages({"en"});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft());
    // The override beats frames that sit at the right end too.
    const std::vector<Rect> rightEnd{Rect{1200, 958, 24, 24}};
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft(rightEnd));

    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTLx"});
    EXPECT_EQ(SystemMenuBarLayout::processOverride(), std::nullopt);
}

TEST_F(LayoutTest, FirstSystemLanguageDecidesWithoutOverride) {
    setLanguages({"he", "en"});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft());
    setLanguages({"en", "he"});
    EXPECT_FALSE(SystemMenuBarLayout::isRightToLeft());

    // An empty list, or one that is not all strings, falls back to the locale's languages.
    platform::Text::setCurrentLocale("he_IL");
    setLanguages({});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft());
    setLanguages({"en", 3});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft());
}

TEST_F(LayoutTest, ClockSideFramesDecideUnlessTheyAreMidBar) {
    setLanguages({"he"});
    // Mean centre 300 pt from the right edge of the 1512 pt screen: left to right.
    const std::vector<Rect> nearRight{Rect{1190, 958, 24, 24}, Rect{1220, 958, 24, 24}};
    EXPECT_FALSE(SystemMenuBarLayout::isRightToLeft(nearRight));

    setLanguages({"en"});
    const std::vector<Rect> nearLeft{Rect{288, 958, 24, 24}};
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft(nearLeft));

    const std::vector<Rect> middle{Rect{744, 958, 24, 24}};
    EXPECT_FALSE(SystemMenuBarLayout::isRightToLeft(middle));
    setLanguages({"ar"});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft(middle));

    // Frames hugging an edge, flat or thin ones say nothing; the language decides.
    setLanguages({"en"});
    const std::vector<Rect> ignored{Rect{30, 958, 24, 24}, Rect{1460, 958, 24, 24}, Rect{300, 958, 1, 24}};
    EXPECT_FALSE(SystemMenuBarLayout::isRightToLeft(ignored));
    setLanguages({"he"});
    EXPECT_TRUE(SystemMenuBarLayout::isRightToLeft(ignored));

    // Both sides of each limit: a mean centre within 500 pt of an edge; frames more than 40 pt
    // from both edges, more than 1 pt wide and high.
    struct Case { Rect frame; const char* language; bool rtl; };
    for (const Case& c : std::vector<Case>{
             {{1000, 958, 24, 24}, "he", true}, {{1000.5, 958, 24, 24}, "he", false},
             {{488, 958, 24, 24}, "en", false}, {{487.5, 958, 24, 24}, "en", true},
             {{40, 958, 24, 24}, "en", false}, {{40.5, 958, 24, 24}, "en", true},
             {{1448, 958, 24, 24}, "he", true}, {{1447.5, 958, 24, 24}, "he", false},
             {{300, 958, 1, 24}, "en", false}, {{300, 958, 1.5, 24}, "en", true},
             {{300, 958, 24, 1}, "en", false}, {{300, 958, 24, 1.5}, "en", true}}) {
        setLanguages({c.language});
        EXPECT_EQ(SystemMenuBarLayout::isRightToLeft(std::vector<Rect>{c.frame}), c.rtl)
            << c.frame.minX() << " " << c.frame.width() << "x" << c.frame.height() << " " << c.language;
    }
}

TEST_F(LayoutTest, PusherCoversApplicationMenusOnlyWhenWideAndAtTheMenus) {
    const Rect screen{0, 0, 1512, 982};
    struct Case { double minX, width; bool rtl, covers; };
    for (const Case& c : std::vector<Case>{
             // Left to right: wider than 80 pt and starting from 20 pt left of the screen to 400.
             {10, 1000, false, true}, {-30, 1000, false, false}, {10, 80, false, false}, {10, 80.5, false, true},
             {-20, 1000, false, false}, {-19.5, 1000, false, true}, {399.5, 1000, false, true},
             {400, 1000, false, false},
             // Mirrored: ending within 400 pt left of the right edge and 40 right of it; a
             // collapse that reaches well past the edge from the clock side does not cover them.
             {500, 1010, true, true}, {1000, 300, true, true}, {100, 300, true, false}, {1400, 80, true, false},
             {442, 1592, true, false}, {755, 900, true, false}, {-500, 1612.5, true, true}, {-500, 1612, true, false},
             {1000, 112, true, false}, {1000, 112.5, true, true},
             {1000, 551.5, true, true}, {1000, 552, true, false}}) {
        EXPECT_EQ(MenuBarGeometry::isPusherCoveringAppMenus(Rect{c.minX, 958, c.width, 24}, screen, c.rtl), c.covers)
            << c.minX << " " << c.width << (c.rtl ? " right to left" : "");
    }
}

TEST_F(LayoutTest, AChevronAtEitherEndOfTheBarSeparatesNothing) {
    // Left to right on a 1512 pt screen: past x = 80 and 8 pt short of the right edge; right to
    // left on 1728 pt: past 8 pt from the left edge and 80 pt short of the right.
    const Rect laptop{0, 0, 1512, 982}, wide{0, 0, 1728, 1117};
    struct Case { double x; Rect screen; bool rtl, usable; };
    for (const Case& c : std::vector<Case>{{80, laptop, false, false}, {80.5, laptop, false, true},
                                           {1503.5, laptop, false, true}, {1504, laptop, false, false},
                                           {8, wide, true, false}, {8.5, wide, true, true},
                                           {1647.5, wide, true, true}, {1648, wide, true, false}}) {
        EXPECT_EQ(MenuBarGeometry::isUsableSeparator(c.x, c.screen, c.rtl), c.usable)
            << c.x << (c.rtl ? " right to left" : "");
    }
}

TEST_F(LayoutTest, AHitTestAnswerMayBeAsWideAsItsWindowAnd24PointsMoreButAtLeast80) {
    struct Case { double element, window; bool tooWide; };
    for (const Case& c : std::vector<Case>{
             {80, 24, false}, {80.01, 24, true}, {80, 56, false}, {81, 56, true},  // the 80 pt floor
             {84, 60, false}, {85, 60, true}, {224, 200, false}, {224.5, 200, true},  // window + 24
             {0, 0, false}, {81, 0, true}}) {
        EXPECT_EQ(MenuBarGeometry::isWiderThanIcon(c.element, c.window), c.tooWide) << c.element << " over " << c.window;
    }
}

}  // namespace
