#include "desktop/display/DisplayAPI.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopWindow.h"
#include "platform/FileLocations.h"
#include "platform/RunLoop.h"
#include "platform/Text.h"
#include "ui/Assets.h"
#include "ui/Automation.h"
#include "ui/HostingView.h"

namespace desktop {

using nlohmann::json;

std::string DisplayResponse::bodyText() const {
    if (!text.empty()) return text;
    // Text a title brings in is not always UTF-8; it goes out replaced, never refused.
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

// ---- StateFeed ----

uint64_t StateFeed::publish(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (text == last_ && version_ > 0) return version_;
    ++version_;
    // The run and the version go in front of the text as compared, rather than serializing twice.
    text_ = "{\"run\":\"" + run_ + "\",\"version\":" + std::to_string(version_);
    if (text.size() > 2) text_ += ',';
    text_.append(text, 1, std::string::npos);
    last_ = text;
    changed_.notify_all();
    return version_;
}

uint64_t StateFeed::version() const {
    std::lock_guard lock(mutex_);
    return version_;
}

std::string StateFeed::waitNewer(uint64_t known, double timeoutSeconds, uint64_t& version, bool& closed) {
    std::unique_lock lock(mutex_);
    const uint64_t wakes = wakes_;
    changed_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                      [&] { return closed_ || version_ != known || wakes_ != wakes; });
    version = version_;
    closed = closed_;
    return text_;
}

std::string StateFeed::current(uint64_t& version) const {
    std::lock_guard lock(mutex_);
    version = version_;
    return text_;
}

void StateFeed::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

void StateFeed::wake() {
    std::lock_guard lock(mutex_);
    ++wakes_;
    changed_.notify_all();
}

bool StateFeed::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

// ---- requests ----

namespace {

// The longest key text: one character with its combining marks.
constexpr size_t kMaxKeyText = 64;
// How much simulated time a clock advance runs before it looks whether it should stop.
constexpr long double kAdvanceStep = 1;

DisplayResponse error(int status, std::string message) { return {status, json{{"ok", false}, {"error", std::move(message)}}}; }

DisplayResponse ok(json extra = json::object()) {
    extra["ok"] = true;
    return {200, std::move(extra)};
}

std::optional<double> finiteNumber(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end() || !it->is_number()) return std::nullopt;
    const double v = it->get<double>();
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<platform::ModifierFlags> modifiers(const json& body) {
    platform::ModifierFlags flags = 0;
    auto it = body.find("modifiers");
    if (it == body.end() || it->is_null()) return flags;
    if (!it->is_array()) return std::nullopt;
    for (const auto& m : *it) {
        if (!m.is_string()) return std::nullopt;
        const std::string name = m.get<std::string>();
        if (name == "command") flags |= platform::Modifier::command;
        else if (name == "control") flags |= platform::Modifier::control;
        else if (name == "option") flags |= platform::Modifier::option;
        else if (name == "shift") flags |= platform::Modifier::shift;
        else return std::nullopt;
    }
    return flags;
}

std::optional<MouseButton> buttonOf(const json& body) {
    auto it = body.find("button");
    if (it != body.end() && !it->is_string() && !it->is_null()) return std::nullopt;
    const std::string name = it != body.end() && it->is_string() ? it->get<std::string>() : "left";
    if (name == "left") return MouseButton::left;
    if (name == "right") return MouseButton::right;
    if (name == "other") return MouseButton::other;
    return std::nullopt;
}

std::string stringField(const json& body, const char* key) {
    auto it = body.find(key);
    return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

uint64_t DisplayAPI::publish() {
    bool changed = false;
    const std::string& text = state_.text(changed);
    return changed || feed_.version() == 0 ? feed_.publish(text) : feed_.version();
}

DisplayResponse DisplayAPI::handle(const std::string& method, const std::string& path, const std::string& body,
                                   const std::string& queryPath) {
    if (method == "GET") {
        if (path == "/state") {
            publish();
            uint64_t version = 0;
            return {200, nullptr, feed_.current(version)};  // the text as published, not read back
        }
        if (path == "/files") return files(queryPath);
        if (path == "/asset-file") {
            auto file = ui::assetFile(queryPath);
            if (!file) return error(404, "no such asset");
            return ok({{"file", file->string()}});
        }
        return error(404, "no such resource");
    }
    if (method != "POST") return error(405, "only GET and POST");

    json request = json::object();
    // The parser ends a text at a NUL; what follows it must not slip through unread.
    if (body.find('\0') != std::string::npos) return error(400, "the body has a NUL byte");
    if (!body.empty()) {
        request = json::parse(body, nullptr, false);
        if (request.is_discarded() || !request.is_object()) return error(400, "the body is not a JSON object");
    }
    if (path == "/pointer") return pointer(request);
    if (path == "/key") return key(request);
    if (path == "/act") return act(request);
    if (path == "/window") return windowAction(request);
    if (path == "/dialogs/accessibility") return accessibilityPrompt(request);
    if (path == "/settings/accessibility") return accessibilitySwitch(request);
    if (path == "/dialogs/open-panel") return openPanel(request);
    if (path == "/dialogs/alert") return alert(request);
    if (path == "/clock/advance") return advanceClock(request);
    return error(404, "no such command");
}

DisplayResponse DisplayAPI::pointer(const json& body) {
    auto x = finiteNumber(body, "x"), y = finiteNumber(body, "y");
    if (!x || !y) return error(400, "x and y must be numbers (AppKit screen points)");
    auto flags = modifiers(body);
    if (!flags) return error(400, "modifiers: a list of \"command\", \"control\", \"option\", \"shift\"");
    auto button = buttonOf(body);
    if (!button) return error(400, "button: \"left\", \"right\" or \"other\"");
    const platform::Point p{*x, *y};
    const std::string type = stringField(body, "type");
    if (type == "move") {
        desktop_.moveMouse(p, *flags);
    } else if (type == "down") {
        desktop_.mouseDown(p, *button, *flags);
    } else if (type == "up") {
        desktop_.mouseUp(p, *button, *flags);
    } else if (type == "click") {
        desktop_.click(p, *button, *flags);
    } else if (type == "dragged") {
        desktop_.dispatchMouse(platform::EventType::leftMouseDragged, p, 0, *flags, 1);
    } else if (type == "drag") {
        auto toX = finiteNumber(body, "toX"), toY = finiteNumber(body, "toY");
        if (!toX || !toY) return error(400, "a drag needs toX and toY");
        desktop_.drag(p, platform::Point{*toX, *toY}, *flags);
    } else {
        return error(400, "type: \"move\", \"down\", \"up\", \"click\", \"dragged\" or \"drag\"");
    }
    return ok();
}

DisplayResponse DisplayAPI::key(const json& body) {
    auto flags = modifiers(body);
    if (!flags) return error(400, "modifiers: a list of \"command\", \"control\", \"option\", \"shift\"");
    const std::string name = stringField(body, "key");
    namespace KeyCode = platform::KeyCode;
    if (name == "Return" || name == "Enter") {
        desktop_.pressKey(KeyCode::returnKey, "", *flags);
    } else if (name == "Escape") {
        desktop_.pressKey(KeyCode::escape, "", *flags);
    } else if (name == "Tab") {
        desktop_.pressKey(KeyCode::tab, "\t", *flags);
    } else if (name == "Backspace" || name == "Delete") {
        desktop_.pressKey(KeyCode::deleteKey, "\x7f", *flags);
    } else if (name == " " || name == "Space") {
        desktop_.pressKey(KeyCode::space, " ", *flags);
    } else if (name.size() <= kMaxKeyText && platform::Text::characterCount(name) == 1 &&
               static_cast<unsigned char>(name[0]) >= 0x20 && name[0] != 0x7f) {
        desktop_.pressKey(0, name, *flags);  // one user-perceived character
    } else {
        return error(400, "key: \"Return\", \"Escape\", \"Tab\", \"Delete\", \"Space\" or one character");
    }
    return ok();
}

DisplayResponse DisplayAPI::act(const json& body) {
    auto number = finiteNumber(body, "window");
    const std::string node = stringField(body, "node");
    const std::string action = stringField(body, "action");
    if (!number || node.empty()) return error(400, "act needs a window number and a node id");
    ServerWindow* w = desktop_.windows().find(static_cast<platform::CGWindowID>(*number));
    auto* hosting = w && w->platformWindow ? dynamic_cast<ui::HostingView*>(w->platformWindow->contentView().get()) : nullptr;
    if (!hosting || !w->ordered) return error(404, "no window of views with that number");
    ui::Element element = hosting->host().element(node);
    if (!element.exists()) return error(404, "no node " + node + " in that window");
    // Typing and Return reach a field only in the window keys go to: with another application in
    // front, or another window of this one key, they go nowhere, as on a Mac.
    const bool takesKeys = desktop_.firstResponder() == hosting;
    bool done = false;
    if (action == "click") done = element.click();
    else if (action == "rightClick") done = element.rightClick();
    else if (action == "controlClick") done = element.controlClick();
    else if (action == "hover") done = element.hover();
    else if (action == "unhover") done = element.unhover();
    else if (action == "toggle") done = element.toggle();
    else if (action == "submit") done = takesKeys && element.submit();
    else if (action == "type") {
        if (!body.contains("text") || !body["text"].is_string()) return error(400, "type needs a text");
        if (body["text"].get_ref<const std::string&>().size() > kMaxTypedText) {
            return error(400, "text: at most " + std::to_string(kMaxTypedText) + " bytes");
        }
        done = takesKeys && element.type(body["text"].get<std::string>());
    } else if (action == "choose") {
        if (!body.contains("title") || !body["title"].is_string()) return error(400, "choose needs a title");
        done = element.choose(body["title"].get<std::string>());
    } else {
        return error(400, "action: click, rightClick, controlClick, hover, unhover, type, toggle, choose or submit");
    }
    // A disabled node, or one a presented alert shuts off, takes no action.
    return ok({{"done", done}});
}

DisplayResponse DisplayAPI::windowAction(const json& body) {
    auto number = finiteNumber(body, "window");
    if (!number) return error(400, "window: a window number");
    ServerWindow* w = desktop_.windows().find(static_cast<platform::CGWindowID>(*number));
    if (!w || !w->ordered || !w->platformWindow || w->kind != WindowKind::ownWindow) {
        return error(404, "no window of this application with that number");
    }
    const std::string action = stringField(body, "action");
    if (action != "close") return error(400, "action: \"close\"");
    if (desktop_.currentAlert() || desktop_.currentOpenPanel()) {
        desktop_.application().beep();  // a modal session refuses other windows
        return ok({{"done", false}});
    }
    if ((w->platformWindow->styleMask() & platform::WindowStyle::closable) == 0) return ok({{"done", false}});
    w->platformWindow->performClose();
    return ok({{"done", true}});
}

DisplayResponse DisplayAPI::accessibilityPrompt(const json& body) {
    const std::string answer = stringField(body, "answer");
    if (answer != "openSystemSettings" && answer != "deny") return error(400, "answer: \"openSystemSettings\" or \"deny\"");
    if (!desktop_.isAccessibilityPromptShown()) return error(409, "the Accessibility prompt is not up");
    desktop_.answerAccessibilityPrompt(answer == "openSystemSettings");
    return ok();
}

DisplayResponse DisplayAPI::accessibilitySwitch(const json& body) {
    auto it = body.find("enabled");
    if (it == body.end() || !it->is_boolean()) return error(400, "enabled: true or false");
    desktop_.setAccessibilityTrusted(it->get<bool>());
    return ok();
}

DisplayResponse DisplayAPI::openPanel(const json& body) {
    if (!desktop_.currentOpenPanel()) return error(409, "no open panel is up");
    if (body.value("cancel", false)) {
        desktop_.answerOpenPanel(std::nullopt);
        return ok();
    }
    auto it = body.find("paths");
    if (it == body.end() || !it->is_array() || it->empty()) return error(400, "paths: a list of files in the home, or cancel");
    const platform::OpenPanel& panel = *desktop_.currentOpenPanel();
    std::vector<std::filesystem::path> chosen;
    for (const auto& p : *it) {
        if (!p.is_string()) return error(400, "paths: strings");
        auto file = insideHome(p.get<std::string>());
        std::error_code ec;
        if (file.empty() || !std::filesystem::exists(file, ec)) return error(404, "no such file in the home: " + p.get<std::string>());
        const bool directory = std::filesystem::is_directory(file, ec);
        if ((directory && !panel.canChooseDirectories) || (!directory && !panel.canChooseFiles)) {
            return error(400, "the panel does not take " + std::string(directory ? "folders" : "files"));
        }
        chosen.push_back(file);
    }
    // The panel's allowed types and single selection decide as they would for a person.
    if (!desktop_.answerOpenPanel(std::move(chosen))) {
        return error(400, "the panel does not take that choice: a type it does not allow, or more files than one");
    }
    return ok();
}

DisplayResponse DisplayAPI::alert(const json& body) {
    if (!desktop_.currentAlert()) return error(409, "no alert is up");
    const std::string button = stringField(body, "button");
    if (!desktop_.answerAlert(button)) return error(400, "the alert has no button \"" + button + "\"");
    return ok();
}

DisplayResponse DisplayAPI::advanceClock(const json& body) {
    auto seconds = finiteNumber(body, "seconds");
    if (!seconds || *seconds < 0 || *seconds > 86400) return error(400, "seconds: a number from 0 to 86400");
    auto& loop = platform::RunLoop::main();
    if (!loop.clock().isManual()) return error(409, "the clock is real; start with --clock manual to move it");
    // In steps of a second, so that quitting is not held up by a day of simulated time. The
    // steps add up to exactly `seconds`: each remainder is a suffix of its bits.
    const long double total = *seconds;
    long double done = 0;
    while (done < total && !interrupted_) {
        const double step = static_cast<double>(std::min<long double>(kAdvanceStep, total - done));
        loop.advance(step);
        done += step;
    }
    if (done < total) return error(503, "the desktop is shutting down");
    return ok({{"now", loop.now()}});
}

std::filesystem::path DisplayAPI::insideHome(const std::string& relative) const {
    std::error_code ec;
    const auto home = std::filesystem::weakly_canonical(platform::FileLocations::home(), ec);
    if (ec) return {};
    std::filesystem::path asked(relative);
    auto full = std::filesystem::weakly_canonical(asked.is_absolute() ? asked : home / asked, ec);
    if (ec) return {};
    auto [h, f] = std::mismatch(home.begin(), home.end(), full.begin(), full.end());
    if (h != home.end()) return {};
    return full;
}

DisplayResponse DisplayAPI::files(const std::string& relative) {
    auto folder = insideHome(relative);
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return error(404, "no such folder in the home");
    json entries = json::array();
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code e2;
        const bool directory = entry.is_directory(e2);
        json j = {{"name", name}, {"directory", directory}};
        if (!directory) j["size"] = entry.is_regular_file(e2) ? static_cast<double>(entry.file_size(e2)) : 0.0;
        entries.push_back(std::move(j));
    }
    std::sort(entries.begin(), entries.end(), [](const json& a, const json& b) {
        if (a["directory"] != b["directory"]) return a["directory"].get<bool>();
        return a["name"].get<std::string>() < b["name"].get<std::string>();
    });
    const auto home = std::filesystem::weakly_canonical(platform::FileLocations::home(), ec);
    return ok({{"path", std::filesystem::relative(folder, home, ec).generic_string()}, {"entries", entries}});
}

}  // namespace desktop
