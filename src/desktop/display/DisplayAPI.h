#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "desktop/display/DisplayState.h"
#include "platform/UUID.h"

namespace desktop {

class Desktop;

struct DisplayResponse {
    int status = 200;
    nlohmann::json body;
    // A body that is JSON text already (the published state), sent as it is; `body` is then null.
    std::string text;

    // The body as it goes out.
    std::string bodyText() const;
};

// The published state: the last state text with a version that moves whenever the state
// changes. Written on the main thread, read by the server's threads.
class StateFeed {
public:
    // Stores `state` (the state's JSON text, without its version) and returns the version; a
    // state equal to the last one keeps the version.
    uint64_t publish(const std::string& state);
    uint64_t version() const;
    // The state text (with "version") once the version differs from `known`, or after
    // `timeout`, or once the feed is closed; `version` says which one it is, `closed` whether
    // this is the last state there will be.
    std::string waitNewer(uint64_t known, double timeoutSeconds, uint64_t& version, bool& closed);
    std::string current(uint64_t& version) const;
    // No state follows the last one published: waiting readers get it and end.
    void close();
    // Waiting readers return now with the state they know (one of them should end).
    void wake();
    bool closed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string last_;  // the state as compared, without the version
    std::string text_;  // the state as sent, with the version
    uint64_t version_ = 0;
    bool closed_ = false;
    uint64_t wakes_ = 0;
    // Tells a restarted process from the one before it: its versions start again at 1.
    const std::string run_ = platform::UUID::random().uuidString();
};

// The JSON API of the display (docs/display.md), run on the main thread: reading the
// state, and input that reaches the application through the desktop's event path (pointer
// and keys) or the view layer's automation (actions on view nodes), answers to the system's
// dialogs, and the manual clock. The HTTP server hands every request here; tests call it
// directly.
class DisplayAPI {
public:
    explicit DisplayAPI(Desktop& desktop) : desktop_(desktop), state_(desktop) {}

    // One request: "GET" or "POST", a path below /api ("/state", "/pointer"...), the body
    // (JSON for POST) and the query string's `path` (for /files).
    DisplayResponse handle(const std::string& method, const std::string& path, const std::string& body,
                           const std::string& queryPath = "");
    // Publishes the state as it is now (rebuilt where something changed); returns the version.
    uint64_t publish();
    // See DisplayState::unnoticedChanges.
    uint64_t unnoticedChanges() const { return state_.unnoticedChanges(); }
    StateFeed& feed() { return feed_; }
    Desktop& desktop() { return desktop_; }
    // Any thread (quitting): a clock advance that is running ends at its next second of
    // simulated time, and no other starts.
    void interrupt() { interrupted_ = true; }

    // Text typed into a field in one request, in bytes; more is refused.
    static constexpr size_t kMaxTypedText = 4096;

private:
    DisplayResponse pointer(const nlohmann::json& body);
    DisplayResponse key(const nlohmann::json& body);
    DisplayResponse act(const nlohmann::json& body);
    DisplayResponse windowAction(const nlohmann::json& body);
    DisplayResponse accessibilityPrompt(const nlohmann::json& body);
    DisplayResponse accessibilitySwitch(const nlohmann::json& body);
    DisplayResponse openPanel(const nlohmann::json& body);
    DisplayResponse alert(const nlohmann::json& body);
    DisplayResponse advanceClock(const nlohmann::json& body);
    DisplayResponse files(const std::string& relative);
    // A path the page names, inside the simulated home; empty when it leads outside.
    std::filesystem::path insideHome(const std::string& relative) const;

    Desktop& desktop_;
    DisplayState state_;
    StateFeed feed_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace desktop
