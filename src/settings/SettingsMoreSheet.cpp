#include "settings/SettingsMoreSheet.h"

#include "app/AppState.h"
#include "model/TessivaneLinks.h"
#include "platform/Bundle.h"
#include "settings/AppearanceModePicker.h"
#include "settings/SettingsCoverScreen.h"
#include "settings/SettingsTheme.h"
#include "settings/VosselOpenModePicker.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

// The address a "mailto:" link writes to, as a person reads it.
std::string mailboxAddress(const std::string& url) {
    constexpr std::string_view scheme = "mailto:";
    return url.starts_with(scheme) ? url.substr(scheme.size()) : url;
}

}  // namespace

std::string SettingsMoreSheet::versionString() {
    if (auto value = platform::Bundle::main().infoValue("CFBundleShortVersionString")) {
        if (const std::string* version = value->asString()) return *version;
    }
    return fallbackVersion;
}

std::string SettingsMoreSheet::menuBarSpaceWarning(int hiddenCount) {
    return "+" + std::to_string(hiddenCount) + " icons may be hidden by the notch or a short menu bar.";
}

ui::Node SettingsMoreSheet::accessibilityRow(AppState& appState) {
    using namespace ui;
    AppState* state = &appState;
    const bool granted = appState.permissionManager.isAccessibilityTrusted.get();
    auto status = granted
                      ? Text("Granted").foreground(SettingsTheme::accent()).font(Font::callout().withWeight(Weight::medium))
                      : HStack({.spacing = 8},
                               pointingHandCursor(Button("Enable\u2026", [state] {
                                   state->permissionManager.enableAccessibility();
                               })),
                               pointingHandCursor(Button("Restart Tessivane", [state] { state->restartApp(); })));
    return HStack(granted ? Image::system("checkmark.circle.fill").foreground(Color::green())
                          : Image::system("exclamationmark.triangle.fill").foreground(Color::orange()),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 2},
                         Text("Accessibility"),
                         Text("Required to discover menu bar icons and activate them from a vossel.")
                             .font(Font::caption())
                             .foreground(Color::secondary())),
                  Spacer(),
                  std::move(status));
}

ui::Node SettingsMoreSheet::accessSection(AppState& appState) {
    using namespace ui;
    AppState* state = &appState;
    const bool granted = appState.permissionManager.isAccessibilityTrusted.get();
    Binding<bool> launchAtLogin([state] { return state->permissionManager.launchAtLoginEnabled.get(); },
                                [state](bool enabled) { state->permissionManager.setLaunchAtLogin(enabled); });
    Binding<bool> share([state] { return state->shareSystemInfoWithDeveloper.get(); },
                        [state](bool value) { state->shareSystemInfoWithDeveloper = value; });
    std::vector<Node> rows;
    rows.push_back(accessibilityRow(appState));
    // Which copy of the application this is helps when the settings list holds several.
    if (!granted) {
        rows.push_back(Text(platform::Bundle::main().bundlePath().string())
                           .font(Font::caption())
                           .foreground(Color::secondary())
                           .textSelection());
    }
    rows.push_back(pointingHandCursor(Toggle("Launch at login", launchAtLogin)));
    rows.push_back(pointingHandCursor(Toggle("Share anonymous device info", share)));
    return Section("Access", std::move(rows), accessFooter);
}

ui::Node SettingsMoreSheet::aboutSection(AppState& appState) {
    using namespace ui;
    AppState* state = &appState;
    std::vector<Node> secondRow;
    secondRow.push_back(Link(mailboxAddress(TessivaneLinks::supportMailbox()), TessivaneLinks::supportMailbox()));
    if (const auto& tip = TessivaneLinks::tip()) secondRow.push_back(Link("Leave a Tip\u2026", *tip));
    auto links = VStack({.alignment = HorizontalAlignment::leading, .spacing = 8},
                        HStack({.spacing = 10},
                               Link("Website", TessivaneLinks::website()),
                               Link("Privacy", TessivaneLinks::privacy()),
                               Link("Terms", TessivaneLinks::terms())),
                        HStack(HStackOptions{.spacing = 10}, std::move(secondRow)))
                     .font(Font::callout());
    return Section("About",
                   {HStack(Text(std::string("Tessivane ") + versionString()),
                           Spacer(),
                           pointingHandCursor(Button("Check for Updates\u2026",
                                                     [state] {
                                                         if (state->checkForUpdates) state->checkForUpdates();
                                                     }))),
                    pointingHandCursor(std::move(links))});
}

ui::Node SettingsMoreSheet::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    AppState* state = &appState;
    std::vector<Node> sections;
    sections.push_back(Section("Appearance", {view<AppearanceModePicker>()}));
    sections.push_back(Section("Vossels", {view<VosselOpenModePicker>()}));
    sections.push_back(accessSection(appState));
    if (const int hidden = appState.overflowHiddenCount.get(); hidden >= 1) {
        sections.push_back(Section("Menu bar space", {Label(menuBarSpaceWarning(hidden),
                                                            Image::system("exclamationmark.circle.fill")
                                                                .foreground(Color::orange()))}));
    }
    sections.push_back(aboutSection(appState));
    return view<SettingsCoverScreen>(
        "Settings", onDismiss_,
        Form(std::move(sections))
            .padding(Edges::top, 4)
            .padding(Edges::bottom, 12)
            // Shows the permission and login-item state as they are now.
            .onAppear([state] { state->permissionManager.refresh(); }));
}

}  // namespace tessivane
