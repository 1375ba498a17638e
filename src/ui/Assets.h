#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Image.h"

namespace ui {

// Image assets of the application bundle ("MenuBarIcon", an 18-point template image;
// "AppLogo", square). Each is a PNG drawn at two pixels per point, with an SVG of the same
// artwork beside it for the display. Absent when the bundle has no such asset.
std::optional<platform::Image> assetImage(const std::string& name);
// The file the display draws an asset from (the SVG when present, else the PNG).
std::optional<std::filesystem::path> assetFile(const std::string& name);

}  // namespace ui
