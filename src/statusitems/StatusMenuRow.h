#pragma once
#include <functional>
#include <optional>
#include <string>

#include "ui/View.h"

namespace tessivane {

// One command of a status menu popover: symbol tile, title and an optional shortcut hint.
// The hint is text only; the row binds no key.
class StatusMenuRow : public ui::View {
public:
    StatusMenuRow(std::string symbol, std::string title, std::optional<std::string> shortcut,
                  std::function<void()> action)
        : symbol_(std::move(symbol)), title_(std::move(title)), shortcut_(std::move(shortcut)),
          action_(std::move(action)) {}
    ui::Node body() override;

private:
    std::string symbol_;
    std::string title_;
    std::optional<std::string> shortcut_;
    std::function<void()> action_;
    ui::State<bool> isHovering_{this, false};
};

}  // namespace tessivane
