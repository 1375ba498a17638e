#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppDesktopFixture.h"
#include "platform/PreferenceDomain.h"
#include "platform/Screen.h"
#include "platform/UserDefaults.h"

namespace apptest {
namespace {

// The bar a person arranges on the desks they start on (`make run`, and in Hebrew): from the
// clock outward the Settings item, the vossels, the chevron, the line and the pusher, every
// one of them beside the camera housing, and beyond the line the icons they hid. Making,
// hiding, deleting vossels and switching environments keep that bar, and so does a restart.
class BarPlacement : public AppOnDesktop, public ::testing::WithParamInterface<const char*> {
protected:
    void start() {
        std::string error;
        auto loaded = desktop::Scene::load(std::string(TESSIVANE_RESOURCES_DIR) + "/scenes/" + GetParam(), error);
        ASSERT_TRUE(loaded) << error;
        scene_ = *loaded;
        load(scene_);
        launch();
        desktop().advance(1);
    }
    // Quits and starts again on the same home, reading the stored files again as a new process would.
    void restart() {
        shutDown();
        platform::PreferenceDomain::forgetAll();
        load(scene_);
        launch();
        desktop().advance(1);
    }

    bool besideTheHousing(const desktop::BarItem* item) {
        const platform::Screen screen = *desktop().primaryScreen();
        const platform::Rect side = desktop().isRightToLeft() ? *screen.auxiliaryTopLeftArea : *screen.auxiliaryTopRightArea;
        return item && item->shown && item->onScreen && item->frame().minX() >= side.minX() &&
               item->frame().maxX() <= side.maxX();
    }
    std::string nameOf(const desktop::BarItem& item) {
        const auto* app = desktop().app(item.ownerPID);
        std::string name = (app && app->name ? *app->name : "?") + "/" + item.autosaveName;
        for (const auto& [id, vossel] : vossels_) {
            if (item.autosaveName == "Tessivane.Group." + id.uuidString()) name = vossel;
        }
        return name;
    }
    // Tessivane's items from the clock outward.
    std::vector<std::string> ourOrder() {
        std::vector<std::string> order;
        for (const desktop::BarItem* item : desktop().bar().trailingToLeading()) {
            if (item->ownerPID == desktop().selfPID()) order.push_back(nameOf(*item));
        }
        return order;
    }
    // Every icon from the clock outward, each marked when the collapsed pusher hides it.
    std::vector<std::string> bar() {
        desktop().advance(1);
        std::vector<std::string> icons;
        for (const desktop::BarItem* item : desktop().bar().trailingToLeading()) {
            if (item->autosaveName != "Tessivane.Pusher") icons.push_back(nameOf(*item) + (item->onScreen ? "" : " (hidden)"));
        }
        return icons;
    }
    std::vector<std::string> expectedOrder(const std::vector<std::string>& vossels) {
        std::vector<std::string> order = {"Tessivane/Tessivane.Settings"};
        order.insert(order.end(), vossels.begin(), vossels.end());
        for (const char* name : {"Tessivane.Chevron", "Tessivane.Line", "Tessivane.Pusher"}) {
            order.push_back(std::string("Tessivane/") + name);
        }
        return order;
    }
    platform::UUID make(const std::string& name) {
        const platform::UUID id = makeVossel(name, {});
        vossels_.emplace_back(id, name);
        return id;
    }
    void switchTo(size_t environment) {
        appState().groupStore.switchEnvironment(appState().groupStore.environments.get()[environment].id);
        appState().syncGroupStatusItems();
        appState().applyHiding();
    }

    desktop::Scene scene_;
    std::vector<std::pair<platform::UUID, std::string>> vossels_;
};

TEST_P(BarPlacement, VosselsMadeOneAfterAnotherStayBesideTheClockAndARestartKeepsTheBar) {
    completeOnboarding();
    start();
    const std::vector<std::string> before = bar();
    for (const char* name : {"Tessivane.Settings", "Tessivane.Chevron", "Tessivane.Line"}) {
        EXPECT_TRUE(besideTheHousing(ownItem(name))) << name;
    }
    std::vector<std::string> names;
    for (const char* name : {"One", "Two", "Three"}) {
        make(name);
        names.push_back(name);
        desktop().advance(0);
        EXPECT_EQ(ourOrder(), expectedOrder(names)) << "after " << name;
        for (size_t i = 0; i < vossels_.size(); ++i) {
            EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Group." + vossels_[i].first.uuidString())))
                << "vossel " << i + 1 << " of " << vossels_.size();
        }
        EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Chevron"))) << "after " << name;
        EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Line"))) << "after " << name;
        // Hidden icons stay hidden and shown ones shown: only the vossel came in beside the clock.
        std::vector<std::string> others = bar();
        std::erase_if(others, [&](const std::string& icon) { return icon.starts_with("Tessivane/") || std::ranges::count(names, icon); });
        std::vector<std::string> othersBefore = before;
        std::erase_if(othersBefore, [](const std::string& icon) { return icon.starts_with("Tessivane/"); });
        EXPECT_EQ(others, othersBefore) << "after " << name;
    }
    const std::vector<std::string> arranged = bar();
    EXPECT_NE(std::ranges::find(arranged, "Tessivane/Tessivane.Line"), arranged.end());

    restart();
    EXPECT_EQ(bar(), arranged) << "restarted";

    // Away to the other environment and back, and a vossel taken off the bar and put back.
    switchTo(1);
    EXPECT_EQ(ourOrder(), expectedOrder({}));
    switchTo(0);
    EXPECT_EQ(bar(), arranged) << "back from the other environment";
    for (bool shown : {false, true}) {
        appState().groupStore.setGroupVisible(vossels_[0].first, shown);
        appState().syncGroupStatusItems();
    }
    EXPECT_EQ(bar(), arranged) << "\"In menu bar\" off and on";
    restart();
    EXPECT_EQ(bar(), arranged) << "restarted again";

    // One deleted and one hidden from the bar: the others keep their places, now and after a restart.
    appState().groupStore.deleteGroup(vossels_[1].first);
    appState().syncGroupStatusItems();
    appState().applyHiding();
    appState().groupStore.setGroupVisible(vossels_[2].first, false);
    appState().syncGroupStatusItems();
    std::vector<std::string> fewer = arranged;
    std::erase(fewer, "Two");
    std::erase(fewer, "Three");
    EXPECT_EQ(bar(), fewer);
    restart();
    EXPECT_EQ(bar(), fewer) << "restarted after deleting";
    // A vossel made now goes beside the others, before the chevron.
    make("Four");
    EXPECT_EQ(ourOrder(), expectedOrder({"One", "Four"}));
}

// Three vossels stored before the first launch, with no place of their own yet: the chevron and
// the line find room beside the housing too.
TEST_P(BarPlacement, ThreeStoredVosselsLeaveRoomForTheChevronAndTheLine) {
    completeOnboarding();
    start();
    for (const char* name : {"One", "Two", "Three"}) make(name);
    shutDown();
    // As if the environments had been stored by hand: no status item position of ours but the
    // scene's Settings item.
    auto& defaults = platform::UserDefaults::standard();
    for (const auto& [id, name] : vossels_) defaults.removeObject("NSStatusItem Preferred Position Tessivane.Group." + id.uuidString());
    for (const char* name : {"Chevron", "Line", "Pusher"}) {
        defaults.removeObject(std::string("NSStatusItem Preferred Position Tessivane.") + name);
    }
    restart();
    EXPECT_EQ(ourOrder(), expectedOrder({"One", "Two", "Three"}));
    for (const char* name : {"Tessivane.Settings", "Tessivane.Chevron", "Tessivane.Line"}) {
        EXPECT_TRUE(besideTheHousing(ownItem(name))) << name;
    }
    for (const auto& [id, name] : vossels_) EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Group." + id.uuidString()))) << name;
}

// "⌘-drag icons past this line, away from the clock, then click the arrow", followed literally:
// a drop just past the line lands before the collapsed pusher, and the icon is hidden all the
// same, by the arrow and after a restart; the icons on either side stay where they were.
TEST_P(BarPlacement, AnIconDroppedJustPastTheLineIsHiddenByTheArrowAndStaysHidden) {
    struct Case {
        const char* what;
        bool expanded;                    // the bar while the icons are dropped
        std::vector<const char*> owners;  // dropped in turn, before anything else runs
        double past;                      // how far past the line's outer edge
    };
    const std::vector<Case> cases = {
        {"collapsed, a point past the line", false, {"Klarsicht Helper"}, 1},
        {"collapsed, further past it", false, {"Parcelbird"}, 60},
        {"collapsed, two in a row", false, {"Klarsicht Helper", "Parcelbird"}, 1},
        {"expanded, a point past the line", true, {"Klarsicht Helper"}, 1},
        {"expanded, on the line's edge", true, {"Parcelbird"}, 0.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shutDown();
        testsupport::resetPlatformForTest();
        completeOnboarding();
        start();
        const bool rtl = desktop().isRightToLeft();
        std::vector<std::string> expected = bar();
        if (c.expanded) appState().hideService.setExpanded(true);
        for (const char* owner : c.owners) {
            const platform::Rect line = ownItem("Tessivane.Line")->frame();
            desktop().commandDragStatusItem(itemOf(owner)->id, rtl ? line.maxX() + c.past : line.minX() - c.past);
        }
        // Clicked open (unless it is open) and closed.
        for (int click = c.expanded ? 1 : 0; click < 2; ++click) {
            desktop().clickStatusItem(*ownItem("Tessivane.Chevron"));
        }
        // Hidden, every one of them, and nothing else moved.
        std::vector<std::string> now = bar();
        for (const char* owner : c.owners) {
            const std::string icon = itemOf(owner)->autosaveName;
            EXPECT_EQ(std::ranges::count(now, std::string(owner) + "/" + icon + " (hidden)"), 1) << owner;
            std::erase_if(now, [&](const std::string& i) { return i.starts_with(std::string(owner) + "/"); });
            std::erase(expected, std::string(owner) + "/" + icon);
        }
        EXPECT_EQ(now, expected);
        EXPECT_EQ(ourOrder(), expectedOrder({}));
        EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Chevron")));
        EXPECT_TRUE(besideTheHousing(ownItem("Tessivane.Line")));
        const std::vector<std::string> hidden = bar();
        restart();
        EXPECT_EQ(bar(), hidden) << "restarted";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, BarPlacement, ::testing::Values("default.json", "hebrew.json"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

}  // namespace
}  // namespace apptest
