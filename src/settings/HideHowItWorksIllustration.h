#pragma once
#include <string>

#include "ui/Geometry.h"
#include "ui/View.h"

namespace tessivane {

// A picture of how hiding works: a mock menu bar laid out in the real menu bar's direction
// with a live clock, and three numbered cards of what to do. Changes nothing.
class HideHowItWorksIllustration : public ui::View {
public:
    static constexpr double clockInterval = 30;
    static constexpr const char* mockMenus = "Finder   File   Edit";

    ui::Node body() override;

    // The direction of the mock bar: the launch-argument override, else the first system
    // language's direction (left to right without one).
    static ui::LayoutDirection systemMenuBarLayoutDirection();

    struct Card {
        const char* number;
        const char* title;
        const char* detail;
    };
    static const Card cards[3];

private:
    static ui::Node mockMenuBar();
    static ui::Node labeledCluster(const std::string& label, ui::Node content);
    static ui::Node legendCard(const Card& card);
};

}  // namespace tessivane
