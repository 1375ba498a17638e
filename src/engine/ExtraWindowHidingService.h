#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/MenuBarItemID.h"
#include "platform/RunLoop.h"
#include "platform/WindowServer.h"

namespace tessivane {

// Keeps the menu bar windows of the vossels' members fully transparent through the window
// server's private alpha functions, re-applied 30 times a second because the owners redraw
// their icons at will. Every synchronisation is written to the hide log.
class ExtraWindowHidingService {
public:
    static constexpr const char* logFileName = "tessivane-hide.log";
    static constexpr double reapplyInterval = 1.0 / 30.0;

    ExtraWindowHidingService();
    ~ExtraWindowHidingService();
    ExtraWindowHidingService(const ExtraWindowHidingService&) = delete;
    ExtraWindowHidingService& operator=(const ExtraWindowHidingService&) = delete;

    // Hides the windows of every live icon that one of the members means, and nothing else.
    void sync(const std::unordered_set<MenuBarItemID>& hiddenIDs, const std::vector<DiscoveredMenuBarItem>& items);
    // Makes the hidden windows opaque and pauses re-applying; the next `sync` resumes.
    void reveal(const MenuBarItemID& itemID);
    // Makes every hidden window opaque for good (at quit).
    void restoreAll();

    const std::vector<platform::CGWindowID>& hiddenWindows() const { return hiddenWindows_; }
    const platform::TimerRef& timer() const { return timer_; }
    bool isPaused() const { return paused_; }

    // The log line of one synchronisation (without time stamp).
    static std::string syncMessage(const std::vector<platform::CGWindowID>& windows,
                                   const std::unordered_set<MenuBarItemID>& hiddenIDs,
                                   const std::vector<DiscoveredMenuBarItem>& items);

private:
    // The private functions as looked up by name; any of them may be missing.
    struct AlphaFunctions {
        platform::CGSMainConnectionIDFn mainConnection = nullptr;
        platform::CGSSetWindowListAlphaFn setWindowListAlpha = nullptr;
        platform::CGSSetWindowAlphaFn setWindowAlpha = nullptr;
        platform::CGSSetWindowAlphaFn slsSetWindowAlpha = nullptr;
        static AlphaFunctions lookUp();
    };

    void startTimerIfNeeded();
    void reapply();
    void setAlpha(const AlphaFunctions& functions, float alpha) const;
    static void setAlpha(const AlphaFunctions& functions, float alpha, const std::vector<platform::CGWindowID>& windows);
    void log(const std::string& message) const;

    std::vector<platform::CGWindowID> hiddenWindows_;
    platform::TimerRef timer_;
    bool paused_ = false;
    // Looked up at each sync for the ticks until the next one, which keeps the tick free of
    // name look-ups.
    AlphaFunctions tickFunctions_;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace tessivane
