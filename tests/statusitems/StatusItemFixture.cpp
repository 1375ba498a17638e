#include "StatusItemFixture.h"

#include <fstream>
#include <sstream>

#include "desktop/DesktopPopover.h"
#include "model/UITestLaunch.h"
#include "platform/Window.h"

namespace statusitems_test {

StatusItemTest::StatusItemTest() {
    desktop_ = std::make_unique<desktop::Desktop>(desktop::Scene::minimal());
    desktop_->install();
}

StatusItemTest::~StatusItemTest() = default;

const desktop::BarItem* StatusItemTest::ownItem(const std::string& autosaveName) const {
    return desktop_->statusItem("Tessivane", autosaveName);
}

const desktop::BarItem* StatusItemTest::itemOf(const tessivane::IconGroup& group) const {
    return ownItem("Tessivane.Group." + group.id.uuidString());
}

ui::HostingView* StatusItemTest::shownPopover() const {
    auto popovers = desktop_->shownPopovers();
    if (popovers.empty()) return nullptr;
    return dynamic_cast<ui::HostingView*>(popovers.back()->contentView().get());
}

size_t StatusItemTest::shownPopoverCount() const { return desktop_->shownPopovers().size(); }

platform::Rect StatusItemTest::shownPopoverFrame() const {
    auto popovers = desktop_->shownPopovers();
    if (popovers.empty() || !popovers.back()->window()) return {};
    return popovers.back()->window()->frame();
}

void StatusItemTest::hover(const desktop::BarItem* item) { desktop_->moveMouse(desktop_->centerOf(*item)); }

void StatusItemTest::moveAway() { desktop_->moveMouse(platform::Point{300, 300}); }

void StatusItemTest::setHoverToOpen(bool on) { tessivane::UITestLaunch::defaults()->set("Tessivane.HoverToOpen", on); }

void StatusItemTest::setOnboardingComplete(bool complete) {
    tessivane::UITestLaunch::defaults()->set("Tessivane.HasCompletedOnboarding", complete);
}

std::string StatusItemTest::clickLog() const {
    std::ifstream in(logFolder() / "tessivane-click.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace statusitems_test
