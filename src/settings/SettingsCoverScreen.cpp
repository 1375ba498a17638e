#include "settings/SettingsCoverScreen.h"

#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {
constexpr double kSideWidth = 56;
}

ui::Node SettingsCoverScreen::titleText(const std::string& title) {
    using namespace ui;
    return Text(title).font(Font::system(13, Weight::semibold));
}

ui::Node SettingsCoverScreen::header(const std::function<void()>& onBack, ui::Node title, ui::Node trailing) {
    using namespace ui;
    return HStack(pointingHandCursor(Button("Back", onBack)
                                         .keyboardShortcut(KeyboardShortcut::cancelAction())
                                         .controlSize(ControlSize::small)
                                         .frame({.width = kSideWidth, .alignment = Alignment::leading})),
                  Spacer(),
                  std::move(title),
                  Spacer(),
                  std::move(trailing))
        .padding(Edges::horizontal, 16)
        .padding(Edges::vertical, 6)
        .fixedSize(false, true);
}

ui::Node SettingsCoverScreen::page(ui::Node header, ui::Node content) {
    using namespace ui;
    return VStack({.spacing = 0},
                  std::move(header),
                  Divider(),
                  std::move(content).frame({.maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::top}))
        .frame({.maxWidth = infinity, .maxHeight = infinity})
        .background(Fill(Color::controlBackground()).ignoresSafeArea());
}

ui::Node SettingsCoverScreen::body() {
    using namespace ui;
    return page(header(onBack_, titleText(title_), Fill(Color::clear()).frame({.width = kSideWidth})), content_);
}

}  // namespace tessivane
