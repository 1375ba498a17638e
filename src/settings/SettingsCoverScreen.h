#pragma once
#include <functional>
#include <string>

#include "ui/View.h"

namespace tessivane {

// A secondary page that covers the whole settings window: a header with a Back button
// (Escape too) and a centred title, a divider, then the page's content.
class SettingsCoverScreen : public ui::View {
public:
    SettingsCoverScreen(std::string title, std::function<void()> onBack, ui::Node content)
        : title_(std::move(title)), onBack_(std::move(onBack)), content_(std::move(content)) {}

    ui::Node body() override;

    // The header row of a cover: Back, the centred title, and `trailing` framed as wide as
    // the Back button so that the title stays centred.
    static ui::Node header(const std::function<void()>& onBack, ui::Node title, ui::Node trailing);
    // A cover's page: the header, a divider and `content`, filling the window on the
    // control background.
    static ui::Node page(ui::Node header, ui::Node content);
    static ui::Node titleText(const std::string& title);

private:
    std::string title_;
    std::function<void()> onBack_;
    ui::Node content_;
};

}  // namespace tessivane
