#pragma once
#include <functional>

#include "model/IconGroup.h"
#include "ui/View.h"

namespace tessivane {

// A vossel in the editor's rail: its small icon and name in a rounded chip, marked when
// selected and faded when the vossel is hidden from the menu bar.
class VosselChip : public ui::View {
public:
    VosselChip(IconGroup group, bool isSelected, std::function<void()> action)
        : group_(std::move(group)), isSelected_(isSelected), action_(std::move(action)) {}

    ui::Node body() override;

    // "ui.group." followed by the vossel's name.
    static std::string identifier(const IconGroup& group) { return "ui.group." + group.name; }

private:
    IconGroup group_;
    bool isSelected_;
    std::function<void()> action_;
};

}  // namespace tessivane
