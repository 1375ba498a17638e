#pragma once
#include <functional>

#include "ui/Node.h"
#include "ui/View.h"

namespace tessivane {

// Makes a whole popover row one click target that reports a left click and, separately, a
// right click or a Control-click. Nothing inside the row takes the click itself, and the
// row is laid out left to right whatever the language.
class ClickableRow : public ui::View {
public:
    ClickableRow(ui::Node content, std::function<void()> onLeftClick, std::function<void()> onRightClick)
        : content_(std::move(content)), onLeftClick_(std::move(onLeftClick)), onRightClick_(std::move(onRightClick)) {}
    ui::Node body() override;

private:
    ui::Node content_;
    std::function<void()> onLeftClick_;
    std::function<void()> onRightClick_;
};

}  // namespace tessivane
