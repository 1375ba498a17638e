#include "model/AppAppearancePreference.h"

namespace tessivane {

std::optional<AppAppearancePreference> AppAppearancePreference::fromRawValue(std::string_view raw) {
    for (Value value : allCases()) {
        if (AppAppearancePreference(value).rawValue() == raw) return AppAppearancePreference(value);
    }
    return std::nullopt;
}

std::string_view AppAppearancePreference::rawValue() const {
    switch (value_) {
        case system: return "system";
        case light: return "light";
        case dark: return "dark";
    }
    return "system";
}

void AppAppearancePreference::apply() const {
}

}  // namespace tessivane
