#pragma once
#include <functional>

#include "ui/View.h"

namespace tessivane {

// The application's own menu popover: its name and seven commands. 260 points wide, laid
// out left to right whatever the language. The shortcut hints are text only.
class AppMenuPopoverView : public ui::View {
public:
    struct Commands {
        std::function<void()> onSettings;
        std::function<void()> onWelcomeTour;
        std::function<void()> onCheckForUpdates;
        std::function<void()> onWebsite;
        std::function<void()> onSupport;
        std::function<void()> onTip;
        std::function<void()> onQuit;
    };

    explicit AppMenuPopoverView(Commands commands) : commands_(std::move(commands)) {}
    ui::Node body() override;

private:
    Commands commands_;
};

}  // namespace tessivane
