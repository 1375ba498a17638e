// One simulated day of the application on the default laptop with the desktop changing
// under it: applications launching and quitting, icons appearing, moving and vanishing,
// a second display coming and going, Accessibility revoked and granted again, members
// toggled, environments switched, popovers opened and members chosen. Seeded, so every run
// is the same day.
//
// Time: the manual clock runs every timer firing on the way, so the whole day's discovery
// cycles (every 8 s) and transparency ticks (30 a second while windows are hidden) do run.
// The test itself looks at the state in two step sizes: one large step from one change of
// the desktop to the next (minutes apart), then a few seconds in steps of one tick after
// each change, where the opening of a member, the hover delay, the reveal and the collapse
// happen and where a lost transparency would show.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "AppDesktopFixture.h"
#include "desktop/DesktopApplication.h"
#include "engine/ExtraWindowHidingService.h"
#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "settings/VosselMemberList.h"
#include "ui/Automation.h"

namespace apptest {
namespace {

using tessivane::DiscoveredMenuBarItem;
using tessivane::MenuBarItemID;

constexpr double kDay = 24 * 60 * 60;
constexpr double kTick = tessivane::ExtraWindowHidingService::reapplyInterval;
// Seconds watched tick by tick after each change: past a member's opening (first attempt
// after 0.2 s, retries up to about 2.2 s, the collapse a second after) and the 4 s in
// which hiding stays suppressed after it.
constexpr double kFineWindow = 4.5;
// Minutes between two changes of the desktop.
constexpr int kShortestGap = 2 * 60;
constexpr int kLongestGap = 12 * 60;

// What identifies a member for this test: the three fields the refresh from live icons
// never rewrites (window number, left edge and bundle identifier it does).
using MemberKey = std::tuple<std::optional<std::string>, std::optional<std::string>, int64_t>;
MemberKey keyOf(const MenuBarItemID& id) { return {id.title, id.ownerName, id.itemIndex}; }

// Environment id -> vossels in order, each with its members in order.
using Model = std::map<std::string, std::vector<std::pair<std::string, std::vector<MenuBarItemID>>>>;

class SoakTest : public AppOnDesktop {
protected:
    void SetUp() override {
        AppOnDesktop::SetUp();
        completeOnboarding();
        desktop::Scene scene = defaultScene();
        scene.accessibilityTrusted = true;
        scene.postEventAccess = true;
        sceneApps_ = scene.applications;
        load(scene);
        launch();
        desktop().advance(2);

        auto& store = appState().groupStore;
        const auto work = store.environments->at(0).id;
        const auto home = store.environments->at(1).id;
        makeVossel("Tools", {"Parcelbird", "Kettle"});
        makeVossel("Notes", {"Quick Note", "Sync Status"});
        store.switchEnvironment(home);
        makeVossel("Outside", {"Sundial Weather", "Vantage VPN"});
        store.switchEnvironment(work);
        appState().applyHiding();
        tuckAway(*itemOf("Parcelbird"));
        tuckAway(*itemOf("Kettle"));
        desktop().advance(2);
        model_ = modelOfStore();
    }

    uint32_t random(uint32_t below) { return static_cast<uint32_t>(rng_() % below); }

    Model modelOfStore() {
        Model model;
        for (const auto& environment : appState().groupStore.environments.get()) {
            auto& vossels = model[environment.id.uuidString()];
            for (const auto& vossel : environment.groups) {
                vossels.emplace_back(vossel.id.uuidString(), vossel.memberIDs);
            }
        }
        return model;
    }

    // The store holds exactly the vossels and members the model expects, each member in
    // one vossel of its environment only.
    void expectStoreMatchesModel(const std::string& when) {
        const Model actual = modelOfStore();
        ASSERT_EQ(actual.size(), model_.size()) << when;
        for (const auto& [environment, vossels] : model_) {
            const auto found = actual.find(environment);
            ASSERT_NE(found, actual.end()) << when << ": an environment went missing";
            ASSERT_EQ(found->second.size(), vossels.size()) << when << ": a vossel came or went";
            std::vector<MemberKey> seen;
            for (size_t v = 0; v < vossels.size(); ++v) {
                const auto& [id, members] = vossels[v];
                const auto& [actualID, actualMembers] = found->second[v];
                ASSERT_EQ(actualID, id) << when;
                std::vector<MemberKey> expected, got;
                for (const auto& m : members) expected.push_back(keyOf(m));
                for (const auto& m : actualMembers) got.push_back(keyOf(m));
                ASSERT_EQ(got, expected) << when << ": the members of a vossel changed";
                seen.insert(seen.end(), got.begin(), got.end());
            }
            std::sort(seen.begin(), seen.end());
            ASSERT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end())
                << when << ": a member is held twice in one environment";
        }
    }

    // What a toggle of `item` into `vosselID` of the active environment does to the model:
    // out of the vossel if the vossel already holds it, else into it and out of the others.
    void toggleInModel(const MenuBarItemID& item, const std::string& vosselID) {
        auto& vossels = model_[appState().groupStore.activeEnvironmentID->value().uuidString()];
        auto target = std::find_if(vossels.begin(), vossels.end(), [&](const auto& v) { return v.first == vosselID; });
        ASSERT_NE(target, vossels.end());
        auto& members = target->second;
        auto existing =
            std::find_if(members.begin(), members.end(), [&](const MenuBarItemID& m) { return m.isSameMember(item); });
        if (existing != members.end()) {
            members.erase(existing);
            return;
        }
        for (auto& vossel : vossels) {
            std::erase_if(vossel.second, [&](const MenuBarItemID& m) { return m.isSameMember(item); });
        }
        members.push_back(item);
    }

    // Bookkeeping that must not grow with time.
    void expectBounded(const std::string& when) {
        const auto& loop = platform::RunLoop::main();
        maxTimers_ = std::max(maxTimers_, loop.validTimerCount());
        maxBlocks_ = std::max(maxBlocks_, loop.pendingBlockCount());
        size_t ownItems = 0;
        for (const auto& item : desktop().bar().items()) ownItems += item->ownerPID == desktop().selfPID() ? 1 : 0;
        // The application's own item, the chevron, line and pusher, and one per vossel.
        const size_t vossels = appState().groupStore.groups().size();
        if (ownItems > 4 + vossels) {
            std::string names;
            for (const auto& item : desktop().bar().items()) {
                if (item->ownerPID == desktop().selfPID()) names += " " + item->autosaveName;
            }
            ADD_FAILURE() << when << ": " << ownItems << " own items for " << vossels << " vossels:" << names;
        }
        maxOwnItems_ = std::max(maxOwnItems_, ownItems);
        // A window per status item, and a popover kept by each item that has shown one.
        const size_t ownWindows = platform::application().windows().size();
        EXPECT_LE(ownWindows, 2 * ownItems) << when;
        maxOwnWindows_ = std::max(maxOwnWindows_, ownWindows);
        maxServerWindows_ = std::max(maxServerWindows_, desktop().windows().all().size());
    }

    // While hiding is in force, every hidden window that still exists is transparent.
    void expectHiddenWindowsTransparent(const std::string& when) {
        const auto& hiding = appState().windowHiding;
        if (hiding.isPaused()) return;
        for (platform::CGWindowID number : hiding.hiddenWindows()) {
            if (!desktop().windows().find(number)) continue;
            ASSERT_EQ(desktop().windowAlpha(number), 0) << when << ": window " << number << " is visible again";
        }
        ++transparencyChecks_;
    }

    void stepFinely(double seconds, const std::string& when) {
        for (double t = 0; t < seconds; t += kTick) {
            desktop().advance(kTick);
            expectHiddenWindowsTransparent(when);
            if (HasFatalFailure()) return;
        }
    }

    // ---- The changes ----

    std::vector<DiscoveredMenuBarItem> othersIcons() {
        std::vector<DiscoveredMenuBarItem> icons;
        for (const auto& item : appState().discovery.items.get()) {
            if (item.ownerPID != desktop().selfPID()) icons.push_back(item);
        }
        return icons;
    }

    std::string launchUtility() {
        desktop::SceneApplication app;
        const int n = ++launched_;
        app.name = "Fernweh " + std::to_string(n);
        app.bundleIdentifier = "com.fernweh.utility" + std::to_string(n);
        desktop::SceneStatusItem item;
        item.description = *app.name;
        item.width = 24 + random(3) * 4;
        item.menu = {"Open " + *app.name};
        app.statusItems.push_back(item);
        launchedPIDs_.push_back(desktop().launchApp(app));
        return "launch " + *app.name;
    }

    std::string quitSomething() {
        // Launched utilities first; otherwise one of the scene's (not Finder or Control Center),
        // which comes back later under a new process identifier.
        if (!launchedPIDs_.empty() && random(2) == 0) {
            const size_t i = random(static_cast<uint32_t>(launchedPIDs_.size()));
            const int32_t pid = launchedPIDs_[i];
            launchedPIDs_.erase(launchedPIDs_.begin() + static_cast<long>(i));
            desktop().quitApp(pid);
            return "quit utility " + std::to_string(pid);
        }
        const auto& spec = sceneApps_[2 + random(static_cast<uint32_t>(sceneApps_.size() - 2))];
        if (const auto* running = desktop().appNamed(*spec.bundleIdentifier)) {
            desktop().quitApp(running->pid);
            return "quit " + *spec.name;
        }
        desktop::SceneApplication again = spec;
        again.pid = 0;
        desktop().launchApp(again);
        return "relaunch " + *spec.name;
    }

    std::string changeAnIcon() {
        const auto& items = desktop().bar().items();
        std::vector<const desktop::BarItem*> others;
        for (const auto& item : items) {
            if (item->ownerPID != desktop().selfPID()) others.push_back(item.get());
        }
        if (others.empty()) return "no icon to change";
        const desktop::BarItem& item = *others[random(static_cast<uint32_t>(others.size()))];
        switch (random(4)) {
        case 0: {
            desktop::SceneStatusItem extra;
            extra.autosaveName = "Extra-" + std::to_string(++extraItems_);
            extra.description = "Tidewater " + std::to_string(extraItems_);
            extraItemIDs_.push_back(desktop().addStatusItem(item.ownerPID, extra));
            return "icon appears beside " + std::to_string(item.id);
        }
        case 1:
            if (!extraItemIDs_.empty()) {
                const uint64_t id = extraItemIDs_.back();
                extraItemIDs_.pop_back();
                desktop().removeStatusItem(id);
                return "icon vanishes " + std::to_string(id);
            }
            [[fallthrough]];
        case 2:
            desktop().setStatusItemWidth(item.id, 20 + random(5) * 6);
            return "icon resizes " + std::to_string(item.id);
        default:
            desktop().commandDragStatusItem(item.id, 600 + random(800));
            return "icon moves " + std::to_string(item.id);
        }
    }

    std::string changeScreens() {
        if (desktop().screens().size() > 1) {
            desktop().removeScreen(1);
            return "display removed";
        }
        desktop::SceneScreen studio;
        studio.name = "Studio Display";
        studio.frame = platform::Rect{1512, 0, 2560, 1440};
        desktop().addScreen(studio);
        return "display added";
    }

    std::string changeAccessibility() {
        const bool trusted = !desktop().isAccessibilityTrusted();
        desktop().setAccessibilityTrusted(trusted);
        return trusted ? "Accessibility granted" : "Accessibility revoked";
    }

    // As the member list of the settings window does it.
    std::string toggleMember() {
        const auto& vossels = appState().groupStore.groups();
        const auto icons = othersIcons();
        if (vossels.empty() || icons.empty()) return "nothing to toggle";
        const auto vossel = vossels[random(static_cast<uint32_t>(vossels.size()))].id;
        const DiscoveredMenuBarItem& icon = icons[random(static_cast<uint32_t>(icons.size()))];
        toggleInModel(tessivane::VosselMemberList::identityToToggle(icon), vossel.uuidString());
        tessivane::VosselMemberList::flipMembership(appState(), icon, vossel);
        return "toggle " + icon.id.id() + " in " + vossel.uuidString();
    }

    std::string switchEnvironment() {
        auto& store = appState().groupStore;
        const auto& environments = store.environments.get();
        const auto next = environments[random(static_cast<uint32_t>(environments.size()))].id;
        // As the environment menu of the settings window does it.
        store.switchEnvironment(next);
        appState().syncGroupStatusItems();
        appState().applyHiding();
        return "switch to " + next.uuidString();
    }

    // Hovers over a vossel's item until its popover opens and chooses one of the rows.
    std::string openAndChoose() {
        // Chosen in the store's order, so that the day does not depend on random identifiers.
        const auto& vossels = appState().groupStore.groups();
        if (vossels.empty()) return "no vossel to open";
        const platform::UUID id = vossels[random(static_cast<uint32_t>(vossels.size()))].id;
        const auto& controllers = appState().groupControllers();
        const std::string autosave = "Tessivane.Group." + id.uuidString();
        const desktop::BarItem* vossel = ownItem(autosave);
        if (!vossel || !vossel->shown) return "vossel item not shown";
        desktop().moveMouse(desktop().centerOf(*vossel));
        stepFinely(tessivane::GroupStatusItemController::hoverDelay + kTick, "hover");
        ui::HostingView* popover = shownPopover();
        std::string what = "popover of " + autosave;
        if (popover) {
            ++popoversOpened_;
            const auto found = controllers.find(id);
            const auto members = found == controllers.end() ? std::vector<DiscoveredMenuBarItem>{}
                                                             : found->second->members();
            if (!members.empty()) {
                const auto& member = members[random(static_cast<uint32_t>(members.size()))];
                if (ui::Element row = popover->host().find(ui::byText(member.title))) {
                    if (random(4) == 0 ? row.rightClick() : row.click()) {
                        ++membersChosen_;
                        what += " chose " + member.title;
                    }
                }
            }
        }
        desktop().moveMouse(platform::Point{700, 500});
        return what;
    }

    std::mt19937 rng_{20261207};
    std::vector<desktop::SceneApplication> sceneApps_;
    std::vector<int32_t> launchedPIDs_;
    std::vector<uint64_t> extraItemIDs_;
    int launched_ = 0;
    int extraItems_ = 0;
    Model model_;
    size_t maxTimers_ = 0, maxBlocks_ = 0, maxOwnItems_ = 0, maxOwnWindows_ = 0, maxServerWindows_ = 0;
    int popoversOpened_ = 0, membersChosen_ = 0;
    long transparencyChecks_ = 0;
};

TEST_F(SoakTest, ADayOfChurnLosesNothingAndLeavesEveryWindowOpaqueAtQuit) {
    const auto started = std::chrono::steady_clock::now();
    const size_t serverWindowsAtStart = desktop().windows().all().size();
    std::map<std::string, int> kinds;
    double elapsed = 0;
    int changes = 0;
    while (elapsed < kDay) {
        const double gap = kShortestGap + random(kLongestGap - kShortestGap);
        desktop().advance(gap);
        elapsed += gap;
        expectStoreMatchesModel("before change " + std::to_string(changes));
        expectBounded("before change " + std::to_string(changes));
        if (HasFatalFailure()) return;

        std::string what;
        switch (random(9)) {
        case 0: what = launchUtility(); break;
        case 1: what = quitSomething(); break;
        case 2:
        case 3: what = changeAnIcon(); break;
        case 4: what = changeScreens(); break;
        case 5: what = changeAccessibility(); break;
        case 6: what = toggleMember(); break;
        case 7: what = switchEnvironment(); break;
        default: what = openAndChoose(); break;
        }
        ++changes;
        kinds[what.substr(0, what.find(' '))]++;
        SCOPED_TRACE("change " + std::to_string(changes) + ": " + what);
        stepFinely(kFineWindow, what);
        elapsed += kFineWindow;
        expectStoreMatchesModel(what);
        expectBounded(what);
        if (HasFatalFailure()) return;
    }

    // A day of it did happen, and everything was exercised.
    EXPECT_GT(changes, 150);
    EXPECT_GT(popoversOpened_, 5);
    EXPECT_GT(membersChosen_, 3);
    EXPECT_GT(transparencyChecks_, 10000);
    EXPECT_GE(kinds["launch"], 5);
    EXPECT_GE(kinds["toggle"], 5);

    // Bounded: what the day left behind is what one turn of each job needs.
    EXPECT_LE(maxTimers_, 16u);
    EXPECT_LE(maxBlocks_, 32u);
    EXPECT_LE(maxOwnItems_, 7u);
    EXPECT_LE(maxOwnWindows_, 14u);
    EXPECT_LE(maxServerWindows_, serverWindowsAtStart + launched_ + extraItems_ + 8);

    // Quitting puts every hidden icon back.
    delegate().quit();
    desktop().advance(1);
    EXPECT_TRUE(desktop().application().isTerminated());
    for (const auto& window : desktop().windows().all()) {
        EXPECT_EQ(window->alpha, 1) << "window " << window->number << " of " << window->ownerPID;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("[ soak ] %d changes, %d popovers, %d members chosen, %ld transparency checks; "
                "peaks: %zu timers, %zu blocks, %zu own items, %zu own windows, %zu server windows; %.1f s\n",
                changes, popoversOpened_, membersChosen_, transparencyChecks_, maxTimers_, maxBlocks_, maxOwnItems_,
                maxOwnWindows_, maxServerWindows_, seconds);
}

}  // namespace
}  // namespace apptest
