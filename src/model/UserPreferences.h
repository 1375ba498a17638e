#pragma once
#include <string_view>

#include "model/AppAppearancePreference.h"

namespace tessivane {

// The two typed preferences, read from the system's own store on every call.
namespace UserPreferences {

inline constexpr std::string_view appearanceKey = "Tessivane.Appearance";
inline constexpr std::string_view hoverToOpenKey = "Tessivane.HoverToOpen";

// "light" or "dark" as stored; anything else (including no value) is `system`.
AppAppearancePreference appearance();
// On unless a value is stored; then the store's Boolean reading of it.
bool hoverToOpenEnabled();

}  // namespace UserPreferences

}  // namespace tessivane
