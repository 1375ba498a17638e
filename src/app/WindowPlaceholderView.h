#pragma once
#include <string>
#include <utility>

#include "ui/Nodes.h"
#include "ui/View.h"

namespace tessivane {

// The content of a window whose own root view is not there yet: its title, centred.
class WindowPlaceholderView final : public ui::View {
public:
    explicit WindowPlaceholderView(std::string title) : title_(std::move(title)) {}

    ui::Node body() override {
        using namespace ui;
        return VStack(Text(title_).font(Font::title())).frame({.maxWidth = infinity, .maxHeight = infinity});
    }

private:
    std::string title_;
};

}  // namespace tessivane
