#include "statusitems/AppIconView.h"

#include <array>
#include <initializer_list>

#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/Workspace.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

struct KeywordSymbol {
    std::initializer_list<std::string_view> keywords;
    std::string_view symbol;
};

// Tried in order; containment, not whole words ("update" finds "date").
const std::array<KeywordSymbol, 18> kKeywordSymbols = {{
    {{"wi-fi", "wifi"}, "wifi"},
    {{"bluetooth"}, "antenna.radiowaves.left.and.right"},
    {{"sound", "volume"}, "speaker.wave.2.fill"},
    {{"battery"}, "battery.100"},
    {{"focus", "do not disturb"}, "moon.fill"},
    {{"display", "brightness"}, "sun.max.fill"},
    {{"input source", "textinput", "keyboard"}, "keyboard.fill"},
    {{"mirroring"}, "airplayvideo"},
    {{"search", "spotlight"}, "magnifyingglass"},
    {{"control center", "control centre"}, "switch.2"},
    {{"siri"}, "waveform"},
    {{"now playing"}, "playpause.fill"},
    {{"clock", "date"}, "clock.fill"},
    {{"dark mode"}, "circle.lefthalf.filled"},
    {{"stage manager"}, "rectangle.3.group.fill"},
    {{"screenshot", "capture"}, "camera.viewfinder"},
    {{"facetime"}, "video.fill"},
    {{"airdrop"}, "airplayaudio"},
}};

// The workspace's icon for an application bundle: the icon it reports for the running
// application at that path.
std::optional<platform::Image> iconForApplication(const platform::Workspace& workspace,
                                                  const std::filesystem::path& path) {
    for (auto& app : workspace.runningApplicationsAt(path)) {
        if (app.icon) return std::move(app.icon);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> AppIconView::mappedSymbol(std::string_view text) {
    const std::string lower = platform::Text::lowercased(text);
    for (const auto& row : kKeywordSymbols) {
        for (std::string_view keyword : row.keywords) {
            if (lower.find(keyword) != std::string::npos) return std::string(row.symbol);
        }
    }
    return std::nullopt;
}

std::optional<std::string> AppIconView::symbolName(std::string_view title, std::string_view ownerName) {
    if (auto symbol = mappedSymbol(title)) return symbol;
    if (!title.empty() && !platform::Text::caseInsensitiveEquals(title, ownerName)) return std::nullopt;
    return mappedSymbol(ownerName);
}

std::optional<platform::Image> AppIconView::resolvedIcon(const std::optional<std::string>& bundleIdentifier,
                                                         const std::string& ownerName) {
    if (!platform::services().workspace) return std::nullopt;
    const platform::Workspace& workspace = platform::workspace();
    if (bundleIdentifier) {
        if (auto path = workspace.urlForApplication(*bundleIdentifier)) return iconForApplication(workspace, *path);
    }
    auto named = workspace.runningApplicationsNamed(ownerName);
    if (named.empty() || !named.front().bundleURL) return std::nullopt;
    auto& app = named.front();
    return app.icon ? std::move(app.icon) : iconForApplication(workspace, *app.bundleURL);
}

ui::Node AppIconView::body() {
    using namespace ui;
    Node content;
    if (auto symbol = symbolName(title_, ownerName_)) {
        content = Image::system(*symbol).font(Font::system(13, Weight::semibold)).foreground(Color::secondary());
    } else if (auto icon = resolvedIcon(bundleIdentifier_, ownerName_)) {
        content = Image::of(*icon).resizable().interpolation(Interpolation::high).padding(3);
    } else {
        content = Image::system("app.fill").font(Font::system(12)).foreground(Color::secondary());
    }
    return ZStack(RoundedRectangle(6).fill(Color::primary().opacity(0.06)), std::move(content)).frame(28, 28);
}

}  // namespace tessivane
