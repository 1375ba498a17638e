#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/UUID.h"
#include "ui/Binding.h"
#include "ui/View.h"

namespace tessivane {

// The full-window form for a vossel's name and icon, shared by the new-vossel and the
// edit-vossel pages. It never writes to the store: its owner acts on confirm. `nameFocus`, when
// given, is the name field's focus: true gives the field the focus.
class VosselIdentityForm : public ui::View {
public:
    struct Texts {
        std::string title;
        std::string headline;
        std::string subtitle;
        std::string confirmTitle;
        std::string nameFieldIdentifier;
        std::string confirmIdentifier;
    };

    VosselIdentityForm(Texts texts, ui::Binding<std::string> name, ui::Binding<std::string> symbol,
                       ui::Binding<std::string> colorHex, ui::Binding<std::optional<std::string>> customIconFilename,
                       platform::UUID importGroupID, std::function<void()> onBack, std::function<void()> onConfirm,
                       ui::Binding<bool> nameFocus = {})
        : texts_(std::move(texts)), name_(std::move(name)), symbol_(std::move(symbol)), colorHex_(std::move(colorHex)),
          customIconFilename_(std::move(customIconFilename)), importGroupID_(importGroupID), onBack_(std::move(onBack)),
          onConfirm_(std::move(onConfirm)), nameFocus_(std::move(nameFocus)) {}

    ui::Node body() override;

private:
    Texts texts_;
    ui::Binding<std::string> name_;
    ui::Binding<std::string> symbol_;
    ui::Binding<std::string> colorHex_;
    ui::Binding<std::optional<std::string>> customIconFilename_;
    platform::UUID importGroupID_;
    std::function<void()> onBack_;
    std::function<void()> onConfirm_;
    ui::Binding<bool> nameFocus_;
    ui::State<bool> showIconPicker_{this, false};
};

}  // namespace tessivane
