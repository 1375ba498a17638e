#include "model/AppAppearancePreference.h"

#include "platform/Application.h"
#include "platform/Platform.h"

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
    if (!platform::services().application) return;
    switch (value_) {
        case system: platform::application().setAppearance(std::nullopt); break;
        case light: platform::application().setAppearance(platform::kAppearanceAqua); break;
        case dark: platform::application().setAppearance(platform::kAppearanceDarkAqua); break;
    }
}

}  // namespace tessivane
