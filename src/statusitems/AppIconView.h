#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/Image.h"
#include "ui/View.h"

namespace tessivane {

// The 28-point tile that stands for a menu bar icon: a symbol guessed from its names, else
// its application's icon, else a generic application symbol. Nothing is cached: the
// lookups run on every render.
class AppIconView : public ui::View {
public:
    AppIconView(std::optional<std::string> bundleIdentifier, std::string ownerName, std::string title)
        : bundleIdentifier_(std::move(bundleIdentifier)), ownerName_(std::move(ownerName)), title_(std::move(title)) {}
    ui::Node body() override;

    // The symbol for the title; when the title gives none, the owner name's only if the title
    // is empty or the owner name itself (a distinct title means a distinct icon).
    static std::optional<std::string> symbolName(std::string_view title, std::string_view ownerName);
    // The first keyword row contained anywhere in the lower-cased text.
    static std::optional<std::string> mappedSymbol(std::string_view text);
    // The icon of the application with that bundle identifier, else of the first running
    // application named `ownerName` exactly.
    static std::optional<platform::Image> resolvedIcon(const std::optional<std::string>& bundleIdentifier,
                                                       const std::string& ownerName);

private:
    std::optional<std::string> bundleIdentifier_;
    std::string ownerName_;
    std::string title_;
};

}  // namespace tessivane
