#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace tessivane {

// Whether the menu bar runs right to left (status icons at the left end, mirrored), which
// flips every edge test of the engine. Stateless: every answer is computed anew.
namespace SystemMenuBarLayout {

inline constexpr std::string_view forceRightToLeftArgument = "-ForceMenuBarRTL";
inline constexpr std::string_view forceLeftToRightArgument = "-ForceMenuBarLTR";

// true with "-ForceMenuBarRTL" (which wins), false with "-ForceMenuBarLTR", else absent.
std::optional<bool> processOverride();
// "AppleLanguages" of the any-application domain when it is a non-empty list of strings,
// else the locale's preferred languages.
std::vector<std::string> systemLanguages();
// The override, else the direction of the first system language.
bool isRightToLeft();
// The override, else where the given status-item frames (AppKit coordinates) sit on the
// main screen, else the language.
bool isRightToLeft(std::span<const platform::Rect> clockSideFrames);

}  // namespace SystemMenuBarLayout

}  // namespace tessivane
