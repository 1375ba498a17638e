#pragma once
#include <memory>
#include <string>

#include "desktop/Desktop.h"
#include "model/IconGroup.h"
#include "support/TestHome.h"
#include "ui/HostingView.h"

namespace statusitems_test {

// A fresh home, manual clock and a bare simulated desktop per test; the status item
// controllers under test are made by the test itself.
class StatusItemTest : public testsupport::TestHome {
protected:
    StatusItemTest();
    ~StatusItemTest() override;

    desktop::Desktop& desk() { return *desktop_; }
    // This application's item with that autosave name.
    const desktop::BarItem* ownItem(const std::string& autosaveName) const;
    const desktop::BarItem* itemOf(const tessivane::IconGroup& group) const;
    // The popover shown last, as the view it hosts; null when none is shown.
    ui::HostingView* shownPopover() const;
    size_t shownPopoverCount() const;
    platform::Rect shownPopoverFrame() const;
    // Moves the pointer onto an item, or far away from everything.
    void hover(const desktop::BarItem* item);
    void moveAway();
    void setHoverToOpen(bool on);
    void setOnboardingComplete(bool complete);
    std::string clickLog() const;

    std::unique_ptr<desktop::Desktop> desktop_;
};

}  // namespace statusitems_test
