#pragma once
#include <functional>

#include "model/IconGroup.h"
#include "ui/View.h"

namespace tessivane {

// A vossel in the editor's rail: its small icon and name in a rounded chip, marked when
// selected and faded when the vossel is hidden from the menu bar. A click selects it; its
// context menu hides or shows it in the menu bar and asks to delete it.
class VosselChip : public ui::View {
public:
    // What the chip and its menu do, each for the vossel the chip shows.
    struct Actions {
        std::function<void()> select;
        std::function<void()> toggleVisible;
        std::function<void()> requestDelete;
    };

    VosselChip(IconGroup group, bool isSelected, Actions actions)
        : group_(std::move(group)), isSelected_(isSelected), actions_(std::move(actions)) {}

    ui::Node body() override;
    // The actions act on the vossel by its id, so the same vossel, equally selected, draws the
    // same chip: a rail of a thousand draws again only the chips that changed.
    bool sameInputs(const ui::View& previous) const override;

    // "ui.group." followed by the vossel's name.
    static std::string identifier(const IconGroup& group) { return "ui.group." + group.name; }

private:
    IconGroup group_;
    bool isSelected_;
    Actions actions_;
};

}  // namespace tessivane
