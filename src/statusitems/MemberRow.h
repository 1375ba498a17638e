#pragma once
#include <functional>

#include "model/DiscoveredMenuBarItem.h"
#include "ui/View.h"

namespace tessivane {

// One present member in a vossel's popover: its tile and name; a left click and a
// secondary click are reported separately.
class MemberRow : public ui::View {
public:
    MemberRow(DiscoveredMenuBarItem member, std::function<void()> onSelect, std::function<void()> onSecondarySelect)
        : member_(std::move(member)), onSelect_(std::move(onSelect)), onSecondarySelect_(std::move(onSecondarySelect)) {}
    ui::Node body() override;

private:
    DiscoveredMenuBarItem member_;
    std::function<void()> onSelect_;
    std::function<void()> onSecondarySelect_;
    ui::State<bool> isHovering_{this, false};
};

}  // namespace tessivane
