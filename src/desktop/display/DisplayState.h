#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Image.h"

namespace ui {
class HostingView;
}

namespace desktop {

class Desktop;
struct ServerWindow;

// What the page draws, as JSON (docs/display.md lists every field): the screens and the
// menu bar, every status item at its frame and alpha, the windows from back to front with
// the view trees of this application's windows and popovers, menus, alerts, the system
// dialogs, the logs' tails. Frames are AppKit screen coordinates `[x, y, width, height]`.
// Main thread only. Keeps caches (serialized trees, log tails) so that
// building it many times a second costs little when little changed.
class DisplayState {
public:
    explicit DisplayState(Desktop& desktop) : desktop_(desktop) {}

    nlohmann::json build();

    // A stand-in picture for another application's status item, which a scene describes
    // only by its Accessibility texts: a Material Icons glyph, or a text the bar shows.
    static nlohmann::json foreignItemImage(const std::string& autosaveName, const std::string& ownerName,
                                           const std::string& title, const std::string& description,
                                           const std::string& identifier);

private:
    nlohmann::json screens() const;
    nlohmann::json menuBar() const;
    nlohmann::json statusItems();
    nlohmann::json windows();
    nlohmann::json window(const ServerWindow& w);
    nlohmann::json treeOf(ui::HostingView& view, uint32_t windowNumber);
    nlohmann::json logs();
    std::string clockText() const;

    Desktop& desktop_;
    std::string clock_;  // the menu bar clock's text, once per build

    struct CachedTree {
        const void* host = nullptr;
        uint64_t renders = 0;
        std::string focused, openMenu;
        nlohmann::json tree;
    };
    std::unordered_map<uint32_t, CachedTree> trees_;

    struct CachedLog {
        std::uintmax_t size = static_cast<std::uintmax_t>(-1);
        std::chrono::nanoseconds modified{0};
        ino_t inode = 0;
        nlohmann::json lines = nlohmann::json::array();
    };
    // The last lines of an open log file, from at most its last kLogTailBytes.
    static nlohmann::json tailLines(int fd, off_t size);
    std::unordered_map<std::string, CachedLog> logs_;
};

}  // namespace desktop
