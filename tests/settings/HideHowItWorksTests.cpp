// "How hiding works": the clock in the user's format, the mock bar's direction and the page.
#include <gtest/gtest.h>

#include "SettingsFixture.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"
#include "settings/HideHowItWorksIllustration.h"
#include "settings/HideHowItWorksView.h"
#include "settings/MenuBarClockFormat.h"

namespace settings_test {
namespace {

using tessivane::HideHowItWorksIllustration;
namespace MenuBarClockFormat = tessivane::MenuBarClockFormat;

class HideHowItWorksTest : public SettingsTest {
protected:
    void setClock(platform::PropertyDictionary values) {
        platform::UserDefaults::standard().setPersistentDomain(values, MenuBarClockFormat::clockDomain);
    }
    // 14:05 in Berlin, the scene's time zone, on Monday 5 January 2026.
    platform::Date afternoon() const { return platform::Date{platform::ManualClock::kDefaultStart + 4 * 3600 + 300}; }

    static ui::LayoutDirection directionOf(ui::Host& host, const std::string& text) {
        return host.find(ui::byText(text)).node()->environment.get<ui::LayoutDirectionKey>();
    }
    ui::LayoutDirection mockBarDirection() {
        ui::Host host(std::make_shared<HideHowItWorksIllustration>());
        return directionOf(host, HideHowItWorksIllustration::mockMenus);
    }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(HideHowItWorksTest, TheClockShowsWeekdayAndDateAsTheMenuBarClockIsSetUp) {
    platform::UserDefaults::standard().removePersistentDomain(MenuBarClockFormat::clockDomain);
    EXPECT_EQ(MenuBarClockFormat::dateTemplate(), "EEEjm");
    std::string text = MenuBarClockFormat::string(afternoon());
    EXPECT_EQ(text.rfind("Mon 2:05", 0), 0u) << text;
    EXPECT_TRUE(contains(text, "PM")) << text;
    EXPECT_FALSE(contains(text, "Jan")) << text;

    setClock({{"ShowDate", true}, {"ShowDayOfWeek", false}});
    EXPECT_EQ(MenuBarClockFormat::dateTemplate(), "dMMMjm");
    text = MenuBarClockFormat::string(afternoon());
    EXPECT_EQ(text.rfind("Jan 5, 2:05", 0), 0u) << text;
    EXPECT_FALSE(contains(text, "Mon")) << text;

    setClock({{"ShowDate", false}, {"ShowDayOfWeek", false}});
    EXPECT_EQ(MenuBarClockFormat::dateTemplate(), "jm");
    text = MenuBarClockFormat::string(afternoon());
    EXPECT_EQ(text.rfind("2:05", 0), 0u) << text;

    setClock({{"ShowDate", true}, {"ShowDayOfWeek", true}});
    EXPECT_EQ(MenuBarClockFormat::dateTemplate(), "EEEdMMMjm");
    // Values that are not Booleans count as absent.
    setClock({{"ShowDayOfWeek", 0}, {"ShowDate", "YES"}});
    EXPECT_EQ(MenuBarClockFormat::dateTemplate(), "EEEjm");
}

TEST_F(HideHowItWorksTest, TheClockFollowsTheLocalesOrderAndHourConvention) {
    setClock({{"ShowDate", true}, {"ShowDayOfWeek", false}});
    platform::Text::setCurrentLocale("de_DE");
    const std::string text = MenuBarClockFormat::string(afternoon());
    EXPECT_TRUE(contains(text, "5. Jan")) << text;
    EXPECT_TRUE(contains(text, "14:05")) << text;
}

TEST_F(HideHowItWorksTest, TheMockBarClockRedrawsEveryThirtySeconds) {
    platform::UserDefaults::standard().removePersistentDomain(MenuBarClockFormat::clockDomain);
    // Shown 40 s into a minute: the minute changes 20 s later, but the clock is drawn again
    // only 30 s after it was shown.
    advance(40);
    ui::Host host(std::make_shared<HideHowItWorksIllustration>());
    const std::string first = MenuBarClockFormat::string(platform::Date{runLoop().now()});
    EXPECT_TRUE(host.find(ui::byText(first)).exists()) << first;
    advance(29.9);
    EXPECT_TRUE(host.find(ui::byText(first)).exists());
    advance(0.1);
    EXPECT_FALSE(host.find(ui::byText(first)).exists());
    EXPECT_TRUE(host.find(ui::byText(MenuBarClockFormat::string(platform::Date{runLoop().now()}))).exists());
}

TEST_F(HideHowItWorksTest, TheMockBarRunsInTheMenuBarsDirectionAndOverridesWinOverTheLanguage) {
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::leftToRight);
    desk().setLanguages({"he-IL", "en-US"});
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::rightToLeft);
    desk().setLanguages({});
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::leftToRight);

    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarRTL"});
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::rightToLeft);
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR"});
    desk().setLanguages({"ar"});
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::leftToRight);
    platform::ProcessInfo::setArguments({"tessivane", "-ForceMenuBarLTR", "-ForceMenuBarRTL"});
    EXPECT_EQ(mockBarDirection(), ui::LayoutDirection::rightToLeft);

    // Only the bar is mirrored; the cards below it read as the page does.
    ui::Host host(std::make_shared<HideHowItWorksIllustration>());
    EXPECT_EQ(directionOf(host, "Open one from the vossel"), ui::LayoutDirection::leftToRight);
}

TEST_F(HideHowItWorksTest, ThePageShowsTheCardsAndGoesBackWithItsButtonOrEscape) {
    int dismissed = 0;
    ui::Host host(std::make_shared<tessivane::HideHowItWorksView>([&] { ++dismissed; }));
    EXPECT_TRUE(host.find(ui::byText("How hiding works")).exists());
    EXPECT_TRUE(host.find(ui::byText("Apps you hide sit on the far side of the thin line, away from the clock. Your vossel stays beside the arrow, "
                                     "on the clock side, so you can open one app without showing everything.")).exists());
    for (const auto& card : HideHowItWorksIllustration::cards) {
        EXPECT_TRUE(host.find(ui::byText(card.title)).exists()) << card.title;
        EXPECT_TRUE(host.find(ui::byText(card.detail)).exists()) << card.detail;
    }
    EXPECT_TRUE(host.find(ui::byText("The arrow hides everything on the far side of the line. Your vossel stays next to "
                                     "the arrow, on the clock side with Wi\u2011Fi."))
                    .exists());
    EXPECT_EQ(std::string(HideHowItWorksIllustration::cards[0].detail)
                  .rfind("Hold \u2318 Command and drag each app past the thin line, to the side opposite the clock. "
                         "That\u2019s a macOS step",
                         0),
              0u);
    for (const char* label : {"Hidden apps", "|  >", "Vossel"}) EXPECT_TRUE(host.find(ui::byText(label)).exists());
    EXPECT_TRUE(host.find(ui::button("Back")).click());
    EXPECT_TRUE(host.pressEscape());
    EXPECT_EQ(dismissed, 2);
}

}  // namespace
}  // namespace settings_test
