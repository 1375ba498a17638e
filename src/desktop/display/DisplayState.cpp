#include "desktop/display/DisplayState.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopStatusItem.h"
#include "desktop/DesktopWindow.h"
#include "platform/DateFormatting.h"
#include "platform/FileLocations.h"
#include "platform/LogFile.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "ui/HostingView.h"
#include "ui/JsonWriter.h"
#include "ui/TreeSerializer.h"

namespace desktop {

using nlohmann::json;
using platform::Rect;

namespace {

constexpr size_t kLogTailLines = 40;
// A log's tail is read from its last 64 KiB, and a line shows its first 1,000 bytes.
constexpr size_t kLogTailBytes = 64 * 1024;
constexpr size_t kLogLineBytes = 1000;
constexpr size_t kRecordTail = 20;

json rect(const Rect& r) { return json::array({r.minX(), r.minY(), r.width(), r.height()}); }


const char* policyName(platform::ActivationPolicy p) {
    switch (p) {
        case platform::ActivationPolicy::regular: return "regular";
        case platform::ActivationPolicy::accessory: return "accessory";
        case platform::ActivationPolicy::prohibited: return "prohibited";
    }
    return "accessory";
}

const char* kindName(WindowKind k) {
    switch (k) {
        case WindowKind::ownWindow: return "window";
        case WindowKind::appWindow: return "appWindow";
        case WindowKind::popover: return "popover";
        case WindowKind::menu: return "menu";
        case WindowKind::alert: return "alert";
        case WindowKind::systemDialog: return "systemDialog";
        case WindowKind::dock: return "dock";
        case WindowKind::menuBar: return "menuBar";
        case WindowKind::statusItem: return "statusItem";
        case WindowKind::desktopPicture: return "desktopPicture";
    }
    return "window";
}

const char* edgeName(platform::RectEdge e) {
    switch (e) {
        case platform::RectEdge::minX: return "minX";
        case platform::RectEdge::minY: return "minY";
        case platform::RectEdge::maxX: return "maxX";
        case platform::RectEdge::maxY: return "maxY";
    }
    return "minY";
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

json appJSON(const SimulatedApp* app) {
    if (!app) return nullptr;
    return json{{"pid", app->pid}, {"name", app->ownerName()}, {"bundleIdentifier", app->bundleIdentifier.value_or("")}};
}

ui::HostingView* hostingViewOf(const ServerWindow& w) {
    if (!w.platformWindow) return nullptr;
    return dynamic_cast<ui::HostingView*>(w.platformWindow->contentView().get());
}

}  // namespace

json DisplayState::foreignItemImage(const std::string& autosaveName, const std::string& ownerName,
                                    const std::string& title, const std::string& description,
                                    const std::string& identifier) {
    // Control Center's modules by their autosave names.
    static const std::pair<const char*, const char*> modules[] = {
        {"BentoBox", "toggle_on"},       {"DoNotDisturb", "dark_mode"},    {"FocusModes", "dark_mode"},
        {"AudioVideoModule", "volume_up"}, {"Sound", "volume_up"},          {"Battery", "battery_full"},
        {"WiFi", "wifi"},                {"Bluetooth", "bluetooth"},       {"Display", "brightness_6"},
        {"NowPlaying", "play_circle"},   {"UserSwitcher", "account_circle"}, {"ScreenMirroring", "cast"},
        {"KeyboardBrightness", "keyboard"}, {"AirDrop", "share"},          {"Siri", "mic"},
    };
    // Words in an item's name, description or identifier, and the glyph that suggests them.
    static const std::pair<const char*, const char*> words[] = {
        {"spotlight", "search"},    {"siri", "mic"},              {"sound", "volume_up"},
        {"parcel", "local_shipping"}, {"deliver", "local_shipping"}, {"sync", "sync"},
        {"note", "sticky_note_2"},  {"clean", "cleaning_services"}, {"klarsicht", "cleaning_services"},
        {"stillwater", "spa"},      {"breath", "spa"},            {"bright", "brightness_6"},
        {"lumen", "brightness_6"},  {"clipboard", "content_paste"}, {"quill", "content_paste"},
        {"vpn", "vpn_key"},         {"orbit", "view_carousel"},   {"dock", "view_carousel"},
        {"kettle", "coffee"},       {"awake", "coffee"},          {"weather", "wb_cloudy"},
        {"sundial", "wb_cloudy"},   {"timer", "timer"},           {"tally", "timer"},
        {"music", "music_note"},    {"mail", "mail"},             {"calendar", "calendar_today"},
        {"password", "key"},        {"backup", "backup"},         {"cloud", "cloud"},
        {"wifi", "wifi"},           {"bluetooth", "bluetooth"},   {"battery", "battery_full"},
    };
    json j = json::object();
    if (!title.empty()) j["text"] = title;
    for (const auto& [name, glyph] : modules) {
        if (autosaveName == name) {
            j["glyph"] = glyph;
            return j;
        }
    }
    // A text of its own (an input source's "U.S.") is the whole picture unless a word says more.
    const std::string haystack = lower(ownerName + " " + description + " " + identifier);
    for (const auto& [word, glyph] : words) {
        if (haystack.find(word) != std::string::npos) {
            if (title.empty() || std::string(word) != "sound") j["glyph"] = glyph;
            return j;
        }
    }
    if (title.empty()) {
        std::string letter = ownerName.empty() ? std::string("?") : ownerName.substr(0, 1);
        j["monogram"] = letter;
    }
    return j;
}

DisplayState::Glance DisplayState::glance() const {
    const Desktop& d = desktop_;
    auto& app = desktop_.application();
    auto& loop = platform::RunLoop::main();
    Glance g;
    g.manualClock = loop.clock().isManual();
    // A real clock shows whole seconds, so that an idle desktop publishes once a second.
    g.now = g.manualClock ? loop.now() : std::floor(loop.now());
    g.dark = app.effectiveAppearanceIsDark();
    g.policy = app.activationPolicy();
    g.active = app.isActive();
    g.terminated = app.isTerminated();
    g.pointer = d.mouseLocation();
    g.trusted = d.isAccessibilityTrusted();
    g.promptShown = d.isAccessibilityPromptShown();
    g.promptCount = d.accessibilityPromptCount();
    g.postEventAccess = d.postEventAccess();
    g.openPanel = d.currentOpenPanel();
    g.records = RecordCounts{d.openedURLs().size(),      d.openedApplications().size(),
                             d.chosenMenuItems().size(), d.openedMenus().size(),
                             d.beepCount(),              app.attentionRequests()};
    return g;
}

json DisplayState::cheapFields(const Glance& g) {
    json s;
    s["scene"] = desktop_.scene().name;
    s["clock"] = {{"manual", g.manualClock}, {"now", g.now}};
    s["systemAppearance"] = desktop_.scene().darkAppearance ? "dark" : "light";
    s["appearance"] = g.dark ? "dark" : "light";
    s["activationPolicy"] = policyName(g.policy);
    s["active"] = g.active;
    s["terminated"] = g.terminated;
    s["pointer"] = {g.pointer.x, g.pointer.y};
    s["accessibility"] = {{"trusted", g.trusted},
                          {"promptShown", g.promptShown},
                          {"promptCount", g.promptCount},
                          {"postEventAccess", g.postEventAccess}};
    if (const platform::OpenPanel* panel = g.openPanel) {
        s["openPanel"] = {{"title", panel->title},
                          {"message", panel->message},
                          {"prompt", panel->prompt},
                          {"allowedContentTypes", panel->allowedContentTypes},
                          {"allowsMultipleSelection", panel->allowsMultipleSelection},
                          {"canChooseDirectories", panel->canChooseDirectories},
                          {"canChooseFiles", panel->canChooseFiles},
                          {"home", platform::FileLocations::home().string()}};
    } else {
        s["openPanel"] = nullptr;
    }
    s["records"] = records(g.records);
    return s;
}

json DisplayState::records(const RecordCounts& counts) {
    // The records only grow: their counts say when they changed.
    if (!fresh_ && recordCounts_ == counts) return records_;
    const Desktop& d = desktop_;
    auto tail = [](const auto& list) {
        json out = json::array();
        const size_t from = list.size() > kRecordTail ? list.size() - kRecordTail : 0;
        for (size_t i = from; i < list.size(); ++i) {
            if constexpr (std::is_same_v<std::decay_t<decltype(list[i])>, std::filesystem::path>) {
                out.push_back(list[i].string());
            } else {
                out.push_back(list[i]);
            }
        }
        return out;
    };
    recordCounts_ = counts;
    records_ = {{"openedURLs", tail(d.openedURLs())},
                {"openedApplications", tail(d.openedApplications())},
                {"chosenMenuItems", tail(d.chosenMenuItems())},
                {"openedMenus", tail(d.openedMenus())},
                {"beeps", counts.beeps},
                {"attentionRequests", counts.attention}};
    return records_;
}

json DisplayState::screens() const {
    json out = json::array();
    const auto main = desktop_.mainScreen();
    for (const auto& screen : desktop_.screens()) {
        json j = {{"id", screen.displayID},
                  {"name", screen.localizedName},
                  {"frame", rect(screen.frame)},
                  {"visibleFrame", rect(screen.visibleFrame)},
                  {"scale", screen.backingScaleFactor},
                  {"main", main && main->frame == screen.frame},
                  {"primary", screen.frame.origin == platform::Point{0, 0}}};
        if (screen.auxiliaryTopLeftArea && screen.auxiliaryTopRightArea) {
            const Rect& l = *screen.auxiliaryTopLeftArea;
            const Rect& r = *screen.auxiliaryTopRightArea;
            const double h = screen.safeAreaTopInset > 0 ? screen.safeAreaTopInset : l.height();
            j["cameraHousing"] = rect(Rect{l.maxX(), screen.frame.maxY() - h, r.minX() - l.maxX(), h});
        } else {
            j["cameraHousing"] = nullptr;
        }
        out.push_back(std::move(j));
    }
    return out;
}

json DisplayState::menuBar() const {
    json j;
    j["thickness"] = desktop_.bar().thickness();
    j["rightToLeft"] = desktop_.isRightToLeft();
    j["frontmost"] = appJSON(desktop_.app(desktop_.frontmostApp()));
    json menus = json::array();
    for (const auto& [title, frame] : desktop_.appMenuTitles()) menus.push_back({{"title", title}, {"frame", rect(frame)}});
    j["menus"] = std::move(menus);
    j["clock"] = clock_;
    return j;
}

std::string DisplayState::clockText(double second) const {
    auto defaults = platform::UserDefaults::suite("com.apple.menuextra.clock");
    bool weekday = true, date = false, hours24 = false;
    if (defaults) {
        if (defaults->object("ShowDayOfWeek")) weekday = defaults->boolForKey("ShowDayOfWeek");
        date = defaults->boolForKey("ShowDate");
        hours24 = defaults->boolForKey("Show24Hour");
    }
    std::string pattern;
    if (weekday) pattern += "EEE ";
    if (date) pattern += "d MMM ";
    pattern += hours24 ? "HH:mm" : "h:mm a";
    return platform::DateFormatting::format(platform::Date{second}, pattern, "en_US");
}

// Written as text, not built as JSON values first: a thousand vossels are a thousand items.
std::string DisplayState::statusItems() {
    std::string out;
    out.reserve(parts_[statusItemsPart].size());
    ui::JsonWriter w(out);
    const auto writeRect = [](ui::JsonWriter& w, const Rect& r) {
        w.beginArray().value(r.minX()).value(r.minY()).value(r.width()).value(r.height()).endArray();
    };
    w.beginArray();
    const auto& openedMenu = desktop_.openedMenu();
    for (const auto& holder : desktop_.bar().items()) {
        const BarItem& item = *holder;
        const SimulatedApp* owner = desktop_.app(item.ownerPID);
        const std::string ownerName = owner ? owner->ownerName() : std::string();
        w.beginObject()
            .field("id", item.id)
            .field("window", item.window->number)
            .field("owner", ownerName)
            .field("ownerPID", item.ownerPID)
            .field("own", item.own != nullptr)
            .field("autosaveName", item.autosaveName);
        writeRect(w.key("frame"), item.frame());
        w.field("windowAlpha", item.window->alpha)
            .field("visible", item.isVisible && item.window->ordered)
            .field("onScreen", item.onScreen)
            .field("shown", item.shown);
        if (item.window->ownerPID != item.ownerPID) {
            if (const SimulatedApp* drawer = desktop_.app(item.window->ownerPID)) w.field("drawnBy", drawer->ownerName());
        }
        double alpha = item.window->alpha;
        if (item.own) {
            if (DesktopStatusBarButton* b = item.own->desktopButton()) {
                alpha *= b->alphaValue();
                w.key("image");
                if (b->image()) {
                    ui::TreeSerializer::writeImage(w, *b->image());
                } else {
                    w.null();
                }
                w.field("title", b->title())
                    .field("tooltip", b->toolTip())
                    .field("highlighted", b->isHighlighted())
                    .field("enabled", b->isEnabled() && !b->appearsDisabled())
                    .field("imagePosition", static_cast<int>(b->imagePosition()));
            }
        } else {
            const SceneStatusItem& spec = item.spec;
            std::string title = spec.title;
            if (item.autosaveName == "Clock" && owner && owner->bundleIdentifier == std::optional<std::string>("com.apple.controlcenter")) {
                title = clock_;
            }
            w.key("image").raw(dumped(foreignItemImage(item.autosaveName, ownerName, title, spec.description, spec.identifier)));
            w.field("title", title)
                .field("description", spec.description)
                .field("tooltip", spec.help)
                .field("highlighted", openedMenu && openedMenu->barItem == item.id)
                .field("enabled", true);
        }
        w.field("alpha", alpha).endObject();
    }
    w.endArray();
    return out;
}

std::string DisplayState::windows() {
    std::string out;
    out.reserve(parts_[windowsPart].size());  // mostly the trees, which change little
    out += '[';
    treeWindows_.clear();
    auto order = desktop_.windows().frontToBack();
    std::reverse(order.begin(), order.end());  // the page paints back to front
    for (const ServerWindow* w : order) {
        if (!w->ordered) continue;
        if (w->kind == WindowKind::statusItem || w->kind == WindowKind::menuBar || w->kind == WindowKind::desktopPicture) {
            continue;
        }
        if (out.size() > 1) out += ',';
        out += dumped(window(*w));
        if (ui::HostingView* hosting = hostingViewOf(*w)) {
            out.pop_back();  // the window's closing brace: its tree goes in last
            out += ",\"tree\":";
            out += treeOf(*hosting, w->number);
            out += '}';
        }
    }
    out += ']';
    // Trees of windows that went away are not kept.
    for (auto it = trees_.begin(); it != trees_.end();) {
        const bool live = desktop_.windows().find(it->first) != nullptr;
        it = live ? std::next(it) : trees_.erase(it);
    }
    return out;
}

json DisplayState::window(const ServerWindow& w) {
    const int32_t self = desktop_.selfPID();
    json j = {{"number", w.number},
              {"kind", kindName(w.kind)},
              {"owner", appJSON(desktop_.app(w.ownerPID))},
              {"title", w.name.value_or("")},
              {"frame", rect(w.frame)},
              {"alpha", w.alpha},
              {"level", w.level}};
    if (w.platformWindow) {
        const DesktopWindow& pw = *w.platformWindow;
        if (w.kind == WindowKind::ownWindow) j["title"] = pw.title();
        j["identifier"] = pw.identifier();
        // While another application is in front, this one's key window looks like any other.
        j["key"] = pw.isKeyWindow() && desktop_.application().isActive();
        j["titled"] = pw.isTitled();
        j["closable"] = (pw.styleMask() & platform::WindowStyle::closable) != 0;
        j["contentRect"] = rect(pw.contentRect());
    }

    switch (w.kind) {
        case WindowKind::popover:
            for (const auto& popover : desktop_.shownPopovers()) {
                if (popover->window() && popover->window()->windowNumber() == w.number) {
                    j["edge"] = edgeName(popover->edge());
                    j["anchor"] = rect(popover->anchor());
                }
            }
            break;
        case WindowKind::menu: {
            json rows = json::array();
            const auto& opened = desktop_.openedMenu();
            if (opened && opened->window && opened->window->number == w.number) {
                j["menuOf"] = "statusItem";
                j["statusItem"] = opened->barItem;
                j["itemName"] = opened->itemName;
                j["contextMenu"] = opened->isContextMenu;
                auto frames = Desktop::menuRowFrames(opened->items, w.frame);
                for (size_t i = 0; i < opened->items.size(); ++i) {
                    const bool sep = Desktop::isSeparatorRow(opened->items[i]);
                    rows.push_back({{"title", sep ? "" : opened->items[i]}, {"separator", sep}, {"enabled", true},
                                    {"frame", rect(frames[i])}});
                }
            } else if (w.ownerPID == self) {
                if (auto menu = desktop_.ownOpenMenu()) {
                    j["menuOf"] = "application";
                    std::vector<std::shared_ptr<platform::MenuItem>> visible;
                    std::vector<std::string> titles;
                    for (const auto& item : menu->items) {
                        if (item->isHidden) continue;
                        visible.push_back(item);
                        titles.push_back(item->isSeparator ? "-" : item->title);
                    }
                    auto frames = Desktop::menuRowFrames(titles, w.frame);
                    for (size_t i = 0; i < visible.size(); ++i) {
                        const auto& item = *visible[i];
                        json row = {{"title", item.isSeparator ? "" : item.title}, {"separator", item.isSeparator},
                                    {"enabled", item.isEffectivelyEnabled()}, {"state", static_cast<int>(item.state)},
                                    {"frame", rect(frames[i])}};
                        if (!item.keyEquivalent.empty()) {
                            row["keyEquivalent"] = item.keyEquivalent;
                            row["keyEquivalentModifiers"] = item.keyEquivalentModifiers();
                        }
                        if (item.image) row["image"] = ui::TreeSerializer::image(*item.image);
                        if (item.submenu) row["submenu"] = true;
                        rows.push_back(std::move(row));
                    }
                }
            }
            j["rows"] = std::move(rows);
            break;
        }
        case WindowKind::alert:
            if (w.ownerPID == self) {
                const platform::OpenPanel* panel = desktop_.currentOpenPanel();
                const platform::Alert* alert = desktop_.currentAlert();
                const std::string name = w.name.value_or("");
                if (panel && name == (panel->title.empty() ? std::string("Open") : panel->title)) {
                    j["kind"] = "openPanel";
                } else if (alert && name == alert->messageText) {
                    static const char* styles[] = {"warning", "informational", "critical"};
                    j["messageText"] = alert->messageText;
                    j["informativeText"] = alert->informativeText;
                    j["style"] = styles[static_cast<int>(alert->alertStyle) % 3];
                    j["buttons"] = alert->buttons.empty() ? std::vector<std::string>{"OK"} : alert->buttons;
                } else {
                    j["messageText"] = name;  // an alert under the one in front
                    j["buttons"] = json::array();
                }
            }
            break;
        case WindowKind::systemDialog: j["dialog"] = "accessibility"; break;
        case WindowKind::dock: {
            json apps = json::array();
            for (const auto& a : desktop_.apps()) {
                if (a.activationPolicy != platform::ActivationPolicy::regular) continue;
                apps.push_back({{"pid", a.pid}, {"name", a.ownerName()}, {"self", a.isSelf},
                                {"frontmost", a.pid == desktop_.frontmostApp()}});
            }
            j["apps"] = std::move(apps);
            break;
        }
        default: break;
    }
    // Where the desktop takes clicks on an alert's or the prompt's buttons, the first on top.
    if (auto frames = desktop_.dialogButtonFrames(w.number); !frames.empty()) {
        json bands = json::array();
        for (const auto& f : frames) bands.push_back(rect(f));
        j["buttonFrames"] = std::move(bands);
    }
    return j;
}

const std::string& DisplayState::treeOf(ui::HostingView& view, uint32_t windowNumber) {
    ui::Host& host = view.host();
    treeWindows_.push_back(windowNumber);
    // A render whose output is the one before does not count as a change. A host about to
    // render again is read as it is now: its fields' and switches' values are read through
    // their bindings, which the change it waits to render has already moved.
    const std::string& text = host.serializedText(fresh_);
    trees_[windowNumber] = CachedTree{&host, host.changeCount(), host.focusedNodeId().value_or(""),
                                      host.openMenuNodeId().value_or("")};
    return text;
}

std::filesystem::path DisplayState::logFile(const char* name) {
    return platform::FileLocations::logFolder() / (std::string("tessivane-") + name + ".log");
}

DisplayState::LogStamp DisplayState::stampOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return LogStamp{};
    return LogStamp{static_cast<std::uintmax_t>(st.st_size),
                    std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec), st.st_ino};
}

json DisplayState::logs() {
    json out = json::object();
    for (const char* name : {"click", "hide"}) {
        const auto file = logFile(name);
        CachedLog& cached = logs_[name];
        // A log is read again only when its size, time or file changed.
        if (!fresh_ && stampOf(file) == cached.stamp) {
            out[name] = cached.lines;
            continue;
        }
        // The log folder may be one others can write to: a link planted at a log's name is
        // not followed, and only the end of a file is read, however big it grew.
        const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0) ::close(fd);
            cached = CachedLog{};
            out[name] = json::array();
            continue;
        }
        const auto modified = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
        cached = CachedLog{LogStamp{static_cast<std::uintmax_t>(st.st_size), modified, st.st_ino}, tailLines(fd, st.st_size)};
        ::close(fd);
        out[name] = cached.lines;
    }
    return out;
}

bool DisplayState::logsChanged() {
    // This process's own lines say so at once; a line someone else wrote shows within a second.
    const uint64_t appended = platform::appendedLogLines();
    if (appended == seenLogLines_ && clockSecond_ == logsLookedAt_) return false;
    seenLogLines_ = appended;
    logsLookedAt_ = clockSecond_;
    for (const char* name : {"click", "hide"}) {
        auto it = logs_.find(name);
        if (it == logs_.end() || stampOf(logFile(name)) != it->second.stamp) return true;
    }
    return false;
}

json DisplayState::tailLines(int fd, off_t size) {
    const off_t from = std::max<off_t>(0, size - static_cast<off_t>(kLogTailBytes));
    std::string text(static_cast<size_t>(size - from), '\0');
    const ssize_t n = ::pread(fd, text.data(), text.size(), from);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    if (from > 0) {  // the first line is cut
        const auto newline = rest.find('\n');
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
    }
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        lines.push_back(rest.substr(0, newline));
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
    }
    json out = json::array();
    const size_t first = lines.size() > kLogTailLines ? lines.size() - kLogTailLines : 0;
    for (size_t i = first; i < lines.size(); ++i) out.push_back(std::string(lines[i].substr(0, kLogLineBytes)));
    return out;
}

}  // namespace desktop
