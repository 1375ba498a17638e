#include "desktop/Scene.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "platform/RegularFile.h"

namespace desktop {

using nlohmann::json;
using platform::PropertyValue;

namespace {

struct SceneError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw SceneError(where + ": " + what);
}

const json* field(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

std::string path(const std::string& where, const char* key) { return where + "." + key; }

std::optional<std::string> optString(const json& o, const char* key, const std::string& where) {
    const json* v = field(o, key);
    if (!v) return std::nullopt;
    if (!v->is_string()) fail(path(where, key), "expected a string");
    return v->get<std::string>();
}

std::string string(const json& o, const char* key, const std::string& where, std::string fallback = "") {
    return optString(o, key, where).value_or(std::move(fallback));
}

std::optional<double> optNumber(const json& o, const char* key, const std::string& where) {
    const json* v = field(o, key);
    if (!v) return std::nullopt;
    if (!v->is_number()) fail(path(where, key), "expected a number");
    return v->get<double>();
}

// A number within [min, max]; absent when the key is missing.
std::optional<double> optNumberWithin(const json& o, const char* key, const std::string& where, double min, double max) {
    auto v = optNumber(o, key, where);
    if (v && !(*v >= min && *v <= max)) {
        std::ostringstream range;
        range << "expected a number from " << min << " to " << max;
        fail(path(where, key), range.str());
    }
    return v;
}

// A whole number within [min, max]; absent when the key is missing.
std::optional<int64_t> optWhole(const json& o, const char* key, const std::string& where, double min, double max) {
    auto v = optNumber(o, key, where);
    if (!v) return std::nullopt;
    if (!(*v >= min && *v <= max) || std::floor(*v) != *v) {
        fail(path(where, key), "expected a whole number from " + std::to_string(static_cast<int64_t>(min)) + " to " +
                                   std::to_string(static_cast<int64_t>(max)));
    }
    return static_cast<int64_t>(*v);
}

bool boolean(const json& o, const char* key, const std::string& where, bool fallback) {
    const json* v = field(o, key);
    if (!v) return fallback;
    if (!v->is_boolean()) fail(path(where, key), "expected true or false");
    return v->get<bool>();
}

std::optional<std::vector<std::string>> optStrings(const json& o, const char* key, const std::string& where) {
    const json* v = field(o, key);
    if (!v) return std::nullopt;
    if (!v->is_array()) fail(path(where, key), "expected a list of strings");
    std::vector<std::string> out;
    for (const auto& s : *v) {
        if (!s.is_string()) fail(path(where, key), "expected a list of strings");
        out.push_back(s.get<std::string>());
    }
    return out;
}

const json& array(const json& o, const char* key, const std::string& where) {
    static const json empty = json::array();
    const json* v = field(o, key);
    if (!v) return empty;
    if (!v->is_array()) fail(path(where, key), "expected a list");
    return *v;
}

void requireObject(const json& v, const std::string& where) {
    if (!v.is_object()) fail(where, "expected an object");
}

platform::Rect rect(const json& v, const std::string& where) {
    if (v.is_array() && v.size() == 4) {
        for (const auto& n : v) {
            if (!n.is_number()) fail(where, "expected [x, y, width, height]");
        }
        return platform::Rect{v[0].get<double>(), v[1].get<double>(), v[2].get<double>(), v[3].get<double>()};
    }
    fail(where, "expected [x, y, width, height]");
}

platform::Size size(const json& v, const std::string& where) {
    requireObject(v, where);
    auto w = optNumber(v, "width", where), h = optNumber(v, "height", where);
    if (!w || !h || *w < 0 || *h < 0) fail(where, "expected {\"width\": w, \"height\": h}");
    return platform::Size{*w, *h};
}

// Real preferences nest a few levels; the limit keeps the recursion below far from the
// stack's end whatever a scene holds.
constexpr int kDeepestPreference = 32;
// Accessibility children below a status item, as documented for scenes.
constexpr int kDeepestAXChildren = 3;

PropertyValue property(const json& v, const std::string& where, int depth) {
    if (depth > kDeepestPreference) fail(where, "nests deeper than " + std::to_string(kDeepestPreference) + " levels");
    switch (v.type()) {
        case json::value_t::boolean: return PropertyValue(v.get<bool>());
        case json::value_t::number_integer:
        case json::value_t::number_unsigned: return PropertyValue(v.get<int64_t>());
        case json::value_t::number_float: return PropertyValue(v.get<double>());
        case json::value_t::string: return PropertyValue(v.get<std::string>());
        case json::value_t::array: {
            platform::PropertyArray a;
            for (const auto& e : v) a.push_back(property(e, where + "[]", depth + 1));
            return PropertyValue(std::move(a));
        }
        case json::value_t::object: {
            platform::PropertyDictionary d;
            for (auto it = v.begin(); it != v.end(); ++it) d[it.key()] = property(it.value(), where + "." + it.key(), depth + 1);
            return PropertyValue(std::move(d));
        }
        default: fail(where, "a preference value cannot be null");
    }
}

// The children of a status item's element are at depth 1.
std::vector<SceneAXNode> axChildren(const json& parent, const std::string& where, int depth);

SceneAXNode axNode(const json& v, const std::string& where, int depth) {
    if (depth > kDeepestAXChildren) {
        fail(where, "children nest " + std::to_string(kDeepestAXChildren) + " levels at most");
    }
    requireObject(v, where);
    SceneAXNode n;
    n.role = string(v, "role", where, "AXGroup");
    n.title = string(v, "title", where);
    n.description = string(v, "description", where);
    n.help = string(v, "help", where);
    n.identifier = string(v, "identifier", where);
    n.children = axChildren(v, where, depth + 1);
    return n;
}

std::vector<SceneAXNode> axChildren(const json& parent, const std::string& where, int depth) {
    std::vector<SceneAXNode> children;
    const auto& kids = array(parent, "children", where);
    for (size_t i = 0; i < kids.size(); ++i) {
        children.push_back(axNode(kids[i], where + ".children[" + std::to_string(i) + "]", depth));
    }
    return children;
}

SceneStatusItem statusItem(const json& v, const std::string& where, size_t index) {
    requireObject(v, where);
    SceneStatusItem s;
    s.autosaveName = string(v, "autosaveName", where, "Item-" + std::to_string(index));
    if (auto w = optNumber(v, "width", where)) {
        if (*w <= 0 || *w > 4000) fail(path(where, "width"), "expected a width between 0 and 4000");
        s.width = *w;
    }
    s.position = optNumber(v, "position", where);
    s.visible = boolean(v, "visible", where, true);
    s.title = string(v, "title", where);
    s.description = string(v, "description", where);
    s.help = string(v, "help", where);
    s.identifier = string(v, "identifier", where);
    if (auto a = optStrings(v, "actions", where)) s.actions = *a;
    s.children = axChildren(v, where, 1);
    s.drawnByControlCenter = boolean(v, "drawnByControlCenter", where, false);
    s.windowName = optString(v, "windowName", where);
    if (auto m = optStrings(v, "menu", where)) s.menu = *m;
    if (auto m = optStrings(v, "contextMenu", where)) s.contextMenu = *m;
    return s;
}

platform::ActivationPolicy policy(const std::string& text, const std::string& where) {
    if (text == "regular") return platform::ActivationPolicy::regular;
    if (text == "accessory") return platform::ActivationPolicy::accessory;
    if (text == "prohibited") return platform::ActivationPolicy::prohibited;
    fail(where, "expected \"regular\", \"accessory\" or \"prohibited\"");
}

SceneApplication application(const json& v, const std::string& where) {
    requireObject(v, where);
    SceneApplication a;
    auto pid = optWhole(v, "pid", where, 1, INT32_MAX);
    if (!pid) fail(path(where, "pid"), "missing");
    a.pid = static_cast<int32_t>(*pid);
    a.name = optString(v, "name", where);
    a.bundleIdentifier = optString(v, "bundleIdentifier", where);
    a.bundlePath = optString(v, "bundlePath", where);
    if (auto p = optString(v, "activationPolicy", where)) a.activationPolicy = policy(*p, path(where, "activationPolicy"));
    a.answersAccessibility = boolean(v, "answersAccessibility", where, true);
    if (auto m = optStrings(v, "menus", where)) a.menus = *m;
    const auto& items = array(v, "statusItems", where);
    for (size_t i = 0; i < items.size(); ++i) {
        a.statusItems.push_back(statusItem(items[i], where + ".statusItems[" + std::to_string(i) + "]", i));
    }
    const auto& windows = array(v, "windows", where);
    for (size_t i = 0; i < windows.size(); ++i) {
        std::string w = where + ".windows[" + std::to_string(i) + "]";
        requireObject(windows[i], w);
        SceneWindow sw;
        sw.name = string(windows[i], "name", w);
        const json* f = field(windows[i], "frame");
        if (!f) fail(path(w, "frame"), "missing");
        sw.frame = rect(*f, path(w, "frame"));
        sw.layer = static_cast<int>(optWhole(windows[i], "layer", w, INT32_MIN, INT32_MAX).value_or(0));
        a.windows.push_back(sw);
    }
    return a;
}

Scene sceneFrom(const json& root) {
    const std::string where = "scene";
    requireObject(root, where);
    Scene s;
    s.name = string(root, "name", where, "Untitled");
    const auto& screens = array(root, "screens", where);
    for (size_t i = 0; i < screens.size(); ++i) {
        std::string w = where + ".screens[" + std::to_string(i) + "]";
        requireObject(screens[i], w);
        SceneScreen sc;
        sc.name = string(screens[i], "name", w, "Display");
        const json* f = field(screens[i], "frame");
        if (!f) fail(path(w, "frame"), "missing");
        sc.frame = rect(*f, path(w, "frame"));
        if (sc.frame.width() < 100 || sc.frame.height() < 100) fail(path(w, "frame"), "a screen is at least 100 x 100");
        sc.scale = optNumberWithin(screens[i], "scale", w, 1, 4).value_or(2);
        if (const json* h = field(screens[i], "cameraHousing")) {
            sc.cameraHousing = size(*h, path(w, "cameraHousing"));
            if (sc.cameraHousing->width >= sc.frame.width() || sc.cameraHousing->height >= sc.frame.height()) {
                fail(path(w, "cameraHousing"), "does not fit into the screen");
            }
        }
        sc.isMain = boolean(screens[i], "main", w, false);
        s.screens.push_back(sc);
    }
    s.menuBarThickness = optNumberWithin(root, "menuBarThickness", where, 1, 100);
    if (auto a = optString(root, "appearance", where)) {
        if (*a != "light" && *a != "dark") fail(path(where, "appearance"), "expected \"light\" or \"dark\"");
        s.darkAppearance = *a == "dark";
    }
    s.timeZone = string(root, "timeZone", where, "UTC");
    s.frontmost = optString(root, "frontmost", where);
    if (const json* self = field(root, "self")) {
        requireObject(*self, path(where, "self"));
        if (auto pid = optWhole(*self, "pid", path(where, "self"), 1, INT32_MAX)) s.selfPID = static_cast<int32_t>(*pid);
        s.selfName = string(*self, "name", path(where, "self"), s.selfName);
        s.selfBundlePath = string(*self, "bundlePath", path(where, "self"), s.selfBundlePath);
    }
    if (const json* ax = field(root, "accessibility")) {
        requireObject(*ax, path(where, "accessibility"));
        s.accessibilityTrusted = boolean(*ax, "trusted", path(where, "accessibility"), false);
        s.grantAccessibilityOnPrompt = boolean(*ax, "grantOnPrompt", path(where, "accessibility"), false);
    }
    s.postEventAccess = boolean(root, "postEventAccess", where, false);
    if (const json* li = field(root, "loginItems")) {
        requireObject(*li, path(where, "loginItems"));
        s.loginItemsAllowed = boolean(*li, "allowed", path(where, "loginItems"), true);
        s.loginItemsRequireApproval = boolean(*li, "requiresApproval", path(where, "loginItems"), false);
    }
    if (const json* ws = field(root, "windowServer")) {
        requireObject(*ws, path(where, "windowServer"));
        s.skyLightFunctions = optStrings(*ws, "skyLight", path(where, "windowServer"));
        s.coreGraphicsFunctions = optStrings(*ws, "coreGraphics", path(where, "windowServer"));
    }
    if (const json* prefs = field(root, "preferences")) {
        requireObject(*prefs, path(where, "preferences"));
        for (auto it = prefs->begin(); it != prefs->end(); ++it) {
            std::string w = path(where, "preferences") + "." + it.key();
            if (it.key().empty() || it.key().find('/') != std::string::npos) fail(w, "is not a domain name");
            requireObject(it.value(), w);
            auto value = property(it.value(), w, 1);
            s.preferences.emplace_back(it.key(), *value.asDictionary());
        }
    }
    const auto& apps = array(root, "applications", where);
    for (size_t i = 0; i < apps.size(); ++i) {
        s.applications.push_back(application(apps[i], where + ".applications[" + std::to_string(i) + "]"));
    }
    const auto& known = array(root, "knownApplications", where);
    for (size_t i = 0; i < known.size(); ++i) {
        std::string w = where + ".knownApplications[" + std::to_string(i) + "]";
        requireObject(known[i], w);
        auto id = optString(known[i], "bundleIdentifier", w);
        auto p = optString(known[i], "path", w);
        if (!id || !p) fail(w, "expected a bundleIdentifier and a path");
        s.knownApplications.push_back({*id, *p});
    }
    // Process identifiers name processes; two applications cannot share one.
    for (size_t i = 0; i < s.applications.size(); ++i) {
        if (s.applications[i].pid == s.selfPID) fail(where + ".applications[" + std::to_string(i) + "].pid", "is this application's own");
        for (size_t j = 0; j < i; ++j) {
            if (s.applications[i].pid == s.applications[j].pid) {
                fail(where + ".applications[" + std::to_string(i) + "].pid", "is used twice");
            }
        }
    }
    // The menu bar and every frame are laid out on a screen.
    if (s.screens.empty()) fail(path(where, "screens"), "expected at least one screen");
    return s;
}

}  // namespace

std::optional<Scene> Scene::parse(const std::string& text, std::string& error) {
    json root;
    try {
        root = json::parse(text, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/true);
    } catch (const json::exception& e) {
        // A syntax error, and also a number too large for a double (out of range).
        error = std::string("the scene is not valid JSON: ") + e.what();
        return std::nullopt;
    }
    try {
        return sceneFrom(root);
    } catch (const SceneError& e) {
        error = e.what();
    } catch (const json::exception& e) {
        error = std::string("scene: ") + e.what();
    }
    return std::nullopt;
}

std::optional<Scene> Scene::load(const std::filesystem::path& file, std::string& error) {
    // A scene is a few kilobytes of JSON; a file a thousand times that is a mistake.
    constexpr size_t kLargestScene = 16 * 1024 * 1024;
    std::string text;
    if (const int failure = platform::RegularFile::read(file, kLargestScene, text); failure != 0) {
        error = "cannot read the scene " + file.string() + ": ";
        if (failure == EINVAL) error += "not a regular file (a FIFO, a device or a socket)";
        else if (failure == EFBIG) error += "larger than 16 MB";
        else error += std::strerror(failure);
        return std::nullopt;
    }
    auto scene = parse(text, error);
    if (!scene) error = file.string() + ": " + error;
    return scene;
}

Scene Scene::minimal() {
    Scene s;
    s.name = "Minimal";
    SceneScreen screen;
    screen.name = "Built-in Retina Display";
    screen.frame = platform::Rect{0, 0, 1512, 982};
    screen.cameraHousing = platform::Size{188, 32};
    screen.isMain = true;
    s.screens.push_back(screen);
    return s;
}

}  // namespace desktop
