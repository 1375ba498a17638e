// The text dump of the whole desktop, for tests and `tessivane --headless`.
#include <cstdio>
#include <sstream>

#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopStatusItem.h"
#include "desktop/DesktopWindow.h"
#include "ui/HostingView.h"

namespace desktop {

using platform::Rect;

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string rect(const Rect& r) {
    return "(" + number(r.minX()) + ", " + number(r.minY()) + ", " + number(r.width()) + " x " + number(r.height()) + ")";
}

// A name in quotes, on one line and in full whatever it holds: quotes and backslashes are
// escaped, control characters (a NUL, a newline) written as \u escapes.
std::string quote(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* kindName(WindowKind k) {
    switch (k) {
        case WindowKind::ownWindow: return "window";
        case WindowKind::appWindow: return "window";
        case WindowKind::popover: return "popover";
        case WindowKind::menu: return "menu";
        case WindowKind::alert: return "alert";
        case WindowKind::systemDialog: return "system dialog";
        default: return "window";
    }
}

// The texts a hosted view shows, in reading order: enough to tell what a window or popover
// says without drawing it.
void collectTexts(const nlohmann::json& node, std::vector<std::string>& out) {
    if (out.size() >= 40) return;
    if (node.is_object()) {
        for (const char* key : {"text", "title"}) {
            auto it = node.find(key);
            if (it != node.end() && it->is_string() && !it->get<std::string>().empty()) out.push_back(it->get<std::string>());
        }
        for (const auto& [key, value] : node.items()) {
            if (value.is_structured()) collectTexts(value, out);
        }
    } else if (node.is_array()) {
        for (const auto& value : node) collectTexts(value, out);
    }
}

std::string shownTexts(const std::shared_ptr<platform::View>& content) {
    auto* hosting = dynamic_cast<ui::HostingView*>(content.get());
    if (!hosting) return {};
    std::vector<std::string> texts;
    collectTexts(hosting->host().serialize(), texts);
    std::string line;
    for (const auto& t : texts) line += " " + quote(t);
    return line;
}

}  // namespace

std::string Desktop::dump() const {
    layoutIfNeeded();
    std::ostringstream out;
    out << "scene " << quote(scene_.name) << "\n";

    out << "screens:\n";
    auto main = mainScreen();
    for (size_t i = 0; i < screens_.size(); ++i) {
        const auto& s = screens_[i];
        out << "  " << i << " " << quote(s.localizedName) << " frame " << rect(s.frame);
        if (s.frame.origin == platform::Point{0, 0}) out << " zero";
        if (main && main->frame == s.frame) out << " main";
        if (s.auxiliaryTopLeftArea) out << " top-left " << rect(*s.auxiliaryTopLeftArea);
        if (s.auxiliaryTopRightArea) out << " top-right " << rect(*s.auxiliaryTopRightArea);
        out << "\n";
    }
    if (screens_.empty()) out << "  none\n";

    const SimulatedApp* front = app(frontmost_);
    out << "menu bar: " << (isRightToLeft() ? "right to left" : "left to right") << ", thickness "
        << number(bar_.thickness()) << ", frontmost " << (front ? quote(front->ownerName()) : std::string("none"));
    Rect menus = appMenusFrame();
    if (menus.width() > 0) out << ", menus " << rect(menus);
    out << "\n";

    out << "status items, from the trailing end:\n";
    auto order = bar_.trailingToLeading();
    for (const BarItem* item : order) {
        const SimulatedApp* owner = app(item->ownerPID);
        out << "  " << (owner ? quote(owner->ownerName()) : std::string("?")) << " " << quote(item->autosaveName);
        std::string label = item->spec.description.empty() ? item->spec.title : item->spec.description;
        if (item->own && item->own->desktopButton()) {
            auto* b = item->own->desktopButton();
            label = !b->title().empty() ? b->title()
                    : b->image()        ? b->image()->accessibilityDescription()
                                        : std::string();
            if (!b->toolTip().empty() && label.empty()) label = b->toolTip();
        }
        if (!label.empty()) out << " " << quote(label);
        out << " window " << item->window->number;
        if (item->window->ownerPID != item->ownerPID) {
            const SimulatedApp* drawer = app(item->window->ownerPID);
            out << " drawn by " << (drawer ? quote(drawer->ownerName()) : std::string("?"));
        }
        out << " frame " << rect(item->frame()) << " alpha " << number(item->window->alpha);
        if (item->own && item->own->desktopButton() && item->own->desktopButton()->alphaValue() != 1) {
            out << " button-alpha " << number(item->own->desktopButton()->alphaValue());
        }
        out << (item->shown ? " visible" : item->onScreen ? " not visible (no room)" : " off screen") << "\n";
    }
    for (const auto& item : bar_.items()) {
        if (item->window->ordered) continue;
        const SimulatedApp* owner = app(item->ownerPID);
        out << "  " << (owner ? quote(owner->ownerName()) : std::string("?")) << " " << quote(item->autosaveName)
            << " hidden\n";
    }

    out << "windows:\n";
    bool any = false;
    for (const ServerWindow* w : windows_.frontToBack()) {
        if (!w->ordered) continue;
        if (w->kind == WindowKind::statusItem || w->kind == WindowKind::menuBar || w->kind == WindowKind::dock ||
            w->kind == WindowKind::desktopPicture) {
            continue;
        }
        const SimulatedApp* owner = app(w->ownerPID);
        std::string title = w->name.value_or("");
        if (w->platformWindow && w->kind == WindowKind::ownWindow) title = w->platformWindow->title();
        out << "  " << kindName(w->kind) << " " << w->number << " of "
            << (owner ? quote(owner->ownerName()) : std::string("the system")) << " " << quote(title) << " frame "
            << rect(w->frame);
        if (w->alpha != 1) out << " alpha " << number(w->alpha);
        if (w->platformWindow && w->platformWindow->isKeyWindow()) out << " key";
        out << "\n";
        if (w->platformWindow) {
            std::string texts = shownTexts(w->platformWindow->contentView());
            if (!texts.empty()) out << "    shows:" << texts << "\n";
        }
        any = true;
    }
    if (!any) out << "  none\n";

    for (const AlertSession* s : alertStack_) {
        out << "alert up: " << quote(s->alert->messageText) << " buttons";
        for (const auto& b : s->alert->buttons) out << " " << quote(b);
        out << "\n";
    }
    if (panel_) out << "open panel up: " << quote(panel_->panel->title) << "\n";
    if (promptWindow_) out << "accessibility prompt up\n";
    if (ownMenu_) {
        out << "menu of this application:";
        for (const auto& item : ownMenu_->items) out << " " << (item->isSeparator ? std::string("-") : quote(item->title));
        out << "\n";
    }
    if (openedMenu_) {
        out << "opened menu: " << quote(openedMenu_->ownerName) << " " << quote(openedMenu_->itemName)
            << (openedMenu_->isContextMenu ? " (context menu)" : "") << ":";
        for (const auto& row : openedMenu_->items) out << " " << quote(row);
        out << "\n";
    }
    out << "accessibility " << (trusted_ ? "granted" : "not granted") << ", posting events "
        << (postEventAccess() ? "allowed" : "not allowed") << ", login items "
        << (loginItemsAllowed_ ? "allowed" : "refused") << "\n";
    if (!openedURLs_.empty()) {
        out << "opened URLs:";
        for (const auto& u : openedURLs_) out << " " << u;
        out << "\n";
    }
    if (beeps_) out << "beeps: " << beeps_ << "\n";
    return out.str();
}

}  // namespace desktop
