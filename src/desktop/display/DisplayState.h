#pragma once
#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/Workspace.h"

namespace platform {
class OpenPanel;
}
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
// Main thread only. The state is kept as the text of its parts, and a part is built again
// only when its sources say it may have changed: the desktop's change count, the hosts'
// changes, focus and open menus, the lines logged, the clock's second. A full rebuild
// every few seconds (and on every call in builds with assertions) catches a change that was
// not counted.
class DisplayState {
public:
    explicit DisplayState(Desktop& desktop) : desktop_(desktop) {}

    // The whole state, every part built afresh.
    nlohmann::json build();
    // The text of `build()`, rebuilt where something changed; `changed` says whether it
    // differs from the text of the call before.
    const std::string& text(bool& changed);
    // Parts a full rebuild found changed though nothing said they had (a change that was not
    // counted where it happened: a fault, which the full rebuild papers over).
    uint64_t unnoticedChanges() const { return unnoticed_; }

    // A stand-in picture for another application's status item, which a scene describes
    // only by its Accessibility texts: a Material Icons glyph, or a text the bar shows.
    static nlohmann::json foreignItemImage(const std::string& autosaveName, const std::string& ownerName,
                                           const std::string& title, const std::string& description,
                                           const std::string& identifier);

private:
    // The parts of the state that are kept as text, in the order of their keys.
    enum Part { logsPart, menuBarPart, screensPart, statusItemsPart, windowsPart, partCount };
    // Builds again the parts whose sources moved (every part when `everything`); true when a
    // part's text changed.
    bool refreshParts(bool everything);
    nlohmann::json buildPart(Part part);
    // The part's text: the windows' is written around their trees' texts, which the hosts
    // keep, rather than built as one value and written out.
    std::string partText(Part part);
    static std::string dumped(const nlohmann::json& j);
    bool hostsChanged() const;
    bool logsChanged();

    struct RecordCounts {
        size_t urls = 0, applications = 0, menuItems = 0, menus = 0;
        int beeps = 0, attention = 0;
        bool operator==(const RecordCounts&) const = default;
    };
    // The state's cheap fields as read on every call, compared as they are and made into
    // JSON only when they differ.
    struct Glance {
        double now = 0;
        bool manualClock = false, dark = false, active = false, terminated = false;
        platform::ActivationPolicy policy = platform::ActivationPolicy::regular;
        platform::Point pointer;
        bool trusted = false, promptShown = false, postEventAccess = false;
        int promptCount = 0;
        const platform::OpenPanel* openPanel = nullptr;  // the application's: read while it is up
        RecordCounts records;
        bool operator==(const Glance&) const = default;
    };
    Glance glance() const;
    nlohmann::json cheapFields(const Glance& glance);
    nlohmann::json records(const RecordCounts& counts);
    // Formats the clock's text when the clock's second moved; true when the text changed.
    bool updateClock();

    nlohmann::json screens() const;
    nlohmann::json menuBar() const;
    std::string statusItems();
    std::string windows();
    // The window's fields but its tree.
    nlohmann::json window(const ServerWindow& w);
    const std::string& treeOf(ui::HostingView& view, uint32_t windowNumber);
    nlohmann::json logs();
    std::string clockText(double second) const;

    Desktop& desktop_;
    std::string clock_;  // the menu bar clock's text, formatted once a second
    double clockSecond_ = -1;
    // Set while every part is built afresh: caches that trust what the sources say are not used.
    bool fresh_ = false;

    std::array<std::string, partCount> parts_;
    std::array<bool, partCount> built_{};
    uint64_t seenChanges_ = 0;
    std::optional<Glance> glance_;  // the cheap fields as last sent
    uint64_t seenLogLines_ = 0;
    double logsLookedAt_ = -1;  // the clock's second when the log files were last looked at
    std::string text_;
    std::chrono::steady_clock::time_point lastFullRebuild_{};
    uint64_t unnoticed_ = 0;

    std::optional<RecordCounts> recordCounts_;
    nlohmann::json records_;

    // What a window's tree showed when the windows part was last written.
    struct CachedTree {
        const void* host = nullptr;
        uint64_t changes = 0;
        std::string focused, openMenu;
    };
    std::unordered_map<uint32_t, CachedTree> trees_;
    // The windows whose trees the last windows part showed: their hosts say when they change.
    std::vector<uint32_t> treeWindows_;

    struct LogStamp {
        std::uintmax_t size = static_cast<std::uintmax_t>(-1);
        std::chrono::nanoseconds modified{0};
        ino_t inode = 0;
        bool operator==(const LogStamp&) const = default;
    };
    struct CachedLog {
        LogStamp stamp;
        nlohmann::json lines = nlohmann::json::array();
    };
    // A log file as it is now: absent (the default) unless it is a regular file, not a link.
    static LogStamp stampOf(const std::filesystem::path& file);
    static std::filesystem::path logFile(const char* name);
    // The last lines of an open log file, from at most its last kLogTailBytes.
    static nlohmann::json tailLines(int fd, off_t size);
    std::unordered_map<std::string, CachedLog> logs_;
};

}  // namespace desktop
