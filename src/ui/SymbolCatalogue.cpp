#include "ui/SymbolCatalogue.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace ui {

namespace SymbolCatalogue {

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = {
        // Icon picker: security and VPN
        {"lock.shield.fill", "vpn_lock"},
        {"lock.fill", "lock"},
        {"key.fill", "key"},
        {"shield.fill", "shield"},
        {"shield.lefthalf.filled", "security"},
        {"checkmark.shield.fill", "gpp_good"},
        {"hand.raised.fill", "back_hand"},
        {"eye.slash.fill", "visibility_off"},
        // development
        {"hammer.fill", "hardware"},
        {"terminal.fill", "terminal"},
        {"chevron.left.forwardslash.chevron.right", "code"},
        {"curlybraces", "data_object"},
        {"cpu.fill", "memory"},
        {"memorychip.fill", "developer_board"},
        {"server.rack", "dns"},
        {"wrench.and.screwdriver.fill", "handyman"},
        // cloud and storage
        {"cloud.fill", "cloud"},
        {"icloud.fill", "cloud_queue"},
        {"externaldrive.fill", "usb"},
        {"internaldrive.fill", "storage"},
        {"tray.full.fill", "inbox"},
        {"archivebox.fill", "inventory_2"},
        {"doc.fill", "description"},
        {"folder.fill", "folder"},
        // network
        {"network", "lan"},
        {"wifi", "wifi"},
        {"antenna.radiowaves.left.and.right", "settings_input_antenna"},
        {"globe", "language"},
        {"link", "link"},
        {"personalhotspot", "wifi_tethering"},
        {"dot.radiowaves.left.and.right", "sensors"},
        {"arrow.triangle.2.circlepath", "sync"},
        // media
        {"headphones", "headphones"},
        {"speaker.wave.2.fill", "volume_up"},
        {"music.note", "music_note"},
        {"play.circle.fill", "play_circle"},
        {"mic.fill", "mic"},
        {"video.fill", "videocam"},
        {"camera.fill", "photo_camera"},
        {"photo.fill", "photo"},
        // productivity
        {"calendar", "calendar_today"},
        {"clock.fill", "schedule"},
        {"checkmark.circle.fill", "check_circle"},
        {"list.bullet", "format_list_bulleted"},
        {"note.text", "sticky_note_2"},
        {"bookmark.fill", "bookmark"},
        {"tag.fill", "sell"},
        {"paperclip", "attach_file"},
        // communication
        {"message.fill", "chat"},
        {"envelope.fill", "mail"},
        {"phone.fill", "call"},
        {"video.bubble.fill", "video_call"},
        {"person.2.fill", "people"},
        {"bell.fill", "notifications"},
        {"megaphone.fill", "campaign"},
        {"at", "alternate_email"},
        // general
        {"star.fill", "star"},
        {"heart.fill", "favorite"},
        {"bolt.fill", "bolt"},
        {"flame.fill", "local_fire_department"},
        {"sparkles", "auto_awesome"},
        {"gearshape.fill", "settings"},
        {"slider.horizontal.3", "tune"},
        {"square.grid.2x2.fill", "grid_view"},
        // menu bar items named by keyword in the popover tiles
        {"battery.100", "battery_full"},
        {"moon.fill", "dark_mode"},
        {"sun.max.fill", "light_mode"},
        {"keyboard.fill", "keyboard"},
        {"airplayvideo", "airplay"},
        {"magnifyingglass", "search"},
        {"switch.2", "toggle_on"},
        {"waveform", "graphic_eq"},
        {"playpause.fill", "play_arrow"},
        {"circle.lefthalf.filled", "contrast"},
        {"rectangle.3.group.fill", "dashboard"},
        {"camera.viewfinder", "center_focus_strong"},
        {"airplayaudio", "speaker_group"},
        {"app.fill", "apps"},
        // menus, settings and guidance
        {"gearshape", "settings"},
        {"envelope", "mail_outline"},
        {"heart", "favorite_border"},
        {"power", "power_settings_new"},
        {"chevron.down", "expand_more"},
        {"chevron.left", "chevron_left"},
        {"chevron.right", "chevron_right"},
        {"checkmark", "check"},
        {"plus", "add"},
        {"minus", "remove"},
        {"xmark", "close"},
        {"arrow.clockwise", "refresh"},
        {"arrow.down", "arrow_downward"},
        {"arrow.left.to.line", "first_page"},
        {"lock.shield", "vpn_lock"},
        {"menubar.arrow.up.rectangle", "web_asset"},
        {"photo.on.rectangle.angled", "photo_library"},
        {"circle.slash", "block"},
        {"exclamationmark.circle.fill", "error"},
        {"exclamationmark.triangle.fill", "warning"},
        {"minus.circle.fill", "remove_circle"},
        {"line.3.horizontal", "menu"},
        {"info.circle", "info"},
        {"questionmark.circle", "help_outline"},
    };
    return table;
}

namespace {
const std::unordered_map<std::string_view, std::string_view>& byName() {
    static const auto map = [] {
        std::unordered_map<std::string_view, std::string_view> m;
        for (const auto& e : entries()) m.emplace(e.symbol, e.glyph);
        return m;
    }();
    return map;
}
}  // namespace

std::optional<std::string_view> glyphName(std::string_view symbol) {
    const auto& m = byName();
    auto it = m.find(symbol);
    if (it == m.end()) return std::nullopt;
    return it->second;
}

bool contains(std::string_view symbol) { return byName().count(symbol) > 0; }

}  // namespace SymbolCatalogue

std::optional<platform::Image> symbolImage(const std::string& name, double pointSize, platform::SymbolWeight weight) {
    if (!SymbolCatalogue::contains(name)) return std::nullopt;
    double side = std::ceil(pointSize * 1.2);
    return platform::Image::symbol(name, platform::Size{side, side}, pointSize, weight);
}

}  // namespace ui
