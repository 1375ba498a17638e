#pragma once
#include <array>
#include <functional>

#include "ui/View.h"

namespace tessivane {

// What to do when an update left Accessibility switched on for an old copy only: the
// situation, the reassurance that nothing was lost, a picture of the settings list, four
// numbered steps and the actions. It decides nothing; its callers supply the actions. Shown
// by the welcome tour's Accessibility step and the settings window's re-approval screen.
class AccessibilityReapprovalInstructions : public ui::View {
public:
    static constexpr const char* title = "Re-enable Accessibility after update";
    static constexpr const char* explanation =
        "After an update, macOS may still show an old Tessivane switch as on even though this copy is not allowed. "
        "Enable Accessibility, then use Open System Settings in the dialog that appears.";
    static constexpr const char* reassurance =
        "Your groups and vossels are still saved on this Mac. Nothing was deleted - you only need to re-approve "
        "Accessibility.";
    static constexpr std::array<const char*, 4> steps = {
        "Click Enable Accessibility. A system dialog appears.",
        "In that dialog, click Open System Settings. Opening Settings any other way can leave Tessivane off the list.",
        "Remove old Tessivane entries (select, then \u2212). Duplicates are normal after an update.",
        "Turn on the current Tessivane, then restart the app if it still looks blocked.",
    };
    static constexpr const char* enableTitle = "Enable Accessibility";
    static constexpr const char* restartTitle = "Restart Tessivane";

    // Without `onRestart` only the enable button is offered.
    explicit AccessibilityReapprovalInstructions(std::function<void()> onOpenSettings,
                                                 std::function<void()> onRestart = nullptr)
        : onOpenSettings_(std::move(onOpenSettings)), onRestart_(std::move(onRestart)) {}

    ui::Node body() override;

private:
    ui::Node stepRows() const;
    ui::Node actions() const;

    std::function<void()> onOpenSettings_;
    std::function<void()> onRestart_;
};

}  // namespace tessivane
