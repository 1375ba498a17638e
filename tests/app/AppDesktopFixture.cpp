#include "AppDesktopFixture.h"

#include <fstream>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/TessivaneApp.h"
#include "desktop/DesktopApplication.h"
#include "model/UITestLaunch.h"
#include "platform/Application.h"
#include "platform/FileLocations.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"
#include "support/DesktopOnHome.h"
#include "platform/Window.h"

namespace apptest {

AppOnDesktop::~AppOnDesktop() { shutDown(); }

void AppOnDesktop::shutDown() {
    if (desktop_ && delegate_) desktop_->application().setDelegate(nullptr);
    delegate_.reset();
    desktop_.reset();
}

desktop::Scene AppOnDesktop::defaultScene() { return testsupport::defaultScene(); }

desktop::Desktop& AppOnDesktop::load(const desktop::Scene& scene) {
    shutDown();
    desktop_ = std::make_unique<desktop::Desktop>(scene);
    desktop_->install();
    return *desktop_;
}

AppDelegate& AppOnDesktop::launch(std::vector<std::string> arguments) {
    AppDelegate& app = beginLaunch(std::move(arguments));
    desktop_->advance(0);
    return app;
}

AppDelegate& AppOnDesktop::beginLaunch(std::vector<std::string> arguments) {
    tessivane::TessivaneApp::main();
    EXPECT_TRUE(desktop_->launchApplication(std::move(arguments)));
    delegate_ = std::dynamic_pointer_cast<AppDelegate>(platform::application().delegate());
    if (!delegate_) {
        ADD_FAILURE() << "the launched application has no Tessivane delegate";
        std::abort();
    }
    return *delegate_;
}

const desktop::BarItem* AppOnDesktop::ownItem(const std::string& autosaveName) const {
    return desktop_->statusItem(desktop_->scene().selfName, autosaveName);
}

const desktop::BarItem* AppOnDesktop::itemOf(const std::string& owner, size_t index) const {
    return desktop_->statusItem(owner, "", index);
}

ui::HostingView* AppOnDesktop::shownPopover() const {
    for (const auto& window : platform::application().windows()) {
        if (!window->isVisible() || window->isTitled()) continue;
        if (auto* hosting = dynamic_cast<ui::HostingView*>(window->contentView().get())) return hosting;
    }
    return nullptr;
}

void AppOnDesktop::completeOnboarding() {
    tessivane::UITestLaunch::defaults()->set(
        std::string(tessivane::AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
}

platform::UUID AppOnDesktop::makeVossel(const std::string& name, const std::vector<std::string>& memberTitles) {
    AppState& state = appState();
    state.discovery.items = state.discovery.discoverItems(true);
    const platform::UUID id = platform::UUID::random();
    state.groupStore.createGroup(name, "star.fill", std::nullopt, std::nullopt, id);
    for (const std::string& title : memberTitles) {
        bool found = false;
        for (const auto& item : state.discovery.items.get()) {
            if (item.title == title || item.ownerName == title) {
                state.groupStore.toggleMember(item.id, id);
                found = true;
                break;
            }
        }
        EXPECT_TRUE(found) << "no live icon called " << title;
    }
    state.syncGroupStatusItems();
    state.applyHiding();
    return id;
}

void AppOnDesktop::tuckAway(const desktop::BarItem& item) {
    const desktop::BarItem* line = ownItem("Tessivane.Line");
    ASSERT_NE(line, nullptr);
    appState().hideService.setExpanded(true);
    desktop_->commandDragStatusItem(item.id, line->frame().minX() - 30);
    appState().hideService.setExpanded(false);
}

std::vector<std::string> AppOnDesktop::clickLog() const {
    std::vector<std::string> lines;
    std::ifstream in(platform::FileLocations::logFolder() / "tessivane-click.log");
    std::string line;
    while (std::getline(in, line)) {
        const auto blank = line.find(' ');
        lines.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
    }
    return lines;
}

}  // namespace apptest
