#pragma once
#include <functional>

#include "ui/View.h"

namespace tessivane {

// A transparent layer over a popover row that takes every click on the row itself: a left
// click, and separately a right click or a Control-click. It is laid out left to right
// whatever the language, and the row's own content never sees the click.
class ClickableRow : public ui::View {
public:
    ClickableRow(std::function<void()> onLeftClick, std::function<void()> onRightClick)
        : onLeftClick_(std::move(onLeftClick)), onRightClick_(std::move(onRightClick)) {}
    ui::Node body() override;

private:
    std::function<void()> onLeftClick_;
    std::function<void()> onRightClick_;
};

}  // namespace tessivane
