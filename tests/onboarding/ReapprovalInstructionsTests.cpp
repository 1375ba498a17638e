// The Accessibility re-approval instructions and their drawn settings list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "onboarding/AccessibilityReapprovalInstructions.h"
#include "onboarding/AccessibilitySettingsIllustration.h"
#include "support/TestHome.h"
#include "ui/Automation.h"
#include "ui/Host.h"

namespace {

using tessivane::AccessibilityReapprovalInstructions;
using tessivane::AccessibilitySettingsIllustration;

class ReapprovalInstructionsTest : public testsupport::TestHome {};

std::vector<std::string> buttonTitles(ui::Host& host) {
    std::vector<std::string> titles;
    for (const auto& b : host.findAll(ui::byRole(ui::Role::button))) titles.push_back(b.text());
    return titles;
}

TEST_F(ReapprovalInstructionsTest, ExplainsReassuresAndOffersBothActions) {
    int opened = 0, restarted = 0;
    ui::Host host(std::make_shared<AccessibilityReapprovalInstructions>([&] { ++opened; }, [&] { ++restarted; }));
    for (const char* text :
         {"Re-enable Accessibility after update",
          "After an update, macOS may still show an old Tessivane switch as on even though this copy is not allowed. "
          "Enable Accessibility, then use Open System Settings in the dialog that appears.",
          "Your groups and vossels are still saved on this Mac. Nothing was deleted - you only need to re-approve "
          "Accessibility.",
          "Click Enable Accessibility. A system dialog appears.",
          "In that dialog, click Open System Settings. Opening Settings any other way can leave Tessivane off the list.",
          "Remove old Tessivane entries (select, then \u2212). Duplicates are normal after an update.",
          "Turn on the current Tessivane, then restart the app if it still looks blocked."}) {
        EXPECT_TRUE(host.find(ui::byText(text))) << text;
    }
    EXPECT_EQ(buttonTitles(host), (std::vector<std::string>{"Enable Accessibility", "Restart Tessivane"}));
    ASSERT_TRUE(host.find(ui::button("Enable Accessibility")).click());
    ASSERT_TRUE(host.find(ui::button("Restart Tessivane")).click());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(restarted, 1);
}

TEST_F(ReapprovalInstructionsTest, WithoutRestartOnlyEnablingIsOffered) {
    int opened = 0;
    ui::Host host(std::make_shared<AccessibilityReapprovalInstructions>([&] { ++opened; }));
    EXPECT_EQ(buttonTitles(host), (std::vector<std::string>{"Enable Accessibility"}));
    ASSERT_TRUE(host.find(ui::button("Enable Accessibility")).click());
    EXPECT_EQ(opened, 1);
}

TEST_F(ReapprovalInstructionsTest, TheIllustrationReadsAsOneElement) {
    ui::Host host(std::make_shared<AccessibilitySettingsIllustration>());
    auto card = host.find(ui::byText(AccessibilitySettingsIllustration::accessibilityLabel));
    ASSERT_TRUE(card);
    EXPECT_EQ(card.accessibilityLabel(),
              "Illustration: remove the faded old Tessivane entry, then enable the current Tessivane app.");
    // Its parts are not announced one by one.
    for (const char* part : {"Remove old", "Enable this one", "old copy after update", "Accessibility"}) {
        EXPECT_FALSE(host.find(ui::byText(part))) << part;
    }
    // Also as part of the instructions.
    ui::Host instructions(std::make_shared<AccessibilityReapprovalInstructions>([] {}));
    EXPECT_TRUE(instructions.find(ui::byText(AccessibilitySettingsIllustration::accessibilityLabel)));
}

}  // namespace
