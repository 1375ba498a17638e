#include "model/UserPreferences.h"

#include <string>

#include "model/UITestLaunch.h"

namespace tessivane::UserPreferences {

AppAppearancePreference appearance() {
    const auto value = UITestLaunch::defaults()->object(std::string(appearanceKey));
    const std::string* raw = value ? value->asString() : nullptr;
    if (raw && *raw == "light") return AppAppearancePreference::light;
    if (raw && *raw == "dark") return AppAppearancePreference::dark;
    return AppAppearancePreference::system;
}

bool hoverToOpenEnabled() {
    const auto defaults = UITestLaunch::defaults();
    const std::string key(hoverToOpenKey);
    if (!defaults->object(key)) return true;
    return defaults->boolForKey(key);
}

}  // namespace tessivane::UserPreferences
