#include "settings/VosselIdentityForm.h"

#include "platform/Text.h"
#include "settings/IconPickerScreen.h"
#include "settings/SettingsCoverScreen.h"
#include "settings/SettingsTheme.h"
#include "settings/VosselIconWell.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

ui::Node VosselIdentityForm::body() {
    using namespace ui;
    auto showPicker = showIconPicker_.binding();
    auto openPicker = [showPicker] { showPicker.set(true); };
    const bool nameIsBlank = platform::Text::trimmed(name_.get()).empty();
    const bool pickerShown = showIconPicker_.get();

    auto content =
        VStack({.spacing = 20},
               Spacer(8),
               pointingHandCursor(Button(openPicker, view<VosselIconWell>(symbol_.get(), colorHex_.get(),
                                                                          customIconFilename_.get(), 96))
                                      .buttonStyle(ButtonStyle::plain)
                                      .help("Choose an icon")),
               pointingHandCursor(Button("Choose icon", openPicker)
                                      .buttonStyle(ButtonStyle::plain)
                                      .font(Font::system(13, Weight::medium))
                                      .foreground(SettingsTheme::accent())),
               VStack({.spacing = 6},
                      Text(texts_.headline).font(Font::system(22, Weight::semibold)),
                      Text(texts_.subtitle)
                          .font(Font::callout())
                          .foreground(Color::secondary())
                          .multilineTextAlignment(TextAlignment::center)),
               TextField("Vossel name", name_)
                   .textFieldStyle(TextFieldStyle::roundedBorder)
                   .font(Font::system(16, Weight::medium))
                   .frame({.maxWidth = 280})
                   .focused(nameFocus_)
                   .accessibilityIdentifier(texts_.nameFieldIdentifier),
               Button(texts_.confirmTitle, onConfirm_)
                   .buttonStyle(ButtonStyle::borderedProminent)
                   .tint(SettingsTheme::accent())
                   .controlSize(ControlSize::large)
                   .frame({.maxWidth = 280})
                   .disabled(nameIsBlank)
                   .accessibilityIdentifier(texts_.confirmIdentifier)
                   .keyboardShortcut(KeyboardShortcut::defaultAction()),
               Spacer(8))
            .frame({.maxWidth = infinity})
            .padding(Edges::horizontal, 32);

    // While the picker covers the form, its Back and confirm keys must not answer.
    return ZStack(view<SettingsCoverScreen>(texts_.title, onBack_, std::move(content)).disabled(pickerShown),
                  When(pickerShown, [&] {
                      return view<IconPickerScreen>(symbol_, colorHex_, customIconFilename_, importGroupID_,
                                                    [showPicker] { showPicker.set(false); });
                  }));
}

}  // namespace tessivane
